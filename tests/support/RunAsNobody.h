#pragma once

#include <functional>
#include <string>

namespace skyrelle::test_support {

// Runs Body in a child process and returns its exit code (Body's result; 99 when it threw).
// A root user is first made "nobody", who is given Folder and everything in it, so that file
// permissions apply to it as to any user (tests run as root in CI).
int RunAsNobody(const std::string& Folder, const std::function<int()>& Body);

}  // namespace skyrelle::test_support
