#include <gtest/gtest.h>

#include <functional>

#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"
#include "support/TestSupport.h"

namespace {

TStringList ListOf(std::initializer_list<const char*> texts)
{
    TStringList list;
    for (const char* text : texts) list.Add(text);
    return list;
}

std::vector<std::string> Items(const TStringList& list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
    return items;
}

// Counts its own destructions, to show which list frees what.
struct Tracked : TObject {
    explicit Tracked(int* counter) : counter(counter) {}
    ~Tracked() override { ++*counter; }
    int* counter;
};

}  // namespace

// ---- Text helpers -------------------------------------------------------------------------

TEST(TextHelpers, CaseInsensitiveComparisonCoversCzechLetters)
{
    struct Case {
        std::string a, b;
        int sign;
    } cases[] = {
        {"abc", "ABC", 0},
        {"č", "Č", 0},
        {"Příliš žluťoučký kůň", "PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ", 0},
        {"a", "b", -1},
        {"B", "a", 1},
        {"ab", "a", 1},
        {"", "", 0},
        {"", "x", -1},
        {"\xff", "\xfe", 1},  // broken UTF-8 bytes stay distinct instead of all meaning U+FFFD
        {"x\xc3", "X\xc3", 0},
    };
    for (const Case& c : cases) {
        const int result = CompareText(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ(SameText(c.a, c.b), c.sign == 0) << c.a << " / " << c.b;
    }
}

TEST(TextHelpers, UpperAndLowerCaseMapNonAsciiLetters)
{
    EXPECT_EQ(UpperCase("Příliš žluťoučký kůň"), "PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ");
    EXPECT_EQ(LowerCase("ČEŠTINA Ärger"), "čeština ärger");
    EXPECT_EQ(UpperCase("a\xff" "b"), "A\xff" "B");  // a broken byte passes through unchanged
    EXPECT_EQ(LowerCase(""), "");
}

TEST(TextHelpers, TrimRemovesBlanksAndControlCharacters)
{
    struct Case {
        std::string in, out;
    } cases[] = {
        {"  a b  ", "a b"},
        {"\t\r\n x\x01\x1f", "x"},
        {std::string("\0a\0", 3), "a"},
        {"   ", ""},
        {"", ""},
        {" č ", "č"},
    };
    for (const Case& c : cases) EXPECT_EQ(Trim(c.in), c.out);
}

// ---- Items --------------------------------------------------------------------------------

TEST(StringList, IndexOutOfBoundsRaisesTheLibraryText)
{
    TStringList list = ListOf({"a"});
    struct Case {
        std::function<void()> action;
        std::string message;
    } cases[] = {
        {[&] { list.Strings(1); }, "List index out of bounds (1)"},
        {[&] { list.Strings(-1); }, "List index out of bounds (-1)"},
        {[&] { list.Delete(5); }, "List index out of bounds (5)"},
        {[&] { list.Objects(2); }, "List index out of bounds (2)"},
        {[&] { list.Insert(3, "x"); }, "List index out of bounds (3)"},
        {[&] { list.Exchange(0, 1); }, "List index out of bounds (1)"},
    };
    for (const Case& c : cases) {
        try {
            c.action();
            ADD_FAILURE() << "no exception for " << c.message;
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    EXPECT_EQ(Items(list), std::vector<std::string>{"a"});
}

TEST(StringList, InsertMoveExchangeKeepObjectsWithTheirTexts)
{
    TObject one, two, three;
    TStringList list;
    list.AddObject("one", &one);
    list.AddObject("three", &three);
    list.InsertObject(1, "two", &two);
    list.Move(0, 2);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"two", "three", "one"}));
    EXPECT_EQ(list.Objects(2), &one);
    list.Exchange(0, 1);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"three", "two", "one"}));
    EXPECT_EQ(list.Objects(0), &three);
    EXPECT_EQ(list.IndexOfObject(&two), 1);
    EXPECT_EQ(list.IndexOf("TWO"), 1);
    list.CaseSensitive = true;
    EXPECT_EQ(list.IndexOf("TWO"), -1);
}

