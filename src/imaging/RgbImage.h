#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skyrelle::imaging {

// A 24-bit image, rows top to bottom, each pixel red, green, blue. Starts all white. Sizes a
// bitmap file cannot hold (sides beyond 65535, or 4 GB of pixel data) are refused.
class TRgbImage {
 public:
  TRgbImage(std::int32_t Width, std::int32_t Height);

  std::int32_t Width() const { return FWidth; }
  std::int32_t Height() const { return FHeight; }
  std::uint8_t* Row(std::int32_t Y) { return FPixels.data() + RowOffset(Y); }
  const std::uint8_t* Row(std::int32_t Y) const { return FPixels.data() + RowOffset(Y); }

  bool operator==(const TRgbImage& Other) const = default;

 private:
  std::size_t RowOffset(std::int32_t Y) const {
    return static_cast<std::size_t>(Y) * static_cast<std::size_t>(FWidth) * 3;
  }

  std::int32_t FWidth;
  std::int32_t FHeight;
  std::vector<std::uint8_t> FPixels;
};

}  // namespace skyrelle::imaging
