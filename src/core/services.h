#pragma once
// Platform services the core talks to. Each has a real Linux adapter (src/platform)
// and fakes in the tests; they are wired together once at start-up.
#include <cstdint>
#include <ctime>
#include <functional>
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

// Tray icon images by their 1-based number.
inline constexpr int kTrayIdle = 1;
inline constexpr int kTrayScanOpen = 2;
inline constexpr int kTrayScanWaiting = 3;  // closed, waiting to be decoded
inline constexpr int kTrayStarting = 4;

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

// The update check's network services. Their answers arrive later on the caller's thread
// (never inside the call that asked), so the window keeps running while it waits.

struct PageReply {
    bool ok = false;
    std::string body;
    std::string error;  // why there is no page (ok false)
    std::string url;    // where the page came from, after redirects
};

// One GET of a web page, with no cache read or write.
class PageFetcher {
  public:
    virtual ~PageFetcher() = default;
    // `done` runs once, with the page or with the reason after `deadlineMs` or an error
    // status. A new Get abandons the one before it.
    virtual void Get(const std::string& url, int deadlineMs,
                     std::function<void(const PageReply&)> done) = 0;
    // The pending Get's `done` is never called.
    virtual void Abandon() = 0;
};

// The desktop's connection state and dial-up.
class Connection {
  public:
    virtual ~Connection() = default;
    // 2 connected through a network, 1 through a modem, 0 not online.
    virtual int Online() = 0;
    // Dials the default connection; true when it is up.
    virtual bool Dial(bool prompt) = 0;
    virtual bool HangUp() = 0;
};

struct DownloadResult {
    bool ok = false;
    std::string path;    // the file, in a folder only the user can enter
    std::string sha256;  // lower-case hex of what was received
    std::string error;   // why there is no file (ok false)
    std::string url;     // where it came from, after redirects
};

// Fetches a file (https, http or ftp) away from the caller's thread.
class Downloader {
  public:
    virtual ~Downloader() = default;
    // `progress` (bytes received, expected total or 0 when unknown) and `done` run on the
    // caller's thread. A failed or cancelled download leaves no file behind.
    virtual void Start(const std::string& url,
                       std::function<void(std::int64_t, std::int64_t)> progress,
                       std::function<void(const DownloadResult&)> done) = 0;
    // Stops the running download; its `done` is never called.
    virtual void Cancel() = 0;
    // Deletes a downloaded file and its private folder.
    virtual void Discard(const std::string& path) = 0;
};

// One message to a server, as the outbox keeps it.
struct ServerRequest {
    std::string address;  // http(s):// or mqtt(s):// with the path or topic filled in
    std::string body;
    std::string id;  // the scan's UUID; the Idempotency-Key of an HTTP request
    // A PEM file of the certificates the server's is checked against; empty for the
    // system's store.
    std::string certificate = {};
};

struct ServerAnswer {
    enum class Kind {
        Accepted,  // a 2xx or a PUBACK: the message leaves the queue
        Retry,     // no answer, a timeout, a busy or failing server: send again later
        Refused,   // refused for good (a 4xx other than 408 and 429): kept, marked failed
    };
    Kind kind = Kind::Retry;
    std::string text;  // the status and the server's words, or why there was no answer
};

// Sends one message and waits for the server's answer (at most 30 s); called on the
// outbox's own thread, never the window's.
class ServerTransport {
  public:
    virtual ~ServerTransport() = default;
    virtual ServerAnswer Send(const ServerRequest& request) = 0;
};

}  // namespace blenvar
