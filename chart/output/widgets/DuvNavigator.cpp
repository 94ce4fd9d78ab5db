#include "chart/output/widgets/DuvNavigator.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QBitmap>
#include <QPixmap>
#include <QStyleOptionFocusRect>
#include <QTimer>

#include "chart/engine/AxisPanel.h"
#include "chart/graphics/DuvConst.h"
#include "chart/output/ChartGridModel.h"
#include "chart/output/widgets/ChartGrid.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Application.h"

namespace {

constexpr const char* kButtonNames[kDuvNavButtonCount] = {"First", "Prior", "Next", "Last", "Insert",
                                                          "Delete", "Edit",  "Post", "Cancel"};
constexpr int kFirstRepeatDelay = 400;
constexpr int kRepeatInterval = 100;
constexpr int kGlyphWidth = 14;

const std::string* const kDefaultHints[kDuvNavButtonCount] = {
    &DuvMsgNavigatorFirst,  &DuvMsgNavigatorPrior,  &DuvMsgNavigatorNext, &DuvMsgNavigatorLast,   &DuvMsgNavigatorInsert,
    &DuvMsgNavigatorDelete, &DuvMsgNavigatorEdit,   &DuvMsgNavigatorPost, &DuvMsgNavigatorCancel,
};

// The resource holds the normal and the disabled glyph side by side; the button face colour
// of the picture's corner is see-through.
QIcon GlyphIcon(TDuvNavigateBtn index)
{
    QPixmap both(QStringLiteral(":/rcdata/DuvNav_") + QString::fromLatin1(NavButtonName(index)));
    if (both.isNull()) return {};
    const QImage image = both.toImage();
    // A bitmap mask hides its set bits: the corner colour is the one "masked in".
    const QBitmap mask = QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, 0), Qt::MaskInColor));
    both.setMask(mask);
    QIcon icon;
    icon.addPixmap(both.copy(0, 0, kGlyphWidth, both.height()), QIcon::Normal);
    icon.addPixmap(both.copy(kGlyphWidth, 0, kGlyphWidth, both.height()), QIcon::Disabled);
    return icon;
}

}  // namespace

const char* NavButtonName(TDuvNavigateBtn index) { return kButtonNames[static_cast<int>(index)]; }

TNavigatorLayout NavigatorLayout(int width, int height, int visibleCount, bool aligned, bool singleBorder)
{
    TNavigatorLayout layout;
    const int count = std::max(1, visibleCount);
    layout.Width = std::max(width, count * TCustomDuvNavigator::kMinButtonWidth);
    layout.Height = std::max(height, TCustomDuvNavigator::kMinButtonHeight);
    layout.ButtonWidth = layout.Width / count;
    if (!aligned) layout.Width = layout.ButtonWidth * count;
    layout.ButtonHeight = singleBorder ? layout.Height - 4 : layout.Height;
    // The leftover pixels go one each to buttons spread along the bar.
    const int leftover = layout.Width - count * layout.ButtonWidth;
    int running = count / 2;
    int x = 0;
    for (int i = 0; i < visibleCount; ++i) {
        int buttonWidth = layout.ButtonWidth;
        running -= leftover;
        if (running < 0) {
            ++buttonWidth;
            running += count;
        }
        layout.Lefts.push_back(x);
        layout.Widths.push_back(buttonWidth);
        x += buttonWidth;
    }
    return layout;
}

// ---------------------------------------------------------------- TDuvNavButton

TDuvNavButton::TDuvNavButton(TCustomDuvNavigator* bar, TDuvNavigateBtn index)
    : QToolButton(bar), bar_(bar), index_(index)
{
    setObjectName(QStringLiteral("Button") + QString::fromLatin1(NavButtonName(index)));
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIcon(GlyphIcon(index));
    setIconSize(QSize(kGlyphWidth, 13));
    connect(this, &QAbstractButton::pressed, this, [this] { RunHandler([this] { bar_->ButtonPressed(this); }); });
}

void TDuvNavButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isEnabled()) {
        bar_->SetFocusedButton(static_cast<int>(index_));
        if (bar_->focusPolicy() & Qt::TabFocus && !bar_->hasFocus()) bar_->setFocus(Qt::MouseFocusReason);
    }
    QToolButton::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !isDown()) return;
    if (!repeatTimer_) {
        repeatTimer_ = new QTimer(this);
        connect(repeatTimer_, &QTimer::timeout, this, [this] { RepeatTick(); });
    }
    repeatTimer_->setInterval(kFirstRepeatDelay);
    repeatTimer_->start();
}

void TDuvNavButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (repeatTimer_) repeatTimer_->stop();
    QToolButton::mouseReleaseEvent(event);
}

