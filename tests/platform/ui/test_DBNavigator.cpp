// The navigator on a real table: which buttons may act in each state of the dataset, inserts,
// posts, deletes and cancels reaching the file, the delete question, hints and a refused post.
#include <QApplication>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>

#include "platform/ui/DBCtrls.h"
#include "platform/ui/DBNavigator.h"
#include "support_DbWidgets.h"

using uitest::DbWidgetTest;

namespace {

class DBNavigatorTest : public DbWidgetTest {
protected:
    DBNavigatorTest()
    {
        navigator.SetDataSource(&source_);
        for (auto [edit, field] : {std::pair{&idEdit, "ID"}, std::pair{&nameEdit, "NAME"}}) {
            edit->setParent(&window);
            edit->SetDataSource(&source_);
            edit->SetDataField(field);
        }
        window.show();
        QApplication::setActiveWindow(&window);
    }

    TNavButtonSet Enabled() const
    {
        TNavButtonSet set = 0;
        for (int i = 0; i < kNavButtonCount; ++i)
            if (navigator.Button(TNavigateBtn(i))->isEnabled()) set |= NavButton(TNavigateBtn(i));
        return set;
    }
    void Click(TNavigateBtn button) { navigator.Button(button)->click(); }
    void TypeInto(TDBEdit& edit, const QString& text)
    {
        edit.setFocus();
        edit.selectAll();
        Type(&edit, text);
    }

    QWidget window;
    TDBNavigator navigator{&window};
    TDBEdit idEdit, nameEdit;
};

constexpr TNavButtonSet kMoves = NavButtons({nbFirst, nbPrior, nbNext, nbLast});
constexpr TNavButtonSet kBrowseEdits = NavButtons({nbInsert, nbDelete, nbEdit, nbRefresh});

}  // namespace

