// The small parts of the Qt shell: the error box and the screen size.
#include <gtest/gtest.h>

#include <QScreen>

#include "QtApplication.h"
#include "app/qt/ErrorBox.h"
#include "app/qt/QtScreen.h"

namespace skyrelle::app {
namespace {

struct TTextCase {
  const char* Given;
  const char* Expected;
};

void PrintTo(const TTextCase& Case, std::ostream* Out) { *Out << '"' << Case.Given << '"'; }

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

}  // namespace
}  // namespace skyrelle::app
