#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/Skyrelle.h"
#include "platform/IAutoStart.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTimer;

namespace skyrelle::app {

// What the main window asks of the rest of the program; tests substitute each part.
struct TfrmMainServices {
  // Makes the panorama engine; may raise, and the window then goes on without one.
  std::function<std::unique_ptr<engine::TSkyrelle>()> CreateEngine;
  std::unique_ptr<platform::IAutoStart> AutoStart;
  // The folder chosen in a folder browser titled Title that starts at Initial (empty: the
  // home folder); nothing when cancelled.
  std::function<std::optional<QString>(QWidget* Owner, const QString& Title,
                                       const QString& Initial)>
      BrowseForFolder;
  // Whether the desktop has a tray to hold the icon now.
  std::function<bool()> TrayAvailable;
  // The wallpaper setter's notice that the desktop refused a picture, once; may be empty.
  std::function<std::optional<std::string>()> TakeWallpaperNotice;
  // Opens the About window and returns when it has closed.
  std::function<void()> ShowAbout;
  // The settings store of the window's own values (the launch count).
  settings::TSettingsStore Store = settings::TSettingsStore::CurrentUser();
};

// The folder browser of the desktop, offering folders only.
std::optional<QString> BrowseForFolderDialog(QWidget* Owner, const QString& Title,
                                             const QString& Initial);

// The main window: folder, current picture and status, the picture and section buttons,
// start at log-on, and the tray icon with its menu and the minute timer.
class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMain(TfrmMainServices Services, QWidget* Parent = nullptr);
  ~TfrmMain() override;

  // True from creation until the first timer tick.
  bool FirstPass() const { return FFirstPass; }
  // The engine, or nothing when it could not be created.
  const engine::TSkyrelle* Panorama() const { return FPanorama.get(); }

 public slots:
  void beSourceDirectoryRightButtonClick();
  void btnPreviousClick();
  void btnNextClick();
  void btnApplyNowClick();
  void chkAutoStartClick();
  void TrayIconDblClick();
  void miShowClick();
  void miNextImageClick();
  void miNextSectionClick();
  void miQuitClick();
  void mnuAboutClick();
  void TimerTimer();

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  void CreateControls();
  void CreateTrayIcon();
  void FormCreate();
  void FormDestroy();
  void FormClose();
  void UpdateStatus();
  bool IsAutoStartEnabled() const;
  void SetAutoStart(bool Enable);
  void WithoutEngine(const QString& Reason);
  void WatchTrayHost();

  TfrmMainServices FServices;
  std::unique_ptr<engine::TSkyrelle> FPanorama;
  bool FFirstPass = true;

  QLabel* Label2 = nullptr;
  QLineEdit* beSourceDirectory = nullptr;
  QAction* beSourceDirectoryButton = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* lblFilename = nullptr;
  QPushButton* btnPrevious = nullptr;
  QPushButton* btnNext = nullptr;
  QPushButton* btnApplyNow = nullptr;
  QLabel* lblStatus = nullptr;
  QCheckBox* chkAutoStart = nullptr;

  QTimer* Timer = nullptr;
  QSystemTrayIcon* TrayIcon = nullptr;
  QMenu* pmTrayIcon = nullptr;
  QAction* miShow = nullptr;
  QAction* miNextImage = nullptr;
  QAction* miNextSection = nullptr;
  QAction* miQuit = nullptr;
  QAction* mnuAbout = nullptr;
  // Looks for a tray host to come or go, every few seconds.
  QTimer* TrayWatch = nullptr;
};

}  // namespace skyrelle::app
