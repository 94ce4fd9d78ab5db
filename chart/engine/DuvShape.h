#pragma once
// Shapes: the rectangle of every chart decoration (titles, legend, axis labels, marks, tool
// frames) with frame, fill, gradient, shadow, emboss, picture, bevel, rounded corners,
// transparency, rotation, a callout pointer and child shapes stacked inside it. Also the
// margins of the text shapes and the list of custom mark positions.
//
// What always holds: the callout, corners, emboss and picture exist only after their first read
// (a chart has many shapes, every mark is one); a nil one is treated as absent. A new shape of
// any published class streams nothing.
#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "chart/engine/DuvPanelExtended.h"
#include "chart/graphics/ChartEditable.h"
#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvCorners.h"
#include "chart/graphics/DuvFont.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvShadow.h"
#include "platform/core/Collection.h"
#include "platform/ui/Controls.h"

class TBackImage;
class TDuvBasePath;
class TDuvCorners;
class TDuvCustomShape;
class TDuvEmboss;
class TDuvGradient;
class TDuvPicture;
class TDuvShadow;
struct TDuvTransform;

QB_ENUM(TShapeCalloutSide, csNone, csLeft, csTop, csRight, csBottom)
QB_ENUM(TDuvShapeLayout, slTopBottom, slLeftRight)
QB_ENUM(TChartObjectShapeStyle, fosRectangle, fosRoundRectangle, fosEllipse)
QB_ENUM(TMarginUnits, maPercentFont, maPercentSize, maPixels)
// The bevel of a shape is the panel's bevel kind.
using TBevelCut = TPanelBevel;

// ---------------------------------------------------------------- brush, pen and panel

class TDuvCustomShapeBrushPen : public TPersistent {
    QB_CLASS(TDuvCustomShapeBrushPen, TPersistent)
public:
    TDuvCustomShapeBrushPen();
    ~TDuvCustomShapeBrushPen() override;
    TDuvCustomShapeBrushPen(const TDuvCustomShapeBrushPen&) = delete;
    TDuvCustomShapeBrushPen& operator=(const TDuvCustomShapeBrushPen&) = delete;

    TDuvBrush& Brush() const { return *brush_; }
    void SetBrush(const TDuvBrush* value);
    TDuvPen& Pen() const { return *pen_; }
    void SetPen(const TDuvPen* value);
    // The pen under the name most descendants publish.
    TDuvPen* Frame() const { return pen_.get(); }
    TCustomDuvPanel* Parent() const { return parent_; }
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool DefaultVisible() const { return defaultVisible_; }
    // Visible together with its stored default.
    void InitVisible(bool value);
    bool IsVisibleStored() const { return visible_ != defaultVisible_; }
    void MakeVisible() { SetVisible(true); }
    void MakeInvisible() { SetVisible(false); }
    // Handed to the canvas when the object starts drawing; set by others, freed here.
    TDuvTransform* Transform() const { return transform_.get(); }
    void SetTransform(std::unique_ptr<TDuvTransform> value);

    virtual void AttachToPanel(TCustomDuvPanel* panel) { parent_ = panel; }
    virtual void InvalidateParent();
    // The class of the brush (descendants with their own brush class create it themselves).
    virtual const TClassInfo& GetBrushClass() const { return TDuvBrush::StaticClass(); }
    // Brush, pen and Visible of another brush-pen object.
    void Assign(const TPersistent* source) override;

protected:
    // For descendants that fill with a brush of their own class.
    explicit TDuvCustomShapeBrushPen(std::unique_ptr<TDuvBrush> brush);
    void CanvasChanged(TObject*) { InvalidateParent(); }

private:
    std::unique_ptr<TDuvBrush> brush_;
    TCustomDuvPanel* parent_ = nullptr;
    std::unique_ptr<TDuvPen> pen_;
    bool visible_ = true;
    bool defaultVisible_ = true;
    std::unique_ptr<TDuvTransform> transform_;
};

// ---------------------------------------------------------------- callout

class TShapeCallout : public TPersistent {
    QB_CLASS(TShapeCallout, TPersistent)
public:
    explicit TShapeCallout(TDuvCustomShape* owner = nullptr) : owner_(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TShapeCallout>& p);

