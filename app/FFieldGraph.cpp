#include "app/FFieldGraph.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>

#include "app/FSetQuery.h"  // FromClause
#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "platform/db/DataSet.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/StringGrid.h"
#include "platform/ui/WindowFit.h"
#include "stats/FChartProp.h"

// ---- What the window decides ------------------------------------------------------------------

std::string FieldGraphWhere(const std::string& field, const std::string& category, bool excludeEmpty,
                            const std::string& condition)
{
    const std::string trimmed = Trim(condition);
    const std::string common = trimmed.empty() ? "" : "(" + trimmed + ")";
    if (!excludeEmpty) return common.empty() ? "" : " where " + common;
    std::string where = " where (" + field + " is not NULL)";
    if (!category.empty()) where += " and (" + category + " is not NULL)";
    if (!common.empty()) where += " and " + common;
    return where;
}

std::string CountQuerySql(const std::string& field, const std::string& tableName, const std::string& where)
{
    return "select " + field + ", count(*) as n from " + FromClause(tableName) + where + " group by " + field;
}

std::string CategorizedQuerySql(const std::string& category, const std::string& field, const std::string& tableName,
                                const std::string& where)
{
    return "select " + category + "," + field + ", count(*) as n from " + FromClause(tableName) + where +
           " group by " + category + "," + field;
}

TColor FieldGraphSeriesColor(int number)
{
    static constexpr TColor kColors[] = {clBlack, clBlue, clFuchsia, clGreen, clPurple, clRed, clYellow};
    return kColors[number % std::size(kColors)];
}

namespace {

// The order in which the engine groups values: NULL first, then numbers (dates and logicals
// among them), then texts byte by byte.
int KindRank(const Variant& value)
{
    switch (value.Type()) {
    case TVarType::Null: return 0;
    case TVarType::String: return 2;
    default: return 1;
    }
}

bool GroupsBefore(const Variant& a, const Variant& b)
{
    const int rankA = KindRank(a), rankB = KindRank(b);
    if (rankA != rankB) return rankA < rankB;
    if (rankA == 1) {
        const double x = a.FloatValue(), y = b.FloatValue();
        if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && !std::isnan(y);  // keeps the order strict
        return x < y;
    }
    return rankA == 2 && a.StringValue() < b.StringValue();
}

}  // namespace

std::vector<TFrequencyRow> ReadFrequencyRows(TDataSet& query, bool categorized)
{
    std::vector<TFrequencyRow> rows;
    rows.reserve(query.RecordCount());
    const int value = categorized ? 1 : 0;
    for (query.First(); !query.Eof(); query.Next()) {
        TFrequencyRow row;
        if (categorized) row.Category = query.Fields().Fields(0).AsString();
        const TField& field = query.Fields().Fields(value);
        row.Value = field.Value();
        row.ValueText = field.AsString();
        row.Count = query.Fields().Fields(value + 1).AsInteger();
        rows.push_back(std::move(row));
    }
    return rows;
}

TFrequencyBars FrequencyBars(const std::vector<TFrequencyRow>& rows, bool relative)
{
    TFrequencyBars bars;
    bars.Categories.emplace_back();
    bars.Bars.emplace_back();
    double total = 0;
    for (const TFrequencyRow& row : rows) total += row.Count;
    for (const TFrequencyRow& row : rows) {
        const double height = relative ? (total > 0 ? row.Count * 100.0 / total : 0) : row.Count;
        bars.Bars[0].push_back({int(bars.Values.size()), height});
        bars.Values.push_back(row.ValueText);
    }
    return bars;
}

