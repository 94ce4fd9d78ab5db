#pragma once
// The small services every chart module calls: the default palette, date-time steps, hit tests,
// the index sort, separated lists, editor options, component text to XML, file and clipboard
// helpers, and the parallel preparation of a range of indexes.
//
// Everything but TDuvCPU::RunParallelRange's workers runs on the user-interface thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "chart/graphics/DuvTypes.h"
#include "platform/core/Component.h"
#include "platform/core/DateTime.h"
#include "platform/core/StringList.h"

class QImage;
class QWidget;
class TStream;

// ---------------------------------------------------------------- palette, hooks, globals

// Colours given to series and points in turn; filled at start-up with the 20 built-in colours.
extern std::vector<TColor> DefaultColorPalette;
TColor DefaultPaletteColor(int index);
// An empty array restores the built-in colours.
void SetDefaultColorPalette(const std::vector<TColor>& colors);
void ResetDefaultColorPalette();

// Separator of the separated-list functions.
extern std::string ListSeparator;

// ---------------------------------------------------------------- string stack, exporter base

class TStringsStack : public TStringList {
public:
    std::string ClassName() const override { return "TStringsStack"; }
    int StackPush(const std::string& text);  // the new item's index
    std::string StackPop();                  // "" when empty
};

// Base of the data exporters.
class TDuvExportData : public TPersistent {
    QB_CLASS(TDuvExportData, TPersistent)
public:
    virtual std::string AsString() const { return {}; }
    virtual void CopyToClipboard();
    // Written safely: a failure leaves an existing file as it was.
    virtual void SaveToFile(const std::string& fileName);
    // The characters of AsString, without length or terminator.
    virtual void SaveToStream(TStream& stream);
};

// ---------------------------------------------------------------- text, numbers

std::string IntToText(long long n);
int TextPos(const std::string& sub, const std::string& s);  // 1-based, 0 when absent
// "," and "." as the locale's thousand and decimal separators, and back.
std::string NumberTextToLocale(const std::string& s);
std::string NumberTextFromLocale(const std::string& s);
// Every c replaced by n, or deleted when n is '\0'.
std::string ReplaceOrDeleteChar(const std::string& s, char c, char n);

int CountListItems(const std::string& s);
int CountListItemsWith(const std::string& s, const std::string& separator);
std::string ListItemOf(const std::string& s, int n);  // 1-based; "" out of range
std::string ListItemOfWith(const std::string& s, int n, const std::string& separator);

// Base + the smallest number from 1 on that names no component of owner.
std::string NextFreeComponentName(const TComponent* owner, const std::string& base);

std::string TranslateString(const std::string& s);
void TranslateControl(QWidget* control);
void TranslateControlWith(QWidget* form, const std::vector<QWidget*>& excluded);

// ---------------------------------------------------------------- dates

// Predefined steps of date-time axes in days: one microsecond .. one year.
inline constexpr int DateTimeStepCount = 27;
extern const std::array<double, DateTimeStepCount> DateTimeSteps;
// What MatchDateTimeStep answers when no predefined step matches.
inline constexpr int NoDateTimeStep = DateTimeStepCount;

int DaysOfMonth(int year, int month);
// The locale's short date format for spans above one day, else its short time format.
std::string DateOrTimeFormat(double span);
double NextLargerDateTimeStep(double step);
int MatchDateTimeStep(double step);
TDateTime RoundDateToStep(int step, TDateTime date);
void IncDecDateTime(bool exact, bool increase, TDateTime& date, int step, double amount);
// A monotonic millisecond clock.
double MillisecondsNow();

// ---------------------------------------------------------------- geometry

TRect RectAroundPoint(const TPoint& p, int halfWidth, int halfHeight = 0);
TRect RectAroundXY(int x, int y, int halfWidth, int halfHeight = 0);
bool PointOnLineXY(const TPoint& p, int x0, int y0, int x1, int y1, int tolerance);
bool PointOnLineXYExact(const TPoint& p, int x0, int y0, int x1, int y1);
bool PointOnSegment(const TPoint& p, const TPoint& a, const TPoint& b);
bool PointOnSegmentTolerance(const TPoint& p, const TPoint& a, const TPoint& b, int tolerance);
// Even-odd test against points[0..high]; false when high < 0.
bool PointInsidePolygon(const TPoint& p, const TPointArray& points, int high);
bool PointInsideTriangle(const TPoint& p, const TPoint& a, const TPoint& b, const TPoint& c);
bool PointInsideVertTriangle(const TPoint& p, int x0, int x1, int baseY, int apexY);
bool PointInsideSidewaysTriangle(const TPoint& p, int y0, int y1, int baseX, int apexX);
bool PointInsideEllipse(const TPoint& p, int left, int top, int right, int bottom);
bool PointInsideEllipseRect(const TPoint& p, const TRect& r);
// The crossing point of the lines through both segments (untouched for vertical ones) and
// whether the segments themselves cross.
bool SegmentsIntersection(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                          double& x, double& y);

