#include "stats/FAddRegression.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "chart/engine/AxisPanel.h"
#include "chart/graphics/CanvasHelpers.h"
#include "platform/core/NumText.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"
#include "stats/ColorPanel.h"
#include "stats/LatestWindow.h"
#include "platform/ui/UpDown.h"

TFormAddRegression* FormAddRegression = nullptr;

namespace {
std::string EditText(const QLineEdit* edit) { return edit->text().toStdString(); }
}  // namespace

const TControlTable& FormAddRegressionTable()
{
    using K = TControlKind;
    static const TControlTable table{
        .Name = "FormAddRegression",
        .Caption = "Add regression",
        .Layout = TFormLayout::Grid,
        .Rows = {
            {.Kind = K::Label, .Name = "LabelMin", .Caption = "X minimum", .Cell = {0, 0}, .Buddy = "EditMin"},
            {.Kind = K::Edit, .Name = "EditMin", .Caption = "X minimum", .Cell = {0, 1}},
            {.Kind = K::Label, .Name = "LabelMax", .Caption = "X maximum", .Cell = {1, 0}, .Buddy = "EditMax"},
            {.Kind = K::Edit, .Name = "EditMax", .Caption = "X maximum", .Cell = {1, 1}},
            {.Kind = K::Label, .Name = "LabelCount", .Caption = "Point count", .Cell = {2, 0}, .Buddy = "EditCount"},
            {.Kind = K::Edit, .Name = "EditCount", .Caption = "Point count", .Cell = {2, 1}, .ReadOnly = true},
            {.Kind = K::Label, .Name = "LabelDegree", .Caption = "Degree", .Cell = {3, 0}, .Buddy = "EditDegree"},
            {.Kind = K::Edit, .Name = "EditDegree", .Caption = "Degree", .Cell = {3, 1}, .Text = "1"},
            {.Kind = K::Label, .Name = "LabelR", .Caption = "Correlation", .Cell = {0, 3}, .Buddy = "EditR"},
            {.Kind = K::Edit, .Name = "EditR", .Caption = "Correlation", .Cell = {0, 4}, .ReadOnly = true},
            {.Kind = K::Label, .Name = "LabelR2", .Caption = "Determination", .Cell = {1, 3}, .Buddy = "EditR2"},
            {.Kind = K::Edit, .Name = "EditR2", .Caption = "Determination", .Cell = {1, 4}, .ReadOnly = true},
            {.Kind = K::Label, .Name = "LabelP", .Caption = "P", .Cell = {2, 3}, .Buddy = "EditP"},
            {.Kind = K::Edit, .Name = "EditP", .Caption = "P", .Cell = {2, 4}, .ReadOnly = true},
            {.Kind = K::Label, .Name = "LabelWidth", .Caption = "Width", .Cell = {6, 0}, .Buddy = "EditWidth"},
            {.Kind = K::Edit, .Name = "EditWidth", .Caption = "Width", .Cell = {6, 1}, .Text = "1"},
            {.Kind = K::Label, .Name = "LabelExtent", .Caption = "Extent +/-", .Cell = {7, 0}, .Buddy = "EditExtent"},
            {.Kind = K::Edit, .Name = "EditExtent", .Caption = "Extent +/-", .Cell = {7, 1}, .Text = "0"},
            {.Kind = K::UpDown, .Name = "UpDown1", .Caption = "Degree", .Cell = {3, 2}, .Buddy = "EditDegree", .Min = 1,
             .Max = MaxRegressionDegree},
            {.Kind = K::Button, .Name = "BtnCalculate", .Caption = "Calculate", .Cell = {4, 1}},
            {.Kind = K::Label, .Name = "LabelCoeff", .Caption = "Coefficients", .Cell = {3, 3}, .Buddy = "MemoCoeff"},
            {.Kind = K::Memo, .Name = "MemoCoeff", .Caption = "Coefficients", .Cell = {3, 4, 3, 1}, .ReadOnly = true},
            {.Kind = K::Label, .Name = "LabelNewLine", .Caption = "New line:", .Cell = {5, 0}},
            {.Kind = K::Button, .Name = "PanelColor", .Caption = "Color", .Cell = {5, 1}},
            {.Kind = K::UpDown, .Name = "UpDown2", .Caption = "Width", .Cell = {6, 2}, .Buddy = "EditWidth", .Min = 1, .Max = 8},
            {.Kind = K::ComboBox, .Name = "CB_pattern", .Caption = "Pattern", .Cell = {6, 3},
             .Choices = {"Solid", "Dash", "Dot", "DashDot", "DashDotDot"}},
            {.Kind = K::Label, .Name = "LabelInterval", .Caption = "% of interval", .Cell = {7, 2}},
            {.Kind = K::Button, .Name = "BtnAddLine", .Caption = "Add line", .Cell = {8, 1}},
            {.Kind = K::Button, .Name = "BtnClose", .Caption = "Close", .Cell = {8, 4}},
        },
    };
    return table;
}

TFormAddRegression::TFormAddRegression(QWidget* parent) : QDialog(parent), form_(BuildForm(this, FormAddRegressionTable()))
{
    EditMin = form_.Get<QLineEdit>("EditMin");
    EditMax = form_.Get<QLineEdit>("EditMax");
    EditCount = form_.Get<QLineEdit>("EditCount");
    EditDegree = form_.Get<QLineEdit>("EditDegree");
    UpDown1 = form_.Get<TUpDown>("UpDown1");
    BtnCalculate = form_.Get<QPushButton>("BtnCalculate");
    EditR = form_.Get<QLineEdit>("EditR");
    EditR2 = form_.Get<QLineEdit>("EditR2");
    EditP = form_.Get<QLineEdit>("EditP");
    MemoCoeff = form_.Get<QPlainTextEdit>("MemoCoeff");
    PanelColor = form_.Get<QPushButton>("PanelColor");
    EditWidth = form_.Get<QLineEdit>("EditWidth");
    UpDown2 = form_.Get<TUpDown>("UpDown2");
    CB_pattern = form_.Get<QComboBox>("CB_pattern");
    EditExtent = form_.Get<QLineEdit>("EditExtent");
    BtnAddLine = form_.Get<QPushButton>("BtnAddLine");
    BtnClose = form_.Get<QPushButton>("BtnClose");
    setAttribute(Qt::WA_DeleteOnClose);
    for (QPushButton* button : {BtnCalculate, PanelColor, BtnAddLine, BtnClose}) button->setAutoDefault(false);
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
