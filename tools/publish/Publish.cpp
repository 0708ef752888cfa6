#include "tools/publish/Publish.h"

#include <filesystem>
#include <stdexcept>

#include "core/Paths.h"
#include "platform/FileSystem.h"
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

// The program's bytes as published: with the release's numbers when they are given.
std::string PublishedProgram(const TPublishOptions& AOptions, std::string& AVersion) {
  std::string program = ReadOrFail(AOptions.Program);
  if (AOptions.Version) {
    if (!update::StampVersionRecord(program, *AOptions.Version))
      throw std::runtime_error(AOptions.Program + " holds no version record");
    AVersion = update::FormatVersion(*AOptions.Version);
  } else {
    AVersion = update::GetFileVersionText(AOptions.Program);
    if (AVersion.empty()) throw std::runtime_error(AOptions.Program + " holds no version record");
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
  const std::string programName = core::ExtractFileName(AOptions.Program);
  RequireOneLine("The program's file name", programName);
  TPublished published;
  const std::string program = PublishedProgram(AOptions, published.Version);

  const fs::path folder = fs::path(AOptions.SiteFolder) / update::PlatformFilesPath().substr(1);
  fs::create_directories(folder);
  const std::string cabinet =
      update::MakeCabinet({{.Name = programName, .Bytes = program, .Executable = true}});
  published.Cabinet = (folder / update::CabinetFileName(programName)).string();
  platform::WriteFileWhole(published.Cabinet, cabinet);

  TDescriptorValues values{.Unconditional = AOptions.Unconditional,
                           .Notes = OneLineNotes(AOptions.Notes),
                           .NewVersion = published.Version,
                           .LocalVersion = programName,
                           .Compressed = !AOptions.MoveMode};
  const std::string& package = AOptions.MoveMode ? program : cabinet;
  values.Url = AOptions.MoveMode ? programName : update::CabinetFileName(programName);
  published.Package = (folder / values.Url).string();
  if (AOptions.MoveMode)
    platform::WriteFileWhole(published.Package, program, platform::TFileAccess::ProgramForAll);
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

  published.Descriptor = (folder / update::DescriptorFileName(programName)).string();
  platform::WriteFileWhole(published.Descriptor, DescriptorText(values));
  return published;
}

}  // namespace skyrelle::publish
