#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "support/TestSupport.h"
#include "chart/graphics/DuvHtml.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/SysUtils.h"

using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

// Text metrics that follow the font: every character Size pixels wide, lines Size + 5 high
// (13 for the 8-point start font). Text calls record the font they were drawn in.
class TMarkupCanvas : public TRecordingCanvas {
public:
    TMarkupCanvas() { ResetFont(); }
    void ResetFont()
    {
        Font().SetName("Arial");
        Font().SetSizeFloat(8);
        Font().SetColor(clBlack);
        Font().SetStyle({});
    }
    TSize TextExtent(const std::string& text) override
    {
        return {static_cast<int>(text.size()) * Font().Size(), Font().Size() + 5};
    }
    void TextOut(int x, int y, const std::string& text) override
    {
        char color[16];
        std::snprintf(color, sizeof color, "%06X", static_cast<unsigned>(Font().Color()));
        std::string style;
        const std::pair<TFontStyle, char> letters[] = {
            {fsBold, 'B'}, {fsItalic, 'I'}, {fsUnderline, 'U'}, {fsStrikeOut, 'S'}};
        for (auto [s, letter] : letters)
            if (Font().Style().Contains(s)) style += letter;
        Record("TextOut", std::to_string(x) + "," + std::to_string(y) + ",\"" + text + "\" " + Font().Name() + " " +
                              std::to_string(Font().Size()) + " " + (style.empty() ? "-" : style) + " " + color);
    }
};

std::vector<std::string> Draw(TMarkupCanvas& canvas, const std::string& text, int x = 0, int y = 0)
{
    canvas.Clear();
    DrawHtmlText(canvas, x, y, text);
    return canvas.Texts();
}

struct THookScope {
    THookScope(THtmlGraphicHook graphic, THtmlStreamHook stream)
    {
        HtmlGraphicHook = graphic;
        HtmlStreamHook = stream;
    }
    ~THookScope()
    {
        HtmlGraphicHook = nullptr;
        HtmlStreamHook = nullptr;
        HtmlRemotePicturesAllowed = false;
    }
};

int streamCalls = 0;
int CountingStream(const std::string& source, TStream& stream)
{
    ++streamCalls;
    return LoadHtmlPictureFile(source, stream);
}

}  // namespace

