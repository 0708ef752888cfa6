// The parts of the file helper that every system shares.
#include "platform/FileSystem.h"

#include "platform/SystemError.h"

namespace skyrelle::platform {
namespace {

std::string ReasonText(int Code, bool NotRegularFile) {
  return NotRegularFile ? "not a regular file" : SystemErrorMessage(Code);
}

}  // namespace

EFileError::EFileError(const std::string& Action, int Code, std::string FileName,
                       bool NotRegularFile)
    : std::runtime_error(Action + " \"" + FileName + "\": " + ReasonText(Code, NotRegularFile)),
      FCode(Code),
      FFileName(std::move(FileName)),
      FNotRegularFile(NotRegularFile) {}

std::string EFileError::Reason() const { return ReasonText(FCode, FNotRegularFile); }

void WriteFileWhole(const std::string& FileName, std::string_view Bytes, TFileAccess Access) {
  TWholeFileWriter file(FileName, Access);
  file.Write(Bytes);
  file.Commit();
}

std::optional<std::string> ReadFileHead(const std::string& FileName, std::size_t MaxSize) {
  try {
    TInputFile file(FileName);
    std::string bytes(MaxSize, '\0');
    std::size_t filled = 0;
    while (filled < MaxSize) {
      const std::size_t got = file.Read(bytes.data() + filled, MaxSize - filled);
      if (got == 0) break;
      filled += got;
    }
    bytes.resize(filled);
    return bytes;
  } catch (const EFileError&) {
    return std::nullopt;
  }
}

}  // namespace skyrelle::platform
