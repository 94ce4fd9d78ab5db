#include "chart/output/DuvStore.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Streams.h"

namespace {

constexpr unsigned char kHeader[4] = {0x60, 0x30, 0x57, 0x01};
constexpr int kHeaderSize = 4;
constexpr int kFilerBufferSize = 4096;

[[noreturn]] void WrongFormat() { throw ChartException(DuvMsgWrongChartFileFormat); }

// What one load, with the chart pictures inside it, has created so far.
struct TLoadCounts {
    int Components = 0;
    int Pictures = 0;
    int Depth = 0;
    std::string Exceeded;  // the message once a limit is passed: nothing may skip it then
};
thread_local TLoadCounts* currentLoad = nullptr;

[[noreturn]] void TooComplex(const std::string& what)
{
    const std::string message = "The chart file is too complex to load: " + what;
    if (currentLoad) currentLoad->Exceeded = message;
    throw EChartTooComplex(message);
}

// Joins the load in progress (a chart picture's chart) or starts one; the outermost owns the counts.
class TLoadScope {
public:
    TLoadScope()
    {
        if (!currentLoad) {
            currentLoad = &own_;
            outermost_ = true;
            return;
        }
        if (++currentLoad->Pictures > kMaxChartFilePictures)
            TooComplex("it holds more than " + std::to_string(kMaxChartFilePictures) + " chart pictures");
        if (++currentLoad->Depth > kMaxChartPictureDepth) {
            --currentLoad->Depth;
            TooComplex("it nests chart pictures more than " + std::to_string(kMaxChartPictureDepth) + " deep");
        }
    }
    ~TLoadScope()
    {
        if (outermost_) currentLoad = nullptr;
        else --currentLoad->Depth;
    }
    // Runs a read; whatever a passed limit made the readers raise comes out as that limit.
    template <class TRead>
    auto Run(TRead read)
    {
        try {
            return read();
        } catch (...) {
            if (outermost_ && !own_.Exceeded.empty()) throw EChartTooComplex(own_.Exceeded);
            throw;
        }
    }
    // The counts start again for a second read of the same stream.
    void Restart()
    {
        if (outermost_) own_ = TLoadCounts();
    }
    TLoadScope(const TLoadScope&) = delete;
    TLoadScope& operator=(const TLoadScope&) = delete;

private:
    TLoadCounts own_;
    bool outermost_ = false;
};

// Up to count bytes from the stream's position; the position is put back.
std::string PeekBytes(TStream& stream, int count)
{
    const std::int64_t start = stream.Position();
    std::string bytes(static_cast<std::size_t>(count), '\0');
    const std::int64_t got = stream.Read(bytes.data(), count);
    stream.SetPosition(start);
    bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
    return bytes;
}

void CopyRest(TStream& source, TStream& destination)
{
    const std::int64_t rest = source.Remaining();
    if (rest > 0) destination.CopyFrom(source, rest);
}

// The class name of the root object of a binary component stream at the position; empty when
// the bytes do not get that far (the reader then says what is wrong).
std::string RootClassName(TStream& stream)
{
    const std::string bytes = PeekBytes(stream, 4 + 1 + 9 + 256);
    std::size_t at = 4;
    if (bytes.size() < at + 1 || std::memcmp(bytes.data(), kFilerSignature, 4) != 0) return {};
    auto flags = static_cast<unsigned char>(bytes[at]);
    if ((flags & 0xF0) == 0xF0) {
        ++at;
        if (flags & ffChildPos) {
            if (at >= bytes.size()) return {};
            const int tag = static_cast<unsigned char>(bytes[at++]);
            const int size = tag == vaInt8 ? 1 : tag == vaInt16 ? 2 : tag == vaInt32 ? 4 : tag == vaInt64 ? 8 : -1;
            if (size < 0) return {};
            at += static_cast<std::size_t>(size);
        }
    }
    if (at >= bytes.size()) return {};
    const std::size_t length = static_cast<unsigned char>(bytes[at++]);
    if (at + length > bytes.size()) return {};
    return bytes.substr(at, length);
}

// A chart file's root object must be a chart: the receiving chart's own class or an ancestor
// of it, or a registered chart class.
void CheckRootClass(const TCustomAxisPanel& chart, TStream& stream)
{
    const std::string name = RootClassName(stream);
    if (name.empty() || chart.ClassType().InheritsFrom(name)) return;
    const TClassInfo* info = GetClass(name);
    if (!info) throw EClassNotFound("Class " + name + " not found");
    if (!info->InheritsFrom(TCustomAxisPanel::StaticClass())) WrongFormat();
}

void SetSaveFlags(TCustomAxisPanel& chart, bool includeData)
{
    for (int i = 0; i < chart.CountSeries(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i))) {
            series->ForceSaveData = includeData;
            series->DontSaveData = !includeData;
        }
}

