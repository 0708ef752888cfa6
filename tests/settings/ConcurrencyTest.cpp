#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "StoreFixture.h"
#include "settings/Registry.h"

namespace skyrelle::settings::testing {
namespace {

constexpr const char* EngineKey = "\\Software\\Halvorn\\hvnSkyrelle";

// Child processes report through their exit code; gtest assertions stay in the parent.
pid_t Spawn(int StartPipe, const std::function<int()>& Body) {
  const pid_t child = fork();
  if (child == 0) {
    char go = 0;
    int code = 99;
    if (read(StartPipe, &go, 1) == 1) {
      try {
        code = Body();
      } catch (const std::exception& error) {
        std::fprintf(stderr, "child %d: %s\n", static_cast<int>(getpid()), error.what());
        code = 98;
      }
    }
    _exit(code);
  }
  return child;
}

int ExitCode(pid_t Child) {
  int status = 0;
  waitpid(Child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ConcurrencyTest : public StoreFixture {};

// Both copies start on a store that does not exist yet, so they also race to create it.
TEST_F(ConcurrencyTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int Count = 150;
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> children;
  for (const char* prefix : {"A", "B"}) {
    children.push_back(Spawn(start[0], [prefix] {
      for (int i = 0; i < Count; ++i) {
        // One accessor per write, as the program opens the key for each save.
        TRegistry reg(KEY_READ | KEY_WRITE);
        if (!reg.OpenKey(EngineKey, true)) return 1;
        reg.WriteInteger(std::string(prefix) + std::to_string(i), i);
        reg.WriteString("Shared", prefix);
      }
      return 0;
    }));
  }
  ASSERT_EQ(write(start[1], "go", 2), 2);
  close(start[0]);
  close(start[1]);
  for (const pid_t child : children) EXPECT_EQ(ExitCode(child), 0);

  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  for (const char* prefix : {"A", "B"}) {
    for (int i = 0; i < Count; ++i) {
      const std::string name = std::string(prefix) + std::to_string(i);
      ASSERT_TRUE(reg.ValueExists(name)) << name;
      EXPECT_EQ(reg.ReadInteger(name), i);
    }
  }
  const std::string shared = reg.ReadString("Shared");
  EXPECT_TRUE(shared == "A" || shared == "B") << shared;
}

// A process killed in the middle of its writes leaves a store that opens and holds, for
// each value, a value that was completely written.
TEST_F(ConcurrencyTest, KilledWriterLeavesASoundStore) {
  {
    TRegistry reg(KEY_READ | KEY_WRITE);
    ASSERT_TRUE(reg.OpenKey(EngineKey, true));
    reg.WriteString("History", "start");
  }
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  const pid_t child = Spawn(start[0], [] {
    TRegistry reg(KEY_READ | KEY_WRITE);
    if (!reg.OpenKey(EngineKey, true)) return 1;
    for (int i = 0;; ++i) reg.WriteString("History", std::string(1000 + i % 1000, 'h'));
  });
  ASSERT_EQ(write(start[1], "g", 1), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(child, SIGKILL);
  EXPECT_EQ(ExitCode(child), 128 + SIGKILL);
  close(start[0]);
  close(start[1]);

  TRegistry reg(KEY_READ | KEY_WRITE);
  ASSERT_TRUE(reg.OpenKey(EngineKey, false));
  const std::string history = reg.ReadString("History");
  EXPECT_TRUE(history == "start" ||
              (history.size() >= 1000 && history.find_first_not_of('h') == std::string::npos))
      << history.size();
  reg.WriteString("History", "after");
  EXPECT_EQ(reg.ReadString("History"), "after");
}

}  // namespace
}  // namespace skyrelle::settings::testing