TFrequencyBars CategorizedFrequencyBars(const std::vector<TFrequencyRow>& rows)
{
    // Every value of the field once, in the engine's order: its index is the bar's x.
    std::vector<const TFrequencyRow*> distinct;
    distinct.reserve(rows.size());
    for (const TFrequencyRow& row : rows) distinct.push_back(&row);
    const auto before = [](const TFrequencyRow* a, const TFrequencyRow* b) { return GroupsBefore(a->Value, b->Value); };
    std::stable_sort(distinct.begin(), distinct.end(), before);
    // Values the engine groups as one (a whole number stored as integer and as real) share a place.
    const auto same = [&](const TFrequencyRow* a, const TFrequencyRow* b) { return !before(a, b) && !before(b, a); };
    distinct.erase(std::unique(distinct.begin(), distinct.end(), same), distinct.end());

    TFrequencyBars bars;
    bars.Values.reserve(distinct.size());
    for (const TFrequencyRow* row : distinct) bars.Values.push_back(row->ValueText);
    const auto startSeries = [&](const std::string& category) {
        bars.Categories.push_back(category);
        std::vector<TFrequencyBar>& series = bars.Bars.emplace_back(bars.Values.size());
        for (std::size_t i = 0; i < series.size(); ++i) series[i].Position = int(i);
    };
    // "No current series" is kept apart from the category text, so no text can pose as it.
    bool haveCurrent = false;
    for (const TFrequencyRow& row : rows) {
        if (!haveCurrent || row.Category != bars.Categories.back()) {
            haveCurrent = true;
            startSeries(row.Category);
        }
        const auto position = std::lower_bound(distinct.begin(), distinct.end(), &row, before) - distinct.begin();
        bars.Bars.back()[position].Height += row.Count;
    }
    return bars;
}

// ---- The window -------------------------------------------------------------------------------

