// Plays through the real player into the test audio server's null sink and listens to
// what came out of its monitor. Runs under tests/support/with-desktop --audio.
#include "platform/qt_sound_player.h"

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
#include <vector>

namespace blenvar {
namespace {

constexpr int kRate = 44100;

void Pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Records the null sink's monitor while alive. An idle null sink delivers nothing to
// its monitor, so a stream of zeros keeps it running and the recording in real time.
class Recorder {
  public:
    Recorder() {
        keeper_.setStandardInputFile("/dev/zero");
        keeper_.start("pacat", {"--raw", "--latency-msec=20", "-d", "test_sink", "--format=s16le",
                                "--rate=44100", "--channels=1"});
        keeper_.waitForStarted(3000);
        file_ = dir_.filePath("rec.raw");
        parec_.setStandardOutputFile(file_);
        parec_.start("parec", {"--latency-msec=20", "-d", "test_sink.monitor", "--format=s16le",
                               "--rate=44100", "--channels=1"});
        started_ = parec_.waitForStarted(3000);
        // The first streams of a fresh server take a while to flow; start playing only
        // once the recording runs.
        QElapsedTimer wait;
        wait.start();
        while (started_ && QFileInfo(file_).size() < 4410 && wait.elapsed() < 5000) Pump(20);
        flowing_ = QFileInfo(file_).size() >= 4410;
    }
    std::vector<std::int16_t> Finish() {
        Pump(300);
        parec_.terminate();
        parec_.waitForFinished(3000);
        keeper_.terminate();
        keeper_.waitForFinished(3000);
        QFile f(file_);
        std::vector<std::int16_t> s;
        if (!f.open(QIODevice::ReadOnly)) return s;
        const QByteArray raw = f.readAll();
        s.resize(raw.size() / 2);
        std::memcpy(s.data(), raw.constData(), s.size() * 2);
        return s;
    }
    bool started() const { return flowing_; }

  private:
    QTemporaryDir dir_;
    QString file_;
    QProcess keeper_;
    QProcess parec_;
    bool started_ = false;
    bool flowing_ = false;
};

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
    QString Sound(const char* name) { return QCoreApplication::applicationDirPath() + "/" + name; }
    QtSoundPlayer player;
};

TEST_F(QtSoundPlayerTest, WaitPlaysTheWholeFileBeforeReturning) {
    Recorder rec;
    ASSERT_TRUE(rec.started());
    QElapsedTimer t;
    t.start();
    player.Play(Sound("zing.wav").toStdString(), PlayMode::Wait);
    const qint64 took = t.elapsed();
    const auto s = rec.Finish();
    EXPECT_GE(took, 150) << "returned before the 0.2 s sound could have ended";
    EXPECT_GT(Rms(s), 0.01);
    EXPECT_NEAR(LoudSeconds(s), 0.2, 0.08);
}

TEST_F(QtSoundPlayerTest, ToneHasItsFrequencyAndLength) {
    Recorder rec;
    ASSERT_TRUE(rec.started());
    player.Tone(880, 400);
    const auto s = rec.Finish();
    EXPECT_GT(Rms(s), 0.05);
    EXPECT_NEAR(Frequency(s), 880, 880 * 0.05);
    EXPECT_NEAR(LoudSeconds(s), 0.4, 0.08);
}

TEST_F(QtSoundPlayerTest, LoopRepeatsUntilStopped) {
    Recorder rec;
    ASSERT_TRUE(rec.started());
    player.Play(Sound("zing.wav").toStdString(), PlayMode::Loop);
    Pump(900);
    player.Stop(true);
    Pump(400);
    const auto s = rec.Finish();
    // Several 0.2 s rounds, then nothing after the stop.
    EXPECT_GT(LoudSeconds(s), 0.4);
    EXPECT_LT(Rms(s, s.size() - kRate / 2), 0.005);
}

TEST_F(QtSoundPlayerTest, MissingFileFallsBackOrStaysSilent) {
    {
        Recorder rec;
        ASSERT_TRUE(rec.started());
        player.Play("/nonexistent/blenvar/none.wav", PlayMode::Wait);
        EXPECT_GT(Rms(rec.Finish()), 0.01) << "the fallback boin.wav should have sounded";
    }
    {
        QTemporaryDir dir;
        const QString junk = dir.filePath("junk.wav");
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is no sound file at all");
        f.close();
        Recorder rec;
        player.Play(junk.toStdString(), PlayMode::Wait);
        EXPECT_GT(Rms(rec.Finish()), 0.01) << "an unplayable file sounds the fallback";
    }
    player.SetFallbackFile("");
    Recorder rec;
    player.Play("/nonexistent/blenvar/none.wav", PlayMode::Wait);
    EXPECT_LT(Rms(rec.Finish()), 0.002);
}

TEST_F(QtSoundPlayerTest, StartingAnotherSoundEndsTheFirst) {
    Recorder rec;
    ASSERT_TRUE(rec.started());
    player.Play(Sound("boin.wav").toStdString(), PlayMode::Loop);
    Pump(300);
    player.Play(Sound("zing.wav").toStdString(), PlayMode::Wait);
    const auto s = rec.Finish();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_LT(Rms(s, s.size() - kRate / 4), 0.005) << "the loop kept playing";
}

}  // namespace
}  // namespace blenvar

int main(int argc, char** argv) {
    blenvar::SelectQtSoundBackend();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
