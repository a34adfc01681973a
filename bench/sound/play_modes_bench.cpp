// How long each play mode of the real player takes to return. Needs an audio server:
//   tests/support/with-desktop --audio -- bin/bench_sound
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <string>

#include "platform/qt_sound_player.h"

namespace {

blenvar::QtSoundPlayer* player = nullptr;

std::string Zing() {
    return (QCoreApplication::applicationDirPath() + "/zing.wav").toStdString();
}

void BM_PlayWait(benchmark::State& state) {
    for (auto _ : state) player->Play(Zing(), blenvar::PlayMode::Wait);
}
void BM_PlayAsync(benchmark::State& state) {
    for (auto _ : state) player->Play(Zing(), blenvar::PlayMode::Async);
    player->Stop(true);
}
void BM_LoopThenStop(benchmark::State& state) {
    for (auto _ : state) {
        player->Play(Zing(), blenvar::PlayMode::Loop);
        player->Stop(true);
    }
}
void BM_PlayMissingFileSilently(benchmark::State& state) {
    player->SetFallbackFile("");
    for (auto _ : state) player->Play("/nonexistent.wav", blenvar::PlayMode::Wait);
    player->SetFallbackFile((QCoreApplication::applicationDirPath() + "/boin.wav").toStdString());
}
void BM_Tone100ms(benchmark::State& state) {
    for (auto _ : state) player->Tone(880, 100);
}

BENCHMARK(BM_PlayWait)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PlayAsync)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_LoopThenStop)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_PlayMissingFileSilently)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tone100ms)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    blenvar::SelectQtSoundBackend();
    QCoreApplication app(argc, argv);
    blenvar::QtSoundPlayer p;
    player = &p;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
