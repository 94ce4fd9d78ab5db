// Binary and text component streams: round trips, hand-made fixtures, bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "SampleComponents.h"
#include "platform/core/ComponentText.h"
#include "platform/core/Streams.h"

namespace {

class ComponentStream : public testing::Test {
protected:
    void SetUp() override { RegisterSampleClasses(); }
};

std::string Hex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size();) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        i += 2;
    }
    return bytes;
}

std::string Short(const std::string& s)
{
    return std::string(1, static_cast<char>(s.size())) + s;
}

std::string ToText(const std::string& binary)
{
    TMemoryStream in(binary), out;
    ObjectBinaryToText(in, out);
    return out.Bytes();
}

std::string ToBinary(const std::string& text)
{
    TMemoryStream in(text), out;
    ObjectTextToBinary(in, out);
    return out.Bytes();
}

TComponentPtr<TSampleThing> ReadThing(const std::string& bytes, TReader* configured = nullptr)
{
    TMemoryStream stream(bytes);
    if (configured) return TComponentPtr<TSampleThing>(static_cast<TSampleThing*>(configured->ReadRootComponent(nullptr)));
    return TComponentPtr<TSampleThing>(static_cast<TSampleThing*>(ReadComponentFromStream(stream, nullptr)));
}

// Root "Main" with every kind of property changed, a child with a grandchild, a plain component.
TComponentPtr<TSampleThing> MakeTree()
{
    auto root = MakeComponent<TSampleThing>(nullptr);
    root->SetName("Main");
    root->Small = -5;
    root->Big = 5000000000LL;
    root->Flag = true;
    root->Dbl = 0.1;
    root->InitRatio(1);
    root->Ratio = 2.5;
    root->Style = ssDot;
    root->Options = {soBold, soUnderline};
    root->Text = "It's \xC5\xA1\xC3\xA9";  // letters of the code page
    root->Color = 0x123456;
    root->Lines.Add("a");
    root->Lines.Add(std::string(300, 'x'));
    root->Font()->Size = 11;
    root->Font()->Style = {soItalic};
    root->Font()->Color = clBlue;
    auto* item = static_cast<TSampleItem*>(root->Items()->Add());
    item->Value = 7;
    item->Caption = "\xE2\x82\xAC sign";  // not in the code page: UTF-16 in the stream
    root->Items()->Add();
    root->Data = std::string("\x00\x01\xFF", 3);
    root->Palette = {1, -200, 70000};
    root->OnThing = TNotifyEvent(root.get(), &TSampleThing::ThingClick);
    root->SetTag(-3);

    auto* child = new TSampleThing(root.get());
    child->SetName("Child");
    child->SetParentComponent(root.get());
    child->Minimum = -1.5;
    child->AutoMinimum = false;
    auto* grandchild = new TSampleThing(root.get());
    grandchild->SetName("Grand");
    grandchild->SetParentComponent(child);
    grandchild->SetPartner(child);  // written before its target is read back
    child->SetPartner(grandchild);
    auto* plain = new TSamplePlain(root.get());
    plain->SetName("Plain");
    plain->Count = 3;
    return root;
}

