#include "components/ini/ini_file.h"

#include <vector>

#include "components/ini/ini_lock.h"

namespace blenvar {
namespace {

using ini::LoadState;

bool OneLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A key that reads back as the same entry once written.
bool UsableKey(std::string_view key) {
    std::string_view k = Trim(key, kBlanks);
    return !k.empty() && OneLine(k) && k.find('=') == std::string_view::npos && k.front() != ';' &&
           k.front() != '[';
}

// A section line that can't turn into a header or cut the section short.
bool UsableItem(std::string_view item) {
    std::string_view t = Trim(item, kBlanks);
    return OneLine(item) && (t.empty() || t.front() != '[');
}

std::vector<std::string_view> SplitAtNul(std::string_view list) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t nul = list.find('\0', start);
        if (nul == std::string_view::npos) nul = list.size();
        if (nul > start) parts.push_back(list.substr(start, nul - start));
        start = nul + 1;
    }
    return parts;
}

}  // namespace

INIFile::INIFile() : sections_(std::make_shared<Keys>()), values_(std::make_shared<INIValues>()) {}

void INIFile::Observe(const ini::Snapshot& snap) {
    if (!seen_ || seen_->state != snap.state ||
        (seen_->doc != snap.doc && seen_->doc->Content() != snap.doc->Content())) {
        ++generation_;
    }
    seen_ = snap;
}

ini::Snapshot INIFile::Read() {
    if (snapshotReads_ && seen_) return *seen_;
    ini::Snapshot snap = file_.Load(fileName_);
    Observe(snap);
    return snap;
}

std::uint64_t INIFile::Refresh() {
    Observe(file_.Load(fileName_));
    return generation_;
}

bool INIFile::Refuse(std::string reason) {
    lastWriteError_ = std::move(reason);
    return false;
}

bool INIFile::Write(const std::function<std::optional<std::string>(const ini::Snapshot&)>& change) {
    lastWriteError_.clear();
    std::string error;
    ini::WriteTarget target;
    if (!ResolveReplaceTarget(fileName_, target, &error)) return Refuse(error);
    ini::WriteLock lock;
    if (!lock.Acquire(target, &error)) return Refuse(error);
    ini::Snapshot snap = file_.Load(fileName_);
    Observe(snap);
    if (snap.state == LoadState::Unreadable) return Refuse("can't read " + fileName_);
    std::optional<std::string> content = change(snap);
    if (!content) return Refuse("nothing to change in " + fileName_);
    // Saving what is already there need not touch the file.
    if (snap.state != LoadState::Present || *content != snap.doc->Content()) {
        if (!ReplaceFile(target, *content, &error)) return Refuse(error);
        Observe(file_.Adopt(fileName_, std::move(*content)));
    }
    RemoveDeadTemporaries(target);
    return true;
}

bool INIFile::SaveValue(std::string_view key, std::string_view setting) {
    return SaveValues({{std::string(key), std::string(setting)}});
}

bool INIFile::SaveValues(const std::vector<std::pair<std::string, std::string>>& keyValues) {
    if (keyValues.empty()) return true;
    try {
        if (!OneLine(section_)) return Refuse("the section name holds a line break");
        for (const auto& [key, setting] : keyValues) {
            if (!UsableKey(key) || !OneLine(setting)) {
                return Refuse("\"" + key + "\" can't be stored as one entry");
            }
        }
        return Write([&](const ini::Snapshot& snap) -> std::optional<std::string> {
            // Each edit sees the one before it; only the last content is written.
            std::shared_ptr<const ini::Document> doc = snap.doc;
            for (const auto& [key, setting] : keyValues) {
                doc = std::make_shared<const ini::Document>(doc->WithValue(section_, key, setting));
            }
            return doc->Content();
        });
    } catch (const std::exception& e) {
        return Refuse(e.what());
    } catch (...) {
        return Refuse("unknown error");
    }
}

std::string INIFile::GetValue(std::string_view key, std::string_view defaultValue) {
    ini::Snapshot snap = Read();
    std::optional<std::string_view> v = snap.doc->Value(section_, key);
    return std::string(v ? *v : defaultValue);
}

std::string INIFile::GetValue(std::string_view key, long long defaultValue) {
    return GetValue(key, std::to_string(defaultValue));
}

std::string INIFile::GetAllValues() {
    return Read().doc->SectionText(section_);
}

bool INIFile::SaveAllValues(std::string_view keyValueList) {
    try {
        if (!OneLine(section_)) return Refuse("the section name holds a line break");
        std::vector<std::string_view> items = SplitAtNul(keyValueList);
        for (std::string_view item : items) {
            if (!UsableItem(item)) return Refuse("an entry can't be stored as one line");
        }
        return Write([&](const ini::Snapshot& snap) -> std::optional<std::string> {
            return snap.doc->WithSection(section_, items);
        });
    } catch (...) {
        return Refuse("unknown error");
    }
}

void INIFile::EnumSections() {
    lastError_.reset();
    try {
        sections_->Clear();
        ini::Snapshot snap = Read();
        if (snap.state != LoadState::Present) {
            lastError_.emplace(kIniOpenError, kIniErrorSource, kIniOpenErrorText);
            return;
        }
        for (std::string& name : snap.doc->SectionNames()) sections_->Add(std::move(name));
    } catch (...) {
        // Errors end the listing; whatever was found so far stays.
    }
}

void INIFile::EnumValues() {
    try {
        values_->Clear();
        const std::string all = GetAllValues();
        for (std::string_view entry : SplitAtNul(all)) {
            std::size_t eq = entry.find('=');
            if (eq == std::string_view::npos) continue;
            values_->Add(std::string(entry.substr(0, eq)), std::string(entry.substr(eq + 1)));
        }
    } catch (...) {
        values_->Clear();
    }
}

bool INIFile::DeleteSection() {
    return DeleteItem(std::nullopt);
}

bool INIFile::DeleteValue(std::string_view valueName) {
    return DeleteItem(valueName);
}

bool INIFile::DeleteItem(std::optional<std::string_view> valueName) {
    try {
        return Write([&](const ini::Snapshot& snap) -> std::optional<std::string> {
            if (snap.state != LoadState::Present) return std::nullopt;
            return valueName ? snap.doc->WithoutValue(section_, *valueName)
                             : snap.doc->WithoutSection(section_);
        });
    } catch (...) {
        return Refuse("unknown error");
    }
}

}  // namespace blenvar
