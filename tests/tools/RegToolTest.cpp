#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/Registry.h"
#include "settings/StoreFixture.h"

namespace skyrelle::settings {
namespace {

using namespace test_support;

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* NotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";
constexpr const char* Header = "\nHKEY_CURRENT_USER\\Software\\Halvorn\\hvnSkyrelle\n";
constexpr const char* Key = "HKCU\\Software\\Halvorn\\hvnSkyrelle";

class RegToolTest : public StoreFixture {
 protected:
  // Runs skyrelle-reg with Args, Input on its standard input.
  static TProgramRun Reg(const std::vector<std::string>& Args, const std::string& Input = "") {
    std::vector<std::string> command{SKYRELLE_REG};
    command.insert(command.end(), Args.begin(), Args.end());
    return RunProgram(command, Input);
  }

  static std::optional<TRegValue> Stored(const std::string& Name) {
    TRegistry reg(KEY_READ);
    if (!reg.OpenKey(Key + 5, false)) return std::nullopt;  // without "HKCU\"
    return reg.ReadValue(Name);
  }
};

struct RoundTrip {
  const char* Type;
  std::string Data;
  Bytes Stored;
  std::uint32_t StoredType;
  const char* Shown;  // type and data as query shows them
};

TEST_F(RegToolTest, AddThenQueryRoundTripsEveryType) {
  const RoundTrip cases[] = {
      {"REG_SZ",
       "/some/folder",
       {'/', 0,   's', 0,   'o', 0,   'm', 0,   'e', 0,   '/', 0, 'f',
        0,   'o', 0,   'l', 0,   'd', 0,   'e', 0,   'r', 0,   0, 0},
       REG_SZ,
       "REG_SZ    /some/folder"},
      {"REG_SZ", "", {0, 0}, REG_SZ, "REG_SZ    "},
      {"reg_sz",
       "\xC3\x84 ;\"",
       {0xC4, 0, ' ', 0, ';', 0, '"', 0, 0, 0},
       REG_SZ,
       "REG_SZ    \xC3\x84 ;\""},
      {"REG_EXPAND_SZ",
       "%HOME%",
       {'%', 0, 'H', 0, 'O', 0, 'M', 0, 'E', 0, '%', 0, 0, 0},
       REG_EXPAND_SZ,
       "REG_EXPAND_SZ    %HOME%"},
      {"REG_MULTI_SZ",
       "a\\0b",
       {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0},
       REG_MULTI_SZ,
       "REG_MULTI_SZ    a\\0b"},
      {"REG_DWORD", "3", {3, 0, 0, 0}, REG_DWORD, "REG_DWORD    0x3"},
      {"REG_DWORD", "0xDEADBEEF", {0xEF, 0xBE, 0xAD, 0xDE}, REG_DWORD, "REG_DWORD    0xdeadbeef"},
      {"REG_DWORD", "-1", {0xFF, 0xFF, 0xFF, 0xFF}, REG_DWORD, "REG_DWORD    0xffffffff"},
      {"REG_DWORD_BIG_ENDIAN",
       "0x01020304",
       {1, 2, 3, 4},
       REG_DWORD_BIG_ENDIAN,
       "REG_DWORD_BIG_ENDIAN    0x1020304"},
      {"REG_QWORD",
       "0x1122334455667788",
       {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11},
       REG_QWORD,
       "REG_QWORD    0x1122334455667788"},
      {"REG_QWORD", "18446744073709551615", Bytes(8, 0xFF), REG_QWORD,
       "REG_QWORD    0xffffffffffffffff"},
      {"REG_BINARY",
       "00000000901de640",
       {0, 0, 0, 0, 0x90, 0x1d, 0xe6, 0x40},
       REG_BINARY,
       "REG_BINARY    00000000901DE640"},
      {"REG_BINARY", "", {}, REG_BINARY, "REG_BINARY    "},
      {"REG_NONE", "0a", {0x0A}, REG_NONE, "REG_NONE    0A"},
      {"0x2A", "dead", {0xDE, 0xAD}, 42, "42    DEAD"},
  };
  int index = 0;
  for (const RoundTrip& c : cases) {
    const std::string name = "Value" + std::to_string(index++);
    const TProgramRun add = Reg({"add", Key, "/v", name, "/t", c.Type, "/d", c.Data, "/f"});
    ASSERT_EQ(add.ExitCode, 0) << c.Type << " " << c.Data << add.ErrorOutput;
    EXPECT_EQ(add.Output, "The operation completed successfully.\n");

    const TProgramRun query = Reg({"query", Key, "/v", name});
    EXPECT_EQ(query.ExitCode, 0);
    EXPECT_EQ(query.Output, std::string(Header) + "    " + name + "    " + c.Shown + "\n\n");
    const auto stored = Stored(name);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->Type, c.StoredType) << c.Type;
    EXPECT_EQ(stored->Data, c.Stored) << c.Type << " " << c.Data;
  }
}

TEST_F(RegToolTest, OddValuesAreShownAsTheirBytes) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Key + 5, true));
    reg.WriteValue("ShortDword", {REG_DWORD, {1, 2}});
    reg.WriteValue("", {REG_SZ, {'d', 0, 0, 0}});
    reg.WriteValue("InnerNull", {REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}});
  }
  const TProgramRun query = Reg({"query", "HKEY_CURRENT_USER\\software\\halvorn\\HVNSKYRELLE"});
  EXPECT_EQ(query.ExitCode, 0);
  EXPECT_EQ(query.Output, std::string(Header) +
                              "    ShortDword    REG_DWORD    0102\n"
                              "    (Default)    REG_SZ    d\n"
                              "    InnerNull    REG_SZ    a\n\n");
}

