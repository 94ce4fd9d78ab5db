#include "chart/engine/widgets/DuvPanelHost.h"

#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include "chart/engine/Chart.h"
#include "chart/graphics/CanvasHelpers.h"
#include "platform/core/SysUtils.h"

namespace {
TMouseButton ButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}

// A handler that cancels the event ends it silently; anything else goes to the application.
template <class F>
void Forward(F action)
{
    try {
        action();
    } catch (const EAbort&) {
    }
}

// The panel shown by the widget a drag comes from, when it is a chart window of this program.
TObject* DragSourceOf(const QDropEvent* event)
{
    const auto* host = dynamic_cast<const TDuvPanelHost*>(event->source());
    return host ? &host->Panel() : nullptr;
}
}  // namespace

Qt::CursorShape CursorShapeOf(TCursor cursor)
{
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crDrag: return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crHandPoint:
    case crDuvHand: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState shift;
    if (modifiers & Qt::ShiftModifier) shift.Include(ssShift);
    if (modifiers & Qt::AltModifier) shift.Include(ssAlt);
    if (modifiers & Qt::ControlModifier) shift.Include(ssCtrl);
    if (buttons & Qt::LeftButton) shift.Include(ssLeft);
    if (buttons & Qt::RightButton) shift.Include(ssRight);
    if (buttons & Qt::MiddleButton) shift.Include(ssMiddle);
    return shift;
}

int KeyCodeOf(int qtKey)
{
    static const std::pair<int, int> keys[] = {
        {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Return, VK_RETURN},
        {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Shift, VK_SHIFT},   {Qt::Key_Control, VK_CONTROL},
        {Qt::Key_Escape, VK_ESCAPE},  {Qt::Key_Space, VK_SPACE},   {Qt::Key_PageUp, VK_PRIOR},
        {Qt::Key_PageDown, VK_NEXT},  {Qt::Key_End, VK_END},       {Qt::Key_Home, VK_HOME},
        {Qt::Key_Left, VK_LEFT},      {Qt::Key_Up, VK_UP},         {Qt::Key_Right, VK_RIGHT},
        {Qt::Key_Down, VK_DOWN},      {Qt::Key_Insert, VK_INSERT}, {Qt::Key_Delete, VK_DELETE},
    };
    for (const auto& [qt, code] : keys)
        if (qt == qtKey) return code;
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) return qtKey;
    return 0;
}

TDuvPanelHost::TDuvPanelHost(TCustomDuvPanel& panel, QWidget* parent) : QWidget(parent), panel_(panel)
{
    // The panel paints every pixel itself from its own picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(panel.TabStop() ? Qt::StrongFocus : Qt::ClickFocus);
    setAccessibleName(QString::fromStdString(panel.Name().empty() ? panel.ClassName() : panel.Name()));
    setGeometry(panel.Left(), panel.Top(), panel.Width(), panel.Height());
    setCursor(CursorShapeOf(panel.Cursor()));
    panel_.SetWindow(this);
    panel_.SetBorderRegion();
    // Charts let their tools take what is dragged onto them.
    setAcceptDrops(dynamic_cast<TCustomChart*>(&panel_) != nullptr);
}

TDuvPanelHost::~TDuvPanelHost()
{
    if (panel_.Window() == this) panel_.SetWindow(nullptr);
}

void TDuvPanelHost::RepaintWindow() { update(); }

TRect TDuvPanelHost::ClientRect() const { return {0, 0, width(), height()}; }

void TDuvPanelHost::SetRoundRegion(int radius)
{
    if (radius <= 0) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width(), height()), radius / 2.0, radius / 2.0);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void TDuvPanelHost::ShowCursor(TCursor cursor) { setCursor(CursorShapeOf(cursor)); }

bool TDuvPanelHost::CanFocus() const { return isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus; }

bool TDuvPanelHost::Focused() const { return hasFocus(); }

bool TDuvPanelHost::ParentFocused() const { return parentWidget() && parentWidget()->hasFocus(); }

void TDuvPanelHost::TakeFocus() { setFocus(Qt::MouseFocusReason); }

