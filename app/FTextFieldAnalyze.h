#pragma once
// The character view: a text field of the current record together with the decimal code of
// every character, to find invisible or unusual characters.
#include <QPoint>
#include <QWidget>
#include <string>
#include <utility>

class QPlainTextEdit;
class TDataSource;
class TDBEdit;
class TField;

// The code of every character of the text (UTF-8 in, codes of the ANSI code page out), each
// right-aligned in 4 columns: "Ab" gives "  65  98".
std::string FormatCharCode(const std::string& text);
// Where the codes of an edit's selection stand: start and length in the code text. Without a
// selection the code of the character after the caret is selected.
std::pair<int, int> CodeSelection(int selStart, int selLength);

class TFormTextFieldAnalyze : public QWidget {
    Q_OBJECT
public:
    explicit TFormTextFieldAnalyze(QWidget* parent = nullptr);

    TDBEdit* DBEdit;
    QPlainTextEdit* Memo;

    void DBEditChange();
    void SyncSelection();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Opens a further character view at the screen point, bound to the data source and field.
TFormTextFieldAnalyze* ShowTextFieldAnalyze(TDataSource* dataSource, TField* field, const QPoint& screenPoint);
