#pragma once
// A component publishing one shape of each published shape class and the automatic-text
// options, streamed the way chart files are.
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvShape.h"
#include "chart/engine/DuvTextShape.h"
#include "platform/core/Component.h"

class TShapeHolder : public TComponent {
    QB_CLASS(TShapeHolder, TComponent)
public:
    explicit TShapeHolder(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TShapeHolder>& p);

    TDuvShape* Shape() const { return shape_.get(); }
    TSeriesLegend* Legend() const { return legend_.get(); }
    TAxisLabelsFormat* Labels() const { return labels_.get(); }
    TAutomaticText* AutoText() const { return autoText_.get(); }
    int AutoTextChanges = 0;

private:
    std::unique_ptr<TDuvShape> shape_;
    std::unique_ptr<TSeriesLegend> legend_;
    std::unique_ptr<TAxisLabelsFormat> labels_;
    std::unique_ptr<TAutomaticText> autoText_;
};

// The property names the holder writes ("Shape.Shadow.Color").
std::vector<std::string> StreamedShapeNames(TShapeHolder& holder);
// Writes the holder and reads the stream into a new one.
TComponentPtr<TShapeHolder> StreamShapeCopy(TShapeHolder& holder);
// Reads the holder's properties from component text lines ("Shape.Angle = 3\r\n").
void ReadShapeHolderText(TShapeHolder& holder, const std::string& lines);