void ExpectSameThing(TSampleThing& a, TSampleThing& b)
{
    for (const TPropInfo* info : a.ClassType().Properties()) {
        SCOPED_TRACE(a.Name() + "." + info->Name);
        if (info->Kind == TPropKind::Object || info->Kind == TPropKind::Collection || info->Kind == TPropKind::Event) continue;
        TVariant va = GetPropValue(&a, info->Name), vb = GetPropValue(&b, info->Name);
        if (info->Kind == TPropKind::Component)
            EXPECT_EQ(va.IsNull() || !va.AsObject() ? "" : static_cast<TComponent*>(va.AsObject())->Name(),
                      vb.IsNull() || !vb.AsObject() ? "" : static_cast<TComponent*>(vb.AsObject())->Name());
        else
            EXPECT_EQ(va, vb);
    }
    EXPECT_EQ(a.HasFont(), b.HasFont());
    if (a.HasFont()) {
        EXPECT_EQ(a.Font()->Size, b.Font()->Size);
        EXPECT_EQ(a.Font()->Style, b.Font()->Style);
        EXPECT_EQ(a.Font()->Color, b.Font()->Color);
    }
    ASSERT_EQ(a.Items()->Count(), b.Items()->Count());
    for (int i = 0; i < a.Items()->Count(); ++i) {
        auto* x = static_cast<TSampleItem*>(a.Items()->Items(i));
        auto* y = static_cast<TSampleItem*>(b.Items()->Items(i));
        EXPECT_EQ(x->Value, y->Value);
        EXPECT_EQ(x->Caption, y->Caption);
    }
    EXPECT_EQ(a.Data, b.Data);
    EXPECT_EQ(a.Palette, b.Palette);
    ASSERT_EQ(a.Kids().size(), b.Kids().size());
    for (std::size_t i = 0; i < a.Kids().size(); ++i) ExpectSameThing(*a.Kids()[i], *b.Kids()[i]);
}

