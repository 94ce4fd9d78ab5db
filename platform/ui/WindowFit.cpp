#include "platform/ui/WindowFit.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
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
    // A window is visible before it is framed (while it shows), so no frame means none known yet.
    return known.isNull() ? kEstimatedFrame : known;
}

const QWidget* Owner(const QWidget& window)
{
    if (const QWidget* owner = WindowOwner(&window)) return owner;
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
    // A window that nobody placed opens over its owner, as dialogs do, so it is on the owner's
    // screen; one that would cover the owner's title bar moves down and right of it.
    if (!window.testAttribute(Qt::WA_Moved)) {
        const QWidget* owner = Owner(window);
        if (!owner || !owner->isVisible()) return;
        const QRect ownerFrame = owner->frameGeometry();
        frame.moveCenter(ownerFrame.center());
        const int titleBar = std::max(FrameMargins(*owner).top(), kEstimatedFrame.top());
        if (frame.top() < ownerFrame.top() + titleBar) frame.moveTopLeft(ownerFrame.topLeft() + QPoint(titleBar, titleBar));
    }
    const QRect fitted = FitIntoArea(frame, area);
    // The client area is placed, not the frame: a window that already has its native window but
    // no frame yet would otherwise take the frame's place for its client, and the window manager
    // would put the title bar above it, off the screen.
    if (fitted.topLeft() != window.pos())
        window.setGeometry(QRect(fitted.topLeft() + QPoint(margins.left(), margins.top()), window.size()));
}

// A window that grows by its own doing (not by the user's dragging) stays on its screen.
void KeepGrownWindowOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen || window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const QMargins margins = FrameMargins(window);
    const QRect frame(window.pos(), window.size().grownBy(margins));
    const QRect fitted = FitIntoArea(frame, screen->availableGeometry());
    if (fitted.topLeft() != frame.topLeft())
        window.setGeometry(QRect(fitted.topLeft() + QPoint(margins.left(), margins.top()), window.size()));
}

class TScreenKeeper : public QObject {
public:
    static constexpr const char* kName = "qb_screen_keeper";
    explicit TScreenKeeper(QWidget* window)
        : QObject(window), DesignedOnTop(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
    {
        setObjectName(kName);
        window->installEventFilter(this);
    }

    static TScreenKeeper* Of(const QWidget* window)
    {
        return window->findChild<TScreenKeeper*>(kName, Qt::FindDirectChildrenOnly);
    }

    // The window's own choice, before any owner lent it its layer.
    const bool DesignedOnTop;
    QPointer<QWidget> Owner;

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
    if (!TScreenKeeper::Of(window)) new TScreenKeeper(window);
}

QWidget* WindowOwner(const QWidget* window)
{
    const TScreenKeeper* keeper = TScreenKeeper::Of(window);
    return keeper ? keeper->Owner.data() : nullptr;
}

void ShowOwned(QWidget* window, QWidget* owner)
{
    KeepOnScreen(window);
    TScreenKeeper& keeper = *TScreenKeeper::Of(window);
    QWidget* top = owner ? owner->window() : nullptr;
    if (top == window) top = nullptr;
    keeper.Owner = top;
    const bool onTop = keeper.DesignedOnTop || (top && top->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // Changing the flag hides the window; it shows again below, where it was.
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop) window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (top) {
        window->winId();
        top->winId();
        window->windowHandle()->setTransientParent(top->windowHandle());
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void PrepareModal(QWidget* box)
{
    KeepOnScreen(box);
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool onTop = std::any_of(windows.begin(), windows.end(), [box](const QWidget* window) {
        return window != box && window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    });
    if (onTop && !box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) box->setWindowFlag(Qt::WindowStaysOnTopHint);
}

void CloseOnEscape(QWidget* window) { new TEscapeCloser(window); }
