#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <utility>

namespace skyrelle::platform {
namespace {

constexpr int NameAttempts = 100;

int Descriptor(std::intptr_t Handle) { return static_cast<int>(Handle); }

std::string RandomHexName() {
  static thread_local std::mt19937 numbers{std::random_device{}()};
  char name[16];
  std::snprintf(name, sizeof name, "%08X.tmp", static_cast<unsigned>(numbers()));
  return name;
}

// Returns 0 or the error code of the write that failed.
int WriteAll(int File, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t written = ::write(File, Bytes.data(), Bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    Bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

mode_t ModeFor(TFileAccess Access) {
  switch (Access) {
    case TFileAccess::ProgramForAll:
      return 0755;
    case TFileAccess::Private:
      return 0600;
    case TFileAccess::PrivateProgram:
      return 0700;
    case TFileAccess::ReadableByAll:
      break;
  }
  return 0644;
}

std::string ParentFolder(const std::string& Path) {
  const std::size_t slash = Path.rfind('/');
  if (slash == std::string::npos) return {};
  return Path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

TWholeFileWriter::TWholeFileWriter(const std::string& FileName, TFileAccess Access)
    : FFileName(FileName), FTemporaryName(FileName + ".XXXXXX"), FAccess(Access), FHandle(-1) {
  CheckFileReplaceable(FileName);
  const int file = ::mkostemp(FTemporaryName.data(), O_CLOEXEC);
  if (file < 0) throw EFileError("Cannot write", errno, FileName);
  FHandle = file;
}

TWholeFileWriter::~TWholeFileWriter() {
  if (FHandle < 0) return;
  ::close(Descriptor(FHandle));
  ::unlink(FTemporaryName.c_str());
}

void TWholeFileWriter::Write(std::string_view Bytes) {
  if (const int error = WriteAll(Descriptor(FHandle), Bytes))
    throw EFileError("Cannot write", error, FFileName);
}

void TWholeFileWriter::Commit() {
  const int file = Descriptor(std::exchange(FHandle, -1));
  int error = 0;
  if (::fchmod(file, ModeFor(FAccess)) != 0 || ::fsync(file) != 0) error = errno;
  if (::close(file) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(FTemporaryName.c_str(), FFileName.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(FTemporaryName.c_str());
    throw EFileError("Cannot write", error, FFileName);
  }
}

void CheckFileReplaceable(const std::string& FileName) {
  if (FileName.find('\0') != std::string::npos) throw EFileError("Cannot write", EINVAL, FileName);
  struct stat status {};
  if (::stat(FileName.c_str(), &status) != 0) {
    if (errno != ENOENT) throw EFileError("Cannot write", errno, FileName);
  } else if (S_ISDIR(status.st_mode)) {
    throw EFileError("Cannot write", EISDIR, FileName);
  } else if (!S_ISREG(status.st_mode)) {
    throw EFileError("Cannot write", EINVAL, FileName, true);
  }
}

TInputFile::TInputFile(const std::string& FileName) : FFileName(FileName), FHandle(-1) {
  if (FileName.find('\0') != std::string::npos) throw EFileError("Cannot read", EINVAL, FileName);
  // Without O_NONBLOCK, opening a pipe would wait for a writer before the check below runs;
  // ordinary blocking reads are set back once the file is known to be regular.
  const int file = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (file < 0) throw EFileError("Cannot read", errno, FileName);
  struct stat status {};
  int error = 0;
  bool notRegular = false;
  const bool statusRead = ::fstat(file, &status) == 0;
  if (statusRead && !S_ISREG(status.st_mode)) {
    error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    notRegular = true;
  } else if (!statusRead || ::fcntl(file, F_SETFL, O_RDONLY) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::close(file);
    throw EFileError("Cannot read", error, FileName, notRegular);
  }
  FHandle = file;
  FSize = static_cast<std::uint64_t>(status.st_size);
}

TInputFile::~TInputFile() { ::close(Descriptor(FHandle)); }

std::size_t TInputFile::Read(void* Out, std::size_t Count) {
  for (;;) {
    const ssize_t got = ::read(Descriptor(FHandle), Out, Count);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throw EFileError("Cannot read", errno, FFileName);
  }
}

bool TInputFile::ReadAt(std::uint64_t Offset, void* Out, std::size_t Count) noexcept {
  auto* next = static_cast<char*>(Out);
  while (Count > 0) {
    const ssize_t got = ::pread(Descriptor(FHandle), next, Count, static_cast<off_t>(Offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    next += got;
    Offset += static_cast<std::uint64_t>(got);
    Count -= static_cast<std::size_t>(got);
  }
  return true;
}

void CreatePrivateFolder(const std::string& Folder) {
  struct stat status {};
  if (Folder.empty() || Folder == "/" || ::stat(Folder.c_str(), &status) == 0) return;
  CreatePrivateFolder(ParentFolder(Folder));
  if (::mkdir(Folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw EFileError("Cannot create", errno, Folder);
}

void CreatePrivateFile(const std::string& FileName) {
  const int file = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (file >= 0)
    ::close(file);
  else if (errno != EEXIST)
    throw EFileError("Cannot create", errno, FileName);
}

std::string FreshTemporaryFileName() {
  try {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) return {};
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
      const std::string candidate = (folder / RandomHexName()).string();
      if (std::FILE* file = std::fopen(candidate.c_str(), "wx")) {
        std::fclose(file);
        std::remove(candidate.c_str());
        return candidate;
      }
      if (errno != EEXIST) return {};
    }
  } catch (...) {
  }
  return {};
}

bool FolderExists(const std::string& Path) {
  struct stat status {};
  return stat(Path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace skyrelle::platform
