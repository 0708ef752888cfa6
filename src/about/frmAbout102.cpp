#include "about/frmAbout102.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <memory>
#include <thread>

#include "about/AboutControls.h"
#include "about/Download.h"
#include "about/FileManager.h"
#include "about/NewVersionCheck.h"
#include "about/OSVersion.h"
#include "app/ApplicationTitle.h"
#include "app/qt/ErrorBox.h"
#include "app/qt/Icons.h"
#include "update/FileVersion.h"
#include "update/MakerSite.h"
#include "update/Version.h"

namespace skyrelle::about {
namespace {

constexpr const char* TagProperty = "Tag";
constexpr int IconSize = 16;

QFont FontOfHeight(int PixelHeight) {
  QFont font;
  font.setFamilies({QStringLiteral("Tahoma"), QFont().family()});
  font.setPixelSize(PixelHeight);
  return font;
}

void SetTag(QObject* Control, int Tag) { Control->setProperty(TagProperty, Tag); }
int Tag(const QObject* Control) { return Control->property(TagProperty).toInt(); }

// The look of a web link: the highlight colour and a hand cursor.
void LookLikeALink(QWidget* Control) {
  QPalette colours = Control->palette();
  colours.setColor(QPalette::WindowText, colours.color(QPalette::Highlight));
  Control->setPalette(colours);
  Control->setCursor(Qt::PointingHandCursor);
}

QPushButton* CreateButton(QWidget* Parent, const char* Name, const QString& Text,
                          const QRect& Geometry, const QString& IconName) {
  auto* button = new QPushButton(app::ListIcon(app::TIconList::Size16, IconName), Text, Parent);
  button->setObjectName(QLatin1String(Name));
  button->setIconSize(QSize(IconSize, IconSize));
  button->setGeometry(Geometry);
  return button;
}

// The busy cursor for as long as the GUI thread waits.
class TBusyCursor {
 public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

QString DecodePath(const std::string& Path) { return QFile::decodeName(Path.c_str()); }

}  // namespace

TfrmAbout102Services AboutWindowServices() {
  return {
      .ProgramPath = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
      .Confirm =
          [](QWidget* Owner, const QString& Text) {
            return QMessageBox::question(Owner, QCoreApplication::applicationName(), Text,
                                         QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::Yes) == QMessageBox::Yes;
          },
      .ShowError =
          [](QWidget* Owner, const QString& Text) {
            QMessageBox::critical(Owner, QCoreApplication::applicationName(), Text,
                                  QMessageBox::Ok);
          },
      .ShowInFileManager = [](const QString& FileName) { ShowInFileManager(FileName); },
      .OpenURL = [](const QUrl& URL) { QDesktopServices::openUrl(URL); },
  };
}

TfrmAbout102::TfrmAbout102(TfrmAbout102Services Services, QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FServices(std::move(Services)) {
  CreateControls();
  FormCreate();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TfrmAbout102::CreateControls() {
  setObjectName(QStringLiteral("frmAbout102"));
  setWindowTitle(QStringLiteral("About"));
  setWindowIcon(app::MainIcon());
  setFixedSize(484, 333);
  setFont(FontOfHeight(11));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);
  setAutoFillBackground(true);

  imgBug = new TPicture(this, "imgBug", QStringLiteral(":/about/bug.svg"), {8, 8, 47, 47});
  imgBug->setToolTip(QStringLiteral("Version debug !!!"));

  lblApplicationTitle = new TLabel(this, "lblApplicationTitle",
                                   QStringLiteral("lblApplicationTitle"), {61, 8, 165, 25});
  lblApplicationTitle->setFont(FontOfHeight(21));
  lblVersion = new TLabel(this, "lblVersion", QStringLiteral("lblVersion"), {61, 36, 70, 19});
  lblVersion->setFont(FontOfHeight(16));

  lblVersionHistory =
      new TLabel(this, "lblVersionHistory", QStringLiteral("Version History"), {8, 61, 72, 13});
  lblNewVersion = new TLabel(this, "lblNewVersion", QStringLiteral("New version available"),
                             {372, 61, 104, 13}, true);
  LookLikeALink(lblNewVersion);

  memNews = new QPlainTextEdit(QStringLiteral("memNews"), this);
  memNews->setObjectName(QStringLiteral("memNews"));
  memNews->setGeometry(8, 80, 468, 160);
  memNews->setReadOnly(true);
  memNews->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memNews->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memNews->setFocusPolicy(Qt::StrongFocus);

  lblAnalytics =
      new TLabel(this, "lblAnalytics",
                 QStringLiteral("This program sends anonymous usage statistics (see E.U.L.A.)"),
                 {8, 248, 300, 13});
  lblWindowsVersion =
      new TLabel(this, "lblWindowsVersion", QStringLiteral("lblWindowsVersion"), {8, 267, 88, 13});
  lblWebSite = new TLabel(this, "lblWebSite", QString::fromStdString(update::WebSiteHostName()),
                          {389, 283, 87, 13}, true);
  LookLikeALink(lblWebSite);
  QFont underlined = lblWebSite->font();
  underlined.setUnderline(true);
  lblWebSite->setFont(underlined);
  SetTag(lblWebSite, 1);
  lblToolchainVersion = new TLabel(this, "lblToolchainVersion",
                                   QStringLiteral("lblToolchainVersion"), {8, 286, 74, 13});

  bbtEula = CreateButton(this, "bbtEula", QStringLiteral("E.U.L.A."), {8, 302, 90, 25},
                         QStringLiteral("subject-law-filled"));
  SetTag(bbtEula, 3);
  imgDonate =
      new TPicture(this, "imgDonate", QStringLiteral(":/about/donate.svg"), {205, 302, 74, 21});
  imgDonate->setCursor(Qt::PointingHandCursor);
  SetTag(imgDonate, 2);
  BitBtn1 = CreateButton(this, "BitBtn1", QStringLiteral("&Close"), {386, 302, 90, 25},
                         QStringLiteral("exit"));

  pmNewVersion = new QMenu(this);
  pmNewVersion->setObjectName(QStringLiteral("pmNewVersion"));
  menSetup = pmNewVersion->addAction(QStringLiteral("Installation program"));
  menSetup->setObjectName(QStringLiteral("menSetup"));
  SetTag(menSetup, 1);
  menCAB = pmNewVersion->addAction(QStringLiteral("Executable only"));
  menCAB->setObjectName(QStringLiteral("menCAB"));
  SetTag(menCAB, 2);
  lblNewVersion->setContextMenuPolicy(Qt::CustomContextMenu);

  connect(lblWebSite, &TLabel::clicked, this, [this] { WebLinkClick(lblWebSite); });
  connect(imgDonate, &TPicture::clicked, this, [this] { WebLinkClick(imgDonate); });
  connect(bbtEula, &QPushButton::clicked, this, [this] { WebLinkClick(bbtEula); });
  connect(BitBtn1, &QPushButton::clicked, this, &TfrmAbout102::BitBtn1Click);
  connect(lblNewVersion, &TLabel::clicked, this, &TfrmAbout102::lblNewVersionClick);
  connect(lblNewVersion, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& At) { pmNewVersion->popup(lblNewVersion->mapToGlobal(At)); });
  connect(menSetup, &QAction::triggered, this, [this] { menNewVersionClick(menSetup); });
  connect(menCAB, &QAction::triggered, this, [this] { menNewVersionClick(menCAB); });

  setTabOrder(BitBtn1, memNews);
  setTabOrder(memNews, bbtEula);
  BitBtn1->setFocus();
}

// An error in a step leaves the later controls as they were designed.
void TfrmAbout102::FormCreate() {
  try {
    imgBug->hide();
    lblApplicationTitle->SetLeft(imgBug->x());
    lblVersion->SetLeft(imgBug->x());
    lblApplicationTitle->SetCaption(
        QString::fromStdString(app::ApplicationTitle(FServices.ProgramPath)));
    lblVersion->SetCaption(QStringLiteral("Version ") +
                           QString::fromStdString(update::FormatVersion(
                               update::ReadFileVersion(FServices.ProgramPath))));
    CheckForNewVersion();
    lblNewVersion->setVisible(FNewVersionAvalaible);
    memNews->setPlainText(FNews);
    const QString system = QString::fromStdString(GetOSVersionText());
    lblWindowsVersion->SetCaption(system);
    lblWindowsVersion->setToolTip(system);
    lblToolchainVersion->SetCaption(QStringLiteral(SKYRELLE_TOOLCHAIN_LINE));
    menSetup->setEnabled(!FExeSetup.empty());
  } catch (...) {
    app::ShowCurrentException();
  }
}

void TfrmAbout102::CheckForNewVersion() {
  FNewVersionAvalaible = false;
  const TNewVersionNotice notice = about::CheckForNewVersion(
      FServices.ProgramPath, [this](const std::string& URL, const std::string& FileName) {
        return Download(URL, FileName, DescriptorLimits);
      });
  FNewVersionAvalaible = notice.NewVersionAvalaible;
  FNews = QString::fromStdString(notice.News);
  FExeSetup = notice.ExeSetup;
}

bool TfrmAbout102::Download(const std::string& URL, const std::string& FileName,
                            const update::TTransferLimits& Limits) {
  QEventLoop wait;
  bool done = false;
  // Declared last, so that it is joined before what it uses goes.
  std::jthread worker([&] {
    done = DownloadURLToFile(URL, FileName, Limits);
    QMetaObject::invokeMethod(
        &wait, [&wait] { wait.quit(); }, Qt::QueuedConnection);
  });
  const TBusyCursor busy;
  // Clicks and keys wait until the transfer has ended, as they would during a blocking call.
  wait.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  return done;
}

void TfrmAbout102::WebLinkClick(QObject* Sender) {
  app::Guarded([&] {
    std::string target;
    switch (Tag(Sender)) {
      case 1:
        target = update::WebSitePageURL();
        break;
      case 2:
        target = update::DonationPageURL();
        break;
      case 3:
        target = update::LicenceAgreementURL();
        break;
      default:
        return;
    }
    FServices.OpenURL(QUrl(QString::fromStdString(target)));
  });
}

void TfrmAbout102::BitBtn1Click() { close(); }

void TfrmAbout102::lblNewVersionClick() {
  app::Guarded([this] {
    pmNewVersion->popup(lblNewVersion->mapToGlobal(QPoint(0, lblNewVersion->height())));
  });
}

void TfrmAbout102::menNewVersionClick(QObject* Sender) {
  app::Guarded([&] {
    const std::string folder = DownloadFolder();
    const auto download = ManualDownloadFor(Tag(Sender), FServices.ProgramPath, FExeSetup, folder);
    if (!download) return;
    if (Download(download->URL, download->Target, ManualDownloadLimits)) {
      if (FServices.Confirm(this, QStringLiteral("File downloaded successfuly.\n"
                                                 "Open the download folder ?")))
        FServices.ShowInFileManager(DecodePath(download->Target));
    } else {
      FServices.ShowError(this, QStringLiteral("Unable to download the new version"));
    }
  });
}

// There is no cancel button, so Escape does not close the window.
void TfrmAbout102::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(Event);
}

void ShowAbout(TfrmAbout102Services Services) {
  const auto window = std::make_unique<TfrmAbout102>(std::move(Services));
  window->exec();
}

void ShowAbout() { ShowAbout(AboutWindowServices()); }

}  // namespace skyrelle::about