void TDuvNavButton::RepeatTick()
{
    repeatTimer_->setInterval(kRepeatInterval);
    if (!isDown() || !isEnabled()) return;
    RunHandler([this] {
        bool done = false;
        TScopeGuard stopOnFailure([this, &done] {
            if (!done) repeatTimer_->stop();
        });
        bar_->ButtonClicked(index_);
        done = true;
    });
}

void TDuvNavButton::paintEvent(QPaintEvent* event)
{
    QToolButton::paintEvent(event);
    if (!bar_->hasFocus() || bar_->FocusedButton() != static_cast<int>(index_)) return;
    QPainter painter(this);
    QRect r = rect().adjusted(3, 3, -3, -3);
    if (isDown()) r.translate(1, 1);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = r;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

// ---------------------------------------------------------------- TCustomDuvNavigator

TCustomDuvNavigator::TCustomDuvNavigator(QWidget* parent) : QWidget(parent)
{
    // The going panel is still whole: the navigator leaves its listener list.
    panel_.OnGone = [this](TComponent*) { SetPanel(nullptr); };
    setObjectName(QStringLiteral("DuvNavigator"));
    setAccessibleName(QStringLiteral("Navigator"));
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
    InitButtons();
    ApplyHints();
    resize(241, 25);
    AdjustSize();
}

TCustomDuvNavigator::~TCustomDuvNavigator()
{
    if (panel_) panel_->RemoveListener(this);
}

void TCustomDuvNavigator::InitButtons()
{
    for (int i = 0; i < kDuvNavButtonCount; ++i) {
        auto* button = new TDuvNavButton(this, static_cast<TDuvNavigateBtn>(i));
        button->setGeometry(i * kMinButtonWidth, 0, kMinButtonWidth, kMinButtonHeight);
        button->setEnabled(false);
        buttons_[i] = button;
    }
    for (int i = static_cast<int>(TDuvNavigateBtn::nbInsert); i < kDuvNavButtonCount; ++i) buttons_[i]->setVisible(false);
}

int TCustomDuvNavigator::VisibleButtonCount() const
{
    int count = 0;
    for (TDuvNavButton* button : buttons_)
        if (!button->isHidden()) ++count;
    return count;
}

void TCustomDuvNavigator::SetPanel(TCustomAxisPanel* panel)
{
    if (panel == panel_) return;
    if (panel_) panel_->RemoveListener(this);
    panel_ = panel;
    if (panel_) panel_->AddListener(this);
    EnableButtons();
}

void TCustomDuvNavigator::ButtonClicked(TDuvNavigateBtn index)
{
    EnableButtons();
    if (OnButtonClicked) OnButtonClicked(index);
}

void TCustomDuvNavigator::ButtonPressed(TDuvNavButton* button)
{
    if (button->isEnabled()) ButtonClicked(button->Index());
}

void TCustomDuvNavigator::SetFocusedButton(int index)
{
    if (index == focusedButton_) return;
    const int old = focusedButton_;
    focusedButton_ = index;
    buttons_[old]->update();
    buttons_[index]->update();
}

std::string TCustomDuvNavigator::DefaultHint(TDuvNavigateBtn index) const
{
    return *kDefaultHints[static_cast<int>(index)];
}

void TCustomDuvNavigator::SetHints(const TStringList& hints)
{
    hints_ = hints;
    ApplyHints();
}

void TCustomDuvNavigator::ApplyHints()
{
    for (int i = 0; i < kDuvNavButtonCount; ++i) {
        std::string hint = DefaultHint(static_cast<TDuvNavigateBtn>(i));
        if (i < hints_.Count() && !hints_[i].empty()) hint = hints_[i];
        buttons_[i]->setToolTip(QString::fromStdString(hint));
        buttons_[i]->setAccessibleName(QString::fromStdString(hint));
    }
}

void TCustomDuvNavigator::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
    AdjustSize();
}

void TCustomDuvNavigator::SetAlign(TAlign value)
{
    align_ = value;
    AdjustSize();
}

void TCustomDuvNavigator::SetSingleBorder(bool value)
{
    singleBorder_ = value;
    AdjustSize();
}

void TCustomDuvNavigator::AdjustSize()
{
    if (adjusting_) return;
    adjusting_ = true;
    TScopeGuard done([this] { adjusting_ = false; });
    const int count = VisibleButtonCount();
    const TNavigatorLayout layout = NavigatorLayout(width(), height(), count, align_ != alNone, singleBorder_);
    setMinimumSize(std::max(1, count) * kMinButtonWidth, kMinButtonHeight);
    if (layout.Width != width() || layout.Height != height()) resize(layout.Width, layout.Height);
    buttonWidth_ = layout.ButtonWidth;
    int placed = 0;
    for (TDuvNavButton* button : buttons_) {
        if (button->isHidden()) {
            button->move(layout.Width + 1, 0);
            continue;
        }
        button->setGeometry(layout.Lefts[static_cast<std::size_t>(placed)], 0,
                            layout.Widths[static_cast<std::size_t>(placed)], layout.ButtonHeight);
        ++placed;
    }
}