TEST_F(RegToolTest, QueryListsValuesInOrderThenSubkeys) {
  ASSERT_EQ(Reg({"add", Key, "/v", "SourceDirectory", "/d", "/pics"}).ExitCode, 0);
  ASSERT_EQ(Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "2"}).ExitCode, 0);
  ASSERT_EQ(Reg({"add", std::string(Key) + "\\Sub"}).ExitCode, 0);
  const TProgramRun query = Reg({"query", "hkcu\\SOFTWARE\\Halvorn\\hvnSkyrelle"});
  EXPECT_EQ(query.ExitCode, 0);
  EXPECT_EQ(query.Output, std::string(Header) +
                              "    SourceDirectory    REG_SZ    /pics\n"
                              "    CurrentIndex    REG_DWORD    0x2\n\n"
                              "HKEY_CURRENT_USER\\Software\\Halvorn\\hvnSkyrelle\\Sub\n");
  EXPECT_EQ(Reg({"query", "HKCU"}).Output, "\nHKEY_CURRENT_USER\n\nHKEY_CURRENT_USER\\Software\n");
}

TEST_F(RegToolTest, MissingKeysAndValuesAreErrors) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"query", "HKCU\\Software\\Nothing"},
        {"query", Key, "/v", "Nothing"},
        {"delete", "HKCU\\Software\\Nothing", "/f"}}) {
    const TProgramRun run = Reg(args);
    EXPECT_EQ(run.ExitCode, 1) << args[0] << " " << args[1];
    EXPECT_EQ(run.Output, "");
    EXPECT_EQ(run.ErrorOutput, NotFound);
  }
  ASSERT_EQ(Reg({"add", Key}).ExitCode, 0);
  const TProgramRun run = Reg({"delete", Key, "/v", "Nothing", "/f"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.ErrorOutput, NotFound);
}

TEST_F(RegToolTest, BadArgumentsPrintTheUsageAndChangeNothing) {
  const struct {
    std::vector<std::string> Args;
    std::string Error;  // the first line, naming what could not be used
  } cases[] = {
      {{}, "Invalid syntax: no operation (query, add or delete) given."},
      {{"query"}, "Invalid syntax: no key given."},
      {{"list", Key}, "Invalid syntax: \"list\" is no operation (query, add or delete)."},
      {{"query", "HKLM\\Software"}, "Invalid key name."},
      {{"query", "Software\\Halvorn"}, "Invalid key name."},
      {{"query", "HKCUX\\Software"}, "Invalid key name."},
      {{"query", Key, "/f"}, "Invalid syntax: \"/f\" cannot be used here."},
      {{"query", Key, "/v"}, "Invalid syntax: \"/v\" needs a value after it."},
      {{"query", Key, "/v", "a", "/ve"}, "Invalid syntax: \"/ve\" is given twice."},
      {{"add", Key, "/v", "a", "-V", "b"}, "Invalid syntax: \"-V\" is given twice."},
      {{"add", Key, "/t", "REG_SZ"},
       "Invalid syntax: /t and /d need a value named with /v or /ve."},
      {{"add", Key, "/d", "x"}, "Invalid syntax: /t and /d need a value named with /v or /ve."},
      {{"add", Key, "/v", "a", "/d"}, "Invalid syntax: \"/d\" needs a value after it."},
      {{"add", Key, "/v", "a", "/x"}, "Invalid syntax: \"/x\" cannot be used here."},
      {{"add", Key, "/v", "a", "/f", "/f"}, "Invalid syntax: \"/f\" cannot be used here."},
      {{"delete", Key, "/d", "x"}, "Invalid syntax: \"/d\" cannot be used here."},
  };
  for (const auto& c : cases) {
    const TProgramRun run = Reg(c.Args);
    std::string shown;
    for (const std::string& arg : c.Args) shown += arg + " ";
    EXPECT_EQ(run.ExitCode, 1) << shown;
    EXPECT_EQ(run.Output, "") << shown;
    EXPECT_THAT(run.ErrorOutput, StartsWith("ERROR: " + c.Error + "\n")) << shown;
    EXPECT_THAT(run.ErrorOutput, HasSubstr("\nUsage: skyrelle-reg query KEY")) << shown;
  }
  EXPECT_FALSE(std::filesystem::exists(StoreFile()));
}

