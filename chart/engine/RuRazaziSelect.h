#pragma once
// Hover and selection highlight of a chart element: which item is under the mouse and which is
// selected, and how each is outlined. Changing either repaints the element only when the
// change shows.
#include "chart/engine/DuvTextShape.h"

// How the item under the mouse is outlined: bold text, a half-transparent red frame 3 wide.
class TDuvHover : public TCustomTextShape {
    QB_CLASS(TDuvHover, TCustomTextShape)
public:
    explicit TDuvHover(TCustomDuvPanel* panel = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TDuvHover>& p);
};

// The hover and selection state of a chart element, a shape or a chart panel.
class TDuvSelected : public TCustomTextShape {
    QB_CLASS(TDuvSelected, TCustomTextShape)
public:
    // element: whose repaint shows a change; not owned.
    explicit TDuvSelected(TObject* element = nullptr);
    ~TDuvSelected() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvSelected>& p);

    TDuvHover* Hover() const { return hover_.get(); }
    // Copies into the own hover settings.
    void SetHover(const TDuvHover* value);
    int HoverIndex() const { return hoverIndex_; }
    int ItemIndex() const { return itemIndex_; }
    TObject* Element() const { return element_; }

    // Repaints when the index changed and the hover highlight is visible.
    void SetHoverItem(int index);
    // Repaints when the index changed and the selection is visible.
    void SelectItem(int index);
    // The element's chart, the shape's parent or the panel itself repaints.
    void RepaintElement();
    // The hover settings and then the text-shape settings.
    void Assign(const TPersistent* source) override;

private:
    std::unique_ptr<TDuvHover> hover_;
    int hoverIndex_ = -1;
    int itemIndex_ = -1;
    TObject* element_;
};

void RuRazaziSelectInitialization();
