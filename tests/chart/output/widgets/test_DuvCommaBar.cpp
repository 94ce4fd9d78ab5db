// The chart toolbar on screen: its widgets stand where the model places them, carry their
// glyphs and names, and a click goes through the model to the chart.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "chart/engine/Chart.h"
#include "chart/engine/support_EditorServices.h"
#include "chart/output/support_DuvStoreTest.h"
#include "chart/output/widgets/DuvCommaBar.h"

TEST(CommanderBarTest, WidgetsFollowTheModelAndClicksReachTheChart)
{
    storetest::StartStoreModules();
    TTestEditorServices editor;
    editor.Edit = [](TComponent*, TCustomChart&) {};
    TScopedChartEditorServices installed(editor);
    TChart chart;
    chart.SetBounds(0, 0, 300, 200);
    TDuvCommanderBar bar;
    bar.resize(400, 33);
    bar.show();
    TDuvCommander& model = bar.Commander();
    EXPECT_FALSE(bar.ControlWidget(dcRotate)->isEnabled()) << "no panel: nothing to do";
    model.SetPanel(&chart);

    for (const auto& control : model.Controls()) {
        if (control->Kind != TCommanderControlKind::ckButton) continue;
        auto* button = dynamic_cast<QToolButton*>(bar.ControlWidget(control->Code));
        ASSERT_NE(button, nullptr);
        SCOPED_TRACE(control->Hint);
        EXPECT_EQ(button->geometry(), QRect(control->Left, control->Top, 25, 25));
        EXPECT_FALSE(button->icon().isNull()) << "glyph " << control->Glyph;
        EXPECT_EQ(button->accessibleName().toStdString(), control->Hint);
        EXPECT_EQ(button->toolTip().toStdString(), control->Hint);
        EXPECT_TRUE(button->isEnabled());
    }
    auto* normal = dynamic_cast<QToolButton*>(bar.ControlWidget(dcNormal));
    auto* rotate = dynamic_cast<QToolButton*>(bar.ControlWidget(dcRotate));
    EXPECT_TRUE(normal->isChecked());
    QTest::mouseClick(rotate, Qt::LeftButton);
    EXPECT_TRUE(model.Button(dcRotate)->Down);
    EXPECT_TRUE(rotate->isChecked());
    EXPECT_FALSE(normal->isChecked());
    auto* label = dynamic_cast<QLabel*>(bar.ControlWidget(dcLabel));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Drag Chart to Rotate");
    EXPECT_EQ(label->pos(), QPoint(306, 12));

    const bool view3D = chart.View3D();
    QTest::mouseClick(bar.ControlWidget(dc3D), Qt::LeftButton);
    EXPECT_EQ(chart.View3D(), !view3D);
    EXPECT_EQ(dynamic_cast<QToolButton*>(bar.ControlWidget(dc3D))->isChecked(), chart.View3D());

    model.SetVertical(true);
    EXPECT_FALSE(label->isVisible());
    EXPECT_EQ(bar.ControlWidget(dcSave)->pos(), QPoint(4, 277));
}

// The Edit button on screen: off while no chart editor is installed (a click does nothing), and
// with one installed a click reaches it with the bar's chart.
TEST(CommanderBarTest, EditReachesTheInstalledEditorOnly)
{
    storetest::StartStoreModules();
    TChart chart;
    chart.SetBounds(0, 0, 300, 200);
    {
        TDuvCommanderBar bar;
        bar.show();
        bar.Commander().SetPanel(&chart);
        QWidget* edit = bar.ControlWidget(dcEdit);
        ASSERT_NE(edit, nullptr);
        EXPECT_FALSE(edit->isEnabled());
        QTest::mouseClick(edit, Qt::LeftButton);
        bar.Commander().SetPanel(nullptr);
    }
    std::vector<TCustomChart*> edited;
    TTestEditorServices editor;
    editor.Edit = [&](TComponent*, TCustomChart& c) { edited.push_back(&c); };
    TScopedChartEditorServices installed(editor);
    TDuvCommanderBar bar;
    bar.show();
    bar.Commander().SetPanel(&chart);
    QWidget* edit = bar.ControlWidget(dcEdit);
    EXPECT_TRUE(edit->isEnabled());
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_EQ(edited, std::vector<TCustomChart*>{&chart});
    bar.Commander().SetPanel(nullptr);
}

TEST(CommanderBarTest, GlyphCornerColourIsSeeThrough)
{
    const QImage rotate = CommanderGlyph("DuvRotate").pixmap(24, 24).toImage();
    ASSERT_FALSE(rotate.isNull());
    EXPECT_EQ(qAlpha(rotate.pixel(0, 0)), 0) << "the magenta face";
    EXPECT_EQ(qAlpha(rotate.pixel(3, 12)), 255) << "the blue ring";
    EXPECT_NE(rotate.pixel(3, 12), qRgb(255, 0, 255));
}
