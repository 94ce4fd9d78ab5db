#include "chart/editor/DuvThemes.h"

#include <QDir>
#include <algorithm>

#include "chart/editor/DuvProCo.h"
#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvFont.h"
#include "chart/output/DuvStore.h"
#include "chart/series/ChartSeriesCopy.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesFastLine.h"
#include "platform/core/Collection.h"
#include "platform/core/ScopeGuard.h"

std::unique_ptr<TThemesList> ThemesList;
std::vector<TThemePalette> ThemePalettes;

namespace {

// Property paths are the one way in: the themes read and write what the property tables
// publish, so a part a class lacks is passed over.
bool SetPath(TPersistent* object, const std::string& path, const TVariant& value)
{
    TObject* holder = object;
    std::string name = path;
    const TPropInfo* info = object ? ResolvePropertyPath(holder, name) : nullptr;
    if (!info || !info->Set) return false;
    info->Set(*static_cast<TPersistent*>(holder), ConvertPropValue(*info, value));
    return true;
}

TPersistent* ObjectAt(TPersistent* object, const std::string& path)
{
    if (!object) return nullptr;
    const TVariant value = GetPropValue(object, path);
    return value.Type() == TVariant::vtObject ? dynamic_cast<TPersistent*>(value.AsObject()) : nullptr;
}

// target.path := source.path; a nested object by Assign, one the source lacks back to defaults.
void CopyPath(TPersistent& target, TPersistent& source, const std::string& path)
{
    TObject* sourceHolder = &source;
    std::string sourceName = path;
    const TPropInfo* sourceInfo = ResolvePropertyPath(sourceHolder, sourceName);
    TObject* targetHolder = &target;
    std::string targetName = path;
    const TPropInfo* targetInfo = ResolvePropertyPath(targetHolder, targetName);
    if (!sourceInfo || !targetInfo || sourceInfo->Kind != targetInfo->Kind) return;
    auto& from = *static_cast<TPersistent*>(sourceHolder);
    auto& to = *static_cast<TPersistent*>(targetHolder);
    if (sourceInfo->Kind == TPropKind::Object) {
        auto* value = dynamic_cast<TPersistent*>(sourceInfo->Object(from, false));
        auto* into = dynamic_cast<TPersistent*>(targetInfo->Object(to, value != nullptr));
        if (!into) return;
        if (value) {
            into->Assign(value);
            return;
        }
        std::unique_ptr<TPersistent> fresh(into->ClassType().Create(nullptr));
        if (fresh) into->Assign(fresh.get());
        return;
    }
    if (targetInfo->Set) targetInfo->Set(to, sourceInfo->Get(from));
}

void CopyPaths(TPersistent& target, TPersistent& source, std::initializer_list<const char*> paths)
{
    for (const char* path : paths) CopyPath(target, source, path);
}

// Shape copy: the look of a chart element; Visible only with visibility.
void CopyShape(TPersistent* target, TPersistent* source, bool withVisibility)
{
    if (!target || !source) return;
    CopyPaths(*target, *source,
              {"Bevel", "BevelWidth", "Brush", "Color", "Emboss", "Font", "Shadow", "Picture", "RoundSize",
               "Transparent", "ShapeStyle", "Frame", "Pen", "Transparency"});
    if (withVisibility) CopyPath(*target, *source, "Visible");
}

const char* const kTitles[] = {"Title", "SubTitle", "Foot", "SubFoot"};
const char* const kWalls[] = {"LeftWall", "RightWall", "BackWall", "BottomWall"};

// Every axis of the chart with its sub-axes, depth first.
void CollectAxes(TChartAxis* axis, std::vector<TChartAxis*>& axes)
{
    axes.push_back(axis);
    if (TCollection* sub = axis->PeekSubAxes())
        for (int i = 0; i < sub->Count(); ++i)
            if (auto* child = dynamic_cast<TChartAxis*>(sub->Items(i))) CollectAxes(child, axes);
}

std::vector<TChartAxis*> AllAxes(TCustomChart* chart)
{
    std::vector<TChartAxis*> axes;
    for (int i = 0; i < chart->AxesList().Count(); ++i) CollectAxes(chart->AxesList().GetAxis(i), axes);
    return axes;
}

std::vector<TDuvCustomTool*> Tools(TCustomChart* chart)
{
    std::vector<TDuvCustomTool*> tools;
    for (int i = 0; i < chart->Tools()->Count(); ++i) tools.push_back(chart->Tools()->GetTool(i));
    return tools;
}

bool IsAnnotation(const TDuvCustomTool* tool) { return tool->ClassType().InheritsFrom("TAnnotationTool"); }

// The fonts a chart-wide font change reaches.
std::vector<TPersistent*> ChartFonts(TCustomChart* chart)
{
    std::vector<TPersistent*> fonts;
    auto add = [&fonts](TPersistent* font) {
        if (font) fonts.push_back(font);
    };
    add(ObjectAt(chart, "Legend.Font"));
    for (const char* title : kTitles) add(ObjectAt(chart, std::string(title) + ".Font"));
    for (TChartAxis* axis : AllAxes(chart)) {
        add(ObjectAt(axis, "LabelsFont"));
        add(ObjectAt(axis, "Title.Font"));
    }
    for (TCustomChartSeries* series : chart->SeriesList()) add(ObjectAt(series, "Marks.Font"));
    for (TDuvCustomTool* tool : Tools(chart))
        if (IsAnnotation(tool)) add(ObjectAt(tool, "Shape.Font"));
    return fonts;
}

void ApplyResource(TCustomChart* chart, const char* name) { ThemesList->ApplyThemeResource(chart, name); }

template <class F>
void ForEachSeries(TCustomChart* chart, F step)
{
    for (TCustomChartSeries* series : chart->SeriesList()) step(series);
}

const std::string kDefaultDescription = "Plotwise default";

}  // namespace