// ---------------------------------------------------------------- sorting

using TSortCompare = std::function<int(int a, int b)>;  // negative: item a sorts before item b
using TSortSwap = std::function<void(int a, int b)>;
void QuickSortRange(int startIndex, int endIndex, const TSortCompare& compare, const TSortSwap& swap);

// ---------------------------------------------------------------- resources, files, clipboard

// The Qt resource ":/bitmaps/<name>.bmp" or ".png", else the one of altName; false when neither.
bool LoadBitmapFromModules(QImage& bitmap, const std::string& name, const std::string& altName);
// The same with the class name of instance and, as alternative, its parent class name.
bool LoadClassBitmap(const TPersistent& instance, QImage& bitmap);

// Names (without folder) of the files and folders matching mask ("/dir/*.duv").
std::unique_ptr<TStringList> FindFileNames(const std::string& mask);
std::string FileNameWithoutExt(const std::string& name);
bool IsInternetAddress(const std::string& s);
void CopyTextToClipboard(const std::string& s);

// ---------------------------------------------------------------- editor options

// The chart editor's own key under HKEY_CURRENT_USER.
inline constexpr const char* EditorOptionsKey = "Software\\ORU\\DuvChart\\Editor";
bool ReadEditorBool(const std::string& name, bool defaultValue);
int ReadEditorInteger(const std::string& name, int defaultValue);
std::string ReadEditorString(const std::string& name, const std::string& defaultValue);
void WriteEditorBool(const std::string& name, bool value);
void WriteEditorInteger(const std::string& name, int value);
void WriteEditorString(const std::string& name, const std::string& value);

// ---------------------------------------------------------------- XML

// "shift_jis" under a Japanese locale, else "ISO-8859-1".
std::string DefaultXmlEncoding();
std::string XmlDeclaration(const std::string& encoding);
// Replaces the component text read from the stream's position with its XML (UTF-8, as the text
// inside this program is). Raises EParserError "Line <n>: ..." when an object, list or
// collection is not closed; the stream is then unchanged.
void ConvertTextStreamToXml(TStream& stream, bool withDeclaration);

// ---------------------------------------------------------------- streaming, module

void RegisterClassForStreaming(const TClassInfo& info);

void DuvProcsInitialization();
void DuvProcsFinalization();

// ---------------------------------------------------------------- parallel preparation

QB_ENUM(TThreadPriority, tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical)

using TParallelProc = std::function<void(TObject* data, int index)>;

class TParallelGroup;

// One worker: its first index is given, further ones come from the group's counter.
class TParallel {
public:
    TParallel(TParallelGroup& group, int workerIndex, std::int64_t firstIndex, const TParallelProc& proc,
              TObject* data);
    void Execute();

    TParallelProc Proc;
    std::int64_t CurrentIndex;
    int WorkerIndex;
    TParallelGroup* Group;
    TObject* Data;
};

// The workers of one RunParallelRange call; they take indexes until the range is exhausted.
class TParallelGroup {
public:
    TParallelGroup(int startIndex, int lastIndex);
    // Returns when every worker has ended; then rethrows the first exception a worker met.
    void Run(int threads, TThreadPriority priority, const TParallelProc& proc, TObject* data);

    // 64 bits, so a range ending at the largest int never wraps around.
    std::atomic<std::int64_t> NextIndex;
    std::int64_t StartIndex;
    std::int64_t LastIndex;
    std::vector<std::unique_ptr<TParallel>> Workers;
    std::atomic<int> RunningCount{0};

private:
    friend class TParallel;
    void Fail(std::exception_ptr error);
    bool Failed() const { return failed_.load(std::memory_order_acquire); }

    std::atomic<bool> failed_{false};
    std::mutex errorLock_;
    std::exception_ptr firstError_;
};

class TDuvCPU {
public:
    TDuvCPU() = delete;
    // Processors this process may run on.
    static int CountProcessors();
    // proc(data, i) once for every i of startIndex..endIndex; inline in ascending order with one
    // thread, else on `threads` workers. Returns when every call has ended; a worker's exception
    // then reaches the caller.
    static void RunParallelRange(int startIndex, int endIndex, TThreadPriority priority, const TParallelProc& proc,
                                 TObject* data, int threads);
};
