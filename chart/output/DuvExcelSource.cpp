#include "chart/output/DuvExcelSource.h"

#include <algorithm>

#include "chart/engine/DuvProcs.h"
#include "chart/output/DuvSpreadsheet.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {

// A ValueSource naming a range: the parts before and after the first ":".
bool SplitRange(const std::string& text, std::string& from, std::string& to)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        from.clear();
        to.clear();
        return false;
    }
    from = text.substr(0, colon);
    to = text.substr(colon + 1);
    return true;
}

// One column read down, else the first row read across.
std::vector<const TSheetCell*> LineOf(const std::vector<TSheetCell>& cells, const TCellRect& rect)
{
    std::vector<const TSheetCell*> line;
    if (rect.Cols() == 1)
        for (const TSheetCell& cell : cells) line.push_back(&cell);
    else
        for (int c = 0; c < rect.Cols(); ++c) line.push_back(&cells[std::size_t(c)]);
    return line;
}

// A text cell converts as the user's number text does; one that is no number raises.
double CellNumber(const TSheetCell& cell)
{
    switch (cell.Kind) {
    case TSheetCell::ckNumber: return cell.Value;
    case TSheetCell::ckText: return StrToFloat(cell.Text);
    case TSheetCell::ckEmpty: break;
    }
    return 0;
}

std::vector<double> Numbers(const std::vector<const TSheetCell*>& line)
{
    std::vector<double> values;
    values.reserve(line.size());
    for (const TSheetCell* cell : line) values.push_back(CellNumber(*cell));
    return values;
}

}  // namespace

void TDuvExcelSource::DeclareProperties(TPropertyDeclarer<TDuvExcelSource>& p)
{
    using C = TDuvExcelSource;
    p.String("WorkSheet", &C::WorkSheet, &C::SetWorkSheet);
    p.String("RangeFrom", &C::RangeFrom, &C::SetRangeFrom);
    p.String("RangeTo", &C::RangeTo, &C::SetRangeTo);
    p.String("LabelsFrom", &C::LabelsFrom, &C::SetLabelsFrom);
    p.String("LabelsTo", &C::LabelsTo, &C::SetLabelsTo);
}

void TDuvExcelSource::SetFileName(const std::string& value)
{
    Close();
    TDuvSeriesSourceFile::SetFileName(value);
}

void TDuvExcelSource::ChangeAndClose(std::string& field, const std::string& value)
{
    if (field == value) return;
    field = value;
    Close();
}

std::string TDuvExcelSource::GetDescription() const { return "Excel"; }

void TDuvExcelSource::LoadData()
{
    auto* series = dynamic_cast<TChartSeries*>(Series());
    if (!series) return;
    if (FileName().empty()) throw Exception("Excel file empty");
    std::unique_ptr<TSpreadsheetFile> file = TSpreadsheetFile::Open(FileName());
    const int sheet = file->SheetIndex(workSheet_);

    std::string from = rangeFrom_, to = rangeTo_;
    if (from.empty()) SplitRange(series->MandatoryList()->ValueSource(), from, to);
    const TCellRect valueRect = CellRange(from, to);
    // A single cell is no range: the series stays as it is.
    if (valueRect.Rows() == 1 && valueRect.Cols() == 1) return;

    // Everything is read and converted before the series changes.
    const std::vector<double> values = Numbers(LineOf(file->ReadRange(sheet, valueRect), valueRect));
    struct TListValues {
        TChartValueList* List;
        std::vector<double> Values;
    };
    std::vector<TListValues> others;
    const TChartValueLists& lists = series->ValueLists();
    for (int i = 0; i < lists.Count(); ++i) {
        TChartValueList* list = lists[i];
        std::string listFrom, listTo;
        if (list == series->MandatoryList() || !SplitRange(list->ValueSource(), listFrom, listTo) || listFrom.empty() ||
            listTo.empty())
            continue;
        const TCellRect rect = CellRange(listFrom, listTo);
        others.push_back({list, Numbers(LineOf(file->ReadRange(sheet, rect), rect))});
    }
    std::vector<std::string> labels;
    if (!labelsFrom_.empty() && !labelsTo_.empty()) {
        const TCellRect rect = CellRange(labelsFrom_, labelsTo_);
        const std::vector<TSheetCell> cells = file->ReadRange(sheet, rect);
        for (int r = 0; r < rect.Rows(); ++r) labels.push_back(cells[std::size_t(r) * std::size_t(rect.Cols())].Text);
    }

    series->SuspendUpdates();
    {
        TScopeGuard resume([series] { series->ResumeUpdates(); });
        series->ClearPoints();
        for (double value : values) series->AddPointY(value);
        // A range longer than the points is cut at the last point.
        for (const TListValues& other : others) {
            const int count = std::min<int>(int(other.Values.size()), series->PointCount());
            for (int i = 0; i < count; ++i) other.List->SetValueAt(i, other.Values[std::size_t(i)]);
        }
        const int labelCount = std::min<int>(int(labels.size()), series->PointCount());
        for (int i = 0; i < labelCount; ++i) series->SetPointLabel(i, labels[std::size_t(i)]);
    }
    series->NotifyDataChanged();
}

std::vector<std::string> WorkbookSheetNames(const std::string& fileName)
{
    return TSpreadsheetFile::Open(fileName)->SheetNames();
}

void DuvExcelSourceInitialization()
{
    RegisterClassForStreaming(TDuvExcelSource::StaticClass());
    SeriesSourceClasses().push_back(&TDuvExcelSource::StaticClass());
}

void DuvExcelSourceFinalization()
{
    std::erase(SeriesSourceClasses(), &TDuvExcelSource::StaticClass());
}
