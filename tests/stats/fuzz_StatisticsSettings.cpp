// The statistics settings file (ORUStatistics.ini) from any bytes: read, or refused with a
// conversion message; never a crash or a leak.
#include <cstdint>
#include <string>

#include "platform/core/SysUtils.h"
#include "stats/Ustatistics.h"
#include "support/FuzzInputFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qbtest::WithInputFile(reinterpret_cast<const char*>(data), size, [](const std::string& path) {
        try {
            LoadStatisticsSettings(path);
        } catch (const Exception&) {
        }
    });
    return 0;
}
