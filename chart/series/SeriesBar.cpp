// The bar series core: settings, how bar series of a chart share a category position, bar
// thickness, stacking, value ranges, depth, draw orders, hit testing and the gallery.
#include "chart/series/SeriesBar.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziCallout.h"
#include "platform/core/NumText.h"

// Halves to even, kept within the pixel range so hostile settings cannot overflow.
int RoundPixel(double value)
{
    if (!(value == value)) return 0;
    return static_cast<int>(Rnd(std::clamp(value, -1e9, 1e9)));
}

// ---------------------------------------------------------------- construction and settings

TCustomBarSeries::TCustomBarSeries(TComponent* owner)
    : TChartSeries(owner),
      shadow_(std::make_unique<TDuvShadow>([this](TObject* sender) { EffectChanged(sender); })),
      emboss_(std::make_unique<TDuvEmboss>([this](TObject* sender) { EffectChanged(sender); }))
{
    Marks().InitVisible(true);
    Marks().SetOnTop(true);
    Marks().Callout().DefaultLength = 20;
    Marks().Callout().SetLength(20);
    shadow_->SetDefaultValues(shadow_->Visible(), static_cast<TColor>(0x808080), shadow_->GetSize());
    emboss_->SetDefaultValues(emboss_->Visible(), static_cast<TColor>(0x808080), emboss_->GetSize());
}

TCustomBarSeries::~TCustomBarSeries() = default;

void TCustomBarSeries::DeclareProperties(TPropertyDeclarer<TCustomBarSeries>& p)
{
    using S = TCustomBarSeries;
    p.Boolean("AutoBarSize", &S::AutoBarSize, &S::SetAutoBarSize).Default(false);
    // The marks carry the flag; this name only reads and writes it.
    p.Boolean("AutoMarkPosition", &S::AutoMarkPosition, &S::SetAutoMarkPosition).NotStored();
    p.Object("BarBrush", &S::BarBrush, &S::SetBarBrushObject);
    p.Object("BarPen", &S::BarPen, &S::SetBarPenObject);
    p.Enum("BarRound", &S::BarRound, &S::SetBarRound).Default(brAtValue);
    p.Enum("BarStyle", &S::BarStyle, &S::SetBarStyle).Default(bsRectangle);
    p.Integer("BarWidthPercent", &S::BarWidthPercent, &S::SetBarWidthPercent).Default(70);
    p.Integer("BevelSize", &S::BevelSize, &S::SetBevelSize).Default(1);
    p.Integer("ConePercent", &S::ConePercent, &S::SetConePercent).Default(0);
    p.Boolean("Dark3D", &S::Dark3D, &S::SetDark3D).Default(true);
    p.Integer("DarkPen", &S::DarkPen, &S::SetDarkPen).Default(0);
    p.Integer("DepthPercent", &S::DepthPercent, &S::SetDepthPercent).Default(100);
    p.Object("Emboss", &S::Emboss, &S::SetEmboss);
    p.Object("Gradient", &S::Gradient, &S::SetGradient).Peek([](const S& s) { return s.Brush().PeekGradient(); });
    p.Boolean("GradientRelative", &S::GradientRelative, &S::SetGradientRelative).Default(false);
    p.Enum("MarksLocation", &S::MarksLocation, &S::SetMarksLocation).Default(mlEnd);
    p.Boolean("MarksOnBar", &S::MarksOnBar, &S::SetMarksOnBar).Default(false);
    p.Enum("MultiBar", &S::MultiBar, &S::SetMultiBar).Default(mbSide);
    p.Integer("OffsetPercent", &S::OffsetPercent, &S::SetOffsetPercent).Default(0);
    p.Integer("RoundSize", &S::RoundSize, &S::SetRoundSize).Default(16);
    p.Object("Shadow", &S::Shadow, &S::SetShadow);
    p.Boolean("SideMargins", &S::SideMargins, &S::SetSideMargins).Default(true);
    p.Integer("Sides", &S::Sides, &S::SetSides).Default(32);
    p.Integer("StackGroup", &S::StackGroup, &S::SetStackGroup).Default(0);
    p.Object("TickLines", &S::TickLines, &S::SetTickLines).Peek(&S::PeekTickLines);
    p.Boolean("UseYOrigin", &S::UseYOrigin, &S::SetUseYOrigin).Default(true);
    p.Float("YOrigin", &S::YOrigin, &S::SetYOrigin);
    p.Event("OnGetBarStyle", &S::OnGetBarStyle);
}