TEST(StringList, OwnedObjectsAreFreedOnceAndCopiesNeverOwn)
{
    int freed = 0;
    {
        TStringList owner;
        owner.OwnsObjects = true;
        owner.AddObject("a", new Tracked(&freed));
        owner.AddObject("b", new Tracked(&freed));
        owner.AddObject("c", new Tracked(&freed));
        {
            TStringList copy(owner);
            EXPECT_FALSE(copy.OwnsObjects);
            EXPECT_EQ(copy.Objects(1), owner.Objects(1));
        }
        EXPECT_EQ(freed, 0);
        owner.Delete(0);
        EXPECT_EQ(freed, 1);
        TStringList moved(std::move(owner));
        EXPECT_EQ(moved.Count(), 2);
        EXPECT_EQ(freed, 1);
    }
    EXPECT_EQ(freed, 3);
}

// ---- Name=Value ---------------------------------------------------------------------------

TEST(StringList, NameValueLookupIgnoresCase)
{
    TStringList list = ListOf({"Path=C:/data", "no separator", "=empty name", "Mode=a=b", "path=second"});
    struct Case {
        std::string name, value;
        int index;
    } cases[] = {
        {"PATH", "C:/data", 0},    // the first of repeated names
        {"mode", "a=b", 3},        // split at the first '='
        {"", "empty name", 2},
        {"no separator", "", -1},  // a line without '=' has no name
        {"missing", "", -1},
        {"ČÍSLO", "", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(list.Values(c.name), c.value) << c.name;
        EXPECT_EQ(list.IndexOfName(c.name), c.index) << c.name;
    }
    EXPECT_EQ(list.Names(1), "");
    EXPECT_EQ(list.ValueFromIndex(1), "");
    EXPECT_EQ(list.Names(3), "Mode");
}

TEST(StringList, SetValueReplacesAddsAndDeletes)
{
    TStringList list = ListOf({"a=1", "Číslo=2"});
    list.SetValue("A", "10");
    list.SetValue("čÍSLO", "");
    list.SetValue("new", "3");
    EXPECT_EQ(Items(list), (std::vector<std::string>{"A=10", "new=3"}));
}

// ---- Texts --------------------------------------------------------------------------------

TEST(StringList, TextJoinsWithCrLfAndSplitsAtAnyLineBreak)
{
    struct Case {
        std::string text;
        std::vector<std::string> items;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc\r\n", {"a", "b", "c"}},
        {"\r\n", {""}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {std::string("x\0y\nz", 5), {std::string("x\0y", 3), "z"}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetText(c.text);
        EXPECT_EQ(Items(list), c.items);
    }
    EXPECT_EQ(ListOf({"a", "", "b"}).Text(), "a\r\n\r\nb\r\n");
    EXPECT_EQ(TStringList().Text(), "");
}

TEST(StringList, DelimitedTextReading)
{
    struct Case {
        std::string text;
        bool strict;
        std::vector<std::string> items;
    } cases[] = {
        {"Append;Update;\"Append and Update\";Copy;Delete", true,
         {"Append", "Update", "Append and Update", "Copy", "Delete"}},
        {"a b;c", true, {"a b", "c"}},
        {"a b;c", false, {"a", "b", "c"}},
        {"a;;b", true, {"a", "", "b"}},
        {"a;", true, {"a", ""}},
        {"", true, {}},
        {"\"\"", true, {""}},
        {"\"say \"\"hi\"\"\";x", true, {"say \"hi\"", "x"}},
        {"\"a;b\";c", false, {"a;b", "c"}},
        {"\"unterminated;x", true, {"unterminated;x"}},
        {"  a ;\t b  ", false, {"a", "b"}},
        {" a ; b ", true, {" a ", " b "}},
        {"a\x01" "b", false, {"a", "b"}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.Delimiter = ';';
        list.StrictDelimiter = c.strict;
        list.SetDelimitedText(c.text);
        EXPECT_EQ(Items(list), c.items) << c.text;
    }
}

TEST(StringList, DelimitedTextWritingQuotesWhatWouldSplitAndReadsBack)
{
    struct Case {
        std::vector<std::string> items;
        std::string text;
    } cases[] = {
        {{"Append", "Update", "Append and Update", "Copy", "Delete"},
         "Append;Update;\"Append and Update\";Copy;Delete"},
        {{"a;b", "c"}, "\"a;b\";c"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{""}, "\"\""},
        {{"a", "", "b"}, "a;;b"},
        {{"tab\there"}, "\"tab\there\""},
        {{"žluťoučký"}, "žluťoučký"},
    };
    for (const bool strict : {true, false}) {
        for (const Case& c : cases) {
            TStringList list;
            list.Delimiter = ';';
            list.StrictDelimiter = strict;
            for (const std::string& item : c.items) list.Add(item);
            EXPECT_EQ(list.DelimitedText(), c.text);
            TStringList back;
            back.Delimiter = ';';
            back.StrictDelimiter = strict;
            back.SetDelimitedText(list.DelimitedText());
            EXPECT_EQ(Items(back), c.items) << c.text;
        }
    }
}

TEST(StringList, CommaTextUsesCommaAndQuoteAndKeepsTheListSettings)
{
    TStringList list;
    list.Delimiter = ';';
    list.StrictDelimiter = true;
    list.SetCommaText("one, \"two, three\" four");
    EXPECT_EQ(Items(list), (std::vector<std::string>{"one", "two, three", "four"}));
    EXPECT_EQ(list.CommaText(), "one,\"two, three\",four");
    EXPECT_EQ(list.Delimiter, ';');
    EXPECT_TRUE(list.StrictDelimiter);
}

// ---- Sorting ------------------------------------------------------------------------------

TEST(StringList, SortedListsKeepOrderAndApplyTheDuplicatesRule)
{
    using D = TStringList::TDuplicates;
    struct Case {
        D duplicates;
        std::vector<std::string> items;
        bool raises;
    } cases[] = {
        // case-folded code point order: letters beyond ASCII after the ASCII ones
        {D::dupIgnore, {"a", "B", "d", "č"}, false},
        {D::dupAccept, {"a", "b", "B", "d", "č"}, false},
        {D::dupError, {}, true},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.Duplicates = c.duplicates;
        list.SetSorted(true);
        try {
            for (const char* text : {"d", "B", "a", "č", "b"}) list.Add(text);
            EXPECT_FALSE(c.raises);
            EXPECT_EQ(Items(list), c.items);
        } catch (const EStringListError& e) {
            EXPECT_TRUE(c.raises);
            EXPECT_EQ(e.Message(), "String list does not allow duplicates");
            EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "B", "d", "č"}));
        }
    }
}

TEST(StringList, SortedListsRefusePositionalChanges)
{
    TStringList list = ListOf({"c", "a", "b"});
    list.SetSorted(true);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(list.IndexOf("C"), 2);
    EXPECT_THROW(list.Insert(0, "z"), EStringListError);
    EXPECT_THROW(list.PutString(0, "z"), EStringListError);
    EXPECT_THROW(list.Move(0, 2), EStringListError);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "b", "c"}));
}

