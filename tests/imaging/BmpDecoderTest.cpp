#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "ImageFixtures.h"
#include "imaging/ImageError.h"
#include "imaging/Picture.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

struct TRgb {
  std::uint8_t R, G, B;
};

struct TBmpFixture {
  TBytes File;
  TRgbImage Expected;
};

TRgb FromRgb(std::uint32_t Value) {
  return {static_cast<std::uint8_t>(Value >> 16), static_cast<std::uint8_t>(Value >> 8),
          static_cast<std::uint8_t>(Value)};
}

std::uint8_t ScaleMask(std::uint32_t Value, std::uint32_t Mask) {
  int shift = 0;
  while (((Mask >> shift) & 1) == 0) ++shift;
  const double max = Mask >> shift;
  return static_cast<std::uint8_t>(std::lround(((Value & Mask) >> shift) * 255.0 / max));
}

std::vector<std::uint32_t> SomePalette(std::size_t Count) {
  std::vector<std::uint32_t> palette;
  for (std::size_t i = 0; i < Count; ++i) {
    palette.push_back(std::uint32_t(Sample(int(i), 0, 0)) << 16 | Sample(int(i), 0, 1) << 8 |
                      Sample(int(i), 0, 2));
  }
  return palette;
}

void SetPixel(TRgbImage& Image, std::int32_t X, std::int32_t Y, TRgb Colour) {
  std::uint8_t* pixel = Image.Row(Y) + X * 3;
  pixel[0] = Colour.R;
  pixel[1] = Colour.G;
  pixel[2] = Colour.B;
}

// An uncompressed bitmap with a repeatable value per pixel below Limit; Colour says what each
// value shows.
TBmpFixture Uncompressed(TBmpLayout Layout, std::uint64_t Limit,
                         const std::function<TRgb(std::uint32_t)>& Colour) {
  const std::int32_t width = Layout.Width;
  const std::int32_t height = std::abs(Layout.Height);
  const bool topDown = Layout.Height < 0;
  std::vector<std::uint32_t> stored(std::size_t(width) * height);
  TRgbImage expected(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t value = static_cast<std::uint32_t>(
          (std::uint64_t{Sample(x, y, 0)} << 24 | std::uint64_t{Sample(x, y, 1)} << 16 |
           Sample(x, y, 2) << 8 | Sample(x, y, 3)) %
          Limit);
      stored[std::size_t(topDown ? y : height - 1 - y) * width + x] = value;
      SetPixel(expected, x, y, Colour(value));
    }
  }
  return {BuildBmp(Layout, PackRows(width, height, Layout.BitCount, stored)), expected};
}

TBmpFixture Paletted(std::uint32_t HeaderSize, std::uint16_t BitCount, std::int32_t Height,
                     std::size_t Colours) {
  TBmpLayout layout{.HeaderSize = HeaderSize, .Width = 13, .Height = Height, .BitCount = BitCount};
  layout.Palette = SomePalette(Colours);
  layout.ColoursUsed = HeaderSize == 12 || Colours == (1U << BitCount) ? 0 : Colours;
  return Uncompressed(layout, Colours, [palette = layout.Palette](std::uint32_t Value) {
    return FromRgb(palette[Value]);
  });
}

TBmpFixture TrueColour(std::uint32_t HeaderSize, std::uint16_t BitCount, std::int32_t Height) {
  const TBmpLayout layout{
      .HeaderSize = HeaderSize, .Width = 11, .Height = Height, .BitCount = BitCount};
  // Stored blue, green, red (and a fourth byte that is ignored).
  return Uncompressed(layout, std::uint64_t{1} << BitCount,
                      [](std::uint32_t Value) { return FromRgb(Value & 0xFFFFFF); });
}

TBmpFixture Masked(std::uint32_t HeaderSize, std::uint16_t BitCount, std::uint32_t Compression,
                   std::array<std::uint32_t, 3> Masks) {
  TBmpLayout layout{.HeaderSize = HeaderSize,
                    .Width = 9,
                    .Height = 6,
                    .BitCount = BitCount,
                    .Compression = Compression,
                    .Masks = Masks};
  return Uncompressed(layout, std::uint64_t{1} << BitCount, [Masks](std::uint32_t Value) {
    return TRgb{ScaleMask(Value, Masks[0]), ScaleMask(Value, Masks[1]), ScaleMask(Value, Masks[2])};
  });
}

