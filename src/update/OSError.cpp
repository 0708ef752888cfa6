#include "update/OSError.h"

#include <string>

#include "platform/SystemError.h"

namespace skyrelle::update {
namespace {

std::string OSErrorText(int ErrorCode) {
  return "Erreur système.  Code : " + std::to_string(ErrorCode) + "\n" +
         platform::SystemErrorMessage(ErrorCode);
}

}  // namespace

EOSError::EOSError(int ErrorCode)
    : std::runtime_error(OSErrorText(ErrorCode)), FErrorCode(ErrorCode) {}

}  // namespace skyrelle::update
