// The legend laid out and drawn on the recording canvas (7 pixels a character, 13 a line).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/graphics/RecordingCanvas.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

namespace {

std::string RectText(const TRect& r)
{
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom);
}

// Notes the font each text is written in.
class TFontNotingCanvas : public TRecordingCanvas {
public:
    std::vector<std::string> Fonts;
    struct TPlacedText {
        std::string Text;
        int X, Y;
        bool RightAligned;
    };
    std::vector<TPlacedText> Placed;
    void TextOut(int x, int y, const std::string& text) override
    {
        Placed.push_back({text, x, y, (GetTextAlign() & TA_RIGHT) == TA_RIGHT});
        Fonts.push_back(text + " " + std::to_string(Font().Color()) + (Font().Style().Contains(fsBold) ? " bold" : ""));
        TRecordingCanvas::TextOut(x, y, text);
    }
};

class ChartLegendTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        chart_.SetBounds(0, 0, 400, 250);
        auto canvas = std::make_unique<TFontNotingCanvas>();
        canvas_ = canvas.get();
        chart_.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        chart_.SetView3D(false);
        const char* titles[] = {"North", "South", "East West"};
        const TColor colors[] = {clRed, clBlue, clGreen};
        for (int s = 0; s < 3; ++s) {
            auto* series = new enginetest::TTestSeries(&chart_);
            series->SetTitle(titles[s]);
            series->SeriesColor = colors[s];
            for (int i = 0; i < 4; ++i) series->AddXY(10 + i * 20, 20 + i * 10);
            series->SetParentChart(&chart_);
            series_.push_back(series);
        }
    }
    void Draw()
    {
        canvas_->Clear();
        canvas_->Fonts.clear();
        canvas_->Placed.clear();
        chart_.DrawToCanvas(nullptr, chart_.GetPanelRect());
    }
    TChartLegend& Legend() { return *chart_.Legend(); }
    // Each drawn item: text place and symbol rectangle.
    std::vector<std::string> ItemPlaces()
    {
        std::vector<std::string> places;
        for (int i = 0; i < Legend().Items().Count(); ++i) {
            TLegendItem* item = Legend().Items().Peek(i);
            if (!item) continue;
            places.push_back(item->Text() + " " + std::to_string(item->Left()) + "," + std::to_string(item->Top()) + " " +
                             RectText(item->SymbolRect));
        }
        return places;
    }
    std::vector<std::string> Calls(const std::string& name) const { return canvas_->Texts(name); }

    TChart chart_;
    TFontNotingCanvas* canvas_ = nullptr;
    std::vector<enginetest::TTestSeries*> series_;
};

// The drawing commands inside the legend's item group.
std::vector<std::string> ItemLines(const TRecordingCanvas& canvas)
{
    std::vector<std::string> lines;
    bool inside = false;
    std::string from;
    for (const TRecordedCall& call : canvas.Calls) {
        if (call.Text() == "PushTransform(\"Items\")") inside = true;
        else if (inside && call.Name == "PopTransform") break;
        else if (inside && call.Name == "MoveTo") from = call.Args;
        else if (inside && call.Name == "LineTo") lines.push_back(from + "-" + call.Args);
    }
    return lines;
}

