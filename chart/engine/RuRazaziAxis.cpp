#include "chart/engine/RuRazaziAxis.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/PixelRange.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"

int AxisPixelClampLimit = 32767;

// ---------------------------------------------------------------- pens

TChartAxisPen::TChartAxisPen(TChangeHandler changed) : TDuvPen(std::move(changed))
{
    TChangeHandler saved = std::move(OnChange);
    OnChange = nullptr;
    SetWidth(2);
    OnChange = std::move(saved);
    InitEndStyle(esFlat);
}

void TChartAxisPen::DeclareProperties(TPropertyDeclarer<TChartAxisPen>& p)
{
    p.Integer("Width", &TPen::Width, &TPen::SetWidth).Default(2);
    p.Enum("LineMode", &TChartAxisPen::LineMode, &TChartAxisPen::SetLineMode).Default(lmLine);
}

void TChartAxisPen::SetLineMode(TPenLineMode value)
{
    if (SetIfChanged(lineMode_, value) && OnChange) OnChange(this);
}

void TChartAxisPen::Assign(const TPersistent* source)
{
    if (const auto* pen = dynamic_cast<const TChartAxisPen*>(source)) lineMode_ = pen->lineMode_;
    TDuvPen::Assign(source);
}

TAxisGridPen::TAxisGridPen(TChangeHandler changed) : TDuvPen(std::move(changed))
{
    TChangeHandler saved = std::move(OnChange);
    OnChange = nullptr;
    SetColor(clSilver);
    OnChange = std::move(saved);
}

void TAxisGridPen::DeclareProperties(TPropertyDeclarer<TAxisGridPen>& p)
{
    using G = TAxisGridPen;
    p.Color("Color", &TPen::Color, &TPen::SetColor).Default(clSilver);
    p.Boolean("Centered", &G::Centered, &G::SetCentered).Default(false);
    p.Boolean("DrawAlways", &G::DrawAlways, &G::SetDrawAlways).Default(false);
    p.Integer("DrawEvery", &G::DrawEvery, &G::SetDrawEvery).Default(1);
    p.Float("ZPosition", &G::ZPosition, &G::SetZPosition).Stored(&G::IsZPositionStored);
}

void TAxisGridPen::Notify()
{
    if (OnChange) OnChange(this);
}

void TAxisGridPen::SetDrawAlways(bool value)
{
    if (SetIfChanged(drawAlways_, value)) Notify();
}

void TAxisGridPen::SetDrawEvery(int value)
{
    if (SetIfChanged(drawEvery_, value)) Notify();
}

void TAxisGridPen::SetZPosition(double value)
{
    if (SetIfChanged(zPosition_, value)) Notify();
}

void TAxisGridPen::SetCentered(bool value)
{
    if (SetIfChanged(centered_, value)) Notify();
}

void TAxisGridPen::InitZPosition(double value)
{
    zPosition_ = value;
    defaultZ_ = value;
}

void TAxisGridPen::Assign(const TPersistent* source)
{
    if (const auto* grid = dynamic_cast<const TAxisGridPen*>(source)) {
        drawAlways_ = grid->drawAlways_;
        drawEvery_ = grid->drawEvery_;
        zPosition_ = grid->zPosition_;
        centered_ = grid->centered_;
    }
    TDuvPen::Assign(source);
}

void TAxisGridPen::DefineProperties(TFiler& filer)
{
    TDuvPen::DefineProperties(filer);
    filer.DefineProperty(
        "ZZero",
        [this](TReader& reader) {
            if (reader.ReadBoolean()) SetZPosition(0);
        },
        [](TWriter& writer) { writer.WriteBoolean(true); }, defaultZ_ != 0 && zPosition_ == 0);
}

// ---------------------------------------------------------------- shapes

TAxisBackShape::TAxisBackShape(TCustomDuvPanel* panel) : TDuvShape(panel) { InitVisible(false); }

void TAxisBackShape::InitShadow(TDuvShadow& shadow) { shadow.SetDefaultValues(false, clBlack, 3); }

TChartAxisTitle::TChartAxisTitle(TCustomDuvPanel* panel) : TCustomTextShape(panel)
{
    SetDefaultTextAlignment(taCenter);
    SetDefaultTransparent(true);
}

void TChartAxisTitle::DeclareProperties(TPropertyDeclarer<TChartAxisTitle>& p)
{
    using T = TChartAxisTitle;
    p.Integer("Angle", &TDuvCustomShape::Angle, &TDuvCustomShape::SetAngle).DefaultFrom(&T::DefaultAngle);
    DeclareShapeProperties(p, {"Bevel", "BevelWidth", "Brush", "Color", "Emboss", "Font", "Frame", "Gradient",
                               "Picture", "Shadow", "ShapeCallout", "ShapeStyle", "Transparency", "Transparent",
                               "Visible"});
    p.String("Caption", &T::Caption, &T::SetCaption).NotStored();
    DeclareTextShapeProperties(p, {"ClipText", "Margins", "Text", "TextAlignment", "TextFormat", "VertTextAlign"});
    p.Enum("Position", &T::Position, &T::SetPosition).Default(tpCenter);
}

