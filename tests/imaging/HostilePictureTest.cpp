#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>

#include "HostilePictures.h"
#include "ImageFixtures.h"
#include "imaging/ImageError.h"
#include "imaging/Picture.h"
#include "support/Process.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

// Generous bounds for one 1920 x 1080 window of any file: the benchmark holds the real figures.
constexpr double MaximumSeconds = 10;
constexpr long MaximumPeakKb = 512 * 1024;
constexpr TWindowCase Screen{0, 1920, 1080};

struct THostileCase {
  const char* Name;
  const char* FileName;
  std::function<void(const std::string&)> Make;
  const char* Reason;  // "" when the window must be drawn (all of it one colour, not white)
};
void PrintTo(const THostileCase& Case, std::ostream* Out) { *Out << Case.Name; }

struct TOutcome {
  std::string Text;  // the error, or "drawn" or "not drawn"
  double Seconds = 0;
  long PeakKb = 0;
};

// What the window of FileName gives, with the time and peak memory the decoding took on its
// own; the outcome's text comes back through the file Report.
TOutcome DecodeInChild(const std::string& FileName, const std::string& Report) {
  const auto Start = std::chrono::steady_clock::now();
  TChildProcess Child([&] {
    std::string Text;
    try {
      const TRgbImage Window = DecodeWindow(FileName, Screen);
      const std::uint8_t* First = Window.Row(0);
      bool Drawn = First[0] != 0xFF;
      for (std::int32_t Y = 0; Y < Window.Height(); ++Y) {
        const std::uint8_t* Row = Window.Row(Y);
        for (std::int32_t I = 0; I < Window.Width() * 3; ++I) Drawn = Drawn && Row[I] == First[0];
      }
      Text = Drawn ? "drawn" : "not drawn";
    } catch (const EImageError& Error) {
      Text = Error.what();
    }
    std::ofstream(Report, std::ios::binary) << Text;
    return 0;
  });
  TOutcome Outcome;
  EXPECT_EQ(Child.Wait(), 0);
  Outcome.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  Outcome.PeakKb = Child.PeakKilobytes();
  std::ifstream In(Report, std::ios::binary);
  Outcome.Text.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  return Outcome;
}

class HostilePictureTest : public ::testing::TestWithParam<THostileCase> {};

TEST_P(HostilePictureTest, CostsLittleAndEndsClearly) {
  const THostileCase& Case = GetParam();
  TTempFolder Folder;
  const std::string FileName = Folder / Case.FileName;
  Case.Make(FileName);
  const TOutcome Outcome = DecodeInChild(FileName, Folder / "outcome");
  if (*Case.Reason == '\0') {
    EXPECT_EQ(Outcome.Text, "drawn");
  } else {
    EXPECT_NE(Outcome.Text.find(FileName), std::string::npos) << Outcome.Text;
    EXPECT_NE(Outcome.Text.find(Case.Reason), std::string::npos) << Outcome.Text;
  }
  EXPECT_LT(Outcome.Seconds, MaximumSeconds);
  EXPECT_LT(Outcome.PeakKb, MaximumPeakKb);
}

THostileCase OversizedChunk(const char* Name, const char* Type) {
  return {Name, "chunk.png",
          [Type](const std::string& File) { WriteOversizedChunkPng(File, Type); },
          "truncated data"};
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostilePictureTest,
    ::testing::Values(
        OversizedChunk("HugeText", "tEXt"), OversizedChunk("HugeCompressedText", "zTXt"),
        OversizedChunk("HugeInternationalText", "iTXt"),
        OversizedChunk("HugeSuggestedPalette", "sPLT"), OversizedChunk("HugeUnknownChunk", "quIt"),
        THostileCase{
            "MillionWideRgba16", "wide.png",
            [](const std::string& File) { WriteZeroPng(File, 1000000, 1080, 16, 6, false); },
            "too large to decode"},
        THostileCase{"MillionWideInterlaced", "wide.png",
                     [](const std::string& File) { WriteZeroPng(File, 1000000, 4000, 8, 0, true); },
                     "too large to decode"},
        THostileCase{"ManyEmptyDataChunks", "chunks.png",
                     [](const std::string& File) { WriteEmptyChunkPng(File, 2000000); },
                     "far more data than its size needs"},
        THostileCase{"ProgressiveTooLargeToBuffer", "bomb.jpg",
                     [](const std::string& File) { WriteScanBombJpeg(File, 23000, 23000, 499); },
                     "too large to decode"},
        THostileCase{"ProgressiveWithEndlessScans", "bomb.jpg",
                     [](const std::string& File) { WriteScanBombJpeg(File, 8000, 8000, 499); },
                     "too many scans"},
        // Wide and tall, but within what the window allows: drawn.
        THostileCase{"WidePngWithinTheBudget", "wide.png",
                     [](const std::string& File) { WriteZeroPng(File, 200000, 1080, 8, 0, false); },
                     ""},
        THostileCase{"InterlacedPngWithinTheBudget", "wide.png",
                     [](const std::string& File) { WriteZeroPng(File, 30000, 4000, 8, 0, true); },
                     ""},
        THostileCase{"ProgressiveWithFewScans", "scans.jpg",
                     [](const std::string& File) { WriteScanBombJpeg(File, 4000, 4000, 20); }, ""}),
    [](const ::testing::TestParamInfo<THostileCase>& Info) { return Info.param.Name; });

}  // namespace
}  // namespace skyrelle::imaging
