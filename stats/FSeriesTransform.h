#pragma once
// The series transformation window: a new series from the points of one series with either its
// X or its Y values transformed (polynomial, normalization, centralization, division by the
// maximum, power, logarithm, difference from a polynomial estimate of the other coordinate),
// optionally replacing the source series.
#include <QDialog>
#include <string>
#include <vector>

#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ComponentRef.h"

class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TStringList;

enum class TTransformKind { Polynomial, Normalize, Centralize, Maximum, Power, Log, DiffEstim };

// What a transformation gives: a refusal (Message set, no values), or one value per point, NaN
// where a point's value cannot be computed (Skipped counts them).
struct TTransformOutcome {
    std::string Message;
    std::vector<double> Values;
    int Skipped = 0;
    bool Failed() const { return !Message.empty(); }
};

// p0 + p1 v + p2 v^2 + ... in double, powers by repeated multiplication.
double PolynomialAt(const std::vector<double>& coefficients, double v);
// Transforms v (the chosen coordinate); w is the other coordinate of the same points.
TTransformOutcome TransformValues(TTransformKind kind, const std::vector<double>& v, const std::vector<double>& w,
                                  const std::vector<double>& parameters);
// The numbers of the lines (user's locale), skipping empty lines and lines that are no number.
std::vector<double> ReadParameterLines(const TStringList& lines);
// The default parameters of the difference from estimation: the straight line fitted to
// (w, v), or the mean of v and 0 when no line can be fitted.
std::vector<double> DefaultEstimationParameters(const std::vector<double>& v, const std::vector<double>& w);

class TFormSeriesTransform : public QDialog {
    Q_OBJECT
public:
    explicit TFormSeriesTransform(QWidget* parent = nullptr);

    QRadioButton* rb_polynomial;
    QRadioButton* rb_normalize;
    QRadioButton* rb_centalize;
    QRadioButton* rb_maximum;
    QRadioButton* rb_power;
    QRadioButton* rb_logtransformation;
    QRadioButton* rb_diffestim;
    QPlainTextEdit* MemoParams;
    QPushButton* btnProcess;

    void SetSource(TChartSeries* series);
    TChartSeries* Source() const { return source_.Get(); }
    // 0: X values are transformed; 1: Y values.
    void SetAxis(int axis) { axis_ = axis; }
    int Axis() const { return axis_; }
    // The series the last successful Process made, while it lives.
    TChartSeries* Target() const { return target_.Get(); }

    void ChangeSet();
    void MemoParamsDblClick();
    int ReadParameters();
    const std::vector<double>& Parameters() const { return parameters_; }
    void btnProcessClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ChosenKind(TTransformKind& kind) const;
    void ReadSource(std::vector<double>& v, std::vector<double>& w) const;

    TComponentRef<TChartSeries> source_;
    TComponentRef<TChartSeries> target_;
    int axis_ = 1;
    std::vector<double> parameters_;
};

// The window opened last, while it lives.
extern TFormSeriesTransform* FormSeriesTransform;
// Opens the window on the series, centred on the main window and kept above owner (ShowOwned).
void ShowSeriesTransform(TChartSeries* series, int axis, QWidget* owner = nullptr);
