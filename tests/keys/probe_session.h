#pragma once
// Runs blenvar-keyprobe on the current DISPLAY and reads what it recorded.
#include <cstddef>
#include <memory>
#include <string>

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

}  // namespace blenvar::test
