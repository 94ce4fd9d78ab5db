#pragma once
// The text-lines dialog: edits a list of text lines modally (the text of a chart shape).
#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;
class TStringList;

class TFormMemoDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFormMemoDialog(QWidget* parent = nullptr);
    QPlainTextEdit* Memo;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;
};

// OK replaces the lines with the memo's and answers true; Cancel leaves them as they were.
bool EditTextLines(TStringList& lines, const std::string& caption);
