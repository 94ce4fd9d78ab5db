#include "support_Streaming.h"

#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

TAttributeHolder::TAttributeHolder(TComponent* owner)
    : TComponent(owner),
      pen_(std::make_unique<TDuvPen>([this](TObject*) { ++Changes; })),
      hiddenPen_(std::make_unique<TDuvHiddenPen>([this](TObject*) { ++Changes; })),
      grayPen_(std::make_unique<TDarkGrayPen>([this](TObject*) { ++Changes; })),
      brush_(std::make_unique<TDuvBrush>([this](TObject*) { ++Changes; })),
      font_(std::make_unique<TDuvFont>([this](TObject*) { ++Changes; }))
{
    SetName("Holder");
}

void TAttributeHolder::DeclareProperties(TPropertyDeclarer<TAttributeHolder>& p)
{
    using H = TAttributeHolder;
    p.Object("Pen", &H::Pen);
    p.Object("HiddenPen", &H::HiddenPen);
    p.Object("GrayPen", &H::GrayPen);
    p.Object("Brush", &H::Brush);
    p.Object("Font", &H::Font);
}

std::vector<std::string> StreamedPropertyNames(TComponent& component)
{
    TMemoryStream stream;
    WriteComponentToStream(stream, &component);
    stream.SetPosition(0);
    TReader reader(stream);
    reader.ReadSignature();
    reader.ReadStr();  // class
    reader.ReadStr();  // name
    std::vector<std::string> names;
    while (!reader.EndOfList()) {
        names.push_back(reader.ReadStr());
        reader.SkipValue();
    }
    return names;
}

std::vector<std::string> StreamedNames(TAttributeHolder& holder) { return StreamedPropertyNames(holder); }

TComponentPtr<TAttributeHolder> StreamCopy(TAttributeHolder& holder)
{
    TMemoryStream stream;
    WriteComponentToStream(stream, &holder);
    stream.SetPosition(0);
    auto copy = MakeComponent<TAttributeHolder>();
    ReadComponentFromStream(stream, copy.get());
    return copy;
}
