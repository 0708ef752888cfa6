#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "StoreFixture.h"
#include "settings/Registry.h"

namespace skyrelle::settings {
namespace {

using namespace test_support;

using ::testing::HasSubstr;

constexpr const char* EngineKey = "\\Software\\Halvorn\\hvnSkyrelle";

class StoreFileTest : public StoreFixture {
 protected:
  void MakeStore() {
    TRegistry reg(KEY_READ | KEY_WRITE);
    ASSERT_TRUE(reg.OpenKey(EngineKey, true));
    reg.WriteString("SourceDirectory", "/home/me/Pictures");
    reg.WriteInteger("CurrentIndex", 5);
  }

  // The text of the EStoreError that opening the key raises, or "" when it raised none.
  static std::string OpenError(std::uint32_t Access, bool Create) {
    try {
      TRegistry reg(Access);
      reg.OpenKey(EngineKey, Create);
    } catch (const EStoreError& error) {
      return error.what();
    }
    return "";
  }

  // Raises the same error for every kind of accessor and leaves the file as it was.
  void ExpectRefusedAndUntouched(const std::string& Why,
                                 const std::string& Advice = "move it aside to start afresh") {
    const std::string before = ReadBytes(StoreFile());
    for (const std::uint32_t access : {KEY_READ, KEY_READ | KEY_WRITE, KEY_ALL_ACCESS}) {
      for (const bool create : {false, true}) {
        const std::string error = OpenError(access, create);
        EXPECT_THAT(error, HasSubstr("\"" + StoreFile() + "\"")) << access << create;
        EXPECT_THAT(error, HasSubstr(Why)) << access << create;
        EXPECT_THAT(error, HasSubstr(Advice)) << access << create;
      }
    }
    EXPECT_EQ(ReadBytes(StoreFile()), before);
    EXPECT_FALSE(std::filesystem::exists(StoreFile() + "-journal"));
    EXPECT_FALSE(std::filesystem::exists(StoreFile() + "-wal"));
  }

