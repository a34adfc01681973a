#include "platform/qt/qt_sound_player.h"

#include <sys/stat.h>

#include <QAudioFormat>
#include <QAudioOutput>
#include <QAudioSink>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "components/sound/scan_sounds.h"

namespace blenvar {
namespace {

constexpr int kToneRate = 44100;
// A sound that stops moving is given up, so whoever waits for its end is not held forever.
constexpr int kStallMs = 5000;
// What the audio server may still hold when the sink reports it has run dry.
constexpr int kDrainMs = 1000;
// How long a failed attempt to reach any audio output keeps the player silent.
constexpr qint64 kNoAudioRetryMs = 60000;

bool Playable(const QString& path) {
    QFileInfo fi(path);
    return !path.isEmpty() && fi.isFile() && fi.isReadable();
}

// Sine samples made as the sink asks for them, so a long tone needs no long buffer.
class ToneDevice : public QIODevice {
  public:
    ToneDevice(double hz, qint64 samples, QObject* parent)
        : QIODevice(parent), step_(2.0 * M_PI * hz / kToneRate), total_(samples) {
        ramp_ = std::max<qint64>(1, std::min<qint64>(kToneRate / 200, samples / 4));
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return (total_ - done_) * 2 + QIODevice::bytesAvailable();
    }
    bool atEnd() const override { return done_ >= total_; }

  protected:
    qint64 readData(char* data, qint64 maxlen) override {
        qint64 n = std::min(maxlen / 2, total_ - done_);
        auto* out = reinterpret_cast<qint16*>(data);
        for (qint64 i = 0; i < n; ++i, ++done_) {
            // Short fades at both ends keep the tone free of clicks.
            double gain = std::min({1.0, double(done_) / ramp_, double(total_ - done_) / ramp_});
            out[i] = static_cast<qint16>(std::lround(std::sin(step_ * done_) * 0.6 * 32767 * gain));
        }
        return n * 2;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    double step_;
    qint64 total_;
    qint64 done_ = 0;
    qint64 ramp_;
};

// Sample data of a file, played once or round and round.
class PcmDevice : public QIODevice {
  public:
    PcmDevice(QByteArray data, bool loop, QObject* parent)
        : QIODevice(parent), data_(std::move(data)), loop_(loop) {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return (loop_ ? data_.size() : data_.size() - pos_) + QIODevice::bytesAvailable();
    }
    bool atEnd() const override { return !loop_ && pos_ >= data_.size(); }