void TCustomBarSeries::SetBarRound(TBarRound value)
{
    if (barRound_ == value) return;
    barRound_ = value;
    RequestRepaint();
}

void TCustomBarSeries::SetBarStyle(TBarStyle value)
{
    if (barStyle_ == value) return;
    barStyle_ = value;
    if (value == bsRectangle) Gradient()->SetVisible(false);
    RequestRepaint();
}

void TCustomBarSeries::SetMarksLocation(TMarksLocation value)
{
    if (marksLocation_ == value) return;
    marksLocation_ = value;
    RequestRepaint();
}

void TCustomBarSeries::SetMultiBar(TMultiBar value)
{
    if (multiBar_ == value) return;
    multiBar_ = value;
    SyncMultiBar(true);
    RequestRepaint();
}

void TCustomBarSeries::SetSideMargins(bool value)
{
    ChangeBoolean(sideMargins_, value);
    SyncMultiBar(true);
}

void TCustomBarSeries::SetShadow(const TDuvShadow* value)
{
    if (value) shadow_->Assign(value);
    RequestRepaint();
}

void TCustomBarSeries::SetEmboss(const TDuvEmboss* value)
{
    if (value) emboss_->Assign(value);
    RequestRepaint();
}

void TCustomBarSeries::SetGradient(const TDuvGradient* value)
{
    if (value) Gradient()->Assign(value);
    RequestRepaint();
}

TDuvHiddenPen* TCustomBarSeries::TickLines()
{
    if (!tickLines_) {
        tickLines_ = std::make_unique<TDuvHiddenPen>([this](TObject* sender) { EffectChanged(sender); });
        tickLines_->InitEndStyle(esFlat);
    }
    return tickLines_.get();
}

void TCustomBarSeries::SetTickLines(const TDuvPen* value)
{
    if (!value)
        tickLines_.reset();
    else
        TickLines()->Assign(value);
    RequestRepaint();
}

void TCustomBarSeries::SetPen(const TDuvPen* value) { TChartSeries::SetPen(value); }

void TCustomBarSeries::SetParentChart(TCustomAxisPanel* value)
{
    TChartSeries::SetParentChart(value);
    SyncMultiBar(false);
}

int TCustomBarSeries::AddBar(double value, const std::string& label, TColor color)
{
    return AddPointY(value, label, color);
}

TBarStyle TCustomBarSeries::GetBarStyle(int valueIndex)
{
    TBarStyle style = barStyle_;
    if (OnGetBarStyle) OnGetBarStyle(this, valueIndex, style);
    return style;
}

void TCustomBarSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomBarSeries*>(source)) {
        barStyle_ = other->barStyle_;
        multiBar_ = other->multiBar_;
        yOrigin_ = other->yOrigin_;
        stackGroup_ = other->stackGroup_;
        useYOrigin_ = other->useYOrigin_;
    }
    TChartSeries::Assign(source);
}

void TCustomBarSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TCustomBarSeries*>(source)) {
        barWidthPercent_ = other->barWidthPercent_;
        barRound_ = other->barRound_;
        bevelSize_ = other->bevelSize_;
        conePercent_ = other->conePercent_;
        customBarSize_ = other->customBarSize_;
        dark3D_ = other->dark3D_;
        darkPen_ = other->darkPen_;
        depthPercent_ = other->depthPercent_;
        emboss_->Assign(other->emboss_.get());
        gradientRelative_ = other->gradientRelative_;
        marksLocation_ = other->marksLocation_;
        marksOnBar_ = other->marksOnBar_;
        offsetPercent_ = other->offsetPercent_;
        roundSize_ = other->roundSize_;
        shadow_->Assign(other->shadow_.get());
        sideMargins_ = other->sideMargins_;
        if (other->tickLines_)
            TickLines()->Assign(other->tickLines_.get());
        else
            tickLines_.reset();
    }
    TChartSeries::AssignFormat(source);
}

