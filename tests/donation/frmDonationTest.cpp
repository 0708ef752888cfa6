#include "donation/frmDonation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <limits>

#include "app/QtApplication.h"
#include "settings/StoreFixture.h"

namespace skyrelle::donation {
namespace {

// Takes the addresses handed to the browser.
class TBrowser : public QObject {
  Q_OBJECT

 public:
  TBrowser() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open"); }
  ~TBrowser() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

  QList<QUrl> Opened;

 public slots:
  void Open(const QUrl& AUrl) { Opened.append(AUrl); }
};

template <typename T>
T* Control(TfrmDonation& ADialog, const char* AName) {
  T* control = ADialog.findChild<T*>(QLatin1String(AName));
  EXPECT_NE(control, nullptr) << AName;
  return control;
}

// A key pressed as the user would: on the control that has the focus.
void PressOnFocus(TfrmDonation& ADialog, Qt::Key AKey) {
  QWidget* focus = QApplication::focusWidget();
  QTest::keyClick(focus != nullptr ? focus : &ADialog, AKey);
}

// A fresh store for each test; WhenOpen runs an action on the dialog once it is open and modal.
class frmDonationTest : public test_support::StoreFixture {
 protected:
  void SetUp() override { test_support::TestApplication(); }

  void WhenOpen(std::function<void(TfrmDonation&)> AAction) {
    QTimer::singleShot(0, [this, AAction] {
      auto* dialog = qobject_cast<TfrmDonation*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      dialog->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
      ++Shown;
      Captions.append(dialog->windowTitle());
      AAction(*dialog);
    });
  }