TEST_F(ComponentStream, TreeWrittenAndReadBackIsEqual)
{
    auto tree = MakeTree();
    std::string bytes = WriteToBytes(tree.get());
    ASSERT_EQ(bytes.substr(0, 4), "TPF0");
    auto back = ReadThing(bytes);
    ExpectSameThing(*tree, *back);
    EXPECT_EQ(back->OnThing, TNotifyEvent(back.get(), &TSampleThing::ThingClick));
    auto* plain = dynamic_cast<TSamplePlain*>(back->FindComponent("plain"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Count, 3);
    // The same tree written again gives the same bytes.
    EXPECT_EQ(WriteToBytes(back.get()), bytes);
}

TEST_F(ComponentStream, BinaryToTextToBinaryIsByteIdentical)
{
    std::string bytes = WriteToBytes(MakeTree().get());
    std::string text = ToText(bytes);
    EXPECT_NE(text.find("object Main: TSampleThing\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Dbl = 0.100000000000000000\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Options = [soBold, soUnderline]\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Font.Style = [soItalic]\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Data = {0001FF}\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  OnThing = ThingClick\r\n"), std::string::npos) << text;
    EXPECT_EQ(ToBinary(text), bytes);
}

TEST_F(ComponentStream, OnlyChangedPropertiesAreWritten)
{
    TSampleThing thing(nullptr);
    thing.SetName("T");
    EXPECT_EQ(WriteToBytes(&thing), "TPF0" + Short("TSampleThing") + Short("T") + std::string(2, '\0'));
    EXPECT_FALSE(thing.HasFont()) << "asking whether the font is stored created it";

    thing.Font();  // exists now, but holds defaults only
    thing.InitRatio(90);  // per-instance default: equal to it, not written
    thing.Minimum = 4;    // not stored while automatic
    thing.Small = 1;
    EXPECT_EQ(WriteToBytes(&thing),
              "TPF0" + Short("TSampleThing") + Short("T") + Short("Small") + Hex("02 01") + std::string(2, '\0'));
}

// A reference the stream cannot name (its target has no named owner) is left out whole.
TEST_F(ComponentStream, UnnameableReferenceIsLeftOut)
{
    TSampleThing outsider(nullptr), ownedByUnnamed(nullptr);
    outsider.SetName("Outsider");
    auto* inner = new TSampleThing(&ownedByUnnamed);
    inner->SetName("Inner");
    for (TSampleThing* target : {&outsider, inner}) {
        SCOPED_TRACE(target->Name());
        TSampleThing thing(nullptr);
        thing.SetName("T");
        thing.SetPartner(target);
        thing.Small = 1;
        std::string bytes = WriteToBytes(&thing);
        EXPECT_EQ(bytes, "TPF0" + Short("TSampleThing") + Short("T") + Short("Small") + Hex("02 01") + std::string(2, '\0'));
        auto back = ReadThing(bytes);
        EXPECT_EQ(back->Small, 1);
        thing.SetPartner(nullptr);
    }
}

TEST_F(ComponentStream, WorkedExampleConvertsBothWays)
{
    const std::string text =
        "inherited Main: TThing\r\n"
        "  Small = 5\r\n"
        "  Text = 'It'#39's'\r\n"
        "  Colors = [clRed, clBlue]\r\n"
        "  Dbl = 1.500000000000000000\r\n"
        "  Lines.Strings = (\r\n"
        "    'a'\r\n"
        "    'b')\r\n"
        "  Items = <\r\n"
        "    item\r\n"
        "      Value = 7\r\n"
        "    end>\r\n"
        "  Data = {0102}\r\n"
        "  object Child: TThing [0]\r\n"
        "    Flag = True\r\n"
        "  end\r\n"
        "end\r\n";
    const std::string binary = Hex(
        "54 50 46 30 F1 06 54 54 68 69 6E 67 04 4D 61 69 6E 05 53 6D 61 6C 6C 02 05 04 54 65 78 74 06 04 49 74 27 73 "
        "06 43 6F 6C 6F 72 73 0B 05 63 6C 52 65 64 06 63 6C 42 6C 75 65 00 03 44 62 6C 05 00 00 00 00 00 00 00 C0 FF "
        "3F 0D 4C 69 6E 65 73 2E 53 74 72 69 6E 67 73 01 06 01 61 06 01 62 00 05 49 74 65 6D 73 0E 01 05 56 61 6C 75 "
        "65 02 07 00 00 04 44 61 74 61 0A 02 00 00 00 01 02 00 F2 02 00 06 54 54 68 69 6E 67 05 43 68 69 6C 64 04 46 "
        "6C 61 67 09 00 00 00");
    ASSERT_EQ(binary.size(), 151u);
    EXPECT_EQ(ToBinary(text), binary);
    EXPECT_EQ(ToText(binary), text);
}

TEST_F(ComponentStream, TextLayoutVariantsParse)
{
    // The other writer's layout: '' quotes, E-notation, no space before [, closing brackets alone.
    const std::string text =
        "object Main: TThing\n"
        "  Text = 'It''s' +\n"
        "    ' more'#13#10\n"
        "  Dbl =  1.50000000000000000000E+0000\n"
        "  Lines.Strings = (\n"
        "    'a'\n"
        "    )\n"
        "  Empty = ()\n"
        "  NoItems = <>\n"
        "  NoSet = []\n"
        "  NoData = {}\n"
        "  Neg = -70000\n"
        "  Wide = 'x'#8364\n"
        "  Sgl = 1.25s\n"
        "  Cur = -12.3456c\n"
        "  When = 36526.5d\n"
        "  Ref = Form1.Table1\n"
        "  Nothing = nil\n"
        "  OBJECT Kid: TThing[3]\n"
        "  END\n"
        "end\n";
    std::string expected = "TPF0" + Short("TThing") + Short("Main") + Short("Text") + Hex("06 0B") + "It's more\r\n" +
                           Short("Dbl") + Hex("05 00 00 00 00 00 00 00 C0 FF 3F") + Short("Lines.Strings") +
                           Hex("01 06 01 61 00") + Short("Empty") + Hex("01 00") + Short("NoItems") + Hex("0E 00") +
                           Short("NoSet") + Hex("0B 00") + Short("NoData") + Hex("0A 00 00 00 00") + Short("Neg") +
                           Hex("04 90 EE FE FF") + Short("Wide") + Hex("12 02 00 00 00 78 00 AC 20") + Short("Sgl") +
                           Hex("0F 00 00 A0 3F") + Short("Cur") + Hex("10 C0 1D FE FF FF FF FF FF") + Short("When") +
                           Hex("11 00 00 00 00 D0 D5 E1 40") + Short("Ref") + Hex("07") + Short("Form1.Table1") +
                           Short("Nothing") + Hex("0D 00") + Hex("F2 02 03") + Short("TThing") + Short("Kid") +
                           Hex("00 00 00");
    EXPECT_EQ(ToBinary(text), expected);
    // The special float tags survive a trip through the text form.
    EXPECT_EQ(ToBinary(ToText(expected)), expected);
}

// Each value tag once, read into a property that takes it (or skipped where none does).
TEST_F(ComponentStream, HandMadeFixturesOfEveryTag)
{
    struct Case {
        const char* name;
        std::string property;  // name + tagged value
        std::function<void(TSampleThing&)> check;
    };
    const std::vector<Case> cases = {
        {"0 null ends lists", Short("Palette") + Hex("01 02 01 00"), [](TSampleThing& t) { EXPECT_EQ(t.Palette, std::vector<std::int64_t>{1}); }},
        {"1 list", Short("Lines.Strings") + Hex("01 06 01 61 06 01 62 00"), [](TSampleThing& t) { EXPECT_EQ(t.Lines.Text(), "a\r\nb\r\n"); }},
        {"2 int8", Short("Small") + Hex("02 FB"), [](TSampleThing& t) { EXPECT_EQ(t.Small, -5); }},
        {"3 int16", Short("Small") + Hex("03 00 80"), [](TSampleThing& t) { EXPECT_EQ(t.Small, -32768); }},
        {"4 int32", Short("Small") + Hex("04 40 42 0F 00"), [](TSampleThing& t) { EXPECT_EQ(t.Small, 1000000); }},
        {"5 extended", Short("Dbl") + Hex("05 A4 70 3D 0A D7 A3 70 C5 02 40"), [](TSampleThing& t) { EXPECT_DOUBLE_EQ(t.Dbl, 12.34); }},
        {"6 string", Short("Text") + Hex("06 02 61 E9"), [](TSampleThing& t) { EXPECT_EQ(t.Text, "a\xC3\xA9"); }},
        {"7 ident", Short("Style") + Hex("07 05") + "ssDot", [](TSampleThing& t) { EXPECT_EQ(t.Style, ssDot); }},
        {"8 false", Short("Flag") + Hex("08"), [](TSampleThing& t) { EXPECT_FALSE(t.Flag); }},
        {"9 true", Short("Flag") + Hex("09"), [](TSampleThing& t) { EXPECT_TRUE(t.Flag); }},
        {"10 binary", Short("Data") + Hex("0A 02 00 00 00 01 02"), [](TSampleThing& t) { EXPECT_EQ(t.Data, "\x01\x02"); }},
        {"11 set", Short("Options") + Hex("0B 06") + "soBold" + Hex("08") + "soItalic" + Hex("00"),
         [](TSampleThing& t) { EXPECT_EQ(t.Options, (TSampleOptions{soBold, soItalic})); }},
        {"12 long string", Short("Text") + Hex("0C 03 00 00 00") + "abc", [](TSampleThing& t) { EXPECT_EQ(t.Text, "abc"); }},
        {"13 nil", Short("Partner") + Hex("0D"), [](TSampleThing& t) { EXPECT_EQ(t.Partner(), nullptr); }},
        {"14 collection with item index", Short("Items") + Hex("0E 02 05 01") + Short("Value") + Hex("02 09 00 00"),
         [](TSampleThing& t) {
             ASSERT_EQ(t.Items()->Count(), 1);
             EXPECT_EQ(static_cast<TSampleItem*>(t.Items()->Items(0))->Value, 9);
         }},
        {"15 single", Short("Dbl") + Hex("0F 00 00 C0 3F"), [](TSampleThing& t) { EXPECT_EQ(t.Dbl, 1.5); }},
        {"16 currency", Short("Dbl") + Hex("10 B8 0B 00 00 00 00 00 00"), [](TSampleThing& t) { EXPECT_EQ(t.Dbl, 0.3); }},
        {"17 date", Short("Dbl") + Hex("11 00 00 00 00 00 00 F8 3F"), [](TSampleThing& t) { EXPECT_EQ(t.Dbl, 1.5); }},
        {"18 wide string", Short("Text") + Hex("12 02 00 00 00 61 00 AC 20"), [](TSampleThing& t) { EXPECT_EQ(t.Text, "a\xE2\x82\xAC"); }},
        {"19 int64", Short("Big") + Hex("13 00 F2 05 2A 01 00 00 00"), [](TSampleThing& t) { EXPECT_EQ(t.Big, 5000000000LL); }},
        {"20 utf8 string", Short("Text") + Hex("14 03 00 00 00 E2 82 AC"), [](TSampleThing& t) { EXPECT_EQ(t.Text, "\xE2\x82\xAC"); }},
        {"21 double", Short("Dbl") + Hex("15 00 00 00 00 00 00 04 40"), [](TSampleThing& t) { EXPECT_EQ(t.Dbl, 2.5); }},
        {"integer where a float is expected", Short("Dbl") + Hex("02 07"), [](TSampleThing& t) { EXPECT_EQ(t.Dbl, 7); }},
        {"colour as identifier", Short("Color") + Hex("07 06") + "clBlue", [](TSampleThing& t) { EXPECT_EQ(t.Color, clBlue); }},
        {"legacy read-only value", Short("OldSize") + Hex("02 06"), [](TSampleThing& t) { EXPECT_EQ(t.Small, 12); }},
        {"nested path", Short("Font.Size") + Hex("02 0C"), [](TSampleThing& t) { EXPECT_EQ(t.Font()->Size, 12); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = "TPF0" + Short("TSampleThing") + Short("X") + c.property + Hex("00 00");
        auto thing = ReadThing(bytes);
        c.check(*thing);
    }
}

TEST_F(ComponentStream, ForwardReferencesAndLoadedOrder)
{
    auto tree = MakeTree();
    std::string bytes = WriteToBytes(tree.get());
    std::vector<std::string> log;
    TSampleThing root(nullptr);
    root.LoadedLog = &log;
    TMemoryStream stream(bytes);
    TReader reader(stream);
    reader.ReadRootComponent(&root);
    EXPECT_EQ(log, std::vector<std::string>{"Main"});  // children have no log; the root ran Loaded
    auto* child = static_cast<TSampleThing*>(root.FindComponent("Child"));
    auto* grand = static_cast<TSampleThing*>(root.FindComponent("Grand"));
    ASSERT_TRUE(child && grand);
    EXPECT_EQ(child->Partner(), grand);  // named before Grand was read
    EXPECT_EQ(grand->Partner(), child);
    EXPECT_FALSE(root.HasState(csLoading | csReading));
    EXPECT_FALSE(child->HasState(csLoading | csReading));
}

TEST_F(ComponentStream, ReaderLeavesStreamAfterTheObject)
{
    TSampleThing thing(nullptr);
    std::string bytes = WriteToBytes(&thing) + "tail";
    TMemoryStream stream(bytes);
    {
        TReader reader(stream);
        TSampleThing into(nullptr);
        reader.ReadRootComponent(&into);
    }
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(bytes.size() - 4));
}

// A stream of bytes that is no memory stream: the reader goes through its buffer and refills it.
class TPlainStream : public TStream {
public:
    explicit TPlainStream(std::string bytes) : bytes_(std::move(bytes)) {}
    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        const std::int64_t n = std::clamp<std::int64_t>(Size() - position_, 0, count);
        std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
        position_ += n;
        return n;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override
    {
        const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? position_ : Size();
        position_ = std::clamp<std::int64_t>(base + offset, 0, Size());
        return position_;
    }
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    void SetSize(std::int64_t) override {}

private:
    std::string bytes_;
    std::int64_t position_ = 0;
};

TEST_F(ComponentStream, BufferedReadsOfEverySizeGiveTheSameTree)
{
    auto tree = MakeTree();
    const std::string bytes = WriteToBytes(tree.get());
    for (int bufferSize : {1, 2, 3, 5, 8, 31, 32, 33, 255, 4096}) {
        SCOPED_TRACE(bufferSize);
        TPlainStream stream(bytes + "tail");
        TComponentPtr<TSampleThing> back;
        {
            TReader reader(stream, bufferSize);
            back.reset(static_cast<TSampleThing*>(reader.ReadRootComponent(nullptr)));
        }
        ExpectSameThing(*tree, *back);
        EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(bytes.size()));
    }
}

TEST_F(ComponentStream, BufferedReadsCutOffAnywhereRaise)
{
    const std::string bytes = WriteToBytes(MakeTree().get());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        TPlainStream stream(bytes.substr(0, n));
        TReader reader(stream, 7);
        TSampleThing root(nullptr);
        EXPECT_THROW(reader.ReadRootComponent(&root), EReadError);
        EXPECT_EQ(root.ComponentCount(), 0);
    }
}

