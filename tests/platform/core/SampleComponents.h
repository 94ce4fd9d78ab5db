#pragma once
// A small family of classes that uses every kind of published property, for the component
// and streaming tests.
#include <memory>
#include <string>
#include <vector>

#include "platform/core/ClassRegistry.h"
#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"

QB_ENUM(TSampleStyle, ssNone, ssSolid, ssDash, ssDot)
QB_ENUM(TSampleOption, soBold, soItalic, soUnderline)
using TSampleOptions = TSet<TSampleOption>;

class TSampleFont : public TPersistent {
    QB_CLASS(TSampleFont, TPersistent)
public:
    std::string Name = "Tahoma";
    int Size = 8;
    TColor Color = clBlack;
    TSampleOptions Style;
    static void DeclareProperties(TPropertyDeclarer<TSampleFont>& p)
    {
        p.String("Name", &TSampleFont::Name).Default("Tahoma");
        p.Integer("Size", &TSampleFont::Size).Default(8);
        p.Color("Color", &TSampleFont::Color).Default(clBlack);
        p.Set("Style", &TSampleFont::Style).Default(TSampleOptions{});
    }
    void Assign(const TPersistent* source) override
    {
        if (auto* font = dynamic_cast<const TSampleFont*>(source)) {
            AssignPublishedProperties(*this, const_cast<TSampleFont&>(*font));
            return;
        }
        TPersistent::Assign(source);
    }
};

class TSampleItem : public TCollectionItem {
    QB_CLASS(TSampleItem, TCollectionItem)
public:
    explicit TSampleItem(TCollection* collection) : TCollectionItem(collection) {}
    int Value = 0;
    std::string Caption;
    double Weight = 0;
    static void DeclareProperties(TPropertyDeclarer<TSampleItem>& p)
    {
        p.Integer("Value", &TSampleItem::Value).Default(0);
        p.String("Caption", &TSampleItem::Caption);
        p.Float("Weight", &TSampleItem::Weight);
    }
};

class TSampleThing : public TComponent {
    QB_CLASS(TSampleThing, TComponent)
public:
    explicit TSampleThing(TComponent* owner) : TComponent(owner) {}
    ~TSampleThing() override
    {
        DestroyComponents();  // kids may still point at this thing while they go
        if (parent_) parent_->RemoveKid(this);
    }

    static void DeclareProperties(TPropertyDeclarer<TSampleThing>& p)
    {
        p.Integer("Small", &TSampleThing::Small).Default(0);
        p.Int64("Big", &TSampleThing::Big).Default(0);
        p.Boolean("Flag", &TSampleThing::Flag).Default(false);
        p.Float("Dbl", &TSampleThing::Dbl);
        p.Float("Ratio", &TSampleThing::Ratio).DefaultFrom(&TSampleThing::RatioDefault);
        p.Enum("Style", &TSampleThing::Style).Default(ssSolid);
        p.Set("Options", &TSampleThing::Options).Default(TSampleOptions{});
        p.String("Text", &TSampleThing::Text);
        p.Color("Color", &TSampleThing::Color).Default(clRed);
        p.Strings("Lines", &TSampleThing::Lines);
        p.Object("Font", &TSampleThing::Font, &TSampleThing::SetFont).Peek(&TSampleThing::font_);
        p.Collection("Items", &TSampleThing::Items);
        p.Component("Partner", &TSampleThing::Partner, &TSampleThing::SetPartner);
        p.Event("OnThing", &TSampleThing::OnThing);
        p.Boolean("AutoMinimum", &TSampleThing::AutoMinimum).Default(true);
        p.Float("Minimum", &TSampleThing::Minimum).Stored(&TSampleThing::MinimumStored);
        p.Method("ThingClick", &TSampleThing::ThingClick);
    }

