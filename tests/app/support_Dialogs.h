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
