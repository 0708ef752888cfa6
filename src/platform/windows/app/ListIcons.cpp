#include "platform/windows/app/ListIcons.h"

namespace skyrelle::app::win32 {

std::wstring ListIconResource(TIconList AList, std::string_view AName) {
  std::wstring name = AList == TIconList::Size16 ? L"L16_" : L"L24_";
  for (char c : AName) {
    if (c == '-')
      name += L'_';
    else if (c >= 'a' && c <= 'z')
      name += static_cast<wchar_t>(c - 'a' + 'A');
    else
      name += static_cast<wchar_t>(c);
  }
  return name;
}

TIcon LoadListIcon(TIconList AList, std::string_view AName, UINT ADpi) {
  return LoadIconForDpi(ListIconResource(AList, AName).c_str(), static_cast<int>(AList), ADpi);
}

}  // namespace skyrelle::app::win32
