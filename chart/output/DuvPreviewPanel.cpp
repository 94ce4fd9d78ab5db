#include "chart/output/DuvPreviewPanel.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/output/DBChart.h"
#include "chart/engine/DuvProcs.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Printers.h"

namespace {

int Rounded(double value) { return static_cast<int>(Rnd(value)); }

bool Near(int a, int b) { return std::abs(a - b) <= TDuvPreviewPanel::kNearEdge; }

// The class library's PtInRect: right and bottom edges outside.
bool InRect(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

void ScreenSize(int& width, int& height)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize(1024, 768);
    width = size.width();
    height = size.height();
}

}  // namespace

// ---------------------------------------------------------------- TPreviewChartPen

TPreviewChartPen::TPreviewChartPen(TChangeHandler changed) : TDuvPen(std::move(changed))
{
    SetStyle(psDot);
    SetSmallDots(true);
    InitEndStyle(esFlat);
}

void TPreviewChartPen::DeclareProperties(TPropertyDeclarer<TPreviewChartPen>& p)
{
    p.Enum("Style", &TPen::Style, &TPen::SetStyle).Default(psDot);
    p.Boolean("SmallDots", &TDuvPen::SmallDots, &TDuvPen::SetSmallDots).Default(true);
}

// ---------------------------------------------------------------- TDuvPreviewPanel

TDuvPreviewPanel::TDuvPreviewPanel(TComponent* owner)
    : TCustomDuvPanelExtended(owner),
      margins_(std::make_unique<TPreviewChartPen>([this](TObject*) { Invalidate(); })),
      paperShadow_(std::make_unique<TDuvShadow>([this](TObject*) { Invalidate(); }))
{
    paperShadow_->SetDefaultValues(true, clGray, 4);
    SetBounds(Left(), Top(), 432, 312);
}

TDuvPreviewPanel::~TDuvPreviewPanel()
{
    SetStateFlags(csDestroying, true);
    for (TCustomDuvPanel* panel : panels_) panel->RemoveFreeNotification(this);
}

void TDuvPreviewPanel::DeclareProperties(TPropertyDeclarer<TDuvPreviewPanel>& p)
{
    using P = TDuvPreviewPanel;
    p.Boolean("AllowMove", &P::AllowMove).Default(true);
    p.Boolean("AllowResize", &P::AllowResize).Default(true);
    p.Boolean("AsBitmap", &P::AsBitmap, &P::SetAsBitmap).Default(false);
    p.Boolean("DragImage", &P::DragImage).Default(false);
    p.Object("Margins", &P::Margins, &P::SetMargins);
    p.Enum("Orientation", &P::Orientation, &P::SetOrientation).Default(ppoDefault);
    p.Component("Panel", &P::Panel, &P::SetPanel);
    p.Color("PaperColor", &P::PaperColor, &P::SetPaperColor).Default(clWhite);
    p.Object("PaperShadow", &P::PaperShadow, &P::SetPaperShadow);
    p.Boolean("ShowImage", &P::ShowImage, &P::SetShowImage).Default(true);
    p.Boolean("SmoothBitmap", &P::SmoothBitmap, &P::SetSmoothBitmap).Default(true);
    p.String("Title", &P::Title);
    p.Event("OnChangeMargins", &P::OnChangeMargins);
    p.Event("OnGetPaperRect", &P::OnGetPaperRect);
}

void TDuvPreviewPanel::SetMargins(const TPreviewChartPen* value) { margins_->Assign(value); }

void TDuvPreviewPanel::SetPaperShadow(const TDuvShadow* value) { paperShadow_->Assign(value); }

void TDuvPreviewPanel::SetOrientation(TDuvPreviewPanelOrientation value)
{
    if (orientation_ == value) return;
    orientation_ = value;
    Invalidate();
}

