#pragma once
// Registry access class: set a root, a key path and a value name, then read or write
// the value, test, create or delete the key, or list its values and subkeys.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "components/registry/registry_store.h"

namespace blenvar {

// Predefined roots.
inline constexpr std::int32_t HKEY_CLASSES_ROOT_ = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t HKEY_CURRENT_USER_ = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::int32_t HKEY_LOCAL_MACHINE_ = static_cast<std::int32_t>(0x80000002u);

// Value types.
inline constexpr std::int32_t REG_SZ_ = 1;
inline constexpr std::int32_t REG_EXPAND_SZ_ = 2;
inline constexpr std::int32_t REG_BINARY_ = 3;
inline constexpr std::int32_t REG_DWORD_ = 4;
inline constexpr std::int32_t REG_DWORD_BIG_ENDIAN_ = 5;
inline constexpr std::int32_t REG_MULTI_SZ_ = 7;

inline constexpr std::int32_t kRegistryError = 26001;
inline constexpr std::int32_t kRegistryEnumError = static_cast<std::int32_t>(0x800469AAu);
inline constexpr std::int32_t kRegistryParamError = static_cast<std::int32_t>(0x800469ACu);
inline constexpr std::int32_t kRegistryNoClassError = static_cast<std::int32_t>(0x800469ADu);

// "Any value" as the class takes and hands out values. Only 16- and 32-bit integers
// are written as numbers; the other alternatives exist so callers can pass them.
using RegVariant = std::variant<std::monostate, std::string, std::int16_t, std::int32_t,
                                std::int64_t, double, bool, std::vector<std::uint8_t>>;

// The value as text: how strings are written and values are shown in messages.
std::string RegVariantText(const RegVariant& v);

class cRegistry {
  public:
    explicit cRegistry(std::shared_ptr<RegistryStore> store);

    bool KeyExists();
    bool CreateKey();
    bool DeleteKey(bool subKeys = false);
    bool DeleteValue();
    RegVariant Value();
    void SetValue(const RegVariant& value);
    // Names count from 1 as the class hands them out: names[0] is unused.
    bool EnumerateValues(std::vector<std::string>& keyNames, std::int32_t& keyCount);
    bool EnumerateSections(std::vector<std::string>& sections, std::int32_t& sectionCount);
    void CreateEXEAssociation(std::string exePath, const std::string& className,
                              const std::string& classDescription, const std::string& association,
                              const std::string& openMenuText = "&Open", bool supportPrint = false,
                              const std::string& printMenuText = "&Print", bool supportNew = false,
                              const std::string& newMenuText = "&New", bool supportInstall = false,
                              const std::string& installMenuText = "",
                              std::int32_t defaultIconIndex = -1);
    void CreateAdditionalEXEAssociations(const std::string& className,
                                         const std::vector<RegVariant>& items);

    std::int32_t ValueType() const { return valueType_; }
    void SetValueType(std::int32_t t) { valueType_ = t; }
    std::int32_t ClassKey() const { return classKey_; }
    void SetClassKey(std::int32_t k) { classKey_ = k; }
    const std::string& SectionKey() const { return sectionKey_; }
    void SetSectionKey(std::string s) { sectionKey_ = std::move(s); }
    const std::string& ValueKey() const { return valueKey_; }
    void SetValueKey(std::string s) { valueKey_ = std::move(s); }
    const RegVariant& Default() const { return default_; }
    void SetDefault(RegVariant v) { default_ = std::move(v); }
    // On (the default), a string is written as type 2 when it holds a "%" and a further
    // "%" at least two characters later, else as type 1. Off, it is written as the type
    // ValueType names, so a path that merely contains "%NAME%" stays as it was given.
    bool StringTypeByContent() const { return stringTypeByContent_; }
    void SetStringTypeByContent(bool on) { stringTypeByContent_ = on; }

    static std::uint32_t SwapEndian(std::uint32_t v);
    static std::string ExpandEnvStr(const std::string& s);

  private:
    void SetClassValue(const std::string& text);
    std::string ClassKeyText() const;  // signed decimal, as error texts show it
    RegKey Root() const;

    std::shared_ptr<RegistryStore> store_;
    std::int32_t classKey_ = 0;
    std::string sectionKey_;
    std::string valueKey_;
    std::int32_t valueType_ = 0;
    RegVariant default_;
    bool stringTypeByContent_ = true;
};

}  // namespace blenvar
