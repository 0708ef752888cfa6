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
      const std::uint64_t Count = std::min<std::uint64_t>(FEnd - FNext, RleChunkSize);
      FBuffer.resize(static_cast<std::size_t>(Count));
      if (Count == 0 || !FSource.ReadAt(FNext, FBuffer.data(), FBuffer.size())) return false;
      FNext += Count;
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
  const std::uint64_t FileSize = FSource->Size();
  std::vector<std::uint8_t> Head(
      static_cast<std::size_t>(std::min<std::uint64_t>(FileSize, MaxHeadSize)));
  if (!FSource->ReadAt(0, Head.data(), Head.size())) Fail("cannot read the file");
  if (Head.size() < 2 || Head[0] != 'B' || Head[1] != 'M') Fail("not a BMP picture");
  if (Head.size() < BmpFileHeaderSize + 4) Fail("truncated bitmap header");
  const std::uint8_t* File = Head.data();
  const std::uint32_t HeaderSize = Get32(File + BmpFileHeaderSize);
  if (HeaderSize != BmpCoreHeaderSize && !IsInfoHeaderSize(HeaderSize)) {
    Fail("unsupported bitmap header size " + std::to_string(HeaderSize));
  }
  if (Head.size() < BmpFileHeaderSize + HeaderSize) Fail("truncated bitmap header");
  const std::uint8_t* Info = File + BmpFileHeaderSize;
  FPixelOffset = Get32(File + 10);
  std::size_t TablesAt = BmpFileHeaderSize + HeaderSize;
  std::uint32_t Planes = 0;
  std::uint32_t ColoursUsed = 0;
  std::uint64_t ImageSize = 0;
  if (HeaderSize == BmpCoreHeaderSize) {
    FWidth = static_cast<std::int32_t>(Get16(Info + 4));
    FHeight = static_cast<std::int32_t>(Get16(Info + 6));
    Planes = Get16(Info + 8);
    FBitCount = Get16(Info + 10);
  } else {
    FWidth = static_cast<std::int32_t>(Get32(Info + 4));
    const auto Height = static_cast<std::int32_t>(Get32(Info + 8));
    if (Height == std::numeric_limits<std::int32_t>::min()) Fail("invalid height");
    FTopDown = Height < 0;
    FHeight = FTopDown ? -Height : Height;
    Planes = Get16(Info + 12);
    FBitCount = Get16(Info + 14);
    FCompression = Get32(Info + 16);
    ImageSize = Get32(Info + 20);
    ColoursUsed = Get32(Info + 32);
  }
  if (FWidth <= 0) Fail("invalid width");
  if (FHeight <= 0) Fail("invalid height");
  if (Planes != 1) Fail("invalid plane count " + std::to_string(Planes));

  const bool Paletted = FBitCount == 1 || FBitCount == 4 || FBitCount == 8;
  const bool Valid = HeaderSize == BmpCoreHeaderSize
                         ? Paletted || FBitCount == 24
                         : (FCompression == RgbCompression &&
                            (Paletted || FBitCount == 16 || FBitCount == 24 || FBitCount == 32)) ||
                               (FCompression == Rle8 && FBitCount == 8) ||
                               (FCompression == Rle4 && FBitCount == 4) ||
                               (FCompression == BitFields && (FBitCount == 16 || FBitCount == 32));
  if (!Valid) {
    Fail("unsupported combination of " + std::to_string(FBitCount) +
         " bits per pixel and compression " + std::to_string(FCompression));
  }
  const bool Compressed = FCompression == Rle8 || FCompression == Rle4;
  if (Compressed && FTopDown) Fail("a compressed bitmap cannot be stored top-down");

  if (FCompression == BitFields) {
    // The info header keeps its masks after it; later headers hold them inside.
    if (HeaderSize == BmpInfoHeaderSize) {
      ReadMasks(Head, TablesAt);
      TablesAt += 12;
    } else {
      ReadMasks(Head, BmpFileHeaderSize + BmpInfoHeaderSize);
    }
  } else if (FBitCount == 16) {
    FChannels = {TChannel{0x7C00, 10, 31}, TChannel{0x03E0, 5, 31}, TChannel{0x001F, 0, 31}};
  }
  if (FPixelOffset < TablesAt) Fail("pixel data offset inside the headers");
  if (FPixelOffset > FileSize) Fail("truncated pixel data");
  if (Paletted) {
    ReadPalette(Head, TablesAt, ColoursUsed, HeaderSize == BmpCoreHeaderSize ? 3 : 4);
  }

  FStride = (std::uint64_t{static_cast<std::uint32_t>(FWidth)} * FBitCount + 31) / 32 * 4;
  if (Compressed) {
    FPixelEnd = ImageSize == 0 ? FileSize : FPixelOffset + ImageSize;
  } else {
    FPixelEnd = FPixelOffset + FStride * static_cast<std::uint64_t>(FHeight);
  }
  if (FPixelEnd > FileSize) Fail("truncated pixel data");
}

