#pragma once
// The base of the calculation functions. A function belongs to one output series, which frees it,
// streams it as its child and asks it whether a source is acceptable and to recalculate. It fills
// that series from the series' sources: which value list it reads, how it cuts a source into
// periods, which X each result gets and how several sources combine are decided here; a derived
// function overrides only the steps it needs (the reduction of an array, the calculation over a
// range, the production of results, or the whole recalculation).
#include <memory>
#include <string>
#include <vector>

#include "chart/graphics/ChartEditable.h"
#include "platform/core/Component.h"
#include "platform/core/Properties.h"

class TChartSeries;
class TChartValueList;
class TCustomAxisPanel;

QB_ENUM(TFunctionPeriodStyle, psNumPoints, psRange)
QB_ENUM(TFunctionPeriodAlign, paFirst, paCenter, paLast)

class TDuvFunction : public TComponent, public IChartEditable {
    QB_CLASS(TDuvFunction, TComponent)
public:
    explicit TDuvFunction(TComponent* owner);
    ~TDuvFunction() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvFunction>& p);

    TChartSeries* OutputSeries() const { return outputSeries_; }
    // Nothing when already attached there; else the former output series forgets this function.
    void AttachToSeries(TChartSeries* series);

    bool RecalcSuspended = false;
    // Set by constructors only; read by the gallery, the editors and the chart's refresh.
    bool PeriodEditable = true;
    bool NeedsNoSource = false;
    bool SingleSourceOnly = false;
    bool HidesValueSource = false;

    // Published settings; every setter recalculates when the value really changes.
    bool IncludeNulls() const { return includeNulls_; }
    void SetIncludeNulls(bool value);
    bool CalcByValue() const { return calcByValue_; }
    void SetCalcByValue(bool value);
    double Period() const { return period_; }
    // Raises ChartException "Function Period should be >= 0" for a negative value or NaN.
    void SetPeriod(double value);
    // No check and no recalculation: for constructors.
    void StorePeriod(double value) { period_ = value; }
    TFunctionPeriodStyle PeriodStyle() const { return periodStyle_; }
    void SetPeriodStyle(TFunctionPeriodStyle value);
    TFunctionPeriodAlign PeriodAlign() const { return periodAlign_; }
    void SetPeriodAlign(TFunctionPeriodAlign value);

    // Copies the five published settings of another function, without recalculation.
    void Assign(const TPersistent* source) override;

    void SuspendRecalculation() { RecalcSuspended = true; }
    // Recalculates once, and only when it was suspended.
    void ResumeRecalculation();
    // The output series refills itself from its sources (nothing while suspended or unattached).
    void Recalculate();

    // The value list of a source that the function reads (the output's ValueSource by name, else
    // the source's mandatory list).
    TChartValueList* SourceValues(TChartSeries* source) const;
    // Adds (x, y) when asGiven, else (y, x), with an empty label and clDefault. A result that is
    // not a number has no defined value and becomes a null point (AddOutputNull).
    void AddOutputPoint(bool asGiven, double x, double y);
    // Adds a point that has no defined value: a null point (clNone) of value 0.
    void AddOutputNull(bool asGiven, double x);
    // The output goes to the right axis; the left axis ends at 70 %, the right starts there.
    void MoveOutputToRightAxis();

    // The steps a derived function overrides, in this order of use.
    virtual void AddRangeResult(TChartSeries* source, double x, int first, int last);
    virtual void StoreArrayValue(std::vector<double>& values, int index, double value);
    virtual double CalculateArray(std::vector<double>& values);
    virtual void AddSingleResult(TChartSeries* source, TChartValueList* list);
    virtual void AddPeriodResults(TChartSeries* source, TChartValueList* list);
    virtual void AddResults(TChartSeries* source, TChartValueList* list);
    // The series class the gallery prefers as source; none means any (a fast line).
    virtual const TClassInfo* GetSourceSeriesClass() const { return nullptr; }
    std::string GetEditorClassName() const override { return "TDuvFunctionEditor"; }
    virtual void SetUpInGallery(TCustomAxisPanel* chart);
    // first -1: the whole source.
    virtual double CalculateRange(TChartSeries* source, int first, int last);
    virtual double CalculateManyAtIndex(const std::vector<TChartSeries*>& sources, int valueIndex);
    virtual double CalculateManyAtX(const std::vector<TChartSeries*>& sources, double x);

    // Most zero results that empty X ranges add in one recalculation; further empty ranges are
    // skipped, so a tiny period over a wide gap can neither hang nor exhaust memory.
    static constexpr int MaxEmptyRanges = 1000000;

    // Called whenever the output series' points are cleared.
    virtual void ResetInnerSeries() {}
    virtual bool AcceptsSource(const TChartSeries*) const { return true; }
    // The whole recalculation into the output series; source is none for functions that need none.
    virtual void CalculateFromSources(TChartSeries* source);

    // A function streams as a child of its output series.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

protected:
    // Period rounded to whole points (halves to even), at least 1.
    int PeriodPoints() const;
    // The output series' data sources that are series, in list order.
    std::vector<TChartSeries*> SourceSeriesList() const;

private:
    friend class TChartSeries;
    void CalculateManyByIndex(TChartSeries* source, const std::vector<TChartSeries*>& sources);
    void CalculateManyByX(const std::vector<TChartSeries*>& sources);
    // One result of the several-sources roads, with its label; (y, x) unless asGiven.
    void AddManyResult(bool asGiven, double x, double y, const std::string& label);

    // The X values of the sources of the by-X road, indexed once per recalculation.
    struct TXIndexes;
    std::unique_ptr<TXIndexes> xIndexes_;
    struct TManyScratch;
    std::unique_ptr<TManyScratch> manyScratch_;
    // The work array, kept between calls so that no point of a recalculation allocates.
    friend class TWorkArray;
    std::vector<double> work_;
    bool workInUse_ = false;
    TChartSeries* outputSeries_ = nullptr;
    bool includeNulls_ = true;
    bool calcByValue_ = false;
    double period_ = 0;
    TFunctionPeriodStyle periodStyle_ = psNumPoints;
    TFunctionPeriodAlign periodAlign_ = paCenter;
};

// Slides a window of Period points along its one source; one result per window.
class TDuvMovingFunction : public TDuvFunction {
    QB_CLASS(TDuvMovingFunction, TDuvFunction)
public:
    explicit TDuvMovingFunction(TComponent* owner);
    static void DeclareProperties(TPropertyDeclarer<TDuvMovingFunction>& p);

    void AddResults(TChartSeries* source, TChartValueList* list) override;
};

void RuRazaziFunctionInitialization();
