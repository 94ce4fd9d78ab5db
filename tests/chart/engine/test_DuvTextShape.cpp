#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvTextShape.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ClassRegistry.h"
#include "support_ChartEngine.h"
#include "support_ShapeStreaming.h"

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

namespace {

// Text is measured by the recording canvas: 7 pixels a character, 13 a line.
class TextShapeTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        auto canvas = std::make_unique<TRecordingCanvas>();
        canvas_ = canvas.get();
        panel_.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        canvas_->Clear();
    }
    std::unique_ptr<TCustomTextShape> MakeShape(const std::string& text)
    {
        auto shape = std::make_unique<TCustomTextShape>(&panel_);
        shape->GetShadow()->SetVisible(false);
        shape->SetText(text);
        shape->Bounds = {10, 20, 10, 20};
        return shape;
    }
    std::vector<std::string> TextCalls() const
    {
        std::vector<std::string> texts;
        for (const std::string& call : canvas_->Texts())
            if (call.rfind("TextOut", 0) == 0 || call.rfind("RotateLabel", 0) == 0 || call.rfind("Clip", 0) == 0 ||
                call.rfind("Unclip", 0) == 0)
                texts.push_back(call);
        return texts;
    }

    enginetest::TTestPanel panel_;
    TRecordingCanvas* canvas_ = nullptr;
};

TEST_F(TextShapeTest, SizeAndLinePositionsByAlignmentMarginUnitsAndLines)
{
    struct Case {
        std::string text;
        TMarginUnits units;
        TAlignment alignment;
        TRect bounds;
        int lines;
        int textAlign;
        std::vector<std::string> output;
    };
    // A framed, opaque shape adds the frame width + 1 to the text block before the margins.
    const Case cases[] = {
        // 21 x 13 text: margins of 13 percent of the font, 1 pixel each side
        {"Abc", maPercentFont, taLeftJustify, {10, 20, 37, 37}, 1, TA_LEFT, {"TextOut(11,22,\"Abc\")"}},
        // percent of the 23 x 15 block: 2 pixels left and right, 1 top and bottom
        {"Abc", maPercentSize, taCenter, {10, 20, 41, 37}, 1, TA_CENTER, {"TextOut(25,22,\"Abc\")"}},
        {"Ab\rCdef", maPercentFont, taRightJustify, {10, 20, 52, 50}, 2, TA_RIGHT,
         {"TextOut(49,22,\"Ab\")", "TextOut(49,35,\"Cdef\")"}},
        {"Ab\rCdef", maPixels, taLeftJustify, {10, 20, 80, 58}, 2, TA_LEFT,
         {"TextOut(20,26,\"Ab\")", "TextOut(20,39,\"Cdef\")"}},
        // an empty first line is not output but still takes its height
        {"\rCdef", maPixels, taLeftJustify, {10, 20, 80, 58}, 2, TA_LEFT, {"TextOut(20,39,\"Cdef\")"}},
        // line feeds alone are one blank line
        {"\n\n", maPixels, taLeftJustify, {10, 20, 66, 45}, 1, TA_LEFT, {"TextOut(20,26,\" \")"}},
        {"", maPixels, taLeftJustify, {10, 20, 10, 20}, 0, TA_LEFT, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" units " << c.units << " alignment " << c.alignment);
        canvas_->Clear();
        auto shape = MakeShape(c.text);
        shape->Margins()->SetUnits(c.units);
        shape->SetTextAlignment(c.alignment);
        shape->CalcSize(&panel_);
        EXPECT_EQ(shape->Bounds, c.bounds);
        EXPECT_EQ(shape->LineCount(), c.lines);
        shape->DrawAtBounds();
        EXPECT_THAT(TextCalls(), ElementsAreArray(c.output));
        EXPECT_EQ(canvas_->Texts("Rectangle").size(), 1u);
        if (!c.output.empty()) {
            EXPECT_EQ(canvas_->GetTextAlign(), c.textAlign);
        }
    }
}

TEST_F(TextShapeTest, ATransparentShapeHasNoMarginsOrFrameAroundItsText)
{
    auto shape = MakeShape("Abc");
    shape->SetTransparent(true);
    shape->CalcSize(&panel_);
    EXPECT_EQ(shape->Bounds, (TRect{10, 20, 31, 33}));
    shape->DrawAtBounds();
    EXPECT_THAT(TextCalls(), ElementsAre("TextOut(10,20,\"Abc\")"));
    EXPECT_THAT(canvas_->Texts("Rectangle"), IsEmpty());
}

