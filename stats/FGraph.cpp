#include "stats/FGraph.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "chart/engine/Chart.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/output/DuvGDIPlus.h"
#include "chart/series/Series.h"
#include "platform/core/StringList.h"
#include "platform/core/SysUtils.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/WindowFit.h"
#include "stats/FChartProp.h"

TFormGraph* FormGraph = nullptr;

namespace {
constexpr TColor kLightGrey = 15395562;
constexpr TColor kPaleYellow = 14745599;
constexpr TColor kAxisLine = 4210752;
constexpr TColor kGridLine = 11119017;

// The picture formats of the save dialog, in filter order.
struct TPictureFormat {
    const char* Extension;
    void (TCustomDuvPanel::*Save)(const std::string&);
};
const TPictureFormat kPictureFormats[] = {
    {".bmp", &TCustomDuvPanel::SaveAsBitmapFile},
    {".wmf", &TCustomDuvPanel::SaveAsWMF},
    {".emf", &TCustomDuvPanel::SaveAsEMF},
};

void PaintVerticalGradient(TDuvGradient& gradient)
{
    gradient.SetDirection(gdTopBottom);
    gradient.SetStartColor(kLightGrey);
    gradient.SetEndColor(clWhite);
    gradient.SetVisible(true);
}

void StyleChart(TChart& chart)
{
    chart.SetView3D(false);
    chart.SetColorPaletteIndex(13);
    PaintVerticalGradient(*chart.GetGradient());
    PaintVerticalGradient(*chart.BackWall()->GetGradient());
    chart.LeftWall()->SetColor(kPaleYellow);
    chart.RightWall()->SetColor(kPaleYellow);
    for (TChartAxis* axis : chart.AxesList()) {
        axis->Axis()->SetColor(kAxisLine);
        axis->Grid()->SetColor(kGridLine);
        axis->TicksInner()->SetColor(kGridLine);
    }
    chart.Title()->Lines().Clear();
    TStringList lines;
    lines.Add("TChart");
    chart.Title()->SetLines(lines);
}

bool HasExtension(const std::string& fileName)
{
    const std::size_t slash = fileName.rfind('/');
    const std::size_t dot = fileName.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}
}  // namespace

TFormGraph::TFormGraph(QWidget* parent) : QWidget(parent, Qt::Window), chart_(MakeComponent<TChart>())
{
    setObjectName("FormGraph");
    setWindowTitle("Graph");
    setAccessibleName("Graph");
    setAttribute(Qt::WA_DeleteOnClose);
    chart_->SetName("Chart");
    gdiPlus_ = MakeComponent<TDuvGDIPlus>();
    gdiPlus_->SetDuvPanel(chart_.get());
    gdiPlus_->SetActive(true);
    StyleChart(*chart_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    ChartHost = Named(new TDuvPanelHost(*chart_, this), "Chart", "Graph");
    layout->addWidget(ChartHost, 1);
    auto* panel = new QHBoxLayout;
    btnProperties = Named(new QPushButton("Properties", this), "btnProperties", "Properties");
    btnCopy = Named(new QPushButton("Copy", this), "btnCopy", "Copy");
    btnSave = Named(new QPushButton("Save", this), "btnSave", "Save");
    for (QPushButton* button : {btnProperties, btnCopy, btnSave}) panel->addWidget(button);
    panel->addStretch();
    layout->addLayout(panel);
    resize(600, 400);

    connect(btnProperties, &QPushButton::clicked, this, Guarded(this, &TFormGraph::btnPropertiesClick));
    connect(btnCopy, &QPushButton::clicked, this, Guarded(this, &TFormGraph::btnCopyClick));
    connect(btnSave, &QPushButton::clicked, this, Guarded(this, &TFormGraph::btnSaveClick));
    FormGraph = this;
}

TFormGraph::~TFormGraph()
{
    if (FormGraph == this) FormGraph = nullptr;
    // The host paints the chart: it goes first, then the canvas switch, then the chart.
    delete ChartHost;
    gdiPlus_.reset();
    chart_.reset();
}

TLineSeries* TFormGraph::AddLine(int width, TColor color, const std::string& title, TPenStyle penStyle)
{
    auto* series = new TLineSeries(chart_.get());
    series->SetSeriesColor(color);
    series->LinePen().SetStyle(penStyle);
    series->LinePen().SetWidth(width);
    series->SetParentChart(chart_.get());
    series->SetTitle(title);
    return series;
}

void TFormGraph::SetTitle(const std::string& text)
{
    TStringList lines;
    lines.SetText(text);
    chart_->Title()->SetLines(lines);
}

void TFormGraph::btnPropertiesClick() { ShowChartProperties(chart_.get(), this); }

void TFormGraph::btnCopyClick() { chart_->CopyMetafileToClipboard(true); }

void TFormGraph::btnSaveClick()
{
    TFileDialogOptions dialog;
    dialog.Title = "Save graph as";
    dialog.Filter = "Windows bitmap (*.bmp)|*.bmp|Windows metafile (*.wmf)|*.wmf|Enhanced metafile (*.emf)|*.emf";
    if (!UiServices().SaveFileDialog(dialog)) return;
    const int index = dialog.FilterIndex - 1;
    if (index < 0 || index >= static_cast<int>(std::size(kPictureFormats))) {
        UiServices().ShowWarning("You need select a graphic file format");
        return;
    }
    const TPictureFormat& format = kPictureFormats[index];
    std::string fileName = dialog.FileName;
    if (!HasExtension(fileName)) fileName += format.Extension;
    (chart_.get()->*format.Save)(fileName);
}

void ShowGraph(QWidget* owner)
{
    if (!FormGraph) new TFormGraph;
    ShowOwned(FormGraph, owner);
}
