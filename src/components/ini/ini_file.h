#pragma once
// INI file component: one settings file, a current section, single values and whole
// sections, and the two collections filled by the enumerations.
//
// Every member sees the file's content at the moment of the call, unless snapshot reads
// are on. Every write replaces the file atomically under a lock that writers in other
// processes share, so no successful save is lost; a write that can't be done (a read-only
// file, one that is no regular file) returns false and leaves the file as it was. Texts
// are 8-bit, byte for byte.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "components/ini/ini_collections.h"
#include "components/ini/ini_storage.h"
#include "core/com_error.h"

namespace blenvar {

// "Can't open INI file"
inline constexpr std::int32_t kIniOpenError = static_cast<std::int32_t>(0x800403E9u);
inline constexpr const char* kIniErrorSource = "INIControl";
inline constexpr const char* kIniOpenErrorText = "Can't open INI file";

class INIFile {
  public:
    INIFile();

    // "Save a setting in an INI file."
    // False for a key that can't be stored as one entry (empty, holding "=", starting with
    // ";" or "["), for line breaks or NULs in key, setting or section, and on any file error.
    bool SaveValue(std::string_view key, std::string_view setting);
    // Saves several keys of the current section, in order, as one file replacement: all of
    // them or, when any is refused or the write fails, none. Same checks as SaveValue.
    bool SaveValues(const std::vector<std::pair<std::string, std::string>>& keyValues);
    // "Return the value if it works or the default if it fails."
    std::string GetValue(std::string_view key, std::string_view defaultValue = "");
    std::string GetValue(std::string_view key, long long defaultValue);
    // The whole current section: every "key=value" line followed by one NUL.
    std::string GetAllValues();
    // Lists every section header of the file into Sections. When the file can't be
    // opened, Sections stays empty and LastError() holds "Can't open INI file".
    void EnumSections();
    void EnumValues();
    // Replaces the entries of the current section by the NUL-separated "key=value" list
    // (creating the section as needed); comment lines of the section stay.
    bool SaveAllValues(std::string_view keyValueList);
    // Both return false when the section is missing or has no entries (its header then
    // stays), when the key is absent, and when the file can't be rewritten.
    bool DeleteSection();
    bool DeleteValue(std::string_view valueName);

    const std::shared_ptr<Keys>& Sections() const { return sections_; }
    const std::shared_ptr<INIValues>& Values() const { return values_; }

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string newName) {
        fileName_ = std::move(newName);
        seen_.reset();
    }
    const std::string& Section() const { return section_; }
    void SetSection(std::string newSection) { section_ = std::move(newSection); }

    // Checks the file once now (stat; re-read when changed) and returns a number that
    // changes whenever the content seen changes (our own saves included).
    std::uint64_t Refresh();
    // While on, reads (GetValue, GetAllValues, EnumSections, EnumValues) answer from the
    // content found by the last Refresh() or our last save, without checking the file.
    // Off (the default): every read checks the file, so another program's edit is seen at once.
    void SetSnapshotReads(bool on) { snapshotReads_ = on; }

    // The error the last EnumSections raised and swallowed, if any.
    const std::optional<ComError>& LastError() const { return lastError_; }
    // Why the last write (save or delete) failed, for the user; "" after a success.
    const std::string& LastWriteError() const { return lastWriteError_; }

  private:
    bool DeleteItem(std::optional<std::string_view> valueName);
    // Records why a write failed; returns false.
    bool Refuse(std::string reason);
    // The content readers see: the snapshot when snapshot reads are on, else the file now.
    ini::Snapshot Read();
    // Records what the file holds now, counting a change of content.
    void Observe(const ini::Snapshot& snap);
    // Under the writers' lock: reads the file afresh, asks change for the new content
    // (nullopt: nothing to write, the write fails) and puts it in place.
    bool Write(const std::function<std::optional<std::string>(const ini::Snapshot&)>& change);

    std::string fileName_;
    std::string section_;
    std::shared_ptr<Keys> sections_;
    std::shared_ptr<INIValues> values_;
    std::optional<ComError> lastError_;
    std::string lastWriteError_;
    ini::CachedFile file_;
    bool snapshotReads_ = false;
    std::optional<ini::Snapshot> seen_;  // what the last Refresh, read or save found
    std::uint64_t generation_ = 0;
};

}  // namespace blenvar
