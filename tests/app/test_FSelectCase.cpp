#include <gtest/gtest.h>

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/FSelectCase.h"
#include "platform/core/NumText.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

namespace {

const char* kCopyModes = "Append;Update;\"Append and Update\";Copy;Delete";

// Runs action on the choice dialog once it shows; a dialog still open afterwards is cancelled,
// so a failing check cannot leave the test waiting.
void WhenSelectCaseShows(std::function<void(TFormSelectCase&)> action)
{
    qbtest::WhenModal([action](QWidget* modal) {
        auto* form = qobject_cast<TFormSelectCase*>(modal);
        if (form)
            action(*form);
        else
            ADD_FAILURE() << "the choice dialog did not show";
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
            dialog->reject();
    });
}

TStringList Items(const std::vector<std::string>& texts)
{
    TStringList items;
    for (const std::string& text : texts)
        items.Add(text);
    return items;
}

TEST(FormSelectCase, DesignedLayout)
{
    TFormSelectCase form;
    EXPECT_EQ(form.windowTitle(), "Select case");
    EXPECT_EQ(form.size(), QSize(207, 113));
    EXPECT_EQ(form.minimumSize(), QSize(207, 113));
    EXPECT_EQ(form.font().family(), "Tahoma");
    EXPECT_EQ(form.font().pixelSize(), 11);
    struct Control {
        QWidget* widget;
        const char* name;
        const char* caption;
        QRect geometry;
    };
    const Control controls[] = {
        {form.RadioGroup, "RadioGroup", "", {0, 0, 207, 71}},
        {form.BtnOK, "BtnOK", "OK", {43, 80, 75, 25}},
        {form.BtnCancel, "BtnCancel", "Cancel", {124, 80, 75, 25}},
        {form.btnAdd, "btnAdd", "Add", {8, 80, 29, 25}},
    };
    for (const Control& c : controls) {
        EXPECT_EQ(c.widget->objectName(), c.name);
        EXPECT_EQ(c.widget->accessibleName(), c.caption) << c.name;
        EXPECT_EQ(c.widget->geometry(), c.geometry) << c.name;
    }
}

TEST(FormSelectCase, FitToItemsSizesTheWindowAndMovesTheAnchoredControls)
{
    TFormSelectCase form;
    const std::string wide = "A choice with a rather long text that needs a wider window";
    form.SetItems(Items({"Append", "Update", wide, "Copy", "Delete"}));
    form.FitToItems();
    const int width = QFontMetrics(form.font()).horizontalAdvance(QString::fromStdString(wide)) + 35;
    ASSERT_GT(width, 207);
    EXPECT_EQ(form.size(), QSize(width, 182));
    EXPECT_EQ(form.RadioGroup->geometry(), QRect(0, 0, width, 140));
    EXPECT_EQ(form.BtnOK->geometry(), QRect(43, 149, 75, 25));
    EXPECT_EQ(form.BtnCancel->geometry(), QRect(width - 83, 149, 75, 25));
    EXPECT_EQ(form.btnAdd->geometry(), QRect(8, 149, 29, 25));

    form.SetItems(Items({"One"}));
    form.FitToItems();
    EXPECT_EQ(form.size(), QSize(207, 113)) << "the minimum size still applies";
}

TEST(FormSelectCase, BlanksAroundAChoiceAreTrimmedForShowingAndMeasuring)
{
    TFormSelectCase padded;
    padded.SetItems(Items({" Copy of the whole table with blanks "}));
    padded.FitToItems();
    TFormSelectCase plain;
    plain.SetItems(Items({"Copy of the whole table with blanks"}));
    plain.FitToItems();
    EXPECT_EQ(padded.ItemText(0), "Copy of the whole table with blanks");
    EXPECT_EQ(padded.ItemButton(0)->text(), "Copy of the whole table with blanks");
    EXPECT_EQ(padded.size(), plain.size());
    EXPECT_GT(padded.width(), 207) << "the text is wide enough to decide the width";
}

TEST(FormSelectCase, CenterOverRoundsHalvesToEven)
{
    QWidget owner;
    TFormSelectCase form;
    for (int ownerWidth : {643, 644, 645}) {
        owner.setGeometry(100, 50, ownerWidth, 348);
        form.CenterOver(&owner);
        const QRect over = owner.frameGeometry();
        const QRect own = form.frameGeometry();
        EXPECT_EQ(form.frameGeometry().left(), over.left() + Rnd((over.width() - own.width()) / 2.0)) << ownerWidth;
        EXPECT_EQ(form.frameGeometry().top(), over.top() + Rnd((over.height() - own.height()) / 2.0));
    }
}

TEST(SelectCase, SplitsTheItemsTextAndShowsTheDefault)
{
    std::vector<std::string> shown;
    int checked = -2;
    bool addVisible = true;
    WhenSelectCaseShows([&](TFormSelectCase& form) {
        for (int i = 0; i < form.ItemCount(); ++i)
            shown.push_back(form.ItemButton(i)->text().toStdString());
        checked = form.ItemIndex();
        addVisible = form.btnAdd->isVisible();
        EXPECT_EQ(form.windowTitle(), "Copy table");
        EXPECT_EQ(form.RadioGroup->title(), "Copy mode");
        EXPECT_EQ(form.height(), 182);
        form.BtnOK->click();
    });
    EXPECT_EQ(SelectCaseFixed(nullptr, "Copy table", "Copy mode", 2, kCopyModes), 2);
    EXPECT_EQ(shown, (std::vector<std::string>{"Append", "Update", "Append and Update", "Copy", "Delete"}));
    EXPECT_EQ(checked, 2);
    EXPECT_FALSE(addVisible);
    EXPECT_EQ(FormSelectCase->ItemText(2), "Append and Update");
}

TEST(SelectCase, ResultDependsOnHowTheDialogCloses)
{
    struct Case {
        const char* name;
        int defaultIndex;
        int select;  // -1: leave the selection as shown
        bool ok;
        int expected;
    };
    const Case cases[] = {
        {"OK with another choice", 1, 3, true, 3},
        {"OK with the default", 4, -1, true, 4},
        {"OK with nothing selected", -1, -1, true, -1},
        {"cancel after choosing another", 1, 3, false, 1},
        {"cancel with nothing selected", -1, -1, false, -1},
    };
    for (const Case& c : cases) {
        WhenSelectCaseShows([&c](TFormSelectCase& form) {
            if (c.select >= 0)
                form.ItemButton(c.select)->click();
            (c.ok ? form.BtnOK : form.BtnCancel)->click();
        });
        EXPECT_EQ(SelectCaseFixed(nullptr, "Copy table", "Copy mode", c.defaultIndex, kCopyModes), c.expected)
            << c.name;
    }
}

TEST(SelectCase, AddButtonAddsOneChoicePerShowing)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    ui.Push(TUiAnswer::Input("Access 2007"));
    int countAfterAdd = 0;
    bool addHiddenAfterAdd = false;
    int heightAfterAdd = 0;
    WhenSelectCaseShows([&](TFormSelectCase& form) {
        EXPECT_TRUE(form.btnAdd->isVisible());
        form.btnAdd->click();
        countAfterAdd = form.ItemCount();
        addHiddenAfterAdd = form.btnAdd->isHidden();
        heightAfterAdd = form.height();
        form.ItemButton(countAfterAdd - 1)->click();
        form.BtnOK->click();
    });
    EXPECT_EQ(SelectCase(nullptr, "Export", "Target", true, 0, "dBase;Paradox;Text"), 3);
    EXPECT_EQ(FormSelectCase->ItemText(3), "Access 2007");
    EXPECT_EQ(countAfterAdd, 4);
    EXPECT_TRUE(addHiddenAfterAdd);
    EXPECT_EQ(heightAfterAdd, 4 * 21 + 77);
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].Kind, TUiCallKind::Input);
    EXPECT_EQ(ui.Log()[0].Caption, "Export");
    EXPECT_EQ(ui.Log()[0].Text, "Add item");
    EXPECT_EQ(ui.Log()[0].Default, "");

    // The next showing starts from its own items again, with the button back.
    WhenSelectCaseShows([&](TFormSelectCase& form) {
        EXPECT_EQ(form.ItemCount(), 3);
        EXPECT_TRUE(form.btnAdd->isVisible());
        form.BtnCancel->click();
    });
    EXPECT_EQ(SelectCase(nullptr, "Export", "Target", true, 0, "dBase;Paradox;Text"), 0);
}

