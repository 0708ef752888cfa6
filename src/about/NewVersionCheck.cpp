#include "about/NewVersionCheck.h"

#include <filesystem>

#include "about/Download.h"
#include "about/ShellKnownPath.h"
#include "core/Paths.h"
#include "platform/DataFolders.h"
#include "update/Descriptor.h"
#include "update/FileVersion.h"
#include "update/MakerSite.h"
#include "update/Version.h"

namespace skyrelle::about {
namespace {

// Removes the file when it goes out of scope, whatever happened in between.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(std::string Name) : FName(std::move(Name)) {}
  ~TTemporaryFile() {
    std::error_code ignored;
    std::filesystem::remove(core::FileSystemPath(FName), ignored);
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  const std::string& Name() const { return FName; }

 private:
  std::string FName;
};

// What the fetched descriptor offers against the program file's version.
TNewVersionNotice ReadNotice(const std::string& ProgramPath, const std::string& Descriptor) {
  const auto reader = update::TAboutDescriptorReader::FromFile(Descriptor);
  const std::string newVersion = reader.ReadString("file1", "newversion", "");
  TNewVersionNotice notice;
  notice.News = reader.ReadString("update", "descr", "");
  notice.ExeSetup = reader.ReadString("action", "runbefore", "");
  const update::TFileVersion current = update::ReadFileVersion(ProgramPath);
  notice.NewVersionAvalaible = update::ParseNoticeVersion(newVersion) > current;
  return notice;
}

}  // namespace

TNewVersionNotice CheckForNewVersion(const std::string& ProgramPath, const TDownloader& Download) {
  TNewVersionNotice notice;
  const std::string descriptorName = MakeTempFileName(".tmp");
  // Without a temporary folder the name is a bare one, in whatever folder the program runs
  // in: that counts as a failed download, and nothing of that folder is written or removed.
  if (!core::ExtractFileDir(descriptorName).empty()) {
    const TTemporaryFile descriptor(descriptorName);
    const std::string programFile = core::ExtractFileName(ProgramPath);
    if (Download(update::AboutDescriptorURL(programFile), descriptor.Name()))
      notice = ReadNotice(ProgramPath, descriptor.Name());
  }
  notice.News = update::ReleaseNotesWithLineBreaks(notice.News);
  return notice;
}

std::optional<TManualDownload> ManualDownloadFor(int Tag, const std::string& ProgramPath,
                                                 const std::string& ExeSetup,
                                                 const std::string& DownloadFolder) {
  const std::string programFile = core::ExtractFileName(ProgramPath);
  std::string fileName;
  std::string url;
  if (Tag == 1) {
    fileName = update::InstallerFileName(ExeSetup);
    url = update::InstallerURL(ExeSetup);
  } else if (Tag == 2) {
    fileName = update::CabinetFileName(programFile);
    url = update::CabinetURL(programFile);
  }
  if (fileName.empty()) return std::nullopt;
  return TManualDownload{url, core::JoinPath(DownloadFolder, fileName)};
}

std::string DownloadFolder() {
  std::string folder = GetKnownFolderPath(FOLDERID_Downloads);
  if (folder.empty()) folder = platform::HomeFolder();
  std::error_code ignored;
  std::filesystem::create_directories(core::FileSystemPath(folder), ignored);
  return core::IncludeTrailingPathDelimiter(folder);
}

}  // namespace skyrelle::about