TEST_F(ChartLegendTest, ItemsSymbolsBoxesAndLinesByAlignment)
{
    struct Case {
        TLegendAlignment alignment;
        const char* bounds;
        const char* chartRect;
        std::vector<std::string> items;
        std::vector<std::string> boxes;
        std::vector<std::string> lines;
    } const cases[] = {
        // A side legend: one column below 10 % of the chart height, 3 % of the chart width away.
        {laLeft, "15,34,124,95", "142,11,387,219",
         {"North 54,38 36,39,50,53", "South 54,56 36,57,50,71", "East West 54,74 36,75,50,89"},
         {"DrawCheckBox(19,39,true,16777215,true)", "DrawCheckBox(19,57,true,16777215,true)",
          "DrawCheckBox(19,75,true,16777215,true)"},
         {"16,55-123,55", "16,73-123,73"}},
        {laRight, "274,34,383,95", "20,11,263,219",
         {"North 313,38 295,39,309,53", "South 313,56 295,57,309,71", "East West 313,74 295,75,309,89"},
         {"DrawCheckBox(278,39,true,16777215,true)", "DrawCheckBox(278,57,true,16777215,true)",
          "DrawCheckBox(278,75,true,16777215,true)"},
         {"275,55-382,55", "275,73-382,73"}},
        // Above and below: one row of items as wide as their texts, centred on the chart.
        {laTop, "65,12,335,36", "20,45,387,219",
         {"North 103,16 86,17,99,30", "South 181,16 164,17,177,30", "East West 259,16 242,17,255,30"},
         {"DrawCheckBox(69,17,true,16777215,true)", "DrawCheckBox(147,17,true,16777215,true)",
          "DrawCheckBox(225,17,true,16777215,true)"},
         {"145,13-145,35", "223,13-223,35"}},
        {laBottom, "65,211,335,235", "20,11,387,182",
         {"North 103,215 86,216,99,229", "South 181,215 164,216,177,229", "East West 259,215 242,216,255,229"},
         {"DrawCheckBox(69,216,true,16777215,true)", "DrawCheckBox(147,216,true,16777215,true)",
          "DrawCheckBox(225,216,true,16777215,true)"},
         {"145,212-145,234", "223,212-223,234"}},
    };
    Legend().SetCheckBoxes(true);
    Legend().DividingLines()->SetVisible(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bounds);
        Legend().SetAlignment(c.alignment);
        Draw();
        EXPECT_EQ(RectText(Legend().Bounds), c.bounds);
        EXPECT_EQ(RectText(chart_.ChartRect), c.chartRect);
        EXPECT_EQ(ItemPlaces(), c.items);
        EXPECT_EQ(Calls("DrawCheckBox"), c.boxes);
        EXPECT_EQ(ItemLines(*canvas_), c.lines);
    }
}

TEST_F(ChartLegendTest, TopLegendColumnsAndRowLimits)
{
    // One series of 40 labelled values: the legend lists its values in justified columns.
    for (int s = 1; s < 3; ++s) series_[s]->SetActive(false);
    series_[0]->ClearPoints();
    for (int i = 0; i < 40; ++i) series_[0]->AddXY(i, i, "Value " + std::to_string(i));
    Legend().SetAlignment(laTop);
    Legend().SetTextStyle(ltsPlain);
    struct Case {
        int maxRows;
        int rows;
    } const cases[] = {{0, 10}, {3, 3}, {12, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxRows);
        Legend().SetMaxNumRows(c.maxRows);
        Draw();
        EXPECT_EQ(Legend().ResolvedStyle(), lsValues);
        const int columns = Legend().ColumnCount();
        ASSERT_GT(columns, 1);
        EXPECT_EQ(Legend().RowCount(), std::min(c.rows, (40 + columns - 1) / columns));
        EXPECT_EQ(Legend().LastShownIndex(), std::min(40, columns * Legend().RowCount()) - 1);
    }
}

TEST_F(ChartLegendTest, ItemAtPointInEveryRowAndColumn)
{
    Legend().SetAlignment(laRight);
    Legend().GetTitle()->AssignText("Stations");
    Draw();
    const int top = Legend().ItemsTop();
    const int row = Legend().RowHeight();
    EXPECT_EQ(top, Legend().Bounds.Top + 13 + 4) << "below the title";
    const int x = (Legend().Bounds.Left + Legend().Bounds.Right) / 2;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Legend().ItemAtPoint({x, top + 1 + i * row + row / 2}), i) << i;
    EXPECT_EQ(Legend().ItemAtPoint({x, Legend().Bounds.Top + 3}), -1) << "the title";
    EXPECT_EQ(Legend().ItemAtPoint({Legend().Bounds.Left - 1, top + 5}), -1) << "outside";

    Legend().SetAlignment(laTop);
    Legend().SetHorizJustify(ljYes);
    Draw();
    ASSERT_EQ(Legend().ColumnCount(), 3);
    const int columnWidth = (Legend().Bounds.Right - Legend().Bounds.Left) / 3;
    const int y = Legend().ItemsTop() + 1 + Legend().RowHeight() / 2;
    for (int h = 0; h < 3; ++h)
        EXPECT_EQ(Legend().ItemAtPoint({Legend().Bounds.Left + h * columnWidth + columnWidth / 2, y}), h) << h;
}

