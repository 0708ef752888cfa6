#pragma once

#include <string>
#include <vector>

#include "update/Version.h"

namespace skyrelle::test_support {

// A small stand-in for a program file: a few bytes around this build's version record,
// stamped with Version.
std::string ProgramBytes(const update::TFileVersion& AVersion,
                         const std::string& AFiller = "program");

// The file's bytes; the empty text when there is no such file (yet).
std::string ReadFile(const std::string& AFileName);
// Permission bits, or -1 when there is no such file.
int ModeOf(const std::string& AFileName);

// Every name below the folder, relative to it and sorted; empty when there is no folder.
std::vector<std::string> TreeOf(const std::string& AFolder);

// An Ed25519 key made for the test.
struct TSigningKey {
  std::string PrivatePem;
  std::string PublicKey;      // base64 of the 32 key bytes
  std::string PublicKeyInfo;  // base64 of its SubjectPublicKeyInfo, as "openssl pkey -pubout"
};
TSigningKey MakeSigningKey();

}  // namespace skyrelle::test_support
