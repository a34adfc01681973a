// Plays through the real player into the test audio server's null sink and listens to
// what came out of its monitor. Runs under tests/support/with-desktop --audio.
#include "platform/qt/qt_sound_player.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace blenvar {
namespace {

constexpr int kRate = 44100;

void Pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Serves the event loop until `done` is set; false when it never was.
bool PumpUntil(const bool& done, int timeoutMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done;
}

// Records the null sink's monitor while `play` runs and shortly after. An idle null sink
// delivers nothing to its monitor, so a stream of zeros keeps it running and the recording
// in real time.
std::vector<std::int16_t> Record(const std::function<void()>& play) {
    const QStringList format = {"--latency-msec=20", "--format=s16le", "--rate=44100",
                                "--channels=1"};
    QProcess keeper, parec;
    keeper.setStandardInputFile("/dev/zero");
    keeper.start("pacat", QStringList{"--raw", "-d", "test_sink"} + format);
    keeper.waitForStarted(3000);
    QTemporaryDir dir;
    const QString file = dir.filePath("rec.raw");
    parec.setStandardOutputFile(file);
    parec.start("parec", QStringList{"-d", "test_sink.monitor"} + format);
    // The first streams of a fresh server take a while to flow; start playing only
    // once the recording runs.
    const bool started = parec.waitForStarted(3000);
    QElapsedTimer wait;
    wait.start();
    while (started && QFileInfo(file).size() < 4410 && wait.elapsed() < 5000) Pump(20);
    EXPECT_GE(QFileInfo(file).size(), 4410) << "recording never started";
    play();
    Pump(300);
    for (QProcess* p : {&parec, &keeper}) {
        p->terminate();
        p->waitForFinished(3000);
    }
    QFile f(file);
    const QByteArray raw = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    std::vector<std::int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.constData(), s.size() * 2);
    return s;
}

double Rms(const std::vector<std::int16_t>& s, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    to = std::min(to, s.size());
    if (from >= to) return 0;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from)) / 32768.0;
}

// Seconds of 10 ms blocks that carry sound.
double LoudSeconds(const std::vector<std::int16_t>& s) {
    const std::size_t block = kRate / 100;
    int loud = 0;
    for (std::size_t i = 0; i + block <= s.size(); i += block)
        if (Rms(s, i, i + block) > 0.01) ++loud;
    return loud / 100.0;
}

// Frequency from rising zero crossings over the loud part.
double Frequency(const std::vector<std::int16_t>& s) {
    std::size_t first = SIZE_MAX, last = 0;
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0 && std::abs(s[i]) < 20000) {
            if (first == SIZE_MAX) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * double(kRate) / double(last - first);
}

class QtSoundPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            << "run under tests/support/with-desktop --audio";
    }
    static std::string Sound(const char* name) {
        return (QCoreApplication::applicationDirPath() + "/" + name).toStdString();
    }
    // Records what `start` plays until its end is told. Nothing may wait inside the player:
    // an event posted before the call has not run when it returns.
    std::vector<std::int16_t> Hear(const std::function<void(SoundDone)>& start) {
        bool posted = false, done = false;
        return Record([&] {
            QTimer::singleShot(0, [&] { posted = true; });
            start([&] { done = true; });
            EXPECT_FALSE(done || posted) << "the event loop ran inside the player";
            EXPECT_TRUE(PumpUntil(done));
        });
    }
    QtSoundPlayer player;
};

// The end of a sound is told from the event loop after it has been heard.
TEST_F(QtSoundPlayerTest, SoundsAndTonesEndThroughTheirCallbacks) {
    qint64 took = 0;
    const auto s = Hear([&](SoundDone done) {
        QElapsedTimer t;
        t.start();
        player.Play(Sound("zing.wav"), PlayMode::Once, [&took, t, done] {
            took = t.elapsed();
            done();
        });
        EXPECT_TRUE(player.IsPlaying());
    });
    EXPECT_GE(took, 150) << "told of the end before the 0.2 s sound could have ended";
    EXPECT_NEAR(LoudSeconds(s), 0.2, 0.08);

    const auto tone = Hear([&](SoundDone done) { player.Tone(880, 400, done); });
    EXPECT_GT(Rms(tone), 0.05);
    EXPECT_NEAR(Frequency(tone), 880, 880 * 0.05);
    EXPECT_NEAR(LoudSeconds(tone), 0.4, 0.08);
    EXPECT_FALSE(player.IsPlaying());
}

TEST_F(QtSoundPlayerTest, MissingFileFallsBackOrStaysSilent) {
    QTemporaryDir dir;
    const QString junk = dir.filePath("junk.wav");
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("this is no sound file at all") > 0);
    f.close();
    const auto play = [&](const std::string& file) {
        return Hear([&](SoundDone done) { player.Play(file, PlayMode::Once, done); });
    };
    for (const std::string& file :
         {std::string("/nonexistent/blenvar/none.wav"), junk.toStdString()})
        EXPECT_GT(Rms(play(file)), 0.01) << file << ": the fallback boin.wav should have sounded";
}

// A loop repeats until another sound replaces it; that one is stopped in turn.
TEST_F(QtSoundPlayerTest, LoopRepeatsUntilReplacedOrStopped) {
    bool loopDone = false, onceDone = false;
    const auto s = Record([&] {
        player.Play(Sound("zing.wav"), PlayMode::Loop, [&] { loopDone = true; });
        Pump(900);
        EXPECT_FALSE(loopDone);
        player.Play(Sound("boin.wav"), PlayMode::Loop, [&] { onceDone = true; });
        Pump(300);
        EXPECT_TRUE(loopDone);
        player.Stop(true);
        EXPECT_TRUE(PumpUntil(onceDone));
        EXPECT_FALSE(player.IsPlaying());
        Pump(400);
    });
    // Several 0.2 s rounds, then nothing after the stop.
    EXPECT_GT(LoudSeconds(s), 0.8);
    EXPECT_LT(Rms(s, s.size() - kRate / 2), 0.005) << "a loop kept playing";
}

// The tray program's player maps Qt Multimedia only once a sound is asked for; what is
// asked while the module loads is not lost: the last sound is heard, the one it replaced
// is told of its end.
TEST_F(QtSoundPlayerTest, LazyPlayerLoadsItsModuleAtTheFirstSound) {
    const auto mapped = [] {
        std::ifstream maps("/proc/self/maps");
        const std::string all{std::istreambuf_iterator<char>(maps), {}};
        return all.find(kSoundModule) != std::string::npos;
    };
    LazySoundPlayer lazy;
    EXPECT_FALSE(mapped());
    bool replacedDone = false;
    const auto s = Hear([&](SoundDone done) {
        lazy.Play(Sound("boin.wav"), PlayMode::Once, [&] { replacedDone = true; });
        lazy.Play(Sound("zing.wav"), PlayMode::Once, done);
        EXPECT_TRUE(lazy.IsPlaying());
    });
    EXPECT_TRUE(replacedDone);
    EXPECT_TRUE(mapped());
    EXPECT_NEAR(LoudSeconds(s), 0.2, 0.08);
    const auto tone = Hear([&](SoundDone done) { lazy.Tone(880, 400, done); });
    EXPECT_NEAR(Frequency(tone), 880, 880 * 0.05);
}

}  // namespace
}  // namespace blenvar

int main(int argc, char** argv) {
    blenvar::SelectQtSoundBackend();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
