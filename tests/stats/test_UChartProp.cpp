// The chart settings file: the bytes the writer puts at each offset (read back by Python's
// struct module), which groups a load restores, and the refusal of files that would leave a
// chart half-loaded or set values no chart can use.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/support_ChartEngine.h"
#include "chart/series/support_SeriesTest.h"
#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"
#include "stats/FDefineChartTypeUse.h"
#include "stats/UChartProp.h"
#include "support/TestSupport.h"

namespace {

void SetFont(TFont& font, const std::string& name, int size, TFontStyles style, TColor color)
{
    font.SetName(name);
    font.SetSize(size);
    font.SetStyle(style);
    font.SetColor(color);
}

// A chart that differs from a fresh one in every group of the file.
void SetFixedState(TCustomChart& chart)
{
    TStringList title;
    title.Add("Růst výšky");
    title.Add("per year");
    chart.Title()->SetLines(title);
    chart.Title()->SetVisible(false);
    SetFont(*chart.Title()->Font(), "Liberation Serif", 14, {fsBold}, 0x0000FF);
    TChartAxis& left = *chart.LeftAxis();
    left.SetAutomatic(false);
    left.SetMaximum(25.5);
    left.SetMinimum(-5);
    left.SetIncrement(2.5);
    left.SetAxisValuesFormat("#,##0.0");
    SetFont(*left.Labels().Font(), "Tahoma", 9, {fsItalic}, 0x336699);
    left.GetTitle()->SetCaption("Výška");
    SetFont(*left.GetTitle()->Font(), "Liberation Sans", 11, {fsBold, fsUnderline}, 0x102030);
    left.Grid()->SetVisible(false);
    TChartAxis& bottom = *chart.BottomAxis();
    bottom.SetAutomatic(false);
    bottom.SetMaximum(1990);
    bottom.SetMinimum(1950);
    bottom.SetIncrement(10);
    bottom.SetAxisValuesFormat("0");
    SetFont(*bottom.Labels().Font(), "DejaVu Sans", 7, {fsStrikeOut}, 0x00AA00);
    bottom.GetTitle()->SetCaption("Year");
    SetFont(*bottom.GetTitle()->Font(), "Liberation Mono", 12, {}, 0x808000);
    bottom.Grid()->SetVisible(false);
    chart.SetBorderStyle(1);
    // The test chart starts with its legend hidden.
    chart.Legend()->SetVisible(!chart.Legend()->Visible());
    chart.Legend()->SetColorWidth(33);
    SetFont(*chart.Legend()->Font(), "Liberation Serif", 10, {fsUnderline, fsStrikeOut}, 0x0000AA);
    chart.SetBevelInner(bvNone);
    chart.SetBevelOuter(bvRaised);
    chart.SetBevelWidth(3);
    chart.SetColor(0xC0FFEE);
}

TChartUseFlags Flags(std::initializer_list<int> on)
{
    TChartUseFlags flags{};
    for (int i : on) flags[i] = true;
    return flags;
}

TChartUseFlags AllFlags()
{
    TChartUseFlags flags;
    SetAllUseFlags(flags);
    return flags;
}

std::string FontText(const TFont& font)
{
    TFontBlock b;
    FontToBlock(font, b);
    return b.Name + "/" + std::to_string(b.Size) + "/" + std::to_string(b.Bold) + std::to_string(b.Italic) +
           std::to_string(b.Underline) + std::to_string(b.StrikeOut) + "/" + std::to_string(b.Color);
}

std::string ScaleText(const TChartAxis& axis)
{
    return std::to_string(axis.Automatic()) + (axis.Automatic() ? std::string()
                                                                : " " + std::to_string(axis.Minimum()) + " " +
                                                                      std::to_string(axis.Maximum())) +
           " " + std::to_string(axis.Increment());
}

std::string FormatText(TChartAxis& axis)
{
    return axis.AxisValuesFormat() + "|" + FontText(*axis.Labels().Font()) + "|" + axis.GetTitle()->Caption() + "|" +
           FontText(*axis.GetTitle()->Font());
}

// What each group of the file sets, as the chart shows it; index = flag.
using TGroupView = std::function<std::string(TCustomChart&)>;
const TGroupView kGroups[ChartSettingsFlagCount] = {
    [](TCustomChart& c) { return c.Title()->Lines().Text() + std::to_string(c.Title()->Visible()); },
    [](TCustomChart& c) { return FontText(*c.Title()->Font()); },
    [](TCustomChart& c) { return ScaleText(*c.LeftAxis()); },
    [](TCustomChart& c) { return FormatText(*c.LeftAxis()); },
    [](TCustomChart& c) { return std::to_string(c.LeftAxis()->Grid()->Visible()); },
    [](TCustomChart& c) { return ScaleText(*c.BottomAxis()); },
    [](TCustomChart& c) { return FormatText(*c.BottomAxis()); },
    [](TCustomChart& c) { return std::to_string(c.BottomAxis()->Grid()->Visible()); },
    [](TCustomChart& c) { return std::to_string(c.GetBorderStyle()); },
    [](TCustomChart& c) { return std::to_string(c.Legend()->Visible()); },
    [](TCustomChart& c) { return std::to_string(c.Legend()->ColorWidth()); },
    [](TCustomChart& c) { return FontText(*c.Legend()->Font()); },
    [](TCustomChart& c) {
        return std::to_string(c.BevelInner()) + std::to_string(c.BevelOuter()) + " " + std::to_string(c.BevelWidth());
    },
    [](TCustomChart& c) { return std::to_string(c.Color()); },
};

std::vector<std::string> Views(TCustomChart& chart)
{
    std::vector<std::string> views;
    for (const TGroupView& view : kGroups) views.push_back(view(chart));
    return views;
}

class ChartSettings : public testing::Test {
protected:
    void SetUp() override
    {
        seriestest::StartSeriesModules();
        SetFixedState(source);
    }
    std::string Saved(const TChartUseFlags& flags, const std::string& name = "chart.gsf")
    {
        const std::string path = dir.file(name);
        SaveChartSettings(source, path, flags);
        return path;
    }
    // The fields Python's struct reader finds, by name.
    std::map<std::string, std::string> Fields(const std::string& path)
    {
        const std::string out = enginetest::Run(
            {"/usr/bin/python3", qbtest::DataPath("stats/gsf_fields.py"), path, "cp" + std::to_string(ProgramCodePage())});
        std::map<std::string, std::string> fields;
        TStringList lines;
        lines.SetText(out);
        for (int i = 0; i < lines.Count(); ++i) fields[lines.Names(i)] = lines.ValueFromIndex(i);
        return fields;
    }

