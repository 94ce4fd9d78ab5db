#pragma once
// The canvas module's editor controls: a button with a symbol drawn on the chart canvas, the
// colour button of the chart editors, a flat combo box, and the colour dialog with custom
// colours shared by every editor. They are widgets, so they live apart from the widget-free
// chart graphics library.
#include <QComboBox>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "chart/graphics/DuvTypes.h"

class TDuvCanvas;
class TObject;
class TPersistent;
struct TPropInfo;

// The colour dialog preset to colour; the chosen colour on OK, else colour. The custom colours
// the user defines are kept for the next dialog. Every dialog shows its custom-colour part on
// this platform, so fullOpen changes nothing.
TColor PickColor(QWidget* owner, TColor colour, bool fullOpen);
// PickColor; true, with colour changed, when the user chose another colour.
bool EditColorValue(QWidget* owner, TColor& colour, bool fullOpen);
// The custom colours of the dialog, none before the first dialog; FreeCustomColors forgets them.
const std::vector<TColor>* CustomColors();
void FreeCustomColors();

class TDuvButton : public QPushButton {
public:
    explicit TDuvButton(QWidget* parent = nullptr);

    int SymbolWidth() const { return symbolWidth_; }
    void SetSymbolWidth(int value);
    bool SymbolVisible() const { return symbolVisible_; }
    void SetSymbolVisible(bool value);
    // Where the symbol goes: right of the caption, or centred when there is none.
    TRect GetSymbolRect() const;
    // Ties the button to a published property of object (none: to the object alone).
    void LinkProperty(TPersistent* object, const std::string& propertyName);
    TPersistent* LinkedObject() const { return linkedObject_; }
    const TPropInfo* LinkedProperty() const { return linkedProperty_; }
    // Draws the symbol on a canvas over the painted button; the plain button has none.
    virtual void DrawSymbol(TDuvCanvas& canvas);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int symbolWidth_ = 0;
    bool symbolVisible_ = true;
    TPersistent* linkedObject_ = nullptr;
    const TPropInfo* linkedProperty_ = nullptr;
};

class TButtonColor : public TDuvButton {
public:
    explicit TButtonColor(QWidget* parent = nullptr);

    bool FullOpen = true;
    // Asked for the colour first when set.
    std::function<TColor()> OnGetColor;
    // Fired after the user chose another colour.
    std::function<void()> OnClick;

    // The callback's colour, else the linked property's, else the stored one.
    TColor GetSymbolColor() const;
    void SetSymbolColor(TColor colour);
    // Lets the user pick a colour; only another colour changes the button and fires OnClick.
    void Click();
    void DrawSymbol(TDuvCanvas& canvas) override;

private:
    TColor colour_ = clNone;
};

class TComboFlat : public QComboBox {
public:
    explicit TComboFlat(QWidget* parent = nullptr);

    void AddItem(const std::string& text, TObject* object = nullptr);
    // The selected item's text and object; empty and none when nothing is selected.
    std::string GetSelectedText() const;
    TObject* GetSelectedObject() const;
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
    // The width of the open list, at least the control's width.
    int DropDownWidth() const;
    void SetDropDownWidth(int value);
    bool IsDropDownWidthStored() const { return DropDownWidth() != width(); }
    // The mouse is over the control: it is drawn raised, else flat.
    bool Inside() const { return inside_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SetInside(bool value);
    void PaintFlat();

    bool inside_ = false;
};
