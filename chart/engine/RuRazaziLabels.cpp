// Axis increments and labels: how far apart the labels of an axis lie, which values they show and
// what text each carries. Nothing here paints; the label pass hands its labels to the drawing.
#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"

namespace {

// a and b are the same value within max(floor, tolerance x the smaller magnitude).
bool NearlyEqual(double a, double b, double floor, double tolerance)
{
    const double smaller = std::min(std::fabs(a), std::fabs(b));
    return std::fabs(a - b) <= std::max(floor, tolerance * smaller);
}

// Relative slack for the ends of value loops, so that a value computed as 1 + 70 x 0.1 still
// counts as 8.
constexpr double kEndSlack = 1e-12;

bool AtMost(double value, double limit) { return value <= limit + std::fabs(limit) * kEndSlack; }
bool AtLeast(double value, double limit) { return value >= limit - std::fabs(limit) * kEndSlack; }

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    const std::string& separator = LibraryLineSeparator;
    if (separator.empty()) return {text};
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string::npos) break;
        lines.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    lines.push_back(text.substr(start));
    return lines;
}

// One character off the end of UTF-8 text, never half of one.
void DropLastCharacter(std::string& text)
{
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
    if (!text.empty()) text.pop_back();
}

// The series is drawn along the axis: its independent values lie on it.
bool IsIndependentAxisOf(const TChartAxis* axis, const TCustomChartSeries* series)
{
    return series->YMandatory() ? series->HorizAxisObject() == axis : series->VertAxisObject() == axis;
}

}  // namespace

// ---------------------------------------------------------------- items

TAxisItem::~TAxisItem() = default;

void TAxisItem::SetValue(double value)
{
    if (value_ == value) return;
    value_ = value;
    if (owner_) owner_->Repaint();
}

void TAxisItem::SetText(const std::string& value)
{
    if (text_ == value) return;
    text_ = value;
    if (owner_) owner_->Repaint();
}

TAxisLabelsFormat* TAxisItem::GetFormat()
{
    if (!format_) {
        format_ = std::make_unique<TAxisLabelsFormat>();
        format_->SetDefaultTransparent(true);
        if (owner_ && owner_->Axis() && owner_->Axis()->ParentChart())
            format_->AttachToPanel(owner_->Axis()->ParentChart());
    }
    return format_.get();
}

TAxisLabelsFormat* TAxisItem::EffectiveFormat() const
{
    if (format_) return format_.get();
    return owner_ ? owner_->Format() : nullptr;
}

TAxisItems::TAxisItems(TChartAxis* axis) : axis_(axis) {}

TAxisItems::~TAxisItems() = default;

TAxisLabelsFormat* TAxisItems::Format() const { return axis_ ? axis_->Labels().Format() : nullptr; }

void TAxisItems::Repaint() const
{
    if (axis_) axis_->Repaint();
}

TAxisItem* TAxisItems::Add(const std::string& text, double value)
{
    // The labels a drawing recorded are no custom labels.
    if (AutomaticLabels) items_.clear();
    AutomaticLabels = false;
    items_.push_back(std::make_unique<TAxisItem>(this));
    TAxisItem* item = items_.back().get();
    item->text_ = text;
    item->value_ = value;
    Repaint();
    return item;
}

TAxisItem* TAxisItems::AddInternal(const std::string& text, double value, int pos)
{
    items_.push_back(std::make_unique<TAxisItem>(this));
    TAxisItem* item = items_.back().get();
    item->text_ = text;
    item->value_ = value;
    item->LabelPos = pos;
    return item;
}

void TAxisItems::Clear()
{
    items_.clear();
    Repaint();
}

TDuvSelected* TAxisItems::GetSelected()
{
    if (!selected_) {
        selected_ = std::make_unique<TDuvSelected>(axis_);
        if (TAxisLabelsFormat* format = Format()) selected_->Hover()->Assign(format);
        selected_->Hover()->Font()->SetStyle(TFontStyles{fsBold});
    }
    return selected_.get();
}

void TAxisItems::CopyFrom(const TAxisItems& source)
{
    if (&source == this) return;
    if (Format() && source.Format()) Format()->Assign(source.Format());
    if (source.selected_) GetSelected()->Assign(source.selected_.get());
    if (source.AutomaticLabels) return;
    items_.clear();
    AutomaticLabels = false;
    for (const auto& from : source.items_) {
        TAxisItem* item = AddInternal(from->text_, from->value_, from->LabelPos);
        if (from->format_) item->GetFormat()->Assign(from->format_.get());
    }
}

