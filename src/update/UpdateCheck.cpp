#include "update/UpdateCheck.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/Paths.h"
#include "core/Text.h"
#include "platform/ProgramFile.h"
#include "platform/SelfUpdate.h"
#include "update/Cabinet.h"
#include "update/Descriptor.h"
#include "update/FileVersion.h"
#include "update/MakerSite.h"
#include "update/PackageIntegrity.h"
#include "update/Version.h"

namespace skyrelle::update {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view PublicKey = SKYRELLE_UPDATE_PUBLIC_KEY;

// What the check reads from the descriptor.
struct TOffer {
  bool Unconditional = false;
  std::string PackageURL;
  std::string NewVersion;
  std::string LocalVersion;
  std::int32_t Compressed = 0;
  std::int32_t FileSize = 0;
  std::string Sha256;
  std::string Signature;
};

TOffer ReadOffer(const std::string& ALocalDescriptor, const std::string& AProgramName) {
  const TDescriptorReader reader = TDescriptorReader::FromFile(ALocalDescriptor);
  TOffer offer;
  offer.Unconditional = reader.ReadInteger("update", "unconditional", 0) != 0;
  offer.PackageURL = reader.ReadString("file1", "url", "");
  offer.NewVersion = reader.ReadString("file1", "newversion", "");
  offer.LocalVersion = reader.ReadString("file1", "localversion", AProgramName);
  offer.Compressed = reader.ReadInteger("file1", "compressed", 0);
  offer.FileSize = reader.ReadInteger("file1", "filesize", 0);
  offer.Sha256 = reader.ReadString("file1", "sha256", "");
  offer.Signature = reader.ReadString("file1", "signature", "");
  return offer;
}

bool SameContent(const std::string& AFirst, const std::string& ASecond) {
  std::ifstream first(core::FileSystemPath(AFirst), std::ios::binary);
  std::ifstream second(core::FileSystemPath(ASecond), std::ios::binary);
  if (!first || !second) return false;
  constexpr std::size_t chunk = std::size_t{64} * 1024;
  std::string left(chunk, '\0');
  std::string right(chunk, '\0');
  for (;;) {
    first.read(left.data(), chunk);
    second.read(right.data(), chunk);
    if (first.gcount() != second.gcount() ||
        left.compare(0, static_cast<std::size_t>(first.gcount()), right, 0,
                     static_cast<std::size_t>(second.gcount())) != 0)
      return false;
    if (first.gcount() == 0 || !first) return !second.bad() && !first.bad();
  }
}

// The checks beyond the size: the digest the descriptor names, and the maker's signature
// when the build knows the maker's key. Nothing when the package passes them.
std::optional<TCheckEnd> CheckIntegrity(const std::string& APackage, const TOffer& AOffer,
                                        const std::string& APublicKey) {
  if (AOffer.Sha256.empty() && APublicKey.empty()) return std::nullopt;
  const std::optional<std::string> bytes = ReadWholeFile(APackage);
  if (!bytes) return TCheckEnd::Failed;
  if (!AOffer.Sha256.empty() && core::AsciiLowerCase(AOffer.Sha256) != Sha256Hex(*bytes))
    return TCheckEnd::DigestDiffers;
  if (!APublicKey.empty() && !VerifySignature(*bytes, AOffer.Signature, APublicKey))
    return TCheckEnd::SignatureInvalid;
  return std::nullopt;
}

// The package stage: the package is fetched, checked, unpacked and handed to the launcher.
TCheckEnd RunPackageStage(const std::string& ADescriptorURL, const TCheckContext& AContext,
                          const std::string& AUpdateFolder, const TOffer& AOffer) {
  const std::optional<std::string> packageName = DescriptorFileNamePart(AOffer.PackageURL);
  const std::optional<std::string> localVersion = DescriptorFileNamePart(AOffer.LocalVersion);
  if (!packageName || !localVersion) return TCheckEnd::HostileName;
  const std::string localPackage = core::JoinPath(AUpdateFolder, *packageName);
  if (!DownloadFile(PackageURL(ADescriptorURL, AOffer.PackageURL), localPackage, PackageLimits))
    return TCheckEnd::NoPackage;
  if (AOffer.FileSize > 0 && GetLocalFileSize(localPackage) != AOffer.FileSize)
    return TCheckEnd::SizeDiffers;
  if (const std::optional<TCheckEnd> end = CheckIntegrity(localPackage, AOffer, AContext.PublicKey))
    return *end;

  TReplacement replacement{.ProgramPath = AContext.ProgramPath,
                           .Source = localPackage,
                           .UpdateFolder = AUpdateFolder,
                           .CopyMode = AOffer.Compressed != 0};
  std::string newProgram = localPackage;
  if (replacement.CopyMode) {
    replacement.Source = core::JoinPath(AUpdateFolder, "extracted");
    if (!ExpandCabinet(localPackage, replacement.Source)) return TCheckEnd::NotExpanded;
    newProgram = core::JoinPath(replacement.Source, *localVersion);
    std::error_code ignored;
    if (!fs::is_regular_file(core::FileSystemPath(newProgram), ignored))
      return TCheckEnd::NoProgramFile;
  }
  // Without this, a descriptor that always asks for the package would replace the program
  // with itself at every start.
  if (SameContent(newProgram, AContext.ProgramPath)) return TCheckEnd::SameProgram;
  AContext.Launch(replacement);
  return TCheckEnd::Launched;
}

// The descriptor and the versions, then the package stage; errors raised on the way are the
// caller's.
TCheckEnd RunSteps(const std::string& ADescriptorURL, const TCheckContext& AContext) {
  const std::string programName = core::ExtractFileName(AContext.ProgramPath);
  const std::string updateFolder = UpdateFolderIn(AContext.PrivateFolder);
  std::error_code ignored;
  fs::create_directories(core::FileSystemPath(updateFolder), ignored);

  const std::string localDescriptor =
      core::JoinPath(updateFolder, core::ChangeFileExt(programName, ".inf"));
  if (!DownloadFile(ADescriptorURL, localDescriptor, DescriptorLimits))
    return TCheckEnd::NoDescriptor;
  const TOffer offer = ReadOffer(localDescriptor, programName);
  if (offer.PackageURL.empty()) return TCheckEnd::NoPackageURL;
  const std::string currentVersion = GetFileVersionText(AContext.ProgramPath);
  if (!offer.Unconditional && !offer.NewVersion.empty() &&
      !IsNewerVersion(offer.NewVersion, currentVersion))
    return TCheckEnd::NotNewer;

  return RunPackageStage(ADescriptorURL, AContext, updateFolder, offer);
}

// Windows takes these names, with any extension, for devices, not files in the folder.
bool IsDeviceName(std::string_view AName) {
  std::string stem = core::AsciiLowerCase(AName.substr(0, AName.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul" || stem == "conin$" ||
      stem == "conout$")
    return true;
  return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) &&
         stem[3] >= '0' && stem[3] <= '9';
}

// A start made by the replacement script skips the check once; its children do not inherit
// the mark.
bool TakeUpdatedMark() {
  const std::string mark(UpdatedMark);
  const char* value = std::getenv(mark.c_str());
  if (value == nullptr) return false;
  const bool updated = std::string_view(value) == "1";
  platform::RemoveEnvironmentVariable(mark);
  return updated;
}

}  // namespace

