// Animations of published properties (number, colours, sine, toggle) and the sound animation.
#include <cmath>
#include <cstring>
#include <numbers>

#include "chart/graphics/DuvFilters.h"
#include "chart/tools/DuvAnimate.h"
#include "platform/core/Filer.h"
#include "platform/core/NumText.h"
#include "platform/core/Streams.h"
#include "platform/core/StringList.h"
#include "platform/ui/Sound.h"

namespace {

// A property value as a number: Booleans as 0 and 1, enumerations by their ordinal.
bool ReadNumber(TObject* object, const std::string& property, double& value)
{
    const TPropInfo* info = GetPropInfo(object, property);
    if (!info) return false;
    const TVariant v = GetPropValue(object, property);
    try {
        switch (v.Type()) {
        case TVariant::vtBoolean: value = v.AsBoolean() ? 1 : 0; return true;
        case TVariant::vtInteger:
        case TVariant::vtFloat: value = v.AsFloat(); return true;
        case TVariant::vtString:
            if (info->Enum && info->Kind == TPropKind::Enumeration) {
                const int ordinal = info->Enum->Ordinal(v.AsString());
                if (ordinal < 0) return false;
                value = ordinal;
                return true;
            }
            value = v.AsFloat();
            return true;
        default: return false;
        }
    } catch (const EConvertError&) {
        return false;
    }
}

void WriteNumber(TObject* object, const std::string& property, double value)
{
    const TPropInfo* info = GetPropInfo(object, property);
    if (!info) return;
    switch (info->Kind) {
    case TPropKind::Boolean: return SetPropValue(object, property, TVariant(value != 0));
    case TPropKind::Enumeration: return SetPropValue(object, property, TVariant(Rnd(value)));
    default: return SetPropValue(object, property, TVariant(value));
    }
}

bool ResolveTarget(TObject* instance, const std::string& path, TObject*& object, std::string& property)
{
    object = instance;
    property = path;
    if (!object || path.empty()) return false;
    const TPropInfo* info = ResolvePropertyPath(object, property);
    return info && object && info->Kind != TPropKind::Event;
}

}  // namespace

// ---------------------------------------------------------------- links

TPropertyLink::~TPropertyLink() = default;

void TPropertyLink::DeclareProperties(TPropertyDeclarer<TPropertyLink>& p)
{
    using L = TPropertyLink;
    p.Component("Instance", &L::InstanceComponent, &L::SetInstanceComponent);
    p.String("PropertyName", &L::PropertyName, &L::SetPropertyName);
}

void TPropertyLink::SetInstance(TObject* value)
{
    instance_ = value;
    // The owning animation hears when the linked component goes and clears this link.
    if (auto* component = dynamic_cast<TComponent*>(value); component && owner_) component->FreeNotification(owner_);
}

void TPropertyLink::SetPropertyName(const std::string& value)
{
    propertyName_ = Trim(value);
}

bool TPropertyLink::Resolves() const
{
    TObject* object = nullptr;
    std::string property;
    double value = 0;
    return ResolveTarget(instance_, propertyName_, object, property) && ReadNumber(object, property, value);
}

double TPropertyLink::Value() const
{
    TObject* object = nullptr;
    std::string property;
    double value = 0;
    if (ResolveTarget(instance_, propertyName_, object, property)) ReadNumber(object, property, value);
    return value;
}

void TPropertyLink::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TPropertyLink*>(source);
    if (!other) return TPersistent::Assign(source);
    SetInstance(other->instance_);
    SetPropertyName(other->propertyName_);
}

// ---------------------------------------------------------------- curve

TAnimationCurve::TAnimationCurve() : X{0, 1}, Y{0, 0} {}

void TAnimationCurve::DeclareProperties(TPropertyDeclarer<TAnimationCurve>& p)
{
    p.Boolean("Inverted", &TAnimationCurve::Inverted, &TAnimationCurve::SetInverted).Default(false);
}

bool TAnimationCurve::IsStored() const
{
    if (X.empty()) return false;
    return !(X.size() == 2 && Y[0] == 0 && Y[1] == 0);
}

void TAnimationCurve::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TAnimationCurve*>(source);
    if (!other) return TPersistent::Assign(source);
    inverted_ = other->inverted_;
    X = other->X;
    Y = other->Y;
}