// A memory stream is read in place: reading from the middle starts there and leaves the stream
// after the object, whatever comes before or after it.
TEST_F(ComponentStream, MemoryStreamReadFromTheMiddle)
{
    auto tree = MakeTree();
    const std::string bytes = WriteToBytes(tree.get());
    TMemoryStream stream("head" + bytes + "tail");
    stream.SetPosition(4);
    TComponentPtr<TComponent> back(ReadComponentFromStream(stream, nullptr));
    ExpectSameThing(*tree, *static_cast<TSampleThing*>(back.get()));
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(4 + bytes.size()));
}

// Frees a component of its owner when told its name (as a tool replaces what it wraps).
class TDropper : public TComponent {
    QB_CLASS(TDropper, TComponent)
public:
    explicit TDropper(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TDropper>& p) { p.String("Drop", &TDropper::Drop, &TDropper::SetDrop); }
    std::string Drop() const { return ""; }
    void SetDrop(const std::string& name) { FreeComponent(Owner()->FindComponent(name)); }
    void Loaded() override
    {
        TComponent::Loaded();
        ++loadedCalls;
    }
    static inline int loadedCalls = 0;
};

TEST_F(ComponentStream, ComponentsFreedDuringTheReadAreLeftAlone)
{
    RegisterClass(TDropper::StaticClass());
    std::string bytes = "TPF0" + Short("TSampleThing") + Short("Root") + Hex("00") + Short("TSampleThing") + Short("A") +
                        Short("Partner") + Hex("07") + Short("Root") + Hex("00 00") + Short("TDropper") + Short("D") +
                        Short("Drop") + Hex("06") + Short("A") + Hex("00 00") + Hex("00");
    TDropper::loadedCalls = 0;
    auto root = ReadThing(bytes);
    EXPECT_EQ(root->FindComponent("A"), nullptr);
    EXPECT_NE(root->FindComponent("D"), nullptr);
    EXPECT_EQ(TDropper::loadedCalls, 1);
    // Cut short after the drop: the cleanup frees only what is still there.
    EXPECT_THROW(ReadThing(bytes.substr(0, bytes.size() - 1)), EReadError);
    TSampleThing into(nullptr);
    TMemoryStream stream(bytes.substr(0, bytes.size() - 1));
    EXPECT_THROW(ReadComponentFromStream(stream, &into), EReadError);
    EXPECT_EQ(into.ComponentCount(), 0);
}

