#include "update/UpdateScript.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "core/Paths.h"
#include "platform/FileSystem.h"
#include "platform/windows/WideText.h"

namespace skyrelle::update {
namespace {

using platform::windows::Widen;

constexpr const char* ScriptName = "hvnportal_update.bat";

std::string WithoutTrailingSeparator(std::string AFolder) {
  while (!AFolder.empty() && (AFolder.back() == '\\' || AFolder.back() == '/')) AFolder.pop_back();
  return AFolder;
}

// The text in the ANSI code page without a best-fit stand-in; nothing when a character has no
// place in it.
std::optional<std::string> InAnsiCodePage(const std::wstring& AText) {
  if (AText.empty()) return std::string();
  const int length = static_cast<int>(AText.size());
  // UTF-8 as the ANSI code page takes neither the flag nor the question.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* asked = utf8 ? nullptr : &defaulted;
  const int size =
      WideCharToMultiByte(CP_ACP, flags, AText.data(), length, nullptr, 0, nullptr, asked);
  if (size <= 0 || defaulted) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, flags, AText.data(), length, bytes.data(), size, nullptr, asked);
  return defaulted ? std::nullopt : std::optional<std::string>(bytes);
}

// The command interpreter reads a script in the console's code page, the OEM one.
bool ReadsBackInOemCodePage(const std::string& ABytes, const std::wstring& AText) {
  if (ABytes.empty()) return AText.empty();
  const int length = static_cast<int>(ABytes.size());
  const int size =
      MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, ABytes.data(), length, nullptr, 0);
  if (size <= 0) return false;
  std::wstring read(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, ABytes.data(), length, read.data(), size);
  return read == AText;
}

// A path the script names must mean to the interpreter what it means to the program: a path
// that it would read otherwise could make the script copy, start or remove something else.
void RequireFaithful(const std::string& APath) {
  if (APath.find('%') != std::string::npos)
    throw std::runtime_error("The update script cannot name \"" + APath +
                             "\": the command interpreter would expand its \"%\"");
  const std::wstring wide = Widen(APath);
  const std::optional<std::string> bytes = InAnsiCodePage(wide);
  if (!bytes || !ReadsBackInOemCodePage(*bytes, wide))
    throw std::runtime_error("The update script cannot name \"" + APath +
                             "\": the system's code pages (ANSI " + std::to_string(GetACP()) +
                             ", OEM " + std::to_string(GetOEMCP()) +
                             ") cannot carry some of its characters");
}

}  // namespace

std::string UpdateScriptPath(const std::string& AUpdateFolder) {
  return core::JoinPath(core::ExtractFileDir(WithoutTrailingSeparator(AUpdateFolder)), ScriptName);
}

std::string UpdateScriptText(const TReplacement& AReplacement, const std::string& /*AScriptPath*/) {
  for (const std::string* path :
       {&AReplacement.ProgramPath, &AReplacement.Source, &AReplacement.UpdateFolder})
    RequireFaithful(*path);
  const std::string& program = AReplacement.ProgramPath;
  const std::string programName = core::ExtractFileName(program);
  const std::string programFolder =
      core::IncludeTrailingPathDelimiter(core::ExtractFileDir(program));
  const std::string replace =
      AReplacement.CopyMode
          ? "xcopy /Y /Q \"" + core::IncludeTrailingPathDelimiter(AReplacement.Source) +
                "*.*\" \"" + programFolder + "\" >NUL"
          : "move /Y \"" + AReplacement.Source + "\" \"" + program + "\" >NUL";
  const std::string lines[] = {
      "@echo off",
      ":wait",
      "tasklist /FI \"IMAGENAME eq " + programName + "\" 2>NUL | find /I \"" + programName +
          "\" >NUL",
      "if not errorlevel 1 (",
      "  timeout /t 1 /nobreak >NUL",
      "  goto wait",
      ")",
      replace,
      "start \"\" \"" + program + "\"",
      "rmdir /S /Q \"" + WithoutTrailingSeparator(AReplacement.UpdateFolder) + "\" 2>NUL",
      "del \"%~f0\"",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  // Every path in it was checked: the whole text has its place in the code page.
  return InAnsiCodePage(Widen(text)).value();
}

void LaunchUpdateScript(const TReplacement& AReplacement) {
  const std::string script = UpdateScriptPath(AReplacement.UpdateFolder);
  platform::WriteFileWhole(script, UpdateScriptText(AReplacement, script));
  // The script, and the program it starts, inherit this environment.
  SetEnvironmentVariableW(Widen(UpdatedMark).c_str(), L"1");
  ShellExecuteW(nullptr, L"open", Widen(script).c_str(), nullptr, nullptr, SW_HIDE);
  std::exit(0);
}

}  // namespace skyrelle::update
