#include "stats/FBrokenLine.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>

#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/series/Series.h"
#include "platform/core/DotDecimal.h"
#include "platform/core/NumText.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/WindowFit.h"
#include "platform/ui/UpDown.h"
#include "stats/FGraph.h"
#include "stats/FStatResults.h"
#include "stats/ColorPanel.h"
#include "stats/LatestWindow.h"
#include "stats/UOrdLists.h"

TFormBrokenLine* FormBrokenLine = nullptr;

const char* const BreakPointStepRefused = "The break point step must be greater than zero and move the break point";
const char* const BreakPointStepsTooMany = "Too many break point steps (at most 10000000)";
const char* const NoCompleteBreakPoint = "No break point of the scan has more than 3 points on each side";

// ---- The scan -----------------------------------------------------------------------------------

bool BreakPointSteps(double start, double stop, double step, TBreakPointSteps& steps)
{
    steps = {start, step, 0};
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(start) || !std::isfinite(stop)) return false;
    if (start + step == start) return false;
    const double span = (stop - start) / step;
    if (span < 0) return true;
    if (span >= MaxBreakPointSteps) return false;
    steps.Count = static_cast<int>(std::floor(span + 1e-9)) + 1;
    return steps.Count <= MaxBreakPointSteps;
}

bool IsCompleteRecord(const TBreakPointRecord& record) { return record.Count1 > 3 && record.Count2 > 3; }

void TLineMoments::Add(long double x, long double y)
{
    ++Count;
    const long double dx = x - MeanX, dy = y - MeanY;
    MeanX += dx / Count;
    MeanY += dy / Count;
    Sxx += dx * (x - MeanX);
    Syy += dy * (y - MeanY);
    Sxy += dx * (y - MeanY);
}

TSubsetFit FillSubsetResults(const TLineMoments& m)
{
    TSubsetFit fit;
    fit.Count = m.Count;
    if (!(m.Sxx > 0)) {
        fit.ZeroDegree = true;
        fit.Intercept = m.MeanY;
        fit.ResidualSum = m.Syy;
        return fit;
    }
    fit.Slope = m.Sxy / m.Sxx;
    fit.Intercept = m.MeanY - fit.Slope * m.MeanX;
    if (m.Syy > 0) fit.Correlation = std::clamp(m.Sxy / std::sqrt(m.Sxx * m.Syy), -1.0L, 1.0L);
    fit.ResidualSum = std::max(m.Syy - fit.Slope * m.Sxy, 0.0L);
    return fit;
}

void FillBreakPointStatistics(TBreakPointRecord& r, int count, long double residualSumAll, long double exactLimit)
{
    const long double bp = r.BreakPoint;
    long double* s = r.Statistics;
    s[0] = (r.Intercept2 + r.Slope2 * bp) - (r.Intercept1 + r.Slope1 * bp);
    const long double slopes = r.Slope1 - r.Slope2;
    const long double slopeSize = std::max(std::fabs(r.Slope1), std::fabs(r.Slope2));
    s[1] = std::fabs(slopes) <= 1e-12L * slopeSize ? MissingValue : (r.Intercept2 - r.Intercept1) / slopes;
    s[2] = (FisherZ(r.Count2, r.Correlation2) - FisherZ(r.Count1, r.Correlation1))
           / std::sqrt(1.0L / (r.Count2 - 3) + 1.0L / (r.Count1 - 3));
    s[3] = Alpha_n(s[2]);
    const long double residualSum = r.ResidualSum1 + r.ResidualSum2;
    if (residualSum <= 0 || residualSum < exactLimit) {
        s[4] = s[5] = MissingValue;
    } else {
        s[4] = residualSumAll / residualSum;
        s[5] = Alpha_F(count - 1, count - 1, s[4]);
    }
    r.ResidualSumAll = residualSumAll;
}

