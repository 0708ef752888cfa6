#include <gtest/gtest.h>
#include <png.h>

#include <functional>

#include "ImageFixtures.h"
#include "imaging/ImageError.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

struct TPngCase {
  const char* Name;
  TPngOptions Options;
  std::int32_t Width = 37;
  std::int32_t Height = 19;
};

void PrintTo(const TPngCase& Case, std::ostream* Out) { *Out << Case.Name; }

int ChannelCount(int ColourType) {
  switch (ColourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;
  }
}

std::uint32_t ToEightBits(std::uint32_t Value, int BitDepth) {
  if (BitDepth == 16) return (Value * 255 + 32767) / 65535;
  return Value * 255 / ((1U << BitDepth) - 1);
}

std::uint8_t OnWhite(std::uint32_t Colour, std::uint32_t Alpha) {
  return static_cast<std::uint8_t>((Colour * Alpha + 255 * (255 - Alpha) + 127) / 255);
}

// Samples for the case (every third pixel set to the transparent colour, when there is one)
// and the picture they show on white.
struct TPngFixture {
  std::vector<std::uint16_t> Values;
  TRgbImage Expected;
};

TPngFixture MakeFixture(const TPngCase& Case) {
  const TPngOptions& Options = Case.Options;
  const int Channels = ChannelCount(Options.ColourType);
  const bool Palette = Options.ColourType == PNG_COLOR_TYPE_PALETTE;
  const std::uint32_t Limit =
      Palette ? static_cast<std::uint32_t>(Options.Palette.size()) : 1U << Options.BitDepth;
  TPngFixture Fixture{{}, TRgbImage(Case.Width, Case.Height)};
  for (std::int32_t Y = 0; Y < Case.Height; ++Y) {
    for (std::int32_t X = 0; X < Case.Width; ++X) {
      std::vector<std::uint16_t> Pixel;
      for (int C = 0; C < Channels; ++C) {
        const std::uint32_t Random = std::uint32_t(Sample(X, Y, C)) << 8 | Sample(X, Y, C + 4);
        Pixel.push_back(static_cast<std::uint16_t>(Random % Limit));
      }
      if (!Options.Transparent.empty() && (X + Y) % 3 == 0) Pixel = Options.Transparent;
      Fixture.Values.insert(Fixture.Values.end(), Pixel.begin(), Pixel.end());

      std::uint32_t Rgb[3];
      std::uint32_t Alpha = 255;
      if (Palette) {
        const std::uint32_t Colour = Options.Palette[Pixel[0]];
        Rgb[0] = Colour >> 16;
        Rgb[1] = (Colour >> 8) & 0xFF;
        Rgb[2] = Colour & 0xFF;
        if (Pixel[0] < Options.PaletteAlpha.size()) Alpha = Options.PaletteAlpha[Pixel[0]];
      } else {
        const bool Grey = Channels <= 2;
        for (int C = 0; C < 3; ++C) Rgb[C] = ToEightBits(Pixel[Grey ? 0 : C], Options.BitDepth);
        if (Channels == 2 || Channels == 4) {
          Alpha = ToEightBits(Pixel[Channels - 1], Options.BitDepth);
        }
        if (!Options.Transparent.empty() && Pixel == Options.Transparent) Alpha = 0;
      }
      std::uint8_t* Out = Fixture.Expected.Row(Y) + X * 3;
      for (int C = 0; C < 3; ++C) Out[C] = OnWhite(Rgb[C], Alpha);
    }
  }
  return Fixture;
}

std::vector<std::uint32_t> SomePalette(std::size_t Count) {
  std::vector<std::uint32_t> Palette;
  for (std::size_t I = 0; I < Count; ++I) {
    Palette.push_back(std::uint32_t(Sample(int(I), 9, 0)) << 16 | Sample(int(I), 9, 1) << 8 |
                      Sample(int(I), 9, 2));
  }
  return Palette;
}

std::vector<std::uint8_t> SomeAlpha(std::size_t Count) {
  std::vector<std::uint8_t> Alpha;
  for (std::size_t I = 0; I < Count; ++I) Alpha.push_back(Sample(int(I), 7, 3));
  return Alpha;
}

