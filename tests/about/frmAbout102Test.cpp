#include "about/frmAbout102.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "about/AboutControlCases.h"
#include "about/OSVersion.h"
#include "app/QtApplication.h"
#include "app/qt/ErrorBox.h"
#include "support/LocalHttpServer.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"
#include "support/VersionRecord.h"
#include "update/MakerSite.h"

namespace skyrelle::about {
namespace {

namespace fs = std::filesystem;
using test_cases::TAboutControlCase;
using test_cases::TAboutText;
using test_support::THttpAnswer;

// What the build names: the compiler as its own macros give it, and the Qt headers' release.
std::string ExpectedToolchainLine() {
#if defined(__clang__)
  const std::string compiler = "Clang " + std::to_string(__clang_major__) + "." +
                               std::to_string(__clang_minor__) + "." +
                               std::to_string(__clang_patchlevel__);
#else
  const std::string compiler = "GCC " + std::to_string(__GNUC__) + "." +
                               std::to_string(__GNUC_MINOR__) + "." +
                               std::to_string(__GNUC_PATCHLEVEL__);
#endif
  return "Built with " + compiler + " and Qt " + QT_VERSION_STR;
}

std::string ReadFile(const std::string& FileName) {
  std::stringstream text;
  text << std::ifstream(FileName, std::ios::binary).rdbuf();
  return text.str();
}

// A site on 127.0.0.1, a home of its own with its Downloads folder, a program file at
// 1.9.0.0, and fakes for the message boxes, the file manager and the browser.
class frmAbout102Test : public testing::Test {
 public:
  void SetUp() override {
    test_support::TestApplication();
    QCoreApplication::setApplicationName(QStringLiteral("Skyrelle"));
    FPreviousPresenter = app::SetErrorPresenter(
        [this](const QString&, const QString& Text) { Errors.push_back(Text); });
  }

  void TearDown() override {
    FWindow.reset();
    app::SetErrorPresenter(FPreviousPresenter);
  }

  static std::string FilesPath(const std::string& Name) {
    return update::PlatformFilesPath() + Name;
  }

  void ServeDescriptor(const std::string& Text) {
    Site.Serve(FilesPath("Skyrelle.INF"), {.Body = Text});
  }

  std::string WriteProgram(const std::string& Name, const std::string& Record) {
    return Root.Write("bin/" + Name, "ELF and so on " + Record);
  }

  std::string Downloads() const { return Root.Path() + "/Downloads"; }

  TfrmAbout102Services Services() {
    return {
        .ProgramPath = ProgramPath,
        .Confirm =
            [this](QWidget*, const QString& Text) {
              Questions.push_back(Text);
              return Answer;
            },
        .ShowError = [this](QWidget*, const QString& Text) { Messages.push_back(Text); },
        .ShowInFileManager = [this](const QString& FileName) { Shown.push_back(FileName); },
        .OpenURL = [this](const QUrl& URL) { Opened.push_back(URL.toString().toStdString()); },
    };
  }

  TfrmAbout102& Window() {
    if (!FWindow) FWindow = std::make_unique<TfrmAbout102>(Services());
    return *FWindow;
  }

  template <typename T>
  T* Control(const char* Name) {
    T* control = Window().findChild<T*>(QLatin1String(Name));
    EXPECT_NE(control, nullptr) << Name;
    return control;
  }

  QString Text(const char* Name) {
    const QWidget* control = Control<QWidget>(Name);
    const QVariant text = control->property("text");
    return text.isValid() ? text.toString() : control->property("plainText").toString();
  }

  std::vector<std::string> RequestedPaths() const {
    std::vector<std::string> paths;
    for (const auto& request : Site.Requests()) paths.push_back(request.Target);
    return paths;
  }

  // First: the program file below is written into it.
  test_support::TTempFolder Root;
  test_support::TLocalHttpServer Site;
  std::string ProgramPath = WriteProgram("Skyrelle", test_support::VersionRecordFor(1, 9, 0, 0));
  bool Answer = true;
  std::vector<QString> Errors;
  std::vector<QString> Questions;
  std::vector<QString> Messages;
  std::vector<QString> Shown;
  std::vector<std::string> Opened;

