#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skyrelle::platform {

// The wallpaper file as the engine writes it: an uncompressed 24-bit Windows bitmap.
struct TBitmap24 {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Rgb;  // rows from the top, 3 bytes per pixel: red, green, blue

  const std::uint8_t* Pixel(int X, int Y) const {
    return &Rgb[(static_cast<std::size_t>(Y) * static_cast<std::size_t>(Width) +
                 static_cast<std::size_t>(X)) *
                3];
  }
};

// Reads bottom-up and top-down rows alike. Raises std::runtime_error naming the file when
// it cannot be read, is another kind of bitmap or is cut short.
TBitmap24 ReadBitmap24(const std::string& FileName);

}  // namespace skyrelle::platform
