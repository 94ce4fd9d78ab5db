#pragma once
// The marks of a data series: the style that makes each point's text, which points get a
// mark, the box format, per-point formats, and the places where the user moved single marks
// (stored with the series' points).
#include <memory>
#include <vector>

#include "chart/engine/DuvShape.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/engine/RuRazazi.h"
#include "platform/core/Properties.h"
#include "platform/core/StringList.h"

QB_ENUM(TSeriesMarksStyle, smsValue, smsPercent, smsLabel, smsLabelPercent, smsLabelValue, smsLegend, smsPercentTotal,
        smsLabelPercentTotal, smsXValue, smsXY, smsSeriesTitle, smsPointIndex, smsPercentRelative,
        smsLabelPercentValue, smsLabelOrValue)

class TSeriesMarks;
class TMarksCallout;

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
    // Copies the given callout, or frees the own one with none.
    void SetCallout(const TMarksCallout* value);
    // Moves the mark up by the callout's Length + Distance (nothing without a callout).
    void ApplyCalloutLength(TSeriesMarkPosition& position) const;

    // Empties the position list, and the items unless they came from a stream; the series
    // calls it when its points are cleared.
    void ClearPositions();

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
};
