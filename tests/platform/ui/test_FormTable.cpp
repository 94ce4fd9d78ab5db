#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>
#include <memory>

#include "platform/core/Component.h"
#include "platform/ui/FormTable.h"

namespace {

QB_ENUM(TSampleStyle, ssLine, ssBox, ssCircle)

// A symbol whose width is kept within 1..50 and that turns square once wider than 20: a setter
// that changes another property, as chart elements do.
class TSampleSymbol : public TPersistent {
    QB_CLASS(TSampleSymbol, TPersistent)
public:
    static void DeclareProperties(TPropertyDeclarer<TSampleSymbol>& p)
    {
        p.Integer("Width", &TSampleSymbol::Width, &TSampleSymbol::SetWidth);
        p.Boolean("Squared", &TSampleSymbol::Squared, &TSampleSymbol::SetSquared);
        p.Enum("Style", &TSampleSymbol::Style, &TSampleSymbol::SetStyle);
    }
    int Width() const { return width_; }
    void SetWidth(int value)
    {
        width_ = std::clamp(value, 1, 50);
        if (width_ > 20) squared_ = true;
    }
    bool Squared() const { return squared_; }
    void SetSquared(bool value) { squared_ = value; }
    TSampleStyle Style() const { return style_; }
    void SetStyle(TSampleStyle value) { style_ = value; }

private:
    int width_ = 10;
    bool squared_ = false;
    TSampleStyle style_ = ssBox;
};

class TSampleLegend : public TPersistent {
    QB_CLASS(TSampleLegend, TPersistent)
public:
    static void DeclareProperties(TPropertyDeclarer<TSampleLegend>& p)
    {
        p.Object("Symbol", &TSampleLegend::Symbol);
        p.String("Title", &TSampleLegend::Title, &TSampleLegend::SetTitle);
    }
    TSampleSymbol* Symbol() { return &symbol_; }
    std::string Title() const { return title_; }
    void SetTitle(std::string value) { title_ = std::move(value); }

private:
    TSampleSymbol symbol_;
    std::string title_ = "Series";
};

class TSampleChart : public TComponent {
    QB_CLASS(TSampleChart, TComponent)
public:
    using TComponent::TComponent;
    static void DeclareProperties(TPropertyDeclarer<TSampleChart>& p) { p.Object("Legend", &TSampleChart::Legend); }
    TSampleLegend* Legend() { return &legend_; }

private:
    TSampleLegend legend_;
};

const TControlTable& LegendPage()
{
    static const TControlTable table{
        .Name = "LegendPage",
        .Caption = "Legend",
        .DesignClient = {200, 120},
        .Edited = &TSampleChart::StaticClass,
        .Rows = {
            {.Kind = TControlKind::Label, .Name = "LabelWidth", .Caption = "Width", .Place = {8, 8, 60, 16}, .Buddy = ""},
            {.Kind = TControlKind::Edit, .Name = "EditWidth", .Caption = "Width", .Place = {70, 8, 50, 21},
             .Property = "Legend.Symbol.Width", .Min = 1, .Max = 50},
            {.Kind = TControlKind::CheckBox, .Name = "CheckSquared", .Caption = "Squared", .Place = {8, 36, 100, 17},
             .Property = "Legend.Symbol.Squared"},
            {.Kind = TControlKind::ComboBox, .Name = "ComboStyle", .Caption = "Style", .Place = {8, 60, 100, 21},
             .Property = "legend.symbol.style", .Choices = {"Line", "Box", "Circle"}, .EnabledBy = "CheckSquared"},
            {.Kind = TControlKind::Edit, .Name = "EditTitle", .Caption = "Title", .Place = {8, 88, 100, 21},
             .Property = "Legend.Title", .EnabledBy = "!CheckSquared"},
            {.Kind = TControlKind::ToolButton, .Name = "BtnPick", .Hint = "Pick a symbol", .Place = {120, 60, 23, 23},
             .Picture = 0},
        },
    };
    return table;
}

struct BoundPage : ::testing::Test {
    TSampleChart chart{nullptr};
    QWidget form;
    TBuiltForm built = BuildForm(&form, LegendPage());
    TFormBinder binder{built};
    QLineEdit* width = built.Get<QLineEdit>("EditWidth");
    QCheckBox* squared = built.Get<QCheckBox>("CheckSquared");
    QComboBox* style = built.Get<QComboBox>("ComboStyle");
    QLineEdit* title = built.Get<QLineEdit>("EditTitle");