namespace {

constexpr int kSideWidth = 230;
constexpr int kGridRowHeight = 20;

struct TButtonSpec {
    QPushButton* TFormFieldGraph::*Member;
    const char* Name;
    const char* Caption;
    const char* Hint;
    void (TFormFieldGraph::*Click)();
};

const TButtonSpec kButtons[] = {
    {&TFormFieldGraph::BtnShow, "BtnShow", "Show graph", "", &TFormFieldGraph::BtnShowClick},
    {&TFormFieldGraph::BtnProperties, "BtnProperties", "Properties", "", &TFormFieldGraph::BtnPropertiesClick},
    {&TFormFieldGraph::BtnCopy, "BtnCopy", "Copy graph", "Copy into clipboard as metafile",
     &TFormFieldGraph::BtnCopyClick},
    {&TFormFieldGraph::BtnSave, "BtnSave", "Save as", "Save graph as metafile", &TFormFieldGraph::BtnSaveClick},
};

QLabel* BuddyLabel(const char* name, const char* caption, QWidget* buddy, QWidget* parent)
{
    auto* label = Named(new QLabel(caption, parent), name, caption);
    label->setBuddy(buddy);
    return label;
}

std::string LowerExtension(const std::string& fileName)
{
    const std::size_t slash = fileName.rfind('/');
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = fileName.substr(dot);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace

TFormFieldGraph::TFormFieldGraph(QWidget* parent) : QWidget(parent, Qt::Window), chart_(MakeComponent<TChart>())
{
    // Closing hides the window for good (a new command makes a new one), so it goes at once.
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("FormFieldGraph");
    setWindowTitle("Field categorized graph");
    setAccessibleName(windowTitle());
    setFont(FormFont());
    chart_->SetName("Chart1");
    chart_->Title()->AssignText("");
    BuildControls();
    SaveDlg.DefaultExt = "emf";
    SaveDlg.Filter = "Windows metafile (*.wmf)|*.wmf|Enhanced metafile (*.emf)|*.emf|All files|*.*";
    SaveDlg.FilterIndex = 2;
    SaveDlg.Title = "Save graph as";
    resize(820, 560);
    KeepOnScreen(this);
}

TFormFieldGraph::~TFormFieldGraph()
{
    // The host paints the chart, so it goes before it; the series go with the chart, their owner.
    delete Chart1Host;
    chart_.reset();
    Query.Close();
}

void TFormFieldGraph::BuildControls()
{
    auto* side = new QWidget(this);
    side->setFixedWidth(kSideWidth);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(6, 6, 6, 6);

    FieldListBox = Named(new QListWidget(side), "FieldListBox", "Fields");
    CBcategorized = Named(new QComboBox(side), "CBcategorized", "Categorized");
    CBcategorized->installEventFilter(this);
    MemoCond = Named(new QPlainTextEdit(side), "MemoCond", "Common conditions:");
    MemoCond->setFixedHeight(54);
    CBempty = Named(new QCheckBox("Exclude empty field", side), "CBempty", "Exclude empty field");
    DataGrid = Named(new TStringGrid(side), "DataGrid", "Counts");
    DataGrid->SetColCount(2);
    DataGrid->SetRowCount(2);
    DataGrid->SetDefaultRowHeight(kGridRowHeight);
    DataGrid->SetColWidths(0, 140);
    DataGrid->SetColWidths(1, 60);
    CBrelative = Named(new QCheckBox("Relative frequencies", side), "CBrelative", "Relative frequencies");

    column->addWidget(FieldListBox, 2);
    column->addWidget(BuddyLabel("LblCategorized", "Categorized", CBcategorized, side));
    column->addWidget(CBcategorized);
    column->addWidget(BuddyLabel("LblCond", "Common conditions:", MemoCond, side));
    column->addWidget(MemoCond);
    column->addWidget(CBempty);
    column->addWidget(DataGrid, 3);
    column->addWidget(CBrelative);
    auto* buttons = new QGridLayout;
    int place = 0;
    for (const TButtonSpec& spec : kButtons) {
        auto* button = Named(new QPushButton(spec.Caption, side), spec.Name, spec.Caption);
        if (*spec.Hint) button->setToolTip(spec.Hint);
        connect(button, &QPushButton::clicked, this, Guarded(this, spec.Click));
        buttons->addWidget(button, place / 2, place % 2);
        this->*spec.Member = button;
        ++place;
    }
    column->addLayout(buttons);

    Chart1Host = Named(new TDuvPanelHost(*chart_, this), "Chart1", "Field categorized graph");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(side);
    layout->addWidget(Chart1Host, 1);

    // A click counts the field (again); keys that move the selection count the new field.
    connect(FieldListBox, &QListWidget::itemClicked, this, Guarded(this, &TFormFieldGraph::FillCountGrid));
    connect(FieldListBox, &QListWidget::currentRowChanged, this, [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton) RunHandler([this] { FillCountGrid(); });
    });
    connect(CBcategorized, &QComboBox::currentIndexChanged, this, Guarded(this, &TFormFieldGraph::FillCountGrid));
    connect(CBempty, &QCheckBox::clicked, this, Guarded(this, &TFormFieldGraph::FillCountGrid));
}

bool TFormFieldGraph::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == CBcategorized && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        CBcategorized->setCurrentIndex(-1);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFormFieldGraph::SetFields(TDataSet& table)
{
    TStringList names;
    table.GetFieldNames(names);
    for (int i = names.Count() - 1; i >= 0; --i) {
        const TField* field = table.FindField(names.Strings(i));
        if (field && field->DataType() == ftMemo) names.Delete(i);
    }
    FieldListBox->clear();
    CBcategorized->clear();
    for (int i = 0; i < names.Count(); ++i) {
        FieldListBox->addItem(QText(names.Strings(i)));
        CBcategorized->addItem(QText(names.Strings(i)));
    }
    CBcategorized->setCurrentIndex(-1);
}

std::string TFormFieldGraph::SelectedField() const
{
    const QListWidgetItem* item = FieldListBox->currentItem();
    return item && item->isSelected() ? item->text().toStdString() : std::string();
}

std::string TFormFieldGraph::Category() const { return CBcategorized->currentText().toStdString(); }

std::string TFormFieldGraph::Where(const std::string& field, const std::string& category) const
{
    return FieldGraphWhere(field, category, CBempty->isChecked(), MemoCond->toPlainText().toStdString());
}

std::vector<TFrequencyRow> TFormFieldGraph::RunQuery(const std::string& sql, bool categorized)
{
    Query.Close();
    Query.SQL().SetText(sql);
    Query.Open();
    std::vector<TFrequencyRow> rows = ReadFrequencyRows(Query, categorized);
    Query.Close();
    return rows;
}

std::vector<TFrequencyRow> TFormFieldGraph::OpenCountQuery(const std::string& field)
{
    return RunQuery(CountQuerySql(field, tableName_, Where(field, "")), false);
}

std::vector<TFrequencyRow> TFormFieldGraph::OpenCategorizedQuery(const std::string& category, const std::string& field)
{
    return RunQuery(CategorizedQuerySql(category, field, tableName_, Where(field, category)), true);
}

void TFormFieldGraph::ClearGrid()
{
    for (int row = 0; row < DataGrid->RowCount(); ++row)
        for (int column = 0; column < DataGrid->ColCount(); ++column) DataGrid->SetCells(column, row, "");
}

void TFormFieldGraph::FillCountGrid()
{
    const std::string field = SelectedField();
    if (field.empty()) return;
    const std::string category = Category();
    const std::vector<TFrequencyRow> rows = OpenCountQuery(category.empty() ? field : category);
    ClearGrid();
    DataGrid->SetRowCount(int(rows.size()) + 1);
    DataGrid->SetCells(0, 0, "Value");
    DataGrid->SetCells(1, 0, "Count");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = int(i) + 1;
        DataGrid->SetCells(0, row, "[" + IntToStr(row) + "]: " + rows[i].ValueText);
        DataGrid->SetCells(1, row, IntToStr(rows[i].Count));
    }
    ClearChart();
}

