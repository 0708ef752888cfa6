#include "app/win32/ListIcons.h"

#include <stdexcept>

#include "app/win32/WindowKit.h"

namespace skyrelle::app::win32 {
namespace {

TIcon LoadIconResource(const wchar_t* AName, int ASize) {
  TIcon icon(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), AName, IMAGE_ICON, ASize, ASize, LR_DEFAULTCOLOR)));
  if (!icon) throw std::runtime_error("The program holds no icon of that name");
  return icon;
}

}  // namespace

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
  return LoadIconResource(ListIconResource(AList, AName).c_str(),
                          ScaleToDpi(static_cast<int>(AList), ADpi));
}

TIcon LoadMainIcon(int ASize) { return LoadIconResource(L"MAINICON", ASize); }

}  // namespace skyrelle::app::win32
