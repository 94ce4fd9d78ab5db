#include "chart/engine/Chart.h"

#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartPalettes.h"
#include "chart/engine/ChartPublished.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/Random.h"
#include "platform/core/ScopeGuard.h"

namespace {

// The palette a new chart takes when the editor names none.
constexpr int kNewChartPalette = 13;

// Runs body with repainting suppressed, restoring the flag whatever happens.
template <class F>
void WithoutRepaint(TCustomDuvPanel& panel, F body)
{
    const bool repaint = panel.AutoRepaint;
    panel.AutoRepaint = false;
    const TScopeGuard restore([&] { panel.AutoRepaint = repaint; });
    body();
}

}  // namespace

// ---------------------------------------------------------------- construction

TCustomChart::TCustomChart(TComponent* owner) : TCustomAxisPanel(owner)
{
    WithoutRepaint(*this, [this] {
        walls_ = std::make_unique<TChartWalls>(this);
        legend_ = std::make_unique<TChartLegend>(this);
    });
    ScalesNotSaved = true;
    SetColorPaletteIndex(ReadEditorInteger("DefaultPalette", kNewChartPalette));
}

TCustomChart::~TCustomChart()
{
    SavedScales.clear();
    AutoRepaint = false;
    subTitle_.reset();
    title_.reset();
    subFoot_.reset();
    foot_.reset();
    walls_.reset();
    legend_.reset();
}

void TChart::DeclareProperties(TPropertyDeclarer<TChart>& p) { DeclarePublished(p); }

// ---------------------------------------------------------------- titles

TChartTitle* TCustomChart::MakeTitle(std::unique_ptr<TChartTitle>& title, bool foot)
{
    if (!title) {
        if (foot) title = std::make_unique<TChartFootTitle>(this);
        else title = std::make_unique<TChartTitle>(this);
    }
    return title.get();
}

TChartTitle* TCustomChart::Title() { return MakeTitle(title_, false); }
TChartTitle* TCustomChart::SubTitle() { return MakeTitle(subTitle_, false); }
TChartTitle* TCustomChart::Foot() { return MakeTitle(foot_, true); }
TChartTitle* TCustomChart::SubFoot() { return MakeTitle(subFoot_, true); }

namespace {
void AssignTitle(TCustomChart& chart, std::unique_ptr<TChartTitle>& title, const TChartTitle* value, bool foot)
{
    if (!value) {
        title.reset();
        chart.Invalidate();
        return;
    }
    if (!title) {
        if (foot) title = std::make_unique<TChartFootTitle>(&chart);
        else title = std::make_unique<TChartTitle>(&chart);
    }
    title->Assign(value);
}
}  // namespace

void TCustomChart::SetTitle(const TChartTitle* value) { AssignTitle(*this, title_, value, false); }
void TCustomChart::SetSubTitle(const TChartTitle* value) { AssignTitle(*this, subTitle_, value, false); }
void TCustomChart::SetFoot(const TChartTitle* value) { AssignTitle(*this, foot_, value, true); }
void TCustomChart::SetSubFoot(const TChartTitle* value) { AssignTitle(*this, subFoot_, value, true); }

void TCustomChart::SetLegend(const TChartLegend* value) { legend_->Assign(value); }

// ---------------------------------------------------------------- walls

TChartBackWall* TCustomChart::BackWall() const { return walls_->Back(); }
TChartBottomWall* TCustomChart::BottomWall() const { return walls_->Bottom(); }
TChartLeftWall* TCustomChart::LeftWall() const { return walls_->Left(); }
TChartRightWall* TCustomChart::RightWall() const { return walls_->GetRight(); }
TChartRightWall* TCustomChart::PeekRightWall() const { return walls_->PeekRight(); }
void TCustomChart::SetBackWall(const TChartBackWall* value) { walls_->SetBack(value); }
void TCustomChart::SetBottomWall(const TChartBottomWall* value) { walls_->SetBottom(value); }
void TCustomChart::SetLeftWall(const TChartLeftWall* value) { walls_->SetLeft(value); }
void TCustomChart::SetRightWall(const TChartRightWall* value) { walls_->SetRight(value); }