// ---- Files --------------------------------------------------------------------------------

TEST(StringList, FileRoundTripInTheProgramCodePage)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("czech.txt");
    TStringList list = ListOf({"Příliš žluťoučký kůň", "úpěl ďábelské ódy", ""});
    list.SaveToFile(path);
    EXPECT_EQ(qbtest::ReadFileBytes(path), ConvertCodePage(list.Text(), 65001, ProgramCodePage()));
    EXPECT_EQ(qbtest::ReadFileBytes(path).substr(0, 6), "P\xf8\xedli\x9a");  // Windows-1250 bytes

    TStringList back;
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Equals(list));
}

TEST(StringList, SavingReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("list.txt");
    qbtest::WriteFileBytes(path, std::string(100000, 'x'));
    ListOf({"short"}).SaveToFile(path, 65001);
    EXPECT_EQ(qbtest::ReadFileBytes(path), "short\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(StringList, FileErrorsRaiseClearMessages)
{
    qbtest::TempDir dir;
    TStringList list = ListOf({"a"});
    try {
        list.LoadFromFile(dir.file("missing.txt"));
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_NE(e.Message().find("Cannot open file \"" + dir.file("missing.txt") + "\""), std::string::npos);
    }
    EXPECT_EQ(Items(list), std::vector<std::string>{"a"});  // a failed load keeps the content
    try {
        list.SaveToFile(dir.file("no/such/folder.txt"));
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_NE(e.Message().find("Cannot create file"), std::string::npos);
    }
}
