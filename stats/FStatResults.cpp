#include "stats/FStatResults.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "platform/core/CodePage.h"
#include "platform/core/DotDecimal.h"
#include "platform/core/NumText.h"
#include "platform/core/SafeFile.h"
#include "platform/core/StringList.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/StringGrid.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/WindowFit.h"

double QuantileProbability = -1;

bool ShowsQuantileRows(double p) { return p > 0 && p < 0.5; }

std::string QuantilePercentRefusal(const std::string& answer, double& percent)
{
    double value = 0;
    if (TryStrToFloat(Trim(answer), value) && value >= QuantilePercentMin && value <= QuantilePercentMax) {
        percent = value;
        return {};
    }
    return "\"" + answer + "\" is not a probability from " + FloatToStr(QuantilePercentMin) + " to " +
           FloatToStr(QuantilePercentMax) + " %.";
}

void AskQuantileProbability()
{
    if (QuantileProbability >= 0) return;
    std::string answer = "5";
    double percent = 5;  // also what a cancelled box gives
    UiServices().InputQueryChecked("Quantile calculation", "Probability 0.01 .. 49.99 %", answer,
                                   [&percent](const std::string& text) { return QuantilePercentRefusal(text, percent); });
    QuantileProbability = percent / 100;
}

TMeanStdDev ComputeMeanStdDev(const TFloatArray& values)
{
    TMeanStdDev result;
    result.Count = static_cast<int>(values.size());
    if (values.empty()) return result;
    for (double v : values) result.Sum += v;
    const long double n = result.Count;
    long double mean = result.Sum / n, drift = 0;
    for (double v : values) drift += v - mean;
    mean += drift / n;
    long double squares = 0;
    for (double v : values) squares += (v - mean) * (v - mean);
    result.Mean = mean;
    result.StdDev = squares > 0 ? std::sqrt(squares / n) : 0;
    return result;
}

// ---- Grid helpers ---------------------------------------------------------------------------

namespace {
std::string NumberText(double value) { return NumberToTextHook(value); }

void WidenNameColumn(TStringGrid& grid, const std::string& name)
{
    const int wanted = grid.TextWidth(name) + 4;
    if (grid.ColWidths(0) < wanted) grid.SetColWidths(0, wanted);
}
}  // namespace

int FindOrAddRow(TStringGrid& grid, const std::string& name)
{
    for (int row = 1; row < grid.RowCount(); ++row)
        if (grid.Cells(0, row) == name) return row;
    int row = grid.RowCount() - 1;
    while (row > 0 && grid.Cells(0, row).empty()) --row;
    ++row;  // after the last named row, never row 0
    if (row >= grid.RowCount()) grid.SetRowCount(row + 1);
    grid.SetCells(0, row, name);
    WidenNameColumn(grid, name);
    return row;
}

int FindOrAddColumn(TStringGrid& grid, const std::string& header)
{
    for (int column = 1; column < grid.ColCount(); ++column)
        if (grid.Cells(column, 0) == header) return column;
    int column = 1;
    while (column < grid.ColCount() && !grid.Cells(column, 0).empty()) ++column;
    grid.SetColCount(column + 1);
    grid.SetCells(column, 0, header);
    return column;
}

namespace {
void SetCellText(TStringGrid& grid, const std::string& name, const std::string& text, int column)
{
    if (grid.ColCount() < column + 1) grid.SetColCount(column + 1);
    grid.SetCells(column, FindOrAddRow(grid, name), text);
}
}  // namespace

void SetRowFloat(TStringGrid& grid, const std::string& name, double value) { SetCellFloat(grid, name, value, 1); }
void SetRowInt(TStringGrid& grid, const std::string& name, long long value) { SetCellInt(grid, name, value, 1); }

void SetCellFloat(TStringGrid& grid, const std::string& name, double value, int column)
{
    SetCellText(grid, name, NumberText(value), column);
}

void SetCellInt(TStringGrid& grid, const std::string& name, long long value, int column)
{
    SetCellText(grid, name, IntToStr(value), column);
}

void FillBasicRows(TStringGrid& grid, const std::string& header, const TFloatArray& values)
{
    const int column = FindOrAddColumn(grid, header);
    const TMeanStdDev moments = ComputeMeanStdDev(values);
    const double p = QuantileProbability;
    const bool quantiles = ShowsQuantileRows(p);
    SetCellInt(grid, "Count", moments.Count, column);
    SetCellFloat(grid, "Sum", static_cast<double>(moments.Sum), column);
    SetCellFloat(grid, "Average", static_cast<double>(moments.Mean), column);
    SetCellFloat(grid, "Standard deviation", static_cast<double>(moments.StdDev), column);
    SetCellFloat(grid, "Minimum", static_cast<double>(Quantile(values, 0)), column);
    if (quantiles)
        SetCellFloat(grid, "Q " + NumberText(p * 100), static_cast<double>(Quantile(values, p)), column);
    SetCellFloat(grid, "Median", static_cast<double>(Quantile(values, 0.5)), column);
    if (quantiles)
        SetCellFloat(grid, "Q " + NumberText((1 - p) * 100), static_cast<double>(Quantile(values, 1 - p)), column);
    SetCellFloat(grid, "Maximum", static_cast<double>(Quantile(values, 1)), column);
}

