#include "imaging/RgbImage.h"

#include "imaging/ImageError.h"

namespace skyrelle::imaging {

namespace {

// Keeps every image small enough that its bitmap file sizes fit the format's 32-bit fields.
constexpr std::int32_t MaxSide = 65535;

std::int32_t CheckedSide(std::int32_t Side) {
  if (Side < 1 || Side > MaxSide) {
    throw EImageError("Invalid image size: each side must be from 1 to 65535 pixels");
  }
  return Side;
}

}  // namespace

TRgbImage::TRgbImage(std::int32_t Width, std::int32_t Height)
    : FWidth(CheckedSide(Width)),
      FHeight(CheckedSide(Height)),
      FPixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3, 0xFF) {}

}  // namespace skyrelle::imaging
