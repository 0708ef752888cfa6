#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace skyrelle::settings {

// Access masks, with the registry's values.
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

enum class TRootKey { CurrentUser };

// Value types, with the registry's numbers; any other number is kept as opaque bytes.
enum TRegDataType : std::uint32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_DWORD_BIG_ENDIAN = 5,
  REG_QWORD = 11,
};

struct TRegValue {
  std::uint32_t Type = REG_NONE;
  std::vector<std::uint8_t> Data;
};

// Raised by reads and writes with the texts the program has always shown.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when the store itself cannot be used (damaged, not a database, unreadable).
class EStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The per-user settings store: keys holding named, typed values. One accessor serves one
// thread for one short piece of work; the key it opened is closed when it is released.
class TRegistry {
 public:
  explicit TRegistry(std::uint32_t Access = KEY_ALL_ACCESS);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  void SetRootKey(TRootKey Root);
  // Key paths compare without regard to case; a leading "\" means the same path.
  bool OpenKey(const std::string& Key, bool CanCreate);
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
  std::vector<std::string> GetValueNames();
  bool DeleteKey(const std::string& Key);

 private:
  struct TImpl;
  TImpl* FImpl;
};

}  // namespace skyrelle::settings
