// Text component streams from outside: parsing never crashes, and what parses converts to text
// and back to the same bytes.
#include <cstdlib>

#include "platform/core/ComponentText.h"
#include "platform/core/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes;
    try {
        TMemoryStream in(std::string(reinterpret_cast<const char*>(data), size)), out;
        ObjectTextToBinary(in, out);
        bytes = out.Bytes();
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream binary(bytes), text, back;
    ObjectBinaryToText(binary, text);
    text.SetPosition(0);
    ObjectTextToBinary(text, back);
    if (back.Bytes() != bytes) std::abort();
    return 0;
}
