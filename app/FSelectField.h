#pragma once
// The field chooser (a small modal list of a dataset's field names) and "Save as text", which
// writes the chosen fields of every record to a TAB-separated text file.
#include <QDialog>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/db/DataSet.h"
#include "platform/ui/FormTable.h"

class QListWidget;
class QPushButton;

// A set of field types; one holding ftUnknown stands for every type.
using TFieldTypes = std::set<TFieldType>;

class TFormSelectField : public QDialog {
    Q_OBJECT
public:
    explicit TFormSelectField(QWidget* parent = nullptr);

    QListWidget* ListBox;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;
    QPushButton* BtnSelAll;
    QPushButton* BtnClear;

    // Caption, the dataset's field names of those types, OK disabled.
    void Prepare(const std::string& caption, TDataSet& dataSet, const TFieldTypes& types);
    // The chosen names in list order, or nullptr when the chooser was not confirmed.
    std::unique_ptr<TStringList> SelectFields(const std::string& caption, TDataSet& dataSet, const TFieldTypes& types);
    void SetMultiSelect(bool multiSelect);

    void ListBoxClick();
    void BtnSelAllClick();
    void BtnClearClick();

private:
    TBuiltForm form_;
    bool multiSelect_ = false;
};

const TControlTable& FormSelectFieldTable();

// The field types "Save as text" offers.
const TFieldTypes& TextExportFieldTypes();

// The export's lines, each ending in CR LF; texts are UTF-8 (the file gets them in the ANSI code
// page). A TAB, CR or LF inside a value becomes a space, so a value cannot break its line.
std::string TextExportHeader(const std::vector<std::string>& fieldNames);
std::string TextExportLine(int number, const std::vector<std::string>& values);
std::string TextExportValue(const std::string& text);

// Writes the fields (in the dataset's field order) of every record, from the first, to a new file
// replacing fileName. The dataset is left after its last record. A file that cannot be written
// raises EStreamError and leaves an existing file as it was.
void WriteTextExport(const std::string& fileName, TDataSet& dataSet, const TStringList& fieldNames);

// "Save as text" after the save dialog: the chooser (captioned chooserCaption), then the file.
// Answers whether a file was written (false when the chooser was cancelled).
bool ExportToTextFile(const std::string& fileName, TDataSet& dataSet, const std::string& chooserCaption,
                      QWidget* owner = nullptr);
