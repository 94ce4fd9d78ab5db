#include "support_ShapeStreaming.h"

#include "chart/graphics/support_Streaming.h"

#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

TShapeHolder::TShapeHolder(TComponent* owner)
    : TComponent(owner),
      shape_(std::make_unique<TDuvShape>()),
      legend_(std::make_unique<TSeriesLegend>()),
      labels_(std::make_unique<TAxisLabelsFormat>()),
      autoText_(std::make_unique<TAutomaticText>([this](TObject*) { ++AutoTextChanges; }, this))
{
    SetName("Holder");
}

void TShapeHolder::DeclareProperties(TPropertyDeclarer<TShapeHolder>& p)
{
    using H = TShapeHolder;
    p.Object("Shape", &H::Shape);
    p.Object("Legend", &H::Legend);
    p.Object("Labels", &H::Labels);
    p.Object("AutoText", &H::AutoText);
}

std::vector<std::string> StreamedShapeNames(TShapeHolder& holder) { return StreamedPropertyNames(holder); }

TComponentPtr<TShapeHolder> StreamShapeCopy(TShapeHolder& holder)
{
    TMemoryStream stream;
    WriteComponentToStream(stream, &holder);
    stream.SetPosition(0);
    auto copy = MakeComponent<TShapeHolder>();
    ReadComponentFromStream(stream, copy.get());
    return copy;
}

void ReadShapeHolderText(TShapeHolder& holder, const std::string& lines)
{
    TMemoryStream text, binary;
    text.WriteString("object Holder: TShapeHolder\r\n" + lines + "end\r\n");
    text.SetPosition(0);
    ObjectTextToBinary(text, binary);
    binary.SetPosition(0);
    ReadComponentFromStream(binary, &holder);
}
