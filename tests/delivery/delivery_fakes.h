#pragma once
// One recording fake for every service a delivery uses.
#include <string>
#include <utility>
#include <vector>

#include "core/services.h"
#include "output/key_sender.h"

namespace blenvar::testing {

struct FakeDesktop : SoundEvents,
                     TypingQueue,
                     Clipboard,
                     ProcessStarter,
                     ProgramFinder,
                     ShellOpener,
                     FileAppender,
                     TrayImage,
                     Notifier {
    std::vector<std::string> events;  // "sound:X", "keys", "clipboard:X", "start:X", ...
    std::vector<std::vector<KeyAction>> sent;
    std::string clipboard;
    std::vector<std::string> programsOnPath;                     // names FindProgram knows
    std::vector<std::pair<std::string, std::string>> documents;  // name, full path
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
    std::string startError;  // when set, every start fails with it
    bool failFiles = false;
    std::vector<std::pair<std::string, std::string>> lines;  // path, line
    std::vector<std::string> messages;

    void PlaySound(const std::string& name, bool wait) override {
        events.push_back("sound:" + name + (wait ? ":wait" : ""));
    }
    void Type(std::vector<KeyAction> actions, Failed) override {
        events.push_back("keys");
        sent.push_back(std::move(actions));
    }
    bool SetText(const std::string& t) override {
        events.push_back("clipboard:" + (clipboard = t));
        return true;
    }
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
               std::string& error) override {
        events.push_back("start:" + program);
        started.emplace_back(program, args);
        error = startError;
        return startError.empty();
    }
    bool Open(const std::string& target) override {
        events.push_back("open:" + target);
        return true;
    }
    bool AppendLine(const std::string& path, const std::string& line, std::string& error) override {
        events.push_back("file:" + path);
        if (failFiles) error = "No such file or directory";
        if (!failFiles) lines.emplace_back(path, line);
        return !failFiles;
    }
    void SetTrayImage(int image) override { events.push_back("tray:" + std::to_string(image)); }
    void Notify(const std::string& m) override {
        events.push_back("notify");
        messages.push_back(m);
    }
};

}  // namespace blenvar::testing