void TBmpDecoder::ReadMasks(const std::vector<std::uint8_t>& Head, std::size_t At) {
  if (At + 12 > Head.size()) Fail("truncated bit-field masks");
  std::uint32_t Seen = 0;
  for (std::size_t I = 0; I < FChannels.size(); ++I) {
    const std::uint32_t Mask = Get32(Head.data() + At + I * 4);
    const std::uint32_t Shift = Mask == 0 ? 0 : static_cast<std::uint32_t>(std::countr_zero(Mask));
    const std::uint64_t Shifted = Mask >> Shift;
    const bool Contiguous = Mask != 0 && ((Shifted + 1) & Shifted) == 0;
    const bool Fits = FBitCount == 32 || Mask <= 0xFFFF;
    if (!Contiguous || !Fits || (Mask & Seen) != 0) Fail("invalid bit-field mask");
    Seen |= Mask;
    FChannels[I] = {Mask, Shift, static_cast<std::uint32_t>(Shifted)};
  }
}

void TBmpDecoder::ReadPalette(const std::vector<std::uint8_t>& Head, std::size_t At,
                              std::uint32_t Declared, std::size_t EntrySize) {
  const std::uint32_t Largest = 1U << FBitCount;
  const std::uint64_t Available = (FPixelOffset - At) / EntrySize;
  std::uint64_t Count = Declared == 0 || Declared > Largest ? Largest : Declared;
  if (Count > Available) Count = Available;
  if (Count == 0) Fail("missing colour table");
  if (At + Count * EntrySize > Head.size()) Fail("truncated colour table");
  FPaletteCount = static_cast<std::uint32_t>(Count);
  for (std::uint32_t I = 0; I < FPaletteCount; ++I) {
    const std::uint8_t* Entry = Head.data() + At + I * EntrySize;
    FPalette[std::size_t{I} * 3] = Entry[2];
    FPalette[std::size_t{I} * 3 + 1] = Entry[1];
    FPalette[std::size_t{I} * 3 + 2] = Entry[0];
  }
}

const std::uint8_t* TBmpDecoder::PaletteColour(std::uint32_t Index) const {
  if (Index >= FPaletteCount) Fail("colour index " + std::to_string(Index) + " out of range");
  return FPalette.data() + std::size_t{Index} * 3;
}

void TBmpDecoder::DrawWindow(std::int32_t Left, TRgbImage& Window) {
  const TWindowSpan Span = ClipWindow(Size(), Left, Window);
  if (Span.Empty()) return;
  if (FCompression == Rle8 || FCompression == Rle4) {
    DrawRle(Span, Window);
  } else {
    DrawUncompressed(Span, Window);
  }
}

