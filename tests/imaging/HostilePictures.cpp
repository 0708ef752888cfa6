#include "HostilePictures.h"

#include <zlib.h>

#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace skyrelle::test_support {
namespace {

using TBytes = std::vector<std::uint8_t>;

void PutBig32(TBytes& Out, std::uint32_t Value) {
  for (int Shift = 24; Shift >= 0; Shift -= 8)
    Out.push_back(static_cast<std::uint8_t>(Value >> Shift));
}

void PutBig16(TBytes& Out, std::uint32_t Value) {
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
  Out.push_back(static_cast<std::uint8_t>(Value));
}

void WriteAll(const std::string& FileName, const TBytes& Bytes) {
  std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
  Out.write(reinterpret_cast<const char*>(Bytes.data()),
            static_cast<std::streamsize>(Bytes.size()));
  if (!Out) throw std::runtime_error("cannot write " + FileName);
}

// --- PNG ---------------------------------------------------------------------------------------

constexpr std::uint8_t PngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Length, type, data and the CRC of type and data; Length may claim more than Data holds.
void PutChunk(TBytes& Out, std::string_view Type, const TBytes& Data, std::uint32_t Length) {
  PutBig32(Out, Length);
  const std::size_t TypeStart = Out.size();
  Out.insert(Out.end(), Type.begin(), Type.end());
  Out.insert(Out.end(), Data.begin(), Data.end());
  if (Length != Data.size()) return;  // a lie: the file ends inside the data
  PutBig32(Out, static_cast<std::uint32_t>(
                    crc32(0, Out.data() + TypeStart, static_cast<uInt>(Out.size() - TypeStart))));
}

TBytes PngHeader(std::uint32_t Width, std::uint32_t Height, int BitDepth, int ColourType,
                 bool Interlaced) {
  TBytes Out(std::begin(PngSignature), std::end(PngSignature));
  TBytes Header;
  PutBig32(Header, Width);
  PutBig32(Header, Height);
  Header.push_back(static_cast<std::uint8_t>(BitDepth));
  Header.push_back(static_cast<std::uint8_t>(ColourType));
  Header.push_back(0);
  Header.push_back(0);
  Header.push_back(Interlaced ? 1 : 0);
  PutChunk(Out, "IHDR", Header, 13);
  return Out;
}

// A raw deflate of Count zero bytes ending in a full flush: byte-aligned and independent of
// what comes before it, so copies of it may follow each other in one stream.
TBytes DeflatedZeros(std::size_t Count) {
  z_stream Stream{};
  deflateInit2(&Stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  TBytes Zeros(Count, 0);
  TBytes Out(deflateBound(&Stream, Count) + 64);
  Stream.next_in = Zeros.data();
  Stream.avail_in = static_cast<uInt>(Count);
  Stream.next_out = Out.data();
  Stream.avail_out = static_cast<uInt>(Out.size());
  deflate(&Stream, Z_FULL_FLUSH);
  Out.resize(Out.size() - Stream.avail_out);
  deflateEnd(&Stream);
  return Out;
}

// The image data: each stored row is its filter byte and its bytes, all zero.
class TZeroRows {
 public:
  void Add(std::size_t RowBytes, std::uint32_t Rows) {
    if (Rows == 0 || RowBytes == 1) return;
    auto [Known, Added] = FDeflated.try_emplace(RowBytes);
    if (Added) {
      Known->second = DeflatedZeros(RowBytes);
      FZeroAdler[RowBytes] = adler32(1, TBytes(RowBytes, 0).data(), static_cast<uInt>(RowBytes));
    }
    for (std::uint32_t Row = 0; Row < Rows; ++Row) {
      FStream.insert(FStream.end(), Known->second.begin(), Known->second.end());
      FAdler = adler32_combine(FAdler, FZeroAdler[RowBytes], static_cast<z_off_t>(RowBytes));
    }
  }

  // The zlib stream: header, the rows, a last empty block, the checksum.
  TBytes Finish() {
    TBytes Out{0x78, 0x01};
    Out.insert(Out.end(), FStream.begin(), FStream.end());
    Out.push_back(0x03);
    Out.push_back(0x00);
    PutBig32(Out, static_cast<std::uint32_t>(FAdler));
    return Out;
  }

 private:
  std::map<std::size_t, TBytes> FDeflated;
  std::map<std::size_t, uLong> FZeroAdler;
  TBytes FStream;
  uLong FAdler = 1;
};

std::size_t RowBytes(std::uint32_t Columns, int BitsPerPixel) {
  return 1 + (std::size_t(Columns) * BitsPerPixel + 7) / 8;
}

}  // namespace

void WriteOversizedChunkPng(const std::string& FileName, const char* ChunkType) {
  TBytes Out = PngHeader(1, 1, 8, 2, false);
  PutChunk(Out, ChunkType, {'a', 'b', 'c'}, 0x7FFFFFFF);
  WriteAll(FileName, Out);
}

void WriteZeroPng(const std::string& FileName, std::uint32_t Width, std::uint32_t Height,
                  int BitDepth, int ColourType, bool Interlaced) {
  const int BitsPerPixel = BitDepth * (ColourType == 6 ? 4 : 1);
  TZeroRows Rows;
  if (!Interlaced) {
    Rows.Add(RowBytes(Width, BitsPerPixel), Height);
  } else {
    // Adam7: each pass's first row and column, and its steps.
    constexpr std::uint32_t StartRow[] = {0, 0, 4, 0, 2, 0, 1};
    constexpr std::uint32_t RowStep[] = {8, 8, 8, 4, 4, 2, 2};
    constexpr std::uint32_t StartColumn[] = {0, 4, 0, 2, 0, 1, 0};
    constexpr std::uint32_t ColumnStep[] = {8, 8, 4, 4, 2, 2, 1};
    for (int Pass = 0; Pass < 7; ++Pass) {
      const auto Count = [](std::uint32_t Size, std::uint32_t Start, std::uint32_t Step) {
        return Size > Start ? (Size - Start + Step - 1) / Step : 0;
      };
      const std::uint32_t Columns = Count(Width, StartColumn[Pass], ColumnStep[Pass]);
      if (Columns == 0) continue;
      Rows.Add(RowBytes(Columns, BitsPerPixel), Count(Height, StartRow[Pass], RowStep[Pass]));
    }
  }
  const TBytes Data = Rows.Finish();
  TBytes Out = PngHeader(Width, Height, BitDepth, ColourType, Interlaced);
  constexpr std::size_t ChunkSize = std::size_t{1} << 20;
  for (std::size_t Start = 0; Start < Data.size(); Start += ChunkSize) {
    const TBytes Piece(
        Data.begin() + static_cast<std::ptrdiff_t>(Start),
        Data.begin() + static_cast<std::ptrdiff_t>(std::min(Data.size(), Start + ChunkSize)));
    PutChunk(Out, "IDAT", Piece, static_cast<std::uint32_t>(Piece.size()));
  }
  PutChunk(Out, "IEND", {}, 0);
  WriteAll(FileName, Out);
}

void WriteEmptyChunkPng(const std::string& FileName, std::uint32_t Count) {
  TBytes Out = PngHeader(1, 1, 8, 2, false);
  for (std::uint32_t Chunk = 0; Chunk < Count; ++Chunk) PutChunk(Out, "IDAT", {}, 0);
  TZeroRows Rows;
  Rows.Add(RowBytes(1, 24), 1);
  const TBytes Data = Rows.Finish();
  PutChunk(Out, "IDAT", Data, static_cast<std::uint32_t>(Data.size()));
  PutChunk(Out, "IEND", {}, 0);
  WriteAll(FileName, Out);
}

// --- JPEG --------------------------------------------------------------------------------------

namespace {

// Entropy-coded bits, most significant first, with the 0x00 stuffed after every 0xFF.
class TBitWriter {
 public:
  explicit TBitWriter(TBytes& Out) : FOut(Out) {}

