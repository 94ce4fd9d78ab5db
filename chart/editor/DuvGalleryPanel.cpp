#include "chart/editor/DuvGalleryPanel.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvBlend.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvFilters.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/ChartSeriesCopy.h"
#include "chart/series/Series.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

TColor GalleryColor = clWhite;

namespace {
constexpr TColor kGalleryGray = 0x808080;
constexpr TColor kGallerySilver = 0xC0C0C0;
constexpr TColor kGalleryNavy = 0x800000;
constexpr int kSelectedRotation = 345;
constexpr int kNormalRotation = 335;

// The component that owns the panel's charts; it tells the panel when one of them goes.
class TGalleryPanelOwner : public TComponent {
public:
    explicit TGalleryPanelOwner(TChartGalleryPanel* panel) : TComponent(nullptr), Panel(panel) {}
    TChartGalleryPanel* Panel;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove && Panel) Panel->ChartGoing(component);
        TComponent::Notification(component, operation);
    }
};

// The host of a gallery chart: the hover frame over the picture; wheel turns scroll the panel.
class TGalleryChartHost : public TDuvPanelHost {
public:
    TGalleryChartHost(TGalleryChart& chart, QWidget* parent) : TDuvPanelHost(chart, parent), chart_(chart) {}

protected:
    void enterEvent(QEnterEvent* event) override
    {
        hovered_ = true;
        update();
        TDuvPanelHost::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override
    {
        hovered_ = false;
        update();
        TDuvPanelHost::leaveEvent(event);
    }
    void paintEvent(QPaintEvent* event) override
    {
        TDuvPanelHost::paintEvent(event);
        if (!hovered_ || chart_.Disabled || width() < 2 || height() < 2) return;
        QPainter painter(this);
        const int r = width() - 1, b = height() - 1;
        painter.setPen(ToQColor(PanelColorToRGB(chart_.Color()) == clWhite ? kGallerySilver : clWhite));
        painter.drawLine(0, 0, r, 0);
        painter.drawLine(0, 0, 0, b);
        painter.setPen(ToQColor(kGalleryGray));
        painter.drawLine(0, b, r, b);
        painter.drawLine(r, 0, r, b);
    }
    void wheelEvent(QWheelEvent* event) override
    {
        TChartGalleryPanel* panel = chart_.Panel();
        if (!panel) return event->ignore();
        panel->ScrollByWheel(event->angleDelta().y());
        event->accept();
    }

private:
    TGalleryChart& chart_;
    bool hovered_ = false;
};

TChartSeries* FirstSeriesOf(const TCustomChart* chart)
{
    return chart->CountSeries() > 0 ? dynamic_cast<TChartSeries*>(chart->GetSeries(0)) : nullptr;
}

bool InsideRect(const TRect& r, const TPoint& p)
{
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

// Draws an image over everything the device shows, whatever clipping or turn is in force.
void PaintOver(QPainter* device, const TRect& at, const QImage& image)
{
    device->save();
    device->resetTransform();
    device->setClipping(false);
    device->setCompositionMode(QPainter::CompositionMode_Source);
    device->drawImage(at.Left, at.Top, image);
    device->restore();
}
}  // namespace

// ---------------------------------------------------------------- plain layout

TRect GalleryCellRect(int place, int columns, int cellWidth, int cellHeight, int clientWidth, int height)
{
    const int left = GalleryColumnOf(place, columns) * cellWidth;
    const int top = GalleryRowOf(place, columns) * cellHeight;
    return {left, top, left + std::min(cellWidth, clientWidth) - 1, top + std::min(cellHeight, height) - 1};
}

TGalleryLayout ArrangeGalleryCells(const TGalleryLayoutInput& input)
{
    TGalleryLayout layout;
    layout.NumRows = input.NumRows;
    layout.NumCols = input.NumCols;
    const int count = static_cast<int>(input.Visible.size());
    if (count == 0) return layout;
    layout.Arranged = true;
    int& numCols = layout.NumCols;
    if (layout.NumRows == 0) {
        if (numCols < 1) numCols = 4;
        layout.NumRows = (count - 1) / numCols + 1;
    }
    int columns = numCols;
    if (numCols == 0 && layout.NumRows > 0) {
        const int rowHeight = input.Height / layout.NumRows;
        columns = rowHeight == 0 ? 0 : input.Width / rowHeight;
    }
    layout.Columns = columns;
    if (columns <= 0) return layout;
    auto cells = [&](int width) {
        layout.CellWidth = (width - input.Frame - 1) / columns;
        layout.CellHeight = static_cast<int>(Rnd(layout.CellWidth * input.CellHeightRatio));
    };
    cells(input.Width);
    // The client height decides, as it decides whether the scroll bar shows.
    if (input.Height - input.Frame < layout.CellHeight * layout.NumRows) {
        layout.ScrollBar = true;
        cells(input.Width - input.ScrollBarWidth);
    }
    if (layout.NumRows <= 0) return layout;
    const int clientWidth = input.Width - input.Frame - (layout.ScrollBar ? input.ScrollBarWidth : 0);
    layout.Rects.reserve(input.Visible.size());
    int place = 0;
    for (bool visible : input.Visible) {
        layout.Rects.push_back(GalleryCellRect(place, columns, layout.CellWidth, layout.CellHeight, clientWidth,
                                               input.Height));
        if (visible) ++place;
    }
    return layout;
}

int GalleryFrameWidth(bool singleBorder, int borderWidth, TPanelBevel bevelInner, TPanelBevel bevelOuter,
                      int bevelWidth)
{
    int frame = singleBorder ? borderWidth : 0;
    if (bevelInner != bvNone) frame += bevelWidth;
    if (bevelOuter != bvNone) frame += bevelWidth;
    return frame;
}

TRect GalleryTriangleRect(int width, int height, bool borderVisible, int borderWidth, bool smooth, int shadowSize)
{
    int a = borderVisible ? borderWidth : 0;
    if (smooth) a /= 2;
    TRect r;
    r.Left = a + 4;
    r.Right = width / 12 + a + 5;
    a += width / 12;
    if (shadowSize > 0) a += shadowSize;
    r.Bottom = height - 4;
    r.Top = height - a - 2;
    return r;
}

int GalleryTitleSize(int width, int extra) { return extra + static_cast<int>(Rnd(width * 0.108)); }

float FitGalleryTitleSize(int width, float size, const std::function<int(float)>& measure)
{
    if (width <= 0) return size;
    const long long limit = Rnd(width * 0.5);
    while (size - 1 >= 1 && measure(size) > limit) size -= 1;
    return size;
}

// ---------------------------------------------------------------- chart list

TChartList::~TChartList()
{
    if (!items_.empty()) Clear();
}

TGalleryChart* TChartList::GetChart(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)];
}

