#pragma once
// Helpers of the database tests: outside programs that judge our table files.
#include <sys/resource.h>

#include <string>
#include <vector>

namespace dbtest {

// Runs a shell command; answers its standard output. A failing command fails the test.
std::string Run(const std::string& command);
// Runs a Python script under Debian's interpreter (where dbfread and dbf live) with arguments,
// passed as given (no shell); answers its output and error output. A failing script fails the test.
std::string RunPython(const std::string& script, const std::vector<std::string>& args);
std::vector<std::string> Lines(const std::string& text);

// While alive, files of this process cannot grow past the limit: writes beyond it fail (EFBIG)
// instead of raising a signal. Stands in for a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldSignal_)(int) = nullptr;
};

}  // namespace dbtest
