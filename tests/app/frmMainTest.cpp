#include "app/qt/frmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>

#include "QtApplication.h"
#include "app/ReportingWallpaperSetter.h"
#include "app/qt/ErrorBox.h"
#include "core/Paths.h"
#include "donation/DonationPrompt.h"
#include "donation/frmDonation.h"
#include "settings/Registry.h"
#include "support/FakeSystem.h"
#include "support/TempFolder.h"

namespace skyrelle::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* StatusFormat = "Section %1 / 8 - next change in %2 min";

QString Status(int Section, int Minutes) {
  return QString::fromLatin1(StatusFormat).arg(Section).arg(Minutes);
}

using test_support::TAutoStartState;
using test_support::TFakeAutoStart;
using test_support::TFakeClock;
using test_support::TFakeDesktop;
using test_support::TFakeScreen;

struct TBrowse {
  QString Title;
  QString Initial;
};

// A fresh settings store, data folder and picture folder for each test, and fakes for
// everything the window asks of the system.
class frmMainTest : public testing::Test {
 public:
  void SetUp() override {
    test_support::TestApplication();
    QCoreApplication::setApplicationName(QStringLiteral("Skyrelle"));
    fs::create_directories(FRoot / "pictures");
    FPreviousPresenter = SetErrorPresenter([this](const QString& Caption, const QString& Text) {
      Errors.push_back({Caption, Text});
    });
  }

  void TearDown() override {
    FWindow.reset();
    SetErrorPresenter(FPreviousPresenter);
  }

  std::string Pictures() const { return FRoot / "pictures"; }
  settings::TSettingsStore Store() const { return settings::TSettingsStore(FRoot / "store"); }

  static void WritePicture(const std::string& FileName, Qt::GlobalColor Colour) {
    QImage picture(200, 32, QImage::Format_RGB32);
    picture.fill(Colour);
    ASSERT_TRUE(picture.save(QString::fromStdString(FileName), "BMP"));
  }

  void WritePictures() const {
    WritePicture(Pictures() + "/a.bmp", Qt::red);
    WritePicture(Pictures() + "/b.bmp", Qt::green);
    WritePicture(Pictures() + "/c.bmp", Qt::blue);
  }

  static void Spoil(const std::string& FileName) {
    std::ofstream(FileName, std::ios::trunc) << "not a picture";
  }

  void SeedFolder(const std::string& Folder) const {
    settings::TRegistry store(settings::KEY_ALL_ACCESS, Store());
    ASSERT_TRUE(store.OpenKey("\\Software\\Halvorn\\hvnSkyrelle", true));
    store.WriteString("SourceDirectory", Folder);
  }

  void StoreLaunchCount(std::int32_t Count) const {
    settings::TRegistry store(settings::KEY_ALL_ACCESS, Store());
    ASSERT_TRUE(store.OpenKey(donation::GetAppKeyPath(), true));
    store.WriteInteger("LaunchCount", Count);
  }

  std::int32_t ReadLaunchCount() const {
    settings::TRegistry store(settings::KEY_ALL_ACCESS, Store());
    return store.OpenKey(donation::GetAppKeyPath(), false) ? store.ReadInteger("LaunchCount") : 0;
  }

  TfrmMainServices Services() {
    return {
        .Logic = {
            .CreateEngine =
                [this] {
                  if (EngineError) throw std::runtime_error(*EngineError);
                  return std::make_unique<engine::TSkyrelle>(engine::TSkyrelleServices{
                      Clock, Screen, Wallpaper, FRoot / "data", Random, Store()});
                },
            .AutoStart = std::make_unique<TFakeAutoStart>(AutoStart),
            .TrayAvailable = [this] { return TrayAvailable; },
            .TakeWallpaperNotice = [this] { return Wallpaper.TakeFailureNotice(); },
            .ShowAbout = [this] { ++AboutShown; },
            .CheckDonationPrompt =
                [this](const std::string& LanguageCode) {
                  donation::CheckDonationPrompt(LanguageCode, Store());
                },
        },
        .BrowseForFolder =
            [this](QWidget*, const QString& Title, const QString& Initial) {
              Browses.push_back({Title, Initial});
              return BrowseResult;
            },
    };
  }

