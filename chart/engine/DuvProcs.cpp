#include "chart/engine/DuvProcs.h"

#include <fnmatch.h>
#include <sched.h>
#include <unistd.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cmath>
#include <filesystem>

#include "chart/engine/ChartEditorServices.h"
#include "chart/graphics/DuvCanvas.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/Registry.h"
#include "platform/core/Streams.h"

namespace {

const std::vector<TColor> BuiltInPalette = {
    clRed,  clGreen, clYellow, clBlue,   clWhite,  clGray,       clFuchsia,  clTeal,  clNavy,  clMaroon,
    clLime, clOlive, clPurple, clSilver, clAqua,   clBlack,      clMoneyGreen, clSkyBlue, clCream, clMedGray,
};

constexpr double OneMicrosecond = 1.0 / 86400000000.0;
constexpr double OneMillisecond = 1.0 / 86400000.0;
constexpr double OneSecond = 1.0 / 86400.0;
constexpr double OneMinute = 1.0 / 1440.0;
constexpr double OneHour = 1.0 / 24.0;

// Step indexes with a calendar meaning.
constexpr int StepDay = 16;
constexpr int StepWeek = 19;
constexpr int StepHalfMonth = 20;
constexpr int StepOneMonth = 21;
constexpr int StepSixMonths = 25;
constexpr int StepOneYear = 26;

// Restores ListSeparator when a ...With call ends, also by an exception.
class SeparatorScope {
public:
    explicit SeparatorScope(const std::string& separator) : saved_(ListSeparator) { ListSeparator = separator; }
    ~SeparatorScope() { ListSeparator = saved_; }
    SeparatorScope(const SeparatorScope&) = delete;
    SeparatorScope& operator=(const SeparatorScope&) = delete;

private:
    std::string saved_;
};

}  // namespace

std::vector<TColor> DefaultColorPalette = BuiltInPalette;
std::string ListSeparator = ";";

// ---------------------------------------------------------------- palette

TColor DefaultPaletteColor(int index)
{
    // An emptied palette (after shutdown) still answers, with the built-in colours.
    const std::vector<TColor>& palette = DefaultColorPalette.empty() ? BuiltInPalette : DefaultColorPalette;
    const int count = static_cast<int>(palette.size());
    return palette[((index % count) + count) % count];
}

void SetDefaultColorPalette(const std::vector<TColor>& colors)
{
    if (colors.empty())
        ResetDefaultColorPalette();
    else
        DefaultColorPalette = colors;
}

void ResetDefaultColorPalette() { DefaultColorPalette = BuiltInPalette; }

// ---------------------------------------------------------------- string stack, exporter base

int TStringsStack::StackPush(const std::string& text) { return Add(text); }

std::string TStringsStack::StackPop()
{
    if (Count() == 0) return {};
    std::string last = Strings(Count() - 1);
    Delete(Count() - 1);
    return last;
}

void TDuvExportData::CopyToClipboard() { CopyTextToClipboard(AsString()); }

void TDuvExportData::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
    file.Commit();
}

void TDuvExportData::SaveToStream(TStream& stream) { stream.WriteString(AsString()); }

// ---------------------------------------------------------------- text, numbers

std::string IntToText(long long n) { return std::to_string(n); }