TEST_F(RegToolTest, DataThatDoesNotFitItsTypeIsRefused) {
  const struct {
    const char* Type;
    const char* Data;
    const char* Error;
  } cases[] = {
      {"REG_DWORD", "abc", "ERROR: Invalid data 'abc' for REG_DWORD.\n"},
      {"REG_DWORD", "", "ERROR: Invalid data '' for REG_DWORD.\n"},
      {"REG_DWORD", "4294967296", "ERROR: Invalid data '4294967296' for REG_DWORD.\n"},
      {"REG_DWORD", "-2147483649", "ERROR: Invalid data '-2147483649' for REG_DWORD.\n"},
      {"REG_DWORD", "0x", "ERROR: Invalid data '0x' for REG_DWORD.\n"},
      {"REG_QWORD", "0x1ffffffffffffffff",
       "ERROR: Invalid data '0x1ffffffffffffffff' for REG_QWORD.\n"},
      {"REG_BINARY", "abc", "ERROR: Invalid data 'abc' for REG_BINARY.\n"},
      {"REG_BINARY", "zz", "ERROR: Invalid data 'zz' for REG_BINARY.\n"},
      {"REG_WORD", "1", "ERROR: Invalid type 'REG_WORD'.\n"},
  };
  for (const auto& c : cases) {
    const TProgramRun run = Reg({"add", Key, "/v", "V", "/t", c.Type, "/d", c.Data, "/f"});
    EXPECT_EQ(run.ExitCode, 1) << c.Type << " " << c.Data;
    EXPECT_EQ(run.ErrorOutput, c.Error);
  }
  EXPECT_FALSE(Stored("V").has_value());
}

TEST_F(RegToolTest, ChangesWithoutForceAskFirst) {
  ASSERT_EQ(Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "1"}).ExitCode, 0);

  const TProgramRun declined =
      Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "2"}, "n\n");
  EXPECT_EQ(declined.ExitCode, 1);
  EXPECT_EQ(declined.Output, "Value CurrentIndex exists, overwrite (Yes/No)? ");
  EXPECT_EQ(declined.ErrorOutput, "ERROR: The operation was cancelled.\n");
  EXPECT_EQ(Stored("CurrentIndex")->Data, (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(Reg({"delete", Key, "/v", "CurrentIndex"}, "").ExitCode, 1);  // no answer at all
  EXPECT_TRUE(Stored("CurrentIndex").has_value());

  EXPECT_EQ(Reg({"add", Key, "/v", "currentindex", "/t", "REG_DWORD", "/d", "2"}, "yes\n").ExitCode,
            0);
  EXPECT_EQ(Stored("CurrentIndex")->Data, (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(Reg({"delete", Key, "/v", "CurrentIndex"}, "y\n").ExitCode, 0);
  EXPECT_FALSE(Stored("CurrentIndex").has_value());
}

TEST_F(RegToolTest, DeletingAKeyTakesItsSubkeys) {
  ASSERT_EQ(Reg({"add", std::string(Key) + "\\Sub", "/v", "V", "/d", "x"}).ExitCode, 0);
  ASSERT_EQ(
      Reg({"add", "HKCU\\Software\\Halvorn\\Analytics", "/v", "ClientId", "/d", "x"}).ExitCode, 0);
  const TProgramRun run = Reg({"delete", "HKCU\\software\\HALVORN\\hvnskyrelle", "/f"});
  EXPECT_EQ(run.ExitCode, 0) << run.ErrorOutput;
  EXPECT_EQ(Reg({"query", std::string(Key) + "\\Sub"}).ExitCode, 1);
  EXPECT_EQ(Reg({"query", Key}).ExitCode, 1);
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\Halvorn\\Analytics", "/v", "ClientId"}).ExitCode, 0);
  EXPECT_EQ(Reg({"delete", "HKCU", "/f"}).ExitCode, 1);
}

TEST_F(RegToolTest, DamagedStoreIsNamedAndLeftAlone) {
  const std::string garbage(3000, '\x5A');
  WriteBytes(StoreFile(), garbage);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"query", Key}, {"add", Key, "/v", "V", "/d", "x", "/f"}}) {
    const TProgramRun run = Reg(args);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_THAT(run.ErrorOutput, StartsWith("ERROR: The settings store \"" + StoreFile() + "\""));
  }
  EXPECT_EQ(ReadBytes(StoreFile()), garbage);
}

