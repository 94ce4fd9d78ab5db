#pragma once
// The four corners of a rounded shape, each rounded, bevelled or square, and the outline the
// canvas draws for such a shape.
#include <memory>

#include "chart/graphics/DuvTypes.h"
#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

class TDuvCanvas;
class TDuvBasePath;

QB_ENUM(TDuvCornerStyle, cosRound, cosBevel, cosNone)

class TDuvCorner : public TPersistent {
    QB_CLASS(TDuvCorner, TPersistent)
public:
    explicit TDuvCorner(TChangeHandler changed = nullptr) : OnChange(std::move(changed)) {}
    static void DeclareProperties(TPropertyDeclarer<TDuvCorner>& p);

    TDuvCornerStyle Style() const { return style_; }
    void SetStyle(TDuvCornerStyle value);
    void Assign(const TPersistent* source) override;

    TChangeHandler OnChange;

private:
    TDuvCornerStyle style_ = cosRound;
};

class TDuvCorners : public TPersistent {
    QB_CLASS(TDuvCorners, TPersistent)
public:
    explicit TDuvCorners(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TDuvCorners>& p);

    TDuvCorner* LeftBottom() const { return leftBottom_.get(); }
    TDuvCorner* LeftTop() const { return leftTop_.get(); }
    TDuvCorner* RightBottom() const { return rightBottom_.get(); }
    TDuvCorner* RightTop() const { return rightTop_.get(); }
    // The setters copy into the corners, which live as long as this object.
    void SetLeftBottom(const TDuvCorner* value) { leftBottom_->Assign(value); }
    void SetLeftTop(const TDuvCorner* value) { leftTop_->Assign(value); }
    void SetRightBottom(const TDuvCorner* value) { rightBottom_->Assign(value); }
    void SetRightTop(const TDuvCorner* value) { rightTop_->Assign(value); }
    void Assign(const TPersistent* source) override;

    // The closed outline of the rectangle with these corners, corner ellipses a x b, as a new
    // path of the canvas; the caller draws and frees it.
    std::unique_ptr<TDuvBasePath> BuildPath(TDuvCanvas& canvas, const TRect& rect, int cornerWidth,
                                            int cornerHeight) const;

private:
    std::unique_ptr<TDuvCorner> leftBottom_;
    std::unique_ptr<TDuvCorner> leftTop_;
    std::unique_ptr<TDuvCorner> rightBottom_;
    std::unique_ptr<TDuvCorner> rightTop_;
};
