// The series data exporters. Every export is built into one string (or, for the spreadsheet,
// one byte buffer) with no allocation per value: numbers go through std::to_chars.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "chart/engine/ChartRegistry.h"
#include "chart/graphics/DuvConst.h"
#include "chart/output/DuvStore.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/core/Streams.h"

namespace {

const char* const kCrLf = "\r\n";
constexpr int kMaxSheetRows = 65535;
constexpr int kMaxSheetColumns = 256;
constexpr int kGeneralPrecision = 15;

bool IsAscii(const std::string& text)
{
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

// Code point of the UTF-8 character at text[i]; i moves past it. Broken bytes give U+FFFD.
char32_t NextCodePoint(const std::string& text, std::size_t& i)
{
    const std::size_t length = ValidUtf8Length(text.data() + i, text.size() - i);
    if (length == 0) {
        ++i;
        return 0xFFFD;
    }
    auto byte = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(text[i + k])); };
    char32_t code = length == 1 ? byte(0)
                    : length == 2 ? byte(0) & 0x1F
                    : length == 3 ? byte(0) & 0x0F
                                  : byte(0) & 0x07;
    for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (byte(k) & 0x3F);
    i += length;
    return code;
}

void AppendReference(std::string& out, char32_t code)
{
    out += "&#";
    out += std::to_string(static_cast<unsigned long>(code));
    out += ';';
}

// Text for an XML attribute or HTML cell: markup characters escaped, line breaks kept as
// references, other control characters (not allowed in XML) as blanks; with asciiOnly every
// other character as a reference too.
void AppendMarkupText(std::string& out, const std::string& text, bool asciiOnly)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t start = i;
            const char32_t code = NextCodePoint(text, i);
            if (asciiOnly || code == 0xFFFD) AppendReference(out, code);
            else out.append(text, start, i - start);
            continue;
        }
        ++i;
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r': out += "&#13;"; break;
        case '\n': out += "&#10;"; break;
        case '\t': out += "&#9;"; break;
        default: out += c < 0x20 ? ' ' : static_cast<char>(c);
        }
    }
}

void AppendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

// UTF-8 text in the named encoding; characters the encoding lacks become character references.
std::string EncodeWithReferences(const std::string& utf8, const std::string& encoding)
{
    if (encoding.empty() || SameText(encoding, "UTF-8") || SameText(encoding, "UTF8")) return utf8;
    iconv_t cd = iconv_open(encoding.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw EConvertError("Unknown XML encoding \"" + encoding + "\"");
    std::string out;
    out.reserve(utf8.size());
    char buffer[16];
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            // Every encoding an XML declaration may name keeps ASCII as it is.
            out += utf8[i++];
            continue;
        }
        const std::size_t start = i;
        const char32_t code = NextCodePoint(utf8, i);
        char* in = const_cast<char*>(utf8.data() + start);
        std::size_t inLeft = i - start;
        char* target = buffer;
        std::size_t targetLeft = sizeof buffer;
        if (code != 0xFFFD && iconv(cd, &in, &inLeft, &target, &targetLeft) != static_cast<std::size_t>(-1) && inLeft == 0)
            out.append(buffer, static_cast<std::size_t>(target - buffer));
        else
            AppendReference(out, code);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

void AppendInt(std::string& out, long long value)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, static_cast<std::size_t>(result.ptr - text));
}

