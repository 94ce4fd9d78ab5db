// Memory and file streams; file writes replace the target only when complete.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>

#include "platform/core/SafeFile.h"
#include "platform/core/Streams.h"
#include "support/FileLimits.h"
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
        file.Commit();
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
            file.Commit();
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

// A writer that forgets Commit loses its own work only: neither an existing file nor a new
// name changes, and no temporary stays.
TEST(Streams, WriterWithoutCommitChangesNothing)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("chart.duv");
    qbtest::WriteFileBytes(path, "old content");
    for (unsigned mode : {unsigned{fmCreate}, unsigned{fmOpenReadWrite}}) {
        SCOPED_TRACE(mode);
        TFileStream file(path, mode);
        file.WriteString("forgotten");
    }
    {
        TFileStream file(dir.file("new.duv"), fmCreate);
        file.WriteString("forgotten");
    }
    EXPECT_EQ(qbtest::ReadFileBytes(path), "old content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// A write past a size limit names the file and the cause; the old file stays whole.
TEST(Streams, FailedWriteNamesTheFileAndItsCause)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("export.txt");
    qbtest::WriteFileBytes(path, "old content");
    std::string message;
    {
        qbtest::FileSizeLimit limit(4096);
        try {
            TFileStream file(path, fmCreate);
            file.WriteString(std::string(10000, 'x'));
            file.Commit();
        } catch (const EWriteError& e) {
            message = e.what();
        }
    }
    EXPECT_EQ(message, "Cannot write file \"" + path + "\". File too large");
    EXPECT_EQ(qbtest::ReadFileBytes(path), "old content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// From the program's start a size limit is an error like any other, not the end of the program.
TEST(Streams, FileSizeLimitIsReportedNotFatal)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("export.txt");
    const qbtest::ChildResult child = qbtest::RunInChild([&] {
        IgnoreFileSizeSignal();
        struct rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            TFileStream file(path, fmCreate);
            file.WriteString(std::string(10000, 'x'));
            file.Commit();
        } catch (const EWriteError& e) {
            return std::string(e.what());
        }
        return std::string("written");
    });
    EXPECT_EQ(child.Signal, 0);
    EXPECT_EQ(child.Output, "Cannot write file \"" + path + "\". File too large");
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A writer killed mid-write leaves its temporary file; the next write of that file removes it,
// but never the file of a writer that still works.
TEST(Streams, TemporaryFileOfAKilledWriterGoesWithTheNextWrite)
{
    namespace fs = std::filesystem;
    using Writer = void (*)(const std::string& path, const std::string& bytes);
    const std::pair<const char*, Writer> writers[] = {
        {"file stream",
         [](const std::string& path, const std::string& bytes) {
             TFileStream file(path, fmCreate);
             file.WriteString(bytes);
             file.Commit();
         }},
        {"whole file", [](const std::string& path, const std::string& bytes) { WriteFileSafely(path, bytes); }},
    };
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        qbtest::TempDir dir;
        const std::string path = dir.file("export.txt");
        qbtest::WriteFileBytes(path, "old");
        const qbtest::ChildResult child = qbtest::RunInChild([&] {
            TFileStream file(path, fmCreate);
            file.WriteString("half");
            TPendingFile pending(path, "half");
            ::_exit(3);  // killed: no destructor runs
            return std::string();
        });
        EXPECT_EQ(child.ExitCode, 3);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);  // the file and two leftovers

        TFileStream working(path, fmCreate);
        working.WriteString("other writer");
        write(path, "new");
        EXPECT_EQ(qbtest::ReadFileBytes(path), "new");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);  // the file and the live writer's
        working.Commit();
        EXPECT_EQ(qbtest::ReadFileBytes(path), "other writer");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
    }
}

}  // namespace