  protected:
    qint64 readData(char* out, qint64 maxlen) override {
        qint64 done = 0;
        while (done < maxlen && !data_.isEmpty()) {
            if (pos_ >= data_.size()) {
                if (!loop_) break;
                pos_ = 0;
            }
            const qint64 n = std::min(maxlen - done, qint64(data_.size()) - pos_);
            std::memcpy(out + done, data_.constData() + pos_, size_t(n));
            done += n;
            pos_ += n;
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray data_;
    bool loop_;
    qint64 pos_ = 0;
};

struct Wav {
    QAudioFormat format;
    QByteArray data;
};

// Reads an uncompressed RIFF/WAVE file in a layout QAudioSink takes as it is.
std::optional<Wav> ReadWav(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > 256 * 1024 * 1024) return std::nullopt;
    const QByteArray all = f.readAll();
    if (all.size() < 12 || !all.startsWith("RIFF") || all.mid(8, 4) != "WAVE") return std::nullopt;
    auto u16 = [&](qint64 at) { return quint16(quint8(all[at]) | quint8(all[at + 1]) << 8); };
    auto u32 = [&](qint64 at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
    Wav wav;
    bool haveFormat = false;
    for (qint64 at = 12; at + 8 <= all.size();) {
        const QByteArray id = all.mid(at, 4);
        const qint64 len = u32(at + 4);
        const qint64 body = at + 8;
        if (id == "fmt " && len >= 16 && body + 16 <= all.size()) {
            quint16 tag = u16(body);
            const int channels = u16(body + 2);
            const int rate = int(u32(body + 4));
            const int bits = u16(body + 14);
            if (tag == 0xFFFE && len >= 40 && body + 26 <= all.size()) tag = u16(body + 24);
            QAudioFormat::SampleFormat sf = QAudioFormat::Unknown;
            if (tag == 1 && bits == 8) sf = QAudioFormat::UInt8;
            if (tag == 1 && bits == 16) sf = QAudioFormat::Int16;
            if (tag == 1 && bits == 32) sf = QAudioFormat::Int32;
            if (tag == 3 && bits == 32) sf = QAudioFormat::Float;
            if (sf == QAudioFormat::Unknown || channels < 1 || channels > 8 || rate < 1000 ||
                rate > 384000)
                return std::nullopt;
            wav.format.setSampleFormat(sf);
            wav.format.setChannelCount(channels);
            wav.format.setSampleRate(rate);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) return std::nullopt;
            // A truncated file plays what it has, in whole frames.
            qint64 n = std::min(len, qint64(all.size()) - body);
            n -= n % wav.format.bytesPerFrame();
            wav.data = all.mid(body, n);
            if (wav.data.isEmpty()) return std::nullopt;
            return wav;
        }
        at = body + len + (len & 1);
    }
    return std::nullopt;
}

// Whether a PulseAudio or PipeWire server's socket is there; a server named by a
// network address counts as there, since only trying can tell.
bool SoundServerPresent() {
    std::string path;
    if (const char* s = std::getenv("PULSE_SERVER"); s && *s) {
        path = s;
        if (path.rfind("unix:", 0) == 0) path.erase(0, 5);
        if (path.front() != '/') return true;
    } else if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt && *rt) {
        path = std::string(rt) + "/pulse/native";
    } else {
        return false;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// Called from the event loop, never from inside the member that ended the sound.
void Later(QObject* context, SoundDone done) {
    if (done) QMetaObject::invokeMethod(context, std::move(done), Qt::QueuedConnection);
}

}  // namespace

QtSoundPlayer::QtSoundPlayer(QObject* parent) : QObject(parent) {
    fallback_ =
        QCoreApplication::applicationDirPath().toStdString() + "/" + std::string(kUnknownScanFile);
    watch_.setInterval(50);
    connect(&watch_, &QTimer::timeout, this, &QtSoundPlayer::Watch);
    toneWatch_.setInterval(10);
    connect(&toneWatch_, &QTimer::timeout, this, &QtSoundPlayer::WatchTone);
}

QtSoundPlayer::~QtSoundPlayer() {
    Release();
    if (toneSink_) toneSink_->stop();
}

bool QtSoundPlayer::IsPlaying() const {
    return pending_ || sink_ || media_ || tonePending_ || toneSink_;
}

void QtSoundPlayer::Release() {
    ++attempt_;
    watch_.stop();
    // Deleted later: this may run inside a signal of the object itself.
    if (sink_) {
        sink_->disconnect(this);
        if (pcmEnded_) {
            // Only the server's last buffer is left: let it be heard.
            QTimer::singleShot(kDrainMs, sink_, [s = sink_.data()] {
                s->stop();
                s->deleteLater();
            });
        } else {
            sink_->stop();
            sink_->deleteLater();
        }
        if (source_) source_->setParent(sink_);
    }
    if (media_) {
        media_->disconnect(this);
        media_->stop();
        media_->deleteLater();
    }
    if (output_) output_->deleteLater();
    sink_ = nullptr;
    source_ = nullptr;
    media_ = nullptr;
    output_ = nullptr;
    pcmEnded_ = false;
}

void QtSoundPlayer::Ended() {
    Release();
    Later(this, std::exchange(done_, nullptr));
}

void QtSoundPlayer::Play(const std::string& file, PlayMode mode, SoundDone done) {
    // Only the request is noted here; the previous sound ends when this one starts.
    Later(this, std::exchange(done_, std::move(done)));
    const quint64 request = ++request_;
    file_ = file;
    mode_ = mode;
    pending_ = true;
    QMetaObject::invokeMethod(
        this, [this, request] { StartRequested(request); }, Qt::QueuedConnection);
}

void QtSoundPlayer::StartRequested(quint64 request) {
    if (request != request_) return;
    pending_ = false;
    Release();
    QString path = QString::fromStdString(file_);
    bool isFallback = false;
    if (!Playable(path)) {
        path = QString::fromStdString(fallback_);
        isFallback = true;
    }
    if (!Playable(path) || !AudioReachable()) return Ended();
    Start(path, isFallback);
}

bool QtSoundPlayer::AudioReachable() {
    if (!QMediaDevices::defaultAudioOutput().isNull()) return true;
    // Qt looks for a sound server once, at start-up; GStreamer looks again with every
    // player, so a server that started since can still be reached. Without one, its
    // player would play into nothing: a failing pipeline per scan, for no sound.
    if (!SoundServerPresent()) return false;
    if (noAudio_.isValid() && noAudio_.elapsed() < kNoAudioRetryMs) return false;
    noAudio_.invalidate();
    return true;
}

void QtSoundPlayer::Start(const QString& path, bool isFallback) {
    path_ = path;
    playingFallback_ = isFallback;
    StartEngine(Engine::Pcm);
}

bool QtSoundPlayer::StartPcm(quint64 attempt) {
    auto wav = ReadWav(path_);
    if (!wav) return false;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(wav->format)) return false;
    pcmMs_ = qint64(wav->data.size()) * 1000 / wav->format.bytesForDuration(1000000);
    auto* sink = new QAudioSink(device, wav->format, this);
    auto* source = new PcmDevice(std::move(wav->data), mode_ == PlayMode::Loop, sink);
    source->open(QIODevice::ReadOnly);
    sink_ = sink;
    source_ = source;
    connect(sink, &QAudioSink::stateChanged, this, [this, attempt, sink, source](QAudio::State s) {
        if (attempt != attempt_) return;
        if (s == QAudio::IdleState && source->atEnd()) pcmEnded_ = true;
        if (s == QAudio::StoppedState && sink->error() != QAudio::NoError) OnFailed(attempt);
    });
    sink->start(source);
    return sink->error() == QAudio::NoError;
}

void QtSoundPlayer::StartEngine(Engine engine) {
    Release();
    engine_ = engine;
    const quint64 attempt = attempt_;
    started_.start();
    sinceProgress_.start();
    lastPosition_ = -1;
    watch_.start();
    if (engine == Engine::Pcm) {
        if (!StartPcm(attempt) && attempt == attempt_) StartEngine(Engine::Media);
        return;
    }
    output_ = new QAudioOutput(this);
    auto* p = new QMediaPlayer(this);
    media_ = p;
    p->setAudioOutput(output_);
    connect(p, &QMediaPlayer::errorOccurred, this, [this, attempt] { OnFailed(attempt); });
    connect(p, &QMediaPlayer::mediaStatusChanged, this,
            [this, attempt](QMediaPlayer::MediaStatus s) { OnMediaStatus(attempt, s); });
    p->setSource(QUrl::fromLocalFile(path_));
    if (attempt == attempt_ && media_) p->play();
}

void QtSoundPlayer::Watch() {
    // The sink runs dry as soon as the server has taken the data; the sound has ended
    // only once its own length has passed as well.
    if (sink_ && pcmEnded_ && started_.elapsed() >= pcmMs_) return Ended();
    const qint64 pos = sink_ ? sink_->processedUSecs() : media_ ? media_->position() : 0;
    if (pos != lastPosition_) {
        lastPosition_ = pos;
        sinceProgress_.restart();
    } else if (sinceProgress_.elapsed() > kStallMs) {
        // Trying another engine or the fallback would only stall again.
        Ended();
    }
}

void QtSoundPlayer::OnMediaStatus(quint64 attempt, int status) {
    if (attempt != attempt_ || !media_) return;
    if (status == QMediaPlayer::InvalidMedia) return OnFailed(attempt);
    if (status != QMediaPlayer::EndOfMedia) return;
    if (mode_ != PlayMode::Loop) return Ended();
    // Qt 6.4's GStreamer backend ignores setLoops and can't rewind a finished stream:
    // each round starts on a fresh player.
    QTimer::singleShot(0, this, [this, attempt] {
        if (attempt == attempt_) StartEngine(Engine::Media);
    });
}

void QtSoundPlayer::OnFailed(quint64 attempt) {
    if (attempt != attempt_) return;
    if (engine_ == Engine::Pcm) return StartEngine(Engine::Media);
    const QString fallback = QString::fromStdString(fallback_);
    if (!playingFallback_ && Playable(fallback)) return Start(fallback, true);
    // Most likely no output at all: don't build a failing player for every scan.
    if (QMediaDevices::defaultAudioOutput().isNull()) noAudio_.start();
    Ended();
}

void QtSoundPlayer::Stop(bool /*wait*/) {
    // Both engines are silent when their stop() returns, so both forms behave alike.
    ++request_;
    pending_ = false;
    Ended();
}

void QtSoundPlayer::Tone(std::int32_t hz, std::int32_t ms, SoundDone done) {
    EndTone();
    toneDone_ = std::move(done);
    // Like the desktop beep: a tone it can't make fails quietly. Frequencies above
    // 20 kHz are inaudible and would fold back into audible ones at this rate.
    if (hz < 37 || hz > 20000 || ms <= 0) return EndTone();
    const quint64 request = ++toneRequest_;
    tonePending_ = true;
    QMetaObject::invokeMethod(
        this, [this, request, hz, ms] { StartTone(request, hz, ms); }, Qt::QueuedConnection);
}

void QtSoundPlayer::StartTone(quint64 request, std::int32_t hz, std::int32_t ms) {
    if (request != toneRequest_) return;
    tonePending_ = false;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    QAudioFormat format;
    format.setSampleRate(kToneRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isNull() || !device.isFormatSupported(format)) return EndTone();

    auto* sink = new QAudioSink(device, format, this);
    auto* source = new ToneDevice(hz, qint64(ms) * kToneRate / 1000, sink);
    source->open(QIODevice::ReadOnly);
    toneSink_ = sink;
    toneSource_ = source;
    toneMs_ = ms;
    toneStarted_.start();
    sink->start(source);
    if (sink->error() != QAudio::NoError) return EndTone();
    toneWatch_.start();
}

void QtSoundPlayer::WatchTone() {
    if (!toneSink_) return EndTone();
    const bool drained =
        toneSource_ && toneSource_->atEnd() && toneSink_->state() != QAudio::ActiveState;
    const bool failed =
        toneSink_->state() == QAudio::StoppedState && toneSink_->error() != QAudio::NoError;
    // The sink reports idle once it has taken the data; the server still plays its
    // buffer, so the tone ends only once its own length has passed.
    const qint64 elapsed = toneStarted_.elapsed();
    if (failed || (drained && elapsed >= toneMs_) || elapsed > toneMs_ + kStallMs) EndTone();
}

void QtSoundPlayer::EndTone() {
    ++toneRequest_;
    tonePending_ = false;
    toneWatch_.stop();
    if (toneSink_) {
        toneSink_->stop();
        toneSink_->deleteLater();
        toneSink_ = nullptr;
    }
    Later(this, std::exchange(toneDone_, nullptr));
}

}  // namespace blenvar