// The tool runs as a user who may not write the store: the runtime's text, then the file and
// the system's reason on a line of their own.
TEST_F(RegToolTest, AWriteProtectedStoreIsNamedWithTheSystemsReason) {
  ASSERT_EQ(Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "5"}).ExitCode, 0);
  ASSERT_EQ(chmod(StoreFile().c_str(), 0400), 0);
  const std::string before = ReadBytes(StoreFile());
  const std::string reason = "\"" + StoreFile() + "\": Permission denied\n";
  const struct {
    std::vector<std::string> Args;
    std::string Err;
  } cases[] = {
      {{"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "6", "/f"},
       "ERROR: Echec à la définition des données pour 'CurrentIndex'\n" + reason},
      {{"add", "HKCU\\Software\\New", "/v", "V", "/d", "x"}, "ERROR: Access is denied.\n" + reason},
  };
  for (const auto& c : cases) {
    const int code = RunInChild([&] {
      const TProgramRun run = Reg(c.Args);
      if (run.ErrorOutput != c.Err) std::fprintf(stderr, "said: %s", run.ErrorOutput.c_str());
      return run.ExitCode == 1 && run.ErrorOutput == c.Err ? 0 : 1;
    });
    EXPECT_EQ(code, 0) << c.Err;
  }
  EXPECT_EQ(ReadBytes(StoreFile()), before);
}

TEST_F(RegToolTest, KeysDeeperThanTheRegistryAllowsAreRefused) {
  std::string key = "HKCU";
  for (std::size_t level = 0; level < MaxKeyDepth; ++level) key += "\\k";
  EXPECT_EQ(Reg({"add", key}).ExitCode, 0);
  const TProgramRun deeper = Reg({"add", key + "\\k"});
  EXPECT_EQ(deeper.ExitCode, 1);
  EXPECT_EQ(deeper.ErrorOutput, "ERROR: Access is denied.\nKeys are at most 512 levels deep\n");
  const TProgramRun query = Reg({"query", key + "\\k"});
  EXPECT_EQ(query.ErrorOutput, NotFound + std::string("Keys are at most 512 levels deep\n"));
}

// Checking a large store takes a while; a process does it at its first opening only. Damage
// that no read of the engine's key reaches shows to a new process, not to this one again.
TEST_F(RegToolTest, EachProcessChecksTheStoreOnce) {
  ASSERT_EQ(Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "5"}).ExitCode, 0);
  ASSERT_EQ(
      Reg({"add", "HKCU\\Junk", "/v", "Big", "/t", "REG_BINARY", "/d", std::string(40000, 'A')})
          .ExitCode,
      0);
  ASSERT_EQ(Stored("CurrentIndex")->Data, (Bytes{5, 0, 0, 0}));
  // The last page ends the big value's chain of overflow pages; it now points nowhere.
  std::string file = ReadBytes(StoreFile());
  std::fill_n(file.end() - 4096, 4, '\xFF');
  WriteBytes(StoreFile(), file);
  EXPECT_EQ(Stored("CurrentIndex")->Data, (Bytes{5, 0, 0, 0}));
  const TProgramRun fresh = Reg({"query", Key});
  EXPECT_EQ(fresh.ExitCode, 1);
  EXPECT_THAT(fresh.ErrorOutput, HasSubstr("is damaged"));
}

}  // namespace
}  // namespace skyrelle::settings
