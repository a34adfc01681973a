#pragma once
// A serial scanner's bytes cut into scans by silence: a scan is what arrived before the
// port fell silent for the scan gap, less one CR, LF or CR LF at its end. A multi-line
// 2D code sent in one burst stays one scan, and a scanner that sends no terminator is
// served by the gap alone.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace blenvar {

class SerialFraming {
  public:
    explicit SerialFraming(std::uint64_t gapMs) : gapMs_(gapMs) {}
    void Feed(std::string_view bytes, std::uint64_t nowMs);
    // When the open scan closes unless more bytes come.
    std::optional<std::uint64_t> Deadline() const;
    // The scan, as UTF-8, once its deadline passed; nothing for bare terminators.
    std::optional<std::string> Tick(std::uint64_t nowMs);
    // The port went away. What ended at CR or LF is a whole scan and is returned; a part
    // without its terminator is dropped, and `cut` says so.
    std::optional<std::string> Close(bool& cut);

  private:
    std::optional<std::string> Take();

    std::uint64_t gapMs_;
    std::uint64_t last_ = 0;
    std::string bytes_;
};

}  // namespace blenvar
