#pragma once
// Sound player on Qt Multimedia (GStreamer backend): sound files through QMediaPlayer,
// tones as generated PCM through QAudioSink.
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <string>

#include "components/sound/sound_player.h"

class QMediaPlayer;
class QAudioSink;
class QIODevice;
class QAudioOutput;

namespace blenvar {

// Selects the GStreamer media backend unless QT_MEDIA_BACKEND is set already.
// Call it before the QCoreApplication / QGuiApplication is created: Qt 6.4's FFmpeg
// backend plays silence on these desktops.
void SelectQtSoundBackend();

class QtSoundPlayer : public QObject, public SoundPlayer {
    Q_OBJECT
  public:
    // The fallback file sounds in place of a file that is missing or can't be played,
    // as the desktop's default sound would; it defaults to boin.wav in the program's folder.
    explicit QtSoundPlayer(QObject* parent = nullptr);
    ~QtSoundPlayer() override;

    void Play(const std::string& file, PlayMode mode) override;
    void Stop(bool wait) override;
    void Tone(std::int32_t hz, std::int32_t ms) override;

    // An empty fallback keeps a missing or unplayable file silent.
    void SetFallbackFile(std::string file) { fallback_ = std::move(file); }
    const std::string& FallbackFile() const { return fallback_; }
    bool IsPlaying() const;

  private:
    enum class Engine { Pcm, Media };
    void Start(const QString& path, PlayMode mode, bool isFallback);
    void StartEngine(Engine engine);
    bool StartPcm(quint64 attempt);
    void OnFailed(quint64 attempt);
    void OnMediaStatus(quint64 attempt, int status);
    bool Busy() const;
    void Release();

    std::string fallback_;
    // PCM WAV files play straight into a QAudioSink (little latency, exact loops, no
    // clipped ending); anything else goes to QMediaPlayer.
    QPointer<QAudioSink> sink_;
    QPointer<QIODevice> source_;
    bool pcmEnded_ = false;
    qint64 pcmMs_ = 0;
    QPointer<QMediaPlayer> media_;
    QAudioOutput* output_ = nullptr;
    QString path_;
    PlayMode mode_ = PlayMode::Async;
    Engine engine_ = Engine::Pcm;
    bool playingFallback_ = false;
    quint64 attempt_ = 0;  // changes whenever an engine starts or stops
    quint64 request_ = 0;  // changes with every Play and Stop
};

}  // namespace blenvar
