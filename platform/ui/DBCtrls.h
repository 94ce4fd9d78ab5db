#pragma once
// Data-aware controls bound to one field of a data source: edit line, memo, check box, radio
// group and label. A control shows the field of the current record and follows the cursor;
// what the user changes goes into the field when the control is left or the record is posted.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/db/DataSource.h"

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

// The link of a control to one field: finds the field by name whenever the dataset opens or
// changes its layout, and tells the control when the field's value or the editing state changes.
class TFieldDataLink : public TDataLink {
public:
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name);
    TField* Field() const { return field_; }
    bool ReadOnly = false;
    // The field exists and its dataset takes changes.
    bool CanModify() const;
    // The control holds a value the field has not got yet.
    bool Modified() const { return modified_; }
    void SetModified() { modified_ = true; }
    void Reset() { RecordChanged(nullptr); }  // back to the field's value
    // Looks the field up again, e.g. in the dataset of a new data source.
    void UpdateField();

    std::function<void()> OnDataChange;     // show the field's value
    std::function<void()> OnEditingChange;  // the dataset entered or left edit state
    std::function<void()> OnUpdateData;     // put the pending value into the field
    std::function<void()> OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    std::string fieldName_;
    TField* field_ = nullptr;
    bool modified_ = false;
};

// What every field control shares: the link and its wiring. Control is the Qt widget.
class TFieldControl {
public:
    virtual ~TFieldControl();
    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source);
    const std::string& DataField() const { return link_.FieldName(); }
    void SetDataField(const std::string& name);
    TField* Field() const { return link_.Field(); }
    bool ReadOnly() const { return link_.ReadOnly; }
    void SetReadOnly(bool readOnly) { link_.ReadOnly = readOnly; }
    // Puts a pending change into the field; a value the field refuses raises.
    void UpdateRecord() { link_.UpdateRecord(); }
    // Drops a pending change: the control shows its field's value again.
    void DiscardChange() { link_.Reset(); }

protected:
    // A control without a caption of its own takes its field's name as its accessible name.
    TFieldControl(QWidget* control, bool namedByField);
    // The control's value from the field, and the control's value into the field.
    virtual void DataChange() = 0;
    virtual void UpdateData() = 0;
    // Call after the user changed the value: puts the dataset into edit state, or shows the
    // field's value again when the dataset takes no changes. Answers whether the change stays.
    bool BeginUserChange();
    // Puts the change into the field now; a refused value is reported and stays pending.
    void CommitUserChange();

    TFieldDataLink link_;
    bool loading_ = false;  // the control is being set from the field

private:
    QWidget* control_;
    bool namedByField_;
};

// What the edit line and the memo share: typing puts the dataset into edit state, leaving the
// control puts the text into the field, Esc takes the typing back. Edit is the Qt edit class.
template <class Edit>
class TDBTextControl : public Edit, public TFieldControl {
public:
    explicit TDBTextControl(QWidget* parent) : Edit(parent), TFieldControl(this, true) {}

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void UserEdited();
    virtual int CursorPosition() const = 0;
    virtual void SetCursorPosition(int position) = 0;
};

// A one-line edit of a field's text.
class TDBEdit : public TDBTextControl<QLineEdit> {
public:
    explicit TDBEdit(QWidget* parent = nullptr);

protected:
    void DataChange() override;
    void UpdateData() override;
    int CursorPosition() const override { return cursorPosition(); }
    void SetCursorPosition(int position) override;
};

// A multi-line edit of a memo or text field. The stored text keeps CR LF line ends.
class TDBMemo : public TDBTextControl<QPlainTextEdit> {
public:
    explicit TDBMemo(QWidget* parent = nullptr);

protected:
    void DataChange() override;
    void UpdateData() override;
    int CursorPosition() const override { return textCursor().position(); }
    void SetCursorPosition(int position) override;
};

// A check box ticked when its Boolean field is true.
class TDBCheckBox : public QCheckBox, public TFieldControl {
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);
    void SetCaption(const std::string& caption);

protected:
    void DataChange() override;
    void UpdateData() override;

private:
    void UserClicked();
};

// A group of choices; the field holds the value of the selected choice as text. A choice's
// value is its entry in Values, or its caption when Values has no (or an empty) entry for it.
class TDBRadioGroup : public QGroupBox, public TFieldControl {
public:
    explicit TDBRadioGroup(QWidget* parent = nullptr);
    void SetCaption(const std::string& caption);
    const TStringList& Items() const { return items_; }
    void SetItems(const TStringList& items);
    const TStringList& Values() const { return values_; }
    void SetValues(const TStringList& values);
    int ItemIndex() const;  // -1: no choice selected
    void SetItemIndex(int index);
    std::string Value() const;  // the selected choice's value, "" without one
    std::string ButtonValue(int index) const;
    QRadioButton* Button(int index) const;

protected:
    void DataChange() override;
    void UpdateData() override;

private:
    void RebuildButtons();
    void SelectValue(const std::string& value);
    void UserClicked();

    TStringList items_;
    TStringList values_;
    QButtonGroup* buttons_;
    QVBoxLayout* layout_;
};

// A label showing a field's text.
class TDBText : public QLabel, public TFieldControl {
public:
    explicit TDBText(QWidget* parent = nullptr);

protected:
    void DataChange() override;
    void UpdateData() override {}
};
