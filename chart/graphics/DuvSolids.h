#pragma once
// The 3D solids of the software canvases, drawn through a canvas's own projection and its flat
// primitives: cubes, cones and cylinders, pyramids, pie and donut slices with thickness and
// arrows. Written against the 3D canvas interface so that any canvas (the recording canvas of
// the tests included) shows which faces are drawn and in which order.
#include "chart/graphics/Canvas3D.h"

// Degrees brought into 0..360 (360 stays).
int NormalizeAngle(int angle);

// A four-cornered face, drawn through the canvas's plane buffer.
void DrawPlane(TCanvas3D& canvas, const TPoint corners[4]);

// The faces of a box that turn to the viewer; darkSides shades the sides with gradients.
void DrawCube(TCanvas3D& canvas, int left, int right, int top, int bottom, int z0, int z1, bool darkSides);
// A cone (topPercent 0 pointed, 100 a cylinder), standing or lying.
void DrawConeShape(TCanvas3D& canvas, bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                   bool darkSides, int topPercent);
void DrawPyramid(TCanvas3D& canvas, bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                 bool darkSides);
// A pyramid cut at the top face of half width hw and half depth hd.
void DrawPyramidTrunc(TCanvas3D& canvas, const TFloatRect& rect, bool topCap, float zFront, float zBack, double hw,
                      double hd, bool bottomCap);
void DrawArrow3D(TCanvas3D& canvas, bool filled, const TPoint& from, const TPoint& to, int headWidth, int headLength,
                 int z, double bodyPercent);

// One pie or donut slice with thickness: bottom, walls and sides, top, in the order that hides
// what lies behind.
class TPieDrawer {
public:
    TPieDrawer(TCanvas3D& canvas, const TPie3DSlice& slice);
    void Draw();

private:
    TPointFloat At(const TRect& rect, int angle) const;
    TPoint AtRounded(const TRect& rect, int angle) const;
    void CalcPoints();
    void FillSlice(int a, int b, const TRect& inner, const TRect& outer, const TPoint& centre, bool bevel);
    void FillBand(int a, int b, const TRect& first, const TRect& second);
    void DrawBottom();
    void DrawTop();
    void DrawSides(int a, int b);
    void DrawSide(int angle);
    void DrawDonutWall(int a, int b);
    void DrawBevel(int a, int b);
    void DrawOuterWall(int a, int b);
    void Wall(int a, int b);

    TCanvas3D& canvas_;
    const TPie3DSlice& slice_;
    int t_ = 0;
    TRect r0_, r1_, h0_, h1_, b0_, b1_;
    bool full_ = false, donut_ = false, bevel_ = false, entire_ = false;
    int start_ = 0, end_ = 0, sweep_ = 0;
    TColor colorInForce_ = clBlack;
    TPoint c0_, c1_, s0_, e0_;
};

void DrawPie3D(TCanvas3D& canvas, const TPie3DSlice& slice);