TBrokenLineScan::TBrokenLineScan(const double* xs, const double* ys, int count, double xMin, double xMax,
                                 const TBreakPointSteps& steps)
    : steps_(steps)
{
    points_.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const double x = xs[i], y = ys[i];
        if (!(x >= xMin && x <= xMax) || !std::isfinite(y) || !std::isfinite(x)) continue;
        if (x == MissingValue || y == MissingValue) continue;
        points_.push_back({x, y});
    }
    std::stable_sort(points_.begin(), points_.end(), [](const TPoint& a, const TPoint& b) { return a.X < b.X; });

    TStatistics all;
    all.Reserve(Count());
    for (const TPoint& p : points_) all.AddPoint(p.X, p.Y);
    all.Calculate(1);
    residualSumAll_ = all.Results.Calculated ? all.ResidualSumOfSquares() : 0;
    const long double spreadY = all.Results.StdDevY * all.Results.StdDevY * Count();
    exactLimit_ = 1e-12L * std::max(residualSumAll_, spreadY);

    const int n = Count();
    for (int i = 0, split = 0; i < steps_.Count; ++i) {
        split = SplitOf(steps_.At(i), split);
        if (split > 3 && n - split > 3 && (splits_.empty() || splits_.back() != split)) splits_.push_back(split);
    }
    suffixMoments_.resize(splits_.size());
    TLineMoments suffix;
    std::size_t next = splits_.size();
    for (int j = n - 1; j >= 0 && next > 0; --j) {
        suffix.Add(points_[j].X, points_[j].Y);
        if (j == splits_[next - 1]) suffixMoments_[--next] = suffix;
    }
}

// The number of points with X <= breakPoint, counting on from a smaller break point's split.
int TBrokenLineScan::SplitOf(double breakPoint, int from) const
{
    const int n = Count();
    while (from < n && points_[from].X <= breakPoint) ++from;
    return from;
}

TBreakPointRecord TBrokenLineScan::Step(int i)
{
    assert(i > lastStep_ && i < steps_.Count);
    lastStep_ = i;
    TBreakPointRecord record;
    const int split = SplitOf(steps_.At(i), prefixCount_);
    for (; prefixCount_ < split; ++prefixCount_) prefix_.Add(points_[prefixCount_].X, points_[prefixCount_].Y);
    const int n = Count();
    if (split <= 3 || n - split <= 3) return record;
    while (splits_[suffixAt_] < split) ++suffixAt_;
    assert(splits_[suffixAt_] == split);

    const TSubsetFit left = FillSubsetResults(prefix_);
    const TSubsetFit right = FillSubsetResults(suffixMoments_[suffixAt_]);
    zeroDegree_ = zeroDegree_ || left.ZeroDegree || right.ZeroDegree;
    record.Count1 = left.Count;
    record.Count2 = right.Count;
    record.Intercept1 = left.Intercept;
    record.Intercept2 = right.Intercept;
    record.Slope1 = left.Slope;
    record.Slope2 = right.Slope;
    record.Correlation1 = left.Correlation;
    record.Correlation2 = right.Correlation;
    record.ResidualSum1 = left.ResidualSum;
    record.ResidualSum2 = right.ResidualSum;
    record.MinX1 = points_.front().X;
    record.MaxX1 = points_[split - 1].X;
    record.MinX2 = points_[split].X;
    record.MaxX2 = points_.back().X;
    record.BreakPoint = (points_[split - 1].X + points_[split].X) / 2;
    FillBreakPointStatistics(record, n, residualSumAll_, exactLimit_);
    return record;
}

int FindRecord(const std::vector<TBreakPointRecord>& records, double x)
{
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TBreakPointRecord& r = records[i];
        if (IsCompleteRecord(r) && r.MaxX1 <= x && x < r.MinX2) return static_cast<int>(i);
    }
    return -1;
}