int TChartList::Add(TGalleryChart* chart)
{
    items_.push_back(chart);
    return Count() - 1;
}

int TChartList::IndexOf(const TGalleryChart* chart) const
{
    const auto found = std::find(items_.begin(), items_.end(), chart);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TChartList::Remove(const TGalleryChart* chart) { std::erase(items_, chart); }

void TChartList::Clear()
{
    const bool saved = panel_ ? panel_->clearing_ : false;
    if (panel_) panel_->clearing_ = true;
    const TScopeGuard restore([&] {
        if (panel_) panel_->clearing_ = saved;
    });
    // Each chart going takes itself out of the list; the copy is what is freed.
    const std::vector<TGalleryChart*> going = std::move(items_);
    items_.clear();
    for (TGalleryChart* chart : going) FreeComponent(chart);
}

// ---------------------------------------------------------------- gallery chart

TGalleryChart::TGalleryChart(TComponent* owner) : TCustomChart(owner)
{
    panel_ = TChartGalleryPanel::PanelOfOwner(owner);
    AutoRepaint = false;
    Legend()->SetVisible(false);
    for (TChartAxis* axis : {LeftAxis(), BottomAxis()}) {
        axis->Labels().SetStyle(talValue);
        axis->Grid()->SetColor(0xDDDDDD);
        axis->Labels().Font()->SetSize(7);
        axis->Labels().Font()->SetColor(kGalleryGray);
    }
    Title()->Font()->SetColor(kGalleryNavy);
    Zoom().Animated = true;
    TView3DOptions& view = View3DOptions();
    view.SetOrthogonal(false);
    view.SetZoom(90);
    view.SetPerspective(55);
    if (panel_ && panel_->FocusRotation()) {
        view.SetRotation(kNormalRotation);
        view.SetElevation(350);
    }
    SetChart3DPercent(100);
    SetClipPoints(false);
    Frame()->SetVisible(false);
    SetBevelWidth(2);
    SetBevelOuter(bvNone);
    for (TChartWall* wall : std::initializer_list<TChartWall*>{LeftWall(), BottomWall()}) {
        wall->SetColor(GalleryColor);
        wall->SetSize(4);
        wall->Pen().SetColor(kGalleryGray);
        TDuvGradient* gradient = wall->GetGradient();
        gradient->SetVisible(true);
        gradient->SetStartColor(kGalleryGray);
        gradient->SetEndColor(kGallerySilver);
    }
    OnAfterDraw = TNotifyEvent(this, &TGalleryChart::AfterDraw);
    SetAllowPanning(pmNone);
    SetColor(GalleryColor);
    AutoRepaint = true;
}

TGalleryChart::~TGalleryChart()
{
    // The host shows this chart and must go while the chart is whole.
    if (host_) delete host_.data();
}

void TGalleryChart::SetSmooth(bool value) { ChangeFlagAndRepaint(smooth_, value); }

void TGalleryChart::SetParentWidget(QWidget* parent)
{
    if (!host_)
        host_ = new TGalleryChartHost(*this, parent);
    else
        host_->setParent(parent);
    host_->setGeometry(Left(), Top(), Width(), Height());
    host_->setAccessibleName(QString::fromStdString(Caption()));
    host_->show();
}

bool TGalleryChart::IsShown() const { return !host_ || !host_->isHidden(); }

std::string TGalleryChart::Caption()
{
    std::string caption;
    const TStringList& lines = Title()->Lines();
    for (int i = 0; i < lines.Count(); ++i) caption += (caption.empty() ? "" : " ") + lines[i];
    return caption.empty() ? Name() : caption;
}

void TGalleryChart::SetBounds(int left, int top, int width, int height)
{
    TCustomChart::SetBounds(left, top, width, height);
    if (host_ && host_->geometry() != QRect(Left(), Top(), Width(), Height()))
        host_->setGeometry(Left(), Top(), Width(), Height());
}

TRect TGalleryChart::TriangleRect() const
{
    return GalleryTriangleRect(Width(), Height(), Border().Visible(), Border().Width(), smooth_, Shadow().GetSize());
}

void TGalleryChart::ResetMargins()
{
    const int margin = View3D() ? 4 : 5;
    SetMarginLeft(margin);
    SetMarginTop(margin);
    SetMarginRight(margin);
    SetMarginBottom(margin);
}

void TGalleryChart::FitTitleFont(int extra)
{
    TDuvFont& font = *Title()->Font();
    // Tiny charts would round to a 0-point font, which is no size at all here.
    const float size = static_cast<float>(std::max(1, GalleryTitleSize(Width(), extra)));
    if (font.GetSizeFloat() != size) font.SetSizeFloat(size);
    const std::string line = Title()->ReadFirstLine();
    const float fitted = FitGalleryTitleSize(Width(), size, [&](float s) {
        Canvas().AssignFontSize(font, s);
        return Canvas().TextWidth(line);
    });
    if (fitted != size) font.SetSizeFloat(fitted);
}

void TGalleryChart::AfterDraw(TObject*)
{
    if (smooth_ && !rendering_) DrawSmooth();
    const TDuvGradient* gradient = PeekGradient();
    if (!rendering_ && gradient && gradient->Visible() && panel_ && panel_->DisplaySub()) DrawTriangle();
    if (Disabled) GrayOut();
}

void TGalleryChart::DrawSmooth()
{
    const int w = Width(), h = Height();
    if (w < 2 || h < 2) return;
    rendering_ = true;
    const bool repaint = AutoRepaint;
    // The settings changed here belong to this one drawing and must not ask for another.
    AutoRepaint = false;
    TChartTitle& title = *Title();
    const bool titleVisible = title.Visible();
    const bool titleCustom = title.CustomPosition();
    const TRect titleBounds = title.Bounds;
    const TRect outer = PanelBounds;
    const TRect chartRect = ChartRect;
    const TScopeGuard restore([&] {
        PanelBounds = outer;
        ChartRect = chartRect;
        rendering_ = false;
        AutoRepaint = repaint;
    });
    LeftAxis()->Labels().SetVisible(true);
    BottomAxis()->Labels().SetVisible(true);
    title.SetVisible(false);
    SetMarginTop(30);
    QPainter* device = Canvas().ReferenceCanvas();
    const std::unique_ptr<QImage> large = RenderBitmap(Color(), {0, 0, 2 * w, 2 * h}, 0);
    Canvas().InitWindow(device, &View3DOptions(), PanelColorToRGB(Color()), View3D(), outer);
    QImage small(w, h, QImage::Format_RGB32);
    ResampleBitmapQuality(*large, small, true);
    if (QPainter* painter = Canvas().ReferenceCanvas()) PaintOver(painter, {outer.Left, outer.Top, 0, 0}, small);
    title.SetVisible(titleVisible);
    if (titleVisible) {
        if (typeid(Canvas()) != typeid(TDuvCanvas3D))
            Canvas().InitWindow(device, &View3DOptions(), PanelColorToRGB(Color()), View3D(), outer);
        title.SetCustomPosition(true);
        title.MoveBoundsTo(titleBounds.Left, titleBounds.Top);
        title.PaintTitle();
        title.SetCustomPosition(titleCustom);
        title.Bounds = titleBounds;
    }
    ResetMargins();
}

void TGalleryChart::DrawTriangle()
{
    const TRect r = TriangleRect();
    TCanvas3D& canvas = Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clBlack);
    if (TDuvGradient* gradient = canvas.Brush().PeekGradient()) gradient->SetVisible(false);
    canvas.ApplyBrush(canvas.Brush());
    canvas.Pen().SetStyle(psClear);
    canvas.ApplyPen();
    canvas.Polygon({{r.Left, r.Top}, {r.Right, r.Top}, {(r.Left + r.Right) / 2, r.Bottom}});
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetStyle(psSolid);
    canvas.ApplyPen();
}

