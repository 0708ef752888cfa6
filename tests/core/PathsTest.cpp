#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/Paths.h"
#include "support/TempFolder.h"

namespace skyrelle::core {
namespace {

// The path with the system's own separator: the cases are written with "/".
std::string Native(std::string Path) {
  for (char& c : Path)
    if (c == '/') c = PathDelimiter;
  return Path;
}

TEST(PathsTest, SplitsFolderNameAndExtension) {
  const struct {
    const char* Path;
    const char* Dir;
    const char* Name;
    const char* Ext;
  } cases[] = {
      {"/a/b/c.jpg", "/a/b", "c.jpg", ".jpg"},
      {"/c.jpg", "/", "c.jpg", ".jpg"},
      {"c.jpg", "", "c.jpg", ".jpg"},
      {"/a/b/", "/a/b", "", ""},
      {"/", "/", "", ""},
      {"", "", "", ""},
      {"/a.d/b", "/a.d", "b", ""},  // a dot in the folder is no extension
      {"/x/pano.tar.gz", "/x", "pano.tar.gz", ".gz"},
      {"/x/.hidden", "/x", ".hidden", ".hidden"},
      {"/x/name.", "/x", "name.", "."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFileDir(Native(c.Path)), Native(c.Dir)) << c.Path;
    EXPECT_EQ(ExtractFileName(Native(c.Path)), c.Name) << c.Path;
    EXPECT_EQ(ExtractFileExt(Native(c.Path)), c.Ext) << c.Path;
  }
}

// Each system's own separators: "\" is an ordinary character on Linux; Windows also takes
// "/" and ends a drive with ":".
TEST(PathsTest, SplitsAtTheSystemsSeparatorsOnly) {
  const struct {
    const char* Path;
    const char* Dir;
    const char* Name;
  } cases[] = {
#ifdef _WIN32
      {"C:\\Pics\\a.jpg", "C:\\Pics", "a.jpg"},
      {"C:\\a.jpg", "C:\\", "a.jpg"},
      {"C:a.jpg", "C:", "a.jpg"},
      {"C:/Pics/a.jpg", "C:/Pics", "a.jpg"},
      {"\\\\server\\share\\a.jpg", "\\\\server\\share", "a.jpg"},
#else
      {"/x/C:\\Pics\\a.jpg", "/x", "C:\\Pics\\a.jpg"},
      {"/x/a:b.jpg", "/x", "a:b.jpg"},
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFileDir(c.Path), c.Dir) << c.Path;
    EXPECT_EQ(ExtractFileName(c.Path), c.Name) << c.Path;
  }
}

TEST(PathsTest, ChangeFileExtReplacesOrAppends) {
  EXPECT_EQ(ChangeFileExt(Native("/a/b.jpg"), ".bmp"), Native("/a/b.bmp"));
  EXPECT_EQ(ChangeFileExt(Native("/a.d/b"), ".bmp"), Native("/a.d/b.bmp"));
  EXPECT_EQ(ChangeFileExt(Native("/a/b.tar.gz"), ".zip"), Native("/a/b.tar.zip"));
  EXPECT_EQ(ChangeFileExt(Native("/a/b.jpg"), ""), Native("/a/b"));
}

TEST(PathsTest, JoinsWithExactlyOneSeparator) {
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("/a")), Native("/a/"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("/a/")), Native("/a/"));
  EXPECT_EQ(JoinPath(Native("/home/me/Pictures"), "pano.jpg"),
            Native("/home/me/Pictures/pano.jpg"));
  EXPECT_EQ(JoinPath(Native("/home/me/Pictures/"), "pano.jpg"),
            Native("/home/me/Pictures/pano.jpg"));
  EXPECT_EQ(JoinPath(Native("/"), "pano.jpg"), Native("/pano.jpg"));
}

// A name outside the ANSI code page reaches the file system as it is, and comes back so.
TEST(PathsTest, FileSystemPathsCarryUtf8NamesBothWays) {
  const test_support::TTempFolder folder;
  const std::string name =
      "Mes T\xC3\xA9l\xC3\xA9"
      "chargements \xE6\x97\xA5\xE6\x9C\xAC";
  const std::filesystem::path path = FileSystemPath(JoinPath(folder.Path(), name));
  std::ofstream(path) << "x";
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(FileSystemPath(folder.Path())),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_EQ(
      PathText(
          std::filesystem::directory_iterator(FileSystemPath(folder.Path()))->path().filename()),
      name);
  EXPECT_EQ(PathText(path), JoinPath(folder.Path(), name));
}

}  // namespace
}  // namespace skyrelle::core
