#include "platform/ui/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/core/NumText.h"

namespace {
QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const QString& accessibleName)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAccessibleName(accessibleName);
    button->setAutoRepeat(true);
    return button;
}
}  // namespace

TUpDown::TUpDown(QLineEdit* associate, int min, int max, QWidget* parent)
    : QWidget(parent), associate_(associate), min_(min), max_(max),
      up_(MakeArrow(this, Qt::UpArrow, "Up")), down_(MakeArrow(this, Qt::DownArrow, "Down"))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TUpDown::Step(int delta)
{
    int value = 0;
    if (!TryStrToInt(associate_->text().toStdString(), value)) value = min_ - delta;
    associate_->setText(QString::fromStdString(IntToStr(std::clamp(value + delta, min_, max_))));
}
