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
  auto* State = static_cast<TPngDecoder::TState*>(png_get_error_ptr(Png));
  std::snprintf(State->Message, sizeof State->Message, "%s", Message);
  png_longjmp(Png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

void ReadData(png_structp Png, png_bytep Out, png_size_t Count) {
  TPngDecoder::TState& State = StateOf(Png);
  if (!State.Source->ReadAt(State.Position, Out, Count)) png_error(Png, "truncated data");
  State.Position += Count;
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
  State.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &State, ExitWithError, IgnoreWarning);
  if (State.Png == nullptr) Fail("out of memory");
  State.Info = png_create_info_struct(State.Png);
  if (State.Info == nullptr) Fail("out of memory");
  Guarded([&] {
    png_set_read_fn(State.Png, &State, ReadData);
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
  const std::uint32_t Width = png_get_image_width(Png, Info);
  const std::uint32_t Height = png_get_image_height(Png, Info);
  const std::uint32_t First = static_cast<std::uint32_t>(Span.FirstColumn);
  const std::uint32_t End = First + static_cast<std::uint32_t>(Span.Columns);
  const auto Rows = static_cast<std::uint32_t>(Span.Rows);
  Guarded([&] {
    const int Passes = Interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
    for (int Pass = 0; Pass < Passes; ++Pass) {
      const std::uint32_t PassRows = Interlaced ? PNG_PASS_ROWS(Height, Pass) : Height;
      const std::uint32_t PassColumns = Interlaced ? PNG_PASS_COLS(Width, Pass) : Width;
      if (PassRows == 0 || PassColumns == 0) continue;
      const std::uint32_t RowStep = Interlaced ? PNG_PASS_ROW_OFFSET(Pass) : 1;
      const std::uint32_t RowStart = Interlaced ? PNG_PASS_START_ROW(Pass) : 0;
      const std::uint32_t ColumnStep = Interlaced ? PNG_PASS_COL_OFFSET(Pass) : 1;
      const std::uint32_t ColumnStart = Interlaced ? PNG_PASS_START_COL(Pass) : 0;
      // The pass's columns that fall inside [First, End).
      const std::uint32_t FirstInPass =
          First <= ColumnStart ? 0 : (First - ColumnStart + ColumnStep - 1) / ColumnStep;
      const std::uint32_t EndInPass =
          End <= ColumnStart ? 0 : (End - ColumnStart + ColumnStep - 1) / ColumnStep;
      for (std::uint32_t PassRow = 0; PassRow < PassRows; ++PassRow) {
        const std::uint32_t Y = RowStart + PassRow * RowStep;
        // The last pass is the last data needed for rows below the window.
        if (Y >= Rows && Pass == Passes - 1) return;
        png_read_row(Png, Row.data(), nullptr);
        if (Y >= Rows || FirstInPass >= EndInPass) continue;
        const std::uint32_t X = ColumnStart + FirstInPass * ColumnStep;
        PutPixels(Row.data() + std::size_t(FirstInPass) * Channels, Channels,
                  Window.Row(static_cast<std::int32_t>(Y)) +
                      (std::size_t(X - First) + std::size_t(Span.TargetColumn)) * 3,
                  EndInPass - FirstInPass, ColumnStep);
      }
    }
  });
}

}  // namespace skyrelle::imaging