// ---------------------------------------------------------------- bad input

TEST_F(ComponentStream, TruncatedAtEveryOffsetRaisesAndLeavesNothing)
{
    std::string bytes = WriteToBytes(MakeTree().get());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        std::string part = bytes.substr(0, n);
        EXPECT_THROW(ReadThing(part), EReadError);
        // Into a root the caller owns: whatever the read created is gone again.
        TSampleThing root(nullptr);
        TMemoryStream stream(part);
        EXPECT_THROW(ReadComponentFromStream(stream, &root), EReadError);
        EXPECT_EQ(root.ComponentCount(), 0);
        EXPECT_TRUE(root.Kids().empty());
        EXPECT_FALSE(root.HasState(csLoading | csReading));
        EXPECT_THROW(ToText(part), EReadError);
    }
}

TEST_F(ComponentStream, LengthsBeyondTheBytesLeftAreRejected)
{
    std::string head = "TPF0" + Short("TSampleThing") + Short("X");
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"binary", Short("Data") + Hex("0A FF FF FF 7F 01")},
        {"negative binary", Short("Data") + Hex("0A FF FF FF FF")},
        {"long string", Short("Text") + Hex("0C 00 00 00 40 61")},
        {"wide string", Short("Text") + Hex("12 00 00 00 40 61 00")},
        {"utf8 string", Short("Text") + Hex("14 10 00 00 00 61")},
        {"short string", Short("Text") + Hex("06 09 61")},
        {"unknown property binary", Short("Nope") + Hex("0A 00 00 00 10")},
        {"unknown tag", Short("Small") + Hex("16")},
        {"property name", Hex("30 41")},
    };
    for (const auto& [name, property] : cases) {
        SCOPED_TRACE(name);
        std::string bytes = head + property;
        TMemoryStream stream(bytes);
        TReader reader(stream);
        reader.OnError = [](TReader&, const std::string&) { return true; };  // skipping must not help
        try {
            reader.ReadRootComponent(nullptr);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Invalid stream format: ", 0), 0u) << e.what();
        }
        EXPECT_THROW(ToText(bytes), EReadError);
    }
}

