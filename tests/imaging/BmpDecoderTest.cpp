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
  int Shift = 0;
  while (((Mask >> Shift) & 1) == 0) ++Shift;
  const double Max = Mask >> Shift;
  return static_cast<std::uint8_t>(std::lround(((Value & Mask) >> Shift) * 255.0 / Max));
}

std::vector<std::uint32_t> SomePalette(std::size_t Count) {
  std::vector<std::uint32_t> Palette;
  for (std::size_t I = 0; I < Count; ++I) {
    Palette.push_back(std::uint32_t(Sample(int(I), 0, 0)) << 16 | Sample(int(I), 0, 1) << 8 |
                      Sample(int(I), 0, 2));
  }
  return Palette;
}

void SetPixel(TRgbImage& Image, std::int32_t X, std::int32_t Y, TRgb Colour) {
  std::uint8_t* Pixel = Image.Row(Y) + X * 3;
  Pixel[0] = Colour.R;
  Pixel[1] = Colour.G;
  Pixel[2] = Colour.B;
}

// An uncompressed bitmap with a repeatable value per pixel below Limit; Colour says what each
// value shows.
TBmpFixture Uncompressed(TBmpLayout Layout, std::uint64_t Limit,
                         const std::function<TRgb(std::uint32_t)>& Colour) {
  const std::int32_t Width = Layout.Width;
  const std::int32_t Height = std::abs(Layout.Height);
  const bool TopDown = Layout.Height < 0;
  std::vector<std::uint32_t> Stored(std::size_t(Width) * Height);
  TRgbImage Expected(Width, Height);
  for (std::int32_t Y = 0; Y < Height; ++Y) {
    for (std::int32_t X = 0; X < Width; ++X) {
      const std::uint32_t Value = static_cast<std::uint32_t>(
          (std::uint64_t{Sample(X, Y, 0)} << 24 | std::uint64_t{Sample(X, Y, 1)} << 16 |
           Sample(X, Y, 2) << 8 | Sample(X, Y, 3)) %
          Limit);
      Stored[std::size_t(TopDown ? Y : Height - 1 - Y) * Width + X] = Value;
      SetPixel(Expected, X, Y, Colour(Value));
    }
  }
  return {BuildBmp(Layout, PackRows(Width, Height, Layout.BitCount, Stored)), Expected};
}

TBmpFixture Paletted(std::uint32_t HeaderSize, std::uint16_t BitCount, std::int32_t Height,
                     std::size_t Colours) {
  TBmpLayout Layout{.HeaderSize = HeaderSize, .Width = 13, .Height = Height, .BitCount = BitCount};
  Layout.Palette = SomePalette(Colours);
  Layout.ColoursUsed = HeaderSize == 12 || Colours == (1U << BitCount) ? 0 : Colours;
  return Uncompressed(Layout, Colours, [Palette = Layout.Palette](std::uint32_t Value) {
    return FromRgb(Palette[Value]);
  });
}

TBmpFixture TrueColour(std::uint32_t HeaderSize, std::uint16_t BitCount, std::int32_t Height) {
  const TBmpLayout Layout{
      .HeaderSize = HeaderSize, .Width = 11, .Height = Height, .BitCount = BitCount};
  // Stored blue, green, red (and a fourth byte that is ignored).
  return Uncompressed(Layout, std::uint64_t{1} << BitCount,
                      [](std::uint32_t Value) { return FromRgb(Value & 0xFFFFFF); });
}

TBmpFixture Masked(std::uint32_t HeaderSize, std::uint16_t BitCount, std::uint32_t Compression,
                   std::array<std::uint32_t, 3> Masks) {
  TBmpLayout Layout{.HeaderSize = HeaderSize,
                    .Width = 9,
                    .Height = 6,
                    .BitCount = BitCount,
                    .Compression = Compression,
                    .Masks = Masks};
  return Uncompressed(Layout, std::uint64_t{1} << BitCount, [Masks](std::uint32_t Value) {
    return TRgb{ScaleMask(Value, Masks[0]), ScaleMask(Value, Masks[1]), ScaleMask(Value, Masks[2])};
  });
}

