#pragma once
#include "core/services.h"

namespace blenvar {

// Opens, appends one CR LF line in a single write, and closes again, so nothing is held
// open between scans and a concurrent reader never sees half a line.
class PosixFileAppender : public FileAppender {
  public:
    bool AppendLine(const std::string& path, const std::string& line, std::string& error) override;
};

}  // namespace blenvar
