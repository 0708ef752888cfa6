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
  auto* state = static_cast<TJpegDecoder::TState*>(Common->client_data);
  (*Common->err->format_message)(Common, state->Message);
  std::longjmp(state->Jump, 1);
}

// Runs inside the library, so nothing here may own memory: the jump skips destructors.
void CheckScanCount(j_common_ptr Common) {
  const auto* info = reinterpret_cast<j_decompress_ptr>(Common);
  auto* state = static_cast<TJpegDecoder::TState*>(Common->client_data);
  if (info->input_scan_number <= state->ScanLimit) return;
  std::snprintf(state->Message, sizeof state->Message, "too many scans (more than %d)",
                state->ScanLimit);
  std::longjmp(state->Jump, 1);
}

// Missing data would come out as grey filler, so it is an error; other warnings (stray bytes
// between markers and the like) leave the pixels intact and are let through silently.
void EmitMessage(j_common_ptr Common, int Level) {
  if (Level >= 0) return;
  const int code = Common->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) ExitWithError(Common);
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
  TJpegDecoder::TState& state = StateOf(Info);
  const std::uint64_t size = state.Source->Size();
  const std::uint64_t left = state.NextOffset < size ? size - state.NextOffset : 0;
  const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, state.Buffer.size()));
  if (count == 0 || !state.Source->ReadAt(state.NextOffset, state.Buffer.data(), count)) {
    static const JOCTET EndOfImage[] = {0xFF, JPEG_EOI};
    WARNMS(Info, JWRN_JPEG_EOF);
    state.Reader.next_input_byte = EndOfImage;
    state.Reader.bytes_in_buffer = sizeof EndOfImage;
    return TRUE;
  }
  state.NextOffset += count;
  state.Reader.next_input_byte = state.Buffer.data();
  state.Reader.bytes_in_buffer = count;
  return TRUE;
}

// Skips within the loaded piece, or moves the next read beyond it; the library loads again when
// it finds the buffer empty.
void SkipInputData(j_decompress_ptr Info, long Count) {
  if (Count <= 0) return;
  jpeg_source_mgr& reader = StateOf(Info).Reader;
  const auto skip = static_cast<std::uint64_t>(Count);
  if (skip <= reader.bytes_in_buffer) {
    reader.next_input_byte += skip;
    reader.bytes_in_buffer -= static_cast<std::size_t>(skip);
    return;
  }
  StateOf(Info).NextOffset += skip - reader.bytes_in_buffer;
  reader.bytes_in_buffer = 0;
}

std::uint8_t Multiply(std::uint32_t A, std::uint32_t B) {
  return static_cast<std::uint8_t>((A * B + 127) / 255);
}

// Adobe-marked CMYK is stored inverted (0 means full ink).
void ConvertCmyk(const JSAMPLE* In, std::uint8_t* Out, std::int32_t Count, bool Inverted) {
  for (std::int32_t i = 0; i < Count; ++i, In += 4, Out += 3) {
    const std::uint32_t k = Inverted ? In[3] : 255U - In[3];
    for (int c = 0; c < 3; ++c) Out[c] = Multiply(Inverted ? In[c] : 255U - In[c], k);
  }
}

}  // namespace

