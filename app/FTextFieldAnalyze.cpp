#include "app/FTextFieldAnalyze.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/core/CodePage.h"
#include "platform/db/DataSource.h"
#include "platform/ui/Application.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace {
constexpr int kCodeWidth = 4;
const QColor kInfoBackground(255, 255, 225);
}  // namespace

std::string FormatCharCode(const std::string& text)
{
    std::string codes;
    for (const unsigned char c : Utf8ToAnsi(text)) {
        const std::string code = std::to_string(c);
        codes.append(kCodeWidth - code.size(), ' ').append(code);
    }
    return codes;
}

std::pair<int, int> CodeSelection(int selStart, int selLength)
{
    return {kCodeWidth * selStart, kCodeWidth * (selLength > 0 ? selLength : 1)};
}

TFormTextFieldAnalyze::TFormTextFieldAnalyze(QWidget* parent)
    : QWidget(parent, Qt::Window), DBEdit(new TDBEdit(this)), Memo(Named(new QPlainTextEdit(this), "Memo", "Codes"))
{
    setObjectName("FormTextFieldAnalyze");
    setWindowTitle("Text field analyze");
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(FormFont());
    KeepOnScreen(this);
    CloseOnEscape(this);
    resize(400, 120);

    DBEdit->setObjectName("DBEdit");
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = Memo->palette();
    palette.setColor(QPalette::Base, kInfoBackground);
    Memo->setPalette(palette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(DBEdit);
    layout->addWidget(Memo, 1);

    DBEdit->installEventFilter(this);
    connect(DBEdit, &QLineEdit::textChanged, this, Guarded(this, &TFormTextFieldAnalyze::DBEditChange));
}

void TFormTextFieldAnalyze::DBEditChange() { Memo->setPlainText(QText(FormatCharCode(DBEdit->text().toStdString()))); }

void TFormTextFieldAnalyze::SyncSelection()
{
    const int start = DBEdit->hasSelectedText() ? DBEdit->selectionStart() : DBEdit->cursorPosition();
    if (start < 0)
        return;
    const auto [from, length] = CodeSelection(start, static_cast<int>(DBEdit->selectedText().size()));
    const int end = static_cast<int>(Memo->document()->characterCount()) - 1;
    QTextCursor cursor = Memo->textCursor();
    cursor.setPosition(std::min(from, end));
    cursor.setPosition(std::min(from + length, end), QTextCursor::KeepAnchor);
    Memo->setTextCursor(cursor);
}

bool TFormTextFieldAnalyze::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBEdit && (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease))
        RunHandler([this] { SyncSelection(); });
    return QWidget::eventFilter(watched, event);
}

TFormTextFieldAnalyze* ShowTextFieldAnalyze(TDataSource* dataSource, TField* field, const QPoint& screenPoint)
{
    auto* form = new TFormTextFieldAnalyze;
    form->move(screenPoint);
    form->DBEdit->SetDataSource(dataSource);
    form->DBEdit->SetDataField(field->FieldName());
    const QString caption = QText("Text field analyze [" + field->FieldName() + "]");
    form->setWindowTitle(caption);
    form->setAccessibleName(caption);
    form->show();
    return form;
}
