#pragma once
// A uniform cubic B-spline through a list of 2D control points, sampled at parameters 0 .. 1,
// and the smoothing function that replaces a source series by such a spline.
//
// What always holds for a TBSpline:
//  - the vertex list is empty or holds the vertices 1 .. n with the phantom vertices 0 and n + 1;
//  - it is rebuilt from the control points before any read once a change marked it stale;
//  - knuckle flags stay with their points when the storage grows.
#include <cstdint>
#include <vector>

#include "chart/series/RuRazaziFunction.h"

struct T2DPoint {
    double X = 0;
    double Y = 0;
};

class TBSpline {
public:
    static constexpr int MaxFragments = 600;

    TBSpline() = default;
    void Clear();

    // Control points are numbered from 1, in the order appended.
    void AppendPoint(double x, double y);
    // Room for count points, so a long list is appended without moving.
    void Reserve(int count);
    // Replaces the control points by count points at once, none a knuckle; the storage is kept.
    void AssignPoints(const double* xs, const double* ys, int count);
    int PointCount() const { return static_cast<int>(points_.size()); }
    const T2DPoint& Point(int i) const { return points_[static_cast<std::size_t>(i - 1)]; }

    // The first and the last point never answer a knuckle, whatever is stored.
    bool Knuckle(int i) const;
    void SetKnuckleFlag(int i, bool flag);

    bool Interpolating() const { return interpolating_; }
    void SetInterpolating(bool flag);

    // Limited to 1 .. MaxFragments.
    int Fragments() const { return fragments_; }
    void SetFragmentCount(int count);

    int NumberOfVertices();
    // The vertex list (0 .. n + 1, phantoms at both ends); empty below two points.
    const std::vector<T2DPoint>& Vertices();

    // The curve at t, 0 at the first point and 1 at the last; (0, 0) below two points.
    T2DPoint Evaluate(double t);

private:
    void MarkStale();
    void Rebuild();
    // raw: the points to append as vertices 1 .. n while sweeping; none: the vertices are in place.
    void Interpolate(int n, const T2DPoint* raw);

    std::vector<T2DPoint> points_;
    std::vector<std::uint8_t> knuckles_;
    int knuckleCount_ = 0;
    std::vector<T2DPoint> vertices_;
    int vertexCount_ = 0;
    bool interpolating_ = false;
    int fragments_ = 100;
    bool built_ = false;
};

// The sampled B-spline through the points of the one source: Factor output intervals per source
// point (at most 600 in all), passing through every point when Interpolate is set.
class TSmoothingFunction : public TDuvFunction {
    QB_CLASS(TSmoothingFunction, TDuvFunction)
public:
    explicit TSmoothingFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TSmoothingFunction>& p);

    bool Interpolate() const { return interpolate_; }
    void SetInterpolate(bool value);
    int Factor() const { return factor_; }
    // Stores at least 1.
    void SetFactor(int value);

    // The number of spline fragments for a source of that many points: points x factor, in 64
    // bits so a large factor cannot wrap, at most 600.
    static int FragmentsFor(int points, int factor);

    std::string GetEditorClassName() const override { return "TSmoothFuncEditor"; }
    void SetUpInGallery(TCustomAxisPanel* chart) override;
    void CalculateFromSources(TChartSeries* source) override;

private:
    bool interpolate_ = true;
    int factor_ = 4;
    // Kept between recalculations so a large source does not fault its pages in every time.
    TBSpline spline_;
};

void DuvSplineInitialization();
void DuvSplineFinalization();
