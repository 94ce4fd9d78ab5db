#pragma once
// The statistics results window: one page of a page control per result table (basic
// statistics, histogram, correlation, broken-line regression), each page one string grid with
// row names in column 0 and column headers in row 0. Pages are copied to the clipboard (TAB
// separated), saved as delimited text (';') and closed from the grid's popup menu. The module
// also keeps the quantile probability that basic and histogram statistics ask once per run.
#include <QWidget>
#include <string>

#include "stats/UOrdLists.h"
#include "stats/Ustatistics.h"

class QAction;
class QMenu;
class QTabWidget;
class TStringGrid;

// -1 until asked; then the answer (percent / 100) for the rest of the run. Quantile rows
// appear only for 0 < p < 0.5.
extern double QuantileProbability;
// The answers the quantile question takes, in percent.
constexpr double QuantilePercentMin = 0.01;
constexpr double QuantilePercentMax = 49.99;
// Empty, with the percent set, for a number in that range (in the user's locale); else the
// message that tells why the answer is refused.
std::string QuantilePercentRefusal(const std::string& answer, double& percent);
// Asks for the probability while it is below 0: "5" (percent) by default, also when the box is
// cancelled; the box stays open until it gets a number in the range.
void AskQuantileProbability();
bool ShowsQuantileRows(double p);

// Count, sum, mean and population standard deviation of the values; the deviation is taken
// about the mean in a second pass and never below 0 (a variance rounding below zero is 0).
struct TMeanStdDev {
    int Count = 0;
    long double Sum = 0;
    long double Mean = 0;
    long double StdDev = 0;
};
TMeanStdDev ComputeMeanStdDev(const TFloatArray& values);

// ---- Grid helpers (row 0 holds headers, column 0 names) ---------------------------------------

// The row of that name from row 1 on; else the row after the last named one (never row 0),
// growing the grid when needed. Column 0 is widened to the name when narrower.
int FindOrAddRow(TStringGrid& grid, const std::string& name);
// The column of that header from column 1 on; else the first column whose header is empty (or
// one beyond the last), with the column count set to it + 1.
int FindOrAddColumn(TStringGrid& grid, const std::string& header);
void SetRowFloat(TStringGrid& grid, const std::string& name, double value);
void SetRowInt(TStringGrid& grid, const std::string& name, long long value);
void SetCellFloat(TStringGrid& grid, const std::string& name, double value, int column);
void SetCellInt(TStringGrid& grid, const std::string& name, long long value, int column);
// "Count", "Sum", "Average", "Standard deviation", "Minimum", the lower quantile, "Median", the
// upper quantile and "Maximum" of ascending values in the column of that header.
void FillBasicRows(TStringGrid& grid, const std::string& header, const TFloatArray& values);

// ---- The window ---------------------------------------------------------------------------------

class TFormStatResults : public QWidget {
    Q_OBJECT
public:
    explicit TFormStatResults(QWidget* parent = nullptr);

    QTabWidget* PageControl;
    QMenu* PopupResGrid;
    QAction* mnSaveresults1;
    QAction* mnCopy1;
    QAction* mnClosepage1;

    // A new page with its grid; one fixed header row when columns > 2.
    TStringGrid* AddResultsPage(const std::string& caption, int rows, int columns);
    // The first page of exactly that caption, made active; else a new 2 x 2 page.
    TStringGrid* FindOrAddPage(const std::string& caption);
    int PageCount() const;
    TStringGrid* Page(int index) const;
    TStringGrid* ActiveGrid() const;
    std::string PageCaption(const TStringGrid& grid) const;
    // "[caption]", then per row CR LF and its cells joined by the separator.
    std::string PageText(const TStringGrid& grid, const std::string& separator) const;
    // Every page after a CR LF, then a final CR LF: the file starts with an empty line.
    std::string ResultsText() const;

    // The active page's columns as wide as their texts (within the screen), and the window wide
    // enough for them where the screen allows.
    void FitActivePage();

    void mnCopy1Click();
    void mnSaveresults1Click();
    void mnClosepage1Click();
};

// The one results window, made on first use.
TFormStatResults& FormStatResults();
// Frees it (for tests and the program's end); the next use makes a new one.
void FreeFormStatResults();

// Each entry shows the window above owner, the window whose command asked (ShowOwned), with the
// columns of the page as wide as their texts.
void ShowBasicStatistics(const std::string& caption, const TFloatArray& xValues, const TFloatArray& yValues,
                         QWidget* owner = nullptr);
void ShowCorrelation(const std::string& caption, const TStatistics& engine, QWidget* owner = nullptr);
void ShowHistogram(const std::string& caption, int classCount, double upperQuantile, double lowerQuantile,
                   double maximum, double minimum, double stdDev, double average, double weightTotal,
                   QWidget* owner = nullptr);
// Updates the page of that caption in place, or adds it.
void ShowBrokenLineResult(const std::string& caption, const TBreakPointRecord& record, QWidget* owner = nullptr);
