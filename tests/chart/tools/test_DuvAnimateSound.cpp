// The sound animation heard through a real sound server: a null sink whose monitor is recorded.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <thread>

#include "chart/engine/support_ChartEngine.h"
#include "chart/tools/DuvAnimate.h"
#include "chart/tools/support_ToolsTest.h"
#include "support/TestSupport.h"

namespace {

using namespace std::chrono_literals;

void WriteTone(const std::string& path, double hertz, double seconds, int rate)
{
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    auto le = [](std::ofstream& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i) & 0xFF));
    };
    std::ofstream out(path, std::ios::binary);
    out << "RIFF";
    le(out, 36 + frames * 2, 4);
    out << "WAVEfmt ";
    le(out, 16, 4);
    le(out, 1, 2);
    le(out, 1, 2);
    le(out, static_cast<std::uint32_t>(rate), 4);
    le(out, static_cast<std::uint32_t>(rate * 2), 4);
    le(out, 2, 2);
    le(out, 16, 2);
    out << "data";
    le(out, frames * 2, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double sample = 12000 * std::sin(2 * std::numbers::pi * hertz * i / rate);
        le(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(sample))), 2);
    }
}

// A sound server of the test's own with one null sink, stopped with the fixture.
class NullSinkServer {
public:
    explicit NullSinkServer(const std::filesystem::path& dir) : dir_(dir)
    {
        std::ofstream(dir / "server.pa") << "load-module module-null-sink sink_name=qbsink rate=44100 channels=1\n"
                                            "set-default-sink qbsink\n"
                                            "load-module module-native-protocol-unix socket="
                                         << (dir / "native").string() << " auth-anonymous=1\n";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QString::fromStdString(dir.string()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.string()));
        server_.setProcessEnvironment(env);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start("pulseaudio", {"-n", "-F", QString::fromStdString((dir / "server.pa").string()),
                                     "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--system=no",
                                     "--log-target=stderr"});
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (!std::filesystem::exists(dir / "native") && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(20ms);
    }
    ~NullSinkServer()
    {
        server_.terminate();
        if (!server_.waitForFinished(5000)) server_.kill();
    }
    std::string Address() const { return "unix:" + (dir_ / "native").string(); }
    bool Ready() const { return std::filesystem::exists(dir_ / "native"); }
    std::string Output() { return server_.readAll().toStdString(); }

private:
    std::filesystem::path dir_;
    QProcess server_;
};

TEST(SoundAnimation, PlaysItsWaveIntoTheSoundServer)
{
    toolstest::StartToolsModules();
    qbtest::TempDir dir;
    NullSinkServer server(dir.path());
    ASSERT_TRUE(server.Ready()) << server.Output();
    setenv("PULSE_SERVER", server.Address().c_str(), 1);

    const std::string wave = dir.file("tone.wav"), recorded = dir.file("recorded.raw");
    WriteTone(wave, 440, 0.3, 44100);
    QProcess recorder;
    recorder.setStandardOutputFile(QString::fromStdString(recorded));
    recorder.start("parec", {"--server", QString::fromStdString(server.Address()), "-d", "qbsink.monitor",
                             "--format=s16le", "--rate=44100", "--channels=1", "--raw"});
    ASSERT_TRUE(recorder.waitForStarted(5000));
    std::this_thread::sleep_for(300ms);

    TScopedComponent<TDuvAnimate> player(nullptr);
    auto* sound = new TPlaySoundAnimation(nullptr);
    sound->FileName = wave;
    sound->Synchronous = true;
    player.Animations().Add(sound);
    player.Play();
    player.NextFrame(nullptr);  // the window opens: the sound plays to its end
    player.Stop();
    std::this_thread::sleep_for(300ms);
    recorder.terminate();
    recorder.waitForFinished(5000);
    unsetenv("PULSE_SERVER");

    const char* script = R"(
import sys
import numpy as np
data = np.fromfile(sys.argv[1], dtype='<i2').astype(float)
rms = float(np.sqrt(np.mean(data ** 2))) if len(data) else 0.0
spectrum = np.abs(np.fft.rfft(data * np.hanning(len(data)))) if len(data) else np.zeros(1)
peak = float(np.argmax(spectrum)) * 44100.0 / max(len(data), 1)
print(peak, rms, len(data))
)";
    std::istringstream result(enginetest::Run({"/usr/bin/python3", "-c", script, recorded}));
    double peak = 0, rms = 0, samples = 0;
    result >> peak >> rms >> samples;
    EXPECT_GT(samples, 0.3 * 44100);
    EXPECT_GT(rms, 500) << "nothing was heard";
    EXPECT_NEAR(peak, 440, 440 * 0.02);
}

}  // namespace