// Run-length data for rows of palette indexes (stored order): repeats as encoded runs, other
// stretches in absolute mode, each row closed by an end of line, then the end of the bitmap.
TBytes EncodeRle(std::int32_t Width, const std::vector<std::vector<std::uint8_t>>& Rows,
                 bool FourBit) {
  TBytes Data;
  for (const std::vector<std::uint8_t>& Row : Rows) {
    std::int32_t X = 0;
    while (X < Width) {
      std::int32_t Run = 1;
      while (X + Run < Width && Run < 255 && Row[X + Run] == Row[X]) ++Run;
      std::int32_t Literal = 0;
      while (X + Literal < Width && Literal < 255 &&
             (X + Literal + 1 >= Width || Row[X + Literal + 1] != Row[X + Literal])) {
        ++Literal;
      }
      if (Run >= 2 || Literal < 3) {
        Data.push_back(static_cast<std::uint8_t>(Run));
        Data.push_back(static_cast<std::uint8_t>(FourBit ? Row[X] << 4 | Row[X] : Row[X]));
        X += Run;
        continue;
      }
      Data.push_back(0);
      Data.push_back(static_cast<std::uint8_t>(Literal));
      std::size_t Bytes = 0;
      for (std::int32_t I = 0; I < Literal; I += FourBit ? 2 : 1, ++Bytes) {
        const std::uint8_t Low = FourBit && I + 1 < Literal ? Row[X + I + 1] : 0;
        Data.push_back(static_cast<std::uint8_t>(FourBit ? Row[X + I] << 4 | Low : Row[X + I]));
      }
      if (Bytes % 2 != 0) Data.push_back(0);
      X += Literal;
    }
    Data.insert(Data.end(), {0, 0});
  }
  Data.back() = 1;  // the last end of line becomes the end of the bitmap
  return Data;
}

TBmpFixture RunLength(bool FourBit) {
  const std::int32_t Width = 23;
  const std::int32_t Height = 7;
  const std::size_t Colours = FourBit ? 16 : 200;
  TBmpLayout Layout{.Width = Width,
                    .Height = Height,
                    .BitCount = std::uint16_t(FourBit ? 4 : 8),
                    .Compression = std::uint32_t(FourBit ? 2 : 1),
                    .Palette = SomePalette(Colours)};
  std::vector<std::vector<std::uint8_t>> Rows(Height, std::vector<std::uint8_t>(Width));
  TRgbImage Expected(Width, Height);
  for (std::int32_t Y = 0; Y < Height; ++Y) {
    for (std::int32_t X = 0; X < Width; ++X) {
      // Even rows repeat in runs of four, odd rows change at almost every pixel.
      const std::uint8_t Index =
          static_cast<std::uint8_t>((Y % 2 == 0 ? X / 4 + Y : Sample(X, Y, 0)) % Colours);
      Rows[Height - 1 - Y][X] = Index;
      SetPixel(Expected, X, Y, FromRgb(Layout.Palette[Index]));
    }
  }
  return {BuildBmp(Layout, EncodeRle(Width, Rows, FourBit)), Expected};
}

// Deltas and an early end leave pixels untouched, which shows as white.
TBmpFixture RunLengthWithSkips() {
  TBmpLayout Layout{
      .Width = 4, .Height = 3, .BitCount = 8, .Compression = 1, .Palette = SomePalette(4)};
  const TBytes Data{2, 1, 0, 2, 1, 1, 1, 2, 0, 0, 3, 3, 0, 1};
  TRgbImage Expected(4, 3);
  const TRgb One = FromRgb(Layout.Palette[1]);
  SetPixel(Expected, 0, 2, One);
  SetPixel(Expected, 1, 2, One);
  SetPixel(Expected, 3, 1, FromRgb(Layout.Palette[2]));
  for (int X = 0; X < 3; ++X) SetPixel(Expected, X, 0, FromRgb(Layout.Palette[3]));
  return {BuildBmp(Layout, Data), Expected};
}

