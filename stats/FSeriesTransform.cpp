#include "stats/FSeriesTransform.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/series/SeriesFastLine.h"
#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/WindowFit.h"
#include "stats/LatestWindow.h"
#include "stats/Ustatistics.h"

TFormSeriesTransform* FormSeriesTransform = nullptr;

// ---- Transformations ----------------------------------------------------------------------------

double PolynomialAt(const std::vector<double>& coefficients, double v)
{
    double sum = 0, power = 1;
    for (double c : coefficients) {
        sum += c * power;
        power *= v;
    }
    return sum;
}

namespace {
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// Mean (as a double) and population deviation of the values, the deviation about the mean in a
// second pass and never below 0.
void MeanAndDeviation(const std::vector<double>& values, double& mean, double& deviation)
{
    mean = deviation = 0;
    if (values.empty()) return;
    long double sum = 0;
    for (double v : values) sum += v;
    mean = static_cast<double>(sum / values.size());
    long double squares = 0;
    for (double v : values) squares += (v - mean) * (v - mean);
    deviation = static_cast<double>(std::sqrt(squares / values.size()));
}

// Each value through f; a value that comes out as no finite number is skipped and counted.
template <class F>
TTransformOutcome EachValue(const std::vector<double>& v, F f)
{
    TTransformOutcome outcome;
    outcome.Values.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double value = f(i);
        outcome.Values.push_back(std::isfinite(value) ? value : kNoValue);
        if (!std::isfinite(value)) ++outcome.Skipped;
    }
    return outcome;
}

TTransformOutcome Refused(const std::string& message) { return {message, {}, 0}; }
}  // namespace

TTransformOutcome TransformValues(TTransformKind kind, const std::vector<double>& v, const std::vector<double>& w,
                                  const std::vector<double>& parameters)
{
    const int count = static_cast<int>(parameters.size());
    switch (kind) {
    case TTransformKind::Polynomial:
        if (count < 1) return Refused("Error of parameters!");
        return EachValue(v, [&](std::size_t i) { return PolynomialAt(parameters, v[i]); });
    case TTransformKind::DiffEstim:
        if (count < 2) return Refused("Error of parameters!");
        return EachValue(v, [&](std::size_t i) { return v[i] - PolynomialAt(parameters, w[i]); });
    case TTransformKind::Power:
        if (count != 1) return Refused("One parameter must be specified!");
        return EachValue(v, [&](std::size_t i) { return v[i] > 0 ? std::exp(parameters[0] * std::log(v[i])) : kNoValue; });
    case TTransformKind::Log:
        return EachValue(v, [&](std::size_t i) { return v[i] > 0 ? std::log(v[i]) : kNoValue; });
    case TTransformKind::Maximum: {
        const double maximum = v.empty() ? 0 : *std::max_element(v.begin(), v.end());
        if (maximum == 0) return Refused("Warning: MAX = " + FloatToStr(maximum));
        return EachValue(v, [&](std::size_t i) { return v[i] / maximum; });
    }
    case TTransformKind::Normalize:
    case TTransformKind::Centralize: {
        double mean = 0, deviation = 0;
        MeanAndDeviation(v, mean, deviation);
        if (kind == TTransformKind::Centralize) return EachValue(v, [&](std::size_t i) { return v[i] - mean; });
        if (deviation <= 0) return Refused("Warning: STD = " + FloatToStr(deviation));
        return EachValue(v, [&](std::size_t i) { return (v[i] - mean) / deviation; });
    }
    }
    return Refused("Error of parameters!");
}

std::vector<double> ReadParameterLines(const TStringList& lines)
{
    std::vector<double> parameters;
    for (int i = 0; i < lines.Count(); ++i) {
        double value = 0;
        const std::string line = Trim(lines[i]);
        if (!line.empty() && TryStrToFloat(line, value)) parameters.push_back(value);
    }
    return parameters;
}

std::vector<double> DefaultEstimationParameters(const std::vector<double>& v, const std::vector<double>& w)
{
    TStatistics engine;
    engine.Reserve(static_cast<int>(v.size()));
    for (std::size_t i = 0; i < v.size(); ++i) engine.AddPoint(w[i], v[i]);
    engine.Calculate(1);
    const TStatRes& r = engine.Results;
    // A fit that fell back to degree 0 (or had no points) has no line: the mean is its estimate.
    if (!r.Calculated || r.Degree != 1) return {static_cast<double>(r.MeanY), 0};
    return {static_cast<double>(r.Coefficients[0]), static_cast<double>(r.Coefficients[1])};
}

