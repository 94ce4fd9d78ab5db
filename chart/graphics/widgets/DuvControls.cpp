#include "chart/graphics/widgets/DuvControls.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QEvent>
#include <QLocale>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <memory>

#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvFont.h"
#include "platform/core/Properties.h"
#include "platform/ui/UiServices.h"

namespace {

std::unique_ptr<std::vector<TColor>> customColors;

TColor FromQt(const QColor& colour)
{
    return static_cast<TColor>(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}

void GiveCustomColorsToDialog()
{
    for (int i = 0; i < static_cast<int>(customColors->size()) && i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, ToQColor((*customColors)[i]));
}

void TakeCustomColorsFromDialog()
{
    customColors->clear();
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        customColors->push_back(FromQt(QColorDialog::customColor(i)));
}

}  // namespace

// ---------------------------------------------------------------- colour dialog

TColor PickColor(QWidget*, TColor colour, bool)
{
    if (customColors)
        GiveCustomColorsToDialog();
    else
        customColors = std::make_unique<std::vector<TColor>>();
    auto chosen = static_cast<std::uint32_t>(colour);
    if (!UiServices().ColorDialog(chosen)) return colour;
    TakeCustomColorsFromDialog();
    return static_cast<TColor>(chosen);
}

bool EditColorValue(QWidget* owner, TColor& colour, bool fullOpen)
{
    const TColor chosen = PickColor(owner, colour, fullOpen);
    if (chosen == colour) return false;
    colour = chosen;
    return true;
}

const std::vector<TColor>* CustomColors() { return customColors.get(); }

void FreeCustomColors() { customColors.reset(); }

// ---------------------------------------------------------------- TDuvButton

TDuvButton::TDuvButton(QWidget* parent) : QPushButton(parent) { resize(75, 25); }

void TDuvButton::SetSymbolWidth(int value)
{
    if (symbolWidth_ == value) return;
    symbolWidth_ = value;
    update();
}

void TDuvButton::SetSymbolVisible(bool value)
{
    if (symbolVisible_ == value) return;
    symbolVisible_ = value;
    update();
}

TRect TDuvButton::GetSymbolRect() const
{
    const int w = width(), h = height(), q = h / 4;
    const int symbol = symbolWidth_ == 0 && !text().isEmpty() ? 19 : symbolWidth_;
    if (symbol != 0) return {w - symbol, h - 3 * q, w - 6, h - q};
    const int margin = std::max(4, w / 8);
    return {margin, h - 3 * q, w - margin, h - q};
}

void TDuvButton::LinkProperty(TPersistent* object, const std::string& propertyName)
{
    linkedObject_ = object;
    linkedProperty_ = object && !propertyName.empty() ? GetPropInfo(object, propertyName) : nullptr;
    if (object) update();
}

void TDuvButton::DrawSymbol(TDuvCanvas&) {}

void TDuvButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    QPainter painter(this);
    TDuvCanvas3D canvas;
    canvas.SetBufferedDisplay(false);
    canvas.SetCanvas(&painter);
    DrawSymbol(canvas);
    canvas.SetCanvas(nullptr);
}

void TDuvButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) repaint();
}

// ---------------------------------------------------------------- TButtonColor

namespace {
TColor LinkedColour(const TDuvButton& button)
{
    return static_cast<TColor>(button.LinkedProperty()->Get(*button.LinkedObject()).AsInteger());
}
}  // namespace

TButtonColor::TButtonColor(QWidget* parent) : TDuvButton(parent)
{
    connect(this, &QPushButton::clicked, this, [this] { Click(); });
}

TColor TButtonColor::GetSymbolColor() const
{
    if (OnGetColor) return OnGetColor();
    if (LinkedObject() && LinkedProperty()) return LinkedColour(*this);
    return colour_;
}

void TButtonColor::SetSymbolColor(TColor colour)
{
    // A linked property is compared by its own value: the colour last drawn may be stale.
    const bool linked = LinkedObject() && LinkedProperty() && LinkedProperty()->Set;
    const TColor current = linked ? LinkedColour(*this) : colour_;
    if (colour == current) return;
    if (linked)
        LinkedProperty()->Set(*LinkedObject(), TVariant(colour));
    else
        colour_ = colour;
    update();
}

void TButtonColor::Click()
{
    TColor colour = GetSymbolColor();
    if (!EditColorValue(this, colour, FullOpen)) return;
    SetSymbolColor(colour);
    repaint();
    if (OnClick) OnClick();
}

void TButtonColor::DrawSymbol(TDuvCanvas& canvas)
{
    if (!isEnabled() || !SymbolVisible()) return;
    colour_ = GetSymbolColor();
    if (colour_ == clNone) return;
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(TDuvCanvas::ColorWithAlpha(colour_, 0));
    canvas.RectangleRect(GetSymbolRect());
}

// ---------------------------------------------------------------- TComboFlat

namespace {
// Japanese systems get the library's default font in the combo boxes.
bool JapaneseLocale() { return QLocale::system().language() == QLocale::Japanese; }
}  // namespace

TComboFlat::TComboFlat(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    resize(145, 21);
    setCurrentIndex(-1);
    if (JapaneseLocale() && !DefaultFontName.empty())
        setFont(QFont(QString::fromStdString(DefaultFontName), DefaultFontSize));
}

void TComboFlat::AddItem(const std::string& text, TObject* object)
{
    // The list keeps its selection; an empty one would otherwise select its first item.
    const int selected = currentIndex();
    addItem(QString::fromStdString(text), QVariant::fromValue(static_cast<void*>(object)));
    setCurrentIndex(selected);
}

std::string TComboFlat::GetSelectedText() const
{
    return currentIndex() < 0 ? std::string() : currentText().toStdString();
}

TObject* TComboFlat::GetSelectedObject() const
{
    return currentIndex() < 0 ? nullptr : static_cast<TObject*>(currentData().value<void*>());
}

int TComboFlat::DropDownWidth() const { return std::max(view()->minimumWidth(), width()); }

void TComboFlat::SetDropDownWidth(int value) { view()->setMinimumWidth(value); }

void TComboFlat::SetInside(bool value)
{
    inside_ = value;
    update();
}

void TComboFlat::enterEvent(QEnterEvent* event)
{
    QComboBox::enterEvent(event);
    SetInside(true);
}

void TComboFlat::leaveEvent(QEvent* event)
{
    QComboBox::leaveEvent(event);
    SetInside(false);
}

void TComboFlat::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    SetInside(false);
}

void TComboFlat::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    SetInside(false);
}

void TComboFlat::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    if (!inside_ && !hasFocus()) PaintFlat();
}

// Covers the raised edges with the button-face colour and draws the arrow button as a plain box.
void TComboFlat::PaintFlat()
{
    QPainter painter(this);
    const QRect client = rect();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(palette().color(QPalette::Button));
    painter.drawRect(client.adjusted(0, 0, -1, -1));
    painter.drawRect(client.adjusted(1, 1, -2, -2));
    const int buttonHeight = style()->pixelMetric(QStyle::PM_TitleBarButtonSize, nullptr, this);
    const int right = client.right() + 1;
    const QRect button(QPoint(right - buttonHeight + 2, client.top() + 1), QPoint(right - 1, client.bottom() - 1));
    painter.setPen(palette().color(QPalette::Window));
    painter.drawRect(button.adjusted(0, 0, -1, -1));
    painter.drawLine(right - 1, client.top(), right - 1, client.bottom());
}