std::string TChartAxisTitle::Caption() const
{
    const std::string& text = Text();
    const std::size_t end = LibraryLineSeparator.empty() ? std::string::npos : text.find(LibraryLineSeparator);
    return text.substr(0, end);
}

void TChartAxisTitle::InitTitleAngle(int value)
{
    InitAngle(value);
    defaultAngle_ = value;
}

void TChartAxisTitle::Assign(const TPersistent* source)
{
    if (const auto* title = dynamic_cast<const TChartAxisTitle*>(source)) position_ = title->position_;
    TCustomTextShape::Assign(source);
}

// ---------------------------------------------------------------- labels

TAxisLabels::TAxisLabels(TChartAxis* axis)
    : axis_(axis), format_(std::make_unique<TAxisLabelsFormat>()),
      autoText_(std::make_unique<TAutomaticText>([this](TObject*) { Repaint(); }))
{
    format_->SetDefaultTextAlignment(taCenter);
    format_->SetDefaultTransparent(true);
    if (axis_ && axis_->ParentChart()) format_->AttachToPanel(axis_->ParentChart());
    autoText_->SetTrim(false);
}

TAxisLabels::~TAxisLabels() = default;

void TAxisLabels::Repaint()
{
    if (axis_) axis_->Repaint();
}

void TAxisLabels::SetAngle(int value) { Change(angle_, ((value % 360) + 360) % 360); }

void TAxisLabels::SetSeparation(int value)
{
    if (value < 0) throw AxisException(DuvMsgAxisLabelsSeparation);
    Change(separation_, value);
}

void TAxisLabels::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TAxisLabels*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    align_ = other->align_;
    alternate_ = other->alternate_;
    angle_ = other->angle_;
    behind_ = other->behind_;
    exponent_ = other->exponent_;
    format_->Assign(other->format_.get());
    gridIgnoresLabelSize_ = other->gridIgnoresLabelSize_;
    multiLine_ = other->multiLine_;
    onAxis_ = other->onAxis_;
    roundFirst_ = other->roundFirst_;
    separation_ = other->separation_;
    size_ = other->size_;
    style_ = other->style_;
    position_ = other->position_;
    autoText_->Assign(other->autoText_.get());
}

// ---------------------------------------------------------------- conversions

namespace {

enum TCalcKind { ckGuarded = 0, ckFast = 1, ckLog = 2, ckDepth = 3 };

// Halves to even, as nearbyint does in the default rounding mode, but without a library call,
// so that converting a whole array runs at memory speed: below 2^51 adding and taking away
// 1.5 * 2^52 leaves exactly the rounded value.
inline double RoundDistance(double v)
{
    constexpr double kShift = 6755399441055744.0;
    if (std::fabs(v) < 2251799813685248.0) return (v + kShift) - kShift;
    return std::nearbyint(v);
}

// base + sign * R((v - origin) * scale): the rounding is of the distance alone, as the pixel
// rule has it; the sum is formed in floating point so that a far zoom saturates.
[[gnu::always_inline]] inline int LinearFast(const TAxisConversion& c, double value)
{
    double r = RoundDistance((value - c.Origin) * c.Scale);
    if (r != r) r = 0;
    return SaturatedPixel(c.Base + c.Sign * r);
}

[[gnu::always_inline]] inline int LinearGuarded(const TAxisConversion& c, double value)
{
    double r = RoundDistance((value - c.Origin) * c.Scale);
    if (r != r) r = 0;
    const double p = c.Base + c.Sign * r;
    if (*c.Clamp) {
        const double limit = AxisPixelClampLimit;
        if (p > limit) return AxisPixelClampLimit;
        if (p < -limit) return -AxisPixelClampLimit;
    }
    return SaturatedPixel(p);
}

int LogScale(const TAxisConversion& c, double value)
{
    if (!(value > 0)) return c.Edge;
    double r = std::nearbyint((std::log(value) - c.Origin) * c.Scale);
    if (r != r) r = 0;
    return SaturatedPixel(c.Base + c.Sign * r);
}

bool SameWithin(double a, double b, double tolerance)
{
    return std::fabs(a - b) <= tolerance * std::max(std::fabs(a), std::fabs(b));
}

double ZeroLog(double value) { return value > 0 ? std::log(value) : 0; }

}  // namespace

// ---------------------------------------------------------------- the axis

TChartAxis::TChartAxis(TCollection* collection) : TCollectionItem(collection)
{
    if (auto* axes = dynamic_cast<TChartCustomAxes*>(collection)) {
        MasterAxis = axes->OwnerAxis();
        chart_ = axes->Chart();
    }
    Construct();
    if (chart_ && !MasterAxis) chart_->AxesList().Append(this);
}

TChartAxis::TChartAxis(TCustomAxisPanel* chart) : TCollectionItem(nullptr), chart_(chart)
{
    Construct();
    if (chart_) chart_->AxesList().Append(this);
}

