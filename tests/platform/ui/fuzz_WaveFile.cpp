// Wave files from anywhere: reading any bytes never crashes, and a wave that was read holds
// only whole frames taken from inside the file.
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/ui/Sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const TWaveSound wave = ReadWave(bytes);
        assert(wave.Channels == 1 || wave.Channels == 2);
        assert(wave.BitsPerSample == 8 || wave.BitsPerSample == 16);
        assert(wave.SampleRate > 0);
        assert(wave.Samples.size() + 20 <= size);
        assert(wave.Samples.size() % static_cast<std::size_t>(wave.Channels * wave.BitsPerSample / 8) == 0);
        // The samples are a run of the file's own bytes.
        assert(wave.Samples.empty() ||
               std::string(bytes).find(std::string(wave.Samples.begin(), wave.Samples.end())) != std::string::npos);
    } catch (const ESoundError&) {
    }
    return 0;
}