// ---------------------------------------------------------------- marks helpers

void SetDefaultMarks(TCustomChartSeries* series)
{
    SetPath(series, "Marks.Transparent", false);
    SetPath(series, "Marks.Gradient.Visible", false);
    SetPath(series, "Marks.Font.Name", DefaultFontName);
    SetPath(series, "Marks.Font.Size", DefaultFontSize);
    SetPath(series, "Marks.Arrow.Color", 0xFFFFFF);
}

void SetClassicMarks(TCustomChartSeries* series)
{
    SetPath(series, "Marks.Gradient.Visible", false);
    SetPath(series, "Marks.Transparent", true);
    SetPath(series, "Marks.Font.Name", "Times New Roman");
    SetPath(series, "Marks.Font.Size", 10);
    SetPath(series, "Marks.Arrow.Color", 0x000000);
}

// ---------------------------------------------------------------- the themes

void TDefaultTheme::Apply()
{
    ApplyResource(Chart, "DUVDEFAULTTHEME");
    ForEachSeries(Chart, SetDefaultMarks);
}
void TDefaultTheme::Description(std::string& text) const { text = kDefaultDescription; }

void TExcelTheme::Apply() { ApplyResource(Chart, "DUVEXCELTHEME"); }
void TExcelTheme::Description(std::string& text) const { text = "Microsoft\u00ae Excel"; }

void TClassicTheme::Apply()
{
    ApplyResource(Chart, "DUVCLASSICTHEME");
    ForEachSeries(Chart, SetClassicMarks);
}
void TClassicTheme::Description(std::string& text) const { text = "Classic"; }

void TBusinessTheme::Apply()
{
    TDefaultTheme::Apply();
    ApplyResource(Chart, "DUVBUSINESSTHEME");
    ForEachSeries(Chart, [](TCustomChartSeries* series) {
        SetDefaultMarks(series);
        SetPath(series, "Marks.Gradient.Visible", true);
        SetPath(series, "Marks.Gradient.StartColor", 0xC0C0C0);
    });
}
void TBusinessTheme::Description(std::string& text) const { text = DuvMsgPaletteBusiness; }

void TWebTheme::Apply()
{
    TDefaultTheme::Apply();
    ApplyResource(Chart, "DUVWEBTHEME");
    ForEachSeries(Chart, [](TCustomChartSeries* series) {
        SetDefaultMarks(series);
        SetPath(series, "Marks.Font.Name", "Lucida Console");
        SetPath(series, "Marks.Gradient.Visible", true);
        SetPath(series, "Marks.Gradient.StartColor", 0xC0C0C0);
    });
}
void TWebTheme::Description(std::string& text) const { text = "Web"; }