// Run-length data for rows of palette indexes (stored order): repeats as encoded runs, other
// stretches in absolute mode, each row closed by an end of line, then the end of the bitmap.
TBytes EncodeRle(std::int32_t Width, const std::vector<std::vector<std::uint8_t>>& Rows,
                 bool FourBit) {
  TBytes data;
  for (const std::vector<std::uint8_t>& row : Rows) {
    std::int32_t x = 0;
    while (x < Width) {
      std::int32_t run = 1;
      while (x + run < Width && run < 255 && row[x + run] == row[x]) ++run;
      std::int32_t literal = 0;
      while (x + literal < Width && literal < 255 &&
             (x + literal + 1 >= Width || row[x + literal + 1] != row[x + literal])) {
        ++literal;
      }
      if (run >= 2 || literal < 3) {
        data.push_back(static_cast<std::uint8_t>(run));
        data.push_back(static_cast<std::uint8_t>(FourBit ? row[x] << 4 | row[x] : row[x]));
        x += run;
        continue;
      }
      data.push_back(0);
      data.push_back(static_cast<std::uint8_t>(literal));
      std::size_t bytes = 0;
      for (std::int32_t i = 0; i < literal; i += FourBit ? 2 : 1, ++bytes) {
        const std::uint8_t low = FourBit && i + 1 < literal ? row[x + i + 1] : 0;
        data.push_back(static_cast<std::uint8_t>(FourBit ? row[x + i] << 4 | low : row[x + i]));
      }
      if (bytes % 2 != 0) data.push_back(0);
      x += literal;
    }
    data.insert(data.end(), {0, 0});
  }
  data.back() = 1;  // the last end of line becomes the end of the bitmap
  return data;
}

TBmpFixture RunLength(bool FourBit) {
  const std::int32_t width = 23;
  const std::int32_t height = 7;
  const std::size_t colours = FourBit ? 16 : 200;
  TBmpLayout layout{.Width = width,
                    .Height = height,
                    .BitCount = std::uint16_t(FourBit ? 4 : 8),
                    .Compression = std::uint32_t(FourBit ? 2 : 1),
                    .Palette = SomePalette(colours)};
  std::vector<std::vector<std::uint8_t>> rows(height, std::vector<std::uint8_t>(width));
  TRgbImage expected(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      // Even rows repeat in runs of four, odd rows change at almost every pixel.
      const std::uint8_t index =
          static_cast<std::uint8_t>((y % 2 == 0 ? x / 4 + y : Sample(x, y, 0)) % colours);
      rows[height - 1 - y][x] = index;
      SetPixel(expected, x, y, FromRgb(layout.Palette[index]));
    }
  }
  return {BuildBmp(layout, EncodeRle(width, rows, FourBit)), expected};
}

// Deltas and an early end leave pixels untouched, which shows as white.
TBmpFixture RunLengthWithSkips() {
  TBmpLayout layout{
      .Width = 4, .Height = 3, .BitCount = 8, .Compression = 1, .Palette = SomePalette(4)};
  const TBytes data{2, 1, 0, 2, 1, 1, 1, 2, 0, 0, 3, 3, 0, 1};
  TRgbImage expected(4, 3);
  const TRgb one = FromRgb(layout.Palette[1]);
  SetPixel(expected, 0, 2, one);
  SetPixel(expected, 1, 2, one);
  SetPixel(expected, 3, 1, FromRgb(layout.Palette[2]));
  for (int x = 0; x < 3; ++x) SetPixel(expected, x, 0, FromRgb(layout.Palette[3]));
  return {BuildBmp(layout, data), expected};
}

struct TBmpCase {
  const char* Name;
  std::function<TBmpFixture()> Make;
};

void PrintTo(const TBmpCase& Case, std::ostream* Out) { *Out << Case.Name; }

class BmpVariantTest : public ::testing::TestWithParam<TBmpCase> {};