void TChartAxis::Construct()
{
    auto repaint = [this](TObject*) { Repaint(); };
    axisPen_ = std::make_unique<TChartAxisPen>(repaint);
    grid_ = std::make_unique<TAxisGridPen>(repaint);
    minorGrid_ = std::make_unique<TDuvHiddenPen>(repaint);
    ticks_ = std::make_unique<TTicks>(repaint);
    ticksInner_ = std::make_unique<TTicks>(repaint);
    minorTicks_ = std::make_unique<TTicks>(repaint);
    labels_ = std::make_unique<TAxisLabels>(this);
    items_ = std::make_unique<TAxisItems>(this);
    horiz_.Clamp = vert_.Clamp = active_.Clamp = &ClampPositions;
    SelectPositionCalculators();
}

TChartAxis::~TChartAxis()
{
    if (!chart_) return;
    chart_->AxesList().Remove(this);
    for (TCustomChartSeries* series : chart_->SeriesList()) {
        if (series->CustomHorizAxis() == this) series->SetHorizAxis(aBottomAxis);
        if (series->CustomVertAxis() == this) series->SetVertAxis(aLeftAxis);
    }
    for (TChartAxis* axis : chart_->AxesList())
        if (axis->partnerAxis_ == this) axis->partnerAxis_ = nullptr;
}

TChartAxis* TChartAxis::CreateInChart(TCustomAxisPanel* chart)
{
    return static_cast<TChartAxis*>(chart->CustomAxes()->Add());
}

