#include "platform/ui/Anchors.h"

#include <QWidget>

namespace {
struct Span {
    int start;
    int length;
};

// One direction: the start and length of the control for a client extent.
Span AnchoredSpan(int start, int length, int designExtent, int extent, bool nearEdge, bool farEdge)
{
    const int growth = extent - designExtent;
    if (nearEdge && farEdge)
        return {start, length + growth};
    if (farEdge)
        return {start + growth, length};
    if (nearEdge)
        return {start, length};
    if (designExtent <= 0)
        return {start, length};
    // Centre kept in proportion; halves truncated as pixel positions are.
    const long long centre2 = 2LL * start + length;
    return {static_cast<int>((centre2 * extent / designExtent - length) / 2), length};
}
}  // namespace

QRect AnchoredRect(const QRect& design, const QSize& designClient, const QSize& client, TAnchors anchors)
{
    const Span x = AnchoredSpan(design.x(), design.width(), designClient.width(), client.width(), anchors & akLeft,
                                anchors & akRight);
    const Span y = AnchoredSpan(design.y(), design.height(), designClient.height(), client.height(), anchors & akTop,
                                anchors & akBottom);
    return QRect(x.start, y.start, x.length, y.length);
}

void TAnchorSet::Add(QWidget* control, const QRect& design, TAnchors anchors)
{
    const auto [position, added] = positions_.try_emplace(control, items_.size());
    if (added)
        items_.push_back({control, design, anchors});
    else
        items_[position->second] = {control, design, anchors};
    control->setGeometry(design);
}

void TAnchorSet::Apply(const QSize& client) const
{
    for (const Item& item : items_)
        item.control->setGeometry(AnchoredRect(item.design, designClient_, client, item.anchors));
}
