#pragma once
// Native chart files (binary with a 4-byte header, or the component text form), chart XML, and
// the series data exporters (text, XML, HTML table, spreadsheet records, JSON).
//
// What always holds:
//  - a load reads the stream into a chart of its own first; the receiving chart changes only
//    once that read has succeeded, so a bad stream leaves the chart, its series and AutoRepaint
//    as they were;
//  - a load, with the charts its chart pictures hold, creates at most kMaxChartFileComponents
//    components and kMaxChartFilePictures chart pictures, nested at most kMaxChartPictureDepth
//    deep; a file over a limit raises EChartTooComplex and changes nothing;
//  - a save clears ForceSaveData and DontSaveData on every series, whether it succeeds or not;
//  - every file is written through the crash-safe file stream: a failed save leaves the old
//    file whole.
#include <functional>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "platform/core/ComponentReader.h"

class TChartSeries;
class TChartValueList;
class TStream;

// ---------------------------------------------------------------- chart files

// Answers true to skip the item the message names and go on, false to stop with the error.
using TChartReadError = std::function<bool(TReader& reader, const std::string& message)>;

// The reader of chart streams: problems with single items are skipped unless the callback
// says otherwise, and every skipped item is listed.
class TChartReader : public TReader {
public:
    explicit TChartReader(TStream& stream, int bufferSize = 4096);
    std::string ClassName() const override { return "TChartReader"; }
    bool Error(const std::string& message) override;

    TChartReadError OnReadError;
    std::vector<std::string> Skipped;

protected:
    // Counts toward the limits of the load in progress.
    void ComponentCreated(TComponent* component) override;
};

// A chart file over the loading limits; the message names the limit.
class EChartTooComplex : public ChartException {
public:
    using ChartException::ChartException;
};
inline constexpr int kMaxChartFileComponents = 2'000;
inline constexpr int kMaxChartFilePictures = 256;
inline constexpr int kMaxChartPictureDepth = 8;

// Charts of these classes are named in files written elsewhere; they add nothing.
class TChartChart : public TChart {
    QB_CLASS(TChartChart, TChart)
public:
    explicit TChartChart(TComponent* owner = nullptr) : TChart(owner) {}
};

class TODBCChart : public TChartChart {
    QB_CLASS(TODBCChart, TChartChart)
public:
    explicit TODBCChart(TComponent* owner = nullptr) : TChartChart(owner) {}
};

void WriteChartStreamHeader(TStream& stream);
// The position is left where it was.
bool IsChartStream(TStream& stream);
bool IsBinaryChartStream(TStream& stream);
// Both raise ChartException "Wrong *.duv file format" for a stream that is no chart stream.
void ChartTextToBinary(TStream& source, TStream& destination);
void ChartBinaryToText(TStream& source, TStream& destination);

void SaveChartToStream(TCustomAxisPanel& chart, TStream& stream, bool includeData = true, bool textForm = false);
void SaveChartToFile(TCustomAxisPanel& chart, const std::string& fileName, bool includeData = true,
                     bool textForm = false);
void SaveChartToXMLStream(TCustomAxisPanel& chart, TStream& stream, bool includeData = true,
                          bool withDeclaration = true);
void SaveChartToXMLFile(TCustomAxisPanel& chart, const std::string& fileName, bool includeData = true,
                        bool withDeclaration = true);

// Replace the chart's content by the stored one and answer the items that were skipped
// (unknown classes and properties, values a property refused), for the caller to show.
// Raise ChartException "Empty *.duv file" / "Wrong *.duv file format", EClassNotFound for a
// root object that is no chart, and the reader's errors; the chart is then unchanged.
std::vector<std::string> LoadChartFromStreamEx(TCustomAxisPanel& chart, TStream& stream, bool readAppendedData,
                                               const TChartReadError& onError);
std::vector<std::string> LoadChartFromStream(TCustomAxisPanel& chart, TStream& stream);
// For a chart made for this load alone (a chart picture's), which the caller throws away when
// the load raises: read once, within the limits of the load it is part of.
void LoadNewChartFromStream(TCustomAxisPanel& chart, TStream& stream);
std::vector<std::string> LoadChartFromFileEx(TCustomAxisPanel& chart, const std::string& fileName,
                                             const TChartReadError& onError);
std::vector<std::string> LoadChartFromFile(TCustomAxisPanel& chart, const std::string& fileName);

// The name unchanged when it has an extension, else name + "." + ChartFileExtension.
std::string AddChartFileExtension(const std::string& fileName);

// ---------------------------------------------------------------- series data export

// What the data of an export hold: X values, point colours, labels (mark positions are never
// exported).
enum : int { sdX = 1, sdColors = 2, sdLabels = 4, sdMarks = 8 };

// "#rrggbb", or "#aarrggbb" when the colour's top byte is set.
std::string ColorToHexText(TColor color);
// The same text: JSON colours read like those of the other formats.
std::string ColorToJsonText(TColor color);
// The shortest text that reads back as the same double, with the given decimal separator,
// in the general style ("0.30000000000000004", "1.5E-7", "1E20").
std::string ShortestFloatText(double value, char decimalSeparator);

