#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "IsolatedStore.h"
#include "settings/Registry.h"

namespace skyrelle::settings {
namespace {

using namespace test_support;

using Bytes = std::vector<std::uint8_t>;

constexpr const char* EngineKey = "\\Software\\Halvorn\\hvnSkyrelle";
constexpr std::uint32_t ReadWrite = KEY_READ | KEY_WRITE;

std::string GetDataFailed(const std::string& Name) {
  return "Echec à l'obtention des données pour '" + Name + "'";
}
std::string InvalidType(const std::string& Name) {
  return "Type de données incorrect pour '" + Name + "'";
}
std::string SetDataFailed(const std::string& Name) {
  return "Echec à la définition des données pour '" + Name + "'";
}

// The message the call raised, or "" when it raised nothing.
std::string ErrorOf(const std::function<void()>& Call) {
  try {
    Call();
  } catch (const ERegistryException& error) {
    return error.what();
  }
  return "";
}

class RegistryTest : public ::testing::Test {
 protected:
  TIsolatedStore FIsolation;

  void Store(const std::string& Name, std::uint32_t Type, Bytes Data) {
    TRegistry reg(KEY_ALL_ACCESS);
    ASSERT_TRUE(reg.OpenKey(EngineKey, true));
    reg.WriteValue(Name, {Type, std::move(Data)});
  }
};

TEST_F(RegistryTest, KeepsTypeAndBytesOfEveryValueExactly) {
  const struct {
    std::uint32_t Type;
    Bytes Data;
  } cases[] = {
      {REG_SZ, {'a', 0, 0, 0}},
      {REG_EXPAND_SZ, {'%', 0, 'X', 0, '%', 0, 0, 0}},
      {REG_BINARY, {0x00, 0xFF, 0x10, 0x80, 0x00}},
      {REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
      {REG_DWORD_BIG_ENDIAN, {0x12, 0x34, 0x56, 0x78}},
      {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
      {REG_NONE, {}},
      {REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
      {0x7FFFFFFFu, {0xDE, 0xAD}},
      {0xFFFFFFFFu, {}},
  };
  for (const auto& c : cases) Store("V" + std::to_string(c.Type), c.Type, c.Data);

  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  for (const auto& c : cases) {
    const auto value = reg.ReadValue("V" + std::to_string(c.Type));
    ASSERT_TRUE(value.has_value()) << c.Type;
    EXPECT_EQ(value->Type, c.Type);
    EXPECT_EQ(value->Data, c.Data) << c.Type;
  }
}

TEST_F(RegistryTest, TypedWritesStoreTheRegistryEncodings) {
  {
    TRegistry reg(ReadWrite);
    ASSERT_TRUE(reg.OpenKey(EngineKey, true));
    reg.WriteString("Text", "é\xF0\x9F\x98\x80");  // é and an emoji: three UTF-16 units
    reg.WriteString("Empty", "");
    reg.WriteInteger("Index", -2);
    reg.WriteDateTime("When", 45292.5);
  }
  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  const struct {
    const char* Name;
    std::uint32_t Type;
    Bytes Data;
  } expected[] = {
      {"Text", REG_SZ, {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00}},
      {"Empty", REG_SZ, {0x00, 0x00}},
      {"Index", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"When", REG_BINARY, {0x00, 0x00, 0x00, 0x00, 0x90, 0x1d, 0xe6, 0x40}},
  };
  for (const auto& e : expected) {
    const auto value = reg.ReadValue(e.Name);
    ASSERT_TRUE(value.has_value()) << e.Name;
    EXPECT_EQ(value->Type, e.Type) << e.Name;
    EXPECT_EQ(value->Data, e.Data) << e.Name;
  }
  EXPECT_EQ(reg.ReadString("Text"), "é\xF0\x9F\x98\x80");
  EXPECT_EQ(reg.ReadInteger("Index"), -2);
  EXPECT_EQ(reg.ReadDateTime("When"), 45292.5);
}

struct ReadCase {
  const char* Label;
  std::uint32_t Type;
  Bytes Data;
  std::string Expected;  // the value read, as text
  std::string Error;     // "get", "type" or "" for none
};

std::string ExpectedError(const std::string& Kind, const std::string& Name) {
  if (Kind == "get") return GetDataFailed(Name);
  if (Kind == "type") return InvalidType(Name);
  return "";
}

class ReadTest : public RegistryTest {
 protected:
  // Stores each case's value, then reads it with Read; checks value or error text.
  void Check(const std::vector<ReadCase>& Cases,
             const std::function<std::string(TRegistry&, const std::string&)>& Read) {
    for (const ReadCase& c : Cases) Store(c.Label, c.Type, c.Data);
    TRegistry reg(KEY_READ);
    ASSERT_TRUE(reg.OpenKey(EngineKey, false));
    for (const ReadCase& c : Cases) {
      std::string got;
      const std::string error = ErrorOf([&] { got = Read(reg, c.Label); });
      EXPECT_EQ(error, ExpectedError(c.Error, c.Label)) << c.Label;
      if (c.Error.empty()) {
        EXPECT_EQ(got, c.Expected) << c.Label;
      }
    }
  }
};

TEST_F(ReadTest, ReadStringTakesTextTypesUpToTheFirstNull) {
  Check(
      {
          {"Plain", REG_SZ, {'C', 0, ':', 0, '\\', 0, 0, 0}, "C:\\", ""},
          {"NotExpanded", REG_EXPAND_SZ, {'%', 0, 'H', 0, '%', 0, 0, 0}, "%H%", ""},
          {"InnerNull", REG_SZ, {'a', 0, 'b', 0, 0, 0, 'c', 0, 0, 0}, "ab", ""},
          {"NoTerminator", REG_SZ, {'x', 0, 'y', 0}, "xy", ""},
          {"OddSize", REG_SZ, {'x', 0, 'y'}, "x", ""},
          {"ZeroLength", REG_SZ, {}, "", ""},
          {"ZeroLengthOtherType", REG_DWORD, {}, "", ""},
          {"JustTheNull", REG_SZ, {0, 0}, "", ""},
          {"LoneSurrogate",
           REG_SZ,
           {0x00, 0xD8, 'a', 0, 0, 0},
           "\xEF\xBF\xBD"
           "a",
           ""},
          {"Dword", REG_DWORD, {3, 0, 0, 0}, "", "type"},
          {"Binary", REG_BINARY, {'a', 0, 0, 0}, "", "type"},
          {"MultiString", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0}, "", "type"},
      },
      [](TRegistry& Reg, const std::string& Name) { return Reg.ReadString(Name); });
}

TEST_F(ReadTest, ReadIntegerTakesOnlyFourByteDoubleWords) {
  Check(
      {
          {"Dword", REG_DWORD, {0x07, 0x00, 0x00, 0x00}, "7", ""},
          {"Negative", REG_DWORD, {0xFF, 0xFF, 0xFF, 0x80}, "-2130706433", ""},
          {"BigEndianInStoredOrder",
           REG_DWORD_BIG_ENDIAN,
           {0x00, 0x00, 0x00, 0x01},
           "16777216",
           ""},
          {"Qword", REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}, "", "get"},
          {"LongDword", REG_DWORD, {3, 0, 0, 0, 0}, "", "get"},
          {"TextThree", REG_SZ, {'3', 0, 0, 0}, "", "type"},
          {"LongText", REG_SZ, {'1', 0, '2', 0, 0, 0}, "", "get"},
          {"Binary", REG_BINARY, {3, 0, 0, 0}, "", "type"},
          {"ShortDword", REG_DWORD, {3, 0}, "", "type"},
          {"EmptyDword", REG_DWORD, {}, "", "type"},
      },
      [](TRegistry& Reg, const std::string& Name) {
        return std::to_string(Reg.ReadInteger(Name));
      });
}

TEST_F(ReadTest, ReadDateTimeTakesExactlyEightBinaryBytes) {
  Check(
      {
          {"Noon",
           REG_BINARY,
           {0x00, 0x00, 0x00, 0x00, 0x90, 0x1d, 0xe6, 0x40},
           "45292.500000",
           ""},
          {"Seven", REG_BINARY, {0, 0, 0, 0, 0x90, 0x1d, 0xe6}, "", "type"},
          {"Nine", REG_BINARY, {0, 0, 0, 0, 0x90, 0x1d, 0xe6, 0x40, 0}, "", "get"},
          {"Qword", REG_QWORD, {0, 0, 0, 0, 0x90, 0x1d, 0xe6, 0x40}, "", "type"},
          {"Dword", REG_DWORD, {1, 0, 0, 0}, "", "type"},
          {"Empty", REG_BINARY, {}, "", "type"},
      },
      [](TRegistry& Reg, const std::string& Name) {
        return std::to_string(Reg.ReadDateTime(Name));
      });
}

TEST_F(RegistryTest, MissingValuesReadAsEmptyTextButFailAsNumbers) {
  TRegistry reg(ReadWrite);
  ASSERT_TRUE(reg.OpenKey(EngineKey, true));
  EXPECT_FALSE(reg.ValueExists("Nothing"));
  EXPECT_EQ(reg.ReadString("Nothing"), "");
  EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Nothing"); }), GetDataFailed("Nothing"));
  EXPECT_EQ(ErrorOf([&] { reg.ReadDateTime("Nothing"); }), GetDataFailed("Nothing"));
}

TEST_F(RegistryTest, ValueOfAnyTypeExists) {
  Store("Odd", 0x1234, {});
  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  EXPECT_TRUE(reg.ValueExists("Odd"));
  EXPECT_TRUE(reg.ValueExists("ODD"));
}

TEST_F(RegistryTest, WithoutAnOpenKeyNothingExistsAndWritesFail) {
  TRegistry reg(ReadWrite);
  EXPECT_FALSE(reg.ValueExists("SourceDirectory"));
  EXPECT_EQ(reg.ReadString("SourceDirectory"), "");
  EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("CurrentIndex"); }), GetDataFailed("CurrentIndex"));
  EXPECT_EQ(ErrorOf([&] { reg.WriteString("SourceDirectory", "/x"); }),
            SetDataFailed("SourceDirectory"));
  EXPECT_EQ(ErrorOf([&] { reg.WriteInteger("CurrentIndex", 1); }), SetDataFailed("CurrentIndex"));
  EXPECT_EQ(ErrorOf([&] { reg.WriteDateTime("LastChange", 1.0); }), SetDataFailed("LastChange"));
  EXPECT_FALSE(reg.DeleteValue("SourceDirectory"));
  EXPECT_TRUE(reg.GetValueNames().empty());
}

