// The series transformation window driven offscreen through the UI-services double, numpy
// judging the transformed values.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <cmath>

#include "chart/series/SeriesFastLine.h"
#include "chart/series/support_SeriesTest.h"
#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "platform/ui/ScriptedUiServices.h"
#include "stats/FSeriesTransform.h"
#include "support/TestSupport.h"
#include "support_StatsJudges.h"

namespace {

class SeriesTransform : public testing::Test {
protected:
    void SetUp() override { seriestest::StartSeriesModules(); }
    void TearDown() override { delete form.data(); }

    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    qbtest::TempDir dir;
    TComponent owner{nullptr};
    seriestest::TTestChart* chart = new seriestest::TTestChart(&owner);
    QPointer<TFormSeriesTransform> form;

    template <class Series>
    Series* AddSeries(const std::vector<double>& xs, const std::vector<double>& ys)
    {
        auto* series = new Series(&owner);
        series->SetTitle("Source");
        series->SetParentChart(chart);
        for (size_t i = 0; i < xs.size(); ++i) series->AddPointXY(xs[i], ys[i]);
        return series;
    }
    void Open(TChartSeries* series, int axis)
    {
        ShowSeriesTransform(series, axis);
        form = FormSeriesTransform;
    }
    TChartSeries* LastSeries() const
    {
        return static_cast<TChartSeries*>(chart->GetSeries(chart->CountSeries() - 1));
    }
};

struct TKindCase {
    QRadioButton* TFormSeriesTransform::*button;
    const char* judgeName;
    std::vector<double> parameters;  // written into the memo; the judge gets them too
};

const TKindCase kKinds[] = {
    {&TFormSeriesTransform::rb_polynomial, "polynomial", {1.5, -2, 0.25}},
    {&TFormSeriesTransform::rb_normalize, "normalize", {}},
    {&TFormSeriesTransform::rb_centalize, "centralize", {}},
    {&TFormSeriesTransform::rb_maximum, "maximum", {}},
    {&TFormSeriesTransform::rb_power, "power", {1.7}},
    {&TFormSeriesTransform::rb_logtransformation, "log", {}},
    {&TFormSeriesTransform::rb_diffestim, "diffestim", {0.5, 1.25, -0.1}},
};

}  // namespace

// All seven transformations on both axes against numpy.
TEST_F(SeriesTransform, EveryTransformationOnBothAxes)
{
    const std::vector<double> xs = statstest::SampleValues(25, 21, 0.5, 9), ys = statstest::SampleValues(25, 22, 1, 40);
    for (int axis = 0; axis <= 1; ++axis) {
        for (const TKindCase& kind : kKinds) {
            TChartSeries* source = AddSeries<TPointSeries>(xs, ys);
            Open(source, axis);
            (form->*kind.button)->setChecked(true);
            form->ChangeSet();
            std::string memo;
            for (double p : kind.parameters) memo += FloatToStr(p) + "\n";
            form->MemoParams->setPlainText(QString::fromStdString(memo));
            ui.Push(TUiAnswer::Press(mrNo));  // keep the source
            form->btnProcessClick();
            EXPECT_EQ(ui.Log().back().Text, "Delete original source series?");
            EXPECT_EQ(ui.Log().back().DefaultButton, mbNo);
            TChartSeries* target = LastSeries();
            ASSERT_NE(target, source);
            EXPECT_EQ(target->Title(), "Trans(Source)");
            EXPECT_TRUE(dynamic_cast<TPointSeries*>(target));

            const std::vector<double>& v = axis == 0 ? xs : ys;
            const std::vector<double>& w = axis == 0 ? ys : xs;
            std::vector<double> pairs;
            for (size_t i = 0; i < v.size(); ++i) {
                pairs.push_back(v[i]);
                pairs.push_back(w[i]);
            }
            statstest::WriteNumbers(dir.file("pairs.txt"), pairs);
            std::vector<std::string> arguments{"transform", dir.file("pairs.txt"), kind.judgeName};
            for (double p : kind.parameters) arguments.push_back(FloatToStr(p));
            const std::vector<double> numpy = statstest::JudgeNumbers(arguments);
            ASSERT_EQ(numpy.size(), v.size());
            ASSERT_EQ(target->PointCount(), static_cast<int>(v.size())) << kind.judgeName;
            for (size_t i = 0; i < v.size(); ++i) {
                // The target may sort its points by X: find the point of the same other coordinate.
                int at = -1;
                for (int j = 0; j < target->PointCount(); ++j)
                    if ((axis == 0 ? target->GetYValue(j) : target->GetXValue(j)) == w[i]) at = j;
                ASSERT_GE(at, 0);
                const double ours = axis == 0 ? target->GetXValue(at) : target->GetYValue(at);
                EXPECT_NEAR(ours, numpy[i], 1e-12 * std::max(1.0, std::fabs(numpy[i])))
                    << kind.judgeName << " axis " << axis << " point " << i;
            }
            delete form.data();
        }
    }
}

