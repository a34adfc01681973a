#pragma once
// The real wall clock, in local time.
#include <ctime>

#include "core/services.h"

namespace blenvar {

class SystemClock : public Clock {
  public:
    std::tm LocalNow() override {
        const std::time_t t = std::time(nullptr);
        std::tm out{};
        localtime_r(&t, &out);
        return out;
    }
};

}  // namespace blenvar
