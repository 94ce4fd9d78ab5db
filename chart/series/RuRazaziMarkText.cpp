// Mark texts of a series and the points that get a mark.
#include <cmath>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/NumText.h"

namespace {

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

}  // namespace

std::string TChartSeries::PercentText(int index, bool withTotal, bool multiLine) const
{
    const TChartValueList* values = MandatoryList();
    double total = 0;
    for (int i = 0; i < values->Count(); ++i) total += std::fabs(values->Values()[i]);
    const double percent = total == 0 ? 100 : std::fabs(GetMandatoryValue(index)) * 100 / total;
    const std::string text = FormatFloat(PercentFormat(), percent);
    if (!withTotal) return text;
    return text + (multiLine ? "\r" : " ") + "of " + FormatFloat(ValueFormat(), total);
}

std::string TChartSeries::MarkTextForStyle(bool multiLine, int index, TSeriesMarksStyle style) const
{
    const std::string sep = multiLine ? "\r" : " ";
    const std::string value = FormatFloat(ValueFormat(), GetMandatoryValue(index));
    std::string label;
    GetPointLabel(index, label);
    const std::string labelOrValue = label.empty() ? value : label;
    auto xText = [&] {
        const double other = SecondaryList()->GetValueAt(index);
        TChartAxis* axis = YMandatory() ? HorizAxisObject() : VertAxisObject();
        return axis ? axis->FormatLabelValue(other) : FormatFloat(ValueFormat(), other);
    };
    switch (style) {
    case smsValue: return value;
    case smsPercent: return PercentText(index, false);
    case smsLabel: return label;
    case smsLabelPercent: return labelOrValue + sep + PercentText(index, false);
    case smsLabelValue: return label.empty() ? value : label + sep + value;
    case smsLegend: {
        std::string text;
        auto* chart = dynamic_cast<TCustomChart*>(ParentChart());
        GetLegendText(index, chart ? chart->Legend()->TextStyle() : ltsLeftValue, text);
        if (!multiLine)
            for (char& c : text)
                if (c == '\x06') c = ' ';
        return text;
    }
    case smsPercentTotal: return PercentText(index, true, multiLine);
    case smsLabelPercentTotal: return labelOrValue + sep + PercentText(index, true, multiLine);
    case smsXValue: return xText();
    case smsXY: return xText() + sep + value;
    case smsSeriesTitle: return Trimmed(Title()).empty() ? GetDisplayTitle() : Title();
    case smsPointIndex: return std::to_string(index);
    case smsPercentRelative: {
        const double first = GetMandatoryValue(0);
        const double percent = index == 0 ? 100 : first == 0 ? 0 : GetMandatoryValue(index) * 100 / first;
        return FormatFloat(PercentFormat(), percent);
    }
    case smsLabelPercentValue: return labelOrValue + sep + PercentText(index, false) + sep + value;
    case smsLabelOrValue: return labelOrValue;
    }
    return {};
}

std::string TChartSeries::MarkTextOf(int index) const
{
    const TMarksItem* item = marks_.Items().ItemIfAny(index);
    std::string text = item && item->CustomText() ? TrimTrailingLineBreak(item->Text())
                                                  : MarkTextForStyle(marks_.MultiLine(), index, marks_.Style());
    if (OnGetMarkText) OnGetMarkText(const_cast<TChartSeries*>(this), index, text);
    return text;
}

bool TChartSeries::MarkShown(int index)
{
    if (marks_.DrawEvery() > 1 && index % marks_.DrawEvery() != 0) return false;
    if (IsNullPoint(index)) return false;
    return !marks_.SoftClip() || IsPointInChartRect(index);
}
