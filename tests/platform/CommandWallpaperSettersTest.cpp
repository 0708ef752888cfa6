#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "PlatformTestSupport.h"
#include "platform/linux/DesktopEnvironmentSetters.h"
#include "platform/linux/Quoting.h"
#include "platform/linux/WaylandWallpaperSetters.h"

namespace skyrelle::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;
using namespace test_support;

using TMake = std::function<std::unique_ptr<IWallpaperSetter>(TCommandRunner)>;

struct TSetterCase {
  const char* Name;
  std::vector<std::pair<std::string, std::string>> StandIns;  // program, body when it works
  TMake Make;
  // The picture's name as the desktop received it, decoded from the recorded calls.
  std::function<std::string(const TCalls&)> Shown;
  std::function<TCalls(const std::string& Shown, const std::string& Previous)> Expected;
  bool NewNameEachTime = true;
};

void PrintTo(const TSetterCase& Case, std::ostream* Out) { *Out << Case.Name; }

std::uint32_t Pattern(std::int32_t X, std::int32_t Y) {
  return static_cast<std::uint32_t>((X * 40) << 16 | (Y * 60) << 8 | 7);
}

class CommandWallpaperSetter : public ::testing::TestWithParam<TSetterCase> {
 protected:
  void SetUp() override { WriteBitmap24(FFile, 4, 3, Pattern); }

  void AddStandIns(const std::string* Body = nullptr) const {
    for (const auto& [program, body] : GetParam().StandIns)
      FStandIns.Add(program, Body != nullptr ? *Body : body);
  }

  std::unique_ptr<IWallpaperSetter> Make(std::chrono::milliseconds Timeout = 5s) const {
    return GetParam().Make(TCommandRunner(Timeout));
  }

  // Every file in the picture's folder and the runtime folder.
  std::size_t FileCount() const {
    std::size_t count = 0;
    for (const auto& folder : {FPictures.Path(), FRuntime.Path()})
      for (const auto& entry : fs::recursive_directory_iterator(folder))
        count += entry.is_directory() ? 0 : 1;
    return count;
  }

  TStandIns FStandIns;
  TScopedVariable FPath{"PATH", FStandIns.Folder()};
  TTempFolder FPictures{HostileFolder};
  TTempFolder FRuntime;
  TScopedVariable FRuntimeDir{"XDG_RUNTIME_DIR", FRuntime.Path()};
  std::string FFile = FPictures / HostileFile;
};

TEST_P(CommandWallpaperSetter, HandsAnyFileNameToTheDesktopIntact) {
  AddStandIns();
  const TWallpaperResult result = Make()->SetWallpaper(FFile);
  ASSERT_TRUE(result.Applied) << result.Error;
  EXPECT_EQ(result.Error, "");
  const TCalls calls = FStandIns.Calls();
  const std::string shown = GetParam().Shown(calls);
  EXPECT_EQ(calls, GetParam().Expected(shown, ""));
  EXPECT_EQ(shown.front(), '/');
  EXPECT_EQ(ReadWholeFile(shown), ReadWholeFile(FFile));
}

TEST_P(CommandWallpaperSetter, SettingTheFileAgainShowsItsNewContent) {
  AddStandIns();
  const auto setter = Make();
  ASSERT_TRUE(setter->SetWallpaper(FFile).Applied);
  const std::string first = GetParam().Shown(FStandIns.Calls());
  FStandIns.ClearCalls();
  // The engine replaces the file whole.
  WriteBitmap24(FFile + ".new", 4, 3, [](std::int32_t, std::int32_t) { return 0x090909u; });
  fs::rename(FFile + ".new", FFile);

  ASSERT_TRUE(setter->SetWallpaper(FFile).Applied);
  const TCalls calls = FStandIns.Calls();
  const std::string second = GetParam().Shown(calls);
  EXPECT_EQ(calls, GetParam().Expected(second, first));
  EXPECT_EQ(ReadWholeFile(second), ReadWholeFile(FFile));
  if (GetParam().NewNameEachTime) {
    EXPECT_NE(second, first);
    EXPECT_FALSE(fs::exists(fs::symlink_status(first))) << "the older name is cleared away";
  }
  EXPECT_LE(FileCount(), 2u);
}

TEST_P(CommandWallpaperSetter, ReportsARefusalAndRecoversAfterwards) {
  const std::string refuse = "echo 'stand-in refused' >&2; exit 3";
  AddStandIns(&refuse);
  const auto setter = Make();
  const TWallpaperResult result = setter->SetWallpaper(FFile);
  EXPECT_FALSE(result.Applied);
  EXPECT_THAT(result.Error, HasSubstr("exit code 3: stand-in refused"));

  AddStandIns();
  EXPECT_TRUE(setter->SetWallpaper(FFile).Applied);
  EXPECT_LE(FileCount(), 2u);
}

