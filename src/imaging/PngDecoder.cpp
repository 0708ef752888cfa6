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
  std::uint64_t Position = 0;
  char Message[256]{};
};

namespace {

constexpr std::size_t SignatureSize = 8;

TPngDecoder::TState& StateOf(png_structp Png) {
  return *static_cast<TPngDecoder::TState*>(png_get_io_ptr(Png));
}

[[noreturn]] void ExitWithError(png_structp Png, png_const_charp Message) {
  auto* state = static_cast<TPngDecoder::TState*>(png_get_error_ptr(Png));
  std::snprintf(state->Message, sizeof state->Message, "%s", Message);
  png_longjmp(Png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

void ReadData(png_structp Png, png_bytep Out, png_size_t Count) {
  TPngDecoder::TState& state = StateOf(Png);
  if (!state.Source->ReadAt(state.Position, Out, Count)) png_error(Png, "truncated data");
  state.Position += Count;
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
  state.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, ExitWithError, IgnoreWarning);
  if (state.Png == nullptr) Fail("out of memory");
  state.Info = png_create_info_struct(state.Png);
  if (state.Info == nullptr) Fail("out of memory");
  Guarded([&] {
    png_set_read_fn(state.Png, &state, ReadData);
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
  const std::uint32_t width = png_get_image_width(png, info);
  const std::uint32_t height = png_get_image_height(png, info);
  const std::uint32_t first = static_cast<std::uint32_t>(span.FirstColumn);
  const std::uint32_t end = first + static_cast<std::uint32_t>(span.Columns);
  const auto rows = static_cast<std::uint32_t>(span.Rows);
  Guarded([&] {
    const int passes = interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
    for (int pass = 0; pass < passes; ++pass) {
      const std::uint32_t passRows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
      const std::uint32_t passColumns = interlaced ? PNG_PASS_COLS(width, pass) : width;
      if (passRows == 0 || passColumns == 0) continue;
      const std::uint32_t rowStep = interlaced ? PNG_PASS_ROW_OFFSET(pass) : 1;
      const std::uint32_t rowStart = interlaced ? PNG_PASS_START_ROW(pass) : 0;
      const std::uint32_t columnStep = interlaced ? PNG_PASS_COL_OFFSET(pass) : 1;
      const std::uint32_t columnStart = interlaced ? PNG_PASS_START_COL(pass) : 0;
      // The pass's columns that fall inside [first, end).
      const std::uint32_t firstInPass =
          first <= columnStart ? 0 : (first - columnStart + columnStep - 1) / columnStep;
      const std::uint32_t endInPass =
          end <= columnStart ? 0 : (end - columnStart + columnStep - 1) / columnStep;
      for (std::uint32_t passRow = 0; passRow < passRows; ++passRow) {
        const std::uint32_t y = rowStart + passRow * rowStep;
        // The last pass is the last data needed for rows below the window.
        if (y >= rows && pass == passes - 1) return;
        png_read_row(png, row.data(), nullptr);
        if (y >= rows || firstInPass >= endInPass) continue;
        const std::uint32_t x = columnStart + firstInPass * columnStep;
        PutPixels(row.data() + std::size_t(firstInPass) * channels, channels,
                  Window.Row(static_cast<std::int32_t>(y)) +
                      (std::size_t(x - first) + std::size_t(span.TargetColumn)) * 3,
                  endInPass - firstInPass, columnStep);
      }
    }
  });
}

}  // namespace skyrelle::imaging
