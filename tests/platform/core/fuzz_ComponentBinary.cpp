// Binary component streams from outside: reading never crashes or leaks, and the text form of
// whatever converts is a fixed point (text -> binary -> text gives the same text).
#include <cstdlib>
#include <memory>

#include "SampleComponents.h"
#include "platform/core/ComponentText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static bool registered = (RegisterSampleClasses(), true);
    (void)registered;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        TMemoryStream stream(bytes);
        TReader reader(stream);
        reader.OnError = [size](TReader&, const std::string&) { return size % 2 == 0; };
        reader.OnFindMethod = [](TReader&, const std::string&, TMethod&, bool& error) { error = false; };
        TComponentPtr<TComponent> root(reader.ReadRootComponent(nullptr));
    } catch (const Exception&) {
    }
    std::string text;
    try {
        TMemoryStream in(bytes), out;
        ObjectBinaryToText(in, out);
        text = out.Bytes();
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream textIn(text), binary, again;
    ObjectTextToBinary(textIn, binary);  // our own text must always parse
    binary.SetPosition(0);
    ObjectBinaryToText(binary, again);
    if (again.Bytes() != text) std::abort();
    return 0;
}