    qbtest::TempDir dir;
    seriestest::TTestChart source;
};

}  // namespace

TEST_F(ChartSettings, WriterPutsEveryFieldAtItsOffsetAndZeroesTheRest)
{
    const std::string path = Saved(Flags({0, 2, 4, 6, 8, 10, 12, 13}));
    const std::map<std::string, std::string> expected = {
        {"size", "3006"},
        {"title", "Růst výšky|per year|"},
        {"title.visible", "0"},
        {"title.font.name", "Liberation Serif"},
        {"title.font.size", "14"},
        {"title.font.bold", "1"},
        {"title.font.italic", "0"},
        {"title.font.color", "255"},
        {"left.automatic", "0"},
        {"left.minimum", "-5.0"},
        {"left.maximum", "25.5"},
        {"left.increment", "2.5"},
        {"left.format", "#,##0.0"},
        {"left.labels.name", "Tahoma"},
        {"left.labels.size", "9"},
        {"left.labels.italic", "1"},
        {"left.labels.color", std::to_string(0x336699)},
        {"left.caption", "Výška"},
        {"left.titlefont.name", "Liberation Sans"},
        {"left.titlefont.bold", "1"},
        {"left.titlefont.underline", "1"},
        {"left.titlefont.strikeout", "0"},
        {"left.grid", "0"},
        {"bottom.automatic", "0"},
        {"bottom.minimum", "1950.0"},
        {"bottom.maximum", "1990.0"},
        {"bottom.increment", "10.0"},
        {"bottom.format", "0"},
        {"bottom.labels.strikeout", "1"},
        {"bottom.labels.size", "7"},
        {"bottom.caption", "Year"},
        {"bottom.titlefont.name", "Liberation Mono"},
        {"bottom.titlefont.color", std::to_string(0x808000)},
        {"bottom.grid", "0"},
        {"border", "1"},
        {"legend.visible", "1"},
        {"legend.width", "33"},
        {"legend.font.name", "Liberation Serif"},
        {"legend.font.size", "10"},
        {"legend.font.underline", "1"},
        {"legend.font.strikeout", "1"},
        {"legend.font.color", std::to_string(0x0000AA)},
        {"bevel", "3"},
        {"color", std::to_string(0xC0FFEE)},
        {"flags", "10101010101011"},
        {"zero", "ok"},
    };
    const std::map<std::string, std::string> fields = Fields(path);
    for (const auto& [name, value] : expected) {
        const auto found = fields.find(name);
        ASSERT_NE(found, fields.end()) << name;
        EXPECT_EQ(found->second, value) << name;
    }
    // The same chart saves the same bytes.
    EXPECT_EQ(qbtest::ReadFileBytes(path), qbtest::ReadFileBytes(Saved(Flags({0, 2, 4, 6, 8, 10, 12, 13}), "again.gsf")));
}

