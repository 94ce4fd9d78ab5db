#include "chart/engine/RuRazazi.h"

#include <algorithm>
#include <cstring>

#include <QString>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"

// ---------------------------------------------------------------- TCustomChartElement

TCustomChartElement::TCustomChartElement(TComponent* owner)
    : TComponent(owner),
      brush_(std::make_unique<TDuvBrush>([this](TObject*) { RequestRepaint(); })),
      pen_(std::make_unique<TDuvPen>([this](TObject*) { RequestRepaint(); }))
{
}

TCustomChartElement::~TCustomChartElement()
{
    brush_.reset();
    pen_.reset();
    TCustomChartElement::SetParentChart(nullptr);
}

void TCustomChartElement::DeclareProperties(TPropertyDeclarer<TCustomChartElement>& p)
{
    p.Boolean("Active", &TCustomChartElement::Active, &TCustomChartElement::SetActive).Default(true);
    p.Boolean("ShowInEditor", &TCustomChartElement::ShowInEditor).Default(true);
}

void TCustomChartElement::SetActive(bool value) { ChangeBoolean(active_, value); }

void TCustomChartElement::SetBrush(const TDuvBrush* value)
{
    if (value) brush_->Assign(value);
}

void TCustomChartElement::SetPen(const TDuvPen* value)
{
    if (value) pen_->Assign(value);
}

void TCustomChartElement::SetParentChart(TCustomAxisPanel* value) { parentChart_ = value; }

void TCustomChartElement::ChangeBoolean(bool& field, bool value)
{
    if (field == value) return;
    field = value;
    RequestRepaint();
}

void TCustomChartElement::ChangeColor(TColor& field, TColor value)
{
    if (field == value) return;
    field = value;
    RequestRepaint();
}

void TCustomChartElement::ChangeInteger(int& field, int value)
{
    if (field == value) return;
    field = value;
    RequestRepaint();
}

void TCustomChartElement::ChangeDouble(double& field, double value)
{
    if (std::memcmp(&field, &value, sizeof value) == 0) return;
    field = value;
    RequestRepaint();
}

void TCustomChartElement::ChangeSingle(float& field, float value)
{
    if (std::memcmp(&field, &value, sizeof value) == 0) return;
    field = value;
    RequestRepaint();
}

void TCustomChartElement::ChangeString(std::string& field, const std::string& value)
{
    if (field == value) return;
    field = value;
    RequestRepaint();
}

void TCustomChartElement::RequestRepaint()
{
    if (parentChart_) parentChart_->Invalidate();
}

TComponent* TCustomChartElement::GetParentComponent() const { return parentChart_; }

void TCustomChartElement::SetParentComponent(TComponent* parent)
{
    if (auto chart = dynamic_cast<TCustomAxisPanel*>(parent)) SetParentChart(chart);
}

void TCustomChartElement::Assign(const TPersistent* source)
{
    auto element = dynamic_cast<const TCustomChartElement*>(source);
    if (!element) {
        TComponent::Assign(source);
        return;
    }
    active_ = element->active_;
    brush_->Assign(element->brush_.get());
    pen_->Assign(element->pen_.get());
    ShowInEditor = element->ShowInEditor;
    ElementTag = element->ElementTag;
}

// ---------------------------------------------------------------- TCustomChartSeries

TCustomChartSeries::TCustomChartSeries(TComponent* owner) : TCustomChartElement(owner) {}

TCustomChartSeries::~TCustomChartSeries()
{
    // Leave while this class's SetParentChart is still the one that answers.
    if (ParentChart()) SetParentChart(nullptr);
}

void TCustomChartSeries::SetParentChart(TCustomAxisPanel* value)
{
    TCustomAxisPanel* old = ParentChart();
    if (old == value) return;
    if (old) old->UnlinkSeries(this);
    TCustomChartElement::SetParentChart(value);
    if (value) value->LinkSeries(this);
}

