#include "chart/engine/DuvTextShape.h"

#include <algorithm>

#include "chart/engine/DuvProcs.h"
#include "platform/core/ScopeGuard.h"

namespace {
// Line n (from 1) of a text split at character 13; empty past the last.
std::string LineOf(const std::string& text, int n)
{
    std::size_t start = 0;
    for (int i = 1; i < n; ++i) {
        const std::size_t at = text.find(kLineSeparator, start);
        if (at == std::string::npos) return {};
        start = at + 1;
    }
    const std::size_t end = text.find(kLineSeparator, start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
}  // namespace

// ---------------------------------------------------------------- text shape

TCustomTextShape::TCustomTextShape(TCustomDuvPanel* panel)
    : TDuvCustomShape(panel), margins_(std::make_unique<TMargins>(this))
{
    Children()->ShapeClass = &GetChildShapeClass();
}

TCustomTextShape::~TCustomTextShape() = default;

const TClassInfo& TCustomTextShape::GetChildShapeClass() const { return TCustomTextShape::StaticClass(); }

void TCustomTextShape::SetText(const std::string& value)
{
    if (SetIfChanged(text_, value)) TextChanged();
}

void TCustomTextShape::SetDefaultTextAlignment(TAlignment value)
{
    textAlignment_ = value;
    defaultTextAlignment_ = value;
}

void TCustomTextShape::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomTextShape*>(source)) {
        clipText_ = other->clipText_;
        cursor_ = other->cursor_;
        margins_->Assign(other->margins_.get());
        text_ = other->text_;
        textAlignment_ = other->textAlignment_;
        textFormat_ = other->textFormat_;
        vertTextAlign_ = other->vertTextAlign_;
    }
    TDuvCustomShape::Assign(source);
}

void TCustomTextShape::ApplyShapeFont(TCustomDuvPanel* panel)
{
    if (DrawFlat)
        panel->Canvas().AssignFont(*Font());
    else
        panel->AssignPanelFont(*Font());
}

int TCustomTextShape::FrameInset() const
{
    if (Transparent() || !Pen().Visible()) return 0;
    return Pen().Width() / 2 + 1;
}

void TCustomTextShape::MeasureText(TCustomDuvPanel* panel, const std::string& text, TSize& size, int& lines,
                                   TTextFormat format)
{
    panel->MeasureTextLines(text, format == ttfHtml, size, lines);
}

void TCustomTextShape::CalcSize(TCustomDuvPanel* panel)
{
    TDuvCustomShape::CalcSize(panel);
    lineCount_ = 0;
    if (text_.empty() || !panel) return;
    ApplyShapeFont(panel);
    TSize size;
    MeasureText(panel, text_, size, lineCount_, textFormat_);
    if (!AutoSize()) return;
    int tw = size.cx, th = size.cy;
    if (!Transparent() && Pen().Visible()) {
        tw += Pen().Width() + 1;
        th += Pen().Width() + 1;
    }
    if (Transparent())
        margins_->ResetComputed();
    else
        margins_->CalcPixels(tw, th, size.cy);
    const TRect& m = margins_->ComputedMargins;
    const int horizontal = m.Left + m.Right;
    if (ChildLayout() == slTopBottom) {
        SetBoundsWidth(std::max(BoundsWidth(), tw + 2 * horizontal));
        SetBoundsHeight(BoundsHeight() + th + m.Top + m.Bottom);
    } else {
        SetBoundsHeight(std::max(BoundsHeight(), th));
        SetBoundsWidth(BoundsWidth() + tw + 3 * horizontal);
    }
}

void TCustomTextShape::DrawTextLine(TCustomDuvPanel* panel, int& x, const std::string&, const TRect& rect)
{
    TCanvas3D& canvas = panel->Canvas();
    switch (textAlignment_) {
    case taLeftJustify:
        canvas.SetTextAlign(TA_LEFT);
        x = rect.Left + margins_->ComputedMargins.Left;
        break;
    case taCenter:
        canvas.SetTextAlign(TA_CENTER);
        x = (rect.Left + rect.Right) / 2;
        break;
    case taRightJustify:
        canvas.SetTextAlign(TA_RIGHT);
        x = rect.Right - margins_->ComputedMargins.Right;
        break;
    }
}

