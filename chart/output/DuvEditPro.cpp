#include "chart/output/DuvEditPro.h"

#include <QPainter>

#include "chart/engine/Chart.h"
#include "chart/graphics/DuvConst.h"
#include "chart/output/DuvExport.h"
#include "chart/output/DuvStore.h"
#include "platform/core/Streams.h"
#include "platform/ui/UiServices.h"

namespace {

std::unique_ptr<TGraphic> CreateChartImage() { return std::make_unique<TChartImage>(); }

}  // namespace

TChartImage::TChartImage() = default;

TChartImage::~TChartImage()
{
    if (ownsChart_) FreeComponent(chart_);
}

std::unique_ptr<TGraphic> TChartImage::Clone() const
{
    auto copy = std::make_unique<TChartImage>();
    if (!chart_) return copy;
    TMemoryStream stream;
    SaveToStream(stream);
    stream.SetPosition(0);
    copy->LoadFromStream(stream);
    return copy;
}

TChart& TChartImage::Chart()
{
    if (!chart_) {
        chart_ = new TChart(nullptr);
        chart_->SetBufferedDisplay(false);
        ownsChart_ = true;
    }
    return *chart_;
}

void TChartImage::SetChart(TChart* chart)
{
    if (chart == chart_) return;
    if (ownsChart_) FreeComponent(chart_);
    chart_ = chart;
    ownsChart_ = false;
    Changed();
}

const QImage& TChartImage::Image() const
{
    if (!chart_ || !cache_.isNull()) return cache_;
    cache_ = QImage(std::max(chart_->Width(), 1), std::max(chart_->Height(), 1), QImage::Format_RGB32);
    QPainter painter(&cache_);
    const_cast<TChartImage*>(this)->Draw(painter, {0, 0, cache_.width(), cache_.height()});
    return cache_;
}

void TChartImage::Draw(QPainter& canvas, const TRect& r)
{
    canvas.fillRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), Qt::white);
    Chart().DrawToCanvasUnbuffered(&canvas, r);
}

void TChartImage::LoadFromStream(TStream& stream)
{
    Changed();
    if (chart_ && !ownsChart_) {
        LoadChartFromStream(*chart_, stream);
        return;
    }
    // A chart of its own is read once into a new chart: a picture inside a chart file then
    // costs one read, not one more per level it is nested.
    std::unique_ptr<TChart, void (*)(TChart*)> fresh(new TChart(nullptr), [](TChart* chart) { FreeComponent(chart); });
    fresh->SetBufferedDisplay(false);
    LoadNewChartFromStream(*fresh, stream);
    fresh->SetBufferedDisplay(false);
    FreeComponent(chart_);
    chart_ = fresh.release();
    ownsChart_ = true;
}

void TChartImage::SaveToStream(TStream& stream) const
{
    if (chart_) SaveChartToStream(*chart_, stream, true, false);
}

void TChartImage::SaveToFile(const std::string& fileName) { SaveChartToFile(Chart(), fileName, true, false); }

int TChartImage::GetWidth() { return Chart().Width(); }

int TChartImage::GetHeight() { return Chart().Height(); }

void TChartImage::SetWidth(int value)
{
    Chart().SetWidth(value);
    Changed();
}

void TChartImage::SetHeight(int value)
{
    Chart().SetHeight(value);
    Changed();
}

void TChartImage::SetTransparent(bool value)
{
    Chart().SetColor(value ? clNone : clWhite);
    Changed();
}

void TChartImage::Assign(const TChartImage* source)
{
    if (!source || !source->chart_) return;
    Chart().Assign(source->chart_);
    Changed();
}

std::string SaveChartAs(TCustomAxisPanel& chart)
{
    TFileDialogOptions dialog;
    const std::string extension = ChartFileExtension;
    dialog.Filter = std::string(NativeFileDescription) + " (*." + extension + ")|*." + extension;
    TExportFormatItems formats;
    AddExportFormatFilters(dialog, &chart, &formats);
    dialog.DefaultExt = extension;
    if (!UiServices().SaveFileDialog(dialog)) return {};
    if (dialog.FilterIndex == 1) {
        SaveChartToFile(chart, dialog.FileName, true, false);
    } else if (TDuvExportFormat* format = FormatOfFilterIndex(formats, dialog.FilterIndex)) {
        format->SaveToFile(dialog.FileName);
    }
    return dialog.FileName;
}

void DuvEditProInitialization()
{
    RegisterGraphicClass({{"TChartImage"}, {ChartFileExtension}, &CreateChartImage, false});
}

void DuvEditProFinalization() { UnregisterGraphicClass("TChartImage"); }
