#include "platform/FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/windows/WideText.h"

namespace skyrelle::platform {
namespace {

using windows::Widen;

HANDLE Handle(std::intptr_t Value) { return reinterpret_cast<HANDLE>(Value); }

int LastError() { return static_cast<int>(GetLastError()); }

// The folder part of a path; Windows takes both separators.
std::string ParentFolder(const std::string& Path) {
  const std::size_t separator = Path.find_last_of("\\/");
  return separator == std::string::npos ? std::string(".") : Path.substr(0, separator);
}

// Backup semantics let a folder open too, so that it is refused as one.
HANDLE OpenForQuery(const std::string& FileName, DWORD Access) {
  return CreateFileW(Widen(FileName).c_str(), Access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

struct TFileKind {
  int Error = 0;  // 0 for a regular file
  bool NotRegular = false;
  std::uint64_t Size = 0;
};

// A device or a pipe (NUL, CON, \\.\pipe\...) is no disk file; a folder gives the code for
// "is a directory", as on Linux.
TFileKind KindOf(HANDLE File) {
  if (GetFileType(File) != FILE_TYPE_DISK) return {ERROR_INVALID_PARAMETER, true};
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(File, &information)) return {LastError()};
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return {ERROR_DIRECTORY, true};
  return {0, false, (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow};
}

// Returns 0 or the error code of the write that failed.
int WriteAll(HANDLE File, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(File, Bytes.data(), chunk, &written, nullptr)) return LastError();
    Bytes.remove_prefix(written);
  }
  return 0;
}

}  // namespace

// Who may use the file follows from its folder's access list on Windows: a file below the
// user's profile is the user's, one below Program Files everyone's to run.
TWholeFileWriter::TWholeFileWriter(const std::string& FileName, TFileAccess Access)
    : FFileName(FileName),
      FAccess(Access),
      FHandle(reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE)) {
  CheckFileReplaceable(FileName);
  wchar_t temporary[MAX_PATH];
  if (GetTempFileNameW(Widen(ParentFolder(FileName)).c_str(), L"sky", 0, temporary) == 0)
    throw EFileError("Cannot write", LastError(), FileName);
  FTemporaryName = windows::Narrow(temporary);
  const HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const int error = LastError();
    DeleteFileW(temporary);
    throw EFileError("Cannot write", error, FileName);
  }
  FHandle = reinterpret_cast<std::intptr_t>(file);
}

TWholeFileWriter::~TWholeFileWriter() {
  if (Handle(FHandle) == INVALID_HANDLE_VALUE) return;
  CloseHandle(Handle(FHandle));
  DeleteFileW(Widen(FTemporaryName).c_str());
}

void TWholeFileWriter::Write(std::string_view Bytes) {
  if (const int error = WriteAll(Handle(FHandle), Bytes))
    throw EFileError("Cannot write", error, FFileName);
}

void TWholeFileWriter::Commit() {
  const HANDLE file =
      Handle(std::exchange(FHandle, reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE)));
  const std::wstring temporary = Widen(FTemporaryName);
  int error = FlushFileBuffers(file) ? 0 : LastError();
  CloseHandle(file);
  if (error == 0 && !MoveFileExW(temporary.c_str(), Widen(FFileName).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = LastError();
  if (error != 0) {
    DeleteFileW(temporary.c_str());
    throw EFileError("Cannot write", error, FFileName);
  }
}

void CheckFileReplaceable(const std::string& FileName) {
  if (FileName.find('\0') != std::string::npos)
    throw EFileError("Cannot write", ERROR_INVALID_NAME, FileName);
  const HANDLE file = OpenForQuery(FileName, 0);
  if (file == INVALID_HANDLE_VALUE) {
    const int error = LastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    throw EFileError("Cannot write", error, FileName);
  }
  const TFileKind kind = KindOf(file);
  CloseHandle(file);
  if (kind.Error != 0) throw EFileError("Cannot write", kind.Error, FileName, kind.NotRegular);
}

TInputFile::TInputFile(const std::string& FileName)
    : FFileName(FileName), FHandle(reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE)) {
  if (FileName.find('\0') != std::string::npos)
    throw EFileError("Cannot read", ERROR_INVALID_NAME, FileName);
  const HANDLE file = OpenForQuery(FileName, GENERIC_READ);
  if (file == INVALID_HANDLE_VALUE) throw EFileError("Cannot read", LastError(), FileName);
  const TFileKind kind = KindOf(file);
  if (kind.Error != 0) {
    CloseHandle(file);
    throw EFileError("Cannot read", kind.Error, FileName, kind.NotRegular);
  }
  FHandle = reinterpret_cast<std::intptr_t>(file);
  FSize = kind.Size;
}

TInputFile::~TInputFile() { CloseHandle(Handle(FHandle)); }

std::size_t TInputFile::Read(void* Out, std::size_t Count) {
  DWORD got = 0;
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Count, 1u << 30));
  if (!ReadFile(Handle(FHandle), Out, chunk, &got, nullptr))
    throw EFileError("Cannot read", LastError(), FFileName);
  return got;
}

bool TInputFile::ReadAt(std::uint64_t Offset, void* Out, std::size_t Count) noexcept {
  // A read at an offset moves the file position; the next Read must not notice.
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(Handle(FHandle), {}, &position, FILE_CURRENT)) return false;
  auto* next = static_cast<char*>(Out);
  bool complete = true;
  while (Count > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(Offset);
    at.OffsetHigh = static_cast<DWORD>(Offset >> 32);
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Count, 1u << 30));
    if (!ReadFile(Handle(FHandle), next, chunk, &got, &at) || got == 0) {
      complete = false;
      break;
    }
    next += got;
    Offset += got;
    Count -= got;
  }
  SetFilePointerEx(Handle(FHandle), position, nullptr, FILE_BEGIN);
  return complete;
}

// Folders below the user's profile inherit an access list that admits the user only.
void CreatePrivateFolder(const std::string& Folder) {
  if (Folder.empty() || FolderExists(Folder)) return;
  const std::string parent = ParentFolder(Folder);
  if (parent != Folder && parent != ".") CreatePrivateFolder(parent);
  if (!CreateDirectoryW(Widen(Folder).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw EFileError("Cannot create", LastError(), Folder);
}

void CreatePrivateFile(const std::string& FileName) {
  const HANDLE file = CreateFileW(Widen(FileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
  else if (GetLastError() != ERROR_FILE_EXISTS)
    throw EFileError("Cannot create", LastError(), FileName);
}

// As the About window has always made it: the temporary folder as GetTempPathW gives it, an
// empty prefix, and the number the system picks.
std::string FreshTemporaryFileName() {
  try {
    wchar_t folder[MAX_PATH] = {};
    wchar_t name[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"", 0, name) == 0)
      return {};
    DeleteFileW(name);
    return windows::Narrow(name);
  } catch (...) {
    return {};
  }
}

// A junction or a link to a folder carries the folder attribute itself.
bool FolderExists(const std::string& Path) {
  const DWORD attributes = GetFileAttributesW(windows::Widen(Path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace skyrelle::platform
