#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The one writer of bitmap files for all tests: any layout the format allows, and the 24-bit
// kind the engine writes.
namespace skyrelle::test_support {

using TBytes = std::vector<std::uint8_t>;

struct TBmpLayout {
  std::uint32_t HeaderSize = 40;  // 12, 40, 52, 56, 108 or 124
  std::int32_t Width = 0;
  std::int32_t Height = 0;  // negative: stored top-down
  std::uint16_t BitCount = 24;
  std::uint32_t Compression = 0;
  std::vector<std::uint32_t> Palette;  // 0xRRGGBB
  std::uint32_t ColoursUsed = 0;
  std::array<std::uint32_t, 3> Masks{};  // red, green, blue; written when Compression is 3
  std::uint32_t ImageSize = 0;           // 0: the pixel data's size
};

// A bitmap file: headers, masks, colour table, then PixelData as given.
TBytes BuildBmp(const TBmpLayout& Layout, const TBytes& PixelData);

// Rows of Values (one per pixel, stored order, BitCount bits each, little-endian for 16 and
// 32), packed as a bitmap stores them: bits from the high end, rows padded to 4 bytes.
TBytes PackRows(std::int32_t Width, std::int32_t Rows, std::uint16_t BitCount,
                const std::vector<std::uint32_t>& Values);

// The colour of pixel (X, Y), Y counted from the top, as 0xRRGGBB.
using TColourFunction = std::function<std::uint32_t(std::int32_t X, std::int32_t Y)>;

// A 24-bit bitmap as the engine writes it: rows bottom-up, or top-down with TopDown.
TBytes Bitmap24(std::int32_t Width, std::int32_t Height, const TColourFunction& Colour,
                bool TopDown = false);
// Bitmap24 written to FileName.
void WriteBitmap24(const std::string& FileName, std::int32_t Width, std::int32_t Height,
                   const TColourFunction& Colour, bool TopDown = false);

}  // namespace skyrelle::test_support
