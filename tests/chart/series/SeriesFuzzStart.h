#pragma once
// The series fuzz targets start the chart modules once per process, as the program does.
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/Streams.h"

#include <cstdint>
#include <string>

namespace seriesfuzz {

inline void StartSeriesModulesOnce()
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        return true;
    }();
    (void)started;
}

// Reads the bytes into root as a component stream, in text form when they begin with "object",
// else in binary form; a rejected stream leaves whatever the reader kept.
inline void ReadChartBytes(const std::uint8_t* data, std::size_t size, TComponent* root)
{
    try {
        std::string bytes(reinterpret_cast<const char*>(data), size);
        if (bytes.rfind("object", 0) == 0) {
            TMemoryStream text(bytes);
            TMemoryStream binary;
            ObjectTextToBinary(text, binary);
            binary.SetPosition(0);
            ReadComponentFromStream(binary, root);
        } else {
            TMemoryStream stream(bytes);
            ReadComponentFromStream(stream, root);
        }
    } catch (const Exception&) {
    }
}

}  // namespace seriesfuzz
