// Runs each transcript: a header of trained events, timestamped key events, a blank line,
// then what the machine must answer and when. The runner plays the caller's timer: it
// ticks at every deadline the machine reports (unless the header says "timer late").
//
// Header:  mode capture|training   start A,S,V,C   stop A,S,V,C   timer late
// Events:  <ms> A,S,V,C   <ms> key S,V,C (press, character, release)   <ms> tick
//          <ms> train | stop (the button)
// Output:  <ms> pass|consume (one word per event of the line)   <ms> tray N
//          <ms> scan "raw"   <ms> trained A,S,V,C A,S,V,C after N   <ms> no good scan
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/capture_machine.h"
#include "capture/training_machine.h"

namespace blenvar {
namespace {

std::vector<int> Numbers(const std::string& text) {
    std::vector<int> out;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) out.push_back(std::stoi(part));
    return out;
}

std::string Text(const TrainedKey& k) {
    std::ostringstream out;
    out << k.Action << ',' << k.State << ',' << k.VCode << ',' << k.SCode;
    return out.str();
}

TrainedKey Trained(const std::string& text) {
    const auto n = Numbers(text);
    return {static_cast<std::int16_t>(n.at(0)), static_cast<std::int16_t>(n.at(1)),
            static_cast<std::int16_t>(n.at(2)), static_cast<std::int16_t>(n.at(3))};
}

class Player {
  public:
    explicit Player(std::istream& in) {
        std::string line;
        while (std::getline(in, line) && !line.empty()) {
            if (line[0] == '#') continue;
            std::istringstream words(line);
            std::string first, arg;
            words >> first >> arg;
            if (first == "mode")
                training_ = arg == "training";
            else if (first == "start")
                start_ = Trained(arg);
            else if (first == "stop")
                stop_ = Trained(arg);
            else if (first == "timer")
                lateTimer_ = true;
            else
                events_.push_back(line);
        }
        for (; std::getline(in, line);)
            if (!line.empty() && line[0] != '#') expected.push_back(line);
    }

    std::vector<std::string> Play() {
        capture_.SetKeys(start_, stop_);
        if (training_) trainer_.Begin();
        for (const std::string& line : events_) {
            std::istringstream words(line);
            std::uint64_t ms = 0;
            std::string what, arg;
            words >> ms >> what >> arg;
            if (!lateTimer_ && deadline_ && *deadline_ <= ms) Tick(*deadline_);
            if (what == "tick")
                Tick(ms);
            else if (what == "stop")
                Report(ms, trainer_.Finish());
            else if (what == "train")
                trainer_.Begin();
            else if (what == "key") {
                const auto n = Numbers(arg);
                std::string answers;
                for (int action : {1, 4, 2})
                    answers += Key({action, n.at(0), n.at(1), n.at(2), ms, {}}, ms) + " ";
                Say(ms, answers.substr(0, answers.size() - 1));
            } else {
                const auto n = Numbers(what);
                Say(ms, Key({n.at(0), n.at(1), n.at(2), n.at(3), ms, {}}, ms));
            }
        }
        if (deadline_) Tick(*deadline_);
        return actual_;
    }

    std::vector<std::string> expected;

  private:
    std::string Key(const KeyEvent& e, std::uint64_t ms) {
        if (training_) {
            const TrainingStep step = trainer_.OnKey(e);
            recorded_ = step.recorded;
            deadline_ = step.deadline;
            return step.result == kConsumeKey ? "consume" : "pass";
        }
        const CaptureStep step = capture_.OnKey(e);
        Show(ms, step);
        return step.result == kConsumeKey ? "consume" : "pass";
    }

    void Tick(std::uint64_t ms) {
        deadline_.reset();
        if (!training_) return Show(ms, capture_.Tick(ms));
        if (auto outcome = trainer_.Tick(ms)) Report(ms, *outcome);
    }

    void Show(std::uint64_t ms, const CaptureStep& step) {
        if (step.scan) Say(ms, "scan \"" + *step.scan + "\"");
        if (step.trayImage) Say(ms, "tray " + std::to_string(step.trayImage));
        deadline_ = step.deadline;
    }

    void Report(std::uint64_t ms, const TrainingOutcome& outcome) {
        deadline_.reset();
        if (!outcome.Good()) return Say(ms, std::string(kNoGoodScanMessage));
        Say(ms, "trained " + Text(*outcome.start) + " " + Text(*outcome.stop) + " after " +
                    std::to_string(recorded_));
    }

    void Say(std::uint64_t ms, const std::string& what) {
        actual_.push_back(std::to_string(ms) + " " + what);
    }

    bool training_ = false;
    bool lateTimer_ = false;
    TrainedKey start_, stop_;
    std::vector<std::string> events_;
    std::vector<std::string> actual_;
    std::optional<std::uint64_t> deadline_;
    int recorded_ = 0;
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

class Transcript : public testing::TestWithParam<std::string> {};

TEST_P(Transcript, AnswersAsWritten) {
    std::ifstream in(std::string(BLENVAR_TRANSCRIPTS) + "/" + GetParam() + ".t");
    ASSERT_TRUE(in) << GetParam();
    Player player(in);
    const auto actual = player.Play();
    const auto join = [](const std::vector<std::string>& lines) {
        std::string out;
        for (const auto& l : lines) out += l + "\n";
        return out;
    };
    EXPECT_EQ(join(player.expected), join(actual));
}

INSTANTIATE_TEST_SUITE_P(Capture, Transcript, testing::ValuesIn(Transcripts()),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace blenvar
