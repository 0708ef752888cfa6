#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "update/HttpTransfer.h"
#include "update/UpdateScript.h"

namespace skyrelle::update {

// The start's one call, before any window: asks the maker's site whether a newer program is
// offered (StartupDescriptorURL) and, when one is, replaces the program and ends it with exit
// code 0; otherwise returns, whatever went wrong. Raises nothing.
void CheckForUpdateAtStart();

// The same for any descriptor address. No request is sent when the start is the one that the
// replacement script made (SKYRELLE_UPDATED=1, which is then removed from the environment),
// or when the program may not replace itself (platform::MayReplaceProgramFile).
void CheckForUpdate(const std::string& ADescriptorURL);

// How a check ended. The start goes on after every end but Launched.
enum class TCheckEnd {
  NoDescriptor,      // the descriptor could not be fetched, or was empty
  NoPackageURL,      // `url` is empty or missing, whatever `unconditional` says
  NotNewer,          // the site's version is not newer and nothing asks for the package
  HostileName,       // `url` or `localversion` names no plain file inside UpdateFolder
  NoPackage,         // the package could not be fetched, or was empty
  SizeDiffers,       // the package's size differs from a positive `filesize`
  DigestDiffers,     // the package's SHA-256 differs from `sha256`
  SignatureInvalid,  // the build requires a signature and the package has no valid one
  NotExpanded,       // the cabinet could not be expanded
  NoProgramFile,     // the file named by `localversion` is not among the expanded files
  SameProgram,       // the package's program file is the running one, byte for byte
  Failed,            // an error was raised on the way
  Launched,          // the replacement was handed to the launcher
};

// What a check works with besides the descriptor's address.
struct TCheckContext {
  std::string ProgramPath;
  std::string PrivateFolder;  // UpdateFolder and the script live in it
  std::string PublicKey;      // base64 Ed25519 key; empty: no signature is required
  // Starts the replacement; LaunchUpdateScript ends the program.
  std::function<void(const TReplacement&)> Launch;
};

// The check's steps, from creating UpdateFolder to launching the replacement. Raises nothing.
TCheckEnd RunUpdateCheck(const std::string& ADescriptorURL, const TCheckContext& AContext);

// "hvnTempUpdatePrgm" in the private folder.
std::string UpdateFolderIn(const std::string& APrivateFolder);

// The local file name that a descriptor's `url` or `localversion` gives: the text after its
// last "\" or ":". Nothing when that is empty, "." or "..", or holds "/" or NUL, any of which
// would name something outside UpdateFolder; nor when Windows would read it as another name
// (it drops trailing dots and spaces, so ".. " is the parent folder) or as a device ("NUL",
// "COM1.cab"...).
std::optional<std::string> DescriptorFileNamePart(std::string_view AValue);

// Fetches AURL into AFileName, deleting an older file of that name first: true only when the
// whole answer was stored and is not empty. On false nothing is left under AFileName.
bool DownloadFile(const std::string& AURL, const std::string& AFileName,
                  const TTransferLimits& ALimits);

// The file's size in bytes, or -1 when there is none.
std::int64_t GetLocalFileSize(const std::string& AFileName);

}  // namespace skyrelle::update
