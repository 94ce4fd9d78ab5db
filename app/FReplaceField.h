#pragma once
// Field filling: writes one field of many records at once (erase, a constant, a number run,
// values from a file, numbers in a text field padded to a length, text replacement), from the
// first or the current record to the end of the dataset.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "platform/core/StringList.h"
#include "platform/db/DataSource.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TLngModule;

// ---- What the modes decide ----------------------------------------------------------------

// Whether the field list offers a field of this type (memos yes; blobs, auto-increments no).
bool FillOffersField(TFieldType type);
// With "only zero values" a number field is written only where it holds 0 or nothing;
// other fields are always written.
bool FillWritesRecord(const TField& field, bool onlyZeroValues);
// The number in a text field brought to length with padChar in front; an empty text counts as
// "0". None (leave the record) for a text that is no whole number or is the missing-value mark
// -9999. Zeros go between a sign and the digits, so "-5" becomes "-05", never "0-5".
std::optional<std::string> PaddedNumber(const std::string& text, int length, char padChar);
// Every occurrence of find replaced in one left-to-right pass over the text (a replacement that
// holds find is not searched again); none when find is empty or does not occur.
std::optional<std::string> ReplacedText(const std::string& text, const std::string& find,
                                        const std::string& replacement);
// The value a line of a fill file carries: its second TAB-separated column, or the whole line
// when it has no TAB.
std::string SecondTabColumn(const std::string& line);
std::string EraseQuestion(const std::string& fieldName);
std::string MissingFileMessage(const std::string& fileName);

// ---- The modes on a dataset ---------------------------------------------------------------
// Each starts at the first record (fromFirst) or the current one and runs to the end; a record
// that gets a value is edited and posted. A value the field refuses raises; the records before
// stay written. They answer the number of records written.

int FillFieldText(TDataSet& dataSet, const std::string& fieldName, const std::string& text, bool onlyZeroValues,
                  bool fromFirst);
int FillFieldNumberRun(TDataSet& dataSet, const std::string& fieldName, int from, int step, bool fromFirst);
// Skips the first line (a header); stops after the last line or at the end of the dataset.
int FillFieldFromLines(TDataSet& dataSet, const std::string& fieldName, const TStringList& lines, bool fromFirst);
int PadFieldNumbers(TDataSet& dataSet, const std::string& fieldName, int length, char padChar, bool fromFirst);
int ReplaceFieldText(TDataSet& dataSet, const std::string& fieldName, const std::string& find,
                     const std::string& replacement, bool fromFirst);

// ---- The form -----------------------------------------------------------------------------

class TFormReplaceField : public QDialog {
    Q_OBJECT
public:
    explicit TFormReplaceField(QWidget* parent = nullptr);

    QLabel* LabelAttrib;
    QComboBox* CBfields;
    QRadioButton* RadioButton1;
    QCheckBox* CBnull;
    QRadioButton* RadioButton2;
    QLineEdit* EditConst;
    QRadioButton* RadioButton3;
    QLabel* LabelFrom;
    QLineEdit* EditFrom;
    QLabel* LabelStep;
    QLineEdit* EditStep;
    QRadioButton* RadioButton4;
    QLineEdit* EditFile;
    QToolButton* btnOpen;
    QRadioButton* RadioButton5;
    QLineEdit* EditNumLen;
    QLabel* LabelChar;
    QLineEdit* EditNumChar;
    QRadioButton* RadioButton6;
    QLineEdit* EditFind;
    QLabel* LabelReplace;
    QLineEdit* EditReplace;
    QGroupBox* RG_start;
    QRadioButton* RG_startFirst;
    QRadioButton* RG_startCurrent;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;

    // Texts of the language module; nothing without one.
    void ApplyLanguage(const TLngModule* module);
    // Fills the field list, places the form and runs it until it is closed: the grid's data
    // source stays detached from the dataset meanwhile.
    void Setup(TDataSet* dataSet, int left, TDataSource* dataSource, int top);

    // The modes with the form's settings on the chosen field.
    void FillText(const std::string& text);
    void FillNumberRun();
    void FillFromFile(const std::string& fileName);
    void PadNumbers();
    void ReplaceText();

    void CBfieldsChange();
    void EditNumLenChange();
    void btnOpenClick();
    void EditFileExit();
    bool RepeatRequested() const { return repeat_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillFieldList();
    void RunChosenMode();
    void SetNumberModeEnabled(bool enabled);
    bool FromFirst() const;
    std::string FieldName() const;
    void AddMode(QRadioButton* mode, QLineEdit* firstEdit, std::initializer_list<QLineEdit*> edits);

    TDataSet* dataSet_ = nullptr;
    int maxNumberLength_ = 0;
    bool repeat_ = false;
};
