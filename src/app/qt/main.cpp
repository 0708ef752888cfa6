// The program's start and end: everything between the process start and the main window,
// in order, in one place.
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>

#include "about/AboutWindow.h"
#include "analytics/AppOpenEvent.h"
#include "app/ApplicationTitle.h"
#include "app/ProgramSystem.h"
#include "app/UsageEvent.h"
#include "app/qt/ErrorBox.h"
#include "app/qt/Icons.h"
#include "app/qt/QtScreen.h"
#include "app/qt/SingleInstance.h"
#include "app/qt/frmMain.h"
#include "donation/DonationDialog.h"
#include "platform/Memory.h"
#include "update/UpdateCheck.h"

namespace {

using namespace skyrelle;

constexpr int StartUpSettleMilliseconds = 2000;

app::TfrmMainServices MainWindowServices(app::TProgramSystem& System,
                                         const std::string& ProgramPath) {
  app::TMainWindowServices services = System.MainWindowServices(ProgramPath);
  services.TrayAvailable = QSystemTrayIcon::isSystemTrayAvailable;
  services.ShowAbout = [] { about::ShowAbout(); };
  services.CheckDonationPrompt = [](const std::string& LanguageCode) {
    donation::CheckDonationPrompt(LanguageCode);
  };
  return {std::move(services), app::BrowseForFolderDialog};
}

void CentreOnPrimaryScreen(QWidget& Window) {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    Window.move(screen->geometry().center() - Window.rect().center());
}

int Run(QApplication& Application) {
  // 1. The application object: its icon and title.
  const QString programPath = QCoreApplication::applicationFilePath();
  const std::string programFile = QFile::encodeName(programPath).toStdString();
  QCoreApplication::setApplicationName(QString::fromStdString(app::ApplicationTitle(programFile)));
  QGuiApplication::setDesktopFileName(QStringLiteral(SKYRELLE_APP_ID));
  QApplication::setWindowIcon(app::MainIcon());
  // The window hides into the tray; closing an error box while it is hidden must not end
  // the program.
  QApplication::setQuitOnLastWindowClosed(false);

  // One program per session: a second start shows the first one's window and ends.
  app::TSingleInstance instance(app::InstanceFolder());
  if (instance.HandOverToRunningInstance()) return 0;

  // The usage event, on a thread of its own; nothing waits for it.
  app::SendUsageEvent(programFile);

  // 2. The main window, which makes the engine and may already set the wallpaper.
  app::TProgramSystem system(std::make_unique<app::TQtScreen>());
  app::TfrmMain frmMain(MainWindowServices(system, programFile));
  QObject::connect(&instance, &app::TSingleInstance::ShowRequested, &frmMain,
                   &app::TfrmMain::miShowClick);

  // 3. The message loop, with the main window shown.
  CentreOnPrimaryScreen(frmMain);
  frmMain.show();
  // Start-up's scratch memory (fonts, icons, the first picture) is free once the window is
  // drawn; the tray program then idles for an hour with what is left.
  QTimer::singleShot(StartUpSettleMilliseconds, [] { platform::ReleaseFreeMemory(); });
  return Application.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
  // Before any window: when a newer program is offered, this replaces it and ends the process.
  skyrelle::update::CheckForUpdateAtStart();
  QApplication application(argc, argv);
  int code = 1;
  try {
    code = Run(application);
  } catch (...) {
    const QString text = skyrelle::app::ErrorBoxText(skyrelle::app::CurrentExceptionText());
    std::fprintf(stderr, "Skyrelle: %s\n", qUtf8Printable(text));
    QMessageBox::critical(nullptr, QCoreApplication::applicationName(), text, QMessageBox::Ok);
  }
  // A usage event still under way is not waited for.
  return skyrelle::analytics::AbandonAppOpenEvent(code);
}
