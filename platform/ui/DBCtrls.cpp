#include "platform/ui/DBCtrls.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QRadioButton>
#include <QVBoxLayout>
#include <type_traits>

#include "platform/core/ScopeGuard.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"

namespace {

// Memo text is stored with CR LF line ends; the edit control works with LF.
QString MemoToControl(const std::string& stored)
{
    return QText(stored).replace("\r\n", "\n").replace('\r', '\n');
}

std::string MemoToStored(const QString& shown)
{
    return QString(shown).replace('\n', "\r\n").toStdString();
}

}  // namespace

// ---- TFieldDataLink

void TFieldDataLink::SetFieldName(const std::string& name)
{
    if (name == fieldName_) return;
    fieldName_ = name;
    UpdateField();
}

bool TFieldDataLink::CanModify() const
{
    return !ReadOnly && field_ && Active() && DataSet()->CanModify();
}

void TFieldDataLink::UpdateField()
{
    field_ = Active() && !fieldName_.empty() ? DataSet()->FindField(fieldName_) : nullptr;
    Reset();
}

void TFieldDataLink::ActiveChanged()
{
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged()
{
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field)
{
    if (field && field != field_) return;
    modified_ = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateData()
{
    if (!modified_) return;
    if (field_ && OnUpdateData) OnUpdateData();
    modified_ = false;
}

// ---- TFieldControl

TFieldControl::TFieldControl(QWidget* control, bool namedByField) : control_(control), namedByField_(namedByField)
{
    link_.OnDataChange = [this] {
        if (loading_) return;
        loading_ = true;
        DataChange();
        loading_ = false;
    };
    link_.OnUpdateData = [this] { UpdateData(); };
}

TFieldControl::~TFieldControl()
{
    // The derived control is gone by now; the link must not call back into it while detaching.
    link_.OnDataChange = nullptr;
    link_.OnUpdateData = nullptr;
    link_.SetDataSource(nullptr);
}

void TFieldControl::SetDataSource(TDataSource* source)
{
    if (source == link_.DataSource()) return;
    link_.SetDataSource(source);
    // Both sources may be open, so the link saw no change of state; the field is another one.
    link_.UpdateField();
}

void TFieldControl::SetDataField(const std::string& name)
{
    const QString previous = QText(link_.FieldName());
    link_.SetFieldName(name);
    if (namedByField_ && (control_->accessibleName().isEmpty() || control_->accessibleName() == previous))
        control_->setAccessibleName(QText(name));
}

bool TFieldControl::BeginUserChange()
{
    if (link_.Editing() && link_.CanModify()) {
        link_.SetModified();
        return true;
    }
    bool editing = false;
    if (link_.CanModify()) {
        // Entering edit state reloads the controls; this one keeps what the user just did.
        loading_ = true;
        try {
            const TScopeGuard loaded([this] { loading_ = false; });
            editing = link_.Edit();
        } catch (...) {
            link_.Reset();
            throw;
        }
    }
    if (!editing) {
        link_.Reset();
        return false;
    }
    link_.SetModified();
    return true;
}

void TFieldControl::CommitUserChange()
{
    RunHandler([this] { link_.UpdateRecord(); });
}

// ---- TDBTextControl

template <class Edit>
void TDBTextControl<Edit>::focusOutEvent(QFocusEvent* event)
{
    Edit::focusOutEvent(event);
    CommitUserChange();
}

template <class Edit>
void TDBTextControl<Edit>::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && link_.Modified()) return link_.Reset();
    Edit::keyPressEvent(event);
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && std::is_same_v<Edit, QLineEdit>) CommitUserChange();
}

template <class Edit>
void TDBTextControl<Edit>::UserEdited()
{
    const int cursor = CursorPosition();
    if (!BeginUserChange()) SetCursorPosition(cursor);
}

template class TDBTextControl<QLineEdit>;
template class TDBTextControl<QPlainTextEdit>;

// ---- TDBEdit

TDBEdit::TDBEdit(QWidget* parent) : TDBTextControl(parent)
{
    connect(this, &QLineEdit::textEdited, this, [this] { RunHandler([this] { UserEdited(); }); });
}

void TDBEdit::DataChange()
{
    TField* field = Field();
    const bool limited = field && (field->DataType() == ftString || field->DataType() == ftFixedChar);
    setMaxLength(limited && field->Size() > 0 ? field->Size() : 32767);
    setText(field ? QText(field->Text()) : QString());
}

void TDBEdit::UpdateData() { Field()->SetAsString(text().toStdString()); }

