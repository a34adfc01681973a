// Runs each transcript through the capture coordinator: a header of settings, lines of
// timestamped key events, a blank line, then what it must answer and report, and when.
// The runner plays the caller's timer: it ticks at every deadline the coordinator
// reports, unless the header says "timer late".
//
// Header:  mode training   start A,S,V,C   stop A,S,V,C   timer late   scanner <gap ms>
// Events:  <ms> followed by events A,S,V,C or keystrokes S,V,C (press, character, release);
//          a word @name makes the following events come from that device (@scanner is the
//          scanner in scanner mode)
//          <ms> tick   <ms> train | stop (the training button)   <ms> unplug (the scan's
//          device went away)   <ms> dropped (the kernel dropped some of its events)
// Output:  <ms> c|p for each event of the line (consumed, passed)   <ms> tray N
//          <ms> scan "raw"   <ms> trained A,S,V,C A,S,V,C after N   <ms> Couldn't get...
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/capture_coordinator.h"
#include "support/key_text.h"

namespace blenvar {
namespace {

std::vector<int> Numbers(const std::string& text) {
    std::vector<int> out;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) out.push_back(std::stoi(part));
    return out;
}

TrainedKey Trained(const std::string& text) {
    const auto n = Numbers(text);
    return {static_cast<std::int16_t>(n.at(0)), static_cast<std::int16_t>(n.at(1)),
            static_cast<std::int16_t>(n.at(2)), static_cast<std::int16_t>(n.at(3))};
}

using testing::KeyText;

class Player {
  public:
    std::string Play(std::istream& in) {
        std::string line;
        while (std::getline(in, line) && !line.empty()) {
            std::istringstream words(line);
            std::string first, arg;
            words >> first >> arg;
            if (first == "mode") coordinator_.StartTraining();
            if (first == "start") start_ = Trained(arg);
            if (first == "stop") stop_ = Trained(arg);
            if (first == "start" || first == "stop") coordinator_.SetKeys(start_, stop_);
            if (first == "timer") lateTimer_ = true;
            if (first == "scanner") coordinator_.SetScannerMode(true, std::stoull(arg));
            if (std::isdigit(first[0])) Step(ms_ = std::stoull(first), arg, words);
        }
        if (const auto deadline = coordinator_.Deadline()) Tick(*deadline);
        return out_;
    }

  private:
    void Step(std::uint64_t ms, std::string what, std::istream& rest) {
        const auto deadline = coordinator_.Deadline();
        if (!lateTimer_ && deadline && *deadline <= ms) Tick(*deadline);
        ms_ = ms;
        if (what == "tick") return Tick(ms);
        if (what == "stop") return coordinator_.StopTraining();
        if (what == "train") return coordinator_.StartTraining();
        if (what == "unplug") return coordinator_.CloseScan();
        if (what == "dropped") return coordinator_.DamageScan();
        std::string answers;
        std::string device;
        for (; !what.empty(); what.clear(), rest >> what) {
            if (what[0] == '@') {
                device = what.substr(1);
                continue;
            }
            const auto n = Numbers(what);
            const bool scanner = device == "scanner";
            if (n.size() == 4) answers += Key({n[0], n[1], n[2], n[3], ms, device, scanner});
            for (int action : {1, 4, 2})
                if (n.size() == 3) answers += Key({action, n[0], n[1], n[2], ms, device, scanner});
        }
        Say(answers);
    }

    std::string Key(const KeyEvent& e) { return coordinator_.OnKey(e) == kConsumeKey ? "c" : "p"; }

    void Tick(std::uint64_t ms) {
        ms_ = ms;
        coordinator_.Tick(ms);
    }

    CaptureCoordinator::Reports Reports() {
        CaptureCoordinator::Reports r;
        r.tray = [this](int image) { Say("tray " + std::to_string(image)); };
        r.scanClosed = [this](const std::string& raw) { Say("scan \"" + raw + "\""); };
        r.trainingRecorded = [this](int events, int) { recorded_ = events; };
        r.trainingFinished = [this](const TrainingOutcome& outcome) {
            if (!outcome.Good()) return Say(std::string(outcome.Message()));
            Say("trained " + KeyText(*outcome.start) + " " + KeyText(*outcome.stop) + " after " +
                std::to_string(recorded_) +
                (outcome.device.empty() ? "" : " from " + outcome.device));
        };
        return r;
    }

    void Say(const std::string& what) { out_ += std::to_string(ms_) + " " + what + "\n"; }

    TrainedKey start_, stop_;
    bool lateTimer_ = false;
    std::uint64_t ms_ = 0;
    int recorded_ = 0;
    std::string out_;
    CaptureCoordinator coordinator_{Reports()};
};

std::vector<std::string> Transcripts() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(BLENVAR_TRANSCRIPTS))
        if (entry.path().extension() == ".t") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Transcript : public ::testing::TestWithParam<std::string> {};

TEST_P(Transcript, AnswersAsWritten) {
    std::ifstream in(std::string(BLENVAR_TRANSCRIPTS) + "/" + GetParam() + ".t");
    ASSERT_TRUE(in);
    const std::string actual = Player().Play(in);
    std::string expected;
    for (std::string line; std::getline(in, line);) expected += line + "\n";
    EXPECT_EQ(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(Capture, Transcript, ::testing::ValuesIn(Transcripts()),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace blenvar