TEST_F(DBNavigatorTest, ButtonsFollowPositionAndState)
{
    const struct {
        const char* state;
        std::vector<uitest::SurveyRow> rows;
        std::function<void(TTable&)> reach;
        TNavButtonSet enabled;
    } cases[] = {
        {"closed", uitest::ThreeRows(), [](TTable& t) { t.Close(); }, 0},
        {"first record", uitest::ThreeRows(), [](TTable&) {}, NavButtons({nbNext, nbLast}) | kBrowseEdits},
        {"middle", uitest::ThreeRows(), [](TTable& t) { t.Next(); }, kMoves | kBrowseEdits},
        {"past the last", uitest::ThreeRows(), [](TTable& t) { t.Last(); }, NavButtons({nbFirst, nbPrior}) | kBrowseEdits},
        {"editing", uitest::ThreeRows(), [](TTable& t) { t.Next(); t.Edit(); },
         kMoves | NavButtons({nbInsert, nbDelete, nbPost, nbCancel, nbRefresh})},
        {"empty", {}, [](TTable&) {}, NavButtons({nbInsert, nbEdit, nbRefresh})},
        {"inserting into empty", {}, [](TTable& t) { t.Append(); }, NavButtons({nbInsert, nbPost, nbCancel, nbRefresh})},
        {"read-only", uitest::ThreeRows(), [](TTable& t) { t.Close(); t.ReadOnly = true; t.Open(); t.Next(); },
         kMoves | NavButton(nbRefresh)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        table_.ReadOnly = false;
        MakeTable(c.rows);
        c.reach(table_);
        EXPECT_EQ(Enabled(), c.enabled);
    }
    navigator.SetDataSource(nullptr);
    EXPECT_EQ(Enabled(), 0u);
}

TEST_F(DBNavigatorTest, InsertPostDeleteAndCancelReachTheFile)
{
    MakeTable(uitest::ThreeRows());
    Click(nbInsert);
    TypeInto(idEdit, "4");
    TypeInto(nameEdit, "Dogwood");
    Click(nbPost);  // the edit still has the focus: its text goes in with the post
    EXPECT_EQ(FileRows().back(), "4|Dogwood|||");

    Click(nbInsert);
    TypeInto(nameEdit, "Elm");
    Click(nbCancel);
    EXPECT_EQ(FileRows().size(), 4u);
    EXPECT_EQ(nameEdit.text(), "Dogwood");

    Click(nbFirst);
    ui_.Push(TUiAnswer::Press(mrCancel));
    Click(nbDelete);
    EXPECT_EQ(FileRows().size(), 4u);
    ui_.Push(TUiAnswer::Press(mrOk));
    Click(nbDelete);
    EXPECT_EQ(FileRows(), (std::vector<std::string>{"2|Birch|False|2|", "3|Cedar|True|x|third", "4|Dogwood|||"}));
    EXPECT_EQ(nameEdit.text(), "Birch");
    ASSERT_EQ(ui_.Log().size(), 2u);
    EXPECT_EQ(ui_.Log()[0].Text, "Delete record?");
    EXPECT_EQ(ui_.Log()[0].MsgType, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(ui_.Log()[0].Buttons, mbOKCancel);
    EXPECT_EQ(ui_.Log()[0].DefaultButton, mbCancel) << "Enter keeps the record";

    navigator.ConfirmDelete = false;
    Click(nbDelete);
    EXPECT_EQ(FileRows().size(), 2u);
    EXPECT_EQ(ui_.Log().size(), 2u);
}

TEST_F(DBNavigatorTest, EditAndRefreshShowWhatTheFileHolds)
{
    MakeTable(uitest::ThreeRows());
    Click(nbNext);
    Click(nbEdit);
    EXPECT_EQ(table_.State(), dsEdit);
    TypeInto(nameEdit, "Beech");
    Click(nbNext);  // leaving the record posts it
    EXPECT_EQ(FileRows()[1], "2|Beech|False|2|");
    EXPECT_EQ(nameEdit.text(), "Cedar");

    {
        TTable other;
        other.SetTableName(path_);
        other.Open();
        other.Last();
        other.Edit();
        other.FieldByName("NAME").SetAsString("Cypress");
        other.Post();
    }
    Click(nbRefresh);
    EXPECT_EQ(nameEdit.text(), "Cypress");
}

TEST_F(DBNavigatorTest, RefusedPostIsReportedAndLosesNothing)
{
    MakeTable(uitest::ThreeRows());
    Click(nbEdit);
    TypeInto(nameEdit, "Aspen");
    TypeInto(idEdit, "12345678");
    ui_.Push(TUiAnswer::Press(mrOk));
    Click(nbPost);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Value 12345678 does not fit into field ID N(6,0) of table '" + path_ + "'");
    EXPECT_EQ(table_.State(), dsEdit);
    EXPECT_EQ(FileRows(), (std::vector<std::string>{"1|Alder|True|1|first\\r\\nnote", "2|Birch|False|2|", "3|Cedar|True|x|third"}));
    EXPECT_EQ(idEdit.text(), "12345678");  // nothing typed is gone either
    EXPECT_EQ(nameEdit.text(), "Aspen");

    TypeInto(idEdit, "11");
    Click(nbPost);
    EXPECT_EQ(FileRows()[0], "11|Aspen|True|1|first\\r\\nnote");
    EXPECT_EQ(table_.State(), dsBrowse);
}

TEST_F(DBNavigatorTest, HintsNameTheButtons)
{
    const char* defaults[kNavButtonCount] = {"First record", "Prior record", "Next record", "Last record", "Insert record",
                                             "Delete record", "Edit record", "Post edit", "Cancel edit", "Refresh data"};
    for (int i = 0; i < kNavButtonCount; ++i) {
        EXPECT_EQ(navigator.Button(TNavigateBtn(i))->toolTip(), defaults[i]);
        EXPECT_EQ(navigator.Button(TNavigateBtn(i))->accessibleName(), defaults[i]);
    }
    // Lines from a hint file: an empty or missing line keeps the default.
    TStringList hints;
    for (const char* hint : {"Erster", "", "Nächster"}) hints.Add(hint);
    navigator.SetHints(hints);
    EXPECT_EQ(navigator.Button(nbFirst)->accessibleName(), "Erster");
    EXPECT_EQ(navigator.Button(nbPrior)->accessibleName(), "Prior record");
    EXPECT_EQ(navigator.Button(nbNext)->toolTip(), "Nächster");
    EXPECT_EQ(navigator.Button(nbRefresh)->toolTip(), "Refresh data");
    EXPECT_EQ(navigator.Button(nbLast)->objectName(), "nbLast");
}

TEST_F(DBNavigatorTest, OnlyTheChosenButtonsShow)
{
    navigator.SetVisibleButtons(NavButtons({nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete}));
    for (int i = 0; i < kNavButtonCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(navigator.Button(TNavigateBtn(i))->isVisible(), i <= nbDelete);
    }
    navigator.SetVisibleButtons(NavButtons({nbFirst, nbRefresh}) | NavButton(nbDelete));
    EXPECT_TRUE(navigator.Button(nbDelete)->isVisible());
    EXPECT_FALSE(navigator.Button(nbInsert)->isVisible());
}
