#include "stats/FDefineChartTypeUse.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

TFormDefineChartTypeUse::TFormDefineChartTypeUse(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormDefineChartTypeUse");
    setWindowTitle("Chart Type Use");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Set attributes which should be used:", this));
    auto* grid = new QGridLayout;
    for (int i = 0; i < ChartSettingsFlagCount; ++i) {
        const std::string name = "CB" + std::to_string(i + 1);
        auto* box = new QCheckBox(ChartUseGroupNames[i], this);
        box->setObjectName(QText(name));
        box->setAccessibleName(ChartUseGroupNames[i]);
        box->setProperty("Tag", i + 1);
        box->setChecked(true);
        grid->addWidget(box, i % 7, i / 7);
        CheckBoxes[i] = box;
    }
    layout->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    BtnOK = Named(new QPushButton("OK", this), "BtnOK", "OK");
    BtnCancel = Named(new QPushButton("Cancel", this), "BtnCancel", "Cancel");
    BtnAllOn = Named(new QPushButton("Set all on", this), "BtnAllOn", "Set all on");
    BtnAllOff = Named(new QPushButton("Set all off", this), "BtnAllOff", "Set all off");
    for (QPushButton* button : {BtnOK, BtnCancel, BtnAllOn, BtnAllOff}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    BtnOK->setDefault(true);
    layout->addLayout(buttons);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnAllOn, &QPushButton::clicked, this, [this] { BtnAllOnClick(); });
    connect(BtnAllOff, &QPushButton::clicked, this, [this] { BtnAllOffClick(); });
}

void TFormDefineChartTypeUse::SetAll(bool checked)
{
    for (QCheckBox* box : CheckBoxes) box->setChecked(checked);
}

void TFormDefineChartTypeUse::StoreFlags(TChartUseFlags& flags) const
{
    for (QCheckBox* box : CheckBoxes) flags[box->property("Tag").toInt() - 1] = box->isChecked();
}

void DefineChartTypeUse(TChartUseFlags& flags)
{
    TFormDefineChartTypeUse form;
    form.adjustSize();
    if (const QScreen* screen = form.screen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    PrepareModal(&form);
    if (form.exec() == QDialog::Accepted)
        form.StoreFlags(flags);
    else
        SetAllUseFlags(flags);
}
