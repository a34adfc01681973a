#pragma once
#include <string_view>
#include <vector>

#include "output/key_sequence.h"

namespace blenvar::test {

// Every character of text typed as itself, as a scanned value is typed.
inline std::vector<KeyAction> LiteralKeys(std::string_view text) {
    return ParseKeySequence(text, std::vector<bool>(text.size(), true)).actions;
}

}  // namespace blenvar::test