void TDuvPreviewPanel::SetPanel(TCustomDuvPanel* panel)
{
    if (panel == Panel() || panel == this) return;
    if (TCustomDuvPanel* old = Panel()) {
        old->RemoveFreeNotification(this);
        panels_.erase(panels_.begin());
    }
    if (panel) {
        panels_.insert(panels_.begin(), panel);
        panel->FreeNotification(this);
        // A canvas that turns the chart itself has no metafile to give.
        if (panel->Canvas().SupportsFullRotation()) asBitmap_ = true;
    }
    Invalidate();
}

void TDuvPreviewPanel::Notification(TComponent* component, TOperation operation)
{
    TCustomDuvPanelExtended::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    const auto gone = std::find(panels_.begin(), panels_.end(), component);
    if (gone == panels_.end()) return;
    panels_.erase(gone);
    if (!HasState(csDestroying)) Invalidate();
}

void TDuvPreviewPanel::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TDuvPreviewPanel*>(source);
    if (other) {
        AllowMove = other->AllowMove;
        AllowResize = other->AllowResize;
        asBitmap_ = other->asBitmap_;
        DragImage = other->DragImage;
        margins_->Assign(other->margins_.get());
        orientation_ = other->orientation_;
        paperColor_ = other->paperColor_;
        paperShadow_->Assign(other->paperShadow_.get());
        showImage_ = other->showImage_;
        smoothBitmap_ = other->smoothBitmap_;
        Title = other->Title;
    }
    TCustomDuvPanelExtended::Assign(source);
}

// ---------------------------------------------------------------- geometry

void TDuvPreviewPanel::ApplyOrientation()
{
    if (orientation_ == ppoDefault) return;
    TPrinter& printer = Printer();
    if (!printer.Installed()) return;
    printer.SetOrientation(orientation_ == ppoLandscape ? TPrinterOrientation::poLandscape
                                                       : TPrinterOrientation::poPortrait);
}

TRect TDuvPreviewPanel::CalcPaperRect()
{
    int pageWidth = 0, pageHeight = 0;
    bool fromPrinter = false;
    try {
        TPrinter& printer = Printer();
        if (printer.Installed()) {
            ApplyOrientation();
            pageWidth = printer.PageWidth();
            pageHeight = printer.PageHeight();
            fromPrinter = true;
        }
    } catch (const EPrinter&) {
        fromPrinter = false;
    }
    if (!fromPrinter) ScreenSize(pageWidth, pageHeight);

    const TRect client = GetPanelRect();
    const int w = client.Width(), h = client.Height();
    TRect paper;
    if (static_cast<long long>(h) * pageWidth < static_cast<long long>(w) * pageHeight) {
        paper.Top = Rounded(h / 10.0);
        const int paperHeight = h - Rounded(h / 5.0);
        const int paperWidth =
            pageHeight < 1 ? w : static_cast<int>(static_cast<long long>(paperHeight) * pageWidth / pageHeight);
        paper.Left = (w - paperWidth) / 2;
        paper.Right = paper.Left + paperWidth;
        paper.Bottom = paper.Top + paperHeight;
    } else {
        paper.Left = Rounded(w / 10.0);
        const int paperWidth = w - Rounded(w / 5.0);
        const int paperHeight =
            pageWidth < 1 ? h : static_cast<int>(static_cast<long long>(paperWidth) * pageHeight / pageWidth);
        paper.Top = (h - paperHeight) / 2;
        paper.Right = paper.Left + paperWidth;
        paper.Bottom = paper.Top + paperHeight;
    }
    if (OnGetPaperRect) OnGetPaperRect(this, paper);
    return paper;
}

TRect TDuvPreviewPanel::PanelRect(TCustomDuvPanel* panel, const TRect& paper)
{
    TRect margins{15, 15, 15, 15};
    if (panel) {
        if (panel->PrintProportional() && Printer().Installed()) panel->ProportionalPrintMargins();
        margins = panel->PrintMargins;
    }
    const long long pw = paper.Width(), ph = paper.Height();
    return {paper.Left + static_cast<int>(margins.Left * pw / 100), paper.Top + static_cast<int>(margins.Top * ph / 100),
            paper.Right - static_cast<int>(margins.Right * pw / 100),
            paper.Bottom - static_cast<int>(margins.Bottom * ph / 100)};
}