TBrokenLineExtremes FindExtremes(const std::vector<TBreakPointRecord>& records)
{
    TBrokenLineExtremes extremes;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TBreakPointRecord& r = records[i];
        if (!IsCompleteRecord(r)) continue;
        const int index = static_cast<int>(i);
        if (extremes.UIndex < 0 || r.Statistics[2] > records[extremes.UIndex].Statistics[2]) extremes.UIndex = index;
        if (IsMissingValue(r.Statistics[4])) continue;
        if (extremes.FIndex < 0 || r.Statistics[4] > records[extremes.FIndex].Statistics[4]) extremes.FIndex = index;
    }
    return extremes;
}

namespace {
std::string Number(long double value) { return FloatToStr(static_cast<double>(value)); }
}  // namespace

std::string ExtremesChoices(const std::vector<TBreakPointRecord>& records, const TBrokenLineExtremes& extremes)
{
    if (extremes.UIndex < 0) return {};
    const TBreakPointRecord& u = records[extremes.UIndex];
    std::string choices = EncloseText(1, "Correlation difference: U=" + Number(u.Statistics[2]) + " (p="
                                             + Number(u.Statistics[3]) + ") BP=" + Number(u.BreakPoint));
    if (extremes.FIndex < 0) return choices;
    const TBreakPointRecord& f = records[extremes.FIndex];
    return choices + ";"
           + EncloseText(1, "Sum of squares: F=" + Number(f.Statistics[4]) + " (p=" + Number(f.Statistics[5])
                                + ") BP=" + Number(f.BreakPoint));
}

// ---- The window ---------------------------------------------------------------------------------

namespace {
// The titles of the graph window while it shows a scan.
void TitleGraph(TFormGraph& graph)
{
    TChart& chart = *graph.Chart();
    chart.BottomAxis()->GetTitle()->SetCaption("Break point");
    chart.LeftAxis()->GetTitle()->SetCaption("Statistics");
    graph.SetTitle("Broken line");
}

std::string EditText(const QLineEdit* edit) { return edit->text().toStdString(); }

// A number for an edit in the user's locale that reads back as the same number: the general
// text has 15 digits, and a default start rounded below the fourth smallest X would leave the
// first step with 3 points.
QString EditNumber(double value)
{
    const std::string text = FloatToStr(value);
    double back = 0;
    if (TryStrToFloat(text, back) && back == value) return QText(text);
    char exact[40];
    std::snprintf(exact, sizeof exact, "%.17g", value);
    std::string local = exact;
    std::replace(local.begin(), local.end(), '.', FormatSettings().DecimalSeparator);
    return QText(local);
}

// The graph is drawn at the screen's pace, not once per step: while the scan adds points the
// chart does not repaint by itself; about 25 times a second it repaints once, and less often
// when a repaint takes long (long lines, a slow screen), so the scan keeps three quarters of
// the time.
class TScreenPace {
public:
    explicit TScreenPace(TFormGraph* graph) : graph_(graph), repaint_(graph->Chart()->AutoRepaint)
    {
        graph->Chart()->AutoRepaint = false;
        clock_.start();
    }
    ~TScreenPace()
    {
        if (graph_) Repaint(repaint_);
    }
    TScreenPace(const TScreenPace&) = delete;
    TScreenPace& operator=(const TScreenPace&) = delete;

    // One run of the message loop; the run after a repaint request paints, and its time is
    // what a repaint costs.
    void RunMessageLoop()
    {
        QElapsedTimer run;
        run.start();
        QCoreApplication::processEvents();
        if (!painting_) return;
        paintCost_ = run.elapsed();
        painting_ = false;
    }
    void Tick()
    {
        if (!graph_ || clock_.elapsed() < std::max<qint64>(40, 3 * paintCost_)) return;
        Repaint(false);
        painting_ = true;
        clock_.restart();
    }

private:
    void Repaint(bool keep)
    {
        TChart& chart = *graph_->Chart();
        chart.AutoRepaint = true;
        chart.Invalidate();
        chart.AutoRepaint = keep;
    }

    QPointer<TFormGraph> graph_;
    bool repaint_;
    QElapsedTimer clock_;
    qint64 paintCost_ = 0;
    bool painting_ = false;
};
}  // namespace

