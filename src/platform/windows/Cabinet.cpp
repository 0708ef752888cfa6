#include "update/Cabinet.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "core/Paths.h"
#include "platform/FileSystem.h"
#include "platform/windows/WideText.h"

namespace skyrelle::update {
namespace {

using platform::windows::Widen;

// The cabinet's header and file entries, as the format lays them out (little-endian).
constexpr std::size_t HeaderSize = 36;
constexpr std::size_t FileEntrySize = 16;
constexpr std::size_t MaxNameSize = 256;
constexpr std::uint16_t OtherCabinetFlags = 0x0001 | 0x0002;  // a cabinet before or after it
constexpr std::uint16_t FirstContinuedFolder = 0xFFFD;        // a file split across cabinets

std::uint32_t Little(std::string_view ABytes, std::size_t AAt, std::size_t ASize) {
  std::uint32_t value = 0;
  for (std::size_t i = ASize; i-- > 0;)
    value = (value << 8) | static_cast<unsigned char>(ABytes[AAt + i]);
  return value;
}

// One file name, nothing that a path could take for a folder, a drive or a stream.
bool IsPlainName(std::string_view AName) {
  return !AName.empty() && AName != "." && AName != ".." &&
         AName.find_first_of("/\\:") == std::string_view::npos;
}

// Reads the cabinet's file table as the expand tool will: true when it is one whole cabinet
// whose files all have plain names and expand to no more than MaxExpandedCabinetSize.
bool IsAcceptableCabinet(const std::string& ACabinetFile) {
  platform::TInputFile file(ACabinetFile);
  std::string header(HeaderSize, '\0');
  if (!file.ReadAt(0, header.data(), header.size()) || !header.starts_with("MSCF")) return false;
  const std::uint32_t tableStart = Little(header, 16, 4);
  const std::uint32_t folders = Little(header, 26, 2);
  const std::uint32_t files = Little(header, 28, 2);
  if ((Little(header, 30, 2) & OtherCabinetFlags) != 0 || tableStart >= file.Size()) return false;
  const std::size_t tableSize = static_cast<std::size_t>(std::min<std::uint64_t>(
      file.Size() - tableStart, std::uint64_t{files} * (FileEntrySize + MaxNameSize + 1)));
  std::string table(tableSize, '\0');
  if (!file.ReadAt(tableStart, table.data(), table.size())) return false;

  unsigned long long total = 0;
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < files; ++i) {
    if (at + FileEntrySize > table.size()) return false;
    const std::uint32_t folder = Little(table, at + 8, 2);
    const std::size_t nameEnd = table.find('\0', at + FileEntrySize);
    if (folder >= FirstContinuedFolder || folder >= folders || nameEnd == std::string::npos ||
        !IsPlainName(
            std::string_view(table).substr(at + FileEntrySize, nameEnd - at - FileEntrySize)))
      return false;
    total += Little(table, at, 4);
    at = nameEnd + 1;
  }
  return total <= MaxExpandedCabinetSize;
}

bool IsFile(const std::string& AFileName) {
  const DWORD attributes = GetFileAttributesW(Widen(AFileName).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The system's expand tool, or whichever the search path offers when WINDIR names none.
std::string ExpandTool() {
  const std::string tool =
      core::IncludeTrailingPathDelimiter(platform::windows::EnvironmentText(L"WINDIR")) +
      "System32\\expand.exe";
  return IsFile(tool) ? tool : "expand.exe";
}

// A quoted argument must not end in a separator, which would escape the closing quote.
std::string WithoutTrailingSeparator(std::string AFolder) {
  while (AFolder.size() > 1 && (AFolder.back() == '\\' || AFolder.back() == '/'))
    AFolder.pop_back();
  return AFolder;
}

// Runs the command line with no window and waits for it without limit: true when the process
// started and ended with exit code 0.
bool RunAndWait(const std::string& ACommandLine, const std::string& AWorkingFolder) {
  std::wstring commandLine = Widen(ACommandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, Widen(AWorkingFolder).c_str(), &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 1;
  const bool read = GetExitCodeProcess(process.hProcess, &exitCode) != FALSE;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return read && exitCode == 0;
}

}  // namespace

bool ExpandCabinet(const std::string& ACabinetFile, const std::string& ATargetFolder) {
  try {
    try {
      platform::CreatePrivateFolder(ATargetFolder);
    } catch (const platform::EFileError&) {
      // A folder that cannot be made shows as the expand tool's failure.
    }
    if (!IsAcceptableCabinet(ACabinetFile)) return false;
    const std::string commandLine = "\"" + ExpandTool() + "\" -F:* \"" + ACabinetFile + "\" \"" +
                                    WithoutTrailingSeparator(ATargetFolder) + "\"";
    return RunAndWait(commandLine,
                      core::IncludeTrailingPathDelimiter(core::ExtractFileDir(ACabinetFile)));
  } catch (...) {
    return false;
  }
}

}  // namespace skyrelle::update