int TDuvPreviewPanel::DragPart(int x, int y) const
{
    const TRect& r = imageRect_;
    const bool left = Near(x, r.Left), right = Near(x, r.Right), top = Near(y, r.Top), bottom = Near(y, r.Bottom);
    int part = dpNone;
    if (left && top) part = dpLeftTop;
    else if (left && bottom) part = dpLeftBottom;
    else if (right && top) part = dpRightTop;
    else if (right && bottom) part = dpRightBottom;
    else if (left) part = dpLeft;
    else if (right) part = dpRight;
    else if (top) part = dpTop;
    else if (bottom) part = dpBottom;
    if (part != dpNone) return AllowResize ? part : dpNone;
    return AllowMove && InRect(r, x, y) ? dpMove : dpNone;
}

TCursor TDuvPreviewPanel::DragCursor(int part)
{
    static constexpr TCursor kCursors[] = {crDefault, crHSplit,    crVSplit,    crHSplit,    crVSplit,
                                           crDuvHand, crSizeNWSE, crSizeNESW, crSizeNESW, crSizeNWSE};
    return part >= 0 && part <= dpRightBottom ? kCursors[part] : crDefault;
}

void TDuvPreviewPanel::RenderingSize(const TCustomDuvPanel& panel, int& width, int& height)
{
    panel.ApplyPrintResolution(width, height);
    width = std::max(width, 1);
    height = std::max(height, 1);
}

QImage TDuvPreviewPanel::PanelBitmap(TCustomDuvPanel& panel) const
{
    int w = 0, h = 0;
    RenderingSize(panel, w, h);
    QImage bitmap(w, h, QImage::Format_RGB888);
    bitmap.fill(ToQColor(PanelColorToRGB(paperColor_)));
    QPainter painter(&bitmap);
    panel.DrawToCanvasUnbuffered(&painter, {0, 0, w, h});
    painter.end();
    return bitmap;
}

// ---------------------------------------------------------------- drawing

void TDuvPreviewPanel::DrawContents(const TRect& r)
{
    DrawPanelBackground(r);
    TCanvas3D& canvas = Canvas();
    canvas.ResetState();

    paperRect_ = CalcPaperRect();
    TRect shadowed = paperRect_;
    if (paperShadow_->IsActive()) paperShadow_->DrawRect(canvas, shadowed);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(1);
    canvas.AssignPenColor(canvas.Pen(), clBlack);
    canvas.Brush().SetStyle(bsSolid);
    canvas.AssignBrushColor(canvas.Brush(), paperColor_, clNone);
    canvas.RectangleRect(paperRect_);

    if (TCustomDuvPanel* first = Panel()) imageRect_ = PanelRect(first, paperRect_);
    else imageRect_ = PanelRect(nullptr, paperRect_);
    for (TCustomDuvPanel* panel : panels_) {
        const TRect image = PanelRect(panel, paperRect_);
        panel->IsPrinting = true;
        const TScopeGuard printed([panel] { panel->IsPrinting = false; });
        canvas.ClipToRect(panel->ClippingAllowed() ? image : paperRect_);
        const TScopeGuard unclip([&canvas] { canvas.Unclip(); });
        if (showImage_) DrawPanelImage(*panel, image);
    }
    DrawMarginLines();
    if (OnAfterDraw) OnAfterDraw(this);
}

