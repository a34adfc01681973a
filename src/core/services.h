#pragma once
// Platform services the core talks to. Each has a real Linux adapter (src/platform)
// and fakes in the tests; they are wired together once at start-up.
#include <ctime>
#include <string>
#include <vector>

namespace blenvar {

// Local wall-clock time, so tests can pin the stamps of a scan.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::tm LocalNow() = 0;
};

// The desktop's "open" for addresses and documents (xdg-open on Linux). It starts
// whatever handler the desktop names, so callers decide what may be handed to it.
class ShellOpener {
  public:
    virtual ~ShellOpener() = default;
    virtual bool Open(const std::string& target) = 0;
};

// Plays a named sound event (the sound component stands behind it).
class SoundEvents {
  public:
    virtual ~SoundEvents() = default;
    virtual void PlaySound(const std::string& name, bool wait) = 0;
};

// Tray icon image: 1 idle, 2 scanning, 3 scan complete, 4 starting.
class TrayImage {
  public:
    virtual ~TrayImage() = default;
    virtual void SetTrayImage(int image) = 0;
};

// Tells the user about a delivery that failed (the tray shows it).
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void Notify(const std::string& message) = 0;
};

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual bool SetText(const std::string& text) = 0;
};

// Starts a program directly with an argument list; never through a shell.
class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    virtual bool Start(const std::string& program, const std::vector<std::string>& args,
                       std::string& error) = 0;
};

// Tells a program that can be started directly from a document or address.
class ProgramFinder {
  public:
    virtual ~ProgramFinder() = default;
    // Full path of the executable that name denotes (a path, or a bare name in PATH),
    // or "" when it is none.
    virtual std::string FindProgram(const std::string& name) = 0;
    // Absolute path of the existing regular file that path names (symbolic links
    // followed) when no one may execute it, or "" when it is none.
    virtual std::string FindDocument(const std::string& path) = 0;
};

// Appends one line (CR LF added) to a text file, creating it when missing.
class FileAppender {
  public:
    virtual ~FileAppender() = default;
    virtual bool AppendLine(const std::string& path, const std::string& line,
                            std::string& error) = 0;
};

}  // namespace blenvar