TColor TDuvPanelHost::ParentBackground() const
{
    const QWidget* parent = parentWidget();
    if (!parent) return clNone;
    return FromQRgb(parent->palette().color(parent->backgroundRole()).rgb());
}

TPoint TDuvPanelHost::MousePos() const
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    return {p.x(), p.y()};
}

void TDuvPanelHost::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    panel_.Paint(&painter);
}

void TDuvPanelHost::resizeEvent(QResizeEvent*)
{
    panel_.SetBounds(x(), y(), width(), height());
    panel_.Invalidate();
}

void TDuvPanelHost::moveEvent(QMoveEvent*) { panel_.SetBounds(x(), y(), width(), height()); }

void TDuvPanelHost::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    Forward([&] { panel_.MouseDown(ButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y()); });
}

void TDuvPanelHost::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    Forward([&] {
        panel_.MouseUp(ButtonOf(event->button()), shift, p.x(), p.y());
        if (event->button() == Qt::LeftButton && rect().contains(p)) panel_.Click();
    });
}

void TDuvPanelHost::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    Forward([&] { panel_.MouseMove(ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y()); });
}

void TDuvPanelHost::mouseDoubleClickEvent(QMouseEvent* event)
{
    TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    shift.Include(ssDouble);
    const QPoint p = event->position().toPoint();
    Forward([&] {
        panel_.MouseDown(ButtonOf(event->button()), shift, p.x(), p.y());
        panel_.DblClick();
    });
}

void TDuvPanelHost::wheelEvent(QWheelEvent* event)
{
    const QPoint p = event->position().toPoint();
    bool used = false;
    Forward([&] { used = panel_.MouseWheel(ShiftStateOf(event->modifiers(), event->buttons()), event->angleDelta().y(), p.x(), p.y()); });
    event->setAccepted(used);
}

void TDuvPanelHost::keyPressEvent(QKeyEvent* event)
{
    int key = KeyCodeOf(event->key());
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() < 0x80) {
        char ch = static_cast<char>(text.at(0).unicode());
        Forward([&] {
            if (key != 0) panel_.KeyDown(key, ShiftStateOf(event->modifiers(), {}));
            panel_.KeyPress(ch);
        });
        return;
    }
    if (key == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    Forward([&] { panel_.KeyDown(key, ShiftStateOf(event->modifiers(), {})); });
}

void TDuvPanelHost::keyReleaseEvent(QKeyEvent* event)
{
    int key = KeyCodeOf(event->key());
    if (key == 0) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    Forward([&] { panel_.KeyUp(key, ShiftStateOf(event->modifiers(), {})); });
}

void TDuvPanelHost::leaveEvent(QEvent*)
{
    Forward([&] { panel_.MouseLeave(); });
}

void TDuvPanelHost::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) panel_.SysColorChange();
    QWidget::changeEvent(event);
}

void TDuvPanelHost::focusInEvent(QFocusEvent* event)
{
    if (panel_.OnEnter) panel_.OnEnter(&panel_);
    QWidget::focusInEvent(event);
}

void TDuvPanelHost::focusOutEvent(QFocusEvent* event)
{
    if (panel_.OnExit) panel_.OnExit(&panel_);
    QWidget::focusOutEvent(event);
}

void TDuvPanelHost::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void TDuvPanelHost::dragMoveEvent(QDragMoveEvent* event)
{
    auto* chart = dynamic_cast<TCustomChart*>(&panel_);
    if (!chart) return;
    const QPoint p = event->position().toPoint();
    bool accept = false;
    Forward([&] { chart->HandleDragOver(DragSourceOf(event), p.x(), p.y(), accept); });
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDuvPanelHost::dropEvent(QDropEvent* event)
{
    auto* chart = dynamic_cast<TCustomChart*>(&panel_);
    if (!chart) return;
    const QPoint p = event->position().toPoint();
    Forward([&] { chart->HandleDragDrop(DragSourceOf(event), p.x(), p.y()); });
    event->acceptProposedAction();
}
