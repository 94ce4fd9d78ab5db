// The field chooser and "Save as text" on a real table: the exact bytes of the file (header,
// running numbers, locale texts, ANSI code page, CR LF), values that could break a line, the
// chooser's field filter and OK rule, and a cancelled chooser writing nothing.
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/FSelectField.h"
#include "platform/core/CodePage.h"
#include "platform/core/NumText.h"
#include "support_Dialogs.h"
#include "support/FileLimits.h"
#include "support_TableTools.h"

using tabletest::TableToolTest;

namespace {

TFormatSettings CzechNumbers()
{
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.DecimalSeparator = ',';
    settings.DateSeparator = '.';
    settings.ShortDateFormat = "d/M/yyyy";
    return settings;
}

TStringList Names(std::initializer_list<const char*> names)
{
    TStringList list;
    for (const char* name : names) list.Add(name);
    return list;
}

std::vector<std::string> ListItems(const QListWidget& list)
{
    std::vector<std::string> items;
    for (int row = 0; row < list.count(); ++row) items.push_back(list.item(row)->text().toStdString());
    return items;
}

class TextExportTest : public TableToolTest {
protected:
    TextExportTest() { SetFormatSettings(CzechNumbers()); }
    ~TextExportTest() override { SetFormatSettings(TFormatSettings::Invariant()); }
    std::string Exported() const { return qbtest::ReadFileBytes(exportPath_); }