// ---------------------------------------------------------------- family and layout

template <class F>
void TCustomBarSeries::ForEachFamilyMember(F visit) const
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TChartSeriesList& list = chart->SeriesList();
    for (int i = 0; i < list.Count(); ++i) {
        // A plain series is of the family too (bars descend from it) but has no bar layout.
        auto* other = dynamic_cast<TCustomBarSeries*>(list.GetSeries(i));
        if (other && other->Active() && SameClassFamily(*other)) visit(other);
    }
}

void TCustomBarSeries::SyncMultiBar(bool write)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    const TClassInfo& own = ClassType();
    TChartSeriesList& list = chart->SeriesList();
    for (int i = 0; i < list.Count(); ++i) {
        auto* other = dynamic_cast<TCustomBarSeries*>(list.GetSeries(i));
        if (!other || !other->ClassType().InheritsFrom(own)) continue;
        if (!write) {
            if (other != this) {
                multiBar_ = other->multiBar_;
                sideMargins_ = other->sideMargins_;
            }
            return;
        }
        other->multiBar_ = multiBar_;
        other->sideMargins_ = sideMargins_;
        other->ComputeVisiblePoints = multiBar_ != mbSelfStack;
    }
}

void TCustomBarSeries::PrepareToDraw()
{
    TChartSeries::PrepareToDraw();
    BarSize = 0;
    BarOrder = 1;
    PrecedingPoints = 0;
    NumBars = 0;
    MaxBarPoints = -1;
    stackGroups_.clear();
    bool earlier = true;
    ForEachFamilyMember([&](TCustomBarSeries* other) {
        if (other == this) earlier = false;
        const int n = other->PointCount();
        if (MaxBarPoints == -1 || MaxBarPoints < n) MaxBarPoints = sideMargins_ && n > 0 ? n + 1 : n;
        switch (multiBar_) {
        case mbNone: NumBars = 1; break;
        case mbSide:
        case mbSideAll:
        case mbSelfStack:
            ++NumBars;
            if (earlier) ++BarOrder;
            break;
        case mbStacked:
        case mbStacked100:
            if (std::find(stackGroups_.begin(), stackGroups_.end(), other->stackGroup_) == stackGroups_.end()) {
                stackGroups_.push_back(other->stackGroup_);
                ++NumBars;
                if (earlier) ++BarOrder;
            }
            break;
        }
        if (earlier) PrecedingPoints += n;
    });
    const auto group = std::find(stackGroups_.begin(), stackGroups_.end(), stackGroup_);
    if (group != stackGroups_.end()) BarOrder = static_cast<int>(group - stackGroups_.begin()) + 1;
    if (NumBars == 0) NumBars = 1;
    TCustomAxisPanel* chart = ParentChart();
    const int perPage = chart ? chart->Pages()->MaxPointsPerPage() : 0;
    if (multiBar_ == mbSelfStack)
        MaxBarPoints = perPage > 0 ? perPage : NumBars;
    else if (perPage > 0)
        MaxBarPoints = perPage;
    if (perPage > 0 && sideMargins_ && MaxBarPoints > 0) ++MaxBarPoints;
}

void TCustomBarSeries::FireBeforeDrawValues()
{
    barStateApplied_ = false;
    TChartSeries::FireBeforeDrawValues();
    if (BarSize == 0) CalcBarSize();
}