// ---- The window ---------------------------------------------------------------------------------

namespace {
struct TTransformChoice {
    QRadioButton* TFormSeriesTransform::*Button;
    const char* Name;
    const char* Caption;
    const char* Hint;
    TTransformKind Kind;
    bool UsesParameters;
    const char* Defaults;  // memo lines; nullptr: computed, empty: none
};

const TTransformChoice kChoices[] = {
    {&TFormSeriesTransform::rb_polynomial, "rb_polynomial", "Polynomial transformation", "y'=P(y)",
     TTransformKind::Polynomial, true, "0\n1"},
    {&TFormSeriesTransform::rb_normalize, "rb_normalize", "Normalization", "y'=(y-AVG)/STD", TTransformKind::Normalize,
     false, ""},
    {&TFormSeriesTransform::rb_centalize, "rb_centalize", "Centalization", "y'=y-AVG", TTransformKind::Centralize,
     false, ""},
    {&TFormSeriesTransform::rb_maximum, "rb_maximum", "Divide by maximum", "y'=y/MAX", TTransformKind::Maximum, false,
     ""},
    {&TFormSeriesTransform::rb_power, "rb_power", "Power transformation", "y'=y^parameter", TTransformKind::Power,
     true, "2.0"},
    {&TFormSeriesTransform::rb_logtransformation, "rb_logtransformation", "log transformation", "y'=ln(y)",
     TTransformKind::Log, false, ""},
    {&TFormSeriesTransform::rb_diffestim, "rb_diffestim", "Diffeence from estimation", "y'=y-P(x)",
     TTransformKind::DiffEstim, true, nullptr},
};

const TTransformChoice* ChosenChoice(const TFormSeriesTransform& form)
{
    for (const TTransformChoice& choice : kChoices)
        if ((form.*choice.Button)->isChecked()) return &choice;
    return nullptr;
}

bool IsTransformable(TChartSeries& source)
{
    return dynamic_cast<TPointSeries*>(&source) || dynamic_cast<TLineSeries*>(&source)
           || dynamic_cast<TFastLineSeries*>(&source);
}

// A new series of the source's kind with its look; none for kinds without a transformed form.
TChartSeries* NewTarget(TChartSeries& source)
{
    TComponent* owner = source.Owner();
    if (auto* points = dynamic_cast<TPointSeries*>(&source)) {
        auto* target = new TPointSeries(owner);
        target->Pointer().SetStyle(points->Pointer().Style());
        target->Pointer().SetHorizSize(points->Pointer().HorizSize());
        target->Pointer().SetVertSize(points->Pointer().VertSize());
        return target;
    }
    if (auto* line = dynamic_cast<TLineSeries*>(&source)) {
        auto* target = new TLineSeries(owner);
        target->LinePen().SetStyle(line->LinePen().Style());
        target->LinePen().SetWidth(line->LinePen().Width());
        return target;
    }
    if (auto* fast = dynamic_cast<TFastLineSeries*>(&source)) {
        auto* target = new TFastLineSeries(owner);
        target->LinePen().SetStyle(fast->LinePen().Style());
        target->LinePen().SetWidth(fast->LinePen().Width());
        return target;
    }
    return nullptr;
}
}  // namespace

TFormSeriesTransform::TFormSeriesTransform(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormSeriesTransform");
    setWindowTitle("Series transformation");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    for (const TTransformChoice& choice : kChoices) {
        auto* button = Named(new QRadioButton(choice.Caption, this), choice.Name, choice.Caption);
        button->setToolTip(choice.Hint);
        button->setAccessibleDescription(choice.Hint);
        layout->addWidget(button);
        this->*choice.Button = button;
        connect(button, &QRadioButton::clicked, this, Guarded(this, &TFormSeriesTransform::ChangeSet));
    }
    MemoParams = Named(new QPlainTextEdit(this), "MemoParams", "Parameters");
    MemoParams->viewport()->installEventFilter(this);
    layout->addWidget(MemoParams);
    btnProcess = Named(new QPushButton("Process", this), "btnProcess", "Process");
    btnProcess->setAutoDefault(false);
    layout->addWidget(btnProcess);
    connect(btnProcess, &QPushButton::clicked, this, Guarded(this, &TFormSeriesTransform::btnProcessClick));
    MemoParamsDblClick();
    KeepAsLatest(this, FormSeriesTransform);
}

