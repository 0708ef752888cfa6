#pragma once

#include <string>
#include <vector>

#include "support/ScopedVariable.h"
#include "support/TempFolder.h"
#include "update/Cabinet.h"
#include "update/Version.h"

namespace skyrelle::test_support {

// A small stand-in for a program file, carrying Version as the system reads a program's
// version: on Linux a few bytes around this build's version record, on Windows the program
// stand-in beside the test with the numbers of its version resource changed. AFiller makes
// two files of the same version differ.
std::string ProgramBytes(const update::TFileVersion& AVersion,
                         const std::string& AFiller = "program");

// The bytes of a cabinet archive holding the files (on Windows stored without compression).
std::string CabinetBytes(const std::vector<update::TCabinetFile>& AFiles);

// The file's bytes; the empty text when there is no such file (yet).
std::string ReadFile(const std::string& AFileName);

// Every name below the folder, relative to it with "/" between folders, and sorted; empty
// when there is no folder.
std::vector<std::string> TreeOf(const std::string& AFolder);

#ifdef _WIN32
// A program built beside the running test: "program_stand_in.exe" and the like.
std::string BesideThisProgram(const std::string& AName);

// Stands WINDIR, while it lives, on a folder whose System32\expand.exe is the stand-in expand
// tool (Wine's own lacks "-F:*").
class TExpandTool {
 public:
  TExpandTool();
  // What WINDIR names.
  const std::string& WindowsFolder() const { return FWindows.Path(); }

 private:
  TTempFolder FWindows;
  TScopedVariable FVariable;
};
#else
// Permission bits, or -1 when there is no such file.
int ModeOf(const std::string& AFileName);

// An Ed25519 key made for the test.
struct TSigningKey {
  std::string PrivatePem;
  std::string PublicKey;      // base64 of the 32 key bytes
  std::string PublicKeyInfo;  // base64 of its SubjectPublicKeyInfo, as "openssl pkey -pubout"
};
TSigningKey MakeSigningKey();
#endif

}  // namespace skyrelle::test_support
