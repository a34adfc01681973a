#pragma once
// Registry store on SQLite: one database per user for the current-user root and one
// machine-wide database for the classes and local-machine roots.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "components/registry/registry_store.h"

struct sqlite3;

namespace blenvar {

struct SqliteRegistryPaths {
    std::string user;     // current-user root
    std::string machine;  // classes root and local-machine root
    // Only set by tools that install the machine-wide data (and by tests seeding it); the
    // program itself never writes the machine roots.
    bool machineWritable = false;
};

// $XDG_CONFIG_HOME/blenvar/registry.sqlite3 (~/.config when unset or not absolute);
// $BLENVAR_MACHINE_REGISTRY else /etc/xdg/blenvar/registry.sqlite3.
SqliteRegistryPaths DefaultRegistryPaths();

inline constexpr int kRegistryBusyTimeoutMs = 10000;

class SqliteRegistryStore final : public RegistryStore {
  public:
    // A file that another process holds locked is waited for up to busyTimeoutMs.
    explicit SqliteRegistryStore(SqliteRegistryPaths paths,
                                 int busyTimeoutMs = kRegistryBusyTimeoutMs);
    ~SqliteRegistryStore() override;
    SqliteRegistryStore(const SqliteRegistryStore&) = delete;
    SqliteRegistryStore& operator=(const SqliteRegistryStore&) = delete;

    RegStatus OpenKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                      RegKey* result) override;
    RegStatus CreateKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                        RegKey* result) override;
    RegStatus CloseKey(RegKey key) override;
    RegStatus QueryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override;
    RegStatus SetValue(RegKey key, std::string_view name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) override;
    RegStatus DeleteKey(RegKey parent, std::string_view subKey) override;
    RegStatus DeleteValue(RegKey key, std::string_view name) override;
    RegStatus EnumKey(RegKey key, std::uint32_t index, std::string* name) override;
    RegStatus EnumValue(RegKey key, std::uint32_t index, std::string* name) override;
    RegStatus QueryInfoKey(RegKey key, RegKeyInfo* info) override;
    void BeginBatch() override;
    void EndBatch() override;
    RegStoreProblem TakeProblem() override;

    const SqliteRegistryPaths& Paths() const { return paths_; }

  private:
    struct Db {
        std::string path;
        bool writable = false;
        sqlite3* conn = nullptr;   // null until first use; stays null while the file is
                                   // missing and nothing was written (an empty tree)
        bool damaged = false;      // failed its check: never opened again by this store
        bool batchOpen = false;    // holds the open transaction of a batch
        bool batchFailed = false;  // the batch's transaction could not begin
    };
    struct Handle {
        Db* db = nullptr;
        std::int64_t id = 0;  // row of the key
        std::uint32_t access = 0;
    };

    // True when a call on db belongs to an open batch, whose transaction is begun here at
    // the first call.
    bool Batched(Db& db);
    RegStatus Resolve(RegKey key, Handle* out, bool forWrite = false);
    RegStatus Connect(Db& db, bool forWrite);
    RegStatus Walk(Db& db, std::int64_t from, std::string_view path, bool create, std::int64_t* id);
    // Records a busy or damaged file for TakeProblem; returns the status for rc.
    RegStatus Failed(Db& db, int rc, std::string reason);
    RegStatus OpenOrCreate(RegKey parent, std::string_view subKey, std::uint32_t access,
                           bool create, RegKey* result);

    SqliteRegistryPaths paths_;
    int busyTimeoutMs_;
    RegStoreProblem problem_;
    Db user_;
    Db machine_;
    std::mutex mutex_;
    std::map<RegKey, Handle> handles_;
    RegKey nextHandle_ = 1;
    int batchDepth_ = 0;
};

}  // namespace blenvar
