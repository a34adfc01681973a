#pragma once
// Self-checking value contents for the crash test: the text names its round and slot and
// is padded to a length that varies with both, so a torn write can't pass for a whole one.
#include <cstdio>
#include <optional>
#include <string>

namespace blenvar::test {

inline constexpr int kCrashSlots = 6;

inline std::string CrashPayload(long round, int slot) {
    std::string s = "round=" + std::to_string(round) + ";slot=" + std::to_string(slot) + ";";
    const std::size_t len = 200 + static_cast<std::size_t>((round * 7919 + slot * 104729) % 40000);
    s.append(len, static_cast<char>('a' + (round + slot) % 26));
    return s;
}

// The round a value was written in, or nothing when it is not an intact payload of `slot`.
inline std::optional<long> CrashRound(const std::string& s, int slot) {
    long round = -1;
    int got = -1;
    if (std::sscanf(s.c_str(), "round=%ld;slot=%d;", &round, &got) != 2 || got != slot)
        return std::nullopt;
    if (CrashPayload(round, slot) != s) return std::nullopt;
    return round;
}

}  // namespace blenvar::test
