#include "chart/output/ChartGridModel.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include "chart/engine/AxisPanel.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/ChartSeriesCopy.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"

namespace {

// Series events that change nothing the grid shows: title, colour, activation.
bool KeepsDimensions(TSeriesEventKind kind)
{
    return kind == TSeriesEventKind::TitleChanged || kind == TSeriesEventKind::ColorChanged ||
           kind == TSeriesEventKind::ActiveChanged;
}

std::string OneLine(std::string text)
{
    const char separator = LibraryLineSeparator.empty() ? '\r' : LibraryLineSeparator[0];
    std::replace(text.begin(), text.end(), separator, ' ');
    return text;
}

bool SameValue(double a, double b) { return std::fabs(a - b) < 1e-9; }

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

TChartValueList* ZList(const TCustomChartSeries* series)
{
    const TChartValueLists& lists = series->ValueLists();
    for (int i = 2; i < lists.Count(); ++i)
        if (SameText(lists[i]->Name(), "Z")) return lists[i];
    return nullptr;
}

std::vector<double> DistinctSorted(const TChartValueList& list)
{
    std::vector<double> values(list.Values(), list.Values() + list.Count());
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end(), SameValue), values.end());
    return values;
}

int PlaceOf(const std::vector<double>& sorted, double value)
{
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), value - 1e-9);
    if (it == sorted.end() || !SameValue(*it, value)) return -1;
    return static_cast<int>(it - sorted.begin());
}

}  // namespace

bool IsGrid3DSeries(const TCustomChartSeries* series)
{
    return series && series->XValues() && series->YValues() && ZList(series) != nullptr;
}

TChartSeries* NewBarSeries(TCustomAxisPanel* chart)
{
    // The bar series may not be registered in a program that links no standard series.
    const TClassInfo* barClass = GetClass("TBarSeries");
    return CreateChartSeries(chart->Owner(), chart, barClass ? *barClass : TChartSeries::StaticClass());
}

TChartGridModel::TChartGridModel()
{
    chart_.OnGone = [this](TComponent* chart) { Removed(chart); };
    series_.OnGone = [this](TComponent* series) { Removed(series); };
    RecalcDimensions();
}

TChartGridModel::~TChartGridModel()
{
    destroying_ = true;
    DetachChart();
}

TCustomAxisPanel* TChartGridModel::Chart() const { return chart_; }
TChartSeries* TChartGridModel::Series() const { return series_; }

// ---------------------------------------------------------------- what is shown

void TChartGridModel::AttachChart(TCustomAxisPanel* chart)
{
    chart_ = chart;
    if (chart_) chart_->AddListener(this);
}

void TChartGridModel::DetachChart()
{
    if (!chart_) return;
    chart_->RemoveListener(this);
    chart_ = nullptr;
}

void TChartGridModel::SetChart(TCustomAxisPanel* chart)
{
    if (chart == chart_ && !series_) return;
    series_ = nullptr;
    DetachChart();
    AttachChart(chart);
    ForgetAppendedPoint();
    RecalcDimensions();
}

void TChartGridModel::SetSeries(TChartSeries* series)
{
    if (series == series_) return;
    if (!series) {
        TCustomAxisPanel* chart = chart_;
        SetChart(chart);
        return;
    }
    series_ = series;
    if (series_->ParentChart() != chart_) {
        DetachChart();
        AttachChart(series_->ParentChart());
    }
    ForgetAppendedPoint();
    RecalcDimensions();
}

// The going chart or series is still whole; the grid forgets it before its reference clears.
void TChartGridModel::Removed(TComponent* component)
{
    if (component == series_) {
        series_ = nullptr;
        if (appendedSeries_ == component) ForgetAppendedPoint();
        RecalcDimensions();
        if (OnDetached) OnDetached();
        return;
    }
    if (component == chart_) {
        DetachChart();
        ForgetAppendedPoint();
        RecalcDimensions();
        if (OnDetached) OnDetached();
    }
}

template <class T>
void TChartGridModel::ChangeAndRecalc(T& field, T value)
{
    if (value == field) return;
    field = value;
    RecalcDimensions();
}