  TBrowser Browser;
  int Shown = 0;
  QStringList Captions;
};

TEST_F(frmDonationTest, IsAFixedCentredDialogWithTheMessageAndTwoButtons) {
  TfrmDonation dialog(50, GetDonationTexts("EN"));
  EXPECT_EQ(dialog.windowTitle(), "Thanks for using this application!");
  EXPECT_EQ(dialog.minimumSize(), QSize(420, 190));
  EXPECT_EQ(dialog.maximumSize(), QSize(420, 190));
  const Qt::WindowFlags flags = dialog.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(dialog.frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());

  const auto* message = Control<QLabel>(dialog, "lblMessage");
  EXPECT_EQ(message->geometry(), QRect(20, 20, 380, 100));
  EXPECT_TRUE(message->wordWrap());
  EXPECT_EQ(message->alignment(), Qt::AlignLeft | Qt::AlignTop);
  EXPECT_TRUE(message->text().startsWith("You've launched this application 50 times. If"));

  auto* donate = Control<QPushButton>(dialog, "btnDonate");
  auto* later = Control<QPushButton>(dialog, "btnLater");
  EXPECT_EQ(donate->geometry(), QRect(90, 135, 150, 32));
  EXPECT_EQ(later->geometry(), QRect(250, 135, 150, 32));
  EXPECT_EQ(donate->text(), "Donate");
  EXPECT_EQ(later->text(), "Later");
  EXPECT_TRUE(donate->isDefault());
  EXPECT_EQ(donate->nextInFocusChain(), later);
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  EXPECT_EQ(QApplication::focusWidget(), donate);
}

TEST_F(frmDonationTest, FrenchTextsAreUsedAsTheyAre) {
  TfrmDonation dialog(100, GetDonationTexts("fr"));
  EXPECT_EQ(dialog.windowTitle(), "Merci d'utiliser cette application !");
  EXPECT_TRUE(Control<QLabel>(dialog, "lblMessage")
                  ->text()
                  .startsWith("Vous avez lance cette application 100 fois. Si"));
  EXPECT_EQ(Control<QPushButton>(dialog, "btnDonate")->text(), "Faire un don");
  EXPECT_EQ(Control<QPushButton>(dialog, "btnLater")->text(), "Plus tard");
}

struct TAnswerCase {
  const char* Name;
  std::function<void(TfrmDonation&)> Answer;
  bool OpensThePage;
};

void PrintTo(const TAnswerCase& Case, std::ostream* Out) { *Out << Case.Name; }

class frmDonationAnswerTest : public frmDonationTest,
                              public testing::WithParamInterface<TAnswerCase> {};

TEST_P(frmDonationAnswerTest, OnlyDonateOpensTheDonationPageOnce) {
  WhenOpen(GetParam().Answer);
  ShowDonationDialog(50, "EN");
  EXPECT_EQ(Shown, 1);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  if (GetParam().OpensThePage) {
    ASSERT_EQ(Browser.Opened.size(), 1);
    const QUrl page = Browser.Opened[0];
    EXPECT_EQ(page.scheme(), "https");
    EXPECT_EQ(page.host(), "www.paypal.com");
    EXPECT_EQ(page.path(), "/cgi-bin/webscr");
    EXPECT_TRUE(page.query().startsWith("cmd=_s-xclick&hosted_button_id="))
        << page.toString().toStdString();
  } else {
    EXPECT_TRUE(Browser.Opened.isEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, frmDonationAnswerTest,
    testing::Values(
        TAnswerCase{"Enter", [](TfrmDonation& D) { PressOnFocus(D, Qt::Key_Return); }, true},
        TAnswerCase{"DonateClicked",
                    [](TfrmDonation& D) {
                      QTest::mouseClick(Control<QPushButton>(D, "btnDonate"), Qt::LeftButton);
                    },
                    true},
        TAnswerCase{"Esc", [](TfrmDonation& D) { PressOnFocus(D, Qt::Key_Escape); }, false},
        TAnswerCase{"LaterClicked",
                    [](TfrmDonation& D) {
                      QTest::mouseClick(Control<QPushButton>(D, "btnLater"), Qt::LeftButton);
                    },
                    false},
        TAnswerCase{"TabThenEnter",
                    [](TfrmDonation& D) {
                      PressOnFocus(D, Qt::Key_Tab);
                      PressOnFocus(D, Qt::Key_Return);
                    },
                    false},
        TAnswerCase{"CloseBox", [](TfrmDonation& D) { D.close(); }, false}),
    [](const testing::TestParamInfo<TAnswerCase>& Case) { return Case.param.Name; });

// --- The launch that shows it ------------------------------------------------------------

struct TLaunchCase {
  std::optional<std::int32_t> Stored;
  std::int32_t Counted;
  bool Prompts;
};

TEST_F(frmDonationTest, ShowsThePromptExactlyWhenTheNewCountIsAMilestone) {
  constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
  const TLaunchCase cases[] = {
      {std::nullopt, 1, false}, {1, 2, false},       {49, 50, true},    {50, 51, false},
      {99, 100, true},          {199, 200, true},    {499, 500, true},  {999, 1000, true},
      {1999, 2000, true},       {2000, 2001, false}, {Max, Max, false},
  };
  settings::TRegistry store;
  for (const TLaunchCase& launch : cases) {
    ASSERT_TRUE(store.OpenKey(GetAppKeyPath(), true));
    if (launch.Stored) {
      store.WriteInteger("LaunchCount", *launch.Stored);
    } else {
      store.DeleteValue("LaunchCount");
    }
    const int shownBefore = Shown;
    WhenOpen([](TfrmDonation& D) { D.reject(); });
    CheckDonationPrompt("EN");
    // An unused look for a dialog must not answer the next case's one.
    QCoreApplication::processEvents();
    const std::string name = std::to_string(launch.Stored.value_or(-1));
    EXPECT_EQ(Shown - shownBefore, launch.Prompts ? 1 : 0) << name;
    EXPECT_EQ(store.ReadInteger("LaunchCount"), launch.Counted) << name;
  }
  EXPECT_TRUE(Browser.Opened.isEmpty());
}

TEST_F(frmDonationTest, TheLanguageCodeChoosesTheDialogsTexts) {
  settings::TRegistry store;
  ASSERT_TRUE(store.OpenKey(GetAppKeyPath(), true));
  for (const char* code : {"fr", "EN"}) {
    store.WriteInteger("LaunchCount", 199);
    WhenOpen([](TfrmDonation& D) { D.reject(); });
    CheckDonationPrompt(code);
  }
  EXPECT_EQ(Captions, QStringList({"Merci d'utiliser cette application !",
                                   "Thanks for using this application!"}));
}

}  // namespace
}  // namespace skyrelle::donation

#include "frmDonationTest.moc"