void TGalleryChart::GrayOut()
{
    QImage* image = Canvas().DrawingImage();
    if (!image) return;
    TGrayScaleFilter filter;
    QPainter* device = Canvas().ReferenceCanvas();
    if (!device || device->device() != image) {
        filter.Apply(*image);
        return;
    }
    // The painter stays on the image: the grey copy is drawn over it.
    QImage gray = image->copy();
    filter.Apply(gray);
    PaintOver(device, {0, 0, 0, 0}, gray);
}

// ---------------------------------------------------------------- the panel

TChartGalleryPanel::TChartGalleryPanel(QWidget* parent)
    : QScrollArea(parent), owner_(new TGalleryPanelOwner(this)), charts_(this)
{
    setObjectName("ChartGalleryPanel");
    setAccessibleName("Gallery");
    content_ = new QWidget;
    content_->setObjectName("GalleryCharts");
    content_->setAccessibleName("Gallery charts");
    setWidget(content_);
    setWidgetResizable(false);
    for (QWidget* area : {viewport(), content_}) {
        QPalette palette = area->palette();
        palette.setColor(QPalette::Window, ToQColor(GalleryColor));
        area->setPalette(palette);
        area->setAutoFillBackground(true);
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    SetBorderStyle(bsSingle);
    smooth_ = rememberedSmooth_ = ReadEditorBool("SmoothGallery", false);
    ChooseCanvasClass();
}

TChartGalleryPanel::~TChartGalleryPanel()
{
    if (smooth_ != rememberedSmooth_) WriteEditorBool("SmoothGallery", smooth_);
    ClearCharts();
    // Charts the panel owns but no longer lists go before the widgets that show them.
    owner_.reset();
}

TChartGalleryPanel* TChartGalleryPanel::PanelOfOwner(const TComponent* owner)
{
    const auto* panelOwner = dynamic_cast<const TGalleryPanelOwner*>(owner);
    return panelOwner ? panelOwner->Panel : nullptr;
}

void TChartGalleryPanel::ChooseCanvasClass()
{
    auto listed = [](const std::string& name) -> const TCanvasClass* {
        if (CanvasClassList)
            for (const TCanvasClass& c : *CanvasClassList)
                if (c.ClassName == name) return &c;
        return nullptr;
    };
    auto take = [this](const TCanvasClass* c) {
        canvasClass_ = std::make_unique<TCanvasClass>(*c);
        const std::unique_ptr<TCanvas3D> probe = c->Create();
        canvasSupported_ = probe->IsSupported();
        canvasType_ = typeid(*probe);
    };
    const int render = ReadEditorInteger("GalleryRender", 1);
    if (render != 0)
        if (const TCanvasClass* smooth = listed("TGDIPlusCanvas")) take(smooth);
    if (render == 0 || !canvasSupported_)
        if (const TCanvasClass* gdi = listed("TDuvCanvas3D")) take(gdi);
}

void TChartGalleryPanel::SetBorderStyle(int value)
{
    borderStyle_ = value;
    setFrameStyle(value == bsSingle ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
}

int TChartGalleryPanel::Frame() const
{
    // The single border takes a frame width on each side.
    return GalleryFrameWidth(borderStyle_ == bsSingle, 2 * frameWidth(), bvNone, bvNone, 0);
}

void TChartGalleryPanel::SetNumRows(int value)
{
    numRows_ = value;
    ArrangeCharts();
}

void TChartGalleryPanel::SetNumCols(int value)
{
    numCols_ = value;
    ArrangeCharts();
}

void TChartGalleryPanel::SetCellHeightRatio(double value)
{
    cellHeightRatio_ = value;
    ArrangeCharts();
}

void TChartGalleryPanel::SetSmooth(bool value)
{
    if (smooth_ == value) return;
    smooth_ = value;
    for (TGalleryChart* chart : charts_) chart->SetSmooth(value);
}

void TChartGalleryPanel::SetView3D(bool value)
{
    if (view3D_ == value) return;
    view3D_ = value;
    // The margins follow the new view, so it comes first.
    for (TGalleryChart* chart : charts_) {
        if (TChartSeries* first = FirstSeriesOf(chart))
            first->SetGalleryView3D(value);
        else
            chart->SetView3D(value);
        chart->ResetMargins();
    }
}

void TChartGalleryPanel::ChartGoing(TComponent* component)
{
    if (component == SelectedChart) SelectedChart = nullptr;
    if (auto* chart = dynamic_cast<TGalleryChart*>(component)) charts_.Remove(chart);
}

// ---------------------------------------------------------------- building charts

TGalleryChart* TChartGalleryPanel::CreateChart(const TDuvSeriesType& entry)
{
    const bool wasBusy = busy_;
    busy_ = true;
    const TScopeGuard idle([&] { busy_ = wasBusy; });
    const TClassInfo& seriesClass = entry.SeriesClass ? *entry.SeriesClass : TLineSeries::StaticClass();
    auto* chart = new TGalleryChart(owner_.get());
    chart->SetTag(entry.SubIndex);
    chart->Zoom().Allow = false;
    chart->AutoRepaint = false;
    charts_.Add(chart);
    TChartTitle& title = *chart->Title();
    title.Lines().Clear();
    if (entry.Description) {
        const std::string& text = *entry.Description;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find(kLineSeparator, start)) != std::string::npos; start = end + 1)
            title.Lines().Add(text.substr(start, end - start));
        title.Lines().Add(text.substr(start));
    }
    title.LinesChanged();
    chart->SetName(NextFreeComponentName(owner_.get(), "DuvGalleryChart"));
    chart->SetParentWidget(content_);
    PositionChart(chart);
    for (int i = 0; i < std::max(1, entry.NumGallerySeries); ++i) {
        TChartSeries* series = CreateChartSeries(nullptr, chart, seriesClass, entry.FunctionClass);
        if (entry.SubIndex != 0) series->ApplySubGalleryStyle(entry.SubIndex);
    }
    TChartSeries* first = FirstSeriesOf(chart);
    chart->Disabled = CheckCompatibility && CurrentSeries && first && !first->AcceptsSourceSeries(CurrentSeries);
    if (first) first->SetGalleryView3D(view3D_);
    chart->ResetMargins();
    if (entry.FunctionClass) {
        std::unique_ptr<TPersistent> made(entry.FunctionClass->Create(nullptr));
        if (auto* function = dynamic_cast<TDuvFunction*>(made.get())) function->SetUpInGallery(chart);
    } else {
        for (int i = 0; i < chart->CountSeries(); ++i)
            if (auto* series = dynamic_cast<TChartSeries*>(chart->GetSeries(i))) series->SetGalleryLook();
    }
    chart->SetSmooth(smooth_);
    chart->FocusOnSelect = FocusOnSelect;
    PrepareChart(chart, chart->Disabled);
    chart->AutoRepaint = true;
    chart->Invalidate();
    return chart;
}