int TextPos(const std::string& sub, const std::string& s)
{
    if (sub.empty()) return 0;
    const std::size_t pos = s.find(sub);
    return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

namespace {

// Both separators change in one pass, so "1,234.5" never passes through "1.234.5".
std::string SwapSeparators(const std::string& s, char fromThousand, char fromDecimal, char toThousand,
                           char toDecimal)
{
    if (toThousand == toDecimal || fromThousand == fromDecimal) return s;
    std::string result = s;
    for (char& c : result) {
        if (c == fromThousand)
            c = toThousand;
        else if (c == fromDecimal)
            c = toDecimal;
    }
    return result;
}

}  // namespace

std::string NumberTextToLocale(const std::string& s)
{
    const TFormatSettings& settings = FormatSettings();
    return SwapSeparators(s, ',', '.', settings.ThousandSeparator, settings.DecimalSeparator);
}

std::string NumberTextFromLocale(const std::string& s)
{
    const TFormatSettings& settings = FormatSettings();
    return SwapSeparators(s, settings.ThousandSeparator, settings.DecimalSeparator, ',', '.');
}

std::string ReplaceOrDeleteChar(const std::string& s, char c, char n)
{
    std::string result;
    result.reserve(s.size());
    for (char x : s) {
        if (x != c)
            result += x;
        else if (n != '\0')
            result += n;
    }
    return result;
}

int CountListItems(const std::string& s)
{
    if (s.empty()) return 0;
    if (ListSeparator.empty()) return 1;
    int count = 1;
    std::size_t from = 0;
    for (;;) {
        const std::size_t pos = s.find(ListSeparator, from);
        if (pos == std::string::npos) break;
        from = pos + ListSeparator.size();
        if (from >= s.size()) break;  // a trailing separator adds no empty item
        ++count;
    }
    return count;
}

int CountListItemsWith(const std::string& s, const std::string& separator)
{
    SeparatorScope scope(separator);
    return CountListItems(s);
}

std::string ListItemOf(const std::string& s, int n)
{
    if (s.empty() || n <= 0) return {};
    if (ListSeparator.empty()) return n == 1 ? s : std::string();
    std::size_t from = 0;
    for (;;) {
        const std::size_t pos = s.find(ListSeparator, from);
        if (pos == std::string::npos) return n == 1 ? s.substr(from) : std::string();
        if (n == 1) return s.substr(from, pos - from);
        from = pos + ListSeparator.size();
        --n;
    }
}

std::string ListItemOfWith(const std::string& s, int n, const std::string& separator)
{
    SeparatorScope scope(separator);
    return ListItemOf(s, n);
}

std::string NextFreeComponentName(const TComponent* owner, const std::string& base)
{
    return UniqueComponentName(owner, base);
}

std::string TranslateString(const std::string& s) { return ChartEditorServices().TranslateString(s); }

void TranslateControl(QWidget* control) { TranslateControlWith(control, {}); }

void TranslateControlWith(QWidget* form, const std::vector<QWidget*>& excluded)
{
    ChartEditorServices().TranslateForm(form, excluded);
}

// ---------------------------------------------------------------- dates

const std::array<double, DateTimeStepCount> DateTimeSteps = {
    OneMicrosecond, OneMillisecond, OneSecond,      5 * OneSecond,  10 * OneSecond, 15 * OneSecond, 30 * OneSecond,
    OneMinute,      5 * OneMinute,  10 * OneMinute, 15 * OneMinute, 30 * OneMinute, OneHour,        2 * OneHour,
    6 * OneHour,    12 * OneHour,   1,              2,              3,              7,              15,
    30,             60,             90,             120,            182,            365,
};

int DaysOfMonth(int year, int month) { return DaysInMonth(year, month); }

std::string DateOrTimeFormat(double span)
{
    return span > 1 ? FormatSettings().ShortDateFormat : FormatSettings().ShortTimeFormat;
}

double NextLargerDateTimeStep(double step)
{
    for (int i = DateTimeStepCount - 2; i >= 0; --i)
        if (step >= DateTimeSteps[i]) return DateTimeSteps[i + 1];
    // Below the smallest step the axis wants the smallest step, not a year.
    return DateTimeSteps[0];
}

int MatchDateTimeStep(double step)
{
    for (int i = DateTimeStepCount - 1; i >= 0; --i)
        if (std::fabs(DateTimeSteps[i] - step) < OneMicrosecond) return i;
    return NoDateTimeStep;
}

TDateTime RoundDateToStep(int step, TDateTime date)
{
    if (date == 0) return 0;
    const auto roundTo = [date](double unit) { return unit * static_cast<double>(Rnd(date / unit)); };
    if (step == StepDay) return roundTo(1);
    if (step == StepDay + 1) return roundTo(2);
    if (step == StepDay + 2) return roundTo(3);
    // Weeks start on the weekday of day 2, a Monday.
    if (step == StepWeek) return 7 * static_cast<double>(Rnd((date - 2) / 7)) + 2;
    if (step < StepHalfMonth) return date;
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    if (step == StepHalfMonth)
        day = day < 15 ? 1 : 15;
    else if (step <= StepSixMonths)
        day = 1;
    else if (step == StepOneYear)
        day = month = 1;
    return EncodeDate(year, month, day);
}

namespace {

struct TCalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

void IncDecMonths(TCalendarDate& date, bool increase, int months)
{
    date.day = 1;
    if (increase) {
        date.month += months;
        if (date.month > 12) {
            ++date.year;
            date.month -= 12;
        }
    } else if (months < date.month) {
        date.month -= months;
    } else {
        --date.year;
        date.month = 12 - (months - date.month);
    }
}

void StepHalfMonthOnce(TCalendarDate& date, bool increase)
{
    if (increase) {
        if (date.day < 15)
            date.day = 15;
        else
            IncDecMonths(date, true, 1);
        return;
    }
    if (date.day > 15) {
        date.day = 15;
    } else if (date.day >= 2) {
        date.day = 1;
    } else {
        IncDecMonths(date, false, 1);
        date.day = 15;
    }
}

}  // namespace

void IncDecDateTime(bool exact, bool increase, TDateTime& date, int step, double amount)
{
    const double target = increase ? date + amount : date - amount;
    if (!exact) {
        date = target;
        return;
    }
    if (target == date) return;
    static constexpr int monthsOfStep[] = {1, 2, 3, 4, 6};  // steps 21 .. 25
    TCalendarDate calendar;
    DecodeDate(date, calendar.year, calendar.month, calendar.day);
    for (;;) {
        if (step == StepHalfMonth) {
            StepHalfMonthOnce(calendar, increase);
        } else if (step >= StepOneMonth && step <= StepSixMonths) {
            IncDecMonths(calendar, increase, monthsOfStep[step - StepOneMonth]);
        } else if (step == StepOneYear) {
            calendar.year += increase ? 1 : -1;
            // 29 February lands on the 28th in a year without it.
            calendar.day = std::min(calendar.day, DaysInMonth(calendar.year, calendar.month));
        } else {
            date = target;
            return;
        }
        date = EncodeDate(calendar.year, calendar.month, calendar.day);
        if (step != StepOneYear) return;
        if (increase ? date >= target : date <= target) return;
    }
}

double MillisecondsNow()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------- geometry

TRect RectAroundPoint(const TPoint& p, int halfWidth, int halfHeight)
{
    return RectAroundXY(p.X, p.Y, halfWidth, halfHeight);
}

TRect RectAroundXY(int x, int y, int halfWidth, int halfHeight)
{
    if (halfHeight == 0) halfHeight = halfWidth;
    return {x - halfWidth, y - halfHeight, x + halfWidth, y + halfHeight};
}

namespace {

double SegmentDistance(const TPoint& p, const TPoint& a, const TPoint& b)
{
    const double px = p.X, py = p.Y, ax = a.X, ay = a.Y, bx = b.X, by = b.Y;
    if (a == b) return std::hypot(px - ax, py - ay);
    const double dx = bx - ax, dy = by - ay;
    const double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    if (t < 0) return std::hypot(px - ax, py - ay);
    if (t > 1) return std::hypot(px - bx, py - by);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

}  // namespace

bool PointOnLineXY(const TPoint& p, int x0, int y0, int x1, int y1, int tolerance)
{
    const TPoint a{x0, y0}, b{x1, y1};
    if (p == a || p == b) return true;
    return SegmentDistance(p, a, b) <= tolerance + 1.0;
}

bool PointOnLineXYExact(const TPoint& p, int x0, int y0, int x1, int y1)
{
    return PointOnLineXY(p, x0, y0, x1, y1, 0);
}

bool PointOnSegment(const TPoint& p, const TPoint& a, const TPoint& b)
{
    return PointOnLineXY(p, a.X, a.Y, b.X, b.Y, 0);
}

bool PointOnSegmentTolerance(const TPoint& p, const TPoint& a, const TPoint& b, int tolerance)
{
    return PointOnLineXY(p, a.X, a.Y, b.X, b.Y, tolerance);
}

bool PointInsidePolygon(const TPoint& p, const TPointArray& points, int high)
{
    high = std::min(high, static_cast<int>(points.size()) - 1);
    if (high < 0) return false;
    bool inside = false;
    for (int i = 0, j = high; i <= high; j = i++) {
        const TPoint& pi = points[i];
        const TPoint& pj = points[j];
        const bool spans = (p.Y >= pi.Y && p.Y < pj.Y) || (p.Y >= pj.Y && p.Y < pi.Y);
        if (!spans) continue;
        // In doubles: differences of far-apart coordinates overflow 32 bits.
        const double crossX = (static_cast<double>(pj.X) - pi.X) * (static_cast<double>(p.Y) - pi.Y) /
                                  (static_cast<double>(pj.Y) - pi.Y) +
                              pi.X;
        if (p.X < crossX) inside = !inside;
    }
    return inside;
}

bool PointInsideTriangle(const TPoint& p, const TPoint& a, const TPoint& b, const TPoint& c)
{
    return PointInsidePolygon(p, {a, b, c}, 2);
}

namespace {

// The middle of two coordinates, toward zero, without overflowing.
int Half(int a, int b) { return static_cast<int>((static_cast<long long>(a) + b) / 2); }

}  // namespace

bool PointInsideVertTriangle(const TPoint& p, int x0, int x1, int baseY, int apexY)
{
    return PointInsideTriangle(p, {x0, baseY}, {Half(x0, x1), apexY}, {x1, baseY});
}

bool PointInsideSidewaysTriangle(const TPoint& p, int y0, int y1, int baseX, int apexX)
{
    return PointInsideTriangle(p, {baseX, y0}, {apexX, Half(y0, y1)}, {baseX, y1});
}

bool PointInsideEllipse(const TPoint& p, int left, int top, int right, int bottom)
{
    const long long cx = (static_cast<long long>(left) + right) / 2;
    const long long cy = (static_cast<long long>(top) + bottom) / 2;
    const double a2 = std::pow(static_cast<double>(cx - left), 2);
    const double b2 = std::pow(static_cast<double>(cy - top), 2);
    if (a2 == 0 || b2 == 0) return false;
    const double dx = static_cast<double>(p.X - cx), dy = static_cast<double>(p.Y - cy);
    return dx * dx / a2 + dy * dy / b2 <= 1;
}

bool PointInsideEllipseRect(const TPoint& p, const TRect& r)
{
    return PointInsideEllipse(p, r.Left, r.Top, r.Right, r.Bottom);
}

bool SegmentsIntersection(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                          double& x, double& y)
{
    const double dx1 = x2 - x1;
    const double dx2 = x4 - x3;
    if (dx1 == 0 || dx2 == 0) return false;
    const double m1 = (y2 - y1) / dx1;
    const double m2 = (y4 - y3) / dx2;
    const double b1 = y1 - m1 * x1;
    const double b2 = y3 - m2 * x3;
    x = std::fabs(m2 - m1) > 1E-15 ? (b1 - b2) / (m2 - m1) : x2;
    y = m1 * x + b1;
    const double c1 = x1 * y2 - x2 * y1;
    const double c2 = x3 * y4 - x4 * y3;
    const double s3 = (y2 - y1) * x3 - dx1 * y3 - c1;
    const double s4 = (y2 - y1) * x4 - dx1 * y4 - c1;
    const double s1 = (y4 - y3) * x1 - dx2 * y1 - c2;
    const double s2 = (y4 - y3) * x2 - dx2 * y2 - c2;
    return ((s3 > 0) != (s4 > 0) && (s1 > 0) != (s2 > 0)) || ((s3 != 0) != (s4 != 0) && (s1 != 0) != (s2 != 0));
}

// ---------------------------------------------------------------- sorting

void QuickSortRange(int startIndex, int endIndex, const TSortCompare& compare, const TSortSwap& swap)
{
    // The right part is sorted in this loop rather than by recursion: sorted input stays shallow.
    while (startIndex < endIndex) {
        int i = startIndex, j = endIndex;
        int m = startIndex + (endIndex - startIndex) / 2;
        while (i < j) {
            while (compare(i, m) < 0) ++i;
            while (compare(m, j) < 0) --j;
            if (i < j) {
                swap(i, j);
                if (i == m)
                    m = j;
                else if (j == m)
                    m = i;
            }
            if (i <= j) {
                ++i;
                --j;
            }
        }
        if (startIndex < j) QuickSortRange(startIndex, j, compare, swap);
        if (i >= endIndex) break;
        startIndex = i;
    }
}

// ---------------------------------------------------------------- resources, files, clipboard

bool LoadBitmapFromModules(QImage& bitmap, const std::string& name, const std::string& altName)
{
    for (const std::string& candidate : {name, altName}) {
        if (candidate.empty()) continue;
        for (const char* extension : {".bmp", ".png"}) {
            const QString path = QString::fromStdString(":/bitmaps/" + candidate + extension);
            if (!QFile::exists(path)) continue;
            QImage image;
            // A resource that does not load is passed over like a missing one.
            if (!image.load(path)) continue;
            bitmap = image;
            return true;
        }
    }
    return false;
}

bool LoadClassBitmap(const TPersistent& instance, QImage& bitmap)
{
    const TClassInfo& info = instance.ClassType();
    return LoadBitmapFromModules(bitmap, info.Name(), info.Parent() ? info.Parent()->Name() : std::string());
}

std::unique_ptr<TStringList> FindFileNames(const std::string& mask)
{
    namespace fs = std::filesystem;
    auto names = std::make_unique<TStringList>();
    const fs::path maskPath(mask);
    const std::string pattern = maskPath.filename().string();
    const fs::path folder = maskPath.has_parent_path() ? maskPath.parent_path() : fs::path(".");
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        // Masks come from files named in either case, as on the system the charts came from.
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names->Add(name);
    }
    names->Sort();
    return names;
}

std::string FileNameWithoutExt(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name;
    return name.substr(0, dot);
}

bool IsInternetAddress(const std::string& s)
{
    const std::string upper = UpperCase(Trim(s));
    return upper.find("HTTP://") != std::string::npos || upper.find("FTP://") != std::string::npos;
}

void CopyTextToClipboard(const std::string& s)
{
    if (!QGuiApplication::instance()) throw Exception("The clipboard needs a running application");
    QGuiApplication::clipboard()->setText(QString::fromStdString(s));
}

// ---------------------------------------------------------------- editor options

namespace {

// The value when the key and the value exist and have the asked type, else the default.
template <class T, class Reader>
T ReadEditorValue(const std::string& name, const T& defaultValue, Reader read)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly(EditorOptionsKey) || !registry.ValueExists(name)) return defaultValue;
    try {
        return read(registry);
    } catch (const ERegistryException&) {
        return defaultValue;  // a value of another type, as a hand-edited settings file may hold
    }
}

