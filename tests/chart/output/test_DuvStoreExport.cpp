// The series data exporters, with python3, xmllint and LibreOffice as judges of what they write.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>

#include "chart/output/DuvStore.h"
#include "platform/core/CodePage.h"
#include "platform/core/NumText.h"
#include "platform/core/Random.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"
#include "support_DuvStoreTest.h"

namespace {

using namespace storetest;

std::string Saved(TSeriesData& data)
{
    TMemoryStream stream;
    data.SaveToStream(stream);
    return stream.Bytes();
}

std::string SaveFile(TSeriesData& data, const qbtest::TempDir& dir, const std::string& name)
{
    const std::string path = dir.file(name);
    data.SaveToFile(path);
    return path;
}

// Two plain series of 3 and 5 points, Y only.
class ExportTest : public testing::Test {
protected:
    ExportTest()
    {
        StartStoreModules();
        a_ = Add("A", {1, 2, 3});
        b_ = Add("B", {10, 20, 30, 40, 50});
    }
    TStoreSeries* Add(const std::string& name, const std::vector<double>& ys)
    {
        auto* series = new TStoreSeries(&chart_);
        series->SetName(name);
        series->SetParentChart(&chart_);
        for (double y : ys) series->AddPointY(y);
        return series;
    }
    TChart chart_;
    TStoreSeries* a_;
    TStoreSeries* b_;
};

TEST_F(ExportTest, ColoursAreWrittenRedFirstInEveryFormat)
{
    const struct {
        TColor color;
        const char* text;
    } cases[] = {{0x0000FF, "#ff0000"}, {0xFF0000, "#0000ff"}, {0x123456, "#563412"}, {clDefault, "#20000000"}};
    for (const auto& k : cases) {
        EXPECT_EQ(ColorToHexText(k.color), k.text);
        EXPECT_EQ(ColorToJsonText(k.color), k.text);
    }
}

TEST_F(ExportTest, ValuesAreWrittenAsTheShortestTextThatReadsBackEqual)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {{0.1 + 0.2, "0.30000000000000004"}, {0.3, "0.3"}, {100, "100"}, {-7.25, "-7.25"},
                 {1e20, "1E20"}, {1.5e-7, "1.5E-7"}, {0.001, "0.001"}, {123456789012345, "123456789012345"},
                 {0, "0"}, {1.0 / 3, "0.3333333333333333"}, {0.5, "0.5"}, {-0.25, "-0.25"}, {1.05, "1.05"},
                 {0.0001, "0.0001"}, {0.00012, "0.00012"}, {-12345.6789, "-12345.6789"}, {2.675, "2.675"},
                 {1e-5, "1E-5"}, {99999999999999.5, "99999999999999.5"}, {99215070451957.39, "99215070451957.39"}, {1e15, "1E15"}, {-600, "-600"}};
    for (const auto& k : cases) {
        EXPECT_EQ(ShortestFloatText(k.value, '.'), k.text);
        EXPECT_EQ(std::stod(ShortestFloatText(k.value, '.')), k.value);
    }
    EXPECT_EQ(ShortestFloatText(2.5, ','), "2,5");
    TSeriesDataText text(&chart_, a_);
    EXPECT_EQ(text.FormatValue(a_, 1234.5), "1234.5");
    text.ValueFormat = "0.00";
    EXPECT_EQ(text.FormatValue(a_, 1234.5), "1234.50");
    a_->SetValueFormat("#,##0.#");
    text.UseSeriesFormat = true;
    EXPECT_EQ(text.FormatValue(a_, 1234.56), "1,234.6");
}

