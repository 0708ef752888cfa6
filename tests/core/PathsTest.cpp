#include <gtest/gtest.h>

#include <string>

#include "core/Paths.h"

namespace skyrelle::core {
namespace {

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
      {"/x/C:\\Pics\\a.jpg", "/x", "C:\\Pics\\a.jpg", ".jpg"},  // "\" is an ordinary character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFileDir(c.Path), c.Dir) << c.Path;
    EXPECT_EQ(ExtractFileName(c.Path), c.Name) << c.Path;
    EXPECT_EQ(ExtractFileExt(c.Path), c.Ext) << c.Path;
  }
}

TEST(PathsTest, ChangeFileExtReplacesOrAppends) {
  EXPECT_EQ(ChangeFileExt("/a/b.jpg", ".bmp"), "/a/b.bmp");
  EXPECT_EQ(ChangeFileExt("/a.d/b", ".bmp"), "/a.d/b.bmp");
  EXPECT_EQ(ChangeFileExt("/a/b.tar.gz", ".zip"), "/a/b.tar.zip");
  EXPECT_EQ(ChangeFileExt("/a/b.jpg", ""), "/a/b");
}

TEST(PathsTest, JoinsWithExactlyOneSeparator) {
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(JoinPath("/home/me/Pictures", "pano.jpg"), "/home/me/Pictures/pano.jpg");
  EXPECT_EQ(JoinPath("/home/me/Pictures/", "pano.jpg"), "/home/me/Pictures/pano.jpg");
  EXPECT_EQ(JoinPath("/", "pano.jpg"), "/pano.jpg");
}

}  // namespace
}  // namespace skyrelle::core
