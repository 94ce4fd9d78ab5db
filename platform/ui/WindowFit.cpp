#include "platform/ui/WindowFit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "platform/ui/Application.h"

namespace {

// Title bars of the common window managers: a bold sans face of about 10 points, the window's
// icon on the left and up to three buttons on the right.
constexpr int kTitleFontPoints = 10;
constexpr int kTitleBarExtras = 120;
// Until the window manager has framed a window, Qt knows no frame; this one is on the safe side.
const QMargins kEstimatedFrame(6, 32, 6, 6);

QMargins FrameMargins(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const QMargins known(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                         frame.bottom() - client.bottom());
    return known.isNull() && !window.isVisible() ? kEstimatedFrame : known;
}

const QWidget* Owner(const QWidget& window)
{
    if (const QWidget* parent = window.parentWidget()) return parent->window();
    const QWidget* mainForm = Application() ? Application()->MainForm() : nullptr;
    return mainForm != &window ? mainForm : nullptr;
}

QScreen* OwnersScreen(const QWidget& window)
{
    const QWidget* owner = Owner(window);
    if (owner && owner->screen()) return owner->screen();
    return window.screen() ? window.screen() : QGuiApplication::primaryScreen();
}

void WidenForCaption(QWidget& window)
{
    const int needed = CaptionWidth(window.windowTitle());
    if (window.width() >= needed) return;
    if (window.maximumWidth() < needed) window.setMaximumWidth(needed);
    if (window.minimumWidth() == window.maximumWidth()) window.setMinimumWidth(needed);  // a fixed width stays fixed
    window.resize(needed, window.height());
}

void FitOnScreen(QWidget& window)
{
    if (!window.isWindow() || window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    WidenForCaption(window);
    const QScreen* screen = OwnersScreen(window);
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QMargins margins = FrameMargins(window);
    const QSize room = area.size().shrunkBy(margins);
    const QSize size(std::clamp(window.width(), window.minimumWidth(), std::max(room.width(), window.minimumWidth())),
                     std::clamp(window.height(), window.minimumHeight(), std::max(room.height(), window.minimumHeight())));
    if (size != window.size()) window.resize(size);
    QRect frame(window.pos(), size.grownBy(margins));
    // A window that nobody placed opens over its owner, as dialogs do, so it is on the owner's screen.
    if (!window.testAttribute(Qt::WA_Moved)) {
        const QWidget* owner = Owner(window);
        if (!owner || !owner->isVisible()) return;
        frame.moveCenter(owner->frameGeometry().center());
    }
    const QRect fitted = FitIntoArea(frame, area);
    if (fitted.topLeft() != window.pos()) window.move(fitted.topLeft());
}

// A window that grows by its own doing (not by the user's dragging) stays on its screen.
void KeepGrownWindowOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen || window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const QRect frame(window.pos(), window.size().grownBy(FrameMargins(window)));
    const QRect fitted = FitIntoArea(frame, screen->availableGeometry());
    if (fitted.topLeft() != frame.topLeft()) window.move(fitted.topLeft());
}

class TScreenKeeper : public QObject {
public:
    static constexpr const char* kName = "qb_screen_keeper";
    explicit TScreenKeeper(QWidget* window) : QObject(window)
    {
        setObjectName(kName);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != parent()) return false;
        auto& window = *static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show)
            FitOnScreen(window);
        else if (event->type() == QEvent::Resize && !event->spontaneous() && window.isVisible())
            KeepGrownWindowOnScreen(window);
        return false;
    }
};

// Escape reaches the window when the control that has the keyboard leaves it alone, as the
// program's edit and text controls do.
class TEscapeCloser : public QObject {
public:
    explicit TEscapeCloser(QWidget* window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != parent() || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
        static_cast<QWidget*>(watched)->close();
        return true;
    }
};

}  // namespace

int CaptionWidth(const QString& caption)
{
    QFont font(QStringLiteral("Sans Serif"), kTitleFontPoints);
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarExtras;
}

QRect FitIntoArea(const QRect& frame, const QRect& area)
{
    QRect fitted(frame.topLeft(), frame.size().boundedTo(area.size()));
    if (fitted.right() > area.right()) fitted.moveRight(area.right());
    if (fitted.bottom() > area.bottom()) fitted.moveBottom(area.bottom());
    if (fitted.left() < area.left()) fitted.moveLeft(area.left());
    if (fitted.top() < area.top()) fitted.moveTop(area.top());
    return fitted;
}

void KeepOnScreen(QWidget* window)
{
    if (!window->findChild<QObject*>(TScreenKeeper::kName, Qt::FindDirectChildrenOnly)) new TScreenKeeper(window);
}

void CloseOnEscape(QWidget* window) { new TEscapeCloser(window); }
