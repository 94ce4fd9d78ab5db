#pragma once
// The broken-line regression window: scans candidate break points of one series' X range, fits
// a straight line on each side, and compares the two sides by their correlations and residual
// sums of squares.
#include <QWidget>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/Colors.h"
#include "platform/core/ComponentRef.h"
#include "platform/ui/FormTable.h"
#include "stats/Ustatistics.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TUpDown;

// ---- The scan, apart from the window -------------------------------------------------------------

// The break points of a scan: Start + i * Step for i = 0 .. Count - 1. Each is computed from its
// index, so no rounding builds up along the scan.
struct TBreakPointSteps {
    double Start = 0;
    double Step = 1;
    int Count = 0;
    double At(int i) const { return Start + i * Step; }
};

// Scans of more steps than this are refused: their records would not fit in memory.
constexpr int MaxBreakPointSteps = 10000000;

// The steps from start to stop. A last break point beyond stop by less than a part in 1e9 of a
// step still counts, so that rounding does not drop it (1.1 to 1.7 by 0.1 is 7 steps). A start
// above stop gives no steps. Fails for a step that is not positive, that vanishes beside start,
// or that makes more than MaxBreakPointSteps steps.
bool BreakPointSteps(double start, double stop, double step, TBreakPointSteps& steps);

// The warnings of the window that refuse a scan or report one.
extern const char* const BreakPointStepRefused;
extern const char* const BreakPointStepsTooMany;
extern const char* const NoCompleteBreakPoint;

// A step is complete when both subsets hold more than 3 points; the record of any other step
// stays all zero and takes part in neither the graph, the extremes nor "Find and set".
bool IsCompleteRecord(const TBreakPointRecord& record);

// Running moments of points about their means (updated point by point, which keeps them exact
// where sums of squares about 0 would cancel).
struct TLineMoments {
    int Count = 0;
    long double MeanX = 0, MeanY = 0;
    long double Sxx = 0, Syy = 0, Sxy = 0;
    void Add(long double x, long double y);
};

// The subset part of a record (count, c0, c1, r, residual sum of squares) from the moments of
// its points; without spread in X the line falls back to the mean of Y, as the engine does.
struct TSubsetFit {
    int Count = 0;
    long double Intercept = 0, Slope = 0, Correlation = 0, ResidualSum = 0;
    bool ZeroDegree = false;
};
TSubsetFit FillSubsetResults(const TLineMoments& moments);

// The statistics 0 .. 5 and the residual sum of all of a record whose subset fields are set.
// Common point is missing for parallel lines (slopes equal to a part in 1e12, beyond which the
// meeting point is rounding noise). F and its probability are missing when both lines fit
// exactly: their residual sum is 0 or below exactLimit, 1e-12 of the residual sum of all (or of
// the spread of Y, when one line fits all points exactly too); the ratio is noise there.
void FillBreakPointStatistics(TBreakPointRecord& record, int count, long double residualSumAll,
                              long double exactLimit);

// The points of the X range, copied once and sorted by X: the subsets of a break point are then
// a prefix and a suffix. The prefix moments grow as the scan moves right; the suffix moments of
// every split the steps meet are taken beforehand in one pass from the right, so each step costs
// the same whatever the number of points.
class TBrokenLineScan {
public:
    // Points with X outside [xMin, xMax], a coordinate the engine refuses (MissingValue) or one
    // that is no finite number are left out.
    TBrokenLineScan(const double* xs, const double* ys, int count, double xMin, double xMax,
                    const TBreakPointSteps& steps);

    int Count() const { return static_cast<int>(points_.size()); }  // N, the points of the X range
    long double ResidualSumAll() const { return residualSumAll_; }
    const TBreakPointSteps& Steps() const { return steps_; }
    // The record of step i; steps are taken in ascending order.
    TBreakPointRecord Step(int i);
    // Some complete step had a subset without spread in X.
    bool ZeroDegree() const { return zeroDegree_; }

private:
    struct TPoint {
        double X, Y;
    };
    int SplitOf(double breakPoint, int from) const;