TEST_F(RegistryTest, ReadOnlyAccessorRefusesEveryChange) {
  Store("SourceDirectory", REG_SZ, {'a', 0, 0, 0});
  TRegistry reg(KEY_READ);
  EXPECT_FALSE(reg.OpenKey("Software\\Elsewhere", true));
  ASSERT_TRUE(reg.OpenKey(EngineKey, true));
  EXPECT_EQ(ErrorOf([&] { reg.WriteString("SourceDirectory", "b"); }),
            SetDataFailed("SourceDirectory"));
  EXPECT_EQ(ErrorOf([&] { reg.WriteValue("Raw", {REG_BINARY, {1}}); }), SetDataFailed("Raw"));
  EXPECT_FALSE(reg.DeleteValue("SourceDirectory"));
  EXPECT_FALSE(reg.DeleteKey(EngineKey));
  EXPECT_EQ(reg.ReadString("SourceDirectory"), "a");
  EXPECT_FALSE(reg.KeyExists("Software\\Elsewhere"));
}

TEST_F(RegistryTest, KeyPathsIgnoreCaseAndALeadingSeparator) {
  {
    TRegistry reg(ReadWrite);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Halvorn\\hvnSkyrelle", true));
    reg.WriteString("SourceDirectory", "/pics");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Ärger", true));
  }
  TRegistry reg(KEY_READ);
  for (const char* path : {"Software\\Halvorn\\hvnSkyrelle", "\\SOFTWARE\\halvorn\\HVNSKYRELLE",
                           "software\\HALVORN\\hvnskyrelle\\"}) {
    ASSERT_TRUE(reg.OpenKey(path, false)) << path;
    EXPECT_EQ(reg.CurrentPath(), "Software\\Halvorn\\hvnSkyrelle");
    EXPECT_EQ(reg.ReadString("sourcedirectory"), "/pics") << path;
  }
  EXPECT_TRUE(reg.OpenKey("software\\ärger", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Ärger");
}

TEST_F(RegistryTest, OpeningWithCreationMakesMissingParents) {
  TRegistry reg(ReadWrite);
  EXPECT_FALSE(reg.OpenKey(EngineKey, false));
  ASSERT_TRUE(reg.OpenKey(EngineKey, true));
  EXPECT_TRUE(reg.KeyExists("Software"));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Halvorn"));
  ASSERT_TRUE(reg.OpenKey("software\\halvorn", false));
  EXPECT_THAT(reg.GetKeyNames(), ::testing::ElementsAre("hvnSkyrelle"));
  // An existing parent keeps the case it was created with.
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\HALVORN\\Analytics", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Halvorn\\Analytics");
}

TEST_F(RegistryTest, MalformedKeyPathsOpenNothing) {
  TRegistry reg(ReadWrite);
  for (const char* path : {"Software\\\\Halvorn", "\\\\Software", "Software\\\\"})
    EXPECT_FALSE(reg.OpenKey(path, true)) << path;
  EXPECT_FALSE(reg.KeyExists("Software"));
}

// Depth and names as the registry allows them; one more is refused with the reason.
TEST_F(RegistryTest, KeysAndNamesStayWithinTheRegistrysLimits) {
  const auto Path = [](std::size_t Depth, const std::string& Part) {
    std::string path = Part;
    for (std::size_t level = 1; level < Depth; ++level) path += "\\" + Part;
    return path;
  };
  const std::string smile = "\xF0\x9F\x98\x80";  // two UTF-16 characters
  std::string longest;
  for (int i = 0; i < 127; ++i) longest += smile;
  longest += "x";
  const struct {
    std::string Key;
    const char* Failure;
  } keys[] = {
      {Path(MaxKeyDepth, "k"), ""},
      {Path(MaxKeyDepth + 1, "k"), "Keys are at most 512 levels deep"},
      {"A\\" + std::string(MaxNameLength, 'n'), ""},
      {"A\\" + std::string(MaxNameLength + 1, 'n'), "Key names are at most 255 characters long"},
      {"A\\" + longest, ""},
      {"A\\" + longest + "y", "Key names are at most 255 characters long"},
  };
  TRegistry reg(KEY_ALL_ACCESS);
  for (const auto& key : keys) {
    EXPECT_EQ(reg.OpenKey(key.Key, true), *key.Failure == '\0') << key.Failure;
    EXPECT_EQ(reg.OpenFailure(), key.Failure);
  }
  ASSERT_TRUE(reg.OpenKey(EngineKey, true));
  reg.WriteString(std::string(MaxNameLength, 'v'), std::string(1 << 20, 'd'));
  const std::string tooLong(MaxNameLength + 1, 'v');
  EXPECT_EQ(ErrorOf([&] { reg.WriteString(tooLong, "d"); }),
            SetDataFailed(tooLong) + "\nValue names are at most 255 characters long");
  EXPECT_EQ(reg.ReadString(std::string(MaxNameLength, 'v')).size(), 1u << 20);
  EXPECT_FALSE(reg.KeyExists(Path(MaxKeyDepth + 1, "k")));
}

// A Latin-1 file name is not UTF-8; it must come back as the same bytes.
TEST_F(RegistryTest, TextsKeepBytesThatAreNotUtf8) {
  TRegistry reg(ReadWrite);
  ASSERT_TRUE(reg.OpenKey(EngineKey, true));
  reg.WriteString("CurrentFile", "/pics/caf\xE9.jpg");
  EXPECT_EQ(reg.ReadString("CurrentFile"), "/pics/caf\xE9.jpg");
  const Bytes data = reg.ReadValue("CurrentFile")->Data;
  EXPECT_EQ(Bytes(data.end() - 12, data.end()),
            (Bytes{0xE9, 0xDC, '.', 0, 'j', 0, 'p', 0, 'g', 0, 0, 0}));
}

TEST_F(RegistryTest, WritingReplacesTheValueInPlace) {
  TRegistry reg(ReadWrite);
  ASSERT_TRUE(reg.OpenKey(EngineKey, true));
  reg.WriteString("CurrentIndex", "3");
  reg.WriteString("History", "");
  reg.WriteInteger("currentindex", 4);
  EXPECT_THAT(reg.GetValueNames(), ::testing::ElementsAre("CurrentIndex", "History"));
  EXPECT_EQ(reg.ReadValue("CurrentIndex")->Type, REG_DWORD);
  EXPECT_EQ(reg.ReadInteger("CurrentIndex"), 4);
}

TEST_F(RegistryTest, DeletingValuesAndKeys) {
  TRegistry reg(KEY_ALL_ACCESS);
  for (const char* path : {"A\\B", "A\\B\\C", "A\\BC", "A\\B!", "A\\B]x"}) {
    ASSERT_TRUE(reg.OpenKey(path, true));
    reg.WriteInteger("V", 1);
  }
  EXPECT_TRUE(reg.DeleteValue("v"));
  EXPECT_FALSE(reg.DeleteValue("V"));
  EXPECT_FALSE(reg.ValueExists("V"));

  EXPECT_TRUE(reg.DeleteKey("\\a\\b"));
  EXPECT_FALSE(reg.DeleteKey("A\\B"));
  EXPECT_FALSE(reg.KeyExists("A\\B\\C"));
  ASSERT_TRUE(reg.OpenKey("A", false));
  EXPECT_THAT(reg.GetKeyNames(), ::testing::UnorderedElementsAre("B!", "BC", "B]x"));
  ASSERT_TRUE(reg.OpenKey("A\\BC", false));
  EXPECT_TRUE(reg.ValueExists("V"));
  EXPECT_FALSE(reg.DeleteKey("\\"));
}

TEST_F(RegistryTest, WritingToADeletedKeyFails) {
  TRegistry writer(ReadWrite);
  ASSERT_TRUE(writer.OpenKey(EngineKey, true));
  TRegistry other(KEY_ALL_ACCESS);
  ASSERT_TRUE(other.DeleteKey(EngineKey));
  EXPECT_EQ(ErrorOf([&] { writer.WriteInteger("CurrentIndex", 1); }),
            SetDataFailed("CurrentIndex"));
  EXPECT_FALSE(writer.KeyExists(EngineKey));
}

}  // namespace
}  // namespace skyrelle::settings
