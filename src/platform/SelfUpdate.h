#pragma once

#include <string>
#include <vector>

namespace skyrelle::platform {

// What replacing the running program needs of the system.

// The user's private folder for short-lived files: $XDG_RUNTIME_DIR when it names an absolute
// folder, else "skyrelle-<uid>" in $TMPDIR (or the system's temporary folder), created with
// mode 0700. The temporary folder is shared by all users, and a folder that someone else made
// first lets them swap files under us, so the folder is refused (std::runtime_error) unless
// it is a real folder, not a link, owned by the user and closed to everybody else.
// Windows: the user's temporary folder (GetTempPathW, then GetLongPathNameW), which lies in
// the user's profile; std::runtime_error when the system names none.
std::string PrivateRuntimeFolder();

// True when the program file may replace itself: it is the user's own, the user may write both
// it and its folder, and it does not lie under /usr/, where only the package manager or an
// administrator installs, even when root runs it. Windows: the file is not read-only and the
// user may make files in its folder.
bool MayReplaceProgramFile(const std::string& AFileName);

// Linux: starts AArguments[0], a path, in a session of its own, with standard input and output
// on the null device and no other descriptor of ours, and does not wait for it: it outlives
// us. False when it could not be started. (Windows starts its script through the shell.)
bool StartDetachedProcess(const std::vector<std::string>& AArguments);

// Removes the variable from this process's environment, so that no child inherits it.
void RemoveEnvironmentVariable(const std::string& AName);

}  // namespace skyrelle::platform
