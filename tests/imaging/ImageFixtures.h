#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/RgbImage.h"
#include "support/BitmapFile.h"
#include "support/TempFolder.h"

// Small pictures made in code for the imaging tests: hand-built bitmaps, and JPEG and PNG files
// made with the libraries' own encoders.
namespace skyrelle::test_support {

// Bitmaps come from the writer all tests share (support/BitmapFile.h).

// A pseudo-random but repeatable sample value for pixel (X, Y), channel Channel.
std::uint8_t Sample(std::int32_t X, std::int32_t Y, std::int32_t Channel, std::uint32_t Seed = 1);

// Samples for a picture: Width x Height pixels, Channels samples each, rows top to bottom.
struct TSamples {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t Channels = 3;
  std::vector<std::uint8_t> Values;

  std::uint8_t* At(std::int32_t X, std::int32_t Y) {
    return Values.data() + (std::size_t(Y) * Width + X) * Channels;
  }
};

// Smooth gradients with some noise, as a photograph would give; enough structure for JPEG.
TSamples PhotoLikeSamples(std::int32_t Width, std::int32_t Height, std::int32_t Channels);

// --- JPEG --------------------------------------------------------------------------------------

struct TJpegOptions {
  int HorizontalSampling = 2;  // of the first component; the others use 1
  int VerticalSampling = 2;
  bool Progressive = false;
  bool AdobeMarker = true;  // CMYK: write the Adobe marker (the data then counts as inverted)
  int RestartRows = 0;
  int Quality = 90;
  std::size_t CommentBytes = 0;  // about this many bytes of comment segments before the frame
};

// Samples with 1 (grey), 3 (RGB, stored as YCbCr) or 4 (CMYK, stored as given) channels.
TBytes EncodeJpeg(const TSamples& Samples, const TJpegOptions& Options);

// The whole picture decoded by libjpeg without cropping: RGB, or CMYK converted to RGB.
imaging::TRgbImage DecodeWholeJpeg(const TBytes& Data);

// --- PNG ---------------------------------------------------------------------------------------

struct TPngOptions {
  int ColourType = 2;  // PNG_COLOR_TYPE_*
  int BitDepth = 8;
  bool Interlaced = false;
  std::vector<std::uint32_t> Palette;      // 0xRRGGBB
  std::vector<std::uint8_t> PaletteAlpha;  // tRNS for a palette
  std::vector<std::uint16_t> Transparent;  // tRNS colour: grey, or red, green, blue
};

// Values: one per sample, in the bit depth's range, rows top to bottom.
TBytes EncodePng(std::int32_t Width, std::int32_t Height, const TPngOptions& Options,
                 const std::vector<std::uint16_t>& Values);

// --- Files and images --------------------------------------------------------------------------

TBytes ReadFile(const std::string& FileName);

// What the rectangle left Left, top 0, Width x Height of Whole gives on white.
imaging::TRgbImage CropOnWhite(const imaging::TRgbImage& Whole, std::int32_t Left,
                               std::int32_t Width, std::int32_t Height);

// The windows worth comparing for a Width x Height picture: whole, inside, across each edge,
// larger than the picture, and beside it.
struct TWindowCase {
  std::int32_t Left;
  std::int32_t Width;
  std::int32_t Height;
};
std::vector<TWindowCase> InterestingWindows(std::int32_t Width, std::int32_t Height);

// The window decoded through the picture's own decoder, onto white.
imaging::TRgbImage DecodeWindow(const std::string& FileName, const TWindowCase& Window);

// A class of broken file and a part of the error text it must give.
struct TBrokenCase {
  const char* Name;
  std::function<TBytes()> Make;
  const char* Reason;
};
inline void PrintTo(const TBrokenCase& Case, std::ostream* Out) { *Out << Case.Name; }

// Decoding Window of the file must fail with an error that names the file and gives Reason.
void ExpectClearError(const std::string& FileName, const TWindowCase& Window,
                      const std::string& Reason);

// The first differing pixel, or "" when A and B are equal.
std::string FirstDifference(const imaging::TRgbImage& A, const imaging::TRgbImage& B);

}  // namespace skyrelle::test_support
