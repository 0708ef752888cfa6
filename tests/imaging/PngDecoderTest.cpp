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
  const TPngOptions& options = Case.Options;
  const int channels = ChannelCount(options.ColourType);
  const bool palette = options.ColourType == PNG_COLOR_TYPE_PALETTE;
  const std::uint32_t limit =
      palette ? static_cast<std::uint32_t>(options.Palette.size()) : 1U << options.BitDepth;
  TPngFixture fixture{{}, TRgbImage(Case.Width, Case.Height)};
  for (std::int32_t y = 0; y < Case.Height; ++y) {
    for (std::int32_t x = 0; x < Case.Width; ++x) {
      std::vector<std::uint16_t> pixel;
      for (int c = 0; c < channels; ++c) {
        const std::uint32_t random = std::uint32_t(Sample(x, y, c)) << 8 | Sample(x, y, c + 4);
        pixel.push_back(static_cast<std::uint16_t>(random % limit));
      }
      if (!options.Transparent.empty() && (x + y) % 3 == 0) pixel = options.Transparent;
      fixture.Values.insert(fixture.Values.end(), pixel.begin(), pixel.end());

      std::uint32_t rgb[3];
      std::uint32_t alpha = 255;
      if (palette) {
        const std::uint32_t colour = options.Palette[pixel[0]];
        rgb[0] = colour >> 16;
        rgb[1] = (colour >> 8) & 0xFF;
        rgb[2] = colour & 0xFF;
        if (pixel[0] < options.PaletteAlpha.size()) alpha = options.PaletteAlpha[pixel[0]];
      } else {
        const bool grey = channels <= 2;
        for (int c = 0; c < 3; ++c) rgb[c] = ToEightBits(pixel[grey ? 0 : c], options.BitDepth);
        if (channels == 2 || channels == 4) {
          alpha = ToEightBits(pixel[channels - 1], options.BitDepth);
        }
        if (!options.Transparent.empty() && pixel == options.Transparent) alpha = 0;
      }
      std::uint8_t* out = fixture.Expected.Row(y) + x * 3;
      for (int c = 0; c < 3; ++c) out[c] = OnWhite(rgb[c], alpha);
    }
  }
  return fixture;
}

std::vector<std::uint32_t> SomePalette(std::size_t Count) {
  std::vector<std::uint32_t> palette;
  for (std::size_t i = 0; i < Count; ++i) {
    palette.push_back(std::uint32_t(Sample(int(i), 9, 0)) << 16 | Sample(int(i), 9, 1) << 8 |
                      Sample(int(i), 9, 2));
  }
  return palette;
}

std::vector<std::uint8_t> SomeAlpha(std::size_t Count) {
  std::vector<std::uint8_t> alpha;
  for (std::size_t i = 0; i < Count; ++i) alpha.push_back(Sample(int(i), 7, 3));
  return alpha;
}

class PngVariantTest : public ::testing::TestWithParam<TPngCase> {};

TEST_P(PngVariantTest, EveryWindowMatchesTheWholePictureOnWhite) {
  const TPngCase& c = GetParam();
  const TPngFixture fixture = MakeFixture(c);
  TTempFolder folder;
  const std::string fileName =
      folder.Write("picture.png", EncodePng(c.Width, c.Height, c.Options, fixture.Values));
  for (const TWindowCase& window : InterestingWindows(c.Width, c.Height)) {
    SCOPED_TRACE(::testing::Message() << "window left " << window.Left << ", " << window.Width
                                      << " x " << window.Height);
    EXPECT_EQ(
        FirstDifference(DecodeWindow(fileName, window),
                        CropOnWhite(fixture.Expected, window.Left, window.Width, window.Height)),
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
  const TPngCase c{"", {.ColourType = Rgb, .BitDepth = 8}, 40, 30};
  return EncodePng(c.Width, c.Height, c.Options, MakeFixture(c).Values);
}

// Position of the first byte of the named chunk's data.
std::size_t ChunkData(const TBytes& Data, const char* Type) {
  for (std::size_t i = 8; i + 8 <= Data.size();) {
    const std::size_t length =
        std::size_t(Data[i]) << 24 | Data[i + 1] << 16 | Data[i + 2] << 8 | Data[i + 3];
    if (std::equal(Type, Type + 4, Data.begin() + i + 4)) return i + 8;
    i += length + 12;
  }
  return Data.size();
}

class BrokenPngTest : public ::testing::TestWithParam<TBrokenCase> {};

TEST_P(BrokenPngTest, FailsWithAClearErrorNamingTheFile) {
  TTempFolder folder;
  ExpectClearError(folder.Write("broken.png", GetParam().Make()), {0, 40, 30}, GetParam().Reason);
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