const TControlTable& FormBrokenLineTable()
{
    using K = TControlKind;
    static const TControlTable table{
        .Name = "FormBrokenLine",
        .Caption = "Broken Line Regression",
        .Layout = TFormLayout::Grid,
        .Rows = {
            {.Kind = K::Label, .Name = "LabelXRange", .Caption = "X range", .Cell = {0, 0, 1, 4}},
            {.Kind = K::Label, .Name = "LabelCycle", .Caption = "X breakpoint estimation cycle:", .Cell = {2, 0, 1, 6}},
            {.Kind = K::Edit, .Name = "EditXmin", .Caption = "X minimum", .Cell = {1, 1}},
            {.Kind = K::Label, .Name = "LabelXmin", .Caption = "X minimum", .Cell = {1, 0}, .Buddy = "EditXmin"},
            {.Kind = K::Edit, .Name = "EditXmax", .Caption = "X maximum", .Cell = {1, 3}},
            {.Kind = K::Label, .Name = "LabelXmax", .Caption = "X maximum", .Cell = {1, 2}, .Buddy = "EditXmax"},
            {.Kind = K::Edit, .Name = "EditBPstart", .Caption = "from", .Cell = {3, 1}},
            {.Kind = K::Label, .Name = "LabelBPstart", .Caption = "from", .Cell = {3, 0}, .Buddy = "EditBPstart"},
            {.Kind = K::Edit, .Name = "EditBPstop", .Caption = "to", .Cell = {3, 3}},
            {.Kind = K::Label, .Name = "LabelBPstop", .Caption = "to", .Cell = {3, 2}, .Buddy = "EditBPstop"},
            {.Kind = K::Edit, .Name = "EditBPstep", .Caption = "step", .Cell = {3, 5}},
            {.Kind = K::Label, .Name = "LabelBPstep", .Caption = "step", .Cell = {3, 4}, .Buddy = "EditBPstep"},
            {.Kind = K::Edit, .Name = "EditBPestim", .Caption = "Estimation", .Cell = {6, 1}},
            {.Kind = K::Label, .Name = "LabelBPestim", .Caption = "Estimation", .Cell = {6, 0}, .Buddy = "EditBPestim"},
            {.Kind = K::Edit, .Name = "EditLineWidth", .Caption = "Line width", .Cell = {8, 1}, .Text = "1"},
            {.Kind = K::Label, .Name = "LabelLineWidth", .Caption = "Line width", .Cell = {8, 0}, .Buddy = "EditLineWidth"},
            // The scan's result; the window shows it in blue.
            {.Kind = K::Label, .Name = "LabelBP", .Caption = "-", .Accessible = "Break point", .Cell = {4, 0, 1, 2}},
            {.Kind = K::Button, .Name = "btnCalculate", .Caption = "Calculate", .Cell = {4, 4, 1, 2}},
            {.Kind = K::Button, .Name = "btnBPgraph", .Caption = "BP graph", .Hint = "Draw graph of statistics",
             .Cell = {6, 4, 1, 2}},
            {.Kind = K::UpDown, .Name = "UpDownLW", .Caption = "Line width", .Cell = {8, 2}, .Buddy = "EditLineWidth",
             .Min = 1, .Max = 99},
            {.Kind = K::Button, .Name = "PanelColor", .Caption = "Color", .Cell = {8, 3}},
            {.Kind = K::Button, .Name = "btnDraw", .Caption = "Draw", .Hint = "Draw regression", .Cell = {8, 4, 1, 2}},
        },
    };
    return table;
}

