#pragma once
// The two-list chooser: rows move between "Available" and "Selected" (with the data they carry),
// and "Selected" keeps the order the user gives it. The function editor picks its source series
// with it.
#include <functional>

#include "chart/editor/DuvEditorForm.h"

class QListWidget;
class QListWidgetItem;
class QToolButton;

class TSelectListForm : public TDuvEditorForm {
public:
    explicit TSelectListForm(QWidget* owner = nullptr);

    QListWidget* FromList;
    QListWidget* ToList;
    QToolButton* BRightOne;
    QToolButton* BRightAll;
    QToolButton* BLeftOne;
    QToolButton* BLeftAll;
    QToolButton* BMoveUP;
    QToolButton* BMoveDown;

    // Told after every move and exchange.
    std::function<void(TSelectListForm*)> OnChange;

    void EnableButtons();
    void BRightOneClick();
    void BRightAllClick();
    void BLeftOneClick();
    void BLeftAllClick();
    void FromListDblClick();
    void ToListDblClick();
    // up: the current row of "Selected" goes one up, else one down; it stays current.
    void MoveClick(bool up);

protected:
    void FormShow() override;

private:
    void Changed();
};

const TControlTable& SelectListFormTable();
void DuvSelectListInitialization();
void DuvSelectListFinalization();