TGalleryChart* TChartGalleryPanel::AddSubChart(const std::string& description)
{
    if (!SubGalleryEntry) throw Exception("The sub-gallery has no entry to build charts from");
    TChartGalleryPanel& target = SubGalleryTarget ? *SubGalleryTarget : *this;
    subDescription_ = description;
    const std::string* saved = SubGalleryEntry->Description;
    SubGalleryEntry->Description = &subDescription_;
    const TScopeGuard restore([&] { SubGalleryEntry->Description = saved; });
    const int index = target.Charts().Count();
    TGalleryChart* chart = target.CreateChart(*SubGalleryEntry);
    if (TChartSeries* first = FirstSeriesOf(chart)) first->ApplySubGalleryStyle(index);
    chart->SetTag(index);
    return chart;
}

void TChartGalleryPanel::PrepareChart(TGalleryChart* chart, bool disabled)
{
    chart->SetPanel(this);
    if (chart->Owner() != owner_.get()) owner_->FreeNotification(chart);
    chart->SetView3D(view3D_);
    chart->OnKeyDown = TEvent<void(TObject*, int&, TShiftState)>(this, &TChartGalleryPanel::ChartKeyDown);
    chart->Disabled = disabled;
    if (disabled) {
        chart->SetCursor(crNoDrop);
        chart->OnClick = nullptr;
        chart->OnDblClick = nullptr;
        chart->OnMouseUp = nullptr;
    } else {
        chart->SetCursor(crHandPoint);
        chart->OnDblClick = TNotifyEvent(this, &TChartGalleryPanel::ChartDblClick);
        chart->OnMouseUp =
            TEvent<void(TObject*, TMouseButton, TShiftState, int, int)>(this, &TChartGalleryPanel::ChartMouseUp);
    }
    chart->SavedCursor = chart->Cursor();
    if (canvasClass_ && canvasSupported_ && std::type_index(typeid(chart->Canvas())) != canvasType_)
        chart->ReplaceCanvas(canvasClass_->Create(), canvasClass_->ClassName);
}