std::string TAnimationCurve::Bytes() const
{
    std::string bytes(4 + X.size() * 16, '\0');
    const std::int32_t count = static_cast<std::int32_t>(X.size());
    std::memcpy(bytes.data(), &count, 4);
    for (std::size_t i = 0; i < X.size(); ++i) {
        std::memcpy(bytes.data() + 4 + i * 16, &X[i], 8);
        std::memcpy(bytes.data() + 12 + i * 16, &Y[i], 8);
    }
    return bytes;
}

void TAnimationCurve::SetBytes(const std::string& bytes)
{
    std::int32_t count = -1;
    if (bytes.size() >= 4) std::memcpy(&count, bytes.data(), 4);
    if (count < 0 || bytes.size() != 4 + static_cast<std::size_t>(count) * 16)
        throw EReadError("Curve: " + std::to_string(bytes.size()) + " bytes hold no whole list of points");
    X.assign(static_cast<std::size_t>(count), 0);
    Y.assign(static_cast<std::size_t>(count), 0);
    for (std::size_t i = 0; i < X.size(); ++i) {
        std::memcpy(&X[i], bytes.data() + 4 + i * 16, 8);
        std::memcpy(&Y[i], bytes.data() + 12 + i * 16, 8);
    }
}

// ---------------------------------------------------------------- property animation

TPropertyAnimation::~TPropertyAnimation() = default;

void TPropertyAnimation::DeclareProperties(TPropertyDeclarer<TPropertyAnimation>& p)
{
    using A = TPropertyAnimation;
    p.Component("Instance", &A::InstanceComponent, &A::SetInstanceComponent);
}

void TPropertyAnimation::SetInstance(TObject* value)
{
    if (instance_ == value) return;
    instance_ = value;
    if (auto* component = dynamic_cast<TComponent*>(value)) component->FreeNotification(this);
    if (ChangeHook) ChangeHook(this);
}

void TPropertyAnimation::SetPropertyName(const std::string& value)
{
    const std::string trimmed = Trim(value);
    if (propertyName_ == trimmed) return;
    propertyName_ = trimmed;
    if (ChangeHook) ChangeHook(this);
}

// Resolved on every use: a sub-object replaced since the last frame is never written through.
bool TPropertyAnimation::Target(TObject*& object, std::string& property) const
{
    return ResolveTarget(instance_, propertyName_, object, property);
}

bool TPropertyAnimation::IsValid() const
{
    if (propertyName_.empty()) return false;
    if (auto* component = dynamic_cast<TComponent*>(instance_); component && component->HasState(csDestroying))
        return false;
    TObject* object = nullptr;
    std::string property;
    return Target(object, property);
}

bool TPropertyAnimation::IsEnabled() const
{
    return TDuvAnimation::IsEnabled() && IsValid();
}

std::string TPropertyAnimation::DisplayName() const
{
    if (!IsValid()) return TDuvAnimation::DisplayName();
    std::string text = Title().empty() ? "" : Title() + " ";
    if (auto* component = dynamic_cast<TComponent*>(instance_))
        text += component->Name();
    else if (auto* persistent = dynamic_cast<TPersistent*>(instance_))
        text += persistent->GetNamePath();
    else
        text += instance_->ClassName();
    return text + " " + propertyName_;
}

void TPropertyAnimation::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TPropertyAnimation*>(source)) {
        SetInstance(other->instance_);
        SetPropertyName(other->propertyName_);
    }
    TDuvAnimation::Assign(source);
}

void TPropertyAnimation::DefineProperties(TFiler& filer)
{
    TDuvAnimation::DefineProperties(filer);
    filer.DefineIntegerProperty(
        "Special", [this](std::int64_t value) { special_ = static_cast<int>(value); },
        [this] { return static_cast<std::int64_t>(special_); }, special_ != 0);
}

void TPropertyAnimation::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove) {
        if (instance_ && static_cast<TObject*>(component) == instance_) instance_ = nullptr;
        InstanceGone(component);
    }
    TDuvAnimation::Notification(component, operation);
}

void TPropertyAnimation::InstanceGone(TComponent*) {}

void TRangePropertyAnimation::DeclareProperties(TPropertyDeclarer<TRangePropertyAnimation>& p)
{
    using A = TRangePropertyAnimation;
    p.Boolean("KeepEndValue", &A::KeepEndValue).Default(false);
    p.Boolean("UseEndValue", &A::UseEndValue).Default(true);
    p.Boolean("UseStartValue", &A::UseStartValue).Default(true);
}

