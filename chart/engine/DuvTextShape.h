#pragma once
// Text shapes: a shape that carries lines of text (separated by character 13) with margins,
// alignment, clipping and optional markup. Marks, legends, titles and axis labels derive from it.
// Also the automatic-text options of marks, a series' own legend settings and the box format of
// axis labels.
//
// What always holds: the line count is the one found by the last size calculation; drawing
// outputs that many lines, so a shape is sized before it is drawn.
#include <functional>
#include <memory>
#include <string>

#include "chart/engine/DuvShape.h"
#include "platform/core/StringList.h"

QB_ENUM(TTextFormat, ttfNormal, ttfHtml)
QB_ENUM(TVertTextAlign, vtaCenter, vtaTop, vtaBottom)

class TCustomTextShape : public TDuvCustomShape {
    QB_CLASS(TCustomTextShape, TDuvCustomShape)
public:
    explicit TCustomTextShape(TCustomDuvPanel* panel = nullptr);
    ~TCustomTextShape() override;

    bool ClipText() const { return clipText_; }
    void SetClipText(bool value) { Change(clipText_, value); }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value) { cursor_ = static_cast<std::int16_t>(value); }
    TMargins* Margins() const { return margins_.get(); }
    // Copies the given margins.
    void SetMargins(const TMargins* value) { margins_->Assign(value); }
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    TAlignment TextAlignment() const { return textAlignment_; }
    void SetTextAlignment(TAlignment value) { Change(textAlignment_, value); }
    TAlignment DefaultTextAlignment() const { return defaultTextAlignment_; }
    // TextAlignment together with the default it is stored against.
    void SetDefaultTextAlignment(TAlignment value);
    bool IsTextAlignmentStored() const { return textAlignment_ != defaultTextAlignment_; }
    TTextFormat TextFormat() const { return textFormat_; }
    void SetTextFormat(TTextFormat value) { Change(textFormat_, value); }
    // Kept and copied; the text always starts at the top margin.
    TVertTextAlign VertTextAlign() const { return vertTextAlign_; }
    void SetVertTextAlign(TVertTextAlign value) { Change(vertTextAlign_, value); }
    int LineCount() const { return lineCount_; }

    // Added to every line's x (owners that scroll or indent the text).
    int TextOffset = 0;
    // Always drawn flat, also in 3D views (titles, legend).
    bool DrawFlat = false;

    // Sets the canvas's text alignment; x of a line in rect by TextAlignment and the margins.
    virtual void DrawTextLine(TCustomDuvPanel* panel, int& x, const std::string& text, const TRect& rect);
    // Widest line and summed height of the text's lines.
    virtual void MeasureText(TCustomDuvPanel* panel, const std::string& text, TSize& size, int& lines,
                             TTextFormat format);
    virtual void TextChanged() { InvalidateParent(); }
    virtual void OutputText(TCustomDuvPanel* panel, int x, const TPoint& center, int angle, bool html,
                            const std::string& text, int z, int y);

    void CalcSize(TCustomDuvPanel* panel) override;
    void DrawShapeRect(TCustomDuvPanel* panel, const TRect& r, int z, int angle) override;
    int GetChildStartPos() override;
    const TClassInfo& GetChildShapeClass() const override;
    std::string GetEditorClassName() const override { return "TTextShapeEditor"; }
    void Assign(const TPersistent* source) override;

protected:
    // The shape's font on the canvas: plain when drawn flat, else through the panel.
    void ApplyShapeFont(TCustomDuvPanel* panel);
    // Half the frame plus one for an opaque framed shape, else 0.
    int FrameInset() const;

private:
    bool clipText_ = true;
    std::int16_t cursor_ = 0;
    std::unique_ptr<TMargins> margins_;
    std::string text_;
    TAlignment textAlignment_ = taLeftJustify;
    TTextFormat textFormat_ = ttfNormal;
    TVertTextAlign vertTextAlign_ = vtaCenter;
    TAlignment defaultTextAlignment_ = taLeftJustify;
    int lineCount_ = 0;
};

// Options of the automatic placing of mark texts; the callback hears of each change.
class TAutomaticText : public TPersistent {
    QB_CLASS(TAutomaticText, TPersistent)
public:
    explicit TAutomaticText(TChangeHandler changed = nullptr, TObject* owner = nullptr)
        : changed_(std::move(changed)), owner_(owner)
    {
    }
    static void DeclareProperties(TPropertyDeclarer<TAutomaticText>& p);

    bool Hide() const { return hide_; }
    void SetHide(bool value) { SetOption(hide_, value); }
    bool Move() const { return move_; }
    void SetMove(bool value) { SetOption(move_, value); }
    bool Resize() const { return resize_; }
    void SetResize(bool value) { SetOption(resize_, value); }
    bool Rotate() const { return rotate_; }
    void SetRotate(bool value) { SetOption(rotate_, value); }
    bool Trim() const { return trim_; }
    void SetTrim(bool value) { SetOption(trim_, value); }
    bool Wrap() const { return wrap_; }
    void SetWrap(bool value) { SetOption(wrap_, value); }
    void Assign(const TPersistent* source) override;

private:
    void SetOption(bool& option, bool value);

    bool hide_ = true;
    bool move_ = true;
    bool resize_ = true;
    bool rotate_ = true;
    bool trim_ = true;
    bool wrap_ = true;
    TChangeHandler changed_;
    TObject* owner_;
};

