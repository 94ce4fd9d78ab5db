// Operations on a whole series: sample data, sorting, copying, paging and titles for lists.
#include <algorithm>
#include <cmath>

#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/DateTime.h"
#include "platform/core/Random.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"

// ---------------------------------------------------------------- sample data

int TChartSeries::RandomInt(int range) { return Random(range); }

void TChartSeries::FillSampleValues(int numValues)
{
    if (numValues < 0) throw ChartException(DuvMsgFillSampleValues);
    if (numValues == 0) numValues = SampleCount > 0 ? SampleCount : DefaultSampleCount();
    ClearPoints();
    // Reseeding from the generator itself keeps runs that start from one seed alike.
    SetRandSeed(static_cast<std::uint32_t>(RandomInt(7774444)));
    {
        SuspendUpdates();
        TScopeGuard resume([this] { ResumeUpdates(); });
        AddRandomSamples(numValues, false);
        SortByOrder();
    }
    DataLoaded = false;
}

TChartSeries::TSampleRanges TChartSeries::SampleValueRanges(int count)
{
    double minX, maxX, minY, maxY;
    TCustomAxisPanel* chart = ParentChart();
    if (chart && chart->LargestPointCount() > 0) {
        minY = chart->LowestYValue(vertAxisObject_);
        maxY = chart->HighestYValue(vertAxisObject_);
        minX = chart->LowestXValue(horizAxisObject_);
        maxX = chart->HighestXValue(horizAxisObject_);
        if (maxY == minY) maxY = minY == 0 ? 1000 : 2 * minY;
        if (maxX == minX) maxX = minX == 0 ? count - 1 : 2 * minX;
        if (!YMandatory()) {
            std::swap(minX, minY);
            std::swap(maxX, maxY);
        }
    } else {
        minX = xValues_->DateTime() ? std::floor(Date()) : 0;
        maxX = minX + count - 1;
        minY = 0;
        maxY = 1000;
    }
    TSampleRanges ranges;
    ranges.XStep = count > 1 ? (maxX - minX) / (count - 1) : maxX - minX;
    ranges.YRange = std::clamp(maxY - minY, -2147483647.0, 2147483647.0);
    ranges.MinY = minY;
    ranges.StartY = minY + RandomInt(100) * ranges.YRange * 0.01;
    ranges.StartX = minX;
    return ranges;
}

void TChartSeries::AddRandomSamples(int count, bool valuesOnly)
{
    const TSampleRanges ranges = SampleValueRanges(count);
    double y = ranges.StartY, x = ranges.StartX;
    for (int i = 0; i < count; ++i) {
        const double q = ranges.YRange * 0.25;
        y = std::fabs(q * RandomInt(100) * 0.01 + y - q * 0.5);
        if (valuesOnly) {
            AddPointY(y);
            continue;
        }
        if (YMandatory())
            AddPointXY(x, y);
        else
            AddPointXY(y, x);
        x += ranges.XStep;
    }
}

// ---------------------------------------------------------------- sorting

void TChartSeries::SortByOrder()
{
    bool sorted = false;
    TChartValueList* mandatory = MandatoryList();
    if (mandatory->Order() != loNone) {
        mandatory->SortOwnerPoints();
        if (SecondaryList()->ValueSource().empty()) SecondaryList()->NumberByIndex();
        sorted = true;
    }
    if (SecondaryList()->Order() != loNone) {
        SecondaryList()->SortOwnerPoints();
        sorted = true;
    }
    if (sorted) RequestRepaint();
}

