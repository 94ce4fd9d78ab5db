#pragma once
// The chart properties dialog: the most used settings of one of the program's charts (title,
// left and bottom axes, legend, border, bevel, colour), saved to and loaded from chart settings
// files, and the chart's series with every command for one series. Every control writes to the
// chart at once. One window per process; it never owns the chart it edits.
#include <QWidget>
#include <span>
#include <string>

#include "chart/engine/Chart.h"
#include "platform/core/ComponentRef.h"
#include "platform/ui/FormTable.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TChartAxis;
class TChartSeries;

// The kind a series is listed as, and the popup submenu that kind enables.
enum class TSeriesKindMenu { None, Arrow, Point, Line, Bar, Shape };
struct TSeriesKind {
    const char* Name;
    TSeriesKindMenu Menu;
};
// The first kind in list order the series is an instance of; "?" for any other class.
TSeriesKind SeriesKindOf(const TCustomChartSeries* series);

// The chart data text file of one series: a header of the bottom axis title and the series
// title, then "x;y" per point; date-time lists give the short date (and the long time when the
// value has a time of day), numbers carry '.' decimals. UTF-8; the caller converts.
std::string SeriesDataText(TCustomChart& chart, const TChartSeries& series);

// A series read as a histogram: X values are class positions, Y values their weights.
constexpr double HistogramQuantileNotSet = -99999.99;
struct THistogram {
    int Count = 0;  // classes
    long double WeightTotal = 0;
    long double Average = 0;
    long double StdDev = 0;  // weighted, population; 0 when the variance is not above 0
    double Minimum = 0;
    double Maximum = 0;
    double LowerQuantile = HistogramQuantileNotSet;
    double UpperQuantile = HistogramQuantileNotSet;
};
// Count, weight total, weighted mean and deviation, minimum and maximum of the classes. False
// when the weights do not add up to more than 0 (a total within rounding of their absolute sum
// counts as 0): there is no distribution then.
bool WeightedHistogram(std::span<const double> xs, std::span<const double> weights, THistogram& histogram);
// For 0 < p < 0.5: the first class, in ascending X, at which the cumulative weight reaches
// p of the total is the lower quantile, the first that reaches 1 - p the upper one (the largest
// X when none does). A cumulative weight equal to the threshold up to rounding reaches it.
void HistogramQuantiles(std::span<const double> xs, std::span<const double> weights, double p,
                        THistogram& histogram);
// The warning for a series whose weights do not add up to more than 0.
extern const char* const ZeroWeightTotalText;

class TFormChartProp : public QWidget {
    Q_OBJECT
public:
    explicit TFormChartProp(QWidget* parent = nullptr);
    ~TFormChartProp() override;

    static constexpr int MinimumWidth = 325;

    TCustomChart* Chart() const { return chart_.Get(); }
    void SetChart(TCustomChart* chart) { chart_.Set(chart); }

    QPlainTextEdit* MemoTitle;
    QCheckBox* CB_TitleVisible;
    QPushButton* BtnTitleFont;
    QComboBox* CB_TitleAlignment;
    QCheckBox* CB_LeftAutomatic;
    QCheckBox* CB_BottomAutomatic;
    QLineEdit* EditLeftMin;
    QLineEdit* EditBottomMin;
    QLineEdit* EditLeftMax;
    QLineEdit* EditBottomMax;
    QLineEdit* EditLeftIncrement;
    QLineEdit* EditBottomIncrement;
    QLineEdit* EditLeftFormat;
    QLineEdit* EditBottomFormat;
    QLineEdit* EditLeftTitle;
    QLineEdit* EditBottomTitle;
    QPushButton* BtnLeftLFont;
    QPushButton* BtnBottomLFont;
    QPushButton* BtnLeftTFont;
    QPushButton* BtnBottomTFont;
    QCheckBox* CB_LeftGrid;
    QCheckBox* CB_BottomGrid;
    QCheckBox* CB_Border;
    QCheckBox* CB_Legend;
    QPushButton* BtnLegendFont;
    QLineEdit* EditLegTitle;
    QLineEdit* EditColorWidth;
    QCheckBox* CB_bevel;
    QPushButton* BtnColor;
    QPushButton* BtnLoad;
    QPushButton* BtnSave;
    QPushButton* BtnClose;
    QListWidget* ListSeries;
    QPushButton* btnUp;
    QPushButton* btnDown;
    QPushButton* btnDelAll;
    QPushButton* BtnEditor;