void TCustomBarSeries::CalcBarSize()
{
    if (customBarSize_ != 0) {
        BarSize = std::clamp(customBarSize_, -32767, 32767);
        return;
    }
    if (MaxBarPoints < 1) {
        BarSize = 0;
        return;
    }
    TChartAxis* axis = CategoryAxis();
    if (!axis) {
        BarSize = 0;
        return;
    }
    const double length = axis->PixelSize;
    const double n = MaxBarPoints;
    double room = length;
    if (autoBarSize_) {
        const double span = axis->Maximum() + 2 - axis->Minimum();
        if (span != 0) room = length * n / span;
    }
    const double x = barWidthPercent_ * 0.01 * room / n;
    BarSize = std::clamp(multiBar_ == mbSelfStack ? RoundPixel(x * 0.8) : RoundPixel(x / NumBars), -32767, 32767);
    if (BarSize > 0 && BarSize % 2 == 1) ++BarSize;
}

int TCustomBarSeries::BarMargin() const
{
    int margin = multiBar_ == mbSideAll || multiBar_ == mbSelfStack ? BarSize : BarSize * NumBars;
    if (!sideMargins_) margin /= 2;
    return margin;
}

int TCustomBarSeries::ApplyBarOffset(int position) const
{
    return offsetPercent_ != 0 ? RoundPixel(position + offsetPercent_ * 0.01 * BarSize) : position;
}

void TCustomBarSeries::AddCategoryMargins(int& low, int& high)
{
    CalcBarSize();
    const int margin = BarMargin();
    low += margin;
    high += margin;
}

int TCustomBarSeries::ValueAxisMarginNeeded(int markIndex)
{
    int a = 0;
    TCustomAxisPanel* chart = ParentChart();
    if (!marksOnBar_ && chart && PointCount() > 0 && Marks().Visible()) {
        chart->Canvas().AssignFont(*Marks().Font());
        a = GetMarkTextHeightExtra(markIndex) + Marks().Callout().Length();
        if (Marks().Frame()->Visible()) a += 2 * Marks().Frame()->Width();
    }
    if (Pen().Visible()) a = std::max(a, RoundPixel(Pen().Width() * 0.5) + 2);
    return a;
}

// ---------------------------------------------------------------- depth

void TCustomBarSeries::CalcZOrder()
{
    if (multiBar_ != mbNone && ZOrder == -1) {
        TCustomBarSeries* lender = nullptr;
        bool before = true;
        ForEachFamilyMember([&](TCustomBarSeries* other) {
            if (other == this) before = false;
            if (before && !lender) lender = other;
        });
        if (lender) {
            DepthSlot = lender->GetEffectiveZOrder();
            return;
        }
    }
    TChartSeries::CalcZOrder();
}

void TCustomBarSeries::CalcDepthPositions(int slotDepth)
{
    TChartSeries::CalcDepthPositions(slotDepth);
    if (depthPercent_ == 0) return;
    const int d = RoundPixel((100 - depthPercent_) * (EndZ - StartZ) * 0.005);
    StartZ += d;
    EndZ -= d;
}

bool TCustomBarSeries::SharesZOrder() const
{
    if (multiBar_ == mbSideAll || multiBar_ == mbSelfStack) return false;
    return TChartSeries::SharesZOrder();
}

// ---------------------------------------------------------------- stacking and ranges

double TCustomBarSeries::StackedValue(int valueIndex, bool total) const
{
    if (multiBar_ == mbSelfStack) {
        const double own = GetMandatoryValue(valueIndex);
        const bool high = own >= yOrigin_;
        double sum = 0;
        const TChartValueList* list = MandatoryList();
        for (int i = 0; i < valueIndex; ++i) {
            const double v = list->GetValueAt(i);
            if ((v >= yOrigin_) == high) sum += v;
        }
        return sum;
    }
    if (multiBar_ != mbStacked && multiBar_ != mbStacked100) return yOrigin_;
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return 0;
    const bool positive = GetMandatoryValue(valueIndex) >= 0;
    double sum = 0;
    TChartSeriesList& list = chart->SeriesList();
    for (int i = 0; i < list.Count(); ++i) {
        const auto* other = dynamic_cast<const TCustomBarSeries*>(list.GetSeries(i));
        if (!total && other == this) break;
        if (!other || !other->Active() || !SameClassFamily(*other) || other->GetPointCount() <= valueIndex) continue;
        if (other->stackGroup_ != stackGroup_) continue;
        const double v = other->GetStackedEndValue(valueIndex);
        if (total)
            sum += std::fabs(v);
        else if (positive ? v > 0 : v < 0)
            sum += v;
    }
    return sum;
}