void TCustomDuvNavigator::Loaded()
{
    AdjustSize();
    ApplyHints();
    EnableButtons();
}

void TCustomDuvNavigator::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    AdjustSize();
}

void TCustomDuvNavigator::MoveFocus(int step)
{
    for (int i = focusedButton_ + step; i >= 0 && i < kDuvNavButtonCount; i += step) {
        if (buttons_[i]->isHidden()) continue;
        SetFocusedButton(i);
        return;
    }
}

void TCustomDuvNavigator::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: MoveFocus(-1); break;
    case Qt::Key_Right: MoveFocus(1); break;
    case Qt::Key_Space:
        if (buttons_[focusedButton_]->isEnabled()) ButtonClicked(static_cast<TDuvNavigateBtn>(focusedButton_));
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void TCustomDuvNavigator::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    buttons_[focusedButton_]->update();
}

void TCustomDuvNavigator::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    buttons_[focusedButton_]->update();
}

void TCustomDuvNavigator::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) EnableButtons();
}

// ---------------------------------------------------------------- TChartGridNavigator

TChartGridNavigator::TChartGridNavigator(QWidget* parent) : TCustomDuvNavigator(parent)
{
    setObjectName(QStringLiteral("ChartGridNavigator"));
    for (int i = static_cast<int>(TDuvNavigateBtn::nbInsert); i < kDuvNavButtonCount; ++i) Button(static_cast<TDuvNavigateBtn>(i))->setVisible(true);
    resize(241, 25);
    AdjustSize();
}

TChartGridNavigator::~TChartGridNavigator() { SetGrid(nullptr); }

void TChartGridNavigator::SetGrid(TCustomChartGrid* grid)
{
    if (grid == grid_) return;
    if (grid_) grid_->SetNavigatorLink(nullptr, {});
    grid_ = grid;
    if (grid_) {
        if (TChartGridNavigator* other = grid_->Navigator()) other->SetGrid(nullptr);
        grid_->SetNavigatorLink(this, {[this] { EnableButtons(); }, [this] { EnableButtons(); }, [this] { grid_ = nullptr; }});
    }
    EnableButtons();
}

void TChartGridNavigator::EnableButtons()
{
    auto enable = [this](TDuvNavigateBtn index, bool on) { Button(index)->setEnabled(on && isEnabled()); };
    if (!grid_) {
        for (int i = 0; i < kDuvNavButtonCount; ++i) enable(static_cast<TDuvNavigateBtn>(i), false);
        return;
    }
    const int row = grid_->Row();
    const int first = grid_->Model().HeaderRowCount();
    const int last = grid_->Model().RowCount() - 1;
    const bool editing = grid_->Editing();
    const bool insert = (grid_->EditingAllowed() && !editing && grid_->HasChartSeries()) || grid_->Model().Series();
    enable(TDuvNavigateBtn::nbFirst, row > first);
    enable(TDuvNavigateBtn::nbPrior, row > first);
    enable(TDuvNavigateBtn::nbNext, row < last);
    enable(TDuvNavigateBtn::nbLast, row < last);
    enable(TDuvNavigateBtn::nbInsert, insert);
    enable(TDuvNavigateBtn::nbDelete, grid_->Model().RowCount() > 1 && insert && grid_->Model().HasData());
    enable(TDuvNavigateBtn::nbEdit, insert);
    enable(TDuvNavigateBtn::nbPost, editing);
    enable(TDuvNavigateBtn::nbCancel, editing);
}

void TChartGridNavigator::ButtonClicked(TDuvNavigateBtn index)
{
    if (grid_) {
        const int first = grid_->Model().HeaderRowCount();
        const int last = grid_->Model().RowCount() - 1;
        const int row = grid_->Row();
        switch (index) {
        case TDuvNavigateBtn::nbFirst:
            if (row > first) grid_->SetRow(first);
            break;
        case TDuvNavigateBtn::nbPrior:
            if (row > first) grid_->SetRow(row - 1);
            break;
        case TDuvNavigateBtn::nbNext:
            if (row < last) grid_->SetRow(row + 1);
            break;
        case TDuvNavigateBtn::nbLast: grid_->SetRow(last); break;
        case TDuvNavigateBtn::nbInsert: grid_->AppendRow(); break;
        case TDuvNavigateBtn::nbDelete: grid_->DeleteRow(); break;
        case TDuvNavigateBtn::nbEdit:
            grid_->setFocus();
            grid_->StartEdit();
            break;
        case TDuvNavigateBtn::nbPost: grid_->EndEdit(false); break;
        case TDuvNavigateBtn::nbCancel: grid_->EndEdit(true); break;
        }
    }
    TCustomDuvNavigator::ButtonClicked(index);
}
