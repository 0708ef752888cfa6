#include "ImageFixtures.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "imaging/ImageError.h"
#include "imaging/Picture.h"

namespace skyrelle::test_support {

using imaging::EImageError;
using imaging::TPicture;
using imaging::TRgbImage;

std::uint8_t Sample(std::int32_t X, std::int32_t Y, std::int32_t Channel, std::uint32_t Seed) {
  std::uint32_t h = Seed * 0x9E3779B9U ^ static_cast<std::uint32_t>(X) * 0x85EBCA6BU ^
                    static_cast<std::uint32_t>(Y) * 0xC2B2AE35U ^
                    static_cast<std::uint32_t>(Channel) * 0x27D4EB2FU;
  h ^= h >> 15;
  h *= 0x2C1B3C6DU;
  h ^= h >> 12;
  return static_cast<std::uint8_t>(h >> 8);
}

TSamples PhotoLikeSamples(std::int32_t Width, std::int32_t Height, std::int32_t Channels) {
  TSamples samples{Width, Height, Channels,
                   std::vector<std::uint8_t>(std::size_t(Width) * Height * Channels)};
  for (std::int32_t y = 0; y < Height; ++y) {
    for (std::int32_t x = 0; x < Width; ++x) {
      std::uint8_t* pixel = samples.At(x, y);
      for (std::int32_t c = 0; c < Channels; ++c) {
        const double wave = std::sin((x * (c + 1) + y * (3 - c)) * 0.07) * 90.0;
        const double value = 128.0 + wave + (Sample(x, y, c) % 24) - 12;
        pixel[c] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
      }
    }
  }
  return samples;
}

// --- Library errors ------------------------------------------------------------------------------

namespace {

// Runs at the end of the scope, also when the scope is left by an exception.
class TFinally {
 public:
  explicit TFinally(std::function<void()> Work) : FWork(std::move(Work)) {}
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;
  ~TFinally() { FWork(); }

