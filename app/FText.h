#pragma once
// The text window: a rich-text viewer whose text can be saved as an RTF file.
#include <QFont>
#include <QWidget>
#include <string>

class QFrame;
class QPushButton;
class QTextEdit;

class TFormText : public QWidget {
    Q_OBJECT
public:
    explicit TFormText(QWidget* parent = nullptr);
    ~TFormText() override;

    QFrame* Panel1;
    QPushButton* BtnSave;
    QTextEdit* RichEdit1;

    // Appends text at the end in the font's attributes; no line end is added.
    void AddFormattedText(const std::string& text, const QFont& font);
    // Appends text as a new line, then one empty line.
    void AddParagraph(const std::string& text);
    // The rich text's own font; headings are copies of it made larger or bolder.
    QFont GetTextFont() const;
    // The text as the user sees it, lines ending in '\n'.
    std::string PlainText() const;

    void BtnSaveClick();
};

// The text window created last; nil once it is closed.
extern TFormText* FormText;

// Opens a further text window over the main window with caption and text; returns it.
TFormText* ShowTextWindow(const std::string& caption, const std::string& text);
