#include "stats/FChartProp.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "chart/engine/ChartEditorServices.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/BmpCodec.h"
#include "chart/series/ArrowCha.h"
#include "chart/series/DuvShape.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesFastLine.h"
#include "chart/series/SeriesPie.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/DotDecimal.h"
#include "platform/core/NumText.h"
#include "platform/core/SafeFile.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/WindowFit.h"
#include "stats/ColorPanel.h"
#include "stats/FAddRegression.h"
#include "stats/FBrokenLine.h"
#include "stats/FDefineChartTypeUse.h"
#include "stats/FMemoDlg.h"
#include "stats/FSeriesTransform.h"
#include "stats/FStatResults.h"
#include "stats/UChartProp.h"
#include "stats/UOrdLists.h"
#include "stats/Ustatistics.h"

TFormChartProp* FormChartProp = nullptr;

namespace {
// A line of the series list holds its series itself: moving lines never mixes them up, and a
// series freed elsewhere leaves a line that does nothing.
class TSeriesLine : public QListWidgetItem {
public:
    TSeriesLine(int position, TChartSeries* series) : Position(position) { Series.Set(series); }
    int Position;
    TComponentRef<TChartSeries> Series;
};

TSeriesLine* LineAt(const QListWidget* list, int row)
{
    return row < 0 || row >= list->count() ? nullptr : static_cast<TSeriesLine*>(list->item(row));
}

std::string LineText(int position, const TChartSeries& series)
{
    return IntToStr(position) + " " + SeriesKindOf(&series).Name + ": " + series.Title();
}

const char* const kAlignments[] = {"center", "left", "right"};
const TAlignment kAlignmentOf[] = {taCenter, taLeftJustify, taRightJustify};

const char* const kLineStyles[] = {"&1 Solid",        "&2 Dash",  "&3 Dot",          "&4 Dash-dot",
                                   "&5 Dash-dot-dot", "&6 Clear", "&7 Inside frame"};
const char* const kPointStyles[] = {"&1 Rectangle", "&2 Circle",         "&3 Triangle", "&4 Down triangle", "&5 Cross",
                                    "&6 Diagonal cross", "&7 Star", "&8 Diamond", "&9 Small dot"};
const char* const kBrushStyles[] = {"&1 Solid",     "&2 Clear", "&3 Horizontal", "&4 Vertical",
                                    "&5 Forward diagonal", "&6 Backward diagonal", "&7 Cross", "&8 Diag cross"};

TFontChoice FontChoiceOf(const TFont& font)
{
    TFontChoice choice;
    choice.Name = font.Name();
    choice.Size = font.Size();
    choice.Bold = font.Style().Contains(fsBold);
    choice.Italic = font.Style().Contains(fsItalic);
    choice.Underline = font.Style().Contains(fsUnderline);
    choice.StrikeOut = font.Style().Contains(fsStrikeOut);
    choice.Color = static_cast<std::uint32_t>(font.Color());
    return choice;
}

TFontBlock BlockOf(const TFontChoice& choice)
{
    return {choice.Name, choice.Size, choice.Bold, choice.Italic, choice.Underline, choice.StrikeOut,
            static_cast<TColor>(choice.Color)};
}

// The font dialog preset with the font; true when the user chose one, which is then in choice.
bool ChooseFont(const TFont& font, TFontChoice& choice)
{
    choice = FontChoiceOf(font);
    return UiServices().FontDialog(choice);
}

void EditFont(TFont& font)
{
    TFontChoice choice;
    if (ChooseFont(font, choice)) FontFromBlock(font, BlockOf(choice));
}

std::string ValueText(const TChartValueList& list, double value)
{
    if (!list.DateTime()) return DotFloatToStr(value);
    std::string text = DateToStr(value);
    if (value != std::floor(value)) text += " " + TimeToStr(value);
    return text;
}

std::string LocaleOne() { return std::string("1") + FormatSettings().DecimalSeparator + "0"; }

// An input box; cancelling keeps the default.
std::string Ask(const std::string& caption, const std::string& prompt, const std::string& value)
{
    std::string answer = value;
    if (!UiServices().InputQuery(caption, prompt, answer)) return value;
    return answer;
}

// The Yes / No submenu of that caption marks the current choice.
void MarkYesNo(QMenu* menu, const char* caption, bool yes)
{
    for (QAction* item : menu->actions()) {
        if (item->text() != caption || !item->menu()) continue;
        for (QAction* choice : item->menu()->actions()) {
            choice->setCheckable(true);
            choice->setChecked((choice->text() == "&Yes") == yes);
        }
    }
}

}  // namespace

TSeriesKind SeriesKindOf(const TCustomChartSeries* series)
{
    if (dynamic_cast<const TArrowSeries*>(series)) return {"Arrow", TSeriesKindMenu::Arrow};
    if (dynamic_cast<const TPointSeries*>(series)) return {"Point", TSeriesKindMenu::Point};
    if (dynamic_cast<const TLineSeries*>(series)) return {"Line", TSeriesKindMenu::Line};
    if (dynamic_cast<const TFastLineSeries*>(series)) return {"FLine", TSeriesKindMenu::Line};
    if (dynamic_cast<const TAreaSeries*>(series)) return {"Area", TSeriesKindMenu::None};
    if (dynamic_cast<const TBarSeries*>(series)) return {"Bar", TSeriesKindMenu::Bar};
    if (dynamic_cast<const THorizBarSeries*>(series)) return {"HBar", TSeriesKindMenu::None};
    if (dynamic_cast<const TPieSeries*>(series)) return {"Pie", TSeriesKindMenu::None};
    if (dynamic_cast<const TChartShape*>(series)) return {"Shape", TSeriesKindMenu::Shape};
    return {"?", TSeriesKindMenu::None};
}

std::string SeriesDataText(TCustomChart& chart, const TChartSeries& series)
{
    std::string text = EncloseText(1, chart.BottomAxis()->GetTitle()->Caption()) + ";" +
                       EncloseText(1, series.Title()) + "\r\n";
    const TChartValueList& xs = *series.XValues();
    const TChartValueList& ys = *series.YValues();
    for (int i = 0; i < series.PointCount(); ++i)
        text += ValueText(xs, xs.GetValueAt(i)) + ";" + ValueText(ys, ys.GetValueAt(i)) + "\r\n";
    return text;
}

// ---------------------------------------------------------------- histogram

const char* const ZeroWeightTotalText = "The weight total (sum of Y) must be above 0 to calculate the histogram!";

namespace {
// Weights that cancel out leave a rounding residue instead of 0; a total within this share of
// the absolute sum counts as 0, and a cumulative weight that close to a threshold reaches it.
constexpr long double kWeightRounding = 1e-12L;

long double AbsoluteWeight(std::span<const double> weights)
{
    long double sum = 0;
    for (double w : weights) sum += std::fabs(w);
    return sum;
}
}  // namespace

