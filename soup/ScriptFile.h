// ScriptFile: a script source held in memory, read and written as plain .gs or scrambled .gse.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// .gse file layout (little-endian):
//
//   offset  size  field
//   0       4     format word (1 for files written here; a loaded file keeps its own)
//   4       4     0 (ignored on reading)
//   8       4     payload length L
//   12      4     0 (ignored on reading)
//   16      L     payload, every byte i XORed with kScriptKey[i % 32]
//
// Payload after the XOR: u32 plain length n, then the LZSS stream (level 9) of
// the n plain bytes. n = 0 is an empty script; n above 64 MiB is refused.
class ScriptFile {
 public:
  static constexpr uint32_t kMaxPlainSize = 0x4000000;  // 64 MiB
  static constexpr size_t kHeaderSize = 16;
  static constexpr uint32_t kFormatWord = 1;
  // The fixed key of the payload XOR; files scrambled with another key are unreadable.
  static const std::array<uint8_t, 32> kScriptKey;

  ScriptFile() = default;

  // Loads path (inside the named source when source is not empty): extension
  // "gs" reads the plain text, "gse" the scrambled form, kept scrambled until
  // the text is needed. Anything else, a missing file, a plain file above
  // 64 MiB or a .gse whose payload is shorter than its header says fails.
  bool Load(std::string_view source, std::string_view path);
  // Takes the bytes of a whole .gse file (header and payload) as Load does.
  bool LoadScrambledBytes(std::span<const uint8_t> file);
  // Saves to path: "gse" writes the scrambled form, "gs" the plain text
  // (converting first when needed). An existing file is deleted first; any
  // other extension, or a failed delete or write, fails.
  bool Save(std::string_view source, std::string_view path);

  // The plain text, unscrambling on demand. A failed unscramble empties the
  // record and returns false.
  bool GetText(std::span<const uint8_t>& text);
  void SetText(std::span<const uint8_t> text);

  // Converts the bytes between the two forms; true when already in that form.
  bool Scramble();
  bool Unscramble();

  bool IsScrambled() const noexcept { return scrambled_; }
  uint32_t FormatWord() const noexcept { return format_; }
  uint32_t PlainSize() const noexcept { return plainSize_; }
  const std::string& Path() const noexcept { return path_; }
  // The bytes as held: the plain text, or the scrambled payload (without header).
  std::span<const uint8_t> Bytes() const noexcept { return bytes_; }
  void Clear();

 private:
  std::string path_;
  std::string source_;
  std::vector<uint8_t> bytes_;
  bool scrambled_ = false;
  uint32_t format_ = kFormatWord;
  uint32_t plainSize_ = 0;
};
