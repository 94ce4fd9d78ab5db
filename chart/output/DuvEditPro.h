#pragma once
// Chart files used elsewhere in the program: as pictures (any place that loads a picture can
// load a chart file and shows the chart drawn), and the chart toolbar's save dialog, which writes
// a chart file or any registered picture export format.
#include <QImage>
#include <memory>
#include <string>

#include "chart/graphics/DuvTypes.h"
#include "chart/graphics/GraphicClasses.h"

class QPainter;
class TChart;
class TCustomAxisPanel;

// The description of chart files in save filters.
inline constexpr const char* NativeFileDescription = "Plotwise files";

// A picture whose file is a native chart file. The chart is made on first need (without owner,
// unbuffered) or set from outside; only a chart it made is freed with it.
class TChartImage : public TGraphic {
public:
    TChartImage();
    ~TChartImage() override;

    std::string ClassName() const override { return "TChartImage"; }
    std::unique_ptr<TGraphic> Clone() const override;
    // The chart drawn at its own size over white; a null image while there is no chart.
    const QImage& Image() const override;
    // Pixels cannot become a chart: nothing changes.
    void SetImage(const QImage&) override {}
    // Raises the chart loader's errors; the chart then stays as it was.
    void LoadFromStream(TStream& stream) override;
    // The chart as a binary chart stream with its series data.
    void SaveToStream(TStream& stream) const override;

    TChart& Chart();
    TChart* PeekChart() const { return chart_; }
    // Uses the chart without owning it.
    void SetChart(TChart* chart);
    bool GetEmpty() const { return chart_ == nullptr; }
    int GetWidth();
    int GetHeight();
    void SetWidth(int value);
    void SetHeight(int value);
    // True takes the chart's background away (its colour becomes clNone); false gives it white.
    void SetTransparent(bool value);
    // Another chart picture's chart is copied into this one's; none does nothing.
    void Assign(const TChartImage* source);
    // Fills the rectangle white and draws the chart into it.
    void Draw(QPainter& canvas, const TRect& r);
    // Adds ".duv" to a name without extension.
    void SaveToFile(const std::string& fileName);

private:
    void Changed() { cache_ = QImage(); }
    TChart* chart_ = nullptr;
    bool ownsChart_ = true;
    mutable QImage cache_;
};

// The chart toolbar's save dialog: a chart file (first filter, with series data, binary) or the
// picture format that claims the chosen filter. Answers the chosen name; empty when cancelled.
std::string SaveChartAs(TCustomAxisPanel& chart);

// Registers chart files (".duv") as pictures; the finalization takes them out again.
void DuvEditProInitialization();
void DuvEditProFinalization();
