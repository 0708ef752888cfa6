#include "settings/SettingsDatabase.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#include "core/Paths.h"
#include "core/Text.h"
#include "platform/FileSystem.h"

namespace skyrelle::settings {
namespace {

// What a user can do about a store the program will not touch.
const std::string LeftAlone = "; it has been left untouched: move it aside to start afresh";

// "SkyR": marks the file as ours, so that a foreign database is never taken for a store.
constexpr int ApplicationId = 0x536B7952;
constexpr int SchemaVersion = 1;
// Long enough for any other copy of the program to finish its write.
constexpr int BusyTimeoutMs = 10000;

constexpr const char* Schema = R"(
  CREATE TABLE keys (
    fold   TEXT PRIMARY KEY,  -- case-folded full path; the root is ''
    parent TEXT,              -- fold of the parent key; NULL for the root
    path   TEXT NOT NULL      -- full path with the case it was created with
  );
  CREATE INDEX keys_parent ON keys(parent);
  CREATE TABLE vals (
    id   INTEGER PRIMARY KEY,  -- keeps the order in which values were first written
    key  TEXT NOT NULL,        -- fold of the key
    fold TEXT NOT NULL,        -- case-folded value name
    name TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE (key, fold)
  );
  INSERT INTO keys VALUES ('', NULL, '');
)";

std::string Quoted(const std::string& File) { return "\"" + File + "\""; }

EStoreError SystemError(const std::string& What, const std::string& Target,
                        const std::string& Reason) {
  return EStoreError(What + " " + Quoted(Target) + ": " + Reason);
}

// The store and its folders are readable by the user only.
void CreateStoreFile(const std::string& File) {
  try {
    platform::CreatePrivateFolder(core::ExtractFileDir(File));
  } catch (const platform::EFileError& error) {
    throw SystemError("Cannot create the settings folder", error.FileName(), error.Reason());
  }
  try {
    platform::CreatePrivateFile(File);
  } catch (const platform::EFileError& error) {
    throw SystemError("Cannot create the settings store", File, error.Reason());
  }
}

// The keys strictly below Fold lie in the half-open range [Fold + "\", Fold + "]").
std::string DescendantsFrom(const std::string& Fold) { return Fold + "\\"; }
std::string DescendantsTo(const std::string& Fold) { return Fold + "]"; }

std::vector<std::string> SplitPath(const std::string& Path) {
  std::vector<std::string> parts;
  for (std::size_t start = 0; !Path.empty() && start <= Path.size();) {
    const std::size_t end = std::min(Path.find('\\', start), Path.size());
    parts.push_back(Path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string LastPart(const std::string& Path) { return Path.substr(Path.rfind('\\') + 1); }

}  // namespace

namespace {

// The files whose integrity this process has checked; checking a large store takes a while,
// and the engine opens it for every load and save.
class TCheckedStores {
 public:
  bool Contains(const std::string& File) {
    const std::lock_guard lock(FMutex);
    return FFiles.contains(File);
  }
  void Add(const std::string& File) {
    const std::lock_guard lock(FMutex);
    FFiles.insert(File);
  }
  void Remove(const std::string& File) {
    const std::lock_guard lock(FMutex);
    FFiles.erase(File);
  }

 private:
  std::mutex FMutex;
  std::set<std::string> FFiles;
};

TCheckedStores& CheckedStores() {
  static TCheckedStores stores;
  return stores;
}

}  // namespace

bool EDatabaseError::Refused() const {
  switch (FCode & 0xFF) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_FULL:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return true;
    default:
      return false;
  }
}

class TSettingsDatabase::TStatement {
 public:
  TStatement(TSettingsDatabase& Db, const char* Sql) : FOwner(Db) {
    const int code = sqlite3_prepare_v2(Db.FDb, Sql, -1, &FStatement, nullptr);
    if (code != SQLITE_OK) Db.Fail(code);
  }
  ~TStatement() { sqlite3_finalize(FStatement); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  TStatement& Bind(int Index, const std::string& Text) {
    return Check(sqlite3_bind_text64(FStatement, Index, Text.data(), Text.size(), SQLITE_TRANSIENT,
                                     SQLITE_UTF8));
  }
  TStatement& Bind(int Index, std::int64_t Number) {
    return Check(sqlite3_bind_int64(FStatement, Index, Number));
  }
  TStatement& Bind(int Index, const std::vector<std::uint8_t>& Bytes) {
    // A null pointer would bind NULL; an empty value must stay an empty blob.
    static const std::uint8_t None = 0;
    return Check(sqlite3_bind_blob64(FStatement, Index, Bytes.empty() ? &None : Bytes.data(),
                                     Bytes.size(), SQLITE_TRANSIENT));
  }

  // True while a row is ready.
  bool Step() {
    const int code = sqlite3_step(FStatement);
    if (code == SQLITE_ROW) return true;
    if (code != SQLITE_DONE) FOwner.Fail(code);
    return false;
  }

  std::string Text(int Column) {
    const auto* text = sqlite3_column_text(FStatement, Column);
    const int size = sqlite3_column_bytes(FStatement, Column);
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), size);
  }
  std::int64_t Integer(int Column) { return sqlite3_column_int64(FStatement, Column); }
  std::vector<std::uint8_t> Blob(int Column) {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(FStatement, Column));
    const int size = sqlite3_column_bytes(FStatement, Column);
    return bytes == nullptr ? std::vector<std::uint8_t>()
                            : std::vector<std::uint8_t>(bytes, bytes + size);
  }

