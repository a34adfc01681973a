#pragma once
#include <string>

namespace blenvar {

// Folder of the running executable (no trailing slash).
std::string ExecutableFolder();

// The main program's settings file: beside the program when that folder is writable,
// else $XDG_CONFIG_HOME/blenvar/ (~/.config/blenvar/) with the same name, so a system
// install still keeps its settings.
std::string MainSettingsFile(const std::string& programFolder,
                             const std::string& exeName = "blenvar");

// Folder that holds the settings file; default output files go there too.
std::string FolderOf(const std::string& path);

}  // namespace blenvar
