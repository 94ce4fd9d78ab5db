// Component text to XML on arbitrary bytes: XML or the clear parser error, nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "chart/engine/DuvProcs.h"
#include "platform/core/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        ConvertTextStreamToXml(stream, size % 2 == 0);
    } catch (const EParserError&) {
        if (stream.Bytes() != std::string(reinterpret_cast<const char*>(data), size)) __builtin_trap();
    }
    return 0;
}
