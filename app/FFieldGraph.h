#pragma once
// The category frequency graph: how often each value of a field occurs in the data table,
// optionally split by the values of a category field and filtered by a free condition, as a
// grid of counts and a bar chart that is copied or saved as a metafile.
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Colors.h"
#include "platform/core/Component.h"
#include "platform/db/Query.h"
#include "platform/ui/UiServices.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TBarSeries;
class TChart;
class TDataSet;
class TDuvPanelHost;
class TStringGrid;

// ---- What the window decides ------------------------------------------------------------------

// The where part of the counting queries, with its leading blank; "" when nothing limits them.
// An empty category counts the field alone; a condition of blanks only adds nothing.
std::string FieldGraphWhere(const std::string& field, const std::string& category, bool excludeEmpty,
                            const std::string& condition);
std::string CountQuerySql(const std::string& field, const std::string& tableName, const std::string& where);
std::string CategorizedQuerySql(const std::string& category, const std::string& field, const std::string& tableName,
                                const std::string& where);

// Series number n (from 1) takes entry n mod 7: black, blue, fuchsia, green, purple, red, yellow.
TColor FieldGraphSeriesColor(int number);

// One row of a counting query: the category's text (NULL reads as empty text), the value, its
// text as the field shows it, and its count.
struct TFrequencyRow {
    std::string Category;
    Variant Value;
    std::string ValueText;
    int Count = 0;
};

// The rows of an open counting query (columns: value, n; or category, value, n).
std::vector<TFrequencyRow> ReadFrequencyRows(TDataSet& query, bool categorized);

// The bars of the chart: one series per category in order of appearance, each bar placed at
// its value's position among all values of the field (in the order the engine groups them), so
// that one x is one value.
struct TFrequencyBar {
    int Position = 0;  // into Values
    double Height = 0;
};
struct TFrequencyBars {
    std::vector<std::string> Values;      // bar labels by position
    std::vector<std::string> Categories;  // series titles; one untitled series without a category
    std::vector<std::vector<TFrequencyBar>> Bars;  // [series], by position
};
// Rows of the count query (no category): counts, or with relative each count as a percentage of
// all counted records.
TFrequencyBars FrequencyBars(const std::vector<TFrequencyRow>& rows, bool relative);
// Rows of the categorized query, grouped by category then value: the counts. Each series has a
// bar at every position, 0 where its category lacks the value: bar series lay out and stack
// their bars point by point, so one x is one value only when every series has every point.
TFrequencyBars CategorizedFrequencyBars(const std::vector<TFrequencyRow>& rows);

// ---- The window -------------------------------------------------------------------------------

class TFormFieldGraph : public QWidget {
    Q_OBJECT
public:
    explicit TFormFieldGraph(QWidget* parent = nullptr);
    ~TFormFieldGraph() override;

    QListWidget* FieldListBox;
    QComboBox* CBcategorized;
    QPlainTextEdit* MemoCond;
    QCheckBox* CBempty;
    TStringGrid* DataGrid;
    QCheckBox* CBrelative;
    QPushButton* BtnShow;
    QPushButton* BtnProperties;
    QPushButton* BtnCopy;
    QPushButton* BtnSave;
    TChart* Chart1() const { return chart_.get(); }
    TDuvPanelHost* Chart1Host;
    TQuery Query;
    TFileDialogOptions SaveDlg;

    // Field names of the table without its memo fields, the same as categories.
    void SetFields(TDataSet& table);
    void SetTableName(const std::string& name) { tableName_ = name; }
    const std::string& TableName() const { return tableName_; }

    void FillCountGrid();
    void ClearGrid();
    void ClearChart();
    void BtnShowClick();
    void BtnPropertiesClick();
    void BtnCopyClick();
    void BtnSaveClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    std::string SelectedField() const;
    std::string Category() const;
    std::string Where(const std::string& field, const std::string& category) const;
    std::vector<TFrequencyRow> OpenCountQuery(const std::string& field);
    std::vector<TFrequencyRow> OpenCategorizedQuery(const std::string& category, const std::string& field);
    std::vector<TFrequencyRow> RunQuery(const std::string& sql, bool categorized);
    TBarSeries* AddBarSeries(int number, const std::string& title, bool showInLegend, bool stacked100);

    TComponentPtr<TChart> chart_;
    std::string tableName_;
};

// A new window on the table's fields (every call), centred on the screen; its queries run on the
// named database. It closes with its owner.
TFormFieldGraph* ShowFieldGraph(TDataSet& table, const std::string& tableName, const std::string& databaseName,
                                QWidget* owner = nullptr);
