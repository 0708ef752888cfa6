#include "platform/Collation.h"

#include <windows.h>

#include "platform/windows/WideText.h"

namespace skyrelle::platform {

int CompareTextByLocale(std::string_view Left, std::string_view Right) {
  const std::wstring left = windows::Widen(Left);
  const std::wstring right = windows::Widen(Right);
  const int result = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, left.data(),
                                     static_cast<int>(left.size()), right.data(),
                                     static_cast<int>(right.size()), nullptr, nullptr, 0);
  return result == 0 ? Left.compare(Right) : result - CSTR_EQUAL;
}

namespace {

std::wstring MapCase(const std::wstring& Text, DWORD Flags,
                     const wchar_t* Locale = LOCALE_NAME_INVARIANT) {
  std::wstring mapped(Text.size(), L'\0');
  const int length = LCMapStringEx(Locale, Flags | LCMAP_LINGUISTIC_CASING, Text.data(),
                                   static_cast<int>(Text.size()), mapped.data(),
                                   static_cast<int>(mapped.size()), nullptr, nullptr, 0);
  if (length == 0) return Text;
  mapped.resize(static_cast<std::size_t>(length));
  return mapped;
}

}  // namespace

// Upper case first, so that letters with two lower forms (the final sigma) meet; then lower
// case, which Linux folds to as well. Linguistic casing: the plain tables keep the final sigma.
std::string FoldTextCase(std::string_view Text) {
  const std::wstring text = windows::Widen(Text);
  if (text.empty()) return {};
  return windows::Narrow(MapCase(MapCase(text, LCMAP_UPPERCASE), LCMAP_LOWERCASE));
}

std::string LowerCaseByLocale(std::string_view Text) {
  const std::wstring text = windows::Widen(Text);
  if (text.empty()) return {};
  return windows::Narrow(MapCase(text, LCMAP_LOWERCASE, LOCALE_NAME_USER_DEFAULT));
}

}  // namespace skyrelle::platform