  TfrmMain& Window() {
    if (!FWindow) FWindow = std::make_unique<TfrmMain>(Services());
    return *FWindow;
  }

  template <typename T>
  T* Control(const char* Name) {
    T* control = Window().findChild<T*>(QLatin1String(Name));
    EXPECT_NE(control, nullptr) << Name;
    return control;
  }

  QString StatusText() { return Control<QLabel>("lblStatus")->text(); }
  // Raises rather than crash when the window has no engine; the test then fails.
  const engine::TSkyrelle& Engine() {
    if (Window().Panorama() == nullptr) throw std::runtime_error("the window has no engine");
    return *Window().Panorama();
  }
  std::string CurrentFile() { return Engine().CurrentFile(); }

  TFakeClock Clock;
  TFakeScreen Screen{{64, 32}};
  core::TRandom Random{1};
  TFakeDesktop* Desktop = new TFakeDesktop;
  TReportingWallpaperSetter Wallpaper{std::unique_ptr<platform::IWallpaperSetter>(Desktop)};
  TAutoStartState AutoStart;
  std::optional<std::string> EngineError;
  std::optional<QString> BrowseResult;
  std::vector<TBrowse> Browses;
  bool TrayAvailable = true;
  int AboutShown = 0;
  std::vector<std::pair<QString, QString>> Errors;

 private:
  test_support::TTempFolder FRoot;
  TErrorPresenter FPreviousPresenter;
  std::unique_ptr<TfrmMain> FWindow;
};

// --- Layout ---------------------------------------------------------------------------

TEST_F(frmMainTest, IsAFixedDialogFrameWithOnlyTheCloseBox) {
  TfrmMain& window = Window();
  EXPECT_EQ(window.windowTitle(), "Skyrelle");
  EXPECT_EQ(window.minimumSize(), QSize(329, 239));
  EXPECT_EQ(window.maximumSize(), QSize(329, 239));
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(window.font().pixelSize(), 12);
  EXPECT_FALSE(window.windowIcon().isNull());
}

struct TControlCase {
  const char* Name;
  QRect Geometry;  // width 0: a label as wide as its text
  const char* Text;
  bool Bold;
};

void PrintTo(const TControlCase& Case, std::ostream* Out) { *Out << Case.Name; }

class frmMainControlTest : public frmMainTest, public testing::WithParamInterface<TControlCase> {};

TEST_P(frmMainControlTest, SitsWhereItBelongsWithItsText) {
  const TControlCase& expected = GetParam();
  QWidget* control = Control<QWidget>(expected.Name);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->pos(), expected.Geometry.topLeft());
  if (expected.Geometry.width() == 0) {
    EXPECT_EQ(control->size(), QSize(control->sizeHint().width(), 15));
  } else {
    EXPECT_EQ(control->size(), expected.Geometry.size());
  }
  QString text = control->property("text").toString();
  EXPECT_EQ(text, QString::fromUtf8(expected.Text));
  EXPECT_EQ(control->font().bold(), expected.Bold);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, frmMainControlTest,
    testing::Values(TControlCase{"Label2", {8, 8, 0, 15}, "Wallpaper picture folder", true},
                    TControlCase{"beSourceDirectory", {8, 29, 313, 23}, "", false},
                    TControlCase{"Label1", {8, 66, 0, 15}, "Wallpaper", true},
                    TControlCase{"lblFilename", {83, 66, 0, 15}, "", false},
                    TControlCase{"btnPrevious", {8, 87, 129, 34}, "Previous", false},
                    TControlCase{"btnNext", {192, 89, 129, 30}, "Next", false},
                    TControlCase{"btnApplyNow", {8, 135, 313, 33}, "Next section", false},
                    TControlCase{"lblStatus", {8, 184, 0, 15}, "No folder selected", false},
                    TControlCase{"chkAutoStart", {8, 213, 200, 17}, "Start at login", false}),
    [](const testing::TestParamInfo<TControlCase>& Case) { return Case.param.Name; });

