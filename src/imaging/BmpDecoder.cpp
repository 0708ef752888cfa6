#include "imaging/BmpDecoder.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <utility>

#include "imaging/BmpFormat.h"
#include "imaging/ImageError.h"

namespace skyrelle::imaging {

namespace {

enum : std::uint32_t { RgbCompression = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

// File header, the largest info header, masks and colour table: all that precedes the pixels.
constexpr std::size_t MaxHeadSize = BmpFileHeaderSize + 124 + 12 + std::size_t{256} * 4;
constexpr std::size_t RleChunkSize = std::size_t{64} * 1024;

std::uint32_t Get16(const std::uint8_t* At) {
  return static_cast<std::uint32_t>(At[0]) | static_cast<std::uint32_t>(At[1]) << 8;
}

std::uint32_t Get32(const std::uint8_t* At) { return Get16(At) | Get16(At + 2) << 16; }

bool IsInfoHeaderSize(std::uint32_t Size) {
  return Size == BmpInfoHeaderSize || Size == 52 || Size == 56 || Size == 108 || Size == 124;
}

std::uint8_t ScaleTo8(std::uint32_t Value, std::uint32_t Max) {
  return static_cast<std::uint8_t>((std::uint64_t{Value} * 255 + Max / 2) / Max);
}

// Run-length data, read in pieces from Start to End.
class TRleReader {
 public:
  TRleReader(IByteSource& Source, std::uint64_t Start, std::uint64_t End)
      : FSource(Source), FNext(Start), FEnd(End) {}

  // False at the end of the data or when it cannot be read.
  bool Next(std::uint32_t& Byte) {
    if (FAt == FBuffer.size()) {
      const std::uint64_t count = std::min<std::uint64_t>(FEnd - FNext, RleChunkSize);
      FBuffer.resize(static_cast<std::size_t>(count));
      if (count == 0 || !FSource.ReadAt(FNext, FBuffer.data(), FBuffer.size())) return false;
      FNext += count;
      FAt = 0;
    }
    Byte = FBuffer[FAt++];
    return true;
  }

 private:
  IByteSource& FSource;
  std::uint64_t FNext;
  std::uint64_t FEnd;
  std::vector<std::uint8_t> FBuffer;
  std::size_t FAt = 0;
};

}  // namespace

TBmpDecoder::TBmpDecoder(std::string FileName, std::unique_ptr<IByteSource> Source)
    : FFileName(std::move(FileName)), FSource(std::move(Source)) {
  ReadHeaders();
}

void TBmpDecoder::Fail(const std::string& Reason) const { ThrowPictureError(FFileName, Reason); }

void TBmpDecoder::ReadHeaders() {
  const std::uint64_t fileSize = FSource->Size();
  std::vector<std::uint8_t> head(
      static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, MaxHeadSize)));
  if (!FSource->ReadAt(0, head.data(), head.size())) Fail("cannot read the file");
  if (head.size() < 2 || head[0] != 'B' || head[1] != 'M') Fail("not a BMP picture");
  if (head.size() < BmpFileHeaderSize + 4) Fail("truncated bitmap header");
  const std::uint8_t* file = head.data();
  const std::uint32_t headerSize = Get32(file + BmpFileHeaderSize);
  if (headerSize != BmpCoreHeaderSize && !IsInfoHeaderSize(headerSize)) {
    Fail("unsupported bitmap header size " + std::to_string(headerSize));
  }
  if (head.size() < BmpFileHeaderSize + headerSize) Fail("truncated bitmap header");
  const std::uint8_t* info = file + BmpFileHeaderSize;
  FPixelOffset = Get32(file + 10);
  std::size_t tablesAt = BmpFileHeaderSize + headerSize;
  std::uint32_t planes = 0;
  std::uint32_t coloursUsed = 0;
  std::uint64_t imageSize = 0;
  if (headerSize == BmpCoreHeaderSize) {
    FWidth = static_cast<std::int32_t>(Get16(info + 4));
    FHeight = static_cast<std::int32_t>(Get16(info + 6));
    planes = Get16(info + 8);
    FBitCount = Get16(info + 10);
  } else {
    FWidth = static_cast<std::int32_t>(Get32(info + 4));
    const auto height = static_cast<std::int32_t>(Get32(info + 8));
    if (height == std::numeric_limits<std::int32_t>::min()) Fail("invalid height");
    FTopDown = height < 0;
    FHeight = FTopDown ? -height : height;
    planes = Get16(info + 12);
    FBitCount = Get16(info + 14);
    FCompression = Get32(info + 16);
    imageSize = Get32(info + 20);
    coloursUsed = Get32(info + 32);
  }
  if (FWidth <= 0) Fail("invalid width");
  if (FHeight <= 0) Fail("invalid height");
  if (planes != 1) Fail("invalid plane count " + std::to_string(planes));