TEST_P(BmpVariantTest, EveryWindowMatchesTheWholePictureOnWhite) {
  const TBmpFixture fixture = GetParam().Make();
  TTempFolder folder;
  const std::string fileName = folder.Write("picture.bmp", fixture.File);
  const TRgbImage& whole = fixture.Expected;
  for (const TWindowCase& window : InterestingWindows(whole.Width(), whole.Height())) {
    SCOPED_TRACE(::testing::Message() << "window left " << window.Left << ", " << window.Width
                                      << " x " << window.Height);
    EXPECT_EQ(FirstDifference(DecodeWindow(fileName, window),
                              CropOnWhite(whole, window.Left, window.Width, window.Height)),
              "");
  }
}

const std::uint32_t R565 = 0xF800, G565 = 0x07E0, B565 = 0x001F;

INSTANTIATE_TEST_SUITE_P(
    Variants, BmpVariantTest,
    ::testing::Values(TBmpCase{"Core1Bit", [] { return Paletted(12, 1, 5, 2); }},
                      TBmpCase{"Core4Bit", [] { return Paletted(12, 4, 5, 16); }},
                      TBmpCase{"Core8Bit", [] { return Paletted(12, 8, 5, 256); }},
                      TBmpCase{"Core24Bit", [] { return TrueColour(12, 24, 4); }},
                      TBmpCase{"Info1Bit", [] { return Paletted(40, 1, 6, 2); }},
                      TBmpCase{"Info4BitShortPalette", [] { return Paletted(40, 4, 6, 5); }},
                      TBmpCase{"Info8Bit", [] { return Paletted(40, 8, 6, 256); }},
                      TBmpCase{"Info8BitTopDown", [] { return Paletted(40, 8, -6, 70); }},
                      TBmpCase{"Info24Bit", [] { return TrueColour(40, 24, 7); }},
                      TBmpCase{"Info24BitTopDown", [] { return TrueColour(40, 24, -7); }},
                      TBmpCase{"Info32BitAlphaIgnored", [] { return TrueColour(40, 32, 5); }},
                      TBmpCase{"V5With24Bit", [] { return TrueColour(124, 24, 5); }},
                      TBmpCase{"Info16Bit555",
                               [] {
                                 return Masked(40, 16, 0, {0x7C00, 0x03E0, 0x001F});
                               }},
                      TBmpCase{"Info16BitFields565",
                               [] {
                                 return Masked(40, 16, 3, {R565, G565, B565});
                               }},
                      TBmpCase{"V4With16BitFields",
                               [] {
                                 return Masked(108, 16, 3, {B565, G565, R565});
                               }},
                      TBmpCase{"V3With32BitFields",
                               [] {
                                 return Masked(56, 32, 3, {0x00FF0000, 0x0000FF00, 0x000000FF});
                               }},
                      TBmpCase{"Info32BitTenBitFields",
                               [] {
                                 return Masked(40, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF});
                               }},
                      TBmpCase{"Rle8", [] { return RunLength(false); }},
                      TBmpCase{"Rle4", [] { return RunLength(true); }},
                      TBmpCase{"Rle8WithDeltaAndEarlyEnd", RunLengthWithSkips}),
    [](const ::testing::TestParamInfo<TBmpCase>& Info) { return Info.param.Name; });

TEST(BmpDecoderTest, FiveBitChannelsSpreadOverTheFullRange) {
  // 555: 0x7FFF is white, 0x0010 is mid blue (16 of 31), 0x7C00 is pure red.
  const TBmpLayout layout{.Width = 3, .Height = 1, .BitCount = 16};
  TTempFolder folder;
  const std::string fileName =
      folder.Write("five.bmp", BuildBmp(layout, PackRows(3, 1, 16, {0x7FFF, 0x0010, 0x7C00})));
  const TRgbImage image = DecodeWindow(fileName, {0, 3, 1});
  const std::vector<std::uint8_t> row(image.Row(0), image.Row(0) + 9);
  EXPECT_EQ(row, (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 132, 255, 0, 0}));
}

