#include "update/UpdateScript.h"

#include <cstdlib>

#include "core/Paths.h"
#include "platform/FileSystem.h"
#include "platform/SelfUpdate.h"

namespace skyrelle::update {
namespace {

constexpr const char* ScriptName = "hvnportal_update.sh";

// One shell word that stands for the text itself, whatever it holds.
std::string ShellQuote(std::string_view AText) {
  std::string quoted = "'";
  for (const char c : AText) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// A pattern (as find's -lname reads it) that matches any path ending in "/" and the name.
std::string PathEndingInName(std::string_view AName) {
  std::string pattern = "*/";
  for (const char c : AName) {
    if (c == '\\' || c == '*' || c == '?' || c == '[') pattern += '\\';
    pattern += c;
  }
  return pattern;
}

constexpr std::string_view ScriptBody = R"sh(
# The kernel shows a replaced program file as "path (deleted)".
program_runs() {
  [ -n "$(find /proc -mindepth 2 -maxdepth 2 -name exe \( -lname "$running" \
    -o -lname "$running (deleted)" \) -print -quit 2>/dev/null)" ]
}

# Puts a copy of $1 in the place of $2: beside it first, with the old file's permissions,
# then renamed over it, so that a power cut leaves the old file or the new one, never a part.
replace() {
  [ -d "$2" ] && return 1
  part="${2%/*}/.${2##*/}.skyrelle-update"
  rm -f -- "$part"
  if cp -- "$1" "$part"; then
    if [ -e "$2" ]; then chmod --reference="$2" -- "$part"; fi
    sync -- "$part" 2>/dev/null
    mv -f -- "$part" "$2" && return 0
  fi
  rm -f -- "$part"
  return 1
}

while program_runs; do
  sleep 1
done
)sh";

constexpr std::string_view CopyStep =
    R"sh(for file in "$source"/* "$source"/.[!.]* "$source"/..?*; do
  if [ -f "$file" ] && [ ! -L "$file" ]; then
    replace "$file" "$program_folder/${file##*/}"
  fi
done
)sh";

constexpr std::string_view MoveStep = R"sh(replace "$source" "$program"
)sh";

constexpr std::string_view ScriptEnd = R"sh(if command -v setsid >/dev/null 2>&1; then
  SKYRELLE_UPDATED=1 setsid -f "$program" </dev/null >/dev/null 2>&1
else
  SKYRELLE_UPDATED=1 "$program" </dev/null >/dev/null 2>&1 &
fi
rm -rf -- "$update_folder" 2>/dev/null
rm -f -- "$script"
)sh";

}  // namespace

std::string UpdateScriptPath(const std::string& AUpdateFolder) {
  return core::JoinPath(core::ExtractFileDir(AUpdateFolder), ScriptName);
}

std::string UpdateScriptText(const TReplacement& AReplacement, const std::string& AScriptPath) {
  const auto assign = [](std::string_view AName, std::string_view AValue) {
    return std::string(AName) + "=" + ShellQuote(AValue) + "\n";
  };
  std::string text = "#!/bin/sh\n# Puts the new Skyrelle in place once the old one has ended.\n";
  text += assign("program", AReplacement.ProgramPath);
  text += assign("program_folder", core::ExtractFileDir(AReplacement.ProgramPath));
  text += assign("running", PathEndingInName(core::ExtractFileName(AReplacement.ProgramPath)));
  text += assign("source", AReplacement.Source);
  text += assign("update_folder", AReplacement.UpdateFolder);
  text += assign("script", AScriptPath);
  text += ScriptBody;
  text += AReplacement.CopyMode ? CopyStep : MoveStep;
  text += ScriptEnd;
  return text;
}

void LaunchUpdateScript(const TReplacement& AReplacement) {
  const std::string script = UpdateScriptPath(AReplacement.UpdateFolder);
  platform::WriteFileWhole(script, UpdateScriptText(AReplacement, script),
                           platform::TFileAccess::PrivateProgram);
  platform::StartDetachedProcess({"/bin/sh", script});
  std::exit(0);
}

}  // namespace skyrelle::update