bool TFormSeriesTransform::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == MemoParams->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        RunHandler([this] { MemoParamsDblClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormSeriesTransform::SetSource(TChartSeries* series)
{
    source_.Set(series);
    setWindowTitle(QText("Series transformation [" + (series ? series->Title() : std::string()) + "]"));
}

bool TFormSeriesTransform::ChosenKind(TTransformKind& kind) const
{
    const TTransformChoice* choice = ChosenChoice(*this);
    if (choice) kind = choice->Kind;
    return choice != nullptr;
}

void TFormSeriesTransform::ChangeSet()
{
    const TTransformChoice* choice = ChosenChoice(*this);
    MemoParams->setEnabled(choice && choice->UsesParameters);
}

void TFormSeriesTransform::ReadSource(std::vector<double>& v, std::vector<double>& w) const
{
    v.clear();
    w.clear();
    const TChartSeries* source = source_.Get();
    if (!source) return;
    const int count = source->PointCount();
    v.reserve(count);
    w.reserve(count);
    for (int i = 0; i < count; ++i) {
        const double x = source->GetXValue(i), y = source->GetYValue(i);
        v.push_back(axis_ == 0 ? x : y);
        w.push_back(axis_ == 0 ? y : x);
    }
}

void TFormSeriesTransform::MemoParamsDblClick()
{
    const TTransformChoice* choice = ChosenChoice(*this);
    if (!choice) return;
    if (choice->Defaults) {
        if (*choice->Defaults) MemoParams->setPlainText(choice->Defaults);
        return;
    }
    MemoParams->clear();
    std::vector<double> v, w;
    ReadSource(v, w);
    for (double parameter : DefaultEstimationParameters(v, w)) MemoParams->appendPlainText(QText(FloatToStr(parameter)));
}

int TFormSeriesTransform::ReadParameters()
{
    TStringList lines;
    lines.SetText(MemoParams->toPlainText().toStdString());
    parameters_ = ReadParameterLines(lines);
    return static_cast<int>(parameters_.size());
}

void TFormSeriesTransform::btnProcessClick()
{
    TChartSeries* source = source_.Get();
    if (!source) {
        UiServices().ShowWarning("The source series no longer exists!");
        return;
    }
    TTransformKind kind;
    if (!ChosenKind(kind)) return;  // nothing chosen: nothing to make
    // Other kinds (area, bar, pie, ...) have no series to take the result.
    if (!IsTransformable(*source)) {
        UiServices().ShowWarning("Only point, line and fast line series can be transformed!");
        return;
    }
    std::vector<double> v, w;
    ReadSource(v, w);
    ReadParameters();
    const TTransformOutcome outcome = TransformValues(kind, v, w, parameters_);
    if (outcome.Failed()) {
        UiServices().ShowWarning(outcome.Message);
        return;
    }
    if (outcome.Skipped > 0
        && UiServices().MessageDlg("Accept with transformation error by " + IntToStr(outcome.Skipped) + " points!",
                                   TMsgDlgType::mtWarning, mbYesNo) != mrYes)
        return;
    TChartSeries* target = NewTarget(*source);
    target->SetParentChart(source->ParentChart());
    target->SetTitle("Trans(" + source->Title() + ")");
    target->SetSeriesColor(source->GetSeriesColor());
    target->SuspendUpdates();
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double value = outcome.Values[i];
        if (std::isnan(value)) continue;
        if (axis_ == 0)
            target->AddPointXY(value, w[i], {}, clDefault);
        else
            target->AddPointXY(w[i], value, {}, clDefault);
    }
    target->ResumeUpdates();
    target_.Set(target);
    if (!UiServices().AskYesNo("Delete original source series?", mbNo)) return;
    FreeComponent(source);
    SetSource(target);
}

void ShowSeriesTransform(TChartSeries* series, int axis, QWidget* owner)
{
    QWidget* mainForm = Application() ? Application()->MainForm() : nullptr;
    auto* form = new TFormSeriesTransform(mainForm);
    form->SetSource(series);
    form->SetAxis(axis);
    if (owner && mainForm && mainForm->isVisible()) {
        QRect frame(QPoint(), form->size());
        frame.moveCenter(mainForm->frameGeometry().center());
        form->move(frame.topLeft());
    }
    ShowOwned(form, owner);
}
