#pragma once
// The editor form of a series' spreadsheet source: the file, the worksheet, the values range
// and the labels range; "&Apply" makes the source the series' data source and loads it.
#include <QWidget>
#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TChartSeries;
class TDuvExcelSource;

// What "&Apply" checks, in this order; raises Exception with the message for the first gap.
void CheckExcelSourceInput(const std::string& fileName, const std::string& workSheet, const std::string& from,
                           const std::string& to);

// The open dialog's filter.
inline constexpr const char* kExcelFileFilter = "Microsoft Excel files|*.xls;*.xlsx";

class TExcelSourceForm : public QWidget {
public:
    // Shows the series' spreadsheet source, made for it when it has none.
    TExcelSourceForm(TChartSeries* series, QWidget* parent = nullptr);

    TDuvExcelSource* Source() const { return source_; }
    // Fills the worksheet list from the file edit's workbook.
    void FillSheets();
    void BrowseClick();
    void ApplyClick();

    QLabel* LabelFile;
    QLineEdit* EditFile;
    QPushButton* BBrowse;
    QLabel* LabelSheet;
    QComboBox* CBSheet;
    QGroupBox* GroupValues;
    QLabel* LabelFrom;
    QLineEdit* EditFrom;
    QLabel* LabelTo;
    QLineEdit* EditTo;
    QGroupBox* GroupLabels;
    QLabel* LabelLabelsFrom;
    QLineEdit* EditLabelsFrom;
    QLabel* LabelLabelsTo;
    QLineEdit* EditLabelsTo;
    QPushButton* BApply;

private:
    void EnableRanges(bool enabled);

    TChartSeries* series_;
    TDuvExcelSource* source_;
};
