// Opens a 1,000,000-point series in the chart grid, paints it and scrolls to the last row; the
// peer does the same with a QTableView over a minimal model of the same doubles. Both must show
// the same last point with the same text, else the bench fails.
// Usage: bench_chart_grid [points, default 1000000]. Last line: "ratio: <ours/peer>".
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/widgets/ChartGrid.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/RuRazaziSeries.h"

namespace {

using Clock = std::chrono::steady_clock;
// Rounds alternate between the two sides, so both meet the same load of the machine.
constexpr int kRounds = 21;

[[noreturn]] void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

// Whole numbers below 1000 read the same in both formats.
double Value(int i) { return (i * 7) % 1000; }

class TPeerModel : public QAbstractTableModel {
public:
    explicit TPeerModel(const std::vector<double>& values) : values_(values) {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : static_cast<int>(values_.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole) return {};
        if (index.column() == 0) return index.row();
        return QString::number(values_[static_cast<std::size_t>(index.row())]);
    }

private:
    const std::vector<double>& values_;
};

// Shows the view, paints it, scrolls to the bottom and paints again; the text of the lowest
// visible row's value cell.
template <class View>
std::string OpenAndScroll(View& view, int valueColumn)
{
    view.resize(400, 300);
    view.show();
    QApplication::processEvents();
    view.viewport()->repaint();
    view.scrollToBottom();
    QApplication::processEvents();
    view.viewport()->repaint();
    const QModelIndex last = view.indexAt(QPoint(5, view.viewport()->height() - 2));
    const QModelIndex shown = view.model()->index(last.row(), valueColumn);
    return std::to_string(last.row()) + ":" + view.model()->data(shown, Qt::DisplayRole).toString().toStdString();
}

template <class Work>
double Timed(Work work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int points = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (points < 1) Fail("points must be at least 1");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
    InitializeChartOutputModules();

    std::vector<double> values(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i) values[static_cast<std::size_t>(i)] = Value(i);
    TChart chart;
    TChartSeries series(nullptr);
    series.SetParentChart(&chart);
    series.AddValueArray(values);

    std::string ours, peer;
    auto openOurs = [&] {
        TChartGrid grid;
        grid.SetSeries(&series);
        // Point index = row - header rows; the peer's rows are the point indexes.
        const std::string text = OpenAndScroll(grid, 2);
        const auto colon = text.find(':');
        ours = std::to_string(std::stoi(text.substr(0, colon)) - grid.Model().HeaderRowCount()) + text.substr(colon);
    };
    auto openPeer = [&] {
        TPeerModel model(values);
        QTableView view;
        view.verticalHeader()->hide();
        view.verticalHeader()->setDefaultSectionSize(16);
        view.setModel(&model);
        peer = OpenAndScroll(view, 1);
    };
    double ourTime = 1e9, peerTime = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ourTime = std::min(ourTime, Timed(openOurs));
        peerTime = std::min(peerTime, Timed(openPeer));
    }
    series.SetParentChart(nullptr);
    const std::string want = std::to_string(points - 1) + ":" + QString::number(Value(points - 1)).toStdString();
    if (peer != want) Fail("the peer shows " + peer + ", not the last point " + want);
    if (ours != peer) Fail("the grid shows " + ours + ", the peer " + peer);
    std::printf("points: %d, last row shown: %s\n", points, ours.c_str());
    std::printf("ours (TChartGrid on a series):          %.4f s\n", ourTime);
    std::printf("peer (QTableView on a model of doubles): %.4f s\n", peerTime);
    std::printf("ratio: %.3f\n", ourTime / peerTime);
    return 0;
}