template <class Writer>
void WriteEditorValue(Writer write)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (registry.OpenKey(EditorOptionsKey, true)) write(registry);
}

}  // namespace

bool ReadEditorBool(const std::string& name, bool defaultValue)
{
    return ReadEditorValue(name, defaultValue, [&](const TRegistry& r) { return r.ReadBool(name); });
}

int ReadEditorInteger(const std::string& name, int defaultValue)
{
    return ReadEditorValue(name, defaultValue, [&](const TRegistry& r) { return r.ReadInteger(name); });
}

std::string ReadEditorString(const std::string& name, const std::string& defaultValue)
{
    return ReadEditorValue(name, defaultValue, [&](const TRegistry& r) { return r.ReadString(name); });
}

void WriteEditorBool(const std::string& name, bool value)
{
    WriteEditorValue([&](TRegistry& r) { r.WriteBool(name, value); });
}

void WriteEditorInteger(const std::string& name, int value)
{
    WriteEditorValue([&](TRegistry& r) { r.WriteInteger(name, value); });
}

void WriteEditorString(const std::string& name, const std::string& value)
{
    WriteEditorValue([&](TRegistry& r) { r.WriteString(name, value); });
}

// ---------------------------------------------------------------- XML

std::string DefaultXmlEncoding()
{
    return QLocale::system().language() == QLocale::Japanese ? "shift_jis" : "ISO-8859-1";
}