    void DefineProperties(TFiler& filer) override
    {
        filer.DefineBinaryProperty(
            "Data", [this](TStream& s) { Data.assign(static_cast<std::size_t>(s.Size()), '\0'); s.ReadBuffer(Data.data(), s.Size()); },
            [this](TStream& s) { s.WriteString(Data); }, !Data.empty());
        filer.DefineIntegerListProperty(
            "Palette", [this](const std::vector<std::int64_t>& v) { Palette = v; }, [this] { return Palette; },
            !Palette.empty());
        filer.DefineReadOnlyProperty("OldSize", [this](TReader& r) { Small = static_cast<int>(r.ReadInteger()) * 2; });
    }

    // "Init": a value together with the default it is compared with.
    void InitRatio(double value) { Ratio = RatioDefault = value; }

    TSampleFont* Font()
    {
        if (!font_) font_ = std::make_unique<TSampleFont>();
        return font_.get();
    }
    void SetFont(TSampleFont* font)
    {
        if (!font) font_.reset();
        else Font()->Assign(font);
    }
    bool HasFont() const { return font_ != nullptr; }
    TSampleThing* Partner() const { return partner_; }
    void SetPartner(TSampleThing* partner)
    {
        if (partner_) partner_->RemoveFreeNotification(this);
        partner_ = partner;
        if (partner_) partner_->FreeNotification(this);
    }
    TCollection* Items() { return &items_; }
    bool MinimumStored() const { return !AutoMinimum; }
    void ThingClick(TObject* sender) { LastSender = sender; }

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return parent_; }
    void SetParentComponent(TComponent* parent) override
    {
        if (parent_) parent_->RemoveKid(this);
        parent_ = dynamic_cast<TSampleThing*>(parent);
        if (parent_) parent_->kids_.push_back(this);
    }
    void GetChildren(const TGetChildProc& proc, TComponent* root) override
    {
        TComponent::GetChildren(proc, root);
        for (TSampleThing* kid : kids_) proc(kid);
    }
    const std::vector<TSampleThing*>& Kids() const { return kids_; }

    int Small = 0;
    std::int64_t Big = 0;
    bool Flag = false;
    double Dbl = 0;
    double Ratio = 0;
    double RatioDefault = 0;
    TSampleStyle Style = ssSolid;
    TSampleOptions Options;
    std::string Text;
    TColor Color = clRed;
    TStringList Lines;
    TNotifyEvent OnThing;
    double Minimum = 0;
    bool AutoMinimum = true;
    std::string Data;
    std::vector<std::int64_t> Palette;
    TObject* LastSender = nullptr;
    std::vector<std::string>* LoadedLog = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove) {
            if (component == partner_) partner_ = nullptr;
            RemoveKid(component);
        }
        TComponent::Notification(component, operation);
    }
    void Loaded() override
    {
        TComponent::Loaded();
        if (LoadedLog) LoadedLog->push_back(Name());
    }

private:
    void RemoveKid(TComponent* kid) { std::erase(kids_, kid); }
    std::unique_ptr<TSampleFont> font_;
    TCollection items_{TSampleItem::StaticClass(), this};
    TSampleThing* partner_ = nullptr;
    TSampleThing* parent_ = nullptr;
    std::vector<TSampleThing*> kids_;
};

// A component without a parent, written among the root's owned components.
class TSamplePlain : public TComponent {
    QB_CLASS(TSamplePlain, TComponent)
public:
    explicit TSamplePlain(TComponent* owner) : TComponent(owner) {}
    int Count = 0;
    static void DeclareProperties(TPropertyDeclarer<TSamplePlain>& p) { p.Integer("Count", &TSamplePlain::Count).Default(0); }
};

inline void RegisterSampleClasses()
{
    RegisterClasses({&TSampleThing::StaticClass(), &TSamplePlain::StaticClass(), &TSampleItem::StaticClass(),
                     &TSampleFont::StaticClass()});
}

inline std::string WriteToBytes(TComponent* component)
{
    TMemoryStream stream;
    WriteComponentToStream(stream, component);
    return stream.Bytes();
}
