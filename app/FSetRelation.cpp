#include "app/FSetRelation.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <memory>

#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace {
const QSize kDesignClient(330, 260);

std::string SelectedText(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? std::string() : selected.front()->text().toStdString();
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption)
{
    return Named(new QLabel(QString::fromUtf8(caption), parent), name, QString::fromUtf8(caption));
}
}  // namespace

std::string RelationCondition(const std::string& first, const std::string& second)
{
    return "(" + first + "=" + second + ")";
}

TFormSetRelation::TFormSetRelation(QWidget* parent)
    : QDialog(parent),
      Label1(MakeLabel(this, "Label1", "První proměnná")),
      Label2(MakeLabel(this, "Label2", "Druhá proměnná")),
      ListBox1(Named(new QListWidget(this), "ListBox1", QString::fromUtf8("První proměnná"))),
      ListBox2(Named(new QListWidget(this), "ListBox2", QString::fromUtf8("Druhá proměnná"))),
      BtnOK(Named(new QPushButton("OK", this), "BtnOK", "OK")),
      BtnCancel(Named(new QPushButton("Cancel", this), "BtnCancel", "Cancel"))
{
    setObjectName("FormSetRelation");
    const QString caption = QString::fromUtf8("Nastavení relace (rovnosti)");
    setWindowTitle(caption);
    setAccessibleName(caption);
    setFont(FormFont());
    KeepOnScreen(this);
    resize(kDesignClient);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 1);
    grid->addWidget(ListBox1, 1, 0);
    grid->addWidget(ListBox2, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);

    BtnOK->setEnabled(false);
    BtnOK->setDefault(true);
    for (QListWidget* list : {ListBox1, ListBox2})
        connect(list, &QListWidget::itemSelectionChanged, this, Guarded(this, &TFormSetRelation::ListBoxClick));
    connect(BtnOK, &QPushButton::clicked, this, Guarded(this, &TFormSetRelation::BtnOKClick));
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormSetRelation::SetFields(const TStringList& fields)
{
    for (QListWidget* list : {ListBox1, ListBox2}) {
        list->clear();
        for (int i = 0; i < fields.Count(); ++i)
            list->addItem(QText(fields[i]));
    }
    ListBoxClick();
}

std::string TFormSetRelation::Condition() const
{
    const std::string first = SelectedText(ListBox1);
    const std::string second = SelectedText(ListBox2);
    return first.empty() || second.empty() ? std::string() : RelationCondition(first, second);
}

void TFormSetRelation::ListBoxClick() { BtnOK->setEnabled(!Condition().empty()); }

void TFormSetRelation::BtnOKClick()
{
    condition_ = Condition();
    if (!condition_.empty())
        accept();
}

bool AskRelation(const TStringList& fields, std::string& condition)
{
    auto form = std::make_unique<TFormSetRelation>();
    form->SetFields(fields);
    const bool ok = form->exec() == QDialog::Accepted;
    if (ok)
        condition = form->condition_;
    return ok;
}
