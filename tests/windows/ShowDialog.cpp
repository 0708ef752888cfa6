// Opens one of the program's dialogs for a screenshot and closes it again after a while:
//
//   show-dialog about|donation RECT_FILE
//
// Once the dialog shows, its place on the screen ("left top width height") is written to
// RECT_FILE, so that a screenshot can be cut to it.
// The donation dialog's header first: it brings the settings store in before windows.h.
#include "platform/windows/donation/frmDonation.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/windows/about/frmAbout102.h"

namespace {

const wchar_t* DialogClass = nullptr;
const char* RectFile = nullptr;
constexpr UINT ShownAfter = 1500;
constexpr UINT ClosedAfter = 8000;

void CALLBACK Tell(HWND, UINT, UINT_PTR Timer, DWORD) {
  HWND dialog = FindWindowW(DialogClass, nullptr);
  if (dialog == nullptr || !IsWindowVisible(dialog)) return;
  KillTimer(nullptr, Timer);
  RECT rect{};
  GetWindowRect(dialog, &rect);
  if (std::FILE* file = std::fopen(RectFile, "w")) {
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top);
    std::fclose(file);
  }
}

void CALLBACK Close(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND dialog = FindWindowW(DialogClass, nullptr)) PostMessageW(dialog, WM_CLOSE, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: show-dialog about|donation RECT_FILE\n", stderr);
    return 2;
  }
  const bool about = std::strcmp(argv[1], "about") == 0;
  DialogClass = about ? L"SkyrelleAbout" : L"SkyrelleDonation";
  RectFile = argv[2];
  SetTimer(nullptr, 0, ShownAfter, Tell);
  SetTimer(nullptr, 0, ClosedAfter, Close);
  if (about)
    skyrelle::about::ShowAbout();
  else
    skyrelle::donation::ShowDonationDialog(50, "EN", [](const std::string&) {});
  return 0;
}