    std::vector<TPoint> points_;
    TBreakPointSteps steps_;
    long double residualSumAll_ = 0;
    long double exactLimit_ = 0;
    std::vector<int> splits_;                 // the splits of complete steps, ascending
    std::vector<TLineMoments> suffixMoments_;  // of the points from each split on
    TLineMoments prefix_;
    int prefixCount_ = 0;
    std::size_t suffixAt_ = 0;
    int lastStep_ = -1;
    bool zeroDegree_ = false;
};

// The first record, in list order, whose gap holds x: maximum X 1 <= x < minimum X 2; -1 for none.
int FindRecord(const std::vector<TBreakPointRecord>& records, double x);

// The largest U (statistic 2) and the largest F (statistic 4) over the complete records, the
// first maximum winning; an index of -1 when there is none.
struct TBrokenLineExtremes {
    int UIndex = -1;
    int FIndex = -1;
};
TBrokenLineExtremes FindExtremes(const std::vector<TBreakPointRecord>& records);

// The chooser items of "Extremes of statistics": the U choice, then the F choice when there is one.
std::string ExtremesChoices(const std::vector<TBreakPointRecord>& records, const TBrokenLineExtremes& extremes);

// ---- The window -----------------------------------------------------------------------------------

class TFormBrokenLine : public QWidget {
    Q_OBJECT
public:
    explicit TFormBrokenLine(QWidget* parent = nullptr);
    ~TFormBrokenLine() override;

    QLineEdit* EditXmin;
    QLineEdit* EditXmax;
    QLineEdit* EditBPstart;
    QLineEdit* EditBPstop;
    QLineEdit* EditBPstep;
    QLabel* LabelBP;
    QPushButton* btnCalculate;
    QLineEdit* EditBPestim;
    QMenu* PopupMenuBP;
    QAction* FindSet1;
    QAction* ShowStatistics1;
    QAction* Extremesofstatistics1;
    QPushButton* btnBPgraph;
    QLineEdit* EditLineWidth;
    TUpDown* UpDownLW;
    QPushButton* PanelColor;
    QPushButton* btnDraw;

    // The series and its chart; the window holds them without owning them.
    void SetSeries(TCustomChart* chart, TChartSeries* series);
    TChartSeries* Series() const { return series_.Get(); }
    TCustomChart* Chart() const { return chart_.Get(); }

    const std::vector<TBreakPointRecord>& Records() const { return records_; }
    const TBrokenLineExtremes& Extremes() const { return extremes_; }
    int SelectedRecord() const { return selected_; }
    bool Scanning() const { return scanning_; }
    TColor LineColor() const { return lineColor_; }

    void SetDefaults();
    void btnCalculateClick();
    void EditBPestimChange();
    void EditBPestimExit();
    void FindSet1Click();
    void ShowStatistics1Click();
    void ShowRecordStatistics(int index);
    void Extremesofstatistics1Click();
    void btnBPgraphClick();
    void btnDrawClick();
    void PanelColorClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TBuiltForm form_;
    bool HasCompleteRecord() const;

    TComponentRef<TChartSeries> series_;
    TComponentRef<TCustomChart> chart_;
    std::vector<TBreakPointRecord> records_;
    TBrokenLineExtremes extremes_;
    int selected_ = -1;
    bool bpChanged_ = false;
    bool scanning_ = false;
    bool closing_ = false;
    TColor lineColor_ = clBlack;
};

// The window opened last, while it lives.
extern TFormBrokenLine* FormBrokenLine;

// Opens one more window on the series of the chart (the module's latest refers to it), above
// owner (ShowOwned).
TFormBrokenLine* ShowBrokenLine(TCustomChart* chart, TChartSeries* series, QWidget* owner = nullptr);

const TControlTable& FormBrokenLineTable();
