#pragma once
// Series drawn inside a circle instead of against axes: the circle's rectangle, centre and
// radii (taken from the chart rectangle, shrunk for marks, kept round on the device, or fixed),
// its rotation, background, shadow and emboss, the decorative frame around it, and the 3D view
// such a series imposes on its chart while it is active.
//
// The circle state (CircleRect, centre, radii) is valid from FireBeforeDrawValues until the
// next drawing; CircleRect always spans at least 4 x 4 pixels after CalcCircleSizes.
#include <memory>

#include "chart/engine/DuvShape.h"
#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/series/RuRazaziSeries.h"

// A band brush of a frame, its width in percent of the frame thickness.
class TFrameBrush : public TDuvBrush {
    QB_CLASS(TFrameBrush, TDuvBrush)
public:
    explicit TFrameBrush(TChangeHandler changed = nullptr) : TDuvBrush(changed), changed_(std::move(changed)) {}
    static void DeclareProperties(TPropertyDeclarer<TFrameBrush>& p);

    float Size() const { return size_; }
    void SetSize(float value);
    // Size together with the default it is stored against.
    void InitSize(float value) { size_ = defaultSize_ = value; }
    bool IsSizeStored() const { return size_ != defaultSize_; }
    void Assign(const TPersistent* source) override;

private:
    TChangeHandler changed_;
    float size_ = 0, defaultSize_ = 0;
};

// A frame of three bands (outer, middle, inner) drawn around a rectangle or its ellipse.
class TFramedBorder : public TDuvCustomShapeBrushPen {
    QB_CLASS(TFramedBorder, TDuvCustomShapeBrushPen)
public:
    TFramedBorder();
    ~TFramedBorder() override;
    static void DeclareProperties(TPropertyDeclarer<TFramedBorder>& p);

    bool Circled() const { return circled_; }
    void SetCircled(bool value);
    // Circled together with the default it is stored against.
    void InitCircled(bool value) { circled_ = defaultCircled_ = value; }
    bool IsCircledStored() const { return circled_ != defaultCircled_; }
    int Width() const { return width_; }
    void SetWidth(int value);
    TFrameBrush& InnerBrush() const { return *inner_; }
    TFrameBrush& MiddleBrush() const { return *middle_; }
    TFrameBrush& OuterBrush() const { return *outer_; }
    void SetInnerBrush(const TFrameBrush* value) { inner_->Assign(value); }
    void SetMiddleBrush(const TFrameBrush* value) { middle_->Assign(value); }
    void SetOuterBrush(const TFrameBrush* value) { outer_->Assign(value); }
    TDuvEmboss& Emboss() const { return *emboss_; }
    TDuvShadow& Shadow() const { return *shadow_; }
    void SetEmboss(const TDuvEmboss* value) { emboss_->Assign(value); }
    void SetShadow(const TDuvShadow* value) { shadow_->Assign(value); }

    // The frame's thickness around a rectangle of that size.
    float Thickness(const TRect& rect) const;
    virtual void Draw(TCanvas3D& canvas, const TRect& rect);
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

protected:
    void Changed() { InvalidateParent(); }

private:
    bool circled_ = false, defaultCircled_ = false;
    int width_ = 10;
    std::unique_ptr<TFrameBrush> inner_, middle_, outer_;
    std::unique_ptr<TDuvEmboss> emboss_;
    std::unique_ptr<TDuvShadow> shadow_;
};

// A frame of bands running round a whole or part of a circle.
class TCircularFrame : public TFramedBorder {
    QB_CLASS(TCircularFrame, TFramedBorder)
public:
    TCircularFrame();
    static void DeclareProperties(TPropertyDeclarer<TCircularFrame>& p);

    int RotationAngle() const { return rotationAngle_; }
    void SetRotationAngle(int value);
    int TotalAngle() const { return totalAngle_; }
    void SetTotalAngle(int value);
    void Draw(TCanvas3D& canvas, const TRect& rect) override;
    void Assign(const TPersistent* source) override;

private:
    int rotationAngle_ = 0;
    int totalAngle_ = 360;
};

class TCircledSeries;

// The bright ring along a pie's rim.
class TPieBevel : public TPersistent {
    QB_CLASS(TPieBevel, TPersistent)
public:
    explicit TPieBevel(TCircledSeries* series = nullptr) : series_(series) {}
    static void DeclareProperties(TPropertyDeclarer<TPieBevel>& p);