TFormBrokenLine::TFormBrokenLine(QWidget* parent) : QWidget(parent, Qt::Window), form_(BuildForm(this, FormBrokenLineTable()))
{
    EditXmin = form_.Get<QLineEdit>("EditXmin");
    EditXmax = form_.Get<QLineEdit>("EditXmax");
    EditBPstart = form_.Get<QLineEdit>("EditBPstart");
    EditBPstop = form_.Get<QLineEdit>("EditBPstop");
    EditBPstep = form_.Get<QLineEdit>("EditBPstep");
    EditBPestim = form_.Get<QLineEdit>("EditBPestim");
    EditLineWidth = form_.Get<QLineEdit>("EditLineWidth");
    LabelBP = form_.Get<QLabel>("LabelBP");
    btnCalculate = form_.Get<QPushButton>("btnCalculate");
    btnBPgraph = form_.Get<QPushButton>("btnBPgraph");
    UpDownLW = form_.Get<TUpDown>("UpDownLW");
    PanelColor = form_.Get<QPushButton>("PanelColor");
    btnDraw = form_.Get<QPushButton>("btnDraw");
    setAttribute(Qt::WA_DeleteOnClose);
    LabelBP->setStyleSheet("color: blue");

    PopupMenuBP = new QMenu(this);
    PopupMenuBP->setObjectName("PopupMenuBP");
    PopupMenuBP->setAccessibleName("Estimation");
    FindSet1 = PopupMenuBP->addAction("Find and set");
    FindSet1->setObjectName("FindSet1");
    ShowStatistics1 = PopupMenuBP->addAction("Show statistics");
    ShowStatistics1->setObjectName("ShowStatistics1");
    Extremesofstatistics1 = PopupMenuBP->addAction("Extremes of statistics");
    Extremesofstatistics1->setObjectName("Extremesofstatistics1");
    EditBPestim->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(EditBPestim, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenuBP->popup(EditBPestim->mapToGlobal(at)); });
    ShowPanelColor(PanelColor, lineColor_);

    connect(btnCalculate, &QPushButton::clicked, this, Guarded(this, &TFormBrokenLine::btnCalculateClick));
    connect(EditBPestim, &QLineEdit::textEdited, this, [this] { EditBPestimChange(); });
    connect(EditBPestim, &QLineEdit::editingFinished, this, Guarded(this, &TFormBrokenLine::EditBPestimExit));
    connect(FindSet1, &QAction::triggered, this, Guarded(this, &TFormBrokenLine::FindSet1Click));
    connect(ShowStatistics1, &QAction::triggered, this, Guarded(this, &TFormBrokenLine::ShowStatistics1Click));
    connect(Extremesofstatistics1, &QAction::triggered, this,
            Guarded(this, &TFormBrokenLine::Extremesofstatistics1Click));
    connect(btnBPgraph, &QPushButton::clicked, this, Guarded(this, &TFormBrokenLine::btnBPgraphClick));
    connect(btnDraw, &QPushButton::clicked, this, Guarded(this, &TFormBrokenLine::btnDrawClick));
    connect(PanelColor, &QPushButton::clicked, this, Guarded(this, &TFormBrokenLine::PanelColorClick));
    KeepAsLatest(this, FormBrokenLine);
}

TFormBrokenLine::~TFormBrokenLine() = default;

void TFormBrokenLine::SetSeries(TCustomChart* chart, TChartSeries* series)
{
    chart_.Set(chart);
    series_.Set(series);
}

void TFormBrokenLine::closeEvent(QCloseEvent* event)
{
    // A scan running in this window's handler sees the flag at its next step and ends.
    closing_ = true;
    QWidget::closeEvent(event);
}

void TFormBrokenLine::SetDefaults()
{
    TChartSeries* series = series_.Get();
    const int n = series ? series->PointCount() : 0;
    if (n <= 9) {
        UiServices().ShowWarning("Too low count of data point (" + IntToStr(n) + ")");
        return;
    }
    const double* xs = series->XValues()->Values();
    const TFloatArray sorted = SortedFloatArray(TFloatArray(xs, xs + n));
    const double smallest = sorted.front(), largest = sorted.back();
    EditXmin->setText(EditNumber(smallest));
    EditXmax->setText(EditNumber(largest));
    EditBPstart->setText(EditNumber(sorted[3]));
    EditBPstop->setText(EditNumber(sorted[n - 5]));
    EditBPstep->setText(EditNumber((largest - smallest) / (n - 1)));
}

