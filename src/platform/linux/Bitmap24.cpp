#include "platform/linux/Bitmap24.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace skyrelle::platform {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& Data, std::size_t At) {
  return Data[At] | Data[At + 1] << 8 | Data[At + 2] << 16 |
         static_cast<std::uint32_t>(Data[At + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& Data, std::size_t At) {
  return static_cast<std::uint16_t>(Data[At] | Data[At + 1] << 8);
}

constexpr std::size_t HeadersSize = 14 + 40;

}  // namespace

TBitmap24 ReadBitmap24(const std::string& FileName) {
  std::ifstream file(FileName, std::ios::binary);
  if (!file) throw std::runtime_error("Cannot read \"" + FileName + "\"");
  const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)),
                                       std::istreambuf_iterator<char>());
  if (file.bad()) throw std::runtime_error("Cannot read \"" + FileName + "\"");
  const auto notOurs = [&] {
    return std::runtime_error("\"" + FileName + "\" is not an uncompressed 24-bit bitmap");
  };
  if (data.size() < HeadersSize || data[0] != 'B' || data[1] != 'M') throw notOurs();
  const std::uint32_t pixelOffset = U32(data, 10);
  const std::uint32_t infoSize = U32(data, 14);
  const auto width = static_cast<std::int32_t>(U32(data, 18));
  const auto height = static_cast<std::int32_t>(U32(data, 22));
  if (infoSize < 40 || U16(data, 26) != 1 || U16(data, 28) != 24 || U32(data, 30) != 0 ||
      width <= 0 || height == 0 || height == INT32_MIN)
    throw notOurs();

  const bool bottomUp = height > 0;
  TBitmap24 bitmap;
  bitmap.Width = width;
  bitmap.Height = bottomUp ? height : -height;
  const std::uint64_t rowSize = (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
  if (pixelOffset < 14 + static_cast<std::uint64_t>(infoSize) ||
      pixelOffset + rowSize * static_cast<std::uint64_t>(bitmap.Height) > data.size())
    throw std::runtime_error("\"" + FileName + "\" is cut short");

  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  bitmap.Rgb.resize(rowBytes * static_cast<std::size_t>(bitmap.Height));
  for (int row = 0; row < bitmap.Height; ++row) {
    const int fileRow = bottomUp ? bitmap.Height - 1 - row : row;
    const std::uint8_t* source = &data[pixelOffset + rowSize * static_cast<std::uint64_t>(fileRow)];
    std::uint8_t* target = &bitmap.Rgb[rowBytes * static_cast<std::size_t>(row)];
    for (std::size_t x = 0; x < rowBytes; x += 3) {
      target[x] = source[x + 2];
      target[x + 1] = source[x + 1];
      target[x + 2] = source[x];
    }
  }
  return bitmap;
}

}  // namespace skyrelle::platform
