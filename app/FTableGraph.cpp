// The graph strip of the table window: two field lists, the date switch, Add line and Add points,
// and the database-bound chart with its toolbar.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "app/FTable.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/output/DBChart.h"
#include "chart/output/widgets/DuvCommaBar.h"
#include "chart/series/Series.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"
#include "platform/db/DataSet.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"

namespace {

constexpr int kPanelGraphHeight = 164;
constexpr int kCommanderHeight = 33;

// The look the form gives the graph strip's chart.
constexpr TColor kPanelGrey = 0xEAEAEA;     // (234, 234, 234)
constexpr TColor kSideWalls = 0xE0FFFF;     // (255, 255, 224)
constexpr TColor kAxisLine = 0x404040;      // (64, 64, 64)
constexpr TColor kGridAndTicks = 0xA9A9A9;  // (169, 169, 169)
const char* const kChartFont = "Verdana";

void PaintBottomToTop(TDuvGradient& gradient)
{
    gradient.SetDirection(gdBottomTop);
    gradient.SetStartColor(kPanelGrey);
    gradient.SetMidColor(kPanelGrey);
    gradient.SetEndColor(clWhite);
    gradient.SetVisible(true);
}

void StyleGraphChart(TDBChart& chart)
{
    chart.SetView3D(false);
    chart.SetDefaultCanvas("TGDIPlusCanvas");
    chart.SelectCanvasClass();
    chart.SetColorPaletteIndex(13);
    PaintBottomToTop(*chart.GetGradient());
    chart.BackWall()->SetTransparent(false);
    PaintBottomToTop(*chart.BackWall()->GetGradient());
    chart.LeftWall()->SetColor(kSideWalls);
    chart.RightWall()->SetColor(kSideWalls);
    for (TChartAxis* axis : chart.AxesList()) {
        axis->Axis()->SetColor(kAxisLine);
        axis->Grid()->SetColor(kGridAndTicks);
        axis->TicksInner()->SetColor(kGridAndTicks);
        axis->Labels().Font()->SetName(kChartFont);
        axis->GetTitle()->Font()->SetName(kChartFont);
    }
    for (TChartTitle* title : {chart.Title(), chart.Foot()}) title->Font()->SetName(kChartFont);
    chart.Foot()->Font()->SetColor(clBlue);
    chart.Legend()->Font()->SetName(kChartFont);
    chart.Legend()->GetShadow()->SetTransparency(0);
    TStringList lines;
    lines.Add("TDBChart");
    chart.Title()->SetLines(lines);
}

bool HoldsNumbers(TFieldType type)
{
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftDate: case ftTime:
    case ftDateTime: case ftAutoInc: case ftLargeint: return true;
    default: return false;
    }
}

}  // namespace

std::string GraphFieldRefusal(TDataSet& dataSet, const std::string& fieldName, const char* axis)
{
    TField* field = dataSet.FindField(fieldName);
    if (!field || HoldsNumbers(field->DataType()) || !dataSet.Active()) return {};
    // Other fields give numbers only where their texts are numbers: every record is tried as the
    // chart will read it.
    const TBookmark place = dataSet.GetBookmark();
    dataSet.DisableControls();
    TScopeGuard restore([&dataSet, place] {
        if (dataSet.BookmarkValid(place)) dataSet.GotoBookmark(place);
        dataSet.EnableControls();
    });
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        try {
            (void)field->AsFloat();
        } catch (const Exception&) {
            return std::string("The ") + axis + " field " + fieldName + " holds \"" + field->AsString() +
                   "\", which is not a number: choose a field of numbers or dates.";
        }
    }
    return {};
}

void TFormTable::BuildGraphPanel()
{
    CB_X = new QComboBox(PanelGraph);
    CB_Y = new QComboBox(PanelGraph);
    CB_date = new QCheckBox(PanelGraph);
    BtnAddPoints = new QPushButton(PanelGraph);
    BtnAddLine = new QPushButton(PanelGraph);
    DuvCommander = new TDuvCommanderBar(PanelGraph);
    components_ = MakeComponent<TComponent>(nullptr);
    DBChart = new TDBChart(components_.get());
    DBChart->SetName("DBChart");
    StyleGraphChart(*DBChart);
    DBChartHost = Named(new TDuvPanelHost(*DBChart, PanelGraph), "DBChart", "Chart");
    DuvCommander->setObjectName("DuvCommander");
    DuvCommander->Commander().SetName("DuvCommander");
    DuvCommander->Commander().SetPanel(DBChart);
    DuvCommander->setFixedHeight(kCommanderHeight);

    PanelGraph->setObjectName("PanelGraph");
    PanelGraph->setAccessibleName("PanelGraph");
    auto* labelX = Named(new QLabel(PanelGraph), "LblX", "X field");
    auto* labelY = Named(new QLabel(PanelGraph), "LblY", "Y field");
    labelX->setText("X field");
    labelY->setText("Y field");
    labelX->setBuddy(CB_X);
    labelY->setBuddy(CB_Y);
    Named(CB_X, "CB_X", "X field");
    Named(CB_Y, "CB_Y", "Y field");
    for (QComboBox* list : {CB_X, CB_Y}) list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    CB_date->setObjectName("CB_date");
    SetCaption(CB_date, "X axis in date format");
    BtnAddPoints->setObjectName("BtnAddPoints");
    SetCaption(BtnAddPoints, "Add points");
    BtnAddLine->setObjectName("BtnAddLine");
    SetCaption(BtnAddLine, "Add line");

    auto* fields = new QGridLayout;
    fields->addWidget(labelX, 0, 0);
    fields->addWidget(CB_X, 0, 1, 1, 2);
    fields->addWidget(labelY, 1, 0);
    fields->addWidget(CB_Y, 1, 1, 1, 2);
    fields->addWidget(CB_date, 2, 0, 1, 3);
    fields->addWidget(BtnAddPoints, 3, 0, 1, 2);
    fields->addWidget(BtnAddLine, 3, 2);
    fields->setRowStretch(4, 1);
    auto* chart = new QVBoxLayout;
    chart->setSpacing(0);
    chart->addWidget(DuvCommander);
    chart->addWidget(DBChartHost, 1);
    auto* layout = new QHBoxLayout(PanelGraph);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(fields);
    layout->addLayout(chart, 1);

    connect(BtnAddLine, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnAddLineClick));
    connect(BtnAddPoints, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnAddPointsClick));
    PanelGraph->hide();
}

