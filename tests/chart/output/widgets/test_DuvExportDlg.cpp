// The export dialog: its decisions as tables, then the window driven offscreen (data saves,
// mail, buttons, the options forms) with the save dialogs scripted.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>
#include <filesystem>

#include "chart/output/DuvBmpOptions.h"
#include "chart/output/DuvEmfOptions.h"
#include "chart/output/DuvExport.h"
#include "chart/output/widgets/DuvBmpOptionsForm.h"
#include "chart/output/widgets/DuvEmfOptionsForm.h"
#include "chart/output/widgets/DuvExportDlg.h"
#include "chart/series/SeriesBar.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"
#include "chart/output/support_DuvStoreTest.h"
#include "chart/output/support_ExportTest.h"
#include "chart/graphics/support_Svg.h"

using namespace exporttest;
using qbtest::TempDir;

// ---------------------------------------------------------------- decisions

TEST(ExportDecisions, KeepingTheAspectComputesTheOtherSide)
{
    struct Case {
        int changed;
        double aspect;
        bool heightChanged;
        int other;
    };
    const Case cases[] = {
        {800, 400.0 / 250, false, 500}, {500, 400.0 / 250, true, 800}, {0, 1.6, false, 0},
        {3, 2.0, false, 2},  // 1.5 rounds to even
        {5, 2.0, false, 2},   {7, 0.0, false, 7},  // no aspect: unchanged
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeptAspectSide(c.changed, c.aspect, c.heightChanged), c.other) << c.changed << " " << c.aspect;
}

