// Buffered little-endian byte streams over files, memory and the scrambling stream, with record primitives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/KUID.h"
#include "engine/File.h"
#include "engine/PString.h"

// The abstract stream. Reads are buffered: a 4096-byte buffer that keeps the
// last 16 bytes of the previous fill when it is refilled after being consumed
// completely, so a reader can always step back up to 16 bytes. Requests of
// 4080 bytes or more bypass the buffer. Writes go straight to the inner object
// after giving back any buffered unread bytes.
//
// Nothing throws: a short or impossible transfer returns the count moved and
// sets the error flag; readers of record formats check counts themselves.
class TStream {
 public:
  static constexpr size_t kBufferSize = 4096;
  static constexpr size_t kLookBehind = 16;
  static constexpr size_t kDirectRead = kBufferSize - kLookBehind;  // 4080

  enum ErrorFlag : int {
    kNoError = 0,
    kShortTransfer = 1,   // a short or impossible read, write or seek
    kWrongDirection = 2,  // a write on a reading scrambling stream, or the reverse
  };
  enum Origin : int { kBegin = 0, kCurrent = 1, kEnd = 2 };

  TStream();
  virtual ~TStream();
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // A file stream closes its file and opens the same path again for writing.
  virtual bool Reopen() { return false; }
  // The logical position: what the reader has consumed (or the writer written).
  virtual int64_t Position();
  virtual bool IsOpen() const = 0;
  // Total length; the position is left unchanged.
  virtual int64_t Length();
  // True when nothing is buffered and the inner object is at its end.
  virtual bool AtEnd();

  // Buffered transfer; returns the count moved (short: error flag 1).
  size_t Read(void* data, size_t count);
  size_t Write(const void* data, size_t count);
  // Seeks the logical position; false (error flag 1) when the inner object refuses.
  bool Seek(int64_t offset, int origin = kBegin);
  // Steps back one byte; served from the buffer when possible.
  bool StepBack();
  // One byte, or -1 at the end.
  int ReadByte();

  // Fixed-size little-endian values; false (value 0) on a short read.
  bool ReadU8(uint8_t& value);
  bool ReadU16(uint16_t& value);
  bool ReadU32(uint32_t& value);
  bool ReadI32(int32_t& value);
  bool ReadU64(uint64_t& value);
  bool ReadF32(float& value);
  bool WriteU8(uint8_t value);
  bool WriteU16(uint16_t value);
  bool WriteU32(uint32_t value);
  bool WriteI32(int32_t value) { return WriteU32(uint32_t(value)); }
  bool WriteU64(uint64_t value);
  bool WriteF32(float value);

  // Interned string record: u32 count n including a terminating NUL, then n
  // bytes. An empty string, or one whose n would exceed 0xFFFF, is written as
  // n = 0. Reading: n = 0 gives the empty string; n above 0xFFFF skips n bytes
  // and gives the empty string; otherwise the text runs up to the first NUL.
  bool WriteLengthString(const Nox::PString& text);
  Nox::PString ReadLengthString();
  // Plain text record without NUL: u32 count n, then n bytes. A text of 0x10000
  // bytes or more is written as n = 0; reading such a count skips the bytes
  // and gives the empty text.
  bool WriteLengthText(std::string_view text);
  std::string ReadLengthText();
  // KUID in stream form: u32 contentId, then u32 packed word. A short read gives KUID::Null.
  bool WriteKUID(const KUID& kuid);
  KUID ReadKUID();

  static constexpr uint32_t kMarker = 0xFEEDCEEB;
  // Writes kMarker and returns the position at which it was written (-1 on failure).
  int64_t WriteMarker();
  // Writes value at position and returns to the current position.
  bool PatchU32(int64_t position, uint32_t value);
  // Characters up to CR or LF; CR LF and LF CR count as one line end. At the end
  // of the stream the text read so far is the line. False when the stream was
  // already at its end (line left empty).
  bool ReadLine(std::string& line);

  int Error() const noexcept { return error_; }
  void ClearError() noexcept { error_ = kNoError; }

  // Unbuffered access to the inner object; the buffered calls above are built on these.
  virtual size_t RawWrite(const void* data, size_t count) = 0;
  virtual size_t RawRead(void* data, size_t count) = 0;
  virtual bool RawSeek(int64_t offset, int origin) = 0;
  virtual int64_t RawTell() = 0;
  virtual bool RawAtEnd() = 0;

