#pragma once
// A series source that reads worksheet ranges of a spreadsheet file (.xls or .xlsx) into a
// series: the values range into the mandatory list, further lists from their ValueSource
// ranges, labels from a labels range. The whole of it is read first; the series changes only
// when everything could be read.
#include <string>

#include "chart/output/DuvURL.h"

class TDuvExcelSource : public TDuvSeriesSourceFile {
    QB_CLASS(TDuvExcelSource, TDuvSeriesSourceFile)
public:
    explicit TDuvExcelSource(TComponent* owner = nullptr) : TDuvSeriesSourceFile(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TDuvExcelSource>& p);

    // Changing the file closes the source first.
    void SetFileName(const std::string& value) override;
    const std::string& WorkSheet() const { return workSheet_; }
    void SetWorkSheet(const std::string& value) { ChangeAndClose(workSheet_, value); }
    const std::string& RangeFrom() const { return rangeFrom_; }
    void SetRangeFrom(const std::string& value) { ChangeAndClose(rangeFrom_, value); }
    const std::string& RangeTo() const { return rangeTo_; }
    void SetRangeTo(const std::string& value) { ChangeAndClose(rangeTo_, value); }
    const std::string& LabelsFrom() const { return labelsFrom_; }
    void SetLabelsFrom(const std::string& value) { ChangeAndClose(labelsFrom_, value); }
    const std::string& LabelsTo() const { return labelsTo_; }
    void SetLabelsTo(const std::string& value) { ChangeAndClose(labelsTo_, value); }

    std::string GetDescription() const override;
    std::string GetEditorClassName() const override { return "TExcelSourceEditor"; }
    void LoadData() override;

private:
    void ChangeAndClose(std::string& field, const std::string& value);

    std::string workSheet_, rangeFrom_, rangeTo_, labelsFrom_, labelsTo_;
};

// The names of a workbook's worksheets, in order (for the editor's worksheet list).
std::vector<std::string> WorkbookSheetNames(const std::string& fileName);

void DuvExcelSourceInitialization();
void DuvExcelSourceFinalization();
