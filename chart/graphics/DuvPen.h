#pragma once
// The chart's pen: the class library's pen with end and join styles, small dots, visibility
// and a fill brush, notifying its owner of every change.
#include <cstdint>
#include <memory>

#include "chart/graphics/Graphics.h"

class TDuvBrush;

QB_ENUM(TPenEndStyle, esRound, esSquare, esFlat)
QB_ENUM(TPenJoinStyle, jsRound, jsBevel, jsMitter)

class TDuvPen : public TPen {
    QB_CLASS(TDuvPen, TPen)
public:
    explicit TDuvPen(TChangeHandler changed = nullptr);
    ~TDuvPen() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvPen>& p);

    TPenEndStyle EndStyle() const { return endStyle_; }
    void SetEndStyle(TPenEndStyle value);
    TPenJoinStyle JoinStyle() const { return joinStyle_; }
    void SetJoinStyle(TPenJoinStyle value);
    bool SmallDots() const { return smallDots_; }
    void SetSmallDots(bool value);
    int SmallSpace() const { return smallSpace_; }
    void SetSmallSpace(int value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // Made on first read, with the pen's change handler.
    TDuvBrush* GetFill();
    TDuvBrush* PeekFill() const { return fill_.get(); }
    // None frees the fill; a brush is copied into it.
    void SetFill(const TDuvBrush* brush);

    // 0 when invisible or thinner than 2, else Width div 2.
    int HalfWidth() const;
    void Hide() { SetVisible(false); }
    void Show() { SetVisible(true); }
    bool HasGradientFill() const;
    // EndStyle together with its stored default, without notification.
    void InitEndStyle(TPenEndStyle value);
    void ChangeColor(TColor value) { SetColor(value); }
    void Assign(const TPersistent* source) override;

    bool IsEndStyleStored() const { return endStyle_ != defaultEndStyle_; }
    bool IsJoinStyleStored() const { return joinStyle_ != defaultJoinStyle_; }
    bool IsVisibleStored() const { return visible_ != defaultVisible_; }
    bool IsWidthStored() const { return Width() != defaultWidth_; }
    // Visible together with its stored default (the hidden pen's constructor, owners that
    // start with their pen hidden).
    void InitVisible(bool value);

protected:

private:
    TPenEndStyle endStyle_ = esRound;
    TPenJoinStyle joinStyle_ = jsRound;
    bool smallDots_ = false;
    int smallSpace_ = 0;
    bool visible_ = true;
    TPenEndStyle defaultEndStyle_ = esRound;
    TPenJoinStyle defaultJoinStyle_ = jsRound;
    bool defaultVisible_ = true;
    int defaultWidth_ = 1;
    std::unique_ptr<TDuvBrush> fill_;
};

// A pen that starts invisible.
class TDuvHiddenPen : public TDuvPen {
    QB_CLASS(TDuvHiddenPen, TDuvPen)
public:
    explicit TDuvHiddenPen(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TDuvHiddenPen>& p);
};

class TDarkGrayPen : public TDuvPen {
    QB_CLASS(TDarkGrayPen, TDuvPen)
public:
    explicit TDarkGrayPen(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TDarkGrayPen>& p);
};

class TWhitePen : public TDuvPen {
    QB_CLASS(TWhitePen, TDuvPen)
public:
    explicit TWhitePen(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TWhitePen>& p);
};