void TChartAxis::DeclareProperties(TPropertyDeclarer<TChartAxis>& p)
{
    using A = TChartAxis;
    p.Boolean("Automatic", &A::Automatic, &A::SetAutomatic).Default(true);
    p.Boolean("AutomaticMaximum", &A::AutomaticMaximum, &A::SetAutomaticMaximum).Default(true);
    p.Boolean("AutomaticMinimum", &A::AutomaticMinimum, &A::SetAutomaticMinimum).Default(true);
    p.Object("Axis", &A::Axis, &A::SetAxis);
    p.String("AxisValuesFormat", &A::AxisValuesFormat, &A::SetAxisValuesFormat).Default("#,##0.###");
    p.String("DateTimeFormat", &A::DateTimeFormat, &A::SetDateTimeFormat).Default(std::string());
    p.Float("EndPosition", &A::EndPosition, &A::SetEndPosition).Default(100.0);
    p.Boolean("ExactDateTime", &A::ExactDateTime, &A::SetExactDateTime).Default(true);
    p.Object("Grid", &A::Grid, &A::SetGrid);
    p.Boolean("GridCentered", &A::GridCentered, &A::SetGridCentered).Default(false);
    p.Boolean("Horizontal", &A::Horizontal, &A::SetHorizontal).Default(false).Stored(&A::IsHorizontalStored);
    p.Float("Increment", &A::Increment, &A::SetIncrement).Default(0.0);
    p.Boolean("Inverted", &A::Inverted, &A::SetInverted).Default(false);
    p.Boolean("Labels", [](const A& a) { return a.Labels().Visible(); },
              [](A& a, bool v) { a.Labels().SetVisible(v); }).Default(true);
    p.Enum("LabelsAlign", [](const A& a) { return a.Labels().Align(); },
           [](A& a, TAxisLabelAlign v) { a.Labels().SetAlign(v); }).Default(alDefault);
    p.Boolean("LabelsAlternate", [](const A& a) { return a.Labels().Alternate(); },
              [](A& a, bool v) { a.Labels().SetAlternate(v); }).Default(false);
    p.Integer("LabelsAngle", [](const A& a) { return a.Labels().Angle(); },
              [](A& a, int v) { a.Labels().SetAngle(v); }).Default(0);
    p.Boolean("LabelsBehind", [](const A& a) { return a.Labels().Behind(); },
              [](A& a, bool v) { a.Labels().SetBehind(v); }).Default(false);
    p.Boolean("LabelsExponent", [](const A& a) { return a.Labels().Exponent(); },
              [](A& a, bool v) { a.Labels().SetExponent(v); }).Default(false);
    p.Object("LabelsFont", [](const A& a) { return a.Labels().Font(); },
             [](A& a, const TDuvFont* v) { a.Labels().SetFont(v); });
    p.Object("LabelsFormat", [](const A& a) { return a.Labels().Format(); },
             [](A& a, const TAxisLabelsFormat* v) { a.Labels().SetFormat(v); });
    p.Boolean("LabelsGridIgnoresLabelSize", [](const A& a) { return a.Labels().GridIgnoresLabelSize(); },
              [](A& a, bool v) { a.Labels().SetGridIgnoresLabelSize(v); }).Default(false);
    p.Boolean("LabelsMultiLine", [](const A& a) { return a.Labels().MultiLine(); },
              [](A& a, bool v) { a.Labels().SetMultiLine(v); }).Default(false);
    p.Boolean("LabelsOnAxis", [](const A& a) { return a.Labels().OnAxis(); },
              [](A& a, bool v) { a.Labels().SetOnAxis(v); }).Default(true);
    p.Integer("LabelsSeparation", [](const A& a) { return a.Labels().Separation(); },
              [](A& a, int v) { a.Labels().SetSeparation(v); }).Default(10);
    p.Integer("LabelsSize", [](const A& a) { return a.Labels().Size(); },
              [](A& a, int v) { a.Labels().SetSize(v); }).Default(0);
    p.Enum("LabelStyle", [](const A& a) { return a.Labels().Style(); },
           [](A& a, TAxisLabelStyle v) { a.Labels().SetStyle(v); }).Default(talAuto);
    p.Boolean("Logarithmic", &A::Logarithmic, &A::SetLogarithmic).Default(false);
    p.Float("LogarithmicBase", &A::LogarithmicBase, &A::SetLogarithmicBase).Default(10.0);
    p.Float("Maximum", &A::Maximum, &A::SetMaximum).Stored(&A::IsMaximumStored);
    p.Integer("MaximumOffset", &A::MaximumOffset, &A::SetMaximumOffset).Default(0);
    p.Boolean("MaximumRound", &A::MaximumRound, &A::SetMaximumRound).Default(false);
    p.Float("Minimum", &A::Minimum, &A::SetMinimum).Stored(&A::IsMinimumStored);
    p.Integer("MinimumOffset", &A::MinimumOffset, &A::SetMinimumOffset).Default(0);
    p.Boolean("MinimumRound", &A::MinimumRound, &A::SetMinimumRound).Default(false);
    p.Object("MinorGrid", &A::MinorGrid, &A::SetMinorGrid);
    p.Integer("MinorTickCount", &A::MinorTickCount, &A::SetMinorTickCount).Default(3);
    p.Integer("MinorTickLength", &A::MinorTickLength, &A::SetMinorTickLength).Default(2);
    p.Object("MinorTicks", &A::MinorTicks, &A::SetMinorTicks);
    p.Boolean("OtherSide", &A::OtherSide, &A::SetOtherSide).DefaultFrom(&A::DefaultOtherSide);
    p.Float("PositionPercent", &A::PositionPercent, &A::SetPositionPercent).Default(0.0);
    p.Enum("PositionUnits", &A::PositionUnits, &A::SetPositionUnits).Default(muPercent);
    p.Boolean("RoundFirstLabel", [](const A& a) { return a.Labels().RoundFirst(); },
              [](A& a, bool v) { a.Labels().SetRoundFirst(v); }).Default(true);
    p.Object("Shape", &A::GetShape, &A::SetShape).Peek(&A::PeekShape).Stored(&A::IsShapeStored);
    p.Float("StartPosition", &A::StartPosition, &A::SetStartPosition).Default(0.0);
    p.Collection("SubAxes", &A::GetSubAxes).Peek(&A::PeekSubAxes).Stored(&A::IsSubAxesStored);
    p.Integer("TickInnerLength", &A::TickInnerLength, &A::SetTickInnerLength).Default(0);
    p.Integer("TickLength", &A::TickLength, &A::SetTickLength).Default(4);
    p.Boolean("TickOnLabelsOnly", &A::TickOnLabelsOnly, &A::SetTickOnLabelsOnly).Default(true);
    p.Object("Ticks", &A::Ticks, &A::SetTicks);
    p.Object("TicksInner", &A::TicksInner, &A::SetTicksInner);
    p.Object("Title", &A::GetTitle, &A::SetTitle).Peek(&A::PeekTitle);
    p.Integer("TitleSize", &A::TitleSize, &A::SetTitleSize).Default(0);
    p.Boolean("Visible", &A::Visible, &A::SetVisible).DefaultFrom(&A::DefaultVisible);
    p.Float("ZPosition", &A::ZPosition, &A::SetZPosition).Stored(&A::IsZPositionStored);
    p.Event("OnDrawLabel", &A::OnDrawLabel);
}

void TChartAxis::Repaint() const
{
    if (chart_) chart_->Invalidate();
}

bool TChartAxis::ChartLoading() const
{
    constexpr unsigned loading = csLoading | csReading;
    if (chart_) return (chart_->ComponentState() & loading) != 0;
    for (TPersistent* owner = GetOwner(); owner; owner = owner->GetOwner())
        if (auto* component = dynamic_cast<TComponent*>(owner)) return (component->ComponentState() & loading) != 0;
    return false;
}

void TChartAxis::FreeSeriesDrawCaches()
{
    if (!chart_) return;
    for (TCustomChartSeries* series : chart_->SeriesList()) series->FreeDrawCache(this);
}

void TChartAxis::SetAutomatic(bool value)
{
    automatic_ = value;
    if (!ChartLoading()) {
        automaticMinimum_ = value;
        automaticMaximum_ = value;
    }
    Repaint();
}

void TChartAxis::SetAutomaticMaximum(bool value)
{
    Change(automaticMaximum_, value);
    if (!value)
        automatic_ = false;
    else if (automaticMinimum_)
        automatic_ = true;
}

