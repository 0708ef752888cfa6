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
  const auto Width = static_cast<std::uint64_t>(Image.Width());
  const auto Height = static_cast<std::uint64_t>(Image.Height());
  const std::uint64_t PixelBytes = (Width * 3 + 3) / 4 * 4 * Height;
  if (HeadersSize + PixelBytes > std::numeric_limits<std::uint32_t>::max()) {
    throw EImageError("Image too large for a bitmap file");
  }
  std::array<std::uint8_t, HeadersSize> Header{};
  Header[0] = 'B';
  Header[1] = 'M';
  Put32(Header.data() + 2, static_cast<std::uint32_t>(HeadersSize + PixelBytes));
  Put32(Header.data() + 10, HeadersSize);
  Put32(Header.data() + BmpFileHeaderSize, BmpInfoHeaderSize);
  Put32(Header.data() + 18, static_cast<std::uint32_t>(Width));
  Put32(Header.data() + 22, static_cast<std::uint32_t>(Height));
  Put16(Header.data() + 26, 1);
  Put16(Header.data() + 28, 24);
  Put32(Header.data() + 34, static_cast<std::uint32_t>(PixelBytes));
  Put32(Header.data() + 38, PixelsPerMetre);
  Put32(Header.data() + 42, PixelsPerMetre);
  return Header;
}

// Row Y as the file stores it: blue, green, red, then zeros up to the stride.
void EncodeRow(const TRgbImage& Image, std::int32_t Y, std::uint8_t* Out) {
  const std::uint8_t* In = Image.Row(Y);
  const std::size_t Width = static_cast<std::size_t>(Image.Width());
  for (std::size_t X = 0; X < Width; ++X, In += 3, Out += 3) {
    Out[0] = In[2];
    Out[1] = In[1];
    Out[2] = In[0];
  }
  std::memset(Out, 0, StrideOf(Image) - Width * 3);
}

std::string_view AsText(const std::vector<std::uint8_t>& Bytes, std::size_t Count) {
  return {reinterpret_cast<const char*>(Bytes.data()), Count};
}

}  // namespace

std::vector<std::uint8_t> EncodeBitmap(const TRgbImage& Image) {
  const auto Header = Headers(Image);
  const std::size_t Stride = StrideOf(Image);
  std::vector<std::uint8_t> File(Header.begin(), Header.end());
  File.resize(HeadersSize + Stride * static_cast<std::size_t>(Image.Height()));
  std::uint8_t* Out = File.data() + HeadersSize;
  for (std::int32_t Y = Image.Height() - 1; Y >= 0; --Y, Out += Stride) EncodeRow(Image, Y, Out);
  return File;
}

void CheckBitmapTarget(const std::string& FileName) {
  try {
    platform::CheckFileReplaceable(FileName);
  } catch (const platform::EFileError& Error) {
    throw WriteError(FileName, Error);
  }
}

// Streamed bottom row first through one piece of a few rows, so that the file never exists
// in memory beside the image.
void WriteBitmap(const TRgbImage& Image, const std::string& FileName) {
  const auto Header = Headers(Image);
  const std::size_t Stride = StrideOf(Image);
  try {
    platform::TWholeFileWriter File(FileName);
    std::vector<std::uint8_t> Piece(std::max(WritePieceSize / Stride, std::size_t{1}) * Stride);
    std::copy(Header.begin(), Header.end(), Piece.begin());
    std::size_t Filled = HeadersSize;
    for (std::int32_t Y = Image.Height() - 1; Y >= 0; --Y) {
      if (Filled + Stride > Piece.size()) {
        File.Write(AsText(Piece, Filled));
        Filled = 0;
      }
      EncodeRow(Image, Y, Piece.data() + Filled);
      Filled += Stride;
    }
    File.Write(AsText(Piece, Filled));
    File.Commit();
  } catch (const platform::EFileError& Error) {
    throw WriteError(FileName, Error);
  }
}

}  // namespace skyrelle::imaging
