#include "app/FText.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/RtfWriter.h"
#include "platform/ui/Application.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

TFormText* FormText = nullptr;

namespace {
const QSize kDesignClient(467, 348);
constexpr int kPanelHeight = 41;
// Rich text counts in points (RTF keeps half points); 8 points are the forms' 11 pixels.
constexpr int kTextPoints = 8;

// Line ends of every kind become the document's paragraph breaks.
QString DocumentText(const std::string& text)
{
    QString result = QText(text);
    result.replace("\r\n", "\n");
    result.replace('\r', '\n');
    return result;
}

void PlaceOverMainForm(QWidget& window)
{
    const QWidget* mainForm = Application() ? Application()->MainForm() : nullptr;
    if (!mainForm)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(mainForm->frameGeometry().center());
    window.move(frame.topLeft());
}
}  // namespace

TFormText::TFormText(QWidget* parent)
    : QWidget(parent, Qt::Window),
      Panel1(new QFrame(this)),
      BtnSave(new QPushButton("Save as", Panel1)),
      RichEdit1(new QTextEdit(this))
{
    setObjectName("FormText");
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(FormFont());
    KeepOnScreen(this);
    CloseOnEscape(this);
    resize(kDesignClient);

    QFont textFont = FormFont();
    textFont.setPointSize(kTextPoints);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setAccessibleName("Text");
    RichEdit1->setFont(textFont);
    RichEdit1->setReadOnly(false);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Panel1->setObjectName("Panel1");
    Panel1->setAccessibleName("Panel1");
    Panel1->setFixedHeight(kPanelHeight);
    BtnSave->setObjectName("BtnSave");
    BtnSave->setAccessibleName("Save as");
    BtnSave->setFixedSize(75, 25);
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(8, 8, 8, 8);
    panelLayout->addStretch();
    panelLayout->addWidget(BtnSave, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(RichEdit1);
    layout->addWidget(Panel1);

    connect(BtnSave, &QPushButton::clicked, this, Guarded(this, &TFormText::BtnSaveClick));
}

TFormText::~TFormText()
{
    // Another window may have been opened since; only this one's reference is dropped.
    if (FormText == this)
        FormText = nullptr;
}

QFont TFormText::GetTextFont() const { return RichEdit1->font(); }

void TFormText::AddFormattedText(const std::string& text, const QFont& font)
{
    QTextCursor cursor(RichEdit1->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFont(font);
    cursor.insertText(DocumentText(text), format);
    // Typing at the end goes on in the rich text's own font.
    QTextCharFormat plain;
    plain.setFont(RichEdit1->font());
    cursor.movePosition(QTextCursor::End);
    RichEdit1->setTextCursor(cursor);
    RichEdit1->setCurrentCharFormat(plain);
}

void TFormText::AddParagraph(const std::string& text)
{
    QTextCursor cursor(RichEdit1->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat plain;
    plain.setFont(RichEdit1->font());
    if (!cursor.block().text().isEmpty())
        cursor.insertBlock();
    cursor.insertText(DocumentText(text) + "\n\n", plain);
    RichEdit1->setTextCursor(cursor);
}

std::string TFormText::PlainText() const { return RichEdit1->toPlainText().toStdString(); }

void TFormText::BtnSaveClick()
{
    TFileDialogOptions dialog;
    dialog.Title = "Save text as";
    dialog.Filter = "Rich text file|*.rtf|All files|*.*";
    dialog.DefaultExt = "rtf";
    if (UiServices().SaveFileDialog(dialog))
        SaveDocumentAsRtf(*RichEdit1->document(), dialog.FileName);
}

TFormText* ShowTextWindow(const std::string& caption, const std::string& text)
{
    auto* window = new TFormText;
    FormText = window;
    window->setWindowTitle(QText(caption));
    window->setAccessibleName(QText(caption));
    window->AddParagraph(text);
    PlaceOverMainForm(*window);
    window->show();
    return window;
}
