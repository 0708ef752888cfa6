#include "platform/DataFolders.h"
#include "settings/RegistryBackEnd.h"
#include "settings/SettingsDatabase.h"

namespace skyrelle::settings {

std::string SettingsStorePath() { return platform::ConfigFolder() + "/halvorn/registry.sqlite3"; }

namespace {

// The store file is opened on first use, and made only by an accessor that may create keys.
// A store the database engine calls broken raises EStoreError naming the file; one that only
// refuses a change (read-only file, lock held too long) makes that change fail.
class TSqliteBackEnd final : public IRegistryBackEnd {
 public:
  explicit TSqliteBackEnd(std::string File) : FFile(std::move(File)) {}

  std::optional<std::string> OpenKey(const std::string& Path, bool Create,
                                     std::string& Failure) override {
    try {
      TSettingsDatabase* store = Store(Create);
      if (store == nullptr) return std::nullopt;
      FKey = Create ? store->CreateKey(Path) : store->FindKey(Path);
    } catch (const EDatabaseError& error) {
      if (!error.Refused()) throw;  // the store is broken: say so, naming the file
      Failure = error.StoreReason();
    }
    return FKey;
  }

  void CloseKey() override { FKey.reset(); }

  bool KeyExists(const std::string& Path) override {
    TSettingsDatabase* store = Store(false);
    return store != nullptr && store->FindKey(Path).has_value();
  }

  bool DeleteKey(const std::string& Path) override {
    TSettingsDatabase* store = Store(false);
    try {
      return store != nullptr && store->RemoveKey(Path);
    } catch (const EDatabaseError& error) {
      if (!error.Refused()) throw;
      return false;
    }
  }

  std::optional<TRegValue> ReadValue(const std::string& Name) override {
    return FDatabase->ReadValue(*FKey, Name);
  }

  bool WriteValue(const std::string& Name, const TRegValue& Value, std::string& Reason) override {
    try {
      return FDatabase->PutValue(*FKey, Name, Value);
    } catch (const EDatabaseError& error) {
      if (!error.Refused()) throw;
      Reason = error.StoreReason();
      return false;
    }
  }

  bool DeleteValue(const std::string& Name) override {
    try {
      return FDatabase->RemoveValue(*FKey, Name);
    } catch (const EStoreError&) {
      return false;  // callers never look at the outcome, and must not be stopped by it
    }
  }

  std::vector<std::string> ValueNames() override { return FDatabase->ValueNames(*FKey); }
  std::vector<std::string> KeyNames() override { return FDatabase->SubkeyNames(*FKey); }

 private:
  // The store, opened on first use; nullptr while it does not exist and may not be made.
  TSettingsDatabase* Store(bool Create) {
    if (!FDatabase) FDatabase = TSettingsDatabase::Open(FFile, Create);
    return FDatabase.get();
  }

  std::string FFile;
  std::unique_ptr<TSettingsDatabase> FDatabase;
  std::optional<std::string> FKey;
};

}  // namespace

std::unique_ptr<IRegistryBackEnd> CreateRegistryBackEnd(std::uint32_t /*Access*/,
                                                        const TSettingsStore& Store) {
  return std::make_unique<TSqliteBackEnd>(Store.Location());
}

}  // namespace skyrelle::settings