namespace {

int CompareCodes(const std::string& a, const std::string& b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string LowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

void TChartSeries::SortPointsByLabel(int order)
{
    if (order == 0) return;
    LabelSortOrder = order;
    TScopeGuard reset([this] { LabelSortOrder = 0; });
    QuickSortRange(
        0, PointCount() - 1,
        [this](int a, int b) {
            const std::string la = Labels().GetLabelText(a), lb = Labels().GetLabelText(b);
            int result;
            if (Labels().CaseSensitive() && LowerAscii(la) != LowerAscii(lb))
                result = CompareCodes(LowerAscii(la), LowerAscii(lb));
            else
                result = CompareCodes(la, lb);
            return LabelSortOrder == 2 ? -result : result;
        },
        [this](int a, int b) { SwapPoints(a, b); });
    LabelSortOrder = 0;
    SecondaryList()->NumberByIndex();
    RequestRepaint();
}

// ---------------------------------------------------------------- copying

void TChartSeries::AssignFormat(const TCustomChartSeries* source)
{
    auto* series = dynamic_cast<const TChartSeries*>(source);
    if (!series) return;
    SetShowInLegend(series->ShowInLegend());
    Brush().Assign(&series->Brush());
    Pen().Assign(&series->Pen());
    seriesColor_ = series->seriesColor_;
    paletteColor_ = series->paletteColor_;
    if (series->seriesColor_ == clDefault && ParentChart()) SetAutoColor(ParentChart()->FirstUnusedColor(true, this));
    const bool marksVisible = MarksVisible();
    if (series->HasMarks()) CopyMarksFrom(series);
    SetMarksVisible(marksVisible);
    valueFormat_ = series->valueFormat_;
    percentFormat_ = series->percentFormat_;
    TCustomChartSeries::SetHorizAxis(series->HorizAxis());
    TCustomChartSeries::SetVertAxis(series->VertAxis());
    customHorizAxis_ = series->customHorizAxis_;
    customVertAxis_ = series->customVertAxis_;
    cursor_ = series->cursor_;
    Depth = series->Depth;
    SetSelected(series->selected_.get());
    transparency_ = series->transparency_;
    RequestRepaint();
}

void TChartSeries::CopyDataFrom(TChartSeries* source)
{
    SetDataSource(nullptr);
    if (source->YMandatory() == YMandatory()) {
        xValues_->Assign(source->XValues());
        yValues_->Assign(source->YValues());
    } else {
        xValues_->Assign(source->YValues());
        yValues_->Assign(source->XValues());
    }
    xLabelsSource_ = source->xLabelsSource_;
    colorSource_ = source->colorSource_;
    colorEachPoint_ = source->colorEachPoint_;
    const int shared = std::min(ValueLists().Count(), source->ValueLists().Count());
    for (int i = 2; i < shared; ++i) ValueLists()[i]->Assign(source->ValueLists()[i]);
    AssignFormat(source);
    SetAutoColor(source->paletteColor_);
    SourceReactions = source->SourceReactions;
    BindAxes();
}

void TChartSeries::Assign(const TPersistent* source)
{
    TCustomChartSeries::Assign(source);
    auto* series = const_cast<TChartSeries*>(dynamic_cast<const TChartSeries*>(source));
    if (!series) return;
    CopyDataFrom(series);
    SetMarksVisible(series->MarksVisible());
    if (series->function_ && !function_) {
        TDuvFunction* moving = series->function_;
        series->function_ = nullptr;
        series->RemoveFreeNotification(moving);
        moving->outputSeries_ = nullptr;
        SetFunction(moving);
    }
    DataLoaded = series->DataLoaded;
    if (!series->DataSource() || series->DataLoaded) {
        if (!(series->InDesignMode() && !series->DataLoaded)) {
            if (series->pointColors_)
                pointColors_ = std::make_unique<std::vector<TColor>>(*series->pointColors_);
            else
                pointColors_.reset();
            Labels().Assign(series->Labels());
            LoadFromSourceSeries(series);
        }
    } else {
        if (dataSources_) dataSources_->Clear();
        for (int i = 0; i < series->DataSourceCount(); ++i) AddDataSource(series->DataSource(i), false);
    }
    RefreshFromSources();
}

// ---------------------------------------------------------------- paging

void TChartSeries::PageIndexRange(int& first, int& last)
{
    const int count = PointCount();
    first = last = -1;
    if (count == 0) return;
    TCustomAxisPanel* chart = ParentChart();
    const int perPage = chart && chart->Pages() ? chart->Pages()->MaxPointsPerPage() : 0;
    if (perPage <= 0) {
        first = 0;
        last = count - 1;
        return;
    }
    const int page = std::max(chart->Pages()->Current(), 1);
    first = perPage * (page - 1);
    // A page past the end shows the last page, full or not.
    if (first >= count) first = perPage * ((count - 1) / perPage);
    last = std::min(first + perPage - 1, count - 1);
}

// ---------------------------------------------------------------- gallery and lists

void TChartSeries::SetGalleryLook()
{
    FillSampleValues(4);
    SetMarksVisible(false);
    SetGalleryMarks();
    SetColorEachPoint(true);
    if (ParentChart()) SetSeriesColor(ParentChart()->ColorFromPalette(GetSeriesIndex() == 0 ? 0 : 3));
}

void TChartSeries::SetGalleryView3D(bool value)
{
    if (ParentChart()) ParentChart()->SetView3D(value);
}

void TChartSeries::CallChangeEvent(const TNotifyEvent& event, TObject* sender)
{
    if (event) event(sender);
}

void FillSeriesTitles(TStringList& strings, const TCustomSeriesList& list, bool useTitles)
{
    for (TCustomChartSeries* series : list) {
        if (series->HiddenFromLists) continue;
        if (!series->ShowInEditor && !(series->InDesignMode() && !series->NotStreamed)) continue;
        strings.AddObject(useTitles ? SeriesTitleOrName(*series, true) : series->Name(), series);
    }
}
