#pragma once
// Crash-safe file writing: a crash at any moment leaves the old file or the new one, never a
// torn mix. The bytes go to a temporary file beside the target and are synced to disk; Commit
// renames it over the target (writing through a symbolic link and keeping the old file's mode).
// Until Commit the temporary file is removed when the object goes, so two files can be
// prepared first and then replaced one after the other; one left by a killed writer is removed
// by the next write of that file.
#include <string>

#include "platform/core/SysUtils.h"

// Failure of a safe write; Reason is the cause alone ("No space left on device", "disk full").
class EFileWriteError : public EInOutError {
public:
    EFileWriteError(const std::string& path, const std::string& reason, int errorCode);
    std::string Reason;
};

class TPendingFile {
public:
    // suffix: the temporary file is path + suffix; empty: a unique name beside the target.
    TPendingFile(const std::string& path, const std::string& bytes, const std::string& suffix = "");
    ~TPendingFile();
    TPendingFile(const TPendingFile&) = delete;
    TPendingFile& operator=(const TPendingFile&) = delete;
    void Commit();

private:
    [[noreturn]] void Fail(const std::string& reason, int errorCode);
    std::string path_;
    std::string target_;
    std::string temp_;
    int fd_ = -1;  // held open (and locked) until the temporary file is gone or renamed
};

// Writes the whole file at once through a TPendingFile.
void WriteFileSafely(const std::string& path, const std::string& bytes);

// A new temporary file "<target>.tmp-XXXXXX" beside the target, locked while its writer lives,
// open for reading and writing; answers its descriptor and sets name. Temporary files of that
// target left by a writer that died (unlocked ones) are removed first.
int CreateTemporaryBeside(const std::string& target, std::string& name);

// The permissions the file replacing target gets: the old file's, or what the umask allows.
void GiveTargetMode(int fd, const std::string& target);

// Called at program start: a write past the file size limit then fails with its cause ("File
// too large") like a full disk, instead of the signal ending the program.
void IgnoreFileSizeSignal();
