#include "support/RunAsNobody.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace skyrelle::test_support {
namespace {

void BecomeNobody(const std::string& Folder) {
  constexpr uid_t Nobody = 65534;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder))
    if (lchown(entry.path().c_str(), Nobody, Nobody) != 0) _exit(97);
  if (lchown(Folder.c_str(), Nobody, Nobody) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0)
    _exit(97);
}

}  // namespace

int RunAsNobody(const std::string& Folder, const std::function<int()>& Body) {
  const pid_t child = fork();
  if (child == 0) {
    int code = 98;
    try {
      if (geteuid() == 0) BecomeNobody(Folder);
      code = Body();
    } catch (...) {
      code = 99;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace skyrelle::test_support