void TFormTable::ReleaseGraph()
{
    // The chart's window and toolbar let go of it before the chart and its series go.
    delete DBChartHost;
    DBChartHost = nullptr;
    DuvCommander->Commander().SetPanel(nullptr);
    components_.reset();
    DBChart = nullptr;
    chartDataSet_ = nullptr;
}

// ---- the graph strip

void TFormTable::RefreshGraphLater()
{
    if (graphRefreshPending_ || !DBChart || DBChart->CountSeries() == 0) return;
    graphRefreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        graphRefreshPending_ = false;
        RunHandler([this] {
            if (DBChart && chartDataSet_) DBChart->AutoRefreshDataSet(chartDataSet_->DataSet, nullptr);
        });
    });
}

void TFormTable::BtnGraphClick()
{
    const bool show = PanelGraph->isHidden();
    PanelGraph->setVisible(show);
    if (!show) return;
    const int total = SplitterGraph->height();
    SplitterGraph->setSizes({std::max(0, total - kPanelGraphHeight), kPanelGraphHeight});
    FillGraphFieldLists();
}

void TFormTable::FillGraphFieldLists()
{
    QStringList names{QString()};
    if (boundDataSet_) {
        TStringList fields;
        boundDataSet_->GetFieldNames(fields);
        for (int i = 0; i < fields.Count(); ++i) names.push_back(QText(fields[i]));
    }
    for (QComboBox* list : {CB_X, CB_Y}) {
        // A field chosen before stays chosen when the dataset still has it.
        const QString chosen = list->currentText();
        list->clear();
        list->addItems(names);
        list->setCurrentIndex(std::max(0, int(names.indexOf(chosen))));
    }
}

void TFormTable::BtnAddLineClick() { AddLineSeries(CB_X->currentText().toStdString(), CB_Y->currentText().toStdString()); }

void TFormTable::BtnAddPointsClick()
{
    AddPointSeries(CB_X->currentText().toStdString(), CB_Y->currentText().toStdString());
}

TChartSeries* TFormTable::AddLineSeries(const std::string& xField, const std::string& yField)
{
    return AddFieldSeries([](TComponent* owner) -> TChartSeries* { return new TLineSeries(owner); }, xField, yField);
}

TChartSeries* TFormTable::AddPointSeries(const std::string& xField, const std::string& yField)
{
    return AddFieldSeries([](TComponent* owner) -> TChartSeries* { return new TPointSeries(owner); }, xField, yField);
}

TChartSeries* TFormTable::AddFieldSeries(TChartSeries* (*create)(TComponent* owner), const std::string& xField,
                                         const std::string& yField)
{
    if (xField.empty()) {
        UiServices().ShowWarning("X field cannot be empty");
        return nullptr;
    }
    if (yField.empty()) {
        UiServices().ShowWarning("Y field cannot be empty");
        return nullptr;
    }
    TDataSet& dataSet = GridDataSet();
    for (const auto& [field, axis] : {std::pair{&xField, "X"}, std::pair{&yField, "Y"}}) {
        const std::string refusal = GraphFieldRefusal(dataSet, *field, axis);
        if (refusal.empty()) continue;
        UiServices().ShowWarning(refusal);
        return nullptr;
    }
    if (!chartDataSet_ || chartDataSet_->DataSet != &dataSet) {
        chartDataSet_ = new TDataSetComponent(components_.get(), &dataSet);
    }
    // A series whose fields the chart cannot read (a text that is no number) goes again with the
    // failure: one left behind would fail again on every later post of the dataset.
    TComponentPtr<TChartSeries> series(create(components_.get()));
    series->SetParentChart(DBChart);
    if (CB_date->isChecked()) series->XValues()->SetDateTime(true);
    series->XValues()->SetValueSource(xField);
    series->YValues()->SetValueSource(yField);
    series->SetDataSource(chartDataSet_);  // the chart fills one point per record
    series->SetTitle(yField);
    return series.release();
}
