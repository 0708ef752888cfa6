// The small parts of the shell: title, error text, screen size and the wallpaper report.
#include <gtest/gtest.h>

#include <QScreen>

#include "QtApplication.h"
#include "app/ApplicationTitle.h"
#include "app/ErrorBox.h"
#include "app/QtScreen.h"
#include "app/ReportingWallpaperSetter.h"

namespace skyrelle::app {
namespace {

struct TTextCase {
  const char* Given;
  const char* Expected;
};

void PrintTo(const TTextCase& Case, std::ostream* Out) { *Out << '"' << Case.Given << '"'; }

class ApplicationTitleTest : public testing::TestWithParam<TTextCase> {};

TEST_P(ApplicationTitleTest, IsTheFileNameCutAtItsFirstDotInTitleCase) {
  EXPECT_EQ(ApplicationTitle(QString::fromUtf8(GetParam().Given)).toStdString(),
            GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Names, ApplicationTitleTest,
                         testing::Values(TTextCase{"/usr/bin/Skyrelle", "Skyrelle"},
                                         TTextCase{"/opt/x/SKYRELLE", "Skyrelle"},
                                         TTextCase{"/opt/x/skyRelle.bin", "skyrelle"},
                                         TTextCase{"/opt/x.y/sky.relle.old", "sky"},
                                         TTextCase{"/opt/x/ÉTÉ", "Été"},
                                         TTextCase{"/opt/x/.hidden", ""}));

class ErrorBoxTextTest : public testing::TestWithParam<TTextCase> {};

TEST_P(ErrorBoxTextTest, EndsInAFullStopUnlessTheLastCharacterIsADotOrBelowIt) {
  EXPECT_EQ(ErrorBoxText(QString::fromUtf8(GetParam().Given)).toStdString(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, ErrorBoxTextTest,
                         testing::Values(TTextCase{"Disk full", "Disk full."},
                                         TTextCase{"Done.", "Done."}, TTextCase{"Stop!", "Stop!"},
                                         TTextCase{"Section -", "Section -"},
                                         TTextCase{"Why?", "Why?."},
                                         TTextCase{"pour 'Skyrelle'", "pour 'Skyrelle'"},
                                         TTextCase{"Café", "Café."}, TTextCase{"", ""}));

TEST(ErrorBoxTest, ShowsWhatEscapesWithTheApplicationTitleAsCaption) {
  test_support::TestApplication();
  QCoreApplication::setApplicationName(QStringLiteral("Skyrelle"));
  QString caption;
  QString text;
  const TErrorPresenter previous =
      SetErrorPresenter([&](const QString& Caption, const QString& Text) {
        caption = Caption;
        text = Text;
      });
  Guarded([] { throw std::runtime_error("Type de données incorrect pour 'History'"); });
  EXPECT_EQ(caption.toStdString(), "Skyrelle");
  EXPECT_EQ(text.toStdString(), "Type de données incorrect pour 'History'");
  Guarded([] { throw 42; });
  EXPECT_EQ(text.toStdString(), "Unknown error.");
  SetErrorPresenter(previous);
}

// The test program runs with the toolkit scaling by 2, so logical and physical sizes differ.
TEST(QtScreenTest, GivesThePrimaryScreenInPhysicalPixels) {
  test_support::TestApplication();
  ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
  const QSize logical = QGuiApplication::primaryScreen()->geometry().size();
  const platform::TScreenSize size = TQtScreen().PrimaryScreenSize();
  EXPECT_EQ(size.Width, logical.width() * 2);
  EXPECT_EQ(size.Height, logical.height() * 2);
}

class TScriptedSetter final : public platform::IWallpaperSetter {
 public:
  platform::TWallpaperResult SetWallpaper(const std::string&) override { return Next; }
  platform::TWallpaperResult Next;
};

TEST(ReportingWallpaperSetterTest, TellsTheFirstRefusalOnceAndPassesResultsOn) {
  auto desktop = std::make_unique<TScriptedSetter>();
  TScriptedSetter& scripted = *desktop;
  TReportingWallpaperSetter setter(std::move(desktop));

  scripted.Next = {true, ""};
  EXPECT_TRUE(setter.SetWallpaper("/tmp/current.bmp").Applied);
  EXPECT_EQ(setter.TakeFailureNotice(), std::nullopt);

  scripted.Next = {false, "no wallpaper tool answered"};
  EXPECT_EQ(setter.SetWallpaper("/tmp/current.bmp").Error, "no wallpaper tool answered");
  scripted.Next = {false, "a later refusal"};
  setter.SetWallpaper("/tmp/current.bmp");
  EXPECT_EQ(setter.TakeFailureNotice(),
            "The wallpaper could not be applied on this desktop: no wallpaper tool answered");
  EXPECT_EQ(setter.TakeFailureNotice(), std::nullopt);
  setter.SetWallpaper("/tmp/current.bmp");
  EXPECT_EQ(setter.TakeFailureNotice(), std::nullopt);
}

}  // namespace
}  // namespace skyrelle::app
