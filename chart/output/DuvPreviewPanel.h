#pragma once
// The print preview panel: a sheet of paper shaped like the printer's page with a chart panel's
// picture on it, placed by the panel's print margins. Dragging the picture or its edges changes
// those margins; Print sends the panels to the printer service.
//
// What always holds: the paper and image rectangles are those of the last paint (or of the last
// drag step); the image lies inside the paper; every drag step that moves the image writes the
// margins back to the previewed panel before OnChangeMargins fires.
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvPanelExtended.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvShadow.h"

class QImage;

QB_ENUM(TDuvPreviewPanelOrientation, ppoDefault, ppoPortrait, ppoLandscape)

// The margin lines' pen: dotted, small dots, flat ends.
class TPreviewChartPen : public TDuvPen {
    QB_CLASS(TPreviewChartPen, TDuvPen)
public:
    explicit TPreviewChartPen(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TPreviewChartPen>& p);
};

// What the mouse grabs of the image: 0 nothing, 1 left, 2 top, 3 right, 4 bottom, 5 the whole
// image, 6 left-top, 7 right-top, 8 left-bottom, 9 right-bottom.
enum TPreviewDragPart : int {
    dpNone = 0,
    dpLeft = 1,
    dpTop = 2,
    dpRight = 3,
    dpBottom = 4,
    dpMove = 5,
    dpLeftTop = 6,
    dpRightTop = 7,
    dpLeftBottom = 8,
    dpRightBottom = 9,
};

using TChangeMarginsEvent = TEvent<void(TObject* sender, bool disableProportional, const TRect& newMargins)>;
using TGetPaperRectEvent = TEvent<void(TObject* sender, TRect& paperRect)>;

class TDuvPreviewPanel : public TCustomDuvPanelExtended {
    QB_CLASS(TDuvPreviewPanel, TCustomDuvPanelExtended)
public:
    static constexpr int kNearEdge = 4;

    explicit TDuvPreviewPanel(TComponent* owner = nullptr);
    ~TDuvPreviewPanel() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvPreviewPanel>& p);

    // ---------------------------------------------------- settings
    bool AllowMove = true;
    bool AllowResize = true;
    bool DragImage = false;
    bool AsBitmap() const { return asBitmap_; }
    void SetAsBitmap(bool value) { ChangeFlagAndRepaint(asBitmap_, value); }
    TPreviewChartPen& Margins() const { return *margins_; }
    void SetMargins(const TPreviewChartPen* value);
    TDuvPreviewPanelOrientation Orientation() const { return orientation_; }
    void SetOrientation(TDuvPreviewPanelOrientation value);
    TColor PaperColor() const { return paperColor_; }
    void SetPaperColor(TColor value) { ChangeColorAndRepaint(paperColor_, value); }
    TDuvShadow& PaperShadow() const { return *paperShadow_; }
    void SetPaperShadow(const TDuvShadow* value);
    bool ShowImage() const { return showImage_; }
    void SetShowImage(bool value) { ChangeFlagAndRepaint(showImage_, value); }
    bool SmoothBitmap() const { return smoothBitmap_; }
    void SetSmoothBitmap(bool value) { ChangeFlagAndRepaint(smoothBitmap_, value); }
    std::string Title;

    TChangeMarginsEvent OnChangeMargins;
    TGetPaperRectEvent OnGetPaperRect;

    // The previewed panel; none, the current one and the preview itself are taken as they come
    // (the last two change nothing).
    TCustomDuvPanel* Panel() const { return panels_.empty() ? nullptr : panels_.front(); }
    void SetPanel(TCustomDuvPanel* panel);
    const std::vector<TCustomDuvPanel*>& Panels() const { return panels_; }

    // ---------------------------------------------------- geometry
    // The paper on the preview's client area, shaped like the printer's page (the screen's
    // without a printer); OnGetPaperRect may change it.
    TRect CalcPaperRect();
    // Where a panel's picture lies on that paper, by its print margins (15 % each without one).
    TRect PanelRect(TCustomDuvPanel* panel, const TRect& paper);
    const TRect& PaperRect() const { return paperRect_; }
    const TRect& ImageRect() const { return imageRect_; }
    int DragPart(int x, int y) const;
    int Dragging() const { return dragPart_; }
    // The cursor shown over a drag part.
    static TCursor DragCursor(int part);
    // The size the panel is drawn at before it is stretched into its rectangle.
    static void RenderingSize(const TCustomDuvPanel& panel, int& width, int& height);
    // The panel drawn at its rendering size on the paper colour (24 bits per pixel).
    QImage PanelBitmap(TCustomDuvPanel& panel) const;

    // ---------------------------------------------------- drawing and printing
    void DrawContents(const TRect& r) override;
    // Draws the four margin lines inverted; a second call removes them.
    void DrawMarginLines();
    void Print();

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Assign(const TPersistent* source) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ApplyOrientation();
    void DrawPanelImage(TCustomDuvPanel& panel, const TRect& rect);
    // The image rectangle of a drag step; false when the step is refused.
    bool DraggedImageRect(int x, int y, TRect& image) const;
    void StoreMargins();

    std::vector<TCustomDuvPanel*> panels_;
    bool asBitmap_ = false;
    std::unique_ptr<TPreviewChartPen> margins_;
    TDuvPreviewPanelOrientation orientation_ = ppoDefault;
    TColor paperColor_ = clWhite;
    std::unique_ptr<TDuvShadow> paperShadow_;
    bool showImage_ = true;
    bool smoothBitmap_ = true;

    TRect paperRect_;
    TRect imageRect_;
    int dragPart_ = dpNone;
    TPoint dragStart_;
    TRect dragStartImage_;
};

void DuvPreviewPanelInitialization();