double TCustomBarSeries::StackTotalAt(int valueIndex) const { return StackedValue(valueIndex, true); }

double TCustomBarSeries::StackedEndValue(int valueIndex) const
{
    return StackedValue(valueIndex, false) + GetMandatoryValue(valueIndex);
}

int TCustomBarSeries::BarOriginPos(int valueIndex, int defaultPos) const
{
    const double s = StackedValue(valueIndex, false);
    switch (multiBar_) {
    case mbStacked100: {
        const double t = StackTotalAt(valueIndex);
        // A stack without any value has no share to show: its bars sit at 0 %.
        return ValueToScreenMandatory(t == 0 ? 0 : s * 100 / t);
    }
    case mbStacked:
    case mbSelfStack: return ValueToScreenMandatory(s);
    default: return useYOrigin_ ? ValueToScreenMandatory(yOrigin_) : defaultPos;
    }
}

int TCustomBarSeries::BarValueEndPos(int valueIndex) const
{
    switch (multiBar_) {
    case mbStacked:
    case mbSelfStack: return ValueToScreenMandatory(StackedEndValue(valueIndex));
    case mbStacked100: {
        const double t = StackTotalAt(valueIndex);
        return ValueToScreenMandatory(t == 0 ? 0 : StackedEndValue(valueIndex) * 100 / t);
    }
    default: return ValueToScreenMandatory(GetMandatoryValue(valueIndex));
    }
}

double TCustomBarSeries::MaxMandatoryValue(double plainMaximum) const
{
    if (multiBar_ == mbStacked100) return MandatoryList()->GetTotal() >= 0 ? 100 : 0;
    double result = plainMaximum;
    if (multiBar_ == mbStacked || multiBar_ == mbSelfStack)
        for (int i = 0; i < PointCount(); ++i) result = std::max(result, StackedEndValue(i));
    if (useYOrigin_ && result < yOrigin_) result = yOrigin_;
    return result;
}

double TCustomBarSeries::MinMandatoryValue(double plainMinimum) const
{
    if (multiBar_ == mbStacked100) {
        double result = 0;
        for (int i = 0; i < PointCount(); ++i)
            if (const double t = StackTotalAt(i); t != 0) result = std::min(result, StackedEndValue(i) * 100 / t);
        return result;
    }
    double result = plainMinimum;
    if (multiBar_ == mbStacked || multiBar_ == mbSelfStack)
        for (int i = 0; i < PointCount(); ++i) result = std::min(result, StackedEndValue(i));
    if (useYOrigin_ && result > yOrigin_) result = yOrigin_;
    return result;
}

// ---------------------------------------------------------------- visible range and orders

bool TCustomBarSeries::ValueAxisInverted() const
{
    const TChartAxis* axis = ValueAxis();
    return axis && axis->Inverted();
}

bool TCustomBarSeries::CategoryAxisInverted() const
{
    const TChartAxis* axis = CategoryAxis();
    return axis && axis->Inverted();
}

bool TCustomBarSeries::Rotated3D() const
{
    TCustomAxisPanel* chart = ParentChart();
    return chart && chart->View3D() && !chart->View3DOptions().Orthogonal();
}

bool TCustomBarSeries::IsPointInChartRect(int index)
{
    TRect r;
    CalcBarBounds(index, r);
    const TRect& c = ParentChart()->ChartRect;
    const TRect n = OrientRect(r);
    return n.Left <= c.Right && n.Right >= c.Left && n.Top <= c.Bottom && n.Bottom >= c.Top;
}

