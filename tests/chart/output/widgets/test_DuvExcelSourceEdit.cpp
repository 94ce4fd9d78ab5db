#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include "chart/output/DuvExcelSource.h"
#include "chart/output/widgets/DuvExcelSourceEdit.h"
#include "chart/output/support_DBChartTest.h"
#include "chart/output/support_SmoothCanvas.h"
#include "platform/ui/ScriptedUiServices.h"

using namespace outputtest;

namespace {

class ExcelSourceFormTest : public testing::Test {
protected:
    ExcelSourceFormTest()
    {
        StartOutputModules();
        QProcess python;
        python.start("/usr/bin/python3", {"-c", R"(
import sys, openpyxl
book = openpyxl.Workbook()
book.active.title = 'First'
sheet = book.create_sheet('Values')
for r in range(1, 6):
    sheet.cell(row=r, column=1, value=r * 10)
    sheet.cell(row=r, column=2, value='L%d' % r)
book.save(sys.argv[1])
)",
                                          QString::fromStdString(path_)});
        python.waitForFinished(60000);
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
        series_.SetParentChart(&chart_);
    }

    qbtest::TempDir dir_;
    std::string path_ = dir_.file("book.xlsx");
    TDBChart chart_;
    TDBTestSeries series_;
    TScriptedUiServices ui_;
    TScopedUiServices scoped_{ui_};
};

}  // namespace

TEST_F(ExcelSourceFormTest, EveryControlIsNamedAndCaptioned)
{
    TExcelSourceForm form(&series_);
    const std::vector<std::pair<QWidget*, QString>> controls = {
        {form.LabelFile, "&Excel file:"},     {form.BBrowse, "&Browse..."},  {form.LabelSheet, "&Worksheet:"},
        {form.LabelFrom, "&From:"},           {form.LabelTo, "&To:"},        {form.LabelLabelsFrom, "F&rom:"},
        {form.LabelLabelsTo, "T&o:"},         {form.BApply, "&Apply"},
    };
    for (const auto& [control, caption] : controls) {
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(control)) shown = label->text();
        if (auto* button = qobject_cast<QPushButton*>(control)) shown = button->text();
        EXPECT_EQ(shown, caption);
    }
    EXPECT_EQ(form.GroupValues->title(), "&Values Range:");
    EXPECT_EQ(form.GroupLabels->title(), "&Labels Range:");
    for (QWidget* child : form.findChildren<QWidget*>()) {
        EXPECT_FALSE(child->objectName().isEmpty());
        EXPECT_FALSE(child->accessibleName().isEmpty()) << child->objectName().toStdString();
    }
    EXPECT_FALSE(form.CBSheet->isEnabled());
    EXPECT_FALSE(form.EditFrom->isEnabled());
    EXPECT_TRUE(form.BApply->isEnabled());
}

TEST_F(ExcelSourceFormTest, ApplyChecksThenLoads)
{
    struct Case {
        const char* File;
        bool Sheet;
        const char* From;
        const char* To;
        const char* Message;
    } const cases[] = {
        {"", false, "A1", "A5", "Excel file empty"},
        {"x.xlsx", false, "A1", "A5", "Excel WorkSheet must be specified"},
        {"x.xlsx", true, "", "A5", "Range must be specified. (ie: From A1 to A10)"},
        {"x.xlsx", true, "A1", "", "Range must be specified. (ie: From A1 to A10)"},
    };
    for (const Case& c : cases) {
        try {
            CheckExcelSourceInput(c.File, c.Sheet ? "Values" : "", c.From, c.To);
            ADD_FAILURE() << c.Message;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
    }

    TExcelSourceForm form(&series_);
    ui_.Push(TUiAnswer::OpenFile(path_));
    form.BrowseClick();
    ASSERT_EQ(ui_.Log().back().Text, kExcelFileFilter);
    ASSERT_TRUE(form.CBSheet->isEnabled());
    EXPECT_EQ(form.CBSheet->count(), 2);
    form.CBSheet->setCurrentIndex(1);
    form.EditFrom->setText("A1");
    form.EditTo->setText("A5");
    form.EditLabelsFrom->setText("B1");
    form.EditLabelsTo->setText("B5");
    form.ApplyClick();
    EXPECT_EQ(series_.DataSource(), form.Source());
    ASSERT_EQ(series_.PointCount(), 5);
    EXPECT_EQ(series_.GetYValue(4), 50);
    std::string label;
    series_.GetStoredLabel(4, label);
    EXPECT_EQ(label, "L5");
    EXPECT_FALSE(form.BApply->isEnabled());
}