void TChartGridModel::SetShowColors(bool value) { ChangeAndRecalc(showColors_, value); }
void TChartGridModel::SetShowLabels(bool value) { ChangeAndRecalc(showLabels_, value); }
void TChartGridModel::SetShowSeriesTitles(bool value) { ChangeAndRecalc(showSeriesTitles_, value); }
void TChartGridModel::SetGrid3D(bool value) { ChangeAndRecalc(grid3D_, value); }

// The X and visuals settings recalculate also when set again: a series may have changed.
void TChartGridModel::SetShowXValues(TChartGridShow value)
{
    showXValues_ = value;
    RecalcDimensions();
}

void TChartGridModel::SetShowVisuals(TChartGridShow value)
{
    showVisuals_ = value;
    RecalcDimensions();
}

// ---------------------------------------------------------------- numbering

int TChartGridModel::LabelColumn() const
{
    if (!showLabels_ || grid3D_) return -1;
    return showColors_ ? 2 : 1;
}

std::vector<TChartSeries*> TChartGridModel::ShownSeries() const
{
    std::vector<TChartSeries*> shown;
    if (series_) {
        if (!series_->HasState(csDestroying)) shown.push_back(series_);
        return shown;
    }
    if (!chart_) return shown;
    for (int i = 0; i < chart_->CountSeries(); ++i) {
        auto* series = dynamic_cast<TChartSeries*>(chart_->GetSeries(i));
        if (series && !series->HasState(csDestroying)) shown.push_back(series);
    }
    return shown;
}

TChartSeries* TChartGridModel::Grid3DSeries() const
{
    for (TChartSeries* series : ShownSeries())
        if (IsGrid3DSeries(series)) return series;
    return nullptr;
}

bool TChartGridModel::HasData() const
{
    for (TChartSeries* series : ShownSeries())
        if (series->PointCount() > 0) return true;
    return false;
}

bool TChartGridModel::XColumnShown(const TChartSeries* series) const
{
    switch (showXValues_) {
    case cgsYes: return true;
    case cgsNo: return false;
    case cgsAuto: break;
    }
    const TChartValueList* secondary = series->SecondaryList();
    return !secondary->HiddenFromGrids && !secondary->IsIndexSequence();
}

bool TChartGridModel::VisualsColumnShown(const TChartSeries* series) const
{
    if (showVisuals_ == cgsYes) return true;
    if (showVisuals_ == cgsNo) return false;
    const TVisualsList* visuals = series->PeekVisuals();
    return visuals && visuals->Count() > 0;
}

void TChartGridModel::BuildColumns(std::vector<TChartGridColumn>& columns) const
{
    columns.push_back({TGridColumnKind::Index});
    if (ColorColumn() != -1) columns.push_back({TGridColumnKind::Color});
    if (LabelColumn() != -1) columns.push_back({TGridColumnKind::Label});
    const auto shown = ShownSeries();
    for (std::size_t place = 0; place < shown.size(); ++place) {
        TChartSeries* series = shown[place];
        const std::size_t first = columns.size();
        TChartValueList* secondary = series->SecondaryList();
        if (xShown_[place]) columns.push_back({TGridColumnKind::Value, series, secondary});
        const TChartValueLists& lists = series->ValueLists();
        for (int i = 0; i < lists.Count(); ++i)
            if (lists[i] != secondary && !lists[i]->HiddenFromGrids)
                columns.push_back({TGridColumnKind::Value, series, lists[i]});
        if (VisualsColumnShown(series)) columns.push_back({TGridColumnKind::Visuals, series, nullptr});
        if (columns.size() > first) columns[first].FirstOfSeries = true;
    }
}

