#include "app/FSelectCase.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/core/NumText.h"
#include "platform/ui/Anchors.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

TFormSelectCase* FormSelectCase = nullptr;

namespace {
const QSize kDesignClient(207, 113);
constexpr int kItemHeight = 21;
constexpr int kHeightBesideItems = 77;
constexpr int kWidthBesideText = 35;

}  // namespace

const TControlTable& FormSelectCaseTable()
{
    static const TControlTable table{
        .Name = "FormSelectCase",
        .Caption = "Select case",
        .DesignClient = kDesignClient,
        .Rows = {
            {.Kind = TControlKind::GroupBox, .Name = "RadioGroup", .Place = {0, 0, 207, 71}, .Anchors = faAll,
             .CaptionFromCaller = true},
            {.Kind = TControlKind::Button, .Name = "BtnOK", .Caption = "OK", .Place = {43, 80, 75, 25},
             .Anchors = faLeft | faBottom, .Picture = QStyle::SP_DialogOkButton},
            {.Kind = TControlKind::Button, .Name = "BtnCancel", .Caption = "Cancel", .Place = {124, 80, 75, 25},
             .Anchors = faRight | faBottom, .Picture = QStyle::SP_DialogCancelButton},
            {.Kind = TControlKind::Button, .Name = "btnAdd", .Caption = "Add", .Place = {8, 80, 29, 25},
             .Anchors = faLeft | faBottom},
        },
    };
    return table;
}

TFormSelectCase::TFormSelectCase(QWidget* parent) : QDialog(parent), form_(BuildForm(this, FormSelectCaseTable()))
{
    RadioGroup = form_.Get<QGroupBox>("RadioGroup");
    BtnOK = form_.Get<QPushButton>("BtnOK");
    BtnCancel = form_.Get<QPushButton>("BtnCancel");
    btnAdd = form_.Get<QPushButton>("btnAdd");
    itemButtons_ = new QButtonGroup(this);
    itemLayout_ = new QVBoxLayout(RadioGroup);
    setFont(FormFont());
    KeepOnScreen(this);
    setMinimumSize(kDesignClient);

    BtnOK->setDefault(true);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnAdd, &QPushButton::clicked, this, Guarded(this, &TFormSelectCase::btnAddClick));
}

void TFormSelectCase::AddItemButton(const std::string& text)
{
    const int index = static_cast<int>(itemButtons_->buttons().size());
    auto* button = new QRadioButton(QText(text), RadioGroup);
    button->setObjectName(QString("RadioGroupItem%1").arg(index));
    button->setAccessibleName(QText(text));
    itemButtons_->addButton(button, index);
    itemLayout_->addWidget(button);
}

void TFormSelectCase::SetItems(const TStringList& items)
{
    for (QAbstractButton* button : itemButtons_->buttons()) {
        itemButtons_->removeButton(button);
        delete button;
    }
    items_.Assign(items);
    for (int i = 0; i < items_.Count(); ++i)
        AddItemButton(items_[i]);
}

std::string TFormSelectCase::ItemText(int index) const { return index < 0 ? std::string() : items_[index]; }

QRadioButton* TFormSelectCase::ItemButton(int index) const
{
    return qobject_cast<QRadioButton*>(itemButtons_->button(index));
}

int TFormSelectCase::ItemIndex() const { return itemButtons_->checkedId(); }

void TFormSelectCase::SetItemIndex(int index)
{
    // An exclusive group cannot uncheck its last checked button.
    itemButtons_->setExclusive(false);
    for (QAbstractButton* button : itemButtons_->buttons())
        button->setChecked(false);
    itemButtons_->setExclusive(true);
    const int clamped = std::min(index, ItemCount() - 1);
    if (clamped >= 0)
        ItemButton(clamped)->setChecked(true);
}

void TFormSelectCase::FitToItems()
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < items_.Count(); ++i) {
        const std::string trimmed = Trim(items_[i]);
        if (trimmed.size() < items_[i].size()) {
            items_.PutString(i, trimmed);
            ItemButton(i)->setText(QText(trimmed));
            ItemButton(i)->setAccessibleName(QText(trimmed));
        }
        widest = std::max(widest, metrics.horizontalAdvance(QText(trimmed)));
    }
    resize(widest + kWidthBesideText, items_.Count() * kItemHeight + kHeightBesideItems);
    ArrangeControls();  // a hidden window gets its resize event only when shown
}

void TFormSelectCase::CenterOver(const QWidget* form)
{
    // The frame's size is known once the window exists; before that it is the client's size.
    winId();
    const QRect over = form->frameGeometry();
    const QRect own = frameGeometry();
    move(static_cast<int>(over.left() + Rnd((over.width() - own.width()) / 2.0)),
         static_cast<int>(over.top() + Rnd((over.height() - own.height()) / 2.0)));
}

void TFormSelectCase::btnAddClick()
{
    std::string text;
    if (!UiServices().InputQuery(windowTitle().toStdString(), "Add item", text) || text.empty())
        return;
    items_.Add(text);
    AddItemButton(text);
    FitToItems();
    btnAdd->hide();
}

void TFormSelectCase::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ArrangeControls();
}

void TFormSelectCase::ArrangeControls() { form_.Anchors().Apply(size()); }

int SelectCase(QWidget* owner, const std::string& caption, const std::string& groupCaption, bool showAdd,
               int defaultIndex, const std::string& itemsText)
{
    if (!FormSelectCase)
        FormSelectCase = new TFormSelectCase;
    TFormSelectCase& form = *FormSelectCase;
    form.setWindowTitle(QText(caption));
    form.setAccessibleName(QText(caption));
    form.RadioGroup->setTitle(QText(groupCaption));
    form.RadioGroup->setAccessibleName(QText(groupCaption));

    TStringList items;
    items.Delimiter = ';';
    items.QuoteChar = '"';
    items.SetDelimitedText(itemsText);
    form.SetItems(items);
    form.btnAdd->setVisible(showAdd);
    form.FitToItems();
    const QWidget* over = owner ? owner : (Application() ? Application()->MainForm() : nullptr);
    if (over)
        form.CenterOver(over);
    form.SetItemIndex(defaultIndex);

    if (form.exec() != QDialog::Accepted)
        return defaultIndex;
    return form.ItemIndex();
}

int SelectCaseFixed(QWidget* owner, const std::string& caption, const std::string& groupCaption, int defaultIndex,
                    const std::string& itemsText)
{
    return SelectCase(owner, caption, groupCaption, false, defaultIndex, itemsText);
}

int SelectCaseChoice(QWidget* owner, const std::string& caption, const std::string& groupCaption, bool showAdd,
                     int defaultIndex, const std::string& itemsText)
{
    const int index = SelectCase(owner, caption, groupCaption, showAdd, defaultIndex, itemsText);
    return FormSelectCase->result() == QDialog::Accepted ? index : -1;
}
