#pragma once
// What the line benchmarks share: a fixed-seed random walk (x = i), a timer, the median of runs,
// the failure exit, and the envelope of a drawn line by which two plots are compared.
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace benchwalk {

[[noreturn]] inline void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

template <class F>
double Milliseconds(F work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// x = 0, 1, 2, ...; y a walk of normal steps, always the same.
inline void RandomWalk(int points, std::vector<double>& xs, std::vector<double>& ys)
{
    xs.resize(static_cast<std::size_t>(points));
    ys.resize(static_cast<std::size_t>(points));
    std::mt19937 random(20261211);
    std::normal_distribution<double> step(0.0, 1.0);
    double y = 0;
    for (int i = 0; i < points; ++i) {
        y += step(random);
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = y;
    }
}

// Per bin of the line's horizontal extent, the top and bottom of the line's pixels, as shares of
// the line's height: what both plots must agree on.
struct Envelope {
    std::vector<double> top, bottom;
    double coverage = 0;  // share of the columns in the line's extent that hold line pixels
};

template <class IsLine>
Envelope EnvelopeOf(const QImage& image, IsLine isLine, int bins)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    std::vector<int> columnTop(static_cast<std::size_t>(image.width()), image.height()),
        columnBottom(static_cast<std::size_t>(image.width()), -1);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!isLine(line[x])) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            columnTop[static_cast<std::size_t>(x)] = std::min(columnTop[static_cast<std::size_t>(x)], y);
            columnBottom[static_cast<std::size_t>(x)] = std::max(columnBottom[static_cast<std::size_t>(x)], y);
        }
    }
    Envelope e;
    if (right < left || bottom <= top) return e;
    int covered = 0;
    for (int x = left; x <= right; ++x) covered += columnBottom[static_cast<std::size_t>(x)] >= 0;
    e.coverage = static_cast<double>(covered) / (right - left + 1);
    const double height = bottom - top;
    for (int b = 0; b < bins; ++b) {
        const int x0 = left + (right - left + 1) * b / bins;
        const int x1 = left + (right - left + 1) * (b + 1) / bins;
        int binTop = image.height(), binBottom = -1;
        for (int x = x0; x < x1; ++x) {
            binTop = std::min(binTop, columnTop[static_cast<std::size_t>(x)]);
            binBottom = std::max(binBottom, columnBottom[static_cast<std::size_t>(x)]);
        }
        e.top.push_back((binTop - top) / height);
        e.bottom.push_back((binBottom - top) / height);
    }
    return e;
}

// The mean difference between two envelopes of as many bins, as a share of the line's height.
// The plot areas differ in width, so single bins may straddle a spike on one side and not the other.
inline double EnvelopeDifference(const Envelope& a, const Envelope& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.top.size(); ++i) sum += std::abs(a.top[i] - b.top[i]) + std::abs(a.bottom[i] - b.bottom[i]);
    return sum / (2.0 * static_cast<double>(a.top.size()));
}

}  // namespace benchwalk