  void Put(std::uint32_t Bits, int Count) {
    for (int I = Count - 1; I >= 0; --I) {
      FByte = static_cast<std::uint8_t>(FByte << 1 | ((Bits >> I) & 1));
      if (++FUsed == 8) Flush();
    }
  }

  // Pads the last byte with ones, as the format asks.
  void Finish() {
    while (FUsed != 0) Put(1, 1);
  }

 private:
  void Flush() {
    FOut.push_back(FByte);
    if (FByte == 0xFF) FOut.push_back(0x00);
    FByte = 0;
    FUsed = 0;
  }

  TBytes& FOut;
  std::uint8_t FByte = 0;
  int FUsed = 0;
};

void PutSegment(TBytes& Out, std::uint8_t Marker, const TBytes& Body) {
  Out.push_back(0xFF);
  Out.push_back(Marker);
  PutBig16(Out, static_cast<std::uint32_t>(Body.size() + 2));
  Out.insert(Out.end(), Body.begin(), Body.end());
}

void PutScanHeader(TBytes& Out, std::uint8_t Start, std::uint8_t End) {
  PutSegment(Out, 0xDA, {1, 1, 0x00, Start, End, 0x00});
}

}  // namespace

void WriteScanBombJpeg(const std::string& FileName, std::uint16_t Width, std::uint16_t Height,
                       int AcScans) {
  const std::uint64_t Blocks = std::uint64_t{(Width + 7u) / 8u} * ((Height + 7u) / 8u);
  TBytes Out{0xFF, 0xD8};
  TBytes Quantisation{0x00};
  Quantisation.resize(65, 1);
  PutSegment(Out, 0xDB, Quantisation);
  TBytes Frame{8};
  PutBig16(Frame, Height);
  PutBig16(Frame, Width);
  Frame.insert(Frame.end(), {1, 1, 0x11, 0});
  PutSegment(Out, 0xC2, Frame);
  // DC table: one code "0", for a difference of 0.
  TBytes DcTable{0x00, 1};
  DcTable.resize(17, 0);
  DcTable.push_back(0x00);
  PutSegment(Out, 0xC4, DcTable);
  // AC table: the end-of-band runs EOB0 .. EOB14 (symbols 0x00 .. 0xE0), four-bit codes 0 .. 14.
  TBytes AcTable{0x10, 0, 0, 0, 15};
  AcTable.resize(17, 0);
  for (std::uint8_t Run = 0; Run < 15; ++Run)
    AcTable.push_back(static_cast<std::uint8_t>(Run << 4));
  PutSegment(Out, 0xC4, AcTable);

  PutScanHeader(Out, 0, 0);
  {
    TBitWriter Bits(Out);
    for (std::uint64_t Block = 0; Block < Blocks; ++Block) Bits.Put(0, 1);
    Bits.Finish();
  }
  TBytes AcScan;
  PutScanHeader(AcScan, 1, 63);
  {
    TBitWriter Bits(AcScan);
    for (std::uint64_t Left = Blocks; Left > 0;) {
      const std::uint32_t Run = static_cast<std::uint32_t>(std::min<std::uint64_t>(Left, 32767));
      int Size = 0;
      while ((Run >> (Size + 1)) != 0) ++Size;
      Bits.Put(static_cast<std::uint32_t>(Size), 4);
      Bits.Put(Run - (1u << Size), Size);
      Left -= Run;
    }
    Bits.Finish();
  }
  for (int Scan = 0; Scan < AcScans; ++Scan) Out.insert(Out.end(), AcScan.begin(), AcScan.end());
  Out.push_back(0xFF);
  Out.push_back(0xD9);
  WriteAll(FileName, Out);
}

}  // namespace skyrelle::test_support
