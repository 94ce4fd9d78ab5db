#pragma once
// Editor forms for the tests of the form services: a form that records what it saw when it
// was shown, and a stand-in dialog that a button's creator hook makes, answering by itself.
#include <string>
#include <vector>

#include "chart/editor/DuvEditorForm.h"

class QFont;

namespace editortest {

// Records, at each FormShow, whether its parent was visible, its Tag and its font.
class TShowRecordingForm : public TDuvEditorForm {
public:
    using TDuvEditorForm::TDuvEditorForm;

    struct TShown {
        bool ParentVisible = false;
        TPersistent* Tag = nullptr;
        int FontPointSize = 0;
    };
    std::vector<TShown> Shown;

protected:
    void FormShow() override;
};

// A modal dialog that answers Answer on its own once shown. At show it calls Change on its Tag
// (as a user editing the object would). Counts how many were made and freed.
class TAnsweringDialog : public TDuvEditorForm {
public:
    explicit TAnsweringDialog(QWidget* owner);
    ~TAnsweringDialog() override;

    static int Answer;
    static int Made;
    static int Freed;
    static void (*Change)(TPersistent* object);
    static void Reset();

protected:
    void FormShow() override;
};

}  // namespace editortest
