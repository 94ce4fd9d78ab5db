#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "platform/core/SafeFile.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using qbtest::ReadFileBytes;
using qbtest::TempDir;
using qbtest::WriteFileBytes;

TEST(SafeFile, TargetChangesOnlyOnCommitAndNoTemporaryStays)
{
    TempDir dir;
    const std::string path = dir.file("data.txt");
    WriteFileBytes(path, "old");
    {
        TPendingFile pending(path, "new", ".tmp~");
        EXPECT_EQ(ReadFileBytes(path), "old");
        EXPECT_TRUE(fs::exists(path + ".tmp~"));
    }  // never committed
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_FALSE(fs::exists(path + ".tmp~"));

    TPendingFile(path, "new").Commit();
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(SafeFile, WritesThroughALinkAndKeepsTheMode)
{
    TempDir dir;
    const std::string target = dir.file("target.txt");
    const std::string link = dir.file("link.txt");
    WriteFileBytes(target, "old");
    ::chmod(target.c_str(), 0600);
    fs::create_symlink(target, link);

    WriteFileSafely(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target), "new");
    struct stat st{};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(SafeFile, FailureNamesTheFileAndItsCauseAndLeavesTheOldFile)
{
    TempDir dir;
    const std::string path = dir.file("data.txt");
    WriteFileBytes(path, "old");
    fs::create_directory(path + ".tmp~");  // the temporary name is taken
    try {
        TPendingFile(path, "new", ".tmp~").Commit();
        FAIL() << "no error";
    } catch (const EFileWriteError& e) {
        EXPECT_NE(e.Message().find(path), std::string::npos) << e.Message();
        EXPECT_FALSE(e.Reason.empty());
        EXPECT_NE(e.Message().find(e.Reason), std::string::npos);
    }
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_TRUE(fs::is_directory(path + ".tmp~"));  // what wasn't ours stays
}