TEST(DuvHtml, TagsEntitiesAndFontsDrawAndMeasure)
{
    struct Case {
        const char* text;
        std::vector<std::string> drawn;
        TSize extent;
    };
    const Case cases[] = {
        {"a<B>b</B>c",
         {"TextOut(0,0,\"a\" Arial 8 - 000000)", "TextOut(8,0,\"b\" Arial 8 B 000000)",
          "TextOut(16,0,\"c\" Arial 8 - 000000)"},
         {24, 13}},
        // entities in their order of replacement; a lone '<' is dropped
        {"&lt;word&gt;", {"TextOut(0,0,\"<word>\" Arial 8 - 000000)"}, {48, 13}},
        {"&amp;lt; &quot;q&quot;", {"TextOut(0,0,\"&lt; \"q\"\" Arial 8 - 000000)"}, {64, 13}},
        {"a<b", {"TextOut(0,0,\"a\" Arial 8 - 000000)", "TextOut(8,0,\"b\" Arial 8 - 000000)"}, {16, 13}},
        {"<BIG>big</>normal",
         {"TextOut(0,0,\"big\" Arial 10 - 000000)", "TextOut(30,0,\"normal\" Arial 8 - 000000)"},
         {78, 14}},
        {"<SMALL>s</>n", {"TextOut(0,1,\"s\" Arial 6 - 000000)", "TextOut(6,0,\"n\" Arial 8 - 000000)"}, {14, 13}},
        {"<B>bold</>x", {"TextOut(0,0,\"bold\" Arial 8 B 000000)", "TextOut(32,0,\"x\" Arial 8 - 000000)"}, {40, 13}},
        {"<i><u><strike>s</strike></u></i>t",
         {"TextOut(0,0,\"s\" Arial 8 IUS 000000)", "TextOut(8,0,\"t\" Arial 8 - 000000)"},
         {16, 13}},
        {"<STRONG>a</><BOLD>b</BOLD>", {"TextOut(0,0,\"a\" Arial 8 B 000000)", "TextOut(8,0,\"b\" Arial 8 B 000000)"},
         {16, 13}},
        {"<B><I><BIG>x</>y", {"TextOut(0,0,\"x\" Arial 10 BI 000000)", "TextOut(10,0,\"y\" Arial 8 BI 000000)"},
         {18, 14}},
        {"<FONT COLOR=\"#FF8000\" SIZE=+2>hot</FONT>cold",
         {"TextOut(0,0,\"hot\" Arial 10 - 0080FF)", "TextOut(30,0,\"cold\" Arial 8 - 000000)"},
         {62, 14}},
        {"<FONT SIZE='-2' color=blue>s</font>", {"TextOut(0,1,\"s\" Arial 6 - FF0000)"}, {6, 13}},
        {"<FONT NAME=\"Courier New\" COLOR=RED>c</>", {"TextOut(0,0,\"c\" Courier New 8 - 0000FF)"}, {8, 13}},
        {"<FONT FAMILY=Tahoma SIZE=12 WEIGHT=BOLD, ITALIC>t",
         {"TextOut(0,0,\"t\" Tahoma 12 BI 000000)"},
         {12, 16}},
        {"<FONT WEIGHT=normal>n", {"TextOut(0,0,\"n\" Arial 8 - 000000)"}, {8, 13}},
        {"<PRE>p</PRE>q", {"TextOut(0,0,\"p\" COURIER NEW 8 - 000000)", "TextOut(8,0,\"q\" Arial 8 - 000000)"},
         {16, 13}},
        {"<H6>h</H6><H5>i</H5>",
         {"TextOut(0,0,\"h\" Arial 8 - 000000)", "TextOut(8,0,\"i\" Arial 12 - 000000)"},
         {20, 16}},
        // with no font state to restore and no style tag open, "</>" is text
        {"</>", {"TextOut(0,0,\"</\" Arial 8 - 000000)"}, {16, 13}},
        // closers of BIG and unknown tags are text
        {"<BIG>a</BIG>", {"TextOut(0,0,\"a\" Arial 10 - 000000)", "TextOut(10,0,\"</BIG>\" Arial 10 - 000000)"},
         {70, 14}},
        // a line break starts the next line at the line start, one font height down
        // (extents are measured from x = 0)
        {"a<BR>b", {"TextOut(5,7,\"a\" Arial 8 - 000000)", "TextOut(5,20,\"b\" Arial 8 - 000000)"}, {8, 28}},
        {"\r\na", {"TextOut(5,20,\"a\" Arial 8 - 000000)"}, {8, 13}},
        {"a\r\n<B>b", {"TextOut(5,7,\"a\" Arial 8 - 000000)", "TextOut(5,20,\"b\" Arial 8 B 000000)"}, {8, 13}},
    };
    for (const Case& c : cases) {
        TMarkupCanvas canvas;
        const bool breaks = std::string(c.text).find("<BR>") != std::string::npos ||
                            std::string(c.text).find("\r\n") != std::string::npos;
        const int x = breaks ? 5 : 0, y = breaks ? 7 : 0;
        EXPECT_THAT(Draw(canvas, c.text, x, y), ElementsAreArray(c.drawn)) << c.text;
        canvas.ResetFont();
        canvas.Clear();
        const TSize extent = MeasureHtmlText(canvas, c.text);
        EXPECT_EQ(extent.cx, c.extent.cx) << c.text;
        EXPECT_EQ(extent.cy, c.extent.cy) << c.text;
        EXPECT_TRUE(canvas.Calls.empty()) << "measuring painted: " << c.text;
    }
}

TEST(DuvHtml, ParagraphsAndRules)
{
    TMarkupCanvas canvas;
    // a paragraph adds the font height plus 2 to the height; a rule changes no extent
    EXPECT_EQ(MeasureHtmlText(canvas, "a<P>b"), (TSize{8, 28}));
    EXPECT_EQ(MeasureHtmlText(canvas, "ab<HR>"), (TSize{16, 13}));
    EXPECT_THAT(Draw(canvas, "ab<HR>c", 3, 4),
                ElementsAre("TextOut(3,4,\"ab\" Arial 8 - 000000)", "MoveTo(3,4)", "LineTo(103,4)",
                            "TextOut(3,17,\"c\" Arial 8 - 000000)"));
    EXPECT_EQ(canvas.Calls[2].PenColor, TColor(0x808080));
}