struct TBmpCase {
  const char* Name;
  std::function<TBmpFixture()> Make;
};

void PrintTo(const TBmpCase& Case, std::ostream* Out) { *Out << Case.Name; }

class BmpVariantTest : public ::testing::TestWithParam<TBmpCase> {};

TEST_P(BmpVariantTest, EveryWindowMatchesTheWholePictureOnWhite) {
  const TBmpFixture Fixture = GetParam().Make();
  TTempFolder Folder;
  const std::string FileName = Folder.Write("picture.bmp", Fixture.File);
  const TRgbImage& Whole = Fixture.Expected;
  for (const TWindowCase& Window : InterestingWindows(Whole.Width(), Whole.Height())) {
    SCOPED_TRACE(::testing::Message() << "window left " << Window.Left << ", " << Window.Width
                                      << " x " << Window.Height);
    EXPECT_EQ(FirstDifference(DecodeWindow(FileName, Window),
                              CropOnWhite(Whole, Window.Left, Window.Width, Window.Height)),
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
  const TBmpLayout Layout{.Width = 3, .Height = 1, .BitCount = 16};
  TTempFolder Folder;
  const std::string FileName =
      Folder.Write("five.bmp", BuildBmp(Layout, PackRows(3, 1, 16, {0x7FFF, 0x0010, 0x7C00})));
  const TRgbImage Image = DecodeWindow(FileName, {0, 3, 1});
  const std::vector<std::uint8_t> Row(Image.Row(0), Image.Row(0) + 9);
  EXPECT_EQ(Row, (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 132, 255, 0, 0}));
}

TEST(BmpDecoderTest, HugeHeaderWithLittleDataAllocatesOnlyTheWindow) {
  // Run-length data may legally end at once; nothing may be sized from the header.
  TBmpLayout Layout{
      .Width = 65535, .Height = 65535, .BitCount = 8, .Compression = 1, .Palette = SomePalette(2)};
  TTempFolder Folder;
  const std::string FileName = Folder.Write("huge.bmp", BuildBmp(Layout, {0, 0, 2, 1, 0, 1}));
  TPicture Picture(FileName);
  EXPECT_EQ(Picture.Size().Width, 65535);
  TRgbImage Window(16, 16);
  Picture.DrawWindow(65530, Window);
  EXPECT_EQ(FirstDifference(Window, TRgbImage(16, 16)), "");
}

// --- Broken files ------------------------------------------------------------------------------

TBytes Valid24() { return TrueColour(40, 24, 4).File; }

TBytes With32(TBytes File, std::size_t At, std::uint32_t Value) {
  for (int I = 0; I < 4; ++I) File[At + I] = static_cast<std::uint8_t>(Value >> (8 * I));
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
  const TBmpLayout Layout{
      .Width = Width, .Height = Height, .BitCount = 8, .Compression = 1, .Palette = SomePalette(4)};
  return BuildBmp(Layout, Data);
}

TBytes WithMasks(std::uint16_t BitCount, std::array<std::uint32_t, 3> Masks) {
  const TBmpLayout Layout{
      .Width = 2, .Height = 2, .BitCount = BitCount, .Compression = 3, .Masks = Masks};
  return BuildBmp(Layout, PackRows(2, 2, BitCount, {0, 0, 0, 0}));
}

class BrokenBmpTest : public ::testing::TestWithParam<TBrokenCase> {};

TEST_P(BrokenBmpTest, FailsWithAClearErrorNamingTheFile) {
  TTempFolder Folder;
  ExpectClearError(Folder.Write("broken.bmp", GetParam().Make()), {0, 64, 64}, GetParam().Reason);
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
