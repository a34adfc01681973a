#pragma once
// Sound player on Qt Multimedia (GStreamer backend): PCM WAV files straight into a
// QAudioSink, other files through QMediaPlayer, tones as generated PCM.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <string>

#include "components/sound/sound_player.h"
#include "platform/qt/lazy_sound_player.h"  // SelectQtSoundBackend

class QMediaPlayer;
class QAudioSink;
class QIODevice;
class QAudioOutput;

namespace blenvar {

// Play and Tone only note the request and return; the player is built on the next turn
// of the event loop, so a scan's delivery never waits for the audio system. Without an
// audio output the player stays silent at the cost of a stat(), and plays again once a
// sound server's socket appears.
class QtSoundPlayer : public QObject, public SoundPlayer {
    Q_OBJECT
  public:
    // The fallback file sounds in place of a file that is missing or can't be played,
    // as the desktop's default sound would; it defaults to the unknown-scan sound in the
    // program's folder.
    explicit QtSoundPlayer(QObject* parent = nullptr);
    ~QtSoundPlayer() override;

    void Play(const std::string& file, PlayMode mode, SoundDone done) override;
    void Stop(bool wait) override;
    void Tone(std::int32_t hz, std::int32_t ms, SoundDone done) override;
    bool IsPlaying() const override;

    // An empty fallback keeps a missing or unplayable file silent.

  private:
    enum class Engine { Pcm, Media };
    void StartRequested(quint64 request);
    void Start(const QString& path, bool isFallback);
    void StartEngine(Engine engine);
    bool StartPcm(quint64 attempt);
    void OnFailed(quint64 attempt);
    void OnMediaStatus(quint64 attempt, int status);
    void Watch();
    void Ended();
    bool AudioReachable();
    void Release();
    void StartTone(quint64 request, std::int32_t hz, std::int32_t ms);
    void WatchTone();
    void EndTone();

    std::string fallback_;
    QPointer<QAudioSink> sink_;
    QPointer<QIODevice> source_;
    bool pcmEnded_ = false;
    qint64 pcmMs_ = 0;
    QPointer<QMediaPlayer> media_;
    QAudioOutput* output_ = nullptr;

    std::string file_;  // the request waiting for the event loop
    QString path_;
    PlayMode mode_ = PlayMode::Once;
    SoundDone done_;
    bool pending_ = false;
    Engine engine_ = Engine::Pcm;
    bool playingFallback_ = false;
    quint64 attempt_ = 0;  // changes whenever an engine starts or stops
    quint64 request_ = 0;  // changes with every Play and Stop
    QTimer watch_;         // end by length and stall guard while a sound plays
    QElapsedTimer started_;
    QElapsedTimer sinceProgress_;
    qint64 lastPosition_ = -1;

    QElapsedTimer noAudio_;  // since a player failed with no output Qt knows of

    QPointer<QAudioSink> toneSink_;
    QPointer<QIODevice> toneSource_;
    SoundDone toneDone_;
    bool tonePending_ = false;
    quint64 toneRequest_ = 0;
    qint64 toneMs_ = 0;
    QTimer toneWatch_;
    QElapsedTimer toneStarted_;
};

}  // namespace blenvar
