#include "platform/core/Streams.h"

#include "platform/core/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(WriteErrorText());
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, 1 << 20)));
    for (std::int64_t left = count; left > 0;) {
        std::int64_t chunk = std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size()));
        source.ReadBuffer(buffer.data(), chunk);
        WriteBuffer(buffer.data(), chunk);
        left -= chunk;
    }
    return count;
}

// --- TMemoryStream

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    std::int64_t available = std::max<std::int64_t>(0, Size() - position_);
    std::int64_t n = std::clamp<std::int64_t>(count, 0, available);
    if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0) return 0;
    auto end = static_cast<std::size_t>(position_ + count);
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? position_ : Size();
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

void TMemoryStream::SetSize(std::int64_t size)
{
    data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, size)));
    position_ = std::min(position_, Size());
}

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

std::string TMemoryStream::TakeBytes()
{
    std::string bytes = std::move(data_);
    Clear();
    return bytes;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    data_.resize(static_cast<std::size_t>(source.Size()));
    source.ReadBuffer(data_.data(), Size());
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& target) const
{
    target.WriteBuffer(data_.data(), Size());
}

void TMemoryStream::LoadFromFile(const std::string& path)
{
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& path) const
{
    TFileStream file(path, fmCreate);
    SaveToStream(file);
    file.Commit();
}

// --- TFileStream

namespace {

std::string OpenErrorText(const char* what, const std::string& fileName, int error)
{
    return std::string(what) + " file \"" + fileName + "\". " + std::strerror(error);
}

// Whole writes, retried after a short one so that a stop gives its own cause (a full disk, a
// size limit); 0 or the error. A write that moves nothing counts as a full disk.
int WriteAll(int fd, const char* bytes, std::size_t count)
{
    for (std::size_t done = 0; done < count;) {
        const ssize_t n = ::write(fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += std::size_t(n);
    }
    return 0;
}

// 0 or the error of the side that failed; readError tells which.
int CopyFileContent(int from, int to, bool& readError)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        readError = n < 0;
        if (n < 0) return errno;
        if (n == 0) return 0;
        if (const int error = WriteAll(to, buffer, std::size_t(n))) return error;
    }
}

// The file a link leads to, so that rewriting through a link keeps the link.
std::string LinkTarget(const std::string& fileName)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(fileName, error)) return fileName;
    std::string target = std::filesystem::weakly_canonical(fileName, error).string();
    return error ? fileName : target;
}

void SyncDirectoryOf(const std::string& fileName)
{
    std::string dir = std::filesystem::path(fileName).parent_path().string();
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName)
{
    unsigned access = mode == fmCreate ? fmCreate : (mode & 0x3);
    if (access == fmOpenRead) {
        fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw EFOpenError(OpenErrorText("Cannot open", fileName, errno));
        struct stat info {};
        if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
            ::close(fd_);
            throw EFOpenError(OpenErrorText("Cannot open", fileName, EISDIR));
        }
        return;
    }
    OpenForWriting(access);
}

void TFileStream::OpenForWriting(unsigned access)
{
    int original = -1;
    if (access != fmCreate) {
        original = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC);
        if (original < 0) throw EFOpenError(OpenErrorText("Cannot open", fileName_, errno));
    }
    targetName_ = LinkTarget(fileName_);
    fd_ = CreateTemporaryBeside(targetName_, tempName_);
    if (fd_ < 0) {
        int error = errno;
        if (original >= 0) ::close(original);
        throw EFCreateError(OpenErrorText("Cannot create", fileName_, error));
    }
    writing_ = true;
    if (original < 0) return;
    bool readError = false;
    const int error = CopyFileContent(original, fd_, readError);
    ::close(original);
    if (error != 0) {
        Discard();
        if (readError) throw EFOpenError(OpenErrorText("Cannot read", fileName_, error));
        throw EWriteError(OpenErrorText("Cannot write", fileName_, error));
    }
    ::lseek(fd_, 0, SEEK_SET);
}

TFileStream::~TFileStream()
{
    Discard();
    if (fd_ >= 0) ::close(fd_);
}

std::string TFileStream::WriteErrorText() const
{
    return writeError_ != 0 ? OpenErrorText("Cannot write", fileName_, writeError_) : TStream::WriteErrorText();
}

void TFileStream::Commit()
{
    if (!writing_) return;
    GiveTargetMode(fd_, targetName_);
    if (::fsync(fd_) != 0 || ::rename(tempName_.c_str(), targetName_.c_str()) != 0) {
        int error = errno;
        Discard();
        throw EWriteError(OpenErrorText("Cannot write", fileName_, error));
    }
    writing_ = false;
    tempName_.clear();
    SyncDirectoryOf(targetName_);
}

void TFileStream::Discard()
{
    if (!writing_) return;
    writing_ = false;
    ::unlink(tempName_.c_str());
    tempName_.clear();
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count)
{
    std::int64_t total = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (total < count) {
        ssize_t n = ::read(fd_, bytes + total, static_cast<std::size_t>(count - total));
        if (n <= 0) break;
        total += n;
    }
    return total;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count)
{
    std::int64_t total = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (total < count) {
        const ssize_t n = ::write(fd_, bytes + total, static_cast<std::size_t>(count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            writeError_ = n < 0 ? errno : ENOSPC;
            break;
        }
        total += n;
    }
    return total;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    off_t result = ::lseek(fd_, offset, whence);
    return result < 0 ? ::lseek(fd_, 0, SEEK_CUR) : result;
}

std::int64_t TFileStream::Size() const
{
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? info.st_size : 0;
}

void TFileStream::SetSize(std::int64_t size)
{
    if (::ftruncate(fd_, size) != 0) throw EWriteError(OpenErrorText("Cannot write", fileName_, errno));
}