// Writes the text at p and answers its end; 32 bytes always suffice.
char* WriteShortest(char* p, double value, char decimalSeparator)
{
    if (!std::isfinite(value)) {
        const char* text = std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
        const std::size_t length = std::strlen(text);
        std::memcpy(p, text, length);
        return p + length;
    }
    if (value == 0) {
        *p = '0';
        return p + 1;
    }
    // Values with up to four decimals (most measured values) are found without the digit search:
    // the fewest decimals that divide back to the same double are the shortest text. Below 1E11
    // the scaled value stays under 2^51, so rounding it finds that decimal whenever one exists.
    static constexpr double kScale[] = {1, 10, 100, 1000, 10000};
    const double size = std::fabs(value);
    if (size >= 1e-4 && size < 1e11)
        for (int decimals = 0; decimals <= 4; ++decimals) {
            const double scaled = std::nearbyint(value * kScale[decimals]);
            if (scaled / kScale[decimals] != value) continue;
            auto whole = static_cast<long long>(scaled);
            if (whole < 0) {
                *p++ = '-';
                whole = -whole;
            }
            char digits[24];
            const int count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, whole).ptr - digits);
            const int before = count - decimals;
            if (before <= 0) {
                *p++ = '0';
            } else {
                std::memcpy(p, digits, static_cast<std::size_t>(before));
                p += before;
            }
            if (decimals == 0) return p;
            *p++ = decimalSeparator;
            for (int k = before; k < 0; ++k) *p++ = '0';
            const int from = std::max(before, 0);
            std::memcpy(p, digits + from, static_cast<std::size_t>(count - from));
            return p + (count - from);
        }
    // Else the shortest form, which mostly comes placed as the general text places it.
    char text[40];
    const auto plain = std::to_chars(text, text + sizeof text, value);
    const char* end = plain.ptr;
    if (std::find(static_cast<const char*>(text), end, 'e') == end) {
        const char* point = std::find(static_cast<const char*>(text), end, '.');
        if (point - text - (text[0] == '-' ? 1 : 0) <= kGeneralPrecision) {
            for (const char* c = text; c < end; ++c) *p++ = c == point ? decimalSeparator : *c;
            return p;
        }
    }
    // Else from the shortest digits and their exponent.
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    const char* q = text;
    if (*q == '-') {
        *p++ = '-';
        ++q;
    }
    char digits[20];
    int count = 0;
    for (; q < result.ptr && *q != 'e'; ++q)
        if (*q != '.') digits[count++] = *q;
    int exponent = 0;
    std::from_chars(q + 1 + (q[1] == '+' ? 1 : 0), result.ptr, exponent);
    const int whole = exponent + 1;  // digits before the point
    if (whole > kGeneralPrecision || whole < -3) {
        *p++ = digits[0];
        if (count > 1) {
            *p++ = decimalSeparator;
            std::memcpy(p, digits + 1, static_cast<std::size_t>(count - 1));
            p += count - 1;
        }
        *p++ = 'E';
        return std::to_chars(p, p + 8, exponent).ptr;
    }
    if (whole <= 0) {
        *p++ = '0';
        *p++ = decimalSeparator;
        for (int k = 0; k < -whole; ++k) *p++ = '0';
        std::memcpy(p, digits, static_cast<std::size_t>(count));
        return p + count;
    }
    for (int k = 0; k < whole; ++k) *p++ = k < count ? digits[k] : '0';
    if (count > whole) {
        *p++ = decimalSeparator;
        std::memcpy(p, digits + whole, static_cast<std::size_t>(count - whole));
        p += count - whole;
    }
    return p;
}

void AppendShortest(std::string& out, double value, char decimalSeparator)
{
    char text[40];
    out.append(text, static_cast<std::size_t>(WriteShortest(text, value, decimalSeparator) - text));
}

char LocaleDecimal() { return FormatSettings().DecimalSeparator; }

const TChartValueList* ListAt(const TChartSeries& series, int index) { return series.ValueLists()[index]; }

int ListCount(const TChartSeries& series) { return series.ValueLists().Count(); }

std::string LabelOf(const TChartSeries& series, int index) { return series.Labels().GetLabelText(index); }

// The label of point index for the first column: the series' own, or without one series the
// first non-empty label among the chart's series that have the point.
std::string FirstLabel(const TChartSeries* only, const std::vector<TChartSeries*>& list, int index)
{
    if (only) return index < only->PointCount() ? LabelOf(*only, index) : std::string();
    for (const TChartSeries* series : list)
        if (index < series->PointCount()) {
            std::string label = LabelOf(*series, index);
            if (!label.empty()) return label;
        }
    return {};
}

TColor FirstColor(const std::vector<TChartSeries*>& list, int index)
{
    if (list.empty() || index >= list.front()->PointCount()) return clDefault;
    return list.front()->GetPointColor(index);
}

// The digits after the point (and, with an exponent, the significant digits) of the first
// section of a number format.
struct TFormatDecimals {
    int Decimals = 0;
    int Significant = 0;
    bool Exponent = false;
};