TEST_F(ChartSettings, LongTitleIsCutAndNoBevelStoresWidthZero)
{
    TStringList title;
    title.Add(std::string(300, 'x'));
    source.Title()->SetLines(title);
    source.SetBevelOuter(bvNone);
    source.SetBevelInner(bvNone);
    source.SetBevelWidth(4);
    const std::map<std::string, std::string> fields = Fields(Saved(AllFlags()));
    EXPECT_EQ(fields.at("title"), std::string(255, 'x'));
    EXPECT_EQ(fields.at("bevel"), "0");

    seriestest::TTestChart target;
    target.SetBevelOuter(bvRaised);
    target.SetBevelInner(bvLowered);
    LoadChartSettings(target, dir.file("chart.gsf"));
    EXPECT_EQ(target.BevelInner(), bvNone);
    EXPECT_EQ(target.BevelOuter(), bvNone);
}

TEST_F(ChartSettings, LoadRestoresExactlyTheFlaggedGroups)
{
    struct Case {
        const char* name;
        TChartUseFlags flags;
    };
    const Case cases[] = {
        {"legend and colour", Flags({9, 13})},
        {"title only", Flags({0})},
        {"title font only", Flags({1})},
        {"left axis scale and grid", Flags({2, 4})},
        {"left axis format", Flags({3})},
        {"bottom axis", Flags({5, 6, 7})},
        {"border and bevel", Flags({8, 12})},
        {"legend width and font", Flags({10, 11})},
        {"none", Flags({})},
        {"all", AllFlags()},
    };
    const std::vector<std::string> wanted = Views(source);
    for (const Case& c : cases) {
        const std::string path = Saved(c.flags);
        seriestest::TTestChart fresh, target;
        const std::vector<std::string> before = Views(fresh);
        LoadChartSettings(target, path);
        const std::vector<std::string> after = Views(target);
        for (int g = 0; g < ChartSettingsFlagCount; ++g) {
            ASSERT_NE(before[g], wanted[g]) << "the fixture must change group " << g;
            EXPECT_EQ(after[g], c.flags[g] ? wanted[g] : before[g]) << c.name << ": group " << ChartUseGroupNames[g];
        }
    }
}

TEST_F(ChartSettings, FileEndingAfterTheRecordAppliesEveryGroup)
{
    const std::string path = Saved(Flags({9}));
    for (int extra : {0, 1, 13}) {
        qbtest::WriteFileBytes(path, qbtest::ReadFileBytes(Saved(Flags({9}))).substr(0, ChartSettingsRecordSize + extra));
        seriestest::TTestChart target;
        LoadChartSettings(target, path);
        EXPECT_EQ(Views(target), Views(source)) << extra << " flag bytes";
    }
}

TEST_F(ChartSettings, StoredRangeOutsideTheCurrentOneLoads)
{
    struct Case {
        double min, max;
    };
    for (const Case c : {Case{20, 30}, Case{-30, -20}, Case{5, 5}, Case{-100, 100}}) {
        TChartAxis& bottom = *source.BottomAxis();
        bottom.SetMaximum(std::max(c.max, bottom.Maximum()));
        bottom.SetMinimum(c.min);
        bottom.SetMaximum(c.max);
        const std::string path = Saved(Flags({5}));
        seriestest::TTestChart target;
        target.BottomAxis()->SetAutomatic(false);
        target.BottomAxis()->SetMinimum(0);
        target.BottomAxis()->SetMaximum(10);
        LoadChartSettings(target, path);
        EXPECT_EQ(target.BottomAxis()->Minimum(), c.min);
        EXPECT_EQ(target.BottomAxis()->Maximum(), c.max);
    }
}