 protected:
  void SetError(int flag) noexcept { error_ = flag; }
  void NoteShort() noexcept;
  // Count of bytes buffered but not yet consumed.
  size_t Buffered() const noexcept { return available_; }
  // Gives buffered unread bytes back to the inner object so that its position
  // is the logical one; the buffer is emptied.
  bool GiveBackBuffered();

 private:
  size_t Refill();

  std::unique_ptr<uint8_t[]> buffer_;
  size_t available_ = 0;  // unread bytes from readIndex_
  size_t readIndex_ = 0;
  int error_ = kNoError;
};

// A stream over an engine file.
class TFile : public TStream {
 public:
  TFile() = default;
  // Wraps an open file. When owned, the stream closes and deletes it; when not,
  // destroying the stream seeks the file back by the buffered unread count so
  // its position reflects what was consumed.
  TFile(Nox::File* file, bool owns);
  ~TFile() override;

  // Opens a path (optionally inside a named source) with Nox::File modes.
  bool Open(std::string_view path, unsigned mode = Nox::File::kRead);
  bool Open(std::string_view source, std::string_view path, unsigned mode);
  void Close();

  bool Reopen() override;
  bool IsOpen() const override;
  bool RawAtEnd() override;
  size_t RawWrite(const void* data, size_t count) override;
  size_t RawRead(void* data, size_t count) override;
  bool RawSeek(int64_t offset, int origin) override;
  int64_t RawTell() override;

 private:
  Nox::File* file_ = nullptr;
  bool owns_ = false;
  std::string source_;
  std::string path_;
};

// A stream over a growing memory buffer. Seeks are clamped to the size; the
// stream is at its end when the position reaches the size.
class TBuffer : public TStream {
 public:
  // An empty buffer of its own.
  TBuffer();
  // A buffer of its own holding data, positioned at its start.
  explicit TBuffer(std::vector<uint8_t> data);
  // Works on the caller's vector (not owned), positioned at its start.
  explicit TBuffer(std::vector<uint8_t>* external);
  // A read-only view of the bytes (not copied); writes fail.
  explicit TBuffer(std::span<const uint8_t> view);

  std::span<const uint8_t> Data() const noexcept;
  size_t Size() const noexcept { return Data().size(); }
  // Hands the bytes over (empty for a view) and empties the buffer.
  std::vector<uint8_t> Take();

  bool IsOpen() const override { return true; }
  bool RawAtEnd() override;
  size_t RawWrite(const void* data, size_t count) override;
  size_t RawRead(void* data, size_t count) override;
  bool RawSeek(int64_t offset, int origin) override;
  int64_t RawTell() override;

 private:
  std::vector<uint8_t> own_;
  std::vector<uint8_t>* bytes_ = &own_;
  std::span<const uint8_t> view_;
  bool readOnly_ = false;
  size_t cursor_ = 0;
};

// The position-keyed scrambling stream over another stream (not owned).
// In scrambled mode a plain byte b at inner position p (u32) with seed S and
// k = S & 0xFF is stored as
//     (p & 0xFF) ^ ror8(b, (S + p) & 7) ^ ror8(k, (p / 3) & 7)
// A writing stream draws S and writes it (u32) at the inner position on open;
// a reading stream reads it there. In plain mode bytes pass unchanged.
class TStreamObfuscated : public TStream {
 public:
  enum Direction { kReading, kWriting };
  enum Mode { kPlain = 0, kScrambled = 1 };

  TStreamObfuscated() = default;

  // Opens over inner (not owned). A writing scrambled stream draws its seed
  // with Nox::Rand. False when the seed cannot be read or written.
  bool Open(Direction direction, TStream* inner, int mode);
  // As Open for writing, with a given seed (repeatable output).
  bool OpenWithSeed(TStream* inner, int mode, uint32_t seed);

  uint32_t Seed() const noexcept { return seed_; }

  bool IsOpen() const override { return inner_ != nullptr; }
  bool RawAtEnd() override;
  size_t RawWrite(const void* data, size_t count) override;
  size_t RawRead(void* data, size_t count) override;
  bool RawSeek(int64_t offset, int origin) override;
  int64_t RawTell() override;

  // The transforms on whole buffers; position is the inner position of data[0].
  static void ScrambleBytes(uint8_t* data, size_t count, uint32_t seed, uint32_t position);
  static void UnscrambleBytes(uint8_t* data, size_t count, uint32_t seed, uint32_t position);

 private:
  bool Start(Direction direction, TStream* inner, int mode);

  TStream* inner_ = nullptr;
  int mode_ = kPlain;
  Direction direction_ = kReading;
  uint32_t seed_ = 0;
  uint32_t position_ = 0;  // inner position of the next raw byte
};
