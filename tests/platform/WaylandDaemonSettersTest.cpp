#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "PlatformTestSupport.h"
#include "platform/linux/ProcessList.h"
#include "platform/linux/WaylandWallpaperSetters.h"

namespace skyrelle::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;
using namespace test_support;

std::uint32_t Grey(std::int32_t, std::int32_t) { return 0x808080; }

// Only the stand-ins this test started, so that tests running side by side leave each
// other's alone.
std::vector<pid_t> OurSwaybgs() {
  std::vector<pid_t> pids;
  for (const TProcess& process : RunningProcesses())
    if (process.ParentPid == ::getpid() && process.Name == "swaybg") pids.push_back(process.Pid);
  return pids;
}

bool EventuallyGone(pid_t Pid) {
  return WaitUntil([Pid] { return ProcessGone(Pid); }, std::chrono::seconds(10));
}

class SwaybgWallpaperSetter : public ::testing::Test {
 protected:
  void SetUp() override { WriteBitmap24(FFile, 2, 2, Grey); }
  void TearDown() override {
    for (const pid_t pid : OurSwaybgs()) ::kill(pid, SIGTERM);
  }
  void AddLastingSwaybg() const {
    FStandIns.Add("swaybg", "trap 'kill $! 2>/dev/null; exit 0' TERM; /bin/sleep 30 & wait");
  }

  TStandIns FStandIns;
  TScopedVariable FPath{"PATH", FStandIns.Folder()};
  TTempFolder FPictures{HostileFolder};
  std::string FFile = FPictures / HostileFile;
  std::unique_ptr<IWallpaperSetter> FSetter =
      MakeSwaybgWallpaperSetter(TCommandRunner(), OurSwaybgs);
};

TEST_F(SwaybgWallpaperSetter, ReplacesTheRunningSwaybg) {
  AddLastingSwaybg();
  ASSERT_TRUE(FSetter->SetWallpaper(FFile).Applied);
  const std::vector<pid_t> first = OurSwaybgs();
  ASSERT_EQ(first.size(), 1u);

  ASSERT_TRUE(FSetter->SetWallpaper(FFile).Applied);
  EXPECT_TRUE(EventuallyGone(first[0]));
  EXPECT_EQ(OurSwaybgs().size(), 1u);
  const TCall call = {"swaybg", "-i", FFile, "-m", "fill"};
  EXPECT_EQ(FStandIns.Calls(), (TCalls{call, call}));
}

TEST_F(SwaybgWallpaperSetter, KeepsTheOldOneWhenTheNewOneQuits) {
  AddLastingSwaybg();
  ASSERT_TRUE(FSetter->SetWallpaper(FFile).Applied);
  const std::vector<pid_t> first = OurSwaybgs();
  FStandIns.Add("swaybg", "exit 1");
  const TWallpaperResult result = FSetter->SetWallpaper(FFile);
  EXPECT_FALSE(result.Applied);
  EXPECT_EQ(result.Error, "swaybg ended at once with exit code 1");
  EXPECT_EQ(OurSwaybgs(), first);
}

TEST_F(SwaybgWallpaperSetter, ReportsAMissingSwaybg) {
  const TWallpaperResult result = FSetter->SetWallpaper(FFile);
  EXPECT_FALSE(result.Applied);
  EXPECT_EQ(result.Error, "swaybg was not found");
}

struct TConfigCase {
  const char* Name;
  std::string Before, After;
};

void PrintTo(const TConfigCase& Case, std::ostream* Out) { *Out << Case.Name; }

class WpaperdConfig : public ::testing::TestWithParam<TConfigCase> {};

TEST_P(WpaperdConfig, PointsEveryPathAtThePicture) {
  EXPECT_EQ(WpaperdConfigWithPath(GetParam().Before, "/p/it's \"a\" \\ \xC3\xA9.bmp"),
            GetParam().After);
}

