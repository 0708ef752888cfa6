#include "platform/SelfUpdate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/FileSystem.h"
#include "platform/linux/SpawnSetup.h"

extern char** environ;

namespace skyrelle::platform {
namespace {

std::string WithoutTrailingSeparators(std::string APath) {
  while (APath.size() > 1 && APath.back() == '/') APath.pop_back();
  return APath;
}

// An absolute folder named by the variable, or the empty text.
std::string AbsoluteFolderFrom(const char* AVariable) {
  const char* value = std::getenv(AVariable);
  if (value == nullptr || value[0] != '/') return {};
  return WithoutTrailingSeparators(value);
}

void RequirePrivateFolder(const std::string& AFolder) {
  struct stat info {};
  if (::lstat(AFolder.c_str(), &info) != 0)
    throw std::runtime_error("Cannot use " + AFolder + ": " + std::strerror(errno));
  if (!S_ISDIR(info.st_mode)) throw std::runtime_error(AFolder + " is not a folder");
  if (info.st_uid != ::geteuid()) throw std::runtime_error(AFolder + " belongs to another user");
  if ((info.st_mode & 077) != 0) throw std::runtime_error(AFolder + " is open to other users");
}

// The canonical path; the text itself when it cannot be resolved.
std::string WithoutLinks(const std::string& APath) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(APath, error);
  return error ? APath : canonical.string();
}

}  // namespace

std::string PrivateRuntimeFolder() {
  if (std::string runtime = AbsoluteFolderFrom("XDG_RUNTIME_DIR"); !runtime.empty()) {
    RequirePrivateFolder(runtime);
    return runtime;
  }
  std::string temporary = AbsoluteFolderFrom("TMPDIR");
  if (temporary.empty()) temporary = "/tmp";
  const std::string folder =
      (temporary == "/" ? "" : temporary) + "/skyrelle-" + std::to_string(::geteuid());
  CreatePrivateFolder(folder);
  RequirePrivateFolder(folder);
  return folder;
}

bool MayReplaceProgramFile(const std::string& AFileName) {
  struct stat info {};
  if (AFileName.empty() || AFileName.find('\0') != std::string::npos ||
      WithoutLinks(AFileName).starts_with("/usr/") || ::stat(AFileName.c_str(), &info) != 0 ||
      !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
    return false;
  const std::string folder = std::filesystem::path(AFileName).parent_path().string();
  return ::faccessat(AT_FDCWD, AFileName.c_str(), W_OK, AT_EACCESS) == 0 &&
         ::faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool StartDetachedProcess(const std::vector<std::string>& AArguments) {
  if (AArguments.empty()) return false;
  TSpawnSetup setup;
  // Standard input and output on the null device, every other descriptor closed.
  posix_spawn_file_actions_addopen(&setup.Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&setup.Actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.Actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&setup.Actions, STDERR_FILENO + 1);
  setup.CleanSignals(POSIX_SPAWN_SETSID);
  std::vector<char*> argv = ArgumentPointers(AArguments);
  pid_t child = 0;
  return ::posix_spawn(&child, argv[0], &setup.Actions, &setup.Attributes, argv.data(), environ) ==
         0;
}

void RemoveEnvironmentVariable(const std::string& AName) { ::unsetenv(AName.c_str()); }

}  // namespace skyrelle::platform