TFormatDecimals DecimalsOf(const std::string& format)
{
    TFormatDecimals result;
    bool afterPoint = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == ';') break;
        if (c == '"' || c == '\'') {
            const std::size_t end = format.find(c, i + 1);
            if (end == std::string::npos) break;
            i = end;
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == '0' || c == '#') {
            ++result.Significant;
            if (afterPoint) ++result.Decimals;
        } else if ((c == 'E' || c == 'e') && i + 1 < format.size() && (format[i + 1] == '+' || format[i + 1] == '-')) {
            result.Exponent = true;
            break;
        }
    }
    return result;
}

// Rounded as the format rounds (half away from zero), without reading its text back.
double RoundToFormat(double value, const std::string& format)
{
    if (!std::isfinite(value) || value == 0) return value;
    const TFormatDecimals shape = DecimalsOf(format);
    std::string mask;
    if (shape.Exponent) {
        mask = "0." + std::string(static_cast<std::size_t>(std::clamp(shape.Significant - 1, 0, 17)), '0') + "E+0";
    } else {
        const int decimals = std::min(shape.Decimals, 17);
        mask = decimals > 0 ? "0." + std::string(static_cast<std::size_t>(decimals), '0') : "0";
        // Beyond what a double tells apart the value is as exact as it gets.
        if (std::fabs(value) >= 1e17) return value;
    }
    const TFormatSettings plain = TFormatSettings::Invariant();
    return StrToFloat(FormatFloat(mask, value, plain), plain);
}

// ---------------------------------------------------------------- spreadsheet records

class TSheetWriter {
public:
    void Word(int value)
    {
        out_ += static_cast<char>(value & 0xFF);
        out_ += static_cast<char>((value >> 8) & 0xFF);
    }
    void CellStart(int type, int length, int row, int column)
    {
        Word(type);
        Word(length);
        Word(row);
        Word(column);
        out_.append(3, '\0');
    }
    void Label(int row, int column, const std::string& utf8)
    {
        std::string text = IsAscii(utf8) ? utf8 : Utf8ToAnsi(utf8);
        if (text.size() > 255) text.resize(255);
        CellStart(0x0004, 8 + static_cast<int>(text.size()), row, column);
        out_ += static_cast<char>(text.size());
        out_ += text;
    }
    void Number(int row, int column, double value)
    {
        CellStart(0x0003, 15, row, column);
        char bytes[8];
        std::memcpy(bytes, &value, 8);
        out_.append(bytes, 8);
    }
    void Blank(int row, int column) { CellStart(0x0001, 7, row, column); }
    void Raw(const char* bytes, std::size_t size) { out_.append(bytes, size); }
    std::string& Bytes() { return out_; }

private:
    std::string out_;
};

}  // namespace

// ---------------------------------------------------------------- colours and numbers

std::string ColorToHexText(TColor color)
{
    const auto value = static_cast<std::uint32_t>(color);
    const unsigned red = value & 0xFF, green = (value >> 8) & 0xFF, blue = (value >> 16) & 0xFF, top = value >> 24;
    char text[16];
    if (top != 0)
        std::snprintf(text, sizeof text, "#%.2x%.2x%.2x%.2x", top, red, green, blue);
    else
        std::snprintf(text, sizeof text, "#%.2x%.2x%.2x", red, green, blue);
    return text;
}

std::string ColorToJsonText(TColor color) { return ColorToHexText(color); }

std::string ShortestFloatText(double value, char decimalSeparator)
{
    std::string text;
    AppendShortest(text, value, decimalSeparator);
    return text;
}

// ---------------------------------------------------------------- base

TSeriesData::TSeriesData(TCustomAxisPanel* chart, TChartSeries* series) : chart_(chart), series_(series) {}

void TSeriesData::DeclareProperties(TPropertyDeclarer<TSeriesData>& p)
{
    p.Boolean("IncludeColors", &TSeriesData::IncludeColors).Default(false);
    p.Boolean("IncludeIndex", &TSeriesData::IncludeIndex).Default(false);
    p.Boolean("IncludeHeader", &TSeriesData::IncludeHeader).Default(false);
    p.Boolean("IncludeLabels", &TSeriesData::IncludeLabels).Default(true);
    p.Boolean("UseSeriesFormat", &TSeriesData::UseSeriesFormat).Default(false);
    p.String("ValueFormat", &TSeriesData::ValueFormat);
}

