#include "chart/graphics/DuvFilterBase.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "chart/graphics/DuvConst.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"

// ---------------------------------------------------------------- region

void TFilterRegion::DeclareProperties(TPropertyDeclarer<TFilterRegion>& p)
{
    p.Integer("Left", &TFilterRegion::Left).Default(0);
    p.Integer("Top", &TFilterRegion::Top).Default(0);
    p.Integer("Width", &TFilterRegion::Width).Default(0);
    p.Integer("Height", &TFilterRegion::Height).Default(0);
}

void TFilterRegion::Assign(const TPersistent* source)
{
    auto* region = dynamic_cast<const TFilterRegion*>(source);
    if (!region) return TPersistent::Assign(source);
    Left = region->Left;
    Top = region->Top;
    Width = region->Width;
    Height = region->Height;
}

// ---------------------------------------------------------------- filter base

TDuvFilter::TDuvFilter(TCollection* collection) : TCollectionItem(collection) {}

TDuvFilter::~TDuvFilter() = default;

void TDuvFilter::DeclareProperties(TPropertyDeclarer<TDuvFilter>& p)
{
    p.Boolean("Enabled", &TDuvFilter::Enabled, &TDuvFilter::SetEnabled).Default(true);
    p.Object("Region", &TDuvFilter::Region, &TDuvFilter::SetRegion).Peek(&TDuvFilter::PeekRegion);
}

void TDuvFilter::SetEnabled(bool value)
{
    if (!SetIfChanged(enabled_, value)) return;
    if (EditorNotify) EditorNotify(this);
}

TFilterRegion* TDuvFilter::Region()
{
    if (!region_) region_ = std::make_unique<TFilterRegion>();
    return region_.get();
}

void TDuvFilter::SetRegion(TFilterRegion* value)
{
    if (value)
        Region()->Assign(value);
    else
        region_.reset();
}

void TDuvFilter::Assign(const TPersistent* source)
{
    auto* filter = dynamic_cast<const TDuvFilter*>(source);
    if (!filter) return TPersistent::Assign(source);
    if (filter == this) return;
    // Every parameter both classes publish, Enabled through its setter; the source's region is
    // made when it had none, so this filter always ends with one.
    AssignPublishedProperties(*this, const_cast<TDuvFilter&>(*filter));
    Region()->Assign(const_cast<TDuvFilter*>(filter)->Region());
}

namespace {
// The far edge of a region side. Region values come from chart files, so the sum is taken in
// 64 bits and kept between one pixel before the picture and its last pixel: an empty side stays
// empty and the filters' own edge arithmetic cannot overflow.
int RegionEnd(int start, int size, int last)
{
    if (size == 0) return last;
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{start} + size, -1, last));
}
}  // namespace

void TDuvFilter::Apply(QImage& bitmap)
{
    const int width = bitmap.width(), height = bitmap.height();
    TRect rect{0, 0, width - 1, height - 1};
    if (region_) {
        const TFilterRegion& r = *region_;
        rect.Left = std::clamp(r.Left, 0, width);
        rect.Top = std::clamp(r.Top, 0, height);
        rect.Right = RegionEnd(r.Left, r.Width, width - 1);
        rect.Bottom = RegionEnd(r.Top, r.Height, height - 1);
    }
    ApplyToRect(bitmap, rect);
}

void TDuvFilter::ApplyToRect(QImage& bitmap, const TRect&)
{
    if (!ReuseLines) PrepareLines(bitmap);
}

void TDuvFilter::PrepareLines(QImage& bitmap)
{
    Lines.clear();
    if (bitmap.isNull()) return;
    switch (bitmap.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;  // the canvas's own formats stay as they are (a painter may be open on them)
    default:
        bitmap = bitmap.convertToFormat(Uses32Bit || bitmap.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                             : QImage::Format_RGB32);
    }
    Lines.resize(static_cast<std::size_t>(bitmap.height()));
    for (int y = 0; y < bitmap.height(); ++y) Lines[static_cast<std::size_t>(y)] = bitmap.scanLine(y);
}

void TDuvFilter::FillEditor(IFilterControlBuilder&, const TChangeHandler& notify)
{
    EditorNotify = notify;
}

std::string TDuvFilter::Description() const
{
    return ClassName();
}