void TWindowsXPTheme::Apply()
{
    TBusinessTheme::Apply();
    ApplyResource(Chart, "DUVWINDOWSTHEME");
}
void TWindowsXPTheme::Description(std::string& text) const { text = "Windows"; }

void TBlueSkyTheme::Apply() { ApplyResource(Chart, "DUVBLUESKYTHEME"); }
void TBlueSkyTheme::Description(std::string& text) const { text = "Blues"; }

namespace {

// A plain line keeps its pen under Facts: a fast line always, a line only in 2D.
bool DrawsAsPlainLine(TCustomChart* chart, TCustomChartSeries* series)
{
    if (dynamic_cast<TFastLineSeries*>(series)) return true;
    return dynamic_cast<TLineSeries*>(series) && !chart->View3D();
}

const TClassInfo* GridBandToolClass()
{
    if (!ToolClassList) return nullptr;
    for (int i = 0; i < ToolClassList->Count(); ++i)
        if (const TClassInfo* info = ToolClassList->ToolClassAt(i); SameIdent(info->Name(), "TGridBandTool")) return info;
    return nullptr;
}

}  // namespace

void TFactsTheme::Apply()
{
    ApplyResource(Chart, "DUVFACTSTHEME");
    ForEachSeries(Chart, [this](TCustomChartSeries* series) {
        series->Pen().SetVisible(DrawsAsPlainLine(Chart, series));
        SetPath(series, "Marks.Frame.Color", 0x808080);
        SetPath(series, "Marks.Shadow.HorizSize", 2);
        SetPath(series, "Marks.Shadow.VertSize", 2);
        SetPath(series, "Marks.Shadow.Color", 0xCCCCCC);
    });
    TCustomChartSeries* first = Chart->CountSeries() > 0 ? Chart->GetSeries(0) : nullptr;
    TChartAxis* vertical = first && first->VertAxisObject() ? first->VertAxisObject() : Chart->LeftAxis();
    TChartAxis* horizontal = first && first->HorizAxisObject() ? first->HorizAxisObject() : Chart->BottomAxis();
    if (const TClassInfo* bandClass = GridBandToolClass()) {
        // One band however often Facts is applied: the chart's first band tool is reused.
        bandTool_ = nullptr;
        for (TDuvCustomTool* tool : Tools(Chart))
            if (tool->ClassType().InheritsFrom(*bandClass)) {
                bandTool_ = tool;
                break;
            }
        if (!bandTool_) {
            // A chart without owner (a preview) owns its band itself, so that someone frees it.
            TComponent* owner = Chart->Owner() ? Chart->Owner() : Chart;
            bandTool_ = static_cast<TDuvCustomTool*>(bandClass->Create(owner));
            bandTool_->SetName(NextFreeComponentName(owner, bandClass->Name().substr(1)));
            bandTool_->SetParentChart(Chart);
        }
        if (auto* axisTool = dynamic_cast<TDuvCustomToolAxis*>(bandTool_)) axisTool->SetAxis(vertical);
        SetPath(bandTool_, "Band1.Color", 0xE9E9E9);
        SetPath(bandTool_, "Band2.Color", 0xFFFFFF);
    }
    SetPath(horizontal, "Axis.Color", 0x404040);
    SetPath(horizontal, "Grid.Color", 0xCCCCCC);
    SetPath(horizontal, "Grid.Visible", false);
}
void TFactsTheme::Description(std::string& text) const { text = DuvMsgFacts; }

void TFlatTheme::Apply() { ApplyResource(Chart, "DUVFLATTHEME"); }
void TFlatTheme::Description(std::string& text) const { text = DuvMsgFlat; }

void TOperaTheme::Apply()
{
    ApplyResource(Chart, "DUVOPERATHEME");
    ForEachSeries(Chart, [](TCustomChartSeries* series) { SetPath(series, "Marks.Font.Name", "Verdana"); });
}
void TOperaTheme::Description(std::string& text) const { text = DuvMsgPaletteOpera; }

