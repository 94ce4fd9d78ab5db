#include "stats/FMemoDlg.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/core/StringList.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

TFormMemoDialog::TFormMemoDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormMemoDialog");
    setWindowTitle("Edit text lines");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    Memo = Named(new QPlainTextEdit(this), "Memo", "Text lines");
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Memo);
    auto* buttons = new QHBoxLayout;
    BtnOK = Named(new QPushButton("OK", this), "BtnOK", "OK");
    BtnCancel = Named(new QPushButton("Cancel", this), "BtnCancel", "Cancel");
    BtnOK->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    layout->addLayout(buttons);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool EditTextLines(TStringList& lines, const std::string& caption)
{
    TFormMemoDialog form;
    form.setWindowTitle(QText(caption));
    form.setAccessibleName(QText(caption));
    QStringList texts;
    for (int i = 0; i < lines.Count(); ++i) texts << QText(lines[i]);
    form.Memo->setPlainText(texts.join('\n'));
    PrepareModal(&form);
    if (form.exec() != QDialog::Accepted) return false;
    TStringList edited;
    edited.SetText(form.Memo->toPlainText().toStdString());
    lines.Clear();
    lines.AddStrings(edited);
    return true;
}