namespace {
std::unique_ptr<TDuvFilter> NewFilter(const TClassInfo& filterClass)
{
    if (!filterClass.InheritsFrom(TDuvFilter::StaticClass()))
        throw EComponentError(filterClass.Name() + " is not a picture filter class");
    return std::unique_ptr<TDuvFilter>(static_cast<TDuvFilter*>(filterClass.Create(nullptr)));
}
}  // namespace

void ApplyFilterClass(const TClassInfo& filterClass, QImage& bitmap)
{
    NewFilter(filterClass)->Apply(bitmap);
}

std::string FilterClassDescription(const TClassInfo& filterClass)
{
    return NewFilter(filterClass)->Description();
}

// ---------------------------------------------------------------- filter list

TFilterItems::TFilterItems(TPersistent* owner) : TCollection(TDuvFilter::StaticClass(), owner) {}

TDuvFilter* TFilterItems::GetFilter(int index) const
{
    return static_cast<TDuvFilter*>(Items(index));
}

TDuvFilter* TFilterItems::AddFilter(const TClassInfo& filterClass)
{
    return static_cast<TDuvFilter*>(AddItem(filterClass));
}

void TFilterItems::ApplyAll(QImage& bitmap)
{
    for (int i = 0; i < Count(); ++i) {
        TDuvFilter* filter = GetFilter(i);
        if (filter->Enabled()) filter->Apply(bitmap);
    }
}

void TFilterItems::Update(TCollectionItem* item)
{
    TCollection::Update(item);
    ItemsChanged = true;
}

void TFilterItems::Notify(TCollectionItem* item, bool added)
{
    TCollection::Notify(item, added);
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- convolution

TConvolveFilter::TConvolveFilter(TCollection* collection) : TDuvFilter(collection) {}

TConvolveFilter::~TConvolveFilter() = default;

void TConvolveFilter::CreateBuffer(int width, int height)
{
    buffer_ = std::make_unique<QImage>(std::max(0, width), std::max(0, height), QImage::Format_ARGB32);
}

void TConvolveFilter::FreeBuffer()
{
    buffer_.reset();
}

void TConvolveFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    TDuvFilter::ApplyToRect(bitmap, rect);
    if (LinesEmpty()) return;
    left_ = std::max(0, rect.Left);
    top_ = std::max(0, rect.Top);
    bottom_ = std::min(rect.Bottom, bitmap.height() - 1);
    right_ = std::min(rect.Right, bitmap.width() - 1);
    if (right_ - left_ < 2 || bottom_ - top_ < 2) return;  // no inner pixels
    float total = 0;
    for (float w : Weights) total += w;
    // Weights adding up to nothing have no mean to divide by: the picture stays as it is.
    if (total == 0) return;
    if (!KeepBuffer) CreateBuffer(right_ - left_, bottom_ - top_);
    if (!buffer_ || buffer_->width() < right_ - left_ || buffer_->height() < bottom_ - top_) return;
    if (std::all_of(std::begin(Weights), std::end(Weights), [](float w) { return w == 1.0f; }))
        ConvolveBoxAverage();
    else
        ConvolveWeighted(1.0f / total);
    ConvolveCopyBack();
    if (!KeepBuffer) FreeBuffer();
}

namespace {
// The nine neighbours of (x, y) in kernel order.
template <class F>
void ForNeighbours(const TDuvFilter& filter, int x, int y, F&& visit)
{
    for (int dy = -1; dy <= 1; ++dy) {
        const TRGBQuad* row = filter.Row(y + dy);
        for (int dx = -1; dx <= 1; ++dx) visit((dy + 1) * 3 + dx + 1, row[x + dx]);
    }
}

TRGBQuad* BufferPixel(QImage& buffer, int x, int y)
{
    return reinterpret_cast<TRGBQuad*>(buffer.scanLine(y)) + x;
}
}  // namespace

void TConvolveFilter::ConvolveBoxAverage()
{
    for (int y = top_ + 1; y < bottom_; ++y)
        for (int x = left_ + 1; x < right_; ++x) {
            int blue = 0, green = 0, red = 0;
            ForNeighbours(*this, x, y, [&](int, const TRGBQuad& p) {
                blue += p.Blue;
                green += p.Green;
                red += p.Red;
            });
            *BufferPixel(*buffer_, x - left_, y - top_) = {static_cast<std::uint8_t>(blue / 9),
                                                           static_cast<std::uint8_t>(green / 9),
                                                           static_cast<std::uint8_t>(red / 9), Row(y)[x].Alpha};
        }
}