    // Kept and copied only; the pointer's geometry does not read it.
    int PointPosition() const { return pointPosition_; }
    void SetPointPosition(int value) { pointPosition_ = value; }
    // Where on its side the pointer sits, percent of the side's length.
    int Position() const { return position_; }
    void SetPosition(int value);
    TShapeCalloutSide Side() const { return side_; }
    void SetSide(TShapeCalloutSide value);
    // Pointer length, percent of the shape's height (top, bottom) or width (left, right).
    int Size() const { return size_; }
    void SetSize(int value);
    // Pointer base, percent of the side's length.
    int Width() const { return width_; }
    void SetWidth(int value);

    // The outline of r with the pointer, clockwise from the top-left corner, corners of radius
    // box r x r; the caller draws and frees it.
    std::unique_ptr<TDuvBasePath> BuildPath(TDuvCanvas& canvas, const TRect& r, int radius) const;
    void Assign(const TPersistent* source) override;

private:
    void Changed();
    void HorizontalSide(TDuvBasePath& path, const TRect& r, int radius, int direction, int y) const;
    void VerticalSide(TDuvBasePath& path, const TRect& r, int radius, int direction, int x) const;

    TDuvCustomShape* owner_;
    int pointPosition_ = 50;
    int position_ = 50;
    TShapeCalloutSide side_ = csNone;
    int size_ = 25;
    int width_ = 20;
};

// ---------------------------------------------------------------- child shapes

class TDuvShapeItem : public TCollectionItem {
    QB_CLASS(TDuvShapeItem, TCollectionItem)
public:
    explicit TDuvShapeItem(TCollection* collection = nullptr);
    ~TDuvShapeItem() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvShapeItem>& p);

    TDuvCustomShape* Shape() const { return shape_.get(); }
    // Copies into the own shape.
    void SetShape(const TDuvCustomShape* value);
    void Assign(const TPersistent* source) override;

private:
    std::unique_ptr<TDuvCustomShape> shape_;
};

class TDuvShapes : public TCollection {
    QB_CLASS(TDuvShapes, TCollection)
public:
    explicit TDuvShapes(TDuvCustomShape* owner = nullptr);
    TDuvShapeItem* Get(int index) const { return static_cast<TDuvShapeItem*>(Items(index)); }
    TDuvShapeItem* Add() { return static_cast<TDuvShapeItem*>(TCollection::Add()); }
    TDuvCustomShape* OwnerShape() const { return owner_; }
    // The class of the shapes new items make.
    const TClassInfo* ShapeClass = nullptr;

protected:
    void Notify(TCollectionItem* item, bool added) override;

private:
    TDuvCustomShape* owner_;
};

// ---------------------------------------------------------------- the shape

class TDuvCustomShape : public TDuvCustomShapeBrushPen, public IChartEditable {
    QB_CLASS(TDuvCustomShape, TDuvCustomShapeBrushPen)
public:
    explicit TDuvCustomShape(TCustomDuvPanel* panel = nullptr);
    ~TDuvCustomShape() override;

