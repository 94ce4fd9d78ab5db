#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/ui/Sound.h"

namespace {

std::string Le(std::uint32_t value, int bytes)
{
    std::string text;
    for (int i = 0; i < bytes; ++i) text += static_cast<char>(value >> (8 * i) & 0xFF);
    return text;
}

struct WaveSpec {
    int Format = 1, Channels = 1, Rate = 8000, Bits = 16;
    std::string Data = std::string(8, '\x01');
    std::string Before;             // chunks before the format chunk
    bool DataFirst = false;
    std::int64_t DeclaredData = -1;  // the data chunk's size field when not its length
};

WaveSpec Spec(int format, int channels, int rate, int bits, std::string data = std::string(8, '\x01'),
              std::string before = "", bool dataFirst = false, std::int64_t declaredData = -1)
{
    WaveSpec w;
    w.Format = format;
    w.Channels = channels;
    w.Rate = rate;
    w.Bits = bits;
    w.Data = std::move(data);
    w.Before = std::move(before);
    w.DataFirst = dataFirst;
    w.DeclaredData = declaredData;
    return w;
}

std::string Wave(const WaveSpec& w)
{
    const std::string fmt = "fmt " + Le(16, 4) + Le(w.Format, 2) + Le(w.Channels, 2) + Le(w.Rate, 4) +
                            Le(w.Rate * w.Channels * w.Bits / 8, 4) + Le(w.Channels * w.Bits / 8, 2) + Le(w.Bits, 2);
    const auto size = w.DeclaredData >= 0 ? static_cast<std::uint32_t>(w.DeclaredData) : w.Data.size();
    const std::string data = "data" + Le(static_cast<std::uint32_t>(size), 4) + w.Data;
    const std::string body = "WAVE" + w.Before + (w.DataFirst ? data + fmt : fmt + data);
    return "RIFF" + Le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

TEST(WaveReader, ReadsPcmOfEightAndSixteenBits)
{
    const struct {
        const char* Name;
        WaveSpec Spec;
        std::size_t Samples;
    } cases[] = {
        {"16 bit mono", {}, 8},
        {"8 bit stereo", Spec(1, 2, 44100, 8), 8},
        {"16 bit stereo, odd rate", Spec(1, 2, 11025, 16), 8},
        {"unknown chunk first", Spec(1, 1, 8000, 16, std::string(8, '\x01'), "LIST" + Le(3, 4) + "abc" + '\0'), 8},
        // A data chunk that claims more than the file holds gives what is there, in whole frames.
        {"short data", Spec(1, 2, 8000, 16, std::string(7, '\x01'), "", false, 4000), 4},
    };
    for (const auto& c : cases) {
        const TWaveSound wave = ReadWave(Wave(c.Spec));
        EXPECT_EQ(wave.Channels, c.Spec.Channels) << c.Name;
        EXPECT_EQ(wave.SampleRate, c.Spec.Rate) << c.Name;
        EXPECT_EQ(wave.BitsPerSample, c.Spec.Bits) << c.Name;
        EXPECT_EQ(wave.Samples.size(), c.Samples) << c.Name;
    }
}

TEST(WaveReader, RefusesWhatItCannotPlay)
{
    const struct {
        const char* Name;
        std::string Bytes;
        const char* Message;
    } cases[] = {
        {"empty", "", "no RIFF WAVE header"},
        {"other RIFF", "RIFF" + Le(4, 4) + "AVI ", "no RIFF WAVE header"},
        {"float", Wave(Spec(3, 1, 8000, 32)), "only PCM data"},
        {"24 bit", Wave(Spec(1, 1, 8000, 24)), "24 bits per sample"},
        {"three channels", Wave(Spec(1, 3, 8000, 16)), "3 channels"},
        {"rate 0", Wave(Spec(1, 1, 0, 16)), "sample rate 0"},
        {"data first", Wave(Spec(1, 1, 8000, 16, "ab", "", true)), "data before the format chunk"},
        {"no data", "RIFF" + Le(4, 4) + "WAVE", "no format chunk"},
        {"truncated format", "RIFF" + Le(16, 4) + "WAVEfmt " + Le(16, 4) + "ab", "format chunk too short"},
    };
    for (const auto& c : cases) {
        try {
            ReadWave(c.Bytes);
            ADD_FAILURE() << c.Name << " was read";
        } catch (const ESoundError& e) {
            EXPECT_NE(e.Message().find(c.Message), std::string::npos) << c.Name << ": " << e.Message();
        }
    }
    EXPECT_THROW(LoadWaveFile("/nonexistent/x.wav"), ESoundError);
}

TEST(SoundService, WithoutAServerNothingIsHeardAndNothingFails)
{
    // No server answers at this address: playing must neither block nor raise.
    setenv("PULSE_SERVER", "unix:/nonexistent/native", 1);
    EXPECT_FALSE(SoundService().PlaySound("/nonexistent/x.wav", true));
    unsetenv("PULSE_SERVER");
}

}  // namespace
