#pragma once
// A callout is a pointer with an arrow: it joins a box (a mark) to its point. The marks' callout
// adds the length by which a mark stands off from its point.
#include <memory>

#include "chart/graphics/DuvPen.h"
#include "chart/series/RuRazaziPointer.h"

class TSeriesMarkPosition;

QB_ENUM(TArrowHeadStyle, ahNone, ahLine, ahSolid)

class TCallout : public TSeriesPointer {
    QB_CLASS(TCallout, TSeriesPointer)
public:
    explicit TCallout(TChartSeries* series = nullptr);
    ~TCallout() override;
    static void DeclareProperties(TPropertyDeclarer<TCallout>& p);
    void Assign(const TPersistent* source) override;

    TWhitePen& Arrow() const { return *arrow_; }
    TWhitePen* GetArrow() const { return arrow_.get(); }
    void SetArrow(const TWhitePen* value);
    TArrowHeadStyle ArrowHead() const { return arrowHead_; }
    void SetArrowHead(TArrowHeadStyle value) { Change(arrowHead_, value); }
    // The gap in pixels between the arrow and the point.
    int Distance() const { return distance_; }
    void SetDistance(int value) { Change(distance_, value); }
    int ArrowHeadSize() const { return arrowHeadSize_; }
    void SetArrowHeadSize(int value) { Change(arrowHeadSize_, value); }

    // The arrow from the mark end to the point end (through the mid point when used) and, with
    // no arrow head, the callout's own shape at the point end.
    void DrawCallout(TCustomDuvPanel* panel, TColor color, bool midUsed, int z, const TPoint& markEnd,
                     const TPoint& mid, const TPoint& pointEnd);
    void Draw(TColor color, const TPoint& pointEnd, bool midUsed, int z, const TPoint& markEnd, const TPoint& mid)
    {
        DrawCallout(Panel(), color, midUsed, z, markEnd, mid, pointEnd);
    }

private:
    std::unique_ptr<TWhitePen> arrow_;
    TArrowHeadStyle arrowHead_ = ahNone;
    int distance_ = 0;
    int arrowHeadSize_ = 8;
};

class TMarksCallout : public TCallout {
    QB_CLASS(TMarksCallout, TCallout)
public:
    explicit TMarksCallout(TChartSeries* series = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TMarksCallout>& p);
    void Assign(const TPersistent* source) override;
    bool IsLengthStored() const { return length_ != DefaultLength; }

    int Length() const { return length_; }
    void SetLength(int value);
    // Stored only when it differs from this; point series set both to 0.
    int DefaultLength = 8;
    // The box top and the arrow's mark end go up by Length + Distance, the point end by Distance.
    void OffsetPosition(TSeriesMarkPosition& position) const;

private:
    int length_ = 8;
};