class TSeriesData : public TDuvExportData {
    QB_CLASS(TSeriesData, TDuvExportData)
public:
    TSeriesData(TCustomAxisPanel* chart = nullptr, TChartSeries* series = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TSeriesData>& p);

    TCustomAxisPanel* Chart() const { return chart_; }
    TChartSeries* Series() const { return series_; }
    void SetSeries(TChartSeries* value) { series_ = value; }

    bool IncludeColors = false;
    bool IncludeIndex = false;
    bool IncludeHeader = false;
    bool IncludeLabels = true;
    bool UseSeriesFormat = false;
    std::string ValueFormat;
    // sd* bits; every export works them out afresh.
    mutable int Contents = 0;

    std::string AsString() const override;
    // The characters of AsString in the program's code page.
    void SaveToStream(TStream& stream) override;
    virtual void GuessSeriesContents() const;
    void GuessContents(const TChartSeries* series) const;
    virtual std::string GetLine(int) const { return {}; }

    void PrepareContents(const TChartSeries* series) const;
    void Prepare() const { PrepareContents(series_); }
    int PointCount() const;
    int SeriesCount() const;
    int ColumnCount() const;
    int RowCount() const { return PointCount() + (IncludeHeader ? 1 : 0); }
    // The exported series: Series alone, or every series of the chart.
    std::vector<TChartSeries*> ExportedSeries() const;
    std::string FormatValue(const TChartSeries* series, double value) const;
    // The format in force for a series' values.
    const std::string& FormatOf(const TChartSeries* series) const;

protected:
    // The series title, else its name.
    static std::string SeriesTitle(const TChartSeries& series);

private:
    TCustomAxisPanel* chart_;
    TChartSeries* series_;
};

class TSeriesDataText : public TSeriesData {
    QB_CLASS(TSeriesDataText, TSeriesData)
public:
    TSeriesDataText(TCustomAxisPanel* chart = nullptr, TChartSeries* series = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TSeriesDataText>& p);

    char TextDelimiter = '\t';
    std::string TextQuotes;

    std::string AsString() const override;
    void GuessSeriesContents() const override;
    std::string GetLine(int index) const override;
    // A text cell: in the quotes when it has any, and always when it holds the delimiter, a quote
    // or a line break (inner quotes doubled).
    std::string Quoted(const std::string& text) const;

private:
    void AppendLine(std::string& out, int index, const std::vector<TChartSeries*>& list) const;
    bool AppendPlainLines(std::string& out, const std::vector<TChartSeries*>& list) const;
    std::string HeaderLine(const std::vector<TChartSeries*>& list) const;
    void AppendValueCell(std::string& out, const TChartSeries& series, const TChartValueList& list, int index,
                         char decimal) const;
};

class TSeriesDataXML : public TSeriesData {
    QB_CLASS(TSeriesDataXML, TSeriesData)
public:
    TSeriesDataXML(TCustomAxisPanel* chart = nullptr, TChartSeries* series = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TSeriesDataXML>& p);

    std::string Encoding;
    bool IsEncodingStored() const { return Encoding != DefaultXmlEncoding(); }

    // UTF-8, as all text inside the program.
    std::string AsString() const override;
    // In Encoding (UTF-8 when empty); characters it lacks become character references.
    void SaveToStream(TStream& stream) override;

private:
    void AppendSeries(std::string& out, const TChartSeries& series) const;
};

class TSeriesDataHTML : public TSeriesData {
    QB_CLASS(TSeriesDataHTML, TSeriesData)
public:
    using TSeriesData::TSeriesData;
    std::string AsString() const override;
    std::string GetLine(int index) const override;

private:
    void AppendRow(std::string& out, int index, const std::vector<TChartSeries*>& list) const;
};

// Spreadsheet records of the old binary format (BIFF5 cells).
class TSeriesDataXLS : public TSeriesData {
    QB_CLASS(TSeriesDataXLS, TSeriesData)
public:
    using TSeriesData::TSeriesData;
    // Raises ChartException before writing anything when the data need more than 65,535 rows
    // or 256 columns.
    void SaveToStream(TStream& stream) override;
    // The value a NUMBER cell holds: rounded to the decimals of the format in force.
    double CellValue(const TChartSeries* series, double value) const;
};

class TSeriesDataJSON : public TSeriesData {
    QB_CLASS(TSeriesDataJSON, TSeriesData)
public:
    using TSeriesData::TSeriesData;
    // 0 writes date-time values as numbers, 1 as milliseconds since 1970-01-01.
    int DateTimeFormat = 0;

    std::string AsString() const override;
    // UTF-8.
    void SaveToStream(TStream& stream) override;

private:
    void AppendSeries(std::string& out, const TChartSeries& series) const;
    void AppendNumber(std::string& out, const TChartValueList& list, double value) const;
};

void DuvStoreInitialization();
void DuvStoreFinalization();
