#include "update/Cabinet.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"
#include "support/TempFolder.h"

namespace skyrelle::update {
namespace {

using test_support::ModeOf;
using test_support::ReadFile;
using test_support::TreeOf;
using test_support::TTempFolder;

TEST(ExpandCabinet, WritesEveryFileWithItsExecutableBitIntoTheFolder) {
  TTempFolder folder;
  const std::string program(200000, 'p');  // more than one compressed block
  const std::string cabinet = folder.Write(
      "package.cab", MakeCabinet({{.Name = "Skyrelle", .Bytes = program, .Executable = true},
                                  {.Name = "notes.txt", .Bytes = "notes"},
                                  {.Name = "empty", .Bytes = ""}}));
  folder.Write("out/notes.txt", "older notes");
  folder.Write("out/earlier", "kept");

  ASSERT_TRUE(ExpandCabinet(cabinet, folder / "out"));

  EXPECT_EQ(TreeOf(folder / "out"),
            (std::vector<std::string>{"Skyrelle", "earlier", "empty", "notes.txt"}));
  EXPECT_EQ(ReadFile(folder / "out/Skyrelle"), program);
  EXPECT_EQ(ModeOf(folder / "out/Skyrelle"), 0700);
  EXPECT_EQ(ReadFile(folder / "out/notes.txt"), "notes");
  EXPECT_EQ(ModeOf(folder / "out/notes.txt"), 0600);
  EXPECT_EQ(ReadFile(folder / "out/earlier"), "kept");
}

TEST(ExpandCabinet, RefusesWholeACabinetThatNamesAnythingButPlainFiles) {
  for (const char* name : {"..\\evil", "..", ".", "sub\\file", "/tmp/evil", "a/b", "\\root"}) {
    SCOPED_TRACE(name);
    TTempFolder folder;
    const std::string cabinet = folder.Write(
        "package.cab",
        MakeCabinet({{.Name = "Skyrelle", .Bytes = "program"}, {.Name = name, .Bytes = "evil"}}));
    EXPECT_FALSE(ExpandCabinet(cabinet, folder / "a/out"));
    EXPECT_EQ(TreeOf(folder.Path()), (std::vector<std::string>{"a", "a/out", "package.cab"}));
  }
}

TEST(ExpandCabinet, FailsOnWhatIsNoCabinet) {
  TTempFolder folder;
  const std::string whole = MakeCabinet({{.Name = "Skyrelle", .Bytes = std::string(5000, 'x')}});
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"text", "not a cabinet"},
      {"signature and nothing more", "MSCF but not really"},
      {"empty", ""},
      {"cut short", whole.substr(0, whole.size() - 10)},
      {"header only", whole.substr(0, 40)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_FALSE(ExpandCabinet(folder.Write("package.cab", c.Bytes), folder / "out"));
    EXPECT_EQ(TreeOf(folder / "out"), std::vector<std::string>{});
  }
  EXPECT_FALSE(ExpandCabinet(folder / "missing.cab", folder / "out"));
}

}  // namespace
}  // namespace skyrelle::update
