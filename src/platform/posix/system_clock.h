#pragma once
// The real wall clock, in local time.
#include <ctime>

#include "core/services.h"

namespace blenvar {

class SystemClock : public Clock {
  public:
    std::tm LocalNow() override {
        // Converted once a second: a burst of scans shares the conversion.
        const std::time_t t = std::time(nullptr);
        if (t != last_) {
            localtime_r(&t, &local_);
            last_ = t;
        }
        return local_;
    }

  private:
    std::time_t last_ = -1;
    std::tm local_{};
};

}  // namespace blenvar
