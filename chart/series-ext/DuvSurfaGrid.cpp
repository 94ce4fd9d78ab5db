#include "chart/series-ext/DuvSurfaGrid.h"

#include <algorithm>
#include <cmath>

#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

void TGridIndex::Resize(int columns, int rows)
{
    columns_ = std::max(0, columns);
    rows_ = std::max(0, rows);
    stride_ = static_cast<std::size_t>(rows_) + 1;
    cells_.assign((static_cast<std::size_t>(columns_) + 1) * stride_, -1);
}

TCustom3DGridSeries::TCustom3DGridSeries(TComponent* owner) : TCustom3DPaletteSeries(owner) { ClearPoints(); }

void TCustom3DGridSeries::DeclareProperties(TPropertyDeclarer<TCustom3DGridSeries>& p)
{
    using S = TCustom3DGridSeries;
    p.Boolean("IrregularGrid", &S::IrregularGrid, &S::SetIrregularGrid).Default(false);
    p.Integer("NumXValues", &S::NumXValues, &S::SetNumXValues).Default(10);
    p.Integer("NumZValues", &S::NumZValues, &S::SetNumZValues).Default(10);
}

void TCustom3DGridSeries::SetNumXValues(int value)
{
    if (numXValues_ == value) return;
    numXValues_ = value;
    ClearPoints();
    CreateGridValues(numXValues_, numZValues_);
}

void TCustom3DGridSeries::SetNumZValues(int value)
{
    if (numZValues_ == value) return;
    numZValues_ = value;
    ClearPoints();
    CreateGridValues(numXValues_, numZValues_);
}

bool TCustom3DGridSeries::CanCreateValues() const { return !NoSamples && (OnGetYValue || Sampling); }

double TCustom3DGridSeries::GetGridSampleY(int x, int z)
{
    if (OnGetYValue) return OnGetYValue(this, x, z);
    if (!Sampling) return 0;
    const double cx = std::cos(x / (0.2 * numXValues_));
    const double cz = std::cos(z / (0.2 * numZValues_));
    return 0.5 * cx * cx + cz * cz - std::cos(z / (0.5 * numZValues_));
}

void TCustom3DGridSeries::CreateGridValues(int numX, int numZ)
{
    if (!CanCreateValues()) return;
    numXValues_ = numX;
    numZValues_ = numZ;
    ClearPoints();
    const long long total = static_cast<long long>(std::max(0, numX)) * std::max(0, numZ);
    if (total <= 0x7FFFFFFF)
        for (int i = 0; i < ValueLists().Count(); ++i) ValueLists()[i]->Reserve(static_cast<int>(total));
    {
        SuspendUpdates();
        const TScopeGuard resume([this] { ResumeUpdates(); });
        for (int z = 1; z <= numZ; ++z)
            for (int x = 1; x <= numX; ++x) AddXYZ(x, GetGridSampleY(x, z), z);
    }
    CreateDefaultPalette();
}

void TCustom3DGridSeries::SetGridValue(int x, int z, double y)
{
    if (indexStale_ || !index_.Contains(x, z)) {
        AddXYZ(x, y, z);
        return;
    }
    int& cell = index_.At(x, z);
    if (cell == -1) {
        cell = AddXYZ(x, y, z);
        // Adding marked the index stale; the new point is in it.
        indexStale_ = false;
    } else {
        YValues()->SetValueAt(cell, y);
        // Only a height changed: the nodes stay where they are.
        indexStale_ = false;
    }
}

bool TCustom3DGridSeries::CellCorners(int column, int row)
{
    const int cols[4] = {column, column + ColumnStep, column + ColumnStep, column};
    const int rows[4] = {row, row, row + RowStep, row + RowStep};
    for (int k = 0; k < 4; ++k) {
        Corners[k] = index_.Contains(cols[k], rows[k]) ? index_.At(cols[k], rows[k]) : -1;
        if (Corners[k] == -1) return false;
    }
    return true;
}

void TCustom3DGridSeries::FillGridIndex()
{
    if (PointCount() == 0) {
        // Sizes read from a stream are not trusted to fit in memory.
        const long long cells = (static_cast<long long>(numXValues_) + 1) * (static_cast<long long>(numZValues_) + 1);
        if (cells > RegularIndexLimit(0))
            index_.Resize(0, 0);
        else
            index_.Resize(numXValues_, numZValues_);
    }
    else if (irregularGrid_)
        FillIrregularIndex();
    else
        FillRegularIndex();
    indexStale_ = false;
}

