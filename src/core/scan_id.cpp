#include "core/scan_id.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <random>

namespace blenvar {

std::string NewScanId() {
    // Seeded once from the system's entropy; the lock keeps two threads off one engine.
    static std::mutex lock;
    static std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    std::array<std::uint8_t, 16> b{};
    {
        std::lock_guard<std::mutex> hold(lock);
        for (std::size_t i = 0; i < b.size(); i += 8) {
            const std::uint64_t v = engine();
            for (std::size_t k = 0; k < 8; ++k) b[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
        }
    }
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kHex[b[i] >> 4];
        text += kHex[b[i] & 0x0F];
    }
    return text;
}

}  // namespace blenvar
