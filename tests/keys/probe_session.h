#pragma once
// Runs blenvar-keyprobe on the current DISPLAY and reads what it recorded.
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#ifdef BLENVAR_KEYPROBE
#include <gtest/gtest.h>
#endif

namespace blenvar::testing {
class Spawned;
class TempIni;
}  // namespace blenvar::testing

namespace blenvar::test {

class ProbeSession {
  public:
    ProbeSession();
    ~ProbeSession();
    ProbeSession(const ProbeSession&) = delete;
    ProbeSession& operator=(const ProbeSession&) = delete;

    // Starts the probe and waits until it holds the keyboard focus.
    bool Start(const std::string& probePath, std::string& error);

    std::size_t Size() const;
    // Text recorded after byte `from`, once at least `bytes` of it arrived (or
    // the timeout passed) and then `quietMs` went by without more.
    std::string ReadSince(std::size_t from, std::size_t bytes, int timeoutMs = 5000,
                          int quietMs = 100) const;

  private:
    std::unique_ptr<testing::TempIni> dir_;
    std::unique_ptr<testing::Spawned> probe_;
    std::string outPath_;
};

#ifdef BLENVAR_KEYPROBE  // the test binaries that share the probe
// A suite that shares one focused probe window, started before its first test.
class ProbeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under tests/support/with-desktop --x";
        probe_ = std::make_unique<ProbeSession>();
        std::string error;
        ASSERT_TRUE(probe_->Start(BLENVAR_KEYPROBE, error)) << error;
    }
    static void TearDownTestSuite() { probe_.reset(); }

    // What the probe window receives while `act` runs, once `bytes` of it arrived.
    template <typename Act>
    static std::string Received(std::size_t bytes, Act&& act) {
        const std::size_t from = probe_->Size();
        act();
        return probe_->ReadSince(from, bytes);
    }

    static inline std::unique_ptr<ProbeSession> probe_;
};
#endif

}  // namespace blenvar::test
