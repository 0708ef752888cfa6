#include "about/Download.h"

#include "core/Paths.h"
#include "platform/FileSystem.h"

namespace skyrelle::about {

bool DownloadURLToFile(const std::string& URL, const std::string& FileName,
                       const update::TTransferLimits& Limits) {
  try {
    return update::FetchToFile(URL, FileName, Limits);
  } catch (...) {
    return false;
  }
}

std::string MakeTempFileName(std::string_view Extension) {
  try {
    return core::ChangeFileExt(platform::FreshTemporaryFileName(), Extension);
  } catch (...) {
    return std::string(Extension);
  }
}

}  // namespace skyrelle::about
