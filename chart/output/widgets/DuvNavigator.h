#pragma once
// The record-navigator bars of the chart library: nine small picture buttons (first, prior,
// next, last, insert, delete, edit, post, cancel) bound to a chart panel. The base shows the
// four moving buttons and does nothing on a click but tell OnButtonClicked; TChartGridNavigator
// moves through and edits the rows of a chart grid.
#include <QToolButton>
#include <QWidget>
#include <memory>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvPanel.h"
#include "platform/core/ComponentRef.h"
#include "platform/core/Events.h"
#include "platform/core/StringList.h"

class QTimer;
class TCustomAxisPanel;
class TCustomChartGrid;
class TCustomDuvNavigator;

enum class TDuvNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel };
inline constexpr int kDuvNavButtonCount = 9;

using TNotifyButtonClickedEvent = TEvent<void(TDuvNavigateBtn index)>;

// Where the visible buttons go on a bar of the requested size.
struct TNavigatorLayout {
    int Width = 0;   // the bar's width after the minimum and, unaligned, the exact multiple
    int Height = 0;
    int ButtonWidth = 0;
    int ButtonHeight = 0;
    std::vector<int> Lefts, Widths;  // per visible button
};
TNavigatorLayout NavigatorLayout(int width, int height, int visibleCount, bool aligned, bool singleBorder);

// The button name in the glyph resource "DuvNav_<name>" and the default hint.
const char* NavButtonName(TDuvNavigateBtn index);

class TDuvNavButton : public QToolButton {
public:
    TDuvNavButton(TCustomDuvNavigator* bar, TDuvNavigateBtn index);
    TDuvNavigateBtn Index() const { return index_; }
    // None until the first press.
    QTimer* RepeatTimer() const { return repeatTimer_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void RepeatTick();
    TCustomDuvNavigator* bar_;
    TDuvNavigateBtn index_;
    QTimer* repeatTimer_ = nullptr;
};

class TCustomDuvNavigator : public QWidget, public IPanelEventListener {
public:
    static constexpr int kMinButtonWidth = 20;
    static constexpr int kMinButtonHeight = 18;

    explicit TCustomDuvNavigator(QWidget* parent = nullptr);
    ~TCustomDuvNavigator() override;

    TDuvNavButton* Button(TDuvNavigateBtn index) const { return buttons_[static_cast<int>(index)]; }
    int ButtonWidth() const { return buttonWidth_; }
    int FocusedButton() const { return focusedButton_; }
    void SetFocusedButton(int index);
    int VisibleButtonCount() const;

    TCustomAxisPanel* Panel() const { return panel_; }
    virtual void SetPanel(TCustomAxisPanel* panel);
    void PanelEvent(TDuvEvent&) override {}
    virtual void EnableButtons() {}
    virtual int PageCount() const { return 1; }
    virtual void Print() {}
    // The click of a button: buttons are refreshed and OnButtonClicked told. Subclasses act first.
    virtual void ButtonClicked(TDuvNavigateBtn index);

    // One entry per button; an empty entry keeps the default hint.
    const TStringList& Hints() const { return hints_; }
    void SetHints(const TStringList& hints);
    std::string DefaultHint(TDuvNavigateBtn index) const;

    // Aligned bars keep the width they are given; unaligned ones shrink to a whole button multiple.
    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);
    bool SingleBorder() const { return singleBorder_; }
    void SetSingleBorder(bool value);
    // Sets the bounds and lays the buttons out, also before the bar is shown.
    void SetBounds(int left, int top, int width, int height);
    // Lays the visible buttons out on the bar's width and height.
    void AdjustSize();
    // Hints, size and button states, as after loading.
    void Loaded();

    TNotifyButtonClickedEvent OnButtonClicked;

protected:
    virtual void InitButtons();
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void ApplyHints();

private:
    friend class TDuvNavButton;
    void ButtonPressed(TDuvNavButton* button);
    void MoveFocus(int step);

    TDuvNavButton* buttons_[kDuvNavButtonCount] = {};
    int buttonWidth_ = kMinButtonWidth;
    int focusedButton_ = 0;
    TComponentRef<TCustomAxisPanel> panel_;
    TStringList hints_;
    TAlign align_ = alNone;
    bool singleBorder_ = false;
    bool adjusting_ = false;
};

// Moves through the rows of a chart grid and edits them.
class TChartGridNavigator : public TCustomDuvNavigator {
public:
    explicit TChartGridNavigator(QWidget* parent = nullptr);
    ~TChartGridNavigator() override;

    TCustomChartGrid* Grid() const { return grid_; }
    void SetGrid(TCustomChartGrid* grid);
    void EnableButtons() override;
    void ButtonClicked(TDuvNavigateBtn index) override;

private:
    TCustomChartGrid* grid_ = nullptr;
};
