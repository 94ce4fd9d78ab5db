#pragma once
// The marks of a data series: the style that makes each point's text, which points get a
// mark, the box format, per-point formats, and the places where the user moved single marks
// (stored with the series' points).
#include <memory>
#include <vector>

#include "chart/engine/DuvShape.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/engine/RuRazazi.h"
#include "chart/graphics/DuvPen.h"
#include "platform/core/Properties.h"
#include "platform/core/StringList.h"

QB_ENUM(TSeriesMarksStyle, smsValue, smsPercent, smsLabel, smsLabelPercent, smsLabelValue, smsLegend, smsPercentTotal,
        smsLabelPercentTotal, smsXValue, smsXY, smsSeriesTitle, smsPointIndex, smsPercentRelative,
        smsLabelPercentValue, smsLabelOrValue)

class TSeriesMarks;
class TMarksCallout;
class TCustomDuvPanel;

// The panel does not repaint itself while it lives (drawing-time changes of formats).
class TRepaintHold {
public:
    explicit TRepaintHold(TCustomDuvPanel* panel);
    ~TRepaintHold();
    TRepaintHold(const TRepaintHold&) = delete;
    TRepaintHold& operator=(const TRepaintHold&) = delete;

private:
    TCustomDuvPanel* panel_;
    bool saved_ = true;
};

// Gives a mark format the text of the mark being drawn: no repaint, and a per-point format
// does not take it as a text of its own.
void SetMarkFormatText(TCustomTextShape& shape, const std::string& text);

// The small symbol in the point colour that marks can show beside their text.
class TSeriesMarksSymbol : public TDuvCustomShape {
    QB_CLASS(TSeriesMarksSymbol, TDuvCustomShape)
public:
    explicit TSeriesMarksSymbol(TCustomDuvPanel* panel = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TSeriesMarksSymbol>& p);
    bool ShouldDraw() const { return Visible() && !Transparent(); }
    void InitShadow(TDuvShadow& shadow) override;
    void InitEmboss(TDuvEmboss& emboss) override;
};

// The light yellow of mark boxes.
constexpr TColor kMarksColor = static_cast<TColor>(14811135);

// One box of a mark; the marks' child shapes are of this class, each with its own style.
class TSeriesMarkShape : public TCustomTextShape {
    QB_CLASS(TSeriesMarkShape, TCustomTextShape)
public:
    explicit TSeriesMarkShape(TCustomDuvPanel* panel = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TSeriesMarkShape>& p);

    TSeriesMarksStyle Style() const { return style_; }
    void SetStyle(TSeriesMarksStyle value);
    TSeriesMarks* OwnerMarks() const { return marks_; }
    void SetOwnerMarks(TSeriesMarks* marks) { marks_ = marks; }
    const TClassInfo& GetChildShapeClass() const override;
    void TextChanged() override;
    void Assign(const TPersistent* source) override;

private:
    TSeriesMarksStyle style_ = smsLabelOrValue;
    TSeriesMarks* marks_ = nullptr;
};

// The format of one point's mark; its text, once set, replaces the computed mark text.
class TMarksItem : public TCustomTextShape {
    QB_CLASS(TMarksItem, TCustomTextShape)
public:
    explicit TMarksItem(TCustomDuvPanel* panel = nullptr);
    ~TMarksItem() override;
    static void DeclareProperties(TPropertyDeclarer<TMarksItem>& p);

    // The text as lines; made on first use from the shape text, which does not make it custom.
    TStringList* GetText();
    // Copies the lines (custom text); nullptr drops them, the text and the custom flag.
    void SetTextLines(const TStringList* value);
    // The lines were changed: they become the text.
    void TextListChanged();
    void TextChanged() override;
    bool CustomText() const { return customText_; }
    void Assign(const TPersistent* source) override;

private:
    std::unique_ptr<TStringList> lines_;
    bool customText_ = false;
};

// The per-point formats of a series' marks; entries may be empty.
class TMarksItems {
public:
    explicit TMarksItems(TSeriesMarks* marks) : marks_(marks) {}
    int Count() const { return static_cast<int>(items_.size()); }
    // The item at index, or nullptr (beyond the list, or an empty entry).
    TMarksItem* ItemIfAny(int index) const;
    // The item at index, made as a copy of the marks' format when missing.
    TMarksItem* Item(int index);
    void Clear();
    // Frees and removes the item at index (nothing beyond the list).
    void Delete(int index);
    // Takes the items of another list (a fully read "Items" value).
    void Swap(std::vector<std::unique_ptr<TMarksItem>>& items) { items_.swap(items); }
    void Detach() { marks_ = nullptr; }
    // Set once items came from a stream: clearing the points keeps them then.
    bool Loading = false;

private:
    TSeriesMarks* marks_;
    std::vector<std::unique_ptr<TMarksItem>> items_;
};

class TSeriesMarks : public TSeriesMarkShape {
    QB_CLASS(TSeriesMarks, TSeriesMarkShape)
public:
    explicit TSeriesMarks(TCustomChartSeries* series);
    ~TSeriesMarks() override;
    static void DeclareProperties(TPropertyDeclarer<TSeriesMarks>& p);

