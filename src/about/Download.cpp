#include "about/Download.h"

#include "core/Paths.h"
#include "platform/FileSystem.h"

namespace skyrelle::about {

std::string MakeTempFileName(std::string_view Extension) {
  try {
    return core::ChangeFileExt(platform::FreshTemporaryFileName(), Extension);
  } catch (...) {
    return std::string(Extension);
  }
}

}  // namespace skyrelle::about
