#pragma once
// The user's own autostart entry ($XDG_CONFIG_HOME/autostart/blenvar.desktop) that starts
// Blenvar at login. The package installs none for everyone: starting is the user's choice.
#include <string>

namespace blenvar {

// ConfigHome() + "/autostart/blenvar.desktop"; "" when no home folder is known.
std::string AutostartFile();

// The Exec= value that starts the program at `program`: its bare name when a folder of
// `pathVariable` holds that same program (a link to it counts, as /usr/bin/blenvar does),
// else its full path, quoted by the desktop-entry rules where it needs quoting.
std::string AutostartCommand(const std::string& program, const std::string& pathVariable);

// The whole entry for `command` (an Exec= value).
std::string AutostartEntry(const std::string& command);

bool AutostartEnabled(const std::string& file);

// Writes `entry` as `file` (folders made, the old file replaced in one step) or removes the
// file (gone already is fine). False with `error` naming the file and the reason.
bool WriteAutostart(const std::string& file, const std::string& entry, std::string& error);
bool RemoveAutostart(const std::string& file, std::string& error);

}  // namespace blenvar
