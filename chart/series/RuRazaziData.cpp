// The "Data" stream property of a series: a Flags byte, a point count and one record per point
// (secondary value when stored, mandatory value, colour, label, further lists, mark position).
//
// What always holds for the reader:
//  - a block is decoded whole into memory before the series is touched, so bad bytes leave the
//    series (and the chart) as they were;
//  - no field is taken from bytes that are not there: counts and label lengths are checked
//    against the bytes left before anything is allocated for them;
//  - a "Data" value ends exactly where its last record ends (a payload of another series type,
//    with more or fewer value lists, does not).
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "chart/series/RuRazaziSeries.h"
#include "platform/core/CodePage.h"
#include "platform/core/Filer.h"
#include "platform/core/ScopeGuard.h"

namespace {

enum : int { kStoresX = 1, kStoresColors = 2, kStoresLabels = 4, kStoresMarks = 8 };
constexpr int kMarkPositionSize = 34;
// A label written in UTF-8 because the program's code page cannot hold it starts with these.
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr std::size_t kUtf8MarkSize = 3;

[[noreturn]] void BadData(const std::string& what) { throw EReadError("Invalid series data: " + what); }

// ---------------------------------------------------------------- writing

// Collects bytes and hands them to the stream in large pieces.
class TDataWriter {
public:
    explicit TDataWriter(TStream& stream) : stream_(stream) { buffer_.reserve(kPiece); }
    ~TDataWriter() { assert(buffer_.empty()); }
    void Bytes(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const char*>(data);
        buffer_.append(p, size);
        if (buffer_.size() >= kPiece) Flush();
    }
    template <class T>
    void Plain(T value)
    {
        Bytes(&value, sizeof value);
    }
    void Flush()
    {
        stream_.WriteString(buffer_);
        buffer_.clear();
    }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 16;
    TStream& stream_;
    std::string buffer_;
};

bool IsAscii(const std::string& text)
{
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

std::string LabelToFile(const std::string& label)
{
    if (IsAscii(label)) return label;
    std::string ansi = Utf8ToAnsi(label);
    if (AnsiToUtf8(ansi) == label) return ansi;
    return kUtf8Mark + label;
}

std::string LabelFromFile(std::string bytes)
{
    if (IsAscii(bytes)) return bytes;
    if (bytes.compare(0, kUtf8MarkSize, kUtf8Mark) == 0) return bytes.substr(kUtf8MarkSize);
    return AnsiToUtf8(bytes);
}

void WriteMarkPosition(TDataWriter& out, const TSeriesMarkPosition* stored)
{
    TSeriesMarkPosition blank;
    const TSeriesMarkPosition& p = stored && stored->Custom ? *stored : blank;
    auto int32 = [&](int v) { out.Plain<std::int32_t>(v); };
    auto flag = [&](bool v) { out.Plain<std::uint8_t>(v ? 1 : 0); };
    int32(p.ArrowFrom.X);
    int32(p.ArrowFrom.Y);
    flag(p.ArrowFix);
    int32(p.ArrowTo.X);
    int32(p.ArrowTo.Y);
    flag(p.Custom);
    int32(p.Height);
    int32(p.LeftTop.X);
    int32(p.LeftTop.Y);
    int32(p.Width);
}

// ---------------------------------------------------------------- reading

// Reads from a stream through a buffer; never past the bytes the stream holds. Finish puts the
// stream right after the last byte taken.
class TDataReader {
public:
    explicit TDataReader(TStream& stream) : stream_(stream), left_(stream.Remaining())
    {
        // A memory stream is read in place.
        if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
            data_ = memory->Bytes().data() + memory->Position();
            end_ = static_cast<std::size_t>(left_);
            stream.Seek(left_, TSeekOrigin::soCurrent);
        }
    }
    std::int64_t Left() const { return left_ - taken_; }
    std::int64_t Taken() const { return taken_; }

    void Take(void* target, std::size_t size, const char* what)
    {
        if (static_cast<std::int64_t>(size) > Left())
            BadData(std::string(what) + " needs " + std::to_string(size) + " bytes at offset " +
                    std::to_string(taken_) + ", " + std::to_string(Left()) + " left");
        auto* out = static_cast<char*>(target);
        while (size > 0) {
            if (pos_ == end_) Refill();
            const std::size_t n = std::min(size, end_ - pos_);
            std::memcpy(out, data_ + pos_, n);
            pos_ += n;
            out += n;
            size -= n;
            taken_ += static_cast<std::int64_t>(n);
        }
    }
    // Only after the bytes were counted: nothing is checked.
    void Skip(std::int64_t size)
    {
        assert(size <= Left());
        const std::int64_t buffered = static_cast<std::int64_t>(end_ - pos_);
        if (size <= buffered) {
            pos_ += static_cast<std::size_t>(size);
        } else {
            stream_.Seek(size - buffered, TSeekOrigin::soCurrent);
            pos_ = end_ = 0;
        }
        taken_ += size;
    }
    template <class T>
    T Plain(const char* what)
    {
        T value;
        Take(&value, sizeof value, what);
        return value;
    }
    void Finish() { stream_.Seek(-static_cast<std::int64_t>(end_ - pos_), TSeekOrigin::soCurrent); }

private:
    void Refill()
    {
        // Everything buffered is taken, so the stream still holds left_ - taken_ of ours.
        const std::int64_t want = std::min<std::int64_t>(std::int64_t{1} << 16, left_ - taken_);
        buffer_.resize(static_cast<std::size_t>(std::max<std::int64_t>(want, 1)));
        const std::int64_t got = stream_.Read(buffer_.data(), static_cast<std::int64_t>(buffer_.size()));
        if (got <= 0) BadData("the stream ended early");
        data_ = buffer_.data();
        pos_ = 0;
        end_ = static_cast<std::size_t>(got);
    }

    TStream& stream_;
    std::int64_t left_;
    std::int64_t taken_ = 0;
    std::vector<char> buffer_;
    const char* data_ = nullptr;
    std::size_t pos_ = 0, end_ = 0;
};

struct TDataShape {
    int Flags = 0;
    int Count = 0;
    std::int64_t Start = 0;  // stream position of the flags byte
};

TSeriesMarkPosition ReadMarkPosition(TDataReader& in)
{
    unsigned char raw[kMarkPositionSize];
    in.Take(raw, sizeof raw, "a mark position");
    auto int32 = [&](int offset) {
        std::int32_t v;
        std::memcpy(&v, raw + offset, 4);
        return static_cast<int>(v);
    };
    TSeriesMarkPosition p;
    p.ArrowFrom = {int32(0), int32(4)};
    p.ArrowFix = raw[8] != 0;
    p.ArrowTo = {int32(9), int32(13)};
    p.Custom = raw[17] != 0;
    p.Height = int32(18);
    p.LeftTop = {int32(22), int32(26)};
    p.Width = int32(30);
    return p;
}

std::int64_t LabelLength(TDataReader& in, int index)
{
    std::int64_t length = in.Plain<std::uint8_t>("a label length");
    if (length == 255) length = in.Plain<std::int32_t>("a long label length");
    if (length < 0 || length > in.Left())
        BadData("label of point " + std::to_string(index) + " is " + std::to_string(length) + " bytes long, " +
                std::to_string(in.Left()) + " left");
    return length;
}

// Walks one block without keeping anything: every count and length is checked against the
// bytes left, so a block that passes is read again without a failure.
TDataShape ScanSeriesData(TStream& stream, int furtherLists)
{
    TDataShape shape;
    shape.Start = stream.Position();
    TDataReader in(stream);
    shape.Flags = in.Plain<std::uint8_t>("the flags byte") & 15;
    const std::int32_t count = in.Plain<std::int32_t>("the point count");
    if (count < 0) BadData("negative point count " + std::to_string(count));
    const std::int64_t before = 8 + (shape.Flags & kStoresX ? 8 : 0) + (shape.Flags & kStoresColors ? 4 : 0);
    const std::int64_t after = 8 * std::int64_t{furtherLists} + (shape.Flags & kStoresMarks ? kMarkPositionSize : 0);
    const bool hasLabels = shape.Flags & kStoresLabels;
    const std::int64_t smallest = before + after + (hasLabels ? 1 : 0);
    if (count > in.Left() / smallest)
        BadData(std::to_string(count) + " points need at least " + std::to_string(count * smallest) + " bytes, " +
                std::to_string(in.Left()) + " left");
    shape.Count = count;
    if (!hasLabels) {
        in.Skip(count * smallest);
    } else {
        for (int i = 0; i < count; ++i) {
            if (in.Left() < before + 1) BadData("point " + std::to_string(i) + " is cut short");
            in.Skip(before);
            in.Skip(LabelLength(in, i));
            if (in.Left() < after) BadData("point " + std::to_string(i) + " is cut short");
            in.Skip(after);
        }
    }
    in.Finish();
    return shape;
}

int FurtherListCount(const TChartSeries& series) { return std::max(0, series.ValueLists().Count() - 2); }


}  // namespace