void TRangePropertyAnimation::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TRangePropertyAnimation*>(source)) {
        KeepEndValue = other->KeepEndValue;
        UseEndValue = other->UseEndValue;
        UseStartValue = other->UseStartValue;
    }
    TPropertyAnimation::Assign(source);
}

// ---------------------------------------------------------------- number animation

TNumberAnimation::~TNumberAnimation() = default;

void TNumberAnimation::DeclareProperties(TPropertyDeclarer<TNumberAnimation>& p)
{
    using A = TNumberAnimation;
    p.Object("EndLink", &A::EndLink, &A::SetEndLink).Peek(&A::PeekEndLink).Stored(&A::IsEndLinkStored);
    p.Float("EndValue", &A::StoredEndValue, &A::SetEndValue);
    p.Boolean("InitStart", &A::InitStart).Default(false);
    p.String("PropertyName", &A::PropertyName, &A::SetPropertyName);
    p.Object("StartLink", &A::StartLink, &A::SetStartLink).Peek(&A::PeekStartLink).Stored(&A::IsStartLinkStored);
    p.Float("StartValue", &A::StoredStartValue, &A::SetStartValue);
    p.Event("OnSetValue", &A::OnSetValue);
}

TAnimationCurve* TNumberAnimation::Curve()
{
    if (!curve_) curve_ = std::make_unique<TAnimationCurve>();
    return curve_.get();
}

void TNumberAnimation::SetCurve(const TAnimationCurve* value)
{
    if (!value) return curve_.reset();
    Curve()->Assign(value);
}

TPropertyLink* TNumberAnimation::StartLink()
{
    if (!startLink_) startLink_ = std::make_unique<TPropertyLink>(this);
    return startLink_.get();
}

void TNumberAnimation::SetStartLink(const TPropertyLink* value)
{
    if (!value) return startLink_.reset();
    StartLink()->Assign(value);
}

TPropertyLink* TNumberAnimation::EndLink()
{
    if (!endLink_) endLink_ = std::make_unique<TPropertyLink>(this);
    return endLink_.get();
}

void TNumberAnimation::SetEndLink(const TPropertyLink* value)
{
    if (!value) return endLink_.reset();
    EndLink()->Assign(value);
}

// A link that names a property nobody can read counts as not set.
double TNumberAnimation::StartValue() const
{
    return startLink_ && startLink_->IsSet() && startLink_->Resolves() ? startLink_->Value() : startValue_;
}

double TNumberAnimation::EndValue() const
{
    return endLink_ && endLink_->IsSet() && endLink_->Resolves() ? endLink_->Value() : endValue_;
}

double TNumberAnimation::GetValue() const
{
    TObject* object = nullptr;
    std::string property;
    double value = current_;
    if (IsValid() && Target(object, property) && ReadNumber(object, property, value)) return value;
    return current_;
}

void TNumberAnimation::SetValue(double value)
{
    TObject* object = nullptr;
    std::string property;
    if (IsValid() && Target(object, property)) return WriteNumber(object, property, value);
    current_ = value;
    if (OnSetValue) OnSetValue(this, value);
}

bool TNumberAnimation::IsEnabled() const
{
    return OnSetValue.Assigned() || TPropertyAnimation::IsEnabled();
}

void TNumberAnimation::Prepare()
{
    saved_ = GetValue();
    if (UseStartValue && InitStart) SetValue(StartValue());
}

void TNumberAnimation::Start()
{
    if (!UseStartValue) startValue_ = GetValue();
    if (!UseEndValue) endValue_ = GetValue();
    TRangePropertyAnimation::Start();
}

void TNumberAnimation::ApplyFraction(float fraction)
{
    const double s = StartValue(), e = EndValue();
    SetValue(s + (e - s) * fraction);
}

bool TNumberAnimation::EndAnimation()
{
    if (!HasState(csDestroying)) SetValue(KeepEndValue ? EndValue() : saved_);
    return TRangePropertyAnimation::EndAnimation();
}

void TNumberAnimation::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TNumberAnimation*>(source)) {
        SetEndLink(other->endLink_.get());
        endValue_ = other->endValue_;
        InitStart = other->InitStart;
        SetStartLink(other->startLink_.get());
        startValue_ = other->startValue_;
        SetCurve(other->curve_.get());
    }
    TRangePropertyAnimation::Assign(source);
}

void TNumberAnimation::DefineProperties(TFiler& filer)
{
    TRangePropertyAnimation::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Curve",
        [this](TStream& stream) {
            std::string bytes(static_cast<std::size_t>(stream.Remaining()), '\0');
            stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
            Curve()->SetBytes(bytes);
        },
        [this](TStream& stream) { stream.WriteString(curve_->Bytes()); }, curve_ && curve_->IsStored());
}

