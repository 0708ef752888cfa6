#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/IMainView.h"
#include "app/MainWindowLogic.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTimer;

namespace skyrelle::app {

// The folder chosen in a folder browser titled Title that starts at Initial (empty: the home
// folder); nothing when cancelled.
using TBrowseForFolder = std::function<std::optional<QString>(QWidget* Owner, const QString& Title,
                                                              const QString& Initial)>;

// What the Qt main window is given: the logic's services and the folder browser.
struct TfrmMainServices {
  TMainWindowServices Logic;
  TBrowseForFolder BrowseForFolder;
};

// The folder browser of the desktop, offering folders only.
std::optional<QString> BrowseForFolderDialog(QWidget* Owner, const QString& Title,
                                             const QString& Initial);

// The main window in Qt: its controls, the tray icon with its menu and the minute timer,
// forwarding their events to the main window's logic.
class TfrmMain : public QWidget, private IMainView {
  Q_OBJECT

 public:
  explicit TfrmMain(TfrmMainServices Services, QWidget* Parent = nullptr);
  ~TfrmMain() override;

  bool FirstPass() const { return FLogic.FirstPass(); }
  const engine::TSkyrelle* Panorama() const { return FLogic.Panorama(); }

 public slots:
  void beSourceDirectoryRightButtonClick() { FLogic.beSourceDirectoryRightButtonClick(); }
  void btnNextClick() { FLogic.btnNextClick(); }
  void miShowClick() { FLogic.miShowClick(); }
  void miNextSectionClick() { FLogic.miNextSectionClick(); }
  void TrayIconDblClick() { FLogic.TrayIconDblClick(); }
  void TimerTimer() { FLogic.TimerTimer(); }

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  void CreateControls();
  void CreateTrayIcon();
  void WatchTrayHost();

  // IMainView
  void ShowFolder(const std::string& Path) override;
  void ShowFileName(const std::string& Name) override;
  void ShowStatus(const std::string& Text, const std::string& ToolTip) override;
  bool AutoStartChecked() const override;
  void SetAutoStartChecked(bool Checked) override;
  void DisableEngineControls() override;
  std::optional<std::string> BrowseForFolder(const std::string& Title,
                                             const std::string& Initial) override;
  void ShowError(const std::string& Text) override;
  void ShowInFront() override;
  void Hide() override;
  void Minimise() override;
  bool IsHidden() const override;
  void ShowTrayIcon(bool Show) override;
  bool TrayIconShown() const override;
  void Quit() override;

  TBrowseForFolder FBrowseForFolder;
  TMainWindowLogic FLogic;

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
  QAction* miNextImage = nullptr;
  QAction* miNextSection = nullptr;
  // Looks for a tray host to come or go, every few seconds.
  QTimer* TrayWatch = nullptr;
};

}  // namespace skyrelle::app
