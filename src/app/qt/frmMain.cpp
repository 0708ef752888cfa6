#include "app/qt/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/qt/DesignLayout.h"
#include "app/qt/ErrorBox.h"
#include "app/qt/Icons.h"

namespace skyrelle::app {
namespace {

QString DecodePath(const std::string& Path) { return QFile::decodeName(Path.c_str()); }
std::string EncodePath(const QString& Path) { return QFile::encodeName(Path).toStdString(); }

// Labels are as wide as their text and keep their height.
void AutoSize(QLabel* Label) {
  Label->resize(Label->sizeHint().width(), main_window::Label2.Bounds.Height);
}

QLabel* CreateLabel(QWidget* Parent, const TControlLayout& Layout, bool Bold) {
  auto* label = new QLabel(DesignText(Layout.Text), Parent);
  label->setObjectName(DesignText(Layout.Name));
  if (Bold) {
    QFont font = Parent->font();
    font.setBold(true);
    label->setFont(font);
  }
  label->move(Layout.Bounds.Left, Layout.Bounds.Top);
  AutoSize(label);
  return label;
}

QPushButton* CreateButton(QWidget* Parent, const TControlLayout& Layout) {
  auto* button = new QPushButton(ListIcon(TIconList::Size24, DesignText(Layout.Icon)),
                                 DesignText(Layout.Text), Parent);
  button->setObjectName(DesignText(Layout.Name));
  button->setIconSize(QSize(main_window::ButtonIconSize, main_window::ButtonIconSize));
  button->setGeometry(Geometry(Layout));
  return button;
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
      FBrowseForFolder(std::move(Services.BrowseForFolder)),
      FLogic(*this, std::move(Services.Logic)) {
  CreateControls();
  CreateTrayIcon();
  Timer = new QTimer(this);
  Timer->setObjectName(QStringLiteral("Timer"));
  Timer->setInterval(TimerInterval);
  // Queued: a timer does not fire again while its own handler runs, and a tick may hold a
  // dialog open; from the event queue, ticks also run inside that dialog's loop.
  connect(Timer, &QTimer::timeout, this, &TfrmMain::TimerTimer, Qt::QueuedConnection);
  Timer->start();
  FLogic.FormCreate();
}

TfrmMain::~TfrmMain() { FLogic.FormDestroy(); }

void TfrmMain::CreateControls() {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(DesignText(main_window::Caption));
  setWindowIcon(MainIcon());
  setFixedSize(main_window::ClientWidth, main_window::ClientHeight);
  QFont font;
  font.setFamilies({DesignText(main_window::FontFace), QFont().family()});
  font.setPixelSize(main_window::FontPixelHeight);
  setFont(font);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
  setAutoFillBackground(true);

  Label2 = CreateLabel(this, main_window::Label2, true);
  beSourceDirectory = new QLineEdit(this);
  beSourceDirectory->setObjectName(DesignText(main_window::beSourceDirectory.Name));
  beSourceDirectory->setGeometry(Geometry(main_window::beSourceDirectory));
  beSourceDirectoryButton = beSourceDirectory->addAction(
      ListIcon(TIconList::Size16, DesignText(main_window::beSourceDirectory.Icon)),
      QLineEdit::TrailingPosition);
  beSourceDirectoryButton->setObjectName(QStringLiteral("beSourceDirectoryRightButton"));
  connect(beSourceDirectoryButton, &QAction::triggered, this,
          &TfrmMain::beSourceDirectoryRightButtonClick);
  Label1 = CreateLabel(this, main_window::Label1, true);
  lblFilename = CreateLabel(this, main_window::lblFilename, false);
  btnPrevious = CreateButton(this, main_window::btnPrevious);
  btnNext = CreateButton(this, main_window::btnNext);
  btnApplyNow = CreateButton(this, main_window::btnApplyNow);
  lblStatus = CreateLabel(this, main_window::lblStatus, false);
  chkAutoStart = new QCheckBox(DesignText(main_window::chkAutoStart.Text), this);
  chkAutoStart->setObjectName(DesignText(main_window::chkAutoStart.Name));
  chkAutoStart->setGeometry(Geometry(main_window::chkAutoStart));

  connect(btnPrevious, &QPushButton::clicked, this, [this] { FLogic.btnPreviousClick(); });
  connect(btnNext, &QPushButton::clicked, this, &TfrmMain::btnNextClick);
  connect(btnApplyNow, &QPushButton::clicked, this, [this] { FLogic.btnApplyNowClick(); });
  connect(chkAutoStart, &QCheckBox::clicked, this, [this] { FLogic.chkAutoStartClick(); });

  setTabOrder(btnPrevious, btnNext);
  setTabOrder(btnNext, btnApplyNow);
  setTabOrder(btnApplyNow, chkAutoStart);
  setTabOrder(chkAutoStart, beSourceDirectory);
  btnPrevious->setFocus();
}

void TfrmMain::CreateTrayIcon() {
  pmTrayIcon = new QMenu(this);
  pmTrayIcon->setObjectName(QStringLiteral("pmTrayIcon"));
  for (const TMenuItemLayout& layout : TrayMenu) {
    QAction* item = pmTrayIcon->addAction(ListIcon(TIconList::Size16, DesignText(layout.Icon)),
                                          DesignText(layout.Text));
    item->setObjectName(DesignText(layout.Name));
    connect(item, &QAction::triggered, this,
            [this, menuItem = layout.Item] { FLogic.TrayMenuClick(menuItem); });
    if (layout.Item == TTrayMenuItem::NextImage) miNextImage = item;
    if (layout.Item == TTrayMenuItem::NextSection) miNextSection = item;
  }

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
  connect(TrayWatch, &QTimer::timeout, this, &TfrmMain::WatchTrayHost);
  WatchTrayHost();
  TrayWatch->start();
}

void TfrmMain::WatchTrayHost() { TrayWatch->setInterval(FLogic.WatchTrayHost()); }

void TfrmMain::closeEvent(QCloseEvent* Event) {
  Event->ignore();
  FLogic.FormClose();
}

void TfrmMain::ShowFolder(const std::string& Path) { beSourceDirectory->setText(DecodePath(Path)); }

void TfrmMain::ShowFileName(const std::string& Name) {
  lblFilename->setText(DecodePath(Name));
  AutoSize(lblFilename);
}

void TfrmMain::ShowStatus(const std::string& Text, const std::string& ToolTip) {
  lblStatus->setText(QString::fromStdString(Text));
  lblStatus->setToolTip(QString::fromStdString(ToolTip));
  AutoSize(lblStatus);
}

bool TfrmMain::AutoStartChecked() const { return chkAutoStart->isChecked(); }

void TfrmMain::SetAutoStartChecked(bool Checked) { chkAutoStart->setChecked(Checked); }

void TfrmMain::DisableEngineControls() {
  for (QPushButton* button : {btnPrevious, btnNext, btnApplyNow}) button->setEnabled(false);
  for (QAction* action : {beSourceDirectoryButton, miNextImage, miNextSection})
    action->setEnabled(false);
}

std::optional<std::string> TfrmMain::BrowseForFolder(const std::string& Title,
                                                     const std::string& Initial) {
  const std::optional<QString> chosen =
      FBrowseForFolder(this, QString::fromStdString(Title), DecodePath(Initial));
  if (!chosen) return std::nullopt;
  return EncodePath(*chosen);
}

void TfrmMain::ShowError(const std::string& Text) { ShowErrorBox(QString::fromStdString(Text)); }

void TfrmMain::ShowInFront() {
  show();
  raise();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  activateWindow();
}

void TfrmMain::Hide() { hide(); }

void TfrmMain::Minimise() { showMinimized(); }

bool TfrmMain::IsHidden() const { return isHidden(); }

void TfrmMain::ShowTrayIcon(bool Show) { TrayIcon->setVisible(Show); }

bool TfrmMain::TrayIconShown() const { return TrayIcon->isVisible(); }

// Leaves the loop directly: a quit request would first ask the window to close, which it
// refuses, and newer toolkits then call the quit off.
void TfrmMain::Quit() { QCoreApplication::exit(0); }

}  // namespace skyrelle::app
