#pragma once
// INI file component: one settings file, a current section, single values and whole
// sections, and the two collections filled by the enumerations.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "components/ini/ini_collections.h"

namespace blenvar {

// "Can't open INI file"
inline constexpr std::int32_t kIniOpenError = static_cast<std::int32_t>(0x800403E9u);
inline constexpr const char* kIniErrorSource = "INIControl";

class INIFile {
public:
    INIFile();

    // "Save a setting in an INI file."
    bool SaveValue(std::string_view key, std::string_view setting);
    // "Return the value if it works or the default if it fails."
    std::string GetValue(std::string_view key, std::string_view defaultValue = "");
    std::string GetValue(std::string_view key, long long defaultValue);
    // The whole current section: every "key=value" line followed by one NUL.
    std::string GetAllValues();
    void EnumSections();
    void EnumValues();
    bool SaveAllValues(std::string_view keyValueList);
    bool DeleteSection();
    bool DeleteValue(std::string_view valueName);

    const std::shared_ptr<Keys>& Sections() const { return sections_; }
    const std::shared_ptr<INIValues>& Values() const { return values_; }

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string newName) { fileName_ = std::move(newName); }
    const std::string& Section() const { return section_; }
    void SetSection(std::string newSection) { section_ = std::move(newSection); }

    void ShowAbout() {}

private:
    bool DeleteItem(const std::string* valueName);

    std::string fileName_;
    std::string section_;
    std::shared_ptr<Keys> sections_;
    std::shared_ptr<INIValues> values_;
};

}  // namespace blenvar
