#pragma once
// The chart toolbar on screen: speed buttons, separator lines and the value label of a
// TDuvCommander, placed where the model says and kept in step with it. A click goes to the
// model, which decides the button states and runs the action.
#include <QWidget>
#include <memory>
#include <vector>

#include "chart/output/DuvComma.h"
#include "platform/core/Component.h"

class QLabel;

class TDuvCommanderBar : public QWidget {
public:
    // A new standard toolbar (its model owned by the bar).
    explicit TDuvCommanderBar(QWidget* parent = nullptr);
    ~TDuvCommanderBar() override;

    TDuvCommander& Commander() const { return *commander_; }
    // The widget showing a control of that code; null when the bar has none.
    QWidget* ControlWidget(int code) const;
    // Builds the widgets again when the controls changed, else brings their state up to date.
    void Synchronize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Rebuild();

    TComponentPtr<TDuvCommander> commander_;
    std::vector<const TCommanderControl*> shown_;
    std::vector<QWidget*> widgets_;
};

// The glyph pair of a toolbar resource ("DuvRotate"): normal and disabled; empty when missing.
QIcon CommanderGlyph(const std::string& name);