void TBlackIsBackTheme::Apply()
{
    ApplyResource(Chart, "DUVBLACKISBLACKTHEME");
    ForEachSeries(Chart, [](TCustomChartSeries* series) {
        SetPath(series, "Marks.Transparent", true);
        SetPath(series, "Marks.Font.Color", 0xFFFFFF);
    });
}
void TBlackIsBackTheme::Description(std::string& text) const { text = DuvMsgPaletteBlackIsBack; }

void TGrayscaleTheme::Apply()
{
    ApplyResource(Chart, "DUVGRAYSCALETHEME");
    ForEachSeries(Chart, [](TCustomChartSeries* series) {
        SetPath(series, "Marks.Transparent", true);
        SetPath(series, "Marks.Font.Size", 10);
        SetPath(series, "Marks.Font.Color", 0x000000);
        SetPath(series, "Marks.Arrow.Color", 0x000000);
    });
}
void TGrayscaleTheme::Description(std::string& text) const { text = DuvMsgPaletteGrayScale; }

void TSpeedTheme::Apply()
{
    ApplyResource(Chart, "DUVSPEEDTHEME");
    Chart->AxesList().SetFastCalculation(true);
    ForEachSeries(Chart, [](TCustomChartSeries* series) { SetPath(series, "Marks.Visible", false); });
}
void TSpeedTheme::Description(std::string& text) const { text = DuvMsgSpeed; }

// ---------------------------------------------------------------- the list

void TThemesList::AddThemes(const std::vector<const TClassInfo*>& classes)
{
    classes_.insert(classes_.end(), classes.begin(), classes.end());
}

const TClassInfo* TThemesList::ThemeAt(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return classes_[static_cast<std::size_t>(index)];
}

void TThemesList::ApplyThemeResource(TCustomChart* chart, const std::string& resourceName)
{
    std::unique_ptr<TStream> stream = FindResourceStream(resourceName);
    if (!stream) throw Exception("Theme resource not found: " + resourceName);
    TComponentPtr<TChart> source(new TChart(nullptr));
    LoadChartFromStream(*source, *stream);
    CopyChartLook(chart, source.get());
}

void TThemesList::ApplyThemeFile(TCustomChart* chart, const std::string& fileName)
{
    TComponentPtr<TChart> source(new TChart(nullptr));
    LoadChartFromFile(*source, AddChartFileExtension(fileName));
    CopyChartLook(chart, source.get());
}

void TThemesList::CopyChartLook(TCustomChart* chart, TCustomChart* source)
{
    chart->StorePaletteIndex(source->ColorPaletteIndex());
    chart->CustomPalette = source->CustomPalette;
    // The border's rounding and the chart's shadow as well: the business and windows looks set
    // them and would be lost without.
    CopyPaths(*chart, *source,
              {"BackImage", "Gradient", "Border", "BorderRound", "Shadow", "BevelInner", "BevelOuter", "BevelWidth", "Color"});

    CopyShape(ObjectAt(chart, "Legend"), ObjectAt(source, "Legend"), false);
    CopyPath(*chart, *source, "Legend.Symbol");
    CopyShape(ObjectAt(chart, "Legend.Title"), ObjectAt(source, "Legend.Title"), true);
    CopyPath(*chart, *source, "Legend.Title.TextAlignment");

    for (const char* title : {"Title", "Foot"}) {
        CopyShape(ObjectAt(chart, title), ObjectAt(source, title), true);
        for (const char* part : {".AdjustFrame", ".Alignment", ".VertMargin"}) CopyPath(*chart, *source, std::string(title) + part);
    }
    for (const char* wall : kWalls) {
        CopyShape(ObjectAt(chart, wall), ObjectAt(source, wall), true);
        for (const char* part : {".AutoHide", ".Dark3D", ".EndPosition", ".Size", ".StartPosition"})
            CopyPath(*chart, *source, std::string(wall) + part);
    }

    CopyPath(*chart, *source, "AxisBehind");
    TChartAxes& axes = chart->AxesList();
    TChartAxes& sourceAxes = source->AxesList();
    for (int i = 0; i < axes.Count() && sourceAxes.Count() > 0; ++i) {
        TChartAxis* axis = axes.GetAxis(i);
        TChartAxis* model = sourceAxes.GetAxis(i < sourceAxes.Count() ? i : 0);
        CopyPaths(*axis, *model,
                  {"Ticks", "TickInnerLength", "TickLength", "TicksInner", "Axis", "Grid", "GridCentered", "LabelsAlign",
                   "LabelsAlternate", "LabelsAngle", "LabelsFont", "LabelsOnAxis", "LabelsBehind", "MinorGrid",
                   "MinorTickCount", "MinorTickLength", "MinorTicks", "ZPosition", "RoundFirstLabel"});
        CopyShape(ObjectAt(axis, "Title"), ObjectAt(model, "Title"), true);
        CopyPath(*axis, *model, "Title.Angle");
    }
    // 2D and clipping too: without them the speed look would keep the chart's 3D and clipping.
    CopyPaths(*chart, *source, {"View3DOptions", "View3DWalls", "View3D", "ClipPoints"});

    TComponentPtr<TChart> style(new TChart(nullptr));
    CloneChartContents(style.get(), source, style.get(), true);
    chart->StyleTemplate.reset(style.release());
    chart->ApplyStyleChart();
    chart->Invalidate();
}