void TChartAxis::SetAutomaticMinimum(bool value)
{
    Change(automaticMinimum_, value);
    if (!value)
        automatic_ = false;
    else if (automaticMaximum_)
        automatic_ = true;
}

void TChartAxis::ChangeMinMax(double& field, double value)
{
    if (field == value) return;
    field = value;
    FreeSeriesDrawCaches();
    Repaint();
}

void TChartAxis::SetMaximum(double value)
{
    if (!ChartLoading() && value < minimum_) throw AxisException(DuvMsgAxisMaxMin);
    ChangeMinMax(maximum_, value);
}

void TChartAxis::SetMinimum(double value)
{
    if (!ChartLoading() && value > maximum_) throw AxisException(DuvMsgAxisMinMax);
    ChangeMinMax(minimum_, value);
}

void TChartAxis::SetRange(double minimum, double maximum)
{
    automatic_ = automaticMinimum_ = automaticMaximum_ = false;
    if (minimum > maximum) std::swap(minimum, maximum);
    if (SameWithin(minimum, maximum, 1e-12)) {
        minimum -= 1e-10;
        maximum += 1e-10;
    }
    minimum_ = minimum;
    maximum_ = maximum;
    FreeSeriesDrawCaches();
    Repaint();
    if (subAxes_) subAxes_->UpdateSubAxesRange(this);
}

void TChartAxis::ScrollBy(double offset, bool checkLimits)
{
    if (checkLimits) {
        if (offset == 0 || !chart_) return;
        if (offset > 0 && !(chart_->CalcMinMax(this, false, horizontal_) > maximum_ + offset)) return;
        if (offset < 0 && !(chart_->CalcMinMax(this, true, horizontal_) < minimum_ + offset)) return;
    }
    automatic_ = automaticMaximum_ = automaticMinimum_ = false;
    maximum_ += offset;
    minimum_ += offset;
    Repaint();
}

void TChartAxis::SetIncrement(double value)
{
    if (value < 0) throw AxisException(DuvMsgAxisIncrementNegative);
    Change(increment_, value);
}

void TChartAxis::SetLogarithmic(bool value)
{
    // While a chart is read its range is not known yet: a file holding a logarithmic axis over
    // negative values must still load.
    if (value && !ChartLoading()) {
        UpdateInternalRange();
        if (CurMinimum < 0 || CurMaximum < 0) throw AxisException(DuvMsgAxisLogNotPositive);
    }
    Change(logarithmic_, value);
    // A file holds the master's own setting; a sub-axis read after it must not overwrite it.
    if (MasterAxis && !ChartLoading()) MasterAxis->SetLogarithmic(value);
    SelectPositionCalculators();
}

void TChartAxis::SetLogarithmicBase(double value)
{
    if (!(value > 0) || value == 1) throw AxisException(DuvMsgAxisLogBase);
    Change(logarithmicBase_, value);
}

void TChartAxis::SetInverted(bool value)
{
    Change(inverted_, value);
    // Through the master's setter, so that the depth axes stay inverted alike.
    if (MasterAxis && MasterAxis->inverted_ != value && !ChartLoading()) MasterAxis->SetInverted(value);
    UpdateConversions();
}

void TChartAxis::SetHorizontal(bool value)
{
    Change(horizontal_, value);
    SelectPositionCalculators();
}

void TChartAxis::InitOrientation(bool horizontal, bool otherSide)
{
    horizontal_ = horizontal;
    otherSide_ = defaultOtherSide_ = otherSide;
    SelectPositionCalculators();
}

void TChartAxis::SetZPosition(double value) { Change(zPosition_, value == 0 ? 0.01 : value); }

bool TChartAxis::IsZPositionStored() const
{
    if (IsDepthAxis) return false;
    return otherSide_ ? zPosition_ != 100 : zPosition_ > 0.011;
}

void TChartAxis::SetPartnerAxis(TChartAxis* value) { Change(partnerAxis_, value); }

TChartAxisTitle* TChartAxis::GetTitle()
{
    if (!title_) {
        title_ = std::make_unique<TChartAxisTitle>(chart_);
        if (chart_ && this == chart_->LeftAxis()) title_->InitTitleAngle(90);
        if (chart_ && this == chart_->RightAxis()) title_->InitTitleAngle(270);
    }
    return title_.get();
}

void TChartAxis::SetTitle(const TChartAxisTitle* value)
{
    if (!value) {
        title_.reset();
        Repaint();
        return;
    }
    GetTitle()->Assign(value);
}

TAxisBackShape* TChartAxis::GetShape()
{
    if (!shape_) shape_ = std::make_unique<TAxisBackShape>(chart_);
    return shape_.get();
}

void TChartAxis::SetShape(const TAxisBackShape* value)
{
    if (!value) {
        shape_.reset();
        Repaint();
        return;
    }
    GetShape()->Assign(value);
}

TChartCustomAxes* TChartAxis::GetSubAxes()
{
    if (!subAxes_) subAxes_ = std::make_unique<TChartCustomAxes>(this);
    return subAxes_.get();
}

