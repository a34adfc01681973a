#pragma once
// The one clock capture measures with. It is CLOCK_MONOTONIC, which the kernel's input
// events are stamped with too, so their times and a deadline computed here agree.
#include <chrono>
#include <cstdint>

namespace blenvar {

inline std::uint64_t MonotonicUs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

inline std::uint64_t MonotonicMs() {
    return MonotonicUs() / 1000;
}

}  // namespace blenvar