TEST(BmpDecoderTest, HugeHeaderWithLittleDataAllocatesOnlyTheWindow) {
  // Run-length data may legally end at once; nothing may be sized from the header.
  TBmpLayout layout{
      .Width = 65535, .Height = 65535, .BitCount = 8, .Compression = 1, .Palette = SomePalette(2)};
  TTempFolder folder;
  const std::string fileName = folder.Write("huge.bmp", BuildBmp(layout, {0, 0, 2, 1, 0, 1}));
  TPicture picture(fileName);
  EXPECT_EQ(picture.Size().Width, 65535);
  TRgbImage window(16, 16);
  picture.DrawWindow(65530, window);
  EXPECT_EQ(FirstDifference(window, TRgbImage(16, 16)), "");
}

// --- Broken files ------------------------------------------------------------------------------

TBytes Valid24() { return TrueColour(40, 24, 4).File; }

TBytes With32(TBytes File, std::size_t At, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i) File[At + i] = static_cast<std::uint8_t>(Value >> (8 * i));
  return File;
}

TBytes With16(TBytes File, std::size_t At, std::uint16_t Value) {
  File[At] = static_cast<std::uint8_t>(Value);
  File[At + 1] = static_cast<std::uint8_t>(Value >> 8);
  return File;
}

TBytes Cut(TBytes File, std::size_t Size) {
  File.resize(Size);
  return File;
}

TBytes Rle8(std::int32_t Width, std::int32_t Height, const TBytes& Data) {
  const TBmpLayout layout{
      .Width = Width, .Height = Height, .BitCount = 8, .Compression = 1, .Palette = SomePalette(4)};
  return BuildBmp(layout, Data);
}

TBytes WithMasks(std::uint16_t BitCount, std::array<std::uint32_t, 3> Masks) {
  const TBmpLayout layout{
      .Width = 2, .Height = 2, .BitCount = BitCount, .Compression = 3, .Masks = Masks};
  return BuildBmp(layout, PackRows(2, 2, BitCount, {0, 0, 0, 0}));
}

class BrokenBmpTest : public ::testing::TestWithParam<TBrokenCase> {};

TEST_P(BrokenBmpTest, FailsWithAClearErrorNamingTheFile) {
  TTempFolder folder;
  ExpectClearError(folder.Write("broken.bmp", GetParam().Make()), {0, 64, 64}, GetParam().Reason);
}