std::string XmlDeclaration(const std::string& encoding)
{
    std::string text = "<?xml version=\"1.0\"";
    if (!encoding.empty()) text += " encoding=\"" + encoding + "\"";
    return text + "?>";
}

namespace {

// Attribute values stand in double quotes, so the apostrophes of quoted values stay as they are.
std::string XmlEscape(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        default: result += c;
        }
    }
    return result;
}

bool StartsWithText(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// Component text to XML. The converter reads the whole input before it writes anything, so
// bad input leaves the stream as it was. Invariants: every element it opens it closes, and
// the indentation never goes below 0.
class TTextToXml {
public:
    explicit TTextToXml(const std::string& text) { input_.SetText(text); }

    std::string Convert(bool withDeclaration)
    {
        if (withDeclaration) output_.Add(XmlDeclaration("UTF-8"));
        while (j_ < input_.Count()) ConvertLine();
        if (objects_.Count() > 0) Fail(objectLines_.back(), "the object has no end line");
        ClosePathFrom(0);  // properties after the last object
        assert(indent_ == 0);
        return output_.Text();
    }

private:
    [[noreturn]] static void Fail(int index, const std::string& problem)
    {
        throw EParserError("Line " + std::to_string(index + 1) + ": " + problem);
    }

    void Emit(const std::string& text) { output_.Add(std::string(indent_, ' ') + text); }

    void CloseElement(const std::string& name)
    {
        indent_ = std::max(0, indent_ - 2);
        Emit("</" + XmlEscape(name) + ">");
    }

    void ClosePathFrom(int level)
    {
        while (path_.Count() > level) CloseElement(path_.StackPop());
    }

    void ConvertLine()
    {
        std::string line = Trim(input_[j_]);
        if (line.empty()) {
            ++j_;
            return;
        }
        if (StartsWithText(line, "OBJECT")) {
            ClosePathFrom(0);
            ObjectLine(line);
            ++j_;
            return;
        }
        if (line.find('.') != std::string::npos)
            OpenDottedPrefix(line);
        else
            ClosePathFrom(0);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            PropertyLine(line, equals);
            return;
        }
        if (SameText(line, "END")) {
            if (objects_.Count() == 0) Fail(j_, "end without an object");
            ClosePathFrom(0);
            indent_ -= 2;
            objectLines_.pop_back();
            Emit("</" + XmlEscape(objects_.StackPop()) + ">");
        }
        ++j_;
    }

    // "Title.Font.Color = 1" opens <Title> and <Font> (unless open) and leaves "Color = 1".
    void OpenDottedPrefix(std::string& line)
    {
        int level = 0;
        for (;;) {
            const std::size_t equals = line.find('=');
            const std::size_t dot = line.find('.');
            if (dot == std::string::npos || (equals != std::string::npos && dot > equals)) break;
            const std::string name = line.substr(0, dot);
            if (!(level < path_.Count() && path_[level] == name)) {
                ClosePathFrom(level);
                path_.StackPush(name);
                Emit("<" + XmlEscape(name) + ">");
                indent_ += 2;
            }
            line.erase(0, dot + 1);
            ++level;
        }
        ClosePathFrom(level);
    }

    void PropertyLine(const std::string& line, std::size_t equals)
    {
        const std::string name = Trim(line.substr(0, equals));
        const std::string after = Trim(line.substr(equals + 1));
        // The value starts after the blank that follows "=".
        const std::size_t valueStart = equals + (equals + 1 < line.size() && line[equals + 1] == ' ' ? 2 : 1);
        const std::string fromSecond = line.substr(std::min(valueStart, line.size()));
        if (after == "(" || after == "{") {
            Emit("<" + XmlEscape(name) + ">");
            path_.StackPush(name);
            ListValues();
            CloseElement(path_.StackPop());
            return;
        }
        if (Trim(fromSecond) == "<") {
            Emit("<" + XmlEscape(name) + ">");
            path_.StackPush(name);
            CollectionItems();
            CloseElement(path_.StackPop());
            return;
        }
        const std::string value = Trim(fromSecond) == "<>" ? std::string() : fromSecond;
        Emit("<" + XmlEscape(name) + " value=\"" + XmlEscape(value) + "\"/>");
        ++j_;
    }

    void ObjectLine(const std::string& line)
    {
        const std::size_t colon = line.find(':');
        std::string className, tag;
        if (colon != std::string::npos) {
            className = Trim(line.substr(colon + 1));
            const std::string name = colon > 6 ? Trim(line.substr(6, colon - 6)) : std::string();
            tag = XmlEscape(className) + " Name=\"" + XmlEscape(name) + "\"";
        } else {
            className = Trim(line.substr(6));
            tag = XmlEscape(className);
        }
        if (j_ + 1 >= input_.Count()) Fail(j_, "the object has no end line");
        if (SameText(Trim(input_[j_ + 1]), "END")) {
            Emit("<" + tag + "/>");
            ++j_;
            return;
        }
        Emit("<" + tag + ">");
        objects_.StackPush(className);
        objectLines_.push_back(j_);
        indent_ += 2;
    }

    // The lines after "Name = (" up to the one ending in ")" (or "}" for binary data).
    void ListValues()
    {
        const int start = j_;
        indent_ += 2;
        for (;;) {
            if (++j_ >= input_.Count()) Fail(start, "the list is not closed");
            std::string item = Trim(input_[j_]);
            const char last = item.empty() ? '\0' : item.back();
            const bool closes = last == ')' || last == '}';
            if (closes) item.pop_back();
            Emit("<String value=\"" + XmlEscape(item) + "\"/>");
            if (closes) break;
        }
        ++j_;
    }

    // The items after "Name = <" up to "end>". Lists and collections inside an item become
    // elements of their own, as outside.
    void CollectionItems()
    {
        struct TOpenCollection {
            int line;
            TStringsStack items;
        };
        std::vector<TOpenCollection> open;
        open.push_back({j_, {}});
        indent_ += 2;
        while (!open.empty()) {
            if (++j_ >= input_.Count()) Fail(open.back().line, "the collection is not closed");
            const std::string item = Trim(input_[j_]);
            const std::string upper = UpperCase(item);
            const std::size_t equals = item.find('=');
            if (equals != std::string::npos) {
                const std::string name = Trim(item.substr(0, equals));
                const std::string value = Trim(item.substr(equals + 1));
                if (value == "(" || value == "{") {
                    Emit("<" + XmlEscape(name) + ">");
                    ListValues();
                    --j_;  // ListValues stepped past its last line
                    CloseElement(name);
                } else if (value == "<") {
                    Emit("<" + XmlEscape(name) + ">");
                    open.back().items.StackPush(name);  // closed with the nested collection
                    open.push_back({j_, {}});
                    indent_ += 2;
                } else {
                    Emit("<" + XmlEscape(name) + " value=\"" + XmlEscape(value == "<>" ? std::string() : value) +
                         "\"/>");
                }
            } else if (upper == "END" || upper == "END>") {
                TStringsStack& items = open.back().items;
                if (items.Count() == 0) {
                    if (upper == "END") Fail(j_, "end without a collection item");
                } else {
                    CloseElement(items.StackPop());
                }
                if (upper == "END>") {
                    // Lines that opened items without an end of their own close with the collection.
                    while (items.Count() > 0) CloseElement(items.StackPop());
                    open.pop_back();
                    if (!open.empty()) CloseElement(open.back().items.StackPop());
                }
            } else if (!item.empty()) {
                Emit("<" + XmlEscape(item) + ">");
                open.back().items.StackPush(item);
                indent_ += 2;
            }
        }
        // The caller closes the outermost collection's own element.
        ++j_;
    }

    TStringList input_;
    TStringList output_;
    int indent_ = 0;
    TStringsStack path_;
    TStringsStack objects_;
    std::vector<int> objectLines_;
    int j_ = 0;
};

}  // namespace

