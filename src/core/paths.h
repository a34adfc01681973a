#pragma once
#include <string>

namespace blenvar {

// Folder of the running executable (no trailing slash).
std::string ExecutableFolder();

// $XDG_CONFIG_HOME when absolute, else ~/.config; "" when no home folder is known.
std::string ConfigHome();
// ConfigHome() + "/blenvar": the per-user settings and sound-event store live there.
std::string BlenvarConfigFolder();

// $XDG_STATE_HOME when absolute, else ~/.local/state; "" when no home folder is known.
std::string StateHome();
// StateHome() + "/blenvar", created (mode 0700) when missing: the outbox of scans lives there.
std::string BlenvarStateFolder();

// True for /usr, /opt and every folder inside them, however the path is spelt.
bool SystemProgramFolder(const std::string& folder);

// The main program's settings file: beside the program when that folder is writable and not
// a system folder (a build tree, a portable copy), else $XDG_CONFIG_HOME/blenvar/
// (~/.config/blenvar/) with the same name, so an installed program keeps its settings
// with the user's, root's included.
std::string MainSettingsFile(const std::string& programFolder,
                             const std::string& exeName = "blenvar");

// Folder that holds the settings file; default output files go there too.
std::string FolderOf(const std::string& path);

}  // namespace blenvar