// Decimal values of every size and arbitrary doubles: the text reads back equal and has as many
// significant digits as the shortest form has.
TEST_F(ExportTest, ShortestTextHoldsForManyValues)
{
    SetRandSeed(20261211);
    auto significant = [](const std::string& text) {
        std::string digits;
        for (char c : text.substr(0, text.find('E')))
            if (c >= '0' && c <= '9') digits += c;
        digits.erase(0, digits.find_first_not_of('0'));
        digits.erase(digits.find_last_not_of('0') + 1);
        return digits.size();
    };
    for (int i = 0; i < 200000; ++i) {
        double value = 0;
        if (i % 2 == 0) {
            value = (Random(2000001) - 1000000) / std::pow(10.0, Random(9));
        } else {
            std::uint64_t bits = static_cast<std::uint64_t>(Random(1 << 30)) << 34 ^
                                 static_cast<std::uint64_t>(Random(1 << 30)) << 4 ^ Random(16);
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value)) continue;
        }
        const std::string text = ShortestFloatText(value, '.');
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        char shortest[40];
        const auto end = std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific).ptr;
        ASSERT_EQ(significant(text), value == 0 ? 0 : significant(std::string(shortest, end).substr(0, std::string(shortest, end).find('e'))))
            << text;
    }
}

TEST_F(ExportTest, TextOfTwoSeriesOfDifferentLengths)
{
    TSeriesDataText text(&chart_);
    text.IncludeColors = true;
    text.IncludeIndex = true;
    text.IncludeHeader = true;
    const std::string c = ColorToHexText(a_->GetPointColor(0));
    EXPECT_EQ(text.AsString(),
              "Index\tColors\tA\tB\r\n"
              "0\t" + c + "\t1\t10\r\n"
              "1\t" + c + "\t2\t20\r\n"
              "2\t" + c + "\t3\t30\r\n"
              "3\t#20000000\t\t40\r\n"
              "4\t#20000000\t\t50\r\n"
              "\r\n")
        << "past the first series' points the colour falls back to the default";
    EXPECT_EQ(text.RowCount(), 6);
    EXPECT_EQ(text.ColumnCount(), 5);
}

TEST_F(ExportTest, WhatTheDataHoldDecidesTheColumns)
{
    const struct {
        const char* name;
        std::function<void()> change;
        bool includeColors;
        const char* firstLine;
    } cases[] = {
        {"X 0, 1, 2 is no column", [] {}, false, "1"},
        {"X that differs is", [this] { a_->SetXValue(1, 7); }, false, "0\t1"},
        {"colours without own colours", [] {}, true, "COLOUR\t1"},
        {"labels when a point has one", [this] { a_->SetPointLabel(0, "first"); }, false, "first\t1"},
        {"no label cells without labels", [] {}, false, "1"},
    };
    for (const auto& k : cases) {
        k.change();
        TSeriesDataText text(&chart_, a_);
        text.IncludeColors = k.includeColors;
        const std::string all = text.AsString();
        std::string expected = k.firstLine;
        if (expected.rfind("COLOUR", 0) == 0) expected.replace(0, 6, ColorToHexText(a_->GetPointColor(0)));
        EXPECT_EQ(all.substr(0, all.find("\r\n")), expected) << k.name;
        a_->SetXValue(1, 1);
        a_->SetPointLabel(0, "");
    }
}

// Delimiters, quotes and line breaks inside labels, and formatted numbers holding the delimiter,
// keep their cells: python's csv module reads back every cell.
TEST_F(ExportTest, TextCellsHoldingTheDelimiterOrQuotesAreQuoted)
{
    a_->SetPointLabel(0, "plain");
    a_->SetPointLabel(1, "semi;colon \"quoted\"");
    a_->SetPointLabel(2, "two\r\nlines");
    a_->SetValueFormat("#,##0.00");
    a_->SetYValue(2, 1234.5);
    const struct {
        char delimiter;
        std::string quotes;
    } cases[] = {{';', "\""}, {';', ""}, {',', ""}, {'\t', ""}};
    qbtest::TempDir dir;
    for (const auto& k : cases) {
        TSeriesDataText text(&chart_, a_);
        text.TextDelimiter = k.delimiter;
        text.TextQuotes = k.quotes;
        text.IncludeHeader = true;
        text.UseSeriesFormat = true;
        const std::string path = SaveFile(text, dir, "data.txt");
        if (!k.quotes.empty()) {
            const std::string all = qbtest::ReadFileBytes(path);
            EXPECT_EQ(all.substr(0, all.find("\r\n", all.find("\r\n") + 2)), "\"Text\";\"A\"\r\n\"plain\";1.00")
                << "header texts and labels quoted, numbers not";
        }
        const std::string script =
            "import csv, sys\n"
            "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='cp1250'), delimiter='" +
            std::string(k.delimiter == '\t' ? "\\t" : std::string(1, k.delimiter)) +
            "'))\n"
            "print(repr(rows))\n";
        int rc = 0;
        const std::string rows = RunPython(script, path, rc);
        ASSERT_EQ(rc, 0) << rows;
        EXPECT_EQ(rows,
                  "[['Text', 'A'], ['plain', '1.00'], ['semi;colon \"quoted\"', '2.00'], ['two\\r\\nlines', "
                  "'1,234.50'], []]\n")
            << "delimiter " << k.delimiter << " quotes " << k.quotes;
    }
}