void TCustomBarSeries::CalcFirstLastVisible()
{
    const int count = PointCount();
    if (multiBar_ == mbSelfStack) {
        FirstVisibleIndex = count > 0 ? 0 : -1;
        LastVisibleIndex = count - 1;
        return;
    }
    TCustomAxisPanel* chart = ParentChart();
    const bool paging = chart && chart->Pages()->MaxPointsPerPage() > 0;
    if (paging && chart->Pages()->MaxPointsPerPage() == 1) {
        FirstVisibleIndex = chart->Pages()->Current() - 1;
        if (FirstVisibleIndex >= count) FirstVisibleIndex = -1;
        LastVisibleIndex = FirstVisibleIndex;
        return;
    }
    TChartSeries::CalcFirstLastVisible();
    if (paging || FirstVisibleIndex < 0 || !chart) return;
    const TChartValueList* categories = SecondaryList();
    while (LastVisibleIndex < count - 1 && IsPointInChartRect(LastVisibleIndex + 1)) ++LastVisibleIndex;
    while (LastVisibleIndex < count - 1 &&
           categories->GetValueAt(LastVisibleIndex + 1) == categories->GetValueAt(LastVisibleIndex))
        ++LastVisibleIndex;
    while (FirstVisibleIndex > 0 && IsPointInChartRect(FirstVisibleIndex - 1)) --FirstVisibleIndex;
    while (FirstVisibleIndex > 0 &&
           categories->GetValueAt(FirstVisibleIndex - 1) == categories->GetValueAt(FirstVisibleIndex))
        --FirstVisibleIndex;
}

void TCustomBarSeries::GetPointDrawOrder(int first, int last, std::vector<int>& order, bool ownOnly)
{
    order.clear();
    if (multiBar_ != mbSelfStack) return;
    std::vector<int> high, low;
    auto add = [](std::vector<int>& list, int index) {
        if (list.empty() || list.back() != index) list.push_back(index);
    };
    for (int i = first; i <= last; ++i) {
        if (ownOnly || !ParentChart()) {
            if (i < PointCount()) add(GetMandatoryValue(i) >= yOrigin_ ? high : low, i);
            continue;
        }
        for (TCustomChartSeries* member : ParentChart()->SeriesList()) {
            if (!member->Active() || member->GetEffectiveZOrder() != GetEffectiveZOrder() ||
                member->GetPointCount() <= i)
                continue;
            const auto* series = dynamic_cast<const TChartSeries*>(member);
            if (!series) continue;
            add(series->GetMandatoryValue(i) >= yOrigin_ ? high : low, i);
        }
    }
    if (CategoryAxisInverted()) {
        order.assign(high.rbegin(), high.rend());
        order.insert(order.end(), low.begin(), low.end());
    } else {
        order.assign(low.rbegin(), low.rend());
        order.insert(order.end(), high.begin(), high.end());
    }
}

void TCustomBarSeries::GetMarkDrawOrder(int firstSeries, int seriesCount, std::vector<int>& order, int valueIndex)
{
    if (multiBar_ != mbStacked && multiBar_ != mbStacked100) {
        TChartSeries::GetMarkDrawOrder(firstSeries, seriesCount, order, valueIndex);
        return;
    }
    order.clear();
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    std::vector<int> below, above;
    TChartSeriesList& list = chart->SeriesList();
    for (int s = firstSeries; s < seriesCount && s < list.Count(); ++s) {
        const auto* series = dynamic_cast<const TChartSeries*>(list.GetSeries(s));
        if (!series || !series->Active() || series->GetPointCount() <= valueIndex) continue;
        (series->GetMandatoryValue(valueIndex) >= yOrigin_ ? above : below).push_back(s);
    }
    order.assign(below.rbegin(), below.rend());
    order.insert(order.end(), above.begin(), above.end());
}

bool TCustomBarSeries::DrawForwardOnAxis() const
{
    if (multiBar_ == mbSelfStack) return !ValueAxisInverted();
    return TChartSeries::DrawForwardOnAxis();
}

bool TCustomBarSeries::DrawForwardInDepth() const
{
    bool forward = TChartSeries::DrawForwardInDepth();
    if (multiBar_ != mbSideAll && multiBar_ != mbSelfStack) return forward;
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return forward;
    if (CategoryAxisInverted()) forward = !forward;
    if (chart->DepthAxis()->Inverted()) forward = !forward;
    const int rotation = chart->View3DOptions().Rotation();
    if ((rotation > 0 && rotation < 90) || (rotation > 180 && rotation < 270)) forward = !forward;
    return forward;
}

