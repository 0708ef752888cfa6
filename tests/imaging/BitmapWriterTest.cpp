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

#ifndef _WIN32  // the system's texts and a named pipe; Windows has its own in tests/platform
// A folder or a device in the target's place is refused, not replaced by the rename.
TEST(BitmapWriterTest, AFailedWriteRaisesAndKeepsWhatWasThere) {
  TTempFolder Folder;
  const std::string Blocked = Folder / "current.bmp";
  std::filesystem::create_directory(Blocked);
  const std::string Pipe = Folder / "pipe.bmp";
  ASSERT_EQ(::mkfifo(Pipe.c_str(), 0600), 0);
  const std::pair<std::string, const char*> Cases[] = {
      {Blocked, "Is a directory"},
      {Pipe, "not a regular file"},
      {Folder / "gone/current.bmp", "No such file or directory"}};
  for (const auto& [FileName, Reason] : Cases) {
    try {
      WriteBitmap(TwoByTwo(), FileName);
      ADD_FAILURE() << "no error for " << FileName;
    } catch (const EImageError& Error) {
      EXPECT_EQ(std::string(Error.what()),
                "Cannot write the bitmap \"" + FileName + "\": " + Reason);
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(Blocked));
  EXPECT_TRUE(std::filesystem::is_fifo(Pipe));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path()), {}), 2);
}
#endif

TEST(BitmapWriterTest, StreamsImagesOfManyWritePieces) {
  TTempFolder Folder;
  const std::string FileName = Folder / "large.bmp";
  TRgbImage Image(1001, 700);  // rows that do not fill a piece evenly
  for (std::int32_t Y = 0; Y < Image.Height(); ++Y)
    for (std::int32_t I = 0; I < Image.Width() * 3; ++I)
      Image.Row(Y)[I] = static_cast<std::uint8_t>(I * 7 + Y);
  WriteBitmap(Image, FileName);
  EXPECT_EQ(ReadFile(FileName), EncodeBitmap(Image));
}

}  // namespace
}  // namespace skyrelle::imaging