TEST_F(ChartSettings, BadFilesAreRefusedAndLeaveTheChartAlone)
{
    const std::string good = qbtest::ReadFileBytes(Saved(AllFlags()));
    auto putDouble = [](std::string& bytes, int at, double value) { std::memcpy(&bytes[at], &value, sizeof value); };
    auto putInt = [](std::string& bytes, int at, std::int32_t value) { std::memcpy(&bytes[at], &value, sizeof value); };
    struct Case {
        const char* name;
        std::function<void(std::string&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"one byte short of the record", [](std::string& b) { b.resize(ChartSettingsRecordSize - 1); }, "fewer than the 2992"},
        {"empty", [](std::string& b) { b.clear(); }, "holds 0 bytes"},
        {"left minimum not a number",
         [&](std::string& b) { putDouble(b, 536, std::numeric_limits<double>::quiet_NaN()); }, "not a number"},
        {"bottom increment infinite",
         [&](std::string& b) { putDouble(b, 1640, std::numeric_limits<double>::infinity()); }, "not a number"},
        {"bottom minimum above maximum", [&](std::string& b) { putDouble(b, 1624, 5000); }, "minimum lies above"},
        {"negative left increment", [&](std::string& b) { putDouble(b, 552, -1); }, "increment is negative"},
        {"title font size 0", [&](std::string& b) { putInt(b, 260 + 256, 0); }, "title font size 0"},
        {"legend font size huge", [&](std::string& b) { putInt(b, 2712 + 256, 1000000); }, "legend font size"},
        {"axis title font negative", [&](std::string& b) { putInt(b, 2428 + 256, -12); }, "bottom axis title font"},
        {"negative legend width", [&](std::string& b) { putInt(b, 2708, -3); }, "colour width"},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        c.spoil(bytes);
        const std::string path = dir.file("bad.gsf");
        qbtest::WriteFileBytes(path, bytes);
        seriestest::TTestChart target;
        const std::vector<std::string> before = Views(target);
        try {
            LoadChartSettings(target, path);
            ADD_FAILURE() << c.name << ": loaded";
        } catch (const EChartSettingsError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.name << ": " << error.what();
            EXPECT_NE(std::string(error.what()).find("bad.gsf"), std::string::npos) << c.name;
        }
        EXPECT_EQ(Views(target), before) << c.name;
    }
    // A group the file does not apply may hold anything.
    std::string bytes = good;
    putDouble(bytes, 1624, 5000);
    bytes[ChartSettingsRecordSize + 5] = 0;
    qbtest::WriteFileBytes(dir.file("unused.gsf"), bytes);
    seriestest::TTestChart target;
    EXPECT_NO_THROW(LoadChartSettings(target, dir.file("unused.gsf")));
    EXPECT_THROW(LoadChartSettings(target, dir.file("missing.gsf")), EInOutError);
}

TEST(ChartTypeUse, DialogStoresTheBoxesOrTurnsEverythingOn)
{
    struct Case {
        const char* name;
        std::function<void(TFormDefineChartTypeUse&)> act;
        TChartUseFlags expected;
    };
    const Case cases[] = {
        {"OK as shown", [](TFormDefineChartTypeUse& f) { f.BtnOK->click(); }, AllFlags()},
        {"all off, legend and colour on",
         [](TFormDefineChartTypeUse& f) {
             f.BtnAllOff->click();
             f.CheckBoxes[9]->click();
             f.CheckBoxes[13]->click();
             f.BtnOK->click();
         },
         Flags({9, 13})},
        {"all off, all on", [](TFormDefineChartTypeUse& f) {
             f.BtnAllOff->click();
             f.BtnAllOn->click();
             f.BtnOK->click();
         }, AllFlags()},
        {"cancel after unticking",
         [](TFormDefineChartTypeUse& f) {
             f.BtnAllOff->click();
             f.BtnCancel->click();
         },
         AllFlags()},
    };
    for (const Case& c : cases) {
        std::vector<std::string> captions;
        qbtest::WhenModal([&](QWidget* modal) {
            auto* form = qobject_cast<TFormDefineChartTypeUse*>(modal);
            ASSERT_NE(form, nullptr);
            for (QCheckBox* box : form->CheckBoxes) captions.push_back(box->text().toStdString());
            c.act(*form);
        });
        TChartUseFlags flags = Flags({1});
        DefineChartTypeUse(flags);
        EXPECT_EQ(flags, c.expected) << c.name;
        EXPECT_EQ(captions, std::vector<std::string>(std::begin(ChartUseGroupNames), std::end(ChartUseGroupNames)));
    }
}
