#pragma once
// The chart editor's services: every dialog or embedded page that the chart's own buttons, menus
// and windows open lives in a higher library (the chart editor, the print preview, the save
// dialog). The lower layers call them only through this one interface; the library that
// implements it installs it at start-up.
//
// What always holds: ChartEditorServices() answers an object, never null. While nothing is
// installed it is the base class itself, whose every service does nothing and answers "not
// available" (the Can... questions are false), so the buttons that need a service stay disabled.
// A later implementation derives from the one installed before it to keep those services.
#include <string>
#include <vector>

class QImage;
class QWidget;
class TComponent;
class TCustomAxisPanel;
class TCustomChart;
class TCustomChartSeries;
class TCustomDuvPanel;
class TDuvGradient;
class TDuvPen;
class TFilterItems;

class TChartEditorServices {
public:
    TChartEditorServices() = default;
    virtual ~TChartEditorServices() = default;
    TChartEditorServices(const TChartEditorServices&) = delete;
    TChartEditorServices& operator=(const TChartEditorServices&) = delete;

    // ------------------------------------------------ the chart editor
    virtual bool CanEditChart() const { return false; }
    virtual void EditChart(TComponent* /*owner*/, TCustomChart& /*chart*/) {}
    // A panel that is no chart: its gradient. True when it changed.
    virtual bool CanEditGradient() const { return false; }
    virtual bool EditGradient(TComponent* /*owner*/, TDuvGradient& /*gradient*/) { return false; }
    // Runs the Execute of a chart editor or previewer component linked to a toolbar.
    virtual void ExecuteChartComponent(TComponent& /*component*/) {}
    // A series point's visual (or the series' template for all points). True when it changed.
    virtual bool CanEditVisual() const { return false; }
    virtual bool EditVisual(TCustomAxisPanel* /*chart*/, TComponent& /*visual*/, bool /*flag*/) { return false; }
    // Picks a new visual for a point (the current one, or none); none when cancelled.
    virtual bool CanChooseVisual() const { return false; }
    virtual TComponent* ChooseVisual(QWidget* /*parent*/, TCustomChartSeries& /*series*/, TComponent* /*visual*/)
    {
        return nullptr;
    }

    // ------------------------------------------------ print preview and saving
    virtual bool CanShowPreview() const { return false; }
    virtual void ShowPreview(TComponent* /*owner*/, TCustomDuvPanel& /*panel*/) {}
    // Answers the file name saved, empty when cancelled.
    virtual bool CanSaveChartAs() const { return false; }
    virtual std::string SaveChartAs(TCustomChart& /*chart*/) { return {}; }
    // The preview window's pages for the panel's settings and the margins' pen: the editor
    // builds them inside parent. False: no page (the preview leaves the tab empty).
    virtual bool EmbedPanelEditor(QWidget* /*parent*/, TCustomDuvPanel& /*panel*/) { return false; }
    virtual bool EmbedPenEditor(QWidget* /*parent*/, TDuvPen& /*pen*/) { return false; }

    // ------------------------------------------------ export options
    // The picture filters of a bitmap export, shown on picture. True when they changed.
    virtual bool CanEditPictureFilters() const { return false; }
    virtual bool EditPictureFilters(QWidget* /*owner*/, const QImage& /*picture*/, TFilterItems& /*filters*/)
    {
        return false;
    }
    // The value format of a data export: the presets offered and the format editor.
    virtual std::vector<std::string> ValueFormatPresets() const { return {}; }
    virtual bool CanEditValueFormat() const { return false; }
    virtual bool EditValueFormat(QWidget* /*owner*/, std::string& /*format*/) { return false; }

    // ------------------------------------------------ language and screen
    // The texts and windows in the user's language; untranslated while none is installed.
    virtual std::string TranslateString(const std::string& text) { return text; }
    virtual void TranslateForm(QWidget* /*form*/, const std::vector<QWidget*>& /*excluded*/) {}
    // Shows a cursor shape (the class library's cursor numbers) over the whole screen.
    virtual void ShowScreenCursor(int /*cursor*/) {}
};

// The installed services, or the do-nothing base while none are.
TChartEditorServices& ChartEditorServices();
// Installs services (not owned; they outlive their installation); null goes back to none.
// Answers the ones installed before.
TChartEditorServices* InstallChartEditorServices(TChartEditorServices* services);

// Installs services for a scope and puts the former ones back at its end (start-up and tests).
class TScopedChartEditorServices {
public:
    explicit TScopedChartEditorServices(TChartEditorServices& services)
        : previous_(InstallChartEditorServices(&services))
    {
    }
    ~TScopedChartEditorServices() { InstallChartEditorServices(previous_); }
    TScopedChartEditorServices(const TScopedChartEditorServices&) = delete;
    TScopedChartEditorServices& operator=(const TScopedChartEditorServices&) = delete;

private:
    TChartEditorServices* previous_;
};
