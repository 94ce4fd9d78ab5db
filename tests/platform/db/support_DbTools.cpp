#include "support_DbTools.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "support/TestSupport.h"

namespace dbtest {

std::string Run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char chunk[4096];
    while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, got);
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << command << "\n" << output;
    return output;
}

std::string RunPython(const std::string& script, const std::vector<std::string>& args)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("script.py");
    qbtest::WriteFileBytes(path, script);
    std::vector<std::string> command{"/usr/bin/python3", path};
    command.insert(command.end(), args.begin(), args.end());
    int exitCode = -1;
    const std::string output = qbtest::RunProgram(command, exitCode);
    EXPECT_EQ(exitCode, 0) << "python3 " << path << "\n" << output;
    return output;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldSignal_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit low = old_;
    low.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &low);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, oldSignal_);
}

}  // namespace dbtest
