#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "StoreFixture.h"
#include "settings/Registry.h"

namespace skyrelle::settings {
namespace {

using namespace test_support;

constexpr const char* EngineKey = "\\Software\\Halvorn\\hvnSkyrelle";
constexpr auto Patience = std::chrono::seconds(20);

class ConcurrencyTest : public StoreFixture {
 protected:
  // Children wait for it, so that they start at the same moment.
  void WaitForStart() const {
    if (!WaitUntil([this] { return std::filesystem::exists(FStart); }, Patience))
      throw std::runtime_error("no start");
  }
  void Start() const { WriteBytes(FStart, ""); }

 private:
  std::string FStart = FFolder / "start";
};

// Both copies start on a store that does not exist yet, so they also race to create it.
TEST_F(ConcurrencyTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int count = 150;
  std::vector<std::unique_ptr<TChildProcess>> children;
  for (const char* prefix : {"A", "B"}) {
    children.push_back(std::make_unique<TChildProcess>([this, prefix] {
      WaitForStart();
      for (int i = 0; i < count; ++i) {
        // One accessor per write, as the program opens the key for each save.
        TRegistry reg(KEY_READ | KEY_WRITE);
        if (!reg.OpenKey(EngineKey, true)) return 1;
        reg.WriteInteger(std::string(prefix) + std::to_string(i), i);
        reg.WriteString("Shared", prefix);
      }
      return 0;
    }));
  }
  Start();
  for (const auto& child : children) EXPECT_EQ(child->Wait(), 0);

  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  for (const char* prefix : {"A", "B"}) {
    for (int i = 0; i < count; ++i) {
      const std::string name = std::string(prefix) + std::to_string(i);
      ASSERT_TRUE(reg.ValueExists(name)) << name;
      EXPECT_EQ(reg.ReadInteger(name), i);
    }
  }
  const std::string shared = reg.ReadString("Shared");
  EXPECT_TRUE(shared == "A" || shared == "B") << shared;
}

std::string StoredHistory() {
  TRegistry reg(KEY_READ);
  return reg.OpenKey(EngineKey, false) ? reg.ReadString("History") : std::string();
}

// A process killed in the middle of its writes leaves a store that opens and holds, for
// each value, a value that was completely written.
TEST_F(ConcurrencyTest, KilledWriterLeavesASoundStore) {
  {
    TRegistry reg(KEY_READ | KEY_WRITE);
    ASSERT_TRUE(reg.OpenKey(EngineKey, true));
    reg.WriteString("History", "start");
  }
  TChildProcess writer([] {
    TRegistry reg(KEY_READ | KEY_WRITE);
    if (!reg.OpenKey(EngineKey, true)) return 1;
    for (int i = 0;; ++i) reg.WriteString("History", std::string(1000 + i % 1000, 'h'));
  });
  // Killed only once its writes have begun to land.
  ASSERT_TRUE(WaitUntil([] { return StoredHistory() != "start"; }, Patience));
  writer.Kill();
  EXPECT_EQ(writer.Wait(), 128 + SIGKILL);

  TRegistry reg(KEY_READ | KEY_WRITE);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  const std::string history = reg.ReadString("History");
  EXPECT_TRUE(history.size() >= 1000 && history.find_first_not_of('h') == std::string::npos)
      << history.size();
  reg.WriteString("History", "after");
  EXPECT_EQ(reg.ReadString("History"), "after");
}

}  // namespace
}  // namespace skyrelle::settings