TEST(SelectCase, AnEmptyOrCancelledAnswerAddsNothing)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    ui.Push(TUiAnswer::Input(""));
    ui.Push(TUiAnswer::Cancel(TUiCallKind::Input));
    std::vector<int> counts;
    bool addStillVisible = false;
    WhenSelectCaseShows([&](TFormSelectCase& form) {
        form.btnAdd->click();
        counts.push_back(form.ItemCount());
        form.btnAdd->click();
        counts.push_back(form.ItemCount());
        addStillVisible = form.btnAdd->isVisible();
        form.BtnOK->click();
    });
    EXPECT_EQ(SelectCase(nullptr, "Export", "Target", true, 1, "dBase;Paradox"), 1);
    EXPECT_EQ(counts, (std::vector<int>{2, 2}));
    EXPECT_TRUE(addStillVisible);
    EXPECT_EQ(ui.Pending(), 0);
}

TEST(SelectCase, IsPlacedOverItsOwner)
{
    QWidget owner;
    owner.setGeometry(200, 100, 643, 348);
    QPoint centreOffset;
    WhenSelectCaseShows([&](TFormSelectCase& form) {
        centreOffset = form.frameGeometry().center() - owner.frameGeometry().center();
        form.BtnCancel->click();
    });
    SelectCaseFixed(&owner, "Copy table", "Copy mode", 0, kCopyModes);
    EXPECT_LE(centreOffset.manhattanLength(), 2);
}

}  // namespace