void ClearSaveFlags(TCustomAxisPanel& chart)
{
    for (int i = 0; i < chart.CountSeries(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i))) {
            series->ForceSaveData = false;
            series->DontSaveData = false;
        }
}

// Reads the component stream at the position into chart, then the appended series data.
std::vector<std::string> ReadChart(TCustomAxisPanel& chart, TStream& binary, bool readAppendedData,
                                   const TChartReadError& onError)
{
    std::vector<std::string> skipped;
    {
        TChartReader reader(binary, kFilerBufferSize);
        reader.OnReadError = onError;
        // Handler names the receiving root does not have leave their events unassigned.
        reader.OnFindMethod = [](TReader&, const std::string&, TMethod&, bool& error) { error = false; };
        reader.ReadRootComponent(&chart);
        skipped = std::move(reader.Skipped);
    }
    if (readAppendedData && binary.Position() < binary.Size()) ReadAppendedSeriesData(chart, binary);
    return skipped;
}

}  // namespace

// ---------------------------------------------------------------- reader

TChartReader::TChartReader(TStream& stream, int bufferSize) : TReader(stream, bufferSize) {}

void TChartReader::ComponentCreated(TComponent*)
{
    if (currentLoad && ++currentLoad->Components > kMaxChartFileComponents)
        TooComplex("it creates more than " + std::to_string(kMaxChartFileComponents) + " components");
}

bool TChartReader::Error(const std::string& message)
{
    if (currentLoad && !currentLoad->Exceeded.empty()) return false;
    const bool skip = OnReadError ? OnReadError(*this, message) : true;
    if (skip) Skipped.push_back(message);
    return skip;
}

// ---------------------------------------------------------------- header and forms

void WriteChartStreamHeader(TStream& stream) { stream.WriteBuffer(kHeader, kHeaderSize); }

bool IsBinaryChartStream(TStream& stream)
{
    const std::string bytes = PeekBytes(stream, kHeaderSize);
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == kHeader[0] &&
           static_cast<unsigned char>(bytes[1]) == kHeader[1];
}

bool IsChartStream(TStream& stream)
{
    if (IsBinaryChartStream(stream)) return true;
    const std::string bytes = PeekBytes(stream, 1);
    return !bytes.empty() && (bytes[0] == 'O' || bytes[0] == 'o');
}

void ChartTextToBinary(TStream& source, TStream& destination)
{
    if (!IsChartStream(source)) WrongFormat();
    if (IsBinaryChartStream(source)) return CopyRest(source, destination);
    WriteChartStreamHeader(destination);
    ObjectTextToBinary(source, destination);
}

void ChartBinaryToText(TStream& source, TStream& destination)
{
    if (!IsChartStream(source)) WrongFormat();
    if (!IsBinaryChartStream(source)) return CopyRest(source, destination);
    source.Seek(kHeaderSize, TSeekOrigin::soCurrent);
    ObjectBinaryToText(source, destination);
}

// ---------------------------------------------------------------- saving

void SaveChartToStream(TCustomAxisPanel& chart, TStream& stream, bool includeData, bool textForm)
{
    TMemoryStream text;
    TStream& target = textForm ? static_cast<TStream&>(text) : stream;
    WriteChartStreamHeader(target);
    {
        // A stored chart never carries the name of the chart it came from.
        const bool designing = chart.HasState(csDesigning);
        const std::string name = chart.Name();
        if (!designing) chart.SetName("");
        SetSaveFlags(chart, includeData);
        const TScopeGuard restore([&] {
            ClearSaveFlags(chart);
            if (!designing) chart.SetName(name);
        });
        TWriter writer(target, kFilerBufferSize);
        writer.SetRoot(chart.Owner() ? chart.Owner() : &chart);
        writer.WriteSignature();
        writer.WriteComponent(&chart);
        writer.FlushBuffer();
    }
    if (!textForm) return;
    text.SetPosition(0);
    ChartBinaryToText(text, stream);
}

void SaveChartToFile(TCustomAxisPanel& chart, const std::string& fileName, bool includeData, bool textForm)
{
    TFileStream file(AddChartFileExtension(fileName), fmCreate);
    SaveChartToStream(chart, file, includeData, textForm);
    file.Commit();
}

void SaveChartToXMLStream(TCustomAxisPanel& chart, TStream& stream, bool includeData, bool withDeclaration)
{
    // Converted on the side, so what the stream held before its position stays.
    TMemoryStream xml;
    SaveChartToStream(chart, xml, includeData, true);
    xml.SetPosition(0);
    ConvertTextStreamToXml(xml, withDeclaration);
    stream.WriteString(xml.Bytes());
}