  // Runs Sql on the store file directly, as another program might.
  void Tamper(const std::string& Sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(StoreFile().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, Sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
};

TEST_F(StoreFileTest, ReadOnlyAccessorNeverCreatesTheStore) {
  TRegistry reg(KEY_READ);
  EXPECT_FALSE(reg.OpenKey(EngineKey, true));
  EXPECT_FALSE(std::filesystem::exists(StoreFile()));
  EXPECT_FALSE(std::filesystem::exists(FFolder / "halvorn"));
}

TEST_F(StoreFileTest, FirstWriteCreatesAPrivateStoreInTheConfigFolder) {
  EXPECT_EQ(SettingsStorePath(), StoreFile());
  MakeStore();
  struct stat folder {};
  struct stat file {};
  ASSERT_EQ(stat((FFolder / "halvorn").c_str(), &folder), 0);
  ASSERT_EQ(stat(StoreFile().c_str(), &file), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  EXPECT_EQ(file.st_mode & 0777, 0600u);
  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  EXPECT_EQ(reg.ReadInteger("CurrentIndex"), 5);
}

TEST_F(StoreFileTest, MissingConfigFolderIsCreatedPrivate) {
  const TScopedVariable configHome("XDG_CONFIG_HOME", FFolder / "deep/config");
  TRegistry reg(KEY_READ | KEY_WRITE);
  ASSERT_TRUE(reg.OpenKey(EngineKey, true));
  struct stat folder {};
  ASSERT_EQ(stat((FFolder / "deep/config/halvorn").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

TEST_F(StoreFileTest, GarbageFileIsReportedAndLeftAlone) {
  WriteBytes(StoreFile(), std::string(5000, 'x') + "not a database");
  ExpectRefusedAndUntouched("is damaged or is not a database");
}

TEST_F(StoreFileTest, DamagedPagesAreReportedAndLeftAlone) {
  MakeStore();
  std::string bytes = ReadBytes(StoreFile());
  ASSERT_GE(bytes.size(), 8192u);
  // Page 2 holds the first table's root: scribble over it.
  for (std::size_t i = 4096; i < 8192; i += 7) bytes[i] = static_cast<char>(0xA5);
  WriteBytes(StoreFile(), bytes);
  ExpectRefusedAndUntouched("damaged");
}

TEST_F(StoreFileTest, TruncatedStoreIsReportedAndLeftAlone) {
  MakeStore();
  const std::string bytes = ReadBytes(StoreFile());
  WriteBytes(StoreFile(), bytes.substr(0, 100));
  ExpectRefusedAndUntouched("damaged");
}

TEST_F(StoreFileTest, AnotherProgramsDatabaseIsNotTakenOver) {
  WriteBytes(StoreFile(), "");
  Tamper("CREATE TABLE photos (name TEXT); INSERT INTO photos VALUES ('x');");
  ExpectRefusedAndUntouched("is not a Skyrelle settings store");
}

TEST_F(StoreFileTest, StoreOfANewerVersionIsLeftAlone) {
  MakeStore();
  Tamper("PRAGMA user_version = 2");
  // Moving it aside would lose what the newer program keeps.
  ExpectRefusedAndUntouched("newer version", "it has been left untouched");
}

TEST_F(StoreFileTest, EmptyFileIsTakenAsANewStore) {
  WriteBytes(StoreFile(), "");
  {
    TRegistry reader(KEY_READ);
    EXPECT_FALSE(reader.OpenKey(EngineKey, true));
  }
  EXPECT_EQ(ReadBytes(StoreFile()), "");
  MakeStore();
  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  EXPECT_EQ(reg.ReadString("SourceDirectory"), "/home/me/Pictures");
}

TEST_F(StoreFileTest, UnreadableFileIsReportedByName) {
  MakeStore();
  ASSERT_EQ(chmod(StoreFile().c_str(), 0), 0);
  const int code = RunInChild([this] {
    const std::string error = OpenError(KEY_READ, false);
    return error.find("\"" + StoreFile() + "\"") != std::string::npos ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
}

TEST_F(StoreFileTest, WriteProtectedFileIsReadButRefusesWrites) {
  MakeStore();
  ASSERT_EQ(chmod(StoreFile().c_str(), 0400), 0);
  const std::string before = ReadBytes(StoreFile());
  // The runtime's text, then the file and the system's reason on a line of their own.
  const std::string refused = "\"" + StoreFile() + "\": Permission denied";
  const int code = RunInChild([&] {
    TRegistry reg(KEY_READ | KEY_WRITE);
    if (!reg.OpenKey(EngineKey, true)) return 1;
    if (reg.ReadInteger("CurrentIndex") != 5) return 2;
    if (reg.OpenKey("Software\\New", true) || reg.OpenFailure() != refused) return 3;
    if (!reg.OpenKey(EngineKey, true)) return 4;
    try {
      reg.WriteInteger("CurrentIndex", 6);
    } catch (const ERegistryException& error) {
      return std::string(error.what()) ==
                     "Echec à la définition des données pour 'CurrentIndex'\n" + refused
                 ? 0
                 : 5;
    }
    return 6;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadBytes(StoreFile()), before);
}

TEST_F(StoreFileTest, WriteProtectedEmptyFileOpensNoKey) {
  WriteBytes(StoreFile(), "");
  ASSERT_EQ(chmod(StoreFile().c_str(), 0400), 0);
  const std::string refused = "\"" + StoreFile() + "\": Permission denied";
  const int code = RunInChild([&] {
    TRegistry reg(KEY_READ | KEY_WRITE);
    if (reg.OpenKey(EngineKey, true)) return 1;
    try {
      reg.WriteString("SourceDirectory", "/x");
    } catch (const ERegistryException& error) {
      return std::string(error.what()) ==
                     "Echec à la définition des données pour 'SourceDirectory'\n" + refused
                 ? 0
                 : 2;
    }
    return 3;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadBytes(StoreFile()), "");
}

TEST_F(StoreFileTest, ConfigFolderThatIsAFileIsReportedByName) {
  WriteBytes(FFolder / "halvorn", "in the way");
  const std::string error = OpenError(KEY_READ | KEY_WRITE, true);
  EXPECT_THAT(error, HasSubstr(FFolder / "halvorn"));
  EXPECT_EQ(ReadBytes(FFolder / "halvorn"), "in the way");
}

}  // namespace
}  // namespace skyrelle::settings
