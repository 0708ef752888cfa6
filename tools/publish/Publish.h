#pragma once

#include <optional>
#include <string>

#include "update/Version.h"

namespace skyrelle::publish {

struct TPublishOptions {
  std::string Program;     // the program file to publish
  std::string SiteFolder;  // the web site's root folder
  bool MoveMode = false;   // the package is the bare program instead of a cabinet
  std::string Notes;       // release notes; line breaks become "\n"
  std::string Installer;   // an installation program to publish beside the packages
  std::optional<update::TFileVersion> Version;  // stamped into the published copy
  bool Unconditional = false;
  std::string PrivateKey;  // PEM file of the Ed25519 key that signs the package
};

// The files written, for the report.
struct TPublished {
  std::string Descriptor;
  std::string Package;
  std::string Cabinet;
  std::string Installer;  // empty without one
  std::string Version;
};

// Reads "A.B.C.D", four numbers from 0 to 65535. Raises std::runtime_error.
update::TFileVersion ParseReleaseVersion(const std::string& AText);

// Writes what the site serves for this platform below AOptions.SiteFolder: the package, the
// cabinet for manual downloads, the installer if any and, last, the descriptor that names
// them, each whole. Raises std::runtime_error.
TPublished Publish(const TPublishOptions& AOptions);

}  // namespace skyrelle::publish