TEST_F(ComponentStream, UnknownPropertiesAndClassesFailOrAreSkipped)
{
    std::string bytes = "TPF0" + Short("TSampleThing") + Short("X") + Short("Nope") + Hex("01 02 01 0A 01 00 00 00 07 00") +
                        Short("Small") + Hex("02 03") + Short("Style") + Hex("07 03") + "bad" + Hex("00") +
                        Short("TUnknown") + Short("U") + Short("P") + Hex("02 01 00") + Short("TSamplePlain") +
                        Short("K") + Hex("00 00") + Hex("00") + Short("TSamplePlain") + Short("Q") + Hex("00 00 00");
    try {
        ReadThing(bytes);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Error reading X.Nope: Property Nope does not exist");
    }
    std::vector<std::string> problems;
    TMemoryStream stream(bytes);
    TReader reader(stream);
    reader.OnError = [&](TReader&, const std::string& message) {
        problems.push_back(message);
        return true;
    };
    TComponentPtr<TComponent> thing(reader.ReadRootComponent(nullptr));
    auto* t = static_cast<TSampleThing*>(thing.get());
    EXPECT_EQ(t->Small, 3);
    EXPECT_EQ(t->Style, ssSolid);
    EXPECT_EQ(t->ComponentCount(), 1);  // the unknown object and its child are skipped; Q is read
    EXPECT_NE(t->FindComponent("Q"), nullptr);
    EXPECT_EQ(problems, (std::vector<std::string>{"Error reading X.Nope: Property Nope does not exist",
                                                  "Error reading X.Style: Invalid property value",
                                                  "Class TUnknown not found"}));
    // Without the skip decision an unknown class is the class-not-found error.
    std::string unknownChild = "TPF0" + Short("TSampleThing") + Short("X") + Hex("00") + Short("TUnknown") + Short("U") + Hex("00 00 00");
    EXPECT_THROW(ReadThing(unknownChild), EClassNotFound);
}

