// Where windows open and how they stack: on the screen, beside their owner without hiding its
// title bar, above an owner that stays on top, and modal boxes above every window that does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/WindowFit.h"

namespace {

QRect Area() { return QGuiApplication::primaryScreen()->availableGeometry(); }

std::string Text(const QRect& r)
{
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
           std::to_string(r.height());
}

// A window nobody placed opens over its owner; one that would cover the owner's title bar moves
// down and right of it, so a click on that bar still raises the owner. A place the window was
// given is kept as far as it lies on the screen.
TEST(WindowFit, WindowsOpenBesideTheirOwnerAndOnTheScreen)
{
    const QRect area = Area();
    struct Case {
        const char* what;
        QRect owner;
        QSize size;
        std::optional<QPoint> place;  // a place the window already has
    };
    const Case cases[] = {
        {"a small window", {100, 100, 500, 400}, {200, 120}, {}},
        {"a window as large as its owner", {100, 100, 500, 400}, {500, 400}, {}},
        {"a window larger than its owner", {100, 100, 300, 200}, {500, 350}, {}},
        {"an owner at the screen's corner", {area.right() - 200, area.bottom() - 150, 200, 150}, {400, 300}, {}},
        {"a place above the screen", {100, 100, 300, 200}, {300, 200}, QPoint(50, area.top() - 20)},
        {"a place on the screen", {100, 100, 300, 200}, {300, 200}, QPoint(area.left() + 40, area.top() + 60)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QWidget owner;
        owner.setGeometry(c.owner);
        owner.show();
        QWidget window;
        window.resize(c.size);
        if (c.place) window.move(*c.place);
        ShowOwned(&window, &owner);
        const QRect frame = window.frameGeometry(), ownerFrame = owner.frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << Text(frame) << " outside " << Text(area);
        if (c.place && area.contains(QRect(*c.place, c.size))) {
            EXPECT_EQ(frame.topLeft(), *c.place) << "a place on the screen is kept";
        } else if (!c.place && area.contains(ownerFrame.adjusted(0, 0, c.size.width(), c.size.height()))) {
            EXPECT_GE(frame.top(), ownerFrame.top() + 24) << Text(frame) << " hides the title bar of " << Text(ownerFrame);
            EXPECT_TRUE(frame.intersects(ownerFrame)) << "opens by its owner";
        }
        EXPECT_NE(frame.topLeft(), ownerFrame.topLeft());
    }
}

// The window manager keeps a window above its owner when it is the owner's transient window; an
// owner that stays on top lends the window its layer, and takes it back when another owner opens
// the window later. A window made to stay on top keeps that whatever its owner.
TEST(WindowFit, AWindowStacksAboveItsOwner)
{
    QWidget onTop(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    QWidget plain;
    onTop.show();
    plain.show();
    QWidget window;
    QWidget designed(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    struct Case {
        QWidget* window;
        QWidget* owner;
        bool staysOnTop;
    };
    const Case cases[] = {
        {&window, &onTop, true},
        {&window, &plain, false},
        {&window, &onTop, true},
        {&designed, &plain, true},
        {&window, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.window == &designed ? "designed on top, owner " : "owner ") +
                     std::string(c.owner == &onTop ? "on top" : c.owner ? "plain" : "none"));
        ShowOwned(c.window, c.owner);
        EXPECT_TRUE(c.window->isVisible());
        EXPECT_EQ(c.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.staysOnTop);
        EXPECT_EQ(WindowOwner(c.window), c.owner);
        if (c.owner) {
            EXPECT_EQ(c.window->windowHandle()->transientParent(), c.owner->windowHandle());
        }
    }
}

// A modal box opens above a window that stays on top; with none showing it keeps its layer.
TEST(WindowFit, ModalBoxesStayAboveWindowsThatStayOnTop)
{
    for (bool onTopShowing : {false, true}) {
        SCOPED_TRACE(onTopShowing ? "with a window on top" : "without");
        QWidget onTop(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
        if (onTopShowing) onTop.show();
        QWidget box(nullptr, Qt::Dialog);
        PrepareModal(&box);
        EXPECT_EQ(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTopShowing);
    }
}

}  // namespace
