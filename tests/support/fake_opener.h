#pragma once
// A ShellOpener that records what it was asked to open.
#include <string>
#include <vector>

#include "core/services.h"

namespace blenvar::testing {

struct FakeOpener : ShellOpener {
    std::vector<std::string> opened;
    bool works = true;  // false: as a desktop without xdg-open
    bool Open(const std::string& target) override {
        opened.push_back(target);
        return works;
    }
};

}  // namespace blenvar::testing
