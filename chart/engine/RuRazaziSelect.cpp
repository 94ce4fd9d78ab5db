#include "chart/engine/RuRazaziSelect.h"

#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"
#include "chart/graphics/DuvCanvas.h"

TDuvHover::TDuvHover(TCustomDuvPanel* panel) : TCustomTextShape(panel)
{
    Font()->SetStyle(TFontStyles{fsBold});
    Pen().SetColor(TDuvCanvas::ColorWithAlpha(clRed, 128));
    Pen().SetWidth(3);
}

void TDuvHover::DeclareProperties(TPropertyDeclarer<TDuvHover>& p) { DeclareShapeProperties(p, {"Visible"}); }

TDuvSelected::TDuvSelected(TObject* element)
    : TCustomTextShape(nullptr), hover_(std::make_unique<TDuvHover>()), element_(element)
{
    InitVisible(false);
    Pen().SetColor(clRed);
    Pen().SetWidth(2);
}

TDuvSelected::~TDuvSelected() = default;

void TDuvSelected::DeclareProperties(TPropertyDeclarer<TDuvSelected>& p)
{
    p.Object("Hover", &TDuvSelected::Hover, &TDuvSelected::SetHover);
}

void TDuvSelected::SetHover(const TDuvHover* value)
{
    if (value) hover_->Assign(value);
}

void TDuvSelected::SetHoverItem(int index)
{
    if (index == hoverIndex_) return;
    hoverIndex_ = index;
    if (hover_->Visible()) RepaintElement();
}

void TDuvSelected::SelectItem(int index)
{
    if (index == itemIndex_) return;
    itemIndex_ = index;
    if (Visible()) RepaintElement();
}

void TDuvSelected::RepaintElement()
{
    if (auto* element = dynamic_cast<TCustomChartElement*>(element_))
        element->RequestRepaint();
    else if (auto* shape = dynamic_cast<TDuvCustomShapeBrushPen*>(element_))
        shape->InvalidateParent();
    else if (auto* panel = dynamic_cast<TCustomDuvPanel*>(element_))
        panel->Invalidate();
}

void TDuvSelected::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TDuvSelected*>(source)) hover_->Assign(other->hover_.get());
    TCustomTextShape::Assign(source);
}

void RuRazaziSelectInitialization()
{
    RegisterClassForStreaming(TDuvHover::StaticClass());
    RegisterClassForStreaming(TDuvSelected::StaticClass());
}
