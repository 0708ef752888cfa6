#include "support/BitmapFile.h"

#include <fstream>
#include <stdexcept>

#include "imaging/BmpFormat.h"

namespace skyrelle::test_support {

namespace {

void Put16(TBytes& Out, std::uint32_t Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}

void Put32(TBytes& Out, std::uint32_t Value) {
  Put16(Out, Value & 0xFFFF);
  Put16(Out, Value >> 16);
}

}  // namespace

TBytes BuildBmp(const TBmpLayout& Layout, const TBytes& PixelData) {
  const bool core = Layout.HeaderSize == 12;
  const std::size_t entrySize = core ? 3 : 4;
  const bool masksAfterHeader =
      Layout.Compression == 3 && Layout.HeaderSize == imaging::BmpInfoHeaderSize;
  const std::uint32_t pixelOffset =
      static_cast<std::uint32_t>(imaging::BmpFileHeaderSize + Layout.HeaderSize +
                                 (masksAfterHeader ? 12 : 0) + Layout.Palette.size() * entrySize);
  TBytes file{'B', 'M'};
  Put32(file, static_cast<std::uint32_t>(pixelOffset + PixelData.size()));
  Put32(file, 0);
  Put32(file, pixelOffset);
  Put32(file, Layout.HeaderSize);
  if (core) {
    Put16(file, static_cast<std::uint32_t>(Layout.Width));
    Put16(file, static_cast<std::uint32_t>(Layout.Height));
    Put16(file, 1);
    Put16(file, Layout.BitCount);
  } else {
    Put32(file, static_cast<std::uint32_t>(Layout.Width));
    Put32(file, static_cast<std::uint32_t>(Layout.Height));
    Put16(file, 1);
    Put16(file, Layout.BitCount);
    Put32(file, Layout.Compression);
    Put32(file,
          Layout.ImageSize != 0 ? Layout.ImageSize : static_cast<std::uint32_t>(PixelData.size()));
    Put32(file, 2835);
    Put32(file, 2835);
    Put32(file, Layout.ColoursUsed);
    Put32(file, 0);
    const std::size_t headerEnd = imaging::BmpFileHeaderSize + Layout.HeaderSize;
    if (Layout.HeaderSize > imaging::BmpInfoHeaderSize) {
      for (std::uint32_t mask : Layout.Masks) Put32(file, mask);
    }
    file.resize(headerEnd, 0);
    if (masksAfterHeader) {
      for (std::uint32_t mask : Layout.Masks) Put32(file, mask);
    }
  }
  for (std::uint32_t colour : Layout.Palette) {
    file.push_back(static_cast<std::uint8_t>(colour));
    file.push_back(static_cast<std::uint8_t>(colour >> 8));
    file.push_back(static_cast<std::uint8_t>(colour >> 16));
    if (!core) file.push_back(0);
  }
  file.insert(file.end(), PixelData.begin(), PixelData.end());
  return file;
}

TBytes PackRows(std::int32_t Width, std::int32_t Rows, std::uint16_t BitCount,
                const std::vector<std::uint32_t>& Values) {
  const std::size_t stride = (std::size_t(Width) * BitCount + 31) / 32 * 4;
  TBytes data(stride * Rows, 0);
  for (std::int32_t y = 0; y < Rows; ++y) {
    std::uint8_t* row = data.data() + y * stride;
    for (std::int32_t x = 0; x < Width; ++x) {
      const std::uint32_t value = Values[std::size_t(y) * Width + x];
      if (BitCount < 8) {
        const std::size_t bit = std::size_t(x) * BitCount;
        row[bit / 8] |= static_cast<std::uint8_t>(value << (8 - BitCount - bit % 8));
      } else {
        for (std::size_t b = 0; b < BitCount / 8u; ++b) {
          row[x * (BitCount / 8) + b] = static_cast<std::uint8_t>(value >> (8 * b));
        }
      }
    }
  }
  return data;
}

TBytes Bitmap24(std::int32_t Width, std::int32_t Height, const TColourFunction& Colour,
                bool TopDown) {
  std::vector<std::uint32_t> values;
  for (std::int32_t row = 0; row < Height; ++row)
    for (std::int32_t x = 0; x < Width; ++x)
      values.push_back(Colour(x, TopDown ? row : Height - 1 - row));
  TBmpLayout layout;
  layout.Width = Width;
  layout.Height = TopDown ? -Height : Height;
  return BuildBmp(layout, PackRows(Width, Height, 24, values));
}

void WriteBitmap24(const std::string& FileName, std::int32_t Width, std::int32_t Height,
                   const TColourFunction& Colour, bool TopDown) {
  const TBytes bytes = Bitmap24(Width, Height, Colour, TopDown);
  std::ofstream file(FileName, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + FileName);
}

}  // namespace skyrelle::test_support
