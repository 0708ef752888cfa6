#include "imaging/BitmapWriter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string_view>

#include "imaging/BmpFormat.h"
#include "imaging/ImageError.h"
#include "platform/FileSystem.h"

namespace skyrelle::imaging {

namespace {

constexpr std::uint32_t HeadersSize = BmpFileHeaderSize + BmpInfoHeaderSize;
// 96 dots per inch, the desktop's own resolution.
constexpr std::uint32_t PixelsPerMetre = 3780;
// Rows go to the file in pieces of about this size.
constexpr std::size_t WritePieceSize = std::size_t{1} << 20;

void Put16(std::uint8_t* At, std::uint16_t Value) {
  At[0] = static_cast<std::uint8_t>(Value);
  At[1] = static_cast<std::uint8_t>(Value >> 8);
}

void Put32(std::uint8_t* At, std::uint32_t Value) {
  Put16(At, static_cast<std::uint16_t>(Value));
  Put16(At + 2, static_cast<std::uint16_t>(Value >> 16));
}

EImageError WriteError(const std::string& FileName, const platform::EFileError& Error) {
  return EImageError("Cannot write the bitmap \"" + FileName + "\": " + Error.Reason());
}

std::size_t StrideOf(const TRgbImage& Image) {
  return (static_cast<std::size_t>(Image.Width()) * 3 + 3) / 4 * 4;
}

std::array<std::uint8_t, HeadersSize> Headers(const TRgbImage& Image) {
  const auto width = static_cast<std::uint64_t>(Image.Width());
  const auto height = static_cast<std::uint64_t>(Image.Height());
  const std::uint64_t pixelBytes = (width * 3 + 3) / 4 * 4 * height;
  if (HeadersSize + pixelBytes > std::numeric_limits<std::uint32_t>::max()) {
    throw EImageError("Image too large for a bitmap file");
  }
  std::array<std::uint8_t, HeadersSize> header{};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header.data() + 2, static_cast<std::uint32_t>(HeadersSize + pixelBytes));
  Put32(header.data() + 10, HeadersSize);
  Put32(header.data() + BmpFileHeaderSize, BmpInfoHeaderSize);
  Put32(header.data() + 18, static_cast<std::uint32_t>(width));
  Put32(header.data() + 22, static_cast<std::uint32_t>(height));
  Put16(header.data() + 26, 1);
  Put16(header.data() + 28, 24);
  Put32(header.data() + 34, static_cast<std::uint32_t>(pixelBytes));
  Put32(header.data() + 38, PixelsPerMetre);
  Put32(header.data() + 42, PixelsPerMetre);
  return header;
}

// Row Y as the file stores it: blue, green, red, then zeros up to the stride.
void EncodeRow(const TRgbImage& Image, std::int32_t Y, std::uint8_t* Out) {
  const std::uint8_t* in = Image.Row(Y);
  const std::size_t width = static_cast<std::size_t>(Image.Width());
  for (std::size_t x = 0; x < width; ++x, in += 3, Out += 3) {
    Out[0] = in[2];
    Out[1] = in[1];
    Out[2] = in[0];
  }
  std::memset(Out, 0, StrideOf(Image) - width * 3);
}

std::string_view AsText(const std::vector<std::uint8_t>& Bytes, std::size_t Count) {
  return {reinterpret_cast<const char*>(Bytes.data()), Count};
}

}  // namespace

std::vector<std::uint8_t> EncodeBitmap(const TRgbImage& Image) {
  const auto header = Headers(Image);
  const std::size_t stride = StrideOf(Image);
  std::vector<std::uint8_t> file(header.begin(), header.end());
  file.resize(HeadersSize + stride * static_cast<std::size_t>(Image.Height()));
  std::uint8_t* out = file.data() + HeadersSize;
  for (std::int32_t y = Image.Height() - 1; y >= 0; --y, out += stride) EncodeRow(Image, y, out);
  return file;
}

void CheckBitmapTarget(const std::string& FileName) {
  try {
    platform::CheckFileReplaceable(FileName);
  } catch (const platform::EFileError& error) {
    throw WriteError(FileName, error);
  }
}

// Streamed bottom row first through one piece of a few rows, so that the file never exists
// in memory beside the image.
void WriteBitmap(const TRgbImage& Image, const std::string& FileName) {
  const auto header = Headers(Image);
  const std::size_t stride = StrideOf(Image);
  try {
    platform::TWholeFileWriter file(FileName);
    std::vector<std::uint8_t> piece(std::max(WritePieceSize / stride, std::size_t{1}) * stride);
    std::copy(header.begin(), header.end(), piece.begin());
    std::size_t filled = HeadersSize;
    for (std::int32_t y = Image.Height() - 1; y >= 0; --y) {
      if (filled + stride > piece.size()) {
        file.Write(AsText(piece, filled));
        filled = 0;
      }
      EncodeRow(Image, y, piece.data() + filled);
      filled += stride;
    }
    file.Write(AsText(piece, filled));
    file.Commit();
  } catch (const platform::EFileError& error) {
    throw WriteError(FileName, error);
  }
}

}  // namespace skyrelle::imaging
