#include "chart/editor/support_EditorForms.h"

#include <QTimer>

namespace editortest {

void TShowRecordingForm::FormShow()
{
    TDuvEditorForm::FormShow();
    Shown.push_back({parentWidget() && parentWidget()->isVisible(), Tag(), font().pointSize()});
}

int TAnsweringDialog::Answer = mrOk;
int TAnsweringDialog::Made = 0;
int TAnsweringDialog::Freed = 0;
void (*TAnsweringDialog::Change)(TPersistent*) = nullptr;

TAnsweringDialog::TAnsweringDialog(QWidget* owner) : TDuvEditorForm(owner)
{
    RestoresOnCancel = true;
    ++Made;
}

TAnsweringDialog::~TAnsweringDialog() { ++Freed; }

void TAnsweringDialog::Reset()
{
    Answer = mrOk;
    Made = Freed = 0;
    Change = nullptr;
}

void TAnsweringDialog::FormShow()
{
    TDuvEditorForm::FormShow();
    if (Change && Tag()) Change(Tag());
    QTimer::singleShot(0, this, [this] { SetModalResult(Answer); });
}

}  // namespace editortest
