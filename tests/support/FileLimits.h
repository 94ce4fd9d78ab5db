#pragma once
// Writes that fail as on a full disk or under a file size limit, for the tests of what a failed
// write leaves behind and what it reports.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <string>

namespace qbtest {

// While it lives, no file of this process grows past `bytes`; a write past it fails with EFBIG
// (the signal is ignored meanwhile, as the program ignores it). Keep its scope to the write:
// test output to a file would be cut too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &oldAction_);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::sigaction(SIGXFSZ, &oldAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit old_{};
    struct sigaction oldAction_{};
};

// How a child process ended and what it wrote into its pipe.
struct ChildResult {
    int Signal = 0;     // the signal that ended it, 0 when it exited
    int ExitCode = -1;  // when it exited
    std::string Output;
};

// Runs body in a forked child (its own signal dispositions and limits) and collects the text
// it answers; the child ends with _exit, running no destructors of the parent's objects.
inline ChildResult RunInChild(const std::function<std::string()>& body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return {};
    }
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string output;
        try {
            output = body();
        } catch (...) {
            output = "unexpected exception";
        }
        for (std::size_t done = 0; done < output.size();) {
            const ssize_t n = ::write(pipeFds[1], output.data() + done, output.size() - done);
            if (n <= 0) break;
            done += std::size_t(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    ChildResult result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) result.Output.append(buffer, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);
    if (WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
    return result;
}

}  // namespace qbtest