TEST_F(TextShapeTest, MarkupTextIsMeasuredAndDrawnWithoutItsTags)
{
    auto shape = MakeShape("<b>Rain</b>");
    shape->SetTextFormat(ttfHtml);
    shape->Margins()->SetUnits(maPixels);
    shape->CalcSize(&panel_);
    // 4 characters, not 11
    EXPECT_EQ(shape->BoundsWidth(), 4 * 7 + 2 + 2 * 20);
    shape->DrawAtBounds();
    std::string drawn;
    for (const std::string& call : canvas_->Texts("TextOut")) drawn += call;
    EXPECT_NE(drawn.find("Rain"), std::string::npos) << drawn;
    EXPECT_EQ(drawn.find("<b>"), std::string::npos) << drawn;
}

TEST_F(TextShapeTest, TextIsClippedWhenItMayNotFit)
{
    struct Case {
        const char* name;
        bool autoSize;
        int offset;
        bool clipText;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"sized to the text", true, 0, true, {"TextOut(11,22,\"Abc\")"}},
        {"fixed size", false, 0, true, {"ClipToRect(10,20,37,37)", "TextOut(11,22,\"Abc\")", "Unclip()"}},
        {"scrolled", true, 5, true, {"ClipToRect(10,20,37,37)", "TextOut(16,22,\"Abc\")", "Unclip()"}},
        {"clipping off", false, 5, false, {"TextOut(16,22,\"Abc\")"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas_->Clear();
        auto shape = MakeShape("Abc");
        shape->CalcSize(&panel_);
        shape->SetAutoSize(c.autoSize);
        shape->TextOffset = c.offset;
        shape->SetClipText(c.clipText);
        shape->DrawAtBounds();
        EXPECT_THAT(TextCalls(), ElementsAreArray(c.calls));
        EXPECT_EQ(canvas_->ClipDepth(), 0);
    }
}

TEST_F(TextShapeTest, TurnedTextRotatesAboutTheShapeCentre)
{
    auto shape = MakeShape("Abc");
    shape->CalcSize(&panel_);
    shape->SetAngle(90);
    shape->DrawAtBounds();
    EXPECT_THAT(TextCalls(), ElementsAre("RotateLabel(11,22,\"Abc\",90)"));
    EXPECT_FALSE(canvas_->RotateAroundPoint);
    EXPECT_EQ(canvas_->RotationPoint, (TPoint{23, 28}));
}

TEST_F(TextShapeTest, ChildrenOfATextShapeStartBelowOrBesideItsText)
{
    struct Case {
        TDuvShapeLayout layout;
        int start;
    };
    // frame 1 / 2 = 0; the text's 21 pixels (13 for a line) and a margin of 1
    const Case cases[] = {{slTopBottom, 20 + 13 + 1}, {slLeftRight, 10 + 21 + 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        auto shape = MakeShape("Abc");
        shape->SetChildLayout(c.layout);
        shape->CalcSize(&panel_);
        EXPECT_EQ(shape->GetChildStartPos(), c.start);
        EXPECT_EQ(&shape->Children()->Add()->Shape()->ClassType(), &TCustomTextShape::StaticClass());
    }
}

// ---------------------------------------------------------------- settings and streaming

TEST_F(TextShapeTest, NewTextShapesStreamNothing)
{
    TShapeHolder holder;
    holder.Labels()->SetDefaultTextAlignment(taCenter);
    holder.Labels()->SetDefaultTransparent(true);
    EXPECT_THAT(StreamedShapeNames(holder), IsEmpty());
    EXPECT_TRUE(holder.Legend()->ClipText());
    EXPECT_EQ(holder.Legend()->TextAlignment(), taLeftJustify);
    EXPECT_EQ(holder.Legend()->Margins()->Left(), 10);
    EXPECT_EQ(holder.Legend()->Margins()->Top(), 5);
    EXPECT_EQ(holder.Legend()->GetEditorClassName(), "TTextShapeEditor");
}

TEST_F(TextShapeTest, EachChangedTextShapePropertyStreamsAndReadsBack)
{
    struct Case {
        const char* name;
        std::function<void(TShapeHolder&)> change;
        std::function<bool(TShapeHolder&)> check;
    };
    const Case cases[] = {
        {"Legend.Text", [](auto& h) { h.Legend()->SetText("Rain\rfall"); },
         [](auto& h) { return h.Legend()->Text() == "Rain\rfall"; }},
        {"Legend.Visible", [](auto& h) { h.Legend()->SetVisible(false); }, [](auto& h) { return !h.Legend()->Visible(); }},
        {"Legend.Picture.Mode", [](auto& h) { h.Legend()->GetPicture()->SetMode(pbmCenter); },
         [](auto& h) { return h.Legend()->PeekPicture() && h.Legend()->PeekPicture()->Mode() == pbmCenter; }},
        {"Labels.ClipText", [](auto& h) { h.Labels()->SetClipText(false); }, [](auto& h) { return !h.Labels()->ClipText(); }},
        {"Labels.Cursor", [](auto& h) { h.Labels()->SetCursor(crHandPoint); },
         [](auto& h) { return h.Labels()->Cursor() == crHandPoint; }},
        {"Labels.Margins.Left", [](auto& h) { h.Labels()->Margins()->SetLeft(3); },
         [](auto& h) { return h.Labels()->Margins()->Left() == 3; }},
        {"Labels.Margins.Bottom", [](auto& h) { h.Labels()->Margins()->SetBottom(0); },
         [](auto& h) { return h.Labels()->Margins()->Bottom() == 0; }},
        {"Labels.Margins.Units", [](auto& h) { h.Labels()->Margins()->SetUnits(maPixels); },
         [](auto& h) { return h.Labels()->Margins()->Units() == maPixels; }},
        {"Labels.TextAlignment", [](auto& h) { h.Labels()->SetTextAlignment(taRightJustify); },
         [](auto& h) { return h.Labels()->TextAlignment() == taRightJustify; }},
        {"Labels.TextFormat", [](auto& h) { h.Labels()->SetTextFormat(ttfHtml); },
         [](auto& h) { return h.Labels()->TextFormat() == ttfHtml; }},
        {"Labels.VertTextAlign", [](auto& h) { h.Labels()->SetVertTextAlign(vtaBottom); },
         [](auto& h) { return h.Labels()->VertTextAlign() == vtaBottom; }},
        {"Labels.Transparency", [](auto& h) { h.Labels()->SetTransparency(30); },
         [](auto& h) { return h.Labels()->Transparency() == 30; }},
        {"Labels.Frame.Width", [](auto& h) { h.Labels()->Pen().SetWidth(2); },
         [](auto& h) { return h.Labels()->Pen().Width() == 2; }},
        {"Labels.Brush.Style", [](auto& h) { h.Labels()->Brush().SetStyle(bsCross); },
         [](auto& h) { return h.Labels()->Brush().Style() == bsCross; }},
        {"Labels.Color", [](auto& h) { h.Labels()->SetColor(clAqua); }, [](auto& h) { return h.Labels()->Color() == clAqua; }},
        {"AutoText.Hide", [](auto& h) { h.AutoText()->SetHide(false); }, [](auto& h) { return !h.AutoText()->Hide(); }},
        {"AutoText.Move", [](auto& h) { h.AutoText()->SetMove(false); }, [](auto& h) { return !h.AutoText()->Move(); }},
        {"AutoText.Resize", [](auto& h) { h.AutoText()->SetResize(false); }, [](auto& h) { return !h.AutoText()->Resize(); }},
        {"AutoText.Rotate", [](auto& h) { h.AutoText()->SetRotate(false); }, [](auto& h) { return !h.AutoText()->Rotate(); }},
        {"AutoText.Trim", [](auto& h) { h.AutoText()->SetTrim(false); }, [](auto& h) { return !h.AutoText()->Trim(); }},
        {"AutoText.Wrap", [](auto& h) { h.AutoText()->SetWrap(false); }, [](auto& h) { return !h.AutoText()->Wrap(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TShapeHolder holder;
        c.change(holder);
        EXPECT_THAT(StreamedShapeNames(holder), ElementsAre(c.name));
        auto copy = StreamShapeCopy(holder);
        EXPECT_TRUE(c.check(*copy));
    }
}

TEST_F(TextShapeTest, TextAlignmentIsStoredAgainstTheShapesOwnDefault)
{
    TShapeHolder holder;
    holder.Labels()->SetDefaultTextAlignment(taCenter);
    EXPECT_EQ(holder.Labels()->TextAlignment(), taCenter);
    EXPECT_THAT(StreamedShapeNames(holder), IsEmpty());
    holder.Labels()->SetTextAlignment(taLeftJustify);
    EXPECT_THAT(StreamedShapeNames(holder), ElementsAre("Labels.TextAlignment"));
}

TEST_F(TextShapeTest, AutomaticTextOptionsReportOnlyChanges)
{
    TShapeHolder holder;
    TAutomaticText& options = *holder.AutoText();
    options.SetWrap(true);
    EXPECT_EQ(holder.AutoTextChanges, 0);
    options.SetWrap(false);
    options.SetHide(false);
    EXPECT_EQ(holder.AutoTextChanges, 2);
    TAutomaticText copy;
    copy.Assign(&options);
    EXPECT_FALSE(copy.Wrap());
    EXPECT_FALSE(copy.Hide());
    EXPECT_TRUE(copy.Move());
}

TEST_F(TextShapeTest, AssignCopiesTextSettingsAndMarginsByValue)
{
    TAxisLabelsFormat source;
    source.SetText("x");
    source.SetTextAlignment(taCenter);
    source.SetTextFormat(ttfHtml);
    source.Margins()->SetLeft(1);
    source.SetColor(clRed);
    TSeriesLegend target;
    target.Assign(&source);
    EXPECT_EQ(target.Text(), "x");
    EXPECT_EQ(target.TextAlignment(), taCenter);
    EXPECT_EQ(target.TextFormat(), ttfHtml);
    EXPECT_EQ(target.Margins()->Left(), 1);
    EXPECT_NE(target.Margins(), source.Margins());
    EXPECT_EQ(target.Color(), clRed);
}

}  // namespace

namespace {

// A component that publishes a line-list text shape, streamed as chart files are.
class TStringsHolder : public TComponent {
    QB_CLASS(TStringsHolder, TComponent)
public:
    explicit TStringsHolder(TComponent* owner = nullptr) : TComponent(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TStringsHolder>& p)
    {
        p.Object("Shape", &TStringsHolder::Shape);
    }
    TStringsShape* Shape() const { return shape_.get(); }

private:
    std::unique_ptr<TStringsShape> shape_ = std::make_unique<TStringsShape>();
};

TEST(StringsShape, LinesAndTextStayEqualWhicheverChanges)
{
    struct Case {
        const char* given;
        bool asLines;
        const char* text;
        int lines;
    };
    const Case cases[] = {
        {"A\r\n", true, "A", 1},
        {"Rain\r\nfall\r\n", true, "Rain\r\nfall", 2},
        {"One\r\nTwo", false, "One\r\nTwo", 2},
        {"", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        TStringsShape shape;
        if (c.asLines) shape.AssignText(c.given);
        else shape.SetText(c.given);
        EXPECT_EQ(shape.Text(), c.text);
        EXPECT_EQ(shape.Lines().Count(), c.lines);
    }
    EXPECT_EQ(TrimTrailingLineBreak("\r\n"), "\r\n");
    EXPECT_EQ(TrimTrailingLineBreak("A\r\n"), "A");
}

TEST(StringsShape, LinesReadFromAStreamBecomeTheText)
{
    enginetest::StartChartModules();
    RegisterClass(TStringsHolder::StaticClass());
    TStringsHolder holder;
    enginetest::ReadComponentText(holder, "object Holder: TStringsHolder\n  Shape.Text.Strings = (\n    'North'\n    'South')\nend\n");
    EXPECT_EQ(holder.Shape()->Text(), "North\r\nSouth");
    EXPECT_EQ(holder.Shape()->ReadFirstLine(), "North");

    holder.Shape()->AssignText("East");
    const std::string written = enginetest::ComponentTextOf(holder);
    EXPECT_THAT(written, testing::HasSubstr("Shape.Text.Strings = (\r\n    'East')"));
}

TEST(StringsShape, APlacedShapeKeepsItsPlaceOnlyWhenCustomPositioned)
{
    enginetest::StartChartModules();
    TStringsHolder holder;
    TStringsShape* shape = holder.Shape();
    shape->Bounds = {5, 6, 45, 26};
    EXPECT_THAT(enginetest::ComponentTextOf(holder), testing::Not(testing::HasSubstr("Left")));

    shape->SetLeft(30);
    EXPECT_TRUE(shape->CustomPosition());
    EXPECT_EQ(shape->Bounds, (TRect{30, 6, 70, 26}));  // the size stays
    shape->SetTop(40);
    const std::string written = enginetest::ComponentTextOf(holder);
    EXPECT_THAT(written, testing::HasSubstr("Shape.CustomPosition = True"));
    EXPECT_THAT(written, testing::HasSubstr("Shape.Left = 30"));
    EXPECT_THAT(written, testing::HasSubstr("Shape.Top = 40"));

    TStringsShape placed, free;
    placed.Assign(shape);
    EXPECT_EQ(placed.Left(), 30);
    EXPECT_EQ(placed.Top(), 40);
    shape->SetCustomPosition(false);
    free.Bounds = {1, 2, 3, 4};
    free.Assign(shape);
    EXPECT_FALSE(free.CustomPosition());
    EXPECT_EQ(free.Left(), 1);
}

}  // namespace
