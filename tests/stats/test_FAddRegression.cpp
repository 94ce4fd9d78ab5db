// The add-regression window driven offscreen through the UI-services double, numpy judging the
// fitted coefficients.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <cmath>

#include "chart/series/Series.h"
#include "chart/series/support_SeriesTest.h"
#include "platform/core/NumText.h"
#include "platform/ui/ScriptedUiServices.h"
#include "platform/ui/UpDown.h"
#include "stats/FAddRegression.h"
#include "support/TestSupport.h"
#include "support_StatsJudges.h"

namespace {

class AddRegression : public testing::Test {
protected:
    void SetUp() override
    {
        seriestest::StartSeriesModules();
        form = new TFormAddRegression;
        form->SetChart(chart.get());
        form->SetSeriesTitle("Weight");
    }
    void TearDown() override { delete form.data(); }

    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    qbtest::TempDir dir;
    TComponentPtr<seriestest::TTestChart> chart = MakeComponent<seriestest::TTestChart>();
    QPointer<TFormAddRegression> form;

    std::vector<std::pair<double, double>> points;
    void Fill(int count)
    {
        const std::vector<double> noise = statstest::SampleValues(count, 11, -0.5, 0.5);
        for (int i = 1; i <= count; ++i) {
            const double x = i, y = 0.3 * x * x - 2 * x + 1 + noise[i - 1];
            points.push_back({x, y});
            form->AddDataPoint(x, y);
        }
        form->FormShow();
    }
    void Calculate(double from, double to, int degree)
    {
        form->EditMin->setText(QString::fromStdString(FloatToStr(from)));
        form->EditMax->setText(QString::fromStdString(FloatToStr(to)));
        form->EditDegree->setText(QString::number(degree));
        form->BtnCalculateClick();
    }
    // numpy.polyfit of the points within [from, to]; r last.
    std::vector<double> Numpy(double from, double to, int degree)
    {
        std::vector<double> pairs;
        for (const auto& [x, y] : points)
            if (x >= from && x <= to) {
                pairs.push_back(x);
                pairs.push_back(y);
            }
        statstest::WriteNumbers(dir.file("pairs.txt"), pairs);
        return statstest::JudgeNumbers({"polyfit", dir.file("pairs.txt"), std::to_string(degree)});
    }
    std::vector<double> Memo() const
    {
        std::vector<double> values;
        for (const QString& line : form->MemoCoeff->toPlainText().split('\n')) values.push_back(StrToFloat(line.toStdString()));
        return values;
    }
};

}  // namespace

TEST_F(AddRegression, ShowsTheSeriesAndItsRange)
{
    Fill(10);
    EXPECT_EQ(form->windowTitle().toStdString(), "Add regression [Weight]");
    EXPECT_EQ(form->EditMin->text(), "1");
    EXPECT_EQ(form->EditMax->text(), "10");
    EXPECT_EQ(form->EditCount->text(), "10");
    form->EditMin->setText("2");
    form->EditMxxChange();
    EXPECT_EQ(form->EditCount->text(), "");
}

