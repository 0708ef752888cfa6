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
#include "about/AboutLayout.h"
#include "about/Download.h"
#include "about/FileManager.h"
#include "app/qt/ErrorBox.h"
#include "app/qt/Icons.h"
#include "update/MakerSite.h"

namespace skyrelle::about {
namespace {

namespace design = about_window;

constexpr const char* TagProperty = "Tag";

QFont FontOfHeight(int PixelHeight) {
  QFont font;
  font.setFamilies({DesignText(design::FontFace), QFont().family()});
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

QPushButton* CreateButton(QWidget* Parent, const app::TControlLayout& Design) {
  auto* button = new QPushButton(app::ListIcon(app::TIconList::Size16, DesignText(Design.Icon)),
                                 DesignText(Design.Text), Parent);
  button->setObjectName(DesignText(Design.Name));
  button->setIconSize(QSize(design::IconSize, design::IconSize));
  button->setGeometry(Geometry(Design));
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
      FServices(std::move(Services)),
      FLogic(*this, FServices.ProgramPath, SKYRELLE_TOOLCHAIN_LINE) {
  CreateControls();
  FormCreate();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TfrmAbout102::CreateControls() {
  setObjectName(QStringLiteral("frmAbout102"));
  setWindowTitle(DesignText(design::Caption));
  setWindowIcon(app::MainIcon());
  setFixedSize(design::ClientWidth, design::ClientHeight);
  setFont(FontOfHeight(design::FontPixelHeight));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);
  setAutoFillBackground(true);

  imgBug = new TPicture(this, design::imgBug, QStringLiteral(":/about/bug.svg"));
  imgBug->setToolTip(DesignText(design::BugHint));

  lblApplicationTitle = new TLabel(this, design::lblApplicationTitle);
  lblApplicationTitle->setFont(FontOfHeight(design::TitleFontPixelHeight));
  lblVersion = new TLabel(this, design::lblVersion);
  lblVersion->setFont(FontOfHeight(design::VersionFontPixelHeight));

  lblVersionHistory = new TLabel(this, design::lblVersionHistory);
  lblNewVersion = new TLabel(this, design::lblNewVersion, true);
  LookLikeALink(lblNewVersion);

  memNews = new QPlainTextEdit(DesignText(design::memNews.Text), this);
  memNews->setObjectName(DesignText(design::memNews.Name));
  memNews->setGeometry(Geometry(design::memNews));
  memNews->setReadOnly(true);
  memNews->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memNews->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memNews->setFocusPolicy(Qt::StrongFocus);

  lblAnalytics = new TLabel(this, design::lblAnalytics);
  lblWindowsVersion = new TLabel(this, design::lblWindowsVersion);
  lblWebSite = new TLabel(this, design::lblWebSite, true);
  lblWebSite->SetCaption(QString::fromStdString(update::WebSiteHostName()));
  LookLikeALink(lblWebSite);
  QFont underlined = lblWebSite->font();
  underlined.setUnderline(true);
  lblWebSite->setFont(underlined);
  SetTag(lblWebSite, 1);
  lblToolchainVersion = new TLabel(this, design::lblToolchainVersion);

  bbtEula = CreateButton(this, design::bbtEula);
  SetTag(bbtEula, 3);
  imgDonate = new TPicture(this, design::imgDonate, QStringLiteral(":/about/donate.svg"));
  imgDonate->setCursor(Qt::PointingHandCursor);
  SetTag(imgDonate, 2);
  BitBtn1 = CreateButton(this, design::BitBtn1);

  pmNewVersion = new QMenu(this);
  pmNewVersion->setObjectName(QStringLiteral("pmNewVersion"));
  menSetup = pmNewVersion->addAction(DesignText(design::menSetupText));
  menSetup->setObjectName(QStringLiteral("menSetup"));
  SetTag(menSetup, 1);
  menCAB = pmNewVersion->addAction(DesignText(design::menCABText));
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
    FLogic.FormCreate();
  } catch (...) {
    app::ShowCurrentException();
  }
}

void TfrmAbout102::HideBug() { imgBug->hide(); }

void TfrmAbout102::AlignTitleWithBug() {
  lblApplicationTitle->SetLeft(imgBug->x());
  lblVersion->SetLeft(imgBug->x());
}

void TfrmAbout102::ShowTitle(const std::string& Title) {
  lblApplicationTitle->SetCaption(QString::fromStdString(Title));
}

void TfrmAbout102::ShowVersion(const std::string& Text) {
  lblVersion->SetCaption(QString::fromStdString(Text));
}

void TfrmAbout102::ShowNewVersionNotice(bool Show) { lblNewVersion->setVisible(Show); }

void TfrmAbout102::ShowNews(const std::string& News) {
  memNews->setPlainText(QString::fromStdString(News));
}

void TfrmAbout102::ShowWindowsVersion(const std::string& Text) {
  const QString system = QString::fromStdString(Text);
  lblWindowsVersion->SetCaption(system);
  lblWindowsVersion->setToolTip(system);
}

void TfrmAbout102::ShowToolchain(const std::string& Text) {
  lblToolchainVersion->SetCaption(QString::fromStdString(Text));
}

void TfrmAbout102::EnableSetup(bool Enable) { menSetup->setEnabled(Enable); }

bool TfrmAbout102::Download(const std::string& URL, const std::string& FileName,
                            const update::TTransferLimits& Limits) {
  QEventLoop wait;
  bool done = false;
  // Declared last, so that it is joined before what it uses goes.
  std::jthread worker([&] {
    done = update::FetchToFile(URL, FileName, Limits);
    QMetaObject::invokeMethod(
        &wait, [&wait] { wait.quit(); }, Qt::QueuedConnection);
  });
  const TBusyCursor busy;
  // Clicks and keys wait until the transfer has ended, as they would during a blocking call.
  wait.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  return done;
}

bool TfrmAbout102::Confirm(const std::string& Text) {
  return FServices.Confirm(this, QString::fromStdString(Text));
}

void TfrmAbout102::ShowError(const std::string& Text) {
  FServices.ShowError(this, QString::fromStdString(Text));
}

void TfrmAbout102::ShowInFileManager(const std::string& FileName) {
  FServices.ShowInFileManager(DecodePath(FileName));
}

void TfrmAbout102::OpenURL(const std::string& URL) {
  FServices.OpenURL(QUrl(QString::fromStdString(URL)));
}

void TfrmAbout102::WebLinkClick(QObject* Sender) {
  app::Guarded([&] { FLogic.WebLinkClick(Tag(Sender)); });
}

void TfrmAbout102::BitBtn1Click() { close(); }

void TfrmAbout102::lblNewVersionClick() {
  app::Guarded([this] {
    pmNewVersion->popup(lblNewVersion->mapToGlobal(QPoint(0, lblNewVersion->height())));
  });
}

void TfrmAbout102::menNewVersionClick(QObject* Sender) {
  app::Guarded([&] { FLogic.menNewVersionClick(Tag(Sender)); });
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
