// TFile: the buffered stream over an engine file.
#include "soup/Stream.h"

namespace {

Nox::File::Origin ToOrigin(int origin)
{
    switch (origin) {
        case TStream::kCurrent: return Nox::File::Origin::Current;
        case TStream::kEnd: return Nox::File::Origin::End;
        default: return Nox::File::Origin::Begin;
    }
}

}  // namespace

TFile::TFile(Nox::File* file, bool owns) : file_(file), owns_(owns)
{
    if (file_) path_ = file_->OpenedPath();
}

TFile::~TFile()
{
    Close();
}

bool TFile::Open(std::string_view path, unsigned mode)
{
    return Open({}, path, mode);
}

bool TFile::Open(std::string_view source, std::string_view path, unsigned mode)
{
    Close();
    auto* file = new Nox::File;
    // Without a source name the path is used as given (relative to the working directory).
    const int error = source.empty() ? file->Open(path, mode) : file->Open(source, path, mode);
    if (error != 0) {
        delete file;
        return false;
    }
    file_ = file;
    owns_ = true;
    source_ = source;
    path_ = path;
    return true;
}

void TFile::Close()
{
    if (!file_) return;
    // Gives back the buffered unread bytes, so a borrowed file is left where
    // the reader logically stopped.
    Seek(0, kCurrent);
    if (owns_) delete file_;
    file_ = nullptr;
    owns_ = false;
}

bool TFile::Reopen()
{
    if (!file_ || path_.empty()) return false;
    const std::string source = source_;
    const std::string path = path_;
    if (!owns_) {
        // A borrowed file is reopened in place.
        Seek(0, kBegin);
        file_->Close();
        const int error = source.empty() ? file_->Open(path, Nox::File::kCreate)
                                         : file_->Open(source, path, Nox::File::kCreate);
        return error == 0;
    }
    return Open(source, path, Nox::File::kCreate);
}

bool TFile::IsOpen() const
{
    return file_ && file_->IsOpen();
}

bool TFile::RawAtEnd()
{
    if (!IsOpen()) return true;
    const int64_t here = file_->Tell();
    const int64_t size = file_->Size();
    return here < 0 || size < 0 || here >= size;
}

size_t TFile::RawWrite(const void* data, size_t count)
{
    return IsOpen() ? file_->Write(data, count) : 0;
}

size_t TFile::RawRead(void* data, size_t count)
{
    return IsOpen() ? file_->Read(data, count) : 0;
}

bool TFile::RawSeek(int64_t offset, int origin)
{
    return IsOpen() && file_->Seek(offset, ToOrigin(origin));
}

int64_t TFile::RawTell()
{
    return IsOpen() ? file_->Tell() : -1;
}
