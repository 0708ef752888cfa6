#include <gtest/gtest.h>

#include <filesystem>

#include "ImageFixtures.h"
#include "imaging/ImageError.h"
#include "imaging/Picture.h"
#include "platform/FileSystem.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

TBytes TinyBmp() {
  const TBmpLayout Layout{.Width = 1, .Height = 1, .BitCount = 24};
  return BuildBmp(Layout, {0x30, 0x20, 0x10, 0});
}

TBytes TinyJpeg() { return EncodeJpeg(PhotoLikeSamples(8, 8, 3), {}); }

TBytes TinyPng() { return EncodePng(1, 1, {}, {0x10, 0x20, 0x30}); }

TEST(PictureTest, TheExtensionChoosesTheDecoderWhateverItsCase) {
  TTempFolder Folder;
  const std::pair<const char*, TBytes> Cases[] = {{"a.BMP", TinyBmp()},  {"b.Jpeg", TinyJpeg()},
                                                  {"c.JPG", TinyJpeg()}, {"d.jpeg", TinyJpeg()},
                                                  {".png", TinyPng()},   {"e.PnG", TinyPng()}};
  for (const auto& [Name, Data] : Cases) {
    EXPECT_NO_THROW(DecodeWindow(Folder.Write(Name, Data), {0, 1, 1})) << Name;
  }
}

// The system's own words for a file that is not there ("No such file or directory" on Linux).
std::string MissingFileReason(const std::string& FileName) {
  try {
    platform::TInputFile File(FileName);
  } catch (const platform::EFileError& Error) {
    return Error.Reason();
  }
  return "the file exists";
}

TEST(PictureTest, OtherNamesAndMissingFilesAreRefusedByName) {
  TTempFolder Folder;
  const std::string MissingReason = MissingFileReason(Folder / "missing.png");
  std::filesystem::create_directory(Folder / "folder.jpg");
  std::filesystem::create_directory(Folder / "dotted.folder");
  const std::pair<std::string, std::string> Cases[] = {
      {Folder.Write("photo.gif", TinyPng()), "unsupported picture type \".gif\""},
      {Folder.Write("photo.jpe", TinyJpeg()), "unsupported picture type \".jpe\""},
      {Folder.Write("photo", TinyBmp()), "unsupported picture type \"\""},
      {Folder.Write("dotted.folder/png", TinyPng()), "unsupported picture type \"\""},
      {Folder / "missing.png", MissingReason},
      {Folder / "folder.jpg", "not a regular file"},
      {Folder.Write("empty.png", ""), "not a PNG picture"}};
  for (const auto& [FileName, Reason] : Cases) {
    try {
      TPicture Picture(FileName);
      ADD_FAILURE() << "no error for " << FileName;
    } catch (const EImageError& Error) {
      const std::string Text = Error.what();
      EXPECT_NE(Text.find(FileName), std::string::npos) << Text;
      EXPECT_NE(Text.find(Reason), std::string::npos) << Text;
    }
  }
}

// The libraries end the program on an error by default; the fixtures' errors must fail one
// test instead.
TEST(PictureTest, FixtureEncodersRaiseTheLibrariesErrors) {
  TSamples TwoChannels = PhotoLikeSamples(8, 8, 2);
  EXPECT_THROW(EncodeJpeg(TwoChannels, {}), std::runtime_error);
  EXPECT_THROW(EncodePng(0, 1, {}, {}), std::runtime_error);
  EXPECT_THROW(DecodeWholeJpeg({0xFF, 0xD8, 0xFF}), std::runtime_error);
}

}  // namespace
}  // namespace skyrelle::imaging