void TChartGridModel::RecalcGrid3D(std::vector<TChartGridColumn>& columns)
{
    gridXs_.clear();
    gridZs_.clear();
    gridPoints_.clear();
    columns.push_back({TGridColumnKind::Index});
    TChartSeries* series = Grid3DSeries();
    if (!series) {
        rowCount_ = 3;
        return;
    }
    const TChartValueList& zs = *ZList(series);
    gridXs_ = DistinctSorted(*series->XValues());
    gridZs_ = DistinctSorted(zs);
    gridPoints_.assign(gridXs_.size() * gridZs_.size(), -1);
    for (int i = 0; i < series->PointCount(); ++i) {
        const int x = PlaceOf(gridXs_, series->XValues()->GetValueAt(i));
        const int z = PlaceOf(gridZs_, zs.GetValueAt(i));
        gridPoints_[static_cast<std::size_t>(x) * gridZs_.size() + static_cast<std::size_t>(z)] = i;
    }
    for (std::size_t i = 0; i < gridXs_.size(); ++i)
        columns.push_back({TGridColumnKind::Value, series, series->MandatoryList(), i == 0});
    // A series without points still shows one empty row to type into.
    rowCount_ = 2 + std::max(1, static_cast<int>(gridZs_.size()));
}

void TChartGridModel::RecalcDimensions()
{
    ForgetRowTexts();
    std::vector<TChartGridColumn> columns;
    const int oldRows = rowCount_;
    const bool wasGrid = !columns_.empty();
    // Whether each series shows its X column, decided once: the test reads every X value.
    xShown_.clear();
    for (TChartSeries* series : ShownSeries()) xShown_.push_back(XColumnShown(series));
    if (grid3D_) {
        RecalcGrid3D(columns);
    } else {
        BuildColumns(columns);
        int most = 0;
        for (TChartSeries* series : ShownSeries()) most = std::max(most, series->PointCount());
        rowCount_ = HeaderRowCount() + std::max(1, most);
    }
    if (!wasGrid || columns != columns_) {
        // Another set of columns: the view starts afresh.
        const int newRows = rowCount_;
        rowCount_ = oldRows;
        beginResetModel();
        columns_ = std::move(columns);
        rowCount_ = newRows;
        endResetModel();
        if (OnRecalc) OnRecalc();
        return;
    } else if (rowCount_ > oldRows) {
        const int newRows = rowCount_;
        rowCount_ = oldRows;
        beginInsertRows({}, oldRows, newRows - 1);
        rowCount_ = newRows;
        endInsertRows();
    } else if (rowCount_ < oldRows) {
        const int newRows = rowCount_;
        rowCount_ = oldRows;
        beginRemoveRows({}, newRows, oldRows - 1);
        rowCount_ = newRows;
        endRemoveRows();
    }
    if (rowCount_ > 0 && ColCount() > 0) emit dataChanged(index(0, 0), index(rowCount_ - 1, ColCount() - 1));
    if (OnRecalc) OnRecalc();
}

bool TChartGridModel::XFlagOf(const TChartSeries* series) const
{
    const auto shown = ShownSeries();
    const auto it = std::find(shown.begin(), shown.end(), series);
    const auto place = static_cast<std::size_t>(it - shown.begin());
    return place < xShown_.size() ? xShown_[place] != 0 : XColumnShown(series);
}

TChartSeries* TChartGridModel::SeriesOfColumn(int col, TChartValueList*& list) const
{
    list = nullptr;
    if (col < 0 || col >= ColCount()) return nullptr;
    if (grid3D_) return col == 0 ? nullptr : Grid3DSeries();
    const TChartGridColumn& column = Column(col);
    list = column.List;
    return column.Series;
}

TChartSeries* TChartGridModel::SeriesNextToColor() const
{
    const int color = ColorColumn();
    if (color == -1) return nullptr;
    for (int col = color + 1; col < ColCount(); ++col)
        if (Column(col).Series) return Column(col).Series;
    return nullptr;
}

TChartSeries* TChartGridModel::SeriesForRowAction(int col) const
{
    if (col == ColorColumn()) return SeriesNextToColor();
    TChartValueList* list = nullptr;
    if (TChartSeries* series = SeriesOfColumn(col, list)) return series;
    if (col == LabelColumn() || col == 0) {
        const auto shown = ShownSeries();
        return shown.empty() ? nullptr : shown.front();
    }
    return nullptr;
}

// ---------------------------------------------------------------- cells

std::string TChartGridModel::ValueText(const TChartSeries* series, const TChartValueList* list, int index) const
{
    const double value = list->GetValueAt(index);
    if (list->DateTime()) return value >= 1 ? DateTimeToStr(value) : TimeToStr(value);
    return FormatFloat(series->ValueFormat(), value);
}

