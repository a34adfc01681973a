#pragma once
// The operations cRegistry needs from a registry, shaped like the Windows registry API so
// that a Windows build can put the real registry behind the same class. On Linux the store
// is SqliteRegistryStore (sqlite_registry_store.h).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace blenvar {

// Key handle. The predefined roots are fixed values; the store hands out other values for
// keys it opens, and every one of those must be given back to CloseKey.
using RegKey = std::uint64_t;
inline constexpr RegKey kRegClassesRoot = 0x80000000u;
inline constexpr RegKey kRegCurrentUser = 0x80000001u;
inline constexpr RegKey kRegLocalMachine = 0x80000002u;

// Results use the platform's error numbers.
using RegStatus = std::int32_t;
inline constexpr RegStatus kRegSuccess = 0;
inline constexpr RegStatus kRegFileNotFound = 2;   // key or value missing
inline constexpr RegStatus kRegAccessDenied = 5;   // read-only root, missing rights, has subkeys
inline constexpr RegStatus kRegInvalidHandle = 6;  // unknown root or closed handle
inline constexpr RegStatus kRegInvalidParameter = 87;
inline constexpr RegStatus kRegBusy = 170;         // another process holds the file locked
inline constexpr RegStatus kRegMoreData = 234;     // data area too small; size holds the need
inline constexpr RegStatus kRegNoMoreItems = 259;  // enumeration index past the end
inline constexpr RegStatus kRegCantOpen = 1011;    // store file can't be opened or created
inline constexpr RegStatus kRegCorrupt = 1015;     // store file is damaged
inline constexpr RegStatus kRegIoFailed = 1016;    // store read/write failed
inline constexpr RegStatus kRegKeyDeleted = 1018;  // handle's key was deleted meanwhile

// Access rights asked for when opening or creating a key.
inline constexpr std::uint32_t kKeyQueryValue = 0x1;
inline constexpr std::uint32_t kKeySetValue = 0x2;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x4;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x8;
inline constexpr std::uint32_t kKeyNotify = 0x10;
inline constexpr std::uint32_t kKeyCreateLink = 0x20;
inline constexpr std::uint32_t kKeyAllAccess = 0x3F;  // the six rights above
inline constexpr std::uint32_t kKeyDelete = 0x10000;
// Rights that need a writable root.
inline constexpr std::uint32_t kKeyWriteRights = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink |
                                                 kKeyDelete | 0x40000u /*WRITE_DAC*/ |
                                                 0x80000u /*WRITE_OWNER*/;

// A file of the store that could not be used.
struct RegStoreProblem {
    RegStatus status = kRegSuccess;  // kRegCorrupt or kRegBusy
    std::string file;
    std::string reason;  // the database's own words
};

struct RegKeyInfo {
    std::uint32_t subKeys = 0;
    std::uint32_t maxSubKeyLen = 0;  // characters, without NUL
    std::uint32_t values = 0;
    std::uint32_t maxValueNameLen = 0;
    std::uint32_t maxValueLen = 0;  // bytes
};

// Paths are key names separated by "\"; empty parts (doubled, leading or trailing "\") are
// skipped, so an empty path names the key `parent` itself. Key and value names compare
// without regard to case and keep the spelling they were created with. The empty value
// name is the key's default value.
class RegistryStore {
  public:
    virtual ~RegistryStore() = default;

    virtual RegStatus OpenKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                              RegKey* result) = 0;
    // Opens the key, creating it and any missing parents.
    virtual RegStatus CreateKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                                RegKey* result) = 0;
    virtual RegStatus CloseKey(RegKey key) = 0;

    // type and data may be null. With data null, *size receives the data size. Otherwise
    // *size is the data area's size: when the data is larger the result is kRegMoreData
    // and *size the size needed; else the data is copied and *size set to its size.
    virtual RegStatus QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) = 0;
    virtual RegStatus SetValue(RegKey key, std::string_view name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) = 0;

    // Deletes the key with its values; refuses (kRegAccessDenied) while it has subkeys.
    virtual RegStatus DeleteKey(RegKey parent, std::string_view subKey) = 0;
    virtual RegStatus DeleteValue(RegKey key, std::string_view name) = 0;

    // Subkeys in case-insensitive name order, values in the order they were created.
    virtual RegStatus EnumKey(RegKey key, std::uint32_t index, std::string* name) = 0;
    virtual RegStatus EnumValue(RegKey key, std::uint32_t index, std::string* name) = 0;
    virtual RegStatus QueryInfoKey(RegKey key, RegKeyInfo* info) = 0;

    // Calls between BeginBatch and the matching EndBatch write as one transaction per file,
    // committed by the outermost EndBatch: many small writes cost one commit. A write that
    // fails inside a batch undoes only itself. Batches nest.
    virtual void BeginBatch() {}
    virtual void EndBatch() {}

    // The last damaged or busy file met since the previous call, so that the caller can
    // tell the user; the calls above only give a status. A damaged file is never written.
    virtual RegStoreProblem TakeProblem() { return {}; }
};

// Closes a key handle when it goes out of scope.
class ScopedRegKey {
  public:
    explicit ScopedRegKey(RegistryStore& store) : store_(store) {}
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
    ~ScopedRegKey() { Close(); }

    RegKey* Out() {
        Close();
        return &key_;
    }
    RegKey Get() const { return key_; }
    void Close() {
        if (key_ != 0) store_.CloseKey(key_);
        key_ = 0;
    }

  private:
    RegistryStore& store_;
    RegKey key_ = 0;
};

// One batch of the store (RegistryStore::BeginBatch) for as long as it lives.
class RegistryBatch {
  public:
    explicit RegistryBatch(RegistryStore& store) : store_(store) { store_.BeginBatch(); }
    ~RegistryBatch() { store_.EndBatch(); }
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

  private:
    RegistryStore& store_;
};

// The store the program uses: SqliteRegistryStore with its default paths.
std::shared_ptr<RegistryStore> OpenDefaultRegistryStore();

}  // namespace blenvar