  const bool paletted = FBitCount == 1 || FBitCount == 4 || FBitCount == 8;
  const bool valid = headerSize == BmpCoreHeaderSize
                         ? paletted || FBitCount == 24
                         : (FCompression == RgbCompression &&
                            (paletted || FBitCount == 16 || FBitCount == 24 || FBitCount == 32)) ||
                               (FCompression == Rle8 && FBitCount == 8) ||
                               (FCompression == Rle4 && FBitCount == 4) ||
                               (FCompression == BitFields && (FBitCount == 16 || FBitCount == 32));
  if (!valid) {
    Fail("unsupported combination of " + std::to_string(FBitCount) +
         " bits per pixel and compression " + std::to_string(FCompression));
  }
  const bool compressed = FCompression == Rle8 || FCompression == Rle4;
  if (compressed && FTopDown) Fail("a compressed bitmap cannot be stored top-down");

  if (FCompression == BitFields) {
    // The info header keeps its masks after it; later headers hold them inside.
    if (headerSize == BmpInfoHeaderSize) {
      ReadMasks(head, tablesAt);
      tablesAt += 12;
    } else {
      ReadMasks(head, BmpFileHeaderSize + BmpInfoHeaderSize);
    }
  } else if (FBitCount == 16) {
    FChannels = {TChannel{0x7C00, 10, 31}, TChannel{0x03E0, 5, 31}, TChannel{0x001F, 0, 31}};
  }
  if (FPixelOffset < tablesAt) Fail("pixel data offset inside the headers");
  if (FPixelOffset > fileSize) Fail("truncated pixel data");
  if (paletted) {
    ReadPalette(head, tablesAt, coloursUsed, headerSize == BmpCoreHeaderSize ? 3 : 4);
  }

  FStride = (std::uint64_t{static_cast<std::uint32_t>(FWidth)} * FBitCount + 31) / 32 * 4;
  if (compressed) {
    FPixelEnd = imageSize == 0 ? fileSize : FPixelOffset + imageSize;
  } else {
    FPixelEnd = FPixelOffset + FStride * static_cast<std::uint64_t>(FHeight);
  }
  if (FPixelEnd > fileSize) Fail("truncated pixel data");
}

void TBmpDecoder::ReadMasks(const std::vector<std::uint8_t>& Head, std::size_t At) {
  if (At + 12 > Head.size()) Fail("truncated bit-field masks");
  std::uint32_t seen = 0;
  for (std::size_t i = 0; i < FChannels.size(); ++i) {
    const std::uint32_t mask = Get32(Head.data() + At + i * 4);
    const std::uint32_t shift = mask == 0 ? 0 : static_cast<std::uint32_t>(std::countr_zero(mask));
    const std::uint64_t shifted = mask >> shift;
    const bool contiguous = mask != 0 && ((shifted + 1) & shifted) == 0;
    const bool fits = FBitCount == 32 || mask <= 0xFFFF;
    if (!contiguous || !fits || (mask & seen) != 0) Fail("invalid bit-field mask");
    seen |= mask;
    FChannels[i] = {mask, shift, static_cast<std::uint32_t>(shifted)};
  }
}

void TBmpDecoder::ReadPalette(const std::vector<std::uint8_t>& Head, std::size_t At,
                              std::uint32_t Declared, std::size_t EntrySize) {
  const std::uint32_t largest = 1U << FBitCount;
  const std::uint64_t available = (FPixelOffset - At) / EntrySize;
  std::uint64_t count = Declared == 0 || Declared > largest ? largest : Declared;
  if (count > available) count = available;
  if (count == 0) Fail("missing colour table");
  if (At + count * EntrySize > Head.size()) Fail("truncated colour table");
  FPaletteCount = static_cast<std::uint32_t>(count);
  for (std::uint32_t i = 0; i < FPaletteCount; ++i) {
    const std::uint8_t* entry = Head.data() + At + i * EntrySize;
    FPalette[std::size_t{i} * 3] = entry[2];
    FPalette[std::size_t{i} * 3 + 1] = entry[1];
    FPalette[std::size_t{i} * 3 + 2] = entry[0];
  }
}

const std::uint8_t* TBmpDecoder::PaletteColour(std::uint32_t Index) const {
  if (Index >= FPaletteCount) Fail("colour index " + std::to_string(Index) + " out of range");
  return FPalette.data() + std::size_t{Index} * 3;
}

void TBmpDecoder::DrawWindow(std::int32_t Left, TRgbImage& Window) {
  const TWindowSpan span = ClipWindow(Size(), Left, Window);
  if (span.Empty()) return;
  if (FCompression == Rle8 || FCompression == Rle4) {
    DrawRle(span, Window);
  } else {
    DrawUncompressed(span, Window);
  }
}