 private:
  TStatement& Check(int Code) {
    if (Code != SQLITE_OK) FOwner.Fail(Code);
    return *this;
  }

  TSettingsDatabase& FOwner;
  sqlite3_stmt* FStatement = nullptr;
};

// BEGIN IMMEDIATE takes the write lock at once (waiting through the busy timeout), so two
// writers never deadlock upgrading their read locks; anything not committed is rolled back.
class TSettingsDatabase::TWriteTransaction {
 public:
  explicit TWriteTransaction(TSettingsDatabase& Db) : FOwner(Db) { Db.Execute("BEGIN IMMEDIATE"); }
  ~TWriteTransaction() {
    if (sqlite3_get_autocommit(FOwner.FDb) == 0)
      sqlite3_exec(FOwner.FDb, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  TWriteTransaction(const TWriteTransaction&) = delete;
  TWriteTransaction& operator=(const TWriteTransaction&) = delete;

  void Commit() { FOwner.Execute("COMMIT"); }

 private:
  TSettingsDatabase& FOwner;
};

TSettingsDatabase::TSettingsDatabase(std::string File) : FFile(std::move(File)) {}

TSettingsDatabase::~TSettingsDatabase() { sqlite3_close_v2(FDb); }

std::unique_ptr<TSettingsDatabase> TSettingsDatabase::Open(const std::string& File, bool Create) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(File, error);
  if (error && error != std::errc::no_such_file_or_directory)
    throw SystemError("Cannot open the settings store", File, error.message());
  if (status.type() == std::filesystem::file_type::not_found) {
    if (!Create) return nullptr;
    CreateStoreFile(File);
  }
  std::unique_ptr<TSettingsDatabase> db(new TSettingsDatabase(File));
  db->Connect();
  std::int64_t id = 0;
  std::int64_t tables = 0;
  {
    // One statement, so that both come from the same state of a file another copy may be
    // filling in at this moment.
    TStatement query(*db,
                     "SELECT (SELECT application_id FROM pragma_application_id), "
                     "(SELECT count(*) FROM sqlite_schema)");
    if (query.Step()) {
      id = query.Integer(0);
      tables = query.Integer(1);
    }
  }
  if (id != ApplicationId) {
    if (id != 0 || tables != 0)
      throw EStoreError("The file " + Quoted(File) + " is not a Skyrelle settings store" +
                        LeftAlone);
    if (!Create) return nullptr;  // an empty file, as a first run that was cut short leaves it
    db->CreateSchema();
  }
  db->Prepare();
  return db;
}

void TSettingsDatabase::Connect() {
  // Read-write when the file allows it, so that a hot journal left by a crash can be rolled
  // back; SQLite falls back to read-only by itself, and writes are then refused.
  const int code =
      sqlite3_open_v2(FFile.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (code != SQLITE_OK) Fail(code);
  sqlite3_extended_result_codes(FDb, 1);
  sqlite3_busy_timeout(FDb, BusyTimeoutMs);
  sqlite3_db_config(FDb, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(FDb, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  Execute("PRAGMA synchronous = FULL");
}

// Checks that the store is ours, of a version this program knows, and sound.
void TSettingsDatabase::Prepare() {
  if (QueryNumber("PRAGMA user_version") > SchemaVersion)
    throw EStoreError("The settings store " + Quoted(FFile) +
                      " was written by a newer version of Skyrelle; it has been left untouched");
  if (CheckedStores().Contains(FFile)) return;
  if (const std::string check = QueryText("PRAGMA quick_check"); check != "ok")
    throw EDatabaseError(
        "The settings store " + Quoted(FFile) + " is damaged (" + check + ")" + LeftAlone,
        SQLITE_CORRUPT, Quoted(FFile) + ": " + check);
  CheckedStores().Add(FFile);
}

void TSettingsDatabase::CreateSchema() {
  TWriteTransaction transaction(*this);
  // Another copy of the program may have made the store while this one waited for the lock.
  if (QueryNumber("SELECT count(*) FROM sqlite_schema") != 0) return;
  Execute(Schema);
  Execute(("PRAGMA user_version = " + std::to_string(SchemaVersion)).c_str());
  Execute(("PRAGMA application_id = " + std::to_string(ApplicationId)).c_str());
  transaction.Commit();
}

// Each query's statement is finished before the next step: a statement left on a row would keep
// its read lock, and a writer waiting for this process would then wait in vain.
std::int64_t TSettingsDatabase::QueryNumber(const char* Sql) {
  TStatement query(*this, Sql);
  return query.Step() ? query.Integer(0) : 0;
}

std::string TSettingsDatabase::QueryText(const char* Sql) {
  TStatement query(*this, Sql);
  return query.Step() ? query.Text(0) : std::string();
}

void TSettingsDatabase::Execute(const char* Sql) {
  const int code = sqlite3_exec(FDb, Sql, nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) Fail(code);
}

// The system's reason when it gave one, the database engine's otherwise. A file SQLite could
// only open for reading refuses writes without a system error; trying it for writing tells why.
std::string TSettingsDatabase::FailureReason(int Code) const {
  int error = FDb != nullptr ? sqlite3_system_errno(FDb) : 0;
  if ((Code & 0xFF) == SQLITE_READONLY) {
    if (std::FILE* file = std::fopen(FFile.c_str(), "r+b")) {
      std::fclose(file);
    } else {
      error = errno;
    }
  }
  if (error != 0) return std::strerror(error);
  return FDb != nullptr ? sqlite3_errmsg(FDb) : sqlite3_errstr(Code);
}

void TSettingsDatabase::Fail(int Code) const {
  std::string reason = FDb != nullptr ? sqlite3_errmsg(FDb) : sqlite3_errstr(Code);
  const int primary = Code & 0xFF;
  if (FDb != nullptr && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR)) {
    if (const int error = sqlite3_system_errno(FDb); error != 0)
      reason += std::string(": ") + std::strerror(error);
  }
  const std::string storeReason = Quoted(FFile) + ": " + FailureReason(Code);
  if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
    CheckedStores().Remove(FFile);
    throw EDatabaseError("The settings store " + Quoted(FFile) +
                             " is damaged or is not a database (" + reason + ")" + LeftAlone,
                         Code, storeReason);
  }
  const EDatabaseError error(
      "The settings store " + Quoted(FFile) + " cannot be used (" + reason + ")", Code,
      storeReason);
  if (!error.Refused()) CheckedStores().Remove(FFile);
  throw error;
}

std::optional<std::string> TSettingsDatabase::StoredPath(const std::string& Fold) {
  TStatement query(*this, "SELECT path FROM keys WHERE fold = ?1");
  if (!query.Bind(1, Fold).Step()) return std::nullopt;
  return query.Text(0);
}

std::optional<std::string> TSettingsDatabase::FindKey(const std::string& Path) {
  return StoredPath(core::FoldCase(Path));
}

std::string TSettingsDatabase::CreateKey(const std::string& Path) {
  if (auto existing = FindKey(Path)) return *existing;
  TWriteTransaction transaction(*this);
  std::string stored;
  std::string parentFold;
  bool top = true;
  for (const std::string& part : SplitPath(Path)) {
    const std::string fold = (top ? "" : parentFold + "\\") + core::FoldCase(part);
    TStatement insert(*this,
                      "INSERT INTO keys (fold, parent, path) VALUES (?1, ?2, ?3) "
                      "ON CONFLICT (fold) DO NOTHING");
    insert.Bind(1, fold).Bind(2, parentFold).Bind(3, (top ? "" : stored + "\\") + part).Step();
    stored = StoredPath(fold).value_or(std::string());
    parentFold = fold;
    top = false;
  }
  transaction.Commit();
  return stored;
}

bool TSettingsDatabase::RemoveKey(const std::string& Path) {
  const std::string fold = core::FoldCase(Path);
  TWriteTransaction transaction(*this);
  TStatement values(*this, "DELETE FROM vals WHERE key = ?1 OR (key >= ?2 AND key < ?3)");
  values.Bind(1, fold).Bind(2, DescendantsFrom(fold)).Bind(3, DescendantsTo(fold)).Step();
  TStatement keys(*this, "DELETE FROM keys WHERE fold = ?1 OR (fold >= ?2 AND fold < ?3)");
  keys.Bind(1, fold).Bind(2, DescendantsFrom(fold)).Bind(3, DescendantsTo(fold)).Step();
  const bool removed = sqlite3_changes(FDb) > 0;
  transaction.Commit();
  return removed;
}

std::vector<std::string> TSettingsDatabase::SubkeyNames(const std::string& Path) {
  TStatement query(*this, "SELECT path FROM keys WHERE parent = ?1 ORDER BY fold");
  query.Bind(1, core::FoldCase(Path));
  std::vector<std::string> names;
  while (query.Step()) names.push_back(LastPart(query.Text(0)));
  return names;
}

std::optional<TRegValue> TSettingsDatabase::ReadValue(const std::string& Path,
                                                      const std::string& Name) {
  TStatement query(*this, "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
  if (!query.Bind(1, core::FoldCase(Path)).Bind(2, core::FoldCase(Name)).Step())
    return std::nullopt;
  return TRegValue{static_cast<std::uint32_t>(query.Integer(0)), query.Blob(1)};
}

bool TSettingsDatabase::PutValue(const std::string& Path, const std::string& Name,
                                 const TRegValue& Value) {
  const std::string keyFold = core::FoldCase(Path);
  TWriteTransaction transaction(*this);
  if (!StoredPath(keyFold)) return false;
  TStatement insert(
      *this,
      "INSERT INTO vals (key, fold, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
      "ON CONFLICT (key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
  insert.Bind(1, keyFold)
      .Bind(2, core::FoldCase(Name))
      .Bind(3, Name)
      .Bind(4, static_cast<std::int64_t>(Value.Type))
      .Bind(5, Value.Data)
      .Step();
  transaction.Commit();
  return true;
}

bool TSettingsDatabase::RemoveValue(const std::string& Path, const std::string& Name) {
  TWriteTransaction transaction(*this);
  TStatement remove(*this, "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
  remove.Bind(1, core::FoldCase(Path)).Bind(2, core::FoldCase(Name)).Step();
  const bool removed = sqlite3_changes(FDb) > 0;
  transaction.Commit();
  return removed;
}

std::vector<std::string> TSettingsDatabase::ValueNames(const std::string& Path) {
  TStatement query(*this, "SELECT name FROM vals WHERE key = ?1 ORDER BY id");
  query.Bind(1, core::FoldCase(Path));
  std::vector<std::string> names;
  while (query.Step()) names.push_back(query.Text(0));
  return names;
}

}  // namespace skyrelle::settings