int TCustomChartSeries::GetSeriesIndex() const
{
    const TCustomAxisPanel* chart = ParentChart();
    if (!chart) return -1;
    for (int i = 0; i < chart->CountSeries(); ++i)
        if (chart->GetSeries(i) == this) return i;
    return -1;
}

void TCustomChartSeries::DeclareProperties(TPropertyDeclarer<TCustomChartSeries>& p)
{
    p.Object("Legend", &TCustomChartSeries::GetLegend, &TCustomChartSeries::SetLegend).Peek(&TCustomChartSeries::PeekLegend);
    // The legend settings carry both; older files name them on their own.
    p.Boolean("ShowInLegend", &TCustomChartSeries::ShowInLegend, &TCustomChartSeries::SetShowInLegend).NotStored();
    p.String("LegendTitle", &TCustomChartSeries::LegendTitle, &TCustomChartSeries::SetLegendTitle).NotStored();
    p.String("Title", &TCustomChartSeries::Title, &TCustomChartSeries::SetTitle);
}

void TCustomChartSeries::SetTitle(const std::string& value) { ChangeString(title_, value); }

TSeriesLegend* TCustomChartSeries::GetLegend()
{
    // Settings only, drawn by the chart's legend: the series repaints for them.
    if (!legend_) legend_ = std::make_unique<TSeriesLegend>(nullptr);
    return legend_.get();
}

void TCustomChartSeries::SetLegend(const TSeriesLegend* value)
{
    if (!value) {
        if (!legend_) return;
        legend_.reset();
        RequestRepaint();
        return;
    }
    GetLegend()->Assign(value);
}

bool TCustomChartSeries::ShowInLegend() const { return !legend_ || legend_->Visible(); }

void TCustomChartSeries::SetShowInLegend(bool value)
{
    const bool changed = value != ShowInLegend();
    GetLegend()->SetVisible(value);
    if (changed) RequestRepaint();
}

std::string TCustomChartSeries::LegendTitle() const { return legend_ ? legend_->Text() : std::string(); }

void TCustomChartSeries::SetLegendTitle(const std::string& value)
{
    const bool changed = value != LegendTitle();
    GetLegend()->SetText(value);
    if (changed) RequestRepaint();
}

void TCustomChartSeries::DefineProperties(TFiler& filer)
{
    TCustomChartElement::DefineProperties(filer);
    filer.DefineProperty(
        "Identifier", [this](TReader& reader) { Identifier = reader.ReadString(); },
        [this](TWriter& writer) { writer.WriteString(Identifier); }, !Identifier.empty());
    filer.DefineProperty(
        "Style", [this](TReader& reader) { Style = static_cast<int>(reader.ReadInteger()) & 63; },
        [this](TWriter& writer) { writer.WriteInteger(Style); }, Style != 0);
}

void TCustomChartSeries::Assign(const TPersistent* source)
{
    TCustomChartElement::Assign(source);
    auto series = dynamic_cast<const TCustomChartSeries*>(source);
    if (!series) return;
    Identifier = series->Identifier;
    Style = series->Style;
    title_ = series->title_;
    SetLegend(series->legend_.get());
}

TChartValueList* TCustomChartSeries::FindValueList(const std::string& name) const
{
    const QString wanted = QString::fromStdString(name).toUpper();
    for (int i = 2; i < valueLists_.Count(); ++i)
        if (QString::fromStdString(valueLists_[i]->Name()).toUpper() == wanted) return valueLists_[i];
    return YMandatory() ? YValues() : XValues();
}

bool TCustomChartSeries::SameClassFamily(const TCustomChartSeries& other) const
{
    return InheritsFrom(other.ClassType()) || other.InheritsFrom(ClassType());
}

void TCustomChartSeries::SetHorizAxis(THorizAxis value)
{
    if (value == horizAxis_) return;
    horizAxis_ = value;
    RequestRepaint();
}

