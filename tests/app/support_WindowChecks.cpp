#include "app/support_WindowChecks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QWindow>

#include "platform/ui/WindowFit.h"

namespace qbtest {

namespace {

QString Shown(QString text) { return text.remove('&'); }

}  // namespace

std::string Describe(const QWidget* widget)
{
    return std::string(widget->metaObject()->className()) + "(" + widget->objectName().toStdString() + ")";
}

namespace {

// What a text needs and what its control gives it, in pixels.
void ExpectFits(std::vector<std::string>& faults, const QWidget* control, const QString& text, int needed, int given)
{
    if (needed > given)
        faults.push_back(Describe(control) + " \"" + text.toStdString() + "\" needs " + std::to_string(needed) +
                         " pixels, has " + std::to_string(given));
}

int LongestLine(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split('\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

QStyleOptionButton ButtonOption(const QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    return option;
}

void CheckLabel(const QLabel* label, std::vector<std::string>& faults)
{
    if (label->text().isEmpty() || !label->pixmap().isNull()) return;
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    if (label->wordWrap()) {
        ExpectFits(faults, label, label->text(), label->heightForWidth(label->width()), label->height());
        return;
    }
    const QFontMetrics metrics = label->fontMetrics();
    ExpectFits(faults, label, label->text(), LongestLine(metrics, Shown(label->text())), room.width());
    ExpectFits(faults, label, label->text(), metrics.height() * int(label->text().count('\n') + 1), room.height());
}

void CheckButton(const QAbstractButton* button, std::vector<std::string>& faults)
{
    const QString text = Shown(button->text());
    if (text.isEmpty()) return;
    const QFontMetrics metrics = button->fontMetrics();
    const QStyleOptionButton option = ButtonOption(button);
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(button)) contents = QStyle::SE_CheckBoxContents;
    if (qobject_cast<const QRadioButton*>(button)) contents = QStyle::SE_RadioButtonContents;
    if (const auto* tool = qobject_cast<const QToolButton*>(button)) {
        if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull()) return;
        ExpectFits(faults, button, text, metrics.horizontalAdvance(text) + 4, button->width());
        return;
    }
    const QRect room = button->style()->subElementRect(contents, &option, button);
    ExpectFits(faults, button, text, metrics.horizontalAdvance(text) + (contents == QStyle::SE_PushButtonContents ? icon : 0),
               room.width());
    ExpectFits(faults, button, text, metrics.height(), button->height());
}

void CheckGroup(const QGroupBox* group, std::vector<std::string>& faults)
{
    if (group->title().isEmpty()) return;
    QFont font = group->font();
    const QFontMetrics metrics(font);
    ExpectFits(faults, group, group->title(), metrics.horizontalAdvance(Shown(group->title())) + 16, group->width());
}

// The title bars of the common desktops: a bold face of about 13 pixels, an icon and buttons.
int CaptionNeeds(const QString& caption)
{
    QFont font("Sans Serif");
    font.setPixelSize(13);
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption) + 100;
}

}  // namespace

std::vector<std::string> LayoutFaults(QWidget* window)
{
    QApplication::sendPostedEvents();
    std::vector<std::string> faults;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(window) || child->window() != window) continue;
        if (const auto* label = qobject_cast<const QLabel*>(child)) CheckLabel(label, faults);
        if (const auto* button = qobject_cast<const QAbstractButton*>(child)) CheckButton(button, faults);
        if (const auto* group = qobject_cast<const QGroupBox*>(child)) CheckGroup(group, faults);
    }
    ExpectFits(faults, window, window->windowTitle(), CaptionNeeds(window->windowTitle()), window->width());
    const QScreen* screen = window->screen();
    if (!screen) {
        faults.push_back("no screen");
    } else if (!screen->availableGeometry().contains(window->frameGeometry())) {
        const QRect frame = window->frameGeometry();
        const QRect area = screen->availableGeometry();
        faults.push_back(Describe(window) + " frame " + std::to_string(frame.x()) + "," + std::to_string(frame.y()) + " " +
                         std::to_string(frame.width()) + "x" + std::to_string(frame.height()) + " outside the screen's " +
                         std::to_string(area.width()) + "x" + std::to_string(area.height()));
    }
    return faults;
}


std::vector<std::string> StackingFaults(QWidget* window, QWidget* owner)
{
    std::vector<std::string> faults;
    const QRect frame = window->frameGeometry(), ownerFrame = owner->frameGeometry();
    if (frame.contains(QRect(ownerFrame.left(), ownerFrame.top(), ownerFrame.width(), 24)))
        faults.push_back(Describe(window) + " covers the title bar of " + Describe(owner));
    if (WindowOwner(window) != owner) return faults;
    if (!window->windowHandle() || window->windowHandle()->transientParent() != owner->windowHandle())
        faults.push_back(Describe(window) + " is not kept above " + Describe(owner));
    if (owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        faults.push_back(Describe(window) + " opens beneath " + Describe(owner) + ", which stays on top");
    return faults;
}

}  // namespace qbtest