// ---------------------------------------------------------------- chart-wide changes

void ApplyChartTheme(const TClassInfo& themeClass, TCustomChart* chart, int paletteIndex)
{
    std::unique_ptr<TPersistent> created(themeClass.Create(nullptr));
    auto* theme = dynamic_cast<TChartTheme*>(created.get());
    if (!theme) throw Exception(themeClass.Name() + " is no chart theme");
    theme->Chart = chart;
    theme->Apply();
    if (paletteIndex != -1) chart->SetColorPaletteIndex(paletteIndex);
}

void SetChartFontName(TCustomChart* chart, const std::string& name)
{
    for (TPersistent* font : ChartFonts(chart)) SetPath(font, "Name", name);
}

void ChangeChartFontSizes(TCustomChart* chart, double delta)
{
    for (TPersistent* font : ChartFonts(chart))
        SetPath(font, "SizeFloat", std::max(GetPropValue(font, "SizeFloat").AsFloat() + delta, 0.1));
}

namespace {

void SetColorWithoutGradient(TPersistent* object, const std::string& part, TColor color)
{
    const std::string prefix = part.empty() ? std::string() : part + ".";
    SetPath(object, prefix + "Color", color);
    SetPath(object, prefix + "Gradient.Visible", false);
}

}  // namespace

void ApplyThemePalette(TCustomChart* chart, const TThemePalette& colors, int startIndex)
{
    if (colors.empty()) return;
    std::size_t i = startIndex >= 0 && static_cast<std::size_t>(startIndex) < colors.size() ? static_cast<std::size_t>(startIndex) : 0;
    auto next = [&colors, &i] {
        const TColor color = colors[i];
        i = (i + 1) % colors.size();
        return color;
    };
    const std::vector<TChartAxis*> axes = AllAxes(chart);
    const std::vector<TDuvCustomTool*> tools = Tools(chart);

    const TColor background = next();
    SetColorWithoutGradient(chart, "", background);
    SetColorWithoutGradient(chart, "Legend", background);
    for (const char* title : kTitles) SetColorWithoutGradient(chart, title, background);
    for (TChartAxis* axis : axes) SetColorWithoutGradient(axis, "Shape", background);
    for (TCustomChartSeries* series : chart->SeriesList()) SetColorWithoutGradient(series, "Marks", background);
    for (TDuvCustomTool* tool : tools)
        if (IsAnnotation(tool)) SetColorWithoutGradient(tool, "Shape", background);

    const TColor pen = next();
    SetPath(chart, "Border.Color", pen);
    SetPath(chart, "Legend.Frame.Color", pen);
    for (const char* title : kTitles) SetPath(chart, std::string(title) + ".Frame.Color", pen);
    for (const char* wall : kWalls) SetPath(chart, std::string(wall) + ".Pen.Color", pen);
    for (TChartAxis* axis : axes)
        for (const char* part : {"Axis", "Grid", "MinorGrid", "Ticks", "MinorTicks", "TicksInner", "Title.Frame"})
            SetPath(axis, std::string(part) + ".Color", pen);
    for (TCustomChartSeries* series : chart->SeriesList()) {
        series->Pen().SetColor(pen);
        SetPath(series, "Marks.Frame.Color", pen);
    }
    for (TDuvCustomTool* tool : tools) SetPath(tool, "Pen.Color", pen);

    const TColor font = next();
    SetPath(chart, "Legend.Font.Color", font);
    for (const char* title : kTitles) SetPath(chart, std::string(title) + ".Font.Color", font);
    for (TChartAxis* axis : axes) {
        SetPath(axis, "LabelsFont.Color", font);
        SetPath(axis, "Title.Font.Color", font);
    }
    for (TCustomChartSeries* series : chart->SeriesList()) SetPath(series, "Marks.Font.Color", font);
    for (TDuvCustomTool* tool : tools)
        if (IsAnnotation(tool)) SetPath(tool, "Shape.Font.Color", font);

    SetColorWithoutGradient(chart, "BackWall", next());
    const TColor sides = next();
    for (const char* wall : {"LeftWall", "RightWall", "BottomWall"}) SetColorWithoutGradient(chart, wall, sides);
    chart->Invalidate();
}

