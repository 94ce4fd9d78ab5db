#pragma once
// Picture filters: the filter base with its optional region, the owned filter list that applies
// its filters in order, the 3x3 convolution with the blur filter, and the list of filter classes
// that the gallery shows and streams resolve.
//
// Filters work on a QImage in place. Pixels are reached through a table of row addresses, four
// bytes per pixel (blue, green, red, alpha) as RGB32 and ARGB32 images hold them; filters change
// blue, green and red and leave the alpha byte alone.
#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/graphics/DuvTypes.h"
#include "platform/core/Collection.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

class TStringList;

// One pixel of a 32-bit row.
struct TRGBQuad {
    std::uint8_t Blue;
    std::uint8_t Green;
    std::uint8_t Red;
    std::uint8_t Alpha;
};

// The part of the picture a filter works on; all zero means the whole picture.
class TFilterRegion : public TPersistent {
    QB_CLASS(TFilterRegion, TPersistent)
public:
    static void DeclareProperties(TPropertyDeclarer<TFilterRegion>& p);
    void Assign(const TPersistent* source) override;
    bool IsEmpty() const { return Left == 0 && Top == 0 && Width == 0 && Height == 0; }

    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// The scroll bar the editor makes for a parameter; a filter may change its range later.
class IFilterScrollControl {
public:
    virtual ~IFilterScrollControl() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
};

// Made by the filter editor: one control per parameter, each editing the published property of
// that name; after an edit the editor calls the filter's EditorNotify.
class IFilterControlBuilder {
public:
    virtual ~IFilterControlBuilder() = default;
    virtual void AddCheckBoxControl(const std::string& propertyName, const std::string& caption,
                                    const std::function<void()>& onClick = {}) = 0;
    virtual void AddColorControl(const std::string& propertyName, const std::string& caption) = 0;
    virtual void AddChoiceControl(const std::string& propertyName) = 0;
    virtual void AddIntegerControl(const std::string& propertyName, const std::string& caption,
                                   int minimum, int maximum) = 0;
    virtual IFilterScrollControl* AddScrollControl(const std::string& propertyName, int minimum,
                                                   int maximum) = 0;
};

class TDuvFilter : public TCollectionItem {
    QB_CLASS(TDuvFilter, TCollectionItem)
public:
    // A filter made without a list is a temporary one.
    explicit TDuvFilter(TCollection* collection = nullptr);
    ~TDuvFilter() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvFilter>& p);

    // Works out the rectangle (the region's, else the whole picture) and filters it.
    void Apply(QImage& bitmap);
    // rect holds inclusive pixel coordinates. The base prepares the row table; every filter
    // calls it first and stops when LinesEmpty().
    virtual void ApplyToRect(QImage& bitmap, const TRect& rect);
    // Keeps notify; filters then add one control per parameter.
    virtual void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify);
    virtual std::string Description() const;
    // Demonstration values for the filter gallery's sample.
    virtual void SetGalleryDefaults() {}
    // A filter source copies Enabled and the region, and the parameters both classes publish.
    void Assign(const TPersistent* source) override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    TFilterRegion* Region();  // created on first use
    TFilterRegion* PeekRegion() const { return region_.get(); }
    void SetRegion(TFilterRegion* value);

    bool AllowRegion = true;    // false: the filter works on the whole picture
    TChangeHandler EditorNotify;
    bool ReuseLines = false;    // true: the row table of the previous pass is used again
    bool Uses32Bit = false;     // true: pictures of other formats become ARGB32, not RGB32

    bool LinesEmpty() const { return Lines.empty(); }
    TRGBQuad* Row(int y) const { return reinterpret_cast<TRGBQuad*>(Lines[static_cast<std::size_t>(y)]); }
    // Brings the picture into a 32-bit format and fills Lines with its row addresses.
    void PrepareLines(QImage& bitmap);

protected:
    std::vector<std::uint8_t*> Lines;

private:
    bool enabled_ = true;
    std::unique_ptr<TFilterRegion> region_;
};

// Applies a temporary filter of that class to the whole picture.
void ApplyFilterClass(const TClassInfo& filterClass, QImage& bitmap);
// The description of a filter class as the gallery shows it.
std::string FilterClassDescription(const TClassInfo& filterClass);

class TFilterItems : public TCollection {
    QB_CLASS(TFilterItems, TCollection)
public:
    explicit TFilterItems(TPersistent* owner = nullptr);
    TDuvFilter* GetFilter(int index) const;
    // A new filter of that class at the end of the list; raises when the class is no filter.
    TDuvFilter* AddFilter(const TClassInfo& filterClass);
    // Every enabled filter in list order, each on the previous one's result.
    void ApplyAll(QImage& bitmap);

    TChangeHandler OnChange;    // sender: the list
    bool ItemsChanged = false;  // set by every item update; the owner resets it

protected:
    void Update(TCollectionItem* item) override;
    void Notify(TCollectionItem* item, bool added) override;
};

// The 3x3 convolution: W0..W2 weigh the row above, W3..W5 the row itself, W6..W8 the row below.
// The outermost rows and columns of the rectangle are read but not changed.
class TConvolveFilter : public TDuvFilter {
    QB_CLASS(TConvolveFilter, TDuvFilter)
public:
    explicit TConvolveFilter(TCollection* collection = nullptr);
    ~TConvolveFilter() override;
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;

    float Weights[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};

protected:
    void CreateBuffer(int width, int height);
    void FreeBuffer();
    bool KeepBuffer = false;

private:
    void ConvolveBoxAverage();
    void ConvolveWeighted(float reciprocal);
    void ConvolveCopyBack();
    std::unique_ptr<QImage> buffer_;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};

class TBlurFilter : public TConvolveFilter {
    QB_CLASS(TBlurFilter, TConvolveFilter)
public:
    explicit TBlurFilter(TCollection* collection = nullptr) : TConvolveFilter(collection) {}
    static void DeclareProperties(TPropertyDeclarer<TBlurFilter>& p);
    void ApplyToRect(QImage& bitmap, const TRect& rect) override;
    void FillEditor(IFilterControlBuilder& builder, const TChangeHandler& notify) override;
    std::string Description() const override;

    int Amount = 1;  // weight of the centre pixel against 1 for each neighbour
    int Steps = 1;
};

// The filter class list: names in registration order, each class also registered for streams.
// Absent (nullptr) until the first registration and after FreeFilterClassList.
const TStringList* FilterClassNames();
void RegisterFilterClasses(const std::vector<const TClassInfo*>& classes);  // listed ones skipped
void UnregisterFilterClasses(const std::vector<const TClassInfo*>& classes);
void FreeFilterClassList();
