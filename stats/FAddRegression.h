#pragma once
// The add-regression window: fits a least-squares polynomial to the points of one chart series
// within an X range and adds it to the chart as line series, as many as wanted, each with its
// own colour, width, pen pattern and extension beyond the points.
#include <QDialog>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "platform/core/Colors.h"
#include "platform/core/ComponentRef.h"
#include "platform/ui/FormTable.h"
#include "stats/Ustatistics.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TUpDown;

class TFormAddRegression : public QDialog {
    Q_OBJECT
public:
    explicit TFormAddRegression(QWidget* parent = nullptr);

    QLineEdit* EditMin;
    QLineEdit* EditMax;
    QLineEdit* EditCount;
    QLineEdit* EditDegree;
    TUpDown* UpDown1;
    QPushButton* BtnCalculate;
    QLineEdit* EditR;
    QLineEdit* EditR2;
    QLineEdit* EditP;
    QPlainTextEdit* MemoCoeff;
    QPushButton* PanelColor;
    QLineEdit* EditWidth;
    TUpDown* UpDown2;
    QComboBox* CB_pattern;
    QLineEdit* EditExtent;
    QPushButton* BtnAddLine;
    QPushButton* BtnClose;

    // Filled by the opener before the window is shown.
    void AddDataPoint(double x, double y);
    void SetSeriesTitle(const std::string& title) { seriesTitle_ = title; }
    void SetChart(TCustomAxisPanel* chart) { chart_.Set(chart); }
    TCustomAxisPanel* Chart() const { return chart_.Get(); }
    const TStatistics& Engine() const { return engine_; }
    TColor LineColor() const { return lineColor_; }

    void FormShow();
    void EditMxxChange();
    void BtnCalculateClick();
    void BtnAddLineClick();
    void PanelColorClick();
    void BtnCloseClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TBuiltForm form_;
    TStatistics engine_;
    // Every point added: each calculation filters its own copy, so a wider range brings back
    // what a narrower one left out.
    std::vector<TStatPoint> added_;
    std::string seriesTitle_;
    double minX_ = 999999.9;
    double maxX_ = -999999.9;
    int count_ = 0;
    TComponentRef<TCustomAxisPanel> chart_;
    TColor lineColor_ = clGray;
};

const TControlTable& FormAddRegressionTable();

// The window opened last, while it lives.
extern TFormAddRegression* FormAddRegression;
