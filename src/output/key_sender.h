#pragma once
#include <string>
#include <vector>

#include "output/key_sequence.h"

namespace blenvar {

// Types key strokes into the program that has the keyboard focus.
class KeySender {
  public:
    virtual ~KeySender() = default;
    // Blocks until the keys have been processed. On failure returns false with
    // one English sentence in error; no modifier is left pressed either way.
    virtual bool Send(const std::vector<KeyAction>& actions, std::string& error) = 0;
};

}  // namespace blenvar
