#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace skyrelle::settings {

// Access masks, with the registry's values.
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
// The rights within them that this store looks at.
constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;

// The registry's limits: keys at most this many levels deep, key and value names at most
// this many UTF-16 characters long. Value data may be larger.
constexpr std::size_t MaxKeyDepth = 512;
constexpr std::size_t MaxNameLength = 255;

enum class TRootKey { CurrentUser };

// Value types, with the registry's numbers; any other number is kept as opaque bytes.
enum TRegDataType : std::uint32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_DWORD_BIG_ENDIAN = 5,
  REG_LINK = 6,
  REG_MULTI_SZ = 7,
  REG_QWORD = 11,
};

struct TRegValue {
  std::uint32_t Type = REG_NONE;
  std::vector<std::uint8_t> Data;
};

// A text value's data: UTF-16LE with a terminating null character. Bytes that are not UTF-8
// (in file names) are kept as lone surrogates, and come back as the same bytes.
TRegValue MakeTextValue(const std::string& Text, std::uint32_t Type = REG_SZ);
// The UTF-16LE data up to its first null character, as UTF-8.
std::string TextOfData(const std::vector<std::uint8_t>& Data);

// Raised by reads and writes with the texts the program has always shown. A write the store
// refused gives on a line of its own the store's file and the system's reason.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when the store itself cannot be used (damaged, not a database, unreadable); the text
// names the file. Opening a key raises it rather than report a store that cannot be read as
// a missing key, which would silently start the user afresh.
class EStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the current user's store lies: on Linux the SQLite file that holds it; on Windows,
// where the store is the registry's current-user hive itself, the empty text.
std::string SettingsStorePath();

// Which store a TRegistry works on: the current user's, or one that a test or a tool names.
// On Linux a location is an SQLite file; on Windows a key below HKEY_CURRENT_USER that stands
// for the hive's root (so a test works in a key of its own), the empty text for the hive.
class TSettingsStore {
 public:
  static TSettingsStore CurrentUser() { return TSettingsStore(SettingsStorePath()); }
  explicit TSettingsStore(std::string Location) : FLocation(std::move(Location)) {}
  const std::string& Location() const { return FLocation; }

 private:
  std::string FLocation;
};

// The per-user settings store: keys holding named, typed values. One accessor serves one
// thread for one short piece of work; the key it opened is closed when it is released.
class TRegistry {
 public:
  explicit TRegistry(std::uint32_t Access = KEY_ALL_ACCESS,
                     const TSettingsStore& Store = TSettingsStore::CurrentUser());
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  void SetRootKey(TRootKey Root);
  // Key paths compare without regard to case; a leading "\" means the same path, from the
  // root. False when the key does not exist (or may not be created with this access), or
  // lies beyond the store's limits.
  bool OpenKey(const std::string& Key, bool CanCreate);
  // Why the last OpenKey failed, when more is known than that the key is missing: the limit
  // passed, or the store's file and the system's reason for refusing to create the key.
  // Writes refused after such a failure give it on their error's second line.
  const std::string& OpenFailure() const;
  void CloseKey();

  bool ValueExists(const std::string& Name);
  std::string ReadString(const std::string& Name);
  std::int32_t ReadInteger(const std::string& Name);
  double ReadDateTime(const std::string& Name);
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteInteger(const std::string& Name, std::int32_t Value);
  void WriteDateTime(const std::string& Name, double Value);
  bool DeleteValue(const std::string& Name);

  // Raw access for the command-line tool and for tests that need odd values.
  std::optional<TRegValue> ReadValue(const std::string& Name);
  void WriteValue(const std::string& Name, const TRegValue& Value);
  // Value names in the order the store keeps them (first written first on Linux; Windows's
  // registry has its own order); subkey names sorted without regard to case.
  std::vector<std::string> GetValueNames();
  std::vector<std::string> GetKeyNames();
  // The open key's full path from the root, with the case it was created with.
  std::string CurrentPath() const;
  bool KeyExists(const std::string& Key);
  // Removes the key with all its subkeys and values.
  bool DeleteKey(const std::string& Key);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace skyrelle::settings