std::vector<TChartSeries*> TSeriesData::ExportedSeries() const
{
    if (series_) return {series_};
    std::vector<TChartSeries*> list;
    if (!chart_) return list;
    for (int i = 0; i < chart_->CountSeries(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(chart_->GetSeries(i))) list.push_back(series);
    return list;
}

void TSeriesData::GuessContents(const TChartSeries* series) const
{
    if (!series)
        for (const TChartSeries* candidate : ExportedSeries())
            if (candidate->PointCount() > 0) {
                series = candidate;
                break;
            }
    if (series) Contents = SeriesDataContents(*series) & (sdX | sdColors | sdLabels);
}

void TSeriesData::GuessSeriesContents() const { GuessContents(series_); }

void TSeriesData::PrepareContents(const TChartSeries* series) const
{
    if (series == series_) GuessSeriesContents();
    else GuessContents(series);
    if (!IncludeLabels) Contents &= ~sdLabels;
    if (IncludeColors) Contents |= sdColors;
    else Contents &= ~sdColors;
}

int TSeriesData::PointCount() const
{
    if (series_) return series_->PointCount();
    int most = 0;
    for (const TChartSeries* series : ExportedSeries()) most = std::max(most, series->PointCount());
    return most;
}

int TSeriesData::SeriesCount() const
{
    if (series_) return 1;
    return chart_ ? chart_->CountSeries() : 0;
}

int TSeriesData::ColumnCount() const
{
    int columns = IncludeIndex ? 1 : 0;
    for (int bit : {sdLabels, sdColors, sdX})
        if (Contents & bit) columns += SeriesCount();
    for (const TChartSeries* series : ExportedSeries()) columns += ListCount(*series) - 1;
    return columns;
}

const std::string& TSeriesData::FormatOf(const TChartSeries* series) const
{
    return UseSeriesFormat && series ? series->ValueFormat() : ValueFormat;
}

std::string TSeriesData::FormatValue(const TChartSeries* series, double value) const
{
    const std::string& format = FormatOf(series);
    if (!format.empty()) return FormatFloat(format, value);
    return ShortestFloatText(value, LocaleDecimal());
}

std::string TSeriesData::SeriesTitle(const TChartSeries& series)
{
    return series.Title().empty() ? series.Name() : series.Title();
}

std::string TSeriesData::AsString() const
{
    Prepare();
    std::string out;
    const int count = PointCount();
    for (int i = 0; i < count; ++i) {
        out += GetLine(i);
        out += kCrLf;
    }
    return out;
}

void TSeriesData::SaveToStream(TStream& stream)
{
    const std::string text = AsString();
    stream.WriteString(IsAscii(text) ? text : Utf8ToAnsi(text));
}

// ---------------------------------------------------------------- text

TSeriesDataText::TSeriesDataText(TCustomAxisPanel* chart, TChartSeries* series) : TSeriesData(chart, series) {}

void TSeriesDataText::DeclareProperties(TPropertyDeclarer<TSeriesDataText>& p)
{
    p.String("TextQuotes", &TSeriesDataText::TextQuotes);
}

void TSeriesDataText::GuessSeriesContents() const
{
    TSeriesData::GuessSeriesContents();
    if (Series() || !IncludeLabels || (Contents & sdLabels)) return;
    for (const TChartSeries* series : ExportedSeries())
        if (series->LabelsNeedStoring()) {
            Contents |= sdLabels;
            return;
        }
}

std::string TSeriesDataText::Quoted(const std::string& text) const
{
    const bool breaks = text.find(TextDelimiter) != std::string::npos || text.find('\r') != std::string::npos ||
                        text.find('\n') != std::string::npos || text.find('"') != std::string::npos ||
                        (!TextQuotes.empty() && text.find(TextQuotes) != std::string::npos);
    if (TextQuotes.empty() && !breaks) return text;
    const std::string quote = TextQuotes.empty() ? std::string("\"") : TextQuotes;
    if (text.find(quote) == std::string::npos) return quote + text + quote;
    std::string result = quote;
    for (std::size_t start = 0;;) {
        const std::size_t at = text.find(quote, start);
        if (at == std::string::npos) {
            result.append(text, start, std::string::npos);
            break;
        }
        result.append(text, start, at - start);
        result += quote + quote;
        start = at + quote.size();
    }
    return result + quote;
}

void TSeriesDataText::AppendValueCell(std::string& out, const TChartSeries& series, const TChartValueList& list,
                                      int index, char decimal) const
{
    const double value = list.Values()[index];
    if (list.DateTime()) {
        out += Quoted(DateTimeToStr(value));
        return;
    }
    if (FormatOf(&series).empty() && TextDelimiter != decimal) return AppendShortest(out, value, decimal);
    // A formatted number may hold the delimiter (thousands, a decimal comma): it is quoted then.
    const std::string text = FormatValue(&series, value);
    const bool breaks = text.find(TextDelimiter) != std::string::npos || text.find('"') != std::string::npos;
    out += breaks ? Quoted(text) : text;
}

std::string TSeriesDataText::HeaderLine(const std::vector<TChartSeries*>& list) const
{
    std::string line;
    auto cell = [&](const std::string& text) {
        if (!line.empty()) line += TextDelimiter;
        line += Quoted(text);
    };
    if (IncludeIndex) line += Quoted(DuvMsgIndex);
    if (Contents & sdLabels) cell(DuvMsgText);
    if (Contents & sdColors) cell(DuvMsgSubColors);
    if (!line.empty()) line += TextDelimiter;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const TChartSeries& series = *list[k];
        std::string header;
        auto part = [&](const std::string& text) {
            if (!header.empty()) header += TextDelimiter;
            header += Quoted(text);
        };
        if (Contents & sdX) part(series.SecondaryList()->Name());
        if (ListCount(series) == 2) {
            part(SeriesTitle(series));
        } else {
            part(series.MandatoryList()->Name());
            for (int l = 2; l < ListCount(series); ++l) part(ListAt(series, l)->Name());
        }
        if (k > 0) line += TextDelimiter;
        line += header;
    }
    return line;
}