std::string ThemesFolder()
{
    const std::string folder = ReadEditorString("VCLThemesPath", "");
    return !folder.empty() && QDir(QString::fromStdString(folder)).exists() ? folder : std::string();
}

// ---------------------------------------------------------------- start-up

namespace {

// Web notation, #RRGGBB, as the schemes are known.
TThemePalette FromWeb(std::initializer_list<unsigned> rgbs)
{
    TThemePalette colors;
    for (unsigned rgb : rgbs) colors.push_back(static_cast<TColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16)));
    return colors;
}

}  // namespace

void DuvThemesInitialization()
{
    ThemesList = std::make_unique<TThemesList>();
    ThemesList->AddThemes({&TDefaultTheme::StaticClass(), &TExcelTheme::StaticClass(), &TClassicTheme::StaticClass(),
                           &TBusinessTheme::StaticClass(), &TWebTheme::StaticClass(), &TWindowsXPTheme::StaticClass(),
                           &TBlueSkyTheme::StaticClass(), &TFactsTheme::StaticClass(), &TFlatTheme::StaticClass(),
                           &TOperaTheme::StaticClass(), &TBlackIsBackTheme::StaticClass(),
                           &TGrayscaleTheme::StaticClass(), &TSpeedTheme::StaticClass()});
    ThemePalettes = {
        FromWeb({0xEFE5C9, 0x746557, 0x560202, 0x240100, 0x0C0000}),
        FromWeb({0x000000, 0x263248, 0x7E8AA2, 0xFFFFFF, 0xFF9800}),
        FromWeb({0x3D2474, 0x6830A8, 0x9558A4, 0xD998CC, 0xF3D6C9}),
        FromWeb({0xCC3B37, 0x398899, 0xFFFCE8, 0xFF857F, 0xCCC1A3}),
        FromWeb({0xFFFFFF, 0x1D2F3E, 0x152737, 0x0F9FB4, 0x0FB493, 0xC9E1C1}),
        FromWeb({0xEFEFEF, 0xCCCCCC, 0xF79B2E, 0xE1358D, 0xF87AB8}),
        FromWeb({0xFFFFFF, 0xDDDAD6, 0xF9F1B5, 0xA6D8DE, 0xAE9C96}),
        FromWeb({0xEDDAB6, 0xE8D1A4, 0xDDA185, 0xAB3334, 0x331919}),
        FromWeb({0x9BCE7D, 0x72AC93, 0x699E87, 0xBD0102, 0x98002F}),
        FromWeb({0xFFFFFF, 0x393939, 0xFF5A09, 0xF3843E, 0xFF9900, 0x6E6E6E}),
    };
}

void DuvThemesFinalization()
{
    ThemePalettes.clear();
    ThemesList.reset();
}