TEST_P(CommandWallpaperSetter, ReportsAMissingToolAndLeavesNothingBehind) {
  const TWallpaperResult result = Make()->SetWallpaper(FFile);
  EXPECT_FALSE(result.Applied);
  EXPECT_THAT(result.Error, HasSubstr(GetParam().StandIns.front().first));
  EXPECT_THAT(result.Error, HasSubstr(" found"));
  EXPECT_EQ(FileCount(), 1u);
}

TEST_P(CommandWallpaperSetter, StopsAHangingTool) {
  const std::string pids = FStandIns.Folder() + "/pids";
  const std::string hang = "echo $$ >> '" + pids + "'; exec /bin/sleep 30";
  AddStandIns(&hang);
  const auto start = std::chrono::steady_clock::now();
  const TWallpaperResult result = Make(200ms)->SetWallpaper(FFile);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_FALSE(result.Applied);
  EXPECT_THAT(result.Error, HasSubstr("did not answer"));
  std::istringstream started(ReadWholeFile(pids));
  for (pid_t pid = 0; started >> pid;) EXPECT_TRUE(ProcessGone(pid));
}

TEST_P(CommandWallpaperSetter, ReportsAPictureThatIsNotThere) {
  AddStandIns();
  const TWallpaperResult result = Make()->SetWallpaper(FPictures / "gone.bmp");
  EXPECT_FALSE(result.Applied);
  EXPECT_THAT(result.Error, HasSubstr("gone.bmp\" does not exist"));
  EXPECT_TRUE(FStandIns.Calls().empty());
}

// --- the desktops ---------------------------------------------------------------------

const std::string GnomeSchema = "org.gnome.desktop.background";
const std::string PlasmaService = "org.kde.plasmashell";
const std::string PlasmaPath = "/PlasmaShell";
const std::string PlasmaMethod = "org.kde.PlasmaShell.evaluateScript";

std::string FromUriValue(const std::string& Value) {
  return PercentDecoded(GVariantStringValue(Value));
}

std::string UriValue(const std::string& Shown) { return GVariantString(FileUri(Shown)); }

// What the script does is held by the test that runs it in node.
std::string PlasmaScript(const std::string& Shown) { return PlasmaWallpaperScript(FileUri(Shown)); }

std::string FromPlasmaScript(std::string Script) {
  if (Script.rfind("string:", 0) == 0) Script.erase(0, 7);
  const std::string head = "var uri = ";
  if (Script.rfind(head, 0) != 0) throw std::runtime_error("unexpected script: " + Script);
  const std::string literal = Script.substr(head.size(), Script.find(";\n") - head.size());
  EXPECT_TRUE(std::regex_match(literal, std::regex(R"("([A-Za-z0-9/:._~%-]|\\u[0-9A-F]{4})*")")))
      << literal;
  return PercentDecoded(QuotedValue(literal));
}

const std::string XfceListing =
    "[ \"$3\" = -l ] && printf '%s\\n' /backdrop/screen0/monitorVirtual-1/workspace0/last-image "
    "/backdrop/screen0/monitorVirtual-1/workspace0/image-style "
    "/backdrop/screen0/monitorHDMI-1/workspace1/last-image /desktop-icons/style\nexit 0";
const std::string XfceEmpty =
    "if [ \"$3\" = -l ]; then echo 'Channel \"xfce4-desktop\" contains no properties' >&2; exit 1; "
    "fi";

TCall XfceSet(const std::string& Property, const std::string& Shown) {
  return {"xfconf-query", "-c", "xfce4-desktop", "-p", Property, "-s", Shown};
}

TMake Xfce = [](TCommandRunner Runner) {
  return MakeXfceWallpaperSetter(Runner, [] { return TXfceTarget{"Virtual-1", 2}; });
};