void TDuvPreviewPanel::DrawPanelImage(TCustomDuvPanel& panel, const TRect& rect)
{
    if (rect.IsEmpty()) return;
    TCanvas3D& canvas = Canvas();
    if (asBitmap_) {
        const QImage bitmap = PanelBitmap(panel);
        if (smoothBitmap_ && (bitmap.width() != rect.Width() || bitmap.height() != rect.Height()))
            canvas.DrawGraphic(rect.Left, rect.Top,
                               bitmap.scaled(rect.Width(), rect.Height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        else
            canvas.StretchDraw(rect, bitmap);
        return;
    }
    // The in-memory metafile: the panel's drawing recorded at its rendering size, played back
    // scaled into the rectangle.
    int w = 0, h = 0;
    RenderingSize(panel, w, h);
    QPicture picture;
    QPainter recorder(&picture);
    panel.DrawWhileMetafiling(&recorder, {0, 0, w, h});
    recorder.end();
    QPainter* device = canvas.GetHandle();
    if (!device) {
        // A canvas without a painter (the recording one) takes the picture as a bitmap.
        QImage bitmap(w, h, QImage::Format_RGB32);
        bitmap.fill(ToQColor(PanelColorToRGB(paperColor_)));
        QPainter player(&bitmap);
        player.drawPicture(0, 0, picture);
        player.end();
        canvas.StretchDraw(rect, bitmap);
        return;
    }
    device->save();
    const TScopeGuard restore([device] { device->restore(); });
    device->translate(rect.Left, rect.Top);
    device->scale(static_cast<double>(rect.Width()) / w, static_cast<double>(rect.Height()) / h);
    device->drawPicture(0, 0, picture);
}

void TDuvPreviewPanel::DrawMarginLines()
{
    if (!margins_->Visible()) return;
    TCanvas3D& canvas = Canvas();
    ApplyInvertingPen(*margins_);
    canvas.Brush().SetStyle(bsClear);
    canvas.ApplyBrush(canvas.Brush());
    canvas.SetBackMode(TRANSPARENT);
    const TRect& p = paperRect_;
    const TRect& i = imageRect_;
    canvas.Line(i.Left - 1, p.Top + 1, i.Left - 1, p.Bottom);
    canvas.Line(i.Right, p.Top + 1, i.Right, p.Bottom);
    canvas.Line(p.Left + 1, i.Top - 1, p.Right, i.Top - 1);
    canvas.Line(p.Left + 1, i.Bottom, p.Right, i.Bottom);
    canvas.SetBackMode(OPAQUE);
    canvas.Pen().SetMode(pmCopy);
    canvas.ApplyPen();
}

// ---------------------------------------------------------------- dragging

void TDuvPreviewPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomDuvPanelExtended::MouseDown(button, shift, x, y);
    dragPart_ = DragPart(x, y);
    if (dragPart_ != dpMove) return;
    dragStart_ = {x, y};
    dragStartImage_ = imageRect_;
}

namespace {

// The edges each drag part moves (the whole image moves apart).
struct TDraggedEdges {
    bool Left, Top, Right, Bottom;
};
constexpr TDraggedEdges kDraggedEdges[] = {
    {false, false, false, false}, {true, false, false, false}, {false, true, false, false},
    {false, false, true, false},  {false, false, false, true}, {false, false, false, false},
    {true, true, false, false},   {false, true, true, false},  {true, false, false, true},
    {false, false, true, true},
};

}  // namespace

bool TDuvPreviewPanel::DraggedImageRect(int x, int y, TRect& image) const
{
    const TRect& p = paperRect_;
    image = imageRect_;
    if (dragPart_ == dpMove) {
        // The image keeps its size and stops at the paper's edges, on every side.
        const TRect& s = dragStartImage_;
        const int left = std::max(p.Left, std::min(x + s.Left - dragStart_.X, p.Right - s.Width()));
        const int top = std::max(p.Top, std::min(y + s.Top - dragStart_.Y, p.Bottom - s.Height()));
        image = {left, top, left + s.Width(), top + s.Height()};
        return true;
    }
    if (dragPart_ <= dpNone || dragPart_ > dpRightBottom) return false;
    // An edge stays on the paper and on its own side of the opposite edge.
    const TDraggedEdges& edges = kDraggedEdges[dragPart_];
    if ((edges.Left && !(p.Left <= x && x < image.Right)) || (edges.Top && !(p.Top <= y && y < image.Bottom)) ||
        (edges.Right && !(image.Left < x && x <= p.Right)) || (edges.Bottom && !(image.Top < y && y <= p.Bottom)))
        return false;
    if (edges.Left) image.Left = x;
    if (edges.Top) image.Top = y;
    if (edges.Right) image.Right = x;
    if (edges.Bottom) image.Bottom = y;
    return true;
}

void TDuvPreviewPanel::StoreMargins()
{
    TCustomDuvPanel* panel = Panel();
    const int pw = paperRect_.Width(), ph = paperRect_.Height();
    if (!panel || pw <= 0 || ph <= 0) return;
    const TRect margins{(imageRect_.Left - paperRect_.Left) * 100 / pw, (imageRect_.Top - paperRect_.Top) * 100 / ph,
                        (paperRect_.Right - imageRect_.Right) * 100 / pw,
                        (paperRect_.Bottom - imageRect_.Bottom) * 100 / ph};
    panel->SetPrintProportional(false);
    panel->PrintMargins = margins;
    if (OnChangeMargins) OnChangeMargins(this, true, margins);
}

void TDuvPreviewPanel::MouseMove(TShiftState shift, int x, int y)
{
    TCustomDuvPanelExtended::MouseMove(shift, x, y);
    // The paper's right and bottom edges count as on it: an edge may be dragged up to them.
    const TRect& p = paperRect_;
    if (x < p.Left || x > p.Right || y < p.Top || y > p.Bottom) return;
    if (dragPart_ == dpNone) {
        SetCursor(DragCursor(DragPart(x, y)));
        return;
    }
    // The inverted lines can be erased only while the canvas holds the picture on screen.
    const bool lines = !DragImage && margins_->Visible() && Canvas().GetHandle();
    if (lines) DrawMarginLines();
    TRect image;
    // A step that leaves the image where it was keeps the margins as they are: writing them
    // back from pixels would round them down.
    if (DraggedImageRect(x, y, image) && image != imageRect_) {
        imageRect_ = image;
        StoreMargins();
    }
    if (lines) DrawMarginLines();
    else Invalidate();
}

void TDuvPreviewPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomDuvPanelExtended::MouseUp(button, shift, x, y);
    const bool dragged = dragPart_ != dpNone;
    dragPart_ = dpNone;
    if (dragged && !DragImage) Invalidate();
}

// ---------------------------------------------------------------- printing

void TDuvPreviewPanel::Print()
{
    if (panels_.empty()) return;
    SetScreenCursor(crHourGlass);
    const TScopeGuard cursor([] { SetScreenCursor(crDefault); });
    TPrinter& printer = Printer();
    ApplyOrientation();
    printer.Title = !Title.empty() ? Title : Panel()->Name();
    printer.BeginDoc();
    bool done = false;
    const TScopeGuard abortJob([&printer, &done] {
        if (!done && printer.Printing()) printer.Abort();
    });
    for (TCustomDuvPanel* panel : panels_) {
        const TRect rect = panel->PrinterDrawRect();
        if (asBitmap_) {
            const QImage bitmap = PanelBitmap(*panel);
            if (QPainter* page = printer.Canvas())
                page->drawImage(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), bitmap);
        } else {
            panel->PrintInRect(rect);
        }
    }
    if (OnAfterDraw) OnAfterDraw(this);
    done = true;
    printer.EndDoc();
}

void DuvPreviewPanelInitialization()
{
    RegisterClassForStreaming(TPreviewChartPen::StaticClass());
    RegisterClassForStreaming(TDuvPreviewPanel::StaticClass());
}
