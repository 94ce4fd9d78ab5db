// Palette text files: whatever the bytes, reading gives a sorted palette or a conversion error,
// and a series that loads the file keeps its palette when the file is refused.
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/series-ext/DuvSurfaPalette.h"
#include "platform/core/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const TCustom3DPalette palette = ReadPaletteText(text);
        const bool sorted = std::is_sorted(palette.begin(), palette.end(),
                                           [](const TGridPalette& a, const TGridPalette& b) { return a.UpToValue < b.UpToValue; });
        assert(sorted);
        assert(palette.size() <= size);
        (void)sorted;
    } catch (const Exception&) {
    }
    return 0;
}
