#pragma once
// The chart panel with the settings of mouse zooming and scrolling, a background gradient and a
// back image, and the drawing of the panel background: colour, shadow, emboss, border, back image
// and bevels. The chart's mouse handling reads the zoom settings here and draws its zoom
// rectangle through DrawZoomRect.
//
// What always holds: the gradient, the back image, and the zoom's pen, brush and history exist
// only after their first read; a new panel streams none of them.
#include <array>
#include <memory>
#include <vector>

#include "chart/engine/DuvPanel.h"
#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvPicture.h"

class TDuvGradient;
class TCustomDuvPanelExtended;

QB_ENUM(TPanningMode, pmNone, pmHorizontal, pmVertical, pmBoth)
QB_ENUM(TDuvZoomDirection, tzdHorizontal, tzdVertical, tzdBoth)
QB_ENUM(TDuvBackImageMode, pbmStretch, pbmTile, pbmCenter, pbmCustom)

// The canvas's stretch quality, streamed by name.
inline const TEnumInfo& EnumTypeInfo(TCanvasStretchQuality)
{
    static const TEnumInfo info = TEnumInfo::FromList("TCanvasStretchQuality", "sqHigh, sqLow");
    return info;
}

// ---------------------------------------------------------------- zoom settings

// The axis ranges before one zoom, so undoing can return to them.
struct TZoomSnapshot {
    // Minimum and maximum of the four standard axes.
    std::vector<double> AxisRanges = std::vector<double>(8, 0.0);
    int CustomAxisCount = 0;
    std::vector<std::array<double, 2>> CustomAxisRanges;
};

class TZoomSnapshots {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TZoomSnapshot* Get(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
    TZoomSnapshot* Add();
    void Delete(int index);
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TZoomSnapshot>> items_;
};

// Silver, 3 pixels wide, flat ends.
class TDuvZoomPen : public TDuvPen {
    QB_CLASS(TDuvZoomPen, TDuvPen)
public:
    explicit TDuvZoomPen(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TDuvZoomPen>& p);
};

// White and clear.
class TDuvZoomBrush : public TDuvBrush {
    QB_CLASS(TDuvZoomBrush, TDuvBrush)
public:
    explicit TDuvZoomBrush(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TDuvZoomBrush>& p);
};

class TDuvZoom : public TZoomPanning {
    QB_CLASS(TDuvZoom, TZoomPanning)
public:
    TDuvZoom() = default;
    ~TDuvZoom() override;
    TDuvZoom(const TDuvZoom&) = delete;
    TDuvZoom& operator=(const TDuvZoom&) = delete;
    static void DeclareProperties(TPropertyDeclarer<TDuvZoom>& p);

    bool Allow = true;
    bool Animated = false;
    int AnimatedSteps = 8;
    TDuvZoomDirection Direction = tzdBoth;
    // Shows the zoom rectangle by repainting instead of drawing it inverted.
    bool FullRepaint = false;
    bool KeepAspectRatio = false;
    TShiftState KeyShift;
    int MinimumPixels = 16;
    TMouseButton MouseButton = mbLeft;
    TMouseWheelStyle MouseWheel = pmwNone;
    // A drag towards the top left zooms too instead of undoing.
    bool UpLeftZooms = false;

    bool History() const { return history_; }
    // Off empties the snapshot list.
    void SetHistory(bool value);
    TZoomSnapshots& ZoomHistory();
    TZoomSnapshots* PeekZoomHistory() const { return history_list_.get(); }

    TDuvZoomBrush* GetBrush();
    TDuvZoomBrush* PeekBrush() const { return brush_.get(); }
    // None frees the brush; a brush is copied.
    void SetBrush(const TDuvBrush* value);
    TDuvZoomPen* GetPen();
    TDuvZoomPen* PeekPen() const { return pen_.get(); }
    void SetPen(const TDuvPen* value);

    // Every setting of another zoom; the drag state stays. Other sources are ignored.
    void Assign(const TPersistent* source) override;

private:
    bool history_ = false;
    std::unique_ptr<TZoomSnapshots> history_list_;
    std::unique_ptr<TDuvZoomBrush> brush_;
    std::unique_ptr<TDuvZoomPen> pen_;
};

// ---------------------------------------------------------------- back image

// A picture drawn behind a panel, a shape or a wall: stretched, tiled, centred or placed.
class TBackImage : public TDuvPicture {
    QB_CLASS(TBackImage, TDuvPicture)
public:
    TBackImage() = default;
    static void DeclareProperties(TPropertyDeclarer<TBackImage>& p);

