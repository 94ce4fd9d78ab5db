#include "chart/editor/DuvSelectList.h"

#include <QListWidget>
#include <QToolButton>

#include "chart/editor/DuvPenDlg.h"
#include "platform/ui/Application.h"

const TControlTable& SelectListFormTable()
{
    static const TControlTable table{
        .Name = "SelectListForm",
        .Caption = "Select",
        .DesignClient = {330, 200},
        .Rows = {
            {.Kind = TControlKind::Label, .Name = "L22", .Caption = "A&vailable:", .Place = {4, 4, 120, 16},
             .Buddy = "FromList"},
            {.Kind = TControlKind::ListBox, .Name = "FromList", .Caption = "Available", .Place = {4, 22, 130, 174},
             .Anchors = faLeft | faTop | faBottom},
            {.Kind = TControlKind::ToolButton, .Name = "BRightOne", .Caption = ">", .Hint = "Add",
             .Place = {140, 40, 30, 24}},
            {.Kind = TControlKind::ToolButton, .Name = "BRightAll", .Caption = ">>", .Hint = "Add all",
             .Place = {140, 70, 30, 24}},
            {.Kind = TControlKind::ToolButton, .Name = "BLeftOne", .Caption = "<", .Hint = "Remove",
             .Place = {140, 110, 30, 24}},
            {.Kind = TControlKind::ToolButton, .Name = "BLeftAll", .Caption = "<<", .Hint = "Remove all",
             .Place = {140, 140, 30, 24}},
            {.Kind = TControlKind::Label, .Name = "L24", .Caption = "&Selected: ", .Place = {176, 4, 110, 16},
             .Buddy = "ToList"},
            {.Kind = TControlKind::ListBox, .Name = "ToList", .Caption = "Selected", .Place = {176, 22, 116, 174},
             .Anchors = faAll},
            {.Kind = TControlKind::ToolButton, .Name = "BMoveUP", .Hint = "Move up", .Place = {298, 40, 26, 24},
             .Anchors = faRight | faTop},
            {.Kind = TControlKind::ToolButton, .Name = "BMoveDown", .Hint = "Move down", .Place = {298, 70, 26, 24},
             .Anchors = faRight | faTop},
        },
    };
    return table;
}

TSelectListForm::TSelectListForm(QWidget* owner) : TDuvEditorForm(owner)
{
    BuildControls(SelectListFormTable());
    BorderIcons = TBorderIcons{biSystemMenu};
    ParentFont = true;
    FromList = Built().Get<QListWidget>("FromList");
    ToList = Built().Get<QListWidget>("ToList");
    BRightOne = Built().Get<QToolButton>("BRightOne");
    BRightAll = Built().Get<QToolButton>("BRightAll");
    BLeftOne = Built().Get<QToolButton>("BLeftOne");
    BLeftAll = Built().Get<QToolButton>("BLeftAll");
    BMoveUP = Built().Get<QToolButton>("BMoveUP");
    BMoveDown = Built().Get<QToolButton>("BMoveDown");
    for (QListWidget* list : {FromList, ToList}) list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    SetAlign(alClient);
    QImage up, down;
    LoadArrowGlyphs(up, down);
    BMoveUP->setIcon(QIcon(QPixmap::fromImage(up)));
    BMoveDown->setIcon(QIcon(QPixmap::fromImage(down)));

    connect(BRightOne, &QToolButton::clicked, this, Guarded(this, &TSelectListForm::BRightOneClick));
    connect(BRightAll, &QToolButton::clicked, this, Guarded(this, &TSelectListForm::BRightAllClick));
    connect(BLeftOne, &QToolButton::clicked, this, Guarded(this, &TSelectListForm::BLeftOneClick));
    connect(BLeftAll, &QToolButton::clicked, this, Guarded(this, &TSelectListForm::BLeftAllClick));
    connect(BMoveUP, &QToolButton::clicked, this, [this] { RunHandler([this] { MoveClick(true); }); });
    connect(BMoveDown, &QToolButton::clicked, this, [this] { RunHandler([this] { MoveClick(false); }); });
    connect(FromList, &QListWidget::itemDoubleClicked, this, Guarded(this, &TSelectListForm::FromListDblClick));
    connect(ToList, &QListWidget::itemDoubleClicked, this, Guarded(this, &TSelectListForm::ToListDblClick));
    for (QListWidget* list : {FromList, ToList}) {
        connect(list, &QListWidget::itemSelectionChanged, this, [this] { EnableButtons(); });
        connect(list, &QListWidget::currentRowChanged, this, [this] { EnableButtons(); });
    }
    setFocusProxy(FromList);
}

void TSelectListForm::FormShow()
{
    TDuvEditorForm::FormShow();
    EnableButtons();
    (FromList->count() > 0 ? FromList : ToList)->setFocus();
}

void TSelectListForm::EnableButtons()
{
    BRightOne->setEnabled(FromList->count() > 0);
    BRightAll->setEnabled(BRightOne->isEnabled());
    BLeftOne->setEnabled(ToList->count() > 0);
    BLeftAll->setEnabled(BLeftOne->isEnabled());
    const int current = ToList->currentRow();
    BMoveUP->setEnabled(current > 0);
    BMoveDown->setEnabled(current >= 0 && current < ToList->count() - 1);
}

void TSelectListForm::Changed()
{
    EnableButtons();
    if (OnChange) OnChange(this);
}

void TSelectListForm::BRightOneClick()
{
    MoveSelectedItems(FromList, ToList);
    if (FromList->count() == 0) ToList->setFocus();
    Changed();
}

void TSelectListForm::BRightAllClick()
{
    MoveAllItems(FromList, ToList);
    Changed();
}

void TSelectListForm::BLeftOneClick()
{
    MoveSelectedItems(ToList, FromList);
    Changed();
}

void TSelectListForm::BLeftAllClick()
{
    MoveAllItems(ToList, FromList);
    Changed();
}

void TSelectListForm::FromListDblClick()
{
    BRightOneClick();
    if (ToList->count() == 0) return;
    ToList->clearSelection();
    ToList->setCurrentRow(ToList->count() - 1, QItemSelectionModel::ClearAndSelect);
    Changed();
}

void TSelectListForm::ToListDblClick() { BLeftOneClick(); }

void TSelectListForm::MoveClick(bool up)
{
    const int current = ToList->currentRow();
    const int other = up ? current - 1 : current + 1;
    if (current < 0 || other < 0 || other >= ToList->count()) return;
    QListWidgetItem* item = ToList->takeItem(current);
    ToList->insertItem(other, item);
    ToList->setCurrentRow(other, QItemSelectionModel::ClearAndSelect);
    ToList->setFocus();
    Changed();
}

void DuvSelectListInitialization()
{
    RegisterEditorFormClass("TSelectListForm", &CreateEditorFormOf<TSelectListForm>, &SelectListFormTable());
}

void DuvSelectListFinalization() { UnregisterEditorFormClass("TSelectListForm"); }
