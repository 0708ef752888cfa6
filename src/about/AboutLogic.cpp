#include "about/AboutLogic.h"

#include "about/Download.h"
#include "about/NewVersionCheck.h"
#include "about/OSVersion.h"
#include "app/ApplicationTitle.h"
#include "update/FileVersion.h"
#include "update/MakerSite.h"
#include "update/Version.h"

namespace skyrelle::about {

std::optional<std::string> WebLinkTarget(int Tag) {
  switch (Tag) {
    case 1:
      return update::WebSitePageURL();
    case 2:
      return update::DonationPageURL();
    case 3:
      return update::LicenceAgreementURL();
    default:
      return std::nullopt;
  }
}

TAboutLogic::TAboutLogic(IAboutView& View, std::string ProgramPath, std::string ToolchainLine)
    : FView(View), FProgramPath(std::move(ProgramPath)), FToolchainLine(std::move(ToolchainLine)) {}

void TAboutLogic::FormCreate() {
  FView.HideBug();
  FView.AlignTitleWithBug();
  FView.ShowTitle(app::ApplicationTitle(FProgramPath));
  FView.ShowVersion("Version " + update::FormatVersion(update::ReadFileVersion(FProgramPath)));
  CheckForNewVersion();
  FView.ShowNewVersionNotice(FNewVersionAvalaible);
  FView.ShowNews(FNews);
  FView.ShowWindowsVersion(GetOSVersionText());
  FView.ShowToolchain(FToolchainLine);
  FView.EnableSetup(!FExeSetup.empty());
}

void TAboutLogic::CheckForNewVersion() {
  FNewVersionAvalaible = false;
  const TNewVersionNotice notice = about::CheckForNewVersion(
      FProgramPath, [this](const std::string& URL, const std::string& FileName) {
        return FView.Download(URL, FileName, DescriptorLimits);
      });
  FNewVersionAvalaible = notice.NewVersionAvalaible;
  FNews = notice.News;
  FExeSetup = notice.ExeSetup;
}

void TAboutLogic::WebLinkClick(int Tag) {
  if (const auto target = WebLinkTarget(Tag)) FView.OpenURL(*target);
}

void TAboutLogic::menNewVersionClick(int Tag) {
  const auto download = ManualDownloadFor(Tag, FProgramPath, FExeSetup, DownloadFolder());
  if (!download) return;
  if (!FView.Download(download->URL, download->Target, ManualDownloadLimits))
    FView.ShowError(std::string(DownloadFailedMessage));
  else if (FView.Confirm(std::string(DownloadedQuestion)))
    FView.ShowInFileManager(download->Target);
}

}  // namespace skyrelle::about