void ConvertTextStreamToXml(TStream& stream, bool withDeclaration)
{
    std::string text(static_cast<std::size_t>(std::max<std::int64_t>(0, stream.Remaining())), '\0');
    if (!text.empty()) stream.ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    const std::string xml = TTextToXml(text).Convert(withDeclaration);
    stream.SetPosition(0);
    stream.WriteString(xml);
    // A shorter XML leaves none of the component text behind it.
    stream.SetSize(static_cast<std::int64_t>(xml.size()));
}

// ---------------------------------------------------------------- streaming, module

void RegisterClassForStreaming(const TClassInfo& info)
{
    ActivateControlClassGroup();
    RegisterClass(info);
}

void DuvProcsInitialization() { ResetDefaultColorPalette(); }

void DuvProcsFinalization()
{
    DefaultColorPalette.clear();
    ListSeparator = ";";
}

// ---------------------------------------------------------------- parallel preparation

TParallel::TParallel(TParallelGroup& group, int workerIndex, std::int64_t firstIndex, const TParallelProc& proc,
                     TObject* data)
    : Proc(proc), CurrentIndex(firstIndex), WorkerIndex(workerIndex), Group(&group), Data(data)
{
}

void TParallel::Execute()
{
    try {
        if (CurrentIndex <= Group->LastIndex) Proc(Data, static_cast<int>(CurrentIndex));
        // Once any worker failed the others take no further index.
        while (!Group->Failed()) {
            CurrentIndex = Group->NextIndex.fetch_add(1) + 1;
            if (CurrentIndex > Group->LastIndex) break;
            Proc(Data, static_cast<int>(CurrentIndex));
        }
    } catch (...) {
        Group->Fail(std::current_exception());
    }
}