const std::string& TChartGridModel::CachedValueText(int col, int row, const TChartSeries* series, const TChartValueList* list,
                                                    int index) const
{
    constexpr std::size_t kCachedRows = 256;  // more than a screen shows
    if (rowTexts_.empty()) rowTexts_.resize(kCachedRows);
    TCachedRow& cached = rowTexts_[static_cast<std::size_t>(row) % kCachedRows];
    if (cached.Row != row) {
        cached.Row = row;
        for (TCachedText& cell : cached.Cells) cell.List = nullptr;
    }
    if (cached.Cells.size() <= static_cast<std::size_t>(col)) cached.Cells.resize(static_cast<std::size_t>(col) + 1);
    TCachedText& cell = cached.Cells[static_cast<std::size_t>(col)];
    // Dates follow the program's date settings: they are formatted each time.
    if (list->DateTime()) {
        cell.List = nullptr;
        cell.Text = ValueText(series, list, index);
        return cell.Text;
    }
    const double value = list->GetValueAt(index);
    const std::string& format = series->ValueFormat();
    if (cell.List == list && std::memcmp(&cell.Value, &value, sizeof value) == 0 && cell.Format == format) return cell.Text;
    cell.Text = ValueText(series, list, index);
    cell.List = list;
    cell.Value = value;
    cell.Format = format;
    return cell.Text;
}

std::string TChartGridModel::LabelText(int index) const
{
    if (series_) return OneLine(series_->Labels().GetLabelText(index));
    for (TChartSeries* series : ShownSeries())
        if (index < series->Labels().Count()) return OneLine(series->Labels().GetLabelText(index));
    return {};
}

std::string TChartGridModel::HeaderText(int col, int row) const
{
    const bool lastHeaderRow = row == HeaderRowCount() - 1;
    if (grid3D_) {
        if (!lastHeaderRow) return {};
        if (col == 0) return "#";
        return gridXs_.empty() ? std::string() : IntToStr(Rnd(gridXs_.front()) + col - 1);
    }
    if (!lastHeaderRow) return {};
    switch (Column(col).Kind) {
    case TGridColumnKind::Index: return "#";
    case TGridColumnKind::Color: return "Colors";
    case TGridColumnKind::Label: return "Text";
    case TGridColumnKind::Visuals: return "Visuals";
    case TGridColumnKind::Value: return showSeriesTitles_ ? Column(col).List->Name() : std::string();
    }
    return {};
}

int TChartGridModel::Grid3DPointAt(int col, int row) const
{
    const int z = row - 2;
    if (!grid3D_ || col < 1 || col > static_cast<int>(gridXs_.size()) || z < 0 || z >= static_cast<int>(gridZs_.size()))
        return -1;
    return gridPoints_[static_cast<std::size_t>(col - 1) * gridZs_.size() + static_cast<std::size_t>(z)];
}

std::string TChartGridModel::CellText(int col, int row) const
{
    if (col < 0 || col >= ColCount() || row < 0 || row >= rowCount_) return {};
    if (!chart_ && !series_) return {};
    if (row < HeaderRowCount()) return HeaderText(col, row);
    const int index = row - HeaderRowCount();
    if (grid3D_) {
        if (col == 0) return gridZs_.empty() ? IntToStr(index) : IntToStr(Rnd(gridZs_.front()) + index);
        const int point = Grid3DPointAt(col, row);
        if (point < 0) return {};
        TChartSeries* series = Grid3DSeries();
        return CachedValueText(col, row, series, series->MandatoryList(), point);
    }
    const TChartGridColumn& column = Column(col);
    switch (column.Kind) {
    case TGridColumnKind::Index: return IntToStr(index);
    case TGridColumnKind::Color: return {};
    case TGridColumnKind::Label: return LabelText(index);
    case TGridColumnKind::Visuals: return index < column.Series->PointCount() ? "..." : "";
    case TGridColumnKind::Value:
        if (index >= column.Series->PointCount()) return {};
        return CachedValueText(col, row, column.Series, column.List, index);
    }
    return {};
}

TColor TChartGridModel::CellPointColor(int row) const
{
    TChartSeries* series = SeriesNextToColor();
    const int index = row - HeaderRowCount();
    if (!series || index < 0 || index >= series->PointCount() || series->IsNullPoint(index)) return clNone;
    return series->GetPointColor(index) & 0x00FFFFFF;
}