 private:
  std::function<void()> FWork;
};

// The libraries end the program on an error unless their error handler jumps back out. Work
// runs with Jump set; a jump back raises Message(), which the test then reports as its
// failure. Work holds nothing with a destructor: the jump would skip it.
void RunGuarded(std::jmp_buf& Jump, const std::function<std::string()>& Message,
                const std::function<void()>& Work) {
  if (setjmp(Jump) != 0) throw std::runtime_error(Message());
  Work();
}

// libjpeg's error manager, with where its errors jump back to.
struct TJpegErrors {
  jpeg_error_mgr Manager{};  // first, so that the library's pointer to it leads here
  std::jmp_buf Jump{};
};

[[noreturn]] void JumpBackFromJpeg(j_common_ptr Common) {
  std::longjmp(reinterpret_cast<TJpegErrors*>(Common->err)->Jump, 1);
}

jpeg_error_mgr* JumpingJpegErrors(TJpegErrors& Errors) {
  jpeg_std_error(&Errors.Manager);
  Errors.Manager.error_exit = JumpBackFromJpeg;
  return &Errors.Manager;
}

std::string JpegMessage(j_common_ptr Common) {
  char text[JMSG_LENGTH_MAX] = {};
  (*Common->err->format_message)(Common, text);
  return std::string("libjpeg: ") + text;
}

// libpng's error handler: keeps the text, then jumps back.
[[noreturn]] void JumpBackFromPng(png_structp Png, png_const_charp Text) {
  *static_cast<std::string*>(png_get_error_ptr(Png)) = std::string("libpng: ") + Text;
  png_longjmp(Png, 1);
}

}  // namespace

// --- JPEG --------------------------------------------------------------------------------------

TBytes EncodeJpeg(const TSamples& Samples, const TJpegOptions& Options) {
  jpeg_compress_struct info{};
  TJpegErrors errors;
  info.err = JumpingJpegErrors(errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const TFinally release([&] {
    jpeg_destroy_compress(&info);
    free(buffer);
  });
  // End-of-image markers as the comments' text: a reader that loses its place inside them stops.
  std::vector<JOCTET> comment(65533);
  for (std::size_t i = 0; i < comment.size(); ++i) comment[i] = i % 2 == 0 ? 0xFF : JPEG_EOI;
  const auto common = reinterpret_cast<j_common_ptr>(&info);
  RunGuarded(
      errors.Jump, [common] { return JpegMessage(common); },
      [&] {
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = static_cast<JDIMENSION>(Samples.Width);
        info.image_height = static_cast<JDIMENSION>(Samples.Height);
        info.input_components = Samples.Channels;
        info.in_color_space = Samples.Channels == 1   ? JCS_GRAYSCALE
                              : Samples.Channels == 4 ? JCS_CMYK
                                                      : JCS_RGB;
        jpeg_set_defaults(&info);
        if (Samples.Channels == 4) {
          jpeg_set_colorspace(&info, JCS_CMYK);
          info.write_Adobe_marker = Options.AdobeMarker ? TRUE : FALSE;
        }
        jpeg_set_quality(&info, Options.Quality, TRUE);
        info.comp_info[0].h_samp_factor = Options.HorizontalSampling;
        info.comp_info[0].v_samp_factor = Options.VerticalSampling;
        for (int i = 1; i < info.num_components; ++i) {
          info.comp_info[i].h_samp_factor = 1;
          info.comp_info[i].v_samp_factor = 1;
        }
        info.restart_in_rows = Options.RestartRows;
        if (Options.Progressive) jpeg_simple_progression(&info);
        jpeg_start_compress(&info, TRUE);
        for (std::size_t written = 0; written < Options.CommentBytes; written += comment.size()) {
          jpeg_write_marker(&info, JPEG_COM, comment.data(), static_cast<unsigned>(comment.size()));
        }
        while (info.next_scanline < info.image_height) {
          JSAMPROW row = const_cast<JSAMPLE*>(Samples.Values.data()) +
                         std::size_t(info.next_scanline) * Samples.Width * Samples.Channels;
          jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
      });
  return TBytes(buffer, buffer + size);
}

TRgbImage DecodeWholeJpeg(const TBytes& Data) {
  jpeg_decompress_struct info{};
  TJpegErrors errors;
  info.err = JumpingJpegErrors(errors);
  jpeg_create_decompress(&info);
  const TFinally release([&] { jpeg_destroy_decompress(&info); });
  const auto common = reinterpret_cast<j_common_ptr>(&info);
  const auto guarded = [&](const std::function<void()>& Work) {
    RunGuarded(
        errors.Jump, [common] { return JpegMessage(common); }, Work);
  };
  guarded([&] {
    jpeg_mem_src(&info, Data.data(), static_cast<unsigned long>(Data.size()));
    jpeg_read_header(&info, TRUE);
  });
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  guarded([&] { jpeg_start_decompress(&info); });
  TRgbImage image(static_cast<std::int32_t>(info.output_width),
                  static_cast<std::int32_t>(info.output_height));
  std::vector<JSAMPLE> row(std::size_t(info.output_width) * info.output_components);
  while (info.output_scanline < info.output_height) {
    std::uint8_t* out = image.Row(static_cast<std::int32_t>(info.output_scanline));
    guarded([&] {
      JSAMPROW rows[1] = {row.data()};
      jpeg_read_scanlines(&info, rows, 1);
    });
    for (JDIMENSION x = 0; x < info.output_width; ++x) {
      if (!cmyk) {
        std::copy_n(row.data() + x * 3, 3, out + x * 3);
        continue;
      }
      const JSAMPLE* ink = row.data() + x * 4;
      for (int c = 0; c < 3; ++c) {
        // With the Adobe marker 255 means no ink; without it 0 does.
        const int paper = info.saw_Adobe_marker ? ink[c] : 255 - ink[c];
        const int black = info.saw_Adobe_marker ? ink[3] : 255 - ink[3];
        out[x * 3 + c] = static_cast<std::uint8_t>(std::lround(paper * black / 255.0));
      }
    }
  }
  guarded([&] { jpeg_finish_decompress(&info); });
  return image;
}

// --- PNG ---------------------------------------------------------------------------------------

namespace {

void AppendData(png_structp Png, png_bytep Data, png_size_t Size) {
  auto* out = static_cast<TBytes*>(png_get_io_ptr(Png));
  out->insert(out->end(), Data, Data + Size);
}

void NoFlush(png_structp) {}

int ChannelsOf(int ColourType) {
  switch (ColourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    default:
      return 4;
  }
}

}  // namespace

TBytes EncodePng(std::int32_t Width, std::int32_t Height, const TPngOptions& Options,
                 const std::vector<std::uint16_t>& Values) {
  std::vector<png_color> palette;
  for (std::uint32_t colour : Options.Palette) {
    palette.push_back({static_cast<png_byte>(colour >> 16), static_cast<png_byte>(colour >> 8),
                       static_cast<png_byte>(colour)});
  }
  const int channels = ChannelsOf(Options.ColourType);
  const std::size_t rowBytes = (std::size_t(Width) * channels * Options.BitDepth + 7) / 8;
  std::vector<png_byte> rows(rowBytes * Height, 0);
  for (std::int32_t y = 0; y < Height; ++y) {
    png_byte* row = rows.data() + y * rowBytes;
    for (std::size_t i = 0; i < std::size_t(Width) * channels; ++i) {
      const std::uint16_t value = Values[y * std::size_t(Width) * channels + i];
      if (Options.BitDepth == 16) {
        row[i * 2] = static_cast<png_byte>(value >> 8);
        row[i * 2 + 1] = static_cast<png_byte>(value);
      } else if (Options.BitDepth == 8) {
        row[i] = static_cast<png_byte>(value);
      } else {
        const std::size_t bit = i * Options.BitDepth;
        row[bit / 8] |= static_cast<png_byte>(value << (8 - Options.BitDepth - bit % 8));
      }
    }
  }
  std::vector<png_bytep> rowPointers;
  for (std::int32_t y = 0; y < Height; ++y) rowPointers.push_back(rows.data() + y * rowBytes);

  TBytes out;
  std::string error;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, JumpBackFromPng, nullptr);
  png_infop info = png_create_info_struct(png);
  const TFinally release([&] { png_destroy_write_struct(&png, &info); });
  RunGuarded(
      png_jmpbuf(png), [&error] { return error; },
      [&] {
        png_set_write_fn(png, &out, AppendData, NoFlush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(Width), static_cast<png_uint_32>(Height),
                     Options.BitDepth, Options.ColourType,
                     Options.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (!palette.empty())
          png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        if (!Options.PaletteAlpha.empty()) {
          png_set_tRNS(png, info, Options.PaletteAlpha.data(),
                       static_cast<int>(Options.PaletteAlpha.size()), nullptr);
        }
        if (!Options.Transparent.empty()) {
          png_color_16 colour{};
          if (Options.Transparent.size() == 1) {
            colour.gray = Options.Transparent[0];
          } else {
            colour.red = Options.Transparent[0];
            colour.green = Options.Transparent[1];
            colour.blue = Options.Transparent[2];
          }
          png_set_tRNS(png, info, nullptr, 0, &colour);
        }
        png_write_info(png, info);
        png_write_image(png, rowPointers.data());
        png_write_end(png, info);
      });
  return out;
}

// --- Files and images --------------------------------------------------------------------------

TBytes ReadFile(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TRgbImage CropOnWhite(const TRgbImage& Whole, std::int32_t Left, std::int32_t Width,
                      std::int32_t Height) {
  TRgbImage crop(Width, Height);
  for (std::int32_t y = 0; y < std::min(Height, Whole.Height()); ++y) {
    for (std::int32_t x = 0; x < Width; ++x) {
      const std::int64_t sourceX = std::int64_t{Left} + x;
      if (sourceX < 0 || sourceX >= Whole.Width()) continue;
      std::copy_n(Whole.Row(y) + sourceX * 3, 3, crop.Row(y) + x * 3);
    }
  }
  return crop;
}

std::vector<TWindowCase> InterestingWindows(std::int32_t Width, std::int32_t Height) {
  const auto atLeast1 = [](std::int32_t Value) { return std::max(Value, 1); };
  return {
      {0, Width, Height},
      {0, atLeast1(Width / 2), atLeast1(Height / 2)},
      {Width / 3, atLeast1(Width / 3), Height},
      {std::min(13, Width - 1), atLeast1(std::min(17, Width - 13)), atLeast1(Height - 1)},
      {atLeast1(Width - 5), Width, Height + 3},
      {-7, Width + 14, Height + 5},
      {Width + 2, 10, 4},
      {1, atLeast1(Width - 2), 1},
  };
}

TRgbImage DecodeWindow(const std::string& FileName, const TWindowCase& Window) {
  TRgbImage image(Window.Width, Window.Height);
  TPicture picture(FileName);
  picture.DrawWindow(Window.Left, image);
  return image;
}

void ExpectClearError(const std::string& FileName, const TWindowCase& Window,
                      const std::string& Reason) {
  try {
    DecodeWindow(FileName, Window);
    ADD_FAILURE() << "decoded without an error";
  } catch (const EImageError& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find(FileName), std::string::npos) << text;
    EXPECT_NE(text.find(Reason), std::string::npos) << text;
  }
}

std::string FirstDifference(const TRgbImage& A, const TRgbImage& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return "sizes differ";
  for (std::int32_t y = 0; y < A.Height(); ++y) {
    for (std::int32_t x = 0; x < A.Width(); ++x) {
      const std::uint8_t* p = A.Row(y) + x * 3;
      const std::uint8_t* q = B.Row(y) + x * 3;
      if (std::equal(p, p + 3, q)) continue;
      std::ostringstream text;
      text << "pixel (" << x << ", " << y << "): (" << int(p[0]) << ", " << int(p[1]) << ", "
           << int(p[2]) << ") vs (" << int(q[0]) << ", " << int(q[1]) << ", " << int(q[2]) << ")";
      return text.str();
    }
  }
  return "";
}

}  // namespace skyrelle::test_support