    int Bottom() const { return bottom_; }
    void SetBottom(int value) { Change(bottom_, value); }
    TCanvasStretchQuality DrawQuality() const { return drawQuality_; }
    void SetDrawQuality(TCanvasStretchQuality value) { Change(drawQuality_, value); }
    // The picture fills the chart's back wall instead of the whole panel.
    bool Inside() const { return inside_; }
    void SetInside(bool value) { Change(inside_, value); }
    int Left() const { return left_; }
    void SetLeft(int value) { Change(left_, value); }
    TDuvBackImageMode Mode() const { return mode_; }
    void SetMode(TDuvBackImageMode value) { Change(mode_, value); }
    // Right and Bottom are the width and height in custom mode; 0 is the picture's own size.
    int Right() const { return right_; }
    void SetRight(int value) { Change(right_, value); }
    int Top() const { return top_; }
    void SetTop(int value) { Change(top_, value); }
    // Left, Top, Right and Bottom at once, one notification.
    void SetRect(const TRect& r);

    // Draws into r of the panel's canvas at depth z.
    void Draw(TCustomDuvPanelExtended& panel, const TRect& r, int z);
    void Assign(const TPersistent* source) override;

private:
    template <class V>
    void Change(V& field, V value)
    {
        if (SetIfChanged(field, value)) NotifyChanged();
    }
    void Tile(TCustomDuvPanelExtended& panel, const QImage& graphic, const TRect& r, int z);
    static TRect ProjectRect(TCustomDuvPanelExtended& panel, const TRect& r, int z);

    int bottom_ = 0;
    TCanvasStretchQuality drawQuality_ = sqHigh;
    bool inside_ = false;
    int left_ = 0;
    TDuvBackImageMode mode_ = pbmStretch;
    int right_ = 0;
    int top_ = 0;
};

// ---------------------------------------------------------------- the panel

class TCustomDuvPanelExtended : public TCustomDuvPanel {
    QB_CLASS(TCustomDuvPanelExtended, TCustomDuvPanel)
public:
    explicit TCustomDuvPanelExtended(TComponent* owner);
    ~TCustomDuvPanelExtended() override;
    static void DeclareProperties(TPropertyDeclarer<TCustomDuvPanelExtended>& p);

    TPanningMode AllowPanning() const { return allowPanning_; }
    void SetAllowPanning(TPanningMode value) { allowPanning_ = value; }
    TMouseButton ScrollMouseButton() const { return scrollMouseButton_; }
    void SetScrollMouseButton(TMouseButton value) { scrollMouseButton_ = value; }
    TMouseWheelStyle ZoomWheel() const { return zoomWheel_; }
    void SetZoomWheel(TMouseWheelStyle value) { zoomWheel_ = value; }
    // A zoom is applied; the chart's mouse handling sets it, UndoZoom clears it.
    bool Zoomed = false;

    TDuvZoom& Zoom() const { return *zoom_; }
    void SetZoom(const TDuvZoom* value);
    TDuvGradient* GetGradient();
    TDuvGradient* PeekGradient() const { return gradient_.get(); }
    // None frees the gradient; a gradient is copied.
    void SetGradient(const TDuvGradient* value);
    TBackImage* GetBackImage();
    TBackImage* PeekBackImage() const { return backImage_.get(); }
    // None frees the back image; a picture is copied.
    void SetBackImage(const TDuvPicture* value);
    bool HasBackImage() const;

    // The back image's settings as the panel's own (older settings files name them so).
    TDuvBackImageMode BackImageMode() { return GetBackImage()->Mode(); }
    void SetBackImageMode(TDuvBackImageMode value) { GetBackImage()->SetMode(value); }
    bool BackImageInside() const { return HasBackImage() && backImage_->Inside(); }
    void SetBackImageInside(bool value) { GetBackImage()->SetInside(value); }
    bool BackImageTransp() const;
    // Ignored without a picture.
    void SetBackImageTransp(bool value);

    // The old single zoom switch.
    bool GetAllowZoom() const { return zoom_->Allow; }
    void SetAllowZoom(bool value) { zoom_->Allow = value; }

    TNotifyEvent OnAfterDraw;
    TNotifyEvent OnScroll;
    TNotifyEvent OnUndoZoom;
    TNotifyEvent OnZoom;

    // ---------------------------------------------------- drawing
    virtual void DrawBorderAndFill(const TRect& r);
    virtual void DrawPanelBackground(const TRect& r);
    void FillPanelRect(const TRect& r, TColor color);
    // Shrinks r by the shadow (or emboss) and draws it.
    void DrawPanelShadow(TDuvShadow& shadow, bool isEmboss, TRect& r);
    void DrawBackImage(const TRect& r, int z);
    TColor GetBackgroundColor() override;
    // The zoom rectangle of Zoom's corners, inverted on the window unless FullRepaint.
    void DrawZoomRect();
    // Draws (so removes) the inverted rectangle again, or repaints when it cannot be inverted.
    void RedrawZoomRect();
    void ApplyInvertingPen(TDuvPen& pen);

    virtual void UndoZoom();

    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

private:
    // The parent window's colour; the own colour without one.
    TColor ParentOrOwnColor() const;

    TPanningMode allowPanning_ = pmBoth;
    TMouseButton scrollMouseButton_ = mbRight;
    TMouseWheelStyle zoomWheel_ = pmwNone;
    std::unique_ptr<TDuvZoom> zoom_;
    std::unique_ptr<TDuvGradient> gradient_;
    std::unique_ptr<TBackImage> backImage_;
};