void TNumberAnimation::InstanceGone(TComponent* component)
{
    for (TPropertyLink* link : {startLink_.get(), endLink_.get()})
        if (link && link->instance_ && link->instance_ == static_cast<TObject*>(component)) link->instance_ = nullptr;
}

// ---------------------------------------------------------------- colours, sine, toggle

void TColorsAnimation::DeclareProperties(TPropertyDeclarer<TColorsAnimation>& p)
{
    p.Enum("Method", &TColorsAnimation::Method).Default(cmRGB);
}

void TColorsAnimation::ApplyFraction(float f)
{
    const auto s = static_cast<std::uint32_t>(Rnd(StartValue()));
    const auto e = static_cast<std::uint32_t>(Rnd(EndValue()));
    auto mix = [f](int from, int to) { return Rnd(from + (to - from) * static_cast<double>(f)); };
    if (Method == cmRGB) {
        std::uint32_t color = 0;
        for (int shift : {0, 8, 16}) {
            const int from = static_cast<int>(s >> shift & 0xFF), to = static_cast<int>(e >> shift & 0xFF);
            color |= (static_cast<std::uint32_t>(mix(from, to)) & 0xFF) << shift;
        }
        return SetValue(color);
    }
    const THLS a = ColorToHLS(static_cast<TColor>(s)), b = ColorToHLS(static_cast<TColor>(e));
    const auto hue = static_cast<int>(mix(a.Hue, b.Hue) & 0xFFFF);
    const auto luminance = static_cast<int>(mix(a.Luminance, b.Luminance) & 0xFFFF);
    const auto saturation = static_cast<int>(mix(a.Saturation, b.Saturation) & 0xFFFF);
    SetValue(static_cast<std::uint32_t>(ColorFromHLS(hue, luminance, saturation)));
}

void TColorsAnimation::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TColorsAnimation*>(source)) Method = other->Method;
    TNumberAnimation::Assign(source);
}

void TSinusAnimation::ApplyFraction(float f)
{
    const double s = StartValue(), e = EndValue();
    SetValue(s + std::sin(2 * std::numbers::pi * static_cast<double>(f)) * (e - s));
}

void TToggleAnimation::DeclareProperties(TPropertyDeclarer<TToggleAnimation>& p)
{
    p.String("PropertyName", &TToggleAnimation::PropertyName, &TToggleAnimation::SetPropertyName);
    p.Integer("Every", &TToggleAnimation::Every).Default(5);
}

void TToggleAnimation::ApplyFraction(float)
{
    if (Every != 0) {
        const int frame = Animate() ? Animate()->FrameCounter() : 0;
        if ((frame - StartFrame()) % Every != 0) return;
    }
    TObject* object = nullptr;
    std::string property;
    if (!IsValid() || !Target(object, property)) return;
    double value = 0;
    if (!ReadNumber(object, property, value)) return;
    SetPropValue(object, property, TVariant(value == 0));
}

void TToggleAnimation::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TToggleAnimation*>(source)) Every = other->Every;
    TPropertyAnimation::Assign(source);
}

// ---------------------------------------------------------------- sound

namespace {
std::string& SoundFolder()
{
    static std::string folder;
    return folder;
}
}  // namespace

void SetSoundFolder(const std::string& folder)
{
    SoundFolder() = folder;
}

std::string ResolveSoundFileName(const std::string& fileName)
{
    std::string name = Trim(fileName);
    static const std::string macro = "$(SOUNDDIR)\\";
    if (name.size() >= macro.size() && SameIdent(name.substr(0, macro.size()), macro))
        name = SoundFolder() + "\\" + name.substr(macro.size());
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

void TPlaySoundAnimation::DeclareProperties(TPropertyDeclarer<TPlaySoundAnimation>& p)
{
    p.String("FileName", &TPlaySoundAnimation::FileName);
    p.Boolean("Synchronous", &TPlaySoundAnimation::Synchronous).Default(false);
}

void TPlaySoundAnimation::Start()
{
    if (!FileName.empty()) SoundService().PlaySound(ResolveSoundFileName(FileName), Synchronous);
    TDuvAnimation::Start();
}

void TPlaySoundAnimation::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TPlaySoundAnimation*>(source)) FileName = other->FileName;
    TDuvAnimation::Assign(source);
}
