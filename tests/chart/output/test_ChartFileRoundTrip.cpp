// Every registered class comes back from a chart file as it went in: each published, stored
// property is given a value other than its default (nested objects and collection items too),
// the chart is saved, loaded into a fresh chart and saved again. The values read back must equal
// those written, and the second file must equal the first byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/output/DuvStore.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/Series.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/Collection.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"
#include "support_DuvStoreTest.h"
#include "support_ExportTest.h"

namespace {

using namespace storetest;

constexpr int kDepth = 4;

// How deep nested objects are followed; a chart reaches itself through its parts.
struct TWalk {
    std::set<const TObject*> Seen;
    std::set<std::string> Reached;  // classes met on the way
};

std::string ValueText(const TVariant& value)
{
    if (value.IsNull()) return "null";
    if (value.Type() == TVariant::vtObject) return "object";
    return value.AsString();
}

// Gives every published property that a file may store a value other than the one it holds.
void Perturb(TPersistent& object, int depth, TWalk& walk);

void PerturbCollection(TCollection& collection, int depth, TWalk& walk)
{
    walk.Reached.insert(collection.ClassType().Name());
    // A picture's filter list names the class of each item: it gets one filter of every
    // registered class. Other collections store items of their own class only.
    if (collection.Count() == 0 && collection.ClassType().Name() == "TFilterItems") {
        for (const std::string& name : RegisteredClassNames())
            if (const TClassInfo& item = FindClass(name); item.InheritsFrom(collection.ItemClass()) && !item.IsAbstract() &&
                                                          &item != &collection.ItemClass())
                collection.AddItem(item);
    }
    if (collection.Count() == 0) collection.Add();
    for (int i = 0; i < collection.Count(); ++i) Perturb(*collection.Items(i), depth + 1, walk);
}

// Sets the first of the values the property takes.
void SetOneOf(TPersistent& object, const TPropInfo& info, std::initializer_list<TVariant> values)
{
    for (const TVariant& value : values) {
        try {
            info.Set(object, ConvertPropValue(info, value));
            return;
        } catch (const Exception&) {
        }
    }
}

void PerturbProperty(TPersistent& object, const TPropInfo& info, int depth, TWalk& walk)
{
    // The filters of a picture are not published for files: the picture writes them itself.
    const bool filters = info.Kind == TPropKind::Object && SameIdent(info.Name, "Filters");
    if ((info.NeverStored && !filters) || SameIdent(info.Name, "Name")) return;
    switch (info.Kind) {
    case TPropKind::Boolean:
        if (info.Set) SetOneOf(object, info, {!info.Get(object).AsBoolean()});
        return;
    case TPropKind::Integer:
    case TPropKind::Int64:
        if (info.Set) SetOneOf(object, info, {info.Get(object).AsInteger() + 1, info.Get(object).AsInteger() - 1});
        return;
    case TPropKind::Float:
        if (info.Set) SetOneOf(object, info, {info.Get(object).AsFloat() + 0.5, info.Get(object).AsFloat() - 0.5});
        return;
    case TPropKind::Enumeration:
        if (info.Set && info.Enum->Count() > 1) {
            const int ordinal = info.Enum->Ordinal(info.Get(object).AsString());
            SetOneOf(object, info, {info.Enum->Name((ordinal + 1) % info.Enum->Count()),
                                    info.Enum->Name((ordinal + 2) % info.Enum->Count())});
        }
        return;
    case TPropKind::Set:
        if (info.Set) SetOneOf(object, info, {info.Get(object).AsInteger() ^ 1, info.Get(object).AsInteger() ^ 2});
        return;
    case TPropKind::String:
        if (info.Set) SetOneOf(object, info, {info.Get(object).AsString() + "Q"});
        return;
    case TPropKind::Color:
        if (info.Set)
            SetOneOf(object, info, {info.Get(object).AsInteger() == clRed ? static_cast<long long>(clBlue) : static_cast<long long>(clRed)});
        return;
    case TPropKind::Strings:
        if (auto* list = dynamic_cast<TStringList*>(info.Object(object, true))) {
            list->Add("First line");
            list->Add("Second line");
            if (info.Changed) info.Changed(object);
        }
        return;
    case TPropKind::Object:
    case TPropKind::Collection:
        if (depth >= kDepth) return;
        if (auto* collection = dynamic_cast<TCollection*>(info.Object(object, true)))
            PerturbCollection(*collection, depth, walk);
        else if (auto* nested = dynamic_cast<TPersistent*>(info.Object(object, true)))
            Perturb(*nested, depth + 1, walk);
        return;
    case TPropKind::Component:
    case TPropKind::Event:
        return;
    }
}

void Perturb(TPersistent& object, int depth, TWalk& walk)
{
    walk.Reached.insert(object.ClassType().Name());
    if (!walk.Seen.insert(&object).second) return;
    for (const TPropInfo* info : object.ClassType().Properties()) {
        try {
            // A property whose stored rule says no whatever its value (the orientation of the
            // standard axes, say) is not part of the file; it keeps its value.
            const bool simple = info->Get && info->Set && info->Kind != TPropKind::Object;
            const bool storedBefore = info->IsStored(object);
            const TVariant before = simple ? info->Get(object) : TVariant();
            PerturbProperty(object, *info, depth, walk);
            if (simple && !storedBefore && !info->IsStored(object)) info->Set(object, ConvertPropValue(*info, before));
        } catch (const Exception&) {
            // A value the property refuses leaves it as it was; that still has to come back.
        }
    }
}

// "path=value" of every published property, nested objects and collection items included.
// Objects made on first read are made here on both sides: one that holds only defaults is not
// written, and is made anew when read.
void Describe(TPersistent& object, const std::string& path, int depth, std::set<const TObject*>& seen,
              std::vector<std::string>& out)
{
    if (!seen.insert(&object).second) return;
    for (const TPropInfo* info : object.ClassType().Properties()) {
        // What a file leaves out (an automatic axis' computed ends, say) is not compared.
        const bool held = info->Kind == TPropKind::Object || info->Kind == TPropKind::Collection;
        if (info->NeverStored || (!held && !info->IsStored(object))) continue;
        const std::string name = path + info->Name;
        switch (info->Kind) {
        case TPropKind::Event:
            continue;
        case TPropKind::Component: {
            auto* component = dynamic_cast<TComponent*>(info->Get(object).AsObject());
            out.push_back(name + "=" + (component ? component->Name() : std::string("nil")));
            continue;
        }
        case TPropKind::Strings:
            if (auto* list = dynamic_cast<TStringList*>(info->Object(object, true)))
                out.push_back(name + "=" + list->Text());
            continue;
        case TPropKind::Object:
            if (depth < kDepth)
                if (auto* nested = dynamic_cast<TPersistent*>(info->Object(object, true)))
                    Describe(*nested, name + ".", depth + 1, seen, out);
            continue;
        case TPropKind::Collection:
            if (depth < kDepth)
                if (auto* collection = dynamic_cast<TCollection*>(info->Object(object, true))) {
                    out.push_back(name + ".Count=" + std::to_string(collection->Count()));
                    for (int i = 0; i < collection->Count(); ++i)
                        Describe(*collection->Items(i), name + "[" + std::to_string(i) + "].", depth + 1, seen, out);
                }
            continue;
        default:
            try {
                out.push_back(name + "=" + ValueText(info->Get(object)));
            } catch (const Exception& e) {
                out.push_back(name + " raises " + e.Message());
            }
        }
    }
}

std::string ExactText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// State a file keeps besides the published properties: the custom labels of every axis (one
// with a format of its own, one with neither text nor value) and the smoothing of a series.
void PerturbDefined(TComponent& subject)
{
    if (auto* chart = dynamic_cast<TCustomAxisPanel*>(&subject)) {
        for (int a = 0; a < chart->AxesList().Count(); ++a)
            chart->AxesList().GetAxis(a)->Items().Add("Label " + std::to_string(a), a + 0.25);
        TAxisItems& left = chart->LeftAxis()->Items();
        TAxisItem* formatted = left.Add("High\nline", -1e300);
        formatted->GetFormat()->Font()->SetColor(clRed);
        formatted->GetFormat()->SetTransparent(false);
        left.Add("", 0);
    }
    if (auto* series = dynamic_cast<TCustomSeries*>(&subject)) series->SetLineFlag(true);
}

void DescribeDefined(TPersistent& object, std::vector<std::string>& out)
{
    if (auto* chart = dynamic_cast<TCustomAxisPanel*>(&object))
        for (int a = 0; a < chart->AxesList().Count(); ++a) {
            const TAxisItems& items = chart->AxesList().GetAxis(a)->Items();
            const std::string name = "Axis" + std::to_string(a) + ".Items";
            out.push_back(name + (items.AutomaticLabels ? " automatic" : " custom"));
            if (items.AutomaticLabels) continue;
            for (int i = 0; i < items.Count(); ++i) {
                const TAxisItem& item = *items.Item(i);
                const std::string at = name + "[" + std::to_string(i) + "]";
                out.push_back(at + "=" + item.Text() + " at " + ExactText(item.Value()));
                if (TAxisLabelsFormat* format = item.PeekFormat()) {
                    std::set<const TObject*> seen;
                    Describe(*format, at + ".Format.", 1, seen, out);
                }
            }
        }
    if (auto* series = dynamic_cast<TCustomSeries*>(&object))
        out.push_back(std::string("Smoothed=") + (series->Smoothed() ? "yes" : "no"));
}

std::vector<std::string> Described(TPersistent& object)
{
    std::set<const TObject*> seen;
    std::vector<std::string> out;
    Describe(object, "", 0, seen, out);
    DescribeDefined(object, out);
    return out;
}

std::string Saved(TCustomAxisPanel& chart)
{
    TMemoryStream stream;
    SaveChartToStream(chart, stream, true, false);
    return stream.Bytes();
}

// Registered classes that no chart file holds on their own, with the reason.
const std::map<std::string, std::string>& NotInChartFiles()
{
    const std::string beside = "sits on a form beside the chart; a chart file names it at most";
    static const std::map<std::string, std::string> reasons{
        {"TCustomChartElement", "the plain base of series and tools: a chart holds only those"},
        {"TDuvCommander", "the chart toolbar " + beside},
        {"TDuvExcelSource", "a series data source " + beside},
        {"TDuvGDIPlus", "the canvas switch " + beside},
        {"TDuvPreviewPanel", "the print preview's own window, not part of a chart"},
        {"TDuvSeriesSource", "a series data source " + beside},
        {"TDuvSeriesSourceFile", "a series data source " + beside},
        {"TPreviewChartPen", "a pen of the print preview's window"},
        {"TAutomaticText", "the automatic placement options of marks and labels are not published"},
        {"TLegendItem", "the legend's items are made anew at every drawing"},
        {"TMarksItem", "per-point mark formats travel in the marks' own \"Items\" block"},
        {"TChartWall", "the base of the four walls, each published under its own class"},
        {"TChartWalls", "the holder of the walls; the chart publishes each wall itself"},
        {"TSeriesMarkShape", "the base of the marks; every series publishes its TSeriesMarks"},
        {"TDuvCustomShapePosition", "no chart part holds a plain positioned shape"},
        {"TTextShape", "no chart part holds a plain positioned shape"},
        {"TStringsShape", "no chart part holds a plain positioned shape"},
        {"TFramedBorder", "made only by its circled series, which compares it as its Frame"},
    };
    return reasons;
}

// Where an instance of the class stands in a chart: the chart itself, one of its series, tools
// or animations, or a function computing a series.
TComponent* PlaceInChart(const TClassInfo& info, std::unique_ptr<TCustomAxisPanel>& chart)
{
    if (info.InheritsFrom(TCustomAxisPanel::StaticClass())) {
        chart.reset(dynamic_cast<TCustomAxisPanel*>(info.Create(nullptr)));
        return chart.get();
    }
    chart = std::make_unique<TChart>();
    if (info.InheritsFrom(TCustomChartElement::StaticClass())) {
        auto* element = dynamic_cast<TCustomChartElement*>(info.Create(chart.get()));
        if (!element) return nullptr;
        element->SetName("Subject");
        element->SetParentChart(chart.get());
        return element;
    }
    if (info.InheritsFrom(TDuvFunction::StaticClass())) {
        auto* host = new TLineSeries(chart.get());
        host->SetName("Host");
        host->SetParentChart(chart.get());
        auto* function = dynamic_cast<TDuvFunction*>(info.Create(chart.get()));
        if (!function) return nullptr;
        function->SetName("Subject");
        host->SetFunction(function);
        return function;
    }
    return nullptr;
}

// The first line where the text forms of two chart files part.
std::string FirstDifference(const std::string& a, const std::string& b)
{
    auto lines = [](const std::string& bytes) {
        TMemoryStream binary(bytes), text;
        ChartBinaryToText(binary, text);
        std::vector<std::string> out;
        std::string line;
        for (char c : text.Bytes()) {
            if (c == '\n') {
                out.push_back(line);
                line.clear();
            } else if (c != '\r') {
                line += c;
            }
        }
        return out;
    };
    const std::vector<std::string> x = lines(a), y = lines(b);
    for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i)
        if (x[i] != y[i]) return "line " + std::to_string(i + 1) + ": \"" + x[i] + "\" then \"" + y[i] + "\"";
    return "lengths " + std::to_string(x.size()) + " and " + std::to_string(y.size());
}

