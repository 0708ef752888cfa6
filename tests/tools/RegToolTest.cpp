#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/Registry.h"
#include "settings/StoreFixture.h"

namespace skyrelle::settings::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* NotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";
constexpr const char* Header = "\nHKEY_CURRENT_USER\\Software\\Halvorn\\hvnSkyrelle\n";
constexpr const char* Key = "HKCU\\Software\\Halvorn\\hvnSkyrelle";

struct TRun {
  int Code = -1;
  std::string Out;
  std::string Err;
};

class RegToolTest : public StoreFixture {
 protected:
  // Runs skyrelle-reg with Args, Input on its standard input.
  TRun Reg(const std::vector<std::string>& Args, const std::string& Input = "") {
    const std::string in = FFolder / "stdin";
    const std::string out = FFolder / "stdout";
    const std::string err = FFolder / "stderr";
    WriteBytes(in, Input);
    const pid_t child = fork();
    if (child == 0) {
      Redirect(in, O_RDONLY, 0);
      Redirect(out, O_WRONLY | O_CREAT | O_TRUNC, 1);
      Redirect(err, O_WRONLY | O_CREAT | O_TRUNC, 2);
      std::vector<char*> argv{const_cast<char*>(SKYRELLE_REG)};
      for (const std::string& arg : Args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(SKYRELLE_REG, argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
  }

  static std::optional<TRegValue> Stored(const std::string& Name) {
    TRegistry reg(KEY_READ);
    if (!reg.OpenKey(Key + 5, false)) return std::nullopt;  // without "HKCU\"
    return reg.ReadValue(Name);
  }

 private:
  static void Redirect(const std::string& File, int Flags, int Target) {
    const int handle = open(File.c_str(), Flags, 0600);
    if (handle < 0 || dup2(handle, Target) < 0) _exit(126);
    close(handle);
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
    const TRun add = Reg({"add", Key, "/v", name, "/t", c.Type, "/d", c.Data, "/f"});
    ASSERT_EQ(add.Code, 0) << c.Type << " " << c.Data << add.Err;
    EXPECT_EQ(add.Out, "The operation completed successfully.\n");

    const TRun query = Reg({"query", Key, "/v", name});
    EXPECT_EQ(query.Code, 0);
    EXPECT_EQ(query.Out, std::string(Header) + "    " + name + "    " + c.Shown + "\n\n");
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
  const TRun query = Reg({"query", "HKEY_CURRENT_USER\\software\\halvorn\\HVNSKYRELLE"});
  EXPECT_EQ(query.Code, 0);
  EXPECT_EQ(query.Out, std::string(Header) +
                           "    ShortDword    REG_DWORD    0102\n"
                           "    (Default)    REG_SZ    d\n"
                           "    InnerNull    REG_SZ    a\n\n");
}

TEST_F(RegToolTest, QueryListsValuesInOrderThenSubkeys) {
  ASSERT_EQ(Reg({"add", Key, "/v", "SourceDirectory", "/d", "/pics"}).Code, 0);
  ASSERT_EQ(Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "2"}).Code, 0);
  ASSERT_EQ(Reg({"add", std::string(Key) + "\\Sub"}).Code, 0);
  const TRun query = Reg({"query", "hkcu\\SOFTWARE\\Halvorn\\hvnSkyrelle"});
  EXPECT_EQ(query.Code, 0);
  EXPECT_EQ(query.Out, std::string(Header) +
                           "    SourceDirectory    REG_SZ    /pics\n"
                           "    CurrentIndex    REG_DWORD    0x2\n\n"
                           "HKEY_CURRENT_USER\\Software\\Halvorn\\hvnSkyrelle\\Sub\n");
  EXPECT_EQ(Reg({"query", "HKCU"}).Out, "\nHKEY_CURRENT_USER\n\nHKEY_CURRENT_USER\\Software\n");
}

TEST_F(RegToolTest, MissingKeysAndValuesAreErrors) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"query", "HKCU\\Software\\Nothing"},
        {"query", Key, "/v", "Nothing"},
        {"delete", "HKCU\\Software\\Nothing", "/f"}}) {
    const TRun run = Reg(args);
    EXPECT_EQ(run.Code, 1) << args[0] << " " << args[1];
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, NotFound);
  }
  ASSERT_EQ(Reg({"add", Key}).Code, 0);
  const TRun run = Reg({"delete", Key, "/v", "Nothing", "/f"});
  EXPECT_EQ(run.Code, 1);
  EXPECT_EQ(run.Err, NotFound);
}

TEST_F(RegToolTest, BadArgumentsPrintTheUsageAndChangeNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"query"},
      {"list", Key},
      {"query", "HKLM\\Software"},
      {"query", "Software\\Halvorn"},
      {"query", "HKCUX\\Software"},
      {"query", Key, "/f"},
      {"query", Key, "/v"},
      {"query", Key, "/v", "a", "/ve"},
      {"add", Key, "/v", "a", "/v", "b"},
      {"add", Key, "/t", "REG_SZ"},
      {"add", Key, "/d", "x"},
      {"add", Key, "/v", "a", "/d"},
      {"add", Key, "/v", "a", "/x"},
      {"add", Key, "/v", "a", "/f", "/f"},
      {"delete", Key, "/d", "x"},
  };
  for (const auto& args : cases) {
    const TRun run = Reg(args);
    std::string shown;
    for (const std::string& arg : args) shown += arg + " ";
    EXPECT_EQ(run.Code, 1) << shown;
    EXPECT_EQ(run.Out, "") << shown;
    EXPECT_THAT(run.Err, StartsWith("ERROR: ")) << shown;
    EXPECT_THAT(run.Err, HasSubstr("\nUsage: skyrelle-reg query KEY")) << shown;
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
    const TRun run = Reg({"add", Key, "/v", "V", "/t", c.Type, "/d", c.Data, "/f"});
    EXPECT_EQ(run.Code, 1) << c.Type << " " << c.Data;
    EXPECT_EQ(run.Err, c.Error);
  }
  EXPECT_FALSE(Stored("V").has_value());
}

