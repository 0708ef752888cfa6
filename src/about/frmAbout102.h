#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "about/AboutLogic.h"
#include "about/AboutWindow.h"
#include "about/IAboutView.h"
#include "update/HttpTransfer.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QUrl;

namespace skyrelle::about {

class TLabel;
class TPicture;

// What the About window asks of the desktop; tests substitute each part.
struct TfrmAbout102Services {
  std::string ProgramPath;  // the running program's file
  // A question with Yes and No; true for Yes.
  std::function<bool(QWidget* Owner, const QString& Text)> Confirm;
  // An error message with OK.
  std::function<void(QWidget* Owner, const QString& Text)> ShowError;
  // Shows a downloaded file in the user's file manager.
  std::function<void(const QString& FileName)> ShowInFileManager;
  // Opens a web page in the default browser.
  std::function<void(const QUrl& URL)> OpenURL;
};

// The desktop's message boxes, file manager and browser, for the running program.
TfrmAbout102Services AboutWindowServices();

// The About window: title, version, release notes with the new-version notice and its
// downloads, the system, the toolchain, and links to the maker's site, donation page and
// licence agreement. Its creation fetches the site's update descriptor before it shows.
class TfrmAbout102 : public QDialog, private IAboutView {
  Q_OBJECT

 public:
  explicit TfrmAbout102(TfrmAbout102Services Services, QWidget* Parent = nullptr);

 public slots:
  void WebLinkClick(QObject* Sender);
  void BitBtn1Click();
  void lblNewVersionClick();
  void menNewVersionClick(QObject* Sender);

 protected:
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  void CreateControls();
  void FormCreate();

  void HideBug() override;
  void AlignTitleWithBug() override;
  void ShowTitle(const std::string& Title) override;
  void ShowVersion(const std::string& Text) override;
  void ShowNewVersionNotice(bool Show) override;
  void ShowNews(const std::string& News) override;
  void ShowWindowsVersion(const std::string& Text) override;
  void ShowToolchain(const std::string& Text) override;
  void EnableSetup(bool Enable) override;
  // Runs the transfer on a worker thread; the window repaints and timers tick meanwhile.
  bool Download(const std::string& URL, const std::string& FileName,
                const update::TTransferLimits& Limits) override;
  bool Confirm(const std::string& Text) override;
  void ShowError(const std::string& Text) override;
  void ShowInFileManager(const std::string& FileName) override;
  void OpenURL(const std::string& URL) override;

  TfrmAbout102Services FServices;
  TAboutLogic FLogic;

  TLabel* lblApplicationTitle = nullptr;
  QPushButton* BitBtn1 = nullptr;
  TLabel* lblVersion = nullptr;
  TLabel* lblToolchainVersion = nullptr;
  QPlainTextEdit* memNews = nullptr;
  TLabel* lblWindowsVersion = nullptr;
  TLabel* lblVersionHistory = nullptr;
  QPushButton* bbtEula = nullptr;
  TLabel* lblWebSite = nullptr;
  TPicture* imgBug = nullptr;
  TPicture* imgDonate = nullptr;
  TLabel* lblNewVersion = nullptr;
  QMenu* pmNewVersion = nullptr;
  QAction* menSetup = nullptr;
  QAction* menCAB = nullptr;
  TLabel* lblAnalytics = nullptr;
};

// Creates the About window, shows it modally and destroys it when it closes.
void ShowAbout(TfrmAbout102Services Services);

}  // namespace skyrelle::about
