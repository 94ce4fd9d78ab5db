#include <gtest/gtest.h>

#include <QWidget>

#include "platform/ui/Anchors.h"

namespace {

TEST(Anchors, ControlFollowsItsAnchoredEdges)
{
    const QRect design(10, 20, 30, 40);
    const QSize designClient(100, 100);
    struct Case {
        TAnchors anchors;
        QSize client;
        QRect expected;
    };
    const Case cases[] = {
        {akLeft | akTop, {150, 120}, {10, 20, 30, 40}},
        {akAll, {150, 120}, {10, 20, 80, 60}},
        {akRight | akBottom, {150, 120}, {60, 40, 30, 40}},
        {akLeft | akRight | akTop, {150, 120}, {10, 20, 80, 40}},
        {akAll, {80, 90}, {10, 20, 10, 30}},
        {0, {150, 120}, {22, 28, 30, 40}},  // centre kept in proportion, halves truncated
        {0, {100, 100}, {10, 20, 30, 40}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnchoredRect(design, designClient, c.client, c.anchors), c.expected)
            << "anchors " << c.anchors << " client " << c.client.width() << "x" << c.client.height();
}

TEST(Anchors, SetPlacesControlsAndFollowsTheClientArea)
{
    QWidget window;
    QWidget* stretched = new QWidget(&window);
    QWidget* cornered = new QWidget(&window);
    TAnchorSet anchors(QSize(207, 113));
    anchors.Add(stretched, QRect(0, 0, 207, 71), akAll);
    anchors.Add(cornered, QRect(124, 80, 75, 25), akRight | akBottom);
    EXPECT_EQ(stretched->geometry(), QRect(0, 0, 207, 71));
    anchors.Apply(QSize(300, 182));
    EXPECT_EQ(stretched->geometry(), QRect(0, 0, 300, 140));
    EXPECT_EQ(cornered->geometry(), QRect(217, 149, 75, 25));
}

}  // namespace