// A decimal comma: plain cells with a tab between them, quoted ones when the comma also parts them.
TEST_F(ExportTest, DecimalCommasKeepTheirCells)
{
    ScopedFormatSettings comma([] {
        TFormatSettings s = TFormatSettings::Invariant();
        s.DecimalSeparator = ',';
        return s;
    }());
    a_->SetXValue(0, 1.5);
    a_->SetYValue(0, -2.25e-7);
    const struct {
        char delimiter;
        const char* firstLine;
    } cases[] = {{'\t', "1,5\t-2,25E-7"}, {';', "1,5;-2,25E-7"}, {',', "\"1,5\",\"-2,25E-7\""}};
    for (const auto& k : cases) {
        TSeriesDataText text(&chart_, a_);
        text.TextDelimiter = k.delimiter;
        const std::string all = text.AsString();
        EXPECT_EQ(all.substr(0, all.find("\r\n")), k.firstLine);
    }
}

TEST_F(ExportTest, DateTimeValuesAreQuotedInText)
{
    a_->YValues()->SetDateTime(true);
    TSeriesDataText text(&chart_, a_);
    text.TextQuotes = "'";
    text.TextDelimiter = ';';
    const std::string all = text.AsString();
    EXPECT_EQ(all.substr(0, all.find("\r\n")), "'" + DateTimeToStr(1) + "'");
}

// xmllint judges the data XML; python reads back the attributes, non-ASCII and markup included.
TEST_F(ExportTest, DataXmlIsWellFormedInItsDeclaredEncoding)
{
    TChart chart;
    FillSampleChart(chart);
    qbtest::TempDir dir;
    for (const std::string encoding : {"ISO-8859-1", "UTF-8", "windows-1250", ""}) {
        TSeriesDataXML xml(&chart);
        xml.Encoding = encoding;
        xml.IncludeIndex = true;
        xml.IncludeColors = true;
        const std::string path = SaveFile(xml, dir, "data.xml");
        const std::string bytes = qbtest::ReadFileBytes(path);
        int rc = 0;
        const std::string lint = RunCommand("/usr/bin/xmllint --noout '" + path + "'", rc);
        EXPECT_EQ(rc, 0) << encoding << ": " << lint << bytes.substr(0, 300);
        const std::string script =
            "import sys, xml.etree.ElementTree as E\n"
            "root = E.parse(sys.argv[1]).getroot()\n"
            "for s in root:\n"
            "    print(s.get('title'), '|', s.get('type'), '|', s.get('color'))\n"
            "    for p in s.iter('point'):\n"
            "        print(' ', sorted(p.attrib.items()))\n";
        const std::string read = RunPython(script, path, rc);
        ASSERT_EQ(rc, 0) << read;
        EXPECT_NE(read.find("Déšť & <sníh> | Lines & Bars & <more> | #cc6633"), std::string::npos) << read;
        EXPECT_NE(read.find("('text', 'Čtvrtek & <b>')"), std::string::npos) << read;
        EXPECT_NE(read.find("('Y', '0.30000000000000004')"), std::string::npos) << read;
        EXPECT_NE(read.find("[('X', '3.5'), ('color', '#1fffffff'), ('index', '2'), ('text', 'Wed')]"),
                  std::string::npos)
            << "a null point has no Y\n" << read;
        if (encoding == "ISO-8859-1") {
            EXPECT_NE(bytes.find("D\xE9&#353;&#357;"), std::string::npos) << "é in Latin-1, š and ť as references";
        }
    }
    auto* depth = static_cast<TChartSeries*>(chart.GetSeries(1));
    TSeriesDataXML one(&chart, depth);
    EXPECT_EQ(one.AsString(),
              "<?xml version=\"1.0\" encoding=\"" + DefaultXmlEncoding() +
                  "\"?>\r\n"
                  "<series title=\"Depth\" type=\"TStoreThreeListSeries\" color=\"" +
                  ColorToHexText(depth->GetSeriesColor()) +
                  "\">\r\n"
                  "<points count=\"2\">\r\n"
                  "<point  Y=\"3\" Z=\"0\"/>\r\n"
                  "<point  Y=\"4\" Z=\"30\"/>\r\n"
                  "</points>\r\n"
                  "</series>\r\n"
                  "\r\n");
}

