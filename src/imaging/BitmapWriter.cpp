#include "imaging/BitmapWriter.h"

#include "imaging/BmpFormat.h"
#include "imaging/ImageError.h"
#include "platform/FileSystem.h"

namespace skyrelle::imaging {

namespace {

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
  const auto width = static_cast<std::uint64_t>(Image.Width());
  const auto height = static_cast<std::uint64_t>(Image.Height());
  const std::uint64_t stride = (width * 3 + 3) / 4 * 4;
  const std::uint64_t pixelBytes = stride * height;
  if (BmpWrittenHeadersSize + pixelBytes > BmpMaxFileSize) {
    throw EImageError("Image too large for a bitmap file");
  }
  std::vector<std::uint8_t> file(BmpWrittenHeadersSize + pixelBytes, 0);
  std::uint8_t* header = file.data();
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<std::uint32_t>(file.size()));
  Put32(header + 10, BmpWrittenHeadersSize);
  Put32(header + BmpFileHeaderSize, BmpInfoHeaderSize);
  Put32(header + 18, static_cast<std::uint32_t>(width));
  Put32(header + 22, static_cast<std::uint32_t>(height));
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 34, static_cast<std::uint32_t>(pixelBytes));
  Put32(header + 38, PixelsPerMetre);
  Put32(header + 42, PixelsPerMetre);

  std::uint8_t* out = file.data() + BmpWrittenHeadersSize;
  for (std::int32_t y = Image.Height() - 1; y >= 0; --y, out += stride) {
    const std::uint8_t* in = Image.Row(y);
    for (std::uint64_t x = 0; x < width; ++x, in += 3) {
      out[x * 3] = in[2];
      out[x * 3 + 1] = in[1];
      out[x * 3 + 2] = in[0];
    }
  }
  return file;
}

void WriteBitmap(const TRgbImage& Image, const std::string& FileName) {
  const std::vector<std::uint8_t> file = EncodeBitmap(Image);
  try {
    platform::WriteFileWhole(
        FileName, std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
  } catch (const platform::EFileError& error) {
    throw EImageError("Cannot write the bitmap \"" + FileName + "\": " + error.Reason());
  }
}

}  // namespace skyrelle::imaging
