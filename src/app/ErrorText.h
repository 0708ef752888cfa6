#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace skyrelle::app {

// The error box's text: a full stop is appended unless the text already ends in "." or a
// character below it in code order. In UTF-8 the last byte of a longer character is above
// ".", so the last byte decides as the last character would.
std::string ErrorBoxText(std::string_view Message);

// What an error says; "Unknown error" for one that is not a std::exception.
std::string ExceptionMessage(const std::exception_ptr& Error);

// The error box's text for the exception in flight: call inside a catch block.
std::string CurrentErrorBoxText();

// When the error box itself failed (out of memory): the message can only go to the log.
void ReportUnshownError() noexcept;

}  // namespace skyrelle::app
