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
  auto* state = static_cast<TPngDecoder::TState*>(png_get_error_ptr(Png));
  std::snprintf(state->Message, sizeof state->Message, "%s", Message);
  png_longjmp(Png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// The bytes from Position on; false at the end of the file or when it cannot be read.
bool FillBuffer(TPngDecoder::TState& State) {
  const std::uint64_t size = State.Source->Size();
  if (State.Position >= size) return false;
  const auto count =
      static_cast<std::size_t>(std::min<std::uint64_t>(size - State.Position, State.Buffer.size()));
  if (!State.Source->ReadAt(State.Position, State.Buffer.data(), count)) return false;
  State.BufferStart = State.Position;
  State.BufferEnd = State.Position + count;
  return true;
}

// The library reads forward only, so the buffer always starts at or before Position.
void ReadData(png_structp Png, png_bytep Out, png_size_t Count) {
  TPngDecoder::TState& state = StateOf(Png);
  if (Count > state.ReadLimit - std::min(state.Position, state.ReadLimit))
    png_error(Png, "far more data than its size needs");
  while (Count > 0) {
    if (state.Position >= state.BufferEnd && !FillBuffer(state)) png_error(Png, "truncated data");
    const std::size_t piece =
        std::min(Count, static_cast<std::size_t>(state.BufferEnd - state.Position));
    std::memcpy(Out, state.Buffer.data() + (state.Position - state.BufferStart), piece);
    Out += piece;
    Count -= piece;
    state.Position += piece;
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
  const auto unsignedOf = [](int AValue) { return static_cast<std::uint32_t>(AValue); };
  return {PNG_PASS_ROWS(Height, Pass),          PNG_PASS_COLS(Width, Pass),
          unsignedOf(PNG_PASS_START_ROW(Pass)), unsignedOf(PNG_PASS_ROW_OFFSET(Pass)),
          unsignedOf(PNG_PASS_START_COL(Pass)), unsignedOf(PNG_PASS_COL_OFFSET(Pass))};
}

// The row's pixels Count pixels from In (RGB or RGBA) as RGB onto white, Step pixels apart in
// the output.
void PutPixels(const png_byte* In, int Channels, std::uint8_t* Out, std::size_t Count,
               std::size_t Step) {
  for (std::size_t i = 0; i < Count; ++i, In += Channels, Out += Step * 3) {
    if (Channels == 3) {
      std::memcpy(Out, In, 3);
      continue;
    }
    const std::uint32_t alpha = In[3];
    for (int c = 0; c < 3; ++c) {
      Out[c] = static_cast<std::uint8_t>((In[c] * alpha + 255 * (255 - alpha) + 127) / 255);
    }
  }
}

}  // namespace

TPngDecoder::TPngDecoder(std::string FileName, std::unique_ptr<IByteSource> Source)
    : FFileName(std::move(FileName)),
      FSource(std::move(Source)),
      FState(std::make_unique<TState>()) {
  png_byte signature[SignatureSize];
  if (!FSource->ReadAt(0, signature, SignatureSize) ||
      png_sig_cmp(signature, 0, SignatureSize) != 0) {
    Fail("not a PNG picture");
  }
  TState& state = *FState;
  state.Source = FSource.get();
  state.ReadLimit = MetadataAllowance;
  state.Buffer.resize(ReadPieceSize);
  state.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, ExitWithError, IgnoreWarning);
  if (state.Png == nullptr) Fail("out of memory");
  state.Info = png_create_info_struct(state.Png);
  if (state.Info == nullptr) Fail("out of memory");
  Guarded([&] {
    png_set_read_fn(state.Png, &state, ReadData);
    // A negative count makes every ancillary chunk but the transparency one unknown, and
    // unknown chunks are skipped without being held: a chunk that claims gigabytes of text
    // costs nothing.
    png_set_keep_unknown_chunks(state.Png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_malloc_max(state.Png, MaxChunkBytes);
    png_set_user_limits(state.Png, MaxSide, MaxSide);
    png_read_info(state.Png, state.Info);
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
  const TWindowSpan span = ClipWindow(Size(), Left, Window);
  if (span.Empty()) return;
  png_structp png = FState->Png;
  png_infop info = FState->Info;
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  const std::uint32_t width = png_get_image_width(png, info);
  const std::uint32_t height = png_get_image_height(png, info);
  const auto rows = static_cast<std::uint32_t>(span.Rows);
  const int passes = interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
  CheckInflatedSize(Window, passes, rows);
  int channels = 0;
  std::size_t rowBytes = 0;
  Guarded([&] {
    // Without interlace handling libpng hands out each pass's rows as they are stored, which
    // lets the window receive them without an image-sized buffer.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    channels = png_get_channels(png, info);
    rowBytes = png_get_rowbytes(png, info);
  });
  if (channels != 3 && channels != 4) Fail("unexpected PNG channel count");
  std::vector<png_byte> row(rowBytes);
  const std::uint32_t first = static_cast<std::uint32_t>(span.FirstColumn);
  const std::uint32_t end = first + static_cast<std::uint32_t>(span.Columns);
  Guarded([&] {
    for (int pass = 0; pass < passes; ++pass) {
      const TPass stored = PassOf(width, height, interlaced, pass);
      if (stored.Empty()) continue;
      // The pass's columns that fall inside [first, end).
      const std::uint32_t firstInPass = stored.ColumnsBefore(first);
      const std::uint32_t endInPass = stored.ColumnsBefore(end);
      const std::uint32_t rowsRead = stored.RowsRead(pass == passes - 1, rows);
      for (std::uint32_t passRow = 0; passRow < rowsRead; ++passRow) {
        const std::uint32_t y = stored.RowStart + passRow * stored.RowStep;
        png_read_row(png, row.data(), nullptr);
        if (y >= rows || firstInPass >= endInPass) continue;
        const std::uint32_t x = stored.ColumnStart + firstInPass * stored.ColumnStep;
        PutPixels(row.data() + std::size_t(firstInPass) * channels, channels,
                  Window.Row(static_cast<std::int32_t>(y)) +
                      (std::size_t(x - first) + std::size_t(span.TargetColumn)) * 3,
                  endInPass - firstInPass, stored.ColumnStep);
      }
    }
  });
}

// Refused before any row is read, from the header alone; the file's reads are then held to
// what those rows can take.
void TPngDecoder::CheckInflatedSize(const TRgbImage& Window, int Passes, std::uint32_t Rows) {
  png_structp png = FState->Png;
  png_infop info = FState->Info;
  const std::uint32_t width = png_get_image_width(png, info);
  const std::uint32_t height = png_get_image_height(png, info);
  const std::uint64_t pixelBits =
      std::uint64_t{png_get_bit_depth(png, info)} * png_get_channels(png, info);
  std::uint64_t inflated = 0;
  for (int pass = 0; pass < Passes; ++pass) {
    const TPass stored = PassOf(width, height, Passes > 1, pass);
    if (stored.Empty()) continue;
    const std::uint64_t storedRowBytes = 1 + (stored.Columns * pixelBits + 7) / 8;
    inflated += std::uint64_t{stored.RowsRead(pass == Passes - 1, Rows)} * storedRowBytes;
  }
  const std::uint64_t windowPixels =
      static_cast<std::uint64_t>(Window.Width()) * static_cast<std::uint64_t>(Window.Height());
  const std::uint64_t budget =
      std::max(MinimumInflateBudget, windowPixels * InflatedBytesPerWindowPixel);
  if (inflated > budget) {
    Fail("too large to decode: a " + std::to_string(Window.Width()) + " x " +
         std::to_string(Window.Height()) + " section needs " + std::to_string(inflated >> 20) +
         " MB of image data inflated (at most " + std::to_string(budget >> 20) + " MB)");
  }
  FState->ReadLimit =
      FState->Position + inflated + inflated / CompressedOverheadDivisor + ReadSlack;
}

}  // namespace skyrelle::imaging