bool TChartGridModel::CellEditable(int col, int row) const
{
    if (ReadOnly || col <= 0 || col >= ColCount() || row < HeaderRowCount() || row >= rowCount_) return false;
    if (grid3D_) return Grid3DSeries() && !Grid3DSeries()->DataSource();
    const TChartGridColumn& column = Column(col);
    if (column.Kind == TGridColumnKind::Color || column.Kind == TGridColumnKind::Visuals) return false;
    if (column.Series && column.Series->DataSource()) return false;
    return true;
}

bool TChartGridModel::IsNewPointCell(int col, int row) const
{
    const int index = row - HeaderRowCount();
    if (grid3D_) return gridZs_.empty() || static_cast<int>(gridZs_.size()) < index + 1;
    TChartSeries* series = SeriesForRowAction(col);
    if (!series) return true;
    return index >= series->PointCount() || series->IsNullPoint(index);
}

QVariant TChartGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    const int col = index.column(), row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return QString::fromStdString(CellText(col, row));
    case Qt::TextAlignmentRole:
        if (col == LabelColumn() || col == ColorColumn()) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case SeriesTitleRole: {
        if (grid3D_ || col >= ColCount() || !Column(col).Series) return {};
        const TChartGridColumn& column = Column(col);
        if (!showSeriesTitles_) return series_ ? QString::fromStdString(column.List ? column.List->Name() : "") : QVariant();
        if (!column.FirstOfSeries && !series_) return {};
        const std::string title = column.Series->Title();
        return QString::fromStdString(OneLine(title.empty() ? column.Series->GetDisplayTitle() : title));
    }
    case SeriesColorRole: {
        if (grid3D_ || col >= ColCount() || !Column(col).Series) return {};
        if (showSeriesTitles_ && !Column(col).FirstOfSeries && !series_) return {};
        return static_cast<qulonglong>(Column(col).Series->GetSeriesColor() & 0x00FFFFFF);
    }
    default: return {};
    }
}

Qt::ItemFlags TChartGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (index.column() > 0 && index.row() >= HeaderRowCount()) flags |= Qt::ItemIsSelectable;
    if (CellEditable(index.column(), index.row())) flags |= Qt::ItemIsEditable;
    return flags;
}

// ---------------------------------------------------------------- writing

void TChartGridModel::AddNullPointsUpTo(TChartSeries* series, int index) const
{
    while (series->PointCount() <= index)
        if (series->AddNullPoint({}) < 0) return;
}

void TChartGridModel::RepaintChart() const
{
    if (series_) series_->RequestRepaint();
    else if (chart_) chart_->Invalidate();
}

void TChartGridModel::SetEditText(int col, int row, const std::string& value, bool editorOpen)
{
    if (!chart_ && !series_) return;
    if (col <= 0 || col >= ColCount() || row < HeaderRowCount()) return;
    // Converted before anything changes: a text that is no number leaves every series as it was.
    TChartValueList* list = nullptr;
    TChartSeries* series = SeriesOfColumn(col, list);
    if (grid3D_ && series) list = series->MandatoryList();
    const std::string text = Trimmed(value);
    const bool isValueCell = col != LabelColumn() && list != nullptr;
    double number = 0;
    if (isValueCell && !text.empty()) number = list->DateTime() ? StrToDateTime(text) : StrToFloat(text);

    if (!series_ && chart_ && chart_->CountSeries() == 0 && AllowSeriesChanges) {
        NewBarSeries(chart_);
        RecalcDimensions();
    }
    for (TChartSeries* shown : ShownSeries()) shown->DataLoaded = true;
    const int index = row - HeaderRowCount();

    if (col == LabelColumn()) {
        for (TChartSeries* shown : ShownSeries()) {
            AddNullPointsUpTo(shown, index);
            shown->SetPointLabel(index, value);
        }
        RecalcDimensions();
        return;
    }
    if (!series || !list) return;
    int point = index;
    if (grid3D_) {
        point = Grid3DPointAt(col, row);
        if (point < 0) return;
    } else {
        AddNullPointsUpTo(series, index);
    }
    if (series == appendedSeries_ && point == appendedIndex_) ForgetAppendedPoint();
    if (!text.empty()) {
        list->SetValueAt(point, number);
        list->SetModified(true);
        if (series->IsNullPoint(point)) series->SetPointColor(point, clDefault);
    } else if (!editorOpen) {
        series->SetPointColor(point, clNone);
    }
    series->NotifyDataChanged();
    RepaintChart();
    RecalcDimensions();
}