    int Angle() const { return angle_; }
    void SetAngle(int value) { Change(angle_, value); }
    // Without repainting.
    void InitAngle(int value) { angle_ = value; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value) { Change(autoSize_, value); }
    TBevelCut Bevel() const { return bevel_; }
    void SetBevel(TBevelCut value) { Change(bevel_, value); }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value) { Change(bevelWidth_, value); }
    TShapeCallout* GetShapeCallout();
    TShapeCallout* PeekShapeCallout() const { return callout_.get(); }
    void SetShapeCallout(const TShapeCallout* value);
    TDuvShapes* Children() const { return children_.get(); }
    bool HasChildren() const { return children_->Count() > 0; }
    TDuvShapeLayout ChildLayout() const { return childLayout_; }
    void SetChildLayout(TDuvShapeLayout value) { Change(childLayout_, value); }
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TDuvCorners* GetCorners();
    TDuvCorners* PeekCorners() const { return corners_.get(); }
    void SetCorners(const TDuvCorners* value);
    TDuvFont* Font() const { return font_.get(); }
    void SetFont(const TDuvFont* value);
    int RoundSize() const { return roundSize_; }
    // Above 0 also makes the outline a rounded rectangle.
    void SetRoundSize(int value);
    TChartObjectShapeStyle ShapeStyle() const { return shapeStyle_; }
    void SetShapeStyle(TChartObjectShapeStyle value) { Change(shapeStyle_, value); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { Change(transparent_, value); }
    bool DefaultTransparent() const { return defaultTransparent_; }
    // Transparent together with its stored default.
    void SetDefaultTransparent(bool value);
    bool IsTransparentStored() const { return transparent_ != defaultTransparent_; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { Change(alignment_, value); }
    TDuvEmboss* GetEmboss();
    TDuvEmboss* PeekEmboss() const { return emboss_.get(); }
    void SetEmboss(const TDuvEmboss* value);
    TBackImage* GetPicture();
    TBackImage* PeekPicture() const { return picture_.get(); }
    void SetPicture(const TDuvPicture* value);
    TDuvShadow* GetShadow();
    TDuvShadow* PeekShadow() const { return shadow_.get(); }
    void SetShadow(const TDuvShadow* value);
    int Transparency() const { return transparency_; }
    // A percentage: values from a stream outside 0..100 are kept inside.
    void SetTransparency(int value) { Change(transparency_, static_cast<TDuvTransparency>(std::clamp(value, 0, 100))); }
    // The brush's gradient (made on first read).
    TDuvGradient* GetGradient();
    TDuvGradient* PeekGradient() const;
    void SetGradient(const TDuvGradient* value);

    // Use the depth-aware canvas operations even on a flat canvas.
    bool Draw3D = false;
    // Handed to the canvas when walls are drawn; set by the wall editor.
    void* Visual = nullptr;
    TRect Bounds;

    // ---------------------------------------------------- geometry
    int BoundsWidth() const { return Bounds.Right - Bounds.Left; }
    int BoundsHeight() const { return Bounds.Bottom - Bounds.Top; }
    void SetBoundsWidth(int value) { Bounds.Right = Bounds.Left + value; }
    void SetBoundsHeight(int value) { Bounds.Bottom = Bounds.Top + value; }
    // Keeps the size.
    void MoveBoundsTo(int x, int y);
    void MoveBoundsToPoint(const TPoint& p) { MoveBoundsTo(p.X, p.Y); }
    // r turned by Angle (mod 360) when Angle is not 0; edges count as inside.
    bool ContainsPoint(const TPoint& p, const TRect& r) const;

    // ---------------------------------------------------- drawing
    void DrawAtBounds() { DrawAt(Bounds, angle_, 0); }
    void DrawAt(const TRect& r, int angle, int z);
    void DrawInPanel(TCustomDuvPanel* panel, TRect r, int z, int angle);
    // The size that holds the visible children (from an empty size with AutoSize).
    virtual void CalcSize(TCustomDuvPanel* panel);
    // The body: outline, callout or rotated polygon.
    virtual void DrawShapeRect(TCustomDuvPanel* panel, const TRect& r, int z, int angle);
    virtual int GetChildStartPos();
    virtual const TClassInfo& GetChildShapeClass() const;
    std::string GetEditorClassName() const override { return "TFormDuvShape"; }

    void AttachToPanel(TCustomDuvPanel* panel) override;
    void Assign(const TPersistent* source) override;
    // The old separate shadow settings, read only.
    void DefineProperties(TFiler& filer) override;

    // Black, size 3, visibility kept: the shape's shadow defaults. Marks, the back wall and the
    // legend title change them.
    virtual void InitShadow(TDuvShadow& shadow);
    virtual void InitEmboss(TDuvEmboss& emboss);

protected:
    template <class V>
    void Change(V& field, V value)
    {
        if (SetIfChanged(field, value)) InvalidateParent();
    }
    TCanvas3D& CanvasOf(TCustomDuvPanel* panel) const { return panel->Canvas(); }
    // Applies the font plain or through the panel (zoomed in 3D views).
    void DrawShapeShadow(TCustomDuvPanel* panel, TRect r, TDuvShadow* shadow, int sign, int z, int angle);

private:
    void DrawChildren(TCustomDuvPanel* panel, const TRect& r, int z, int angle);
    void DrawPictureInBody(TCustomDuvPanel* panel, const TRect& r, int z);
    void FilterBlendedLayer(TCustomDuvPanel* panel, const TRect& r);
    bool GradientHasTransparentColor();

    int angle_ = 0;
    bool autoSize_ = true;
    TBevelCut bevel_ = bvNone;
    int bevelWidth_ = 2;
    std::unique_ptr<TShapeCallout> callout_;
    std::unique_ptr<TDuvShapes> children_;
    TDuvShapeLayout childLayout_ = slTopBottom;
    TColor color_ = clWhite;
    std::unique_ptr<TDuvCorners> corners_;
    std::unique_ptr<TDuvFont> font_;
    int roundSize_ = 16;
    TChartObjectShapeStyle shapeStyle_ = fosRectangle;
    bool transparent_ = false;
    bool defaultTransparent_ = false;
    TAlignment alignment_ = taLeftJustify;
    std::unique_ptr<TDuvEmboss> emboss_;
    std::unique_ptr<TBackImage> picture_;
    std::unique_ptr<TDuvShadow> shadow_;
    TDuvTransparency transparency_ = 0;
};

// The corners of r turned by angle degrees about its centre: top-left, top-right, bottom-right,
// bottom-left.
void RotatedRectCorners(const TRect& r, double angle, TPoint corners[4]);


class TDuvShape : public TDuvCustomShape {
    QB_CLASS(TDuvShape, TDuvCustomShape)
public:
    explicit TDuvShape(TCustomDuvPanel* panel = nullptr) : TDuvCustomShape(panel) {}
    static void DeclareProperties(TPropertyDeclarer<TDuvShape>& p);
};

// ---------------------------------------------------------------- margins

class TMargins : public TPersistent {
    QB_CLASS(TMargins, TPersistent)
public:
    explicit TMargins(TDuvCustomShape* owner = nullptr) : owner_(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TMargins>& p);

    int Left() const { return left_; }
    void SetLeft(int value) { Change(left_, value); }
    int Top() const { return top_; }
    void SetTop(int value) { Change(top_, value); }
    int Right() const { return right_; }
    void SetRight(int value) { Change(right_, value); }
    int Bottom() const { return bottom_; }
    void SetBottom(int value) { Change(bottom_, value); }
    TMarginUnits Units() const { return units_; }
    void SetUnits(TMarginUnits value) { Change(units_, value); }
    bool IsLeftStored() const { return left_ != horizontalDefault_; }
    bool IsRightStored() const { return right_ != horizontalDefault_; }
    bool IsTopStored() const { return top_ != verticalDefault_; }
    bool IsBottomStored() const { return bottom_ != verticalDefault_; }

    // Left and right (top and bottom) with their stored default.
    void InitHorizontal(int value);
    void InitVertical(int value);
    // The margins in pixels, from the text block's width and height and the text height.
    void CalcPixels(int width, int height, int textHeight);
    void ResetComputed() { ComputedMargins = {}; }
    int HorizontalPixels() const { return ComputedMargins.Left + ComputedMargins.Right; }
    int VerticalPixels() const { return ComputedMargins.Top + ComputedMargins.Bottom; }
    // Left, top, right, bottom in pixels, from the last CalcPixels.
    TRect ComputedMargins;

    void Assign(const TPersistent* source) override;

private:
    template <class V>
    void Change(V& field, V value)
    {
        if (SetIfChanged(field, value) && owner_) owner_->InvalidateParent();
    }
    int left_ = 10;
    int top_ = 5;
    int right_ = 10;
    int bottom_ = 5;
    TMarginUnits units_ = maPercentFont;
    int horizontalDefault_ = 10;
    int verticalDefault_ = 5;
    TDuvCustomShape* owner_;
};

// ---------------------------------------------------------------- custom mark positions

// Where the user put one mark.
class TSeriesMarkPosition {
public:
    TPoint ArrowFrom;      // the point end of the arrow
    bool ArrowFix = false; // the arrow's point end stays on its point
    TPoint ArrowTo;        // the mark end of the arrow
    bool Custom = false;
    int Height = 0;
    TPoint LeftTop;
    int Width = 0;
    TPoint MidPoint;
    bool HasMidPoint = false;

    void CopyFrom(const TSeriesMarkPosition& source) { *this = source; }
    TRect GetBounds() const { return {LeftTop.X, LeftTop.Y, LeftTop.X + Width, LeftTop.Y + Height}; }
    // Moves the mark, its arrow end and its mid point.
    void MoveBy(const TPoint& delta);
};

// The custom positions of a series' marks by point index; entries may be empty.
class TSeriesMarksPositions {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // None when index is not below the count (or the entry is empty).
    TSeriesMarkPosition* PositionAt(int index) const;
    // Grows the list as needed and keeps a custom copy of position at index.
    void StorePosition(int index, const TSeriesMarkPosition& position);
    bool AnyCustomPosition() const;
    void Clear() { items_.clear(); }
    // Removes count entries from index on (those that exist); later entries move down.
    void Delete(int index, int count = 1);
    // Empties one entry; the list keeps its length.
    void DropEntry(int index);

private:
    std::vector<std::unique_ptr<TSeriesMarkPosition>> items_;
};

// The one declaration of each published shape property. Shape classes publish different subsets
// (plain shapes, mark items, axis label formats, series legends) and name the ones they publish.
template <class T>
void DeclareShapeProperties(TPropertyDeclarer<T>& p, std::initializer_list<std::string_view> names)
{
    using S = TDuvCustomShape;
    using B = TDuvCustomShapeBrushPen;
    for (std::string_view name : names) {
        if (name == "Alignment")
            p.Enum("Alignment", &S::Alignment, &S::SetAlignment).Default(taLeftJustify);
        else if (name == "Angle")
            p.Integer("Angle", &S::Angle, &S::SetAngle).Default(0);
        else if (name == "AutoSize")
            p.Boolean("AutoSize", &S::AutoSize, &S::SetAutoSize).Default(true);
        else if (name == "Bevel")
            p.Enum("Bevel", &S::Bevel, &S::SetBevel).Default(bvNone);
        else if (name == "BevelWidth")
            p.Integer("BevelWidth", &S::BevelWidth, &S::SetBevelWidth).Default(2);
        else if (name == "Brush")
            p.Object("Brush", &B::Brush, &B::SetBrush);
        else if (name == "Children")
            p.Collection("Children", &S::Children).Stored(&S::HasChildren);
        else if (name == "ChildLayout")
            p.Enum("ChildLayout", &S::ChildLayout, &S::SetChildLayout).Default(slTopBottom);
        else if (name == "Color")
            p.Color("Color", &S::Color, &S::SetColor).Default(clWhite);
        else if (name == "Corners")
            p.Object("Corners", &S::GetCorners, &S::SetCorners).Peek(&S::PeekCorners);
        else if (name == "Emboss")
            p.Object("Emboss", &S::GetEmboss, &S::SetEmboss).Peek(&S::PeekEmboss);
        else if (name == "Font")
            p.Object("Font", &S::Font, &S::SetFont);
        else if (name == "Frame")
            p.Object("Frame", &B::Frame, &B::SetPen);
        else if (name == "Gradient")
            p.Object("Gradient", &S::GetGradient, &S::SetGradient).Peek(&S::PeekGradient);
        else if (name == "Picture")
            p.Object("Picture", &S::GetPicture, &S::SetPicture).Peek(&S::PeekPicture);
        else if (name == "RoundSize")
            p.Integer("RoundSize", &S::RoundSize, &S::SetRoundSize).Default(16);
        else if (name == "Shadow")
            p.Object("Shadow", &S::GetShadow, &S::SetShadow).Peek(&S::PeekShadow);
        else if (name == "ShapeCallout")
            p.Object("ShapeCallout", &S::GetShapeCallout, &S::SetShapeCallout).Peek(&S::PeekShapeCallout);
        else if (name == "ShapeStyle")
            p.Enum("ShapeStyle", &S::ShapeStyle, &S::SetShapeStyle).Default(fosRectangle);
        else if (name == "Transparency")
            p.Integer("Transparency", &S::Transparency, &S::SetTransparency).Default(0);
        else if (name == "Transparent")
            p.Boolean("Transparent", &S::Transparent, &S::SetTransparent).DefaultFrom(&S::DefaultTransparent);
        else if (name == "Visible")
            p.Boolean("Visible", &B::Visible, &B::SetVisible).DefaultFrom(&B::DefaultVisible);
    }
}

// The shape module's classes, named in chart streams.
void RegisterShapeClasses();
