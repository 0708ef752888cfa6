#include "imaging/RgbImage.h"

#include <string>

#include "imaging/BmpFormat.h"
#include "imaging/ImageError.h"

namespace skyrelle::imaging {

namespace {

constexpr std::int32_t MaxSide = 65535;

std::int32_t CheckedSide(std::int32_t Side) {
  if (Side < 1 || Side > MaxSide) {
    throw EImageError("Invalid image size: each side must be from 1 to 65535 pixels");
  }
  return Side;
}

// Checked before the pixels are allocated, so an impossible size costs nothing. Headers plus
// rows padded to 4 bytes must fit the bitmap file's 32-bit size.
std::size_t CheckedPixelBytes(std::int32_t Width, std::int32_t Height) {
  const auto columns = static_cast<std::uint64_t>(CheckedSide(Width));
  const auto rows = static_cast<std::uint64_t>(CheckedSide(Height));
  if (BmpWrittenHeadersSize + (columns * 3 + 3) / 4 * 4 * rows > BmpMaxFileSize) {
    throw EImageError("Invalid image size: " + std::to_string(Width) + " x " +
                      std::to_string(Height) + " pixels is too large for a bitmap file");
  }
  return static_cast<std::size_t>(columns * 3 * rows);
}

}  // namespace

TRgbImage::TRgbImage(std::int32_t Width, std::int32_t Height)
    : FWidth(Width), FHeight(Height), FPixels(CheckedPixelBytes(Width, Height), 0xFF) {}

}  // namespace skyrelle::imaging
