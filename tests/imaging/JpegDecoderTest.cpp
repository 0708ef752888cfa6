#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "ImageFixtures.h"
#include "imaging/ImageError.h"
#include "imaging/JpegDecoder.h"
#include "imaging/Picture.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

struct TJpegCase {
  const char* Name;
  std::int32_t Channels;
  TJpegOptions Options;
};

void PrintTo(const TJpegCase& Case, std::ostream* Out) { *Out << Case.Name; }

class JpegVariantTest : public ::testing::TestWithParam<TJpegCase> {};

// Sizes that are not multiples of any block or iMCU, wide enough for windows away from both
// edges.
TEST_P(JpegVariantTest, EveryWindowMatchesAWholeDecode) {
  const TJpegCase& c = GetParam();
  const TBytes data = EncodeJpeg(PhotoLikeSamples(141, 37, c.Channels), c.Options);
  const TRgbImage whole = DecodeWholeJpeg(data);
  TTempFolder folder;
  const std::string fileName = folder.Write("picture.jpg", data);
  std::vector<TWindowCase> windows = InterestingWindows(whole.Width(), whole.Height());
  // Every column offset across two iMCUs, so each crop alignment is met.
  for (std::int32_t left = 30; left < 62; ++left) windows.push_back({left, 19, 21});
  for (const TWindowCase& window : windows) {
    SCOPED_TRACE(::testing::Message() << "window left " << window.Left << ", " << window.Width
                                      << " x " << window.Height);
    EXPECT_EQ(FirstDifference(DecodeWindow(fileName, window),
                              CropOnWhite(whole, window.Left, window.Width, window.Height)),
              "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, JpegVariantTest,
    ::testing::Values(
        TJpegCase{"Sampling444", 3, {.HorizontalSampling = 1, .VerticalSampling = 1}},
        TJpegCase{"Sampling422", 3, {.HorizontalSampling = 2, .VerticalSampling = 1}},
        TJpegCase{"Sampling420", 3, {}},
        TJpegCase{"Sampling440", 3, {.HorizontalSampling = 1, .VerticalSampling = 2}},
        TJpegCase{"Sampling411", 3, {.HorizontalSampling = 4, .VerticalSampling = 1}},
        TJpegCase{"Greyscale", 1, {.HorizontalSampling = 1, .VerticalSampling = 1}},
        TJpegCase{"CmykAdobeInverted", 4, {.HorizontalSampling = 1, .VerticalSampling = 1}},
        TJpegCase{
            "CmykPlain", 4, {.HorizontalSampling = 1, .VerticalSampling = 1, .AdobeMarker = false}},
        TJpegCase{"Progressive420", 3, {.Progressive = true}},
        TJpegCase{"ProgressiveGreyscale",
                  1,
                  {.HorizontalSampling = 1, .VerticalSampling = 1, .Progressive = true}},
        TJpegCase{"RestartIntervals", 3, {.RestartRows = 1}},
        // Skipped segments that end beyond the first piece of the file read.
        TJpegCase{"CommentsLongerThanAReadChunk",
                  3,
                  {.CommentBytes = TJpegDecoder::ReadChunkSize * 3 / 2}}),
    [](const ::testing::TestParamInfo<TJpegCase>& Info) { return Info.param.Name; });

TEST(JpegDecoderTest, CmykInksBecomeTheirRgbColours) {
  // Cyan ink alone, stored plainly and Adobe-inverted.
  struct TCase {
    bool Adobe;
    std::uint8_t Ink[4];
  };
  for (const TCase& c : {TCase{false, {255, 0, 0, 0}}, TCase{true, {0, 255, 255, 255}}}) {
    TSamples samples{16, 16, 4, {}};
    for (int i = 0; i < 256; ++i) samples.Values.insert(samples.Values.end(), c.Ink, c.Ink + 4);
    const TBytes data = EncodeJpeg(
        samples,
        {.HorizontalSampling = 1, .VerticalSampling = 1, .AdobeMarker = c.Adobe, .Quality = 100});
    TTempFolder folder;
    const TRgbImage image = DecodeWindow(folder.Write("cyan.jpg", data), {0, 16, 16});
    const std::uint8_t* pixel = image.Row(8) + 8 * 3;
    EXPECT_LE(pixel[0], 2) << "Adobe " << c.Adobe;
    EXPECT_GE(pixel[1], 253) << "Adobe " << c.Adobe;
    EXPECT_GE(pixel[2], 253) << "Adobe " << c.Adobe;
  }
}

// --- Broken files ------------------------------------------------------------------------------

// Another program rewrites the picture while a render has it open: the data the decoder has not
// read yet is gone.
TEST(JpegDecoderTest, AFileCutShortAfterOpeningFailsWithAClearError) {
  const TBytes data = EncodeJpeg(PhotoLikeSamples(1600, 1200, 3),
                                 {.HorizontalSampling = 1, .VerticalSampling = 1, .Quality = 100});
  ASSERT_GT(data.size(), 2 * TJpegDecoder::ReadChunkSize) << "the cut must fall beyond a chunk";
  TTempFolder folder;
  const std::string fileName = folder.Write("shrinking.jpg", data);
  TPicture picture(fileName);
  std::filesystem::resize_file(fileName, data.size() / 2);
  TRgbImage window(1600, 1200);
  try {
    picture.DrawWindow(0, window);
    FAIL() << "decoded without an error";
  } catch (const EImageError& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find(fileName), std::string::npos) << text;
    EXPECT_NE(text.find("Premature end of JPEG file"), std::string::npos) << text;
  }
}

TBytes Baseline() { return EncodeJpeg(PhotoLikeSamples(64, 48, 3), {}); }

// The picture's start-of-frame marker set to claim Width x Height.
TBytes WithFrameSize(TBytes Data, std::uint16_t Width, std::uint16_t Height) {
  for (std::size_t i = 0; i + 8 < Data.size(); ++i) {
    if (Data[i] == 0xFF && (Data[i + 1] == 0xC0 || Data[i + 1] == 0xC2)) {
      Data[i + 5] = static_cast<std::uint8_t>(Height >> 8);
      Data[i + 6] = static_cast<std::uint8_t>(Height);
      Data[i + 7] = static_cast<std::uint8_t>(Width >> 8);
      Data[i + 8] = static_cast<std::uint8_t>(Width);
      break;
    }
  }
  return Data;
}

// A progressive picture whose first scan (DC values, which read the same however often they
// come) is repeated Extra more times.
TBytes WithRepeatedFirstScan(int Extra) {
  const TBytes data = EncodeJpeg(PhotoLikeSamples(16, 16, 3), {.Progressive = true});
  std::vector<std::ptrdiff_t> scans;
  for (std::size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == 0xFF && data[i + 1] == 0xDA) scans.push_back(static_cast<std::ptrdiff_t>(i));
  TBytes result(data.begin(), data.begin() + scans.at(1));
  for (int i = 0; i < Extra; ++i)
    result.insert(result.end(), data.begin() + scans.at(0), data.begin() + scans.at(1));
  result.insert(result.end(), data.begin() + scans.at(1), data.end());
  return result;
}

class BrokenJpegTest : public ::testing::TestWithParam<TBrokenCase> {};

TEST_P(BrokenJpegTest, FailsWithAClearErrorNamingTheFile) {
  TTempFolder folder;
  ExpectClearError(folder.Write("broken.jpg", GetParam().Make()), {0, 64, 48}, GetParam().Reason);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, BrokenJpegTest,
    ::testing::Values(
        TBrokenCase{"PngData",
                    [] {
                      return EncodePng(1, 1, {}, {1, 2, 3});
                    },
                    "not a JPEG picture"},
        TBrokenCase{"Empty", [] { return TBytes{}; }, "not a JPEG picture"},
        TBrokenCase{"HeaderOnly", [] { return TBytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 16}; }, ""},
        TBrokenCase{"CutInTheMiddle",
                    [] {
                      TBytes Data = Baseline();
                      Data.resize(Data.size() * 2 / 3);
                      return Data;
                    },
                    "Premature end"},
        TBrokenCase{"CorruptEntropyData",
                    [] {
                      TBytes Data = Baseline();
                      // A marker in the middle of the scan cuts it short.
                      Data[Data.size() / 2] = 0xFF;
                      Data[Data.size() / 2 + 1] = 0xD9;
                      return Data;
                    },
                    "Corrupt JPEG data"},
        TBrokenCase{"AbsurdProgressive",
                    [] {
                      return WithFrameSize(
                          EncodeJpeg(PhotoLikeSamples(16, 16, 3), {.Progressive = true}), 65000,
                          65000);
                    },
                    "too large"},
        TBrokenCase{"EndlessScans", [] { return WithRepeatedFirstScan(TJpegDecoder::MaxScans); },
                    "too many scans"},
        // Nothing picture-sized is allocated before the missing data shows.
        TBrokenCase{"LyingBaselineSize", [] { return WithFrameSize(Baseline(), 65000, 65000); },
                    "premature end of data segment"}),
    [](const ::testing::TestParamInfo<TBrokenCase>& Info) { return Info.param.Name; });

}  // namespace
}  // namespace skyrelle::imaging
