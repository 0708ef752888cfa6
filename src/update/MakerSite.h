#pragma once

#include <string>
#include <string_view>

namespace skyrelle::update {

// The maker's web site, reached over HTTPS under the bare domain (host A) and the domain with
// the "www." prefix (host B). The domain is fixed when the program is built
// (SKYRELLE_SITE_DOMAIN). When the environment variable SKYRELLE_SITE_URL holds an http or
// https address, such as a mirror or a test server, it stands for both hosts.
// Addresses never end in "/".

// "https://" and host A.
std::string SiteAddressA();
// "https://" and host B.
std::string SiteAddressB();
// Host B's name as the About window shows it (the host and port of SKYRELLE_SITE_URL).
std::string WebSiteHostName();

// The program's file name with its extension replaced by ".INF".
std::string DescriptorFileName(std::string_view ProgramFileName);
// The same, with every "_debug" removed whatever its case.
std::string AboutDescriptorFileName(std::string_view ProgramFileName);
// The program's file name with its extension replaced by ".CAB".
std::string CabinetFileName(std::string_view ProgramFileName);
// The file-name part of a descriptor's `runbefore` ("/" and "\" both end a folder); the empty
// text when that part is empty, "." or "..", which would name a folder rather than a file.
std::string InstallerFileName(std::string_view RunBefore);

// Where the site keeps this platform's descriptor and packages: "/files/" and, for a program
// other than the Windows one, a folder of its platform and processor ("/files/linux-x86_64/"),
// so that no program ever fetches another platform's package.
std::string PlatformFilesPath();
// Where the Windows program finds them: "/files/" itself.
std::string WindowsFilesPath();

// The start-up check's descriptor: host A, PlatformFilesPath and DescriptorFileName.
std::string StartupDescriptorURL(std::string_view ProgramFileName);
// The About window's descriptor: host B, PlatformFilesPath and AboutDescriptorFileName.
std::string AboutDescriptorURL(std::string_view ProgramFileName);
// The address up to and including its last "/"; an address without "/" followed by "/".
std::string ExtractURLPath(std::string_view URL);
// ExtractURLPath of the descriptor's address, followed by the descriptor's `url` verbatim.
std::string PackageURL(std::string_view DescriptorURL, std::string_view Url);
// Host B, PlatformFilesPath and CabinetFileName.
std::string CabinetURL(std::string_view ProgramFileName);
// Host B, PlatformFilesPath and InstallerFileName; the empty text when that name is empty.
std::string InstallerURL(std::string_view RunBefore);
// Host B, "/wiki/doku.php".
std::string WebSitePageURL();
// Host B, "/wiki/doku.php?id=start:utils:eula".
std::string LicenceAgreementURL();
// The maker's PayPal donation page with the build's donation-button identifier.
std::string DonationPageURL();

}  // namespace skyrelle::update
