#pragma once
// A trained key as the tests write it: "Action,State,VCode,SCode".
#include <string>

#include "capture/capture_machine.h"

namespace blenvar::testing {

inline std::string KeyText(const TrainedKey& k) {
    return std::to_string(k.Action) + "," + std::to_string(k.State) + "," +
           std::to_string(k.VCode) + "," + std::to_string(k.SCode);
}

}  // namespace blenvar::testing
