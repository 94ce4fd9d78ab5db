#pragma once
// The "Chart Type Use" dialog: which groups of chart settings a saved file asks a later load
// to apply.
#include <QDialog>

#include "stats/UChartProp.h"

class QCheckBox;
class QPushButton;

class TFormDefineChartTypeUse : public QDialog {
    Q_OBJECT
public:
    explicit TFormDefineChartTypeUse(QWidget* parent = nullptr);
    // CB1 .. CB14; the box with tag n selects flag n - 1.
    QCheckBox* CheckBoxes[ChartSettingsFlagCount];
    QPushButton* BtnOK;
    QPushButton* BtnCancel;
    QPushButton* BtnAllOn;
    QPushButton* BtnAllOff;

    void BtnAllOnClick() { SetAll(true); }
    void BtnAllOffClick() { SetAll(false); }
    void StoreFlags(TChartUseFlags& flags) const;

private:
    void SetAll(bool checked);
};

// OK stores each box into its flag; Cancel or closing turns every flag on.
void DefineChartTypeUse(TChartUseFlags& flags);
