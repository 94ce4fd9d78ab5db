#include "platform/core/SafeFile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
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

constexpr const char* kTemporaryMark = ".tmp-";
constexpr std::size_t kTemporaryRandom = 6;  // the XXXXXX of mkostemp

// Temporary files of the target whose writer is gone: a live writer holds its file locked.
void RemoveStaleTemporaries(const std::string& target)
{
    const std::filesystem::path targetPath(target);
    const std::string prefix = targetPath.filename().string() + kTemporaryMark;
    std::filesystem::path folder = targetPath.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + kTemporaryRandom || name.compare(0, prefix.size(), prefix) != 0) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info{};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());
        ::close(fd);
    }
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

int CreateTemporaryBeside(const std::string& target, std::string& name)
{
    RemoveStaleTemporaries(target);
    name = target + kTemporaryMark + std::string(kTemporaryRandom, 'X');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    ::flock(fd, LOCK_EX | LOCK_NB);  // a fresh name: nobody else can hold it
    return fd;
}

void GiveTargetMode(int fd, const std::string& target)
{
    struct stat old{};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

EFileWriteError::EFileWriteError(const std::string& path, const std::string& reason, int errorCode)
    : EInOutError("Cannot create file \"" + path + "\". " + reason, errorCode), Reason(reason)
{
}

TPendingFile::TPendingFile(const std::string& path, const std::string& bytes, const std::string& suffix)
    : path_(path), target_(ResolvedTarget(path))
{
    std::string temp;
    const int fd = suffix.empty() ? CreateTemporaryBeside(target_, temp)
                                  : ::open((temp = target_ + suffix).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) Fail(std::strerror(errno), errno);  // nothing of ours to remove yet
    temp_ = temp;
    fd_ = fd;
    GiveTargetMode(fd, target_);
    const int error = WriteAllAndSync(fd, bytes);
    if (error != 0) Fail(std::strerror(error), error);
}

TPendingFile::~TPendingFile()
{
    if (!temp_.empty()) ::unlink(temp_.c_str());
    if (fd_ >= 0) ::close(fd_);
}

void TPendingFile::Commit()
{
    if (temp_.empty()) return;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(std::strerror(errno), errno);
    temp_.clear();
    ::close(fd_);
    fd_ = -1;
    SyncFolderOf(target_);
}

void TPendingFile::Fail(const std::string& reason, int errorCode)
{
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    throw EFileWriteError(path_, reason, errorCode);
}

void WriteFileSafely(const std::string& path, const std::string& bytes) { TPendingFile(path, bytes).Commit(); }
