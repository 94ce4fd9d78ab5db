#pragma once
// Palette series whose points are the nodes of a rectangular grid: point (X, Y, Z) is the node
// in column X and row Z with height Y. The grid index maps every (column, row) to the point
// stored there, so drawing walks cells and their corners without searching.
//
// What always holds: the index is one contiguous array of (columns + 1) x (rows + 1) point
// indexes, -1 for an empty node; column 0 and row 0 stay empty. A stale index is rebuilt
// before the next drawing.
#include <vector>

#include "chart/series-ext/DuvSurfaPalette.h"

using TChartSurfaceGetY = TEvent<double(TChartSeries* sender, int x, int z)>;

class TGridIndex {
public:
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    // Columns 0 .. columns, rows 0 .. rows, all -1.
    void Resize(int columns, int rows);
    int At(int column, int row) const { return cells_[static_cast<std::size_t>(column) * stride_ + static_cast<std::size_t>(row)]; }
    int& At(int column, int row) { return cells_[static_cast<std::size_t>(column) * stride_ + static_cast<std::size_t>(row)]; }
    bool Contains(int column, int row) const { return column >= 0 && row >= 0 && column <= columns_ && row <= rows_; }
    const int* Cells() const { return cells_.data(); }

private:
    std::vector<int> cells_;
    int columns_ = 0, rows_ = 0;
    std::size_t stride_ = 1;
};

class TCustom3DGridSeries : public TCustom3DPaletteSeries {
    QB_CLASS(TCustom3DGridSeries, TCustom3DPaletteSeries)
public:
    explicit TCustom3DGridSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TCustom3DGridSeries>& p);

    int NumXValues() const { return numXValues_; }
    void SetNumXValues(int value);
    int NumZValues() const { return numZValues_; }
    void SetNumZValues(int value);
    bool IrregularGrid() const { return irregularGrid_; }
    void SetIrregularGrid(bool value) { ChangeBoolean(irregularGrid_, value); }
    TChartSurfaceGetY OnGetYValue;

    const TGridIndex& GridIndex() const { return index_; }
    bool IndexStale() const { return indexStale_; }
    int XOffset() const { return xOffset_; }
    int ZOffset() const { return zOffset_; }
    // Cell walk steps and the corners CellCorners found, in its order.
    int ColumnStep = 1, RowStep = 1;
    int Corners[4] = {-1, -1, -1, -1};
    bool Sampling = false;
    bool NoSamples = false;

    virtual void CreateGridValues(int numX, int numZ);
    virtual double GetGridSampleY(int x, int z);
    void SetGridValue(int x, int z, double y);
    bool CellCorners(int column, int row);
    void FillGridIndex();
    bool CanCreateValues() const;

    void Assign(const TPersistent* source) override;
    void PrepareToDraw() override;
    void LoadFromSourceSeries(TCustomChartSeries* source) override;
    void NotifyDependents(TDependentChange code, int index) override;
    void ClearPoints() override;
    void AddPixelValues(int width, int height, const std::vector<const std::uint8_t*>& rows) override;
    void AddRandomSamples(int count, bool valuesOnly) override;
    void AddRandomSamples(int count) { AddRandomSamples(count, false); }
    bool FunctionAcceptsSource(const TChartSeries* source) const override;
    int DefaultSampleCount() const override { return numXValues_; }

    // A regular index larger than this many cells is built from the distinct values instead.
    static long long RegularIndexLimit(int pointCount) { return 16LL * pointCount + (1LL << 20); }

private:
    void FillRegularIndex();
    void FillIrregularIndex();

    int numXValues_ = 10, numZValues_ = 10;
    bool irregularGrid_ = false;
    TGridIndex index_;
    bool indexStale_ = true;
    int xOffset_ = 0, zOffset_ = 0;
};