    QMenu* PopupSeries;
    QMenu* MenuLine;
    QMenu* MenuPoint;
    QMenu* MenuArrow;
    QMenu* MenuShape;
    QMenu* MenuBar;
    QAction* ItemMerge;
    QAction* ItemClearBitmap;
    // The analysis commands follow it.
    QAction* AnalysisSeparator;
    // Offered only for a series of more than 2 points.
    QMenu* MenuStatistics;
    // The popup is offered only while a line is current.
    bool PopupAttached() const { return popupAttached_; }

    // Refills every control from the chart, rebuilds the series list.
    void FormActivate();
    void ListSeriesClick();
    void ListSeriesContextPopup();
    void PopupSeriesPopup();
    // The series of the current line; none without a current line or when its series is gone.
    TChartSeries* SelectedSeries() const;
    // The series a line holds; none once that series is gone.
    TChartSeries* SeriesOfLine(int row) const;

    void MemoTitleExit();
    void BtnLegendFontClick();
    void CB_bevelClick();
    void BtnLoadClick();
    void BtnSaveClick();
    void btnUpClick() { MoveSelected(-1); }
    void btnDownClick() { MoveSelected(1); }
    void btnDelAllClick();
    void BtnEditorClick();

    void RenameClick();
    void SetActiveClick(bool active);
    void ShowInLegendClick(bool show);
    void ColorClick();
    void LineStyleClick(int style);
    void LineWidthClick();
    void PointStyleClick(int style);
    void PointSizeClick(bool horizontal);
    void PointToArrowClick();
    void ArrowWidthClick();
    void ArrowSizeClick();
    void LengthMultiplierClick();
    void ShapeTransparentClick(bool transparent);
    void BrushStyleClick(int style);
    void ShapeFontClick();
    void ShapeTextClick();
    void ShapeBitmapClick();
    void ShapeClearBitmapClick();
    void ShapeOutlineClick(bool on);
    void BarMarkedClick();
    void BarWidthClick();
    void AddRegressionClick();
    void BasicStatisticsClick();
    void HistogramClick();
    void CorrelationClick();
    void BrokenLineClick();
    // 0 transforms the X values, 1 the Y values.
    void TransformClick(int axis);
    void SaveDataClick();
    void DeleteClick();
    void MergeClick();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TBuiltForm form_;
    void BuildSettings();
    void BuildSeriesList();
    void BuildPopup();
    void ConnectControls();
    void FillSettings(TCustomChart& chart);
    void FillSeriesList(TCustomChart& chart);
    void EnableAxisEdits();
    void WriteAxisNumber(QLineEdit* edit, TChartAxis* axis, void (TChartAxis::*setter)(double));
    void AxisFontClick(TChartAxis* axis, bool labels);
    void MoveSelected(int step);
    // Runs a command on the selected series when there is one, the chart with it.
    template <class F>
    void WithSelected(F&& command);
    std::string SeriesCaption(const char* kind) const;

    TComponentRef<TCustomChart> chart_;
    bool popupAttached_ = false;
};

extern TFormChartProp* FormChartProp;
// Makes the window on first use, binds it to the chart and shows it above owner, the window that
// holds the chart (ShowOwned).
void ShowChartProperties(TCustomChart* chart, QWidget* owner = nullptr);

const TControlTable& FormChartPropTable();
