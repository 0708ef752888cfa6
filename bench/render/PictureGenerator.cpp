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
  std::uint32_t H =
      static_cast<std::uint32_t>(X) * 0x85EBCA6BU ^ static_cast<std::uint32_t>(Y) * 0xC2B2AE35U;
  H ^= H >> 15;
  H *= 0x2C1B3C6DU;
  H ^= H >> 12;
  return H;
}

// Smooth noise in 0 .. 1 on a grid of Cell pixels.
double ValueNoise(std::int32_t X, std::int32_t Y, std::int32_t Cell) {
  const std::int32_t CX = X / Cell;
  const std::int32_t CY = Y / Cell;
  const double FX = double(X % Cell) / Cell;
  const double FY = double(Y % Cell) / Cell;
  const auto Corner = [](std::int32_t A, std::int32_t B) { return (Hash(A, B) >> 8) / 16777216.0; };
  const double Top = Corner(CX, CY) * (1 - FX) + Corner(CX + 1, CY) * FX;
  const double Bottom = Corner(CX, CY + 1) * (1 - FX) + Corner(CX + 1, CY + 1) * FX;
  return Top * (1 - FY) + Bottom * FY;
}

std::uint8_t Clamp(double Value) {
  return static_cast<std::uint8_t>(std::clamp(Value, 0.0, 255.0));
}

class TLandscape {
 public:
  TLandscape(std::int32_t Width, std::int32_t Height) : FWidth(Width), FHeight(Height) {
    FHorizon.resize(static_cast<std::size_t>(Width));
    for (std::int32_t X = 0; X < Width; ++X) {
      const double T = double(X) / Width;
      FHorizon[X] = Height * (0.55 + 0.12 * std::sin(T * 31.0) + 0.05 * std::sin(T * 173.0 + 1.0) +
                              0.02 * std::sin(T * 1301.0));
    }
  }

  void Row(std::int32_t Y, std::uint8_t* Out) const {
    const double SunX = FWidth * 0.37;
    const double SunY = FHeight * 0.22;
    const double SunRadius = FHeight * 0.07;
    for (std::int32_t X = 0; X < FWidth; ++X, Out += 3) {
      const double Grain = double(Hash(X, Y) & 15) - 7.5;
      const double Texture = ValueNoise(X, Y, 64) * 40 + ValueNoise(X, Y, 8) * 24;
      double R, G, B;
      if (Y < FHorizon[X]) {
        const double Sky = double(Y) / FHeight;
        R = 90 + 120 * Sky + Texture * 0.3;
        G = 140 + 80 * Sky + Texture * 0.3;
        B = 230 - 30 * Sky;
        const double DX = X - SunX;
        const double DY = Y - SunY;
        if (DX * DX + DY * DY < SunRadius * SunRadius) R = G = 250, B = 210;
      } else {
        const double Depth = (Y - FHorizon[X]) / FHeight;
        R = 60 + 50 * Depth + Texture;
        G = 100 + 40 * Depth + Texture * 1.2;
        B = 40 + 20 * Depth + Texture * 0.5;
      }
      Out[0] = Clamp(R + Grain);
      Out[1] = Clamp(G + Grain);
      Out[2] = Clamp(B + Grain);
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
  std::unique_ptr<std::FILE, TFileCloser> File(std::fopen(FileName.c_str(), "wb"));
  if (!File) throw std::runtime_error("cannot create " + FileName);
  return File;
}

}  // namespace

void WriteLandscapeJpeg(const std::string& FileName, std::int32_t Width, std::int32_t Height) {
  const auto File = Create(FileName);
  const TLandscape Landscape(Width, Height);
  jpeg_compress_struct Info{};
  jpeg_error_mgr Errors{};
  Info.err = jpeg_std_error(&Errors);
  jpeg_create_compress(&Info);
  jpeg_stdio_dest(&Info, File.get());
  Info.image_width = static_cast<JDIMENSION>(Width);
  Info.image_height = static_cast<JDIMENSION>(Height);
  Info.input_components = 3;
  Info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&Info);
  jpeg_set_quality(&Info, 90, TRUE);
  jpeg_start_compress(&Info, TRUE);
  std::vector<JSAMPLE> Row(std::size_t(Width) * 3);
  while (Info.next_scanline < Info.image_height) {
    Landscape.Row(static_cast<std::int32_t>(Info.next_scanline), Row.data());
    JSAMPROW Rows[1] = {Row.data()};
    jpeg_write_scanlines(&Info, Rows, 1);
  }
  jpeg_finish_compress(&Info);
  jpeg_destroy_compress(&Info);
}

void WriteLandscapePng(const std::string& FileName, std::int32_t Width, std::int32_t Height) {
  const auto File = Create(FileName);
  const TLandscape Landscape(Width, Height);
  png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop Info = png_create_info_struct(Png);
  png_init_io(Png, File.get());
  png_set_compression_level(Png, 3);
  png_set_IHDR(Png, Info, static_cast<png_uint_32>(Width), static_cast<png_uint_32>(Height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(Png, Info);
  std::vector<png_byte> Row(std::size_t(Width) * 3);
  for (std::int32_t Y = 0; Y < Height; ++Y) {
    Landscape.Row(Y, Row.data());
    png_write_row(Png, Row.data());
  }
  png_write_end(Png, Info);
  png_destroy_write_struct(&Png, &Info);
}

}  // namespace skyrelle::bench
