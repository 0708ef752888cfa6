#include <gtest/gtest.h>

#include <filesystem>

#include "ImageFixtures.h"
#include "imaging/BmpDecoder.h"
#include "imaging/ImageError.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

// The fuzzer's seeds decode; the inputs it once broke the decoder with now decode or fail
// cleanly.
TEST(BmpCorpusTest, SeedsDecodeAndFoundCrashersFailCleanly) {
  const std::filesystem::path fuzz = SKYRELLE_FUZZ_FOLDER;
  for (const char* folder : {"corpus", "regressions"}) {
    for (const auto& entry : std::filesystem::directory_iterator(fuzz / folder)) {
      if (entry.path().filename().string().starts_with(".")) continue;
      const TBytes data = ReadFile(entry.path().string());
      SCOPED_TRACE(entry.path().string());
      try {
        TBmpDecoder decoder(entry.path().string(), std::make_unique<TMemorySource>(data));
        TRgbImage window(64, 64);
        decoder.DrawWindow(-2, window);
      } catch (const EImageError& error) {
        EXPECT_EQ(std::string(folder), "regressions") << error.what();
      }
    }
  }
}

}  // namespace
}  // namespace skyrelle::imaging
