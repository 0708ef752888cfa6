#include "platform/SelfUpdate.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/FileSystem.h"

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

// Restores the defaults a fresh program expects: every signal handled by default, none blocked.
class TSpawnAttributes {
 public:
  TSpawnAttributes() {
    ::posix_spawnattr_init(&FAttributes);
    sigset_t signals;
    ::sigfillset(&signals);
    ::posix_spawnattr_setsigdefault(&FAttributes, &signals);
    ::sigemptyset(&signals);
    ::posix_spawnattr_setsigmask(&FAttributes, &signals);
    ::posix_spawnattr_setflags(&FAttributes,
                               POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  ~TSpawnAttributes() { ::posix_spawnattr_destroy(&FAttributes); }
  TSpawnAttributes(const TSpawnAttributes&) = delete;
  TSpawnAttributes& operator=(const TSpawnAttributes&) = delete;
  const posix_spawnattr_t* Get() const { return &FAttributes; }

 private:
  posix_spawnattr_t FAttributes;
};

// Standard input and output on the null device, every other descriptor closed.
class TSpawnDescriptors {
 public:
  TSpawnDescriptors() {
    ::posix_spawn_file_actions_init(&FActions);
    ::posix_spawn_file_actions_addopen(&FActions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&FActions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(&FActions, 1, 2);
    ::posix_spawn_file_actions_addclosefrom_np(&FActions, 3);
  }
  ~TSpawnDescriptors() { ::posix_spawn_file_actions_destroy(&FActions); }
  TSpawnDescriptors(const TSpawnDescriptors&) = delete;
  TSpawnDescriptors& operator=(const TSpawnDescriptors&) = delete;
  const posix_spawn_file_actions_t* Get() const { return &FActions; }

 private:
  posix_spawn_file_actions_t FActions;
};

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
  std::vector<char*> argv;
  argv.reserve(AArguments.size() + 1);
  for (const std::string& argument : AArguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const TSpawnAttributes attributes;
  const TSpawnDescriptors descriptors;
  pid_t child = 0;
  return ::posix_spawn(&child, argv[0], descriptors.Get(), attributes.Get(), argv.data(),
                       environ) == 0;
}

void RemoveEnvironmentVariable(const std::string& AName) { ::unsetenv(AName.c_str()); }

}  // namespace skyrelle::platform
