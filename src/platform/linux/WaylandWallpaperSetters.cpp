#include "platform/linux/WaylandWallpaperSetters.h"

#include <signal.h>

#include <filesystem>
#include <optional>
#include <sstream>

#include "platform/DataFolders.h"
#include "platform/FileSystem.h"
#include "platform/linux/CommandWallpaperSetter.h"
#include "platform/linux/ProcessList.h"
#include "platform/linux/Quoting.h"

namespace skyrelle::platform {
namespace fs = std::filesystem;
namespace {

// swaymsg joins its arguments into one command that sway splits again and passes through
// shell-like expansion, hence the plain-character link.
class TSwayWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  explicit TSwayWallpaperSetter(TCommandRunner Runner)
      : TCommandWallpaperSetter(Runner, RuntimeLink()) {}

 private:
  std::string Show(const std::string& Shown) override {
    return Run({"swaymsg", "output", "*", "bg", Shown, "fill"});
  }
};

// hyprpaper answers "ok" through hyprctl, or says what went wrong with exit code 0.
class THyprpaperWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  explicit THyprpaperWallpaperSetter(TCommandRunner Runner)
      : TCommandWallpaperSetter(Runner, RuntimeLink()) {}

 private:
  std::string Show(const std::string& Shown) override {
    // Newer hyprpaper loads on demand and may refuse "preload"; only "wallpaper" decides.
    const TCommandResult preload = RunCommand({"hyprctl", "hyprpaper", "preload", Shown});
    if (preload.Outcome != TCommandResult::TOutcome::Finished)
      return CommandFailure({"hyprctl"}, preload, FRunner.Timeout());
    const std::vector<std::string> wallpaper = {"hyprctl", "hyprpaper", "wallpaper", "," + Shown};
    if (std::string error = Failure(wallpaper, RunCommand(wallpaper)); !error.empty()) return error;
    if (!FPrevious.empty()) RunCommand({"hyprctl", "hyprpaper", "unload", FPrevious});
    FPrevious = Shown;
    return {};
  }

  std::string Failure(const std::vector<std::string>& Arguments, const TCommandResult& Result) {
    if (std::string error = CommandFailure(Arguments, Result, FRunner.Timeout()); !error.empty())
      return error;
    std::string reply = Result.Output;
    reply.erase(0, reply.find_first_not_of(" \t\r\n"));
    reply.erase(reply.find_last_not_of(" \t\r\n") + 1);
    if (reply.empty() || reply == "ok") return {};
    return "hyprpaper refused the picture: " + reply.substr(0, reply.find('\n'));
  }

  std::string FPrevious;  // loaded by hyprpaper, no longer shown
};

// swww reads the picture itself on every call, so the same name is shown anew.
class TSwwwWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  TSwwwWallpaperSetter(TCommandRunner Runner, std::string Program)
      : TCommandWallpaperSetter(Runner, SameName()), FProgram(std::move(Program)) {}

 private:
  std::string Show(const std::string& Shown) override { return Run({FProgram, "img", Shown}); }

  const std::string FProgram;
};

// swaybg takes its picture once, at start: a new one replaces the old, which ends only
// after the new one draws, so the desktop never goes blank.
class TSwaybgWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  TSwaybgWallpaperSetter(TCommandRunner Runner, std::function<std::vector<pid_t>()> Running)
      : TCommandWallpaperSetter(Runner, SameName()), FRunning(std::move(Running)) {}

 private:
  static constexpr std::chrono::milliseconds StartGrace{500};

  std::string Show(const std::string& Shown) override {
    const std::vector<pid_t> before = FRunning();
    std::string error;
    const pid_t started =
        FRunner.StartDaemon({"swaybg", "-i", Shown, "-m", "fill"}, StartGrace, error);
    if (started == 0) return error;
    for (const pid_t pid : before)
      if (pid != started) ::kill(pid, SIGTERM);
    return {};
  }

  const std::function<std::vector<pid_t>()> FRunning;
};