// ---------------------------------------------------------------- what is stored

bool TChartSeries::XValuesNeedStoring() const
{
    if (!StoresXValues || PointCount() == 0) return false;
    const TChartValueList* list = SecondaryList();
    const int count = list->Count();
    const double* values = list->Values();
    if (values[0] != 0 || values[count - 1] != count - 1) return true;
    for (int i = 0; i < count; ++i)
        if (values[i] != i) return true;
    return false;
}

bool TChartSeries::PointColorsNeedStoring() const
{
    if (!pointColors_) return false;
    const TColor own = GetSeriesColor();
    for (TColor color : *pointColors_)
        if (color != clDefault && color != own) return true;
    return false;
}

bool TChartSeries::LabelsNeedStoring() const
{
    const TLabelsList& labels = Labels();
    for (int i = 0; i < labels.Count(); ++i)
        if (!labels.GetLabelText(i).empty()) return true;
    return false;
}

bool TChartSeries::HasCustomMarkPositions() const { return marks_.Positions().AnyCustomPosition(); }

// ---------------------------------------------------------------- writing and reading

void TChartSeries::WriteData(TStream& stream) const
{
    const int flags = SeriesDataContents(*this);
    const int count = PointCount();
    const TChartValueList* secondary = SecondaryList();
    const TChartValueList* mandatory = MandatoryList();
    const TChartValueLists& lists = ValueLists();
    TDataWriter out(stream);
    out.Plain<std::uint8_t>(static_cast<std::uint8_t>(flags));
    out.Plain<std::int32_t>(count);
    for (int i = 0; i < count; ++i) {
        if (flags & kStoresX) out.Plain<double>(secondary->Values()[i]);
        out.Plain<double>(mandatory->Values()[i]);
        if (flags & kStoresColors) out.Plain<std::uint32_t>(static_cast<std::uint32_t>(StoredPointColor(i)));
        if (flags & kStoresLabels) {
            const std::string bytes = LabelToFile(Labels().GetLabelText(i));
            if (bytes.size() < 255) {
                out.Plain<std::uint8_t>(static_cast<std::uint8_t>(bytes.size()));
            } else {
                out.Plain<std::uint8_t>(255);
                out.Plain<std::int32_t>(static_cast<std::int32_t>(bytes.size()));
            }
            out.Bytes(bytes.data(), bytes.size());
        }
        for (int list = 2; list < lists.Count(); ++list) out.Plain<double>(lists[list]->Values()[i]);
        if (flags & kStoresMarks) WriteMarkPosition(out, marks_.Positions().PositionAt(i));
    }
    out.Flush();
}