TEST_F(ComponentStream, UnregisteredClassCannotBeRead)
{
    std::string bytes = WriteToBytes(MakeTree().get());
    UnregisterClass(TSamplePlain::StaticClass());
    EXPECT_THROW(ReadThing(bytes), EClassNotFound);
    RegisterClass(TSamplePlain::StaticClass());
    EXPECT_NO_THROW(ReadThing(bytes));
}

TEST_F(ComponentStream, EventNamesResolveThroughTheRootOrTheHook)
{
    std::string bytes = "TPF0" + Short("TSampleThing") + Short("X") + Short("OnThing") + Hex("07") + Short("Missing") + Hex("00 00");
    EXPECT_THROW(ReadThing(bytes), EReadError);
    TMemoryStream stream(bytes);
    TReader reader(stream);
    reader.OnFindMethod = [](TReader&, const std::string&, TMethod&, bool& error) { error = false; };
    TComponentPtr<TComponent> thing(reader.ReadRootComponent(nullptr));
    EXPECT_FALSE(static_cast<TSampleThing*>(thing.get())->OnThing.Assigned());
}

TEST_F(ComponentStream, DeepNestingIsRejected)
{
    std::string objects = "TPF0";
    for (int i = 0; i < 5000; ++i) objects += Short("TSampleThing") + Short("") + Hex("00");
    EXPECT_THROW(ReadThing(objects), EReadError);
    EXPECT_THROW(ToText(objects), EReadError);
    std::string lists = "TPF0" + Short("TSampleThing") + Short("X") + Short("Nope") + std::string(5000, '\x01');
    EXPECT_THROW(ReadThing(lists), EReadError);
    std::string text = "object X: TThing\n  A = " + std::string(5000, '(');
    EXPECT_THROW(ToBinary(text), EParserError);
}