    std::string exportPath_ = dir_.file("export.txt");
};

TEST_F(TextExportTest, WritesChosenFieldsInFieldOrderAsAnsiLinesWithCrLf)
{
    MakeTable(tabletest::SurveyFields(), {{"7", "Žluť", "2,5", "1.3.2024", "A1"},
                                          {},
                                          {"12", "Olše", "-0,75", "", ""}});
    // Ticked in another order than the dataset's: the file keeps the dataset's order.
    WriteTextExport(exportPath_, table_, Names({"SEEN", "ID", "NAME", "SIZE"}));

    const std::string expected = std::string("line\tID\tNAME\tSIZE\tSEEN\r\n") +
                                 "1\t7\t" + Utf8ToAnsi("Žluť") + "\t2,5\t1.3.2024\r\n" +
                                 "2\t\t\t\t\r\n" +
                                 "3\t12\t" + Utf8ToAnsi("Olše") + "\t-0,75\t\r\n";
    EXPECT_EQ(Exported(), expected);
    EXPECT_TRUE(table_.Eof());
}

TEST_F(TextExportTest, EmptyDatasetGivesTheHeaderLineOnly)
{
    MakeTable(tabletest::SurveyFields(), {});
    WriteTextExport(exportPath_, table_, Names({"CODE", "ID"}));
    EXPECT_EQ(Exported(), "line\tID\tCODE\r\n");
}

TEST_F(TextExportTest, ValuesHoldingTabOrLineEndsStayOnTheirLine)
{
    struct Case {
        const char* stored;
        const char* written;
    };
    const Case cases[] = {
        {"a\tb", "a b"}, {"x\r\ny", "x  y"}, {"\ttab", " tab"}, {"cr\rz", "cr z"}, {"lf\nz", "lf z"},
    };
    std::vector<tabletest::Row> rows;
    for (const Case& c : cases) rows.push_back({"1", c.stored});
    MakeTable(tabletest::SurveyFields(), rows);
    WriteTextExport(exportPath_, table_, Names({"NAME", "ID"}));

    std::string expected = "line\tID\tNAME\r\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        expected += std::to_string(i + 1) + "\t1\t" + cases[i].written + "\r\n";
    EXPECT_EQ(Exported(), expected);
}

TEST_F(TextExportTest, ReplacesAnExistingFileAndLeavesItWhenTheFolderIsMissing)
{
    MakeTable(tabletest::SurveyFields(), {{"1", "Buk"}});
    qbtest::WriteFileBytes(exportPath_, "old contents that are longer than the new file\r\n");
    WriteTextExport(exportPath_, table_, Names({"ID"}));
    EXPECT_EQ(Exported(), "line\tID\r\n1\t1\r\n");

    const std::string missing = dir_.file("no/such/folder/export.txt");
    EXPECT_THROW(WriteTextExport(missing, table_, Names({"ID"})), Exception);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// A full disk or a size limit stops the export with the file and the cause; the old file stays
// and no temporary file is left.
TEST_F(TextExportTest, FailedWriteNamesTheFileAndTheCauseAndKeepsTheOldFile)
{
    std::vector<tabletest::Row> rows(200, tabletest::Row{"1", "Buk"});
    MakeTable(tabletest::SurveyFields(), rows);
    qbtest::WriteFileBytes(exportPath_, "old export\r\n");
    std::string message;
    {
        qbtest::FileSizeLimit limit(512);
        try {
            WriteTextExport(exportPath_, table_, Names({"ID", "NAME"}));
        } catch (const Exception& e) {
            message = e.Message();
        }
    }
    EXPECT_EQ(message, "Cannot write file \"" + exportPath_ + "\". File too large");
    EXPECT_EQ(Exported(), "old export\r\n");
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_EQ(entry.path().filename().string().find("export.txt."), std::string::npos) << entry.path();
}

class FieldChooserTest : public TableToolTest {
protected:
    FieldChooserTest()
    {
        MakeTable({{"ID", 'N', 6, 0}, {"NOTE", 'M', 10, 0}, {"NAME", 'C', 10, 0}, {"OK", 'L', 1, 0},
                   {"SIZE", 'N', 8, 2}, {"SEEN", 'D', 8, 0}},
                  {});
    }
    TFormSelectField form_;
};

TEST_F(FieldChooserTest, PrepareOffersTheFieldsOfTheGivenTypes)
{
    struct Case {
        TFieldTypes types;
        std::vector<std::string> offered;
    };
    const Case cases[] = {
        {TextExportFieldTypes(), {"ID", "NAME", "OK", "SIZE", "SEEN"}},
        {{ftUnknown}, {"ID", "NOTE", "NAME", "OK", "SIZE", "SEEN"}},
        {{ftString}, {"NAME"}},
        {{ftMemo, ftDate}, {"NOTE", "SEEN"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        form_.Prepare("Pick", table_, c.types);
        EXPECT_EQ(ListItems(*form_.ListBox), c.offered);
        EXPECT_FALSE(form_.BtnOK->isEnabled());
        EXPECT_EQ(form_.windowTitle().toStdString(), "Pick");
    }
}

TEST_F(FieldChooserTest, OkNeedsASelectionInBothModes)
{
    form_.Prepare("Pick", table_, {ftUnknown});
    form_.SetMultiSelect(true);
    EXPECT_FALSE(form_.BtnOK->isEnabled());
    form_.ListBox->item(2)->setSelected(true);
    EXPECT_TRUE(form_.BtnOK->isEnabled());
    form_.BtnClear->click();
    EXPECT_FALSE(form_.BtnOK->isEnabled());
    EXPECT_TRUE(form_.ListBox->selectedItems().isEmpty());
    form_.BtnSelAll->click();
    EXPECT_TRUE(form_.BtnOK->isEnabled());
    EXPECT_EQ(form_.ListBox->selectedItems().size(), 6);

    form_.Prepare("Pick", table_, {ftUnknown});
    form_.SetMultiSelect(false);
    EXPECT_FALSE(form_.BtnOK->isEnabled());
    form_.ListBox->setCurrentRow(1);
    EXPECT_TRUE(form_.BtnOK->isEnabled());
}

TEST_F(FieldChooserTest, SelectFieldsAnswersTheTickedNamesInListOrder)
{
    qbtest::WhenDialogShows<TFormSelectField>([](TFormSelectField& form) {
        EXPECT_TRUE(form.BtnSelAll->isVisible());
        EXPECT_TRUE(form.BtnClear->isVisible());
        EXPECT_EQ(form.windowTitle().toStdString(), "Fields to export");
        form.ListBox->item(3)->setSelected(true);
        form.ListBox->item(0)->setSelected(true);
        form.BtnOK->click();
    });
    const auto chosen = form_.SelectFields("Fields to export", table_, TextExportFieldTypes());
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->Text(), "ID\r\nSIZE\r\n");

    qbtest::WhenDialogShows<TFormSelectField>([](TFormSelectField& form) {
        form.BtnSelAll->click();
        form.BtnCancel->click();
    });
    EXPECT_EQ(form_.SelectFields("Fields to export", table_, TextExportFieldTypes()), nullptr);
}

TEST_F(TextExportTest, ExportToTextFileWritesTheChosenFieldsAndACancelWritesNothing)
{
    MakeTable(tabletest::SurveyFields(), {{"3", "Lípa", "1", "", "K"}, {"4", "Dub", "", "", ""}});
    qbtest::WhenDialogShows<TFormSelectField>([](TFormSelectField& form) {
        form.ListBox->item(4)->setSelected(true);
        form.ListBox->item(1)->setSelected(true);
        form.BtnOK->click();
    });
    EXPECT_TRUE(ExportToTextFile(exportPath_, table_, "Fields to export"));
    EXPECT_EQ(Exported(), "line\tNAME\tCODE\r\n1\t" + Utf8ToAnsi("Lípa") + "\tK\r\n2\tDub\t\r\n");

    const std::string other = dir_.file("cancelled.txt");
    qbtest::WhenDialogShows<TFormSelectField>([](TFormSelectField& form) { form.BtnCancel->click(); });
    EXPECT_FALSE(ExportToTextFile(other, table_, "Fields to export"));
    EXPECT_FALSE(std::filesystem::exists(other));
}

}  // namespace
