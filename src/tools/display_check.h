#pragma once

namespace blenvar {

// True when the X display named by $DISPLAY accepts a connection.
bool CanOpenDisplay();

}  // namespace blenvar