void TChartAxis::SetSubAxes(const TChartCustomAxes* value)
{
    if (!value) {
        subAxes_.reset();
        Repaint();
        return;
    }
    GetSubAxes()->Assign(value);
}

bool TChartAxis::IsSubAxesStored() const { return subAxes_ && subAxes_->Count() > 0; }

// ---- range

void TChartAxis::GetAutoMinMax()
{
    if (!chart_) return;
    if (automatic_ || automaticMaximum_) maximum_ = chart_->CalcMinMax(this, false, horizontal_);
    if (automatic_ || automaticMinimum_) minimum_ = chart_->CalcMinMax(this, true, horizontal_);
}

void TChartAxis::UpdateInternalRange()
{
    GetAutoMinMax();
    CurMaximum = maximum_;
    CurMinimum = minimum_;
    if (RangeHook) {
        double value = CurMaximum;
        RangeHook(this, -1, false, value);
        CurMaximum -= value;
    }
    RecalcFactors();
    RoundRange();
}

void TChartAxis::RecalcFactors()
{
    CurRange = CurMaximum - CurMinimum;
    RangeIsZero = std::fabs(CurRange) <= 1e-12;
    PixelsPerValue = RangeIsZero ? 0 : PixelSize / CurRange;
    // Kept current on linear axes too, so that turning an axis logarithmic needs no new pass.
    LogMinimum = ZeroLog(CurMinimum);
    LogMaximum = ZeroLog(CurMaximum);
    LogRange = LogMaximum - LogMinimum;
    PixelsPerLogValue = std::fabs(LogRange) <= 1e-12 ? 0 : PixelSize / LogRange;
    if (chart_) {
        const int depth = IsDepthAxis ? chart_->ChartHeight : chart_->DepthWidth;
        DepthPos = static_cast<int>(Rnd(zPosition_ * depth * 0.01));
    }
    UpdateConversions();
}

void TChartAxis::CalcPixelRange()
{
    int base = 0, size = 0;
    if (chart_) {
        if (IsDepthAxis) {
            size = chart_->DepthWidth;
        } else if (horizontal_) {
            base = chart_->ChartRect.Left;
            size = chart_->ChartWidth;
        } else {
            base = chart_->ChartRect.Top;
            size = chart_->ChartHeight;
        }
    }
    PixelStart = base + static_cast<int>(Rnd(startPosition_ * 0.01 * size));
    PixelEnd = base + static_cast<int>(Rnd(endPosition_ * 0.01 * size));
    PixelSize = PixelEnd - PixelStart;
    PixelCentre = (PixelStart + PixelEnd) / 2;
    RecalcFactors();
}

void TChartAxis::AddAxisOffsets(int& minSide, int& maxSide) const
{
    const auto add = [](int& side, int offset) { side = SaturatedInt(std::int64_t{side} + offset); };
    add(minSide, inverted_ ? maximumOffset_ : minimumOffset_);
    add(maxSide, inverted_ ? minimumOffset_ : maximumOffset_);
}

void TChartAxis::ApplyMarginsToRange(int left, int top, int right, int bottom)
{
    int& minSide = horizontal_ ? left : bottom;
    int& maxSide = horizontal_ ? right : top;
    if (minimumOffset_ != 0 || maximumOffset_ != 0) AddAxisOffsets(minSide, maxSide);
    if (BreakSpace > 0) {
        int& side = inverted_ ? minSide : maxSide;
        side = SaturatedInt(std::int64_t{side} + BreakSpace);
    }
    ExtendRangeByPixels(this, left, top, right, bottom);
    RoundRange();
}

void ExtendRangeByPixels(TChartAxis* axis, int left, int top, int right, int bottom)
{
    const int startMargin = axis->Horizontal() ? left : top;
    const int endMargin = axis->Horizontal() ? right : bottom;
    if (startMargin == 0 && endMargin == 0) return;
    const int oldStart = axis->PixelStart, oldEnd = axis->PixelEnd;
    // Margins of pointers read from files reach INT_MAX.
    axis->PixelStart = SaturatedInt(std::int64_t{oldStart} + startMargin);
    axis->PixelEnd = SaturatedInt(std::int64_t{oldEnd} - endMargin);
    axis->PixelSize = SaturatedInt(std::int64_t{axis->PixelEnd} - axis->PixelStart);
    const double atStart = axis->PixelToValue(oldStart);
    const double atEnd = axis->PixelToValue(oldEnd);
    axis->CalcPixelRange();
    axis->CurMaximum = atStart;
    axis->CurMinimum = atEnd;
    if (axis->CurMinimum > axis->CurMaximum) std::swap(axis->CurMinimum, axis->CurMaximum);
    axis->RecalcFactors();
    if (TChartCustomAxes* subAxes = axis->PeekSubAxes())
        for (int i = 0; i < subAxes->Count(); ++i) {
            TChartAxis* sub = subAxes->GetAxis(i);
            sub->CurMinimum = axis->CurMinimum;
            sub->CurMaximum = axis->CurMaximum;
            sub->RecalcFactors();
            sub->CalcPixelRange();
        }
}