const std::string P = "path = \"/p/it's \\\"a\\\" \\\\ \xC3\xA9.bmp\"";

INSTANTIATE_TEST_SUITE_P(
    Files, WpaperdConfig,
    ::testing::Values(TConfigCase{"Empty", "", "[any]\n" + P + "\n"},
                      TConfigCase{
                          "EveryDisplay",
                          "[default]\nduration = \"30m\"\n\n[any]\npath = \"/old/dir\"\nsorting = "
                          "\"random\"\n\n[DP-1] # left\n  path = '/x'  # mine\n",
                          "[default]\nduration = \"30m\"\n\n[any]\n" + P +
                              "\nsorting = \"random\"\n\n[DP-1] # left\n  " + P + "\n"},
                      TConfigCase{"AnyWithoutPath", "[any]\npathological = 1\n# c\n",
                                  "[any]\n" + P + "\npathological = 1\n# c\n"},
                      TConfigCase{"OtherSectionsOnly", "# mine\n[default]\nmode = \"fit\"",
                                  "# mine\n[default]\nmode = \"fit\"\n\n[any]\n" + P + "\n"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

class WpaperdWallpaperSetter : public ::testing::Test {
 protected:
  void SetUp() override { WriteBitmap24(FFile, 2, 2, Grey); }

  // The path the configuration holds, decoded.
  std::string ConfiguredPath(const std::string& Config) const {
    const std::string text = ReadWholeFile(Config);
    const auto start = text.find("path = ") + 7;
    return QuotedValue(text.substr(start, text.find('\n', start) - start));
  }

  TTempFolder FPictures{HostileFolder};
  std::string FFile = FPictures / HostileFile;
  TTempFolder FConfig;
  TScopedVariable FConfigHome{"XDG_CONFIG_HOME", FConfig.Path()};
};

TEST_F(WpaperdWallpaperSetter, WritesANewNameEachTime) {
  const auto setter = MakeWpaperdWallpaperSetter();
  const std::string config = FConfig / "wpaperd/config.toml";
  ASSERT_TRUE(setter->SetWallpaper(FFile).Applied);
  const std::string first = ConfiguredPath(config);
  EXPECT_EQ(ReadWholeFile(first), ReadWholeFile(FFile));

  ASSERT_TRUE(setter->SetWallpaper(FFile).Applied);
  const std::string second = ConfiguredPath(config);
  EXPECT_NE(second, first);
  EXPECT_EQ(ReadWholeFile(second), ReadWholeFile(FFile));
  EXPECT_FALSE(fs::exists(first));
}

TEST_F(WpaperdWallpaperSetter, KeepsToTheOlderFileName) {
  fs::create_directories(FConfig / "wpaperd");
  std::ofstream(FConfig / "wpaperd/wallpaper.toml") << "[eDP-1]\npath = \"/old\"\n";
  ASSERT_TRUE(MakeWpaperdWallpaperSetter()->SetWallpaper(FFile).Applied);
  EXPECT_FALSE(fs::exists(FConfig / "wpaperd/config.toml"));
  EXPECT_EQ(ReadWholeFile(ConfiguredPath(FConfig / "wpaperd/wallpaper.toml")),
            ReadWholeFile(FFile));
}

TEST_F(WpaperdWallpaperSetter, ReportsAnUnwritableConfiguration) {
  std::ofstream(FConfig / "blocker") << "a file where a folder should be";
  const TWallpaperResult result =
      MakeWpaperdWallpaperSetter(FConfig / "blocker/wpaperd/config.toml")->SetWallpaper(FFile);
  EXPECT_FALSE(result.Applied);
  EXPECT_THAT(result.Error, HasSubstr("blocker"));
  EXPECT_EQ(std::distance(fs::directory_iterator(FPictures.Path()), fs::directory_iterator()), 1)
      << "no name is left behind";
}

}  // namespace
}  // namespace skyrelle::platform
