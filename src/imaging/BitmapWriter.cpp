#include "imaging/BitmapWriter.h"

#include <limits>

#include "imaging/BmpFormat.h"
#include "imaging/ImageError.h"
#include "platform/FileSystem.h"

namespace skyrelle::imaging {

namespace {

constexpr std::uint32_t HeadersSize = BmpFileHeaderSize + BmpInfoHeaderSize;
// 96 dots per inch, the desktop's own resolution.
constexpr std::uint32_t PixelsPerMetre = 3780;

void Put16(std::uint8_t* At, std::uint16_t Value) {
  At[0] = static_cast<std::uint8_t>(Value);
  At[1] = static_cast<std::uint8_t>(Value >> 8);
}

void Put32(std::uint8_t* At, std::uint32_t Value) {
  Put16(At, static_cast<std::uint16_t>(Value));
  Put16(At + 2, static_cast<std::uint16_t>(Value >> 16));
}

}  // namespace

std::vector<std::uint8_t> EncodeBitmap(const TRgbImage& Image) {
  const auto Width = static_cast<std::uint64_t>(Image.Width());
  const auto Height = static_cast<std::uint64_t>(Image.Height());
  const std::uint64_t Stride = (Width * 3 + 3) / 4 * 4;
  const std::uint64_t PixelBytes = Stride * Height;
  if (HeadersSize + PixelBytes > std::numeric_limits<std::uint32_t>::max()) {
    throw EImageError("Image too large for a bitmap file");
  }
  std::vector<std::uint8_t> File(HeadersSize + PixelBytes, 0);
  std::uint8_t* Header = File.data();
  Header[0] = 'B';
  Header[1] = 'M';
  Put32(Header + 2, static_cast<std::uint32_t>(File.size()));
  Put32(Header + 10, HeadersSize);
  Put32(Header + BmpFileHeaderSize, BmpInfoHeaderSize);
  Put32(Header + 18, static_cast<std::uint32_t>(Width));
  Put32(Header + 22, static_cast<std::uint32_t>(Height));
  Put16(Header + 26, 1);
  Put16(Header + 28, 24);
  Put32(Header + 34, static_cast<std::uint32_t>(PixelBytes));
  Put32(Header + 38, PixelsPerMetre);
  Put32(Header + 42, PixelsPerMetre);

  std::uint8_t* Out = File.data() + HeadersSize;
  for (std::int32_t Y = Image.Height() - 1; Y >= 0; --Y, Out += Stride) {
    const std::uint8_t* In = Image.Row(Y);
    for (std::uint64_t X = 0; X < Width; ++X, In += 3) {
      Out[X * 3] = In[2];
      Out[X * 3 + 1] = In[1];
      Out[X * 3 + 2] = In[0];
    }
  }
  return File;
}

void WriteBitmap(const TRgbImage& Image, const std::string& FileName) {
  const std::vector<std::uint8_t> File = EncodeBitmap(Image);
  try {
    platform::WriteFileWhole(
        FileName, std::string_view(reinterpret_cast<const char*>(File.data()), File.size()));
  } catch (const platform::EFileError& Error) {
    throw EImageError("Cannot write the bitmap \"" + FileName + "\": " + Error.Reason());
  }
}

}  // namespace skyrelle::imaging