TEST_F(ChartLegendTest, ClickingACheckBoxSwitchesSeries)
{
    Legend().SetCheckBoxes(true);
    Draw();
    EXPECT_TRUE(Legend().ClickItem(1));
    EXPECT_FALSE(series_[1]->Active());
    EXPECT_TRUE(Legend().ClickItem(1));
    EXPECT_TRUE(series_[1]->Active());
    EXPECT_FALSE(Legend().ClickItem(-1));

    Legend().SetCheckBoxesStyle(cbsRadio);
    EXPECT_EQ(chart_.CountActiveSeries(), 1) << "the first active series stays on";
    EXPECT_TRUE(series_[0]->Active());
    EXPECT_TRUE(Legend().ClickItem(2));
    EXPECT_EQ(chart_.CountActiveSeries(), 1);
    EXPECT_TRUE(series_[2]->Active());

    Legend().SetCheckBoxes(false);
    EXPECT_FALSE(Legend().ClickItem(0)) << "no check boxes, nothing to switch";
}

TEST_F(ChartLegendTest, AnEmptyLegendTakesNoRoom)
{
    for (auto* series : series_) series->SetActive(false);
    Draw();
    EXPECT_FALSE(Legend().HasContent());
    EXPECT_EQ(Calls("DrawCheckBox").size(), 0u);
    EXPECT_THROW(Legend().SetFirstValue(-1), LegendException);
}

// The series colour and an item's own font reach the text; the legend font does not cover them.
TEST_F(ChartLegendTest, SeriesColourAndItemFontWinOverTheLegendFont)
{
    Legend().SetFontSeriesColor(true);
    Draw();
    EXPECT_THAT(canvas_->Fonts, testing::IsSupersetOf({"North " + std::to_string(clRed), "South " + std::to_string(clBlue)}));

    Legend().SetFontSeriesColor(false);
    TLegendItem* item = Legend().Items().ItemAt(0);
    item->SetText("Custom");
    item->GetFont()->SetColor(clFuchsia);
    item->GetFont()->SetStyle(TFontStyles{fsBold});
    Draw();
    EXPECT_THAT(canvas_->Fonts, testing::Contains("Custom " + std::to_string(clFuchsia) + " bold"));
}

// A right legend leaves room for its emboss beside the chart, as it does for its shadow.
TEST_F(ChartLegendTest, ARightLegendKeepsRoomForItsEmboss)
{
    Legend().GetShadow()->SetVisible(false);
    Draw();
    const int right = Legend().Bounds.Right;
    Legend().GetEmboss()->SetVisible(true);
    Legend().GetEmboss()->SetHorizSize(5);
    Draw();
    EXPECT_EQ(Legend().Bounds.Right, right - 5);
}

// A value and its label stand in two columns: the values end on one line, each label starts a
// blank after that line, whatever the widths of the values.
TEST_F(ChartLegendTest, ValueAndLabelColumnsStandApart)
{
    struct TTexts {
        void Give(TCustomAxisPanel*, TLegendStyle, int index, std::string& text)
        {
            const char* const values[] = {"1", "12", "123", "9"};
            const char* const labels[] = {"3", "May", "2", "June"};
            text = std::string(values[index]) + LegendColumnSeparator + labels[index];
        }
    } texts;
    chart_.OnGetLegendText = {&texts, &TTexts::Give};
    Legend().SetLegendStyle(lsValues);
    Legend().SetTextStyle(ltsLeftValue);
    for (TLegendAlignment alignment : {laRight, laTop}) {
        SCOPED_TRACE(alignment == laRight ? "side legend" : "top legend");
        Legend().SetAlignment(alignment);
        Draw();
        std::vector<TFontNotingCanvas::TPlacedText> items;
        const TRect& box = Legend().Bounds;
        for (const auto& placed : canvas_->Placed)
            if (placed.Y >= box.Top && placed.Y < box.Bottom && placed.X >= box.Left && placed.X < box.Right)
                items.push_back(placed);
        ASSERT_EQ(items.size(), 8u);
        for (std::size_t i = 0; i < items.size(); i += 2) {
            const auto& value = items[i];
            const auto& label = items[i + 1];
            EXPECT_TRUE(value.RightAligned) << value.Text;
            EXPECT_FALSE(label.RightAligned) << label.Text;
            // A right-aligned text ends at its x.
            EXPECT_GE(label.X, value.X + 7) << value.Text << " and " << label.Text << " overlap";
            if (alignment == laRight) {
                EXPECT_EQ(value.X, items[0].X) << value.Text;
            }
        }
    }
}

}  // namespace
