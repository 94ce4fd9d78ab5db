#include "stats/FAddRegression.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "chart/engine/AxisPanel.h"
#include "chart/graphics/CanvasHelpers.h"
#include "platform/core/NumText.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"
#include "stats/ColorPanel.h"
#include "stats/LatestWindow.h"
#include "platform/ui/UpDown.h"

TFormAddRegression* FormAddRegression = nullptr;

namespace {
// The labelled edits of the window, in grid order: name, label, start text, read-only.
struct TEditRow {
    QLineEdit* TFormAddRegression::*Edit;
    const char* Name;
    const char* Label;
    const char* Text;
    bool ReadOnly;
    int Row, Column;
};

const TEditRow kEdits[] = {
    {&TFormAddRegression::EditMin, "EditMin", "X minimum", "", false, 0, 0},
    {&TFormAddRegression::EditMax, "EditMax", "X maximum", "", false, 1, 0},
    {&TFormAddRegression::EditCount, "EditCount", "Point count", "", true, 2, 0},
    {&TFormAddRegression::EditDegree, "EditDegree", "Degree", "1", false, 3, 0},
    {&TFormAddRegression::EditR, "EditR", "Correlation", "", true, 0, 3},
    {&TFormAddRegression::EditR2, "EditR2", "Determination", "", true, 1, 3},
    {&TFormAddRegression::EditP, "EditP", "P", "", true, 2, 3},
    {&TFormAddRegression::EditWidth, "EditWidth", "Width", "1", false, 6, 0},
    {&TFormAddRegression::EditExtent, "EditExtent", "Extent +/-", "0", false, 7, 0},
};

const char* const kPatterns[] = {"Solid", "Dash", "Dot", "DashDot", "DashDotDot"};

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption)
{
    auto* button = Named(new QPushButton(caption, parent), name, caption);
    button->setAutoDefault(false);
    return button;
}

std::string EditText(const QLineEdit* edit) { return edit->text().toStdString(); }
}  // namespace

TFormAddRegression::TFormAddRegression(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormAddRegression");
    setWindowTitle("Add regression");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* grid = new QGridLayout(this);
    for (const TEditRow& row : kEdits) {
        auto* edit = Named(new QLineEdit(row.Text, this), row.Name, row.Label);
        edit->setReadOnly(row.ReadOnly);
        auto* label = new QLabel(row.Label, this);
        label->setBuddy(edit);
        grid->addWidget(label, row.Row, row.Column);
        grid->addWidget(edit, row.Row, row.Column + 1);
        this->*row.Edit = edit;
    }
    UpDown1 = Named(new TUpDown(EditDegree, 1, MaxRegressionDegree, this), "UpDown1", "Degree");
    grid->addWidget(UpDown1, 3, 2);
    BtnCalculate = MakeButton(this, "BtnCalculate", "Calculate");
    grid->addWidget(BtnCalculate, 4, 1);
    grid->addWidget(new QLabel("Coefficients", this), 3, 3);
    MemoCoeff = Named(new QPlainTextEdit(this), "MemoCoeff", "Coefficients");
    MemoCoeff->setReadOnly(true);
    grid->addWidget(MemoCoeff, 3, 4, 3, 1);

    grid->addWidget(new QLabel("New line:", this), 5, 0);
    PanelColor = MakeButton(this, "PanelColor", "Color");
    grid->addWidget(PanelColor, 5, 1);
    UpDown2 = Named(new TUpDown(EditWidth, 1, 8, this), "UpDown2", "Width");
    grid->addWidget(UpDown2, 6, 2);
    CB_pattern = Named(new QComboBox(this), "CB_pattern", "Pattern");
    for (const char* pattern : kPatterns) CB_pattern->addItem(pattern);
    CB_pattern->setCurrentIndex(0);
    grid->addWidget(CB_pattern, 6, 3);
    grid->addWidget(new QLabel("% of interval", this), 7, 2);
    BtnAddLine = MakeButton(this, "BtnAddLine", "Add line");
    grid->addWidget(BtnAddLine, 8, 1);
    BtnClose = MakeButton(this, "BtnClose", "Close");
    grid->addWidget(BtnClose, 8, 4);
    ShowPanelColor(PanelColor, lineColor_);

    connect(EditMin, &QLineEdit::textEdited, this, [this] { EditMxxChange(); });
    connect(EditMax, &QLineEdit::textEdited, this, [this] { EditMxxChange(); });
    connect(BtnCalculate, &QPushButton::clicked, this, Guarded(this, &TFormAddRegression::BtnCalculateClick));
    connect(BtnAddLine, &QPushButton::clicked, this, Guarded(this, &TFormAddRegression::BtnAddLineClick));
    connect(PanelColor, &QPushButton::clicked, this, Guarded(this, &TFormAddRegression::PanelColorClick));
    connect(BtnClose, &QPushButton::clicked, this, Guarded(this, &TFormAddRegression::BtnCloseClick));
    KeepAsLatest(this, FormAddRegression);
}

