#pragma once
// The widget that shows a chart panel on screen. It is the panel's window: paints, sizes, mouse,
// wheel, keys (arrow keys too), the mouse leaving and, for charts, things dragged over or dropped
// on it go to the panel model, and the model's
// requests (repaint, cursor, focus, rounded clipping) come back here. Nothing else lives here.
#include <QWidget>

#include "chart/engine/DuvPanel.h"

class TDuvPanelHost : public QWidget, public IPanelWindow {
public:
    // The panel must outlive the host, or be freed together with it by the caller.
    explicit TDuvPanelHost(TCustomDuvPanel& panel, QWidget* parent = nullptr);
    ~TDuvPanelHost() override;
    TCustomDuvPanel& Panel() const { return panel_; }

    void RepaintWindow() override;
    TRect ClientRect() const override;
    void SetRoundRegion(int radius) override;
    void ShowCursor(TCursor cursor) override;
    bool CanFocus() const override;
    bool Focused() const override;
    bool ParentFocused() const override;
    void TakeFocus() override;
    TPoint MousePos() const override;
    TColor ParentBackground() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TCustomDuvPanel& panel_;
};

// The shape Qt shows for a cursor number (the chart hand included).
Qt::CursorShape CursorShapeOf(TCursor cursor);
// Qt's keyboard and mouse state as the panel's shift state.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// Qt's key as the panel's key code; 0 for keys charts do not answer.
int KeyCodeOf(int qtKey);