TEST(ExportDecisions, DataFilterEntriesMatchTheDataSettings)
{
    struct Case {
        int format, delimiter;
        int index;
        const char* extension;
    };
    const Case cases[] = {
        {dfText, ddSpace, 1, "txt"}, {dfText, ddTab, 2, "txt"},    {dfText, ddComma, 3, "csv"},
        {dfText, ddColon, 4, "txt"}, {dfText, ddCustom, 5, "txt"}, {dfXML, ddTab, 6, "xml"},
        {dfHTML, ddTab, 7, "htm"},   {dfExcel, ddComma, 8, "xls"}, {dfJSON, ddSpace, 9, "json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(DataFilterIndex(c.format, c.delimiter), c.index);
        EXPECT_EQ(DataFileExtension(c.format, c.delimiter), c.extension);
        int format = -1, delimiter = ddTab;
        DataChoiceOfFilterIndex(c.index, format, delimiter);
        EXPECT_EQ(format, c.format);
        // Text entries set their delimiter (comma-delimited files were written with the old one);
        // the others keep it.
        EXPECT_EQ(delimiter, c.format == dfText ? c.delimiter : ddTab);
    }
    EXPECT_EQ(DataFileFilter(),
              "Space delimited text files (*.txt)|*.txt|Tab delimited text files (*.txt)|*.txt|Comma delimited text "
              "files (*.csv)|*.csv|Colon delimited text files (*.txt)|*.txt|Custom delimited text files "
              "(*.txt)|*.txt|XML files (*.xml)|*.xml|HTML files (*.htm)|*.htm|Microsoft Excel files "
              "(*.xls)|*.xls|JSON files (*.json)|*.json");
}

TEST(ExportDecisions, DelimitersAndNativeFiles)
{
    EXPECT_EQ(DelimiterChar(ddSpace, "x"), ' ');
    EXPECT_EQ(DelimiterChar(ddTab, "x"), '\t');
    EXPECT_EQ(DelimiterChar(ddComma, "x"), ',');
    EXPECT_EQ(DelimiterChar(ddColon, "x"), ';');
    EXPECT_EQ(DelimiterChar(ddCustom, "|x"), '|');
    EXPECT_EQ(DelimiterChar(ddCustom, ""), ' ');
    EXPECT_EQ(NativeFileFilter(nfBinary), "Plotwise files (*.duv)|*.duv");
    EXPECT_EQ(NativeFileFilter(nfText), "Plotwise files (*.txt)|*.txt");
    EXPECT_EQ(NativeFileFilter(nfXML), "Plotwise files (*.xml)|*.xml");
}

TEST(ExportDecisions, ButtonsWorkWhereTheTabHasSomethingToGive)
{
    struct Case {
        int tab;
        bool hasData;
        int native;
        bool mail;
        TExportButtons expected;
    };
    const Case cases[] = {
        {etPicture, false, nfBinary, true, {true, true, true, false, true}},
        {etPicture, false, nfBinary, false, {true, true, false, false, true}},
        {etNative, true, nfBinary, true, {false, true, true, false, false}},
        {etNative, true, nfText, true, {true, true, true, true, true}},
        {etNative, true, nfXML, false, {true, true, false, true, true}},
        {etData, true, nfText, true, {true, true, true, false, true}},
        {etData, false, nfText, true, {false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        const TExportButtons b = ExportButtonsEnabled(c.tab, c.hasData, c.native, c.mail);
        SCOPED_TRACE(std::to_string(c.tab) + " " + std::to_string(c.native));
        EXPECT_EQ(b.Copy, c.expected.Copy);
        EXPECT_EQ(b.Save, c.expected.Save);
        EXPECT_EQ(b.Send, c.expected.Send);
        EXPECT_EQ(b.View, c.expected.View);
        EXPECT_EQ(b.Preview, c.expected.Preview);
    }
}

// ---------------------------------------------------------------- the window

namespace {

class ExportDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        StartExportModules();
        FillBarChart(chart_);
        auto* bars = static_cast<TBarSeries*>(chart_.GetSeries(0));
        bars->SetTitle("Rain");
        scope_ = std::make_unique<TScopedUiServices>(ui_);
    }
    void Show()
    {
        form_.Panel = &chart_;
        form_.show();
    }
    qbtest::ScopedConfigDir config_;
    TChart chart_;
    TScriptedUiServices ui_;
    std::unique_ptr<TScopedUiServices> scope_;
    TDuvExportForm form_;
    TempDir dir_;
};

}  // namespace

TEST_F(ExportDialogTest, ShowingFillsTheFormatsSizesAndSeries)
{
    Show();
    EXPECT_EQ(form_.windowTitle(), "Export Dialog");
    ASSERT_EQ(form_.ListFormats->count(), 2);
    EXPECT_EQ(form_.ListFormats->item(0)->text(), "as Bitmap");
    EXPECT_EQ(form_.ListFormats->item(1)->text(), "as Metafile");
    EXPECT_EQ(form_.SelectedFormat()->ClassName(), "TBMPExportFormat");
    EXPECT_EQ(form_.EWidth->value(), 400);
    EXPECT_EQ(form_.EHeight->value(), 250);
    ASSERT_EQ(form_.CBSeries->count(), 2);
    EXPECT_EQ(form_.CBSeries->itemText(0), "(all)");
    EXPECT_EQ(form_.CBSeries->itemText(1), "Rain");
    EXPECT_EQ(form_.Delimiter(), ddTab);
    EXPECT_EQ(form_.DataFormat(), dfText);
    EXPECT_TRUE(form_.PictureTabs->isTabVisible(0)) << "the bitmap has options";
    EXPECT_EQ(form_.PictureTabs->currentWidget(), form_.PageOptions);
}

TEST_F(ExportDialogTest, WidthAndHeightKeepThePanelsAspect)
{
    Show();
    form_.EWidth->setValue(800);
    EXPECT_EQ(form_.EHeight->value(), 500);
    EXPECT_EQ(form_.SelectedFormat()->Width, 800);
    EXPECT_EQ(form_.SelectedFormat()->Height, 500);
    form_.EHeight->setValue(100);
    EXPECT_EQ(form_.EWidth->value(), 160);
    form_.CBAspect->setChecked(false);
    form_.EWidth->setValue(300);
    EXPECT_EQ(form_.EHeight->value(), 100);
}

TEST_F(ExportDialogTest, TheFileSizeLabelShowsTheSizeOfThePicture)
{
    Show();
    form_.PictureTabs->setCurrentWidget(form_.PageSize);
    EXPECT_EQ(form_.LSize->text(), "?");
    form_.CBFileSize->setChecked(true);
    // 400 x 250 in 24 bits: rows of 1200 bytes and the 54-byte header.
    EXPECT_EQ(form_.LSize->text(), "300054 bytes");
    form_.CBScale->setCurrentText("2");
    EXPECT_FLOAT_EQ(form_.SelectedFormat()->Scale, 2.0f);
    EXPECT_EQ(form_.LSize->text(), "300054 bytes");
}

// A data save writes the format and the delimiter of the chosen filter entry.
TEST_F(ExportDialogTest, DataSavesWriteTheChosenFormatAndDelimiter)
{
    Show();
    form_.Tabs->setCurrentIndex(etData);
    struct Case {
        int filterIndex;
        std::string start;  // the first bytes
        std::string holds;  // found in the file
    };
    const Case cases[] = {
        {1, "", "Mon 10"}, {2, "", "Mon\t10"}, {3, "", "Mon,10"}, {4, "", "Mon;10"}, {5, "", "Mon 10"},
        {6, "<?xml", "<series"}, {7, "<table", "<td>10</td>"}, {8, std::string("\x09\x08", 2), ""},
        {9, "{", "\"Rain\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filterIndex);
        const std::string file = dir_.file("data" + std::to_string(c.filterIndex));
        ui_.Push(TUiAnswer::SaveFile(file, c.filterIndex));
        form_.SaveClick();
        const std::string bytes = qbtest::ReadFileBytes(file);
        EXPECT_EQ(bytes.substr(0, c.start.size()), c.start);
        EXPECT_NE(bytes.find(c.holds), std::string::npos) << bytes.substr(0, 200);
        EXPECT_EQ(form_.DataFormat(), c.filterIndex > 5 ? c.filterIndex - 5 : dfText);
        // The next save proposes the entry just chosen.
        EXPECT_EQ(DataFilterIndex(form_.DataFormat(), form_.Delimiter()), c.filterIndex <= 5 ? c.filterIndex : c.filterIndex);
    }
    ASSERT_EQ(ui_.Log().size(), std::size(cases));
    EXPECT_EQ(ui_.Log()[0].Text, DataFileFilter());
}

TEST_F(ExportDialogTest, PictureSavesTakeTheFormatOfTheFilesExtension)
{
    Show();
    ui_.Push(TUiAnswer::SaveFile(dir_.file("chart.wmf"), 1));
    form_.SaveClick();
    ASSERT_EQ(ui_.Log().size(), 1u);
    EXPECT_EQ(ui_.Log()[0].Text, "Bitmaps (*.bmp)|*.bmp|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
    // A fresh metafile format answers "emf", so "wmf" falls back to the selected bitmap format.
    EXPECT_EQ(qbtest::ReadFileBytes(dir_.file("chart.wmf")).substr(0, 2), "BM");
    ui_.Push(TUiAnswer::SaveFile(dir_.file("chart.emf"), 1));
    form_.SaveClick();
    EXPECT_EQ(qbtest::ReadFileBytes(dir_.file("chart.emf")).substr(0, 4), std::string("\x01\0\0\0", 4));
}

// The metafile format has options, so the dialog saves it with them: the file holds the chart,
// as the outside reader of enhanced metafiles sees it.
TEST_F(ExportDialogTest, AMetafileSavedWithItsOptionsHoldsTheChart)
{
    Show();
    form_.ListFormats->setCurrentRow(1);
    ASSERT_EQ(form_.SelectedFormat()->ClassName(), "TEMFExportFormat");
    ASSERT_NE(form_.SelectedFormat()->Options(false), nullptr) << "the options page made the options";
    auto* enhanced = form_.findChild<QCheckBox*>("CBEnhanced");
    ASSERT_NE(enhanced, nullptr);
    EXPECT_TRUE(enhanced->isChecked());
    const std::string file = dir_.file("chart.emf");
    ui_.Push(TUiAnswer::SaveFile(file, 2));
    form_.SaveClick();
    ASSERT_GT(std::filesystem::file_size(file), 0u);

    const std::string svg = dir_.file("chart.svg");
    int rc = 0;
    const std::string out = storetest::RunCommand("emf2svg-conv -i '" + file + "' -o '" + svg + "'", rc);
    ASSERT_EQ(rc, 0) << out;
    std::vector<std::string> texts;
    std::size_t shapes = 0;
    for (const svgjudge::TSvgItem& item : svgjudge::ReadSvg(svg)) {
        if (!item.text.isEmpty()) texts.push_back(item.text.trimmed().toStdString());
        if (!item.points.empty()) ++shapes;
    }
    EXPECT_GT(shapes, 0u);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Mon"), texts.end()) << "the bottom axis' first label";
}

TEST_F(ExportDialogTest, NativeSavesReplaceTheExtensionByTheFormats)
{
    Show();
    form_.Tabs->setCurrentIndex(etNative);
    form_.RBXML->setChecked(true);
    EXPECT_TRUE(form_.BView->isEnabled());
    ui_.Push(TUiAnswer::SaveFile(dir_.file("chart.duv"), 1));
    form_.SaveClick();
    EXPECT_EQ(qbtest::ReadFileBytes(dir_.file("chart.xml")).substr(0, 5), "<?xml");
    form_.RBBinary->setChecked(true);
    EXPECT_FALSE(form_.BView->isEnabled());
    EXPECT_FALSE(form_.BCopy->isEnabled());
    EXPECT_TRUE(form_.LNativeSize->text().endsWith(" bytes"));
}

TEST_F(ExportDialogTest, SendMailsTheTemporaryFileThroughXdgEmail)
{
    FakeProgram mail("xdg-email", 0);
    ResetMailAvailability();
    Show();
    ASSERT_TRUE(form_.BSend->isEnabled());
    form_.BSend->click();
    const std::string file = ExportTempFolder() + "/Plotwise.bmp";
    EXPECT_EQ(mail.Arguments(), "--subject\nPlotwise\n--attach\n" + file + "\n");
    EXPECT_EQ(qbtest::ReadFileBytes(file).substr(0, 2), "BM");

    form_.Tabs->setCurrentIndex(etData);
    form_.CBDelimiter->setCurrentIndex(ddComma);
    form_.BSend->click();
    EXPECT_NE(mail.Arguments().find("Plotwise.csv"), std::string::npos);
    ResetMailAvailability();
}

TEST_F(ExportDialogTest, WithoutXdgEmailSendIsDisabled)
{
    {
        EmptyPath none;
        ResetMailAvailability();
        Show();
        EXPECT_FALSE(form_.BSend->isEnabled());
        form_.Tabs->setCurrentIndex(etData);
        EXPECT_FALSE(form_.BSend->isEnabled());
        EXPECT_TRUE(form_.BSave->isEnabled());
    }
    ResetMailAvailability();
}

TEST_F(ExportDialogTest, TheDataPreviewShowsTheExportExceptForSpreadsheets)
{
    Show();
    form_.Tabs->setCurrentIndex(etData);
    EXPECT_TRUE(form_.MemoPreview->isHidden());
    form_.CBPreview->setChecked(true);
    EXPECT_FALSE(form_.MemoPreview->isHidden());
    EXPECT_TRUE(form_.MemoPreview->toPlainText().contains("Mon\t10"));
    form_.CBDelimiter->setCurrentIndex(ddCustom);
    EXPECT_TRUE(form_.ECustom->isEnabled());
    form_.ECustom->setText("|");
    EXPECT_TRUE(form_.MemoPreview->toPlainText().contains("Mon|10"));
    form_.CBDataFormat->setCurrentIndex(dfExcel);
    EXPECT_TRUE(form_.MemoPreview->isHidden());
    form_.CBDataFormat->setCurrentIndex(dfJSON);
    EXPECT_TRUE(form_.DataTabs->isTabVisible(2));
    EXPECT_FALSE(form_.CBEncoding->isEnabled());
    form_.CBSeriesFormat->setChecked(true);
    EXPECT_FALSE(form_.CBValueFormat->isEnabled());
}

TEST_F(ExportDialogTest, ClosingKeepsTheDialogsSize)
{
    Show();
    form_.resize(520, 430);
    form_.close();
    TDuvExportForm again;
    EXPECT_EQ(again.size(), QSize(520, 430));
}

TEST_F(ExportDialogTest, EveryControlHasAnAccessibleName)
{
    Show();
    for (QWidget* w : form_.findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w) && !qobject_cast<QSpinBox*>(w) &&
            !qobject_cast<QLineEdit*>(w) && !qobject_cast<QListWidget*>(w))
            continue;
        if (qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget())) continue;
        if (qobject_cast<QSpinBox*>(w->parentWidget())) continue;
        if (w->objectName().startsWith("qt_")) continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString() << " "
                                                     << w->metaObject()->className();
    }
}