namespace {

void FinishLoading(TChartSeries& series) { series.DataLoaded = true; }

// Points with values only go in as arrays, a piece at a time (the series takes arrays that lie in
// its X order in one step).
void AddPlainPoints(TChartSeries& series, TDataReader& in, int count, bool hasX)
{
    constexpr int kPiece = 8192;
    std::vector<double> a(kPiece), b(kPiece);
    const bool horizontal = !series.YMandatory();
    for (int first = 0; first < count; first += kPiece) {
        const int n = std::min(kPiece, count - first);
        for (int i = 0; i < n; ++i) {
            a[static_cast<std::size_t>(i)] = hasX ? in.Plain<double>("") : first + i;
            b[static_cast<std::size_t>(i)] = in.Plain<double>("");
        }
        if (horizontal)
            series.AddXYArrays(b.data(), a.data(), n);
        else
            series.AddXYArrays(a.data(), b.data(), n);
    }
}

// Reads a block that ScanSeriesData passed.
void ApplySeriesData(TChartSeries& series, TStream& stream, const TDataShape& shape)
{
    series.ClearPoints();
    stream.SetPosition(shape.Start + 5);
    TDataReader in(stream);
    const bool horizontal = !series.YMandatory();
    const TChartValueLists& lists = series.ValueLists();
    TSeriesMarksPositions& positions = series.Marks().Positions();
    series.SuspendUpdates();
    const int growthStep = ValueListGrowthStep;
    ValueListGrowthStep = std::max(growthStep, shape.Count);
    {
        TScopeGuard resume([&series, growthStep] {
            ValueListGrowthStep = growthStep;
            series.ResumeUpdates();
        });
        const bool hasX = shape.Flags & kStoresX, hasColors = shape.Flags & kStoresColors,
                   hasLabels = shape.Flags & kStoresLabels, hasMarks = shape.Flags & kStoresMarks;
        if (!hasColors && !hasLabels && !hasMarks && lists.Count() == 2) {
            AddPlainPoints(series, in, shape.Count, hasX);
            in.Finish();
            return FinishLoading(series);
        }
        std::string label;
        int stored = 0;
        for (int i = 0; i < shape.Count; ++i) {
            double a = hasX ? in.Plain<double>("") : i;
            double b = in.Plain<double>("");
            if (horizontal) std::swap(a, b);
            const TColor color = hasColors ? static_cast<TColor>(in.Plain<std::uint32_t>("")) : clDefault;
            if (hasLabels) {
                std::string bytes(static_cast<std::size_t>(LabelLength(in, i)), '\0');
                in.Take(bytes.data(), bytes.size(), "");
                label = LabelFromFile(std::move(bytes));
            }
            for (int list = 2; list < lists.Count(); ++list) lists[list]->PendingValue = in.Plain<double>("");
            const int index = series.AddPointXY(a, b, label, color);
            if (!hasMarks) continue;
            const TSeriesMarkPosition read = ReadMarkPosition(in);
            // A refused point takes its mark position with it.
            if (index < 0) continue;
            positions.StorePosition(stored, read);
            positions.PositionAt(stored)->Custom = read.Custom;
            ++stored;
        }
        in.Finish();
    }
    FinishLoading(series);
}

}  // namespace