TDuvPen* TCustomChart::Frame() const { return walls_->Back() ? &walls_->Back()->Pen() : nullptr; }

void TCustomChart::SetFrame(const TDuvPen* value)
{
    if (walls_->Back()) walls_->Back()->Pen().Assign(value);
}

void TCustomChart::SetBackColor(TColor value)
{
    BackWall()->SetColor(value);
    if (Window() && !(ComponentState() & csLoading)) BackWall()->Brush().SetStyle(bsSolid);
}

// ---------------------------------------------------------------- palettes

void TCustomChart::SetColorPaletteIndex(int value)
{
    if (value == colorPaletteIndex_) return;
    if (value == -2) {
        CustomPalette = colorPaletteIndex_ > 0 ? TColorPalettes::BuiltInPalette(colorPaletteIndex_) : DefaultColorPalette;
        colorPaletteIndex_ = -2;
        return;
    }
    colorPaletteIndex_ = value;
    TColorPalettes::ApplyPalette(this, value);
}

void TCustomChart::DefineProperties(TFiler& filer)
{
    TCustomAxisPanel::DefineProperties(filer);
    filer.DefineIntegerProperty(
        "ColorPaletteIndex", [this](std::int64_t value) { SetColorPaletteIndex(static_cast<int>(value)); },
        [this] { return static_cast<std::int64_t>(colorPaletteIndex_); },
        colorPaletteIndex_ >= 0 || colorPaletteIndex_ == -2);
    filer.DefineIntegerListProperty(
        "ColorPalette",
        [this](const std::vector<std::int64_t>& values) {
            CustomPalette.clear();
            for (std::int64_t value : values) CustomPalette.push_back(static_cast<TColor>(value));
            if (values.empty()) colorPaletteIndex_ = -1;
        },
        [this] {
            std::vector<std::int64_t> values;
            for (TColor color : CustomPalette) values.push_back(static_cast<std::int64_t>(color));
            return values;
        },
        colorPaletteIndex_ == -2);
    filer.DefineReadOnlyProperty("BackColor", [this](TReader& reader) {
        TColor color = clNone;
        if (reader.NextValue() == vaIdent) {
            const std::string ident = reader.ReadIdent();
            if (!IdentToColor(ident, color)) throw EReadError("Invalid colour value: " + ident);
        } else {
            color = static_cast<TColor>(reader.ReadInteger());
        }
        SetBackColor(color);
    });
}

// ---------------------------------------------------------------- copying and resetting

void TCustomChart::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomChart*>(source)) {
        SetColorPaletteIndex(other->colorPaletteIndex_);
        if (colorPaletteIndex_ == -2) CustomPalette = other->CustomPalette;
        SetFoot(other->foot_.get());
        legend_->Assign(other->legend_.get());
        SetSubFoot(other->subFoot_.get());
        SetSubTitle(other->subTitle_.get());
        SetTitle(other->title_.get());
        walls_->Assign(other->walls_.get());
    }
    TCustomAxisPanel::Assign(source);
}

void TCustomChart::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    // The axis panel lists the series, then every tool, then every animation.
    TCustomAxisPanel::GetChildren(proc, root);
}

void TCustomChart::ResetToEmpty()
{
    for (int i = 0; i < CountSeries(); ++i)
        if (GetSeries(i)->GetDataSource()) GetSeries(i)->SetDataSource(nullptr);
    RemoveAndFreeSeries(nullptr);
    Tools()->Clear();
    Animations()->Clear();
    for (int i = 0; i < AxesList().Count(); ++i) {
        AxesList().GetAxis(i)->Items().Clear();
        AxesList().GetAxis(i)->SetAutomatic(true);
    }
    const auto* info = &ClassType();
    std::unique_ptr<TPersistent> fresh(info->Create(nullptr));
    auto* chart = dynamic_cast<TCustomChart*>(fresh.get());
    if (!chart) return;
    chart->SetWindow(nullptr);
    Assign(chart);
}

// ---------------------------------------------------------------- questions

