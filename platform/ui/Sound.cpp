#include "platform/ui/Sound.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

namespace {

std::uint32_t Le32(const std::string& b, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint16_t Le16(const std::string& b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

[[noreturn]] void Refuse(const std::string& why)
{
    throw ESoundError("Not a playable wave file: " + why);
}

}  // namespace

TWaveSound ReadWave(const std::string& bytes)
{
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        Refuse("no RIFF WAVE header");
    TWaveSound wave;
    bool haveFormat = false;
    std::size_t at = 12;
    // Chunks are walked within the file's own size; a chunk that claims more than is left ends
    // at the end of the file.
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const std::uint64_t declared = Le32(bytes, at + 4);
        const std::size_t body = at + 8;
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(declared, bytes.size() - body));
        if (id == "fmt ") {
            if (size < 16) Refuse("format chunk too short");
            const int format = Le16(bytes, body);
            wave.Channels = Le16(bytes, body + 2);
            wave.SampleRate = static_cast<int>(std::min<std::uint32_t>(Le32(bytes, body + 4), 0x7FFFFFFF));
            wave.BitsPerSample = Le16(bytes, body + 14);
            if (format != 1) Refuse("only PCM data is played (format " + std::to_string(format) + ")");
            if (wave.Channels != 1 && wave.Channels != 2)
                Refuse(std::to_string(wave.Channels) + " channels (mono or stereo only)");
            if (wave.BitsPerSample != 8 && wave.BitsPerSample != 16)
                Refuse(std::to_string(wave.BitsPerSample) + " bits per sample (8 or 16 only)");
            if (wave.SampleRate <= 0) Refuse("sample rate 0");
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) Refuse("data before the format chunk");
            const std::size_t frame = static_cast<std::size_t>(wave.Channels * wave.BitsPerSample / 8);
            const std::size_t whole = size - size % frame;
            wave.Samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(body),
                                bytes.begin() + static_cast<std::ptrdiff_t>(body + whole));
            return wave;
        }
        if (declared > bytes.size() - body) break;
        at = body + size + (size & 1);
    }
    Refuse(haveFormat ? "no data chunk" : "no format chunk");
}

TWaveSound LoadWaveFile(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw ESoundError("Cannot open sound file " + fileName);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    try {
        return ReadWave(bytes.str());
    } catch (const ESoundError& e) {
        throw ESoundError(fileName + ": " + e.Message());
    }
}

namespace {

// One connection to the sound server per sound; none when no server answers.
class TPulseStream {
public:
    explicit TPulseStream(const TWaveSound& wave)
    {
        pa_sample_spec spec{};
        spec.format = wave.BitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
        spec.channels = static_cast<std::uint8_t>(wave.Channels);
        spec.rate = static_cast<std::uint32_t>(wave.SampleRate);
        if (!pa_sample_spec_valid(&spec)) return;
        int error = 0;
        stream_ = pa_simple_new(nullptr, "Quellbrook", PA_STREAM_PLAYBACK, nullptr, "sound", &spec, nullptr, nullptr, &error);
    }
    ~TPulseStream()
    {
        if (stream_) pa_simple_free(stream_);
    }
    TPulseStream(const TPulseStream&) = delete;
    TPulseStream& operator=(const TPulseStream&) = delete;
    bool Write(const std::uint8_t* data, std::size_t size)
    {
        int error = 0;
        return stream_ && pa_simple_write(stream_, data, size, &error) == 0;
    }
    void Drain()
    {
        int error = 0;
        if (stream_) pa_simple_drain(stream_, &error);
    }
    void Flush()
    {
        int error = 0;
        if (stream_) pa_simple_flush(stream_, &error);
    }

private:
    pa_simple* stream_ = nullptr;
};

// Plays asynchronous sounds one at a time on its own thread; a new one replaces the old.
class TPulseSoundService final : public ISoundService {
public:
    ~TPulseSoundService() override
    {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
            ++generation_;
        }
        wake_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    bool PlaySound(const std::string& fileName, bool synchronous) override
    {
        TWaveSound wave;
        try {
            wave = LoadWaveFile(fileName);
        } catch (const ESoundError&) {
            return false;
        }
        if (synchronous) {
            TPulseStream stream(wave);
            if (stream.Write(wave.Samples.data(), wave.Samples.size())) stream.Drain();
            return true;
        }
        {
            std::lock_guard lock(mutex_);
            pending_ = std::move(wave);
            ++generation_;
            if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
        }
        wake_.notify_all();
        return true;
    }

private:
    void Run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || pending_; });
            if (quit_) return;
            TWaveSound wave = std::move(*pending_);
            pending_.reset();
            const unsigned generation = generation_;
            lock.unlock();
            Play(wave, generation);
            lock.lock();
        }
    }

    // Written in pieces of about 50 ms so that a newer sound cuts this one short.
    void Play(const TWaveSound& wave, unsigned generation)
    {
        TPulseStream stream(wave);
        const std::size_t frame = static_cast<std::size_t>(wave.Channels * wave.BitsPerSample / 8);
        const std::size_t piece = std::max<std::size_t>(frame, static_cast<std::size_t>(wave.SampleRate) / 20 * frame);
        for (std::size_t at = 0; at < wave.Samples.size(); at += piece) {
            if (Superseded(generation)) return stream.Flush();
            if (!stream.Write(wave.Samples.data() + at, std::min(piece, wave.Samples.size() - at))) return;
        }
        stream.Drain();
    }

    bool Superseded(unsigned generation)
    {
        std::lock_guard lock(mutex_);
        return generation != generation_;
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<TWaveSound> pending_;
    unsigned generation_ = 0;
    bool quit_ = false;
    std::thread worker_;
};

ISoundService* installed = nullptr;

}  // namespace

ISoundService& SoundService()
{
    static TPulseSoundService service;
    return installed ? *installed : service;
}

void SetSoundService(ISoundService* service)
{
    installed = service;
}