void TCustomChartSeries::SetVertAxis(TVertAxis value)
{
    if (value == vertAxis_) return;
    vertAxis_ = value;
    RequestRepaint();
}

void TCustomChartSeries::GetHorizMargins(int& left, int& right) { left = right = 0; }

void TCustomChartSeries::GetVertMargins(int& top, int& bottom) { top = bottom = 0; }

void TCustomChartSeries::AdjustAxisLimits(TChartAxis*, int&, int&, int&, int&) {}

bool TCustomChartSeries::UsesAxis(const TChartAxis* axis) const
{
    return UsesAxes() && axis && (axis == HorizAxisObject() || axis == VertAxisObject());
}

TChartValueList* TCustomChartSeries::GetAxisValueList(const TChartAxis* axis) const
{
    if (!axis) return nullptr;
    if (axis == HorizAxisObject()) return XValues();
    if (axis == VertAxisObject()) return YValues();
    return nullptr;
}

void TCustomChartSeries::CalcZOrder()
{
    TCustomAxisPanel* chart = ParentChart();
    if (ZOrder == -1) {
        if (chart && chart->View3D())
            DepthSlot = ++chart->MaxZOrder;
        else
            DepthSlot = 0;
    } else if (chart) {
        chart->MaxZOrder = std::max(chart->MaxZOrder, GetEffectiveZOrder());
    }
}

void TCustomChartSeries::CalcDepthPositions(int slotDepth)
{
    StartZ = slotDepth * DepthSlot;
    EndZ = StartZ + (Depth == -1 ? slotDepth : Depth);
    MiddleZ = (StartZ + EndZ) / 2;
}

void TCustomChartSeries::CalcFirstLastVisible()
{
    const int count = GetPointCount();
    FirstVisibleIndex = count > 0 ? 0 : -1;
    LastVisibleIndex = count - 1;
}

void TCustomChartSeries::GetPointDrawOrder(int, int, std::vector<int>& order, bool) { order.clear(); }

void TCustomChartSeries::GetMarkDrawOrder(int, int, std::vector<int>& order, int) { order.clear(); }

void TCustomChartSeries::FireBeforeDrawValues()
{
    if (BeforeDrawValues) BeforeDrawValues(this);
}

void TCustomChartSeries::FireAfterDrawValues()
{
    if (AfterDrawValues) AfterDrawValues(this);
}

void TCustomChartSeries::DrawAllPoints()
{
    VisitPointsInDrawOrder(false, [this](int index) { DrawPoint(index); });
}

void TCustomChartSeries::VisitPointsInDrawOrder(bool ownOnly, const std::function<void(int)>& visit)
{
    if (FirstVisibleIndex < 0 || LastVisibleIndex < 0) return;
    std::vector<int> order;
    GetPointDrawOrder(FirstVisibleIndex, LastVisibleIndex, order, ownOnly);
    const bool forward = DrawForwardOnAxis();
    if (!order.empty()) {
        if (forward)
            for (int index : order) visit(index);
        else
            for (auto it = order.rbegin(); it != order.rend(); ++it) visit(*it);
        return;
    }
    if (forward)
        for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) visit(i);
    else
        for (int i = LastVisibleIndex; i >= FirstVisibleIndex; --i) visit(i);
}

void TCustomChartSeries::OutputTitleText()
{
    if (ParentChart()) ParentChart()->Canvas().PushTransform(GetDisplayTitle(), DrawTransform.get(), nullptr);
}

namespace {

double ListMinimum(TChartValueList* list) { return list ? list->GetMinimum() : 0; }
double ListMaximum(TChartValueList* list) { return list ? list->GetMaximum() : 0; }

}  // namespace

double TCustomChartSeries::MinXValue() { return ListMinimum(XValues()); }
double TCustomChartSeries::MaxXValue() { return ListMaximum(XValues()); }
double TCustomChartSeries::MinYValue() { return ListMinimum(YValues()); }
double TCustomChartSeries::MaxYValue() { return ListMaximum(YValues()); }