TEST(DuvHtml, FontErrorsStopTheText)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"<FONT FACE=Arial>x", "Unknown field in FONT: FACE"},
        {"<FONT size=9 colour=red>x", "Unknown field in FONT: COLOUR"},
        {"<FONT WEIGHT=HEAVY>x", "Unknown field in FONT WEIGHT=HEAVY"},
        {"<FONT WEIGHT=BOLD,ITALIC>x", "Unknown field in FONT WEIGHT=BOLD,ITALIC"},
        {"<FONT SIZE=big>x", "'big' is not a valid floating point value"},
        {"<FONT COLOR=#12>x", "'$' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        TMarkupCanvas canvas;
        try {
            DrawHtmlText(canvas, 0, 0, std::string("a") + c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_THAT(canvas.Texts(), ElementsAre("TextOut(0,0,\"a\" Arial 8 - 000000)")) << c.text;
    }
}

TEST(DuvHtml, ColourTexts)
{
    struct Case {
        const char* text;
        TColor color;
    };
    const Case cases[] = {
        {"black", 0x000000},  {"RED", 0x0000FF},       {" \"Blue\" ", 0xFF0000}, {"yellow", 0x00FFFF},
        {"White", 0xFFFFFF},  {"green", 0x008000},     {"LIME", 0x00FF00},       {"#FF8000", 0x0080FF},
        {"#0a0B0c", 0x0C0B0A}, {"clNavy", 0x800000},   {"CLSILVER", 0xC0C0C0},   {"255", 255},
        {"$FF0000", 0xFF0000}, {"-1", static_cast<TColor>(-1)}, {"purplish", 0}, {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(HtmlColorValue(c.text), c.color) << c.text;
    EXPECT_EQ(HexToColorValue("FF0000"), TColor(0x20000000));
    EXPECT_EQ(HexToColorValue(" #102030 "), TColor(0x302010));
}

TEST(DuvHtml, UnclosedTagsEndWithTheirText)
{
    TMarkupCanvas canvas;
    Draw(canvas, "<B><BIG>open");
    // the caller sets its font before each text; nothing of the last text's tags remains
    canvas.ResetFont();
    canvas.Font().SetSizeFloat(20);
    EXPECT_THAT(Draw(canvas, "a</FONT>b</>"),
                ElementsAre("TextOut(0,0,\"a\" Arial 20 - 000000)", "TextOut(20,0,\"b\" Arial 20 - 000000)",
                            "TextOut(40,0,\"</\" Arial 20 - 000000)"));
}

TEST(DuvHtml, ScriptsKeepTheBaseline)
{
    struct Case {
        const char* text;
        std::vector<std::string> drawn;
    };
    const Case cases[] = {
        {"a<SUB>2</SUB>b<SUPER>3</SUPER>c",
         {"TextOut(0,0,\"a\" Arial 8 - 000000)", "TextOut(8,12,\"2\" Arial 4 - 000000)",
          "TextOut(12,0,\"b\" Arial 8 - 000000)", "TextOut(20,-1,\"3\" Arial 4 - 000000)",
          "TextOut(24,0,\"c\" Arial 8 - 000000)"}},
        // closed by "</>" the same way
        {"a<SUB>2</>b<SUPER>3</>c",
         {"TextOut(0,0,\"a\" Arial 8 - 000000)", "TextOut(8,12,\"2\" Arial 4 - 000000)",
          "TextOut(12,0,\"b\" Arial 8 - 000000)", "TextOut(20,-1,\"3\" Arial 4 - 000000)",
          "TextOut(24,0,\"c\" Arial 8 - 000000)"}},
        // runs after a tall header sit on the line's bottom, each at the same height
        {"<H1>T</H1>a<B>b</B>c",
         {"TextOut(0,0,\"T\" Arial 48 - 000000)", "TextOut(48,38,\"a\" Arial 8 - 000000)",
          "TextOut(56,38,\"b\" Arial 8 B 000000)", "TextOut(64,38,\"c\" Arial 8 - 000000)"}},
        // a closer with nothing open moves nothing
        {"</SUB>a</SUPER>b", {"TextOut(0,0,\"a\" Arial 8 - 000000)", "TextOut(8,0,\"b\" Arial 8 - 000000)"}},
    };
    for (const Case& c : cases) {
        TMarkupCanvas canvas;
        EXPECT_THAT(Draw(canvas, c.text), ElementsAreArray(c.drawn)) << c.text;
    }
}

TEST(DuvHtml, AlignmentPlacesTheWholeText)
{
    struct Case {
        int align;
        int left;
    };
    for (const Case& c : {Case{TA_RIGHT, 176}, Case{TA_CENTER, 188}, Case{TA_LEFT, 200}, Case{TA_BASELINE, 200}}) {
        TMarkupCanvas canvas;
        canvas.SetTextAlign(c.align);
        EXPECT_THAT(Draw(canvas, "a<B>bc</B>", 200, 5),
                    ElementsAre("TextOut(" + std::to_string(c.left) + ",5,\"a\" Arial 8 - 000000)",
                                "TextOut(" + std::to_string(c.left + 8) + ",5,\"bc\" Arial 8 B 000000)"));
        EXPECT_EQ(canvas.GetTextAlign(), c.align);
    }
}

TEST(DuvHtml, Pictures)
{
    qbtest::TempDir dir;
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("p.png"))));
    qbtest::WriteFileBytes(dir.file("bad.png"), "not a picture");
    const std::string png = dir.file("p.png");
    std::filesystem::create_directory(dir.file("folder.png"));
    ASSERT_EQ(mkfifo(dir.file("pipe.png").c_str(), 0600), 0);
    const std::vector<std::string> missingAfterA{"TextOut(0,0,\"a\" Arial 8 - 000000)", "Rectangle(8,0,48,40)",
                                                 "MoveTo(8,0)", "LineTo(47,39)", "MoveTo(8,39)", "LineTo(47,0)",
                                                 "TextOut(8,0,\"b\" Arial 8 - 000000)"};
    struct Case {
        std::string text;
        std::vector<std::string> drawn;
        TSize extent;
    };
    const std::vector<Case> cases = {
        {"<IMG SRC=\"" + png + "\">b", {"DrawGraphic(0,0,20,10)", "TextOut(20,0,\"b\" Arial 8 - 000000)"}, {28, 12}},
        // a picture at the left edge is stretched there too; the size counts from where it starts
        {"<IMG SRC=" + png + " WIDTH=40 HEIGHT='20'>", {"StretchDraw(0,0,40,20,20,10)"}, {40, 20}},
        {"a<IMG \r\nSRC=file://" + png + " height=5>", {"TextOut(0,0,\"a\" Arial 8 - 000000)", "StretchDraw(8,0,28,5,20,10)"},
         {28, 13}},
        {"a<IMG SRC=" + dir.file("p.xyz") + ">b", missingAfterA, {16, 13}},
        {"a<IMG SRC=" + dir.file("bad.png") + ">b", missingAfterA, {16, 13}},
        {"a<IMG SRC=" + dir.file("none.png") + ">b", missingAfterA, {16, 13}},
        {"a<IMG SRC=" + dir.file("folder.png") + ">b", missingAfterA, {16, 13}},
        // a pipe would never end its reading
        {"a<IMG SRC=" + dir.file("pipe.png") + ">b", missingAfterA, {16, 13}},
        {"a<IMG WIDTH=10>b",
         {"TextOut(0,0,\"a\" Arial 8 - 000000)", "Rectangle(8,0,18,40)", "MoveTo(8,0)", "LineTo(17,39)",
          "MoveTo(8,39)", "LineTo(17,0)", "TextOut(8,0,\"b\" Arial 8 - 000000)"},
         {16, 13}},
    };
    THookScope hooks(&HtmlPictureFormatExists, &LoadHtmlPictureFile);
    for (const Case& c : cases) {
        TMarkupCanvas canvas;
        EXPECT_THAT(Draw(canvas, c.text), ElementsAreArray(c.drawn)) << c.text;
        canvas.ResetFont();
        EXPECT_EQ(MeasureHtmlText(canvas, c.text), c.extent) << c.text;
    }
    TMarkupCanvas canvas;
    Draw(canvas, "a<IMG SRC=nowhere.png>b");
    EXPECT_EQ(canvas.Calls.at(1).PenColor, clRed);
    EXPECT_EQ(canvas.Calls.at(1).BrushColor, clWhite);
}

