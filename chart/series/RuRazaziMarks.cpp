// The marks object of a series, its box shapes and per-point formats, and the "Items" stream.
#include "chart/series/RuRazaziMarks.h"

#include <cstdint>
#include <string>

#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Streams.h"

namespace {

// The list begin and end markers an item takes at the least.
constexpr std::int64_t kSmallestItemSize = 2;

[[noreturn]] void BadItems(const std::string& what) { throw EReadError("Invalid marks items: " + what); }

// Set while a mark format takes the text of the mark being drawn.
thread_local bool markTextQuiet = false;

}  // namespace

void SetMarkFormatText(TCustomTextShape& shape, const std::string& text)
{
    markTextQuiet = true;
    const TScopeGuard done([] { markTextQuiet = false; });
    shape.SetText(text);
}

// ---------------------------------------------------------------- symbol

TSeriesMarksSymbol::TSeriesMarksSymbol(TCustomDuvPanel* panel) : TDuvCustomShape(nullptr)
{
    const TRepaintHold hold(panel);
    AttachToPanel(panel);
    InitVisible(false);
    SetDefaultTransparent(false);
    InitShadow(*GetShadow());
    InitEmboss(*GetEmboss());
}

void TSeriesMarksSymbol::DeclareProperties(TPropertyDeclarer<TSeriesMarksSymbol>& p)
{
    using B = TDuvCustomShapeBrushPen;
    DeclareShapeProperties(p, {"Bevel", "BevelWidth", "Brush", "Children", "ChildLayout", "Emboss", "Frame",
                               "Gradient"});
    p.Object("Pen", &B::Frame, &B::SetPen);
    DeclareShapeProperties(p, {"Picture", "Shadow", "ShapeCallout", "ShapeStyle", "Transparency", "Visible"});
}

void TSeriesMarksSymbol::InitShadow(TDuvShadow& shadow) { shadow.SetDefaultValues(shadow.Visible(), clBlack, 1); }

void TSeriesMarksSymbol::InitEmboss(TDuvEmboss& emboss) { emboss.SetDefaultValues(emboss.Visible(), clBlack, 1); }

// ---------------------------------------------------------------- mark shape

TSeriesMarkShape::TSeriesMarkShape(TCustomDuvPanel* panel) : TCustomTextShape(panel)
{
    SetShapeStyle(fosRoundRectangle);
}

void TSeriesMarkShape::DeclareProperties(TPropertyDeclarer<TSeriesMarkShape>& p)
{
    using S = TDuvCustomShape;
    DeclareShapeProperties(p, {"Angle", "Bevel", "BevelWidth", "Brush", "Children", "ChildLayout", "Color", "Emboss",
                               "Font", "Frame", "Gradient", "Picture", "RoundSize", "Shadow", "ShapeCallout",
                               "Transparency", "Transparent", "Visible"});
    p.Enum("ShapeStyle", &S::ShapeStyle, &S::SetShapeStyle).Default(fosRoundRectangle);
    DeclareTextShapeProperties(p, {"ClipText", "Margins", "Text", "TextAlignment", "TextFormat", "VertTextAlign"});
    p.Enum("Style", &TSeriesMarkShape::Style, &TSeriesMarkShape::SetStyle).Default(smsLabelOrValue);
}

void TSeriesMarkShape::SetStyle(TSeriesMarksStyle value)
{
    if (!SetIfChanged(style_, value)) return;
    if (Parent()) InvalidateParent();
    else if (marks_ && marks_->Series()) marks_->Series()->RequestRepaint();
}

const TClassInfo& TSeriesMarkShape::GetChildShapeClass() const { return TSeriesMarkShape::StaticClass(); }

void TSeriesMarkShape::TextChanged()
{
    if (!markTextQuiet) TCustomTextShape::TextChanged();
}

void TSeriesMarkShape::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TSeriesMarkShape*>(source)) style_ = other->style_;
    TCustomTextShape::Assign(source);
}

// ---------------------------------------------------------------- per-point items

TMarksItem::TMarksItem(TCustomDuvPanel* panel) : TCustomTextShape(panel) { SetColor(kMarksColor); }

TMarksItem::~TMarksItem() = default;

void TMarksItem::DeclareProperties(TPropertyDeclarer<TMarksItem>& p)
{
    using S = TDuvCustomShape;
    DeclareShapeProperties(p, {"Bevel", "BevelWidth", "Children", "ChildLayout"});
    p.Color("Color", &S::Color, &S::SetColor).Default(kMarksColor);
    DeclareShapeProperties(p, {"Emboss", "Font", "Gradient", "Picture", "Shadow", "ShapeCallout", "ShapeStyle",
                               "Transparency", "Transparent"});
    p.Strings("Text", &TMarksItem::GetText).OnChanged(&TMarksItem::TextListChanged);
}

TStringList* TMarksItem::GetText()
{
    if (!lines_) {
        lines_ = std::make_unique<TStringList>();
        if (!Text().empty()) lines_->SetText(Text());
    }
    return lines_.get();
}

