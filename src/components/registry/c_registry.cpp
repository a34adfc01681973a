#include "components/registry/c_registry.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "core/com_error.h"

extern char** environ;

namespace blenvar {
namespace {

constexpr const char* kNoDescription = "Application-defined or object-defined error";

// Running program's file name without extension, + ".cRegistry".
const std::string& ErrorSource() {
    static const std::string source = [] {
        std::string name;
        char buf[4096];
        const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n > 0) {
            name.assign(buf, static_cast<std::size_t>(n));
            const auto slash = name.find_last_of('/');
            if (slash != std::string::npos) name.erase(0, slash + 1);
        } else {
            name = program_invocation_short_name;
        }
        if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
            name.erase(dot);
        return name + ".cRegistry";
    }();
    return source;
}

[[noreturn]] void Raise(std::int32_t number, const std::string& description) {
    throw ComError(number, ErrorSource(), description);
}

// Expandable when a "%" has a further "%" at least two characters after it.
bool LooksExpandable(const std::string& s) {
    const auto first = s.find('%');
    return first != std::string::npos && s.find('%', first + 2) != std::string::npos;
}

std::uint32_t LoadLe32(const std::vector<std::uint8_t>& b) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4 && i < b.size(); ++i) v |= std::uint32_t{b[i]} << (8 * i);
    return v;
}

// Stored strings end with a NUL; data written without one keeps its last character.
std::string StoredText(const std::vector<std::uint8_t>& b) {
    std::size_t n = b.size();
    if (n > 0 && b[n - 1] == 0) --n;
    return std::string(reinterpret_cast<const char*>(b.data()), n);
}

const char* LookupEnv(const std::string& name) {
    if (name.empty() || name.find('=') != std::string::npos) return nullptr;
    if (const char* v = std::getenv(name.c_str())) return v;
    // Names are case-blind where these strings come from.
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (!eq || static_cast<std::size_t>(eq - *e) != name.size()) continue;
        if (strncasecmp(*e, name.c_str(), name.size()) == 0) return eq + 1;
    }
    return nullptr;
}

}  // namespace

// The value as text, for writing strings and for error messages.
std::string RegVariantText(const RegVariant& v) {
    return std::visit(
        [](const auto& x) -> std::string {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return {};
            } else if constexpr (std::is_same_v<T, std::string>) {
                return x;
            } else if constexpr (std::is_same_v<T, bool>) {
                return x ? "True" : "False";
            } else if constexpr (std::is_same_v<T, std::vector<std::uint8_t>>) {
                return std::string(x.begin(), x.end());
            } else {
                char buf[64];
                const auto r = std::to_chars(buf, buf + sizeof buf, x);
                return std::string(buf, r.ptr);
            }
        },
        v);
}

cRegistry::cRegistry(std::shared_ptr<RegistryStore> store) : store_(std::move(store)) {}

std::string cRegistry::ClassKeyText() const {
    return std::to_string(classKey_);
}

RegKey cRegistry::Root() const {
    return static_cast<std::uint32_t>(classKey_);
}

bool cRegistry::KeyExists() {
    ScopedRegKey key(*store_);
    return store_->OpenKey(Root(), sectionKey_, kKeyQueryValue, key.Out()) == kRegSuccess;
}

bool cRegistry::CreateKey() {
    ScopedRegKey key(*store_);
    if (store_->CreateKey(Root(), sectionKey_, kKeyAllAccess, key.Out()) != kRegSuccess)
        Raise(kRegistryError, "Failed to create registry Key: '" + sectionKey_);
    return true;
}

bool cRegistry::DeleteKey(bool subKeys) {
    // Deleting the root itself would first empty the whole tree and then fail.
    if (sectionKey_.find_first_not_of('\\') == std::string::npos)
        Raise(kRegistryError,
              "Failed to delete registry Key: '" + ClassKeyText() + "',Section: '" + sectionKey_);
    if (subKeys) {
        const std::string saved = sectionKey_;
        std::vector<std::string> sections;
        std::int32_t count = 0;
        EnumerateSections(sections, count);
        for (std::int32_t i = 1; i <= count; ++i) {
            sectionKey_ = saved + "\\" + sections[static_cast<std::size_t>(i)];
            DeleteKey(true);
        }
        sectionKey_ = saved;
    }
    std::vector<std::string> names;
    std::int32_t count = 0;
    EnumerateValues(names, count);
    for (std::int32_t i = 1; i <= count; ++i) {
        valueKey_ = names[static_cast<std::size_t>(i)];
        DeleteValue();
    }
    const RegStatus rc = store_->DeleteKey(Root(), sectionKey_);
    if (rc != kRegSuccess && rc != kRegFileNotFound)
        Raise(kRegistryError,
              "Failed to delete registry Key: '" + ClassKeyText() + "',Section: '" + sectionKey_);
    return true;
}

