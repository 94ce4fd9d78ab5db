#include "platform/core/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file a write must replace: a symbolic link stays, its target gets the new bytes.
std::string ResolvedTarget(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec) || ec) return path;
    const std::string target = std::filesystem::weakly_canonical(path, ec).string();
    return ec ? path : target;
}

std::string UniqueTemporaryName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    return target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// Writes everything, retrying after a short write so that a stop gives its own cause (a full
// disk, a size limit) rather than some earlier error. 0 when all is written and on disk.
int WriteAllAndSync(int fd, const std::string& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        if (put == 0) return ENOSPC;
        done += size_t(put);
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

void SyncFolderOf(const std::string& path)
{
    const auto folder = std::filesystem::path(path).parent_path();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

EFileWriteError::EFileWriteError(const std::string& path, const std::string& reason, int errorCode)
    : EInOutError("Cannot create file \"" + path + "\". " + reason, errorCode), Reason(reason)
{
}

TPendingFile::TPendingFile(const std::string& path, const std::string& bytes, const std::string& suffix)
    : path_(path), target_(ResolvedTarget(path))
{
    const std::string temp = suffix.empty() ? UniqueTemporaryName(target_) : target_ + suffix;
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (suffix.empty() ? O_EXCL : O_TRUNC);
    const int fd = ::open(temp.c_str(), flags, 0666);
    if (fd < 0) Fail(std::strerror(errno), errno);  // nothing of ours to remove yet
    temp_ = temp;
    struct stat old{};
    if (::stat(target_.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    const int error = WriteAllAndSync(fd, bytes);
    ::close(fd);
    if (error != 0) Fail(std::strerror(error), error);
}

TPendingFile::~TPendingFile()
{
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

void TPendingFile::Commit()
{
    if (temp_.empty()) return;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(std::strerror(errno), errno);
    temp_.clear();
    SyncFolderOf(target_);
}

void TPendingFile::Fail(const std::string& reason, int errorCode)
{
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    throw EFileWriteError(path_, reason, errorCode);
}

void WriteFileSafely(const std::string& path, const std::string& bytes) { TPendingFile(path, bytes).Commit(); }
