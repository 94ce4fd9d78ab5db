#pragma once
// A picture held by a brush, a font or a panel: one graphic of any registered kind, streamed as
// the "Data" value, plus a list of picture filters applied before it is drawn and streamed as
// the "FilterItems" value. Also the triple of coordinates used for positions of 3D texts.
#include <QImage>
#include <memory>
#include <string>

#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/core/Properties.h"

class TGraphic;
class TFilterItems;
class TReader;
class TWriter;

class TDuvPicture : public TPersistent {
    QB_CLASS(TDuvPicture, TPersistent)
public:
    TDuvPicture();
    ~TDuvPicture() override;
    TDuvPicture(const TDuvPicture&) = delete;
    TDuvPicture& operator=(const TDuvPicture&) = delete;
    static void DeclareProperties(TPropertyDeclarer<TDuvPicture>& p);

    // The graphic's picture, none when empty.
    const QImage* Graphic() const;
    // A picture made elsewhere becomes a bitmap graphic; none (or an empty one) clears.
    void SetGraphic(const QImage* value);
    TGraphic* GetGraphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    bool HasGraphic() const;
    // The graphic kind follows the file's extension.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    // The list is created on first use and never stored as a property.
    TFilterItems* GetFilters();
    TFilterItems* PeekFilters() const { return filters_.get(); }
    // None frees the list; a list is copied.
    void SetFilters(const TFilterItems* value);
    bool HasFilters() const;
    // What a canvas draws: the graphic after the enabled filters (worked out again on every
    // call), or the graphic itself when there are no filters.
    const QImage* GetFiltered();

    // A picture source also copies its filter list (or its lack of one).
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;
    void NotifyChanged();

    // The "FilterItems" value of any owner of a filter list.
    static void WriteFilterItems(TWriter& writer, TFilterItems& list);
    // Raises EReadError for a malformed value or a class that is not a picture filter, and
    // EClassNotFound for an unregistered one; filters read before the error stay in the list.
    static void ReadFilterItems(TReader& reader, TFilterItems& list);

    TChangeHandler OnChange;

private:
    std::unique_ptr<TFilterItems> filters_;
    std::unique_ptr<QImage> filtered_;
    std::unique_ptr<TGraphic> graphic_;
};

// The graphic as a plain bitmap: an icon drawn over a white bitmap of its own size, any other
// graphic copied.
void GraphicToBitmap(QImage& bitmap, const TGraphic& graphic);

class TFloatXYZ : public TPersistent {
    QB_CLASS(TFloatXYZ, TPersistent)
public:
    TFloatXYZ() = default;
    static void DeclareProperties(TPropertyDeclarer<TFloatXYZ>& p);

    float X() const { return x_; }
    float Y() const { return y_; }
    float Z() const { return z_; }
    void SetX(float value) { SetCoordinate(x_, value); }
    void SetY(float value) { SetCoordinate(y_, value); }
    void SetZ(float value) { SetCoordinate(z_, value); }
    // Another triple is copied without notification.
    void Assign(const TPersistent* source) override;

    TChangeHandler OnChange;

private:
    void SetCoordinate(float& coordinate, float value);
    float x_ = 0;
    float y_ = 0;
    float z_ = 0;
};