bool WeightedHistogram(std::span<const double> xs, std::span<const double> weights, THistogram& histogram)
{
    const std::size_t n = std::min(xs.size(), weights.size());
    histogram = {};
    histogram.Count = static_cast<int>(n);
    long double total = 0, sxw = 0;
    for (std::size_t i = 0; i < n; ++i) {
        total += weights[i];
        sxw += static_cast<long double>(xs[i]) * weights[i];
    }
    histogram.WeightTotal = total;
    // Below 0 no cumulative weight would reach its threshold, and the classes could not be read
    // as a distribution.
    if (n == 0 || total <= AbsoluteWeight(weights.first(n)) * kWeightRounding) return false;
    const long double mean = sxw / total;
    // The squares about the mean, not the mean of squares less the squared mean: the difference of
    // two large sums loses the spread of classes far from 0.
    long double squares = 0;
    histogram.Minimum = histogram.Maximum = xs[0];
    for (std::size_t i = 0; i < n; ++i) {
        const long double d = xs[i] - mean;
        squares += weights[i] * d * d;
        histogram.Minimum = std::min(histogram.Minimum, xs[i]);
        histogram.Maximum = std::max(histogram.Maximum, xs[i]);
    }
    const long double variance = squares / total;
    histogram.Average = mean;
    histogram.StdDev = variance > 0 ? std::sqrt(variance) : 0;
    return true;
}

void HistogramQuantiles(std::span<const double> xs, std::span<const double> weights, double p,
                        THistogram& histogram)
{
    histogram.LowerQuantile = histogram.UpperQuantile = HistogramQuantileNotSet;
    const std::size_t n = std::min(xs.size(), weights.size());
    if (n == 0 || !ShowsQuantileRows(p)) return;
    // The cumulative weight means something only over classes in ascending X; equal classes keep
    // their series order, and a class without a number goes last.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [xs](std::size_t a, std::size_t b) {
        return xs[a] < xs[b] || (std::isnan(xs[b]) && !std::isnan(xs[a]));
    });
    const long double total = histogram.WeightTotal;
    const long double slack = AbsoluteWeight(weights.first(n)) * kWeightRounding;
    long double cumulative = 0, threshold = total * p;
    bool lowerSet = false;
    for (std::size_t i : order) {
        cumulative += weights[i];
        if (!lowerSet && cumulative >= threshold - slack) {
            histogram.LowerQuantile = xs[i];
            lowerSet = true;
            threshold = (1 - static_cast<long double>(p)) * total;
        }
        if (lowerSet && cumulative >= threshold - slack) {
            histogram.UpperQuantile = xs[i];
            return;
        }
    }
    histogram.UpperQuantile = xs[order.back()];
}

// ---------------------------------------------------------------- building

