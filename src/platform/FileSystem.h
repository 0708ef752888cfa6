#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace skyrelle::platform {

// A file the helpers below could not use: "<Action> "<file>": <reason>". Code() is the
// system's error code; a file that is not a regular one gives the code for "is a directory"
// (a folder) or "invalid argument" (a pipe, a device...) and NotRegularFile(). A folder in the
// place of a file to write says "is a directory" in the system's words.
class EFileError : public std::runtime_error {
 public:
  EFileError(const std::string& Action, int Code, std::string FileName,
             bool NotRegularFile = false);
  int Code() const { return FCode; }
  const std::string& FileName() const { return FFileName; }
  bool NotRegularFile() const { return FNotRegularFile; }
  // "not a regular file", or the system's description of the code.
  std::string Reason() const;

 private:
  int FCode;
  std::string FFileName;
  bool FNotRegularFile;
};

// Who may use a file written whole.
enum class TFileAccess {
  ReadableByAll,   // other programs read it
  ProgramForAll,   // a program everyone may run
  Private,         // the current user's only
  PrivateProgram,  // a program only the current user may read and run
};

// Writes Bytes to FileName whole: a temporary file beside it, flushed to disk, then put in
// its place (a link in that place is replaced, not followed). A reader sees the old file or
// the new one, never a part of either, and a failure leaves the old file as it was.
// Raises EFileError.
void WriteFileWhole(const std::string& FileName, std::string_view Bytes,
                    TFileAccess Access = TFileAccess::ReadableByAll);

// WriteFileWhole for content too large to hold in memory at once: the pieces go to the
// temporary file as they come, and Commit() puts it in FileName's place. Until then FileName
// stays as it was; a writer ended without Commit() removes its temporary file.
class TWholeFileWriter {
 public:
  // Raises EFileError, also when FileName is there but is not a regular file.
  explicit TWholeFileWriter(const std::string& FileName,
                            TFileAccess Access = TFileAccess::ReadableByAll);
  ~TWholeFileWriter();
  TWholeFileWriter(const TWholeFileWriter&) = delete;
  TWholeFileWriter& operator=(const TWholeFileWriter&) = delete;

  // Appends Bytes. Raises EFileError.
  void Write(std::string_view Bytes);
  // Flushes the file to disk and puts it in place. Raises EFileError.
  void Commit();

 private:
  std::string FFileName;
  std::string FTemporaryName;
  TFileAccess FAccess;
  std::intptr_t FHandle;  // the temporary file's, while it is open
};

// Raises the EFileError writing FileName whole would give because of what is there: a folder
// or anything else that is not a regular file. Replacing a device or a pipe would replace the
// node itself. A missing FileName is no error.
void CheckFileReplaceable(const std::string& FileName);

// A regular file opened for reading. Opening never waits: a pipe or a device is refused at
// once instead of blocking until some other program writes to it.
class TInputFile {
 public:
  // Raises EFileError.
  explicit TInputFile(const std::string& FileName);
  ~TInputFile();
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;

  // The size when the file was opened.
  std::uint64_t Size() const { return FSize; }
  // Reads up to Count bytes from the current position; 0 at the end. Raises EFileError.
  std::size_t Read(void* Out, std::size_t Count);
  // Reads exactly Count bytes at Offset, whatever the current position; false when they
  // cannot all be read. Never raises, so it may run inside a C library's callback.
  bool ReadAt(std::uint64_t Offset, void* Out, std::size_t Count) noexcept;

 private:
  std::string FFileName;
  std::intptr_t FHandle;  // the system's handle of the open file
  std::uint64_t FSize = 0;
};

// The first MaxSize bytes of a small file (a system or configuration file, a descriptor);
// nothing when it is not a regular file that can be read. A larger file is read no further.
std::optional<std::string> ReadFileHead(const std::string& FileName, std::size_t MaxSize);

// Creates Folder and its missing parents, each open to the current user only. Raises
// EFileError naming the folder that could not be made.
void CreatePrivateFolder(const std::string& Folder);

// Creates FileName empty and open to the current user only, unless it exists; its folder
// must exist. Raises EFileError.
void CreatePrivateFile(const std::string& FileName);

// A fresh name in the user's temporary folder: a file was made under it and removed again, as
// the system's unique names are, so a name taken by someone else's file is never handed out
// (Windows: GetTempFileNameW in the folder GetTempPathW names). The empty text when no such
// file can be made. Never raises.
std::string FreshTemporaryFileName();

// True when Path names a folder; a link to a folder counts as one.
bool FolderExists(const std::string& Path);

}  // namespace skyrelle::platform