// ---------------------------------------------------------------- increments

double NextLabelStep(double x)
{
    if (std::isinf(x)) return 1;
    if (!(x > 0)) return 1;
    int decades = 0;
    while (x >= 10) {
        x *= 0.1;
        ++decades;
    }
    while (x < 1) {
        x *= 10;
        --decades;
    }
    double result = x < 2 ? 2 : x < 5 ? 5 : 10;
    for (; decades > 0; --decades) result *= 10;
    for (; decades < 0; ++decades) result *= 0.1;
    return result;
}

double TChartAxis::NearestLogPower(double value) const
{
    if (!(logarithmicBase_ > 1) || !(value > 0)) return value;
    const double base = std::log(logarithmicBase_);
    return std::pow(logarithmicBase_, static_cast<double>(Rnd(std::log(value) / base)));
}

bool TChartAxis::AnySeriesFewerPoints(int count) const
{
    if (!chart_) return false;
    for (TCustomChartSeries* series : chart_->SeriesList())
        if (series->Active() && IsIndependentAxisOf(this, series) && series->GetPointCount() <= count) return true;
    return false;
}

double TChartAxis::LabelsIncrementFor(int maxLabels)
{
    if (maxLabels < 1) return IsDateTimeAxis ? DateTimeSteps[0] : 1e-12;
    return IsDateTimeAxis ? DateTimeLabelsIncrement(maxLabels) : NumericLabelsIncrement(maxLabels);
}

double TChartAxis::DateTimeLabelsIncrement(int maxLabels)
{
    constexpr double oneSecond = 1.0 / 86400;
    double s = std::max(DateTimeSteps[0], increment_);
    if (s > 0 && CurRange / s > 1000000) s = CurRange / 1000000;
    // Each pass at least doubles s, so a finite range ends long before the guard.
    for (int guard = 0; guard < 4000 && std::isfinite(s); ++guard) {
        const double count = CurRange / s;
        if (!(count > maxLabels) || static_cast<double>(maxLabels) >= static_cast<double>(Rnd(count))) break;
        if (s >= 365)
            s *= 2;
        else if (s >= oneSecond)
            s = NextLargerDateTimeStep(s);
        else
            s = NextLabelStep(s);
    }
    return std::max(DateTimeSteps[0], s);
}

double TChartAxis::NumericLabelsIncrement(int maxLabels)
{
    constexpr double intLimit = 2147483647.0;
    double s;
    if (increment_ > 0) {
        s = increment_;
    } else if (RangeIsZero) {
        s = 1;
    } else {
        s = std::fabs(CurRange) / (maxLabels + 1);
        if (logarithmic_) s = NearestLogPower(s);
        if (!(CurRange < 1.1) && AnySeriesFewerPoints(maxLabels)) s = std::max(1.0, s);
    }
    for (int guard = 0; guard < 4000; ++guard) {
        const double c = CurRange / s;
        const bool small = std::fabs(c) < intLimit;
        if (small && Rnd(c) <= maxLabels) break;
        if (c != c) break;
        if (logarithmic_ && logarithmicBase_ > 1)
            s *= logarithmicBase_;
        else if (increment_ > 0 && small)
            s *= 2;
        else
            s = NextLabelStep(s);
        if (s > CurRange || std::isinf(s)) break;
    }
    if (std::isinf(s)) return CurRange;
    return std::max(1e-12, s);
}

double IncrementForLabelSize(TChartAxis* axis, int size)
{
    int n = 1;
    if (size > 0 && axis->PixelSize > 0) {
        const int separation = axis->Labels().Separation();
        const double band = separation > 0 ? size + static_cast<double>(Rnd(separation * 0.01 * size)) : size;
        n = static_cast<int>(Rnd(axis->PixelSize / band));
    }
    return axis->LabelsIncrementFor(n);
}