// ---- The window ---------------------------------------------------------------------------------

namespace {
const char* const kCaptionProperty = "pageCaption";
}

TFormStatResults::TFormStatResults(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("FormStatResults");
    setWindowTitle("Statistics");
    setAccessibleName("Statistics");
    resize(480, 360);
    PageControl = Named(new QTabWidget(this), "PageControl", "Results");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl);

    PopupResGrid = Named(new QMenu(this), "PopupResGrid", "Results");
    mnSaveresults1 = PopupResGrid->addAction("Save results");
    mnCopy1 = PopupResGrid->addAction("Copy");
    mnClosepage1 = PopupResGrid->addAction("Close page");
    mnSaveresults1->setObjectName("mnSaveresults1");
    mnCopy1->setObjectName("mnCopy1");
    mnClosepage1->setObjectName("mnClosepage1");
    connect(mnSaveresults1, &QAction::triggered, this, Guarded(this, &TFormStatResults::mnSaveresults1Click));
    connect(mnCopy1, &QAction::triggered, this, Guarded(this, &TFormStatResults::mnCopy1Click));
    connect(mnClosepage1, &QAction::triggered, this, Guarded(this, &TFormStatResults::mnClosepage1Click));
}

TStringGrid* TFormStatResults::AddResultsPage(const std::string& caption, int rows, int columns)
{
    auto* grid = new TStringGrid(PageControl);
    grid->setAccessibleName(QText(caption));
    grid->setProperty(kCaptionProperty, QText(caption));
    grid->SetFixedRows(columns > 2 ? 1 : 0);
    grid->SetRowCount(rows);
    grid->SetColCount(columns);
    grid->SetColumnSizing(true);
    grid->SetRowSelect(true);
    grid->SetDefaultRowHeight(20);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid->addActions(PopupResGrid->actions());
    // '&' would mark a shortcut on the tab; the caption is shown as it is.
    QString tabText = QText(caption);
    tabText.replace("&", "&&");
    PageControl->setCurrentIndex(PageControl->addTab(grid, tabText));
    return grid;
}

int TFormStatResults::PageCount() const { return PageControl->count(); }

TStringGrid* TFormStatResults::Page(int index) const { return static_cast<TStringGrid*>(PageControl->widget(index)); }

TStringGrid* TFormStatResults::ActiveGrid() const { return static_cast<TStringGrid*>(PageControl->currentWidget()); }

std::string TFormStatResults::PageCaption(const TStringGrid& grid) const
{
    return grid.property(kCaptionProperty).toString().toStdString();
}

TStringGrid* TFormStatResults::FindOrAddPage(const std::string& caption)
{
    for (int i = 0; i < PageCount(); ++i) {
        if (PageCaption(*Page(i)) == caption) {
            PageControl->setCurrentIndex(i);
            return Page(i);
        }
    }
    return AddResultsPage(caption, 2, 2);
}

std::string TFormStatResults::PageText(const TStringGrid& grid, const std::string& separator) const
{
    std::string text = EncloseText(3, PageCaption(grid));
    for (int row = 0; row < grid.RowCount(); ++row) {
        text += "\r\n" + grid.Cells(0, row);
        for (int column = 1; column < grid.ColCount(); ++column) text += separator + grid.Cells(column, row);
    }
    return text;
}

std::string TFormStatResults::ResultsText() const
{
    std::string text;
    for (int i = 0; i < PageCount(); ++i) text += "\r\n" + PageText(*Page(i), ";");
    return text + "\r\n";
}

void TFormStatResults::FitActivePage()
{
    TStringGrid* grid = ActiveGrid();
    if (!grid) return;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() : 1024;
    // What the window puts around the cells: the page's frame, the grid's frame and a scroll bar.
    const int chrome = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2 * grid->frameWidth() +
                       grid->verticalScrollBar()->sizeHint().width() + 8;
    const int needed = grid->FitColumnWidths(std::max(100, room - chrome - 40)) + chrome;
    if (width() < needed) resize(std::min(needed, room - 40), height());
}

void TFormStatResults::mnCopy1Click()
{
    const TStringGrid* grid = ActiveGrid();
    if (!grid) return;
    QGuiApplication::clipboard()->setText(QText(PageText(*grid, "\t")));
}

