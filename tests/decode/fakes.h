#pragma once
// Recording fakes of the platform services used by decoding.
#include <algorithm>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "core/services.h"
#include "support/fake_opener.h"

namespace blenvar::testing {

struct FakeClock : Clock {
    std::vector<std::tm> readings;  // handed out in turn; the last one repeats
    std::size_t next = 0;
    std::tm LocalNow() override { return readings[std::min(next++, readings.size() - 1)]; }
};

struct FakeSound : SoundEvents {
    std::vector<std::pair<std::string, bool>> played;
    void PlaySound(const std::string& name, bool wait) override { played.emplace_back(name, wait); }
};

struct FakeTray : TrayImage {
    std::vector<int> images;
    void SetTrayImage(int image) override { images.push_back(image); }
};

inline std::tm MakeTime(int year, int month, int day, int hour, int min, int sec) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    return t;
}

}  // namespace blenvar::testing