void TCustomTextShape::OutputText(TCustomDuvPanel* panel, int x, const TPoint& center, int angle, bool html,
                                  const std::string& text, int z, int y)
{
    TCanvas3D& canvas = panel->Canvas();
    const bool flat = DrawFlat || (z == 0 && !canvas.SupportsFullRotation());
    if (angle != 0) {
        canvas.RotateAroundPoint = true;
        canvas.RotationPoint = center;
        const TScopeGuard restore([&] { canvas.RotateAroundPoint = false; });
        if (flat)
            canvas.RotateLabel(x, y, text, angle, html);
        else
            canvas.RotateLabel3D(x, y, z, text, angle, html);
        return;
    }
    if (flat)
        canvas.TextOutFormatted(x, y, html, text);
    else
        canvas.TextOut3D(x, y, z, text, false);
}

void TCustomTextShape::DrawShapeRect(TCustomDuvPanel* panel, const TRect& r, int z, int angle)
{
    TDuvCustomShape::DrawShapeRect(panel, r, z, angle);
    TCanvas3D& canvas = panel->Canvas();
    canvas.SetBackMode(TRANSPARENT);
    ApplyShapeFont(panel);
    std::string text = text_;
    std::erase(text, '\n');
    if (text.empty()) text = " ";
    int y = r.Top + margins_->ComputedMargins.Top + FrameInset();
    int x = 0;
    DrawTextLine(panel, x, text, r);
    x += TextOffset;
    const TPoint center{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    const bool clip = clipText_ && (TextOffset != 0 || (!AutoSize() && angle == 0));
    if (clip) canvas.ClipToRect(r);
    const TScopeGuard unclip([&] {
        if (clip) canvas.Unclip();
    });
    const bool html = textFormat_ == ttfHtml;
    const int depth = canvas.SupportsFullRotation() ? z : 0;
    int lineHeight = -1;
    for (int i = 1; i <= lineCount_; ++i) {
        const std::string line = LineOf(text, i);
        if (!line.empty()) OutputText(panel, x, center, angle, html, line, depth, y);
        if (lineCount_ <= 1) continue;
        if (html) {
            TSize size;
            int lines = 0;
            MeasureText(panel, line, size, lines, ttfHtml);
            y += size.cy;
        } else {
            if (lineHeight < 0) lineHeight = canvas.TextHeight("W");
            y += lineHeight;
        }
    }
}

int TCustomTextShape::GetChildStartPos()
{
    int pos = TDuvCustomShape::GetChildStartPos();
    TCustomDuvPanel* panel = Parent();
    if (!panel) return pos;
    ApplyShapeFont(panel);
    if (!Transparent() && Pen().Visible()) pos += Pen().Width() / 2;
    const bool html = textFormat_ == ttfHtml;
    if (ChildLayout() == slLeftRight) {
        int lines = 0;
        pos += panel->TextLinesWidth(text_, lines, html) + margins_->ComputedMargins.Left;
    } else {
        pos += panel->Canvas().TextHeight("W") * lineCount_ + margins_->ComputedMargins.Top;
    }
    return pos;
}

// ---------------------------------------------------------------- automatic text

void TAutomaticText::DeclareProperties(TPropertyDeclarer<TAutomaticText>& p)
{
    using A = TAutomaticText;
    p.Boolean("Hide", &A::Hide, &A::SetHide).Default(true);
    p.Boolean("Move", &A::Move, &A::SetMove).Default(true);
    p.Boolean("Resize", &A::Resize, &A::SetResize).Default(true);
    p.Boolean("Rotate", &A::Rotate, &A::SetRotate).Default(true);
    p.Boolean("Trim", &A::Trim, &A::SetTrim).Default(true);
    p.Boolean("Wrap", &A::Wrap, &A::SetWrap).Default(true);
}

void TAutomaticText::SetOption(bool& option, bool value)
{
    if (SetIfChanged(option, value) && changed_) changed_(owner_);
}

void TAutomaticText::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TAutomaticText*>(source)) {
        hide_ = other->hide_;
        move_ = other->move_;
        resize_ = other->resize_;
        rotate_ = other->rotate_;
        trim_ = other->trim_;
        wrap_ = other->wrap_;
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------- published text shapes

void TSeriesLegend::DeclareProperties(TPropertyDeclarer<TSeriesLegend>& p)
{
    DeclareShapeProperties(p, {"Picture"});
    DeclareTextShapeProperties(p, {"Text"});
    DeclareShapeProperties(p, {"Visible"});
}

void TAxisLabelsFormat::DeclareProperties(TPropertyDeclarer<TAxisLabelsFormat>& p)
{
    DeclareShapeProperties(p, {"Bevel", "BevelWidth", "Brush", "Children", "ChildLayout", "Color", "Emboss", "Font",
                               "Frame", "Gradient", "Picture", "Shadow", "ShapeCallout", "ShapeStyle", "Transparency",
                               "Transparent"});
    DeclareTextShapeProperties(p, {"ClipText", "Cursor", "Margins", "TextAlignment", "TextFormat", "VertTextAlign"});
}

// ---------------------------------------------------------------- positioned text shapes

void TDuvCustomShapePosition::MoveEdge(int& edge, int value)
{
    customPosition_ = true;
    if (edge == value) return;
    const int width = BoundsWidth(), height = BoundsHeight();
    edge = value;
    Bounds.Right = Bounds.Left + width;
    Bounds.Bottom = Bounds.Top + height;
    InvalidateParent();
}

void TDuvCustomShapePosition::SetLeft(int value) { MoveEdge(Bounds.Left, value); }

void TDuvCustomShapePosition::SetTop(int value) { MoveEdge(Bounds.Top, value); }

void TDuvCustomShapePosition::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TDuvCustomShapePosition*>(source)) {
        customPosition_ = other->customPosition_;
        if (customPosition_) {
            MoveBoundsTo(other->Left(), other->Top());
        }
    }
    TCustomTextShape::Assign(source);
}