void TChartGalleryPanel::ClearCharts()
{
    const bool saved = clearing_;
    clearing_ = true;
    const TScopeGuard restore([&] { clearing_ = saved; });
    SelectedChart = nullptr;
    charts_.Clear();
}

void TChartGalleryPanel::ShowPage(const std::string& page)
{
    ClearCharts();
    if (GalleryTypeList) {
        const bool wasBusy = busy_;
        busy_ = true;
        const TScopeGuard idle([&] { busy_ = wasBusy; });
        for (int i = 0; i < GalleryTypeList->Count(); ++i) {
            const TDuvSeriesType& entry = *GalleryTypeList->TypeAt(i);
            if (!entry.GalleryPage || *entry.GalleryPage != page) continue;
            if ((entry.FunctionClass != nullptr) != FunctionsMode) continue;
            CreateChart(entry);
        }
    }
    ArrangeCharts();
    SelectCurrentSeriesChart();
    RefreshSelection();
}

// ---------------------------------------------------------------- layout

void TChartGalleryPanel::ArrangeCharts()
{
    if (busy_ || clearing_ || arranging_ || charts_.Count() == 0) return;
    arranging_ = true;
    const TScopeGuard done([this] { arranging_ = false; });
    TGalleryLayoutInput input;
    for (const TGalleryChart* chart : charts_) input.Visible.push_back(chart->IsShown());
    input.NumCols = numCols_;
    input.NumRows = numRows_;
    input.CellHeightRatio = cellHeightRatio_;
    input.Width = width();
    input.Height = height();
    input.Frame = Frame();
    input.ScrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const TGalleryLayout layout = ArrangeGalleryCells(input);
    numRows_ = layout.NumRows;
    numCols_ = layout.NumCols;
    columns_ = layout.Columns;
    cellWidth_ = layout.CellWidth;
    cellHeight_ = layout.CellHeight;
    if (layout.Rects.empty()) return;
    int contentWidth = 0, contentHeight = 0;
    // Copied: positioning may free nothing, but a title fit may run the chart's handlers.
    const std::vector<TGalleryChart*> charts(charts_.begin(), charts_.end());
    for (std::size_t i = 0; i < charts.size(); ++i) {
        TGalleryChart* chart = charts[i];
        if (chart->HasState(csDestroying)) continue;
        const TRect& r = layout.Rects[i];
        chart->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
        const TDuvGradient* gradient = chart->PeekGradient();
        chart->FitTitleFont(gradient && gradient->Visible() ? 2 : 0);
        if (chart->Host()) chart->Host()->setAccessibleName(QString::fromStdString(chart->Caption()));
        if (!chart->IsShown()) continue;
        contentWidth = std::max(contentWidth, r.Left + cellWidth_);
        contentHeight = std::max(contentHeight, r.Top + cellHeight_);
    }
    content_->resize(contentWidth, contentHeight);
}

