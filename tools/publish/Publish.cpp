#include "tools/publish/Publish.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "core/Paths.h"
#include "platform/FileSystem.h"
#include "tools/publish/WindowsProgram.h"
#include "update/Cabinet.h"
#include "update/FileVersion.h"
#include "update/MakerSite.h"
#include "update/PackageIntegrity.h"

namespace skyrelle::publish {
namespace {

namespace fs = std::filesystem;

std::string ReadOrFail(const std::string& AFileName) {
  std::optional<std::string> bytes = update::ReadWholeFile(AFileName);
  if (!bytes) throw std::runtime_error("Cannot read " + AFileName);
  return std::move(*bytes);
}

// A descriptor value is one line of text.
void RequireOneLine(const std::string& AWhat, const std::string& AText) {
  for (const char c : AText)
    if (static_cast<unsigned char>(c) < ' ')
      throw std::runtime_error(AWhat + " holds a control character: " + AText);
}

// Line breaks become the two characters "\n" that the About window turns back into breaks.
std::string OneLineNotes(const std::string& ANotes) {
  std::string line;
  for (std::size_t i = 0; i < ANotes.size(); ++i) {
    if (ANotes[i] == '\r' && i + 1 < ANotes.size() && ANotes[i + 1] == '\n') continue;
    if (ANotes[i] == '\r' || ANotes[i] == '\n') {
      line += "\\n";
    } else if (static_cast<unsigned char>(ANotes[i]) < ' ') {
      line += ' ';
    } else {
      line += ANotes[i];
    }
  }
  return line;
}

struct TDescriptorValues {
  bool Unconditional = false;
  std::string Notes;
  std::string Url;
  std::string NewVersion;
  std::string LocalVersion;
  bool Compressed = false;
  std::size_t FileSize = 0;
  std::string Sha256;
  std::string Signature;
  std::string RunBefore;
};

std::string DescriptorText(const TDescriptorValues& AValues) {
  std::string text = "; Written by skyrelle-publish.\n[update]\n";
  text += "unconditional=" + std::string(AValues.Unconditional ? "1" : "0") + "\n";
  text += "descr=" + AValues.Notes + "\n";
  text += "\n[file1]\n";
  text += "url=" + AValues.Url + "\n";
  text += "newversion=" + AValues.NewVersion + "\n";
  text += "localversion=" + AValues.LocalVersion + "\n";
  text += "compressed=" + std::string(AValues.Compressed ? "1" : "0") + "\n";
  text += "filesize=" + std::to_string(AValues.FileSize) + "\n";
  text += "sha256=" + AValues.Sha256 + "\n";
  if (!AValues.Signature.empty()) text += "signature=" + AValues.Signature + "\n";
  text += "\n[action]\n";
  text += "runbefore=" + AValues.RunBefore + "\n";
  return text;
}

// Windows reads the descriptor as Windows text: CR LF, and a UTF-8 byte-order mark when it holds
// more than ASCII, without which the About window would take its release notes as 8-bit text.
std::string WindowsText(const std::string& AText) {
  std::string text;
  for (const char c : AText) {
    if (c == '\n') text += '\r';
    text += c;
  }
  const bool ascii = std::ranges::all_of(AText, [](char AChar) { return (AChar & 0x80) == 0; });
  return ascii ? text : "\xEF\xBB\xBF" + text;
}

// The program as published: its file name, its bytes with the release's numbers, and which
// platform's program it is.
struct TProgram {
  std::string Name;
  std::string Bytes;
  std::string Version;
  bool Windows = false;
};

// Its numbers are the VERSIONINFO resource's, which only its build writes: rewriting a
// resource inside a finished program is left to the linker.
std::string WindowsProgramVersion(const TPublishOptions& AOptions, const std::string& ABytes) {
  if (AOptions.Version)
    throw std::runtime_error(AOptions.Program +
                             " is a Windows program: its version comes from its build and "
                             "cannot be stamped into it (--set-version)");
  try {
    return update::FormatVersion(ReadWindowsFileVersion(ABytes));
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(AOptions.Program + ": " + error.what());
  }
}

TProgram ReadProgram(const TPublishOptions& AOptions) {
  TProgram program{.Name = core::ExtractFileName(AOptions.Program)};
  RequireOneLine("The program's file name", program.Name);
  program.Bytes = ReadOrFail(AOptions.Program);
  program.Windows = IsWindowsProgram(program.Bytes);
  if (program.Windows) {
    program.Version = WindowsProgramVersion(AOptions, program.Bytes);
  } else if (AOptions.Version) {
    if (!update::StampVersionRecord(program.Bytes, *AOptions.Version))
      throw std::runtime_error(AOptions.Program + " holds no version record");
    program.Version = update::FormatVersion(*AOptions.Version);
  } else {
    program.Version = update::GetFileVersionText(AOptions.Program);
    if (program.Version.empty())
      throw std::runtime_error(AOptions.Program + " holds no version record");
  }
  return program;
}

}  // namespace

update::TFileVersion ParseReleaseVersion(const std::string& AText) {
  std::uint16_t numbers[4] = {};
  std::size_t start = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t end = i < 3 ? AText.find('.', start) : AText.size();
    const std::string piece = end == std::string::npos ? "" : AText.substr(start, end - start);
    std::int32_t number = -1;
    if (piece.empty() || piece.find_first_not_of("0123456789") != std::string::npos ||
        !update::TryParseInt32(piece, number) || number > 0xFFFF)
      throw std::runtime_error("Not a version A.B.C.D with numbers up to 65535: " + AText);
    numbers[i] = static_cast<std::uint16_t>(number);
    start = end + 1;
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

TPublished Publish(const TPublishOptions& AOptions) {
  const TProgram program = ReadProgram(AOptions);
  TPublished published{.Version = program.Version};

  const std::string files =
      program.Windows ? update::WindowsFilesPath() : update::PlatformFilesPath();
  const fs::path folder = fs::path(AOptions.SiteFolder) / files.substr(1);
  fs::create_directories(folder);
  // A cabinet's mark that keeps a Linux program executable (_A_EXEC) asks Windows' extractors
  // to run the file once it is out.
  const std::string cabinet = update::MakeCabinet(
      {{.Name = program.Name, .Bytes = program.Bytes, .Executable = !program.Windows}});
  published.Cabinet = (folder / update::CabinetFileName(program.Name)).string();
  platform::WriteFileWhole(published.Cabinet, cabinet);

  TDescriptorValues values{.Unconditional = AOptions.Unconditional,
                           .Notes = OneLineNotes(AOptions.Notes),
                           .NewVersion = program.Version,
                           .LocalVersion = program.Name,
                           .Compressed = !AOptions.MoveMode};
  const std::string& package = AOptions.MoveMode ? program.Bytes : cabinet;
  values.Url = AOptions.MoveMode ? program.Name : update::CabinetFileName(program.Name);
  published.Package = (folder / values.Url).string();
  if (AOptions.MoveMode)
    platform::WriteFileWhole(published.Package, program.Bytes,
                             platform::TFileAccess::ProgramForAll);
  if (package.size() > 0x7FFFFFFF)
    throw std::runtime_error("The package is larger than a descriptor can tell (2 GiB)");
  values.FileSize = package.size();
  values.Sha256 = update::Sha256Hex(package);
  if (!AOptions.PrivateKey.empty())
    values.Signature = update::SignBytes(package, AOptions.PrivateKey);

  if (!AOptions.Installer.empty()) {
    values.RunBefore = update::InstallerFileName(AOptions.Installer);
    if (values.RunBefore.empty())
      throw std::runtime_error("Not an installer's file name: " + AOptions.Installer);
    RequireOneLine("The installer's file name", values.RunBefore);
    published.Installer = (folder / values.RunBefore).string();
    platform::WriteFileWhole(published.Installer, ReadOrFail(AOptions.Installer));
  }

  published.Descriptor = (folder / update::DescriptorFileName(program.Name)).string();
  const std::string descriptor = DescriptorText(values);
  platform::WriteFileWhole(published.Descriptor,
                           program.Windows ? WindowsText(descriptor) : descriptor);
  return published;
}

}  // namespace skyrelle::publish