TEST_F(ComponentStream, BadTextGivesLineNumbers)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "Line 1: identifier expected"},
        {"object X: TThing\n  A = 'open\nend\n", "Line 2: unterminated string"},
        {"object X: TThing\n  A = {0F0}\nend\n", "Line 2: odd number of hexadecimal digits"},
        {"object X: TThing\n  A = 99999999999999999999\nend\n", "Line 2: integer out of range"},
        {"object X: TThing\n  A = #70000\nend\n", "Line 2: invalid character code"},
        {"object X: TThing\n  A = 1\n", "Line 3: property or 'end' expected"},
        {"thing X: TThing\nend\n", "Line 1: 'object' expected"},
        {"object X: TThing\nend\nobject", "Line 3: text after the last 'end'"},
        {"object X: TThing\n  A = <\n  B = 1\n  >\nend\n", "Line 3: 'item' expected"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        try {
            ToBinary(text);
            ADD_FAILURE() << "no error";
        } catch (const EParserError& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
}

TEST_F(ComponentStream, FloatTextReadsBackExactly)
{
    const std::vector<std::pair<long double, std::string>> cases = {
        {1.5L, "1.500000000000000000"},
        {0.25L, "0.250000000000000000"},
        {static_cast<long double>(709.67), "709.670000000000000000"},
        {-2.0L, "-2.000000000000000000"},
        {static_cast<long double>(1e-30), "1E-30"},
        {static_cast<long double>(1e20), "1E20"},
        {0.1L, ""},                          // only the wider format holds it
        {9007199254740993.0L, ""},           // an integer a double cannot hold
        {static_cast<long double>(1152921504606846976.0), ""},  // its shortest text names another value
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(text);
        std::string written = StreamFloatText(value);
        if (!text.empty()) {
            EXPECT_EQ(written, text);
        }
        EXPECT_EQ(ParseStreamFloat(written), value) << written;
    }
}

TEST_F(ComponentStream, ExtendedBytesMatchTheFormat)
{
    const std::vector<std::pair<double, std::string>> cases = {
        {1.5, "00 00 00 00 00 00 00 C0 FF 3F"}, {0.25, "00 00 00 00 00 00 00 80 FD 3F"},
        {0.0, "00 00 00 00 00 00 00 00 00 00"}, {-1.5, "00 00 00 00 00 00 00 C0 FF BF"},
    };
    for (const auto& [value, hex] : cases) {
        unsigned char bytes[10];
        DoubleToExtended(value, bytes);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 10), Hex(hex));
        EXPECT_EQ(ExtendedToDouble(bytes), value);
    }
    unsigned char denormal[10];
    DoubleToExtended(5e-324, denormal);
    EXPECT_EQ(ExtendedToDouble(denormal), 5e-324);
    unsigned char unnormal[10] = {0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F};  // integer bit missing
    EXPECT_TRUE(std::isnan(ExtendedToDouble(unnormal)));
}

}  // namespace