    int Bright() const { return bright_; }
    void SetBright(int value) { Change(bright_, value); }
    int Percent() const { return percent_; }
    void SetPercent(int value) { Change(percent_, value); }
    bool UseBorder() const { return useBorder_; }
    void SetUseBorder(bool value) { Change(useBorder_, value); }
    void Assign(const TPersistent* source) override;

private:
    template <class V>
    void Change(V& field, V value);
    TCircledSeries* series_;
    int bright_ = 32;
    int percent_ = 0;
    bool useBorder_ = true;
};

class TCircledSeries : public TChartSeries {
    QB_CLASS(TCircledSeries, TChartSeries)
public:
    explicit TCircledSeries(TComponent* owner);
    ~TCircledSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TCircledSeries>& p);

    // ------------------------------------------------------------ settings
    bool Circled() const { return circled_; }
    void SetCircled(bool value);
    int CustomXRadius() const { return customXRadius_; }
    void SetCustomXRadius(int value);
    int CustomYRadius() const { return customYRadius_; }
    void SetCustomYRadius(int value);
    bool UniqueCustomRadius() const { return uniqueCustomRadius_; }
    void SetUniqueCustomRadius(bool value);
    int RotationAngle() const { return rotationAngle_; }
    void SetRotationAngle(int value);
    TColor CircleBackColor() const { return circleBrush_->Color(); }
    void SetCircleBackColor(TColor value);
    TDuvBrush& CircleBrush() const { return *circleBrush_; }
    void SetCircleBrush(const TDuvBrush* value) { circleBrush_->Assign(value); }
    TDuvGradient* CircleGradient() const { return circleBrush_->GetGradient(); }
    void SetCircleGradient(const TDuvGradient* value) { circleBrush_->GetGradient()->Assign(value); }
    TDuvEmboss& Emboss() const { return *emboss_; }
    void SetEmboss(const TDuvEmboss* value) { emboss_->Assign(value); }
    TDuvShadow& Shadow() const { return *shadow_; }
    void SetShadow(const TDuvShadow* value) { shadow_->Assign(value); }
    // Made on first read.
    TFramedBorder* GetFrame();
    TFramedBorder* PeekFrame() const { return frame_.get(); }
    // None frees the frame; another frame is copied.
    void SetFrame(const TFramedBorder* value);

    // ------------------------------------------------------------ circle state
    TRect CircleRect;
    int CircleWidth = 0, CircleHeight = 0, CircleXCenter = 0, CircleYCenter = 0;
    int XRadius = 0, YRadius = 0;
    bool MarksTakeRoom = true;
    double RotationRadians() const { return rotationRadians_; }
    // The view copy saved while this series shows its own 3D view.
    const TView3DOptions* SavedView() const { return savedView_.get(); }

    void SetCircleRect(const TRect& rect);
    void CalcCircleSizes();
    virtual void CalcRadii();
    void AdjustCircleRectToAspect();
    // Across over down of the device's pixels (1 for screens, pictures and PDF).
    double DevicePixelAspect() const;
    void ShrinkForMarks();
    virtual void RefreshLaterCircled();
    virtual void SetCircled3DView(TView3DOptions&) {}
    void AdjustChartView(bool restore);
    // The chart's own view again, whatever the series' state.
    void RestoreChartView();
    void ApplyFrame();
    void DrawCircleShadow();

    // ------------------------------------------------------------ angles and pixels
    // Radians counterclockwise from the rotation, y up.
    TPoint PointAtAngle(double angle, double xRadius, double yRadius) const;
    double AngleOfPixel(int x, int y) const;
    double RadiusValueAt(int x, int y) const;
    TColor EffectiveBackColor() const;

    // ------------------------------------------------------------ framework
    void SetActive(bool value) override;
    void SetParentChart(TCustomAxisPanel* value) override;
    void AssignFormat(const TCustomChartSeries* source) override;
    void FireBeforeDrawValues() override;
    bool IsPointInChartRect(int) override { return true; }
    void PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& style) override;
    bool UsesAxis(const TChartAxis*) const override { return true; }
    bool UsesAxes() const override { return false; }

protected:
    // The series of the chart whose class is this one's class or an ancestor of it.
    template <class F>
    void ForEachRelative(F action);
    void RunCircledLayout();

private:
    bool circled_ = true;
    int customXRadius_ = 0, customYRadius_ = 0;
    bool uniqueCustomRadius_ = true;
    int rotationAngle_ = 0;
    double rotationRadians_ = 0;
    std::unique_ptr<TDuvBrush> circleBrush_;
    std::unique_ptr<TDuvEmboss> emboss_;
    std::unique_ptr<TDuvShadow> shadow_;
    std::unique_ptr<TFramedBorder> frame_;
    std::unique_ptr<TView3DOptions> savedView_;
};

void SeriesCircledInitialization();
