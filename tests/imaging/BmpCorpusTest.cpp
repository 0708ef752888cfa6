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
  const std::filesystem::path Fuzz = SKYRELLE_FUZZ_FOLDER;
  for (const char* Folder : {"corpus", "regressions"}) {
    for (const auto& Entry : std::filesystem::directory_iterator(Fuzz / Folder)) {
      if (Entry.path().filename().string().starts_with(".")) continue;
      const TBytes Data = ReadFile(Entry.path().string());
      SCOPED_TRACE(Entry.path().string());
      try {
        TBmpDecoder Decoder(Entry.path().string(), std::make_unique<TMemorySource>(Data));
        TRgbImage Window(64, 64);
        Decoder.DrawWindow(-2, Window);
      } catch (const EImageError& Error) {
        EXPECT_EQ(std::string(Folder), "regressions") << Error.what();
      }
    }
  }
}

}  // namespace
}  // namespace skyrelle::imaging
