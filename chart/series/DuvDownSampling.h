#pragma once
// Reduces a large source to far fewer points that still draw alike: Douglas-Peucker line
// simplification, or groups of points (by X distance or by count) replaced by their maximum,
// minimum, average or extreme and end points. Only the source's visible range is reduced when
// the chart has never been painted, so a chart opens with what it shows.
#include <vector>

#include "chart/series/RuRazaziFunction.h"
#include "platform/core/Colors.h"

QB_ENUM(TDownSampleMethod, dsDouglas, dsMax, dsMin, dsMinMax, dsAverage, dsMinMaxFirstLast, dsMinMaxFirstLastNull)

class TDownSamplingFunction : public TDuvFunction {
    QB_CLASS(TDownSamplingFunction, TDuvFunction)
public:
    explicit TDownSamplingFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TDownSamplingFunction>& p);

    TDownSampleMethod DownSampleMethod() const { return method_; }
    void SetDownSampleMethod(TDownSampleMethod value);
    double Tolerance() const { return tolerance_; }
    // A negative tolerance is stored as 0.
    void SetTolerance(double value);
    // When above 0, the number of output points aimed at; replaces Tolerance.
    int DisplayedPointCount() const { return displayedPointCount_; }
    void SetDisplayedPointCount(int value);

    void CalculateFromSources(TChartSeries* source) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    TDownSampleMethod method_ = dsDouglas;
    double tolerance_ = 1.0;
    int displayedPointCount_ = 0;
};

// The reductions on plain arrays, for the function and its tests. Each answers the number of
// output points written.
struct TDownSampleInput {
    const double* X = nullptr;
    const double* Y = nullptr;
    int Count = 0;
    // Null flags per point (none: no null points) and the value a null point carries.
    const unsigned char* Null = nullptr;
    double NullValue = 0;
};
struct TDownSampleOutput {
    double* X = nullptr;
    double* Y = nullptr;
    TColor* Color = nullptr;
    TColor SeriesColor = clDefault;
};
// Keeps the end points and every point farther than tolerance from the simplified line.
int DouglasPeucker(const double* x, const double* y, int count, double tolerance, unsigned char* keep);
// Room the group methods need in the output for count points.
int DownSampleCapacity(int count, double tolerance, bool byCount);
// The outputs hold DownSampleCapacity entries.
int DownSampleGroups(TDownSampleMethod method, const TDownSampleInput& in, double tolerance, bool byCount,
                     const TDownSampleOutput& out);

void DuvDownSamplingInitialization();
void DuvDownSamplingFinalization();