double TChartAxis::IncrementFromLabelWidths()
{
    double lo = CurMinimum, hi = CurMaximum;
    if (labels_->RoundFirst() && increment_ != 0) {
        lo = increment_ * static_cast<double>(Rnd(CurMinimum / increment_));
        hi = increment_ * std::trunc(CurMaximum / increment_);
    }
    // The middle value with the most decimals is the widest one to measure.
    double mid = (lo + hi) / 2;
    for (int guard = 0; guard < 2100 && std::isfinite(mid) && mid != 0 && mid == std::trunc(mid); ++guard) mid /= 2;
    int widest = std::max({LabelExtentOfValue(mid), LabelExtentOfValue(hi), LabelExtentOfValue(lo)});
    if (increment_ != 0)
        widest = std::max({widest, LabelExtentOfValue(hi - increment_), LabelExtentOfValue(lo + increment_)});
    // Alternate rows spread the labels of one row over two, so that wide ones stand apart; they do
    // not add labels (halving the step placed twice as many, at steps off the 1-2-5 sequence).
    return IncrementForLabelSize(this, widest);
}

// ---------------------------------------------------------------- texts and sizes

std::string TChartAxis::FormatLabelValue(double value)
{
    std::string text;
    if (IsDateTimeAxis)
        text = FormatDateTime(dateTimeFormat_.empty() ? DateOrTimeFormat(CurRange) : dateTimeFormat_, value);
    else
        text = FormatFloat(axisValuesFormat_, value);
    FireGetAxisLabel(nullptr, -1, text);
    if (labels_->MultiLine() && !LibraryLineSeparator.empty()) {
        std::string broken;
        for (char c : text) {
            if (c == ' ')
                broken += LibraryLineSeparator;
            else
                broken += c;
        }
        text = broken;
    }
    return text;
}

void TChartAxis::MeasureLabel(const std::string& text, int& width, int& lines)
{
    const std::vector<std::string> parts = SplitLines(text);
    lines = static_cast<int>(parts.size());
    width = 0;
    if (!chart_) return;
    TCanvas3D& canvas = chart_->Canvas();
    canvas.AssignFont(*labels_->Font());
    for (const std::string& line : parts) width = std::max(width, canvas.TextWidth(line));
}

bool TChartAxis::LabelRunsAcross() const
{
    const int angle = labels_->Angle();
    return horizontal_ ? angle == 90 || angle == 270 : angle == 0 || angle == 180;
}

int TChartAxis::LabelExtentOfValue(double value)
{
    if (labels_->GridIgnoresLabelSize()) return 1;
    int width = 0, lines = 1;
    MeasureLabel(FormatLabelValue(value), width, lines);
    if (LabelRunsAcross()) return chart_ ? chart_->Canvas().FontHeight() * lines : 0;
    return width;
}

TAxisLabelStyle TChartAxis::CalcAutoLabelStyle() const
{
    if (MasterAxis) return MasterAxis->CalcAutoLabelStyle();
    if (!chart_) return talNone;
    if (IsDepthAxis) {
        for (TCustomChartSeries* series : chart_->SeriesList())
            if (series->Active() && (series->HasZValues || series->MaxZValue() != series->MinZValue())) return talValue;
        return talText;
    }
    TAxisLabelStyle result = talNone;
    for (TCustomChartSeries* series : chart_->SeriesList()) {
        if (!series->Active() || !series->UsesAxis(this)) continue;
        if (!series->HasZValues && IsIndependentAxisOf(this, series)) {
            if (series->SkipsGaps()) return talPointValue;
            if (series->HasAnyLabel()) return talText;
        }
        result = talValue;
    }
    return result;
}

TAxisLabelStyle TChartAxis::EffectiveLabelStyle() const
{
    const TAxisLabelStyle style = labels_->Style();
    return style == talAuto ? CalcAutoLabelStyle() : style;
}

int TChartAxis::WidestValueLabel()
{
    const double i = IncrementFromLabelWidths();
    double lo = CurMinimum, hi = CurMaximum;
    if (i != 0 && ((IsDateTimeAxis && exactDateTime_) || labels_->RoundFirst())) {
        lo = i * std::trunc(CurMinimum / i);
        hi = i * std::trunc(CurMaximum / i);
    }
    int widest = 0, lines = 1, width = 0;
    auto measure = [&](double value) {
        MeasureLabel(FormatLabelValue(value), width, lines);
        widest = std::max(widest, width);
    };
    if (i != 0) {
        int count = 0;
        for (double v = hi; v >= lo && count < 5000; v -= i, ++count) {
            measure(v);
            if (v - i == v) break;
        }
    } else {
        measure(hi);
        measure(lo);
    }
    MeasureLabel(" ", width, lines);
    return widest + width;
}