// xmllint reads the table as HTML; its cells are the values, labels and colours.
TEST_F(ExportTest, HtmlTableParsesIntoTheSameCells)
{
    a_->SetPointLabel(0, "a < b & \"c\"");
    a_->SetPointLabel(1, "Čtvrtek");
    TSeriesDataHTML html(&chart_);
    html.IncludeHeader = true;
    html.IncludeIndex = true;
    qbtest::TempDir dir;
    const std::string path = SaveFile(html, dir, "data.html");
    int rc = 0;
    const std::string out = dir.file("out.xml");
    const std::string lint = RunCommand("/usr/bin/xmllint --html --xmlout --output '" + out + "' '" + path + "'", rc);
    ASSERT_EQ(rc, 0) << lint;
    const std::string script =
        "import sys, xml.etree.ElementTree as E\n"
        "root = E.parse(sys.argv[1]).getroot()\n"
        "for row in root.iter('tr'):\n"
        "    print([c.text or '' for c in row])\n";
    const std::string cells = RunPython(script, out, rc);
    ASSERT_EQ(rc, 0) << cells;
    EXPECT_EQ(cells,
              "['Index', 'Text', 'A', 'Text', 'B']\n"
              "['0', 'a < b & \"c\"', '1', '', '10']\n"
              "['1', 'Čtvrtek', '2', '', '20']\n"
              "['2', '', '3', '', '30']\n"
              "['3', '', '', '', '40']\n"
              "['4', '', '', '', '50']\n")
        << "labels are given for every series; a missing point is all empty cells";
}

TEST_F(ExportTest, JsonParsesToTheValues)
{
    a_->SetPointLabel(0, "quote \" back\\slash\nline");
    a_->SetYValue(1, std::numeric_limits<double>::quiet_NaN());
    a_->SetXValue(2, 2.5);
    a_->SetSeriesColor(0x0000FF);
    a_->SetTitle("Rain ž");
    qbtest::TempDir dir;
    const std::string script =
        "import json, sys\n"
        "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
        "for s in d['chart']:\n"
        "    s = s['series']\n"
        "    print(s.get('name'), s['color'], [sorted(p.items()) for p in s['point']])\n";
    {
        ScopedFormatSettings comma([] {
            TFormatSettings s = TFormatSettings::Invariant();
            s.DecimalSeparator = ',';
            return s;
        }());
        TSeriesDataJSON json(&chart_, a_);
        const std::string path = SaveFile(json, dir, "one.json");
        int rc = 0;
        EXPECT_EQ(RunPython(script, path, rc),
                  "Rain ž #ff0000 [[('name', 'quote \" back\\\\slash\\nline'), ('value', 1), ('x', 0)], "
                  "[('name', ''), ('value', None), ('x', 1)], [('name', ''), ('value', 3), ('x', 2.5)]]\n");
        EXPECT_EQ(rc, 0);
    }
    TSeriesDataJSON all(&chart_);
    const std::string path = SaveFile(all, dir, "all.json");
    int rc = 0;
    const std::string read = RunPython(script, path, rc);
    EXPECT_EQ(rc, 0) << read;
    EXPECT_NE(read.find("B #"), std::string::npos) << read;

    TChart empty;
    TSeriesDataJSON none(&empty);
    EXPECT_EQ(none.AsString(), "{ \"chart\": [\r\n ]\r\n}\r\n");
}