void TFormFieldGraph::ClearChart()
{
    for (int i = chart_->CountSeries() - 1; i >= 0; --i) FreeComponent(chart_->GetSeries(i));
    chart_->BottomAxis()->GetTitle()->SetCaption("");
    chart_->LeftAxis()->GetTitle()->SetCaption("");
    chart_->Title()->AssignText("");
    chart_->Invalidate();
}

TBarSeries* TFormFieldGraph::AddBarSeries(int number, const std::string& title, bool showInLegend, bool stacked100)
{
    auto* series = new TBarSeries(chart_.get());
    series->SetTitle(title);
    series->SetSeriesColor(FieldGraphSeriesColor(number));
    series->SetShowInLegend(showInLegend);
    series->SetParentChart(chart_.get());
    if (stacked100) series->SetMultiBar(mbStacked100);
    series->Marks().SetVisible(false);
    return series;
}

void TFormFieldGraph::BtnShowClick()
{
    const std::string field = SelectedField();
    if (field.empty()) return;
    ClearChart();
    const std::string category = Category();
    const bool relative = CBrelative->isChecked();
    const TFrequencyBars bars = category.empty() ? FrequencyBars(OpenCountQuery(field), relative)
                                                 : CategorizedFrequencyBars(OpenCategorizedQuery(category, field));
    for (std::size_t s = 0; s < bars.Categories.size(); ++s) {
        TBarSeries* series = category.empty() ? AddBarSeries(1, field, false, false)
                                              : AddBarSeries(int(s) + 1, bars.Categories[s], true, relative);
        for (const TFrequencyBar& bar : bars.Bars[s])
            series->AddPointXY(bar.Position, bar.Height, bars.Values[bar.Position]);
    }
    if (!category.empty()) chart_->Legend()->GetTitle()->AssignText(category);
    chart_->Title()->AssignText("");
    chart_->BottomAxis()->GetTitle()->SetCaption("Category " + field);
    chart_->LeftAxis()->GetTitle()->SetCaption(relative ? "Relative frequency (%)" : "Frequency");
    chart_->Invalidate();
}

void TFormFieldGraph::BtnPropertiesClick() { ShowChartProperties(chart_.get(), this); }

void TFormFieldGraph::BtnCopyClick() { chart_->CopyMetafileToClipboard(true); }

void TFormFieldGraph::BtnSaveClick()
{
    if (!UiServices().SaveFileDialog(SaveDlg)) return;
    if (LowerExtension(SaveDlg.FileName) == ".emf")
        chart_->SaveAsEMF(SaveDlg.FileName);
    else
        chart_->SaveAsWMF(SaveDlg.FileName);
}

TFormFieldGraph* ShowFieldGraph(TDataSet& table, const std::string& tableName, const std::string& databaseName,
                                QWidget* owner)
{
    auto* form = new TFormFieldGraph(owner);
    form->Query.SetDatabaseName(databaseName);
    form->SetFields(table);
    form->SetTableName(tableName);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), form->size());
        frame.moveCenter(screen->availableGeometry().center());
        form->move(frame.topLeft());
    }
    form->show();
    return form;
}