void TFormBrokenLine::btnCalculateClick()
{
    if (scanning_) return;
    const double xMin = StrToFloat(EditText(EditXmin));
    const double xMax = StrToFloat(EditText(EditXmax));
    const double start = StrToFloat(EditText(EditBPstart));
    const double stop = StrToFloat(EditText(EditBPstop));
    const double step = StrToFloat(EditText(EditBPstep));
    TBreakPointSteps steps;
    if (!BreakPointSteps(start, stop, step, steps)) {
        const bool tooMany = step > 0 && start + step != start;
        UiServices().ShowWarning(tooMany ? BreakPointStepsTooMany : BreakPointStepRefused);
        return;
    }
    TChartSeries* series = series_.Get();
    if (!series) {
        UiServices().ShowWarning("The series of this window no longer exists!");
        return;
    }
    TBrokenLineScan scan(series->XValues()->Values(), series->YValues()->Values(), series->PointCount(), xMin,
                         xMax, steps);

    ShowGraph(this);
    QPointer<TFormGraph> graph = FormGraph;
    TitleGraph(*graph);
    TComponentRef<TLineSeries> uLine, fLine;
    uLine.Set(graph->AddLine(2, clRed, BrokenLineStatisticName(2), psSolid));
    fLine.Set(graph->AddLine(2, clBlack, BrokenLineStatisticName(4), psSolid));

    // The message loop runs once per step: this window, the graph, its lines or the series may
    // go meanwhile, and the scan then ends without touching them.
    QPointer<TFormBrokenLine> self(this);
    auto interrupted = [&] { return !self || closing_ || !series_ || !graph || graph->isHidden() || !uLine || !fLine; };
    struct TScanning {
        TFormBrokenLine* form;
        QPointer<TFormBrokenLine>& self;
        ~TScanning()
        {
            if (!self) return;
            form->scanning_ = false;
            form->btnCalculate->setEnabled(true);
            form->LabelBP->setText("-");
        }
    } scanning{this, self};
    scanning_ = true;
    btnCalculate->setEnabled(false);

    std::vector<TBreakPointRecord> records;
    records.reserve(static_cast<std::size_t>(steps.Count));
    {
        TScreenPace pace(graph);
        for (int i = 0; i < steps.Count; ++i) {
            pace.RunMessageLoop();
            if (interrupted()) return;
            records.push_back(scan.Step(i));
            const TBreakPointRecord& r = records.back();
            if (IsCompleteRecord(r)) {
                uLine.Get()->AddPointXY(r.BreakPoint, static_cast<double>(r.Statistics[2]));
                if (!IsMissingValue(r.Statistics[4]))
                    fLine.Get()->AddPointXY(r.BreakPoint, static_cast<double>(r.Statistics[4]));
            }
            LabelBP->setText(QText(FloatToStr(steps.At(i + 1))));
            pace.Tick();
        }
    }
    ShowGraph(this);
    records_ = std::move(records);
    extremes_ = FindExtremes(records_);
    selected_ = -1;
    LabelBP->setText("-");
    if (scan.ZeroDegree()) UiServices().ShowWarning(RegressionStatusText(TRegressionStatus::ZeroDegree));
    Extremesofstatistics1Click();
}

void TFormBrokenLine::EditBPestimChange() { bpChanged_ = true; }

void TFormBrokenLine::EditBPestimExit()
{
    if (bpChanged_) FindSet1Click();
}

void TFormBrokenLine::FindSet1Click()
{
    double x = 0;
    if (!TryStrToFloat(EditText(EditBPestim), x)) {
        selected_ = -1;
        return;
    }
    selected_ = FindRecord(records_, x);
    EditBPestim->setText(selected_ < 0 ? QString() : QText(FloatToStr(records_[selected_].BreakPoint)));
    bpChanged_ = false;
}

