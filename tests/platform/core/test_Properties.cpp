// Property tables: get and set by name and dotted path, defaults, listing, enumeration words.
#include <gtest/gtest.h>

#include "SampleComponents.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/Streams.h"

namespace {

class TDerivedThing : public TSampleThing {
    QB_CLASS(TDerivedThing, TSampleThing)
public:
    explicit TDerivedThing(TComponent* owner) : TSampleThing(owner) { Small = 5; }
    static void DeclareProperties(TPropertyDeclarer<TDerivedThing>& p)
    {
        p.Integer("Small", &TDerivedThing::Small).Default(5);  // a new default for the same property
        p.Integer("Extra", &TDerivedThing::Extra).Default(0);
    }
    int Extra = 0;
};

// A component whose line list mirrors into a joined text, as text shapes keep theirs.
class TLinesOwner : public TComponent {
    QB_CLASS(TLinesOwner, TComponent)
public:
    explicit TLinesOwner(TComponent* owner = nullptr) : TComponent(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TLinesOwner>& p)
    {
        p.Strings("Lines", &TLinesOwner::Lines).OnChanged(&TLinesOwner::LinesChanged);
    }
    void LinesChanged()
    {
        ++Changes;
        Joined = Lines.Text();
    }
    TStringList Lines;
    std::string Joined;
    int Changes = 0;
};

TEST(Properties, StringListOwnerHearsEveryReplacement)
{
    RegisterClass(TLinesOwner::StaticClass());
    TLinesOwner byName;
    SetPropValue(&byName, "Lines", "a\nb");
    EXPECT_EQ(byName.Changes, 1);
    EXPECT_EQ(byName.Joined, "a\r\nb\r\n");

    TLinesOwner copy;
    AssignPublishedProperties(copy, byName);
    EXPECT_EQ(copy.Changes, 1);
    EXPECT_EQ(copy.Joined, "a\r\nb\r\n");

    TMemoryStream text(std::string("object Owner: TLinesOwner\n  Lines.Strings = (\n    'x'\n    'y')\nend\n"));
    TMemoryStream binary;
    ObjectTextToBinary(text, binary);
    binary.Seek(0, TSeekOrigin::soBeginning);
    TLinesOwner read;
    ReadComponentFromStream(binary, &read);
    EXPECT_EQ(read.Changes, 1);
    EXPECT_EQ(read.Joined, "x\r\ny\r\n");
}

TEST(Properties, GetAndSetByNameAndPath)
{
    TSampleThing thing(nullptr);
    thing.SetName("Thing");
    thing.Items()->Add();
    thing.Items()->Add();
    struct Case {
        const char* path;
        TVariant set;
        TVariant expected;
    };
    const std::vector<Case> cases = {
        {"Small", 12, 12},
        {"small", "13", 13},
        {"Flag", true, true},
        {"Dbl", 2.5, 2.5},
        {"Dbl", "0.125", 0.125},
        {"Style", "ssDash", "ssDash"},
        {"Style", 3, "ssDot"},  // by ordinal
        {"Options", "[soItalic, soBold]", "[soBold, soItalic]"},
        {"Options", "[]", "[]"},
        {"Color", "clBlue", static_cast<long long>(clBlue)},
        {"Color", 0x112233, 0x112233},
        {"Text", "hello", "hello"},
        {"Font.Size", 14, 14},
        {"FONT.COLOR", "clNone", static_cast<long long>(clNone)},
        {"Items.ITEM1.Value", 8, 8},
        {"Items.item0.Caption", "first", "first"},
        {"Lines.Text", "a\nb", "a\r\nb\r\n"},
        {"Lines", "c", "c\r\n"},
        {"Tag", 77, 77},
        {"Name", "Renamed", "Renamed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SetPropValue(&thing, c.path, c.set);
        EXPECT_EQ(GetPropValue(&thing, c.path), c.expected);
    }
    EXPECT_EQ(static_cast<TSampleItem*>(thing.Items()->Items(1))->Value, 8);
}

TEST(Properties, FailuresGiveNullOrAClearError)
{
    TSampleThing thing(nullptr);
    thing.Items()->Add();
    for (const char* path : {"Nope", "Font.Nope", "Items.ITEM5.Value", "Small.Value", "Items.ITEMx.Value", ""})
        EXPECT_TRUE(GetPropValue(&thing, path).IsNull()) << path;
    EXPECT_TRUE(GetPropValue(nullptr, "Small").IsNull());
    EXPECT_TRUE(GetPropValue(&thing, "OnThing").IsNull());
    const std::vector<std::pair<const char*, TVariant>> bad = {
        {"Nope", 1}, {"Style", "ssWavy"}, {"Style", 9}, {"Options", "[soBold, soNothing]"},
        {"Small", "twelve"}, {"Small", 1e12}, {"Color", "clPlaid"}, {"Partner", &thing.Lines},
    };
    for (const auto& [path, value] : bad) EXPECT_THROW(SetPropValue(&thing, path, value), EPropertyError) << path;
    EXPECT_EQ(thing.Style, ssSolid);
}

TEST(Properties, ComponentReferencesAndEvents)
{
    TComponent form(nullptr);
    auto* a = new TSampleThing(&form);
    auto* b = new TSampleThing(&form);
    SetPropValue(a, "Partner", TVariant(static_cast<TObject*>(b)));
    EXPECT_EQ(a->Partner(), b);
    FreeComponent(b);
    EXPECT_TRUE(GetPropValue(a, "Partner").AsObject() == nullptr);
    const TPropInfo* info = GetPropInfo(a, "OnThing");
    ASSERT_NE(info, nullptr);
    TMethod method = a->ClassType().FindMethod("thingclick")->Bind(*a);
    info->SetMethod(*a, method);
    a->OnThing(a);
    EXPECT_EQ(a->LastSender, a);
}

TEST(Properties, ListingIsSortedAndIncludesInherited)
{
    TDerivedThing thing(nullptr);
    std::vector<std::string> names = GetPropNames(&thing);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return UpperIdent(a) < UpperIdent(b);
    }));
    EXPECT_EQ(std::count(names.begin(), names.end(), "Small"), 1);
    EXPECT_NE(std::find(names.begin(), names.end(), "Extra"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Tag"), names.end());
    EXPECT_TRUE(IsPublishedProp(&thing, "font"));
    EXPECT_FALSE(IsPublishedProp(&thing, "Pen"));
    // The redeclared default decides what is written: 5 is not written, 0 is.
    EXPECT_TRUE(thing.ClassType().FindProperty("Small")->IsDefault(thing));
    thing.Small = 0;
    EXPECT_FALSE(thing.ClassType().FindProperty("Small")->IsDefault(thing));
    // Declaration order: base properties first, the redeclaration in its base's place.
    const auto& all = thing.ClassType().Properties();
    EXPECT_EQ(all[0]->Name, "Name");
    EXPECT_EQ(all.back()->Name, "Extra");
}

TEST(Properties, StoredRulesAndPerInstanceDefaults)
{
    TSampleThing thing(nullptr);
    const TPropInfo& minimum = *thing.ClassType().FindProperty("Minimum");
    const TPropInfo& ratio = *thing.ClassType().FindProperty("Ratio");
    EXPECT_FALSE(minimum.IsStored(thing));
    thing.AutoMinimum = false;
    EXPECT_TRUE(minimum.IsStored(thing));
    thing.InitRatio(90);
    EXPECT_TRUE(ratio.IsDefault(thing));
    thing.Ratio = 270;
    EXPECT_FALSE(ratio.IsDefault(thing));
    TSampleThing other(nullptr);
    other.InitRatio(270);
    other.Ratio = 270;
    EXPECT_TRUE(ratio.IsDefault(other));
    // Peeking at the lazily created font does not create it.
    const TPropInfo& font = *thing.ClassType().FindProperty("Font");
    EXPECT_EQ(font.Object(thing, false), nullptr);
    EXPECT_FALSE(thing.HasFont());
    EXPECT_NE(font.Object(thing, true), nullptr);
}

TEST(Properties, EnumerationIdentifiersAsWords)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"gdTopBottom", "Top Bottom"}, {"ssDot", "Dot"}, {"cpAxisTitle", "Axis Title"},
        {"tfNone", "None"}, {"plain", "plain"}, {"atMouseOver", "Mouse Over"}, {"cmRGB", "RGB"},
    };
    for (const auto& [ident, words] : cases) EXPECT_EQ(EnumIdentToWords(ident), words) << ident;
    const TEnumInfo& info = EnumTypeInfo(TSampleStyle{});
    EXPECT_EQ(info.TypeName(), "TSampleStyle");
    EXPECT_EQ(info.Count(), 4);
    EXPECT_EQ(info.Name(2), "ssDash");
    EXPECT_EQ(info.Ordinal("SSDOT"), 3);
}

TEST(Properties, ColourIdentifiers)
{
    const std::vector<std::pair<TColor, const char*>> cases = {
        {clRed, "clRed"}, {clNone, "clNone"}, {clDefault, "clDefault"},
        {static_cast<TColor>(0xFF00000F), "clBtnFace"}, {0x123456, "$00123456"},
    };
    for (const auto& [color, text] : cases) {
        EXPECT_EQ(ColorToString(color), text);
        EXPECT_EQ(StringToColor(text), color);
    }
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_THROW(StringToColor("red"), EConvertError);
}

TEST(Properties, VariantConversions)
{
    EXPECT_EQ(TVariant(2.5).AsInteger(), 2);  // halves to even
    EXPECT_EQ(TVariant(3.5).AsInteger(), 4);
    EXPECT_EQ(TVariant("17").AsFloat(), 17);
    EXPECT_EQ(TVariant(0.1).AsString(), "0.1");
    EXPECT_TRUE(TVariant("TRUE").AsBoolean());
    try {
        TVariant("x").AsInteger();
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Could not convert variant of type (String) into type (Int64)");
    }
    EXPECT_THROW(TVariant(1).AsObject(), EConvertError);
    EXPECT_EQ(TVariant().AsObject(), nullptr);
}

}  // namespace
