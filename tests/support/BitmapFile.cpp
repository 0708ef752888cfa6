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
  const bool Core = Layout.HeaderSize == 12;
  const std::size_t EntrySize = Core ? 3 : 4;
  const bool MasksAfterHeader =
      Layout.Compression == 3 && Layout.HeaderSize == imaging::BmpInfoHeaderSize;
  const std::uint32_t PixelOffset =
      static_cast<std::uint32_t>(imaging::BmpFileHeaderSize + Layout.HeaderSize +
                                 (MasksAfterHeader ? 12 : 0) + Layout.Palette.size() * EntrySize);
  TBytes File{'B', 'M'};
  Put32(File, static_cast<std::uint32_t>(PixelOffset + PixelData.size()));
  Put32(File, 0);
  Put32(File, PixelOffset);
  Put32(File, Layout.HeaderSize);
  if (Core) {
    Put16(File, static_cast<std::uint32_t>(Layout.Width));
    Put16(File, static_cast<std::uint32_t>(Layout.Height));
    Put16(File, 1);
    Put16(File, Layout.BitCount);
  } else {
    Put32(File, static_cast<std::uint32_t>(Layout.Width));
    Put32(File, static_cast<std::uint32_t>(Layout.Height));
    Put16(File, 1);
    Put16(File, Layout.BitCount);
    Put32(File, Layout.Compression);
    Put32(File,
          Layout.ImageSize != 0 ? Layout.ImageSize : static_cast<std::uint32_t>(PixelData.size()));
    Put32(File, 2835);
    Put32(File, 2835);
    Put32(File, Layout.ColoursUsed);
    Put32(File, 0);
    const std::size_t HeaderEnd = imaging::BmpFileHeaderSize + Layout.HeaderSize;
    if (Layout.HeaderSize > imaging::BmpInfoHeaderSize) {
      for (std::uint32_t Mask : Layout.Masks) Put32(File, Mask);
    }
    File.resize(HeaderEnd, 0);
    if (MasksAfterHeader) {
      for (std::uint32_t Mask : Layout.Masks) Put32(File, Mask);
    }
  }
  for (std::uint32_t Colour : Layout.Palette) {
    File.push_back(static_cast<std::uint8_t>(Colour));
    File.push_back(static_cast<std::uint8_t>(Colour >> 8));
    File.push_back(static_cast<std::uint8_t>(Colour >> 16));
    if (!Core) File.push_back(0);
  }
  File.insert(File.end(), PixelData.begin(), PixelData.end());
  return File;
}

TBytes PackRows(std::int32_t Width, std::int32_t Rows, std::uint16_t BitCount,
                const std::vector<std::uint32_t>& Values) {
  const std::size_t Stride = (std::size_t(Width) * BitCount + 31) / 32 * 4;
  TBytes Data(Stride * Rows, 0);
  for (std::int32_t Y = 0; Y < Rows; ++Y) {
    std::uint8_t* Row = Data.data() + Y * Stride;
    for (std::int32_t X = 0; X < Width; ++X) {
      const std::uint32_t Value = Values[std::size_t(Y) * Width + X];
      if (BitCount < 8) {
        const std::size_t Bit = std::size_t(X) * BitCount;
        Row[Bit / 8] |= static_cast<std::uint8_t>(Value << (8 - BitCount - Bit % 8));
      } else {
        for (std::size_t B = 0; B < BitCount / 8u; ++B) {
          Row[X * (BitCount / 8) + B] = static_cast<std::uint8_t>(Value >> (8 * B));
        }
      }
    }
  }
  return Data;
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