TEST_F(frmMainTest, ButtonsAndTheFolderBoxCarryTheirIcons) {
  for (const char* name : {"btnPrevious", "btnNext", "btnApplyNow"}) {
    const QPushButton* button = Control<QPushButton>(name);
    EXPECT_EQ(button->iconSize(), QSize(24, 24)) << name;
    EXPECT_FALSE(button->icon().pixmap(QSize(24, 24)).isNull()) << name;
  }
  const auto* folderButton = Control<QAction>("beSourceDirectoryRightButton");
  EXPECT_FALSE(folderButton->icon().pixmap(QSize(16, 16)).isNull());
  EXPECT_TRUE(Control<QLineEdit>("beSourceDirectory")->actions().contains(folderButton));
}

TEST_F(frmMainTest, TabOrderRunsFromTheButtonsToTheFolderBoxAndFocusStartsOnPrevious) {
  TfrmMain& window = Window();
  QStringList order;
  QWidget* widget = Control<QPushButton>("btnPrevious");
  do {
    if (widget->focusPolicy() & Qt::TabFocus) order << widget->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != Control<QPushButton>("btnPrevious") && order.size() < 20);
  EXPECT_EQ(order, QStringList({"btnPrevious", "btnNext", "btnApplyNow", "chkAutoStart",
                                "beSourceDirectory"}));
  EXPECT_EQ(window.focusWidget(), Control<QPushButton>("btnPrevious"));
}

TEST_F(frmMainTest, TrayMenuHoldsItsItemsInOrderWithAboutLastAndNoSeparator) {
  const QMenu* menu = Control<QMenu>("pmTrayIcon");
  QStringList names;
  QStringList texts;
  for (const QAction* item : menu->actions()) {
    EXPECT_FALSE(item->isSeparator());
    EXPECT_FALSE(item->icon().pixmap(QSize(16, 16)).isNull()) << item->text().toStdString();
    names << item->objectName();
    texts << item->text();
  }
  EXPECT_EQ(names, QStringList({"miShow", "miNextImage", "miNextSection", "miQuit", "mnuAbout"}));
  EXPECT_EQ(texts, QStringList({"Show", "Next image", "Next section", "Quit", "About"}));
  EXPECT_TRUE(menu->actions().last()->isEnabled());
}

TEST_F(frmMainTest, AboutItemOpensTheAboutWindow) {
  Control<QAction>("mnuAbout")->trigger();
  Control<QAction>("mnuAbout")->trigger();
  EXPECT_EQ(AboutShown, 2);
}

TEST_F(frmMainTest, TimerTicksEveryMinuteFromCreation) {
  const QTimer* timer = Control<QTimer>("Timer");
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 60000);
  EXPECT_TRUE(Window().FirstPass());
}

// --- Start and status -----------------------------------------------------------------

TEST_F(frmMainTest, StartsWithAStoredFolderOnAFreshPictureAtItsFirstSection) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  EXPECT_EQ(StatusText(), Status(1, 60));
  EXPECT_EQ(Control<QLineEdit>("beSourceDirectory")->text().toStdString(), Pictures());
  EXPECT_EQ(Control<QLabel>("lblFilename")->text().toStdString(),
            core::ExtractFileName(CurrentFile()));
  EXPECT_EQ(Desktop->Files.size(), 1u);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(frmMainTest, AFolderWithoutPicturesShowsNoFolderSelected) {
  SeedFolder(Pictures());
  Window();
  EXPECT_EQ(StatusText(), "No folder selected");
  EXPECT_EQ(Control<QLineEdit>("beSourceDirectory")->text().toStdString(), Pictures());
}

struct TActionCase {
  const char* Name;
  std::function<void(frmMainTest&)> Act;
  int Step;  // neighbour in the sorted folder, 0 for the same picture
  int Section;
};

void PrintTo(const TActionCase& Case, std::ostream* Out) { *Out << Case.Name; }

class frmMainActionTest : public frmMainTest, public testing::WithParamInterface<TActionCase> {};

