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
  std::uint32_t H = Seed * 0x9E3779B9U ^ static_cast<std::uint32_t>(X) * 0x85EBCA6BU ^
                    static_cast<std::uint32_t>(Y) * 0xC2B2AE35U ^
                    static_cast<std::uint32_t>(Channel) * 0x27D4EB2FU;
  H ^= H >> 15;
  H *= 0x2C1B3C6DU;
  H ^= H >> 12;
  return static_cast<std::uint8_t>(H >> 8);
}

TSamples PhotoLikeSamples(std::int32_t Width, std::int32_t Height, std::int32_t Channels) {
  TSamples Samples{Width, Height, Channels,
                   std::vector<std::uint8_t>(std::size_t(Width) * Height * Channels)};
  for (std::int32_t Y = 0; Y < Height; ++Y) {
    for (std::int32_t X = 0; X < Width; ++X) {
      std::uint8_t* Pixel = Samples.At(X, Y);
      for (std::int32_t C = 0; C < Channels; ++C) {
        const double Wave = std::sin((X * (C + 1) + Y * (3 - C)) * 0.07) * 90.0;
        const double Value = 128.0 + Wave + (Sample(X, Y, C) % 24) - 12;
        Pixel[C] = static_cast<std::uint8_t>(std::clamp(Value, 0.0, 255.0));
      }
    }
  }
  return Samples;
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
  jpeg_compress_struct Info{};
  TJpegErrors Errors;
  Info.err = JumpingJpegErrors(Errors);
  jpeg_create_compress(&Info);
  unsigned char* Buffer = nullptr;
  unsigned long Size = 0;
  const TFinally Release([&] {
    jpeg_destroy_compress(&Info);
    free(Buffer);
  });
  // End-of-image markers as the comments' text: a reader that loses its place inside them stops.
  std::vector<JOCTET> Comment(65533);
  for (std::size_t I = 0; I < Comment.size(); ++I) Comment[I] = I % 2 == 0 ? 0xFF : JPEG_EOI;
  const auto Common = reinterpret_cast<j_common_ptr>(&Info);
  RunGuarded(
      Errors.Jump, [Common] { return JpegMessage(Common); },
      [&] {
        jpeg_mem_dest(&Info, &Buffer, &Size);
        Info.image_width = static_cast<JDIMENSION>(Samples.Width);
        Info.image_height = static_cast<JDIMENSION>(Samples.Height);
        Info.input_components = Samples.Channels;
        Info.in_color_space = Samples.Channels == 1   ? JCS_GRAYSCALE
                              : Samples.Channels == 4 ? JCS_CMYK
                                                      : JCS_RGB;
        jpeg_set_defaults(&Info);
        if (Samples.Channels == 4) {
          jpeg_set_colorspace(&Info, JCS_CMYK);
          Info.write_Adobe_marker = Options.AdobeMarker ? TRUE : FALSE;
        }
        jpeg_set_quality(&Info, Options.Quality, TRUE);
        Info.comp_info[0].h_samp_factor = Options.HorizontalSampling;
        Info.comp_info[0].v_samp_factor = Options.VerticalSampling;
        for (int I = 1; I < Info.num_components; ++I) {
          Info.comp_info[I].h_samp_factor = 1;
          Info.comp_info[I].v_samp_factor = 1;
        }
        Info.restart_in_rows = Options.RestartRows;
        if (Options.Progressive) jpeg_simple_progression(&Info);
        jpeg_start_compress(&Info, TRUE);
        for (std::size_t Written = 0; Written < Options.CommentBytes; Written += Comment.size()) {
          jpeg_write_marker(&Info, JPEG_COM, Comment.data(), static_cast<unsigned>(Comment.size()));
        }
        while (Info.next_scanline < Info.image_height) {
          JSAMPROW Row = const_cast<JSAMPLE*>(Samples.Values.data()) +
                         std::size_t(Info.next_scanline) * Samples.Width * Samples.Channels;
          jpeg_write_scanlines(&Info, &Row, 1);
        }
        jpeg_finish_compress(&Info);
      });
  return TBytes(Buffer, Buffer + Size);
}