void TSeriesDataText::AppendLine(std::string& out, int index, const std::vector<TChartSeries*>& list) const
{
    const char decimal = LocaleDecimal();
    bool first = true;
    auto separate = [&] {
        if (!first) out += TextDelimiter;
        first = false;
    };
    if (IncludeIndex) {
        separate();
        AppendInt(out, index);
    }
    for (std::size_t k = 0; k < list.size(); ++k) {
        const TChartSeries& series = *list[k];
        if (k == 0) {
            if (Contents & sdLabels) {
                separate();
                const std::string label = FirstLabel(Series(), list, index);
                if (!label.empty()) out += Quoted(label);
            }
            if (Contents & sdColors) {
                separate();
                out += ColorToHexText(FirstColor(list, index));
            }
        }
        const bool has = index < series.PointCount();
        auto value = [&](const TChartValueList& values) {
            separate();
            if (has) AppendValueCell(out, series, values, index, decimal);
        };
        if (Contents & sdX) value(*series.SecondaryList());
        value(*series.MandatoryList());
        for (int l = 2; l < ListCount(series); ++l) value(*ListAt(series, l));
    }
}

std::string TSeriesDataText::GetLine(int index) const
{
    std::string line;
    AppendLine(line, index, ExportedSeries());
    return line;
}

// One series of two value lists, values only, in the general text: its lines are written
// straight into one buffer.
bool TSeriesDataText::AppendPlainLines(std::string& out, const std::vector<TChartSeries*>& list) const
{
    const char decimal = LocaleDecimal();
    if (list.size() != 1 || IncludeIndex || (Contents & (sdLabels | sdColors)) || TextDelimiter == decimal) return false;
    const TChartSeries& series = *list.front();
    const TChartValueList& x = *series.SecondaryList();
    const TChartValueList& y = *series.MandatoryList();
    if (ListCount(series) != 2 || !FormatOf(&series).empty() || x.DateTime() || y.DateTime()) return false;
    const bool withX = Contents & sdX;
    const std::size_t count = static_cast<std::size_t>(series.PointCount());
    constexpr std::size_t kLongestLine = 2 * 32 + 3;
    const auto buffer = std::make_unique_for_overwrite<char[]>(count * kLongestLine + 1);
    char* p = buffer.get();
    const double* xs = x.Values();
    const double* ys = y.Values();
    for (std::size_t i = 0; i < count; ++i) {
        if (withX) {
            p = WriteShortest(p, xs[i], decimal);
            *p++ = TextDelimiter;
        }
        p = WriteShortest(p, ys[i], decimal);
        *p++ = '\r';
        *p++ = '\n';
    }
    out.append(buffer.get(), static_cast<std::size_t>(p - buffer.get()));
    return true;
}

