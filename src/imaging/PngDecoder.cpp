#include "imaging/PngDecoder.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/ImageError.h"

namespace skyrelle::imaging {

// libpng reports errors by calling back; the callback jumps back to the guarded call, which
// raises once it is out of the library. Nothing with a destructor lives across those calls.
// The state releases the library's memory itself, as a constructor that raises never reaches
// the decoder's destructor.
struct TPngDecoder::TState {
  TState() = default;
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;
  ~TState() { png_destroy_read_struct(&Png, &Info, nullptr); }

  png_structp Png = nullptr;
  png_infop Info = nullptr;
  IByteSource* Source = nullptr;
  std::uint64_t Position = 0;   // of the next byte handed to the library
  std::uint64_t ReadLimit = 0;  // the library may not go beyond this offset
  // The library reads chunk headers and checksums a few bytes at a time; they come from here.
  std::vector<png_byte> Buffer;
  std::uint64_t BufferStart = 0;  // file offsets of the buffered bytes
  std::uint64_t BufferEnd = 0;
  char Message[256]{};
};

namespace {

constexpr std::size_t SignatureSize = 8;
constexpr std::size_t ReadPieceSize = std::size_t{64} << 10;
// Beyond the inflated rows, a file holds chunk headers, checksums and deflate's own overhead.
constexpr std::uint64_t CompressedOverheadDivisor = 8;
constexpr std::uint64_t ReadSlack = std::uint64_t{1} << 20;

TPngDecoder::TState& StateOf(png_structp Png) {
  return *static_cast<TPngDecoder::TState*>(png_get_io_ptr(Png));
}

[[noreturn]] void ExitWithError(png_structp Png, png_const_charp Message) {
  auto* State = static_cast<TPngDecoder::TState*>(png_get_error_ptr(Png));
  std::snprintf(State->Message, sizeof State->Message, "%s", Message);
  png_longjmp(Png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// The bytes from Position on; false at the end of the file or when it cannot be read.
bool FillBuffer(TPngDecoder::TState& State) {
  const std::uint64_t Size = State.Source->Size();
  if (State.Position >= Size) return false;
  const auto Count =
      static_cast<std::size_t>(std::min<std::uint64_t>(Size - State.Position, State.Buffer.size()));
  if (!State.Source->ReadAt(State.Position, State.Buffer.data(), Count)) return false;
  State.BufferStart = State.Position;
  State.BufferEnd = State.Position + Count;
  return true;
}

// The library reads forward only, so the buffer always starts at or before Position.
void ReadData(png_structp Png, png_bytep Out, png_size_t Count) {
  TPngDecoder::TState& State = StateOf(Png);
  if (Count > State.ReadLimit - std::min(State.Position, State.ReadLimit))
    png_error(Png, "far more data than its size needs");
  while (Count > 0) {
    if (State.Position >= State.BufferEnd && !FillBuffer(State)) png_error(Png, "truncated data");
    const std::size_t Piece =
        std::min(Count, static_cast<std::size_t>(State.BufferEnd - State.Position));
    std::memcpy(Out, State.Buffer.data() + (State.Position - State.BufferStart), Piece);
    Out += Piece;
    Count -= Piece;
    State.Position += Piece;
  }
}

// The stored rows of one pass of an interlaced picture, or of the whole picture.
struct TPass {
  std::uint32_t Rows = 0;
  std::uint32_t Columns = 0;
  std::uint32_t RowStart = 0;
  std::uint32_t RowStep = 1;
  std::uint32_t ColumnStart = 0;
  std::uint32_t ColumnStep = 1;

  bool Empty() const { return Rows == 0 || Columns == 0; }
  // The pass's columns that lie left of picture column X.
  std::uint32_t ColumnsBefore(std::uint32_t X) const {
    return X <= ColumnStart ? 0 : (X - ColumnStart + ColumnStep - 1) / ColumnStep;
  }
  // The rows read to draw the picture's top Rows rows: the data of the last pass is the last
  // the window needs, every earlier pass is read whole.
  std::uint32_t RowsRead(bool Last, std::uint32_t WindowRows) const {
    if (!Last) return Rows;
    if (WindowRows <= RowStart) return 0;
    return std::min(Rows, (WindowRows - RowStart + RowStep - 1) / RowStep);
  }
};

TPass PassOf(std::uint32_t Width, std::uint32_t Height, bool Interlaced, int Pass) {
  if (!Interlaced) return {Height, Width};
  return {PNG_PASS_ROWS(Height, Pass), PNG_PASS_COLS(Width, Pass), PNG_PASS_START_ROW(Pass),
          PNG_PASS_ROW_OFFSET(Pass),   PNG_PASS_START_COL(Pass),   PNG_PASS_COL_OFFSET(Pass)};
}

// The row's pixels Count pixels from In (RGB or RGBA) as RGB onto white, Step pixels apart in
// the output.
void PutPixels(const png_byte* In, int Channels, std::uint8_t* Out, std::size_t Count,
               std::size_t Step) {
  for (std::size_t I = 0; I < Count; ++I, In += Channels, Out += Step * 3) {
    if (Channels == 3) {
      std::memcpy(Out, In, 3);
      continue;
    }
    const std::uint32_t Alpha = In[3];
    for (int C = 0; C < 3; ++C) {
      Out[C] = static_cast<std::uint8_t>((In[C] * Alpha + 255 * (255 - Alpha) + 127) / 255);
    }
  }
}

}  // namespace

TPngDecoder::TPngDecoder(std::string FileName, std::unique_ptr<IByteSource> Source)
    : FFileName(std::move(FileName)),
      FSource(std::move(Source)),
      FState(std::make_unique<TState>()) {
  png_byte Signature[SignatureSize];
  if (!FSource->ReadAt(0, Signature, SignatureSize) ||
      png_sig_cmp(Signature, 0, SignatureSize) != 0) {
    Fail("not a PNG picture");
  }
  TState& State = *FState;
  State.Source = FSource.get();
  State.ReadLimit = MetadataAllowance;
  State.Buffer.resize(ReadPieceSize);
  State.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &State, ExitWithError, IgnoreWarning);
  if (State.Png == nullptr) Fail("out of memory");
  State.Info = png_create_info_struct(State.Png);
  if (State.Info == nullptr) Fail("out of memory");
  Guarded([&] {
    png_set_read_fn(State.Png, &State, ReadData);
    // A negative count makes every ancillary chunk but the transparency one unknown, and
    // unknown chunks are skipped without being held: a chunk that claims gigabytes of text
    // costs nothing.
    png_set_keep_unknown_chunks(State.Png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_malloc_max(State.Png, MaxChunkBytes);
    png_set_user_limits(State.Png, MaxSide, MaxSide);
    png_read_info(State.Png, State.Info);
  });
}

TPngDecoder::~TPngDecoder() = default;

void TPngDecoder::Fail(const std::string& Reason) const { ThrowPictureError(FFileName, Reason); }

template <typename TWork>
void TPngDecoder::Guarded(TWork&& Work) {
  if (setjmp(png_jmpbuf(FState->Png)) != 0) Fail(FState->Message);
  Work();
}

TPictureSize TPngDecoder::Size() const {
  return {static_cast<std::int32_t>(png_get_image_width(FState->Png, FState->Info)),
          static_cast<std::int32_t>(png_get_image_height(FState->Png, FState->Info))};
}

void TPngDecoder::DrawWindow(std::int32_t Left, TRgbImage& Window) {
  const TWindowSpan Span = ClipWindow(Size(), Left, Window);
  if (Span.Empty()) return;
  png_structp Png = FState->Png;
  png_infop Info = FState->Info;
  const bool Interlaced = png_get_interlace_type(Png, Info) != PNG_INTERLACE_NONE;
  const std::uint32_t Width = png_get_image_width(Png, Info);
  const std::uint32_t Height = png_get_image_height(Png, Info);
  const auto Rows = static_cast<std::uint32_t>(Span.Rows);
  const int Passes = Interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
  CheckInflatedSize(Window, Passes, Rows);
  int Channels = 0;
  std::size_t RowBytes = 0;
  Guarded([&] {
    // Without interlace handling libpng hands out each pass's rows as they are stored, which
    // lets the window receive them without an image-sized buffer.
    png_set_expand(Png);
    png_set_scale_16(Png);
    png_set_gray_to_rgb(Png);
    png_read_update_info(Png, Info);
    Channels = png_get_channels(Png, Info);
    RowBytes = png_get_rowbytes(Png, Info);
  });
  if (Channels != 3 && Channels != 4) Fail("unexpected PNG channel count");
  std::vector<png_byte> Row(RowBytes);
  const std::uint32_t First = static_cast<std::uint32_t>(Span.FirstColumn);
  const std::uint32_t End = First + static_cast<std::uint32_t>(Span.Columns);
  Guarded([&] {
    for (int Pass = 0; Pass < Passes; ++Pass) {
      const TPass Stored = PassOf(Width, Height, Interlaced, Pass);
      if (Stored.Empty()) continue;
      // The pass's columns that fall inside [First, End).
      const std::uint32_t FirstInPass = Stored.ColumnsBefore(First);
      const std::uint32_t EndInPass = Stored.ColumnsBefore(End);
      const std::uint32_t RowsRead = Stored.RowsRead(Pass == Passes - 1, Rows);
      for (std::uint32_t PassRow = 0; PassRow < RowsRead; ++PassRow) {
        const std::uint32_t Y = Stored.RowStart + PassRow * Stored.RowStep;
        png_read_row(Png, Row.data(), nullptr);
        if (Y >= Rows || FirstInPass >= EndInPass) continue;
        const std::uint32_t X = Stored.ColumnStart + FirstInPass * Stored.ColumnStep;
        PutPixels(Row.data() + std::size_t(FirstInPass) * Channels, Channels,
                  Window.Row(static_cast<std::int32_t>(Y)) +
                      (std::size_t(X - First) + std::size_t(Span.TargetColumn)) * 3,
                  EndInPass - FirstInPass, Stored.ColumnStep);
      }
    }
  });
}

// Refused before any row is read, from the header alone; the file's reads are then held to
// what those rows can take.
void TPngDecoder::CheckInflatedSize(const TRgbImage& Window, int Passes, std::uint32_t Rows) {
  png_structp Png = FState->Png;
  png_infop Info = FState->Info;
  const std::uint32_t Width = png_get_image_width(Png, Info);
  const std::uint32_t Height = png_get_image_height(Png, Info);
  const std::uint64_t PixelBits =
      std::uint64_t{png_get_bit_depth(Png, Info)} * png_get_channels(Png, Info);
  std::uint64_t Inflated = 0;
  for (int Pass = 0; Pass < Passes; ++Pass) {
    const TPass Stored = PassOf(Width, Height, Passes > 1, Pass);
    if (Stored.Empty()) continue;
    const std::uint64_t StoredRowBytes = 1 + (Stored.Columns * PixelBits + 7) / 8;
    Inflated += std::uint64_t{Stored.RowsRead(Pass == Passes - 1, Rows)} * StoredRowBytes;
  }
  const std::uint64_t WindowPixels =
      static_cast<std::uint64_t>(Window.Width()) * static_cast<std::uint64_t>(Window.Height());
  const std::uint64_t Budget =
      std::max(MinimumInflateBudget, WindowPixels * InflatedBytesPerWindowPixel);
  if (Inflated > Budget) {
    Fail("too large to decode: a " + std::to_string(Window.Width()) + " x " +
         std::to_string(Window.Height()) + " section needs " + std::to_string(Inflated >> 20) +
         " MB of image data inflated (at most " + std::to_string(Budget >> 20) + " MB)");
  }
  FState->ReadLimit =
      FState->Position + Inflated + Inflated / CompressedOverheadDivisor + ReadSlack;
}

}  // namespace skyrelle::imaging
