#pragma once
#include "core/services.h"

namespace blenvar {

// Starts a program directly (execve of an argument list, never a shell), detached in its
// own session so it outlives us and leaves no zombie. A program that cannot be executed
// is reported through the error text.
class PosixProcessStarter : public ProcessStarter, public ProgramFinder {
  public:
    std::string FindProgram(const std::string& name) override;
    bool Start(const std::string& program, const std::vector<std::string>& args,
               std::string& error) override;
};

// Finds a program the way a shell would for a bare name: an absolute or relative path
// containing "/" is taken as it is; a bare name is looked up in PATH. Returns "" when no
// executable regular file is found.
std::string FindExecutable(const std::string& name);

}  // namespace blenvar
