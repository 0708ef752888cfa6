#include "platform/linux/DesktopEnvironmentSetters.h"

#include <sstream>
#include <vector>

#include "platform/linux/CommandWallpaperSetter.h"
#include "platform/linux/Quoting.h"

namespace skyrelle::platform {
namespace {

using TArguments = std::vector<std::string>;

// GNOME and its relatives keep the picture as a file URI; newer GNOME shows the "-dark"
// key in dark mode, older ones lack it.
class TGnomeWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  explicit TGnomeWallpaperSetter(TCommandRunner Runner)
      : TCommandWallpaperSetter(Runner, AliasBeside()) {}

 private:
  static constexpr const char* Schema = "org.gnome.desktop.background";

  std::string Show(const std::string& Shown) override {
    std::string keys;
    if (std::string error = Run({"gsettings", "list-keys", Schema}, &keys); !error.empty())
      return error;
    const std::string value = GVariantString(FileUri(Shown));
    if (std::string error = Run({"gsettings", "set", Schema, "picture-uri", value}); !error.empty())
      return error;
    if (!HasKey(keys, "picture-uri-dark")) return {};
    return Run({"gsettings", "set", Schema, "picture-uri-dark", value});
  }

  static bool HasKey(const std::string& Keys, const std::string& Key) {
    std::istringstream lines(Keys);
    for (std::string line; std::getline(lines, line);)
      if (line == Key) return true;
    return false;
  }
};

// A desktop that takes the picture through one gsettings key.
class TGSettingsWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  TGSettingsWallpaperSetter(TCommandRunner Runner, std::string Schema, std::string Key, bool AsUri)
      : TCommandWallpaperSetter(Runner, AliasBeside()),
        FSchema(std::move(Schema)),
        FKey(std::move(Key)),
        FAsUri(AsUri) {}

 private:
  std::string Show(const std::string& Shown) override {
    return Run(
        {"gsettings", "set", FSchema, FKey, GVariantString(FAsUri ? FileUri(Shown) : Shown)});
  }

  const std::string FSchema, FKey;
  const bool FAsUri;
};

// Plasma 5 and 6: a script for the shell, sent over D-Bus by whichever client is installed.
class TKdeWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  explicit TKdeWallpaperSetter(TCommandRunner Runner)
      : TCommandWallpaperSetter(Runner, AliasBeside()) {}

 private:
  std::string Show(const std::string& Shown) override {
    const std::string script = PlasmaWallpaperScript(FileUri(Shown));
    std::string tried;
    for (const TArguments& command : Commands(script)) {
      const TCommandResult result = RunCommand(command);
      if (result.Outcome != TCommandResult::TOutcome::NotFound)
        return CommandFailure(command, result, FRunner.Timeout());
      tried += (tried.empty() ? "" : ", ") + command.front();
    }
    return "no D-Bus client was found (tried " + tried + ")";
  }

  static std::vector<TArguments> Commands(const std::string& Script) {
    static constexpr const char* Service = "org.kde.plasmashell";
    static constexpr const char* Path = "/PlasmaShell";
    static constexpr const char* Method = "org.kde.PlasmaShell.evaluateScript";
    std::vector<TArguments> commands;
    for (const char* qdbus : {"qdbus6", "qdbus-qt6", "qdbus", "qdbus-qt5"})
      commands.push_back({qdbus, Service, Path, Method, Script});
    commands.push_back({"dbus-send", "--session", "--type=method_call", "--print-reply",
                        std::string("--dest=") + Service, Path, Method, "string:" + Script});
    return commands;
  }
};

