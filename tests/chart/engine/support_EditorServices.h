#pragma once
// A test double of the chart editor services: each service is available exactly when the test
// gives it a handler, and a call reaches that handler.
#include <functional>
#include <string>

#include "chart/engine/ChartEditorServices.h"

class TTestEditorServices : public TChartEditorServices {
public:
    std::function<void(TComponent* owner, TCustomChart& chart)> Edit;
    std::function<bool(TComponent* owner, TDuvGradient& gradient)> Gradient;
    std::function<void(TComponent& component)> Execute;
    std::function<void(TComponent* owner, TCustomDuvPanel& panel)> Preview;
    std::function<std::string(TCustomChart& chart)> Save;
    std::function<bool(QWidget* parent, TCustomDuvPanel& panel)> EmbedPanel;
    std::function<bool(QWidget* parent, TDuvPen& pen)> EmbedPen;

    bool CanEditChart() const override { return bool(Edit); }
    void EditChart(TComponent* owner, TCustomChart& chart) override
    {
        if (Edit) Edit(owner, chart);
    }
    bool CanEditGradient() const override { return bool(Gradient); }
    bool EditGradient(TComponent* owner, TDuvGradient& gradient) override
    {
        return Gradient && Gradient(owner, gradient);
    }
    void ExecuteChartComponent(TComponent& component) override
    {
        if (Execute) Execute(component);
    }
    bool CanShowPreview() const override { return bool(Preview); }
    void ShowPreview(TComponent* owner, TCustomDuvPanel& panel) override
    {
        if (Preview) Preview(owner, panel);
    }
    bool CanSaveChartAs() const override { return bool(Save); }
    std::string SaveChartAs(TCustomChart& chart) override { return Save ? Save(chart) : std::string(); }
    bool EmbedPanelEditor(QWidget* parent, TCustomDuvPanel& panel) override
    {
        return EmbedPanel && EmbedPanel(parent, panel);
    }
    bool EmbedPenEditor(QWidget* parent, TDuvPen& pen) override { return EmbedPen && EmbedPen(parent, pen); }
};
