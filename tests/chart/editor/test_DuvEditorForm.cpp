#include <gtest/gtest.h>

#include <QSpinBox>
#include <QTimer>
#include <memory>

#include "chart/editor/DuvEditorForm.h"
#include "chart/editor/DuvFormRegistry.h"
#include "chart/editor/DuvPenDlg.h"
#include "chart/editor/support_EditorForms.h"
#include "chart/editor/support_EditorTest.h"
#include "chart/engine/ChartEditorServices.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvPen.h"

using editortest::TAnsweringDialog;

namespace {

class EditorForm : public testing::Test {
protected:
    void SetUp() override
    {
        editortest::StartEditorModules();
        TAnsweringDialog::Reset();
    }
};

TEST_F(EditorForm, ForgetsAnObjectFreedElsewhere)
{
    TDuvEditorForm form;
    TComponentPtr<TComponent> component = MakeComponent<TComponent>(nullptr);
    form.RefreshControls(component.get());
    EXPECT_EQ(form.Tag(), component.get());
    component.reset();
    EXPECT_EQ(form.Tag(), nullptr);

    TDuvPen pen;  // not a component: held as given
    form.SetTag(&pen);
    EXPECT_EQ(form.Tag(), &pen);
}

TEST_F(EditorForm, GivesItsObjectBackWhenCancelled)
{
    struct Case {
        int Answer;
        int ExpectedWidth;
    };
    for (const Case c : {Case{mrOk, 7}, Case{mrCancel, 2}}) {
        SCOPED_TRACE(c.Answer);
        TAnsweringDialog::Answer = c.Answer;
        TAnsweringDialog::Change = [](TPersistent* object) { static_cast<TPen*>(object)->SetWidth(7); };
        TDuvPen pen;
        pen.SetWidth(2);
        std::unique_ptr<TAnsweringDialog> dialog(CreateEditorForm<TAnsweringDialog>(nullptr));
        dialog->RefreshControls(&pen);
        EXPECT_EQ(dialog->ShowModal(), c.Answer);
        EXPECT_EQ(dialog->ModalResult(), c.Answer);
        EXPECT_EQ(pen.Width(), c.ExpectedWidth);
    }
}

// A form whose close query refuses until it is allowed.
class TRefusingForm : public TDuvEditorForm {
public:
    using TDuvEditorForm::TDuvEditorForm;
    bool Allow = false;
    int Asked = 0;

protected:
    bool FormCloseQuery() override
    {
        ++Asked;
        return Allow;
    }
};

TEST_F(EditorForm, StaysOpenWhileItsCloseQueryRefuses)
{
    TRefusingForm form;
    QTimer::singleShot(0, &form, [&] {
        form.SetModalResult(mrOk);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.ModalResult(), mrNone);
        form.Allow = true;
        form.SetModalResult(mrOk);
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(form.Asked, 2);
}

// A pen form declared as a table: the width box is bound to the pen's Width.
const TControlTable kWidthTable{
    .Name = "WidthTestForm",
    .Caption = "Width",
    .DesignClient = {120, 60},
    .Edited = &TDuvPen::StaticClass,
    .Rows = {
        {.Kind = TControlKind::Label, .Name = "LWidth", .Caption = "&Width:", .Place = {4, 8, 40, 16}, .Buddy = "SEWidth"},
        {.Kind = TControlKind::SpinEdit, .Name = "SEWidth", .Caption = "Width", .Place = {50, 4, 60, 22},
         .Property = "Width", .Min = 0, .Max = 100},
    },
};

class TWidthForm : public TDuvEditorForm {
public:
    explicit TWidthForm(QWidget* owner = nullptr) : TDuvEditorForm(owner)
    {
        BuildControls(kWidthTable);
        auto* spin = Built().Get<QSpinBox>("SEWidth");
        connect(spin, &QSpinBox::valueChanged, this, [this] { ChangesSeenLoading.push_back(Loading()); });
    }
    std::vector<bool> ChangesSeenLoading;
};

// Services that note which forms were handed over for translation.
class TTranslationLog : public TChartEditorServices {
public:
    void TranslateForm(QWidget* form, const std::vector<QWidget*>&) override { Translated.push_back(form); }
    std::vector<QWidget*> Translated;
};

TEST_F(EditorForm, LoadsItsControlsUnderTheLoadingFlagAndTranslatesWhenShown)
{
    TTranslationLog log;
    TScopedChartEditorServices scope(log);
    const std::vector<QWidget*>& translated = log.Translated;
    TDuvPen pen;
    pen.SetWidth(3);
    TWidthForm form;
    form.RefreshControls(&pen);
    auto* spin = form.Built().Get<QSpinBox>("SEWidth");
    EXPECT_EQ(spin->value(), 3);
    EXPECT_EQ(form.ChangesSeenLoading, std::vector<bool>{true});
    EXPECT_TRUE(translated.empty());

    form.show();
    EXPECT_EQ(translated, std::vector<QWidget*>{&form});

    spin->setValue(5);  // the user's change is written to the pen
    EXPECT_EQ(pen.Width(), 5);
    EXPECT_EQ(form.ChangesSeenLoading, (std::vector<bool>{true, false}));

    TDuvPen other;
    other.SetWidth(9);
    form.RefreshControls(&other);  // rebinding a shown form
    EXPECT_EQ(spin->value(), 9);
    EXPECT_EQ(pen.Width(), 5);
}

TEST_F(EditorForm, TablesOfRegisteredFormsJoinTheWalk)
{
    RegisterEditorFormClass("TWidthTestEditor", &CreateEditorFormOf<TWidthForm>, &kWidthTable);
    EXPECT_EQ(FindControlTable("WidthTestForm"), &kWidthTable);
    ASSERT_NE(FindEditorFormClass("TWidthTestEditor"), nullptr);
    EXPECT_EQ(FindEditorFormClass("TWidthTestEditor")->Table, &kWidthTable);
    UnregisterEditorFormClass("TWidthTestEditor");
}

}  // namespace