TEST_F(SeriesTransform, ExamplesOfThePart)
{
    struct Case {
        QRadioButton* TFormSeriesTransform::*button;
        int axis;
        std::vector<double> xs, ys;
        const char* memo;
        const char* result;
    };
    const Case cases[] = {
        {&TFormSeriesTransform::rb_centalize, 1, {1, 2, 3}, {2, 4, 6}, "", "1:-2 2:0 3:2"},
        {&TFormSeriesTransform::rb_maximum, 0, {2, 4}, {7, 8}, "", "0.5:7 1:8"},
        {&TFormSeriesTransform::rb_power, 1, {1}, {3}, "2", "1:9"},
        {&TFormSeriesTransform::rb_polynomial, 1, {1, 2}, {3, 5}, "0\n1", "1:3 2:5"},
    };
    for (const Case& c : cases) {
        Open(AddSeries<TLineSeries>(c.xs, c.ys), c.axis);
        (form->*c.button)->setChecked(true);
        form->MemoParams->setPlainText(c.memo);
        ui.Push(TUiAnswer::Press(mrNo));
        form->btnProcessClick();
        EXPECT_EQ(seriestest::Describe(*LastSeries()), c.result);
        EXPECT_TRUE(dynamic_cast<TLineSeries*>(LastSeries()));
        delete form.data();
    }
}

TEST_F(SeriesTransform, RefusalsAndSkippedPoints)
{
    struct Case {
        QRadioButton* TFormSeriesTransform::*button;
        std::vector<double> ys;
        const char* memo;
        std::vector<TUiAnswer> answers;
        std::vector<std::string> messages;
        bool madeTarget;
    };
    const double e = std::exp(1.0);
    const Case cases[] = {
        {&TFormSeriesTransform::rb_polynomial, {1, 2}, "x\n\n", {TUiAnswer::Press(mrOk)}, {"Error of parameters!"}, false},
        {&TFormSeriesTransform::rb_diffestim, {1, 2}, "1", {TUiAnswer::Press(mrOk)}, {"Error of parameters!"}, false},
        {&TFormSeriesTransform::rb_power, {1, 2}, "2\n3", {TUiAnswer::Press(mrOk)}, {"One parameter must be specified!"},
         false},
        {&TFormSeriesTransform::rb_maximum, {0, 0}, "", {TUiAnswer::Press(mrOk)}, {"Warning: MAX = 0"}, false},
        {&TFormSeriesTransform::rb_normalize, {5, 5}, "", {TUiAnswer::Press(mrOk)}, {"Warning: STD = 0"}, false},
        {&TFormSeriesTransform::rb_logtransformation, {0, 1, e}, "", {TUiAnswer::Press(mrNo)},
         {"Accept with transformation error by 1 points!"}, false},
        {&TFormSeriesTransform::rb_logtransformation, {0, 1, e}, "", {TUiAnswer::Press(mrYes), TUiAnswer::Press(mrNo)},
         {"Accept with transformation error by 1 points!", "Delete original source series?"}, true},
        {&TFormSeriesTransform::rb_power, {-1, 4}, "0.5", {TUiAnswer::Press(mrYes), TUiAnswer::Press(mrNo)},
         {"Accept with transformation error by 1 points!", "Delete original source series?"}, true},
    };
    for (const Case& c : cases) {
        std::vector<double> xs;
        for (size_t i = 0; i < c.ys.size(); ++i) xs.push_back(static_cast<double>(i + 1));
        Open(AddSeries<TPointSeries>(xs, c.ys), 1);
        (form->*c.button)->setChecked(true);
        form->MemoParams->setPlainText(c.memo);
        const int before = chart->CountSeries();
        const size_t logged = ui.Log().size();
        for (const TUiAnswer& answer : c.answers) ui.Push(answer);
        form->btnProcessClick();
        std::vector<std::string> messages;
        for (size_t i = logged; i < ui.Log().size(); ++i) messages.push_back(ui.Log()[i].Text);
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(chart->CountSeries(), before + (c.madeTarget ? 1 : 0)) << c.messages[0];
        if (c.madeTarget) {
            EXPECT_EQ(LastSeries()->PointCount(), static_cast<int>(c.ys.size()) - 1);
        }
        delete form.data();
    }
}

