// Memory and file streams; file writes replace the target only when complete.
#include <gtest/gtest.h>

#include "platform/core/Streams.h"
#include "support/TestSupport.h"

namespace {

TEST(Streams, MemoryStreamReadsWritesAndSeeks)
{
    TMemoryStream s;
    s.WriteString("hello");
    s.SetPosition(1);
    s.WriteString("E");
    EXPECT_EQ(s.Bytes(), "hEllo");
    s.Seek(-2, TSeekOrigin::soEnd);
    char two[3] = {};
    EXPECT_EQ(s.Read(two, 5), 2);  // fewer at the end
    EXPECT_STREQ(two, "lo");
    EXPECT_THROW(s.ReadBuffer(two, 1), EReadError);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(s.Bytes(), "hE");
}

TEST(Streams, FileWritesReplaceTheTargetOnlyWhenComplete)
{
    qbtest::TempDir dir;
    std::string path = dir.file("chart.duv");
    qbtest::WriteFileBytes(path, "old content");
    try {
        TFileStream file(path, fmCreate);
        file.WriteString("half of the new");
        throw std::runtime_error("crash while writing");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(qbtest::ReadFileBytes(path), "old content");
    {
        TFileStream file(path, fmOpenReadWrite);
        EXPECT_EQ(file.Size(), 11);
        file.SetPosition(4);
        file.WriteString("CONTENT");
        EXPECT_EQ(qbtest::ReadFileBytes(path), "old content");  // not yet
    }
    EXPECT_EQ(qbtest::ReadFileBytes(path), "old CONTENT");
    {
        TFileStream file(path, fmCreate);
        file.WriteString("new");
        file.Commit();
    }
    EXPECT_EQ(qbtest::ReadFileBytes(path), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left
    TMemoryStream copy;
    copy.LoadFromFile(path);
    EXPECT_EQ(copy.Bytes(), "new");
}

// Rewriting a file keeps what the user set up around it: its permissions and a link to it.
TEST(Streams, RewrittenFileKeepsItsModeAndLink)
{
    namespace fs = std::filesystem;
    qbtest::TempDir dir;
    std::string real = dir.file("secret.ini");
    std::string link = dir.file("link.ini");
    qbtest::WriteFileBytes(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, link);
    for (unsigned mode : {unsigned{fmCreate}, unsigned{fmOpenReadWrite}}) {
        SCOPED_TRACE(mode);
        {
            TFileStream file(link, mode);
            file.SetSize(0);
            file.WriteString("new");
        }
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(qbtest::ReadFileBytes(real), "new");
        EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        qbtest::WriteFileBytes(real, "old");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);  // no temporary left
}

TEST(Streams, OpenErrorsNameTheFile)
{
    qbtest::TempDir dir;
    try {
        TFileStream file(dir.file("missing.duv"), fmOpenRead);
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.file("missing.duv") + "\". No such file or directory");
    }
    EXPECT_THROW(TFileStream(dir.file("no/such/dir/x"), fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(dir.path().string(), fmOpenRead), EFOpenError);
}

}  // namespace
