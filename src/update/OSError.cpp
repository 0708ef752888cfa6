#include "update/OSError.h"

#include <string>
#include <system_error>

namespace skyrelle::update {
namespace {

std::string OSErrorText(int ErrorCode) {
  return "Erreur système.  Code : " + std::to_string(ErrorCode) + "\n" +
         std::system_category().message(ErrorCode);
}

}  // namespace

EOSError::EOSError(int ErrorCode)
    : std::runtime_error(OSErrorText(ErrorCode)), FErrorCode(ErrorCode) {}

}  // namespace skyrelle::update
