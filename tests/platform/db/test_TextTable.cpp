// Delimited text tables: a copy of a dBase table into one, read back, and a write that fails
// when the records go to disk (on close) reported as an error instead of ending the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/core/CodePage.h"
#include "platform/db/BatchMove.h"
#include "platform/db/DbError.h"
#include "platform/db/Table.h"
#include "platform/db/TextTable.h"
#include "support/TestSupport.h"
#include "support_SqlTables.h"

namespace {

class TextTableTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetProgramCodePage(1250);
        source_.SetTableName(dbtest::MakeSurveyTable(dir_.path().string()));
    }
    void TearDown() override { SetProgramCodePage(0); }

    void Copy(TTextTable& text, TBatchMode mode)
    {
        TBatchMove move;
        move.Source = &source_;
        move.SetDestination(std::make_unique<TTextTableDestination>(text));
        move.Mode = mode;
        move.Execute();
    }
    // The temporary file of a rewrite cannot be made where a folder of its name stands.
    void BlockRewrite(const std::string& path) { std::filesystem::create_directory(path + ".tmp"); }

    qbtest::TempDir dir_;
    TTable source_;
};

}  // namespace

TEST_F(TextTableTest, CopyWritesQuotedFieldsAndReadsBackAsText)
{
    const std::string path = dir_.file("out.txt");
    TTextTable text(path);
    Copy(text, batCopy);
    const std::string bytes = qbtest::ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(0, bytes.find("\r\n") + 2), "\"ID\",\"NAME\",\"AGE\",\"BORN\",\"SMOKER\",\"TOWN\",\"NOTE\"\r\n");
    EXPECT_NE(bytes.find("1,\"Karel\",30.5,1990-01-15,T,\"Brno\",\"likes tea\"\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("5,\"Zdena\",25,2001-03-03,,,\r\n"), std::string::npos) << bytes;

    TTextTable back(path);
    back.Open();
    EXPECT_EQ(dbtest::RowTexts(back), (std::vector<std::string>{
                                          "1|Karel|30.5|1990-01-15|T|Brno|likes tea",
                                          "2|karla|25|1995-06-01|F|Praha|NULL",
                                          "3|Kamil|NULL|1980-12-31|F|Brno|x",
                                          "4|Eva|41|NULL|T|Praha|NULL",
                                          "5|Zdena|25|2001-03-03|NULL|NULL|NULL",
                                          "6|O'Neil|60|1961-07-20|F|Brno|NULL",
                                      }));
}

TEST_F(TextTableTest, SeparatorsQuotesAndLineEndsInsideValuesSurvive)
{
    const std::string path = dir_.file("odd.txt");
    const std::string value = "a,\"b\"\r\nc";
    {
        TTextTable text(path);
        text.FieldDefs().Add("V", ftString, 20);
        text.CreateTable();
        text.Open();
        text.Append();
        text.FieldByName("V").SetAsString(value);
        text.Post();
        text.Close();
    }
    TTextTable back(path);
    back.Open();
    ASSERT_EQ(back.RecordCount(), 1);
    EXPECT_EQ(back.FieldByName("V").AsString(), value);
}

TEST_F(TextTableTest, FailedWriteOnCloseIsReportedByTheMove)
{
    const std::string path = dir_.file("out.txt");
    {
        TTextTable text(path);
        Copy(text, batCopy);
    }
    const std::string before = qbtest::ReadFileBytes(path);
    BlockRewrite(path);
    TTextTable text(path);
    EXPECT_THROW(Copy(text, batAppend), EDatabaseError);
    EXPECT_EQ(qbtest::ReadFileBytes(path), before);  // the old file stays as it was
}

TEST_F(TextTableTest, TableDestroyedOpenWithUnwrittenRecordsDoesNotEndTheProgram)
{
    const std::string path = dir_.file("out.txt");
    {
        TTextTable text(path);
        Copy(text, batCopy);
    }
    const std::string before = qbtest::ReadFileBytes(path);
    BlockRewrite(path);
    {
        TTextTable text(path);
        text.Open();
        text.Append();
        text.FieldByName("ID").SetAsString("7");
        text.Post();
    }  // the rewrite fails here; a destructor has nobody to tell
    EXPECT_EQ(qbtest::ReadFileBytes(path), before);
}

TEST_F(TextTableTest, CopyOntoItselfThroughAnotherNameIsRefused)
{
    const std::string path = dir_.file("out.txt");
    {
        TTextTable text(path);
        Copy(text, batCopy);
    }
    const std::string before = qbtest::ReadFileBytes(path);
    std::filesystem::create_symlink(path, dir_.file("link.txt"));
    TTextTable source(path), onto(dir_.file("link.txt"));
    TBatchMove move;
    move.Source = &source;
    move.SetDestination(std::make_unique<TTextTableDestination>(onto));
    move.Mode = batCopy;
    EXPECT_THROW(move.Execute(), EDatabaseError);
    EXPECT_EQ(qbtest::ReadFileBytes(path), before);
}