void TChartAxis::RoundRange()
{
    if (PixelSize == 0 || RangeIsZero) return;
    double increment = 0;
    bool applied = false;
    if (maximumRound_ && (automatic_ || automaticMaximum_)) {
        increment = IncrementFromLabelWidths();
        if (increment != 0) {
            CurMaximum = increment * std::ceil(CurMaximum / increment);
            applied = true;
        }
    }
    if (minimumRound_ && (automatic_ || automaticMinimum_)) {
        if (increment == 0) increment = IncrementFromLabelWidths();
        if (increment != 0) {
            CurMinimum = increment * std::floor(CurMinimum / increment);
            applied = true;
        }
    }
    if (applied) RecalcFactors();
}

bool TChartAxis::ShowsDateTime() const
{
    const TChartAxis* top = this;
    while (top->MasterAxis) top = top->MasterAxis;
    if (!chart_) return false;
    for (TCustomChartSeries* series : chart_->SeriesList()) {
        if (!series->Active()) continue;
        if (const TChartValueList* list = series->GetAxisValueList(top)) return list->DateTime();
    }
    return false;
}

// ---- conversions

void TChartAxis::SelectPositionCalculators()
{
    if (IsDepthAxis)
        calcKind_ = ckDepth;
    else if (logarithmic_)
        calcKind_ = ckLog;
    else if (chart_ && chart_->AxesList().FastCalculation())
        calcKind_ = ckFast;
    else
        calcKind_ = ckGuarded;
    UpdateConversions();
}

void TChartAxis::UpdateConversions()
{
    auto centre = [this](TAxisConversion& c) {
        c.Origin = 0;
        c.Scale = 0;
        c.Base = PixelCentre;
        c.Sign = 1;
        c.Edge = PixelCentre;
    };
    auto set = [](TAxisConversion& c, double origin, double scale, double base, double sign, int edge) {
        c.Origin = origin;
        c.Scale = scale;
        c.Base = base;
        c.Sign = sign;
        c.Edge = edge;
    };
    switch (calcKind_) {
    case ckDepth:
        horiz_.Calc = &LinearFast;
        if (RangeIsZero)
            centre(horiz_);
        else if (inverted_)
            set(horiz_, CurMaximum, PixelsPerValue, 0, -1, 0);
        else
            set(horiz_, CurMinimum, PixelsPerValue, 0, 1, 0);
        vert_ = horiz_;
        break;
    case ckLog:
        horiz_.Calc = vert_.Calc = &LogScale;
        if (LogRange == 0) {
            centre(horiz_);
            centre(vert_);
        } else if (inverted_) {
            set(horiz_, LogMaximum, PixelsPerLogValue, PixelStart, -1, PixelEnd);
            set(vert_, LogMaximum, PixelsPerLogValue, PixelEnd, 1, PixelStart);
        } else {
            set(horiz_, LogMinimum, PixelsPerLogValue, PixelStart, 1, PixelStart);
            set(vert_, LogMinimum, PixelsPerLogValue, PixelEnd, -1, PixelEnd);
        }
        break;
    default:
        horiz_.Calc = vert_.Calc = calcKind_ == ckFast ? &LinearFast : &LinearGuarded;
        if (RangeIsZero) {
            centre(horiz_);
            centre(vert_);
        } else if (inverted_) {
            set(horiz_, CurMinimum, PixelsPerValue, PixelEnd, -1, 0);
            set(vert_, CurMinimum, PixelsPerValue, PixelStart, 1, 0);
        } else {
            set(horiz_, CurMinimum, PixelsPerValue, PixelStart, 1, 0);
            set(vert_, CurMinimum, PixelsPerValue, PixelEnd, -1, 0);
        }
        break;
    }
    active_ = horizontal_ ? horiz_ : vert_;
}

void TChartAxis::CalcPosValues(const double* values, int* pixels, std::size_t count) const
{
    const TAxisConversion c = active_;
    if (c.Calc == &LinearFast) {
        for (std::size_t i = 0; i < count; ++i) pixels[i] = LinearFast(c, values[i]);
        return;
    }
    if (c.Calc == &LinearGuarded) {
        if (!*c.Clamp) {
            for (std::size_t i = 0; i < count; ++i) pixels[i] = LinearFast(c, values[i]);
            return;
        }
        for (std::size_t i = 0; i < count; ++i) pixels[i] = LinearGuarded(c, values[i]);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) pixels[i] = c.Calc(c, values[i]);
}

double TChartAxis::PixelToValue(int pixel) const
{
    if (logarithmic_) {
        if (pixel == PixelStart) return horizontal_ != inverted_ ? CurMinimum : CurMaximum;
        if (pixel == PixelEnd) return horizontal_ != inverted_ ? CurMaximum : CurMinimum;
        if (LogRange == 0 || PixelSize == 0) return CurMinimum;
        const double c = static_cast<double>(inverted_ ? PixelEnd - pixel : pixel - PixelStart) * LogRange / PixelSize;
        return horizontal_ ? std::exp(LogMinimum + c) : std::exp(LogMaximum - c);
    }
    if (PixelSize < 1) return 0;
    const double b = static_cast<double>(inverted_ ? PixelEnd - pixel : pixel - PixelStart) * CurRange / PixelSize;
    return horizontal_ ? CurMinimum + b : CurMaximum - b;
}