bool cRegistry::DeleteValue() {
    ScopedRegKey key(*store_);
    if (store_->OpenKey(Root(), sectionKey_, kKeyAllAccess, key.Out()) != kRegSuccess)
        Raise(kRegistryError, "Failed to open key '" + ClassKeyText() + "',Section: '" +
                                  sectionKey_ + "' for delete access");
    if (store_->DeleteValue(key.Get(), valueKey_) != kRegSuccess)
        Raise(kRegistryError, "Failed to delete registry Key: '" + ClassKeyText() + "',Section: '" +
                                  sectionKey_ + "',Key: '" + valueKey_);
    return true;
}

RegVariant cRegistry::Value() {
    ScopedRegKey key(*store_);
    if (store_->OpenKey(Root(), sectionKey_, kKeyQueryValue, key.Out()) != kRegSuccess)
        return default_;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::vector<std::uint8_t> data;
    RegStatus rc = kRegMoreData;
    // Another process may grow the value between asking for its size and reading it.
    for (int attempt = 0; attempt < 8 && rc == kRegMoreData; ++attempt) {
        if (store_->QueryValue(key.Get(), valueKey_, &type, nullptr, &size) != kRegSuccess)
            return default_;
        data.resize(size);
        rc = store_->QueryValue(key.Get(), valueKey_, &type, data.data(), &size);
    }
    if (rc != kRegSuccess) return default_;
    data.resize(size);
    valueType_ = static_cast<std::int32_t>(type);
    switch (type) {
        case REG_SZ_:
        case REG_MULTI_SZ_:
            return StoredText(data);
        case REG_EXPAND_SZ_:
            return ExpandEnvStr(StoredText(data));
        case REG_DWORD_:
            return static_cast<std::int32_t>(LoadLe32(data));
        case REG_DWORD_BIG_ENDIAN_:
            return static_cast<std::int32_t>(SwapEndian(LoadLe32(data)));
        default:
            return data;
    }
}

void cRegistry::SetValue(const RegVariant& value) {
    ScopedRegKey key(*store_);
    if (store_->CreateKey(Root(), sectionKey_, kKeyAllAccess, key.Out()) != kRegSuccess)
        Raise(kRegistryError, "Failed to set registry value Key: '" + ClassKeyText() +
                                  "',Section: '" + sectionKey_ + "',Key: '" + valueKey_ +
                                  "' to value: '" + RegVariantText(value) + "'");
    // The outcome of the write itself is not reported.
    switch (valueType_) {
        case REG_SZ_:
        case REG_EXPAND_SZ_: {
            const std::string text = RegVariantText(value);
            std::uint32_t type = static_cast<std::uint32_t>(valueType_);
            if (stringTypeByContent_) type = LooksExpandable(text) ? REG_EXPAND_SZ_ : REG_SZ_;
            store_->SetValue(key.Get(), valueKey_, type,
                             reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             static_cast<std::uint32_t>(text.size() + 1));
            break;
        }
        case REG_BINARY_: {
            const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value);
            if (!bytes) Raise(kRegistryError, kNoDescription);
            store_->SetValue(key.Get(), valueKey_, REG_BINARY_, bytes->data(),
                             static_cast<std::uint32_t>(bytes->size()));
            break;
        }
        case REG_DWORD_:
        case REG_DWORD_BIG_ENDIAN_: {
            std::uint32_t n = 0;
            if (const auto* i16 = std::get_if<std::int16_t>(&value))
                n = static_cast<std::uint32_t>(static_cast<std::int32_t>(*i16));
            else if (const auto* i32 = std::get_if<std::int32_t>(&value))
                n = static_cast<std::uint32_t>(*i32);
            else
                break;
            const std::uint8_t le[4] = {
                static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
            store_->SetValue(key.Get(), valueKey_, REG_DWORD_, le, 4);
            break;
        }
        default:
            break;
    }
}

