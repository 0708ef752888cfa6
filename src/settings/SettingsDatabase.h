#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/Registry.h"

struct sqlite3;

namespace skyrelle::settings {

// A failure of the database engine, with its result code, so that a caller can tell a
// store that refuses a write (read-only file, disk full, lock held too long) from a broken one.
class EDatabaseError : public EStoreError {
 public:
  EDatabaseError(const std::string& Message, int Code, std::string StoreReason)
      : EStoreError(Message), FCode(Code), FStoreReason(std::move(StoreReason)) {}
  int Code() const { return FCode; }
  // True when the store is sound but would not take the write.
  bool Refused() const;
  // The store's file in quotation marks and the reason, the system's when it gave one.
  const std::string& StoreReason() const { return FStoreReason; }

 private:
  int FCode;
  std::string FStoreReason;
};

// The SQLite file behind the settings store. Key paths given here are already normalised:
// no leading or trailing "\", no empty part; the root is the empty path. Keys and value names
// compare by their case-folded form. Every change is one IMMEDIATE transaction, so that two
// processes writing at once wait for each other (busy timeout) instead of failing or losing
// a write. Each file's integrity is checked once per process, and again after a failure.
class TSettingsDatabase {
 public:
  // Opens the store in File. A missing file is created (with its folder, both private) only
  // when Create is set; otherwise a missing store gives nullptr. Raises EStoreError naming the
  // file when it cannot be used. A damaged file is never changed.
  static std::unique_ptr<TSettingsDatabase> Open(const std::string& File, bool Create);
  ~TSettingsDatabase();
  TSettingsDatabase(const TSettingsDatabase&) = delete;
  TSettingsDatabase& operator=(const TSettingsDatabase&) = delete;

  // The key's path with the case it was created with, or nothing when it does not exist.
  std::optional<std::string> FindKey(const std::string& Path);
  // Creates the key and its missing parents; returns its path as stored.
  std::string CreateKey(const std::string& Path);
  // Removes the key with its subkeys and their values; false when it did not exist.
  bool RemoveKey(const std::string& Path);
  std::vector<std::string> SubkeyNames(const std::string& Path);

  std::optional<TRegValue> ReadValue(const std::string& Path, const std::string& Name);
  // False when the key no longer exists.
  bool PutValue(const std::string& Path, const std::string& Name, const TRegValue& Value);
  bool RemoveValue(const std::string& Path, const std::string& Name);
  std::vector<std::string> ValueNames(const std::string& Path);

 private:
  class TStatement;
  class TWriteTransaction;

  explicit TSettingsDatabase(std::string File);
  void Connect();
  void Prepare();
  void CreateSchema();
  std::optional<std::string> StoredPath(const std::string& Fold);
  std::int64_t QueryNumber(const char* Sql);
  std::string QueryText(const char* Sql);
  void Execute(const char* Sql);
  [[noreturn]] void Fail(int Code) const;
  std::string FailureReason(int Code) const;

  std::string FFile;
  sqlite3* FDb = nullptr;
};

}  // namespace skyrelle::settings
