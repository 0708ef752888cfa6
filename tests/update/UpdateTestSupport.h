#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "update/Version.h"

namespace skyrelle::update::testing {

// A small stand-in for a program file: a few bytes around this build's version record,
// stamped with Version.
std::string ProgramBytes(const TFileVersion& AVersion, const std::string& AFiller = "program");

// Runs the program (path first) with the test's environment and waits for it: its exit
// status, or -1 when it did not run normally.
int RunAndWait(const std::vector<std::string>& AArguments, const std::string& AWorkingFolder = "");
// Starts it without waiting; its process id.
pid_t Start(const std::vector<std::string>& AArguments);

std::string ReadFile(const std::string& AFileName);
// Permission bits, or -1 when there is no such file.
int ModeOf(const std::string& AFileName);

// Every name below the folder, relative to it and sorted; empty when there is no folder.
std::vector<std::string> TreeOf(const std::string& AFolder);

// Waits up to ASeconds for the condition, checking every 50 ms.
bool WaitFor(double ASeconds, const std::function<bool()>& ACondition);

// An Ed25519 key made for the test.
struct TSigningKey {
  std::string PrivatePem;
  std::string PublicKey;      // base64 of the 32 key bytes
  std::string PublicKeyInfo;  // base64 of its SubjectPublicKeyInfo, as "openssl pkey -pubout"
};
TSigningKey MakeSigningKey();

}  // namespace skyrelle::update::testing