// Ten minutes into the hour, so that only a fresh render and refresh shows 60 minutes.
TEST_P(frmMainActionTest, CallsTheEngineAndRefreshesTheStatus) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  const std::vector<std::string> sorted = {Pictures() + "/a.bmp", Pictures() + "/b.bmp",
                                           Pictures() + "/c.bmp"};
  const auto before = std::find(sorted.begin(), sorted.end(), CurrentFile()) - sorted.begin();
  Clock.Pass(10);
  GetParam().Act(*this);
  EXPECT_EQ(CurrentFile(), sorted[(before + GetParam().Step + 3) % 3]);
  EXPECT_EQ(StatusText(), Status(GetParam().Section, 60));
  EXPECT_EQ(Control<QLabel>("lblFilename")->text().toStdString(),
            core::ExtractFileName(CurrentFile()));
  EXPECT_EQ(Desktop->Files.size(), 2u);
  EXPECT_TRUE(Errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Actions, frmMainActionTest,
    testing::Values(
        TActionCase{"Next", [](frmMainTest& T) { T.Control<QPushButton>("btnNext")->click(); }, 1,
                    1},
        TActionCase{"Previous",
                    [](frmMainTest& T) { T.Control<QPushButton>("btnPrevious")->click(); }, -1, 1},
        TActionCase{"NextSection",
                    [](frmMainTest& T) { T.Control<QPushButton>("btnApplyNow")->click(); }, 0, 2},
        TActionCase{"MenuNextImage",
                    [](frmMainTest& T) { T.Control<QAction>("miNextImage")->trigger(); }, 1, 1},
        TActionCase{"MenuNextSection",
                    [](frmMainTest& T) { T.Control<QAction>("miNextSection")->trigger(); }, 0, 2}),
    [](const testing::TestParamInfo<TActionCase>& Case) { return Case.param.Name; });

TEST_F(frmMainTest, FolderButtonBrowsesFromTheCurrentFolderAndSwitchesToTheChosenOne) {
  WritePictures();
  SeedFolder(Pictures());
  const std::string other = Pictures() + "/other";
  fs::create_directories(other);
  WritePicture(other + "/z.bmp", Qt::yellow);
  BrowseResult = QString::fromStdString(other);
  Clock.Pass(10);
  Control<QAction>("beSourceDirectoryRightButton")->trigger();
  ASSERT_EQ(Browses.size(), 1u);
  EXPECT_EQ(Browses[0].Title, "Select the folder containing the images");
  EXPECT_EQ(Browses[0].Initial.toStdString(), Pictures());
  EXPECT_EQ(CurrentFile(), other + "/z.bmp");
  EXPECT_EQ(Control<QLineEdit>("beSourceDirectory")->text().toStdString(), other);
  EXPECT_EQ(StatusText(), Status(1, 60));
  EXPECT_EQ(Control<QLabel>("lblFilename")->text(), "z.bmp");
}

// The folder box follows the engine only once the engine has taken the folder.
TEST_F(frmMainTest, AChosenFolderWhosePictureFailsLeavesTheFolderBoxAndStatusAsTheyWere) {
  WritePictures();
  SeedFolder(Pictures());
  const std::string broken = Pictures() + "/broken";
  fs::create_directories(broken);
  Spoil(broken + "/only.bmp");
  BrowseResult = QString::fromStdString(broken);
  Clock.Pass(10);
  Control<QAction>("beSourceDirectoryRightButton")->trigger();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Control<QLineEdit>("beSourceDirectory")->text().toStdString(), Pictures());
  EXPECT_EQ(StatusText(), Status(1, 60));
}

TEST_F(frmMainTest, CancellingTheFolderBrowserChangesNothing) {
  WritePictures();
  SeedFolder(Pictures());
  const std::string before = CurrentFile();
  Control<QAction>("beSourceDirectoryRightButton")->trigger();
  EXPECT_EQ(Browses.size(), 1u);
  EXPECT_EQ(CurrentFile(), before);
  EXPECT_EQ(Desktop->Files.size(), 1u);
}

TEST_F(frmMainTest, AFolderThatIsGoneIsNotOfferedAsTheStartOfBrowsing) {
  SeedFolder(Pictures() + "/gone");
  Control<QAction>("beSourceDirectoryRightButton")->trigger();
  ASSERT_EQ(Browses.size(), 1u);
  EXPECT_TRUE(Browses[0].Initial.isEmpty());
}

TEST_F(frmMainTest, TypingAFolderAndPressingEnterChangesNothing) {
  WritePictures();
  SeedFolder(Pictures());
  QLineEdit* folder = Control<QLineEdit>("beSourceDirectory");
  folder->clear();
  QTest::keyClicks(folder, QStringLiteral("/tmp"));
  QTest::keyClick(folder, Qt::Key_Return);
  EXPECT_EQ(Engine().SourceDirectory(), Pictures());
  EXPECT_EQ(Desktop->Files.size(), 1u);
}

