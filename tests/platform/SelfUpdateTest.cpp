#include "platform/SelfUpdate.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "PlatformTestSupport.h"

namespace skyrelle::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test_support::TScopedVariable;
using test_support::TTempFolder;

int ModeOf(const std::string& APath) {
  struct stat info {};
  return ::lstat(APath.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

class PrivateFolder : public ::testing::Test {
 protected:
  std::string Own() const { return FTemporary / ("skyrelle-" + std::to_string(::geteuid())); }

  TTempFolder FTemporary;
  TTempFolder FRuntime;
  TScopedVariable FTmpDir{"TMPDIR", FTemporary.Path()};
};

TEST_F(PrivateFolder, IsTheRuntimeFolderWhenItIsPrivate) {
  fs::permissions(FRuntime.Path(), fs::perms(0700));
  const TScopedVariable runtime("XDG_RUNTIME_DIR", FRuntime.Path() + "//");
  EXPECT_EQ(PrivateRuntimeFolder(), FRuntime.Path());
  EXPECT_FALSE(fs::exists(Own()));
}

TEST_F(PrivateFolder, IsMadeInTheTemporaryFolderWithoutARuntimeFolder) {
  const std::optional<std::string> runtimes[] = {std::nullopt, "", "run"};
  for (const std::optional<std::string>& runtime : runtimes) {
    SCOPED_TRACE(runtime.value_or("unset"));
    const TScopedVariable variable("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(PrivateRuntimeFolder(), Own());
    EXPECT_EQ(ModeOf(Own()), 0700);
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(Own())));
  }
}

TEST_F(PrivateFolder, RefusesAFolderThatOthersCouldHavePreparedOrCanReach) {
  const TScopedVariable noRuntime("XDG_RUNTIME_DIR", std::nullopt);
  const struct {
    const char* Name;
    std::function<void(const std::string&)> Prepare;
    bool RootOnly;
  } cases[] = {
      {"open to others",
       [](const std::string& AFolder) {
         fs::create_directory(AFolder);
         fs::permissions(AFolder, fs::perms(0755));
       },
       false},
      {"a link to a private folder",
       [this](const std::string& AFolder) {
         fs::permissions(FRuntime.Path(), fs::perms(0700));
         fs::create_directory_symlink(FRuntime.Path(), AFolder);
       },
       false},
      {"a file", [](const std::string& AFolder) { std::ofstream(AFolder) << "x"; }, false},
      {"another user's",
       [](const std::string& AFolder) {
         fs::create_directory(AFolder);
         fs::permissions(AFolder, fs::perms(0700));
         ASSERT_EQ(::chown(AFolder.c_str(), 65534, 65534), 0);
       },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.RootOnly && ::geteuid() != 0) continue;
    c.Prepare(Own());
    EXPECT_THROW(PrivateRuntimeFolder(), std::runtime_error);
    fs::remove(Own());
  }
  fs::permissions(FRuntime.Path(), fs::perms(0755));
  const TScopedVariable runtime("XDG_RUNTIME_DIR", FRuntime.Path());
  EXPECT_THROW(PrivateRuntimeFolder(), std::runtime_error);
}

TEST(MayReplaceProgramFile, OnlyTheUsersOwnWritableFileOutsideTheSystemsFolders) {
  TTempFolder folder;
  const std::string own = folder.Path() + "/Skyrelle";
  std::ofstream(own) << "program";
  fs::create_symlink("/usr/bin/env", folder.Path() + "/link");
  EXPECT_TRUE(MayReplaceProgramFile(own));
  EXPECT_FALSE(MayReplaceProgramFile("/usr/bin/env"));
  EXPECT_FALSE(MayReplaceProgramFile(folder.Path() + "/link"));
  EXPECT_FALSE(MayReplaceProgramFile(folder.Path() + "/missing"));
  EXPECT_FALSE(MayReplaceProgramFile(folder.Path()));
  EXPECT_FALSE(MayReplaceProgramFile(""));
}

TEST(StartDetachedProcess, StartsInASessionOfItsOwnWithNothingOfOurs) {
  TTempFolder folder;
  const std::string pidFile = folder.Path() + "/pid";
  const int leaked = ::open("/dev/null", O_RDONLY);  // without close-on-exec
  ASSERT_TRUE(StartDetachedProcess(
      {"/bin/sh", "-c", "echo $$ > \"$0.part\" && mv \"$0.part\" \"$0\" && exec sleep 30",
       pidFile}));
  ::close(leaked);
  EXPECT_FALSE(StartDetachedProcess({folder.Path() + "/missing"}));

  ASSERT_TRUE(test_support::WaitUntil([&] { return fs::exists(pidFile); }, 10s));
  pid_t pid = 0;
  std::ifstream(pidFile) >> pid;
  ASSERT_GT(pid, 0);
  // Once sleep has replaced the shell, what it holds is what it was given.
  ASSERT_TRUE(test_support::WaitUntil(
      [pid] {
        std::error_code error;
        return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error).filename() ==
               "sleep";
      },
      10s));

  std::vector<std::string> descriptors;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
    descriptors.push_back(entry.path().filename().string() + " " +
                          fs::read_symlink(entry.path()).string());
  std::sort(descriptors.begin(), descriptors.end());
  EXPECT_EQ(descriptors, (std::vector<std::string>{"0 /dev/null", "1 /dev/null", "2 /dev/null"}));
  std::string stat;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string state;
  long parent = 0, group = 0, session = 0;
  fields >> state >> parent >> group >> session;
  EXPECT_EQ(session, pid);

  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

}  // namespace
}  // namespace skyrelle::platform
