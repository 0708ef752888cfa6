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
  const TBmpLayout layout{.Width = 1, .Height = 1, .BitCount = 24};
  return BuildBmp(layout, {0x30, 0x20, 0x10, 0});
}

TBytes TinyJpeg() { return EncodeJpeg(PhotoLikeSamples(8, 8, 3), {}); }

TBytes TinyPng() { return EncodePng(1, 1, {}, {0x10, 0x20, 0x30}); }

TEST(PictureTest, TheExtensionChoosesTheDecoderWhateverItsCase) {
  TTempFolder folder;
  const std::pair<const char*, TBytes> cases[] = {{"a.BMP", TinyBmp()},  {"b.Jpeg", TinyJpeg()},
                                                  {"c.JPG", TinyJpeg()}, {"d.jpeg", TinyJpeg()},
                                                  {".png", TinyPng()},   {"e.PnG", TinyPng()}};
  for (const auto& [Name, Data] : cases) {
    EXPECT_NO_THROW(DecodeWindow(folder.Write(Name, Data), {0, 1, 1})) << Name;
  }
}

// The system's own words for a file that is not there ("No such file or directory" on Linux).
std::string MissingFileReason(const std::string& FileName) {
  try {
    platform::TInputFile file(FileName);
  } catch (const platform::EFileError& error) {
    return error.Reason();
  }
  return "the file exists";
}

TEST(PictureTest, OtherNamesAndMissingFilesAreRefusedByName) {
  TTempFolder folder;
  const std::string missingReason = MissingFileReason(folder / "missing.png");
  std::filesystem::create_directory(folder / "folder.jpg");
  std::filesystem::create_directory(folder / "dotted.folder");
  const std::pair<std::string, std::string> cases[] = {
      {folder.Write("photo.gif", TinyPng()), "unsupported picture type \".gif\""},
      {folder.Write("photo.jpe", TinyJpeg()), "unsupported picture type \".jpe\""},
      {folder.Write("photo", TinyBmp()), "unsupported picture type \"\""},
      {folder.Write("dotted.folder/png", TinyPng()), "unsupported picture type \"\""},
      {folder / "missing.png", missingReason},
      {folder / "folder.jpg", "not a regular file"},
      {folder.Write("empty.png", ""), "not a PNG picture"}};
  for (const auto& [FileName, Reason] : cases) {
    try {
      TPicture picture(FileName);
      ADD_FAILURE() << "no error for " << FileName;
    } catch (const EImageError& error) {
      const std::string text = error.what();
      EXPECT_NE(text.find(FileName), std::string::npos) << text;
      EXPECT_NE(text.find(Reason), std::string::npos) << text;
    }
  }
}

// The libraries end the program on an error by default; the fixtures' errors must fail one
// test instead.
TEST(PictureTest, FixtureEncodersRaiseTheLibrariesErrors) {
  TSamples twoChannels = PhotoLikeSamples(8, 8, 2);
  EXPECT_THROW(EncodeJpeg(twoChannels, {}), std::runtime_error);
  EXPECT_THROW(EncodePng(0, 1, {}, {}), std::runtime_error);
  EXPECT_THROW(DecodeWholeJpeg({0xFF, 0xD8, 0xFF}), std::runtime_error);
}

}  // namespace
}  // namespace skyrelle::imaging
