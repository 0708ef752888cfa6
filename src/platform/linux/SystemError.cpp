#include "platform/SystemError.h"

#include <system_error>

namespace skyrelle::platform {

std::string SystemErrorMessage(int Code) { return std::system_category().message(Code); }

}  // namespace skyrelle::platform
