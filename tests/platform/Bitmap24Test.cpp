#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>

#include "PlatformTestSupport.h"
#include "platform/linux/Bitmap24.h"

namespace skyrelle::platform {
namespace {

using ::testing::HasSubstr;
using namespace testing;

void Pattern(int X, int Y, std::uint8_t Rgb[3]) {
  Rgb[0] = static_cast<std::uint8_t>(X * 17 + 1);
  Rgb[1] = static_cast<std::uint8_t>(Y * 29 + 2);
  Rgb[2] = static_cast<std::uint8_t>(X ^ Y);
}

struct TShape {
  int Width, Height;
  bool TopDown;
};

// Without it the test names would print the struct's padding bytes.
void PrintTo(const TShape& Shape, std::ostream* Out) {
  *Out << Shape.Width << "x" << Shape.Height << (Shape.TopDown ? " top-down" : " bottom-up");
}

class Bitmap24Shapes : public ::testing::TestWithParam<TShape> {};

// Widths 1 to 4 need every amount of row padding.
TEST_P(Bitmap24Shapes, ReadsEveryPixelInPlace) {
  const TShape shape = GetParam();
  TTempFolder folder;
  WriteBitmap(folder / "b.bmp", shape.Width, shape.Height, Pattern, shape.TopDown);
  const TBitmap24 bitmap = ReadBitmap24(folder / "b.bmp");
  ASSERT_EQ(bitmap.Width, shape.Width);
  ASSERT_EQ(bitmap.Height, shape.Height);
  for (int y = 0; y < shape.Height; ++y)
    for (int x = 0; x < shape.Width; ++x) {
      std::uint8_t expected[3];
      Pattern(x, y, expected);
      EXPECT_EQ(bitmap.Pixel(x, y)[0], expected[0]) << x << "," << y;
      EXPECT_EQ(bitmap.Pixel(x, y)[1], expected[1]) << x << "," << y;
      EXPECT_EQ(bitmap.Pixel(x, y)[2], expected[2]) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, Bitmap24Shapes,
                         ::testing::Values(TShape{1, 1, false}, TShape{2, 3, false},
                                           TShape{3, 2, false}, TShape{4, 5, false},
                                           TShape{5, 4, true}));

struct TDamage {
  const char* Name;
  std::size_t Offset;  // where Bytes overwrite the good file; npos: cut it to Offset bytes
  std::string Bytes;
  const char* Message;
};

void PrintTo(const TDamage& Damage, std::ostream* Out) { *Out << Damage.Name; }

class Bitmap24Damage : public ::testing::TestWithParam<TDamage> {};

TEST_P(Bitmap24Damage, IsRefusedWithTheFileName) {
  TTempFolder folder;
  const std::string file = folder / "current.bmp";
  WriteBitmap(file, 3, 2, Pattern);
  std::string data = ReadWholeFile(file);
  const TDamage& damage = GetParam();
  if (damage.Bytes.empty())
    data.resize(damage.Offset);
  else
    data.replace(damage.Offset, damage.Bytes.size(), damage.Bytes);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << data;
  try {
    ReadBitmap24(file);
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "\"" + file + "\"" + damage.Message);
  }
}

const char* const NotOurs = " is not an uncompressed 24-bit bitmap";
const char* const Short = " is cut short";

INSTANTIATE_TEST_SUITE_P(
    Files, Bitmap24Damage,
    ::testing::Values(TDamage{"Empty", 0, "", NotOurs}, TDamage{"HeaderOnly", 30, "", NotOurs},
                      TDamage{"NotBM", 0, "PN", NotOurs},
                      TDamage{"ThirtyTwoBits", 28, std::string("\x20\x00", 2), NotOurs},
                      TDamage{"Compressed", 30, std::string("\x01", 1), NotOurs},
                      TDamage{"ZeroWidth", 18, std::string("\0\0\0\0", 4), NotOurs},
                      TDamage{"ZeroHeight", 22, std::string("\0\0\0\0", 4), NotOurs},
                      TDamage{"HugeHeight", 22, std::string("\xff\xff\xff\x7f", 4), Short},
                      TDamage{"LastRowCut", 54 + 12 + 5, "", Short},
                      TDamage{"PixelsPastTheEnd", 10, std::string("\xff\x00\x00\x00", 4), Short}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Bitmap24, ReportsAMissingFile) {
  TTempFolder folder;
  EXPECT_THROW(
      {
        try {
          ReadBitmap24(folder / "none.bmp");
        } catch (const std::runtime_error& error) {
          EXPECT_THAT(error.what(), HasSubstr("Cannot read"));
          throw;
        }
      },
      std::runtime_error);
}

}  // namespace
}  // namespace skyrelle::platform
