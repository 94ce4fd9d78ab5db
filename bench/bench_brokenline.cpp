// The broken-line scan of 10,000 points with the window's default settings (about 10,000 break
// points), offscreen: the window's Calculate as the user starts it, with the message loop run
// once per step and the graph drawn while it grows; against numpy doing the same per-step work
// with polyfit (both lines, their residual sums and correlations, U and F). Both must find the
// same records. Our side runs three times, the median counts; the peer runs once.
#include <QApplication>
#include <QLineEdit>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchFunctions.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/series/Series.h"
#include "platform/core/NumText.h"
#include "platform/ui/ScriptedUiServices.h"
#include "stats/FBrokenLine.h"
#include "stats/FGraph.h"
#include "stats/FStatResults.h"

namespace {
using namespace benchfunctions;

constexpr int Points = 10000;
constexpr int Runs = 3;
constexpr int Fields = 9;  // break point, counts, both lines' c0 and c1, U, F

// Per step the fields, or NaN for a step with 3 points or fewer on a side; the seconds of the
// scan on standard output.
const char* kPeer = R"(
import sys, time
import numpy as np
folder, start, step, count = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
xs = np.fromfile(folder + "/x.bin", dtype=np.float64)
ys = np.fromfile(folder + "/y.bin", dtype=np.float64)
def fz(n, r):
    if 1 - r < 1e-7 or 1 + r < 1e-7: return 0.0
    return np.log((1 + r) / (1 - r)) * np.sqrt(n - 3) / 2
began = time.perf_counter()
whole = np.polyfit(xs, ys, 1)
rss_all = float(np.sum((ys - np.polyval(whole, xs)) ** 2))
out = np.full((count, 9), np.nan)
for i in range(count):
    bp = start + i * step
    left = xs <= bp
    x1, y1, x2, y2 = xs[left], ys[left], xs[~left], ys[~left]
    n1, n2 = len(x1), len(x2)
    if n1 <= 3 or n2 <= 3: continue
    c1 = np.polyfit(x1, y1, 1)
    c2 = np.polyfit(x2, y2, 1)
    rss1 = float(np.sum((y1 - np.polyval(c1, x1)) ** 2))
    rss2 = float(np.sum((y2 - np.polyval(c2, x2)) ** 2))
    r1 = np.corrcoef(x1, y1)[0, 1]
    r2 = np.corrcoef(x2, y2)[0, 1]
    u = (fz(n2, r2) - fz(n1, r1)) / np.sqrt(1 / (n2 - 3) + 1 / (n1 - 3))
    f = rss_all / (rss1 + rss2)
    out[i] = [(x1.max() + x2.min()) / 2, n1, n2, c1[1], c1[0], c2[1], c2[0], u, f]
print(time.perf_counter() - began)
out.tofile(folder + "/out.bin")
)";

// The fields of our records, NaN for an incomplete step.
std::vector<double> RecordFields(const std::vector<TBreakPointRecord>& records)
{
    std::vector<double> fields;
    for (const TBreakPointRecord& r : records) {
        if (!IsCompleteRecord(r)) {
            fields.insert(fields.end(), Fields, std::nan(""));
            continue;
        }
        for (long double v : {static_cast<long double>(r.BreakPoint), static_cast<long double>(r.Count1),
                              static_cast<long double>(r.Count2), r.Intercept1, r.Slope1, r.Intercept2, r.Slope2,
                              r.Statistics[2], r.Statistics[4]})
            fields.push_back(static_cast<double>(v));
    }
    return fields;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StartModules();
    InitializeChartOutputModules();

    std::mt19937 generator(20261211);
    std::uniform_real_distribution<double> position(0, 1000);
    std::normal_distribution<double> noise(0, 20);
    std::vector<double> xs(Points), ys(Points);
    for (int i = 0; i < Points; ++i) {
        const double x = position(generator);
        xs[static_cast<std::size_t>(i)] = x;
        ys[static_cast<std::size_t>(i)] = (x < 620 ? 0.2 * x : 124 + 1.5 * (x - 620)) + noise(generator);
    }

    TChart chart(nullptr);
    auto* series = new TPointSeries(&chart);
    series->SetParentChart(&chart);
    series->AddXYArrays(xs, ys);

    std::vector<double> times;
    std::vector<double> ours;
    TBreakPointSteps steps;
    for (int run = 0; run < Runs; ++run) {
        TScriptedUiServices ui;
        TScopedUiServices scope(ui);
        ui.Push(TUiAnswer::ChooseCase(0));
        TFormBrokenLine* form = ShowBrokenLine(&chart, series);
        steps = {StrToFloat(form->EditBPstart->text().toStdString()), StrToFloat(form->EditBPstep->text().toStdString()), 0};
        times.push_back(Timed([&] { form->btnCalculateClick(); }));
        ours = RecordFields(form->Records());
        steps.Count = static_cast<int>(form->Records().size());
        if (ui.Pending() != 0 || ui.Log().size() != 1) Fail("the scan did not end with its extremes chooser");
        delete form;
        delete FormGraph;
        FreeFormStatResults();
    }
    if (steps.Count < Points - 20) Fail("the default settings made " + std::to_string(steps.Count) + " steps");

    TScratch scratch("bench_brokenline");
    scratch.Write("x.bin", xs);
    scratch.Write("y.bin", ys);
    // The window shows its settings in the user's locale; the peer gets the same numbers exactly.
    char start[40], step[40];
    std::snprintf(start, sizeof start, "%.17g", steps.Start);
    std::snprintf(step, sizeof step, "%.17g", steps.Step);
    QByteArray output;
    if (!RunPeer(kPeer, {QString::fromStdString(scratch.Folder.string()), start, step, QString::number(steps.Count)},
                 output))
        Fail("the peer failed");
    const double peerSeconds = output.toDouble();
    const std::vector<double> theirs = scratch.Read<double>("out.bin", static_cast<std::size_t>(steps.Count) * Fields);
    if (theirs.size() != ours.size()) Fail("the peer wrote no records");

    double largest = 0;
    int complete = 0;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        if (std::isnan(ours[i]) != std::isnan(theirs[i])) Fail("(" + std::to_string(ours[i]) + " / " + std::to_string(theirs[i]) + ") " + "step " + std::to_string(i / Fields) + " differs in kind");
        if (std::isnan(ours[i])) continue;
        if (i % Fields == 0) ++complete;
        largest = std::max(largest, std::abs(ours[i] - theirs[i]) / std::max(1.0, std::abs(theirs[i])));
    }
    const bool same = largest <= 1e-8;
    const double seconds = Median(times);
    const double ratio = seconds / peerSeconds;
    std::printf("broken-line scan of %d points, %d steps (%d complete): ours %.3f s (window, message loop and graph), "
                "numpy %.3f s, ratio %.3f, largest relative difference %.3g%s\n",
                Points, steps.Count, complete, seconds, peerSeconds, ratio, largest, same ? "" : " (differ)");
    if (!same) Fail("the records differ");
    std::printf("ratio: %.3f\n", ratio);
    return 0;
}