TRgbImage DecodeWholeJpeg(const TBytes& Data) {
  jpeg_decompress_struct Info{};
  TJpegErrors Errors;
  Info.err = JumpingJpegErrors(Errors);
  jpeg_create_decompress(&Info);
  const TFinally Release([&] { jpeg_destroy_decompress(&Info); });
  const auto Common = reinterpret_cast<j_common_ptr>(&Info);
  const auto Guarded = [&](const std::function<void()>& Work) {
    RunGuarded(
        Errors.Jump, [Common] { return JpegMessage(Common); }, Work);
  };
  Guarded([&] {
    jpeg_mem_src(&Info, Data.data(), static_cast<unsigned long>(Data.size()));
    jpeg_read_header(&Info, TRUE);
  });
  const bool Cmyk = Info.jpeg_color_space == JCS_CMYK || Info.jpeg_color_space == JCS_YCCK;
  Info.out_color_space = Cmyk ? JCS_CMYK : JCS_RGB;
  Guarded([&] { jpeg_start_decompress(&Info); });
  TRgbImage Image(static_cast<std::int32_t>(Info.output_width),
                  static_cast<std::int32_t>(Info.output_height));
  std::vector<JSAMPLE> Row(std::size_t(Info.output_width) * Info.output_components);
  while (Info.output_scanline < Info.output_height) {
    std::uint8_t* Out = Image.Row(static_cast<std::int32_t>(Info.output_scanline));
    Guarded([&] {
      JSAMPROW Rows[1] = {Row.data()};
      jpeg_read_scanlines(&Info, Rows, 1);
    });
    for (JDIMENSION X = 0; X < Info.output_width; ++X) {
      if (!Cmyk) {
        std::copy_n(Row.data() + X * 3, 3, Out + X * 3);
        continue;
      }
      const JSAMPLE* Ink = Row.data() + X * 4;
      for (int C = 0; C < 3; ++C) {
        // With the Adobe marker 255 means no ink; without it 0 does.
        const int Paper = Info.saw_Adobe_marker ? Ink[C] : 255 - Ink[C];
        const int Black = Info.saw_Adobe_marker ? Ink[3] : 255 - Ink[3];
        Out[X * 3 + C] = static_cast<std::uint8_t>(std::lround(Paper * Black / 255.0));
      }
    }
  }
  Guarded([&] { jpeg_finish_decompress(&Info); });
  return Image;
}

// --- PNG ---------------------------------------------------------------------------------------

