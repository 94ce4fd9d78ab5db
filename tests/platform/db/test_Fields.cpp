// Field values through a real table: text in the locale format, typed access, null, clear,
// and the conversions a field refuses.
#include <gtest/gtest.h>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"

namespace {

class FieldsTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetProgramCodePage(1250);
        TFormatSettings czech = TFormatSettings::Invariant();
        czech.DecimalSeparator = ',';
        czech.DateSeparator = '.';
        czech.ShortDateFormat = "d.M.yyyy";
        locale_ = std::make_unique<ScopedFormatSettings>(czech);
        const std::string path = dir_.file("f.dbf");
        TDbfFile::Create(path, {{"NAME", 'C', 5, 0}, {"PRICE", 'N', 8, 2}, {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0},
                                {"NOTE", 'M', 10, 0}},
                         4, 1250);
        table_.SetTableName(path);
        table_.Open();
        table_.Append();
    }
    void TearDown() override
    {
        table_.Close();
        SetProgramCodePage(0);
    }
    TField& F(const char* name) { return table_.FieldByName(name); }

    qbtest::TempDir dir_;
    std::unique_ptr<ScopedFormatSettings> locale_;
    TTable table_;
};

}  // namespace

TEST_F(FieldsTest, DefinitionsFollowTheFile)
{
    const struct {
        const char* name;
        TFieldType type;
        int size;
        int precision;
    } cases[] = {{"NAME", ftString, 5, 0}, {"PRICE", ftFloat, 2, 8}, {"BORN", ftDate, 0, 0}, {"OK", ftBoolean, 0, 0}, {"NOTE", ftMemo, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(F(c.name).DataType(), c.type);
        EXPECT_EQ(F(c.name).Size(), c.size);
        EXPECT_EQ(F(c.name).Precision(), c.precision);
    }
    EXPECT_EQ(F("price").FieldNo(), 2);
    EXPECT_THROW(table_.FieldByName("MISSING"), EDatabaseError);
    EXPECT_EQ(table_.FindField("missing"), nullptr);
}

TEST_F(FieldsTest, TextValuesUseTheLocaleAndRoundTrip)
{
    const struct {
        const char* field;
        const char* text;
        const char* shown;
    } cases[] = {
        {"NAME", "Kůň", "Kůň"},      {"NAME", "Žluťoučký", "Žluťo"},  // cut to the field's 5 characters
        {"NAME", "ab  ", "ab"},      {"PRICE", "1,5", "1,5"},
        {"PRICE", "-1234,56", "-1234,56"}, {"BORN", "5.3.2024", "5.3.2024"},
        {"OK", "True", "True"},      {"OK", "f", "False"},
        {"NOTE", "dlouhý\r\ntext", "dlouhý\r\ntext"},
        {"PRICE", "", ""},           {"NOTE", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text);
        F(c.field).SetAsString(c.text);
        EXPECT_EQ(F(c.field).AsString(), c.shown);
        EXPECT_EQ(F(c.field).IsNull(), *c.shown == '\0');
    }
    table_.Post();  // and read back from the file
    EXPECT_EQ(F("PRICE").AsString(), "");
    EXPECT_EQ(F("BORN").AsString(), "5.3.2024");
    EXPECT_EQ(F("NAME").AsString(), "ab");
    EXPECT_EQ(F("NOTE").DisplayText(), "(memo)");
}

TEST_F(FieldsTest, TypedAccessAndNull)
{
    EXPECT_TRUE(F("PRICE").IsNull());
    EXPECT_EQ(F("PRICE").AsInteger(), 0);
    EXPECT_EQ(F("OK").AsBoolean(), false);
    EXPECT_EQ(F("NAME").AsString(), "");
    F("PRICE").SetAsFloat(2.5);
    EXPECT_EQ(F("PRICE").AsInteger(), 2);  // halves to even
    F("PRICE").SetAsInteger(7);
    EXPECT_DOUBLE_EQ(F("PRICE").AsFloat(), 7.0);
    F("BORN").SetAsDateTime(EncodeDate(2024, 3, 5) + 0.75);
    EXPECT_DOUBLE_EQ(F("BORN").AsDateTime(), EncodeDate(2024, 3, 5));  // dates keep whole days
    EXPECT_DOUBLE_EQ(F("BORN").AsFloat(), EncodeDate(2024, 3, 5));
    F("OK").SetAsBoolean(true);
    F("NAME").SetAsInteger(42);
    EXPECT_EQ(F("NAME").AsInteger(), 42);
    F("NAME").SetAsString("y");
    EXPECT_TRUE(F("NAME").AsBoolean());
    F("NOTE").SetAsString("memo");
    EXPECT_EQ(F("NOTE").DisplayText(), "(MEMO)");
    table_.Post();
    F("PRICE").DataSet()->Edit();
    F("PRICE").Clear();
    EXPECT_TRUE(F("PRICE").IsNull());
    table_.Post();
    table_.Refresh();
    EXPECT_TRUE(F("PRICE").IsNull());
    EXPECT_TRUE(F("OK").AsBoolean());
}

TEST_F(FieldsTest, RefusedValuesRaiseAndLeaveTheFieldUnchanged)
{
    F("PRICE").SetAsFloat(1);
    F("OK").SetAsBoolean(true);
    const struct {
        const char* what;
        std::function<void()> action;
    } cases[] = {
        {"letters into a number", [&] { F("PRICE").SetAsString("abc"); }},
        {"a number too wide for N(8,2)", [&] { F("PRICE").SetAsFloat(1234567.0); }},
        {"a bad date", [&] { F("BORN").SetAsString("31.2.2024"); }},
        {"a bad logical", [&] { F("OK").SetAsString("maybe"); }},
        {"a date as a number", [&] { F("PRICE").SetAsDateTime(45000); }},
        {"a logical as integer", [&] { F("OK").SetAsInteger(1); }},
        {"a logical read as float", [&] { (void)F("OK").AsFloat(); }},
        {"a date read as integer", [&] { F("BORN").SetAsDateTime(45000), (void)F("BORN").AsInteger(); }},
        {"a text read as a number", [&] { F("NAME").SetAsString("x"), (void)F("NAME").AsFloat(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(c.action(), Exception);
    }
    EXPECT_DOUBLE_EQ(F("PRICE").AsFloat(), 1.0);
    EXPECT_TRUE(F("OK").AsBoolean());
}

// A date the field can't read tells the user how to write one in this locale.
TEST_F(FieldsTest, ABadDateNamesTheExpectedFormat)
{
    try {
        F("BORN").SetAsString("12/31/2024");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "'12/31/2024' is not a valid date for field 'BORN'; write it as day.month.year, for example 31.12.2024");
    }
    EXPECT_TRUE(F("BORN").IsNull());
}

TEST_F(FieldsTest, FieldNamesWhileClosed)
{
    table_.Cancel();
    table_.Close();
    TStringList names;
    table_.GetFieldNames(names);
    EXPECT_EQ(names.CommaText(), "NAME,PRICE,BORN,OK,NOTE");
    table_.Open();
}