TEST_F(frmMainTest, StatusLineTellsOnceThatTheDesktopRefusedTheWallpaper) {
  WritePictures();
  SeedFolder(Pictures());
  Desktop->Result = {false, "no wallpaper tool answered"};
  Window();
  EXPECT_EQ(StatusText(),
            "The wallpaper could not be applied on this desktop: no wallpaper tool answered");
  Window().TimerTimer();
  EXPECT_EQ(StatusText(), Status(1, 60));
}

TEST_F(frmMainTest, AnIndexAtTheTopOfItsRangeShowsItsSectionNumberWithoutWrappingRound) {
  settings::TRegistry store(settings::KEY_ALL_ACCESS, Store());
  ASSERT_TRUE(store.OpenKey("\\Software\\Halvorn\\hvnSkyrelle", true));
  store.WriteString("CurrentFile", Pictures() + "/gone.bmp");
  store.WriteInteger("CurrentIndex", std::numeric_limits<std::int32_t>::max());
  Window();
  EXPECT_EQ(StatusText(), "Section 2147483648 / 8 - next change in 0 min");
}

// --- Timer ------------------------------------------------------------------------------

TEST_F(frmMainTest, TickClearsTheFirstPassThenAdvancesWhenDueThenRefreshes) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  Clock.Pass(30);
  Window().TimerTimer();
  EXPECT_FALSE(Window().FirstPass());
  EXPECT_EQ(Engine().CurrentIndex(), 0);
  EXPECT_EQ(StatusText(), Status(1, 30));
  Clock.Pass(31);
  Window().TimerTimer();
  EXPECT_EQ(Engine().CurrentIndex(), 1);
  EXPECT_EQ(StatusText(), Status(2, 60));
  EXPECT_EQ(Desktop->Files.size(), 2u);
}

TEST_F(frmMainTest, TheFirstTickPromptsAtAMilestoneAndTheScheduleRunsOnBehindTheDialog) {
  WritePictures();
  SeedFolder(Pictures());
  StoreLaunchCount(49);
  Window();
  Clock.Pass(61);
  // Watches for the prompt; once a later tick has changed the wallpaper behind it, or the
  // time is up, says Later.
  std::set<QWidget*> prompts;
  bool advancedBehindIt = false;
  const QDeadlineTimer deadline(30000);
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* prompt = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (prompt == nullptr) return;
    prompts.insert(prompt);
    advancedBehindIt = Desktop->Files.size() >= 2;
    if (advancedBehindIt || deadline.hasExpired()) prompt->reject();
  });
  watch.start(10);
  auto* timer = Control<QTimer>("Timer");
  timer->start(20);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return !Window().FirstPass() && !prompts.empty() &&
               QApplication::activeModalWidget() == nullptr;
      },
      60000));
  timer->stop();
  EXPECT_TRUE(advancedBehindIt);
  EXPECT_EQ(prompts.size(), 1u);
  EXPECT_EQ(Engine().CurrentIndex(), 1) << "one change for the hour that was due";
  EXPECT_EQ(ReadLaunchCount(), 50);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(frmMainTest, ALaunchCountThatIsNoNumberIsReportedAndSkipsOnlyTheFirstTick) {
  WritePictures();
  SeedFolder(Pictures());
  {
    settings::TRegistry store(settings::KEY_ALL_ACCESS, Store());
    ASSERT_TRUE(store.OpenKey(donation::GetAppKeyPath(), true));
    store.WriteString("LaunchCount", "many");
  }
  Window();
  Clock.Pass(61);
  Window().TimerTimer();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_TRUE(Errors[0].second.contains("'LaunchCount'")) << Errors[0].second.toStdString();
  EXPECT_EQ(Engine().CurrentIndex(), 0) << "the rest of the tick ran";
  EXPECT_EQ(StatusText(), Status(1, 60));
  Window().TimerTimer();
  EXPECT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Engine().CurrentIndex(), 1);
  settings::TRegistry store(settings::KEY_ALL_ACCESS, Store());
  ASSERT_TRUE(store.OpenKey(donation::GetAppKeyPath(), false));
  EXPECT_EQ(store.ReadString("LaunchCount"), "many");
}