std::string TSeriesDataText::AsString() const
{
    Prepare();
    const std::vector<TChartSeries*> list = ExportedSeries();
    std::string out;
    const int count = PointCount();
    out.reserve(static_cast<std::size_t>(count) * 24 * std::max<std::size_t>(1, list.size()));
    if (IncludeHeader) {
        out += HeaderLine(list);
        out += kCrLf;
    }
    if (!AppendPlainLines(out, list))
        for (int i = 0; i < count; ++i) {
            AppendLine(out, i, list);
            out += kCrLf;
        }
    out += kCrLf;
    return out;
}

// ---------------------------------------------------------------- XML

TSeriesDataXML::TSeriesDataXML(TCustomAxisPanel* chart, TChartSeries* series)
    : TSeriesData(chart, series), Encoding(DefaultXmlEncoding())
{
    IncludeHeader = true;
}

void TSeriesDataXML::DeclareProperties(TPropertyDeclarer<TSeriesDataXML>& p)
{
    p.String("Encoding", &TSeriesDataXML::Encoding).Stored(&TSeriesDataXML::IsEncodingStored);
}

void TSeriesDataXML::AppendSeries(std::string& out, const TChartSeries& series) const
{
    std::string type;
    SeriesTypeCaption(&series, type);
    out += "<series title=\"";
    AppendMarkupText(out, SeriesTitle(series), false);
    out += "\" type=\"";
    AppendMarkupText(out, type, false);
    out += "\" color=\"" + ColorToHexText(series.GetSeriesColor()) + "\">";
    out += kCrLf;
    const int count = series.PointCount();
    out += "<points count=\"";
    AppendInt(out, count);
    out += "\">";
    out += kCrLf;
    auto attribute = [&](const std::string& name, const std::string& value) {
        out += ' ';
        AppendMarkupText(out, name, false);
        out += "=\"";
        AppendMarkupText(out, value, false);
        out += '"';
    };
    for (int i = 0; i < count; ++i) {
        out += "<point ";
        if (IncludeIndex) {
            out += "index=\"";
            AppendInt(out, i);
            out += '"';
        }
        if (Contents & sdLabels) attribute("text", LabelOf(series, i));
        if (Contents & sdColors) attribute("color", ColorToHexText(series.GetPointColor(i)));
        if (Contents & sdX) attribute(series.SecondaryList()->Name(), FormatValue(&series, series.SecondaryList()->Values()[i]));
        if (!series.IsNullPoint(i)) {
            attribute(series.MandatoryList()->Name(), FormatValue(&series, series.MandatoryList()->Values()[i]));
            for (int l = 2; l < ListCount(series); ++l)
                attribute(ListAt(series, l)->Name(), FormatValue(&series, ListAt(series, l)->Values()[i]));
        }
        out += "/>";
        out += kCrLf;
    }
    out += "</points>";
    out += kCrLf;
    out += "</series>";
    out += kCrLf;
    out += kCrLf;
}

std::string TSeriesDataXML::AsString() const
{
    Prepare();
    std::string out;
    if (IncludeHeader) {
        out += XmlDeclaration(Encoding);
        out += kCrLf;
    }
    if (Series()) {
        AppendSeries(out, *Series());
        return out;
    }
    out += "<chart>";
    out += kCrLf;
    for (TChartSeries* series : ExportedSeries()) {
        PrepareContents(series);
        AppendSeries(out, *series);
    }
    out += "</chart>";
    return out;
}

void TSeriesDataXML::SaveToStream(TStream& stream) { stream.WriteString(EncodeWithReferences(AsString(), Encoding)); }

// ---------------------------------------------------------------- HTML