    TCustomChartSeries* Series() const { return series_; }
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool value) { ChangeSeries(multiLine_, value); }
    // Only points whose index is a multiple of it get a mark.
    int DrawEvery() const { return drawEvery_; }
    void SetDrawEvery(int value) { ChangeSeries(drawEvery_, value); }
    // Only points inside the chart rectangle get a mark.
    bool SoftClip() const { return softClip_; }
    void SetSoftClip(bool value) { ChangeSeries(softClip_, value); }
    bool Clip() const { return clip_; }
    void SetClip(bool value) { ChangeSeries(clip_, value); }
    int MarksAngle() const { return Angle(); }
    void SetMarksAngle(int value);
    bool UseSeriesTransparency() const { return useSeriesTransparency_; }
    void SetUseSeriesTransparency(bool value) { ChangeSeries(useSeriesTransparency_, value); }
    bool FontSeriesColor() const { return fontSeriesColor_; }
    void SetFontSeriesColor(bool value) { ChangeSeries(fontSeriesColor_, value); }
    bool OnTop() const { return onTop_; }
    void SetOnTop(bool value) { ChangeSeries(onTop_, value); }
    TAutomaticText& Automatic() const { return *automatic_; }
    bool AutoPosition() const { return automatic_->Move(); }
    void SetAutoPosition(bool value) { automatic_->SetMove(value); }

    TSeriesMarksPositions& Positions() { return positions_; }
    const TSeriesMarksPositions& Positions() const { return positions_; }
    TMarksItems& Items() { return items_; }
    const TMarksItems& Items() const { return items_; }
    // The point's own format when it has one, else the marks.
    TCustomTextShape* FormatFor(int index);
    // The callout is made on first use.
    TMarksCallout& Callout();
    TMarksCallout* PeekCallout() const { return callout_.get(); }
    TMarksCallout* GetCalloutObject() { return &Callout(); }
    // Copies the given callout, or frees the own one with none.
    void SetCallout(const TMarksCallout* value);
    // Moves the mark up by the callout's Length + Distance (nothing without a callout).
    void ApplyCalloutLength(TSeriesMarkPosition& position) const;
    // The callout's arrow pen and length (reading makes the callout).
    TWhitePen* GetArrow();
    void SetArrow(const TWhitePen* value);
    int ArrowLength() const;
    void SetArrowLength(int value);
    // The symbol is made on first use.
    TSeriesMarksSymbol* GetSymbol();
    TSeriesMarksSymbol* PeekSymbol() const { return symbol_.get(); }
    // Copies the given symbol, or frees the own one with none.
    void SetSymbol(const TSeriesMarksSymbol* value);
    void AttachToPanel(TCustomDuvPanel* panel) override;

    // Empties the position list, and the items unless they came from a stream; the series
    // calls it when its points are cleared.
    void ClearPositions();

    // ------------------------------------------------------------ drawing
    // The depth marks are drawn at; the series sets it.
    int MarksZ = 0;
    // The box centred over (x, y) with its bottom on y; both arrow ends at (x, y).
    void PlaceAt(TSeriesMarkPosition& position, int x, int y);
    // Moves the mark off the earlier marks it overlaps; false: it cannot be drawn.
    bool AvoidOverlap(int first, int index, TSeriesMarkPosition& position);
    // The box with its frame, shadow and emboss, at its screen place.
    TRect OverlapRect(int index, const TSeriesMarkPosition& position);
    // The top-left on the screen: in 3D views kept beside the projected arrow end.
    TPoint ScreenLeftTop(const TSeriesMarkPosition& position) const;
    // Keeps the computed position, or takes the user's when the mark was moved.
    void StorePosition(int index, TSeriesMarkPosition& position);
    void DrawMark(int index, TColor color, TSeriesMarkPosition& position);
    void DrawMarkShape(TCustomTextShape& shape, TColor color, TSeriesMarkPosition& position);
    // The mark under the pixel, or -1; later marks lie on top.
    int MarkIndexAt(int x, int y);
    int MarkIndexAtPoint(const TPoint& p) { return MarkIndexAt(p.X, p.Y); }
    // Every mark goes back to its computed place.
    void ResetPositions();
    // The widest line of the point's mark text, in its format's font.
    int TextWidth(int index);
    // Before a drawing pass: places found by the last pass go, places the user chose stay.
    void ForgetComputedPositions();

    void InitShadow(TDuvShadow& shadow) override;
    void InitEmboss(TDuvEmboss& emboss) override;
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;
    void WriteItems(TStream& stream);
    // All items are read before any is taken: bad bytes leave the items as they were.
    void ReadItems(TStream& stream);

private:
    template <class V>
    void ChangeSeries(V& field, V value)
    {
        if (SetIfChanged(field, value)) RepaintSeries();
    }
    void RepaintSeries();

    TCustomChartSeries* series_;
    std::unique_ptr<TAutomaticText> automatic_;
    bool multiLine_ = false;
    int drawEvery_ = 1;
    bool softClip_ = false;
    bool clip_ = false;
    bool useSeriesTransparency_ = true;
    bool fontSeriesColor_ = false;
    bool onTop_ = false;
    TSeriesMarksPositions positions_;
    TMarksItems items_{this};
    std::unique_ptr<TMarksCallout> callout_;
    std::unique_ptr<TSeriesMarksSymbol> symbol_;
};
