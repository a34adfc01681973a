#include "capture/serial_framing.h"

#include "capture/hid_pos.h"

namespace blenvar {

void SerialFraming::Feed(std::string_view bytes, std::uint64_t nowMs) {
    if (bytes.empty()) return;
    bytes_ += bytes;
    last_ = nowMs;
}

std::optional<std::uint64_t> SerialFraming::Deadline() const {
    if (bytes_.empty()) return std::nullopt;
    return last_ + gapMs_;
}

std::optional<std::string> SerialFraming::Tick(std::uint64_t nowMs) {
    if (bytes_.empty() || nowMs < last_ + gapMs_) return std::nullopt;
    std::string_view scan = bytes_;
    if (scan.ends_with('\n')) scan.remove_suffix(1);
    if (scan.ends_with('\r')) scan.remove_suffix(1);
    std::optional<std::string> out;
    if (!scan.empty()) out = ScannerBytesToUtf8(scan);
    bytes_.clear();
    return out;
}

bool SerialFraming::Abandon() {
    const bool half = !bytes_.empty();
    bytes_.clear();
    return half;
}

}  // namespace blenvar
