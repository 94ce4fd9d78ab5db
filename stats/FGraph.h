#pragma once
// The graph window: a general chart window the analysis code draws lines into; the user opens
// the chart properties on it, copies it and saves it as a picture. One at a time.
#include <QWidget>
#include <memory>
#include <string>

#include "chart/graphics/Graphics.h"
#include "platform/core/Component.h"

class QPushButton;
class TChart;
class TDuvGDIPlus;
class TDuvPanelHost;
class TLineSeries;

class TFormGraph : public QWidget {
    Q_OBJECT
public:
    explicit TFormGraph(QWidget* parent = nullptr);
    ~TFormGraph() override;

    TChart* Chart() const { return chart_.get(); }
    TDuvPanelHost* ChartHost;
    QPushButton* btnProperties;
    QPushButton* btnCopy;
    QPushButton* btnSave;

    TLineSeries* AddLine(int width, TColor color, const std::string& title, TPenStyle penStyle);
    void SetTitle(const std::string& text);

    void btnPropertiesClick();
    void btnCopyClick();
    void btnSaveClick();

private:
    TComponentPtr<TChart> chart_;
    TComponentPtr<TDuvGDIPlus> gdiPlus_;
};

// The window while it lives.
extern TFormGraph* FormGraph;
// Makes the window when there is none and shows it above owner (ShowOwned).
void ShowGraph(QWidget* owner = nullptr);