TEST_F(RegToolTest, ChangesWithoutForceAskFirst) {
  ASSERT_EQ(Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "1"}).Code, 0);

  const TRun declined =
      Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "2"}, "n\n");
  EXPECT_EQ(declined.Code, 1);
  EXPECT_EQ(declined.Out, "Value CurrentIndex exists, overwrite (Yes/No)? ");
  EXPECT_EQ(declined.Err, "ERROR: The operation was cancelled.\n");
  EXPECT_EQ(Stored("CurrentIndex")->Data, (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(Reg({"delete", Key, "/v", "CurrentIndex"}, "").Code, 1);  // no answer at all
  EXPECT_TRUE(Stored("CurrentIndex").has_value());

  EXPECT_EQ(Reg({"add", Key, "/v", "currentindex", "/t", "REG_DWORD", "/d", "2"}, "yes\n").Code, 0);
  EXPECT_EQ(Stored("CurrentIndex")->Data, (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(Reg({"delete", Key, "/v", "CurrentIndex"}, "y\n").Code, 0);
  EXPECT_FALSE(Stored("CurrentIndex").has_value());
}

TEST_F(RegToolTest, DeletingAKeyTakesItsSubkeys) {
  ASSERT_EQ(Reg({"add", std::string(Key) + "\\Sub", "/v", "V", "/d", "x"}).Code, 0);
  ASSERT_EQ(Reg({"add", "HKCU\\Software\\Halvorn\\Analytics", "/v", "ClientId", "/d", "x"}).Code,
            0);
  const TRun run = Reg({"delete", "HKCU\\software\\HALVORN\\hvnskyrelle", "/f"});
  EXPECT_EQ(run.Code, 0) << run.Err;
  EXPECT_EQ(Reg({"query", std::string(Key) + "\\Sub"}).Code, 1);
  EXPECT_EQ(Reg({"query", Key}).Code, 1);
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\Halvorn\\Analytics", "/v", "ClientId"}).Code, 0);
  EXPECT_EQ(Reg({"delete", "HKCU", "/f"}).Code, 1);
}

TEST_F(RegToolTest, DamagedStoreIsNamedAndLeftAlone) {
  const std::string garbage(3000, '\x5A');
  WriteBytes(StoreFile(), garbage);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"query", Key}, {"add", Key, "/v", "V", "/d", "x", "/f"}}) {
    const TRun run = Reg(args);
    EXPECT_EQ(run.Code, 1);
    EXPECT_THAT(run.Err, StartsWith("ERROR: The settings store \"" + StoreFile() + "\""));
  }
  EXPECT_EQ(ReadBytes(StoreFile()), garbage);
}

// The tool runs as a user who may not write the store: the runtime's text, then the file and
// the system's reason on a line of their own.
TEST_F(RegToolTest, AWriteProtectedStoreIsNamedWithTheSystemsReason) {
  ASSERT_EQ(Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "5"}).Code, 0);
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
    EXPECT_EQ(RunInChild([&] { return Reg(c.Args).Code; }), 1);
    EXPECT_EQ(ReadBytes(FFolder / "stderr"), c.Err);
  }
  EXPECT_EQ(ReadBytes(StoreFile()), before);
}

TEST_F(RegToolTest, KeysDeeperThanTheRegistryAllowsAreRefused) {
  std::string key = "HKCU";
  for (std::size_t level = 0; level < MaxKeyDepth; ++level) key += "\\k";
  EXPECT_EQ(Reg({"add", key}).Code, 0);
  const TRun deeper = Reg({"add", key + "\\k"});
  EXPECT_EQ(deeper.Code, 1);
  EXPECT_EQ(deeper.Err, "ERROR: Access is denied.\nKeys are at most 512 levels deep\n");
  const TRun query = Reg({"query", key + "\\k"});
  EXPECT_EQ(query.Err, NotFound + std::string("Keys are at most 512 levels deep\n"));
}

// Checking a large store takes a while; a process does it at its first opening only. Damage
// that no read of the engine's key reaches shows to a new process, not to this one again.
TEST_F(RegToolTest, EachProcessChecksTheStoreOnce) {
  ASSERT_EQ(Reg({"add", Key, "/v", "CurrentIndex", "/t", "REG_DWORD", "/d", "5"}).Code, 0);
  ASSERT_EQ(
      Reg({"add", "HKCU\\Junk", "/v", "Big", "/t", "REG_BINARY", "/d", std::string(40000, 'A')})
          .Code,
      0);
  ASSERT_EQ(Stored("CurrentIndex")->Data, (Bytes{5, 0, 0, 0}));
  // The last page ends the big value's chain of overflow pages; it now points nowhere.
  std::string file = ReadBytes(StoreFile());
  std::fill_n(file.end() - 4096, 4, '\xFF');
  WriteBytes(StoreFile(), file);
  EXPECT_EQ(Stored("CurrentIndex")->Data, (Bytes{5, 0, 0, 0}));
  const TRun fresh = Reg({"query", Key});
  EXPECT_EQ(fresh.Code, 1);
  EXPECT_THAT(fresh.Err, HasSubstr("is damaged"));
}

}  // namespace
}  // namespace skyrelle::settings::testing
