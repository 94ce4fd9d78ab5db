#include <gtest/gtest.h>

#include <QPointer>
#include <QWidget>

#include "chart/editor/DuvEditorForm.h"
#include "chart/editor/DuvFormRegistry.h"

namespace {

class TFirstForm : public TDuvEditorForm {
public:
    using TDuvEditorForm::TDuvEditorForm;
};

class TSecondForm : public TDuvEditorForm {
public:
    using TDuvEditorForm::TDuvEditorForm;
};

class FormRegistry : public testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : {"TLineEditor", "TBarEditor"}) UnregisterEditorFormClass(name);
    }
};

TEST_F(FormRegistry, FindsFormsByNameWithoutRegardToCase)
{
    RegisterEditorFormClass("TLineEditor", &CreateEditorFormOf<TFirstForm>);
    RegisterEditorFormClass("TBarEditor", &CreateEditorFormOf<TSecondForm>);
    struct Case {
        const char* Asked;
        TEditorFormCreator Expected;
    };
    const Case cases[] = {
        {"TLineEditor", &CreateEditorFormOf<TFirstForm>},
        {"tlineeditor", &CreateEditorFormOf<TFirstForm>},
        {"TBAREDITOR", &CreateEditorFormOf<TSecondForm>},
        {"TPieEditor", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Asked);
        const TEditorFormClass* found = FindEditorFormClass(c.Asked);
        EXPECT_EQ(found ? found->Create : nullptr, c.Expected);
    }
    QWidget owner;
    EXPECT_EQ(CreateEditorFormByName("TPieEditor", &owner), nullptr);
}

TEST_F(FormRegistry, TheLastRegistrationWinsAndUnregisteringRemoves)
{
    RegisterEditorFormClass("TLineEditor", &CreateEditorFormOf<TFirstForm>);
    RegisterEditorFormClass("tLineEditor", &CreateEditorFormOf<TSecondForm>);
    ASSERT_NE(FindEditorFormClass("TLineEditor"), nullptr);
    EXPECT_EQ(FindEditorFormClass("TLineEditor")->Create, &CreateEditorFormOf<TSecondForm>);
    int named = 0;
    for (const TEditorFormClass& entry : RegisteredEditorFormClasses()) named += entry.Name == "TLineEditor";
    EXPECT_EQ(named, 1);

    UnregisterEditorFormClass("TLINEEDITOR");
    EXPECT_EQ(FindEditorFormClass("TLineEditor"), nullptr);
    UnregisterEditorFormClass("TLineEditor");  // again: nothing to do
}

TEST_F(FormRegistry, AFormMadeByNameBelongsToItsOwner)
{
    RegisterEditorFormClass("TBarEditor", &CreateEditorFormOf<TSecondForm>);
    auto* owner = new QWidget;
    QPointer<TDuvEditorForm> form = CreateEditorFormByName("tbareditor", owner);
    ASSERT_TRUE(form);
    EXPECT_NE(dynamic_cast<TSecondForm*>(form.data()), nullptr);
    EXPECT_EQ(form->parentWidget(), owner);
    EXPECT_FALSE(form->isVisible());
    delete owner;
    EXPECT_TRUE(form.isNull());
}

}  // namespace
