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
  const TOffsetCase Cases[] = {
      {5760, 1920, {0, 549, 1097, 1646, 2194, 2743, 3291, 3840}},
      {4000, 2560, {0, 206, 411, 617, 823, 1029, 1234, 1440}},
      {3000, 1920, {0, 154, 309, 463, 617, 771, 926, 1080}},
      {1920, 1920, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const TOffsetCase& Case : Cases) {
    const std::int32_t Range = Case.PictureWidth - Case.ScreenWidth;
    for (std::int32_t Index = 0; Index < 8; ++Index) {
      EXPECT_EQ(SectionOffset(Index, Range, 8), Case.Offsets[Index])
          << Case.PictureWidth << " on " << Case.ScreenWidth << ", section index " << Index;
    }
  }
}

TEST(SectionOffsetTest, OneStepOrFewerAlwaysStartsAtTheLeftEdge) {
  for (std::int32_t Steps : {1, 0, -4}) {
    for (std::int32_t Index : {0, 1, 7}) EXPECT_EQ(SectionOffset(Index, 3840, Steps), 0);
  }
}

TEST(SectionOffsetTest, HalfwayGoesToTheEvenNeighbour) {
  EXPECT_EQ(SectionOffset(1, 5, 3), 2);    // 2.5
  EXPECT_EQ(SectionOffset(3, 5, 3), 8);    // 7.5
  EXPECT_EQ(SectionOffset(1, 7, 3), 4);    // 3.5
  EXPECT_EQ(SectionOffset(-1, 5, 3), -2);  // -2.5
}

TEST(SectionOffsetTest, IndexesFarOutOfRangeSaturate) {
  constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(SectionOffset(Max, 1000000, 2), Max);
  EXPECT_EQ(SectionOffset(Min, 1000000, 2), Min);
}

// A 40 x 10 picture of distinct pixels.
class RenderSectionTest : public ::testing::Test {
 protected:
  static constexpr std::int32_t Width = 40;
  static constexpr std::int32_t Height = 10;

  RenderSectionTest() : FWhole(Width, Height) {
    std::vector<std::uint32_t> Stored;
    for (std::int32_t Row = 0; Row < Height; ++Row) {
      for (std::int32_t X = 0; X < Width; ++X) {
        const std::int32_t Y = Height - 1 - Row;
        const std::uint32_t Colour = std::uint32_t(X * 6) << 16 | std::uint32_t(Y * 20) << 8 | 7;
        Stored.push_back(Colour);
        std::uint8_t* Pixel = FWhole.Row(Y) + X * 3;
        Pixel[0] = static_cast<std::uint8_t>(Colour >> 16);
        Pixel[1] = static_cast<std::uint8_t>(Colour >> 8);
        Pixel[2] = static_cast<std::uint8_t>(Colour);
      }
    }
    const fixtures::TBmpLayout Layout{.Width = Width, .Height = Height, .BitCount = 24};
    FPicture = FFolder.Write(
        "wide.bmp", fixtures::BuildBmp(Layout, fixtures::PackRows(Width, Height, 24, Stored)));
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
  for (std::int32_t Index = 0; Index < 8; ++Index) {
    RenderSection(FPicture, 16, 6, Index, 8, FOutput);
    EXPECT_EQ(fixtures::ReadFile(FOutput), Expected(SectionOffset(Index, 24, 8), 16, 6))
        << "section index " << Index;
  }
}

TEST_F(RenderSectionTest, ASmallerPictureSitsTopLeftOnWhiteInEverySection) {
  for (std::int32_t Index : {0, 3, 7}) {
    RenderSection(FPicture, 50, 14, Index, 8, FOutput);
    EXPECT_EQ(fixtures::ReadFile(FOutput), Expected(0, 50, 14)) << "section index " << Index;
  }
}

TEST_F(RenderSectionTest, AnIndexBeyondTheLastSectionShowsWhiteBeyondThePicture) {
  RenderSection(FPicture, 16, 6, 9, 8, FOutput);  // offset 31: 9 picture columns, then white
  EXPECT_EQ(fixtures::ReadFile(FOutput), Expected(31, 16, 6));
}

TEST_F(RenderSectionTest, AFailureLeavesThePreviousBitmapInPlace) {
  RenderSection(FPicture, 16, 6, 0, 8, FOutput);
  const fixtures::TBytes Before = fixtures::ReadFile(FOutput);
  const std::string Broken = FFolder.Write("broken.png", {'n', 'o', 't'});
  const std::string Missing = FFolder / "missing.jpg";
  EXPECT_THROW(RenderSection(Broken, 16, 6, 0, 8, FOutput), imaging::EImageError);
  EXPECT_THROW(RenderSection(Missing, 16, 6, 0, 8, FOutput), imaging::EImageError);
  EXPECT_THROW(RenderSection(FPicture, 0, 6, 0, 8, FOutput), imaging::EImageError);
  EXPECT_EQ(fixtures::ReadFile(FOutput), Before);
  EXPECT_THROW(RenderSection(FPicture, 16, 6, 0, 8, FFolder / "no/x.bmp"), imaging::EImageError);
}

}  // namespace
}  // namespace skyrelle::engine
