// The statistics settings file (ORUStatistics.ini) from any bytes: read, or refused with a
// conversion message; never a crash or a leak.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/core/SysUtils.h"
#include "stats/Ustatistics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char path[] = "/tmp/qb_fuzz_statini_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
    close(fd);
    if (written) {
        try {
            LoadStatisticsSettings(path);
        } catch (const Exception&) {
        }
    }
    unlink(path);
    return 0;
}
