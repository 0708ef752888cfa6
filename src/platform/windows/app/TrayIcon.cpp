#include "platform/windows/app/TrayIcon.h"

#include <iterator>
#include <utility>

#include "platform/windows/WideText.h"

namespace skyrelle::app::win32 {
namespace {

constexpr UINT IconId = 1;

}  // namespace

TTrayIcon::TTrayIcon(HWND AOwner, HICON AIcon, std::string AToolTip)
    : FOwner(AOwner),
      FIcon(AIcon),
      FToolTip(std::move(AToolTip)),
      FTaskbarCreated(RegisterWindowMessageW(L"TaskbarCreated")) {}

TTrayIcon::~TTrayIcon() { SetVisible(false); }

NOTIFYICONDATAW TTrayIcon::Data() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = FOwner;
  data.uID = IconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = CallbackMessage;
  data.hIcon = FIcon;
  // Cut to the field, which keeps a final null.
  platform::windows::Widen(FToolTip).copy(data.szTip, std::size(data.szTip) - 1);
  return data;
}

void TTrayIcon::SetVisible(bool AVisible) {
  NOTIFYICONDATAW data = Data();
  if (AVisible && !FVisible) Shell_NotifyIconW(NIM_ADD, &data);
  if (!AVisible && FVisible) Shell_NotifyIconW(NIM_DELETE, &data);
  FVisible = AVisible;
}

void TTrayIcon::SetIcon(HICON AIcon) {
  FIcon = AIcon;
  NOTIFYICONDATAW data = Data();
  if (FVisible) Shell_NotifyIconW(NIM_MODIFY, &data);
}

bool TTrayIcon::HandleTaskbarCreated(UINT AMessage) {
  if (FTaskbarCreated == 0 || AMessage != FTaskbarCreated) return false;
  NOTIFYICONDATAW data = Data();
  if (FVisible) Shell_NotifyIconW(NIM_ADD, &data);
  return true;
}

}  // namespace skyrelle::app::win32
