#include "UpdateTestSupport.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>

#include "core/Paths.h"
#include "platform/windows/WideText.h"

namespace skyrelle::test_support {
namespace {

// VS_FIXEDFILEINFO's signature, then its structure version and the file version's two halves.
constexpr std::string_view FixedInfoSignature("\xBD\x04\xEF\xFE", 4);
constexpr std::size_t FileVersionOffset = 8;

void PutLittle(std::string& ABytes, std::size_t AAt, std::size_t ASize, std::uint32_t AValue) {
  for (std::size_t i = 0; i < ASize; ++i) ABytes[AAt + i] = static_cast<char>(AValue >> (8 * i));
}

void AppendLittle(std::string& ABytes, std::size_t ASize, std::uint32_t AValue) {
  ABytes.append(ASize, '\0');
  PutLittle(ABytes, ABytes.size() - ASize, ASize, AValue);
}

}  // namespace

std::string BesideThisProgram(const std::string& AName) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return core::JoinPath(core::ExtractFileDir(platform::windows::Narrow(self)), AName);
}

std::string ProgramBytes(const update::TFileVersion& AVersion, const std::string& AFiller) {
  static const std::string standIn = ReadFile(BesideThisProgram("program_stand_in.exe"));
  const std::size_t info = standIn.find(FixedInfoSignature);
  if (info == std::string::npos) throw std::runtime_error("the program stand-in has no version");
  std::string bytes = standIn;
  PutLittle(bytes, info + FileVersionOffset, 4,
            (std::uint32_t{AVersion.Major} << 16) | AVersion.Minor);
  PutLittle(bytes, info + FileVersionOffset + 4, 4,
            (std::uint32_t{AVersion.Release} << 16) | AVersion.Build);
  return bytes + AFiller;
}

// One folder of stored data, which the format allows in blocks of up to 32 KiB; a checksum
// of 0 stands for none.
std::string CabinetBytes(const std::vector<update::TCabinetFile>& AFiles) {
  constexpr std::size_t HeaderSize = 36;
  constexpr std::size_t FolderSize = 8;
  constexpr std::size_t BlockSize = 32768;
  constexpr std::uint32_t Archive = 0x20;
  constexpr std::uint32_t Executable = 0x40;
  std::string data;
  std::string table;
  for (const update::TCabinetFile& file : AFiles) {
    AppendLittle(table, 4, static_cast<std::uint32_t>(file.Bytes.size()));
    AppendLittle(table, 4, static_cast<std::uint32_t>(data.size()));
    AppendLittle(table, 2, 0);       // the folder
    AppendLittle(table, 2, 0x5821);  // 1 January 2024
    AppendLittle(table, 2, 0);
    AppendLittle(table, 2, file.Executable ? Archive | Executable : Archive);
    table += file.Name + '\0';
    data += file.Bytes;
  }
  std::string blocks;
  std::uint32_t blockCount = 0;
  for (std::size_t at = 0; at < data.size() || blockCount == 0; at += BlockSize, ++blockCount) {
    const std::string block = data.substr(at, BlockSize);
    AppendLittle(blocks, 4, 0);
    AppendLittle(blocks, 2, static_cast<std::uint32_t>(block.size()));
    AppendLittle(blocks, 2, static_cast<std::uint32_t>(block.size()));
    blocks += block;
  }
  const auto tableAt = static_cast<std::uint32_t>(HeaderSize + FolderSize);
  const auto dataAt = static_cast<std::uint32_t>(tableAt + table.size());
  std::string cabinet = "MSCF";
  AppendLittle(cabinet, 4, 0);
  AppendLittle(cabinet, 4, static_cast<std::uint32_t>(dataAt + blocks.size()));
  AppendLittle(cabinet, 4, 0);
  AppendLittle(cabinet, 4, tableAt);
  AppendLittle(cabinet, 4, 0);
  AppendLittle(cabinet, 1, 3);  // format version 1.3
  AppendLittle(cabinet, 1, 1);
  AppendLittle(cabinet, 2, 1);  // folders
  AppendLittle(cabinet, 2, static_cast<std::uint32_t>(AFiles.size()));
  AppendLittle(cabinet, 2, 0);  // no cabinet before or after it
  AppendLittle(cabinet, 2, 0x5359);
  AppendLittle(cabinet, 2, 0);
  AppendLittle(cabinet, 4, dataAt);
  AppendLittle(cabinet, 2, blockCount);
  AppendLittle(cabinet, 2, 0);  // stored
  return cabinet + table + blocks;
}

TExpandTool::TExpandTool() : FVariable("WINDIR", FWindows.Path()) {
  std::filesystem::create_directory(core::FileSystemPath(FWindows / "System32"));
  if (!CopyFileW(platform::windows::Widen(BesideThisProgram("expand_stand_in.exe")).c_str(),
                 platform::windows::Widen(FWindows / "System32\\expand.exe").c_str(), FALSE))
    throw std::runtime_error("cannot put the stand-in expand tool in place");
}

}  // namespace skyrelle::test_support
