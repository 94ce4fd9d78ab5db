#include "chart/engine/ChartRegistry.h"

#include <algorithm>

#include "chart/engine/RuRazazi.h"
#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/Properties.h"
#include "platform/core/SysUtils.h"

std::unique_ptr<TDuvSeriesTypes> GalleryTypeList;
std::unique_ptr<TDuvToolTypes> ToolClassList;
std::unique_ptr<TDuvToolTypes> AnimationToolClassList;

namespace {

// Series and functions on the default page show two sample series in the gallery.
constexpr int kDefaultGallerySeries = 2;

[[noreturn]] void IndexOutOfBounds(int index)
{
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void ListClasses(TDuvToolTypes& list, const std::vector<const TClassInfo*>& classes)
{
    ActivateControlClassGroup();
    for (const TClassInfo* cls : classes) {
        if (list.IndexOf(cls) >= 0) continue;
        RegisterClass(*cls);
        list.Add(cls);
    }
}

// After the chart module's shutdown there is no list left to shrink; the streaming registry
// still forgets the classes.
void UnlistClasses(TDuvToolTypes* list, const std::vector<const TClassInfo*>& classes)
{
    ActivateControlClassGroup();
    for (const TClassInfo* cls : classes) {
        if (list) list->Remove(cls);
        UnregisterClass(*cls);
    }
}

}  // namespace

// ---------------------------------------------------------------- gallery

TDuvSeriesType* TDuvSeriesTypes::TypeAt(int index) const
{
    if (index < 0 || index >= Count()) IndexOutOfBounds(index);
    return types_[static_cast<std::size_t>(index)].get();
}

TDuvSeriesType* TDuvSeriesTypes::Add(const TDuvSeriesType& type)
{
    types_.push_back(std::make_unique<TDuvSeriesType>(type));
    return types_.back().get();
}

void TDuvSeriesTypes::RemoveEntriesOf(bool series, const TClassInfo* cls)
{
    std::erase_if(types_, [&](const auto& type) { return (series ? type->SeriesClass : type->FunctionClass) == cls; });
}

const TClassInfo* TDuvSeriesTypes::SeriesClassByName(const std::string& name) const
{
    for (const auto& type : types_)
        if (!type->FunctionClass && type->SeriesClass && type->SeriesClass->Name() == name) return type->SeriesClass;
    return nullptr;
}

TDuvSeriesType* TDuvSeriesTypes::FindSeriesType(const TClassInfo* seriesClass, int subIndex) const
{
    for (const auto& type : types_)
        if (type->SeriesClass == seriesClass && !type->FunctionClass && (subIndex == 0 || type->SubIndex == subIndex))
            return type.get();
    return nullptr;
}

void TDuvSeriesTypes::ClearTypes() { types_.clear(); }

TDuvSeriesTypes& GetGalleryTypeList()
{
    if (!GalleryTypeList) GalleryTypeList = std::make_unique<TDuvSeriesTypes>();
    return *GalleryTypeList;
}

void FreeGalleryTypeList()
{
    if (GalleryTypeList) GalleryTypeList->ClearTypes();
    GalleryTypeList.reset();
}

void RegisterGalleryEntry(const TClassInfo* seriesClass, const TClassInfo* functionClass,
                          const std::string* description, int subIndex, int numGallerySeries,
                          const std::string* galleryPage)
{
    ActivateControlClassGroup();
    if (seriesClass) RegisterClass(*seriesClass);
    if (functionClass) RegisterClass(*functionClass);
    TDuvSeriesTypes& list = GetGalleryTypeList();
    if (subIndex == 0) {
        for (int i = 0; i < list.Count(); ++i) {
            const TDuvSeriesType* type = list.TypeAt(i);
            if (type->SeriesClass == seriesClass && type->FunctionClass == functionClass) return;
        }
    }
    list.Add({seriesClass, functionClass, description, galleryPage, numGallerySeries, subIndex});
}

void RegisterSeriesType(const TClassInfo* seriesClass, const std::string* description,
                        const std::string* galleryPage, int numGallerySeries)
{
    RegisterGalleryEntry(seriesClass, nullptr, description, 0, numGallerySeries, galleryPage);
}

void RegisterDefaultPageSeries(const TClassInfo* seriesClass, const std::string* description)
{
    RegisterSeriesType(seriesClass, description, &DuvMsgGalleryStandard, kDefaultGallerySeries);
}

void RegisterFunctionType(const TClassInfo* functionClass, const std::string* description,
                          const std::string* galleryPage, int numGallerySeries)
{
    RegisterGalleryEntry(nullptr, functionClass, description, 0, numGallerySeries, galleryPage);
}

void RegisterDefaultPageFunction(const TClassInfo* functionClass, const std::string* description)
{
    RegisterFunctionType(functionClass, description, &DuvMsgGalleryStandard, kDefaultGallerySeries);
}

void RemoveGalleryEntries(bool series, const TClassInfo* cls)
{
    if (GalleryTypeList) GalleryTypeList->RemoveEntriesOf(series, cls);
}

void UnregisterSeriesClasses(const std::vector<const TClassInfo*>& seriesClasses)
{
    for (const TClassInfo* cls : seriesClasses) RemoveGalleryEntries(true, cls);
}

void UnregisterFunctionClasses(const std::vector<const TClassInfo*>& functionClasses)
{
    for (const TClassInfo* cls : functionClasses) RemoveGalleryEntries(false, cls);
}

void SeriesTypeCaption(const TCustomChartSeries* series, std::string& text)
{
    const TClassInfo& cls = series->ClassType();
    const TDuvSeriesType* type = GalleryTypeList ? GalleryTypeList->FindSeriesType(&cls, 0) : nullptr;
    text = type && type->Description ? *type->Description : cls.Name();
}

// ---------------------------------------------------------------- tools and animations

const TClassInfo* TDuvToolTypes::ToolClassAt(int index) const
{
    if (index < 0 || index >= Count()) IndexOutOfBounds(index);
    return classes_[static_cast<std::size_t>(index)];
}

int TDuvToolTypes::IndexOf(const TClassInfo* cls) const
{
    const auto it = std::find(classes_.begin(), classes_.end(), cls);
    return it == classes_.end() ? -1 : static_cast<int>(it - classes_.begin());
}

void TDuvToolTypes::Remove(const TClassInfo* cls)
{
    const auto it = std::find(classes_.begin(), classes_.end(), cls);
    if (it != classes_.end()) classes_.erase(it);
}

TDuvToolTypes& GetToolClassList()
{
    if (!ToolClassList) ToolClassList = std::make_unique<TDuvToolTypes>();
    return *ToolClassList;
}

TDuvToolTypes& GetAnimationToolClassList()
{
    if (!AnimationToolClassList) AnimationToolClassList = std::make_unique<TDuvToolTypes>();
    return *AnimationToolClassList;
}

void RegisterToolClasses(const std::vector<const TClassInfo*>& toolClasses)
{
    ListClasses(GetToolClassList(), toolClasses);
}

void UnregisterToolClasses(const std::vector<const TClassInfo*>& toolClasses)
{
    UnlistClasses(ToolClassList.get(), toolClasses);
}

void RegisterAnimationClasses(const std::vector<const TClassInfo*>& animationClasses)
{
    ListClasses(GetAnimationToolClassList(), animationClasses);
}

void UnregisterAnimationClasses(const std::vector<const TClassInfo*>& animationClasses)
{
    UnlistClasses(AnimationToolClassList.get(), animationClasses);
}

// ---------------------------------------------------------------- module

void CreateChartRegistries()
{
    GalleryTypeList = std::make_unique<TDuvSeriesTypes>();
    ToolClassList = std::make_unique<TDuvToolTypes>();
    AnimationToolClassList = std::make_unique<TDuvToolTypes>();
}

void FreeChartRegistries()
{
    FreeGalleryTypeList();
    ToolClassList.reset();
    AnimationToolClassList.reset();
}
