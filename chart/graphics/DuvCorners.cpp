#include "chart/graphics/DuvCorners.h"

#include <algorithm>
#include <cstdlib>

#include "chart/graphics/DuvBasePath.h"
#include "chart/graphics/DuvCanvas.h"

void TDuvCorner::DeclareProperties(TPropertyDeclarer<TDuvCorner>& p)
{
    p.Enum("Style", &TDuvCorner::Style, &TDuvCorner::SetStyle).Default(cosRound);
}

void TDuvCorner::SetStyle(TDuvCornerStyle value)
{
    if (SetIfChanged(style_, value) && OnChange) OnChange(this);
}

void TDuvCorner::Assign(const TPersistent* source)
{
    auto* corner = dynamic_cast<const TDuvCorner*>(source);
    if (!corner) return TPersistent::Assign(source);
    style_ = corner->style_;
}

TDuvCorners::TDuvCorners(TChangeHandler changed)
    : leftBottom_(std::make_unique<TDuvCorner>(changed)),
      leftTop_(std::make_unique<TDuvCorner>(changed)),
      rightBottom_(std::make_unique<TDuvCorner>(changed)),
      rightTop_(std::make_unique<TDuvCorner>(changed))
{
}

void TDuvCorners::DeclareProperties(TPropertyDeclarer<TDuvCorners>& p)
{
    p.Object("LeftBottom", &TDuvCorners::LeftBottom, &TDuvCorners::SetLeftBottom);
    p.Object("LeftTop", &TDuvCorners::LeftTop, &TDuvCorners::SetLeftTop);
    p.Object("RightBottom", &TDuvCorners::RightBottom, &TDuvCorners::SetRightBottom);
    p.Object("RightTop", &TDuvCorners::RightTop, &TDuvCorners::SetRightTop);
}

void TDuvCorners::Assign(const TPersistent* source)
{
    auto* corners = dynamic_cast<const TDuvCorners*>(source);
    if (!corners) return TPersistent::Assign(source);
    SetLeftBottom(corners->LeftBottom());
    SetLeftTop(corners->LeftTop());
    SetRightBottom(corners->RightBottom());
    SetRightTop(corners->RightTop());
}

std::unique_ptr<TDuvBasePath> TDuvCorners::BuildPath(TDuvCanvas& canvas, const TRect& rect, int cornerWidth,
                                                     int cornerHeight) const
{
    const int left = rect.Left, top = rect.Top, right = rect.Right, bottom = rect.Bottom;
    const int w = std::min(std::max(2 * (cornerWidth / 2), 1), std::abs(right - left));
    const int h = std::min(std::max(2 * (cornerHeight / 2), 1), std::abs(bottom - top));
    const int w2 = w / 2, h2 = h / 2;
    const TDuvCornerStyle rt = rightTop_->Style(), rb = rightBottom_->Style();
    const TDuvCornerStyle lb = leftBottom_->Style(), lt = leftTop_->Style();
    std::unique_ptr<TDuvBasePath> path = canvas.CreatePath();

    if (rt == cosRound) {
        if (lt == cosNone) {
            path->MoveTo(left, top);
            path->LineTo(right - w, top);
        }
        path->AddArc(right - w, top, w, h, 270, 90);
    } else if (rt == cosBevel) {
        path->MoveTo(right - w2, top);
        path->LineTo(right, top + h2);
    } else {
        path->MoveTo(right, top);
    }

    if (rb == cosRound) {
        if (rt != cosRound) path->LineTo(right, bottom - h);
        path->AddArc(right - w, bottom - h, w, h, 0, 90);
    } else {
        if (rt == cosRound) path->MoveTo(right, top + h);
        if (rb == cosBevel) {
            path->LineTo(right, bottom - h2);
            path->LineTo(right - w2, bottom);
        } else {
            path->LineTo(right, bottom);
        }
    }

    if (lb == cosRound) {
        if (rb != cosRound) path->LineTo(left + w, bottom);
        path->AddArc(left, bottom - h, w, h, 90, 90);
    } else {
        if (rb == cosRound) path->MoveTo(right - w, bottom);
        if (lb == cosBevel) {
            path->LineTo(left + w2, bottom);
            path->LineTo(left, bottom - h2);
        } else {
            path->LineTo(left, bottom);
        }
    }

    if (lt == cosRound) {
        if (lb != cosRound) path->LineTo(left, top + h);
        path->AddArc(left, top, w, h, 180, 90);
    } else {
        if (lb == cosRound) path->MoveTo(left, bottom - h);
        if (lt == cosBevel) {
            path->LineTo(left, top + h2);
            path->LineTo(left + w2, top);
        } else if (rt != cosRound) {
            path->LineTo(left, top);
        }
    }
    path->CloseFigure();
    return path;
}