// --- Errors -----------------------------------------------------------------------------

TEST_F(frmMainTest, AFailingHandlerShowsTheErrorAndLeavesTheStatusAsItWas) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  Spoil(CurrentFile());
  Clock.Pass(10);
  Control<QPushButton>("btnApplyNow")->click();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].first, "Skyrelle");
  EXPECT_TRUE(Errors[0].second.endsWith('.'));
  EXPECT_EQ(StatusText(), Status(1, 60));
  EXPECT_TRUE(Control<QPushButton>("btnNext")->isEnabled());
}

// Not once a minute: the picture's error shows once, and the next tick moves on to another.
TEST_F(frmMainTest, AFailingTickReportsOnceAndTheNextTickPicksAnotherPicture) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  const std::string spoilt = CurrentFile();
  Spoil(spoilt);
  Clock.Pass(61);
  Window().TimerTimer();
  Window().TimerTimer();
  EXPECT_EQ(Errors.size(), 1u);
  EXPECT_NE(CurrentFile(), spoilt);
  EXPECT_EQ(Engine().CurrentIndex(), 0);
  EXPECT_EQ(StatusText(), Status(1, 60));
  EXPECT_TRUE(Control<QTimer>("Timer")->isActive());
}

struct TBadPickCase {
  const char* Name;
  const char* FileName;
  std::function<void(const std::string& FileName)> Spoil;
};
void PrintTo(const TBadPickCase& Case, std::ostream* Out) { *Out << Case.Name; }

class frmMainBadPickTest : public frmMainTest, public testing::WithParamInterface<TBadPickCase> {};

// The only picture cannot be decoded: the error shows once, the window stays usable, and the
// failed pick is stored so that the next start knows it.
TEST_P(frmMainBadPickTest, AnUndecodablePickAtStartLeavesTheWindowUsable) {
  const std::string picture = Pictures() + "/" + GetParam().FileName;
  GetParam().Spoil(picture);
  SeedFolder(Pictures());
  Window();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].second.toStdString().find(picture), std::string::npos);
  ASSERT_NE(Window().Panorama(), nullptr);
  EXPECT_EQ(CurrentFile(), picture);
  for (const char* name : {"btnPrevious", "btnNext", "btnApplyNow"})
    EXPECT_TRUE(Control<QPushButton>(name)->isEnabled()) << name;
  EXPECT_EQ(Control<QLabel>("lblFilename")->text(), GetParam().FileName);
  settings::TRegistry store(settings::KEY_READ, Store());
  ASSERT_TRUE(store.OpenKey("\\Software\\Halvorn\\hvnSkyrelle", false));
  EXPECT_EQ(store.ReadString("CurrentFile"), picture);
  EXPECT_EQ(store.ReadString("History"), picture);
  Control<QPushButton>("btnNext")->click();
  Clock.Pass(61);
  Window().TimerTimer();
  EXPECT_EQ(Errors.size(), 1u) << "shown once for the picture";
  EXPECT_TRUE(Desktop->Files.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, frmMainBadPickTest,
    testing::Values(TBadPickCase{"CutShort", "only.jpg",
                                 [](const std::string& FileName) {
                                   QImage picture(200, 32, QImage::Format_RGB32);
                                   picture.fill(Qt::red);
                                   ASSERT_TRUE(picture.save(QString::fromStdString(FileName)));
                                   fs::resize_file(FileName, 507);
                                 }},
                    TBadPickCase{"Empty", "only.png",
                                 [](const std::string& FileName) { std::ofstream{FileName}; }}),
    [](const testing::TestParamInfo<TBadPickCase>& Info) { return Info.param.Name; });

