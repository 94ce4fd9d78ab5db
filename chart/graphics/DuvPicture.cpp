#include "chart/graphics/DuvPicture.h"

#include <QPainter>

#include "chart/graphics/DuvFilterBase.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Streams.h"

TDuvPicture::TDuvPicture() = default;

TDuvPicture::~TDuvPicture() = default;

void TDuvPicture::DeclareProperties(TPropertyDeclarer<TDuvPicture>& p)
{
    p.Object("Filters", &TDuvPicture::GetFilters, &TDuvPicture::SetFilters).Peek(&TDuvPicture::PeekFilters).NotStored();
}

void TDuvPicture::NotifyChanged()
{
    if (OnChange) OnChange(this);
}

const QImage* TDuvPicture::Graphic() const
{
    return HasGraphic() ? &graphic_->Image() : nullptr;
}

bool TDuvPicture::HasGraphic() const
{
    return graphic_ && !graphic_->Empty();
}

void TDuvPicture::SetGraphic(const QImage* value)
{
    std::unique_ptr<TGraphic> bitmap;
    if (value && !value->isNull()) {
        bitmap = FindGraphicClass("TBitmap")->Create();
        bitmap->SetImage(*value);
    }
    SetGraphic(std::move(bitmap));
}

void TDuvPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    graphic_ = std::move(graphic);
    NotifyChanged();
}

void TDuvPicture::LoadFromFile(const std::string& fileName)
{
    SetGraphic(LoadGraphicFile(fileName));
}

void TDuvPicture::SaveToFile(const std::string& fileName) const
{
    if (!graphic_) throw EInvalidGraphic("The picture is empty");
    graphic_->SaveToFile(fileName);
}

// ---------------------------------------------------------------- filters

TFilterItems* TDuvPicture::GetFilters()
{
    if (!filters_) filters_ = std::make_unique<TFilterItems>(this);
    return filters_.get();
}

void TDuvPicture::SetFilters(const TFilterItems* value)
{
    if (!value) {
        filters_.reset();
        return;
    }
    GetFilters()->Assign(value);
}

bool TDuvPicture::HasFilters() const
{
    return filters_ && filters_->Count() > 0;
}

const QImage* TDuvPicture::GetFiltered()
{
    if (!HasFilters() || !HasGraphic()) return Graphic();
    if (!filtered_) filtered_ = std::make_unique<QImage>();
    GraphicToBitmap(*filtered_, *graphic_);
    filters_->ApplyAll(*filtered_);
    return filtered_.get();
}

void GraphicToBitmap(QImage& bitmap, const TGraphic& graphic)
{
    if (graphic.ClassName() != "TIcon") {
        bitmap = graphic.Image().copy();
        return;
    }
    bitmap = QImage(graphic.Width(), graphic.Height(), QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    QPainter painter(&bitmap);
    painter.drawImage(0, 0, graphic.Image());
}

// ---------------------------------------------------------------- copying and streaming

void TDuvPicture::Assign(const TPersistent* source)
{
    auto* picture = dynamic_cast<const TDuvPicture*>(source);
    if (!picture) return TPersistent::Assign(source);
    SetFilters(picture->PeekFilters());
    SetGraphic(picture->graphic_ ? picture->graphic_->Clone() : nullptr);
}

void TDuvPicture::DefineProperties(TFiler& filer)
{
    filer.DefineBinaryProperty(
        "Data", [this](TStream& stream) { SetGraphic(ReadPictureData(stream)); },
        [this](TStream& stream) { WritePictureData(stream, graphic_.get()); }, HasGraphic());
    filer.DefineProperty(
        "FilterItems", [this](TReader& reader) { ReadFilterItems(reader, *GetFilters()); },
        [this](TWriter& writer) { WriteFilterItems(writer, *GetFilters()); }, HasFilters());
}

void TDuvPicture::WriteFilterItems(TWriter& writer, TFilterItems& list)
{
    const std::string savedPath = writer.PropPath;
    writer.PropPath.clear();
    const TScopeGuard restore([&] { writer.PropPath = savedPath; });
    writer.WriteValue(vaCollection);
    for (int i = 0; i < list.Count(); ++i) {
        TDuvFilter* filter = list.GetFilter(i);
        writer.WriteListBegin();
        writer.WritePropName("ItemClass");
        writer.WriteString(filter->ClassName());
        writer.WriteProperties(filter);
        writer.WriteListEnd();
    }
    writer.WriteListEnd();
}

namespace {

bool IsIntegerValue(TValueType value)
{
    return value == vaInt8 || value == vaInt16 || value == vaInt32;
}

// Only filter classes: any other class registered for streams could otherwise be created
// inside the list from a chart file.
const TClassInfo& FindFilterClass(const std::string& className)
{
    const TClassInfo& info = FindClass(className);
    if (!info.InheritsFrom(TDuvFilter::StaticClass()))
        throw EReadError("Invalid stream format: " + className + " is not a picture filter class");
    return info;
}

void ReadFilterItem(TReader& reader, TFilterItems& list)
{
    if (IsIntegerValue(reader.NextValue())) reader.ReadInteger();  // an item index, never written
    reader.ReadListBegin();
    reader.ReadStr();  // "ItemClass"
    TDuvFilter* filter = list.AddFilter(FindFilterClass(reader.ReadString()));
    reader.ReadProperties(filter);
}

}  // namespace

void TDuvPicture::ReadFilterItems(TReader& reader, TFilterItems& list)
{
    list.BeginUpdate();
    const TScopeGuard endUpdate([&] { list.EndUpdate(); });
    if (!reader.EndOfList()) list.Clear();
    reader.ReadValue();
    while (!reader.EndOfList()) ReadFilterItem(reader, list);
    reader.ReadListEnd();
}

// ---------------------------------------------------------------- coordinates

void TFloatXYZ::DeclareProperties(TPropertyDeclarer<TFloatXYZ>& p)
{
    p.Float("X", &TFloatXYZ::X, &TFloatXYZ::SetX);
    p.Float("Y", &TFloatXYZ::Y, &TFloatXYZ::SetY);
    p.Float("Z", &TFloatXYZ::Z, &TFloatXYZ::SetZ);
}

void TFloatXYZ::SetCoordinate(float& coordinate, float value)
{
    if (coordinate == value) return;
    coordinate = value;
    if (OnChange) OnChange(this);
}

void TFloatXYZ::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TFloatXYZ*>(source);
    if (!other) return TPersistent::Assign(source);
    x_ = other->x_;
    y_ = other->y_;
    z_ = other->z_;
}
