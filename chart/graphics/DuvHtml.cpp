#include "chart/graphics/DuvHtml.h"

#include <QFileInfo>
#include <QImage>
#include <QUrl>
#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <string_view>
#include <vector>

#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Streams.h"
#include "platform/core/StringList.h"
#include "platform/core/SysUtils.h"

THtmlGraphicHook HtmlGraphicHook = nullptr;
THtmlStreamHook HtmlStreamHook = nullptr;
bool HtmlRemotePicturesAllowed = false;

namespace {

constexpr int kMinFontSize = 1;
// Beyond this a size is a typing error; the device would spend long on glyphs nobody reads.
constexpr int kMaxFontSize = 1000;
// Picture sizes beyond the device's coordinate range are clamped to it.
constexpr int kMaxPictureSide = 32767;
constexpr int kMissingPictureSide = 40;
constexpr int kRuleLength = 100;
constexpr TColor kRuleColor = 0x808080;
constexpr TColor kOwnColor = 0x20000000;
// Pictures larger than this are not read into memory for a chart text.
constexpr qint64 kMaxPictureFileBytes = 64 * 1024 * 1024;

int Saturated(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

bool TryHexNumber(std::string_view digits, TColor& value)
{
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return false;
    value = static_cast<TColor>(number);
    return true;
}

// Hexadecimal digits as the number parser reads "$" + digits; its conversion error otherwise.
TColor HexNumber(std::string_view digits)
{
    TColor value = 0;
    if (!TryHexNumber(digits, value)) throw EConvertError("'$" + std::string(digits) + "' is not a valid integer value");
    return value;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (std::size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
}

// One surrounding pair of the quote character.
std::string Unquoted(std::string text, char quote = '"')
{
    if (text.size() >= 2 && text.front() == quote && text.back() == quote) return text.substr(1, text.size() - 2);
    return text;
}

// One leading and one trailing quote, double or single, each on its own.
std::string WithoutQuotes(std::string text)
{
    if (!text.empty() && (text.front() == '"' || text.front() == '\'')) text.erase(0, 1);
    if (!text.empty() && (text.back() == '"' || text.back() == '\'')) text.pop_back();
    return text;
}

// The "name=value" fields of a tag body. A value runs to the last blank before the next '=',
// so values may hold blanks ("NAME=Courier New SIZE=10").
struct THtmlField {
    std::string Name;
    std::string Value;
};

std::vector<THtmlField> HtmlFields(const std::string& body)
{
    std::vector<std::size_t> signs;
    for (std::size_t p = body.find('='); p != std::string::npos; p = body.find('=', p + 1)) signs.push_back(p);
    std::vector<THtmlField> fields;
    std::size_t nameStart = 0;
    for (std::size_t n = 0; n < signs.size(); ++n) {
        const std::size_t valueStart = signs[n] + 1;
        std::size_t valueEnd = body.size();
        if (n + 1 < signs.size()) {
            const std::size_t blank = body.rfind(' ', signs[n + 1]);
            valueEnd = blank != std::string::npos && blank >= valueStart ? blank : signs[n + 1];
        }
        fields.push_back({UpperCase(Trim(body.substr(nameStart, signs[n] - nameStart))),
                          Trim(body.substr(valueStart, valueEnd - valueStart))});
        nameStart = valueEnd;
    }
    return fields;
}

int PictureSide(const std::string& value)
{
    int side = 0;
    if (!TryStrToInt(WithoutQuotes(Trim(value)), side)) return 0;
    return std::clamp(side, -kMaxPictureSide, kMaxPictureSide);
}

TFontStyles WeightStyles(const std::string& value)
{
    static constexpr std::array<std::pair<std::string_view, TFontStyle>, 4> kWeights{
        {{"BOLD", fsBold}, {"ITALIC", fsItalic}, {"UNDERLINE", fsUnderline}, {"STRIKE", fsStrikeOut}}};
    const std::string upper = UpperCase(value);
    TFontStyles styles;
    if (upper == "NORMAL") return styles;
    std::size_t start = 0;
    while (start <= upper.size()) {
        std::size_t end = upper.find(", ", start);
        if (end == std::string::npos) end = upper.size();
        const std::string_view word = std::string_view(upper).substr(start, end - start);
        const auto found = std::find_if(kWeights.begin(), kWeights.end(), [&](auto& w) { return w.first == word; });
        if (found == kWeights.end()) throw Exception("Unknown field in FONT WEIGHT=" + value);
        styles.Include(found->second);
        start = end + 2;
    }
    return styles;
}

float ClampedSize(double size)
{
    if (!(size >= kMinFontSize)) return kMinFontSize;  // also NaN
    return static_cast<float>(std::min<double>(size, kMaxFontSize));
}

// A saved font with the baseline shift of the tag that saved it, undone when it is restored.
struct TFontState {
    std::string Name;
    float SizeFloat = 0;
    TColor Color = 0;
    TFontStyles Style;
    int Shift = 0;
};

class THtmlRender;
using TTagAction = void (THtmlRender::*)(const std::string& token, int argument);

struct TTagEntry {
    std::string_view Tag;
    bool Prefix;  // matches any tag beginning with Tag
    TTagAction Action;
    int Argument;
};

class THtmlRender {
public:
    THtmlRender(TDuvCanvas& canvas, int x, int y, bool drawing)
        : canvas_(canvas), x_(x), lineStart_(x), y_(y), drawing_(drawing), lineHeight_(canvas.FontHeight())
    {
    }

    TSize Run(std::string_view text)
    {
        std::size_t position = 0;
        while (position < text.size()) Handle(NextToken(text, position));
        return size_;
    }

    void Break(const std::string&, int)
    {
        NewLine();
        size_.cy = Saturated(static_cast<long long>(size_.cy) + canvas_.FontHeight() + 2);
    }
    void Resize(const std::string&, int delta)
    {
        Push();
        SetWholeSize(canvas_.Font().Size() + delta);
    }
    void Header(const std::string&, int size)
    {
        Push();
        SetWholeSize(size);
    }
    // Sub- (argument 1) and superscripts (-1) at half size; the shift is undone on restoring.
    void Script(const std::string&, int direction)
    {
        Push();
        SetWholeSize(canvas_.Font().Size() / 2);
        const int height = canvas_.FontHeight();
        const int shift = direction > 0 ? height : -(height / 2);
        fonts_.back().Shift = shift;
        y_ = Saturated(static_cast<long long>(y_) + shift);
    }
    void Pre(const std::string&, int)
    {
        Push();
        ApplyFontTag("<FONT NAME=\"COURIER NEW\">");
    }
    void Centre(const std::string&, int on) { centred_ = on != 0; }
    void AddStyle(const std::string& token, int style)
    {
        ChangeStyle(static_cast<TFontStyle>(style), true);
        tags_.push_back(UpperCase(token));
    }
    void RemoveStyle(const std::string&, int style) { ChangeStyle(static_cast<TFontStyle>(style), false); }
    void Restore(const std::string&, int) { Pop(); }
    void Font(const std::string& token, int)
    {
        Push();
        ApplyFontTag(token);
    }
    void CloseLast(const std::string&, int)
    {
        if (previousSaved_) return Pop();
        std::string last;
        if (!tags_.empty()) {
            last = tags_.back();
            tags_.pop_back();
        }
        Handle("</" + (last.empty() ? std::string() : last.substr(1)));
    }
    void Rule(const std::string&, int)
    {
        x_ = lineStart_;
        if (drawing_) {
            TDuvPen& pen = canvas_.Pen();
            pen.SetStyle(psSolid);
            pen.SetWidth(1);
            pen.SetColor(kRuleColor);
            pen.SetVisible(true);
            canvas_.HorizLine(x_, x_ + kRuleLength, y_);
        }
        y_ = Saturated(static_cast<long long>(y_) + canvas_.FontHeight());
    }
    void Image(const std::string& token, int);

private:
    static std::string NextToken(std::string_view text, std::size_t& position);
    void Handle(const std::string& token);
    bool Dispatch(const std::string& token, const std::string& upper);
    void OutputText(std::string text);
    void NewLine()
    {
        x_ = lineStart_;
        lineHeight_ = 0;
        y_ = Saturated(static_cast<long long>(y_) + canvas_.FontHeight());
    }
    void Push();
    void Pop();
    void ApplyFontTag(const std::string& tag);
    void SetWholeSize(int size) { canvas_.Font().SetSizeFloat(ClampedSize(size)); }
    void ChangeStyle(TFontStyle style, bool on)
    {
        TFontStyles styles = canvas_.Font().Style();
        on ? styles.Include(style) : styles.Exclude(style);
        canvas_.Font().SetStyle(styles);
    }
    void DrawMissingPicture(int width, int height);
    bool DrawPicture(const std::string& source, int& width, int& height);
    void Advance(int width, int height);

    TDuvCanvas& canvas_;
    int x_;
    int lineStart_;
    int y_;
    bool drawing_;
    int lineHeight_;
    bool centred_ = false;
    bool currentSaved_ = false;
    bool previousSaved_ = false;
    TSize size_;
    std::vector<std::string> tags_;
    std::vector<TFontState> fonts_;
};

// First match wins, so closers come before the openers they begin with.
const TTagEntry kTagTable[] = {
    {"<BR>", false, &THtmlRender::Break, 0},
    {"<P>", false, &THtmlRender::Break, 0},
    {"<BIG>", false, &THtmlRender::Resize, 2},
    {"<SMALL>", false, &THtmlRender::Resize, -2},
    {"</SUB>", false, &THtmlRender::Restore, 0},
    {"<SUB>", false, &THtmlRender::Script, 1},
    {"</SUPER>", false, &THtmlRender::Restore, 0},
    {"<SUPER>", false, &THtmlRender::Script, -1},
    {"<H1>", false, &THtmlRender::Header, 48},
    {"<H2>", false, &THtmlRender::Header, 36},
    {"<H3>", false, &THtmlRender::Header, 24},
    {"<H4>", false, &THtmlRender::Header, 18},
    {"<H5>", false, &THtmlRender::Header, 12},
    {"<H6>", false, &THtmlRender::Header, 8},
    {"<PRE>", false, &THtmlRender::Pre, 0},
    {"<CENTER>", false, &THtmlRender::Centre, 1},
    {"<B>", false, &THtmlRender::AddStyle, fsBold},
    {"<BOLD>", false, &THtmlRender::AddStyle, fsBold},
    {"<STRONG>", false, &THtmlRender::AddStyle, fsBold},
    {"<I>", false, &THtmlRender::AddStyle, fsItalic},
    {"<U>", false, &THtmlRender::AddStyle, fsUnderline},
    {"<STRIKE>", false, &THtmlRender::AddStyle, fsStrikeOut},
    {"<IMG ", true, &THtmlRender::Image, 0},
    {"</B>", false, &THtmlRender::RemoveStyle, fsBold},
    {"</BOLD>", false, &THtmlRender::RemoveStyle, fsBold},
    {"</STRONG>", false, &THtmlRender::RemoveStyle, fsBold},
    {"</I>", false, &THtmlRender::RemoveStyle, fsItalic},
    {"</U>", false, &THtmlRender::RemoveStyle, fsUnderline},
    {"</STRIKE>", false, &THtmlRender::RemoveStyle, fsStrikeOut},
    {"</H1>", false, &THtmlRender::Restore, 0},
    {"</H2>", false, &THtmlRender::Restore, 0},
    {"</H3>", false, &THtmlRender::Restore, 0},
    {"</H4>", false, &THtmlRender::Restore, 0},
    {"</H5>", false, &THtmlRender::Restore, 0},
    {"</H6>", false, &THtmlRender::Restore, 0},
    {"</FONT", true, &THtmlRender::Restore, 0},
    {"</PRE>", false, &THtmlRender::Restore, 0},
    {"</CENTER>", false, &THtmlRender::Centre, 0},
    {"<FONT ", true, &THtmlRender::Font, 0},
    {"</>", false, &THtmlRender::CloseLast, 0},
    {"<HR>", false, &THtmlRender::Rule, 0},
};

std::string THtmlRender::NextToken(std::string_view text, std::size_t& position)
{
    const std::string_view rest = text.substr(position);
    const std::size_t open = rest.find('<');
    std::size_t length = rest.size();
    if (open == 0) {
        const std::size_t close = rest.find('>');
        if (close == std::string_view::npos) {
            position = text.size();
            return std::string(rest.substr(1));  // a lone '<' is dropped
        }
        length = close + 1;
    } else if (open != std::string_view::npos) {
        length = open;
    }
    position += length;
    return std::string(rest.substr(0, length));
}

void THtmlRender::Handle(const std::string& token)
{
    currentSaved_ = false;
    std::string rest = token;
    if (rest.starts_with("\r\n")) {
        NewLine();
        rest.erase(0, 2);
        if (rest.empty()) return;
    }
    if (!Dispatch(rest, UpperCase(rest))) return OutputText(rest);
    previousSaved_ = currentSaved_;
}

bool THtmlRender::Dispatch(const std::string& token, const std::string& upper)
{
    for (const TTagEntry& entry : kTagTable) {
        const bool matches = entry.Prefix ? upper.starts_with(entry.Tag) : upper == entry.Tag;
        if (!matches) continue;
        (this->*entry.Action)(token, entry.Argument);
        return true;
    }
    return false;
}

void THtmlRender::OutputText(std::string text)
{
    ReplaceAll(text, "&lt;", "<");
    ReplaceAll(text, "&gt;", ">");
    ReplaceAll(text, "&amp;", "&");
    ReplaceAll(text, "&quot;", "\"");
    const bool endsLine = text.ends_with("\r\n");
    if (endsLine) text.resize(text.size() - 2);
    if (!text.empty()) {
        TPointFloat extent;
        canvas_.TextSizeFloat(text, extent);
        const int width = static_cast<int>(Rnd(extent.X));
        const int height = static_cast<int>(Rnd(extent.Y));
        if (centred_) x_ = (canvas_.Bounds.Left + canvas_.Bounds.Right) / 2 - width / 2;
        // A run lower than the line sits on the line's bottom; the line's top stays where it is.
        int drop = 0;
        if (lineHeight_ == 0)
            lineHeight_ = canvas_.FontHeight();
        else if (lineHeight_ > extent.Y)
            drop = lineHeight_ - height - 1;
        if (drawing_) canvas_.TextOut(x_, Saturated(static_cast<long long>(y_) + drop), text);
        x_ = Saturated(static_cast<long long>(x_) + width);
        size_.cx = std::max(size_.cx, x_);
        if (lineHeight_ < extent.Y) lineHeight_ = height - 1;
        size_.cy = std::max(size_.cy, lineHeight_);
    }
    // A run ending its line: what follows starts on the next one.
    if (endsLine) NewLine();
}

void THtmlRender::Push()
{
    const TDuvFont& font = canvas_.Font();
    fonts_.push_back({font.Name(), font.GetSizeFloat(), font.Color(), font.Style(), 0});
    currentSaved_ = true;
}

void THtmlRender::Pop()
{
    if (fonts_.empty()) return;
    const TFontState state = fonts_.back();
    fonts_.pop_back();
    TDuvFont& font = canvas_.Font();
    font.SetName(state.Name);
    font.SetSizeFloat(state.SizeFloat);
    font.SetColor(state.Color);
    font.SetStyle(state.Style);
    y_ = Saturated(static_cast<long long>(y_) - state.Shift);
}

void THtmlRender::ApplyFontTag(const std::string& tag)
{
    const std::string body = tag.size() > 7 ? tag.substr(6, tag.size() - 7) : std::string();
    TDuvFont& font = canvas_.Font();
    for (const THtmlField& field : HtmlFields(body)) {
        if (field.Name == "NAME" || field.Name == "FAMILY") {
            font.SetName(Unquoted(field.Value));
        } else if (field.Name == "SIZE") {
            const std::string value = WithoutQuotes(field.Value);
            TFormatSettings dot;
            dot.DecimalSeparator = '.';
            const double number = StrToFloat(value, dot);
            const bool relative = !value.empty() && (value.front() == '+' || value.front() == '-');
            font.SetSizeFloat(ClampedSize(relative ? font.GetSizeFloat() + number : number));
        } else if (field.Name == "COLOR") {
            font.SetColor(HtmlColorValue(field.Value));
        } else if (field.Name == "WEIGHT") {
            font.SetStyle(WeightStyles(field.Value));
        } else {
            throw Exception("Unknown field in FONT: " + field.Name);
        }
    }
}

// ---------------------------------------------------------------- pictures

void THtmlRender::Image(const std::string& token, int)
{
    std::string body = token.substr(5);
    if (body.starts_with("\r\n")) body.erase(0, 2);
    if (body.ends_with(">")) body.pop_back();
    std::string source;
    int width = 0, height = 0;
    for (const THtmlField& field : HtmlFields(body)) {
        if (field.Name == "SRC") source = Unquoted(Trim(field.Value));
        if (field.Name == "WIDTH") width = PictureSide(field.Value);
        if (field.Name == "HEIGHT") height = PictureSide(field.Value);
    }
    if (!DrawPicture(source, width, height)) return DrawMissingPicture(width, height);
    Advance(width, height);
}

bool THtmlRender::DrawPicture(const std::string& source, int& width, int& height)
{
    if (source.empty() || !HtmlGraphicHook || !HtmlStreamHook) return false;
    if (IsRemoteHtmlSource(source) && !HtmlRemotePicturesAllowed) return false;
    const QFileInfo info(QString::fromStdString(source));
    const std::string extension = "." + UpperCase(info.suffix().toStdString());
    try {
        if (!HtmlGraphicHook(extension)) return false;
        TMemoryStream stream;
        if (HtmlStreamHook(source, stream) != 0 || stream.Size() == 0) return false;
        stream.SetPosition(0);
        const QImage picture = ReadHtmlPicture(extension, stream);
        if (width == 0) width = std::min(picture.width(), kMaxPictureSide);
        if (height == 0) height = std::min(picture.height(), kMaxPictureSide);
        if (!drawing_) return true;
        if (picture.width() == width && picture.height() == height) {
            canvas_.DrawGraphic(x_, y_, picture);
        } else {
            const int left = centred_ ? x_ - width / 2 : x_;
            const int right = centred_ ? x_ + width / 2 : x_ + width;
            canvas_.StretchDraw({left, y_, right, Saturated(static_cast<long long>(y_) + height)}, picture);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void THtmlRender::Advance(int width, int height)
{
    x_ = Saturated(static_cast<long long>(x_) + width);
    y_ = Saturated(static_cast<long long>(y_) + height - 10);
    lineHeight_ = height;
    // The extent reaches the picture's right edge, not just its width.
    size_.cx = std::max(size_.cx, x_);
    size_.cy = std::max(size_.cy, height);
}

void THtmlRender::DrawMissingPicture(int width, int height)
{
    if (!drawing_) return;
    const int w = width != 0 ? width : kMissingPictureSide;
    const int h = height != 0 ? height : kMissingPictureSide;
    TDuvPen& pen = canvas_.Pen();
    pen.SetStyle(psSolid);
    pen.SetColor(clRed);
    pen.SetWidth(1);
    pen.SetVisible(true);
    canvas_.Brush().SetStyle(bsSolid);
    canvas_.Brush().SetColor(clWhite);
    canvas_.Rectangle(x_, y_, x_ + w, y_ + h);
    canvas_.Line(x_, y_, x_ + w - 1, y_ + h - 1);
    canvas_.Line(x_, y_ + h - 1, x_ + w - 1, y_);
}

}  // namespace

// ---------------------------------------------------------------- interface

TSize RenderHtmlText(TDuvCanvas& canvas, int x, int y, bool drawing, const std::string& text)
{
    return THtmlRender(canvas, x, y, drawing).Run(text);
}

TSize MeasureHtmlText(TDuvCanvas& canvas, const std::string& text) { return RenderHtmlText(canvas, 0, 0, false, text); }

void DrawHtmlText(TDuvCanvas& canvas, int x, int y, const std::string& text)
{
    const int align = canvas.GetTextAlign();
    if (align != TA_CENTER && align != TA_RIGHT) {
        RenderHtmlText(canvas, x, y, true, text);
        return;
    }
    const TSize size = MeasureHtmlText(canvas, text);
    canvas.SetTextAlign(TA_LEFT);
    const TScopeGuard restore([&] { canvas.SetTextAlign(align); });
    const int left = align == TA_CENTER ? x - size.cx / 2 : x - size.cx;
    RenderHtmlText(canvas, left, y, true, text);
}

TColor HexToColorValue(const std::string& text)
{
    const std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed[0] != '#') return kOwnColor;
    auto channel = [&](std::size_t at) {
        return HexNumber(std::string_view(trimmed).substr(std::min(at, trimmed.size()), 2));
    };
    return channel(1) | (channel(3) << 8) | (channel(5) << 16);
}

TColor HtmlColorValue(const std::string& text)
{
    struct TNamed {
        std::string_view Name;
        TColor Color;
    };
    static constexpr std::array<TNamed, 7> kNames{{{"BLACK", 0x000000},
                                                   {"RED", 0x0000FF},
                                                   {"BLUE", 0xFF0000},
                                                   {"YELLOW", 0x00FFFF},
                                                   {"WHITE", 0xFFFFFF},
                                                   {"GREEN", 0x008000},
                                                   {"LIME", 0x00FF00}}};
    std::string value = UpperCase(Trim(text));
    if (!value.empty() && value.front() == '"') value.erase(0, 1);
    if (!value.empty() && value.back() == '"') value.pop_back();
    for (const TNamed& named : kNames)
        if (value == named.Name) return named.Color;
    if (value.starts_with("#")) return HexToColorValue(value);
    TColor color = 0;
    if (IdentToColor(value, color)) return color;
    int number = 0;
    if (TryStrToInt(value, number)) return static_cast<TColor>(number);
    if (value.starts_with("$") && TryHexNumber(std::string_view(value).substr(1), color)) return color;
    return 0;
}

// ---------------------------------------------------------------- picture sources

bool IsRemoteHtmlSource(const std::string& source)
{
    const QUrl url(QString::fromStdString(Trim(source)));
    const QString scheme = url.scheme().toLower();
    // One-letter schemes are drive letters of paths written on another system.
    return scheme.size() > 1 && scheme != QLatin1String("file") && scheme != QLatin1String("qrc");
}

bool HtmlPictureFormatExists(const std::string& extension)
{
    return extension.size() > 1 && GraphicClassOfExtension(extension) != nullptr;
}

int LoadHtmlPictureFile(const std::string& source, TStream& stream)
{
    if (IsRemoteHtmlSource(source)) return 1;
    QString path = QString::fromStdString(Trim(source));
    const QUrl url(path);
    if (url.isLocalFile()) path = url.toLocalFile();
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable() || info.size() > kMaxPictureFileBytes) return 1;
    try {
        TMemoryStream file;
        file.LoadFromFile(path.toStdString());
        stream.WriteString(file.Bytes());
        return 0;
    } catch (const std::exception&) {
        return 1;
    }
}

QImage ReadHtmlPicture(const std::string& extension, TStream& stream)
{
    const TGraphicClass* kind = extension.size() > 1 ? GraphicClassOfExtension(extension) : nullptr;
    if (!kind) throw Exception("No picture format for " + extension);
    const std::unique_ptr<TGraphic> graphic = kind->Create();
    graphic->LoadFromStream(stream);
    if (graphic->Empty()) throw Exception("Picture of type " + extension + " cannot be read");
    return graphic->Image();
}

// ---------------------------------------------------------------- module

void DuvHtmlInitialization()
{
    DrawHtmlTextHook = &DrawHtmlText;
    HtmlGraphicHook = &HtmlPictureFormatExists;
    HtmlStreamHook = &LoadHtmlPictureFile;
}

void DuvHtmlFinalization()
{
    DrawHtmlTextHook = nullptr;
    HtmlGraphicHook = nullptr;
    HtmlStreamHook = nullptr;
}
