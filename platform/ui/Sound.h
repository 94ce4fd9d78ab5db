#pragma once
// Sound files and their playback.
//
// What always holds for a wave read by ReadWave: Channels is 1 or 2, BitsPerSample 8 or 16,
// SampleRate above 0, and Samples holds whole frames copied from inside the file's "data" chunk
// (never more than the chunk or the file holds). Anything else is refused with ESoundError.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

class ESoundError : public Exception {
public:
    using Exception::Exception;
};

struct TWaveSound {
    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0;
    std::vector<std::uint8_t> Samples;  // interleaved PCM as stored: 8 bit unsigned, 16 bit signed LE
};

// A RIFF WAVE file's bytes; PCM 8 or 16 bit, mono or stereo, any rate.
TWaveSound ReadWave(const std::string& bytes);
// Raises ESoundError when the file cannot be read or is no such wave.
TWaveSound LoadWaveFile(const std::string& fileName);

// Plays sound files. Without a sound server nothing is heard and nothing fails.
class ISoundService {
public:
    virtual ~ISoundService() = default;
    // Synchronous: returns when the sound has ended. Otherwise it plays on a worker and a new
    // sound replaces one still playing. Answers false when the file cannot be played.
    virtual bool PlaySound(const std::string& fileName, bool synchronous) = 0;
};

// The program's service (the sound server's); tests may install a double (nullptr restores).
ISoundService& SoundService();
void SetSoundService(ISoundService* service);