void TDBEdit::SetCursorPosition(int position) { setCursorPosition(std::min(position, int(text().size()))); }

// ---- TDBMemo

TDBMemo::TDBMemo(QWidget* parent) : TDBTextControl(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!loading_) RunHandler([this] { UserEdited(); });
    });
}

void TDBMemo::DataChange()
{
    setPlainText(Field() ? MemoToControl(Field()->AsString()) : QString());
}

void TDBMemo::UpdateData() { Field()->SetAsString(MemoToStored(toPlainText())); }

void TDBMemo::SetCursorPosition(int position)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, int(toPlainText().size())));
    setTextCursor(cursor);
}

// ---- TDBCheckBox

TDBCheckBox::TDBCheckBox(QWidget* parent) : QCheckBox(parent), TFieldControl(this, false)
{
    connect(this, &QCheckBox::clicked, this, [this] { RunHandler([this] { UserClicked(); }); });
}

void TDBCheckBox::SetCaption(const std::string& caption)
{
    setText(QText(caption));
    setAccessibleName(QText(caption));
}

void TDBCheckBox::DataChange()
{
    const TField* field = Field();
    if (!field || field->IsNull()) return setChecked(false);
    setChecked(field->DataType() == ftBoolean ? field->AsBoolean() : SameText(field->AsString(), "True"));
}

void TDBCheckBox::UpdateData()
{
    if (Field()->DataType() == ftBoolean) return Field()->SetAsBoolean(isChecked());
    Field()->SetAsString(isChecked() ? "True" : "False");
}

void TDBCheckBox::UserClicked()
{
    if (BeginUserChange()) CommitUserChange();
}

// ---- TDBRadioGroup

TDBRadioGroup::TDBRadioGroup(QWidget* parent)
    : QGroupBox(parent), TFieldControl(this, false), buttons_(new QButtonGroup(this)), layout_(new QVBoxLayout(this))
{
    layout_->setContentsMargins(8, 2, 8, 2);
    layout_->setSpacing(0);
    connect(buttons_, &QButtonGroup::buttonClicked, this, [this] { RunHandler([this] { UserClicked(); }); });
}

void TDBRadioGroup::SetCaption(const std::string& caption)
{
    setTitle(QText(caption));
    setAccessibleName(QText(caption));
}

void TDBRadioGroup::SetItems(const TStringList& items)
{
    items_.Assign(items);
    RebuildButtons();
}

void TDBRadioGroup::SetValues(const TStringList& values)
{
    values_.Assign(values);
    link_.Reset();
}

void TDBRadioGroup::RebuildButtons()
{
    for (QAbstractButton* button : buttons_->buttons()) {
        buttons_->removeButton(button);
        delete button;
    }
    for (int i = 0; i < items_.Count(); ++i) {
        auto* button = new QRadioButton(QText(items_[i]), this);
        button->setObjectName(objectName() + QString("Item%1").arg(i));
        button->setAccessibleName(QText(items_[i]));
        buttons_->addButton(button, i);
        layout_->addWidget(button);
    }
    link_.Reset();
}

QRadioButton* TDBRadioGroup::Button(int index) const
{
    return static_cast<QRadioButton*>(buttons_->button(index));
}

int TDBRadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void TDBRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton* button = buttons_->button(index)) return button->setChecked(true);
    // An exclusive group never unchecks its last button by itself.
    buttons_->setExclusive(false);
    for (QAbstractButton* button : buttons_->buttons()) button->setChecked(false);
    buttons_->setExclusive(true);
}

std::string TDBRadioGroup::ButtonValue(int index) const
{
    if (index < 0 || index >= items_.Count()) return {};
    return index < values_.Count() && !values_[index].empty() ? values_[index] : items_[index];
}

std::string TDBRadioGroup::Value() const { return ButtonValue(ItemIndex()); }

void TDBRadioGroup::SelectValue(const std::string& value)
{
    for (int i = 0; i < items_.Count(); ++i)
        if (SameText(ButtonValue(i), value)) return SetItemIndex(i);
    SetItemIndex(-1);
}

void TDBRadioGroup::DataChange() { SelectValue(Field() ? Field()->AsString() : std::string()); }

void TDBRadioGroup::UpdateData() { Field()->SetAsString(Value()); }

void TDBRadioGroup::UserClicked()
{
    if (BeginUserChange()) CommitUserChange();
}

// ---- TDBText

TDBText::TDBText(QWidget* parent) : QLabel(parent), TFieldControl(this, true) {}

void TDBText::DataChange() { setText(Field() ? QText(Field()->DisplayText()) : QString()); }
