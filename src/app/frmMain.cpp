#include "app/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/ErrorBox.h"
#include "app/Icons.h"
#include "core/Paths.h"

namespace skyrelle::app {
namespace {

// "Windows" would be plainly wrong on a Linux desktop.
#ifdef _WIN32
const QString AutoStartCaption = QStringLiteral("Start with Windows");
#else
const QString AutoStartCaption = QStringLiteral("Start at login");
#endif

constexpr int TimerInterval = 60000;
constexpr int TrayWatchInterval = 2000;
constexpr int LabelHeight = 15;

QString DecodePath(const std::string& Path) { return QFile::decodeName(Path.c_str()); }
std::string EncodePath(const QString& Path) { return QFile::encodeName(Path).toStdString(); }

// Labels are as wide as their text and keep their height.
void AutoSize(QLabel* Label) { Label->resize(Label->sizeHint().width(), LabelHeight); }

QLabel* CreateLabel(QWidget* Parent, const char* Name, const QString& Text, int Left, int Top,
                    bool Bold) {
  auto* label = new QLabel(Text, Parent);
  label->setObjectName(QLatin1String(Name));
  if (Bold) {
    QFont font = Parent->font();
    font.setBold(true);
    label->setFont(font);
  }
  label->move(Left, Top);
  AutoSize(label);
  return label;
}

QPushButton* CreateButton(QWidget* Parent, const char* Name, const QString& Text,
                          const QRect& Geometry, const QString& IconName) {
  auto* button = new QPushButton(ListIcon(TIconList::Size24, IconName), Text, Parent);
  button->setObjectName(QLatin1String(Name));
  button->setIconSize(QSize(24, 24));
  button->setGeometry(Geometry);
  return button;
}

QAction* AddMenuItem(QMenu* Menu, const char* Name, const QString& Text, const QString& IconName) {
  QAction* item = Menu->addAction(ListIcon(TIconList::Size16, IconName), Text);
  item->setObjectName(QLatin1String(Name));
  return item;
}

}  // namespace

std::optional<QString> BrowseForFolderDialog(QWidget* Owner, const QString& Title,
                                             const QString& Initial) {
  // Read-only keeps the dialog from offering to make new folders.
  const QString chosen = QFileDialog::getExistingDirectory(
      Owner, Title, Initial.isEmpty() ? QDir::homePath() : Initial,
      QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

TfrmMain::TfrmMain(TfrmMainServices Services, QWidget* Parent)
    : QWidget(Parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FServices(std::move(Services)) {
  CreateControls();
  CreateTrayIcon();
  Timer = new QTimer(this);
  Timer->setObjectName(QStringLiteral("Timer"));
  Timer->setInterval(TimerInterval);
  connect(Timer, &QTimer::timeout, this, &TfrmMain::TimerTimer);
  Timer->start();
  FormCreate();
}

TfrmMain::~TfrmMain() { FormDestroy(); }

void TfrmMain::CreateControls() {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Skyrelle"));
  setWindowIcon(MainIcon());
  setFixedSize(329, 239);
  QFont font;
  font.setFamilies({QStringLiteral("Segoe UI"), QFont().family()});
  font.setPixelSize(12);
  setFont(font);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
  setAutoFillBackground(true);

  Label2 = CreateLabel(this, "Label2", QStringLiteral("Wallpaper picture folder"), 8, 8, true);
  beSourceDirectory = new QLineEdit(this);
  beSourceDirectory->setObjectName(QStringLiteral("beSourceDirectory"));
  beSourceDirectory->setGeometry(8, 29, 313, 23);
  beSourceDirectoryButton = beSourceDirectory->addAction(
      ListIcon(TIconList::Size16, QStringLiteral("folder-open-filled")),
      QLineEdit::TrailingPosition);
  beSourceDirectoryButton->setObjectName(QStringLiteral("beSourceDirectoryRightButton"));
  connect(beSourceDirectoryButton, &QAction::triggered, this,
          &TfrmMain::beSourceDirectoryRightButtonClick);
  Label1 = CreateLabel(this, "Label1", QStringLiteral("Wallpaper"), 8, 66, true);
  lblFilename = CreateLabel(this, "lblFilename", QString(), 83, 66, false);
  btnPrevious = CreateButton(this, "btnPrevious", QStringLiteral("Previous"), QRect(8, 87, 129, 34),
                             QStringLiteral("picture-arrow-left"));
  btnNext = CreateButton(this, "btnNext", QStringLiteral("Next"), QRect(192, 89, 129, 30),
                         QStringLiteral("picture-arrow-right"));
  btnApplyNow = CreateButton(this, "btnApplyNow", QStringLiteral("Next section"),
                             QRect(8, 135, 313, 33), QStringLiteral("action-arrow-right-filled"));
  lblStatus = CreateLabel(this, "lblStatus", QString(), 8, 184, false);
  chkAutoStart = new QCheckBox(AutoStartCaption, this);
  chkAutoStart->setObjectName(QStringLiteral("chkAutoStart"));
  chkAutoStart->setGeometry(8, 213, 200, 17);

  connect(btnPrevious, &QPushButton::clicked, this, &TfrmMain::btnPreviousClick);
  connect(btnNext, &QPushButton::clicked, this, &TfrmMain::btnNextClick);
  connect(btnApplyNow, &QPushButton::clicked, this, &TfrmMain::btnApplyNowClick);
  connect(chkAutoStart, &QCheckBox::clicked, this, &TfrmMain::chkAutoStartClick);

  setTabOrder(btnPrevious, btnNext);
  setTabOrder(btnNext, btnApplyNow);
  setTabOrder(btnApplyNow, chkAutoStart);
  setTabOrder(chkAutoStart, beSourceDirectory);
  btnPrevious->setFocus();
}

void TfrmMain::CreateTrayIcon() {
  pmTrayIcon = new QMenu(this);
  pmTrayIcon->setObjectName(QStringLiteral("pmTrayIcon"));
  miShow =
      AddMenuItem(pmTrayIcon, "miShow", QStringLiteral("Show"), QStringLiteral("window-hide-show"));
  miNextImage = AddMenuItem(pmTrayIcon, "miNextImage", QStringLiteral("Next image"),
                            QStringLiteral("picture-arrow-right"));
  miNextSection = AddMenuItem(pmTrayIcon, "miNextSection", QStringLiteral("Next section"),
                              QStringLiteral("action-arrow-right-filled"));
  miQuit = AddMenuItem(pmTrayIcon, "miQuit", QStringLiteral("Quit"), QStringLiteral("exit"));
  mnuAbout =
      AddMenuItem(pmTrayIcon, "mnuAbout", QStringLiteral("About"), QStringLiteral("button-info"));
  // There is no About window yet.
  mnuAbout->setEnabled(false);
  connect(miShow, &QAction::triggered, this, &TfrmMain::miShowClick);
  connect(miNextImage, &QAction::triggered, this, &TfrmMain::miNextImageClick);
  connect(miNextSection, &QAction::triggered, this, &TfrmMain::miNextSectionClick);
  connect(miQuit, &QAction::triggered, this, &TfrmMain::miQuitClick);

  TrayIcon = new QSystemTrayIcon(MainIcon(), this);
  TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
  TrayIcon->setToolTip(QCoreApplication::applicationName());
  TrayIcon->setContextMenu(pmTrayIcon);
  connect(TrayIcon, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason Reason) {
            if (Reason == QSystemTrayIcon::DoubleClick) TrayIconDblClick();
          });
  TrayWatch = new QTimer(this);
  TrayWatch->setObjectName(QStringLiteral("TrayWatch"));
  TrayWatch->setInterval(TrayWatchInterval);
  connect(TrayWatch, &QTimer::timeout, this, [this] { Guarded([this] { WatchTrayHost(); }); });
  TrayWatch->start();
  WatchTrayHost();
}

// Each step is guarded on its own, so that a refused engine still leaves the start entry
// read and a refused start entry still leaves the status shown.
void TfrmMain::FormCreate() {
  FFirstPass = true;
  try {
    FPanorama = FServices.CreateEngine();
  } catch (...) {
    ShowCurrentException();
    WithoutEngine(ErrorBoxText(CurrentExceptionText()));
  }
  if (FPanorama) beSourceDirectory->setText(DecodePath(FPanorama->SourceDirectory()));
  if (IsAutoStartEnabled()) {
    chkAutoStart->setChecked(true);
    chkAutoStartClick();
  }
  Guarded([this] { UpdateStatus(); });
}

void TfrmMain::FormDestroy() { FPanorama.reset(); }

// The window stays, but offers nothing that needs the engine; the status line keeps the
// reason in view after the error box is gone.
void TfrmMain::WithoutEngine(const QString& Reason) {
  for (QPushButton* button : {btnPrevious, btnNext, btnApplyNow}) button->setEnabled(false);
  for (QAction* action : {beSourceDirectoryButton, miNextImage, miNextSection})
    action->setEnabled(false);
  lblStatus->setText(Reason);
  AutoSize(lblStatus);
}

void TfrmMain::UpdateStatus() {
  if (!FPanorama) return;
  if (FPanorama->CurrentFile().empty()) {
    lblStatus->setText(QStringLiteral("No folder selected"));
  } else {
    lblFilename->setText(DecodePath(core::ExtractFileName(FPanorama->CurrentFile())));
    AutoSize(lblFilename);
    // Widened: a damaged store can leave the index at the top of its range.
    const long long section = static_cast<long long>(FPanorama->CurrentIndex()) + 1;
    lblStatus->setText(QString::asprintf("Section %lld / %d - next change in %d min", section,
                                         FPanorama->StepsCount(),
                                         FPanorama->MinutesUntilNextChange()));
  }
  lblStatus->setToolTip(QString());
  if (FServices.TakeWallpaperNotice) {
    if (const auto notice = FServices.TakeWallpaperNotice()) {
      lblStatus->setText(QString::fromStdString(*notice));
      lblStatus->setToolTip(lblStatus->text());
    }
  }
  AutoSize(lblStatus);
}

void TfrmMain::beSourceDirectoryRightButtonClick() {
  Guarded([this] {
    if (!FPanorama) return;
    const QString current = DecodePath(FPanorama->SourceDirectory());
    const QString initial = QFileInfo(current).isDir() ? current : QString();
    const std::optional<QString> chosen = FServices.BrowseForFolder(
        this, QStringLiteral("Select the folder containing the images"), initial);
    if (!chosen) return;
    FPanorama->SetSourceDirectory(EncodePath(*chosen));
    beSourceDirectory->setText(*chosen);
    UpdateStatus();
  });
}

void TfrmMain::btnPreviousClick() {
  Guarded([this] {
    if (!FPanorama) return;
    FPanorama->PreviousImage();
    UpdateStatus();
  });
}

void TfrmMain::btnNextClick() {
  Guarded([this] {
    if (!FPanorama) return;
    FPanorama->NextImage();
    UpdateStatus();
  });
}

void TfrmMain::btnApplyNowClick() {
  Guarded([this] {
    if (!FPanorama) return;
    FPanorama->Advance();
    UpdateStatus();
  });
}

void TfrmMain::chkAutoStartClick() {
  Guarded([this] { SetAutoStart(chkAutoStart->isChecked()); });
}

bool TfrmMain::IsAutoStartEnabled() const { return FServices.AutoStart.IsEnabled(); }

void TfrmMain::SetAutoStart(bool Enable) { FServices.AutoStart.Set(Enable); }

void TfrmMain::TrayIconDblClick() {
  Guarded([this] {
    show();
    raise();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    activateWindow();
  });
}

void TfrmMain::miShowClick() { TrayIconDblClick(); }

void TfrmMain::miNextImageClick() { btnNextClick(); }

void TfrmMain::miNextSectionClick() { btnApplyNowClick(); }

// Leaves the loop directly: a quit request would first ask the window to close, which it
// refuses, and newer toolkits then call the quit off.
void TfrmMain::miQuitClick() { QCoreApplication::exit(0); }

void TfrmMain::TimerTimer() {
  Guarded([this] {
    // Cleared first: a dialog opened from this tick lets further ticks run inside it.
    FFirstPass = false;
    if (!FPanorama) return;
    if (FPanorama->MinutesUntilNextChange() <= 0) FPanorama->Advance();
    UpdateStatus();
  });
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
  Event->ignore();
  Guarded([this] { FormClose(); });
}

// Without a tray a hidden window could not be reached again, so there it only goes down to
// the taskbar.
void TfrmMain::FormClose() {
  if (FServices.TrayAvailable()) {
    TrayIcon->show();
    hide();
  } else {
    showMinimized();
  }
}

// The tray may come later than the program (a panel that starts after it) or go away; the
// icon follows it, and a hidden window comes back to the taskbar when the tray is gone.
void TfrmMain::WatchTrayHost() {
  const bool available = FServices.TrayAvailable();
  if (available && !TrayIcon->isVisible()) {
    TrayIcon->show();
  } else if (!available && TrayIcon->isVisible()) {
    TrayIcon->hide();
    if (isHidden()) showMinimized();
  }
  // Waiting for a tray is worth a look every two seconds; a tray that is there is only
  // watched as often as the program wakes anyway, so the idle program sleeps for a minute.
  TrayWatch->setInterval(TrayIcon->isVisible() ? TimerInterval : TrayWatchInterval);
}

}  // namespace skyrelle::app
