#include "update/MakerSite.h"

#include <cstdlib>

#include "core/Paths.h"
#include "core/Text.h"

namespace skyrelle::update {
namespace {

constexpr std::string_view SiteDomain = SKYRELLE_SITE_DOMAIN;
constexpr std::string_view DonationButtonId = SKYRELLE_DONATION_BUTTON_ID;
constexpr std::string_view FilesFolder = "/files/";
constexpr std::string_view PlatformFolder = SKYRELLE_SITE_PLATFORM_FOLDER;

// SKYRELLE_SITE_URL without its trailing "/", or empty when unset or not an http(s) address.
std::string SiteOverride() {
  const char* value = std::getenv("SKYRELLE_SITE_URL");
  if (value == nullptr) return {};
  std::string address(value);
  const std::string lower = core::AsciiLowerCase(address);
  if (!lower.starts_with("http://") && !lower.starts_with("https://")) return {};
  while (address.ends_with('/')) address.pop_back();
  return address;
}

std::string SiteAddress(std::string_view HostPrefix) {
  if (std::string address = SiteOverride(); !address.empty()) return address;
  return "https://" + std::string(HostPrefix) + std::string(SiteDomain);
}

std::string RemoveDebugMarks(std::string_view Name) {
  constexpr std::string_view debug = "_debug";
  std::string result;
  std::size_t pos = 0;
  while (pos < Name.size()) {
    if (core::AsciiLowerCase(Name.substr(pos, debug.size())) == debug) {
      pos += debug.size();
    } else {
      result += Name[pos++];
    }
  }
  return result;
}

}  // namespace

std::string SiteAddressA() { return SiteAddress(""); }

std::string SiteAddressB() { return SiteAddress("www."); }

std::string WebSiteHostName() {
  const std::string address = SiteAddressB();
  const std::size_t host = address.find("://") + 3;
  return address.substr(host, address.find('/', host) - host);
}

std::string DescriptorFileName(std::string_view ProgramFileName) {
  return core::ChangeFileExt(ProgramFileName, ".INF");
}

std::string AboutDescriptorFileName(std::string_view ProgramFileName) {
  return RemoveDebugMarks(DescriptorFileName(ProgramFileName));
}

std::string CabinetFileName(std::string_view ProgramFileName) {
  return core::ChangeFileExt(ProgramFileName, ".CAB");
}

std::string InstallerFileName(std::string_view RunBefore) {
  const std::size_t separator = RunBefore.find_last_of("/\\");
  const std::string_view name =
      separator == std::string_view::npos ? RunBefore : RunBefore.substr(separator + 1);
  if (name == "." || name == "..") return {};
  return std::string(name);
}

std::string PlatformFilesPath() {
  return WindowsFilesPath() + std::string(PlatformFolder) + (PlatformFolder.empty() ? "" : "/");
}

std::string WindowsFilesPath() { return std::string(FilesFolder); }

std::string StartupDescriptorURL(std::string_view ProgramFileName) {
  return SiteAddressA() + PlatformFilesPath() + DescriptorFileName(ProgramFileName);
}

std::string AboutDescriptorURL(std::string_view ProgramFileName) {
  return SiteAddressB() + PlatformFilesPath() + AboutDescriptorFileName(ProgramFileName);
}

std::string ExtractURLPath(std::string_view URL) {
  const std::size_t slash = URL.rfind('/');
  return slash == std::string_view::npos ? std::string(URL) + "/"
                                         : std::string(URL.substr(0, slash + 1));
}

std::string PackageURL(std::string_view DescriptorURL, std::string_view Url) {
  return ExtractURLPath(DescriptorURL) + std::string(Url);
}

std::string CabinetURL(std::string_view ProgramFileName) {
  return SiteAddressB() + PlatformFilesPath() + CabinetFileName(ProgramFileName);
}

std::string InstallerURL(std::string_view RunBefore) {
  const std::string name = InstallerFileName(RunBefore);
  return name.empty() ? std::string() : SiteAddressB() + PlatformFilesPath() + name;
}

std::string WebSitePageURL() { return SiteAddressB() + "/wiki/doku.php"; }

std::string LicenceAgreementURL() { return SiteAddressB() + "/wiki/doku.php?id=start:utils:eula"; }

std::string DonationPageURL() {
  return "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=" +
         std::string(DonationButtonId);
}

}  // namespace skyrelle::update
