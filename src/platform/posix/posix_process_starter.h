#pragma once
#include <string>
#include <vector>

#include "core/services.h"

namespace blenvar {

// A copy of this process's environment ("NAME=value" entries) as it is now. The program
// entry takes it before setting anything for its own use, so started programs get the
// user's environment, not ours.
std::vector<std::string> CopyEnvironment();

// Starts a program directly (execve of an argument list, never a shell), detached in its
// own session so it outlives us and leaves no zombie. A program that cannot be executed
// is reported through the error text. Programs get `environment`; bare names are looked
// up in its PATH.
class PosixProcessStarter : public ProcessStarter, public ProgramFinder {
  public:
    explicit PosixProcessStarter(std::vector<std::string> environment);

    std::string FindProgram(const std::string& name) override;
    std::string FindDocument(const std::string& path) override;
    bool Start(const std::string& program, const std::vector<std::string>& args,
               std::string& error) override;

  private:
    std::vector<std::string> environment_;
    std::string path_;  // PATH of environment_
};

// Finds a program the way a shell would for a bare name: a path containing "/" is taken
// as it is; a bare name is looked up in the folders of searchPath. Returns "" when no
// executable regular file is found.
std::string FindExecutable(const std::string& name, const std::string& searchPath);

}  // namespace blenvar