TEST(DuvHtml, WebPicturesOnlyWhenAllowed)
{
    THookScope hooks(&HtmlPictureFormatExists, &CountingStream);
    const char* sources[] = {"http://example.invalid/a.png", "ftp://example.invalid/a.png",
                             " \"https://example.invalid/a.png\""};
    for (const char* source : sources) {
        streamCalls = 0;
        TMarkupCanvas canvas;
        const auto drawn = Draw(canvas, std::string("<IMG SRC=") + source + ">");
        EXPECT_THAT(drawn, ElementsAre("Rectangle(0,0,40,40)", "MoveTo(0,0)", "LineTo(39,39)", "MoveTo(0,39)",
                                       "LineTo(39,0)"))
            << source;
        EXPECT_EQ(streamCalls, 0) << source;
        HtmlRemotePicturesAllowed = true;
        Draw(canvas, std::string("<IMG SRC=") + source + ">");
        EXPECT_EQ(streamCalls, 1) << source;
        HtmlRemotePicturesAllowed = false;
    }
    EXPECT_TRUE(IsRemoteHtmlSource("http://x/a.png"));
    EXPECT_FALSE(IsRemoteHtmlSource("/tmp/a.png"));
    EXPECT_FALSE(IsRemoteHtmlSource("file:///tmp/a.png"));
    EXPECT_FALSE(IsRemoteHtmlSource("C:/pictures/a.png"));
    // without hooks every picture is the missing-picture box
    HtmlGraphicHook = nullptr;
    TMarkupCanvas canvas;
    EXPECT_EQ(Draw(canvas, "<IMG SRC=/tmp/a.png>").size(), 5u);
}

