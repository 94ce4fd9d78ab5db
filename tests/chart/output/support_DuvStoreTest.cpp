#include "support_DuvStoreTest.h"

#include <array>
#include <cstdio>
#include <memory>
#include <sstream>

#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "support/TestSupport.h"
#include "support_SmoothCanvas.h"

namespace storetest {

const std::string StoreSeriesCaption = "Lines & Bars & <more>";

namespace {
const std::string kGalleryPage = "Tests";
}

void StartStoreModules()
{
    static const bool started = [] {
        outputtest::StartOutputModules();
        for (const TClassInfo* info : {&TStoreSeries::StaticClass(), &TStoreThreeListSeries::StaticClass(),
                                       &TStoreDoubling::StaticClass()})
            RegisterClassForStreaming(*info);
        RegisterSeriesType(&TStoreSeries::StaticClass(), &StoreSeriesCaption, &kGalleryPage, 1);
        return true;
    }();
    (void)started;
}

TStoreSeries::~TStoreSeries()
{
    if (ParentChart()) SetParentChart(nullptr);
}

void TStoreDoubling::CalculateFromSources(TChartSeries* source)
{
    if (!source || !OutputSeries()) return;
    for (int i = 0; i < source->PointCount(); ++i)
        OutputSeries()->AddPointXY(source->XValues()->GetValueAt(i), 2 * source->YValues()->GetValueAt(i));
}

void FillSampleChart(TChart& chart)
{
    chart.Title()->AssignText("Rain & snow <2026> \"Brno\" ž");
    auto* rain = new TStoreSeries(&chart);
    rain->SetName("Rain");
    rain->SetTitle("Déšť & <sníh>");
    rain->SetParentChart(&chart);
    rain->SetSeriesColor(0x3366CC);
    rain->AddPointXY(1.5, 10, "Mon");
    rain->AddPointXY(2.5, 0.1 + 0.2, "Tue; \"wet\"", 0x00FF00);
    rain->AddNullPointXY(3.5, 0, "Wed");
    rain->AddPointXY(4.5, -7.25, "Čtvrtek & <b>");
    auto* depth = new TStoreThreeListSeries(&chart);
    depth->SetName("Depth");
    depth->SetParentChart(&chart);
    depth->AddPointY(3);
    depth->Z->PendingValue = 30;
    depth->AddPointY(4);
    auto* twice = new TStoreSeries(&chart);
    twice->SetName("Twice");
    twice->SetParentChart(&chart);
    auto* function = new TStoreDoubling(&chart);
    function->SetName("TwiceFunction");
    twice->SetFunction(function);
    twice->SetDataSource(rain);
}

std::string DescribeChart(const TCustomAxisPanel& chart)
{
    std::ostringstream out;
    if (const auto* full = dynamic_cast<const TCustomChart*>(&chart))
        if (full->PeekTitle()) out << "title " << full->PeekTitle()->Lines().Text() << "\n";
    out << "left automatic " << chart.LeftAxis()->Automatic() << "\n";
    for (int s = 0; s < chart.CountSeries(); ++s) {
        const auto* series = dynamic_cast<const TChartSeries*>(chart.GetSeries(s));
        if (!series) {
            out << "series " << chart.GetSeries(s)->ClassName() << "\n";
            continue;
        }
        out << "series " << series->ClassName() << " " << series->Name() << " '" << series->Title() << "' colour "
            << series->SeriesColor() << " active " << series->Active();
        if (series->Function()) out << " function " << series->Function()->ClassName();
        if (series->DataSource()) out << " source " << series->DataSource()->Name();
        out << "\n";
        for (int i = 0; i < series->PointCount(); ++i) {
            out << "  " << series->XValues()->Values()[i] << ":" << series->YValues()->Values()[i];
            for (int l = 2; l < series->ValueLists().Count(); ++l) out << ":" << series->ValueLists()[l]->Values()[i];
            out << " c=" << series->StoredPointColor(i) << " l=" << series->Labels().GetLabelText(i) << "\n";
        }
    }
    return out.str();
}

std::string RunCommand(const std::string& command, int& rc)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        rc = -1;
        return "cannot start: " + command;
    }
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), got);
    const int status = pclose(pipe);
    rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

std::string RunPython(const std::string& script, const std::string& file, int& rc)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("judge.py");
    qbtest::WriteFileBytes(path, script);
    return qbtest::RunProgram({"/usr/bin/python3", path, file}, rc);
}

}  // namespace storetest
