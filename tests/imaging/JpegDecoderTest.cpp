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
  const TJpegCase& Case = GetParam();
  const TBytes Data = EncodeJpeg(PhotoLikeSamples(141, 37, Case.Channels), Case.Options);
  const TRgbImage Whole = DecodeWholeJpeg(Data);
  TTempFolder Folder;
  const std::string FileName = Folder.Write("picture.jpg", Data);
  std::vector<TWindowCase> Windows = InterestingWindows(Whole.Width(), Whole.Height());
  // Every column offset across two iMCUs, so each crop alignment is met.
  for (std::int32_t Left = 30; Left < 62; ++Left) Windows.push_back({Left, 19, 21});
  for (const TWindowCase& Window : Windows) {
    SCOPED_TRACE(::testing::Message() << "window left " << Window.Left << ", " << Window.Width
                                      << " x " << Window.Height);
    EXPECT_EQ(FirstDifference(DecodeWindow(FileName, Window),
                              CropOnWhite(Whole, Window.Left, Window.Width, Window.Height)),
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
  for (const TCase& Case : {TCase{false, {255, 0, 0, 0}}, TCase{true, {0, 255, 255, 255}}}) {
    TSamples Samples{16, 16, 4, {}};
    for (int I = 0; I < 256; ++I)
      Samples.Values.insert(Samples.Values.end(), Case.Ink, Case.Ink + 4);
    const TBytes Data = EncodeJpeg(Samples, {.HorizontalSampling = 1,
                                             .VerticalSampling = 1,
                                             .AdobeMarker = Case.Adobe,
                                             .Quality = 100});
    TTempFolder Folder;
    const TRgbImage Image = DecodeWindow(Folder.Write("cyan.jpg", Data), {0, 16, 16});
    const std::uint8_t* Pixel = Image.Row(8) + 8 * 3;
    EXPECT_LE(Pixel[0], 2) << "Adobe " << Case.Adobe;
    EXPECT_GE(Pixel[1], 253) << "Adobe " << Case.Adobe;
    EXPECT_GE(Pixel[2], 253) << "Adobe " << Case.Adobe;
  }
}

// --- Broken files ------------------------------------------------------------------------------

// Another program rewrites the picture while a render has it open: the data the decoder has not
// read yet is gone.
TEST(JpegDecoderTest, AFileCutShortAfterOpeningFailsWithAClearError) {
  const TBytes Data = EncodeJpeg(PhotoLikeSamples(1600, 1200, 3),
                                 {.HorizontalSampling = 1, .VerticalSampling = 1, .Quality = 100});
  ASSERT_GT(Data.size(), 2 * TJpegDecoder::ReadChunkSize) << "the cut must fall beyond a chunk";
  TTempFolder Folder;
  const std::string FileName = Folder.Write("shrinking.jpg", Data);
  TPicture Picture(FileName);
  std::filesystem::resize_file(FileName, Data.size() / 2);
  TRgbImage Window(1600, 1200);
  try {
    Picture.DrawWindow(0, Window);
    FAIL() << "decoded without an error";
  } catch (const EImageError& Error) {
    const std::string Text = Error.what();
    EXPECT_NE(Text.find(FileName), std::string::npos) << Text;
    EXPECT_NE(Text.find("Premature end of JPEG file"), std::string::npos) << Text;
  }
}

TBytes Baseline() { return EncodeJpeg(PhotoLikeSamples(64, 48, 3), {}); }

// The picture's start-of-frame marker set to claim Width x Height.
TBytes WithFrameSize(TBytes Data, std::uint16_t Width, std::uint16_t Height) {
  for (std::size_t I = 0; I + 8 < Data.size(); ++I) {
    if (Data[I] == 0xFF && (Data[I + 1] == 0xC0 || Data[I + 1] == 0xC2)) {
      Data[I + 5] = static_cast<std::uint8_t>(Height >> 8);
      Data[I + 6] = static_cast<std::uint8_t>(Height);
      Data[I + 7] = static_cast<std::uint8_t>(Width >> 8);
      Data[I + 8] = static_cast<std::uint8_t>(Width);
      break;
    }
  }
  return Data;
}

// A progressive picture whose first scan (DC values, which read the same however often they
// come) is repeated Extra more times.
TBytes WithRepeatedFirstScan(int Extra) {
  const TBytes Data = EncodeJpeg(PhotoLikeSamples(16, 16, 3), {.Progressive = true});
  std::vector<std::ptrdiff_t> Scans;
  for (std::size_t I = 0; I + 1 < Data.size(); ++I)
    if (Data[I] == 0xFF && Data[I + 1] == 0xDA) Scans.push_back(static_cast<std::ptrdiff_t>(I));
  TBytes Result(Data.begin(), Data.begin() + Scans.at(1));
  for (int I = 0; I < Extra; ++I)
    Result.insert(Result.end(), Data.begin() + Scans.at(0), Data.begin() + Scans.at(1));
  Result.insert(Result.end(), Data.begin() + Scans.at(1), Data.end());
  return Result;
}

class BrokenJpegTest : public ::testing::TestWithParam<TBrokenCase> {};

TEST_P(BrokenJpegTest, FailsWithAClearErrorNamingTheFile) {
  TTempFolder Folder;
  ExpectClearError(Folder.Write("broken.jpg", GetParam().Make()), {0, 64, 48}, GetParam().Reason);
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
