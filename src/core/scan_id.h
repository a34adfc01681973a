#pragma once
#include <string>

namespace blenvar {

// A random (version 4) UUID in its lower-case text form.
std::string NewScanId();

}  // namespace blenvar