int TCustomBarSeries::PointAtScreen(int x, int y)
{
    if (!ParentChart()) return -1;
    CalcFirstLastVisible();
    if (FirstVisibleIndex < 0 || LastVisibleIndex < 0) return -1;
    const int last = std::min(LastVisibleIndex, PointCount() - 1);
    for (int i = FirstVisibleIndex; i <= last; ++i)
        if (IsPointInBar(i, {x, y})) return i;
    return -1;
}

// ---------------------------------------------------------------- gallery and samples

void TCustomBarSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    TChartSeries::ListSubGalleryStyles(callback);
    for (const std::string& caption : {DuvMsgSubColors, DuvMsgSubPyramid, DuvMsgSubEllipse, DuvMsgSubInvPyramid})
        callback(caption);
    if (UsesOrigin())
        for (const std::string& caption : {DuvMsgSubStack, DuvMsgSubStack100, DuvMsgSubSelfStacked}) callback(caption);
    callback(DuvMsgSubSides);
    callback(DuvMsgSubSideAll);
}

void TCustomBarSeries::PrepareGalleryPair(int index)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || chart->CountSeries() != 1) return;
    auto restyle = [](TCustomBarSeries& series) {
        series.FillSampleValues(2);
        series.SetColorEachPoint(false);
        series.Marks().SetVisible(false);
    };
    restyle(*this);
    auto* second = dynamic_cast<TCustomBarSeries*>(chart->NewSeriesOfClass(ClassType()));
    if (!second) return;
    second->SetTitle({});
    restyle(*second);
    second->Gradient()->SetVisible(true);
    second->SetBarWidthPercent(barWidthPercent_);
    second->ApplySubGalleryStyle(index);
}

void TCustomBarSeries::ApplySubGalleryStyle(int index)
{
    switch (index) {
    case 0: return;
    case 1: SetColorEachPoint(true); return;
    case 2: SetBarStyle(bsPyramid); return;
    case 3: SetBarStyle(bsEllipse); return;
    case 4: SetBarStyle(bsInvPyramid); return;
    default: break;
    }
    PrepareGalleryPair(index);
    static constexpr TMultiBar kKinds[] = {mbStacked, mbStacked100, mbSelfStack, mbSide, mbSideAll};
    const int kind = (UsesOrigin() ? index : index + 3) - 5;
    if (kind >= 0 && kind < 5) SetMultiBar(kKinds[kind]);
}

void TCustomBarSeries::SetGalleryLook()
{
    TChartSeries::SetGalleryLook();
    SetBarWidthPercent(85);
    SetBarStyle(bsRectGradient);
    Gradient()->SetVisible(true);
    SetMultiBar(mbNone);
    SetDarkPen(130);
}

int TCustomBarSeries::DefaultSampleCount() const
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || chart->CountSeries() <= 1) return 6;
    for (TCustomChartSeries* other : chart->SeriesList())
        if (other != this && dynamic_cast<TCustomBarSeries*>(other) && other->PointCount() > 0)
            return other->PointCount();
    return 6;
}

void TCustomBarSeries::AddRandomSamples(int count, bool valuesOnly)
{
    bool othersHoldX = false;
    ForEachFamilyMember([&](TCustomBarSeries* other) {
        if (other != this && other->XValuesNeedStoring()) othersHoldX = true;
    });
    // Samples line up with the others' categories only when those are 0, 1, 2 ...; one batch
    // either way, so the sample count asked for is the count added.
    TChartSeries::AddRandomSamples(count, othersHoldX ? valuesOnly : true);
}

void SeriesBarInitialization()
{
    ActivateControlClassGroup();
    RegisterClassForStreaming(TBarSeries::StaticClass());
    RegisterClassForStreaming(THorizBarSeries::StaticClass());
}