class PngVariantTest : public ::testing::TestWithParam<TPngCase> {};

TEST_P(PngVariantTest, EveryWindowMatchesTheWholePictureOnWhite) {
  const TPngCase& Case = GetParam();
  const TPngFixture Fixture = MakeFixture(Case);
  TTempFolder Folder;
  const std::string FileName =
      Folder.Write("picture.png", EncodePng(Case.Width, Case.Height, Case.Options, Fixture.Values));
  for (const TWindowCase& Window : InterestingWindows(Case.Width, Case.Height)) {
    SCOPED_TRACE(::testing::Message() << "window left " << Window.Left << ", " << Window.Width
                                      << " x " << Window.Height);
    EXPECT_EQ(
        FirstDifference(DecodeWindow(FileName, Window),
                        CropOnWhite(Fixture.Expected, Window.Left, Window.Width, Window.Height)),
        "");
  }
}

constexpr int Grey = PNG_COLOR_TYPE_GRAY;
constexpr int GreyAlpha = PNG_COLOR_TYPE_GRAY_ALPHA;
constexpr int Rgb = PNG_COLOR_TYPE_RGB;
constexpr int Rgba = PNG_COLOR_TYPE_RGB_ALPHA;
constexpr int Indexed = PNG_COLOR_TYPE_PALETTE;

INSTANTIATE_TEST_SUITE_P(
    Variants, PngVariantTest,
    ::testing::Values(
        TPngCase{"Grey1", {.ColourType = Grey, .BitDepth = 1}},
        TPngCase{"Grey2", {.ColourType = Grey, .BitDepth = 2}},
        TPngCase{"Grey4", {.ColourType = Grey, .BitDepth = 4}},
        TPngCase{"Grey8", {.ColourType = Grey, .BitDepth = 8}},
        TPngCase{"Grey16", {.ColourType = Grey, .BitDepth = 16}},
        TPngCase{"Grey1Transparent", {.ColourType = Grey, .BitDepth = 1, .Transparent = {1}}},
        TPngCase{"Grey8Transparent", {.ColourType = Grey, .BitDepth = 8, .Transparent = {77}}},
        TPngCase{"Grey16Transparent", {.ColourType = Grey, .BitDepth = 16, .Transparent = {40000}}},
        TPngCase{"GreyAlpha8", {.ColourType = GreyAlpha, .BitDepth = 8}},
        TPngCase{"GreyAlpha16", {.ColourType = GreyAlpha, .BitDepth = 16}},
        TPngCase{"Rgb8", {.ColourType = Rgb, .BitDepth = 8}},
        TPngCase{"Rgb16", {.ColourType = Rgb, .BitDepth = 16}},
        TPngCase{"Rgb8Transparent",
                 {.ColourType = Rgb, .BitDepth = 8, .Transparent = {10, 20, 30}}},
        TPngCase{"Rgb16Transparent",
                 {.ColourType = Rgb, .BitDepth = 16, .Transparent = {1000, 2000, 65535}}},
        TPngCase{"Rgba8", {.ColourType = Rgba, .BitDepth = 8}},
        TPngCase{"Rgba16", {.ColourType = Rgba, .BitDepth = 16}},
        TPngCase{"Palette1", {.ColourType = Indexed, .BitDepth = 1, .Palette = SomePalette(2)}},
        TPngCase{"Palette2", {.ColourType = Indexed, .BitDepth = 2, .Palette = SomePalette(3)}},
        TPngCase{"Palette4", {.ColourType = Indexed, .BitDepth = 4, .Palette = SomePalette(16)}},
        TPngCase{"Palette8", {.ColourType = Indexed, .BitDepth = 8, .Palette = SomePalette(200)}},
        TPngCase{"Palette8PartlyTransparent",
                 {.ColourType = Indexed,
                  .BitDepth = 8,
                  .Palette = SomePalette(40),
                  .PaletteAlpha = SomeAlpha(25)}},
        TPngCase{"InterlacedRgba8", {.ColourType = Rgba, .BitDepth = 8, .Interlaced = true}},
        TPngCase{"InterlacedRgb16", {.ColourType = Rgb, .BitDepth = 16, .Interlaced = true}},
        TPngCase{"InterlacedGrey1", {.ColourType = Grey, .BitDepth = 1, .Interlaced = true}},
        TPngCase{"InterlacedPalette4",
                 {.ColourType = Indexed,
                  .BitDepth = 4,
                  .Interlaced = true,
                  .Palette = SomePalette(11),
                  .PaletteAlpha = SomeAlpha(11)}},
        TPngCase{"InterlacedGreyTransparent",
                 {.ColourType = Grey, .BitDepth = 8, .Interlaced = true, .Transparent = {3}}},
        // Tiny interlaced pictures have empty passes.
        TPngCase{"Interlaced1x1", {.ColourType = Rgb, .BitDepth = 8, .Interlaced = true}, 1, 1},
        TPngCase{"Interlaced3x2", {.ColourType = Rgb, .BitDepth = 8, .Interlaced = true}, 3, 2},
        TPngCase{"Interlaced9x1", {.ColourType = Rgb, .BitDepth = 8, .Interlaced = true}, 9, 1},
        TPngCase{"Interlaced1x9", {.ColourType = Rgb, .BitDepth = 8, .Interlaced = true}, 1, 9}),
    [](const ::testing::TestParamInfo<TPngCase>& Info) { return Info.param.Name; });