const TControlTable& FormChartPropTable()
{
    using K = TControlKind;
    static const TControlTable table{
        .Name = "FormChartProp",
        .Caption = "Chart properties",
        .DesignClient = {TFormChartProp::MinimumWidth + 95, 640},
        .ProgramFont = false,
        .Squeezes = true,  // resizeEvent keeps the floor
        .Rows = {
            {.Kind = K::VBox, .Name = "FormLayout"},
            {.Kind = K::Grid, .Name = "SettingsLayout", .Parent = "FormLayout"},
            {.Kind = K::Label, .Name = "LabelTitle", .Caption = "Title", .Cell = {0, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::Memo, .Name = "MemoTitle", .Caption = "Title", .Cell = {0, 1, 2, 2}, .Parent = "SettingsLayout"},
            {.Kind = K::CheckBox, .Name = "CB_TitleVisible", .Caption = "visible", .Accessible = "Title visible", .Cell = {0, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnTitleFont", .Caption = "Font", .Hint = "Title font", .Accessible = "Title font", .Cell = {1, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::ComboBox, .Name = "CB_TitleAlignment", .Caption = "Title alignment", .Cell = {0, 4}, .Parent = "SettingsLayout", .Choices = {std::begin(kAlignments), std::end(kAlignments)}},
            // The two axes share one column layout: left axis in column 1, bottom axis in column 3.
            {.Kind = K::Label, .Name = "LabelLeftAxis", .Caption = "Left axis", .Cell = {2, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelBottomAxis", .Caption = "Bottom axis", .Cell = {2, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::CheckBox, .Name = "CB_LeftAutomatic", .Caption = "automatic", .Accessible = "Left axis automatic", .Cell = {3, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::CheckBox, .Name = "CB_BottomAutomatic", .Caption = "automatic", .Accessible = "Bottom axis automatic", .Cell = {3, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelAxisMinimum", .Caption = "Minimum", .Cell = {4, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditLeftMin", .Caption = "Left axis minimum", .Cell = {4, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditBottomMin", .Caption = "Bottom axis minimum", .Cell = {4, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelAxisMaximum", .Caption = "Maximum", .Cell = {5, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditLeftMax", .Caption = "Left axis maximum", .Cell = {5, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditBottomMax", .Caption = "Bottom axis maximum", .Cell = {5, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelAxisIncrement", .Caption = "Increment", .Cell = {6, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditLeftIncrement", .Caption = "Left axis increment", .Cell = {6, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditBottomIncrement", .Caption = "Bottom axis increment", .Cell = {6, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelAxisFormat", .Caption = "Format", .Cell = {7, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditLeftFormat", .Caption = "Left axis format", .Cell = {7, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditBottomFormat", .Caption = "Bottom axis format", .Cell = {7, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelAxisTitle", .Caption = "Title", .Cell = {8, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditLeftTitle", .Caption = "Left axis title", .Cell = {8, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditBottomTitle", .Caption = "Bottom axis title", .Cell = {8, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnLeftLFont", .Caption = "Font", .Hint = "Left axis labels font", .Accessible = "Left axis labels font", .Cell = {7, 2}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnBottomLFont", .Caption = "Font", .Hint = "Bottom axis labels font", .Accessible = "Bottom axis labels font", .Cell = {7, 4}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnLeftTFont", .Caption = "Font", .Hint = "Left axis title font", .Accessible = "Left axis title font", .Cell = {8, 2}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnBottomTFont", .Caption = "Font", .Hint = "Bottom axis title font", .Accessible = "Bottom axis title font", .Cell = {8, 4}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelGrid", .Caption = "Grid", .Cell = {9, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::CheckBox, .Name = "CB_LeftGrid", .Caption = "visible", .Accessible = "Left axis grid visible", .Cell = {9, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::CheckBox, .Name = "CB_BottomGrid", .Caption = "visible", .Accessible = "Bottom axis grid visible", .Cell = {9, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::CheckBox, .Name = "CB_Border", .Caption = "Chart border visible", .Cell = {10, 0, 1, 2}, .Parent = "SettingsLayout"},
            {.Kind = K::CheckBox, .Name = "CB_bevel", .Caption = "Bevel", .Cell = {10, 2}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnColor", .Caption = "Color", .Hint = "Chart color", .Accessible = "Chart color", .Cell = {10, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelLegend", .Caption = "Legend", .Cell = {11, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::CheckBox, .Name = "CB_Legend", .Caption = "visible", .Accessible = "Legend visible", .Cell = {11, 1}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnLegendFont", .Caption = "Font", .Hint = "Legend font", .Accessible = "Legend font", .Cell = {11, 2}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelColorWidth", .Caption = "width", .Cell = {11, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditColorWidth", .Caption = "Legend symbol width", .Cell = {11, 4}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelLegTitle", .Caption = "title", .Cell = {12, 0}, .Parent = "SettingsLayout"},
            {.Kind = K::Edit, .Name = "EditLegTitle", .Caption = "Legend title", .Cell = {12, 1, 1, 2}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnLoad", .Caption = "Load", .Hint = "Load setting from file", .Accessible = "Load setting from file", .Cell = {12, 3}, .Parent = "SettingsLayout"},
            {.Kind = K::Button, .Name = "BtnSave", .Caption = "Save", .Hint = "Save setting to file", .Accessible = "Save setting to file", .Cell = {12, 4}, .Parent = "SettingsLayout"},
            {.Kind = K::Label, .Name = "LabelSeries", .Caption = "Series", .Parent = "FormLayout", .Buddy = "ListSeries"},
            {.Kind = K::HBox, .Name = "SeriesRow", .Parent = "FormLayout", .Stretch = 1},
            {.Kind = K::ListBox, .Name = "ListSeries", .Caption = "Series", .Parent = "SeriesRow", .Stretch = 1},
            {.Kind = K::VBox, .Name = "SeriesButtons", .Parent = "SeriesRow"},
            {.Kind = K::Button, .Name = "btnUp", .Caption = "Up", .Hint = "Move series up", .Accessible = "Move series up",
             .Parent = "SeriesButtons"},
            {.Kind = K::Button, .Name = "btnDown", .Caption = "Down", .Hint = "Move series down",
             .Accessible = "Move series down", .Parent = "SeriesButtons"},
            {.Kind = K::Button, .Name = "btnDelAll", .Caption = "Delete all", .Hint = "Delete all chart series",
             .Accessible = "Delete all chart series", .Parent = "SeriesButtons"},
            {.Kind = K::Button, .Name = "BtnEditor", .Caption = "Editor", .Parent = "SeriesButtons"},
            {.Kind = K::Stretch, .Parent = "SeriesButtons"},
            {.Kind = K::HBox, .Name = "BottomRow", .Parent = "FormLayout"},
            {.Kind = K::Stretch, .Parent = "BottomRow"},
            {.Kind = K::Button, .Name = "BtnClose", .Caption = "Close", .Parent = "BottomRow"},
        },
    };
    return table;
}

TFormChartProp::TFormChartProp(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), form_(BuildForm(this, FormChartPropTable()))
{
    BuildSettings();
    BuildSeriesList();
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
    BuildPopup();
    ConnectControls();
    setMinimumWidth(0);
    resize(MinimumWidth + 95, 640);
    FormChartProp = this;
}

TFormChartProp::~TFormChartProp()
{
    if (FormChartProp == this) FormChartProp = nullptr;
}

void TFormChartProp::BuildSettings()
{
    for (const char* name : {"LabelTitle", "LabelLeftAxis", "LabelBottomAxis", "LabelLegend"}) {
        QLabel* label = form_.Get<QLabel>(name);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    MemoTitle = form_.Get<QPlainTextEdit>("MemoTitle");
    MemoTitle->setMaximumHeight(48);
    MemoTitle->installEventFilter(this);
    CB_TitleVisible = form_.Get<QCheckBox>("CB_TitleVisible");
    BtnTitleFont = form_.Get<QPushButton>("BtnTitleFont");
    CB_TitleAlignment = form_.Get<QComboBox>("CB_TitleAlignment");
    CB_LeftAutomatic = form_.Get<QCheckBox>("CB_LeftAutomatic");
    CB_BottomAutomatic = form_.Get<QCheckBox>("CB_BottomAutomatic");
    EditLeftMin = form_.Get<QLineEdit>("EditLeftMin");
    EditBottomMin = form_.Get<QLineEdit>("EditBottomMin");
    EditLeftMax = form_.Get<QLineEdit>("EditLeftMax");
    EditBottomMax = form_.Get<QLineEdit>("EditBottomMax");
    EditLeftIncrement = form_.Get<QLineEdit>("EditLeftIncrement");
    EditBottomIncrement = form_.Get<QLineEdit>("EditBottomIncrement");
    EditLeftFormat = form_.Get<QLineEdit>("EditLeftFormat");
    EditBottomFormat = form_.Get<QLineEdit>("EditBottomFormat");
    EditLeftTitle = form_.Get<QLineEdit>("EditLeftTitle");
    EditBottomTitle = form_.Get<QLineEdit>("EditBottomTitle");
    BtnLeftLFont = form_.Get<QPushButton>("BtnLeftLFont");
    BtnBottomLFont = form_.Get<QPushButton>("BtnBottomLFont");
    BtnLeftTFont = form_.Get<QPushButton>("BtnLeftTFont");
    BtnBottomTFont = form_.Get<QPushButton>("BtnBottomTFont");
    CB_LeftGrid = form_.Get<QCheckBox>("CB_LeftGrid");
    CB_BottomGrid = form_.Get<QCheckBox>("CB_BottomGrid");
    CB_Border = form_.Get<QCheckBox>("CB_Border");
    CB_bevel = form_.Get<QCheckBox>("CB_bevel");
    BtnColor = form_.Get<QPushButton>("BtnColor");
    CB_Legend = form_.Get<QCheckBox>("CB_Legend");
    BtnLegendFont = form_.Get<QPushButton>("BtnLegendFont");
    EditColorWidth = form_.Get<QLineEdit>("EditColorWidth");
    EditLegTitle = form_.Get<QLineEdit>("EditLegTitle");
    BtnLoad = form_.Get<QPushButton>("BtnLoad");
    BtnSave = form_.Get<QPushButton>("BtnSave");
}

void TFormChartProp::BuildSeriesList()
{
    ListSeries = form_.Get<QListWidget>("ListSeries");
    ListSeries->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListSeries->setContextMenuPolicy(Qt::CustomContextMenu);
    btnUp = form_.Get<QPushButton>("btnUp");
    btnDown = form_.Get<QPushButton>("btnDown");
    btnDelAll = form_.Get<QPushButton>("btnDelAll");
    BtnEditor = form_.Get<QPushButton>("BtnEditor");
    // Off while no chart editor is installed.
    BtnEditor->setEnabled(ChartEditorServices().CanEditChart());
    BtnClose = form_.Get<QPushButton>("BtnClose");
}

void TFormChartProp::BuildPopup()
{
    PopupSeries = new QMenu(this);
    PopupSeries->setObjectName("PopupSeries");
    auto item = [this](QMenu* menu, const char* caption, auto handler) {
        QAction* action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, [this, handler] { RunHandler([this, handler] { handler(this); }); });
        return action;
    };
    auto yesNo = [&](QMenu* menu, void (TFormChartProp::*setter)(bool)) {
        item(menu, "&Yes", [setter](TFormChartProp* f) { (f->*setter)(true); });
        item(menu, "&No", [setter](TFormChartProp* f) { (f->*setter)(false); });
    };
    auto checkable = [&](QMenu* menu, const char* const* captions, int count, void (TFormChartProp::*handler)(int)) {
        for (int i = 0; i < count; ++i) {
            QAction* action = item(menu, captions[i], [handler, i](TFormChartProp* f) { (f->*handler)(i); });
            action->setCheckable(true);
        }
    };

    item(PopupSeries, "&Rename", [](TFormChartProp* f) { f->RenameClick(); });
    yesNo(PopupSeries->addMenu("&Active"), &TFormChartProp::SetActiveClick);
    yesNo(PopupSeries->addMenu("&Show in legend"), &TFormChartProp::ShowInLegendClick);
    item(PopupSeries, "&Color", [](TFormChartProp* f) { f->ColorClick(); });

    MenuLine = PopupSeries->addMenu("&Line series");
    checkable(MenuLine->addMenu("&Style"), kLineStyles, 7, &TFormChartProp::LineStyleClick);
    item(MenuLine, "&Width", [](TFormChartProp* f) { f->LineWidthClick(); });

    MenuPoint = PopupSeries->addMenu("&Point series");
    checkable(MenuPoint->addMenu("&Style"), kPointStyles, 9, &TFormChartProp::PointStyleClick);
    item(MenuPoint, "&Horizontal size", [](TFormChartProp* f) { f->PointSizeClick(true); });
    item(MenuPoint, "&Vertical size", [](TFormChartProp* f) { f->PointSizeClick(false); });
    item(MenuPoint, "Point to &arrow", [](TFormChartProp* f) { f->PointToArrowClick(); });

    MenuArrow = PopupSeries->addMenu("Arro&w series");
    item(MenuArrow, "&Width", [](TFormChartProp* f) { f->ArrowWidthClick(); });
    item(MenuArrow, "&Arrow size", [](TFormChartProp* f) { f->ArrowSizeClick(); });
    item(MenuArrow, "&Length multiplier", [](TFormChartProp* f) { f->LengthMultiplierClick(); });

    MenuShape = PopupSeries->addMenu("Chart s&hape");
    yesNo(MenuShape->addMenu("&Transparant"), &TFormChartProp::ShapeTransparentClick);
    checkable(MenuShape->addMenu("&Brush"), kBrushStyles, 8, &TFormChartProp::BrushStyleClick);
    item(MenuShape, "&Font", [](TFormChartProp* f) { f->ShapeFontClick(); });
    item(MenuShape, "Te&xt", [](TFormChartProp* f) { f->ShapeTextClick(); });
    item(MenuShape, "Bit&map", [](TFormChartProp* f) { f->ShapeBitmapClick(); });
    ItemClearBitmap = item(MenuShape, "&Clear bitmap", [](TFormChartProp* f) { f->ShapeClearBitmapClick(); });
    QMenu* outline = MenuShape->addMenu("Outline");
    item(outline, "On", [](TFormChartProp* f) { f->ShapeOutlineClick(true); });
    item(outline, "Off", [](TFormChartProp* f) { f->ShapeOutlineClick(false); });

    MenuBar = PopupSeries->addMenu("Bar series");
    item(MenuBar, "Marked", [](TFormChartProp* f) { f->BarMarkedClick(); });
    item(MenuBar, "Width", [](TFormChartProp* f) { f->BarWidthClick(); });
    checkable(MenuBar->addMenu("Brush"), kBrushStyles, 8, &TFormChartProp::BrushStyleClick);

    AnalysisSeparator = PopupSeries->addSeparator();
    item(PopupSeries, "Add regression", [](TFormChartProp* f) { f->AddRegressionClick(); });
    MenuStatistics = PopupSeries->addMenu("Statistics");
    item(MenuStatistics, "&Basic statistics", [](TFormChartProp* f) { f->BasicStatisticsClick(); });
    item(MenuStatistics, "Y is weight (&Histogram)", [](TFormChartProp* f) { f->HistogramClick(); });
    item(MenuStatistics, "&Correlation", [](TFormChartProp* f) { f->CorrelationClick(); });
    item(MenuStatistics, "Broken line regression", [](TFormChartProp* f) { f->BrokenLineClick(); });
    item(PopupSeries, "X value transformation", [](TFormChartProp* f) { f->TransformClick(0); });
    item(PopupSeries, "Y value transformation", [](TFormChartProp* f) { f->TransformClick(1); });
    item(PopupSeries, "Save data", [](TFormChartProp* f) { f->SaveDataClick(); });
    PopupSeries->addSeparator();
    item(PopupSeries, "&Delete", [](TFormChartProp* f) { f->DeleteClick(); });
    ItemMerge = item(PopupSeries, "&Merge", [](TFormChartProp* f) { f->MergeClick(); });
}

void TFormChartProp::ConnectControls()
{
    // Each control writes to the bound chart; without one there is nothing to write to.
    auto onChart = [this](auto write) {
        return [this, write] {
            RunHandler([this, write] {
                if (TCustomChart* chart = chart_.Get()) write(*chart);
            });
        };
    };
    connect(CB_TitleVisible, &QCheckBox::clicked, this,
            onChart([this](TCustomChart& c) { c.Title()->SetVisible(CB_TitleVisible->isChecked()); }));
    connect(BtnTitleFont, &QPushButton::clicked, this, onChart([](TCustomChart& c) { EditFont(*c.Title()->Font()); }));
    connect(CB_TitleAlignment, qOverload<int>(&QComboBox::activated), this, onChart([this](TCustomChart& c) {
                const int index = CB_TitleAlignment->currentIndex();
                if (index >= 0) c.Title()->SetAlignment(kAlignmentOf[index]);
            }));

    struct TAxisControls {
        TChartAxis* (TCustomAxisPanel::*Axis)() const;
        QCheckBox* Automatic;
        QLineEdit *Min, *Max, *Increment, *Format, *Title;
        QPushButton *LabelsFont, *TitleFont;
        QCheckBox* Grid;
    };
    const TAxisControls axes[] = {
        {&TCustomAxisPanel::LeftAxis, CB_LeftAutomatic, EditLeftMin, EditLeftMax, EditLeftIncrement, EditLeftFormat,
         EditLeftTitle, BtnLeftLFont, BtnLeftTFont, CB_LeftGrid},
        {&TCustomAxisPanel::BottomAxis, CB_BottomAutomatic, EditBottomMin, EditBottomMax, EditBottomIncrement,
         EditBottomFormat, EditBottomTitle, BtnBottomLFont, BtnBottomTFont, CB_BottomGrid},
    };
    for (const TAxisControls& a : axes) {
        auto axisOf = a.Axis;
        connect(a.Automatic, &QCheckBox::clicked, this, onChart([this, a, axisOf](TCustomChart& c) {
                    (c.*axisOf)()->SetAutomatic(a.Automatic->isChecked());
                    EnableAxisEdits();
                }));
        connect(a.Min, &QLineEdit::editingFinished, this, onChart([this, a, axisOf](TCustomChart& c) {
                    WriteAxisNumber(a.Min, (c.*axisOf)(), &TChartAxis::SetMinimum);
                }));
        connect(a.Max, &QLineEdit::editingFinished, this, onChart([this, a, axisOf](TCustomChart& c) {
                    WriteAxisNumber(a.Max, (c.*axisOf)(), &TChartAxis::SetMaximum);
                }));
        connect(a.Increment, &QLineEdit::editingFinished, this, onChart([this, a, axisOf](TCustomChart& c) {
                    WriteAxisNumber(a.Increment, (c.*axisOf)(), &TChartAxis::SetIncrement);
                }));
        connect(a.Format, &QLineEdit::editingFinished, this, onChart([a, axisOf](TCustomChart& c) {
                    (c.*axisOf)()->SetAxisValuesFormat(a.Format->text().toStdString());
                }));
        connect(a.Title, &QLineEdit::editingFinished, this, onChart([a, axisOf](TCustomChart& c) {
                    (c.*axisOf)()->GetTitle()->SetCaption(a.Title->text().toStdString());
                }));
        connect(a.LabelsFont, &QPushButton::clicked, this,
                onChart([this, axisOf](TCustomChart& c) { AxisFontClick((c.*axisOf)(), true); }));
        connect(a.TitleFont, &QPushButton::clicked, this,
                onChart([this, axisOf](TCustomChart& c) { AxisFontClick((c.*axisOf)(), false); }));
        connect(a.Grid, &QCheckBox::clicked, this, onChart([a, axisOf](TCustomChart& c) {
                    (c.*axisOf)()->Grid()->SetVisible(a.Grid->isChecked());
                }));
    }

    connect(CB_Border, &QCheckBox::clicked, this,
            onChart([this](TCustomChart& c) { c.SetBorderStyle(CB_Border->isChecked() ? 1 : 0); }));
    connect(CB_Legend, &QCheckBox::clicked, this,
            onChart([this](TCustomChart& c) { c.Legend()->SetVisible(CB_Legend->isChecked()); }));
    connect(BtnLegendFont, &QPushButton::clicked, this, Guarded(this, &TFormChartProp::BtnLegendFontClick));
    connect(EditLegTitle, &QLineEdit::editingFinished, this,
            onChart([this](TCustomChart& c) { c.Legend()->GetTitle()->AssignText(EditLegTitle->text().toStdString()); }));
    connect(EditColorWidth, &QLineEdit::editingFinished, this, onChart([this](TCustomChart& c) {
                const std::string text = EditColorWidth->text().toStdString();
                if (!text.empty()) c.Legend()->SetColorWidth(StrToInt(text));
            }));
    connect(CB_bevel, &QCheckBox::clicked, this, Guarded(this, &TFormChartProp::CB_bevelClick));
    connect(BtnColor, &QPushButton::clicked, this, onChart([](TCustomChart& c) {
                TColor colour = c.Color();
                if (EditColor(colour)) c.SetColor(colour);
            }));
    connect(BtnLoad, &QPushButton::clicked, this, Guarded(this, &TFormChartProp::BtnLoadClick));
    connect(BtnSave, &QPushButton::clicked, this, Guarded(this, &TFormChartProp::BtnSaveClick));
    connect(BtnClose, &QPushButton::clicked, this, &QWidget::close);

    connect(ListSeries, &QListWidget::currentRowChanged, this, Guarded(this, &TFormChartProp::ListSeriesClick));
    connect(ListSeries, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        RunHandler([this, at] {
            if (!popupAttached_) return;
            ListSeriesContextPopup();
            PopupSeriesPopup();
            PopupSeries->popup(ListSeries->viewport()->mapToGlobal(at));
        });
    });
    connect(btnUp, &QPushButton::clicked, this, Guarded(this, &TFormChartProp::btnUpClick));
    connect(btnDown, &QPushButton::clicked, this, Guarded(this, &TFormChartProp::btnDownClick));
    connect(btnDelAll, &QPushButton::clicked, this, Guarded(this, &TFormChartProp::btnDelAllClick));
    connect(BtnEditor, &QPushButton::clicked, this, Guarded(this, &TFormChartProp::BtnEditorClick));
}

// ---------------------------------------------------------------- window events

void TFormChartProp::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) RunHandler([this] { FormActivate(); });
}

void TFormChartProp::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (event->size().width() < MinimumWidth) resize(MinimumWidth, event->size().height());
}

bool TFormChartProp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == MemoTitle && event->type() == QEvent::FocusOut) RunHandler([this] { MemoTitleExit(); });
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- settings

void TFormChartProp::FormActivate()
{
    TCustomChart* chart = chart_.Get();
    if (!chart) {
        UiServices().ShowWarning("No initialization of the form");
        close();
        return;
    }
    FillSettings(*chart);
    FillSeriesList(*chart);
}

void TFormChartProp::FillSettings(TCustomChart& chart)
{
    TChartTitle& title = *chart.Title();
    QStringList lines;
    for (int i = 0; i < title.Lines().Count(); ++i) lines << QText(title.Lines()[i]);
    MemoTitle->setPlainText(lines.join('\n'));
    CB_TitleVisible->setChecked(title.Visible());
    const TAlignment alignment = title.Alignment();
    CB_TitleAlignment->setCurrentIndex(alignment == taLeftJustify ? 1 : alignment == taRightJustify ? 2 : 0);

    struct TAxisFill {
        TChartAxis* Axis;
        QCheckBox* Automatic;
        QLineEdit *Min, *Max, *Increment, *Format, *Title;
        QCheckBox* Grid;
    };
    const TAxisFill axes[] = {
        {chart.LeftAxis(), CB_LeftAutomatic, EditLeftMin, EditLeftMax, EditLeftIncrement, EditLeftFormat,
         EditLeftTitle, CB_LeftGrid},
        {chart.BottomAxis(), CB_BottomAutomatic, EditBottomMin, EditBottomMax, EditBottomIncrement, EditBottomFormat,
         EditBottomTitle, CB_BottomGrid},
    };
    for (const TAxisFill& a : axes) {
        a.Automatic->setChecked(a.Axis->Automatic());
        a.Min->setText(QText(FloatToStr(a.Axis->Minimum())));
        a.Max->setText(QText(FloatToStr(a.Axis->Maximum())));
        a.Increment->setText(QText(FloatToStr(a.Axis->Increment())));
        a.Format->setText(QText(a.Axis->AxisValuesFormat()));
        a.Title->setText(QText(a.Axis->GetTitle()->Caption()));
        a.Grid->setChecked(a.Axis->Grid()->Visible());
    }
    EnableAxisEdits();

    CB_Border->setChecked(chart.GetBorderStyle() == 1);
    TChartLegend& legend = *chart.Legend();
    CB_Legend->setChecked(legend.Visible());
    EditLegTitle->setText(legend.Visible() ? QText(legend.GetTitle()->ReadFirstLine()) : QString());
    EditColorWidth->setText(QString::number(legend.ColorWidth()));
    CB_bevel->setChecked(chart.BevelInner() != bvNone || chart.BevelOuter() != bvNone);
}

void TFormChartProp::EnableAxisEdits()
{
    for (QLineEdit* edit : {EditLeftMin, EditLeftMax, EditLeftIncrement})
        edit->setEnabled(!CB_LeftAutomatic->isChecked());
    for (QLineEdit* edit : {EditBottomMin, EditBottomMax, EditBottomIncrement})
        edit->setEnabled(!CB_BottomAutomatic->isChecked());
}

void TFormChartProp::WriteAxisNumber(QLineEdit* edit, TChartAxis* axis, void (TChartAxis::*setter)(double))
{
    (axis->*setter)(StrToFloat(edit->text().toStdString()));
}

void TFormChartProp::AxisFontClick(TChartAxis* axis, bool labels)
{
    EditFont(labels ? *axis->Labels().Font() : *axis->GetTitle()->Font());
}

void TFormChartProp::MemoTitleExit()
{
    TCustomChart* chart = chart_.Get();
    if (!chart) return;
    TStringList lines;
    lines.SetText(MemoTitle->toPlainText().toStdString());
    chart->Title()->SetLines(lines);
}

void TFormChartProp::BtnLegendFontClick()
{
    TCustomChart* chart = chart_.Get();
    if (!chart) return;
    TChartLegend& legend = *chart->Legend();
    TFontChoice choice;
    if (!ChooseFont(*legend.Font(), choice)) return;
    FontFromBlock(*legend.Font(), BlockOf(choice));
    TLegendTitle* title = legend.PeekTitle();
    if (title && title->Visible()) {
        ++choice.Size;
        FontFromBlock(*title->Font(), BlockOf(choice));
    }
}

void TFormChartProp::CB_bevelClick()
{
    TCustomChart* chart = chart_.Get();
    if (!chart) return;
    if (CB_bevel->isChecked()) {
        chart->SetBevelWidth(chart->BevelWidth() > 4 ? 1 : chart->BevelWidth() + 1);
        chart->SetBevelOuter(bvRaised);
    } else {
        chart->SetBevelOuter(bvNone);
    }
    chart->SetBevelInner(bvNone);
}

void TFormChartProp::BtnLoadClick()
{
    TCustomChart* chart = chart_.Get();
    if (!chart) return;
    TFileDialogOptions dialog;
    dialog.Title = "Load setting from file";
    dialog.Filter = "Setting file|*.gsf|Any file|*.*";
    if (!UiServices().OpenFileDialog(dialog)) return;
    LoadChartSettings(*chart, dialog.FileName);
    FormActivate();
}

void TFormChartProp::BtnSaveClick()
{
    TFileDialogOptions dialog;
    dialog.Title = "Save setting to file";
    dialog.Filter = "Setting file|*.gsf|Any file|*.*";
    dialog.DefaultExt = "gsf";
    if (!chart_.Get() || !UiServices().SaveFileDialog(dialog)) return;
    TChartUseFlags flags;
    SetAllUseFlags(flags);
    DefineChartTypeUse(flags);
    // The chart may have gone while the dialogs were open.
    if (TCustomChart* chart = chart_.Get()) SaveChartSettings(*chart, dialog.FileName, flags);
}

// ---------------------------------------------------------------- series list

void TFormChartProp::FillSeriesList(TCustomChart& chart)
{
    ListSeries->clear();
    for (int i = 0; i < chart.CountSeries(); ++i) {
        auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i));
        if (!series) continue;
        auto* line = new TSeriesLine(i, series);
        line->setText(QText(LineText(i, *series)));
        ListSeries->addItem(line);
    }
    ListSeriesClick();
}

void TFormChartProp::ListSeriesClick()
{
    const int row = ListSeries->currentRow();
    popupAttached_ = row >= 0;
    btnUp->setEnabled(row > 0);
    btnDown->setEnabled(row >= 0 && row < ListSeries->count() - 1);
}

void TFormChartProp::ListSeriesContextPopup() { ItemMerge->setVisible(ListSeries->selectedItems().size() > 1); }

TChartSeries* TFormChartProp::SeriesOfLine(int row) const
{
    const TSeriesLine* line = LineAt(ListSeries, row);
    return line ? line->Series.Get() : nullptr;
}

TChartSeries* TFormChartProp::SelectedSeries() const
{
    if (!chart_.Get()) return nullptr;
    return SeriesOfLine(ListSeries->currentRow());
}

template <class F>
void TFormChartProp::WithSelected(F&& command)
{
    if (TChartSeries* series = SelectedSeries()) command(*series);
}

void TFormChartProp::PopupSeriesPopup()
{
    TChartSeries* series = SelectedSeries();
    const TSeriesKindMenu kind = series ? SeriesKindOf(series).Menu : TSeriesKindMenu::None;
    const std::pair<QMenu*, TSeriesKindMenu> menus[] = {
        {MenuArrow, TSeriesKindMenu::Arrow}, {MenuPoint, TSeriesKindMenu::Point}, {MenuLine, TSeriesKindMenu::Line},
        {MenuBar, TSeriesKindMenu::Bar},     {MenuShape, TSeriesKindMenu::Shape},
    };
    for (const auto& [menu, menuKind] : menus) menu->menuAction()->setVisible(kind == menuKind);
    MenuStatistics->menuAction()->setVisible(series && series->PointCount() > 2);
    if (!series) return;
    MarkYesNo(PopupSeries, "&Show in legend", series->ShowInLegend());

    auto mark = [](QMenu* styles, int checked) {
        const QList<QAction*> actions = styles->actions();
        for (int i = 0; i < actions.size(); ++i) actions[i]->setChecked(i == checked);
    };
    auto submenu = [](QMenu* menu, int index) { return menu->actions()[index]->menu(); };
    switch (kind) {
    case TSeriesKindMenu::Point:
        mark(submenu(MenuPoint, 0), static_cast<TCustomSeries*>(series)->Pointer().Style());
        break;
    case TSeriesKindMenu::Line:
        mark(submenu(MenuLine, 0), series->Pen().Style());
        break;
    case TSeriesKindMenu::Bar:
        mark(submenu(MenuBar, 2), series->Brush().Style());
        break;
    case TSeriesKindMenu::Shape:
        mark(submenu(MenuShape, 1), series->Brush().Style());
        ItemClearBitmap->setVisible(series->Brush().Bitmap() != nullptr);
        break;
    default:
        break;
    }
}

void TFormChartProp::MoveSelected(int step)
{
    TCustomChart* chart = chart_.Get();
    TChartSeries* series = SelectedSeries();
    if (!chart || !series) return;
    const int row = ListSeries->currentRow();
    const int target = row + step;
    if (target < 0 || target >= ListSeries->count()) return;
    TChartSeries* other = SeriesOfLine(target);
    if (!other) return;
    const int from = series->GetSeriesIndex();
    const int to = other->GetSeriesIndex();
    if (from < 0 || to < 0) return;
    chart->ExchangeSeries(from, to);
    QListWidgetItem* line = ListSeries->takeItem(row);
    ListSeries->insertItem(target, line);
    ListSeries->setCurrentRow(target);
    chart->Invalidate();
    ListSeriesClick();
}

void TFormChartProp::BtnEditorClick()
{
    TCustomChart* chart = chart_.Get();
    TChartEditorServices& services = ChartEditorServices();
    if (!chart || !services.CanEditChart()) return;
    services.EditChart(nullptr, *chart);
    // The editor may have changed anything this dialog shows.
    if (chart_.Get()) FormActivate();
}

void TFormChartProp::btnDelAllClick()
{
    TCustomChart* chart = chart_.Get();
    if (!chart) return;
    for (int i = chart->CountSeries() - 1; i >= 0; --i) FreeComponent(chart->GetSeries(i));
    ListSeries->clear();
    ListSeriesClick();
}

std::string TFormChartProp::SeriesCaption(const char* kind) const
{
    const TChartSeries* series = SelectedSeries();
    return std::string(kind) + " [" + IntToStr(ListSeries->currentRow()) + "] " + (series ? series->Title() : "");
}

// ---------------------------------------------------------------- popup commands

void TFormChartProp::RenameClick()
{
    WithSelected([this](TChartSeries& series) {
        const int row = ListSeries->currentRow();
        std::string title = series.Title();
        if (!UiServices().InputQuery("Rename", "Series title [" + IntToStr(row) + "]", title)) return;
        series.SetTitle(title);
        auto* line = LineAt(ListSeries, row);
        line->setText(QText(LineText(line->Position, series)));
    });
}

void TFormChartProp::SetActiveClick(bool active)
{
    WithSelected([active](TChartSeries& series) { series.SetActive(active); });
}

void TFormChartProp::ShowInLegendClick(bool show)
{
    WithSelected([show](TChartSeries& series) { series.SetShowInLegend(show); });
}

void TFormChartProp::ColorClick()
{
    WithSelected([](TChartSeries& series) {
        TColor colour = series.GetSeriesColor();
        if (EditColor(colour)) series.SetSeriesColor(colour);
    });
}

void TFormChartProp::LineStyleClick(int style)
{
    WithSelected([style](TChartSeries& series) {
        if (SeriesKindOf(&series).Menu == TSeriesKindMenu::Line) series.Pen().SetStyle(static_cast<TPenStyle>(style));
    });
}

void TFormChartProp::LineWidthClick()
{
    WithSelected([this](TChartSeries& series) {
        if (SeriesKindOf(&series).Menu != TSeriesKindMenu::Line) return;
        std::string width = IntToStr(series.Pen().Width());
        if (!UiServices().InputQuery(SeriesCaption("Line series"), "Pen width", width)) return;
        series.Pen().SetWidth(StrToInt(width));
    });
}

void TFormChartProp::PointStyleClick(int style)
{
    WithSelected([style](TChartSeries& series) {
        if (auto* points = dynamic_cast<TPointSeries*>(&series))
            points->Pointer().SetStyle(static_cast<TSeriesPointerStyle>(style));
    });
}

void TFormChartProp::PointSizeClick(bool horizontal)
{
    WithSelected([this, horizontal](TChartSeries& series) {
        auto* points = dynamic_cast<TPointSeries*>(&series);
        if (!points) return;
        TSeriesPointer& pointer = points->Pointer();
        std::string size = IntToStr(horizontal ? pointer.HorizSize() : pointer.VertSize());
        if (!UiServices().InputQuery(SeriesCaption("Point series"),
                                     horizontal ? "Horizontal size of marks" : "Vertical size of marks", size))
            return;
        const int value = StrToInt(size);
        horizontal ? pointer.SetHorizSize(value) : pointer.SetVertSize(value);
    });
}

void TFormChartProp::PointToArrowClick()
{
    TCustomChart* chart = chart_.Get();
    auto* points = dynamic_cast<TPointSeries*>(SelectedSeries());
    if (!chart || !points || dynamic_cast<TArrowSeries*>(points)) return;
    const std::string caption = "Arrow common parameters";
    const double ox = StrToFloat(Ask(caption, "Origin - X", "0"));
    const double oy = StrToFloat(Ask(caption, "Origin - Y", "0"));
    const double m = StrToFloat(Ask(caption, "Multiplier", LocaleOne()));
    const int width = StrToInt(Ask(caption, "Line width", "1"));

    auto* arrows = new TArrowSeries(points->Owner());
    arrows->SetTitle(points->Title());
    arrows->SetShowInLegend(false);
    arrows->SetParentChart(chart);
    arrows->Pointer().Pen().SetStyle(psSolid);
    arrows->Pointer().Pen().SetWidth(width);
    arrows->SetArrowWidth(4 * width);
    arrows->SetArrowHeight(4 * width);
    for (int i = 0; i < points->PointCount(); ++i) {
        const double x = points->XValues()->GetValueAt(i), y = points->YValues()->GetValueAt(i);
        arrows->AddArrow(ox, oy, ox + (x - ox) * m, oy + (y - oy) * m, {}, clDefault);
    }
    FreeComponent(points);
    FillSeriesList(*chart);
}

void TFormChartProp::ArrowWidthClick()
{
    WithSelected([](TChartSeries& series) {
        auto* arrows = dynamic_cast<TArrowSeries*>(&series);
        if (!arrows) return;
        std::string width = IntToStr(arrows->Pointer().Pen().Width());
        if (!UiServices().InputQuery("Arrow common parameters", "Line width", width)) return;
        const int value = StrToInt(width);
        arrows->Pointer().Pen().SetWidth(value);
        arrows->SetArrowWidth(4 * value);
        arrows->SetArrowHeight(4 * value);
    });
}

void TFormChartProp::ArrowSizeClick()
{
    WithSelected([](TChartSeries& series) {
        auto* arrows = dynamic_cast<TArrowSeries*>(&series);
        if (!arrows) return;
        std::string size = IntToStr(arrows->ArrowWidth());
        if (!UiServices().InputQuery("Arrow common parameters", "Arrow size", size)) return;
        const int value = StrToInt(size);
        arrows->SetArrowWidth(value);
        arrows->SetArrowHeight(value);
    });
}

void TFormChartProp::LengthMultiplierClick()
{
    WithSelected([this](TChartSeries& series) {
        auto* arrows = dynamic_cast<TArrowSeries*>(&series);
        if (!arrows) return;
        std::string text = LocaleOne();
        if (!UiServices().InputQuery("Arrow common parameters", "Multiplier", text)) return;
        const double m = StrToFloat(text);
        if (m == 1) return;
        TChartValueList &xs = *arrows->StartXValues(), &ys = *arrows->StartYValues();
        TChartValueList &ex = *arrows->EndXValues(), &ey = *arrows->EndYValues();
        for (int i = 0; i < arrows->PointCount(); ++i) {
            ex.SetValueAt(i, xs.GetValueAt(i) + (ex.GetValueAt(i) - xs.GetValueAt(i)) * m);
            ey.SetValueAt(i, ys.GetValueAt(i) + (ey.GetValueAt(i) - ys.GetValueAt(i)) * m);
        }
        arrows->RequestRepaint();
        if (TCustomChart* chart = chart_.Get()) chart->Invalidate();
    });
}

void TFormChartProp::ShapeTransparentClick(bool transparent)
{
    WithSelected([transparent](TChartSeries& series) {
        if (auto* shape = dynamic_cast<TChartShape*>(&series)) shape->SetTransparent(transparent);
    });
}

void TFormChartProp::BrushStyleClick(int style)
{
    WithSelected([style](TChartSeries& series) {
        const TSeriesKindMenu kind = SeriesKindOf(&series).Menu;
        if (kind == TSeriesKindMenu::Shape || kind == TSeriesKindMenu::Bar)
            series.Brush().SetStyle(static_cast<TBrushStyle>(style));
    });
}

void TFormChartProp::ShapeFontClick()
{
    WithSelected([](TChartSeries& series) {
        if (auto* shape = dynamic_cast<TChartShape*>(&series)) EditFont(shape->Font());
    });
}

void TFormChartProp::ShapeTextClick()
{
    WithSelected([](TChartSeries& series) {
        auto* shape = dynamic_cast<TChartShape*>(&series);
        if (!shape) return;
        TStringList lines = shape->Text();
        if (EditTextLines(lines, "Edit chart shape text")) shape->SetText(lines);
    });
}

void TFormChartProp::ShapeBitmapClick()
{
    WithSelected([](TChartSeries& series) {
        auto* shape = dynamic_cast<TChartShape*>(&series);
        if (!shape) return;
        TFileDialogOptions dialog;
        dialog.Filter = "Bitmaps (*.bmp)|*.bmp";
        if (!UiServices().OpenFileDialog(dialog)) return;
        std::string bytes;
        {
            TFileStream file(dialog.FileName, fmOpenRead);
            bytes.resize(static_cast<std::size_t>(file.Size()));
            file.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        }
        const QImage image = ReadBitmapData(bytes);
        shape->Brush().SetBitmap(nullptr);
        shape->Brush().SetBitmap(&image);
    });
}

void TFormChartProp::ShapeClearBitmapClick()
{
    WithSelected([](TChartSeries& series) {
        if (auto* shape = dynamic_cast<TChartShape*>(&series)) shape->Brush().SetBitmap(nullptr);
    });
}

void TFormChartProp::ShapeOutlineClick(bool on)
{
    WithSelected([on](TChartSeries& series) {
        if (dynamic_cast<TChartShape*>(&series)) series.Pen().SetStyle(on ? psSolid : psClear);
    });
}

void TFormChartProp::BarMarkedClick()
{
    WithSelected([](TChartSeries& series) {
        if (auto* bar = dynamic_cast<TBarSeries*>(&series)) bar->Marks().SetVisible(!bar->Marks().Visible());
    });
}

void TFormChartProp::BarWidthClick()
{
    WithSelected([](TChartSeries& series) {
        auto* bar = dynamic_cast<TBarSeries*>(&series);
        if (!bar) return;
        std::string width = IntToStr(bar->CustomBarWidth());
        if (!UiServices().InputQuery("Bar width", "Size in pixels", width)) return;
        const int value = StrToInt(width);
        if (value > 0) bar->SetCustomBarWidth(value);
    });
}

// ---------------------------------------------------------------- analysis commands

namespace {
std::vector<double> ValuesOf(const TChartValueList& list, int count)
{
    return {list.Values(), list.Values() + count};
}
}  // namespace

void TFormChartProp::AddRegressionClick()
{
    TCustomChart* chart = chart_.Get();
    TChartSeries* series = SelectedSeries();
    if (!chart || !series) return;
    auto* form = new TFormAddRegression(Application() ? Application()->MainForm() : nullptr);
    form->SetSeriesTitle(series->Title());
    const TChartValueList &xs = *series->XValues(), &ys = *series->YValues();
    for (int i = 0; i < series->PointCount(); ++i) form->AddDataPoint(xs.GetValueAt(i), ys.GetValueAt(i));
    form->SetChart(chart);
    ShowOwned(form, this);
}

void TFormChartProp::BasicStatisticsClick()
{
    WithSelected([this](TChartSeries& series) {
        const int n = series.PointCount();
        ShowBasicStatistics("Statistics: " + series.Title(), SortedFloatArray(ValuesOf(*series.XValues(), n)),
                            SortedFloatArray(ValuesOf(*series.YValues(), n)), this);
    });
}

void TFormChartProp::HistogramClick()
{
    TChartSeries* series = SelectedSeries();
    if (!series) return;
    // The quantile question below may outlive the series: everything needed is read first.
    const std::string caption = "Histogram: " + series->Title();
    const std::vector<double> xs = ValuesOf(*series->XValues(), series->PointCount());
    const std::vector<double> weights = ValuesOf(*series->YValues(), series->PointCount());
    THistogram histogram;
    if (!WeightedHistogram(xs, weights, histogram)) {
        UiServices().ShowWarning(ZeroWeightTotalText);
        return;
    }
    AskQuantileProbability();
    HistogramQuantiles(xs, weights, QuantileProbability, histogram);
    ShowHistogram(caption, histogram.Count, histogram.UpperQuantile, histogram.LowerQuantile, histogram.Maximum,
                  histogram.Minimum, static_cast<double>(histogram.StdDev), static_cast<double>(histogram.Average),
                  static_cast<double>(histogram.WeightTotal), this);
}

void TFormChartProp::CorrelationClick()
{
    WithSelected([this](TChartSeries& series) {
        TStatistics engine;
        engine.Reserve(series.PointCount());
        const TChartValueList &xs = *series.XValues(), &ys = *series.YValues();
        for (int i = 0; i < series.PointCount(); ++i) engine.AddPoint(xs.GetValueAt(i), ys.GetValueAt(i));
        engine.Calculate(1);
        ShowCorrelation("Correlation: " + series.Title(), engine, this);
    });
}

void TFormChartProp::BrokenLineClick()
{
    TCustomChart* chart = chart_.Get();
    TChartSeries* series = SelectedSeries();
    if (chart && series) ShowBrokenLine(chart, series, this);
}

void TFormChartProp::TransformClick(int axis)
{
    WithSelected([this, axis](TChartSeries& series) { ShowSeriesTransform(&series, axis, this); });
}

void TFormChartProp::SaveDataClick()
{
    TCustomChart* chart = chart_.Get();
    if (!chart || !SelectedSeries()) return;
    TFileDialogOptions dialog;
    dialog.Title = "Save data as";
    dialog.Filter = "Semicolon delimited (*.csv)|*.csv|Any file|*.*";
    dialog.DefaultExt = "csv";
    if (!UiServices().SaveFileDialog(dialog)) return;
    // The series may have gone while the dialog was open.
    TChartSeries* series = SelectedSeries();
    chart = chart_.Get();
    if (!chart || !series) return;
    WriteFileSafely(dialog.FileName, Utf8ToAnsi(SeriesDataText(*chart, *series)));
}

void TFormChartProp::DeleteClick()
{
    WithSelected([this](TChartSeries& series) {
        series.Free();
        delete ListSeries->takeItem(ListSeries->currentRow());
        ListSeriesClick();
    });
}

void TFormChartProp::MergeClick()
{
    TCustomChart* chart = chart_.Get();
    if (!chart) return;
    std::vector<TChartSeries*> selected;
    for (int row = 0; row < ListSeries->count(); ++row)
        if (ListSeries->item(row)->isSelected())
            if (TChartSeries* series = SeriesOfLine(row)) selected.push_back(series);
    if (selected.size() < 2) return;
    TChartSeries* target = selected.front();
    for (std::size_t i = 1; i < selected.size(); ++i) {
        TChartSeries* source = selected[i];
        for (int p = 0; p < source->PointCount(); ++p)
            target->AddPointXY(source->XValues()->GetValueAt(p), source->YValues()->GetValueAt(p), {}, clDefault);
        FreeComponent(source);
    }
    FormActivate();
}

// ---------------------------------------------------------------- entry

void ShowChartProperties(TCustomChart* chart, QWidget* owner)
{
    if (!FormChartProp) new TFormChartProp;
    FormChartProp->SetChart(chart);
    ShowOwned(FormChartProp, owner);
    FormChartProp->FormActivate();
}