void TBmpDecoder::DrawUncompressed(const TWindowSpan& Span, TRgbImage& Window) const {
  // Only the bytes that hold the window's columns are read from each row.
  const auto first = static_cast<std::uint64_t>(Span.FirstColumn);
  const std::uint64_t end = first + static_cast<std::uint64_t>(Span.Columns);
  const std::uint64_t byteStart = first * FBitCount / 8;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>((end * FBitCount + 7) / 8 - byteStart));
  const std::uint8_t* row = bytes.data();
  for (std::int32_t y = 0; y < Span.Rows; ++y) {
    const std::uint64_t storedRow = FTopDown ? y : FHeight - 1 - y;
    if (!FSource->ReadAt(FPixelOffset + storedRow * FStride + byteStart, bytes.data(),
                         bytes.size())) {
      Fail("truncated pixel data");
    }
    std::uint8_t* out = Window.Row(y) + static_cast<std::size_t>(Span.TargetColumn) * 3;
    for (std::uint64_t x = first; x < end; ++x, out += 3) {
      const std::uint64_t bit = x * FBitCount - byteStart * 8;
      const std::uint8_t* pixel = row + bit / 8;
      const std::uint8_t* colour = nullptr;
      std::uint32_t value = 0;
      switch (FBitCount) {
        case 1:
          colour = PaletteColour((*pixel >> (7 - bit % 8)) & 1U);
          break;
        case 4:
          colour = PaletteColour((*pixel >> (bit % 8 == 0 ? 4 : 0)) & 0xFU);
          break;
        case 8:
          colour = PaletteColour(*pixel);
          break;
        case 24:
          out[0] = pixel[2];
          out[1] = pixel[1];
          out[2] = pixel[0];
          continue;
        case 16:
          value = Get16(pixel);
          break;
        default:
          value = Get32(pixel);
          if (FCompression == RgbCompression) value &= 0xFFFFFF;
          break;
      }
      if (colour != nullptr) {
        out[0] = colour[0];
        out[1] = colour[1];
        out[2] = colour[2];
      } else if (FBitCount == 32 && FCompression == RgbCompression) {
        out[0] = static_cast<std::uint8_t>(value >> 16);
        out[1] = static_cast<std::uint8_t>(value >> 8);
        out[2] = static_cast<std::uint8_t>(value);
      } else {
        for (std::size_t c = 0; c < 3; ++c) {
          const TChannel& channel = FChannels[c];
          out[c] = ScaleTo8((value & channel.Mask) >> channel.Shift, channel.Max);
        }
      }
    }
  }
}

void TBmpDecoder::DrawRle(const TWindowSpan& Span, TRgbImage& Window) const {
  const bool fourBit = FCompression == Rle4;
  TRleReader reader(*FSource, FPixelOffset, FPixelEnd);
  const auto next = [&]() -> std::uint32_t {
    std::uint32_t byte = 0;
    if (!reader.Next(byte)) Fail("truncated compressed pixel data");
    return byte;
  };
  std::int64_t x = 0;
  std::int64_t row = 0;
  // Rows are stored bottom-up. Pixels that the data skips keep the window's white, as
  // transparent pixels would.
  const auto put = [&](std::uint32_t Index) {
    const std::uint8_t* colour = PaletteColour(Index);
    const std::int64_t y = FHeight - 1 - row;
    const std::int64_t column = x - Span.FirstColumn;
    if (y < Span.Rows && column >= 0 && column < Span.Columns) {
      std::uint8_t* out =
          Window.Row(static_cast<std::int32_t>(y)) + (column + Span.TargetColumn) * 3;
      out[0] = colour[0];
      out[1] = colour[1];
      out[2] = colour[2];
    }
    ++x;
  };
  const auto checkRun = [&](std::uint32_t Count) {
    if (row >= FHeight || x + Count > FWidth) Fail("compressed run beyond the picture");
  };
  for (;;) {
    const std::uint32_t count = next();
    const std::uint32_t value = next();
    if (count > 0) {
      checkRun(count);
      for (std::uint32_t i = 0; i < count; ++i) {
        put(fourBit ? (i % 2 == 0 ? value >> 4 : value & 0xF) : value);
      }
    } else if (value == 0) {
      x = 0;
      if (++row > FHeight) Fail("compressed data beyond the last row");
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      x += next();
      row += next();
      if (x > FWidth || row > FHeight) Fail("compressed offset beyond the picture");
    } else {
      checkRun(value);
      std::uint32_t byte = 0;
      for (std::uint32_t i = 0; i < value; ++i) {
        if (!fourBit) {
          put(next());
        } else {
          if (i % 2 == 0) byte = next();
          put(i % 2 == 0 ? byte >> 4 : byte & 0xF);
        }
      }
      const std::uint32_t bytes = fourBit ? (value + 1) / 2 : value;
      if (bytes % 2 != 0) next();
    }
  }
}

}  // namespace skyrelle::imaging
