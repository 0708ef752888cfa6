#include "imaging/JpegDecoder.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/ImageError.h"

namespace skyrelle::imaging {

// libjpeg reports errors by calling back; the callbacks jump back to the guarded call, which
// raises once it is out of the library. Nothing with a destructor lives across those calls.
// The state releases the library's memory itself, as a constructor that raises never reaches
// the decoder's destructor.
struct TJpegDecoder::TState {
  TState() = default;
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;
  ~TState() {
    if (Created) jpeg_destroy_decompress(&Info);
  }

  jpeg_decompress_struct Info{};
  jpeg_error_mgr Errors{};
  jpeg_source_mgr Reader{};
  jpeg_progress_mgr Progress{};
  IByteSource* Source = nullptr;
  std::uint64_t NextOffset = 0;  // of the first byte not yet loaded into Buffer
  std::vector<JOCTET> Buffer;
  std::jmp_buf Jump{};
  char Message[JMSG_LENGTH_MAX]{};
  int ScanLimit = TJpegDecoder::MaxScans;
  bool Created = false;
};

namespace {

constexpr std::uint64_t OtherBuffersAllowance = std::uint64_t{64} << 20;

[[noreturn]] void ExitWithError(j_common_ptr Common) {
  auto* State = static_cast<TJpegDecoder::TState*>(Common->client_data);
  (*Common->err->format_message)(Common, State->Message);
  std::longjmp(State->Jump, 1);
}

// Runs inside the library, so nothing here may own memory: the jump skips destructors.
void CheckScanCount(j_common_ptr Common) {
  const auto* Info = reinterpret_cast<j_decompress_ptr>(Common);
  auto* State = static_cast<TJpegDecoder::TState*>(Common->client_data);
  if (Info->input_scan_number <= State->ScanLimit) return;
  std::snprintf(State->Message, sizeof State->Message, "too many scans (more than %d)",
                State->ScanLimit);
  std::longjmp(State->Jump, 1);
}

// Missing data would come out as grey filler, so it is an error; other warnings (stray bytes
// between markers and the like) leave the pixels intact and are let through silently.
void EmitMessage(j_common_ptr Common, int Level) {
  if (Level >= 0) return;
  const int Code = Common->err->msg_code;
  if (Code == JWRN_JPEG_EOF || Code == JWRN_HIT_MARKER) ExitWithError(Common);
  ++Common->err->num_warnings;
}

TJpegDecoder::TState& StateOf(j_decompress_ptr Info) {
  return *static_cast<TJpegDecoder::TState*>(Info->client_data);
}

void InitSource(j_decompress_ptr) {}

void TermSource(j_decompress_ptr) {}

// Loads the next piece of the file. Data that cannot be read (the file was cut short while open,
// or a read failed) raises the end-of-file warning, which EmitMessage turns into an error; the
// end marker handed back is only there to keep the library's state sound.
boolean FillInputBuffer(j_decompress_ptr Info) {
  TJpegDecoder::TState& State = StateOf(Info);
  const std::uint64_t Size = State.Source->Size();
  const std::uint64_t Left = State.NextOffset < Size ? Size - State.NextOffset : 0;
  const auto Count = static_cast<std::size_t>(std::min<std::uint64_t>(Left, State.Buffer.size()));
  if (Count == 0 || !State.Source->ReadAt(State.NextOffset, State.Buffer.data(), Count)) {
    static const JOCTET EndOfImage[] = {0xFF, JPEG_EOI};
    WARNMS(Info, JWRN_JPEG_EOF);
    State.Reader.next_input_byte = EndOfImage;
    State.Reader.bytes_in_buffer = sizeof EndOfImage;
    return TRUE;
  }
  State.NextOffset += Count;
  State.Reader.next_input_byte = State.Buffer.data();
  State.Reader.bytes_in_buffer = Count;
  return TRUE;
}

// Skips within the loaded piece, or moves the next read beyond it; the library loads again when
// it finds the buffer empty.
void SkipInputData(j_decompress_ptr Info, long Count) {
  if (Count <= 0) return;
  jpeg_source_mgr& Reader = StateOf(Info).Reader;
  const auto Skip = static_cast<std::uint64_t>(Count);
  if (Skip <= Reader.bytes_in_buffer) {
    Reader.next_input_byte += Skip;
    Reader.bytes_in_buffer -= static_cast<std::size_t>(Skip);
    return;
  }
  StateOf(Info).NextOffset += Skip - Reader.bytes_in_buffer;
  Reader.bytes_in_buffer = 0;
}

std::uint8_t Multiply(std::uint32_t A, std::uint32_t B) {
  return static_cast<std::uint8_t>((A * B + 127) / 255);
}

// Adobe-marked CMYK is stored inverted (0 means full ink).
void ConvertCmyk(const JSAMPLE* In, std::uint8_t* Out, std::int32_t Count, bool Inverted) {
  for (std::int32_t I = 0; I < Count; ++I, In += 4, Out += 3) {
    const std::uint32_t K = Inverted ? In[3] : 255U - In[3];
    for (int C = 0; C < 3; ++C) Out[C] = Multiply(Inverted ? In[C] : 255U - In[C], K);
  }
}

}  // namespace

TJpegDecoder::TJpegDecoder(std::string FileName, std::unique_ptr<IByteSource> Source)
    : FFileName(std::move(FileName)),
      FSource(std::move(Source)),
      FState(std::make_unique<TState>()) {
  std::uint8_t Signature[3];
  if (!FSource->ReadAt(0, Signature, sizeof Signature) || Signature[0] != 0xFF ||
      Signature[1] != 0xD8 || Signature[2] != 0xFF) {
    Fail("not a JPEG picture");
  }
  TState& State = *FState;
  State.Source = FSource.get();
  State.Buffer.resize(
      static_cast<std::size_t>(std::min<std::uint64_t>(FSource->Size(), ReadChunkSize)));
  State.Reader.init_source = InitSource;
  State.Reader.fill_input_buffer = FillInputBuffer;
  State.Reader.skip_input_data = SkipInputData;
  State.Reader.resync_to_restart = jpeg_resync_to_restart;
  State.Reader.term_source = TermSource;
  State.Info.err = jpeg_std_error(&State.Errors);
  State.Errors.error_exit = ExitWithError;
  State.Errors.emit_message = EmitMessage;
  State.Info.client_data = &State;
  State.Progress.progress_monitor = CheckScanCount;
  Guarded([&] {
    jpeg_create_decompress(&State.Info);
    State.Created = true;
    State.Info.mem->max_memory_to_use = static_cast<long>(MaxBufferedBytes + OtherBuffersAllowance);
    State.Info.src = &State.Reader;
    State.Info.progress = &State.Progress;
    jpeg_read_header(&State.Info, TRUE);
  });
}

TJpegDecoder::~TJpegDecoder() = default;

void TJpegDecoder::Fail(const std::string& Reason) const { ThrowPictureError(FFileName, Reason); }

template <typename TWork>
void TJpegDecoder::Guarded(TWork&& Work) {
  if (setjmp(FState->Jump) != 0) Fail(FState->Message);
  Work();
}

TPictureSize TJpegDecoder::Size() const {
  return {static_cast<std::int32_t>(FState->Info.image_width),
          static_cast<std::int32_t>(FState->Info.image_height)};
}

// Progressive and other multi-scan pictures keep every coefficient until the last scan, and
// each scan goes over them again.
void TJpegDecoder::LimitBufferedWork() {
  const jpeg_decompress_struct& Info = FState->Info;
  std::uint64_t Blocks = 0;
  for (int I = 0; I < Info.num_components; ++I) {
    const jpeg_component_info& Component = Info.comp_info[I];
    const auto RoundUp = [](std::uint64_t Value, std::uint64_t Step) {
      return (Value + Step - 1) / Step * Step;
    };
    Blocks += RoundUp(Component.width_in_blocks, Component.h_samp_factor) *
              RoundUp(Component.height_in_blocks, Component.v_samp_factor);
  }
  const std::uint64_t Bytes = Blocks * sizeof(JBLOCK);
  if (Bytes > MaxBufferedBytes) {
    Fail("progressive picture too large to decode (" + std::to_string(Bytes >> 20) +
         " MB of coefficients, at most " + std::to_string(MaxBufferedBytes >> 20) + " MB)");
  }
  FState->ScanLimit = static_cast<int>(
      std::clamp<std::uint64_t>(MaxBlockScans / std::max<std::uint64_t>(Blocks, 1), 1, MaxScans));
}

void TJpegDecoder::DrawWindow(std::int32_t Left, TRgbImage& Window) {
  const TWindowSpan Span = ClipWindow(Size(), Left, Window);
  if (Span.Empty()) return;
  jpeg_decompress_struct& Info = FState->Info;
  const bool Cmyk = Info.jpeg_color_space == JCS_CMYK || Info.jpeg_color_space == JCS_YCCK;
  const bool Inverted = Cmyk && Info.saw_Adobe_marker;
  Info.out_color_space = Cmyk ? JCS_CMYK : JCS_RGB;
  if (jpeg_has_multiple_scans(&Info)) LimitBufferedWork();

  // Smooth upsampling reads one chroma sample beyond each edge of a crop: one more iMCU on each
  // side keeps the window's pixels equal to those of a whole decode.
  const std::int64_t Widening = std::int64_t{Info.max_h_samp_factor} * DCTSIZE;
  const std::int64_t Width = Info.image_width;
  const std::int64_t CropStart = std::max<std::int64_t>(Span.FirstColumn - Widening, 0);
  const std::int64_t CropEnd =
      std::min<std::int64_t>(std::int64_t{Span.FirstColumn} + Span.Columns + Widening, Width);
  JDIMENSION CropOffset = 0;
  Guarded([&] {
    jpeg_start_decompress(&Info);
    if (CropStart > 0 || CropEnd < Width) {
      JDIMENSION Offset = static_cast<JDIMENSION>(CropStart);
      JDIMENSION Columns = static_cast<JDIMENSION>(CropEnd - CropStart);
      jpeg_crop_scanline(&Info, &Offset, &Columns);
      CropOffset = Offset;
    }
  });
  if (CropOffset > static_cast<JDIMENSION>(Span.FirstColumn) ||
      std::uint64_t{CropOffset} + Info.output_width < std::uint64_t(CropEnd) ||
      std::uint64_t{CropOffset} + Info.output_width > std::uint64_t(Width)) {
    Fail("unexpected crop from the JPEG library");
  }

  std::vector<JSAMPLE> Row(std::size_t{Info.output_width} * Info.output_components);
  const std::size_t Skip = (Span.FirstColumn - CropOffset) * std::size_t(Info.output_components);
  Guarded([&] {
    JSAMPROW Rows[1] = {Row.data()};
    while (Info.output_scanline < static_cast<JDIMENSION>(Span.Rows)) {
      std::uint8_t* Out = Window.Row(static_cast<std::int32_t>(Info.output_scanline)) +
                          std::size_t(Span.TargetColumn) * 3;
      if (jpeg_read_scanlines(&Info, Rows, 1) != 1) ERREXIT(&Info, JERR_INPUT_EOF);
      if (Cmyk) {
        ConvertCmyk(Row.data() + Skip, Out, Span.Columns, Inverted);
      } else {
        std::memcpy(Out, Row.data() + Skip, std::size_t(Span.Columns) * 3);
      }
    }
    jpeg_abort_decompress(&Info);
  });
}

}  // namespace skyrelle::imaging