namespace {

void AppendData(png_structp Png, png_bytep Data, png_size_t Size) {
  auto* Out = static_cast<TBytes*>(png_get_io_ptr(Png));
  Out->insert(Out->end(), Data, Data + Size);
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
  std::vector<png_color> Palette;
  for (std::uint32_t Colour : Options.Palette) {
    Palette.push_back({static_cast<png_byte>(Colour >> 16), static_cast<png_byte>(Colour >> 8),
                       static_cast<png_byte>(Colour)});
  }
  const int Channels = ChannelsOf(Options.ColourType);
  const std::size_t RowBytes = (std::size_t(Width) * Channels * Options.BitDepth + 7) / 8;
  std::vector<png_byte> Rows(RowBytes * Height, 0);
  for (std::int32_t Y = 0; Y < Height; ++Y) {
    png_byte* Row = Rows.data() + Y * RowBytes;
    for (std::size_t I = 0; I < std::size_t(Width) * Channels; ++I) {
      const std::uint16_t Value = Values[Y * std::size_t(Width) * Channels + I];
      if (Options.BitDepth == 16) {
        Row[I * 2] = static_cast<png_byte>(Value >> 8);
        Row[I * 2 + 1] = static_cast<png_byte>(Value);
      } else if (Options.BitDepth == 8) {
        Row[I] = static_cast<png_byte>(Value);
      } else {
        const std::size_t Bit = I * Options.BitDepth;
        Row[Bit / 8] |= static_cast<png_byte>(Value << (8 - Options.BitDepth - Bit % 8));
      }
    }
  }
  std::vector<png_bytep> RowPointers;
  for (std::int32_t Y = 0; Y < Height; ++Y) RowPointers.push_back(Rows.data() + Y * RowBytes);

  TBytes Out;
  std::string Error;
  png_structp Png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &Error, JumpBackFromPng, nullptr);
  png_infop Info = png_create_info_struct(Png);
  const TFinally Release([&] { png_destroy_write_struct(&Png, &Info); });
  RunGuarded(
      png_jmpbuf(Png), [&Error] { return Error; },
      [&] {
        png_set_write_fn(Png, &Out, AppendData, NoFlush);
        png_set_IHDR(Png, Info, static_cast<png_uint_32>(Width), static_cast<png_uint_32>(Height),
                     Options.BitDepth, Options.ColourType,
                     Options.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (!Palette.empty())
          png_set_PLTE(Png, Info, Palette.data(), static_cast<int>(Palette.size()));
        if (!Options.PaletteAlpha.empty()) {
          png_set_tRNS(Png, Info, Options.PaletteAlpha.data(),
                       static_cast<int>(Options.PaletteAlpha.size()), nullptr);
        }
        if (!Options.Transparent.empty()) {
          png_color_16 Colour{};
          if (Options.Transparent.size() == 1) {
            Colour.gray = Options.Transparent[0];
          } else {
            Colour.red = Options.Transparent[0];
            Colour.green = Options.Transparent[1];
            Colour.blue = Options.Transparent[2];
          }
          png_set_tRNS(Png, Info, nullptr, 0, &Colour);
        }
        png_write_info(Png, Info);
        png_write_image(Png, RowPointers.data());
        png_write_end(Png, Info);
      });
  return Out;
}

// --- Files and images --------------------------------------------------------------------------

TBytes ReadFile(const std::string& FileName) {
  std::ifstream In(FileName, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

TRgbImage CropOnWhite(const TRgbImage& Whole, std::int32_t Left, std::int32_t Width,
                      std::int32_t Height) {
  TRgbImage Crop(Width, Height);
  for (std::int32_t Y = 0; Y < std::min(Height, Whole.Height()); ++Y) {
    for (std::int32_t X = 0; X < Width; ++X) {
      const std::int64_t SourceX = std::int64_t{Left} + X;
      if (SourceX < 0 || SourceX >= Whole.Width()) continue;
      std::copy_n(Whole.Row(Y) + SourceX * 3, 3, Crop.Row(Y) + X * 3);
    }
  }
  return Crop;
}

std::vector<TWindowCase> InterestingWindows(std::int32_t Width, std::int32_t Height) {
  const auto AtLeast1 = [](std::int32_t Value) { return std::max(Value, 1); };
  return {
      {0, Width, Height},
      {0, AtLeast1(Width / 2), AtLeast1(Height / 2)},
      {Width / 3, AtLeast1(Width / 3), Height},
      {std::min(13, Width - 1), AtLeast1(std::min(17, Width - 13)), AtLeast1(Height - 1)},
      {AtLeast1(Width - 5), Width, Height + 3},
      {-7, Width + 14, Height + 5},
      {Width + 2, 10, 4},
      {1, AtLeast1(Width - 2), 1},
  };
}

TRgbImage DecodeWindow(const std::string& FileName, const TWindowCase& Window) {
  TRgbImage Image(Window.Width, Window.Height);
  TPicture Picture(FileName);
  Picture.DrawWindow(Window.Left, Image);
  return Image;
}

void ExpectClearError(const std::string& FileName, const TWindowCase& Window,
                      const std::string& Reason) {
  try {
    DecodeWindow(FileName, Window);
    ADD_FAILURE() << "decoded without an error";
  } catch (const EImageError& Error) {
    const std::string Text = Error.what();
    EXPECT_NE(Text.find(FileName), std::string::npos) << Text;
    EXPECT_NE(Text.find(Reason), std::string::npos) << Text;
  }
}

std::string FirstDifference(const TRgbImage& A, const TRgbImage& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return "sizes differ";
  for (std::int32_t Y = 0; Y < A.Height(); ++Y) {
    for (std::int32_t X = 0; X < A.Width(); ++X) {
      const std::uint8_t* P = A.Row(Y) + X * 3;
      const std::uint8_t* Q = B.Row(Y) + X * 3;
      if (std::equal(P, P + 3, Q)) continue;
      std::ostringstream Text;
      Text << "pixel (" << X << ", " << Y << "): (" << int(P[0]) << ", " << int(P[1]) << ", "
           << int(P[2]) << ") vs (" << int(Q[0]) << ", " << int(Q[1]) << ", " << int(Q[2]) << ")";
      return Text.str();
    }
  }
  return "";
}

}  // namespace skyrelle::test_support
