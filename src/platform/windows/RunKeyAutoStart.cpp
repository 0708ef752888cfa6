#include "platform/windows/RunKeyAutoStart.h"

#include <windows.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/windows/RegistryKey.h"
#include "platform/windows/WideText.h"

namespace skyrelle::platform {
namespace windows {
namespace {

constexpr const char* ValueName = "Skyrelle";
constexpr const char* WriteFailedText = "Echec à la définition des données pour 'Skyrelle'";

// UTF-16 with its terminating null, as REG_SZ holds text.
std::vector<BYTE> RegistryText(const std::string& Text) {
  const std::wstring wide = Widen(Text);
  const auto* bytes = reinterpret_cast<const BYTE*>(wide.c_str());
  return {bytes, bytes + (wide.size() + 1) * sizeof(wchar_t)};
}

}  // namespace

TRunKeyAutoStart::TRunKeyAutoStart(std::string ProgramPath, std::string Key)
    : FProgramPath(std::move(ProgramPath)), FKey(std::move(Key)) {}

bool TRunKeyAutoStart::IsEnabled() const {
  const TRegistryKey key(HKEY_CURRENT_USER, FKey, KEY_READ);
  return key.IsOpen() && key.Read(ValueName).has_value();
}

// A refused deletion goes unnoticed, as does removing an entry that is gone.
void TRunKeyAutoStart::Set(bool Enable) {
  const TRegistryKey key(HKEY_CURRENT_USER, FKey, KEY_READ | KEY_WRITE, true);
  if (!Enable) {
    key.Delete(ValueName);
    return;
  }
  if (key.Write(ValueName, REG_SZ, RegistryText(FProgramPath)) != ERROR_SUCCESS)
    throw std::runtime_error(WriteFailedText);
}

}  // namespace windows

std::unique_ptr<IAutoStart> CreateAutoStart(const std::string& ProgramPath) {
  return std::make_unique<windows::TRunKeyAutoStart>(ProgramPath);
}

}  // namespace skyrelle::platform
