#pragma once
// A panel without axes or series whose content its OnPaint event draws through the panel's
// canvas and 3D projection (previews of the editors: gradients, themes, filters). Every paint
// starts and ends with the canvas's default pen, brush and font.
#include "chart/engine/DuvPanelExtended.h"

using TDraw3DPaintEvent = TEvent<void(TObject*, const TRect&)>;

class TDraw3D : public TCustomDuvPanelExtended {
    QB_CLASS(TDraw3D, TCustomDuvPanelExtended)
public:
    explicit TDraw3D(TComponent* owner = nullptr) : TCustomDuvPanelExtended(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TDraw3D>& p);

    TDraw3DPaintEvent OnPaint;

    void DrawContents(const TRect& rect) override;

protected:
    virtual void DoPaint(const TRect& rect);
};
