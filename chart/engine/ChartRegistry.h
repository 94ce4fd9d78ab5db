#pragma once
// What series types, functions, tools and animations exist, for the galleries, the editors and
// the chart XML writer. The series, function, tool and animation modules register their classes
// at start-up and unregister them at shutdown; each registration also makes the class readable
// from streams. The lists are touched only at start-up, at shutdown and on the user-interface
// thread, so they take no lock.
#include <memory>
#include <string>
#include <vector>

class TClassInfo;
class TCustomChartSeries;

// One gallery item. Texts are references to library text variables, so the gallery shows the
// words of the text table in force when it opens.
struct TDuvSeriesType {
    const TClassInfo* SeriesClass = nullptr;    // none for a pure function entry
    const TClassInfo* FunctionClass = nullptr;  // none for a plain series entry
    const std::string* Description = nullptr;
    const std::string* GalleryPage = nullptr;
    int NumGallerySeries = 1;  // sample series the gallery preview makes
    int SubIndex = 0;          // above 0: a further style of the same class, shown on its own
};

// The gallery items in registration order, which is the order the galleries show.
class TDuvSeriesTypes {
public:
    int Count() const { return static_cast<int>(types_.size()); }
    TDuvSeriesType* TypeAt(int index) const;  // raises EListError out of range
    TDuvSeriesType* Add(const TDuvSeriesType& type);
    // Removes every entry whose series class (series true) or function class is the class.
    void RemoveEntriesOf(bool series, const TClassInfo* cls);
    // The series class of the first plain series entry named so (case-sensitive); none when none.
    const TClassInfo* SeriesClassByName(const std::string& name) const;
    // The first plain series entry of the class, of that sub index unless it is 0.
    TDuvSeriesType* FindSeriesType(const TClassInfo* seriesClass, int subIndex) const;
    void ClearTypes();

private:
    std::vector<std::unique_ptr<TDuvSeriesType>> types_;
};

// Made by the chart module's start-up or the first registration; none after its shutdown.
extern std::unique_ptr<TDuvSeriesTypes> GalleryTypeList;
TDuvSeriesTypes& GetGalleryTypeList();
void FreeGalleryTypeList();

// Registering a class pair again with sub index 0 is harmless; a further sub index adds an item.
void RegisterGalleryEntry(const TClassInfo* seriesClass, const TClassInfo* functionClass,
                          const std::string* description, int subIndex, int numGallerySeries,
                          const std::string* galleryPage);
void RegisterSeriesType(const TClassInfo* seriesClass, const std::string* description,
                        const std::string* galleryPage, int numGallerySeries);
void RegisterDefaultPageSeries(const TClassInfo* seriesClass, const std::string* description);
void RegisterFunctionType(const TClassInfo* functionClass, const std::string* description,
                          const std::string* galleryPage, int numGallerySeries);
void RegisterDefaultPageFunction(const TClassInfo* functionClass, const std::string* description);
void RemoveGalleryEntries(bool series, const TClassInfo* cls);
// The classes stay readable from streams.
void UnregisterSeriesClasses(const std::vector<const TClassInfo*>& seriesClasses);
void UnregisterFunctionClasses(const std::vector<const TClassInfo*>& functionClasses);
// The gallery caption of the series' class, else its class name.
void SeriesTypeCaption(const TCustomChartSeries* series, std::string& text);

// Tool or animation classes in registration order (not owned).
class TDuvToolTypes {
public:
    int Count() const { return static_cast<int>(classes_.size()); }
    const TClassInfo* ToolClassAt(int index) const;  // raises EListError out of range
    int IndexOf(const TClassInfo* cls) const;
    void Add(const TClassInfo* cls) { classes_.push_back(cls); }
    void Remove(const TClassInfo* cls);

private:
    std::vector<const TClassInfo*> classes_;
};

extern std::unique_ptr<TDuvToolTypes> ToolClassList;
extern std::unique_ptr<TDuvToolTypes> AnimationToolClassList;
TDuvToolTypes& GetToolClassList();
TDuvToolTypes& GetAnimationToolClassList();

// A class already listed is skipped. Unregistering also makes the classes unreadable from streams,
// so a chart stored with them no longer loads once their module has ended.
void RegisterToolClasses(const std::vector<const TClassInfo*>& toolClasses);
void UnregisterToolClasses(const std::vector<const TClassInfo*>& toolClasses);
void RegisterAnimationClasses(const std::vector<const TClassInfo*>& animationClasses);
void UnregisterAnimationClasses(const std::vector<const TClassInfo*>& animationClasses);

// The chart module makes the empty lists at start-up and frees them at shutdown.
void CreateChartRegistries();
void FreeChartRegistries();