// A series' own legend settings: its legend title, whether it shows in the legend, a picture.
class TSeriesLegend : public TCustomTextShape {
    QB_CLASS(TSeriesLegend, TCustomTextShape)
public:
    explicit TSeriesLegend(TCustomDuvPanel* panel = nullptr) : TCustomTextShape(panel) {}
    static void DeclareProperties(TPropertyDeclarer<TSeriesLegend>& p);
};

// The box format of axis labels.
class TAxisLabelsFormat : public TCustomTextShape {
    QB_CLASS(TAxisLabelsFormat, TCustomTextShape)
public:
    explicit TAxisLabelsFormat(TCustomDuvPanel* panel = nullptr) : TCustomTextShape(panel) {}
    static void DeclareProperties(TPropertyDeclarer<TAxisLabelsFormat>& p);
};

// A text shape that can be placed freely: setting Left or Top turns CustomPosition on.
class TDuvCustomShapePosition : public TCustomTextShape {
    QB_CLASS(TDuvCustomShapePosition, TCustomTextShape)
public:
    explicit TDuvCustomShapePosition(TCustomDuvPanel* panel = nullptr) : TCustomTextShape(panel) {}

    bool CustomPosition() const { return customPosition_; }
    void SetCustomPosition(bool value) { Change(customPosition_, value); }
    // CustomPosition together with its stored default.
    void InitCustomPosition(bool value) { customPosition_ = defaultCustomPosition_ = value; }
    bool IsCustomPositionStored() const { return customPosition_ != defaultCustomPosition_; }
    int Left() const { return Bounds.Left; }
    void SetLeft(int value);
    int Top() const { return Bounds.Top; }
    void SetTop(int value);
    void Assign(const TPersistent* source) override;

private:
    void MoveEdge(int& edge, int value);
    bool customPosition_ = false;
    bool defaultCustomPosition_ = false;
};

// The positioned text shape as annotations, gauges and organisation charts publish it.
class TTextShape : public TDuvCustomShapePosition {
    QB_CLASS(TTextShape, TDuvCustomShapePosition)
public:
    explicit TTextShape(TCustomDuvPanel* panel = nullptr) : TDuvCustomShapePosition(panel) {}
    static void DeclareProperties(TPropertyDeclarer<TTextShape>& p);
};

// A text shape whose text is a list of lines; the lines and the string text stay equal.
class TStringsShape : public TTextShape {
    QB_CLASS(TStringsShape, TTextShape)
public:
    explicit TStringsShape(TCustomDuvPanel* panel = nullptr) : TTextShape(panel) {}
    static void DeclareProperties(TPropertyDeclarer<TStringsShape>& p);

    TStringList& Lines() { return lines_; }
    const TStringList& Lines() const { return lines_; }
    // Copies the lines and takes them as the text.
    void SetLines(const TStringList& value);
    // The string text from the lines (joined by CR LF, one trailing break dropped); repaints.
    void LinesChanged();
    void TextChanged() override;
    std::string ReadFirstLine() const { return lines_.Count() > 0 ? lines_[0] : std::string(); }
    // Lines from a text; empty clears them.
    void AssignText(const std::string& value);

private:
    TStringList lines_;
    bool changingText_ = false;
};

// A text without its one trailing line break; texts of 2 characters or less stay as they are.
std::string TrimTrailingLineBreak(const std::string& text);

// The one declaration of each published text property, named by the text shape classes.
template <class T>
void DeclareTextShapeProperties(TPropertyDeclarer<T>& p, std::initializer_list<std::string_view> names)
{
    using S = TCustomTextShape;
    for (std::string_view name : names) {
        if constexpr (std::is_base_of_v<TDuvCustomShapePosition, T>) {
            using P = TDuvCustomShapePosition;
            if (name == "CustomPosition")
                p.Boolean("CustomPosition", &P::CustomPosition, &P::SetCustomPosition).Stored(&P::IsCustomPositionStored);
            else if (name == "Left")
                p.Integer("Left", &P::Left, &P::SetLeft).Stored(&P::CustomPosition);
            else if (name == "Top")
                p.Integer("Top", &P::Top, &P::SetTop).Stored(&P::CustomPosition);
        }
        if (name == "ClipText")
            p.Boolean("ClipText", &S::ClipText, &S::SetClipText).Default(true);
        else if (name == "Cursor")
            p.Integer("Cursor", &S::Cursor, &S::SetCursor).Default(0);
        else if (name == "Margins")
            p.Object("Margins", &S::Margins, &S::SetMargins);
        else if (name == "Text")
            p.String("Text", &S::Text, &S::SetText).Default(std::string());
        else if (name == "TextAlignment")
            p.Enum("TextAlignment", &S::TextAlignment, &S::SetTextAlignment).Stored(&S::IsTextAlignmentStored);
        else if (name == "TextFormat")
            p.Enum("TextFormat", &S::TextFormat, &S::SetTextFormat).Default(ttfNormal);
        else if (name == "VertTextAlign")
            p.Enum("VertTextAlign", &S::VertTextAlign, &S::SetVertTextAlign).Default(vtaCenter);
    }
}

// The text shape module's classes, named in chart streams.
void RegisterTextShapeClasses();