void TSeriesDataHTML::AppendRow(std::string& out, int index, const std::vector<TChartSeries*>& list) const
{
    auto cell = [&](const std::string& text) {
        out += "<td>";
        AppendMarkupText(out, text, true);
        out += "</td>";
    };
    out += "<tr>";
    if (IncludeIndex) {
        out += "<td>";
        AppendInt(out, index);
        out += "</td>";
    }
    for (const TChartSeries* series : list) {
        const int further = ListCount(*series) - 2;
        if (index >= series->PointCount()) {
            const int cells = ((Contents & sdLabels) ? 1 : 0) + ((Contents & sdColors) ? 1 : 0) +
                              ((Contents & sdX) ? 1 : 0) + 1 + further;
            for (int k = 0; k < cells; ++k) out += "<td></td>";
            continue;
        }
        if (Contents & sdLabels) cell(LabelOf(*series, index));
        if (Contents & sdColors) cell(ColorToHexText(series->GetPointColor(index)));
        if (Contents & sdX) cell(FormatValue(series, series->SecondaryList()->Values()[index]));
        cell(FormatValue(series, series->MandatoryList()->Values()[index]));
        for (int l = 2; l < ListCount(*series); ++l) cell(FormatValue(series, ListAt(*series, l)->Values()[index]));
    }
    out += "</tr>";
}

std::string TSeriesDataHTML::GetLine(int index) const
{
    std::string row;
    AppendRow(row, index, ExportedSeries());
    return row;
}

std::string TSeriesDataHTML::AsString() const
{
    Prepare();
    const std::vector<TChartSeries*> list = ExportedSeries();
    std::string out = "<table border=\"1\">";
    out += kCrLf;
    if (IncludeHeader) {
        auto head = [&](const std::string& text) {
            out += "<th>";
            AppendMarkupText(out, text, true);
            out += "</th>";
        };
        out += "<tr>";
        if (IncludeIndex) head(DuvMsgIndex);
        for (const TChartSeries* series : list) {
            if (Contents & sdLabels) head(DuvMsgText);
            if (Contents & sdColors) head(DuvMsgSubColors);
            if (Contents & sdX) head(series->SecondaryList()->Name());
            if (ListCount(*series) == 2) {
                head(SeriesTitle(*series));
            } else {
                head(series->MandatoryList()->Name());
                for (int l = 2; l < ListCount(*series); ++l) head(ListAt(*series, l)->Name());
            }
        }
        out += "</tr>";
        out += kCrLf;
    }
    const int count = PointCount();
    for (int i = 0; i < count; ++i) {
        AppendRow(out, i, list);
        out += kCrLf;
    }
    out += "</table>";
    return out;
}

// ---------------------------------------------------------------- spreadsheet

double TSeriesDataXLS::CellValue(const TChartSeries* series, double value) const
{
    const std::string& format = FormatOf(series);
    return format.empty() ? value : RoundToFormat(value, format);
}

