#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/graphics/DuvCanvas.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

using enginetest::TCountingWindow;
using enginetest::TTestSeries;

namespace {

class SelectTest : public testing::Test {
protected:
    void SetUp() override { enginetest::StartChartModules(); }
};

TEST_F(SelectTest, NewHighlightsHaveTheirOwnLook)
{
    TDuvHover hover;
    EXPECT_TRUE(hover.Visible());
    EXPECT_TRUE(hover.Font()->Style().Contains(fsBold));
    EXPECT_EQ(hover.Pen().Color(), TDuvCanvas::ColorWithAlpha(clRed, 128));
    EXPECT_EQ(hover.Pen().Width(), 3);

    TDuvSelected selected;
    EXPECT_FALSE(selected.Visible());
    EXPECT_EQ(selected.Pen().Color(), clRed);
    EXPECT_EQ(selected.Pen().Width(), 2);
    EXPECT_EQ(selected.HoverIndex(), -1);
    EXPECT_EQ(selected.ItemIndex(), -1);
    EXPECT_TRUE(selected.Hover()->Visible());
}

struct RepaintCase {
    const char* name;
    bool hoverVisible, selectionVisible;
    std::function<void(TDuvSelected&)> act;  // on a state with hover item 2 and selected item 5
    int repaints;
};

TEST_F(SelectTest, HoverAndSelectionRepaintOnlyAChangeThatShows)
{
    const RepaintCase cases[] = {
        {"hover moves, hover visible", true, false, [](TDuvSelected& s) { s.SetHoverItem(3); }, 1},
        {"hover stays", true, true, [](TDuvSelected& s) { s.SetHoverItem(2); }, 0},
        {"hover moves, hover hidden", false, true, [](TDuvSelected& s) { s.SetHoverItem(-1); }, 0},
        {"selection moves, visible", false, true, [](TDuvSelected& s) { s.SelectItem(0); }, 1},
        {"selection stays", true, true, [](TDuvSelected& s) { s.SelectItem(5); }, 0},
        {"selection moves, hidden", true, false, [](TDuvSelected& s) { s.SelectItem(-1); }, 0},
    };
    for (const RepaintCase& c : cases) {
        SCOPED_TRACE(c.name);
        TCountingWindow window;
        TCustomAxisPanel chart(nullptr);
        chart.SetWindow(&window);
        TTestSeries series;
        series.SetParentChart(&chart);
        TDuvSelected selected(&series);
        selected.SetHoverItem(2);
        selected.SelectItem(5);
        selected.Hover()->SetVisible(c.hoverVisible);
        selected.SetVisible(c.selectionVisible);
        const int before = window.Repaints;
        c.act(selected);
        EXPECT_EQ(window.Repaints - before, c.repaints);
        series.SetParentChart(nullptr);
        chart.SetWindow(nullptr);
    }
}

TEST_F(SelectTest, TheElementsOwnerRepaints)
{
    TCountingWindow window;
    TCustomAxisPanel chart(nullptr);
    chart.SetWindow(&window);
    TTestSeries series;
    series.SetParentChart(&chart);
    TDuvShape shape(&chart);
    const std::pair<const char*, TObject*> elements[] = {{"series", &series}, {"shape", &shape}, {"panel", &chart}};
    for (const auto& [name, element] : elements) {
        SCOPED_TRACE(name);
        TDuvSelected selected(element);
        const int before = window.Repaints;
        selected.RepaintElement();
        EXPECT_EQ(window.Repaints - before, 1);
    }
    TDuvSelected alone;
    alone.RepaintElement();  // no element: nothing to repaint
    series.SetParentChart(nullptr);
    chart.SetWindow(nullptr);
}

TEST_F(SelectTest, AssignCopiesTheHoverAndTheTextSettings)
{
    TDuvSelected source;
    source.Hover()->SetVisible(false);
    source.Hover()->Pen().SetWidth(5);
    source.SetText("Picked");
    source.SetVisible(true);
    source.SetHoverItem(4);
    TDuvSelected copy;
    copy.Assign(&source);
    EXPECT_FALSE(copy.Hover()->Visible());
    EXPECT_EQ(copy.Hover()->Pen().Width(), 5);
    EXPECT_EQ(copy.Text(), "Picked");
    EXPECT_TRUE(copy.Visible());
    EXPECT_EQ(copy.HoverIndex(), -1) << "the state is not a setting";

    TDuvSelected viaSetter;
    viaSetter.SetHover(source.Hover());
    EXPECT_FALSE(viaSetter.Hover()->Visible());
    EXPECT_NE(viaSetter.Hover(), source.Hover());
}

// Publishes a selection the way chart elements do.
class TSelectionHolder : public TComponent {
    QB_CLASS(TSelectionHolder, TComponent)
public:
    explicit TSelectionHolder(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TSelectionHolder>& p)
    {
        p.Object("Selected", &TSelectionHolder::Get, &TSelectionHolder::Set);
    }
    TDuvSelected* Get() const { return &selected; }
    void Set(const TDuvSelected* value) { selected.Assign(value); }
    mutable TDuvSelected selected;
};

std::string ComponentTextOf(TComponent& component)
{
    return enginetest::ComponentTextOf(component);
}

void ReadComponentText(TComponent& component, const std::string& lines)
{
    enginetest::ReadComponentText(component, lines);
}

TEST_F(SelectTest, TheHoverStreamsOnlyWhenChanged)
{
    TSelectionHolder holder(nullptr);
    holder.SetName("Holder1");
    EXPECT_EQ(ComponentTextOf(holder), "object Holder1: TSelectionHolder\r\nend\r\n");
    holder.selected.Hover()->SetVisible(false);
    const std::string changed = ComponentTextOf(holder);
    EXPECT_NE(changed.find("  Selected.Hover.Visible = False\r\n"), std::string::npos) << changed;
    TSelectionHolder copy(nullptr);
    ReadComponentText(copy, changed);
    EXPECT_FALSE(copy.selected.Hover()->Visible());
    EXPECT_EQ(ComponentTextOf(copy), changed);
}

}  // namespace