void TBmpDecoder::DrawUncompressed(const TWindowSpan& Span, TRgbImage& Window) const {
  // Only the bytes that hold the window's columns are read from each row.
  const auto First = static_cast<std::uint64_t>(Span.FirstColumn);
  const std::uint64_t End = First + static_cast<std::uint64_t>(Span.Columns);
  const std::uint64_t ByteStart = First * FBitCount / 8;
  std::vector<std::uint8_t> Bytes(static_cast<std::size_t>((End * FBitCount + 7) / 8 - ByteStart));
  const std::uint8_t* Row = Bytes.data();
  for (std::int32_t Y = 0; Y < Span.Rows; ++Y) {
    const std::uint64_t StoredRow = FTopDown ? Y : FHeight - 1 - Y;
    if (!FSource->ReadAt(FPixelOffset + StoredRow * FStride + ByteStart, Bytes.data(),
                         Bytes.size())) {
      Fail("truncated pixel data");
    }
    std::uint8_t* Out = Window.Row(Y) + static_cast<std::size_t>(Span.TargetColumn) * 3;
    for (std::uint64_t X = First; X < End; ++X, Out += 3) {
      const std::uint64_t Bit = X * FBitCount - ByteStart * 8;
      const std::uint8_t* Pixel = Row + Bit / 8;
      const std::uint8_t* Colour = nullptr;
      std::uint32_t Value = 0;
      switch (FBitCount) {
        case 1:
          Colour = PaletteColour((*Pixel >> (7 - Bit % 8)) & 1U);
          break;
        case 4:
          Colour = PaletteColour((*Pixel >> (Bit % 8 == 0 ? 4 : 0)) & 0xFU);
          break;
        case 8:
          Colour = PaletteColour(*Pixel);
          break;
        case 24:
          Out[0] = Pixel[2];
          Out[1] = Pixel[1];
          Out[2] = Pixel[0];
          continue;
        case 16:
          Value = Get16(Pixel);
          break;
        default:
          Value = Get32(Pixel);
          if (FCompression == RgbCompression) Value &= 0xFFFFFF;
          break;
      }
      if (Colour != nullptr) {
        Out[0] = Colour[0];
        Out[1] = Colour[1];
        Out[2] = Colour[2];
      } else if (FBitCount == 32 && FCompression == RgbCompression) {
        Out[0] = static_cast<std::uint8_t>(Value >> 16);
        Out[1] = static_cast<std::uint8_t>(Value >> 8);
        Out[2] = static_cast<std::uint8_t>(Value);
      } else {
        for (std::size_t C = 0; C < 3; ++C) {
          const TChannel& Channel = FChannels[C];
          Out[C] = ScaleTo8((Value & Channel.Mask) >> Channel.Shift, Channel.Max);
        }
      }
    }
  }
}

void TBmpDecoder::DrawRle(const TWindowSpan& Span, TRgbImage& Window) const {
  const bool FourBit = FCompression == Rle4;
  TRleReader Reader(*FSource, FPixelOffset, FPixelEnd);
  const auto Next = [&]() -> std::uint32_t {
    std::uint32_t Byte = 0;
    if (!Reader.Next(Byte)) Fail("truncated compressed pixel data");
    return Byte;
  };
  std::int64_t X = 0;
  std::int64_t Row = 0;
  // Rows are stored bottom-up. Pixels that the data skips keep the window's white, as
  // transparent pixels would.
  const auto Put = [&](std::uint32_t Index) {
    const std::uint8_t* Colour = PaletteColour(Index);
    const std::int64_t Y = FHeight - 1 - Row;
    const std::int64_t Column = X - Span.FirstColumn;
    if (Y < Span.Rows && Column >= 0 && Column < Span.Columns) {
      std::uint8_t* Out =
          Window.Row(static_cast<std::int32_t>(Y)) + (Column + Span.TargetColumn) * 3;
      Out[0] = Colour[0];
      Out[1] = Colour[1];
      Out[2] = Colour[2];
    }
    ++X;
  };
  const auto CheckRun = [&](std::uint32_t Count) {
    if (Row >= FHeight || X + Count > FWidth) Fail("compressed run beyond the picture");
  };
  for (;;) {
    const std::uint32_t Count = Next();
    const std::uint32_t Value = Next();
    if (Count > 0) {
      CheckRun(Count);
      for (std::uint32_t I = 0; I < Count; ++I) {
        Put(FourBit ? (I % 2 == 0 ? Value >> 4 : Value & 0xF) : Value);
      }
    } else if (Value == 0) {
      X = 0;
      if (++Row > FHeight) Fail("compressed data beyond the last row");
    } else if (Value == 1) {
      return;
    } else if (Value == 2) {
      X += Next();
      Row += Next();
      if (X > FWidth || Row > FHeight) Fail("compressed offset beyond the picture");
    } else {
      CheckRun(Value);
      std::uint32_t Byte = 0;
      for (std::uint32_t I = 0; I < Value; ++I) {
        if (!FourBit) {
          Put(Next());
        } else {
          if (I % 2 == 0) Byte = Next();
          Put(I % 2 == 0 ? Byte >> 4 : Byte & 0xF);
        }
      }
      const std::uint32_t Bytes = FourBit ? (Value + 1) / 2 : Value;
      if (Bytes % 2 != 0) Next();
    }
  }
}

}  // namespace skyrelle::imaging