TCustomChartSeries* TCustomChart::FirstActiveSeries() const
{
    for (int i = 0; i < CountSeries(); ++i)
        if (GetSeries(i)->Active()) return GetSeries(i);
    return nullptr;
}

void TCustomChart::AxisDisplayName(const TChartAxis* axis, std::string& text) const
{
    text = axis->PeekTitle() ? axis->PeekTitle()->Caption() : std::string();
    if (!text.empty()) return;
    if (axis == DepthAxis()) text = DuvMsgDepthRightAxis;
    else if (axis == DepthTopAxis()) text = DuvMsgDepthTopAxis;
    else if (axis->Horizontal()) text = axis->OtherSide() ? DuvMsgTopAxis : DuvMsgBottomAxis;
    else text = axis->OtherSide() ? DuvMsgRightAxis : DuvMsgLeftAxis;
}

void TCustomChart::GetLegendItemText(TCustomChartSeries* series, int valueIndex, std::string& text)
{
    text.clear();
    if (!series) return;
    // A series that names a legend of its own has that legend produce its texts.
    legend_->SeriesValueText(series, valueIndex, text);
}

void TCustomChart::GetLegendTextWithEvent(TChartLegend* legend, int index, std::string& text)
{
    legend->ItemText(index, text);
    if (OnGetLegendText) OnGetLegendText(this, legend->ResolveStyle(), index, text);
}

bool TCustomChart::ActiveSeriesUseAxes() const
{
    bool anyActive = false;
    for (int i = 0; i < CountSeries(); ++i) {
        TCustomChartSeries* series = GetSeries(i);
        if (!series->Active()) continue;
        anyActive = true;
        if (series->UsesAxes()) return true;
    }
    return !anyActive;
}

bool TCustomChart::ActiveSeriesCanZoom() const
{
    bool anyActive = false;
    for (int i = 0; i < CountSeries(); ++i) {
        TCustomChartSeries* series = GetSeries(i);
        if (!series->Active()) continue;
        anyActive = true;
        if (series->CanZoomAxes()) return true;
    }
    return !anyActive;
}

void TCustomChart::EnumSourceValueLists(TCustomChartSeries* series, const std::function<void(const std::string&)>& callback)
{
    auto* source = dynamic_cast<TCustomChartSeries*>(series ? series->GetDataSource() : nullptr);
    if (!source) return;
    for (int i = 0; i < source->ValueLists().Count(); ++i) callback(source->ValueLists()[i]->Name());
}

bool TCustomChart::IsFreeSeriesColor(TColor color, bool checkBack, TCustomChartSeries* except)
{
    for (int i = 0; i < CountSeries(); ++i) {
        TCustomChartSeries* series = GetSeries(i);
        if (series != except && series->GetSeriesColor() == color) return false;
    }
    if (checkBack && (color == Color() || color == BackWall()->Color())) return false;
    return true;
}

TColor TCustomChart::GetBackgroundColor()
{
    TChartBackWall* back = BackWall();
    if (View3DWalls() && back->Visible() && !back->Transparent()) {
        if (back->PeekGradient() && back->PeekGradient()->Visible()) return back->PeekGradient()->StartColor();
        return back->Color();
    }
    return TCustomAxisPanel::GetBackgroundColor();
}

void TCustomChart::DrawLegendSymbolRect(const TRect& r)
{
    legend_->Symbol()->PaintSymbol(Canvas().Brush().Color(), r);
}

// ---------------------------------------------------------------- module

void ChartInitialization()
{
    Randomize();
    CreateChartRegistries();
    CreateChartPaletteNames();
    for (const TClassInfo* info :
         {&TChartWall::StaticClass(), &TChartBackWall::StaticClass(), &TChartLeftWall::StaticClass(),
          &TChartBottomWall::StaticClass(), &TChartRightWall::StaticClass(), &TChartWalls::StaticClass(),
          &TChartTitle::StaticClass(), &TChartFootTitle::StaticClass(), &TChart::StaticClass()})
        RegisterClassForStreaming(*info);
    ChartLegendInitialization();
}

void ChartFinalization()
{
    FreeChartPaletteNames();
    FreeChartRegistries();
}