void SaveChartToXMLFile(TCustomAxisPanel& chart, const std::string& fileName, bool includeData, bool withDeclaration)
{
    TFileStream file(AddChartFileExtension(fileName), fmCreate);
    SaveChartToXMLStream(chart, file, includeData, withDeclaration);
    file.Commit();
}

// ---------------------------------------------------------------- loading

namespace {

// The binary form of the stream, past its header, with the root class checked.
TStream& BinaryChartStream(TCustomAxisPanel& chart, TStream& stream, std::unique_ptr<TMemoryStream>& converted)
{
    if (stream.Size() == 0) throw ChartException(DuvMsgEmptyChartFile);
    if (!IsChartStream(stream)) WrongFormat();
    if (!IsBinaryChartStream(stream)) {
        converted = std::make_unique<TMemoryStream>();
        ChartTextToBinary(stream, *converted);
        converted->SetPosition(0);
    }
    TStream& binary = converted ? *converted : stream;
    binary.Seek(kHeaderSize, TSeekOrigin::soCurrent);
    CheckRootClass(chart, binary);
    return binary;
}

}  // namespace

std::vector<std::string> LoadChartFromStreamEx(TCustomAxisPanel& chart, TStream& stream, bool readAppendedData,
                                               const TChartReadError& onError)
{
    TLoadScope scope;
    std::unique_ptr<TMemoryStream> converted;
    TStream& binary = BinaryChartStream(chart, stream, converted);
    const std::int64_t start = binary.Position();

    // The whole stream is read once into a chart of the same class: only when that succeeds
    // does the receiving chart change. Its content is then replaced by reading the stream again,
    // since moving series between charts would drop their links to their data sources.
    {
        std::unique_ptr<TPersistent> made(chart.ClassType().Create(nullptr));
        auto* trial = dynamic_cast<TCustomAxisPanel*>(made.get());
        if (!trial) WrongFormat();
        scope.Run([&] { return ReadChart(*trial, binary, readAppendedData, onError); });
    }
    binary.SetPosition(start);
    scope.Restart();

    const bool repaint = chart.AutoRepaint;
    const TScopeGuard repaintBack([&] {
        chart.AutoRepaint = repaint;
        chart.Invalidate();
    });
    chart.AutoRepaint = false;
    if (auto* full = dynamic_cast<TCustomChart*>(&chart)) full->ResetToEmpty();
    const std::string name = chart.Name();
    std::vector<std::string> skipped;
    {
        const TScopeGuard nameBack([&] {
            if (!name.empty() && chart.Name() != name) chart.SetName(name);
        });
        // What the trial read skipped the caller has already agreed to.
        skipped = scope.Run([&] { return ReadChart(chart, binary, readAppendedData, nullptr); });
    }
    return skipped;
}

std::vector<std::string> LoadChartFromStream(TCustomAxisPanel& chart, TStream& stream)
{
    return LoadChartFromStreamEx(chart, stream, false, nullptr);
}

void LoadNewChartFromStream(TCustomAxisPanel& chart, TStream& stream)
{
    TLoadScope scope;
    std::unique_ptr<TMemoryStream> converted;
    TStream& binary = BinaryChartStream(chart, stream, converted);
    scope.Run([&] { return ReadChart(chart, binary, false, nullptr); });
}

std::vector<std::string> LoadChartFromFileEx(TCustomAxisPanel& chart, const std::string& fileName,
                                             const TChartReadError& onError)
{
    const std::string name = AddChartFileExtension(fileName);
    TFileStream file(name, fmOpenRead | fmShareDenyWrite);
    try {
        return LoadChartFromStreamEx(chart, file, false, onError);
    } catch (const EChartTooComplex& e) {
        // The same message with the file named.
        const std::string text = e.what();
        const std::string plain = "The chart file ";
        throw EChartTooComplex(plain + "\"" + name + "\" " + text.substr(text.starts_with(plain) ? plain.size() : 0));
    }
}

std::vector<std::string> LoadChartFromFile(TCustomAxisPanel& chart, const std::string& fileName)
{
    return LoadChartFromFileEx(chart, fileName, nullptr);
}

std::string AddChartFileExtension(const std::string& fileName)
{
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t dot = fileName.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return fileName;
    return fileName + "." + ChartFileExtension;
}

// ---------------------------------------------------------------- module

void DuvStoreInitialization()
{
    RegisterClassForStreaming(TChartChart::StaticClass());
    RegisterClassForStreaming(TODBCChart::StaticClass());
}

void DuvStoreFinalization()
{
    UnregisterClass(TODBCChart::StaticClass());
    UnregisterClass(TChartChart::StaticClass());
}
