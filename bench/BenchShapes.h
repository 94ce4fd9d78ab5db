#pragma once
// The drawing workload shared by the canvas benchmarks: a chain of random line segments and small
// random four-cornered polygons on an 800 x 600 picture, always the same for one seed.
#include <chrono>
#include <random>
#include <vector>

#include "chart/graphics/DuvTypes.h"

namespace benchshapes {

constexpr int Width = 800, Height = 600, Segments = 1000000, Polygons = 100000;

struct Shapes {
    std::vector<TPoint> lineEnds;
    std::vector<TPointArray> polygons;
};

inline Shapes MakeShapes()
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> x(0, Width - 1), y(0, Height - 1), step(-30, 30);
    Shapes shapes;
    for (int i = 0; i <= Segments; ++i) shapes.lineEnds.push_back({x(random), y(random)});
    for (int i = 0; i < Polygons; ++i) {
        const TPoint c{x(random), y(random)};
        shapes.polygons.push_back({c, {c.X + step(random), c.Y + step(random)}, {c.X + step(random), c.Y + step(random)},
                                   {c.X + step(random), c.Y + step(random)}});
    }
    return shapes;
}

template <class F>
double Seconds(F work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace benchshapes