bool cRegistry::EnumerateValues(std::vector<std::string>& keyNames, std::int32_t& keyCount) {
    keyNames.clear();
    keyCount = 0;
    ScopedRegKey key(*store_);
    if (store_->OpenKey(Root(), sectionKey_, kKeyQueryValue, key.Out()) != kRegSuccess) return true;
    std::string name;
    for (std::uint32_t i = 0; store_->EnumValue(key.Get(), i, &name) == kRegSuccess; ++i) {
        if (keyNames.empty()) keyNames.emplace_back();  // index 0 unused
        keyNames.push_back(name);
        ++keyCount;
    }
    return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& sections, std::int32_t& sectionCount) {
    sections.clear();
    sectionCount = 0;
    ScopedRegKey key(*store_);
    try {
        if (store_->OpenKey(Root(), sectionKey_, kKeyEnumerateSubKeys, key.Out()) != kRegSuccess)
            return true;
        std::string name;
        for (std::uint32_t i = 0; store_->EnumKey(key.Get(), i, &name) == kRegSuccess; ++i) {
            if (sections.empty()) sections.emplace_back();  // index 0 unused
            sections.push_back(name.substr(0, name.find('\0')));
            ++sectionCount;
        }
    } catch (const std::exception& e) {
        key.Close();
        Raise(kRegistryEnumError, e.what());
    }
    return true;
}

void cRegistry::CreateEXEAssociation(
    std::string exePath, const std::string& className, const std::string& classDescription,
    const std::string& association, const std::string& openMenuText, bool supportPrint,
    const std::string& printMenuText, bool supportNew, const std::string& newMenuText,
    bool supportInstall, const std::string& installMenuText, std::int32_t defaultIconIndex) {
    const auto first = exePath.find_first_not_of(" \t");
    exePath = first == std::string::npos
                  ? std::string()
                  : exePath.substr(first, exePath.find_last_not_of(" \t") - first + 1);
    if (exePath.empty() || exePath.front() != '"') exePath.insert(0, 1, '"');
    if (exePath.size() < 2 || exePath.back() != '"') exePath.push_back('"');

    valueType_ = REG_SZ_;
    valueKey_.clear();
    const auto put = [this](const std::string& section, const std::string& text) {
        sectionKey_ = section;
        SetClassValue(text);
    };
    const auto verb = [&](const std::string& name, const std::string& menu,
                          const std::string& flag) {
        put(className + "\\shell\\" + name, menu);
        put(className + "\\shell\\" + name + "\\command", exePath + flag + " \"%1\"");
    };
    put("." + association, className);
    put(className, classDescription);
    verb("open", openMenuText.empty() ? "&Open" : openMenuText, "");
    if (supportPrint) verb("print", printMenuText.empty() ? "&Print" : printMenuText, " /p");
    if (supportInstall)
        verb("add", installMenuText.empty() ? "&Install " + association : installMenuText, " /a");
    if (supportNew) verb("new", newMenuText.empty() ? "&New" : newMenuText, " /n");
    if (defaultIconIndex > -1)
        put(className + "\\DefaultIcon", exePath + "," + std::to_string(defaultIconIndex));
}

void cRegistry::CreateAdditionalEXEAssociations(const std::string& className,
                                                const std::vector<RegVariant>& items) {
    // Every error stays inside this member.
    try {
        if (items.size() % 3 != 0)
            Raise(kRegistryParamError,
                  "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
                  "Name/Text/Command");
        sectionKey_ = className;
        // The class lives under the classes root, whatever root was used last.
        classKey_ = HKEY_CLASSES_ROOT_;
        if (!KeyExists())
            Raise(kRegistryNoClassError,
                  "Error - attempt to create additional associations before class defined.");
        for (std::size_t i = 0; i + 2 < items.size(); i += 3) {
            valueType_ = REG_SZ_;
            valueKey_.clear();
            const std::string verb = className + "\\shell\\" + RegVariantText(items[i]);
            sectionKey_ = verb;
            SetClassValue(RegVariantText(items[i + 1]));
            sectionKey_ = verb + "\\command";
            SetClassValue(RegVariantText(items[i + 2]));
        }
    } catch (const ComError&) {
    }
}

void cRegistry::SetClassValue(const std::string& text) {
    classKey_ = HKEY_CLASSES_ROOT_;
    SetValue(text);
    const std::string saved = sectionKey_;
    classKey_ = HKEY_LOCAL_MACHINE_;
    sectionKey_ = "SOFTWARE\\Classes\\" + saved;
    SetValue(text);
    sectionKey_ = saved;
}

std::uint32_t cRegistry::SwapEndian(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

std::string cRegistry::ExpandEnvStr(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    while (pos < s.size()) {
        const auto open = s.find('%', pos);
        if (open == std::string::npos) break;
        const auto close = s.find('%', open + 1);
        if (close == std::string::npos) break;
        out.append(s, pos, open - pos);
        if (const char* v = LookupEnv(s.substr(open + 1, close - open - 1))) {
            out += v;
            pos = close + 1;
        } else {
            // Unknown: keep "%NAME" and let the closing "%" start the next reference.
            out.append(s, open, close - open);
            pos = close;
        }
    }
    out.append(s, pos, std::string::npos);
    return out;
}

}  // namespace blenvar
