#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

#include "ImageFixtures.h"
#include "imaging/BitmapWriter.h"
#include "imaging/ImageError.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

TRgbImage TwoByTwo() {
  TRgbImage image(2, 2);
  const std::uint8_t top[] = {1, 2, 3, 4, 5, 6};
  const std::uint8_t bottom[] = {7, 8, 9, 10, 11, 12};
  std::copy(std::begin(top), std::end(top), image.Row(0));
  std::copy(std::begin(bottom), std::end(bottom), image.Row(1));
  return image;
}

TEST(BitmapWriterTest, WritesTheExactBottomUpFormat) {
  const TBytes expected = {'B', 'M', 70, 0,  0,  0,  0, 0, 0, 0,    54,   0, 0, 0,  // file header
                           40,  0,   0,  0,  2,  0,  0, 0, 2, 0,    0,    0, 1, 0,    24,
                           0,   0,   0,  0,  0,  16, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E,
                           0,   0,   0,  0,  0,  0,  0, 0, 0, 0,  // info header
                           9,   8,   7,  12, 11, 10, 0, 0,        // bottom row, padded
                           3,   2,   1,  6,  5,  4,  0, 0};       // top row
  EXPECT_EQ(EncodeBitmap(TwoByTwo()), expected);
}

TEST(BitmapWriterTest, RowsArePaddedToFourBytes) {
  for (const auto& [Width, Stride] : {std::pair{1, 4}, {3, 12}, {4, 12}, {5, 16}, {7, 24}}) {
    const TBytes file = EncodeBitmap(TRgbImage(Width, 3));
    EXPECT_EQ(file.size(), 54u + Stride * 3u) << "width " << Width;
  }
}

// Refused before anything is allocated: 65535 x 65535 would take 12 GB only to fail when
// written.
TEST(BitmapWriterTest, ImagesTheBitmapFormatCannotHoldAreRefusedUpFront) {
  const std::pair<std::int32_t, std::int32_t> sizes[] = {
      {0, 1}, {1, 0}, {-5, 4}, {65536, 1}, {1, 65536}, {65535, 65535}, {65535, 21846}};
  for (const auto& [Width, Height] : sizes) {
    EXPECT_THROW(TRgbImage(Width, Height), EImageError) << Width << " x " << Height;
  }
}

TEST(BitmapWriterTest, ReplacesTheFileAndLeavesNothingElse) {
  TTempFolder folder;
  const std::string fileName = folder.Write("current.bmp", {'o', 'l', 'd'});
  WriteBitmap(TwoByTwo(), fileName);
  EXPECT_EQ(ReadFile(fileName), EncodeBitmap(TwoByTwo()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

#ifndef _WIN32  // the system's texts and a named pipe; Windows has its own in tests/platform
// A folder or a device in the target's place is refused, not replaced by the rename.
TEST(BitmapWriterTest, AFailedWriteRaisesAndKeepsWhatWasThere) {
  TTempFolder folder;
  const std::string blocked = folder / "current.bmp";
  std::filesystem::create_directory(blocked);
  const std::string pipe = folder / "pipe.bmp";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::pair<std::string, const char*> cases[] = {
      {blocked, "Is a directory"},
      {pipe, "not a regular file"},
      {folder / "gone/current.bmp", "No such file or directory"}};
  for (const auto& [FileName, Reason] : cases) {
    try {
      WriteBitmap(TwoByTwo(), FileName);
      ADD_FAILURE() << "no error for " << FileName;
    } catch (const EImageError& error) {
      EXPECT_EQ(std::string(error.what()),
                "Cannot write the bitmap \"" + FileName + "\": " + Reason);
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
}
#endif

TEST(BitmapWriterTest, StreamsImagesOfManyWritePieces) {
  TTempFolder folder;
  const std::string fileName = folder / "large.bmp";
  TRgbImage image(1001, 700);  // rows that do not fill a piece evenly
  for (std::int32_t y = 0; y < image.Height(); ++y)
    for (std::int32_t i = 0; i < image.Width() * 3; ++i)
      image.Row(y)[i] = static_cast<std::uint8_t>(i * 7 + y);
  WriteBitmap(image, fileName);
  EXPECT_EQ(ReadFile(fileName), EncodeBitmap(image));
}

}  // namespace
}  // namespace skyrelle::imaging
