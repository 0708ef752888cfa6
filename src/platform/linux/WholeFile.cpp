#include "platform/WholeFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace skyrelle::platform {
namespace {

bool WriteAll(int File, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t written = ::write(File, Bytes.data(), Bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written == 0) errno = EIO;
    if (written <= 0) return false;
    Bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

void WriteFileWhole(const std::string& FileName, std::string_view Bytes, unsigned Mode) {
  if (FileName.find('\0') != std::string::npos)
    throw std::runtime_error("Cannot write " + FileName + ": " + std::strerror(EINVAL));
  std::string temporary = FileName + ".XXXXXX";
  const int file = ::mkstemp(temporary.data());
  if (file < 0)
    throw std::runtime_error("Cannot write " + FileName + ": " + std::strerror(errno));
  int error = 0;
  if (!WriteAll(file, Bytes) || ::fchmod(file, static_cast<mode_t>(Mode)) != 0 ||
      ::fsync(file) != 0)
    error = errno;
  if (::close(file) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temporary.c_str(), FileName.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    throw std::runtime_error("Cannot write " + FileName + ": " + std::strerror(error));
  }
}

}  // namespace skyrelle::platform