    void Type(QLineEdit* edit, const char* text)
    {
        edit->setText(text);
        emit edit->editingFinished();
    }
};

TEST_F(BoundPage, ShowsTheBoundObjectThroughDottedPaths)
{
    chart.Legend()->Symbol()->SetWidth(7);
    binder.Bind(&chart);
    EXPECT_EQ(width->text(), "7");
    EXPECT_FALSE(squared->isChecked());
    EXPECT_EQ(style->currentIndex(), ssBox);
    EXPECT_EQ(title->text(), "Series");
}

TEST_F(BoundPage, EditsReachTheObjectAndTheSettersConsequencesAreShown)
{
    binder.Bind(&chart);
    int written = 0;
    binder.OnWritten = [&](const TControlRow&) { ++written; };
    Type(width, "99");
    // Clamped by the setter, which also squared the symbol: both controls show the object.
    EXPECT_EQ(chart.Legend()->Symbol()->Width(), 50);
    EXPECT_EQ(width->text(), "50");
    EXPECT_TRUE(squared->isChecked());
    EXPECT_TRUE(style->isEnabled());
    EXPECT_FALSE(title->isEnabled());
    style->setCurrentIndex(ssCircle);
    EXPECT_EQ(chart.Legend()->Symbol()->Style(), ssCircle);
    EXPECT_EQ(written, 2);
}

TEST_F(BoundPage, ChangesMadeElsewhereAreShownOnRefresh)
{
    binder.Bind(&chart);
    SetPropValue(&chart, "Legend.Title", TVariant("Values"));
    chart.Legend()->Symbol()->SetStyle(ssLine);
    binder.Refresh();
    EXPECT_EQ(title->text(), "Values");
    EXPECT_EQ(style->currentIndex(), ssLine);
    // Showing a value is no edit: nothing was written back.
    EXPECT_EQ(chart.Legend()->Symbol()->Width(), 10);
}

TEST_F(BoundPage, CancelRestoresWhatTheBoundPropertiesHeld)
{
    binder.Bind(&chart);
    Type(width, "30");
    Type(title, "Changed");
    squared->setChecked(false);
    style->setCurrentIndex(ssLine);
    binder.Cancel();
    EXPECT_EQ(chart.Legend()->Symbol()->Width(), 10);
    EXPECT_FALSE(chart.Legend()->Symbol()->Squared());
    EXPECT_EQ(chart.Legend()->Symbol()->Style(), ssBox);
    EXPECT_EQ(chart.Legend()->Title(), "Series");
    EXPECT_EQ(width->text(), "10");
    EXPECT_EQ(style->currentIndex(), ssBox);
}

TEST_F(BoundPage, ARejectedValueLeavesTheObjectAndShowsItsValue)
{
    binder.Bind(&chart);
    std::string error;
    binder.OnError = [&](const std::exception& e) { error = e.what(); };
    Type(width, "wide");
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(chart.Legend()->Symbol()->Width(), 10);
    EXPECT_EQ(width->text(), "10");
}

TEST(FormBuilder, NamesPlacesAndAnnouncesEveryControl)
{
    QWidget form;
    TBuiltForm built = BuildForm(&form, LegendPage());
    EXPECT_EQ(form.objectName(), "LegendPage");
    EXPECT_EQ(form.windowTitle(), "Legend");
    EXPECT_EQ(form.size(), QSize(200, 120));
    auto* pick = built.Get<QToolButton>("btnpick");
    EXPECT_EQ(pick->objectName(), "BtnPick");
    EXPECT_EQ(pick->accessibleName(), "Pick a symbol");  // shows only a picture
    EXPECT_EQ(pick->toolTip(), "Pick a symbol");
    EXPECT_EQ(pick->geometry(), QRect(120, 60, 23, 23));
    EXPECT_EQ(built.Control("EditWidth")->accessibleName(), "Width");
    // Enabling rules follow their check box from the start.
    EXPECT_FALSE(built.Control("ComboStyle")->isEnabled());
    EXPECT_TRUE(built.Control("EditTitle")->isEnabled());
    EXPECT_THROW(built.Get<QCheckBox>("EditWidth"), EComponentError);
    EXPECT_THROW(built.Control("Missing"), EComponentError);
}

TEST(FormBuilder, BoundPathsResolveOrNot)
{
    TSampleChart chart(nullptr);
    EXPECT_NE(BoundProperty(&chart, "Legend.Symbol.Width"), nullptr);
    EXPECT_EQ(BoundProperty(&chart, "Legend.Symbol.Height"), nullptr);
    EXPECT_EQ(BoundProperty(&chart, "Legend.Width"), nullptr);
    EXPECT_EQ(BoundProperty(nullptr, "Legend"), nullptr);
}

}  // namespace