int TChartAxis::WidestEventLabel()
{
    if (!chart_) return 0;
    int widest = 0, width = 0, lines = 1;
    for (TCustomChartSeries* series : chart_->SeriesList())
        for (int index = 0; index < series->GetPointCount(); ++index) {
            std::string text = series->Labels().GetLabelText(index);
            FireGetAxisLabel(series, index, text);
            MeasureLabel(text, width, lines);
            widest = std::max(widest, width);
        }
    return widest;
}

int TChartAxis::WidestLabelWidth()
{
    int widest = 0, width = 0, lines = 1;
    if (!items_->AutomaticLabels) {
        for (int k = 0; k < items_->Count(); ++k) {
            TAxisItem* item = items_->Item(k);
            const std::string text = item->Text().empty() ? FormatLabelValue(item->Value()) : item->Text();
            if (!chart_) continue;
            TCanvas3D& canvas = chart_->Canvas();
            TAxisLabelsFormat* format = item->EffectiveFormat();
            canvas.AssignFont(format ? *format->Font() : *labels_->Font());
            for (const std::string& line : SplitLines(text)) widest = std::max(widest, canvas.TextWidth(line));
        }
        return widest;
    }
    if (!chart_) return 0;
    switch (EffectiveLabelStyle()) {
    case talValue:
    case talPointValue:
        return WidestValueLabel();
    case talMark:
        for (TCustomChartSeries* series : chart_->SeriesList()) {
            if (!series->Active()) continue;
            for (int index = 0; index < series->GetPointCount(); ++index) {
                MeasureLabel(series->MarkTextOf(index), width, lines);
                widest = std::max(widest, width);
            }
        }
        return widest;
    case talText:
        if (HasGetAxisLabel()) return WidestEventLabel();
        for (TCustomChartSeries* series : chart_->SeriesList())
            for (int index = 0; index < series->Labels().Count(); ++index) {
                MeasureLabel(series->Labels().GetLabelText(index), width, lines);
                widest = std::max(widest, width);
            }
        return widest;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------- the label pass

struct TChartAxis::TLabelPass {
    std::vector<TAxisLabelEntry> Labels;
    int Step = NoDateTimeStep;
    bool Visible = true;
};

int TChartAxis::LabelDateTimeStep(double increment) const
{
    if (!(IsDateTimeAxis && exactDateTime_ && increment_ != 0)) return NoDateTimeStep;
    int step = MatchDateTimeStep(increment_);
    if (step == NoDateTimeStep) return step;
    while (step < DateTimeStepCount - 1 && increment > DateTimeSteps[static_cast<std::size_t>(step)]) ++step;
    return step;
}

std::vector<TAxisLabelEntry> TChartAxis::CalcLabels()
{
    TLabelPass pass;
    pass.Visible = labels_->Visible();
    TickPositions.clear();
    if (!items_->AutomaticLabels) {
        CustomLabels(pass);
        return std::move(pass.Labels);
    }
    items_->ClearRecorded();
    const TAxisLabelStyle style = EffectiveLabelStyle();
    if (style == talNone) return {};
    const double increment = IncrementFromLabelWidths();
    pass.Step = LabelDateTimeStep(increment);
    const bool calendar = pass.Step >= 20 && pass.Step <= 26;
    if (!((increment > 0 || calendar) && CurMaximum >= CurMinimum)) return {};
    switch (style) {
    case talValue:
        if (HasGetNextAxisLabel())
            EventLabels(pass, increment);
        else if (logarithmic_ && increment_ == 0)
            LogLabels(pass);
        else
            LinearLabels(pass, increment);
        break;
    case talText:
        if (IsDepthAxis && dynamic_cast<TChartDepthAxis*>(this) &&
            static_cast<TChartDepthAxis*>(this)->LabelsAsSeriesTitles())
            SeriesTitleLabels(pass);
        else
            PointLabels(pass, style);
        break;
    case talMark:
    case talPointValue:
        PointLabels(pass, style);
        break;
    default:
        break;
    }
    return std::move(pass.Labels);
}

void TChartAxis::CustomLabels(TLabelPass& pass)
{
    for (int k = 0; k < items_->Count(); ++k) {
        TAxisItem* item = items_->Item(k);
        if (item->Value() < minimum_ || item->Value() > maximum_) continue;
        const int pixel = ValueToPixel(item->Value());
        item->LabelPos = pixel;
        TAxisLabelsFormat* format = item->EffectiveFormat();
        const bool shown = format && format->Visible();
        if (!tickOnLabelsOnly_ || shown) TickPositions.push_back(pixel);
        if (!shown) continue;
        TAxisLabelEntry entry;
        entry.Value = item->Value();
        entry.Text = item->Text().empty() ? FormatLabelValue(item->Value()) : item->Text();
        entry.Pixel = entry.Pos = pixel;
        entry.Format = format;
        pass.Labels.push_back(std::move(entry));
    }
}

bool TChartAxis::StepLabelValue(double& value, int step, double increment) const
{
    const double old = value;
    const bool exact = IsDateTimeAxis && exactDateTime_ && step > 19 && step < DateTimeStepCount;
    IncDecDateTime(exact, false, value, step, increment);
    return !NearlyEqual(old, value, 1e-12, 1e-12);
}

void TChartAxis::PlaceLabel(TLabelPass& pass, int pixel, double value, const std::string& text,
                            TCustomChartSeries* series, int index, TAxisLabelsFormat* format)
{
    if (tickOnLabelsOnly_) TickPositions.push_back(pixel);
    int pos = pixel;
    const TAxisLabelsPosition where = labels_->Position();
    if (where != lpAtTick) {
        int width = 0, lines = 1;
        MeasureLabel(text, width, lines);
        pos += where == lpAfterTick ? width / 2 : -(width / 2);
    }
    if (!pass.Visible) return;
    items_->AddInternal(text, value, pos);
    TAxisLabelEntry entry;
    entry.Value = value;
    entry.Text = text;
    entry.Pixel = pixel;
    entry.Pos = pos;
    entry.Series = series;
    entry.Index = index;
    entry.Format = format;
    pass.Labels.push_back(std::move(entry));
}

void TChartAxis::LabelAtValue(TLabelPass& pass, double value)
{
    const int pixel = ValueToPixel(value);
    if (!((labels_->OnAxis() && BreakSpace == 0) || (PixelStart < pixel && pixel < PixelEnd))) return;
    if (!tickOnLabelsOnly_) TickPositions.push_back(pixel);
    if (pass.Visible || (grid_->Visible() && grid_->DrawAlways()))
        PlaceLabel(pass, pixel, value, FormatLabelValue(value), nullptr, -1, nullptr);
}

void TChartAxis::LinearLabels(TLabelPass& pass, double increment)
{
    if (!(std::fabs(CurRange / increment) < 10000)) return;
    const bool oneValue = NearlyEqual(CurMinimum, CurMaximum, 1e-12, 1e-12);
    double v;
    if (IsDateTimeAxis && exactDateTime_ && pass.Step >= 16 && pass.Step <= 26)
        v = RoundDateToStep(pass.Step, CurMaximum);
    else if (oneValue || !labels_->RoundFirst())
        v = CurMaximum;
    else
        v = std::trunc(CurMaximum / increment) * increment;
    for (int guard = 0; v > CurMaximum && guard < 10000; ++guard)
        if (!StepLabelValue(v, pass.Step, increment)) break;
    if (RangeIsZero) {
        LabelAtValue(pass, v);
        return;
    }
    if (RangeHook) {
        double t = v;
        RangeHook(this, -1, false, t);
        double moved = v + t;
        RangeHook(this, -1, false, moved);
        v += moved;
    }
    if (oneValue || NearlyEqual(v - increment, v, 1e-16, 1e-16)) {
        LabelAtValue(pass, v);
        return;
    }
    const double limit = CurMinimum >= 0 ? (CurMinimum - 1e-12) / (1 + 1e-12) : CurMinimum;
    // Fewer than 10000 increments fit the range; calendar steps are never shorter than the table's.
    for (int guard = 0; v >= limit && guard < 20000; ++guard) {
        bool skip = false;
        if (LabelValueHook) {
            LabelValueHook(this, v, skip);
            if (v < limit) break;
        }
        if (!skip) LabelAtValue(pass, v);
        if (!StepLabelValue(v, pass.Step, increment)) break;
    }
}

void TChartAxis::LogLabels(TLabelPass& pass)
{
    if (CurMinimum == CurMaximum) return;
    const double base = logarithmicBase_;
    const bool powers = base > 1;
    const double logBase = powers ? std::log(base) : 1;
    double start;
    if (CurMinimum > 0) {
        // The largest power not above the minimum, so that a range inside one decade (4..8)
        // still gets labels.
        start = CurMinimum;
        if (powers) {
            start = std::pow(base, std::floor(std::log(CurMinimum) / logBase));
            if (AtMost(start * base, CurMinimum)) start *= base;
            while (!AtMost(start, CurMinimum) && start > 0) start /= base;
        }
    } else {
        CurMinimum = CurMinimum < 0 ? NearestLogPower(1e-10) : 0.1;
        start = CurMinimum;
    }
    const bool minorGrid = minorGrid_->Visible();
    if (minorGrid && powers) {
        const double v = start >= CurMinimum ? std::pow(base, std::log(CurMinimum) / logBase - 1) : start;
        if (v < CurMinimum) TickPositions.push_back(ValueToPixel(v));
    }
    if (powers) {
        bool any = false;
        // A base barely above 1 would take billions of steps across a wide range.
        int count = 0;
        for (double v = start; AtMost(v, CurMaximum) && std::isfinite(v) && count < 10000; v *= base, ++count)
            if (AtLeast(v, CurMinimum)) {
                LabelAtValue(pass, v);
                any = true;
            }
        if (!any) {
            const double d = start / base;
            // A base far above 10 would give a label for every tiny step of a decade.
            for (int k = 0; k <= 10000; ++k) {
                const double v = start + k * d;
                if (!AtMost(v, CurMaximum)) break;
                if (AtLeast(v, CurMinimum)) LabelAtValue(pass, v);
            }
        }
    }
    if (minorGrid && start > CurMaximum) TickPositions.push_back(ValueToPixel(start));
}

void TChartAxis::EventLabels(TLabelPass& pass, double increment)
{
    double v = CurMinimum;
    bool stop = true;
    for (int index = 0; index <= 2000; ++index) {
        FireGetNextAxisLabel(index, v, stop);
        if (stop) {
            if (index == 0) {
                if (logarithmic_ && increment_ == 0)
                    LogLabels(pass);
                else
                    LinearLabels(pass, increment);
            }
            return;
        }
        if (!(v >= CurMinimum - 1e-7 && v <= CurMaximum + 1e-7)) return;
        LabelAtValue(pass, v);
    }
}

void TChartAxis::SeriesTitleLabels(TLabelPass& pass)
{
    if (!chart_) return;
    std::vector<TCustomChartSeries*> active, legend;
    for (TCustomChartSeries* series : chart_->SeriesList())
        if (series->Active()) {
            active.push_back(series);
            if (series->ShowInLegend()) legend.push_back(series);
        }
    if (active.empty()) return;
    const double first = std::trunc(CurMinimum), last = std::trunc(CurMaximum);
    if (!(last - first < 10000)) return;
    for (double k = first; k <= last; ++k) {
        const double value = CurMaximum - k - 0.5;
        const int pixel = ValueToPixel(value);
        if (!tickOnLabelsOnly_) TickPositions.push_back(pixel);
        if (!pass.Visible || k < 0 || k >= static_cast<double>(legend.size())) continue;
        const int index = static_cast<int>(k);
        std::string text = SeriesTitleOrName(*legend[static_cast<std::size_t>(index)], true);
        FireGetAxisLabel(nullptr, index, text);
        PlaceLabel(pass, pixel, value, text, nullptr, index, nullptr);
    }
}

std::string TChartAxis::SeriesLabelOf(TCustomChartSeries* series, int index, TAxisLabelStyle style, double& value)
{
    if (index < series->FirstVisibleIndex || index > series->LastVisibleIndex) return {};
    std::string text;
    if (style == talMark) {
        text = series->MarkTextOf(index);
    } else if (style == talText) {
        text = series->Labels().GetLabelText(index);
    } else if (const TChartValueList* list = series->GetAxisValueList(this)) {
        if (index < list->Count()) {
            const double v = list->GetValueAt(index);
            text = IsDateTimeAxis || list->DateTime()
                       ? FormatDateTime(dateTimeFormat_.empty() ? DateOrTimeFormat(CurRange) : dateTimeFormat_, v)
                       : FormatFloat(axisValuesFormat_, v);
        }
    }
    FireGetAxisLabel(series, index, text);
    if (text.empty()) return text;
    const TChartValueList* list = nullptr;
    if (IsDepthAxis)
        list = series->GetAxisValueList(this);
    else if (series->SkipsGaps()) {
        value = index;
        return text;
    } else
        list = horizontal_ ? series->XValues() : series->YValues();
    value = list && index < list->Count() ? list->GetValueAt(index) : (IsDepthAxis ? series->MinZValue() : index);
    return text;
}

void TChartAxis::PointLabels(TLabelPass& pass, TAxisLabelStyle style)
{
    if (!chart_) return;
    AxisSeries.clear();
    int first = -1, last = -1;
    for (TCustomChartSeries* series : chart_->SeriesList()) {
        if (!series->Active() || !(IsDepthAxis ? series->UsesAxes() : series->UsesAxis(this))) continue;
        AxisSeries.push_back(series);
        series->CalcFirstLastVisible();
        if (series->FirstVisibleIndex < 0 || series->LastVisibleIndex < series->FirstVisibleIndex) continue;
        first = first < 0 ? series->FirstVisibleIndex : std::min(first, series->FirstVisibleIndex);
        last = std::max(last, series->LastVisibleIndex);
    }
    if (first < 0) return;
    const bool across = LabelRunsAcross();
    const int separation = labels_->Separation();
    auto extentOf = [&](const std::string& text) {
        int width = 0, lines = 1;
        MeasureLabel(text, width, lines);
        return across ? chart_->Canvas().FontHeight() * lines : width;
    };
    for (TCustomChartSeries* series : AxisSeries) {
        bool hasPrevious = false;
        int previousPos = 0, previousHalf = 0;
        for (int index = first; index <= last; ++index) {
            double value = 0;
            std::string text = SeriesLabelOf(series, index, style, value);
            if (text.empty()) continue;
            if (value < CurMinimum || value > CurMaximum) continue;
            const int pixel = ValueToPixel(value);
            const bool ticked =
                std::find(TickPositions.begin(), TickPositions.end(), pixel) != TickPositions.end();
            if (!tickOnLabelsOnly_ && !ticked) TickPositions.push_back(pixel);
            if (!pass.Visible) continue;
            if (separation <= 0) {
                PlaceLabel(pass, pixel, value, text, series, index, nullptr);
                continue;
            }
            int half = 0;
            auto fits = [&] {
                const int e = extentOf(text);
                half = (e + static_cast<int>(std::trunc(e * 0.02 * separation))) / 2;
                return !hasPrevious || pixel + half <= previousPos - previousHalf ||
                       pixel - half >= previousPos + previousHalf;
            };
            bool ok = fits();
            while (!ok && labels_->AutoText().Trim() && !text.empty()) {
                DropLastCharacter(text);
                ok = !text.empty() && fits();
            }
            if (!ok || ticked) continue;
            PlaceLabel(pass, pixel, value, text, series, index, nullptr);
            previousPos = pixel;
            previousHalf = half;
            hasPrevious = true;
        }
    }
}

bool TChartAxis::HasGetAxisLabel() const { return OnGetAxisLabel || (chart_ && chart_->OnGetAxisLabel); }

bool TChartAxis::HasGetNextAxisLabel() const
{
    return OnGetNextAxisLabel || (chart_ && chart_->OnGetNextAxisLabel);
}

void TChartAxis::FireGetAxisLabel(TCustomChartSeries* series, int index, std::string& text)
{
    if (OnGetAxisLabel)
        OnGetAxisLabel(this, series, index, text);
    else if (chart_ && chart_->OnGetAxisLabel)
        chart_->OnGetAxisLabel(this, series, index, text);
}

void TChartAxis::FireGetNextAxisLabel(int index, double& value, bool& stop)
{
    if (OnGetNextAxisLabel)
        OnGetNextAxisLabel(this, index, value, stop);
    else if (chart_ && chart_->OnGetNextAxisLabel)
        chart_->OnGetNextAxisLabel(this, index, value, stop);
}