void TFormAddRegression::AddDataPoint(double x, double y)
{
    if (!engine_.AddPoint(x, y)) return;
    added_.push_back({x, y});
    minX_ = std::min(minX_, x);
    maxX_ = std::max(maxX_, x);
    ++count_;
}

void TFormAddRegression::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFormAddRegression::FormShow()
{
    setWindowTitle(QText("Add regression [" + seriesTitle_ + "]"));
    EditMin->setText(QText(FloatToStr(minX_)));
    EditMax->setText(QText(FloatToStr(maxX_)));
    EditCount->setText(QText(IntToStr(count_)));
}

void TFormAddRegression::EditMxxChange() { EditCount->clear(); }

void TFormAddRegression::BtnCalculateClick()
{
    const double minimum = StrToFloat(EditText(EditMin));
    const double maximum = StrToFloat(EditText(EditMax));
    engine_.Points = added_;
    const int count = engine_.FilterX(minimum, maximum);
    EditCount->setText(QText(IntToStr(count)));
    const int degree = StrToInt(EditText(EditDegree));
    // The engine keeps the degree in a byte: 256 would silently become 0.
    if (degree < 1 || degree > MaxRegressionDegree) {
        UiServices().ShowWarning("The degree must be 1 .. " + IntToStr(MaxRegressionDegree) + "!");
        return;
    }
    if (count - 1 < degree) {
        UiServices().ShowWarning("Too few data points!");
        return;
    }
    engine_.Calculate(static_cast<std::uint8_t>(degree));
    const TStatRes& r = engine_.Results;
    EditR->setText(QText(FloatToStr(static_cast<double>(r.Correlation))));
    EditR2->setText(QText(FloatToStr(static_cast<double>(r.Determination))));
    EditP->setText(QText(FloatToStr(static_cast<double>(r.ProbabilityR))));
    MemoCoeff->clear();
    // A fit that fell back to degree 0 has no coefficients of its own: its polynomial is the mean.
    if (r.Degree == 0) {
        MemoCoeff->appendPlainText(QText(FloatToStr(static_cast<double>(r.MeanY))));
        return;
    }
    for (int i = 0; i <= r.Degree; ++i)
        MemoCoeff->appendPlainText(QText(FloatToStr(static_cast<double>(r.Coefficients[i]))));
}

void TFormAddRegression::BtnAddLineClick()
{
    TCustomAxisPanel* chart = chart_.Get();
    if (!chart) {
        UiServices().ShowWarning("The chart of this window no longer exists!");
        return;
    }
    const int width = StrToInt(EditText(EditWidth));
    const int extent = StrToInt(EditText(EditExtent));
    const TRegressionStatus status =
        engine_.DrawRegression(chart, false, static_cast<int>(lineColor_), width, CB_pattern->currentIndex(), extent);
    if (status != TRegressionStatus::Ok) UiServices().ShowWarning(RegressionStatusText(status));
}

void TFormAddRegression::PanelColorClick() { PickPanelColor(PanelColor, lineColor_); }

void TFormAddRegression::BtnCloseClick() { close(); }