// Each calculation filters all the points added: a wider range brings back what a narrower one
// left out (they once were deleted for good).
TEST_F(AddRegression, RangesAndDegreesAgainstNumpy)
{
    Fill(10);
    struct Case {
        double from, to;
        int degree, count;
    };
    const Case cases[] = {{3, 8, 1, 6}, {1, 10, 1, 10}, {2, 9, 2, 8}, {1, 10, 3, 10}, {4, 8, 4, 5}};
    for (const Case& c : cases) {
        Calculate(c.from, c.to, c.degree);
        EXPECT_EQ(form->EditCount->text().toInt(), c.count);
        const std::vector<double> numpy = Numpy(c.from, c.to, c.degree);
        const std::vector<double> memo = Memo();
        ASSERT_EQ(memo.size(), static_cast<size_t>(c.degree + 1));
        for (int i = 0; i <= c.degree; ++i) EXPECT_NEAR(memo[i], numpy[i], 1e-9 * std::max(1.0, std::fabs(numpy[i])));
        EXPECT_NEAR(StrToFloat(form->EditR->text().toStdString()), numpy.back(), 1e-12);
        const TStatRes& r = form->Engine().Results;
        EXPECT_EQ(form->EditR2->text().toStdString(), FloatToStr(static_cast<double>(r.Determination)));
        EXPECT_EQ(form->EditP->text().toStdString(), FloatToStr(static_cast<double>(r.ProbabilityR)));
    }
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(AddRegression, RefusalsLeaveTheResults)
{
    Fill(10);
    Calculate(1, 10, 1);
    const QString memo = form->MemoCoeff->toPlainText();
    struct Case {
        double from, to;
        int degree;
        const char* message;
    };
    const Case cases[] = {
        {3, 5, 3, "Too few data points!"},
        {1, 10, 0, "The degree must be 1 .. 10!"},
        {1, 10, 11, "The degree must be 1 .. 10!"},
        {1, 10, 257, "The degree must be 1 .. 10!"},  // once wrapped to 1 by the byte
    };
    for (const Case& c : cases) {
        ui.Push(TUiAnswer::Press(mrOk));
        Calculate(c.from, c.to, c.degree);
        EXPECT_EQ(ui.Log().back().Text, c.message);
        EXPECT_EQ(ui.Log().back().MsgType, TMsgDlgType::mtWarning);
        EXPECT_EQ(form->MemoCoeff->toPlainText(), memo);
    }
    form->EditMin->setText("abc");
    EXPECT_THROW(form->BtnCalculateClick(), EConvertError);
}

TEST_F(AddRegression, AddLineDrawsWithTheChosenLook)
{
    Fill(10);
    ui.Push(TUiAnswer::Press(mrOk));
    form->BtnAddLineClick();  // before any calculation
    EXPECT_EQ(ui.Log().back().Text, "Regression was not calculated");
    EXPECT_EQ(chart->CountSeries(), 0);

    Calculate(1, 10, 1);
    ui.Push(TUiAnswer::ChooseColor(0x00FF00));
    form->PanelColorClick();
    EXPECT_EQ(form->LineColor(), TColor(0x00FF00));
    form->EditWidth->setText("3");
    form->CB_pattern->setCurrentIndex(3);  // DashDot
    form->EditExtent->setText("10");
    form->BtnAddLineClick();
    form->UpDown1->Step(1);
    EXPECT_EQ(form->EditDegree->text(), "2");
    form->BtnCalculateClick();
    form->BtnAddLineClick();
    ASSERT_EQ(chart->CountSeries(), 2);
    auto* first = static_cast<TLineSeries*>(chart->GetSeries(0));
    EXPECT_EQ(first->Title(), "Regression (1)");
    EXPECT_EQ(first->LinePen().Style(), psDashDot);
    EXPECT_EQ(first->LinePen().Width(), 3);
    EXPECT_EQ(first->LinePen().Color(), TColor(0x00FF00));
    EXPECT_DOUBLE_EQ(first->GetXValue(0), 0.1);  // 10 % of 1..10 would start at 0.1
    EXPECT_DOUBLE_EQ(first->GetXValue(1), 10.9);
    EXPECT_EQ(chart->GetSeries(1)->Title(), "Regression (2)");
    EXPECT_EQ(static_cast<TChartSeries*>(chart->GetSeries(1))->PointCount(), 101);
}

TEST_F(AddRegression, FallbackToTheMeanIsShownAndWarnedOnce)
{
    for (double y : {1.0, 2.0, 6.0}) form->AddDataPoint(4, y);
    form->FormShow();
    Calculate(0, 10, 2);
    EXPECT_EQ(form->Engine().Results.Degree, 0);
    EXPECT_EQ(Memo(), std::vector<double>{3});  // the mean, no coefficient that does not exist
    ui.Push(TUiAnswer::Press(mrOk));
    form->BtnAddLineClick();
    EXPECT_EQ(ui.Log().back().Text, "All X values are equal: no regression line can be drawn");
    EXPECT_EQ(chart->CountSeries(), 0);
}

TEST_F(AddRegression, AFreedChartIsNotDrawnInto)
{
    Fill(5);
    Calculate(1, 5, 1);
    chart.reset();
    EXPECT_EQ(form->Chart(), nullptr);
    ui.Push(TUiAnswer::Press(mrOk));
    form->BtnAddLineClick();
    EXPECT_EQ(ui.Log().back().Text, "The chart of this window no longer exists!");
}

TEST_F(AddRegression, EveryControlHasAnAccessibleName)
{
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")) continue;
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
    }
    EXPECT_EQ(form->CB_pattern->count(), 5);
    EXPECT_EQ(form->CB_pattern->itemText(4), "DashDotDot");
    EXPECT_EQ(form->EditExtent->text(), "0");
    EXPECT_EQ(form->UpDown2->Max(), 8);
}
