// The store's names for access rights and value types are macros in <windows.h>, with the
// same values: its header goes first.
#include "settings/Registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace skyrelle::settings {
namespace {

// What Windows' own reg.exe prints for Command.
std::string RunReg(const std::string& Command) {
  std::string output;
  FILE* pipe = _popen(("reg.exe " + Command).c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
    output.append(buffer, got);
  _pclose(pipe);
  return output;
}

// The store is the registry itself: another program sees its values with their types.
TEST(RegQueryTest, RegSeesWhatTheStoreWroteWithTheRegistrysTypeNames) {
  const std::string root = "Software\\Skyrelle tests\\reg-" + std::to_string(GetCurrentProcessId());
  {
    TRegistry reg(KEY_READ | KEY_WRITE, TSettingsStore(root));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Halvorn\\hvnSkyrelle", true));
    reg.WriteString("SourceDirectory", "C:\\Pictures\\Wide");
    reg.WriteInteger("CurrentIndex", 7);
    reg.WriteDateTime("LastChange", 45292.5);
  }
  const std::string output = RunReg("query \"HKCU\\" + root + "\\Software\\Halvorn\\hvnSkyrelle\"");
  TRegistry(KEY_ALL_ACCESS).DeleteKey(root);

  for (const char* expected :
       {"SourceDirectory    REG_SZ    C:\\Pictures\\Wide", "CurrentIndex    REG_DWORD    0x7",
        "LastChange    REG_BINARY    00000000901DE640"})
    EXPECT_NE(output.find(expected), std::string::npos) << expected << "\n" << output;
}

}  // namespace
}  // namespace skyrelle::settings