void TChartSeries::ReadDataStream(TStream& stream)
{
    const TDataShape shape = ScanSeriesData(stream, FurtherListCount(*this));
    const std::int64_t end = stream.Position();
    ApplySeriesData(*this, stream, shape);
    stream.SetPosition(end);
}

void TChartSeries::DefineDataProperty(TFiler& filer)
{
    filer.DefineBinaryProperty(
        "Data",
        [this](TStream& stream) {
            const TDataShape shape = ScanSeriesData(stream, FurtherListCount(*this));
            if (stream.Remaining() != 0)
                BadData(std::to_string(stream.Remaining()) + " bytes follow the last point of " + Name() +
                        " (written by a series with other value lists?)");
            ApplySeriesData(*this, stream, shape);
        },
        [this](TStream& stream) { WriteData(stream); }, IsDataStored());
}

void ReadAppendedSeriesData(TCustomAxisPanel& chart, TStream& stream)
{
    std::vector<std::pair<TChartSeries*, TDataShape>> blocks;
    for (int i = 0; i < chart.CountSeries(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i)))
            blocks.emplace_back(series, ScanSeriesData(stream, FurtherListCount(*series)));
    if (stream.Remaining() != 0)
        BadData(std::to_string(stream.Remaining()) + " bytes follow the last series' points");
    const std::int64_t end = stream.Position();
    for (auto& [series, shape] : blocks) ApplySeriesData(*series, stream, shape);
    stream.SetPosition(end);
}