void TSeriesDataXLS::SaveToStream(TStream& stream)
{
    Prepare();
    const int rows = RowCount(), columns = ColumnCount();
    if (rows > kMaxSheetRows)
        throw ChartException("A spreadsheet holds at most " + std::to_string(kMaxSheetRows) + " rows; the data need " +
                             std::to_string(rows));
    if (columns > kMaxSheetColumns)
        throw ChartException("A spreadsheet holds at most " + std::to_string(kMaxSheetColumns) +
                             " columns; the data need " + std::to_string(columns));
    const std::vector<TChartSeries*> list = ExportedSeries();
    TSheetWriter sheet;
    static const char bof[12] = {0x09, 0x08, 0x08, 0x00, 0x00, 0x05, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
    sheet.Raw(bof, sizeof bof);
    // Readers take labels in the code page the file names, not in their own.
    sheet.Word(0x0042);
    sheet.Word(2);
    sheet.Word(ProgramCodePage());
    sheet.Word(0x0200);
    sheet.Word(10);
    for (int word : {0, rows, 0, columns, 0}) sheet.Word(word);
    int row = 0;
    if (IncludeHeader) {
        int column = 0;
        if (IncludeIndex) sheet.Label(row, column++, DuvMsgIndex);
        for (const TChartSeries* series : list) {
            if (Contents & sdLabels) sheet.Label(row, column++, DuvMsgText);
            if (Contents & sdColors) sheet.Label(row, column++, DuvMsgSubColors);
            if (Contents & sdX) sheet.Label(row, column++, series->SecondaryList()->Name());
            sheet.Label(row, column++, series->MandatoryList()->Name());
            for (int l = 2; l < ListCount(*series); ++l) sheet.Label(row, column++, ListAt(*series, l)->Name());
        }
        ++row;
    }
    const int count = PointCount();
    for (int i = 0; i < count; ++i, ++row) {
        int column = 0;
        if (IncludeIndex) sheet.Number(row, column++, i);
        for (const TChartSeries* series : list) {
            const int values = ListCount(*series) - 1;
            if (i >= series->PointCount()) {
                if (Contents & sdLabels) sheet.Label(row, column++, {});
                if (Contents & sdColors) sheet.Label(row, column++, {});
                if (Contents & sdX) sheet.Blank(row, column++);
                for (int k = 0; k < values; ++k) sheet.Blank(row, column++);
                continue;
            }
            if (Contents & sdLabels) sheet.Label(row, column++, LabelOf(*series, i));
            if (Contents & sdColors) sheet.Label(row, column++, ColorToHexText(series->GetPointColor(i)));
            if (Contents & sdX) sheet.Number(row, column++, CellValue(series, series->SecondaryList()->Values()[i]));
            if (series->IsNullPoint(i)) {
                for (int k = 0; k < values; ++k) sheet.Blank(row, column++);
                continue;
            }
            sheet.Number(row, column++, CellValue(series, series->MandatoryList()->Values()[i]));
            for (int l = 2; l < ListCount(*series); ++l)
                sheet.Number(row, column++, CellValue(series, ListAt(*series, l)->Values()[i]));
        }
    }
    static const char eof[4] = {0x0A, 0x00, 0x00, 0x00};
    sheet.Raw(eof, sizeof eof);
    stream.WriteString(sheet.Bytes());
}

// ---------------------------------------------------------------- JSON

void TSeriesDataJSON::AppendNumber(std::string& out, const TChartValueList& list, double value) const
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    if (DateTimeFormat == 1 && list.DateTime()) {
        const double milliseconds = (value - 25569) * 86400000.0;
        if (std::fabs(milliseconds) < 9e15) {
            AppendInt(out, Rnd(milliseconds));
            return;
        }
    }
    AppendShortest(out, value, '.');
}

void TSeriesDataJSON::AppendSeries(std::string& out, const TChartSeries& series) const
{
    PrepareContents(&series);
    const std::string p = "  ";
    out += p + "{" + kCrLf;
    out += p + " \"series\": {" + kCrLf;
    const std::string title = SeriesTitle(series);
    if (!title.empty()) {
        out += p + " \"name\":";
        AppendJsonString(out, title);
        out += std::string(",") + kCrLf;
    }
    out += p + " \"color\":\"" + ColorToJsonText(series.GetSeriesColor()) + "\"," + kCrLf;
    out += p + " \"point\": [" + kCrLf;
    const int count = series.PointCount();
    const TChartValueList& mandatory = *series.MandatoryList();
    const TChartValueList& secondary = *series.SecondaryList();
    for (int i = 0; i < count; ++i) {
        out += p;
        out += "   { \"value\":";
        AppendNumber(out, mandatory, mandatory.Values()[i]);
        if (Contents & sdX) {
            out += ", \"x\":";
            AppendNumber(out, secondary, secondary.Values()[i]);
        }
        if (Contents & sdColors) out += ", \"color\":\"" + ColorToJsonText(series.GetPointColor(i)) + "\"";
        if (Contents & sdLabels) {
            out += ", \"name\":";
            AppendJsonString(out, LabelOf(series, i));
        }
        out += " }";
        if (i + 1 < count) out += ',';
        out += kCrLf;
    }
    out += p + " ]" + kCrLf;
    out += p + " }" + kCrLf;
    out += p + "}";
}

std::string TSeriesDataJSON::AsString() const
{
    std::string out = "{ \"chart\": [";
    out += kCrLf;
    const std::vector<TChartSeries*> list = ExportedSeries();
    std::size_t points = 0;
    for (const TChartSeries* series : list) points += static_cast<std::size_t>(series->PointCount());
    out.reserve(points * 32 + 64);
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (k > 0) out += ',';
        AppendSeries(out, *list[k]);
        out += kCrLf;
    }
    out += " ]";
    out += kCrLf;
    out += "}";
    out += kCrLf;
    return out;
}

void TSeriesDataJSON::SaveToStream(TStream& stream) { stream.WriteString(AsString()); }