TParallelGroup::TParallelGroup(int startIndex, int lastIndex)
    : NextIndex(startIndex), StartIndex(startIndex), LastIndex(lastIndex)
{
}

void TParallelGroup::Fail(std::exception_ptr error)
{
    {
        std::lock_guard<std::mutex> lock(errorLock_);
        if (!firstError_) firstError_ = error;
    }
    failed_.store(true, std::memory_order_release);
}

void TParallelGroup::Run(int threads, TThreadPriority, const TParallelProc& proc, TObject* data)
{
    // Raising a thread's priority needs privileges on Linux; the workers run at the caller's.
    Workers.clear();
    for (int i = 0; i < threads; ++i) Workers.push_back(std::make_unique<TParallel>(*this, i, StartIndex + i, proc, data));
    RunningCount = threads;
    NextIndex = StartIndex + threads - 1;
    std::vector<std::thread> running;
    running.reserve(Workers.size());
    for (std::size_t i = 0; i < Workers.size(); ++i) {
        try {
            TParallel* worker = Workers[i].get();
            running.emplace_back([this, worker] {
                worker->Execute();
                RunningCount.fetch_sub(1);
            });
        } catch (...) {
            // No thread for this worker and the ones after it: stop the others and report.
            RunningCount.fetch_sub(static_cast<int>(Workers.size() - i));
            Fail(std::current_exception());
            break;
        }
    }
    for (std::thread& thread : running) thread.join();
    assert(RunningCount == 0);
    Workers.clear();
    if (firstError_) std::rethrow_exception(firstError_);
}

int TDuvCPU::CountProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return count;
    }
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

void TDuvCPU::RunParallelRange(int startIndex, int endIndex, TThreadPriority priority, const TParallelProc& proc,
                               TObject* data, int threads)
{
    if (endIndex < startIndex) return;
    if (threads <= 1) {
        for (std::int64_t i = startIndex; i <= endIndex; ++i) proc(data, static_cast<int>(i));
        return;
    }
    TParallelGroup group(startIndex, endIndex);
    group.Run(threads, priority, proc, data);
}
