#pragma once
// Input panels: one scrolling panel per section of a data definition, with the section's label
// lines and input controls bound to the main window's data source.
#include <QGroupBox>
#include <QScrollArea>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/ui/Anchors.h"
#include "platform/ui/FormTable.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;
class TDBEdit;
class TDBMemo;
class TDBText;
class TDataSource;
class TDataSet;
class TField;
class TMemIniFile;

// dBase keeps at most this many characters of a field name.
constexpr std::size_t kMaxFieldNameLength = 10;
// A dBase table holds at most this many fields, the record ID among them.
constexpr int kMaxTableFields = 255;

class TMemIniFile;

// One control of a section in the order its lines stand in the file.
enum class TSectionControlKind { Label, Edit, Memo, CheckBox, RadioItem };
struct TSectionControl {
    TSectionControlKind Kind;
    std::string Text;  // label text or choice caption
};

// A free-text memo the section's condtext lines ask for.
struct TConditionalMemoDef {
    bool HasLabel = false;
    std::string Label;
    std::string FieldName;  // "<fn>_<n>_<k>"
};

// What a definition section describes, read once before any control is built, so a bad line
// refuses the section before anything of it exists.
struct TSectionDefinition {
    std::string BaseName;    // fn as written
    std::string ColumnType;  // type upper-cased
    std::vector<TSectionControl> Controls;
    std::vector<std::string> ChoiceValues;  // entry i: the stored value of choice i + 1
    std::vector<int> MemoLinks;             // per choice: its conditional memo, -1 for none
    std::vector<TConditionalMemoDef> ConditionalMemos;

    int Count(TSectionControlKind kind) const;
    bool Has(TSectionControlKind kind) const { return Count(kind) > 0; }
};

// Reads the lines of section `index`; raises Exception on a line the panel can't be built from.
TSectionDefinition ReadSectionDefinition(int index, const TStringList& lines);

// "<fn>_<i + 1>": the column of check box i.
std::string CheckFieldName(const std::string& baseName, int i);

// The section's columns as "<name> <type>", in table order; empty without an input control.
std::vector<std::string> SectionColumns(const TSectionDefinition& definition);
// The first column name longer than dBase allows, or "" when all fit.
std::string TooLongColumnName(const std::vector<std::string>& columns);
// Every column the data table of a definition has, "ID NUMERIC(6,0)" first, upper-cased as the
// table file keeps them; raises Exception on a section the panels can't be built from.
std::vector<std::string> DefinitionColumns(const TMemIniFile& definition);

// Raises Exception when the sections describe more table fields than a table holds, or on the
// first section that can't be read; reads no further than that, builds nothing.
void CheckTableFieldCount(const TMemIniFile& definition, const TStringList& sections);

// A group of radio choices that stores nothing by itself: the panel reads and writes its field.
class TRadioGroup : public QGroupBox {
public:
    explicit TRadioGroup(QWidget* parent = nullptr);
    int Count() const { return int(buttons_.size()); }
    void Add(const std::string& caption);
    std::string Caption(int index) const;
    int ItemIndex() const;  // -1: none selected
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const { return buttons_.at(index); }
    std::function<void()> OnClick;  // a user's click on a choice

private:
    QButtonGroup* group_;
    QVBoxLayout* layout_;
    std::vector<QRadioButton*> buttons_;
};

class TDataModule : public QScrollArea {
public:
    explicit TDataModule(QWidget* owner);
    ~TDataModule() override;

    QPushButton* BtnPreviousModule;
    QPushButton* BtnNextModule;
    TDBText* IDtext;

    TStringList& SectionLines() { return sectionLines_; }
    std::function<void(int)> OwnerCallback;

    void BuildControls(int index, TDataSource* dataSource);
    void BindFields();
    std::string GetCheckFieldName(int i) const { return CheckFieldName(baseName_, i); }
    // Reports a too long column name itself and then answers "".
    std::string GetColumnDefinitions();
    void ShowPanel();
    void HidePanel();
    void PostValues();
    void LoadValues();
    void StoreCheckBoxes();
    void LoadCheckBoxes();
    void StoreSwitch();
    void LoadSwitch();
    void ShowAndFocus();
    void GoNext();
    void GoPrevious();
    void SetModified(bool flag);
    void ChoiceClick(QWidget* sender);
    std::string GetDescription() const;
    // A read-only table: the input controls show the values but take no input.
    void SetReadOnly(bool readOnly);
    // Drops what the table refused: the controls show the record's stored values again.
    void DiscardValues();

    int Index() const { return index_; }
    bool Modified() const { return modified_; }
    const std::vector<QLabel*>& Labels() const { return labels_; }
    TDBEdit* Edit() const { return edit_; }
    TDBMemo* Memo() const { return memo_; }
    const std::vector<QCheckBox*>& CheckBoxes() const { return checkBoxes_; }
    TRadioGroup* RadioGroup() const { return radioGroup_; }
    const std::vector<TDBMemo*>& ConditionalMemos() const { return conditionalMemos_; }
    const std::vector<TField*>& BoundFields() const { return boundFields_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize ClientSize() const;
    void Place(QWidget* control, int height, int widthInset, TAnchors anchors);
    void AddLabelLine(const std::string& text);
    void AddEdit();
    void AddMemo();
    void AddCheckBox(const std::string& caption);
    void AddRadioItem(const std::string& caption);
    void AddConditionalMemo(const TConditionalMemoDef& memo);
    TDataSet& DataSet() const;
    void EnsureEditing() const;
    void FocusLinkedMemo(int choice);

    QWidget* content_;
    TBuiltForm form_;
    std::unique_ptr<TAnchorSet> anchors_;
    int index_ = 0;
    TDataSource* dataSource_ = nullptr;
    std::string baseName_;
    std::string columnType_;
    bool modified_ = false;
    std::vector<QLabel*> labels_;
    TDBEdit* edit_ = nullptr;
    TDBMemo* memo_ = nullptr;
    std::vector<QCheckBox*> checkBoxes_;
    TRadioGroup* radioGroup_ = nullptr;
    std::vector<TDBMemo*> conditionalMemos_;
    std::vector<TField*> boundFields_;
    TSectionDefinition definition_;
    TStringList sectionLines_;
    int y_ = 0;  // bottom edge of the control placed last
};

// The fixed head of every input panel.
const TControlTable& DataModuleTable();