void TChartGalleryPanel::PositionChart(TGalleryChart* chart)
{
    if (chart->HasState(csDestroying) || columns_ <= 0 || numRows_ <= 0) return;
    const int clientWidth = viewport()->width();
    const TRect r = GalleryCellRect(PlaceOf(chart), columns_, cellWidth_, cellHeight_, clientWidth, height());
    chart->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    chart->FitTitleFont(0);
}

int TChartGalleryPanel::PlaceOf(const TGalleryChart* chart) const
{
    int place = 0;
    for (const TGalleryChart* each : charts_) {
        if (each == chart) return place;
        if (each->IsShown()) ++place;
    }
    return -1;
}

TGalleryChart* TChartGalleryPanel::ChartAtPlace(int place) const
{
    int n = 0;
    for (TGalleryChart* chart : charts_) {
        if (!chart->IsShown()) continue;
        if (n == place) return chart;
        ++n;
    }
    return nullptr;
}

void TChartGalleryPanel::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    if (!busy_) ArrangeCharts();
}

// ---------------------------------------------------------------- selection

void TChartGalleryPanel::SelectCurrentSeriesChart()
{
    SelectedChart = nullptr;
    if (!CurrentSeries) return;
    for (TGalleryChart* chart : charts_) {
        const TChartSeries* first = FirstSeriesOf(chart);
        if (first && &first->ClassType() == &CurrentSeries->ClassType() && !first->Function()) {
            SelectedChart = chart;
            return;
        }
    }
}

