// Runs each transcript: a header of settings, lines of timestamped key events, a blank
// line, then what the machine must answer and when. The runner plays the caller's timer:
// it ticks at every deadline the machine reports, unless the header says "timer late".
//
// Header:  mode training   start A,S,V,C   stop A,S,V,C   timer late   scanner <gap ms>
// Events:  <ms> followed by events A,S,V,C or keystrokes S,V,C (press, character, release);
//          a word @name makes the following events come from that device (@scanner is the
//          scanner in scanner mode)
//          <ms> tick   <ms> train | stop (the training button)
// Output:  <ms> c|p for each event of the line (consumed, passed)   <ms> tray N
//          <ms> scan "raw"   <ms> trained A,S,V,C A,S,V,C after N   <ms> Couldn't get...
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/capture_machine.h"
#include "capture/training_machine.h"
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
            if (first == "mode") trainer_.Begin();
            if (first == "start") start_ = Trained(arg);
            if (first == "stop") stop_ = Trained(arg);
            capture_.SetKeys(start_, stop_);
            if (first == "timer") lateTimer_ = true;
            if (first == "scanner") capture_.SetScannerMode(true, std::stoull(arg));
            if (std::isdigit(first[0])) Step(ms_ = std::stoull(first), arg, words);
        }
        if (deadline_) Tick(*deadline_);
        return out_;
    }

  private:
    void Step(std::uint64_t ms, std::string what, std::istream& rest) {
        if (!lateTimer_ && deadline_ && *deadline_ <= ms) Tick(*deadline_);
        ms_ = ms;
        if (what == "tick") return Tick(ms);
        if (what == "stop") return Report(trainer_.Finish());
        if (what == "train") return trainer_.Begin();
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

    std::string Key(const KeyEvent& e) {
        int result = kPassKey;
        if (trainer_.Training()) {
            const TrainingStep step = trainer_.OnKey(e);
            std::tie(result, recorded_, deadline_) =
                std::tie(step.result, step.recorded, step.deadline);
        } else {
            const CaptureStep step = capture_.OnKey(e);
            Show(step);
            result = step.result;
        }
        return result == kConsumeKey ? "c" : "p";
    }

    void Tick(std::uint64_t ms) {
        ms_ = ms;
        deadline_.reset();
        if (!trainer_.Training()) return Show(capture_.Tick(ms));
        if (auto outcome = trainer_.Tick(ms)) Report(*outcome);
    }

    void Show(const CaptureStep& step) {
        if (step.scan) Say("scan \"" + *step.scan + "\"");
        if (step.trayImage) Say("tray " + std::to_string(step.trayImage));
        deadline_ = step.deadline;
    }

    void Report(const TrainingOutcome& outcome) {
        deadline_.reset();
        if (!outcome.Good()) return Say(std::string(outcome.Message()));
        Say("trained " + KeyText(*outcome.start) + " " + KeyText(*outcome.stop) + " after " +
            std::to_string(recorded_) + (outcome.device.empty() ? "" : " from " + outcome.device));
    }

    void Say(const std::string& what) { out_ += std::to_string(ms_) + " " + what + "\n"; }

    TrainedKey start_, stop_;
    bool lateTimer_ = false;
    std::uint64_t ms_ = 0;
    std::optional<std::uint64_t> deadline_;
    int recorded_ = 0;
    std::string out_;
    CaptureMachine capture_;
    TrainingMachine trainer_;
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