TEST_F(frmMainTest, WithoutAnEngineTheWindowOpensShowsWhyAndNeverCallsIt) {
  EngineError = "Type de données incorrect pour 'CurrentIndex'";
  AutoStart.Enabled = true;
  Window();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].second.toStdString(), "Type de données incorrect pour 'CurrentIndex'");
  EXPECT_EQ(Window().Panorama(), nullptr);
  EXPECT_EQ(StatusText().toStdString(), "Type de données incorrect pour 'CurrentIndex'");
  for (const char* name : {"btnPrevious", "btnNext", "btnApplyNow"})
    EXPECT_FALSE(Control<QPushButton>(name)->isEnabled()) << name;
  for (const char* name : {"beSourceDirectoryRightButton", "miNextImage", "miNextSection"})
    EXPECT_FALSE(Control<QAction>(name)->isEnabled()) << name;
  Window().TimerTimer();
  Window().btnNextClick();
  Window().miNextSectionClick();
  Window().beSourceDirectoryRightButtonClick();
  EXPECT_EQ(Errors.size(), 1u);
  EXPECT_TRUE(Browses.empty());
  EXPECT_TRUE(Control<QCheckBox>("chkAutoStart")->isChecked()) << "the later steps still ran";
}

// --- Start at log-on ----------------------------------------------------------------------

TEST_F(frmMainTest, AnEntryFoundAtStartIsCheckedAndWrittenAgainForThisProgram) {
  AutoStart.Enabled = true;
  EXPECT_TRUE(Control<QCheckBox>("chkAutoStart")->isChecked());
  EXPECT_EQ(AutoStart.Sets, std::vector<bool>{true});
}

TEST_F(frmMainTest, WithoutAnEntryTheBoxIsUncheckedAndNothingIsWritten) {
  EXPECT_FALSE(Control<QCheckBox>("chkAutoStart")->isChecked());
  EXPECT_TRUE(AutoStart.Sets.empty());
}

TEST_F(frmMainTest, ClickingTheBoxWritesAndRemovesTheEntry) {
  QCheckBox* box = Control<QCheckBox>("chkAutoStart");
  box->click();
  EXPECT_TRUE(AutoStart.Enabled);
  box->click();
  EXPECT_FALSE(AutoStart.Enabled);
  EXPECT_EQ(AutoStart.Sets, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Errors.empty());
}

TEST_F(frmMainTest, AnEntryThatCannotBeWrittenIsReportedAndTheBoxKeepsItsState) {
  QCheckBox* box = Control<QCheckBox>("chkAutoStart");
  AutoStart.Refuse = true;
  box->click();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].second.toStdString(), "Echec à la définition des données pour 'Skyrelle'");
  EXPECT_TRUE(box->isChecked());
}

// --- Closing and showing ------------------------------------------------------------------

TEST_F(frmMainTest, ClosingHidesIntoTheTrayAndShowBringsTheWindowBack) {
  TfrmMain& window = Window();
  window.show();
  window.close();
  EXPECT_TRUE(window.isHidden());
  Control<QAction>("miShow")->trigger();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
}

TEST_F(frmMainTest, WithoutATrayClosingOnlyMinimises) {
  TrayAvailable = false;
  TfrmMain& window = Window();
  window.show();
  window.close();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isMinimized());
  window.TrayIconDblClick();
  EXPECT_FALSE(window.isMinimized());
}

TEST_F(frmMainTest, AHiddenWindowComesBackWhenTheTrayGoesAway) {
  TfrmMain& window = Window();
  window.show();
  window.close();
  ASSERT_TRUE(window.isHidden());
  // A tray that is there is watched once a minute; waiting for one, every two seconds.
  auto* watch = Control<QTimer>("TrayWatch");
  EXPECT_EQ(watch->interval(), 60000);
  TrayAvailable = false;
  watch->start(0);
  const QDeadlineTimer deadline(60000);
  while (!window.isVisible() && !deadline.hasExpired()) QTest::qWait(50);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isMinimized());
  EXPECT_EQ(watch->interval(), 2000);
}

TEST_F(frmMainTest, QuitEndsTheLoopWithExitCodeZeroWithoutClosingTheWindow) {
  TrayAvailable = false;  // closing would then leave a trace: a minimised window
  TfrmMain& window = Window();
  window.show();
  QTimer::singleShot(0, &window, [this] { Control<QAction>("miQuit")->trigger(); });
  QTimer stuck;
  stuck.setSingleShot(true);
  QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(7); });
  stuck.start(60000);
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_FALSE(window.isMinimized()) << "quitting went through closing the window";
}

}  // namespace
}  // namespace skyrelle::app
