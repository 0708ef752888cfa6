#include "platform/windows/app/FolderBrowser.h"

#include <shlobj.h>

#include <memory>

#include "platform/windows/WideText.h"

namespace skyrelle::app::win32 {
namespace {

struct TBrowseState {
  HWND Owner;
  std::wstring Initial;
};

void CentreOnOwnersMonitor(HWND ADialog, HWND AOwner) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(AOwner, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  RECT dialog{};
  GetWindowRect(ADialog, &dialog);
  const RECT& area = monitor.rcMonitor;
  SetWindowPos(ADialog, nullptr,
               area.left + (area.right - area.left - (dialog.right - dialog.left)) / 2,
               area.top + (area.bottom - area.top - (dialog.bottom - dialog.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Called by the shell: nothing may escape, and nothing here raises.
int CALLBACK BrowseCallback(HWND ADialog, UINT AMessage, LPARAM /*AParam*/, LPARAM AData) noexcept {
  if (AMessage != BFFM_INITIALIZED) return 0;
  const auto* state = reinterpret_cast<const TBrowseState*>(AData);
  CentreOnOwnersMonitor(ADialog, state->Owner);
  if (!state->Initial.empty())
    SendMessageW(ADialog, BFFM_SETSELECTIONW, TRUE,
                 reinterpret_cast<LPARAM>(state->Initial.c_str()));
  return 0;
}

struct TItemListDeleter {
  void operator()(ITEMIDLIST* AList) const noexcept { CoTaskMemFree(AList); }
};

}  // namespace

std::optional<std::string> BrowseForFolder(HWND AOwner, const std::string& ATitle,
                                           const std::string& AInitial) {
  const std::wstring title = platform::windows::Widen(ATitle);
  TBrowseState state{AOwner, platform::windows::Widen(AInitial)};
  BROWSEINFOW browse{};
  browse.hwndOwner = AOwner;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
  browse.lpfn = BrowseCallback;
  browse.lParam = reinterpret_cast<LPARAM>(&state);
  const std::unique_ptr<ITEMIDLIST, TItemListDeleter> chosen(SHBrowseForFolderW(&browse));
  if (!chosen) return std::nullopt;
  // Paths longer than MAX_PATH come whole with the extended call.
  std::wstring path(32768, L'\0');
  if (!SHGetPathFromIDListEx(chosen.get(), path.data(), static_cast<DWORD>(path.size()),
                             GPFIDL_DEFAULT))
    return std::nullopt;
  path.resize(path.find(L'\0'));
  return platform::windows::Narrow(path);
}

}  // namespace skyrelle::app::win32