TJpegDecoder::TJpegDecoder(std::string FileName, std::unique_ptr<IByteSource> Source)
    : FFileName(std::move(FileName)),
      FSource(std::move(Source)),
      FState(std::make_unique<TState>()) {
  std::uint8_t signature[3];
  if (!FSource->ReadAt(0, signature, sizeof signature) || signature[0] != 0xFF ||
      signature[1] != 0xD8 || signature[2] != 0xFF) {
    Fail("not a JPEG picture");
  }
  TState& state = *FState;
  state.Source = FSource.get();
  state.Buffer.resize(
      static_cast<std::size_t>(std::min<std::uint64_t>(FSource->Size(), ReadChunkSize)));
  state.Reader.init_source = InitSource;
  state.Reader.fill_input_buffer = FillInputBuffer;
  state.Reader.skip_input_data = SkipInputData;
  state.Reader.resync_to_restart = jpeg_resync_to_restart;
  state.Reader.term_source = TermSource;
  state.Info.err = jpeg_std_error(&state.Errors);
  state.Errors.error_exit = ExitWithError;
  state.Errors.emit_message = EmitMessage;
  state.Info.client_data = &state;
  state.Progress.progress_monitor = CheckScanCount;
  Guarded([&] {
    jpeg_create_decompress(&state.Info);
    state.Created = true;
    state.Info.mem->max_memory_to_use = static_cast<long>(MaxBufferedBytes + OtherBuffersAllowance);
    state.Info.src = &state.Reader;
    state.Info.progress = &state.Progress;
    jpeg_read_header(&state.Info, TRUE);
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
  const jpeg_decompress_struct& info = FState->Info;
  std::uint64_t blocks = 0;
  for (int i = 0; i < info.num_components; ++i) {
    const jpeg_component_info& component = info.comp_info[i];
    const auto roundUp = [](std::uint64_t Value, std::uint64_t Step) {
      return (Value + Step - 1) / Step * Step;
    };
    blocks += roundUp(component.width_in_blocks, component.h_samp_factor) *
              roundUp(component.height_in_blocks, component.v_samp_factor);
  }
  const std::uint64_t bytes = blocks * sizeof(JBLOCK);
  if (bytes > MaxBufferedBytes) {
    Fail("progressive picture too large to decode (" + std::to_string(bytes >> 20) +
         " MB of coefficients, at most " + std::to_string(MaxBufferedBytes >> 20) + " MB)");
  }
  FState->ScanLimit = static_cast<int>(
      std::clamp<std::uint64_t>(MaxBlockScans / std::max<std::uint64_t>(blocks, 1), 1, MaxScans));
}

void TJpegDecoder::DrawWindow(std::int32_t Left, TRgbImage& Window) {
  const TWindowSpan span = ClipWindow(Size(), Left, Window);
  if (span.Empty()) return;
  jpeg_decompress_struct& info = FState->Info;
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  const bool inverted = cmyk && info.saw_Adobe_marker;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  if (jpeg_has_multiple_scans(&info)) LimitBufferedWork();

  // Smooth upsampling reads one chroma sample beyond each edge of a crop: one more iMCU on each
  // side keeps the window's pixels equal to those of a whole decode.
  const std::int64_t widening = std::int64_t{info.max_h_samp_factor} * DCTSIZE;
  const std::int64_t width = info.image_width;
  const std::int64_t cropStart = std::max<std::int64_t>(span.FirstColumn - widening, 0);
  const std::int64_t cropEnd =
      std::min<std::int64_t>(std::int64_t{span.FirstColumn} + span.Columns + widening, width);
  JDIMENSION cropOffset = 0;
  Guarded([&] {
    jpeg_start_decompress(&info);
    if (cropStart > 0 || cropEnd < width) {
      JDIMENSION offset = static_cast<JDIMENSION>(cropStart);
      JDIMENSION columns = static_cast<JDIMENSION>(cropEnd - cropStart);
      jpeg_crop_scanline(&info, &offset, &columns);
      cropOffset = offset;
    }
  });
  if (cropOffset > static_cast<JDIMENSION>(span.FirstColumn) ||
      std::uint64_t{cropOffset} + info.output_width < std::uint64_t(cropEnd) ||
      std::uint64_t{cropOffset} + info.output_width > std::uint64_t(width)) {
    Fail("unexpected crop from the JPEG library");
  }

  std::vector<JSAMPLE> row(std::size_t{info.output_width} * info.output_components);
  const std::size_t skip = (span.FirstColumn - cropOffset) * std::size_t(info.output_components);
  Guarded([&] {
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < static_cast<JDIMENSION>(span.Rows)) {
      std::uint8_t* out = Window.Row(static_cast<std::int32_t>(info.output_scanline)) +
                          std::size_t(span.TargetColumn) * 3;
      if (jpeg_read_scanlines(&info, rows, 1) != 1) ERREXIT(&info, JERR_INPUT_EOF);
      if (cmyk) {
        ConvertCmyk(row.data() + skip, out, span.Columns, inverted);
      } else {
        std::memcpy(out, row.data() + skip, std::size_t(span.Columns) * 3);
      }
    }
    jpeg_abort_decompress(&info);
  });
}

}  // namespace skyrelle::imaging