void TConvolveFilter::ConvolveWeighted(float reciprocal)
{
    auto channel = [reciprocal](double sum) {
        return static_cast<std::uint8_t>(std::clamp<long long>(Rnd(sum * reciprocal), 0, 255));
    };
    for (int y = top_ + 1; y < bottom_; ++y)
        for (int x = left_ + 1; x < right_; ++x) {
            double blue = 0, green = 0, red = 0;
            ForNeighbours(*this, x, y, [&](int k, const TRGBQuad& p) {
                blue += static_cast<double>(Weights[k]) * p.Blue;
                green += static_cast<double>(Weights[k]) * p.Green;
                red += static_cast<double>(Weights[k]) * p.Red;
            });
            *BufferPixel(*buffer_, x - left_, y - top_) = {channel(blue), channel(green), channel(red), Row(y)[x].Alpha};
        }
}

void TConvolveFilter::ConvolveCopyBack()
{
    const auto count = static_cast<std::size_t>(right_ - left_ - 1);
    for (int y = top_ + 1; y < bottom_; ++y)
        std::copy_n(BufferPixel(*buffer_, 1, y - top_), count, Row(y) + left_ + 1);
}

// ---------------------------------------------------------------- blur

namespace {
// The editor offers up to this many passes; a chart file asking for more (a damaged one may ask
// for billions) gets this many, so a picture never takes unbounded time to draw.
constexpr int kBlurStepsMax = 20;
}  // namespace

void TBlurFilter::DeclareProperties(TPropertyDeclarer<TBlurFilter>& p)
{
    p.Integer("Amount", &TBlurFilter::Amount).Default(1);
    p.Integer("Steps", &TBlurFilter::Steps).Default(1);
}

void TBlurFilter::ApplyToRect(QImage& bitmap, const TRect& rect)
{
    std::fill(std::begin(Weights), std::end(Weights), 1.0f);
    Weights[4] = static_cast<float>(Amount);
    Uses32Bit = bitmap.depth() == 32;
    PrepareLines(bitmap);
    ReuseLines = true;
    KeepBuffer = true;
    CreateBuffer(std::abs(rect.Right - rect.Left), std::abs(rect.Bottom - rect.Top));
    const TScopeGuard release([this] {
        FreeBuffer();
        ReuseLines = KeepBuffer = false;
    });
    const int steps = std::min(Steps, kBlurStepsMax);
    for (int step = 0; step < steps; ++step) TConvolveFilter::ApplyToRect(bitmap, rect);
}

void TBlurFilter::FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify)
{
    TDuvFilter::FillEditor(builder, notify);
    builder.AddScrollControl("Steps", 1, kBlurStepsMax);
    builder.AddScrollControl("Amount", 0, 50);
}

std::string TBlurFilter::Description() const
{
    return DuvMsgFilterBlur;
}

// ---------------------------------------------------------------- filter class list

namespace {
std::unique_ptr<TStringList>& ClassList()
{
    static std::unique_ptr<TStringList> list;
    return list;
}
}  // namespace

const TStringList* FilterClassNames()
{
    return ClassList().get();
}

void RegisterFilterClasses(const std::vector<const TClassInfo*>& classes)
{
    auto& list = ClassList();
    if (!list) list = std::make_unique<TStringList>();
    for (const TClassInfo* info : classes) {
        if (!info->InheritsFrom(TDuvFilter::StaticClass()))
            throw EComponentError(info->Name() + " is not a picture filter class");
        if (list->IndexOf(info->Name()) >= 0) continue;
        list->Add(info->Name());
        RegisterClass(*info);
    }
}

void UnregisterFilterClasses(const std::vector<const TClassInfo*>& classes)
{
    auto& list = ClassList();
    if (!list) return;
    for (const TClassInfo* info : classes) {
        const int index = list->IndexOf(info->Name());
        if (index >= 0) list->Delete(index);
        UnregisterClass(*info);
    }
}

void FreeFilterClassList()
{
    ClassList().reset();
}