const std::int32_t MinInt = std::numeric_limits<std::int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Classes, BrokenBmpTest,
    ::testing::Values(
        TBrokenCase{"PngData", [] { return TBytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0}; },
                    "not a BMP picture"},
        TBrokenCase{"Empty", [] { return TBytes{}; }, "not a BMP picture"},
        TBrokenCase{"TruncatedHeader", [] { return Cut(Valid24(), 30); }, "truncated"},
        TBrokenCase{"TruncatedPixels", [] { return Cut(Valid24(), Valid24().size() - 1); },
                    "truncated pixel data"},
        TBrokenCase{"LyingSize", [] { return With32(With32(Valid24(), 18, 65535), 22, 65535); },
                    "truncated pixel data"},
        TBrokenCase{"OffsetInsideHeaders", [] { return With32(Valid24(), 10, 20); },
                    "offset inside the headers"},
        TBrokenCase{"OffsetBeyondFile", [] { return With32(Valid24(), 10, 100000); },
                    "truncated pixel data"},
        TBrokenCase{"ZeroWidth", [] { return With32(Valid24(), 18, 0); }, "invalid width"},
        TBrokenCase{"NegativeWidth", [] { return With32(Valid24(), 18, std::uint32_t(-5)); },
                    "invalid width"},
        TBrokenCase{"ZeroHeight", [] { return With32(Valid24(), 22, 0); }, "invalid height"},
        TBrokenCase{"SmallestHeight", [] { return With32(Valid24(), 22, std::uint32_t(MinInt)); },
                    "invalid height"},
        TBrokenCase{"TwoPlanes", [] { return With16(Valid24(), 26, 2); }, "plane count"},
        TBrokenCase{"TwoBitsPerPixel", [] { return With16(Valid24(), 28, 2); },
                    "unsupported combination"},
        TBrokenCase{"JpegCompression", [] { return With32(Valid24(), 30, 4); },
                    "unsupported combination"},
        TBrokenCase{"Rle8With24Bits", [] { return With32(Valid24(), 30, 1); },
                    "unsupported combination"},
        TBrokenCase{"UnknownHeaderSize", [] { return With32(Valid24(), 14, 64); },
                    "unsupported bitmap header size 64"},
        TBrokenCase{"PaletteIndexBeyondTable",
                    [] {
                      const TBmpLayout Layout{
                          .Width = 2, .Height = 1, .BitCount = 8, .Palette = SomePalette(2)};
                      return BuildBmp(Layout, PackRows(2, 1, 8, {1, 7}));
                    },
                    "colour index 7 out of range"},
        TBrokenCase{"MissingColourTable",
                    [] {
                      const TBmpLayout Layout{.Width = 2, .Height = 1, .BitCount = 8};
                      return BuildBmp(Layout, PackRows(2, 1, 8, {0, 0}));
                    },
                    "missing colour table"},
        TBrokenCase{"OverlappingMasks",
                    [] {
                      return WithMasks(16, {0xF800, 0x0FE0, 0x1F});
                    },
                    "invalid bit-field mask"},
        TBrokenCase{"GappedMask",
                    [] {
                      return WithMasks(16, {0xF00F, 0x07E0, 0x0010});
                    },
                    "invalid bit-field mask"},
        TBrokenCase{"ZeroMask",
                    [] {
                      return WithMasks(32, {0xFF0000, 0, 0xFF});
                    },
                    "invalid bit-field mask"},
        TBrokenCase{"MaskBeyondSixteenBits",
                    [] {
                      return WithMasks(16, {0x1F0000, 0x07E0, 0x1F});
                    },
                    "invalid bit-field mask"},
        TBrokenCase{"TruncatedMasks",
                    [] {
                      return Cut(WithMasks(16, {R565, G565, B565}), 60);
                    },
                    "truncated bit-field masks"},
        TBrokenCase{"RleRunBeyondRow",
                    [] {
                      return Rle8(4, 2, {5, 1, 0, 1});
                    },
                    "compressed run beyond the picture"},
        TBrokenCase{"RleAbsoluteBeyondRow",
                    [] {
                      return Rle8(4, 2, {0, 5, 1, 1, 1, 1, 1, 0, 0, 1});
                    },
                    "compressed run beyond the picture"},
        TBrokenCase{"RleRunAboveTopRow",
                    [] {
                      return Rle8(2, 1, {2, 1, 0, 0, 1, 1, 0, 1});
                    },
                    "compressed run beyond the picture"},
        TBrokenCase{"RleDeltaBeyondPicture",
                    [] {
                      return Rle8(4, 2, {0, 2, 5, 0, 0, 1});
                    },
                    "compressed offset beyond the picture"},
        TBrokenCase{"RleTooManyLines",
                    [] {
                      return Rle8(4, 1, {0, 0, 0, 0, 0, 1});
                    },
                    "beyond the last row"},
        TBrokenCase{"RleWithoutEnd",
                    [] {
                      return Rle8(4, 2, {4, 1, 0, 0, 4, 2});
                    },
                    "truncated compressed pixel data"},
        TBrokenCase{"RleAbsoluteCutShort",
                    [] {
                      return Rle8(8, 1, {0, 6, 1, 2});
                    },
                    "truncated compressed pixel data"},
        TBrokenCase{"RleLyingImageSize",
                    [] {
                      return With32(Rle8(4, 1, {4, 1, 0, 1}), 34, 4096);
                    },
                    "truncated pixel data"},
        TBrokenCase{"RleTopDown",
                    [] {
                      return With32(Rle8(4, 1, {4, 1, 0, 1}), 22, std::uint32_t(-1));
                    },
                    "top-down"},
        TBrokenCase{"Rle4IndexBeyondTable",
                    [] {
                      const TBmpLayout Layout{.Width = 2,
                                              .Height = 1,
                                              .BitCount = 4,
                                              .Compression = 2,
                                              .Palette = SomePalette(2)};
                      return BuildBmp(Layout, {2, 0x1F, 0, 1});
                    },
                    "colour index 15 out of range"}),
    [](const ::testing::TestParamInfo<TBrokenCase>& Info) { return Info.param.Name; });

}  // namespace
}  // namespace skyrelle::imaging