std::string UpdateFolderIn(const std::string& APrivateFolder) {
  return core::JoinPath(APrivateFolder, "hvnTempUpdatePrgm");
}

std::optional<std::string> DescriptorFileNamePart(std::string_view AValue) {
  const std::size_t separator = AValue.find_last_of("\\:");
  const std::string_view name =
      separator == std::string_view::npos ? AValue : AValue.substr(separator + 1);
  // "." and ".." end in a dot too.
  if (name.empty() || name.back() == '.' || name.back() == ' ' ||
      name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos ||
      IsDeviceName(name))
    return std::nullopt;
  return std::string(name);
}

std::int64_t GetLocalFileSize(const std::string& AFileName) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(core::FileSystemPath(AFileName), error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

bool DownloadFile(const std::string& AURL, const std::string& AFileName,
                  const TTransferLimits& ALimits) {
  std::error_code error;
  fs::remove(core::FileSystemPath(AFileName), error);
  if (error) return false;
  if (FetchToFile(AURL, AFileName, ALimits) && GetLocalFileSize(AFileName) > 0) return true;
  fs::remove(core::FileSystemPath(AFileName), error);
  return false;
}

TCheckEnd RunUpdateCheck(const std::string& ADescriptorURL, const TCheckContext& AContext) {
  try {
    return RunSteps(ADescriptorURL, AContext);
  } catch (...) {
    return TCheckEnd::Failed;
  }
}

void CheckForUpdate(const std::string& ADescriptorURL) {
  if (TakeUpdatedMark()) return;
  try {
    const std::string program = platform::ProgramFilePath();
    if (!platform::MayReplaceProgramFile(program)) return;
    RunUpdateCheck(ADescriptorURL, {.ProgramPath = program,
                                    .PrivateFolder = platform::PrivateRuntimeFolder(),
                                    .PublicKey = std::string(PublicKey),
                                    .Launch = LaunchUpdateScript});
  } catch (...) {
  }
}

void CheckForUpdateAtStart() {
  try {
    CheckForUpdate(StartupDescriptorURL(core::ExtractFileName(platform::ProgramFilePath())));
  } catch (...) {
  }
}

}  // namespace skyrelle::update
