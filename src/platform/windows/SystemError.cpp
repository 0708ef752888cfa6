#include "platform/SystemError.h"

#include "platform/windows/WideText.h"

namespace skyrelle::platform {

std::string SystemErrorMessage(int Code) {
  return windows::SystemErrorText(static_cast<DWORD>(Code));
}

}  // namespace skyrelle::platform
