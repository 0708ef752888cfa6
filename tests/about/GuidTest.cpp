#include "about/Guid.h"

#include <gtest/gtest.h>

#include <set>

namespace skyrelle::about {
namespace {

TEST(GuidTest, TextFormIsBracedUpperCaseHexadecimal) {
  constexpr TGUID id = GUIDFromText("{0b5c1a6e-2F44-4C1B-9A57-3D1E2F6A7B80}");
  EXPECT_EQ(GUIDToString(id), "{0B5C1A6E-2F44-4C1B-9A57-3D1E2F6A7B80}");
}

TEST(GuidTest, NewRandomGuidsAreVersionFourAndDiffer) {
  std::set<std::string> seen;
  for (int i = 0; i < 64; ++i) {
    const TGUID id = NewRandomGUID();
    EXPECT_EQ(id.D3 >> 12, 4) << "version";
    EXPECT_EQ(id.D4[0] >> 6, 2) << "variant";
    seen.insert(GUIDToString(id));
  }
  EXPECT_EQ(seen.size(), 64u);
}

}  // namespace
}  // namespace skyrelle::about
