#include "app/ErrorText.h"

#include <cstdio>

namespace skyrelle::app {

std::string ErrorBoxText(std::string_view Message) {
  std::string text(Message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

std::string ExceptionMessage(const std::exception_ptr& Error) {
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "Unknown error";
  }
}

std::string CurrentErrorBoxText() {
  return ErrorBoxText(ExceptionMessage(std::current_exception()));
}

void ReportUnshownError() noexcept {
  std::fputs("Skyrelle: an error could not be shown\n", stderr);
}

}  // namespace skyrelle::app