void TCustom3DGridSeries::FillRegularIndex()
{
    TChartValueList* xs = XValues();
    TChartValueList* zs = ZValues();
    const double minX = xs->GetMinimum(), minZ = zs->GetMinimum();
    const long long x0 = Rnd(minX), z0 = Rnd(minZ);
    const long long columns = Rnd(xs->GetMaximum()) - x0 + 1, rows = Rnd(zs->GetMaximum()) - z0 + 1;
    // Far-apart values would ask for a huge sparse index: their distinct values serve instead.
    if ((columns + 1) * (rows + 1) > RegularIndexLimit(PointCount()) || columns < 1 || rows < 1) {
        FillIrregularIndex();
        return;
    }
    xOffset_ = minX != 0 ? 1 : 0;
    zOffset_ = minZ != 0 ? 1 : 0;
    index_.Resize(static_cast<int>(columns), static_cast<int>(rows));
    const double* x = xs->Values();
    const double* z = zs->Values();
    const int count = PointCount();
    for (int i = 0; i < count; ++i) index_.At(static_cast<int>(Rnd(x[i]) - x0 + 1), static_cast<int>(Rnd(z[i]) - z0 + 1)) = i;
    numXValues_ = static_cast<int>(columns);
    numZValues_ = static_cast<int>(rows);
}

namespace {

std::vector<double> DistinctValues(const double* values, int count)
{
    std::vector<double> distinct(values, values + count);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    return distinct;
}

int PositionOf(const std::vector<double>& sorted, double value)
{
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), value);
    return it != sorted.end() && *it == value ? static_cast<int>(it - sorted.begin()) : -1;
}

}  // namespace

void TCustom3DGridSeries::FillIrregularIndex()
{
    const int count = PointCount();
    const double* x = XValues()->Values();
    const double* z = ZValues()->Values();
    const std::vector<double> columns = DistinctValues(x, count);
    const std::vector<double> rows = DistinctValues(z, count);
    index_.Resize(static_cast<int>(columns.size()), static_cast<int>(rows.size()));
    for (int i = 0; i < count; ++i) {
        const int p = PositionOf(columns, x[i]), q = PositionOf(rows, z[i]);
        if (p >= 0 && q >= 0) index_.At(p + 1, q + 1) = i;
    }
    numXValues_ = static_cast<int>(columns.size());
    numZValues_ = static_cast<int>(rows.size());
}

void TCustom3DGridSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustom3DGridSeries*>(source)) {
        numXValues_ = other->numXValues_;
        numZValues_ = other->numZValues_;
        irregularGrid_ = other->irregularGrid_;
        indexStale_ = true;
    }
    TCustom3DPaletteSeries::Assign(source);
}

void TCustom3DGridSeries::PrepareToDraw()
{
    TCustom3DPaletteSeries::PrepareToDraw();
    if (indexStale_) FillGridIndex();
}

void TCustom3DGridSeries::LoadFromSourceSeries(TCustomChartSeries* source)
{
    if (const auto* grid = dynamic_cast<const TCustom3DGridSeries*>(source)) {
        numXValues_ = grid->numXValues_;
        numZValues_ = grid->numZValues_;
    }
    TCustom3DPaletteSeries::LoadFromSourceSeries(source);
    RequestRepaint();
}

void TCustom3DGridSeries::NotifyDependents(TDependentChange code, int index)
{
    TCustom3DPaletteSeries::NotifyDependents(code, index);
    indexStale_ = true;
}

void TCustom3DGridSeries::ClearPoints()
{
    TCustom3DPaletteSeries::ClearPoints();
    XValues()->SetOrder(loNone);
    indexStale_ = true;
}

void TCustom3DGridSeries::AddPixelValues(int width, int height, const std::vector<const std::uint8_t*>& rows)
{
    SetNumXValues(width);
    SetNumZValues(height);
    ClearPoints();
    FillGridIndex();
    for (int x = 0; x < width; ++x)
        for (int z = 0; z < height; ++z) {
            const std::uint8_t* pixel = rows[static_cast<std::size_t>(z)] + 3 * x;
            SetGridValue(x, z, pixel[2] + pixel[1] * 256.0 + pixel[0] * 65536.0);
        }
}

void TCustom3DGridSeries::AddRandomSamples(int count, bool)
{
    if (count <= 0) return;
    const bool sampling = Sampling;
    Sampling = true;
    const TScopeGuard restore([this, sampling] { Sampling = sampling; });
    CreateGridValues(count, count);
}

bool TCustom3DGridSeries::FunctionAcceptsSource(const TChartSeries* source) const
{
    return dynamic_cast<const TCustom3DGridSeries*>(source) != nullptr;
}
