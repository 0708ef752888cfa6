#include "imaging/RgbImage.h"

#include <string>

#include "imaging/ImageError.h"

namespace skyrelle::imaging {

namespace {

constexpr std::int32_t MaxSide = 65535;
// The bitmap file's size field is 32 bits: headers plus rows padded to 4 bytes must fit it.
constexpr std::uint64_t MaxBitmapFileSize = 0xFFFFFFFF;
constexpr std::uint64_t BitmapHeadersSize = 54;

std::int32_t CheckedSide(std::int32_t Side) {
  if (Side < 1 || Side > MaxSide) {
    throw EImageError("Invalid image size: each side must be from 1 to 65535 pixels");
  }
  return Side;
}

// Checked before the pixels are allocated, so an impossible size costs nothing.
std::size_t CheckedPixelBytes(std::int32_t Width, std::int32_t Height) {
  const auto Columns = static_cast<std::uint64_t>(CheckedSide(Width));
  const auto Rows = static_cast<std::uint64_t>(CheckedSide(Height));
  if (BitmapHeadersSize + (Columns * 3 + 3) / 4 * 4 * Rows > MaxBitmapFileSize) {
    throw EImageError("Invalid image size: " + std::to_string(Width) + " x " +
                      std::to_string(Height) + " pixels is too large for a bitmap file");
  }
  return static_cast<std::size_t>(Columns * 3 * Rows);
}

}  // namespace

TRgbImage::TRgbImage(std::int32_t Width, std::int32_t Height)
    : FWidth(Width), FHeight(Height), FPixels(CheckedPixelBytes(Width, Height), 0xFF) {}

}  // namespace skyrelle::imaging