TComponent* FindDeep(TComponent& owner, const std::string& name)
{
    if (TComponent* found = owner.FindComponent(name)) return found;
    for (int i = 0; i < owner.ComponentCount(); ++i)
        if (TComponent* found = FindDeep(*owner.Components(i), name)) return found;
    return nullptr;
}

class ChartFileRoundTripTest : public testing::Test {
protected:
    // Every chart module up to the output one, with the series.
    ChartFileRoundTripTest() { exporttest::StartExportModules(); }
};

TEST_F(ChartFileRoundTripTest, EveryRegisteredClassComesBackAsItWasWritten)
{
    TWalk walk;
    std::vector<std::string> notPlaced;
    for (const std::string& name : RegisteredClassNames()) {
        const TClassInfo& info = FindClass(name);
        if (info.IsAbstract() || NotInChartFiles().count(name)) continue;
        std::unique_ptr<TCustomAxisPanel> chart;
        TComponent* subject = PlaceInChart(info, chart);
        if (!subject) {
            if (info.InheritsFrom(TComponent::StaticClass())) notPlaced.push_back(name);
            continue;
        }
        SCOPED_TRACE(name);
        walk.Seen.clear();
        Perturb(*subject, 0, walk);
        PerturbDefined(*subject);
        // A file's points are added back in the order their lists keep: a series whose order
        // was just changed is sorted first, as its next added point would find it.
        if (auto* series = dynamic_cast<TChartSeries*>(subject)) series->SortByOrder();
        const std::string first = Saved(*chart);
        {
            // The text form holds the same: converted back, it is the same file.
            TMemoryStream binary(first), text, back;
            ChartBinaryToText(binary, text);
            text.SetPosition(0);
            ChartTextToBinary(text, back);
            EXPECT_TRUE(back.Bytes() == first) << "the text form differs: " << FirstDifference(first, back.Bytes());
        }
        std::unique_ptr<TCustomAxisPanel> loaded(dynamic_cast<TCustomAxisPanel*>(chart->ClassType().Create(nullptr)));
        TMemoryStream stream(first);
        EXPECT_EQ(LoadChartFromStream(*loaded, stream), std::vector<std::string>{});
        const std::string second = Saved(*loaded);
        EXPECT_TRUE(first == second) << "the second file differs: " << FirstDifference(first, second);
        TPersistent* back = subject == chart.get() ? loaded.get() : FindDeep(*loaded, "Subject");
        EXPECT_NE(back, nullptr);
        if (!back) continue;
        const std::vector<std::string> written = Described(*subject), read = Described(*back);
        for (std::size_t i = 0; i < std::max(written.size(), read.size()); ++i) {
            const std::string a = i < written.size() ? written[i] : "", b = i < read.size() ? read[i] : "";
            EXPECT_EQ(a, b);
            if (a != b) break;
        }
    }
    // Every other component class is named with its reason; every other persistent class is
    // met inside one of the classes above or named too.
    EXPECT_EQ(notPlaced, std::vector<std::string>{});
    std::vector<std::string> notReached;
    for (const std::string& name : RegisteredClassNames()) {
        const TClassInfo& info = FindClass(name);
        if (info.IsAbstract() || info.InheritsFrom(TComponent::StaticClass()) || NotInChartFiles().count(name)) continue;
        if (!walk.Reached.count(info.Name())) notReached.push_back(name);
    }
    std::string unreached;
    for (const std::string& name : notReached) unreached += name + " ";
    EXPECT_EQ(unreached, "");
}

