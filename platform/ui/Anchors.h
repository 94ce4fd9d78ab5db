#pragma once
// Controls keep their distance to the anchored edges of the client area when a window resizes,
// as the forms were designed: both edges of a direction anchored -> the control stretches,
// one -> it keeps that distance, none -> its centre keeps its proportional place.
#include <QRect>
#include <QSize>
#include <unordered_map>
#include <vector>

class QWidget;

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
constexpr TAnchors akAll = akLeft | akTop | akRight | akBottom;

// Where a control designed at `design` in a client area of `designClient` goes in `client`.
QRect AnchoredRect(const QRect& design, const QSize& designClient, const QSize& client, TAnchors anchors);

// The anchored controls of one window; the window calls Apply from its resize handling.
class TAnchorSet {
public:
    explicit TAnchorSet(const QSize& designClient) : designClient_(designClient) {}
    // Places the control at its design rectangle and remembers its anchors; a control added
    // again (one that grows while it is built) keeps one entry with its latest design.
    void Add(QWidget* control, const QRect& design, TAnchors anchors);
    void Apply(const QSize& client) const;

private:
    struct Item {
        QWidget* control;
        QRect design;
        TAnchors anchors;
    };
    QSize designClient_;
    std::vector<Item> items_;
    std::unordered_map<const QWidget*, std::size_t> positions_;  // control -> its item
};