int TChartAxis::PixelsBetween(double a, double b) const
{
    if (!(std::fabs(a - b) > 0)) return 0;
    if (logarithmic_) return SaturatedPixel(static_cast<double>(ValueToPixel(a)) - ValueToPixel(b));
    if (CurRange == 0) return 0;
    return SaturatedPixel(std::nearbyint(std::fabs(a - b) * PixelsPerValue));
}

// ---- copies and names

void TChartAxis::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TChartAxis*>(source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    // The ends first, so that the ordering checks of the setters never see a half-copied range.
    minimum_ = other->minimum_;
    maximum_ = other->maximum_;
    auto& from = const_cast<TChartAxis&>(*other);
    AssignPublishedProperties(*this, from);
    labels_->Assign(other->labels_.get());
    items_->CopyFrom(*other->items_);
    IsDepthAxis = other->IsDepthAxis;
    SetShape(other->shape_.get());
    SetSubAxes(other->subAxes_.get());
    SelectPositionCalculators();
}

std::string TChartAxis::GetDisplayName() const
{
    if (title_ && !title_->Caption().empty()) return title_->Caption();
    return TCollectionItem::GetDisplayName();
}

// ---------------------------------------------------------------- depth axis

TChartDepthAxis::TChartDepthAxis(TCollection* collection) : TChartAxis(collection) { InitVisible(false); }

TChartDepthAxis::TChartDepthAxis(TCustomAxisPanel* chart) : TChartAxis(chart) { InitVisible(false); }

void TChartDepthAxis::DeclareProperties(TPropertyDeclarer<TChartDepthAxis>& p)
{
    p.Boolean("LabelsAsSeriesTitles", &TChartDepthAxis::LabelsAsSeriesTitles,
              &TChartDepthAxis::SetLabelsAsSeriesTitles).Default(true);
}

void TChartDepthAxis::SetInverted(bool value)
{
    TChartAxis::SetInverted(value);
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TChartAxis* other = this == chart->DepthAxis() ? chart->DepthTopAxis()
                        : this == chart->DepthTopAxis() ? chart->DepthAxis() : nullptr;
    if (other && other->Inverted() != value) other->SetInverted(value);
}

void TChartDepthAxis::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TChartDepthAxis*>(source)) labelsAsSeriesTitles_ = other->labelsAsSeriesTitles_;
    TChartAxis::Assign(source);
}

// ---------------------------------------------------------------- lists

TChartCustomAxes::TChartCustomAxes(TPersistent* owner) : TCollection(TChartAxis::StaticClass(), owner) {}

TChartAxis* TChartCustomAxes::OwnerAxis() const { return dynamic_cast<TChartAxis*>(GetOwner()); }

TCustomAxisPanel* TChartCustomAxes::Chart() const
{
    if (TChartAxis* axis = OwnerAxis()) return axis->ParentChart();
    return dynamic_cast<TCustomAxisPanel*>(GetOwner());
}

TChartAxis* TChartCustomAxes::AddAxis()
{
    auto* axis = static_cast<TChartAxis*>(Add());
    if (TChartAxis* master = OwnerAxis()) {
        axis->horizontal_ = master->horizontal_;
        axis->otherSide_ = master->otherSide_;
        axis->Axis()->SetVisible(false);
        axis->SelectPositionCalculators();
    }
    return axis;
}

void TChartCustomAxes::UpdateSubAxesRange(TChartAxis* axis)
{
    for (int i = 0; i < Count(); ++i)
        if (GetAxis(i)->MasterAxis == axis) GetAxis(i)->SetRange(axis->Minimum(), axis->Maximum());
}

int TChartAxes::IndexOf(const TChartAxis* axis) const
{
    auto it = std::find(items_.begin(), items_.end(), axis);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TChartAxes::Remove(const TChartAxis* axis)
{
    auto it = std::find(items_.begin(), items_.end(), axis);
    if (it != items_.end()) items_.erase(it);
}

void TChartAxes::SetFastCalculation(bool value)
{
    fastCalculation_ = value;
    for (TChartAxis* axis : items_) axis->SelectPositionCalculators();
}

void TChartAxes::SetAutomatic(bool value)
{
    for (TChartAxis* axis : items_) axis->SetAutomatic(value);
}

// ---------------------------------------------------------------- start-up

void RuRazaziAxisInitialization()
{
    AxisPixelClampLimit = 32767;
    for (const TClassInfo* info : {&TChartAxisTitle::StaticClass(), &TChartAxis::StaticClass(),
                                   &TChartDepthAxis::StaticClass(), &TChartCustomAxes::StaticClass(),
                                   &TChartAxisPen::StaticClass(), &TAxisGridPen::StaticClass(),
                                   &TTicks::StaticClass(), &TAxisBackShape::StaticClass()})
        RegisterClassForStreaming(*info);
}