// ---------------------------------------------------------------- options forms

TEST_F(ExportDialogTest, BitmapOptionsResetTheDepthWhenShownAndPreviewTheBitmap)
{
    TBMPExportFormat format;
    format.Panel = &chart_;
    TBMPOptions options(&format);
    options.CBColors->setCurrentIndex(3);
    EXPECT_EQ(format.Options(false)->PixelFormat, 3);
    options.CBMono->setChecked(true);
    EXPECT_FALSE(options.CBColors->isEnabled());
    EXPECT_TRUE(format.Options(false)->Monochrome);
    options.show();
    EXPECT_EQ(options.CBColors->currentIndex(), 0);
    EXPECT_EQ(format.Options(false)->PixelFormat, 0);
    ASSERT_FALSE(options.Image1->pixmap().isNull());
    EXPECT_EQ(options.Image1->pixmap().size(), QSize(400, 250));
    EXPECT_FALSE(options.BFilters->isEnabled()) << "no filter editor installed";
    TBMPOptions empty(nullptr);
    empty.show();
    EXPECT_TRUE(empty.Image1->pixmap().isNull());
}

TEST_F(ExportDialogTest, MetafileOptionsSwitchTheKind)
{
    TEMFExportFormat format;
    format.Panel = &chart_;
    format.Options(true);
    TEMFOptions options(&format);
    EXPECT_TRUE(options.CBEnhanced->isChecked());
    options.show();
    EXPECT_FALSE(options.Image1->pixmap().isNull());
    options.CBEnhanced->setChecked(false);
    EXPECT_FALSE(format.Enhanced());
    EXPECT_EQ(format.FileExtension(), "wmf");
}