// xfdesktop keeps one backdrop per monitor and workspace; every one gets the picture.
class TXfceWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  TXfceWallpaperSetter(TCommandRunner Runner, std::function<TXfceTarget()> CurrentTarget)
      : TCommandWallpaperSetter(Runner, AliasBeside()), FCurrentTarget(std::move(CurrentTarget)) {}

 private:
  static constexpr const char* Channel = "xfce4-desktop";

  std::string Show(const std::string& Shown) override {
    const TCommandResult result = RunCommand({"xfconf-query", "-c", Channel, "-l"});
    // An empty or unknown channel lists nothing and exits non-zero: then the property is
    // created below, and that reports a real failure.
    if (result.Outcome != TCommandResult::TOutcome::Finished)
      return CommandFailure({"xfconf-query"}, result, FRunner.Timeout());
    const std::vector<std::string> properties = ImageProperties(result.Output);
    if (properties.empty()) {
      const TXfceTarget target = FCurrentTarget();
      const std::string property = "/backdrop/screen0/monitor" + target.Monitor + "/workspace" +
                                   std::to_string(target.Workspace) + "/last-image";
      return Run(
          {"xfconf-query", "-c", Channel, "-p", property, "-n", "-t", "string", "-s", Shown});
    }
    for (const std::string& property : properties)
      if (std::string error = Run({"xfconf-query", "-c", Channel, "-p", property, "-s", Shown});
          !error.empty())
        return error;
    return {};
  }

  static std::vector<std::string> ImageProperties(const std::string& Listing) {
    static const std::string Suffix = "/last-image";
    std::vector<std::string> properties;
    std::istringstream lines(Listing);
    for (std::string line; std::getline(lines, line);) {
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      if (line.rfind("/backdrop/", 0) == 0 && line.size() > Suffix.size() &&
          line.compare(line.size() - Suffix.size(), Suffix.size(), Suffix) == 0)
        properties.push_back(line);
    }
    return properties;
  }

  const std::function<TXfceTarget()> FCurrentTarget;
};

// PCManFM (LXDE) and PCManFM-Qt (LXQt) draw the desktop and take the picture on their
// command line, handing it to the running instance.
class TPcmanfmWallpaperSetter final : public TCommandWallpaperSetter {
 public:
  TPcmanfmWallpaperSetter(TCommandRunner Runner, std::string Program)
      : TCommandWallpaperSetter(Runner, AliasBeside()), FProgram(std::move(Program)) {}

 private:
  std::string Show(const std::string& Shown) override {
    return Run({FProgram, "--set-wallpaper", Shown});
  }

  const std::string FProgram;
};

}  // namespace

std::unique_ptr<IWallpaperSetter> MakeGnomeWallpaperSetter(TCommandRunner Runner) {
  return std::make_unique<TGnomeWallpaperSetter>(Runner);
}

std::unique_ptr<IWallpaperSetter> MakeCinnamonWallpaperSetter(TCommandRunner Runner) {
  return std::make_unique<TGSettingsWallpaperSetter>(Runner, "org.cinnamon.desktop.background",
                                                     "picture-uri", true);
}

std::unique_ptr<IWallpaperSetter> MakeMateWallpaperSetter(TCommandRunner Runner) {
  return std::make_unique<TGSettingsWallpaperSetter>(Runner, "org.mate.background",
                                                     "picture-filename", false);
}

// Every desktop (one per screen and activity) gets the image plugin and the picture.
// Plain ES5: Plasma 5's script engine knows no more.
std::string PlasmaWallpaperScript(const std::string& Uri) {
  return "var uri = " + JavaScriptString(Uri) +
         ";\n"
         "var all = desktops();\n"
         "for (var i = 0; i < all.length; i++) {\n"
         "  var d = all[i];\n"
         "  if (d.wallpaperPlugin != \"org.kde.image\") d.wallpaperPlugin = \"org.kde.image\";\n"
         "  d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
         "  d.writeConfig(\"Image\", uri);\n"
         "}\n";
}

std::unique_ptr<IWallpaperSetter> MakeKdeWallpaperSetter(TCommandRunner Runner) {
  return std::make_unique<TKdeWallpaperSetter>(Runner);
}

std::unique_ptr<IWallpaperSetter> MakeXfceWallpaperSetter(
    TCommandRunner Runner, std::function<TXfceTarget()> CurrentTarget) {
  return std::make_unique<TXfceWallpaperSetter>(Runner, std::move(CurrentTarget));
}

std::unique_ptr<IWallpaperSetter> MakeLxdeWallpaperSetter(TCommandRunner Runner) {
  return std::make_unique<TPcmanfmWallpaperSetter>(Runner, "pcmanfm");
}

std::unique_ptr<IWallpaperSetter> MakeLxqtWallpaperSetter(TCommandRunner Runner) {
  return std::make_unique<TPcmanfmWallpaperSetter>(Runner, "pcmanfm-qt");
}

}  // namespace skyrelle::platform