void TMarksItem::SetTextLines(const TStringList* value)
{
    if (value) {
        GetText()->Assign(*value);
        TextListChanged();
        return;
    }
    lines_.reset();
    SetText(std::string());
    customText_ = false;
}

void TMarksItem::TextListChanged()
{
    if (lines_) SetText(lines_->Text());
    customText_ = true;
    InvalidateParent();
}

void TMarksItem::TextChanged()
{
    if (markTextQuiet) return;
    TCustomTextShape::TextChanged();
    customText_ = true;
}

void TMarksItem::Assign(const TPersistent* source)
{
    TCustomTextShape::Assign(source);
    const auto* other = dynamic_cast<const TMarksItem*>(source);
    customText_ = other && other->customText_;
    // The lines follow the copied text when next asked for.
    lines_.reset();
}

TMarksItem* TMarksItems::ItemIfAny(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<std::size_t>(index)].get();
}

TMarksItem* TMarksItems::Item(int index)
{
    if (index >= Count()) items_.resize(static_cast<std::size_t>(index) + 1);
    auto& entry = items_[static_cast<std::size_t>(index)];
    if (!entry) {
        auto item = std::make_unique<TMarksItem>(marks_ ? marks_->Parent() : nullptr);
        if (marks_) item->Assign(marks_);
        entry = std::move(item);
    }
    return entry.get();
}

void TMarksItems::Delete(int index)
{
    if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TMarksItems::Clear()
{
    items_.clear();
    if (marks_) marks_->InvalidateParent();
}

// ---------------------------------------------------------------- marks

TSeriesMarks::TSeriesMarks(TCustomChartSeries* series)
    : series_(series), automatic_(std::make_unique<TAutomaticText>([this](TObject*) { RepaintSeries(); }, this))
{
    SetOwnerMarks(this);
    SetDefaultTextAlignment(taCenter);
    Margins()->InitHorizontal(20);
    SetRoundSize(4);
    SetColor(kMarksColor);
    InitShadow(*GetShadow());
    TDuvGradient& gradient = *GetGradient();
    gradient.InitDirection(gdRightLeft);
    gradient.InitColors(static_cast<TColor>(12632256), clWhite);
    InitVisible(false);
}

TSeriesMarks::~TSeriesMarks()
{
    // Freeing the items must not repaint a series that is going away.
    items_.Detach();
}

void TSeriesMarks::DeclareProperties(TPropertyDeclarer<TSeriesMarks>& p)
{
    using M = TSeriesMarks;
    using S = TDuvCustomShape;
    using T = TCustomTextShape;
    p.Integer("Angle", &M::MarksAngle, &M::SetMarksAngle).Default(0);
    // The callout's own settings are written under "Callout"; these two only read old files.
    p.Object("Arrow", &M::GetArrow, &M::SetArrow).NotStored();
    p.Integer("ArrowLength", &M::ArrowLength, &M::SetArrowLength).NotStored();
    p.Boolean("AutoPosition", &M::AutoPosition, &M::SetAutoPosition).Default(true);
    p.Color("BackColor", &S::Color, &S::SetColor).Default(kMarksColor);
    p.Object("Callout", &M::GetCalloutObject, &M::SetCallout).Peek(&M::PeekCallout);
    p.Boolean("Clip", &M::Clip, &M::SetClip).Default(false);
    p.Integer("DrawEvery", &M::DrawEvery, &M::SetDrawEvery).Default(1);
    p.Boolean("MultiLine", &M::MultiLine, &M::SetMultiLine).Default(false);
    p.Boolean("SoftClip", &M::SoftClip, &M::SetSoftClip).Default(false);
    p.Object("Symbol", &M::GetSymbol, &M::SetSymbol).Peek(&M::PeekSymbol);
    p.Enum("TextAlign", &T::TextAlignment, &T::SetTextAlignment).Default(taCenter);
    p.Boolean("UseSeriesTransparency", &M::UseSeriesTransparency, &M::SetUseSeriesTransparency).Default(true);
    p.Color("Color", &S::Color, &S::SetColor).Default(kMarksColor);
    p.Integer("RoundSize", &S::RoundSize, &S::SetRoundSize).Default(4);
    // Always written, so that a file says whether the marks show.
    p.Boolean("Visible", &TDuvCustomShapeBrushPen::Visible, &TDuvCustomShapeBrushPen::SetVisible);
}

void TSeriesMarks::SetMarksAngle(int value)
{
    if (value == Angle()) return;
    InitAngle(value);
    RepaintSeries();
}

void TSeriesMarks::RepaintSeries()
{
    if (series_) series_->RequestRepaint();
}

TCustomTextShape* TSeriesMarks::FormatFor(int index)
{
    if (TMarksItem* item = items_.ItemIfAny(index)) return item;
    return this;
}

void TSeriesMarks::ClearPositions()
{
    positions_.Clear();
    if (!items_.Loading && items_.Count() > 0) items_.Clear();
}

void TSeriesMarks::InitShadow(TDuvShadow& shadow) { shadow.SetDefaultValues(shadow.Visible(), static_cast<TColor>(8421504), 3); }

void TSeriesMarks::InitEmboss(TDuvEmboss& emboss) { emboss.SetDefaultValues(emboss.Visible(), static_cast<TColor>(8421504), 3); }

void TSeriesMarks::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TSeriesMarks*>(source)) {
        InitAngle(other->Angle());
        automatic_->Assign(other->automatic_.get());
        SetCallout(other->callout_.get());
        SetSymbol(other->symbol_.get());
        clip_ = other->clip_;
        drawEvery_ = other->drawEvery_;
        multiLine_ = other->multiLine_;
        onTop_ = other->onTop_;
        softClip_ = other->softClip_;
        useSeriesTransparency_ = other->useSeriesTransparency_;
        if (other != this) {
            items_.Clear();
            auto& from = const_cast<TSeriesMarks*>(other)->items_;
            for (int i = 0; i < from.Count(); ++i) items_.Item(i)->Assign(from.Item(i));
        }
    }
    TSeriesMarkShape::Assign(source);
}