TEST_F(ExportTest, JsonDatesAsTimestamps)
{
    a_->XValues()->SetDateTime(true);
    a_->SetXValue(0, 25569.5);
    TSeriesDataJSON json(&chart_, a_);
    json.DateTimeFormat = 1;
    EXPECT_NE(json.AsString().find("{ \"value\":1, \"x\":43200000 }"), std::string::npos) << json.AsString();
}

TEST_F(ExportTest, ChartsWithoutSeriesGiveTheFrameAlone)
{
    TChart empty;
    TSeriesDataText text(&empty);
    EXPECT_EQ(text.AsString(), "\r\n");
    TSeriesDataXML xml(&empty);
    xml.IncludeHeader = false;
    EXPECT_EQ(xml.AsString(), "<chart>\r\n</chart>");
    TSeriesDataHTML html(&empty);
    EXPECT_EQ(html.AsString(), "<table border=\"1\">\r\n</table>");
    TSeriesDataXLS xls(&empty);
    EXPECT_EQ(Saved(xls).size(), 12u + 6u + 14u + 4u) << "BOF, CODEPAGE, DIMENSIONS, EOF";
}

// BIFF cells: a record type, its length, row, column, three attribute bytes, the payload.
struct TSheetCell {
    int type, row, column;
    std::string payload;
};