 private:
  test_support::TScopedVariable FSiteUrl{"SKYRELLE_SITE_URL", Site.Url()};
  test_support::TScopedVariable FHome{"HOME", Root.Path()};
  test_support::TScopedVariable FConfig{"XDG_CONFIG_HOME", Root.Path() + "/config"};
  app::TErrorPresenter FPreviousPresenter;
  std::unique_ptr<TfrmAbout102> FWindow;
};

// --- Layout ---------------------------------------------------------------------------

TEST_F(frmAbout102Test, IsAFixedWhiteWindowWithOnlyTheCloseBoxAndTheSystemMenu) {
  TfrmAbout102& window = Window();
  EXPECT_EQ(window.windowTitle(), "About");
  EXPECT_EQ(window.minimumSize(), QSize(484, 333));
  EXPECT_EQ(window.maximumSize(), QSize(484, 333));
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(window.autoFillBackground());
  EXPECT_EQ(window.font().pixelSize(), 11);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(window.geometry().center(), screen.center());
}

class frmAbout102ControlTest : public frmAbout102Test,
                               public testing::WithParamInterface<TAboutControlCase> {
 public:
  QString ExpectedText(const TAboutControlCase& ACase) {
    switch (ACase.Text) {
      case TAboutText::Fixed:
        return QString::fromUtf8(ACase.FixedText);
      case TAboutText::ProgramTitle:
        return QStringLiteral("Skyrelle");
      case TAboutText::ProgramVersion:
        return QStringLiteral("Version 1.9.0.0");
      case TAboutText::SystemVersion:
        return QString::fromStdString(GetOSVersionText());
      case TAboutText::SiteHost:
        return QString::fromStdString(Site.Url()).mid(7);  // without http://
      case TAboutText::Toolchain:
        return QString::fromStdString(ExpectedToolchainLine());
    }
    return {};
  }
};

TEST_P(frmAbout102ControlTest, SitsWhereItBelongsWithItsTextAndFont) {
  const TAboutControlCase& expected = GetParam();
  ServeDescriptor("[file1]\nnewversion=2.0.0.0\n[update]\ndescr=Faster\n");
  const QWidget* control = Control<QWidget>(expected.Name);
  ASSERT_NE(control, nullptr);
  const int width = expected.Rect.Width == 0 ? control->sizeHint().width() : expected.Rect.Width;
  const int left = expected.RightAligned ? test_cases::RightEdge - width : expected.Rect.Left;
  EXPECT_EQ(control->geometry(), QRect(left, expected.Rect.Top, width, expected.Rect.Height));
  EXPECT_EQ(Text(expected.Name), ExpectedText(expected));
  EXPECT_EQ(control->font().pixelSize(), expected.FontHeight);
  EXPECT_TRUE(control->font().family() == "Tahoma" ||
              control->font().families().contains(QStringLiteral("Tahoma")));
}

INSTANTIATE_TEST_SUITE_P(Controls, frmAbout102ControlTest,
                         testing::ValuesIn(test_cases::AboutControlCases),
                         [](const testing::TestParamInfo<TAboutControlCase>& ACase) {
                           return test_cases::CaseName(ACase.param);
                         });

TEST_F(frmAbout102Test, LinksLookLikeLinksAndTheBugStaysHidden) {
  const QColor highlight = Window().palette().color(QPalette::Highlight);
  for (const char* name : {"lblNewVersion", "lblWebSite"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Control<QWidget>(name)->palette().color(QPalette::WindowText), highlight);
    EXPECT_EQ(Control<QWidget>(name)->cursor().shape(), Qt::PointingHandCursor);
  }
  EXPECT_TRUE(Control<QWidget>("lblWebSite")->font().underline());
  EXPECT_EQ(Control<QWidget>("imgDonate")->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Control<QWidget>("lblNewVersion")->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(Control<QLabel>("lblApplicationTitle")->textFormat(), Qt::PlainText);

  EXPECT_TRUE(Control<QWidget>("imgBug")->isHidden());
  EXPECT_EQ(Control<QWidget>("imgBug")->toolTip(), "Version debug !!!");
  EXPECT_EQ(Control<QWidget>("lblWindowsVersion")->toolTip(), Text("lblWindowsVersion"));

  const auto* news = Control<QPlainTextEdit>("memNews");
  EXPECT_TRUE(news->isReadOnly());
  EXPECT_EQ(news->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(news->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  for (const char* name : {"BitBtn1", "bbtEula"}) {
    const auto* button = Control<QPushButton>(name);
    EXPECT_EQ(button->iconSize(), QSize(16, 16)) << name;
    EXPECT_FALSE(button->icon().pixmap(QSize(16, 16)).isNull()) << name;
  }

  const struct {
    const char* Name;
    int Tag;
  } tags[] = {{"lblWebSite", 1}, {"imgDonate", 2}, {"bbtEula", 3}, {"BitBtn1", 0}};
  for (const auto& tag : tags)
    EXPECT_EQ(Control<QObject>(tag.Name)->property("Tag").toInt(), tag.Tag) << tag.Name;

  QStringList items;
  for (const QAction* item : Control<QMenu>("pmNewVersion")->actions())
    items << item->objectName() + "=" + item->text() + "/" + item->property("Tag").toString();
  EXPECT_EQ(items, QStringList({"menSetup=Installation program/1", "menCAB=Executable only/2"}));
}

TEST_F(frmAbout102Test, TabOrderRunsCloseNewsLicenceAndFocusStartsOnClose) {
  TfrmAbout102& window = Window();
  QStringList order;
  QWidget* widget = Control<QWidget>("BitBtn1");
  do {
    if (widget->focusPolicy() & Qt::TabFocus) order << widget->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != Control<QWidget>("BitBtn1") && order.size() < 20);
  EXPECT_EQ(order, QStringList({"BitBtn1", "memNews", "bbtEula"}));
  EXPECT_EQ(window.focusWidget(), Control<QWidget>("BitBtn1"));
}

// --- Creation -------------------------------------------------------------------------

struct TNoticeCase {
  const char* Name;
  std::optional<std::string> Descriptor;  // nothing: the site answers 404
  bool NoticeShown;
  QStringList NewsLines;
  bool SetupEnabled;
};

void PrintTo(const TNoticeCase& Case, std::ostream* Out) { *Out << Case.Name; }

class frmAbout102NoticeTest : public frmAbout102Test,
                              public testing::WithParamInterface<TNoticeCase> {};

TEST_P(frmAbout102NoticeTest, ShowsWhatTheSitesDescriptorSays) {
  const TNoticeCase& expected = GetParam();
  if (expected.Descriptor) ServeDescriptor(*expected.Descriptor);
  Window();
  EXPECT_EQ(Control<QWidget>("lblNewVersion")->isHidden(), !expected.NoticeShown);
  QStringList lines;
  const QTextDocument* news = Control<QPlainTextEdit>("memNews")->document();
  for (QTextBlock block = news->begin(); block.isValid(); block = block.next())
    lines << block.text();
  EXPECT_EQ(lines, expected.NewsLines);
  EXPECT_EQ(Control<QAction>("menSetup")->isEnabled(), expected.SetupEnabled);
  EXPECT_TRUE(Control<QAction>("menCAB")->isEnabled());
  EXPECT_EQ(RequestedPaths(), std::vector<std::string>{FilesPath("Skyrelle.INF")});
  EXPECT_TRUE(Errors.empty());
}

const std::string LongNotes = std::string(2040, 'x') + "\\nabcdef\\nlost";

INSTANTIATE_TEST_SUITE_P(
    Descriptors, frmAbout102NoticeTest,
    testing::Values(
        TNoticeCase{"NewerWithInstaller",
                    "[file1]\nnewversion=1.9.0.1\n[update]\ndescr=New\n[action]\nrunbefore=S.exe\n",
                    true,
                    {"New"},
                    true},
        TNoticeCase{"NewerWithoutInstaller", "[file1]\nnewversion=2.1\n", true, {""}, false},
        TNoticeCase{"SameVersion",
                    "[file1]\nnewversion=1.9.0.0\n[action]\nrunbefore=S.exe\n",
                    false,
                    {""},
                    true},
        TNoticeCase{"NoDescriptor", std::nullopt, false, {""}, false},
        TNoticeCase{"LineBreaks",
                    "[update]\ndescr=One\\nTwo\\NThree\\\\n\n",
                    false,
                    {"One", "Two", "Three\\", ""},
                    false},
        TNoticeCase{"NotesCutAt2047",
                    "[update]\ndescr=" + LongNotes + "\n",
                    false,
                    {QString(2040, 'x'), "abcde"},
                    false}),
    [](const testing::TestParamInfo<TNoticeCase>& Case) { return Case.param.Name; });

TEST_F(frmAbout102Test, AProgramWithoutVersionShowsTheErrorAndKeepsTheDesignTexts) {
  ProgramPath = WriteProgram("Skyrelle", "no version record");
  ServeDescriptor("[file1]\nnewversion=2.0\n[update]\ndescr=News\n");
  Window();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_TRUE(Errors[0].startsWith("Erreur système.  Code : ")) << Errors[0].toStdString();
  EXPECT_TRUE(Errors[0].endsWith(".")) << Errors[0].toStdString();
  EXPECT_EQ(Text("lblApplicationTitle"), "Skyrelle");
  EXPECT_EQ(Control<QWidget>("lblApplicationTitle")->x(), 8);
  EXPECT_EQ(Control<QWidget>("lblVersion")->x(), 8);
  EXPECT_EQ(Text("lblVersion"), "lblVersion");
  EXPECT_EQ(Text("memNews"), "memNews");
  EXPECT_FALSE(Control<QWidget>("lblNewVersion")->isHidden());
  EXPECT_EQ(Text("lblWindowsVersion"), "lblWindowsVersion");
  EXPECT_EQ(Control<QWidget>("lblWindowsVersion")->toolTip(), "");
  EXPECT_EQ(Text("lblToolchainVersion"), "lblToolchainVersion");
  EXPECT_TRUE(Control<QWidget>("imgBug")->isHidden());
  EXPECT_TRUE(RequestedPaths().empty()) << "the check comes after the version";
}

TEST_F(frmAbout102Test, TitleFollowsTheProgramFileNameAsItIs) {
  const struct {
    const char* File;
    const char* Title;
  } cases[] = {{"SKY.Tool", "Sky"}, {"Skyrelle", "Skyrelle"}, {"R&D<b>", "R&d<b>"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    ProgramPath = WriteProgram(c.File, test_support::VersionRecordFor(1, 0, 0, 0));
    TfrmAbout102 window(Services());
    const auto* title = window.findChild<QLabel*>(QStringLiteral("lblApplicationTitle"));
    EXPECT_EQ(title->text(), c.Title);
    EXPECT_EQ(title->width(), title->sizeHint().width());
  }
}

TEST_F(frmAbout102Test, TheTimerTicksWhileTheDescriptorIsOnItsWay) {
  Site.Serve(FilesPath("Skyrelle.INF"),
             {.Body = "[update]\ndescr=Late\n", .Delay = std::chrono::milliseconds(1500)});
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
  timer.start(50);
  Window();
  EXPECT_GE(ticks, 5);
  EXPECT_EQ(Text("memNews"), "Late");
  EXPECT_FALSE(QApplication::overrideCursor()) << "the busy cursor is gone again";
}

// --- Links ----------------------------------------------------------------------------

TEST_F(frmAbout102Test, LinksOpenTheirPagesAndLeaveTheWindowOpen) {
  TfrmAbout102& window = Window();
  window.show();
  for (int round = 0; round < 2; ++round) {
    QTest::mouseClick(Control<QWidget>("lblWebSite"), Qt::LeftButton);
    QTest::mouseClick(Control<QWidget>("imgDonate"), Qt::LeftButton);
    Control<QPushButton>("bbtEula")->click();
  }
  QTest::mouseClick(Control<QWidget>("lblWebSite"), Qt::RightButton);
  const std::string site = Site.Url();
  const std::vector<std::string> pages = {site + "/wiki/doku.php", update::DonationPageURL(),
                                          site + "/wiki/doku.php?id=start:utils:eula"};
  std::vector<std::string> expected = pages;
  expected.insert(expected.end(), pages.begin(), pages.end());
  EXPECT_EQ(Opened, expected);
  EXPECT_TRUE(window.isVisible());
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_TRUE(window.isVisible()) << "no cancel button";
  QTest::mouseClick(Control<QPushButton>("BitBtn1"), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(frmAbout102Test, NewVersionLabelOpensItsMenuBelowOrAtTheMouse) {
  ServeDescriptor("[file1]\nnewversion=2.0\n");
  TfrmAbout102& window = Window();
  window.show();
  auto* label = Control<QWidget>("lblNewVersion");
  auto* menu = Control<QMenu>("pmNewVersion");
  QTest::mouseClick(label, Qt::LeftButton);
  ASSERT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->pos().y(), label->mapToGlobal(QPoint(0, label->height())).y());
  EXPECT_LE(menu->pos().x(), label->mapToGlobal(QPoint(0, 0)).x());
  menu->hide();
  const QPoint at(5, 4);
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, label->mapToGlobal(at));
  QApplication::sendEvent(label, &rightClick);
  ASSERT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->pos().y(), label->mapToGlobal(at).y());
  menu->hide();
}

// --- Downloads ------------------------------------------------------------------------

struct TDownloadCase {
  const char* Name;
  const char* Item;
  const char* RunBefore;
  const char* SiteFile;
  bool Yes;
};

void PrintTo(const TDownloadCase& Case, std::ostream* Out) { *Out << Case.Name; }

class frmAbout102DownloadTest : public frmAbout102Test,
                                public testing::WithParamInterface<TDownloadCase> {};

TEST_P(frmAbout102DownloadTest, StoresTheFileInDownloadsAndOffersToShowIt) {
  const TDownloadCase& c = GetParam();
  ServeDescriptor(std::string("[file1]\nnewversion=2.0\n[action]\nrunbefore=") + c.RunBefore +
                  "\n");
  Site.Serve(FilesPath(c.SiteFile), {.Body = std::string("contents of ") + c.SiteFile});
  Answer = c.Yes;
  Window();
  Control<QAction>(c.Item)->trigger();
  const std::string target = Downloads() + "/" + c.SiteFile;
  EXPECT_EQ(ReadFile(target), std::string("contents of ") + c.SiteFile);
  EXPECT_EQ(RequestedPaths().back(), FilesPath(c.SiteFile));
  ASSERT_EQ(Questions.size(), 1u);
  EXPECT_EQ(Questions[0], "File downloaded successfuly.\nOpen the download folder ?");
  EXPECT_EQ(Shown,
            c.Yes ? std::vector<QString>{QString::fromStdString(target)} : std::vector<QString>{});
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(Downloads()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, frmAbout102DownloadTest,
    testing::Values(TDownloadCase{"InstallerYes", "menSetup", "Setup.exe", "Setup.exe", true},
                    TDownloadCase{"InstallerInFoldersNo", "menSetup", "..\\bin/v2/Setup.exe",
                                  "Setup.exe", false},
                    TDownloadCase{"CabinetYes", "menCAB", "", "Skyrelle.CAB", true},
                    TDownloadCase{"CabinetNo", "menCAB", "Setup.exe", "Skyrelle.CAB", false}),
    [](const testing::TestParamInfo<TDownloadCase>& Case) { return Case.param.Name; });

TEST_F(frmAbout102Test, DownloadingAgainReplacesTheFileAndAFailureKeepsIt) {
  ServeDescriptor("[file1]\nnewversion=2.0\n");
  Answer = false;
  Window();
  const std::string target = Downloads() + "/Skyrelle.CAB";
  const std::string path = FilesPath("Skyrelle.CAB");
  const struct {
    THttpAnswer Answer;
    const char* Kept;
    bool Failed;
  } steps[] = {
      {{.Body = "first"}, "first", false},
      {{.Body = "second"}, "second", false},
      {{.Status = 404, .Body = "gone"}, "second", true},
      {{.Body = "truncated third", .Mode = THttpAnswer::TMode::CutShort}, "second", true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Kept);
    Messages.clear();
    Site.Serve(path, step.Answer);
    Control<QAction>("menCAB")->trigger();
    EXPECT_EQ(ReadFile(target), step.Kept);
    EXPECT_EQ(Messages, step.Failed ? std::vector<QString>{"Unable to download the new version"}
                                    : std::vector<QString>{});
    EXPECT_EQ(std::distance(fs::directory_iterator(Downloads()), fs::directory_iterator()), 1);
  }
  EXPECT_EQ(Questions.size(), 2u);
  EXPECT_TRUE(Shown.empty());
}

TEST_F(frmAbout102Test, AnInstallerWithoutFileNameDownloadsNothing) {
  ServeDescriptor("[file1]\nnewversion=2.0\n[action]\nrunbefore=setup/..\n");
  Window();
  EXPECT_TRUE(Control<QAction>("menSetup")->isEnabled());
  Window().menNewVersionClick(Control<QAction>("menSetup"));
  EXPECT_EQ(RequestedPaths().size(), 1u);
  EXPECT_TRUE(Questions.empty());
  EXPECT_TRUE(Messages.empty());
}

// --- ShowAbout ------------------------------------------------------------------------

TEST_F(frmAbout102Test, ShowAboutRunsAFreshModalWindowEachTimeAndDestroysIt) {
  ServeDescriptor("[update]\ndescr=Hello\n");
  for (int opening = 1; opening <= 2; ++opening) {
    QPointer<QWidget> shown;
    bool seen = false;
    // The window shows only after the descriptor has come: close it once it is there.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      shown = QApplication::activeModalWidget();
      if (!shown) return;
      seen = true;
      closer.stop();
      shown->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    });
    closer.start(20);
    ShowAbout(Services());
    ASSERT_TRUE(seen) << "opening " << opening;
    EXPECT_TRUE(shown.isNull()) << "the window is destroyed after use";
    EXPECT_EQ(RequestedPaths().size(), static_cast<std::size_t>(opening));
  }
}

}  // namespace
}  // namespace skyrelle::about
