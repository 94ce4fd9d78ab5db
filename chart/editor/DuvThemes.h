#pragma once
// Chart themes: thirteen looks stored as chart files among the program's resources, the list the
// theme selector offers, ten colour schemes, and the operations that copy one chart's look onto
// another and change every font or colour of a chart at once. Widget-free: a themed chart draws
// into an image. A theme never touches the chart's data.
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartPalettes.h"

class TDuvCustomTool;

class TDefaultTheme : public TChartTheme {
    QB_CLASS(TDefaultTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TExcelTheme : public TChartTheme {
    QB_CLASS(TExcelTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TClassicTheme : public TChartTheme {
    QB_CLASS(TClassicTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TBusinessTheme : public TDefaultTheme {
    QB_CLASS(TBusinessTheme, TDefaultTheme)
public:
    using TDefaultTheme::TDefaultTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TWebTheme : public TDefaultTheme {
    QB_CLASS(TWebTheme, TDefaultTheme)
public:
    using TDefaultTheme::TDefaultTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TWindowsXPTheme : public TBusinessTheme {
    QB_CLASS(TWindowsXPTheme, TBusinessTheme)
public:
    using TBusinessTheme::TBusinessTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TBlueSkyTheme : public TChartTheme {
    QB_CLASS(TBlueSkyTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

// Adds a grid band tool (by class name "TGridBandTool", so only once that class is registered).
class TFactsTheme : public TChartTheme {
    QB_CLASS(TFactsTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
    // The band tool the last Apply used; none while no band tool class is registered.
    TDuvCustomTool* BandTool() const { return bandTool_; }

private:
    TDuvCustomTool* bandTool_ = nullptr;
};

class TFlatTheme : public TChartTheme {
    QB_CLASS(TFlatTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TOperaTheme : public TChartTheme {
    QB_CLASS(TOperaTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TBlackIsBackTheme : public TChartTheme {
    QB_CLASS(TBlackIsBackTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TGrayscaleTheme : public TChartTheme {
    QB_CLASS(TGrayscaleTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

class TSpeedTheme : public TChartTheme {
    QB_CLASS(TSpeedTheme, TChartTheme)
public:
    using TChartTheme::TChartTheme;
    void Apply() override;
    void Description(std::string& text) const override;
};

// Marks helpers of the themes, for one series.
void SetDefaultMarks(TCustomChartSeries* series);
void SetClassicMarks(TCustomChartSeries* series);

// The theme classes the selector offers, in its order. Loading is virtual so that a caller can
// watch which looks a theme applies.
class TThemesList {
public:
    virtual ~TThemesList() = default;
    void AddThemes(const std::vector<const TClassInfo*>& classes);
    int Count() const { return static_cast<int>(classes_.size()); }
    const TClassInfo* ThemeAt(int index) const;  // raises EListError out of range

    // Loads the resource's chart (a chart file) into a chart of its own and copies its look.
    // Raises the loader's error, or Exception when there is no such resource; the chart keeps
    // its look then.
    virtual void ApplyThemeResource(TCustomChart* chart, const std::string& resourceName);
    // The same with a chart file; "duv" is added to a name without extension.
    void ApplyThemeFile(TCustomChart* chart, const std::string& fileName);
    // The chart takes the source's palette, panel, legend, titles, walls, axes, 3D options and
    // the look of its series (through a style chart copied from the source).
    static void CopyChartLook(TCustomChart* chart, TCustomChart* source);

private:
    std::vector<const TClassInfo*> classes_;
};

extern std::unique_ptr<TThemesList> ThemesList;

// The ten colour schemes: background, pens, fonts, back wall, side walls taken in turn.
using TThemePalette = std::vector<TColor>;
extern std::vector<TThemePalette> ThemePalettes;

// Creates a theme of the class for the chart, applies and frees it; then, unless paletteIndex is
// -1, selects that colour palette.
void ApplyChartTheme(const TClassInfo& themeClass, TCustomChart* chart, int paletteIndex);
// The font name of the legend, the four titles, every axis' labels and title (sub-axes too),
// every series' marks and every annotation tool's shape.
void SetChartFontName(TCustomChart* chart, const std::string& name);
// The same fonts grow by delta points, never below 0.1.
void ChangeChartFontSizes(TCustomChart* chart, double delta);
// Colours from the scheme, starting at startIndex (0 when beyond it), wrapping round.
void ApplyThemePalette(TCustomChart* chart, const TThemePalette& colors, int startIndex);
// The folder of theme files the user chose ("VCLThemesPath"); empty when it does not exist.
std::string ThemesFolder();

void DuvThemesInitialization();
void DuvThemesFinalization();
