#include <gtest/gtest.h>

#include <filesystem>

#include "ImageFixtures.h"
#include "imaging/BitmapWriter.h"
#include "imaging/ImageError.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

TRgbImage TwoByTwo() {
  TRgbImage Image(2, 2);
  const std::uint8_t Top[] = {1, 2, 3, 4, 5, 6};
  const std::uint8_t Bottom[] = {7, 8, 9, 10, 11, 12};
  std::copy(std::begin(Top), std::end(Top), Image.Row(0));
  std::copy(std::begin(Bottom), std::end(Bottom), Image.Row(1));
  return Image;
}

TEST(BitmapWriterTest, WritesTheExactBottomUpFormat) {
  const TBytes Expected = {'B', 'M', 70, 0,  0,  0,  0, 0, 0, 0,    54,   0, 0, 0,  // file header
                           40,  0,   0,  0,  2,  0,  0, 0, 2, 0,    0,    0, 1, 0,    24,
                           0,   0,   0,  0,  0,  16, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E,
                           0,   0,   0,  0,  0,  0,  0, 0, 0, 0,  // info header
                           9,   8,   7,  12, 11, 10, 0, 0,        // bottom row, padded
                           3,   2,   1,  6,  5,  4,  0, 0};       // top row
  EXPECT_EQ(EncodeBitmap(TwoByTwo()), Expected);
}

TEST(BitmapWriterTest, RowsArePaddedToFourBytes) {
  for (const auto& [Width, Stride] : {std::pair{1, 4}, {3, 12}, {4, 12}, {5, 16}, {7, 24}}) {
    const TBytes File = EncodeBitmap(TRgbImage(Width, 3));
    EXPECT_EQ(File.size(), 54u + Stride * 3u) << "width " << Width;
  }
}

// Refused before anything is allocated: 65535 x 65535 would take 12 GB only to fail when
// written.
TEST(BitmapWriterTest, ImagesTheBitmapFormatCannotHoldAreRefusedUpFront) {
  const std::pair<std::int32_t, std::int32_t> Sizes[] = {
      {0, 1}, {1, 0}, {-5, 4}, {65536, 1}, {1, 65536}, {65535, 65535}, {65535, 21846}};
  for (const auto& [Width, Height] : Sizes) {
    EXPECT_THROW(TRgbImage(Width, Height), EImageError) << Width << " x " << Height;
  }
}

TEST(BitmapWriterTest, ReplacesTheFileAndLeavesNothingElse) {
  TTempFolder Folder;
  const std::string FileName = Folder.Write("current.bmp", {'o', 'l', 'd'});
  WriteBitmap(TwoByTwo(), FileName);
  EXPECT_EQ(ReadFile(FileName), EncodeBitmap(TwoByTwo()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path()), {}), 1);
}

TEST(BitmapWriterTest, AFailedWriteRaisesAndKeepsWhatWasThere) {
  TTempFolder Folder;
  // A folder in the way of the rename, and a folder that does not exist.
  const std::string Blocked = Folder / "current.bmp";
  std::filesystem::create_directory(Blocked);
  const std::string Missing = Folder / "gone/current.bmp";
  for (const std::string& FileName : {Blocked, Missing}) {
    try {
      WriteBitmap(TwoByTwo(), FileName);
      ADD_FAILURE() << "no error for " << FileName;
    } catch (const EImageError& Error) {
      EXPECT_NE(std::string(Error.what()).find(FileName), std::string::npos) << Error.what();
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(Blocked));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path()), {}), 1);
}

}  // namespace
}  // namespace skyrelle::imaging