TCalls HyprpaperCalls(const std::string& Shown, const std::string& Previous) {
  TCalls calls = {{"hyprctl", "hyprpaper", "preload", Shown},
                  {"hyprctl", "hyprpaper", "wallpaper", "," + Shown}};
  if (!Previous.empty()) calls.push_back({"hyprctl", "hyprpaper", "unload", Previous});
  return calls;
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, CommandWallpaperSetter,
    ::testing::Values(
        TSetterCase{"Gnome",
                    {{"gsettings",
                      "[ \"$1\" = list-keys ] && printf "
                      "'picture-options\\npicture-uri\\npicture-uri-dark\\n'\nexit 0"}},
                    MakeGnomeWallpaperSetter,
                    [](const TCalls& C) { return FromUriValue(C.at(1).at(4)); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{
                          {"gsettings", "list-keys", GnomeSchema},
                          {"gsettings", "set", GnomeSchema, "picture-uri", UriValue(S)},
                          {"gsettings", "set", GnomeSchema, "picture-uri-dark", UriValue(S)}};
                    }},
        TSetterCase{
            "GnomeWithoutDarkKey",
            {{"gsettings",
              "[ \"$1\" = list-keys ] && printf 'picture-uri\\npicture-uri-darkish\\n'\nexit 0"}},
            MakeGnomeWallpaperSetter,
            [](const TCalls& C) { return FromUriValue(C.at(1).at(4)); },
            [](const std::string& S, const std::string&) {
              return TCalls{{"gsettings", "list-keys", GnomeSchema},
                            {"gsettings", "set", GnomeSchema, "picture-uri", UriValue(S)}};
            }},
        TSetterCase{"Cinnamon",
                    {{"gsettings", ""}},
                    MakeCinnamonWallpaperSetter,
                    [](const TCalls& C) { return FromUriValue(C.at(0).at(4)); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"gsettings", "set", "org.cinnamon.desktop.background",
                                     "picture-uri", UriValue(S)}};
                    }},
        TSetterCase{"Mate",
                    {{"gsettings", ""}},
                    MakeMateWallpaperSetter,
                    [](const TCalls& C) { return GVariantStringValue(C.at(0).at(4)); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"gsettings", "set", "org.mate.background", "picture-filename",
                                     GVariantString(S)}};
                    }},
        TSetterCase{
            "PlasmaThroughQdbus6",
            {{"qdbus6", ""}},
            MakeKdeWallpaperSetter,
            [](const TCalls& C) { return FromPlasmaScript(C.at(0).at(4)); },
            [](const std::string& S, const std::string&) {
              return TCalls{{"qdbus6", PlasmaService, PlasmaPath, PlasmaMethod, PlasmaScript(S)}};
            }},
        TSetterCase{"PlasmaThroughDbusSend",
                    {{"dbus-send", ""}},
                    MakeKdeWallpaperSetter,
                    [](const TCalls& C) { return FromPlasmaScript(C.at(0).at(7)); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"dbus-send", "--session", "--type=method_call",
                                     "--print-reply", "--dest=" + PlasmaService, PlasmaPath,
                                     PlasmaMethod, "string:" + PlasmaScript(S)}};
                    }},
        TSetterCase{"XfceEveryBackdrop",
                    {{"xfconf-query", XfceListing}},
                    Xfce,
                    [](const TCalls& C) { return C.at(1).at(6); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{
                          {"xfconf-query", "-c", "xfce4-desktop", "-l"},
                          XfceSet("/backdrop/screen0/monitorVirtual-1/workspace0/last-image", S),
                          XfceSet("/backdrop/screen0/monitorHDMI-1/workspace1/last-image", S)};
                    }},
        TSetterCase{"XfceCreatesTheCurrentBackdrop",
                    {{"xfconf-query", XfceEmpty}},
                    Xfce,
                    [](const TCalls& C) { return C.at(1).at(9); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"xfconf-query", "-c", "xfce4-desktop", "-l"},
                                    {"xfconf-query", "-c", "xfce4-desktop", "-p",
                                     "/backdrop/screen0/monitorVirtual-1/workspace2/last-image",
                                     "-n", "-t", "string", "-s", S}};
                    }},
        TSetterCase{"Lxde",
                    {{"pcmanfm", ""}},
                    MakeLxdeWallpaperSetter,
                    [](const TCalls& C) { return C.at(0).at(2); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"pcmanfm", "--set-wallpaper", S}};
                    }},
        TSetterCase{"Lxqt",
                    {{"pcmanfm-qt", ""}},
                    MakeLxqtWallpaperSetter,
                    [](const TCalls& C) { return C.at(0).at(2); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"pcmanfm-qt", "--set-wallpaper", S}};
                    }},
        TSetterCase{"Sway",
                    {{"swaymsg", "echo '[ { \"success\": true } ]'"}},
                    MakeSwayWallpaperSetter,
                    [](const TCalls& C) {
                      const std::string shown = C.at(0).at(4);
                      EXPECT_EQ(
                          shown.find_first_not_of(
                              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-"),
                          std::string::npos)
                          << "sway expands anything else";
                      return shown;
                    },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"swaymsg", "output", "*", "bg", S, "fill"}};
                    }},
        TSetterCase{"Hyprpaper",
                    {{"hyprctl", "echo ok"}},
                    MakeHyprpaperWallpaperSetter,
                    [](const TCalls& C) { return C.at(0).at(3); },
                    HyprpaperCalls},
        TSetterCase{"Swww",
                    {{"swww", ""}},
                    [](TCommandRunner R) { return MakeSwwwWallpaperSetter(R, "swww"); },
                    [](const TCalls& C) { return C.at(0).at(2); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"swww", "img", S}};
                    },
                    false},
        TSetterCase{"Awww",
                    {{"awww", ""}},
                    [](TCommandRunner R) { return MakeSwwwWallpaperSetter(R, "awww"); },
                    [](const TCalls& C) { return C.at(0).at(2); },
                    [](const std::string& S, const std::string&) {
                      return TCalls{{"awww", "img", S}};
                    },
                    false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// The script must run in a real JavaScript engine and leave the picture's URI, whatever the
// file name holds, on every desktop. A stand-in shell object records what it is given.
TEST(KdeWallpaperSetter, ScriptPutsThePictureOnEveryDesktop) {
  TStandIns standIns;
  standIns.Add("qdbus6");
  TTempFolder pictures(HostileFolder);
  const std::string file = pictures / HostileFile;
  WriteBitmap24(file, 2, 2, Pattern);
  {
    TScopedVariable path{"PATH", standIns.Folder()};
    ASSERT_TRUE(MakeKdeWallpaperSetter(TCommandRunner())->SetWallpaper(file).Applied);
  }
  const std::string shell =
      "var made = [];\n"
      "function desktops() { return [desktop('org.kde.color'), desktop('org.kde.image')]; }\n"
      "function desktop(plugin) {\n"
      "  var d = {wallpaperPlugin: plugin, currentConfigGroup: [], config: {},\n"
      "    writeConfig: function(key, value) {\n"
      "      this.config[this.currentConfigGroup.join('/') + '/' + key] = value; }};\n"
      "  made.push(d);\n"
      "  return d;\n"
      "}\n";
  const std::string report =
      "\nmade.forEach(function(d) {\n"
      "  console.log(d.wallpaperPlugin + ' ' + JSON.stringify(d.config)); });\n";
  std::ofstream(standIns.Folder() + "/script.js")
      << shell << standIns.Calls().at(0).at(4) << report;

  const TCommandResult run = TCommandRunner().Run({"node", standIns.Folder() + "/script.js"});
  if (run.Outcome == TCommandResult::TOutcome::NotFound) GTEST_SKIP() << "node is not installed";
  ASSERT_TRUE(run.Succeeded()) << run.ErrorOutput;
  std::istringstream lines(run.Output);
  int desktops = 0;
  for (std::string line; std::getline(lines, line); ++desktops) {
    const std::string head = "org.kde.image {\"Wallpaper/org.kde.image/General/Image\":";
    ASSERT_EQ(line.rfind(head, 0), 0u) << line;
    const std::string uri = QuotedValue(line.substr(head.size(), line.size() - head.size() - 1));
    EXPECT_EQ(ReadWholeFile(PercentDecoded(uri)), ReadWholeFile(file));
  }
  EXPECT_EQ(desktops, 2);
}

// hyprctl passes hyprpaper's refusal on with exit code 0.
TEST(HyprpaperWallpaperSetter, ReportsARefusalInTheReply) {
  TStandIns standIns;
  TScopedVariable path{"PATH", standIns.Folder()};
  TTempFolder runtime;
  TScopedVariable runtimeDir{"XDG_RUNTIME_DIR", runtime.Path()};
  TTempFolder pictures;
  WriteBitmap24(pictures / "current.bmp", 2, 2, Pattern);
  standIns.Add("hyprctl",
               "[ \"$2\" = wallpaper ] && echo 'wallpaper failed (not preloaded)'; exit 0");
  const TWallpaperResult result =
      MakeHyprpaperWallpaperSetter(TCommandRunner())->SetWallpaper(pictures / "current.bmp");
  EXPECT_FALSE(result.Applied);
  EXPECT_EQ(result.Error, "hyprpaper refused the picture: wallpaper failed (not preloaded)");
}

TEST(SwayWallpaperSetter, NeedsAPlainRuntimeFolder) {
  TStandIns standIns;
  standIns.Add("swaymsg");
  TScopedVariable path{"PATH", standIns.Folder()};
  TTempFolder pictures;
  WriteBitmap24(pictures / "current.bmp", 2, 2, Pattern);
  for (const std::string& runtime : {std::string(), std::string("relative"), pictures / "a b"}) {
    TScopedVariable runtimeDir{"XDG_RUNTIME_DIR",
                               runtime.empty() ? std::nullopt : std::optional(runtime)};
    const TWallpaperResult result =
        MakeSwayWallpaperSetter(TCommandRunner())->SetWallpaper(pictures / "current.bmp");
    EXPECT_FALSE(result.Applied);
    EXPECT_THAT(result.Error, HasSubstr("XDG_RUNTIME_DIR"));
  }
  EXPECT_TRUE(standIns.Calls().empty());
}

}  // namespace
}  // namespace skyrelle::platform