// Older files keep the marks' arrow on the marks themselves; it loads into the callout, is
// written there from then on, and every later save is the same.
TEST_F(ChartFileRoundTripTest, MarksArrowOfOlderFilesComesBackInTheCallout)
{
    const std::string older =
        "object TChart\r\n"
        "  object Series1: TLineSeries\r\n"
        "    Marks.Arrow.Color = clRed\r\n"
        "    Marks.Arrow.Width = 3\r\n"
        "    Marks.ArrowLength = 20\r\n"
        "  end\r\n"
        "end\r\n";
    TChart chart;
    TMemoryStream stream(older);
    ASSERT_EQ(LoadChartFromStream(chart, stream), std::vector<std::string>{});
    auto* series = dynamic_cast<TChartSeries*>(FindDeep(chart, "Series1"));
    ASSERT_NE(series, nullptr);
    ASSERT_NE(series->Marks().PeekCallout(), nullptr);
    EXPECT_EQ(series->Marks().PeekCallout()->Length(), 20);
    EXPECT_EQ(series->Marks().PeekCallout()->Arrow().Color(), clRed);
    EXPECT_EQ(series->Marks().PeekCallout()->Arrow().Width(), 3);

    const std::string first = Saved(chart);
    TChart loaded;
    TMemoryStream again(first);
    ASSERT_EQ(LoadChartFromStream(loaded, again), std::vector<std::string>{});
    auto* back = dynamic_cast<TChartSeries*>(FindDeep(loaded, "Series1"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Marks().ArrowLength(), 20);
    EXPECT_EQ(back->Marks().GetArrow()->Color(), clRed);
    EXPECT_EQ(back->Marks().GetArrow()->Width(), 3);
    const std::string second = Saved(loaded);
    EXPECT_TRUE(first == second) << "the second file differs: " << FirstDifference(first, second);
}

// Files written before custom labels and smoothing were stored load as they did: automatic
// labels, no smoothing.
TEST_F(ChartFileRoundTripTest, OlderFilesKeepAutomaticLabelsAndNoSmoothing)
{
    const std::string older =
        "object TChart\r\n"
        "  LeftAxis.Title.Caption = 'Left'\r\n"
        "  object Series1: TLineSeries\r\n"
        "  end\r\n"
        "end\r\n";
    TChart chart;
    TMemoryStream stream(older);
    ASSERT_EQ(LoadChartFromStream(chart, stream), std::vector<std::string>{});
    for (int a = 0; a < chart.AxesList().Count(); ++a) {
        EXPECT_TRUE(chart.AxesList().GetAxis(a)->Items().AutomaticLabels) << a;
        EXPECT_EQ(chart.AxesList().GetAxis(a)->Items().Count(), 0) << a;
    }
    auto* series = dynamic_cast<TCustomSeries*>(FindDeep(chart, "Series1"));
    ASSERT_NE(series, nullptr);
    EXPECT_FALSE(series->Smoothed());
    // Nor does saving such a chart add either.
    TMemoryStream text;
    SaveChartToStream(chart, text, true, true);
    EXPECT_EQ(text.Bytes().find("Items"), std::string::npos) << text.Bytes();
    EXPECT_EQ(text.Bytes().find("Smoothed"), std::string::npos) << text.Bytes();
}

}  // namespace
