// The log-on start entry in the registry itself, in a key of the test's own, and once in the
// Run key where the registry tool sees it.
#include "platform/windows/RunKeyAutoStart.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/windows/RegistryKey.h"
#include "platform/windows/WideText.h"

namespace skyrelle::platform::windows {
namespace {

class RunKeyAutoStartTest : public testing::Test {
 public:
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, Widen(Key).c_str()); }

  std::optional<TRegistryKey::TValue> Stored() const {
    return TRegistryKey(HKEY_CURRENT_USER, Key, KEY_READ).Read("Skyrelle");
  }

  void StoreOther(DWORD Type, const std::vector<BYTE>& Data) const {
    ASSERT_EQ(
        TRegistryKey(HKEY_CURRENT_USER, Key, KEY_ALL_ACCESS, true).Write("Skyrelle", Type, Data),
        ERROR_SUCCESS);
  }

  const std::string Key = "Software\\Skyrelle tests\\run-" + std::to_string(GetCurrentProcessId());
};

// UTF-16 with its final null, as REG_SZ stores the path.
std::vector<BYTE> AsStored(const std::string& Text) {
  const std::wstring wide = Widen(Text);
  const auto* bytes = reinterpret_cast<const BYTE*>(wide.c_str());
  return {bytes, bytes + (wide.size() + 1) * sizeof(wchar_t)};
}

TEST_F(RunKeyAutoStartTest, IsOffWithoutTheKeyOrTheValue) {
  EXPECT_FALSE(TRunKeyAutoStart("C:\\Skyrelle.exe", Key).IsEnabled());
  TRegistryKey(HKEY_CURRENT_USER, Key, KEY_ALL_ACCESS, true);
  EXPECT_FALSE(TRunKeyAutoStart("C:\\Skyrelle.exe", Key).IsEnabled());
}

struct TPathCase {
  const char* Label;
  const char* Path;
};

void PrintTo(const TPathCase& Case, std::ostream* Out) { *Out << Case.Label; }

class RunKeyPathTest : public RunKeyAutoStartTest, public testing::WithParamInterface<TPathCase> {};

TEST_P(RunKeyPathTest, EnablingWritesThePathAsItIsAndDisablingRemovesIt) {
  const std::string program = GetParam().Path;
  TRunKeyAutoStart entry(program, Key);
  entry.Set(true);
  const std::optional<TRegistryKey::TValue> stored = Stored();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored->Data, AsStored(program));
  EXPECT_TRUE(entry.IsEnabled());
  entry.Set(false);
  EXPECT_FALSE(Stored().has_value());
  EXPECT_FALSE(entry.IsEnabled());
  entry.Set(false);
  EXPECT_FALSE(entry.IsEnabled()) << "removing an entry that is gone raises nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RunKeyPathTest,
    testing::Values(TPathCase{"Plain", "C:\\Skyrelle\\Skyrelle.exe"},
                    TPathCase{"SpacesUnquoted", "C:\\Program Files\\Sky relle\\Skyrelle.exe"},
                    TPathCase{"BeyondTheCodePage",
                              "D:\\Bilder \xC3\xBC\\\xCE\xA9mega\\Skyrelle.exe"}),
    [](const testing::TestParamInfo<TPathCase>& Case) { return Case.param.Label; });

// Another tool's value of another type counts as present, and the start writes it anew.
TEST_F(RunKeyAutoStartTest, AnyValueOfTheNameCountsAndIsReplacedByThePath) {
  StoreOther(REG_DWORD, {1, 0, 0, 0});
  TRunKeyAutoStart entry("C:\\New place\\Skyrelle.exe", Key);
  EXPECT_TRUE(entry.IsEnabled());
  entry.Set(true);
  EXPECT_EQ(Stored()->Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Stored()->Data, AsStored("C:\\New place\\Skyrelle.exe"));
}

TEST_F(RunKeyAutoStartTest, AKeyThatCannotBeMadeRefusesTheWriteWithTheStoresText) {
  // A key name may not be longer than 255 characters.
  TRunKeyAutoStart entry("C:\\Skyrelle.exe", Key + "\\" + std::string(300, 'k'));
  try {
    entry.Set(true);
    FAIL() << "the write was not refused";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Echec à la définition des données pour 'Skyrelle'");
  }
  EXPECT_NO_THROW(entry.Set(false));
}

// What `reg query` prints for the Run key's value, or nothing when it has none.
std::string RegQuery() {
  std::string output;
  FILE* query = _popen(
      "reg query \"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\" /v Skyrelle 2>nul",
      "r");
  if (query == nullptr) return output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, query) != nullptr) output += buffer;
  _pclose(query);
  return output;
}

TEST(RunKeyTest, TheRegistryToolSeesTheEntryInTheRunKey) {
  const std::string program = "C:\\Program Files\\Skyrelle\\Skyrelle.exe";
  TRunKeyAutoStart entry(program);
  entry.Set(true);
  const std::string listed = RegQuery();
  entry.Set(false);
  EXPECT_NE(listed.find("Skyrelle    REG_SZ    " + program), std::string::npos) << listed;
  EXPECT_EQ(RegQuery().find("REG_SZ"), std::string::npos);
}

}  // namespace
}  // namespace skyrelle::platform::windows
