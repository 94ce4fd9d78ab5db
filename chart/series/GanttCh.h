#pragma once
// The Gantt series: one horizontal bar per task from its start to its end at its row (Y); a
// task may name the task after it, and the two are joined by a connecting line.
//
// Tasks keep the order they were added in, so the NextTask indexes keep naming the same tasks.
#include <memory>

#include "chart/series/RuRazaziCallout.h"
#include "chart/series/Series.h"

class TGanttSeries : public TPointSeries {
    QB_CLASS(TGanttSeries, TPointSeries)
public:
    explicit TGanttSeries(TComponent* owner = nullptr);
    ~TGanttSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TGanttSeries>& p);

    TChartValueList* StartValues() const { return XValues(); }
    void SetStartValues(const TChartValueList* value) { SetXValues(value); }
    TChartValueList* EndValues() const { return endValues_; }
    void SetEndValues(const TChartValueList* value) { AssignValueList(endValues_, value); }
    // The index of the following task, -1 for none.
    TChartValueList* NextTask() const { return nextTask_; }
    void SetNextTask(const TChartValueList* value) { AssignValueList(nextTask_, value); }
    TDuvPen& ConnectingPen() const { return Pen(); }
    void SetConnectingPen(const TDuvPen* value) { SetPen(value); }
    // The marker at the arrival end of a connecting line; made on first read, none frees it.
    TMarksCallout* Callout();
    TMarksCallout* PeekCallout() const { return callout_.get(); }
    void SetCallout(const TMarksCallout* value);

    int AddGanttColor(double start, double end, double y, const std::string& label = {}, TColor color = clDefault);
    int AddGantt(double start, double end, double y, const std::string& label = {})
    {
        return AddGanttColor(start, end, y, label, clDefault);
    }

    int AddPointXY(double x, double y, const std::string& label = {}, TColor color = clDefault) override;
    void GetVertMargins(int& top, int& bottom) override;
    void DrawPoint(int index) override;
    void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
    bool IsPointHit(int index, int pointX, int pointY, int mouseX, int mouseY) override;
    double MaxXValue() override;
    void AssignFormat(const TCustomChartSeries* source) override;
    bool AcceptsSourceSeries(const TChartSeries* source) const override;
    void SetGalleryLook() override;
    std::string GetEditorClassName() const override { return "TGanttSeriesEditor"; }
    void AddRandomSamples(int count, bool valuesOnly) override;

private:
    void DrawConnector(int index, int x1, int y);

    TChartValueList* endValues_;
    TChartValueList* nextTask_;
    std::unique_ptr<TMarksCallout> callout_;
};

void GanttChInitialization();
