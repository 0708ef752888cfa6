#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "ImageFixtures.h"
#include "imaging/ImageError.h"
#include "imaging/Picture.h"

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

TEST(PictureTest, OtherNamesAndMissingFilesAreRefusedByName) {
  TTempFolder folder;
  std::filesystem::create_directory(folder / "folder.jpg");
  std::filesystem::create_directory(folder / "dotted.folder");
  const std::pair<std::string, const char*> cases[] = {
      {folder.Write("photo.gif", TinyPng()), "unsupported picture type \".gif\""},
      {folder.Write("photo.jpe", TinyJpeg()), "unsupported picture type \".jpe\""},
      {folder.Write("photo", TinyBmp()), "unsupported picture type \"\""},
      {folder.Write("dotted.folder/png", TinyPng()), "unsupported picture type \"\""},
      {folder / "missing.png", "No such file"},
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

// Opening a pipe for reading waits for a writer that never comes; the program would hang.
TEST(PictureTest, APipeNamedLikeAPictureIsRefusedWithoutWaiting) {
  TTempFolder folder;
  const std::string fileName = folder / "pipe.jpg";
  ASSERT_EQ(::mkfifo(fileName.c_str(), 0600), 0);
  auto opening = std::async(std::launch::async, [&]() -> std::string {
    try {
      TPicture picture(fileName);
      return "opened";
    } catch (const EImageError& error) {
      return error.what();
    }
  });
  if (opening.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
    ADD_FAILURE() << "opening the pipe blocked";
    // A writer lets the blocked open return, so the test can end.
    const int writer = ::open(fileName.c_str(), O_WRONLY | O_NONBLOCK);
    opening.wait();
    if (writer >= 0) ::close(writer);
    return;
  }
  EXPECT_NE(opening.get().find("not a regular file"), std::string::npos);
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
