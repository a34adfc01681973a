#include "components/registry/sqlite_registry_store.h"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "core/paths.h"

namespace blenvar {
namespace {

// Fixed rows of the three roots; each database holds all three, the store routes the
// current-user root to the user's file and the other two to the machine file.
constexpr std::int64_t kUserRootId = 1;
constexpr std::int64_t kClassesRootId = 2;
constexpr std::int64_t kMachineRootId = 3;
constexpr std::size_t kMaxKeyNameLen = 255;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_key(
    id     INTEGER PRIMARY KEY,
    parent INTEGER NOT NULL,
    name   TEXT NOT NULL COLLATE NOCASE,
    UNIQUE(parent, name));
CREATE TABLE IF NOT EXISTS reg_value(
    id   INTEGER PRIMARY KEY,
    key  INTEGER NOT NULL REFERENCES reg_key(id) ON DELETE CASCADE,
    name TEXT NOT NULL COLLATE NOCASE,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, name));
INSERT OR IGNORE INTO reg_key(id, parent, name) VALUES
    (1, 0, 'HKEY_CURRENT_USER'), (2, 0, 'HKEY_CLASSES_ROOT'), (3, 0, 'HKEY_LOCAL_MACHINE');
PRAGMA user_version = 1;
)sql";

// The C interface ends names at the first NUL; so do we.
std::string_view CName(std::string_view s) {
    const auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// A statement is prepared once per connection and used again: registering thousands of
// sounds would otherwise spend most of its time parsing SQL. CloseConnection finalizes them.
class Stmt {
  public:
    Stmt(sqlite3* db, const char* sql) {
        for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s)) {
            if (!sqlite3_stmt_busy(s) && std::strcmp(sqlite3_sql(s), sql) == 0) {
                stmt_ = s;
                return;
            }
        }
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
            SQLITE_OK)
            stmt_ = nullptr;
    }
    ~Stmt() {
        if (!stmt_) return;
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    Stmt& Int(int i, std::int64_t v) {
        if (stmt_) sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Stmt& Text(int i, std::string_view v) {
        if (stmt_)
            sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& Blob(int i, const std::uint8_t* data, std::uint32_t size) {
        if (!stmt_) return *this;
        // A null pointer would bind NULL; an empty value is a zero-length blob.
        if (size == 0 || data == nullptr)
            sqlite3_bind_zeroblob(stmt_, i, 0);
        else
            sqlite3_bind_blob64(stmt_, i, data, size, SQLITE_TRANSIENT);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    std::int64_t ColInt(int c) { return sqlite3_column_int64(stmt_, c); }
    std::string ColText(int c) {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, c));
        const int n = sqlite3_column_bytes(stmt_, c);
        return p ? std::string(p, static_cast<std::size_t>(n)) : std::string();
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE takes the write lock up front, so a check and the change that depends on
// it see the same data; anything not committed is rolled back. Inside a batch's transaction
// a savepoint does the same for the one change.
class Tx {
  public:
    Tx(sqlite3* db, bool nested) : db_(db), nested_(nested) {
        rc_ = sqlite3_exec(db_, nested_ ? "SAVEPOINT op" : "BEGIN IMMEDIATE", nullptr, nullptr,
                           nullptr);
        ok_ = rc_ == SQLITE_OK;
    }
    ~Tx() {
        if (ok_ && !done_)
            sqlite3_exec(db_, nested_ ? "ROLLBACK TO op; RELEASE op" : "ROLLBACK", nullptr, nullptr,
                         nullptr);
    }
    Tx(const Tx&) = delete;
    Tx& operator=(const Tx&) = delete;
    bool Ok() const { return ok_; }
    int Code() const { return rc_ & 0xFF; }
    RegStatus Commit() {
        if (sqlite3_exec(db_, nested_ ? "RELEASE op" : "COMMIT", nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            return kRegIoFailed;
        done_ = true;
        return kRegSuccess;
    }

  private:
    sqlite3* db_;
    bool nested_;
    int rc_ = SQLITE_OK;
    bool ok_ = false;
    bool done_ = false;
};

void CloseConnection(sqlite3* conn) {
    if (!conn) return;
    while (sqlite3_stmt* s = sqlite3_next_stmt(conn, nullptr)) sqlite3_finalize(s);
    sqlite3_close_v2(conn);
}

bool MakeDirs(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash))) return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// Checks the file's structure before anything else touches it: SQLITE_OK, or the
// primary result code with SQLite's reason.
int QuickCheck(sqlite3* conn, std::string* reason) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(conn, "PRAGMA quick_check(1)", -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            *reason = text ? text : "";
            rc = *reason == "ok" ? SQLITE_OK : SQLITE_CORRUPT;
            // The report names the schema on a line of its own; a message is one line.
            constexpr std::string_view kSchemaLine = "*** in database main ***\n";
            if (reason->starts_with(kSchemaLine)) reason->erase(0, kSchemaLine.size());
            for (std::size_t nl; (nl = reason->find('\n')) != std::string::npos;)
                reason->replace(nl, 1, "; ");
        } else if (rc == SQLITE_DONE) {
            rc = SQLITE_OK;
        }
    }
    if (rc != SQLITE_OK && reason->empty()) *reason = sqlite3_errmsg(conn);
    sqlite3_finalize(st);
    return rc & 0xFF;
}

// Why the file at path can't be a database, or "" when it is a regular file or missing.
// SQLite would block on a FIFO, fail on a folder with a message that names no file, and
// happily use a link's target whatever it is; a link is followed only to a regular file.
std::string NotAFileReason(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return {};
    const bool link = S_ISLNK(st.st_mode);
    if (link && stat(path.c_str(), &st) != 0) return "it is a link to a missing file";
    if (S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return link ? "it is a link to a folder" : "it is a folder";
    return link ? "it is a link to something that is not a regular file"
                : "it is not a regular file";
}

bool KeyRowExists(sqlite3* db, std::int64_t id) {
    Stmt s(db, "SELECT 1 FROM reg_key WHERE id = ?");
    return s.Int(1, id).Step() == SQLITE_ROW;
}

}  // namespace

SqliteRegistryPaths DefaultRegistryPaths() {
    SqliteRegistryPaths p;
    const std::string folder = BlenvarConfigFolder();
    if (!folder.empty()) p.user = folder + "/registry.sqlite3";
    const char* machine = std::getenv("BLENVAR_MACHINE_REGISTRY");
    p.machine = (machine && machine[0] != '\0') ? machine : "/etc/xdg/blenvar/registry.sqlite3";
    return p;
}

std::shared_ptr<RegistryStore> OpenDefaultRegistryStore() {
    return std::make_shared<SqliteRegistryStore>(DefaultRegistryPaths());
}

SqliteRegistryStore::SqliteRegistryStore(SqliteRegistryPaths paths, int busyTimeoutMs)
    : paths_(std::move(paths)), busyTimeoutMs_(busyTimeoutMs) {
    user_.path = paths_.user;
    user_.writable = true;
    machine_.path = paths_.machine;
    machine_.writable = paths_.machineWritable;
}

SqliteRegistryStore::~SqliteRegistryStore() {
    CloseConnection(user_.conn);
    CloseConnection(machine_.conn);
}

void SqliteRegistryStore::BeginBatch() {
    std::lock_guard lock(mutex_);
    ++batchDepth_;
}

void SqliteRegistryStore::EndBatch() {
    std::lock_guard lock(mutex_);
    if (batchDepth_ == 0 || --batchDepth_ > 0) return;
    for (Db* db : {&user_, &machine_}) {
        db->batchFailed = false;
        if (!db->batchOpen) continue;
        db->batchOpen = false;
        if (sqlite3_exec(db->conn, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const int rc = sqlite3_extended_errcode(db->conn) & 0xFF;
            Failed(*db, rc, sqlite3_errmsg(db->conn));
            sqlite3_exec(db->conn, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
}

bool SqliteRegistryStore::Batched(Db& db) {
    if (batchDepth_ == 0 || !db.writable || !db.conn || db.batchFailed) return false;
    if (!db.batchOpen) {
        const int rc = sqlite3_exec(db.conn, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        db.batchOpen = rc == SQLITE_OK;
        // Tried once a batch: each try may wait the whole busy timeout.
        if (!db.batchOpen) {
            db.batchFailed = true;
            Failed(db, rc & 0xFF, sqlite3_errmsg(db.conn));
        }
    }
    return db.batchOpen;
}

RegStoreProblem SqliteRegistryStore::TakeProblem() {
    std::lock_guard lock(mutex_);
    return std::exchange(problem_, RegStoreProblem{});
}

RegStatus SqliteRegistryStore::Failed(Db& db, int rc, std::string reason) {
    // Anything but a busy or damaged file keeps its plain status.
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        problem_ = {kRegBusy, db.path, std::move(reason)};
        return kRegBusy;
    }
    if (rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB) {
        db.damaged = true;
        problem_ = {kRegCorrupt, db.path, std::move(reason)};
        return kRegCorrupt;
    }
    return kRegIoFailed;
}

RegStatus SqliteRegistryStore::Connect(Db& db, bool forWrite) {
    if (db.conn) return kRegSuccess;
    if (db.damaged) return kRegCorrupt;
    // Until something is written, a missing file reads as an empty tree.
    if ((!forWrite || !db.writable) && access(db.path.c_str(), F_OK) != 0) return kRegSuccess;
    if (db.path.empty()) return kRegCantOpen;
    if (std::string reason = NotAFileReason(db.path); !reason.empty())
        return Failed(db, SQLITE_NOTADB, std::move(reason));

    sqlite3* conn = nullptr;
    if (db.writable) {
        const auto slash = db.path.find_last_of('/');
        if (slash != std::string::npos && !MakeDirs(db.path.substr(0, slash))) return kRegCantOpen;
    }
    const int flags =
        (db.writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY) |
        SQLITE_OPEN_NOMUTEX;  // our own mutex guards the connections
    if (sqlite3_open_v2(db.path.c_str(), &conn, flags, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(conn);
        return kRegCantOpen;
    }
    sqlite3_busy_timeout(conn, busyTimeoutMs_);
    // Before anything could write into it: a damaged file is left exactly as it is.
    std::string reason;
    if (const int rc = QuickCheck(conn, &reason); rc != SQLITE_OK) {
        CloseConnection(conn);
        const RegStatus status = Failed(db, rc, std::move(reason));
        return status == kRegIoFailed ? kRegCantOpen : status;
    }
    bool ok = true;
    if (db.writable) {
        // The user's file gets WAL. The machine file stays on a rollback journal: a
        // read-only reader of a WAL file needs write access to its folder for the -shm.
        const char* setup = (&db == &user_)
                                ? "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                                : "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;";
        ok = sqlite3_exec(conn, setup, nullptr, nullptr, nullptr) == SQLITE_OK &&
             sqlite3_exec(conn, "PRAGMA foreign_keys=ON;", nullptr, nullptr, nullptr) == SQLITE_OK;
        // Only a file without our tables needs the write lock that creating them takes;
        // otherwise a first read would wait behind another process's write.
        bool haveSchema = false;
        if (ok) {
            Stmt s(conn, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'reg_key'");
            haveSchema = s.Step() == SQLITE_ROW;
        }
        if (ok && !haveSchema) {
            Tx tx(conn, false);
            ok = tx.Ok() && sqlite3_exec(conn, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK &&
                 tx.Commit() == kRegSuccess;
        }
    } else {
        // A file without our tables (e.g. an empty one) reads as an empty tree.
        const int rc =
            Stmt(conn, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'reg_key'")
                .Step();
        if (rc != SQLITE_ROW) {
            ok = false;
            if (rc == SQLITE_DONE) {
                CloseConnection(conn);
                return kRegSuccess;
            }
        }
    }
    if (!ok) {
        CloseConnection(conn);
        return kRegCantOpen;
    }
    db.conn = conn;
    return kRegSuccess;
}

RegStatus SqliteRegistryStore::Resolve(RegKey key, Handle* out, bool forWrite) {
    switch (key) {
        case kRegCurrentUser:
            *out = {&user_, kUserRootId, kKeyAllAccess | kKeyWriteRights};
            break;
        case kRegClassesRoot:
            *out = {&machine_, kClassesRootId, kKeyAllAccess | kKeyWriteRights};
            break;
        case kRegLocalMachine:
            *out = {&machine_, kMachineRootId, kKeyAllAccess | kKeyWriteRights};
            break;
        default: {
            const auto it = handles_.find(key);
            if (it == handles_.end()) return kRegInvalidHandle;
            *out = it->second;
            break;
        }
    }
    const RegStatus rc = Connect(*out->db, forWrite);
    // Reads of a batch share its transaction too: one lock, not one per statement.
    if (rc == kRegSuccess) Batched(*out->db);
    return rc;
}

RegStatus SqliteRegistryStore::Walk(Db& db, std::int64_t from, std::string_view path, bool create,
                                    std::int64_t* id) {
    if (!db.conn) {  // missing read-only file: only the roots exist
        if (path.find_first_not_of('\\') != std::string_view::npos) return kRegFileNotFound;
        *id = from;
        return kRegSuccess;
    }
    if (!KeyRowExists(db.conn, from)) return kRegKeyDeleted;
    std::int64_t cur = from;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        auto end = path.find('\\', pos);
        if (end == std::string_view::npos) end = path.size();
        const auto part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty()) continue;
        if (part.size() > kMaxKeyNameLen) return kRegInvalidParameter;
        Stmt find(db.conn, "SELECT id FROM reg_key WHERE parent = ? AND name = ?");
        const int rc = find.Int(1, cur).Text(2, part).Step();
        if (rc == SQLITE_ROW) {
            cur = find.ColInt(0);
            continue;
        }
        if (rc != SQLITE_DONE) return kRegIoFailed;
        if (!create) return kRegFileNotFound;
        Stmt add(db.conn, "INSERT INTO reg_key(parent, name) VALUES(?, ?)");
        if (add.Int(1, cur).Text(2, part).Step() != SQLITE_DONE) return kRegIoFailed;
        cur = sqlite3_last_insert_rowid(db.conn);
    }
    *id = cur;
    return kRegSuccess;
}

RegStatus SqliteRegistryStore::OpenOrCreate(RegKey parent, std::string_view subKey,
                                            std::uint32_t access, bool create, RegKey* result) {
    if (!result) return kRegInvalidParameter;
    *result = 0;
    std::lock_guard lock(mutex_);
    Handle h;
    if (const auto rc = Resolve(parent, &h, create); rc != kRegSuccess) return rc;
    subKey = CName(subKey);
    if (create && !h.db->writable) return kRegAccessDenied;
    std::int64_t id = 0;
    if (create) {
        Tx tx(h.db->conn, Batched(*h.db));
        if (!tx.Ok()) return Failed(*h.db, tx.Code(), sqlite3_errmsg(h.db->conn));
        if (const auto rc = Walk(*h.db, h.id, subKey, true, &id); rc != kRegSuccess) return rc;
        if (const auto rc = tx.Commit(); rc != kRegSuccess) return rc;
    } else {
        if (const auto rc = Walk(*h.db, h.id, subKey, false, &id); rc != kRegSuccess) return rc;
        if ((access & kKeyWriteRights) && !h.db->writable) return kRegAccessDenied;
    }
    const RegKey handle = nextHandle_++;
    handles_[handle] = {h.db, id, access};
    *result = handle;
    return kRegSuccess;
}

RegStatus SqliteRegistryStore::OpenKey(RegKey parent, std::string_view subKey, std::uint32_t access,
                                       RegKey* result) {
    return OpenOrCreate(parent, subKey, access, false, result);
}

RegStatus SqliteRegistryStore::CreateKey(RegKey parent, std::string_view subKey,
                                         std::uint32_t access, RegKey* result) {
    return OpenOrCreate(parent, subKey, access, true, result);
}

RegStatus SqliteRegistryStore::CloseKey(RegKey key) {
    if (key == kRegCurrentUser || key == kRegClassesRoot || key == kRegLocalMachine)
        return kRegSuccess;
    std::lock_guard lock(mutex_);
    return handles_.erase(key) ? kRegSuccess : kRegInvalidHandle;
}

RegStatus SqliteRegistryStore::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                          std::uint8_t* data, std::uint32_t* size) {
    if (data && !size) return kRegInvalidParameter;
    std::lock_guard lock(mutex_);
    Handle h;
    if (const auto rc = Resolve(key, &h); rc != kRegSuccess) return rc;
    if (!(h.access & kKeyQueryValue)) return kRegAccessDenied;
    if (!h.db->conn) return kRegFileNotFound;
    Stmt s(h.db->conn, "SELECT type, data FROM reg_value WHERE key = ? AND name = ?");
    const int rc = s.Int(1, h.id).Text(2, CName(name)).Step();
    if (rc == SQLITE_DONE)
        return KeyRowExists(h.db->conn, h.id) ? kRegFileNotFound : kRegKeyDeleted;
    if (rc != SQLITE_ROW) return kRegIoFailed;
    const std::string bytes = s.ColText(1);
    const auto need = static_cast<std::uint32_t>(bytes.size());
    if (type) *type = static_cast<std::uint32_t>(s.ColInt(0));
    if (!data) {
        if (size) *size = need;
        return kRegSuccess;
    }
    if (*size < need) {
        *size = need;
        return kRegMoreData;
    }
    if (need) std::memcpy(data, bytes.data(), need);
    *size = need;
    return kRegSuccess;
}

RegStatus SqliteRegistryStore::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                                        const std::uint8_t* data, std::uint32_t size) {
    if (!data && size) return kRegInvalidParameter;
    std::lock_guard lock(mutex_);
    Handle h;
    if (const auto rc = Resolve(key, &h, true); rc != kRegSuccess) return rc;
    if (!(h.access & kKeySetValue) || !h.db->writable) return kRegAccessDenied;
    Tx tx(h.db->conn, Batched(*h.db));
    if (!tx.Ok()) return Failed(*h.db, tx.Code(), sqlite3_errmsg(h.db->conn));
    if (!KeyRowExists(h.db->conn, h.id)) return kRegKeyDeleted;
    // The upsert keeps the name as first written, as the platform does.
    Stmt s(h.db->conn,
           "INSERT INTO reg_value(key, name, type, data) VALUES(?, ?, ?, ?) "
           "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data");
    if (s.Int(1, h.id).Text(2, CName(name)).Int(3, type).Blob(4, data, size).Step() != SQLITE_DONE)
        return kRegIoFailed;
    return tx.Commit();
}

RegStatus SqliteRegistryStore::DeleteKey(RegKey parent, std::string_view subKey) {
    std::lock_guard lock(mutex_);
    Handle h;
    if (const auto rc = Resolve(parent, &h); rc != kRegSuccess) return rc;
    subKey = CName(subKey);
    if (!h.db->writable || !h.db->conn) {
        std::int64_t id = 0;
        const auto rc = Walk(*h.db, h.id, subKey, false, &id);
        return rc == kRegSuccess ? kRegAccessDenied : rc;
    }
    Tx tx(h.db->conn, Batched(*h.db));
    if (!tx.Ok()) return Failed(*h.db, tx.Code(), sqlite3_errmsg(h.db->conn));
    std::int64_t id = 0;
    if (const auto rc = Walk(*h.db, h.id, subKey, false, &id); rc != kRegSuccess) return rc;
    if (id == kUserRootId || id == kClassesRootId || id == kMachineRootId) return kRegAccessDenied;
    Stmt children(h.db->conn, "SELECT 1 FROM reg_key WHERE parent = ? LIMIT 1");
    const int crc = children.Int(1, id).Step();
    if (crc == SQLITE_ROW) return kRegAccessDenied;
    if (crc != SQLITE_DONE) return kRegIoFailed;
    Stmt values(h.db->conn, "DELETE FROM reg_value WHERE key = ?");
    Stmt self(h.db->conn, "DELETE FROM reg_key WHERE id = ?");
    if (values.Int(1, id).Step() != SQLITE_DONE || self.Int(1, id).Step() != SQLITE_DONE)
        return kRegIoFailed;
    return tx.Commit();
}

RegStatus SqliteRegistryStore::DeleteValue(RegKey key, std::string_view name) {
    std::lock_guard lock(mutex_);
    Handle h;
    if (const auto rc = Resolve(key, &h); rc != kRegSuccess) return rc;
    if (!(h.access & kKeySetValue) || !h.db->writable) return kRegAccessDenied;
    if (!h.db->conn) return kRegFileNotFound;  // no file yet: only the empty roots
    Tx tx(h.db->conn, Batched(*h.db));
    if (!tx.Ok()) return Failed(*h.db, tx.Code(), sqlite3_errmsg(h.db->conn));
    Stmt s(h.db->conn, "DELETE FROM reg_value WHERE key = ? AND name = ?");
    if (s.Int(1, h.id).Text(2, CName(name)).Step() != SQLITE_DONE) return kRegIoFailed;
    if (sqlite3_changes(h.db->conn) == 0)
        return KeyRowExists(h.db->conn, h.id) ? kRegFileNotFound : kRegKeyDeleted;
    return tx.Commit();
}

RegStatus SqliteRegistryStore::EnumKey(RegKey key, std::uint32_t index, std::string* name) {
    if (!name) return kRegInvalidParameter;
    std::lock_guard lock(mutex_);
    Handle h;
    if (const auto rc = Resolve(key, &h); rc != kRegSuccess) return rc;
    if (!(h.access & kKeyEnumerateSubKeys)) return kRegAccessDenied;
    if (!h.db->conn) return kRegNoMoreItems;
    Stmt s(h.db->conn, "SELECT name FROM reg_key WHERE parent = ? ORDER BY name LIMIT 1 OFFSET ?");
    const int rc = s.Int(1, h.id).Int(2, index).Step();
    if (rc == SQLITE_ROW) {
        *name = s.ColText(0);
        return kRegSuccess;
    }
    return rc == SQLITE_DONE ? kRegNoMoreItems : kRegIoFailed;
}

RegStatus SqliteRegistryStore::EnumValue(RegKey key, std::uint32_t index, std::string* name) {
    if (!name) return kRegInvalidParameter;
    std::lock_guard lock(mutex_);
    Handle h;
    if (const auto rc = Resolve(key, &h); rc != kRegSuccess) return rc;
    if (!(h.access & kKeyQueryValue)) return kRegAccessDenied;
    if (!h.db->conn) return kRegNoMoreItems;
    Stmt s(h.db->conn, "SELECT name FROM reg_value WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?");
    const int rc = s.Int(1, h.id).Int(2, index).Step();
    if (rc == SQLITE_ROW) {
        *name = s.ColText(0);
        return kRegSuccess;
    }
    return rc == SQLITE_DONE ? kRegNoMoreItems : kRegIoFailed;
}

RegStatus SqliteRegistryStore::QueryInfoKey(RegKey key, RegKeyInfo* info) {
    if (!info) return kRegInvalidParameter;
    std::lock_guard lock(mutex_);
    Handle h;
    if (const auto rc = Resolve(key, &h); rc != kRegSuccess) return rc;
    if (!(h.access & kKeyQueryValue)) return kRegAccessDenied;
    *info = {};
    if (!h.db->conn) return kRegSuccess;
    if (!KeyRowExists(h.db->conn, h.id)) return kRegKeyDeleted;
    Stmt k(h.db->conn,
           "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0) FROM reg_key "
           "WHERE parent = ?");
    Stmt v(h.db->conn,
           "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0), "
           "coalesce(max(length(data)), 0) FROM reg_value WHERE key = ?");
    if (k.Int(1, h.id).Step() != SQLITE_ROW || v.Int(1, h.id).Step() != SQLITE_ROW)
        return kRegIoFailed;
    info->subKeys = static_cast<std::uint32_t>(k.ColInt(0));
    info->maxSubKeyLen = static_cast<std::uint32_t>(k.ColInt(1));
    info->values = static_cast<std::uint32_t>(v.ColInt(0));
    info->maxValueNameLen = static_cast<std::uint32_t>(v.ColInt(1));
    info->maxValueLen = static_cast<std::uint32_t>(v.ColInt(2));
    return kRegSuccess;
}

}  // namespace blenvar
