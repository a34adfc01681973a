// How long each play mode of the real player takes to return, and how long a sound takes
// to end. Run it with and without an audio server:
//   tests/support/with-desktop --audio -- bin/bench_sound
//   env -u PULSE_SERVER XDG_RUNTIME_DIR=/tmp/empty bin/bench_sound
#include <benchmark/benchmark.h>

#include <QAudioDevice>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMediaDevices>
#include <string>

#include "platform/qt/qt_sound_player.h"

namespace {

blenvar::QtSoundPlayer* player = nullptr;
const char* audio = "";

std::string Zing() {
    return (QCoreApplication::applicationDirPath() + "/zing.wav").toStdString();
}

// Runs the event loop until the player is idle; only the benchmark waits like this.
void Settle() {
    while (player->IsPlaying()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();
}

// The call a scan's delivery makes: it must return at once, audio server or not.
void BM_PlayAsyncReturn(benchmark::State& state) {
    for (auto _ : state) {
        player->Play(Zing(), blenvar::PlayMode::Once, {});
        state.PauseTiming();
        player->Stop(true);
        Settle();
        state.ResumeTiming();
    }
    state.SetLabel(audio);
}
// What the same play then costs the event loop (building the player), off the delivery path.
void BM_PlayAsyncEventLoopWork(benchmark::State& state) {
    for (auto _ : state) {
        player->Play(Zing(), blenvar::PlayMode::Once, {});
        QCoreApplication::processEvents();
        state.PauseTiming();
        player->Stop(true);
        Settle();
        state.ResumeTiming();
    }
    state.SetLabel(audio);
}
void BM_PlayUntilDone(benchmark::State& state) {
    for (auto _ : state) {
        bool done = false;
        player->Play(Zing(), blenvar::PlayMode::Once, [&] { done = true; });
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    state.SetLabel(audio);
}
void BM_LoopThenStop(benchmark::State& state) {
    for (auto _ : state) {
        player->Play(Zing(), blenvar::PlayMode::Loop, {});
        QCoreApplication::processEvents();
        player->Stop(true);
    }
    Settle();
    state.SetLabel(audio);
}
void BM_ToneUntilDone100ms(benchmark::State& state) {
    for (auto _ : state) {
        bool done = false;
        player->Tone(880, 100, [&] { done = true; });
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    state.SetLabel(audio);
}

BENCHMARK(BM_PlayAsyncReturn)->Unit(benchmark::kMicrosecond)->Iterations(50);
BENCHMARK(BM_PlayAsyncEventLoopWork)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_PlayUntilDone)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_LoopThenStop)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_ToneUntilDone100ms)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    blenvar::SelectQtSoundBackend();
    QCoreApplication app(argc, argv);
    audio = QMediaDevices::defaultAudioOutput().isNull() ? "no audio server" : "audio server";
    blenvar::QtSoundPlayer p;
    player = &p;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