void TTextShape::DeclareProperties(TPropertyDeclarer<TTextShape>& p)
{
    for (std::string_view name : {"Alignment", "Angle", "AutoSize", "Bevel", "BevelWidth", "Brush", "Children",
                                  "ChildLayout", "ClipText", "Color", "CustomPosition", "Cursor", "Emboss", "Font",
                                  "Frame", "Gradient", "Left", "Margins", "Picture", "Shadow", "ShapeCallout",
                                  "ShapeStyle", "Text", "TextAlignment", "TextFormat", "Top", "Transparency",
                                  "Transparent", "VertTextAlign", "Visible"}) {
        DeclareShapeProperties(p, {name});
        DeclareTextShapeProperties(p, {name});
    }
}

std::string TrimTrailingLineBreak(const std::string& text)
{
    if (text.size() > 2 && text.ends_with("\r\n")) return text.substr(0, text.size() - 2);
    return text;
}

void TStringsShape::DeclareProperties(TPropertyDeclarer<TStringsShape>& p)
{
    // The line list takes the place of the string text.
    p.Strings("Text", &TStringsShape::lines_).OnChanged(&TStringsShape::LinesChanged);
}

void TStringsShape::SetLines(const TStringList& value)
{
    if (&value != &lines_) lines_.Assign(value);
    LinesChanged();
}

void TStringsShape::LinesChanged()
{
    if (changingText_) return;
    changingText_ = true;
    const TScopeGuard done([this] { changingText_ = false; });
    // Every line ends in a break; only the last one goes, so a trailing empty line is kept.
    SetText(TrimTrailingLineBreak(lines_.Text()));
    InvalidateParent();
}

void TStringsShape::TextChanged()
{
    if (!changingText_) {
        changingText_ = true;
        const TScopeGuard done([this] { changingText_ = false; });
        lines_.SetText(Text());
    }
    TTextShape::TextChanged();
}

void TStringsShape::AssignText(const std::string& value)
{
    if (value.empty()) lines_.Clear();
    else lines_.SetText(value);
    LinesChanged();
}

void RegisterTextShapeClasses()
{
    for (const TClassInfo* info : {&TCustomTextShape::StaticClass(), &TAutomaticText::StaticClass(),
                                   &TSeriesLegend::StaticClass(), &TAxisLabelsFormat::StaticClass(),
                                   &TDuvCustomShapePosition::StaticClass(), &TTextShape::StaticClass(),
                                   &TStringsShape::StaticClass()})
        RegisterClassForStreaming(*info);
}