void TChartGalleryPanel::RefreshSelection()
{
    if (!SelectedChart)
        for (TGalleryChart* chart : charts_)
            if (!chart->Disabled) {
                SelectedChart = chart;
                break;
            }
    for (TGalleryChart* chart : charts_)
        if (chart != SelectedChart) ApplyNormalLook(chart);
    if (!SelectedChart) return;
    ApplySelectedLook(SelectedChart);
    if (OnChangeChart) OnChangeChart(this);
}

void TChartGalleryPanel::SelectChart(TGalleryChart* chart)
{
    if (chart && chart->Window()) {
        const TPoint pointer = chart->Window()->MousePos();
        SelectAt(chart, &pointer);
    } else {
        SelectAt(chart, nullptr);
    }
}

void TChartGalleryPanel::SelectAt(TGalleryChart* chart, const TPoint* pointer)
{
    if (chart && chart->Disabled) return;
    if (chart != SelectedChart) {
        SelectedChart = chart;
        RefreshSelection();
    }
    if (chart && pointer && displaySub_ && SelectedChart && InsideRect(SelectedChart->TriangleRect(), *pointer))
        if (OnShowSubGallery) OnShowSubGallery(this);
}

bool TChartGalleryPanel::GetSelection(const TClassInfo*& seriesClass, const TClassInfo*& functionClass, int& index)
{
    if (!SelectedChart) return false;
    const TChartSeries* first = FirstSeriesOf(SelectedChart);
    seriesClass = first ? &first->ClassType() : nullptr;
    ExampleSeriesClass = seriesClass;
    functionClass = nullptr;
    index = static_cast<int>(SelectedChart->Tag());
    return true;
}