TEST_F(SeriesTransform, DeletingTheSourceTransformsTheResultAgain)
{
    TChartSeries* source = AddSeries<TFastLineSeries>({1, 2, 3}, {2, 4, 6});
    source->Pen().SetWidth(3);
    Open(source, 1);
    form->rb_centalize->setChecked(true);
    ui.Push(TUiAnswer::Press(mrYes));
    form->btnProcessClick();
    ASSERT_EQ(chart->CountSeries(), 1);  // the source is gone
    TChartSeries* first = LastSeries();
    EXPECT_TRUE(dynamic_cast<TFastLineSeries*>(first));
    EXPECT_EQ(first->Pen().Width(), 3);
    EXPECT_EQ(form->Source(), first);
    EXPECT_EQ(form->windowTitle().toStdString(), "Series transformation [Trans(Source)]");
    form->rb_maximum->setChecked(true);
    ui.Push(TUiAnswer::Press(mrYes));
    form->btnProcessClick();
    ASSERT_EQ(chart->CountSeries(), 1);
    EXPECT_EQ(LastSeries()->Title(), "Trans(Trans(Source))");
    EXPECT_EQ(seriestest::Describe(*LastSeries()), "1:-1 2:0 3:1");
}

TEST_F(SeriesTransform, AFreedSourceOrAnotherKindIsRefused)
{
    TChartSeries* source = AddSeries<TPointSeries>({1, 2}, {1, 2});
    Open(source, 0);
    form->rb_centalize->setChecked(true);
    FreeComponent(source);
    EXPECT_EQ(form->Source(), nullptr);
    ui.Push(TUiAnswer::Press(mrOk));
    form->btnProcessClick();
    EXPECT_EQ(ui.Log().back().Text, "The source series no longer exists!");
    delete form.data();

    Open(AddSeries<seriestest::TTestSeries>({1, 2}, {1, 2}), 0);
    form->rb_centalize->setChecked(true);
    ui.Push(TUiAnswer::Press(mrOk));
    form->btnProcessClick();
    EXPECT_EQ(ui.Log().back().Text, "Only point, line and fast line series can be transformed!");
    EXPECT_EQ(chart->CountSeries(), 1);
    delete form.data();

    // Nothing chosen: nothing made, nothing asked.
    Open(AddSeries<TPointSeries>({1, 2}, {1, 2}), 0);
    form->btnProcessClick();
    EXPECT_EQ(chart->CountSeries(), 2);
}

TEST_F(SeriesTransform, DefaultParametersAndTheMemo)
{
    Open(AddSeries<TPointSeries>({1, 2, 3, 4}, {3, 5, 7, 9}), 1);
    EXPECT_EQ(form->windowTitle().toStdString(), "Series transformation [Source]");
    EXPECT_TRUE(form->MemoParams->toPlainText().isEmpty());  // nothing chosen yet
    struct Case {
        QRadioButton* TFormSeriesTransform::*button;
        const char* memo;
        bool enabled;
    };
    const Case cases[] = {
        {&TFormSeriesTransform::rb_polynomial, "0\n1", true}, {&TFormSeriesTransform::rb_power, "2.0", true},
        {&TFormSeriesTransform::rb_diffestim, "1\n2", true},  {&TFormSeriesTransform::rb_normalize, "1\n2", false},
    };
    for (const Case& c : cases) {
        (form->*c.button)->setChecked(true);
        form->ChangeSet();
        form->MemoParamsDblClick();
        EXPECT_EQ(form->MemoParams->toPlainText().toStdString(), c.memo);
        EXPECT_EQ(form->MemoParams->isEnabled(), c.enabled);
    }
    // Exactly linear data: the default difference from estimation is 0 everywhere.
    form->rb_diffestim->setChecked(true);
    form->MemoParamsDblClick();
    ui.Push(TUiAnswer::Press(mrNo));
    form->btnProcessClick();
    for (int i = 0; i < LastSeries()->PointCount(); ++i) EXPECT_NEAR(LastSeries()->GetYValue(i), 0, 1e-12);
}

TEST(TransformParameters, LinesThatAreNoNumberAreSkipped)
{
    TStringList lines;
    lines.SetText("1.5\n\nabc\n -2 \n1e3\n");
    EXPECT_EQ(ReadParameterLines(lines), (std::vector<double>{1.5, -2, 1000}));
    // A fit that falls back to degree 0 gives the mean and 0, never a coefficient it lacks.
    EXPECT_EQ(DefaultEstimationParameters({1, 2, 6}, {4, 4, 4}), (std::vector<double>{3, 0}));
    EXPECT_EQ(DefaultEstimationParameters({}, {}), (std::vector<double>{0, 0}));
    EXPECT_EQ(PolynomialAt({1, 2, 3}, 2), 17);
    EXPECT_EQ(PolynomialAt({}, 2), 0);
}
