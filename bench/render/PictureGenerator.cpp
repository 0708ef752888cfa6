#include "PictureGenerator.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

namespace skyrelle::bench {

namespace {

std::uint32_t Hash(std::int32_t X, std::int32_t Y) {
  std::uint32_t h =
      static_cast<std::uint32_t>(X) * 0x85EBCA6BU ^ static_cast<std::uint32_t>(Y) * 0xC2B2AE35U;
  h ^= h >> 15;
  h *= 0x2C1B3C6DU;
  h ^= h >> 12;
  return h;
}

// Smooth noise in 0 .. 1 on a grid of Cell pixels.
double ValueNoise(std::int32_t X, std::int32_t Y, std::int32_t Cell) {
  const std::int32_t cx = X / Cell;
  const std::int32_t cy = Y / Cell;
  const double fx = double(X % Cell) / Cell;
  const double fy = double(Y % Cell) / Cell;
  const auto corner = [](std::int32_t A, std::int32_t B) { return (Hash(A, B) >> 8) / 16777216.0; };
  const double top = corner(cx, cy) * (1 - fx) + corner(cx + 1, cy) * fx;
  const double bottom = corner(cx, cy + 1) * (1 - fx) + corner(cx + 1, cy + 1) * fx;
  return top * (1 - fy) + bottom * fy;
}

std::uint8_t Clamp(double Value) {
  return static_cast<std::uint8_t>(std::clamp(Value, 0.0, 255.0));
}

class TLandscape {
 public:
  TLandscape(std::int32_t Width, std::int32_t Height) : FWidth(Width), FHeight(Height) {
    FHorizon.resize(static_cast<std::size_t>(Width));
    for (std::int32_t x = 0; x < Width; ++x) {
      const double t = double(x) / Width;
      FHorizon[x] = Height * (0.55 + 0.12 * std::sin(t * 31.0) + 0.05 * std::sin(t * 173.0 + 1.0) +
                              0.02 * std::sin(t * 1301.0));
    }
  }

  void Row(std::int32_t Y, std::uint8_t* Out) const {
    const double sunX = FWidth * 0.37;
    const double sunY = FHeight * 0.22;
    const double sunRadius = FHeight * 0.07;
    for (std::int32_t x = 0; x < FWidth; ++x, Out += 3) {
      const double grain = double(Hash(x, Y) & 15) - 7.5;
      const double texture = ValueNoise(x, Y, 64) * 40 + ValueNoise(x, Y, 8) * 24;
      double r, g, b;
      if (Y < FHorizon[x]) {
        const double sky = double(Y) / FHeight;
        r = 90 + 120 * sky + texture * 0.3;
        g = 140 + 80 * sky + texture * 0.3;
        b = 230 - 30 * sky;
        const double dx = x - sunX;
        const double dy = Y - sunY;
        if (dx * dx + dy * dy < sunRadius * sunRadius) r = g = 250, b = 210;
      } else {
        const double depth = (Y - FHorizon[x]) / FHeight;
        r = 60 + 50 * depth + texture;
        g = 100 + 40 * depth + texture * 1.2;
        b = 40 + 20 * depth + texture * 0.5;
      }
      Out[0] = Clamp(r + grain);
      Out[1] = Clamp(g + grain);
      Out[2] = Clamp(b + grain);
    }
  }

 private:
  std::int32_t FWidth;
  std::int32_t FHeight;
  std::vector<double> FHorizon;
};

struct TFileCloser {
  void operator()(std::FILE* File) const { std::fclose(File); }
};

std::unique_ptr<std::FILE, TFileCloser> Create(const std::string& FileName) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(FileName.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot create " + FileName);
  return file;
}

}  // namespace

void WriteLandscapeJpeg(const std::string& FileName, std::int32_t Width, std::int32_t Height) {
  const auto file = Create(FileName);
  const TLandscape landscape(Width, Height);
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file.get());
  info.image_width = static_cast<JDIMENSION>(Width);
  info.image_height = static_cast<JDIMENSION>(Height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(std::size_t(Width) * 3);
  while (info.next_scanline < info.image_height) {
    landscape.Row(static_cast<std::int32_t>(info.next_scanline), row.data());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
}

void WriteLandscapePng(const std::string& FileName, std::int32_t Width, std::int32_t Height) {
  const auto file = Create(FileName);
  const TLandscape landscape(Width, Height);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file.get());
  png_set_compression_level(png, 3);
  png_set_IHDR(png, info, static_cast<png_uint_32>(Width), static_cast<png_uint_32>(Height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(std::size_t(Width) * 3);
  for (std::int32_t y = 0; y < Height; ++y) {
    landscape.Row(y, row.data());
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
}

}  // namespace skyrelle::bench
