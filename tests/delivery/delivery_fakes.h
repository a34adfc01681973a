#pragma once
// Recording fakes of every service a delivery uses.
#include <string>
#include <utility>
#include <vector>

#include "core/services.h"
#include "output/key_sender.h"

namespace blenvar::testing {

struct Log {
    std::vector<std::string> events;  // "sound:X", "keys", "clipboard:X", "start:X", ...
};

struct LoggingSound : SoundEvents {
    Log& log;
    explicit LoggingSound(Log& l) : log(l) {}
    void PlaySound(const std::string& name, bool wait) override {
        log.events.push_back("sound:" + name + (wait ? ":wait" : ""));
    }
};

struct LoggingKeys : KeySender {
    Log& log;
    std::vector<std::vector<KeyAction>> sent;
    explicit LoggingKeys(Log& l) : log(l) {}
    bool Send(const std::vector<KeyAction>& actions, std::string&) override {
        log.events.push_back("keys");
        sent.push_back(actions);
        return true;
    }
};

struct LoggingClipboard : Clipboard {
    Log& log;
    std::string text;
    explicit LoggingClipboard(Log& l) : log(l) {}
    bool SetText(const std::string& t) override {
        log.events.push_back("clipboard:" + t);
        text = t;
        return true;
    }
};

struct LoggingStarter : ProcessStarter, ProgramFinder {
    Log& log;
    std::vector<std::string> programsOnPath;                     // names FindProgram knows
    std::vector<std::pair<std::string, std::string>> documents;  // name, full path
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
    explicit LoggingStarter(Log& l) : log(l) {}
    std::string FindProgram(const std::string& name) override {
        for (const auto& p : programsOnPath)
            if (p == name) return "/usr/bin/" + name;
        return {};
    }
    std::string FindDocument(const std::string& path) override {
        for (const auto& [name, full] : documents)
            if (name == path) return full;
        return {};
    }
    bool Start(const std::string& program, const std::vector<std::string>& args,
               std::string&) override {
        log.events.push_back("start:" + program);
        started.emplace_back(program, args);
        return true;
    }
};

struct LoggingOpener : ShellOpener {
    Log& log;
    explicit LoggingOpener(Log& l) : log(l) {}
    bool Open(const std::string& target) override {
        log.events.push_back("open:" + target);
        return true;
    }
};

struct LoggingFiles : FileAppender {
    Log& log;
    bool fail = false;
    std::vector<std::pair<std::string, std::string>> lines;
    explicit LoggingFiles(Log& l) : log(l) {}
    bool AppendLine(const std::string& path, const std::string& line, std::string& error) override {
        log.events.push_back("file:" + path);
        if (fail) {
            error = "No such file or directory";
            return false;
        }
        lines.emplace_back(path, line);
        return true;
    }
};

struct LoggingTray : TrayImage {
    Log& log;
    explicit LoggingTray(Log& l) : log(l) {}
    void SetTrayImage(int image) override { log.events.push_back("tray:" + std::to_string(image)); }
};

struct LoggingNotifier : Notifier {
    Log& log;
    std::vector<std::string> messages;
    explicit LoggingNotifier(Log& l) : log(l) {}
    void Notify(const std::string& m) override {
        log.events.push_back("notify");
        messages.push_back(m);
    }
};

}  // namespace blenvar::testing