TEST(DuvHtml, BadMarkupDoesNotBreakTheCanvas)
{
    const std::string many(300, 'x');
    const std::string bigs = [] {
        std::string t;
        for (int i = 0; i < 700; ++i) t += "<BIG>";
        return t + "x";
    }();
    const std::string smalls = "<SMALL><SMALL><SMALL><SMALL><SMALL><SUB><SUB>x";
    const char* texts[] = {"<", ">", "<>", "<<>>", "<FONT >x", "<FONT =>x", "<FONT NAME=a=b>x",
                           "<IMG >", "<IMG SRC=>", "<IMG SRC=\"\">", "</></></>", "\r\n\r\n<", "&lt",
                           "<FONT SIZE=1e30>x", "<FONT SIZE=nan>x", "<FONT SIZE=-1e9>x",
                           "<IMG SRC=x.png WIDTH=99999999999 HEIGHT=-99999999>"};
    THookScope hooks(&HtmlPictureFormatExists, &LoadHtmlPictureFile);
    std::vector<std::string> all(std::begin(texts), std::end(texts));
    all.push_back(bigs);
    all.push_back(smalls);
    all.push_back(many);
    for (const std::string& text : all) {
        TMarkupCanvas canvas;
        try {
            DrawHtmlText(canvas, 0, 0, text);
            MeasureHtmlText(canvas, text);
        } catch (const Exception&) {
            // a clear message is fine; anything else is not
        }
        EXPECT_GE(canvas.Font().Size(), 1) << text;
        EXPECT_LE(canvas.Font().Size(), 1000) << text;
    }
}

TEST(DuvHtml, ModuleInstallsTheMarkupDrawer)
{
    DuvHtmlInitialization();
    TMarkupCanvas canvas;
    canvas.TextOutFormatted(0, 0, true, "a<B>b</B>");
    EXPECT_THAT(canvas.Texts(),
                ElementsAre("TextOut(0,0,\"a\" Arial 8 - 000000)", "TextOut(8,0,\"b\" Arial 8 B 000000)"));
    DuvHtmlFinalization();
    EXPECT_EQ(DrawHtmlTextHook, nullptr);
    EXPECT_EQ(HtmlGraphicHook, nullptr);
    EXPECT_EQ(HtmlStreamHook, nullptr);
    canvas.Clear();
    canvas.TextOutFormatted(0, 0, true, "a<B>");
    EXPECT_THAT(canvas.Texts(), ElementsAre("TextOut(0,0,\"a<B>\" Arial 8 - 000000)"));
}