// wpaperd may read its configuration at any moment: it is written whole, so wpaperd sees the
// old one or the new one, never a part.
class TWpaperdWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  explicit TWpaperdWallpaperSetter(std::string ConfigFile)
      : TCommandWallpaperSetter(TCommandRunner(), AliasBeside()),
        FConfigFile(std::move(ConfigFile)) {}

 private:
  static constexpr std::size_t MaxConfigSize = std::size_t{1024} * 1024;

  std::string Show(const std::string& Shown) override {
    const fs::path file = FConfigFile.empty() ? UsersConfigFile() : fs::path(FConfigFile);
    std::string text;
    if (fs::exists(file)) {
      const std::optional<std::string> current = ReadFileHead(file.string(), MaxConfigSize + 1);
      if (!current) return "Cannot read \"" + file.string() + "\"";
      // Written back with a new path, a part of the file would lose the rest.
      if (current->size() > MaxConfigSize) return "\"" + file.string() + "\" is too large";
      text = *current;
    }
    fs::create_directories(file.parent_path());
    WriteFileWhole(file.string(), WpaperdConfigWithPath(text, Shown));
    return {};
  }

  // wpaperd 1.x reads config.toml; older ones wallpaper.toml.
  static fs::path UsersConfigFile() {
    const fs::path folder = fs::path(ConfigFolder()) / "wpaperd";
    const fs::path current = folder / "config.toml";
    const fs::path older = folder / "wallpaper.toml";
    return !fs::exists(current) && fs::exists(older) ? older : current;
  }

  const std::string FConfigFile;
};

std::string Trimmed(const std::string& Text) {
  const auto begin = Text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return {};
  return Text.substr(begin, Text.find_last_not_of(" \t\r") - begin + 1);
}

// "[name]" (not "[[array]]"), a trailing comment allowed; the name unquoted as written.
bool IsSectionHeader(const std::string& Line, std::string& Name) {
  std::string text = Trimmed(Line.substr(0, Line.find('#')));
  if (text.size() < 2 || text.front() != '[' || text.back() != ']' || text[1] == '[') return false;
  Name = Trimmed(text.substr(1, text.size() - 2));
  return true;
}

bool IsPathKey(const std::string& Line) {
  const std::string text = Trimmed(Line);
  for (const char* key : {"path", "\"path\"", "'path'"}) {
    const std::string k = key;
    if (text.compare(0, k.size(), k) == 0 && Trimmed(text.substr(k.size())).rfind('=', 0) == 0)
      return true;
  }
  return false;
}

}  // namespace

std::string WpaperdConfigWithPath(const std::string& Text, const std::string& FileName) {
  const std::string entry = "path = " + TomlString(FileName);
  std::istringstream lines(Text);
  std::vector<std::string> out;
  bool inSection = false, replaced = false;
  std::ptrdiff_t anyHeader = -1;
  for (std::string line; std::getline(lines, line);) {
    std::string section;
    if (IsSectionHeader(line, section)) {
      inSection = true;
      if (section == "any" || section == "\"any\"")
        anyHeader = static_cast<std::ptrdiff_t>(out.size());
    } else if (inSection && IsPathKey(line)) {
      line = line.substr(0, line.find_first_not_of(" \t")) + entry;
      replaced = true;
    }
    out.push_back(line);
  }
  if (!replaced) {
    if (anyHeader >= 0) {
      out.insert(out.begin() + anyHeader + 1, entry);
    } else {
      if (!out.empty() && !out.back().empty()) out.emplace_back();
      out.emplace_back("[any]");
      out.push_back(entry);
    }
  }
  std::string result;
  for (const std::string& line : out) result += line + "\n";
  return result;
}

std::unique_ptr<IWallpaperSetter> MakeSwayWallpaperSetter(TCommandRunner Runner) {
  return std::make_unique<TSwayWallpaperSetter>(Runner);
}

std::unique_ptr<IWallpaperSetter> MakeHyprpaperWallpaperSetter(TCommandRunner Runner) {
  return std::make_unique<THyprpaperWallpaperSetter>(Runner);
}

std::unique_ptr<IWallpaperSetter> MakeSwwwWallpaperSetter(TCommandRunner Runner,
                                                          std::string Program) {
  return std::make_unique<TSwwwWallpaperSetter>(Runner, std::move(Program));
}

std::unique_ptr<IWallpaperSetter> MakeSwaybgWallpaperSetter(
    TCommandRunner Runner, std::function<std::vector<pid_t>()> RunningSwaybgs) {
  return std::make_unique<TSwaybgWallpaperSetter>(Runner, std::move(RunningSwaybgs));
}

std::vector<pid_t> UsersSwaybgs() {
  std::vector<pid_t> pids;
  for (const TProcess& process : RunningProcesses())
    if (process.Name == "swaybg") pids.push_back(process.Pid);
  return pids;
}

std::unique_ptr<IWallpaperSetter> MakeWpaperdWallpaperSetter(std::string ConfigFile) {
  return std::make_unique<TWpaperdWallpaperSetter>(std::move(ConfigFile));
}

}  // namespace skyrelle::platform
