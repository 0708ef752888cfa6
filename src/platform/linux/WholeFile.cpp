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

bool WriteAll(int AFile, std::string_view ABytes) {
  while (!ABytes.empty()) {
    const ssize_t written = ::write(AFile, ABytes.data(), ABytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written == 0) errno = EIO;
    if (written <= 0) return false;
    ABytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

void WriteFileWhole(const std::string& AFileName, std::string_view ABytes, unsigned AMode) {
  if (AFileName.find('\0') != std::string::npos)
    throw std::runtime_error("Cannot write " + AFileName + ": " + std::strerror(EINVAL));
  std::string temporary = AFileName + ".XXXXXX";
  const int file = ::mkstemp(temporary.data());
  if (file < 0) throw std::runtime_error("Cannot write " + AFileName + ": " + std::strerror(errno));
  int error = 0;
  if (!WriteAll(file, ABytes) || ::fchmod(file, static_cast<mode_t>(AMode)) != 0 ||
      ::fsync(file) != 0)
    error = errno;
  if (::close(file) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temporary.c_str(), AFileName.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    throw std::runtime_error("Cannot write " + AFileName + ": " + std::strerror(error));
  }
}

}  // namespace skyrelle::platform