void TFormBrokenLine::ShowStatistics1Click()
{
    if (bpChanged_) FindSet1Click();
    if (selected_ >= 0) ShowRecordStatistics(selected_);
}

void TFormBrokenLine::ShowRecordStatistics(int index)
{
    ShowBrokenLineResult("Broken line " + IntToStr(index), records_[static_cast<std::size_t>(index)], this);
}

bool TFormBrokenLine::HasCompleteRecord() const { return extremes_.UIndex >= 0; }

void TFormBrokenLine::Extremesofstatistics1Click()
{
    selected_ = -1;
    if (!HasCompleteRecord()) {
        UiServices().ShowWarning(NoCompleteBreakPoint);
        return;
    }
    const int choice =
        UiServices().SelectCaseFixed(this, "Broken line", "Select type", 0, ExtremesChoices(records_, extremes_));
    selected_ = choice == 0 ? extremes_.UIndex : choice == 1 ? extremes_.FIndex : -1;
    if (selected_ < 0) return;
    ShowRecordStatistics(selected_);
    EditBPestim->setText(QText(FloatToStr(records_[static_cast<std::size_t>(selected_)].BreakPoint)));
    bpChanged_ = false;
}

void TFormBrokenLine::btnBPgraphClick()
{
    if (records_.empty()) return;
    if (!HasCompleteRecord()) {
        UiServices().ShowWarning(NoCompleteBreakPoint);
        return;
    }
    ShowGraph(this);
    TitleGraph(*FormGraph);
    std::string choices;
    for (int k = 0; k < BrokenLineStatisticCount; ++k) choices += EncloseText(1, BrokenLineStatisticName(k)) + ";";
    choices += "Cancel";
    const int k = UiServices().SelectCaseFixed(this, "Broken line", "Statistics to draw", 0, choices);
    if (k < 0 || k >= BrokenLineStatisticCount || !FormGraph) return;
    TLineSeries* line = FormGraph->AddLine(2, clGray, BrokenLineStatisticName(k), psSolid);
    line->SuspendUpdates();
    for (const TBreakPointRecord& r : records_) {
        if (!IsCompleteRecord(r)) continue;
        const long double value = BrokenLineStatistic(r, k);
        if (!IsMissingValue(value)) line->AddPointXY(r.BreakPoint, static_cast<double>(value));
    }
    line->ResumeUpdates();
}

void TFormBrokenLine::btnDrawClick()
{
    if (selected_ < 0) return;
    TCustomChart* chart = chart_.Get();
    if (!chart) {
        UiServices().ShowWarning("The chart of this window no longer exists!");
        return;
    }
    const int width = StrToInt(EditText(EditLineWidth));
    const TBreakPointRecord& r = records_[static_cast<std::size_t>(selected_)];
    struct TSegment {
        long double MinX, MaxX, Intercept, Slope;
    };
    const TSegment segments[2] = {{r.MinX1, r.MaxX1, r.Intercept1, r.Slope1}, {r.MinX2, r.MaxX2, r.Intercept2, r.Slope2}};
    for (int k = 1; k <= 2; ++k) {
        const TSegment& s = segments[k - 1];
        auto* line = new TLineSeries(chart);
        line->SetSeriesColor(lineColor_);
        line->LinePen().SetStyle(psSolid);
        line->LinePen().SetWidth(width);
        line->SetTitle("Set " + IntToStr(k) + " regression");
        for (const long double x : {s.MinX, s.MaxX})
            line->AddPointXY(static_cast<double>(x), static_cast<double>(s.Intercept + s.Slope * x));
        line->SetParentChart(chart);
    }
}

void TFormBrokenLine::PanelColorClick() { PickPanelColor(PanelColor, lineColor_); }

TFormBrokenLine* ShowBrokenLine(TCustomChart* chart, TChartSeries* series, QWidget* owner)
{
    auto* form = new TFormBrokenLine;
    form->SetSeries(chart, series);
    form->SetDefaults();
    ShowOwned(form, owner);
    return form;
}