void TCustomChartSeries::PageIndexRange(int& first, int& last)
{
    const int count = GetPointCount();
    first = count > 0 ? 0 : -1;
    last = count - 1;
    const TChartPage* pages = ParentChart() ? ParentChart()->Pages() : nullptr;
    if (count == 0 || !pages || pages->MaxPointsPerPage() <= 0) return;
    first = pages->FirstValueIndex();
    last = std::min(first + pages->MaxPointsPerPage() - 1, count - 1);
    if (first > last) first = last = -1;
}

void TCustomChartSeries::ClearPoints()
{
    FirstVisibleIndex = LastVisibleIndex = -1;
    for (int i = 0; i < valueLists_.Count(); ++i) valueLists_[i]->RemoveAllValues();
    labels_.Clear();
    NotifyDependents(TDependentChange::Cleared, 0);
    if (Active() && ParentChart() && !ParentChart()->HasState(csDestroying)) RequestRepaint();
}

void TCustomChartSeries::SwapPoints(int i, int j)
{
    for (int k = 0; k < valueLists_.Count(); ++k) valueLists_[k]->Exchange(i, j);
    if (labels_.Count() > 0) labels_.Exchange(i, j);
}

void TCustomChartSeries::BuildMarkText(int index, TLegendTextStyle, std::string& text) const
{
    text = labels_.GetLabelText(index);
}

bool TCustomChartSeries::IsPointHit(int, int, int, int, int) { return false; }

void TCustomChartSeries::FireClick(int index, TMouseButton button, TShiftState shift, int x, int y)
{
    const TSeriesClick& handler = shift.Contains(ssDouble) ? OnDblClick : OnClick;
    if (handler) handler(this, index, button, shift, x, y);
}

void TCustomChartSeries::AddDataSource(TComponent* source)
{
    // The base series holds no sources: it can use none.
    (void)source;
}

// ---------------------------------------------------------------- module

void RuRazaziInitialization()
{
    RegisterClassForStreaming(TCustomChartElement::StaticClass());
    RegisterClassForStreaming(TCustomChartSeries::StaticClass());
}

bool TCustomChartSeries::XValuesNeedStoring() const
{
    const TChartValueList* x = XValues();
    if (!x) return false;
    for (int i = 0; i < x->Count(); ++i)
        if (x->GetValueAt(i) != i) return true;
    return false;
}

bool TCustomChartSeries::LabelsNeedStoring() const
{
    for (int i = 0; i < labels_.Count(); ++i)
        if (!labels_.GetLabelText(i).empty()) return true;
    return false;
}

void TCustomChartSeries::SetDataSource(TComponent* source)
{
    while (DataSourceCount() > 0) {
        const int before = DataSourceCount();
        RemoveDataSource(DataSource(0));
        if (DataSourceCount() == before) break;  // a series that cannot let go keeps it
    }
    if (source) AddDataSource(source);
}

void TCustomChartSeries::AddLinkedSeries(TCustomChartSeries* series)
{
    if (series && std::find(linkedSeries_.begin(), linkedSeries_.end(), series) == linkedSeries_.end())
        linkedSeries_.push_back(series);
}

void TCustomChartSeries::RemoveLinkedSeries(TCustomChartSeries* series) { std::erase(linkedSeries_, series); }

void TCustomChartSeries::ResumeUpdates()
{
    if (SuspendCount <= 0) return;
    if (--SuspendCount == 0) NotifyDataChanged();
}

std::string SeriesTitleOrName(const TCustomChartSeries& series, bool clean)
{
    // A title of blanks only names nothing.
    const bool blank = series.Title().find_first_not_of(' ') == std::string::npos;
    std::string text = blank ? series.GetDisplayTitle() : series.Title();
    if (clean)
        for (char& c : text)
            if (c == '\r' || c == '\n' || c == 6) c = ' ';
    return text;
}
