#include "engine/SectionRenderer.h"

#include <gtest/gtest.h>

#include <limits>

#include "ImageFixtures.h"
#include "imaging/BitmapWriter.h"
#include "imaging/ImageError.h"

namespace skyrelle::engine {
namespace {

namespace fixtures = test_support;

struct TOffsetCase {
  std::int32_t PictureWidth;
  std::int32_t ScreenWidth;
  std::vector<std::int32_t> Offsets;
};

TEST(SectionOffsetTest, EightSectionsRunFromTheLeftEdgeToTheRightEdge) {
  const TOffsetCase cases[] = {
      {5760, 1920, {0, 549, 1097, 1646, 2194, 2743, 3291, 3840}},
      {4000, 2560, {0, 206, 411, 617, 823, 1029, 1234, 1440}},
      {3000, 1920, {0, 154, 309, 463, 617, 771, 926, 1080}},
      {1920, 1920, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const TOffsetCase& c : cases) {
    const std::int32_t range = c.PictureWidth - c.ScreenWidth;
    for (std::int32_t index = 0; index < 8; ++index) {
      EXPECT_EQ(SectionOffset(index, range, 8), c.Offsets[index])
          << c.PictureWidth << " on " << c.ScreenWidth << ", section index " << index;
    }
  }
}

TEST(SectionOffsetTest, OneStepOrFewerAlwaysStartsAtTheLeftEdge) {
  for (std::int32_t steps : {1, 0, -4}) {
    for (std::int32_t index : {0, 1, 7}) EXPECT_EQ(SectionOffset(index, 3840, steps), 0);
  }
}

TEST(SectionOffsetTest, HalfwayGoesToTheEvenNeighbour) {
  EXPECT_EQ(SectionOffset(1, 5, 3), 2);    // 2.5
  EXPECT_EQ(SectionOffset(3, 5, 3), 8);    // 7.5
  EXPECT_EQ(SectionOffset(1, 7, 3), 4);    // 3.5
  EXPECT_EQ(SectionOffset(-1, 5, 3), -2);  // -2.5
}

TEST(SectionOffsetTest, IndexesFarOutOfRangeSaturate) {
  constexpr std::int32_t max = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t min = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(SectionOffset(max, 1000000, 2), max);
  EXPECT_EQ(SectionOffset(min, 1000000, 2), min);
}

// A 40 x 10 picture of distinct pixels.
class RenderSectionTest : public ::testing::Test {
 protected:
  static constexpr std::int32_t Width = 40;
  static constexpr std::int32_t Height = 10;

  RenderSectionTest() : FWhole(Width, Height) {
    std::vector<std::uint32_t> stored;
    for (std::int32_t row = 0; row < Height; ++row) {
      for (std::int32_t x = 0; x < Width; ++x) {
        const std::int32_t y = Height - 1 - row;
        const std::uint32_t colour = std::uint32_t(x * 6) << 16 | std::uint32_t(y * 20) << 8 | 7;
        stored.push_back(colour);
        std::uint8_t* pixel = FWhole.Row(y) + x * 3;
        pixel[0] = static_cast<std::uint8_t>(colour >> 16);
        pixel[1] = static_cast<std::uint8_t>(colour >> 8);
        pixel[2] = static_cast<std::uint8_t>(colour);
      }
    }
    const fixtures::TBmpLayout layout{.Width = Width, .Height = Height, .BitCount = 24};
    FPicture = FFolder.Write(
        "wide.bmp", fixtures::BuildBmp(layout, fixtures::PackRows(Width, Height, 24, stored)));
    FOutput = FFolder / "current.bmp";
  }

  fixtures::TBytes Expected(std::int32_t Left, std::int32_t CropWidth, std::int32_t CropHeight) {
    return imaging::EncodeBitmap(fixtures::CropOnWhite(FWhole, Left, CropWidth, CropHeight));
  }

  fixtures::TTempFolder FFolder;
  imaging::TRgbImage FWhole;
  std::string FPicture;
  std::string FOutput;
};

TEST_F(RenderSectionTest, EachSectionIsTheWindowAtItsOffset) {
  // Range 24 over 7 steps: offsets 0, 3, 7, 10, 14, 17, 21, 24; shorter screen keeps the top.
  for (std::int32_t index = 0; index < 8; ++index) {
    RenderSection(FPicture, 16, 6, index, 8, FOutput);
    EXPECT_EQ(fixtures::ReadFile(FOutput), Expected(SectionOffset(index, 24, 8), 16, 6))
        << "section index " << index;
  }
}

TEST_F(RenderSectionTest, ASmallerPictureSitsTopLeftOnWhiteInEverySection) {
  for (std::int32_t index : {0, 3, 7}) {
    RenderSection(FPicture, 50, 14, index, 8, FOutput);
    EXPECT_EQ(fixtures::ReadFile(FOutput), Expected(0, 50, 14)) << "section index " << index;
  }
}

TEST_F(RenderSectionTest, AnIndexBeyondTheLastSectionShowsWhiteBeyondThePicture) {
  RenderSection(FPicture, 16, 6, 9, 8, FOutput);  // offset 31: 9 picture columns, then white
  EXPECT_EQ(fixtures::ReadFile(FOutput), Expected(31, 16, 6));
}

TEST_F(RenderSectionTest, AFailureLeavesThePreviousBitmapInPlace) {
  RenderSection(FPicture, 16, 6, 0, 8, FOutput);
  const fixtures::TBytes before = fixtures::ReadFile(FOutput);
  const std::string broken = FFolder.Write("broken.png", {'n', 'o', 't'});
  const std::string missing = FFolder / "missing.jpg";
  EXPECT_THROW(RenderSection(broken, 16, 6, 0, 8, FOutput), imaging::EImageError);
  EXPECT_THROW(RenderSection(missing, 16, 6, 0, 8, FOutput), imaging::EImageError);
  EXPECT_THROW(RenderSection(FPicture, 0, 6, 0, 8, FOutput), imaging::EImageError);
  EXPECT_EQ(fixtures::ReadFile(FOutput), before);
  EXPECT_THROW(RenderSection(FPicture, 16, 6, 0, 8, FFolder / "no/x.bmp"), imaging::EImageError);
}

}  // namespace
}  // namespace skyrelle::engine
