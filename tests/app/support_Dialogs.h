#pragma once
// Driving a modal dialog of a known class in a test.
#include <QDialog>
#include <functional>

#include "support/TestSupport.h"

namespace qbtest {

// Runs action on the modal Form once it shows; a dialog still open afterwards is cancelled, so a
// failing check cannot leave the test waiting.
template <class Form>
void WhenDialogShows(std::function<void(Form&)> action)
{
    WhenModal([action](QWidget* modal) {
        auto* form = qobject_cast<Form*>(modal);
        if (form)
            action(*form);
        else
            ADD_FAILURE() << "the expected dialog did not show";
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
            dialog->reject();
    });
}

}  // namespace qbtest

#include <QGroupBox>
#include <memory>
#include <string>
#include <vector>

#include "app/FSelectCase.h"

namespace qbtest {

// A choice dialog as the user saw it.
struct ShownChoiceDialog {
    std::string caption;
    std::string group;
    std::vector<std::string> items;
    int preselected = -1;
};

constexpr int kCancelChoice = -1;  // the dialog is closed without OK
constexpr int kAddChoice = -2;     // the Add button (its input box answered by the script), then OK

// Answers the next choice dialogs in turn with the given indexes.
inline void AnswerChoiceDialogs(std::vector<int> answers, std::shared_ptr<std::vector<ShownChoiceDialog>> shown)
{
    if (answers.empty()) return;
    WhenDialogShows<TFormSelectCase>([answers, shown](TFormSelectCase& form) mutable {
        ShownChoiceDialog dialog{form.windowTitle().toStdString(), form.RadioGroup->title().toStdString(), {},
                                 form.ItemIndex()};
        for (int i = 0; i < form.ItemCount(); ++i) dialog.items.push_back(form.ItemText(i));
        shown->push_back(dialog);
        const int answer = answers.front();
        answers.erase(answers.begin());
        AnswerChoiceDialogs(answers, shown);
        if (answer == kCancelChoice) {
            form.reject();
            return;
        }
        if (answer == kAddChoice) form.btnAddClick();
        form.SetItemIndex(answer == kAddChoice ? form.ItemCount() - 1 : answer);
        form.accept();
    });
}

}  // namespace qbtest