bool TChartGridModel::AppendRow()
{
    if (ReadOnly || grid3D_) return false;
    for (TChartSeries* series : ShownSeries()) {
        const int count = series->PointCount();
        if (series->YMandatory()) series->AddNullPointXY(count, 0, {});
        else series->AddNullPointXY(0, count, {});
        series->DataLoaded = true;
    }
    ForgetAppendedPoint();
    RecalcDimensions();
    return true;
}

int TChartGridModel::AppendNullRow(int col)
{
    if (ReadOnly || grid3D_) return -1;
    TChartSeries* series = SeriesForRowAction(col);
    if (!series) return -1;
    const int index = series->AddNullPoint({});
    if (index < 0) return -1;
    series->DataLoaded = true;
    appendedSeries_ = series;
    appendedIndex_ = index;
    RecalcDimensions();
    return index;
}

bool TChartGridModel::TakeBackAppendedPoint(int col, int row)
{
    TChartSeries* series = SeriesForRowAction(col);
    const int index = row - HeaderRowCount();
    if (!series || series != appendedSeries_ || index != appendedIndex_) return false;
    if (index >= series->PointCount() || !series->IsNullPoint(index)) return false;
    if (!series->Labels().GetLabelText(index).empty()) return false;
    ForgetAppendedPoint();
    series->DeletePoint(index);
    RecalcDimensions();
    return true;
}

bool TChartGridModel::DeleteRow(int row)
{
    if (ReadOnly) return false;
    const int index = row - HeaderRowCount();
    if (index < 0) return false;
    if (grid3D_) return DeleteGrid3DRow(index);
    for (TChartSeries* series : ShownSeries()) {
        if (series->PointCount() <= index) continue;
        // The X column as shown before the deletion: numbered X values stay numbered.
        const bool xShown = XFlagOf(series);
        series->DeletePoint(index);
        series->DataLoaded = true;
        if (!xShown) series->SecondaryList()->NumberByIndex();
    }
    ForgetAppendedPoint();
    RepaintChart();
    RecalcDimensions();
    return true;
}

bool TChartGridModel::DeleteGrid3DRow(int index)
{
    TChartSeries* series = Grid3DSeries();
    if (!series || index >= static_cast<int>(gridZs_.size())) return false;
    // A row of the 3D grid is one Z value: every point at it goes, and no other.
    const double z = gridZs_[static_cast<std::size_t>(index)];
    const TChartValueList& zs = *ZList(series);
    for (int i = series->PointCount() - 1; i >= 0; --i)
        if (SameValue(zs.GetValueAt(i), z)) series->DeletePoint(i);
    series->DataLoaded = true;
    ForgetAppendedPoint();
    RepaintChart();
    RecalcDimensions();
    return true;
}

void TChartGridModel::SetPointColor(TChartSeries* series, int index, TColor color)
{
    series->SetPointColor(index, color);
    series->DataLoaded = true;
    const QModelIndex cell = this->index(index + HeaderRowCount(), std::max(0, ColorColumn()));
    emit dataChanged(cell, cell);
}

// ---------------------------------------------------------------- notification

void TChartGridModel::PanelEvent(TDuvEvent& event)
{
    if (destroying_) return;
    auto* seriesEvent = dynamic_cast<TDuvSeriesEvent*>(&event);
    if (!seriesEvent) return;
    ForgetRowTexts();
    if (seriesEvent->Event == TSeriesEventKind::Removing && seriesEvent->Series == appendedSeries_)
        ForgetAppendedPoint();
    if (!KeepsDimensions(seriesEvent->Event)) RecalcDimensions();
    else if (rowCount_ > 0 && ColCount() > 0) emit dataChanged(index(0, 0), index(rowCount_ - 1, ColCount() - 1));
}