void TFormStatResults::mnSaveresults1Click()
{
    if (PageCount() == 0) return;
    TFileDialogOptions dialog;
    dialog.Title = "Save results as";
    dialog.Filter = "Delimited text|*.csv|Any file|*.*";
    dialog.DefaultExt = "csv";
    if (!UiServices().SaveFileDialog(dialog)) return;
    WriteFileSafely(dialog.FileName, Utf8ToAnsi(ResultsText()));
}

void TFormStatResults::mnClosepage1Click()
{
    TStringGrid* grid = ActiveGrid();
    if (!grid) return;
    PageControl->removeTab(PageControl->indexOf(grid));
    delete grid;
}

// ---- Entries --------------------------------------------------------------------------------

namespace {
// The application frees its remaining windows when it ends; the pointer then turns empty.
QPointer<TFormStatResults> formStatResults;

void ShowWindow(QWidget* owner)
{
    TFormStatResults& form = FormStatResults();
    form.FitActivePage();
    ShowOwned(&form, owner);
}
}  // namespace

TFormStatResults& FormStatResults()
{
    if (!formStatResults) formStatResults = new TFormStatResults;
    return *formStatResults;
}

void FreeFormStatResults() { delete formStatResults.data(); }

void ShowBasicStatistics(const std::string& caption, const TFloatArray& xValues, const TFloatArray& yValues,
                         QWidget* owner)
{
    ShowWindow(owner);
    TStringGrid& grid = *FormStatResults().AddResultsPage(caption, 10, 3);
    AskQuantileProbability();
    FillBasicRows(grid, "X", xValues);
    FillBasicRows(grid, "Y", yValues);
    // The question's box stood over the owner, which the window manager raised with it.
    ShowWindow(owner);
}

void ShowCorrelation(const std::string& caption, const TStatistics& engine, QWidget* owner)
{
    TStringGrid& grid = *FormStatResults().AddResultsPage(caption, 3, 2);
    SetRowFloat(grid, "Correlation (r)", static_cast<double>(engine.Results.Correlation));
    SetRowFloat(grid, "Probability (P %)", static_cast<double>(engine.Results.ProbabilityR * 100));
    SetRowInt(grid, "Count", engine.Results.Count);
    ShowWindow(owner);
}

void ShowHistogram(const std::string& caption, int classCount, double upperQuantile, double lowerQuantile,
                   double maximum, double minimum, double stdDev, double average, double weightTotal,
                   QWidget* owner)
{
    TStringGrid& grid = *FormStatResults().AddResultsPage(caption, 6, 2);
    const double p = QuantileProbability;
    SetRowInt(grid, "Count of classes", classCount);
    SetRowFloat(grid, "Weight total", weightTotal);
    SetRowFloat(grid, "Average", average);
    SetRowFloat(grid, "Std", stdDev);
    SetRowFloat(grid, "Minimum", minimum);
    if (ShowsQuantileRows(p)) {
        SetRowFloat(grid, "Q " + NumberText(p * 100), lowerQuantile);
        SetRowFloat(grid, "Q " + NumberText((1 - p) * 100), upperQuantile);
    }
    SetRowFloat(grid, "Maximum", maximum);
    ShowWindow(owner);
}

void ShowBrokenLineResult(const std::string& caption, const TBreakPointRecord& record, QWidget* owner)
{
    TStringGrid& grid = *FormStatResults().FindOrAddPage(caption);
    struct Subset {
        int Count;
        long double Correlation, ResidualSum, Intercept, Slope;
    };
    const Subset subsets[2] = {
        {record.Count1, record.Correlation1, record.ResidualSum1, record.Intercept1, record.Slope1},
        {record.Count2, record.Correlation2, record.ResidualSum2, record.Intercept2, record.Slope2}};
    for (int i = 1; i <= 2; ++i) {
        const Subset& s = subsets[i - 1];
        SetCellInt(grid, "Subset", i, i);
        SetCellInt(grid, "Count", s.Count, i);
        SetCellFloat(grid, "Correlation", static_cast<double>(s.Correlation), i);
        const long double rmsd = s.Count > 0 ? std::sqrt(std::max(s.ResidualSum, 0.0L) / s.Count) : 0;
        SetCellFloat(grid, "RMSD", static_cast<double>(rmsd), i);
        SetCellFloat(grid, "Regression intercept", static_cast<double>(s.Intercept), i);
        SetCellFloat(grid, "Regression slope", static_cast<double>(s.Slope), i);
    }
    SetCellFloat(grid, "Break point", record.BreakPoint, 3);
    for (int k = 0; k < BrokenLineStatisticCount; ++k) {
        const long double value = BrokenLineStatistic(record, k);
        if (!IsMissingValue(value)) SetCellFloat(grid, BrokenLineStatisticName(k), static_cast<double>(value), 3);
    }
    ShowWindow(owner);
}
