// The Windows program's start and end: everything between the process start and the main
// window, in order, in one place.
// The settings store's names for access rights are macros in <windows.h>, with the same
// values: the engine's headers go first.
#include "app/ProgramSystem.h"
#include "donation/DonationDialog.h"
#include "platform/windows/app/frmMain.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "about/AboutWindow.h"
#include "analytics/AppOpenEvent.h"
#include "app/UsageEvent.h"
#include "platform/IScreen.h"
#include "platform/ProgramFile.h"
#include "platform/windows/app/FolderBrowser.h"
#include "platform/windows/app/WindowKit.h"
#include "update/UpdateCheck.h"

namespace {

using namespace skyrelle;

// OLE for the folder browser, on this thread, for the whole run.
class TOleSession {
 public:
  TOleSession() : FStarted(SUCCEEDED(OleInitialize(nullptr))) {}
  ~TOleSession() {
    if (FStarted) OleUninitialize();
  }
  TOleSession(const TOleSession&) = delete;
  TOleSession& operator=(const TOleSession&) = delete;

 private:
  bool FStarted;
};

app::win32::TfrmMainServices MainWindowServices(app::TProgramSystem& ASystem,
                                                const std::string& AProgramPath) {
  app::TMainWindowServices services = ASystem.MainWindowServices(AProgramPath);
  // The notification area is the shell's; when it is not there yet, the icon comes with it.
  services.TrayAvailable = [] { return true; };
  services.ShowAbout = [] { about::ShowAbout(); };
  services.CheckDonationPrompt = [](const std::string& ALanguageCode) {
    donation::CheckDonationPrompt(ALanguageCode);
  };
  return {std::move(services), app::win32::BrowseForFolder};
}

// The message loop: the main window's dialog keys, then the window procedures.
int RunMessageLoop(app::win32::TfrmMain& AWindow) {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    if (AWindow.HandleDialogMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

int Run() {
  // The runtime: OLE and the common controls on this thread.
  const TOleSession ole;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  const std::string programPath = platform::ProgramFilePath();

  // Before any window: when a newer program is offered, this replaces it and ends the process.
  update::CheckForUpdateAtStart();
  // The usage event, on a thread of its own; nothing waits for it.
  app::SendUsageEvent(programPath);

  // The main window, which makes the engine and may already set the wallpaper.
  app::TProgramSystem system(platform::CreateScreen());
  app::win32::TfrmMain frmMain(MainWindowServices(system, programPath));

  // The message loop, with the main window shown.
  frmMain.Show();
  return RunMessageLoop(frmMain);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*AInstance*/, HINSTANCE /*APrevious*/, PWSTR /*ACommandLine*/,
                    int /*AShow*/) {
  int code = 1;
  try {
    code = Run();
  } catch (...) {
    // Outside the loop: the error is told, and the program ends.
    app::win32::ShowCurrentException();
  }
  // A usage event still under way is not waited for.
  return analytics::AbandonAppOpenEvent(code);
}