void TChartGalleryPanel::ApplySelectedLook(TGalleryChart* chart)
{
    const bool repaint = chart->AutoRepaint;
    chart->AutoRepaint = false;
    TDuvGradient& gradient = *chart->GetGradient();
    gradient.SetVisible(true);
    gradient.SetDirection(gdFromTopLeft);
    gradient.SetStartColor(kGallerySilver);
    gradient.SetEndColor(GalleryColor);
    if (focusRotation_) {
        chart->View3DOptions().SetRotation(kSelectedRotation);
        if (TChartSeries* first = FirstSeriesOf(chart)) first->SetGalleryView3D(view3D_);
    }
    TDuvFont& font = *chart->Title()->Font();
    font.SetStyle(TFontStyles{fsBold});
    font.SetColor(clBlack);
    chart->FitTitleFont(2);
    TDuvShadow& shadow = *font.GetShadow();
    shadow.SetVisible(true);
    shadow.SetSize(1);
    shadow.SetColor(kGalleryGray);
    shadow.SetSmoothBlur(2);
    chart->SetBevelOuter(bvRaised);
    if (IPanelWindow* window = chart->Window(); chart->FocusOnSelect && window && window->CanFocus()) window->TakeFocus();
    chart->AutoRepaint = repaint;
    chart->Invalidate();
}

void TChartGalleryPanel::ApplyNormalLook(TGalleryChart* chart)
{
    TDuvGradient* gradient = chart->PeekGradient();
    if (!gradient || !gradient->Visible()) return;
    gradient->SetVisible(false);
    chart->SetBevelOuter(bvNone);
    TDuvFont& font = *chart->Title()->Font();
    font.SetStyle(TFontStyles{});
    font.SetColor(kGalleryNavy);
    chart->FitTitleFont(0);
    font.GetShadow()->SetVisible(false);
    if (focusRotation_) {
        chart->View3DOptions().SetRotation(kNormalRotation);
        if (TChartSeries* first = FirstSeriesOf(chart)) first->SetGalleryView3D(view3D_);
    }
}

// ---------------------------------------------------------------- keys, mouse, wheel

void TChartGalleryPanel::KeyDown(int& key, TShiftState shift)
{
    if (key == VK_RETURN) {
        if (SelectedChart && OnSelectedChart) OnSelectedChart(this);
        return;
    }
    if (key == VK_DOWN && shift.Contains(ssAlt)) {
        if (displaySub_ && OnShowSubGallery) OnShowSubGallery(this);
        return;
    }
    if (key != VK_LEFT && key != VK_UP && key != VK_RIGHT && key != VK_DOWN) return;
    if (!SelectedChart || columns_ <= 0) return;
    const int place = PlaceOf(SelectedChart);
    if (place < 0) return;
    int column = GalleryColumnOf(place, columns_), row = GalleryRowOf(place, columns_);
    if (key == VK_LEFT && column > 0) --column;
    else if (key == VK_UP && row > 0) --row;
    else if (key == VK_RIGHT && column + 1 < columns_) ++column;
    else if (key == VK_DOWN && row + 1 < numRows_) ++row;
    TGalleryChart* target = ChartAtPlace(row * columns_ + column);
    if (!target || target == SelectedChart || target->Disabled || target->Cursor() != crHandPoint) return;
    SelectAt(target, nullptr);
    if (target->Host()) ensureWidgetVisible(target->Host(), 0, 0);
}

void TChartGalleryPanel::ChartKeyDown(TObject*, int& key, TShiftState shift) { KeyDown(key, shift); }

void TChartGalleryPanel::ChartDblClick(TObject* sender)
{
    auto* chart = dynamic_cast<TGalleryChart*>(sender);
    if (!chart) return;
    SelectAt(chart, nullptr);
    if (OnSelectedChart) OnSelectedChart(this);
}

void TChartGalleryPanel::ChartMouseUp(TObject* sender, TMouseButton, TShiftState, int x, int y)
{
    auto* chart = dynamic_cast<TGalleryChart*>(sender);
    if (!chart) return;
    const TPoint pointer{x, y};
    SelectAt(chart, &pointer);
}

void TChartGalleryPanel::keyPressEvent(QKeyEvent* event)
{
    int key = KeyCodeOf(event->key());
    const int pressed = key;
    if (key != 0) KeyDown(key, ShiftStateOf(event->modifiers(), {}));
    if (pressed == VK_LEFT || pressed == VK_UP || pressed == VK_RIGHT || pressed == VK_DOWN || pressed == VK_RETURN)
        event->accept();
    else
        QScrollArea::keyPressEvent(event);
}

void TChartGalleryPanel::ScrollByWheel(int delta)
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() - delta / 5);
}

void TChartGalleryPanel::wheelEvent(QWheelEvent* event)
{
    ScrollByWheel(event->angleDelta().y());
    event->accept();
}

void DuvGalleryPanelInitialization() { RegisterSeriesUnitTypes(); }