void TSeriesMarks::DefineProperties(TFiler& filer)
{
    TSeriesMarkShape::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Items", [this](TStream& stream) { ReadItems(stream); }, [this](TStream& stream) { WriteItems(stream); },
        items_.Count() > 0);
}

void TSeriesMarks::WriteItems(TStream& stream)
{
    TWriter writer(stream, 1024);
    const std::int32_t count = items_.Count();
    writer.Write(&count, sizeof count);
    for (int i = 0; i < count; ++i) {
        writer.WriteListBegin();
        writer.WriteProperties(items_.Item(i));
        writer.WriteListEnd();
    }
    writer.FlushBuffer();
}

void TSeriesMarks::ReadItems(TStream& stream)
{
    std::int32_t count = 0;
    if (stream.Remaining() < static_cast<std::int64_t>(sizeof count))
        BadItems("the item count is cut off");
    stream.ReadBuffer(&count, sizeof count);
    if (count < 1) return;
    // A count the bytes cannot hold is a damaged file; nothing is made for it.
    if (count > stream.Remaining() / kSmallestItemSize)
        BadItems(std::to_string(count) + " items cannot fit in " + std::to_string(stream.Remaining()) + " bytes");
    std::vector<std::unique_ptr<TMarksItem>> read(static_cast<std::size_t>(count));
    TReader reader(stream, 1024);
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<TMarksItem>(Parent());
        item->Assign(items_.ItemIfAny(i) ? static_cast<TPersistent*>(items_.ItemIfAny(i)) : this);
        reader.ReadListBegin();
        reader.ReadProperties(item.get());
        read[static_cast<std::size_t>(i)] = std::move(item);
    }
    // Items beyond the stored ones stay as they were.
    for (int i = count; i < items_.Count(); ++i)
        if (TMarksItem* kept = items_.ItemIfAny(i)) {
            read.resize(static_cast<std::size_t>(i) + 1);
            read[static_cast<std::size_t>(i)] = std::make_unique<TMarksItem>(Parent());
            read[static_cast<std::size_t>(i)]->Assign(kept);
        }
    items_.Swap(read);
    items_.Loading = true;
    InvalidateParent();
}

TMarksCallout& TSeriesMarks::Callout()
{
    if (!callout_) {
        const TRepaintHold hold(Parent());
        callout_ = std::make_unique<TMarksCallout>(dynamic_cast<TChartSeries*>(series_));
        callout_->AttachToPanel(Parent());
    }
    return *callout_;
}

TWhitePen* TSeriesMarks::GetArrow() { return &Callout().Arrow(); }

void TSeriesMarks::SetArrow(const TWhitePen* value) { Callout().SetArrow(value); }

int TSeriesMarks::ArrowLength() const { return const_cast<TSeriesMarks*>(this)->Callout().Length(); }

void TSeriesMarks::SetArrowLength(int value) { Callout().SetLength(value); }

TSeriesMarksSymbol* TSeriesMarks::GetSymbol()
{
    if (!symbol_) symbol_ = std::make_unique<TSeriesMarksSymbol>(Parent());
    return symbol_.get();
}

void TSeriesMarks::SetSymbol(const TSeriesMarksSymbol* value)
{
    if (value)
        GetSymbol()->Assign(value);
    else
        symbol_.reset();
}

void TSeriesMarks::AttachToPanel(TCustomDuvPanel* panel)
{
    TSeriesMarkShape::AttachToPanel(panel);
    if (callout_) callout_->AttachToPanel(panel);
    if (symbol_) symbol_->AttachToPanel(panel);
}

void TSeriesMarks::SetCallout(const TMarksCallout* value)
{
    if (value)
        Callout().Assign(value);
    else
        callout_.reset();
}

void TSeriesMarks::ApplyCalloutLength(TSeriesMarkPosition& position) const
{
    if (callout_) callout_->OffsetPosition(position);
}
