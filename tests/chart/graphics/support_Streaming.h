#pragma once
// A component that publishes one of each drawing attribute, streamed the way chart files are.
#include <memory>
#include <string>
#include <vector>

#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvFont.h"
#include "chart/graphics/DuvPen.h"
#include "platform/core/Component.h"

class TAttributeHolder : public TComponent {
    QB_CLASS(TAttributeHolder, TComponent)
public:
    explicit TAttributeHolder(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TAttributeHolder>& p);

    TDuvPen* Pen() const { return pen_.get(); }
    TDuvHiddenPen* HiddenPen() const { return hiddenPen_.get(); }
    TDarkGrayPen* GrayPen() const { return grayPen_.get(); }
    TDuvBrush* Brush() const { return brush_.get(); }
    TDuvFont* Font() const { return font_.get(); }
    int Changes = 0;

private:
    std::unique_ptr<TDuvPen> pen_;
    std::unique_ptr<TDuvHiddenPen> hiddenPen_;
    std::unique_ptr<TDarkGrayPen> grayPen_;
    std::unique_ptr<TDuvBrush> brush_;
    std::unique_ptr<TDuvFont> font_;
};

// The property names a component writes, in order ("Pen.Width").
std::vector<std::string> StreamedPropertyNames(TComponent& component);
// The property names the holder writes ("Pen.Width", "Font.Shadow.Visible").
std::vector<std::string> StreamedNames(TAttributeHolder& holder);
// Writes the holder and reads the stream into a new one.
TComponentPtr<TAttributeHolder> StreamCopy(TAttributeHolder& holder);
