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
    return Take();
}

std::optional<std::string> SerialFraming::Take() {
    std::string_view scan = bytes_;
    if (scan.ends_with('\n')) scan.remove_suffix(1);
    if (scan.ends_with('\r')) scan.remove_suffix(1);
    std::optional<std::string> out;
    if (!scan.empty()) out = ScannerBytesToUtf8(scan);
    bytes_.clear();
    return out;
}

std::optional<std::string> SerialFraming::Close(bool& cut) {
    cut = false;
    if (bytes_.ends_with('\r') || bytes_.ends_with('\n')) return Take();
    cut = !bytes_.empty();
    bytes_.clear();
    return std::nullopt;
}

}  // namespace blenvar