std::vector<TSheetCell> SheetCells(const std::string& bytes)
{
    std::vector<TSheetCell> cells;
    auto word = [&](std::size_t at) {
        return static_cast<int>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    for (std::size_t at = 0; at + 4 <= bytes.size();) {
        const int type = word(at), length = word(at + 2);
        if (type == 1 || type == 3 || type == 4)
            cells.push_back({type, word(at + 4), word(at + 6), bytes.substr(at + 11, static_cast<std::size_t>(length) - 7)});
        at += 4 + static_cast<std::size_t>(length);
    }
    return cells;
}

TEST_F(ExportTest, SpreadsheetRecords)
{
    a_->SetPointLabel(0, std::string(300, 'x'));
    TSeriesDataXLS xls(&chart_);
    xls.IncludeHeader = true;
    const std::string bytes = Saved(xls);
    EXPECT_EQ(bytes.substr(0, 12), std::string("\x09\x08\x08\x00\x00\x05\x10\x00\x00\x00\x00\x00", 12));
    EXPECT_EQ(bytes.substr(12, 6), std::string("\x42\x00\x02\x00", 4) + char(ProgramCodePage() & 0xFF) +
                                       char(ProgramCodePage() >> 8))
        << "the code page follows BOF";
    EXPECT_EQ(bytes.substr(18, 14), std::string("\x00\x02\x0A\x00\x00\x00\x06\x00\x00\x00\x04\x00\x00\x00", 14))
        << "DIMENSIONS: 5 points + header, Text A Text B";
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x0A\x00\x00\x00", 4));
    const std::vector<TSheetCell> cells = SheetCells(bytes);
    ASSERT_GE(cells.size(), 8u);
    EXPECT_EQ(cells[0].payload, std::string("\x04", 1) + "Text");
    EXPECT_EQ(cells[4].row, 1) << "the first data cell is in row 1";
    EXPECT_EQ(cells[4].payload.size(), 256u) << "a 300-character label is cut to 255";
    // The last row: A has no point 4 (an empty label, a blank), B has (its empty label, its value).
    const std::size_t n = cells.size();
    EXPECT_EQ(cells[n - 4].type, 4);
    EXPECT_EQ(cells[n - 4].payload, std::string(1, '\0'));
    EXPECT_EQ(cells[n - 3].type, 1);
    EXPECT_EQ(cells[n - 1].type, 3);
    EXPECT_EQ(cells[n - 1].column, 3);
}

TEST_F(ExportTest, SpreadsheetsTooLargeAreRefusedBeforeWriting)
{
    TStoreSeries* big = Add("Big", std::vector<double>(65535, 1.0));
    TSeriesDataXLS xls(&chart_, big);
    xls.IncludeHeader = true;
    TMemoryStream stream;
    EXPECT_THROW(xls.SaveToStream(stream), ChartException);
    EXPECT_EQ(stream.Size(), 0);
    xls.IncludeHeader = false;
    xls.SaveToStream(stream);
    EXPECT_GT(stream.Size(), 0) << "65,535 rows fit";

    TChart wide;
    for (int i = 0; i < 129; ++i) {
        auto* series = new TStoreSeries(&wide);
        series->SetParentChart(&wide);
        series->AddPointY(i);
    }
    TSeriesDataXLS columns(&wide);
    columns.IncludeColors = true;  // 129 colour columns and 129 value columns
    TMemoryStream none;
    EXPECT_THROW(columns.SaveToStream(none), ChartException);
    EXPECT_EQ(none.Size(), 0);
}

// The thousands separator of a format no longer fails the values from 1000 up.
TEST_F(ExportTest, SpreadsheetNumbersAreRoundedToTheFormat)
{
    const struct {
        const char* format;
        double value, cell;
    } cases[] = {{"#,##0.###", 1234.56789, 1234.568}, {"0.00", 2.345, 2.35}, {"0", -2.5, -3},
                 {"#,##0", 1234567.8, 1234568}, {"0.0E+00", 123456, 120000}, {"", 0.1 + 0.2, 0.1 + 0.2},
                 {"0.00 \"mm\"", 1.005, 1.0}};
    for (const auto& k : cases) {
        TSeriesDataXLS xls(&chart_, a_);
        xls.ValueFormat = k.format;
        EXPECT_DOUBLE_EQ(xls.CellValue(a_, k.value), k.cell) << k.format;
    }
    TSeriesDataXLS xls(&chart_, a_);
    xls.UseSeriesFormat = true;
    a_->SetValueFormat("#,##0.###");
    a_->SetYValue(0, 98765.4321);
    TMemoryStream stream;
    xls.SaveToStream(stream);
    double first = 0;
    const std::vector<TSheetCell> cells = SheetCells(stream.Bytes());
    std::memcpy(&first, cells[0].payload.data(), 8);
    EXPECT_EQ(first, 98765.432);
}

// LibreOffice opens the spreadsheet and finds the same cells, non-ASCII labels included.
TEST_F(ExportTest, LibreOfficeReadsTheSpreadsheet)
{
    const char* const office = "/usr/bin/soffice";
    ASSERT_TRUE(std::filesystem::exists(office)) << "LibreOffice is missing: install it with scripts/common.sh";
    a_->SetPointLabel(0, "Čtvrtek");
    a_->SetPointLabel(1, "a,b \"c\"");
    a_->SetYValue(2, -1234.5678);
    b_->SetNull(1);
    TSeriesDataXLS xls(&chart_);
    xls.IncludeHeader = true;
    xls.IncludeIndex = true;
    qbtest::TempDir dir;
    const std::string path = SaveFile(xls, dir, "data.xls");
    const std::string command = "timeout 240 " + std::string(office) + " -env:UserInstallation=file://" +
                                dir.file("profile") +
                                " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir '" +
                                dir.path().string() + "' '" + path + "'";
    int rc = 0;
    const std::string log = RunCommand(command, rc);
    ASSERT_EQ(rc, 0) << log;
    ASSERT_TRUE(std::filesystem::exists(dir.file("data.csv"))) << "LibreOffice converted nothing (is Calc installed?)\n"
                                                               << log;
    const std::string script =
        "import csv, sys\n"
        "for row in csv.reader(open(sys.argv[1], newline='', encoding='utf-8-sig')):\n"
        "    print('|'.join(row))\n";
    const std::string rows = RunPython(script, dir.file("data.csv"), rc);
    EXPECT_EQ(rows,
              "Index|Text|Y|Text|Y\n"
              "0|Čtvrtek|1||10\n"
              "1|a,b \"c\"|2||\n"
              "2||-1234.5678||30\n"
              "3||||40\n"
              "4||||50\n")
        << "the null point of B is blank";
}

}  // namespace