// --- Broken files ------------------------------------------------------------------------------

TBytes Plain() {
  const TPngCase Case{"", {.ColourType = Rgb, .BitDepth = 8}, 40, 30};
  return EncodePng(Case.Width, Case.Height, Case.Options, MakeFixture(Case).Values);
}

// Position of the first byte of the named chunk's data.
std::size_t ChunkData(const TBytes& Data, const char* Type) {
  for (std::size_t I = 8; I + 8 <= Data.size();) {
    const std::size_t Length =
        std::size_t(Data[I]) << 24 | Data[I + 1] << 16 | Data[I + 2] << 8 | Data[I + 3];
    if (std::equal(Type, Type + 4, Data.begin() + I + 4)) return I + 8;
    I += Length + 12;
  }
  return Data.size();
}

class BrokenPngTest : public ::testing::TestWithParam<TBrokenCase> {};

TEST_P(BrokenPngTest, FailsWithAClearErrorNamingTheFile) {
  TTempFolder Folder;
  ExpectClearError(Folder.Write("broken.png", GetParam().Make()), {0, 40, 30}, GetParam().Reason);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, BrokenPngTest,
    ::testing::Values(TBrokenCase{"JpegData",
                                  [] { return EncodeJpeg(PhotoLikeSamples(8, 8, 3), {}); },
                                  "not a PNG picture"},
                      TBrokenCase{"Empty", [] { return TBytes{}; }, "not a PNG picture"},
                      TBrokenCase{"SignatureOnly",
                                  [] {
                                    TBytes Data = Plain();
                                    Data.resize(8);
                                    return Data;
                                  },
                                  "truncated"},
                      TBrokenCase{"CutInTheImageData",
                                  [] {
                                    TBytes Data = Plain();
                                    Data.resize(ChunkData(Data, "IDAT") + 20);
                                    return Data;
                                  },
                                  "truncated"},
                      TBrokenCase{"DamagedImageData",
                                  [] {
                                    TBytes Data = Plain();
                                    Data[ChunkData(Data, "IDAT") + 10] ^= 0x55;
                                    return Data;
                                  },
                                  "IDAT"},
                      TBrokenCase{"ZeroWidth",
                                  [] {
                                    TBytes Data = Plain();
                                    std::fill_n(Data.begin() + ChunkData(Data, "IHDR"), 4, 0);
                                    return Data;
                                  },
                                  "IHDR"}),
    [](const ::testing::TestParamInfo<TBrokenCase>& Info) { return Info.param.Name; });

}  // namespace
}  // namespace skyrelle::imaging
