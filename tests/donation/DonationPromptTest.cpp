#include "donation/DonationPrompt.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#ifdef _WIN32
#include "settings/IsolatedStore.h"
#else
#include "settings/StoreFixture.h"
#endif

namespace skyrelle::donation {
namespace {

constexpr std::int32_t MaxCount = std::numeric_limits<std::int32_t>::max();

struct TLanguageCase {
  const char* Code;
  bool French;
};

void PrintTo(const TLanguageCase& Case, std::ostream* Out) { *Out << '"' << Case.Code << '"'; }

class GetDonationTextsTest : public testing::TestWithParam<TLanguageCase> {};

TEST_P(GetDonationTextsTest, OnlyFrInAnyCaseIsFrench) {
  const TDonationTexts texts = GetDonationTexts(GetParam().Code);
  if (GetParam().French) {
    EXPECT_EQ(texts.Title, "Merci d'utiliser cette application !");
    EXPECT_EQ(texts.Msg,
              "Vous avez lance cette application %d fois. Si elle vous est utile, pensez a faire "
              "un don pour soutenir son developpement !");
    EXPECT_EQ(texts.BtnDonate, "Faire un don");
    EXPECT_EQ(texts.BtnLater, "Plus tard");
  } else {
    EXPECT_EQ(texts.Title, "Thanks for using this application!");
    EXPECT_EQ(texts.Msg,
              "You've launched this application %d times. If you find it useful, please consider "
              "making a donation to support its development!");
    EXPECT_EQ(texts.BtnDonate, "Donate");
    EXPECT_EQ(texts.BtnLater, "Later");
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, GetDonationTextsTest,
                         testing::Values(TLanguageCase{"FR", true}, TLanguageCase{"fr", true},
                                         TLanguageCase{"Fr", true}, TLanguageCase{"fR", true},
                                         TLanguageCase{"EN", false}, TLanguageCase{"en", false},
                                         TLanguageCase{"", false}, TLanguageCase{"FRA", false},
                                         TLanguageCase{" FR", false}));

TEST(DonationMessageTest, PutsTheCountInPlaceOfTheMark) {
  EXPECT_EQ(DonationMessage(GetDonationTexts("EN"), 50),
            "You've launched this application 50 times. If you find it useful, please consider "
            "making a donation to support its development!");
  EXPECT_EQ(DonationMessage(GetDonationTexts("FR"), MaxCount).substr(0, 45),
            "Vous avez lance cette application 2147483647 ");
}

TEST(IsDonationMilestoneTest, OnlyTheSixCountsExactly) {
  std::vector<std::int32_t> found;
  for (std::int32_t count = -1; count <= 2001; ++count)
    if (IsDonationMilestone(count)) found.push_back(count);
  EXPECT_EQ(found, std::vector<std::int32_t>({50, 100, 200, 500, 1000, 2000}));
  EXPECT_FALSE(IsDonationMilestone(MaxCount));
  EXPECT_FALSE(IsDonationMilestone(std::numeric_limits<std::int32_t>::min()));
}

struct TKeyCase {
  const char* ProgramPath;
  const char* Key;
};

void PrintTo(const TKeyCase& Case, std::ostream* Out) { *Out << Case.ProgramPath; }

class AppKeyPathTest : public testing::TestWithParam<TKeyCase> {};

TEST_P(AppKeyPathTest, IsTheProgramFileNameWithoutItsExtension) {
  EXPECT_EQ(AppKeyPathFor(GetParam().ProgramPath), GetParam().Key);
}

INSTANTIATE_TEST_SUITE_P(
    Names, AppKeyPathTest,
    testing::Values(TKeyCase{"/usr/bin/Skyrelle", "Software\\Halvorn\\Skyrelle"},
                    TKeyCase{"/opt/Sky Apps/Skyrelle.exe", "Software\\Halvorn\\Skyrelle"},
                    TKeyCase{"/opt/Other.exe", "Software\\Halvorn\\Other"},
                    TKeyCase{"/opt/SKY.Tool.exe", "Software\\Halvorn\\SKY.Tool"},
                    TKeyCase{"/opt/v1.2/Skyrelle", "Software\\Halvorn\\Skyrelle"},
                    TKeyCase{"Skyrelle.bin", "Software\\Halvorn\\Skyrelle"}));

TEST(AppKeyPathTest, FollowsTheRunningProgramFile) {
  EXPECT_EQ(GetAppKeyPath(), "Software\\Halvorn\\donation_tests");
}

// --- Launch counter --------------------------------------------------------------------

#ifdef _WIN32
// A key of the test's own stands in for the current user's hive.
class TStoreFixture : public testing::Test {
  test_support::TIsolatedStore FIsolated;
};
#else
using TStoreFixture = test_support::StoreFixture;
#endif

class LaunchCountTest : public TStoreFixture {
 protected:
  settings::TRegistry& Key() {
    EXPECT_TRUE(FStore.OpenKey(GetAppKeyPath(), true));
    return FStore;
  }

  settings::TRegistry FStore;
};

TEST_F(LaunchCountTest, CountsEachRunUnderTheProgramsKey) {
  const std::vector<std::optional<std::int32_t>> stored{
      std::nullopt, 1, 49, 50, 99, 1999, 2000, -7, MaxCount - 1, MaxCount};
  for (const std::optional<std::int32_t>& before : stored) {
    if (before) {
      Key().WriteInteger("LaunchCount", *before);
    } else {
      Key().DeleteValue("LaunchCount");
    }
    const std::int32_t expected = before ? (*before == MaxCount ? MaxCount : *before + 1) : 1;
    EXPECT_EQ(IncrementLaunchCount(), expected) << before.value_or(0);
    EXPECT_EQ(Key().ReadInteger("LaunchCount"), expected) << before.value_or(0);
  }
  EXPECT_FALSE(FStore.OpenKey("Software\\Halvorn\\hvnSkyrelle", false));
  EXPECT_FALSE(FStore.OpenKey("Software\\Halvorn\\Analytics", false));
}

TEST_F(LaunchCountTest, AValueThatIsNoIntegerRaisesAndIsLeftAsItIs) {
  for (const std::string text : {"12", "fifty"}) {
    Key().WriteString("LaunchCount", text);
    EXPECT_THROW(IncrementLaunchCount(), settings::ERegistryException) << text;
    EXPECT_EQ(Key().ReadString("LaunchCount"), text);
  }
}

TEST_F(LaunchCountTest, ThePromptComesOnlyAtAMilestoneAndAfterTheCountIsStored) {
  std::vector<std::string> shown;
  const TDonationDialog show = [&](std::int32_t ACount, const std::string& ALanguageCode) {
    shown.push_back(std::to_string(ACount) + " " + ALanguageCode + " stored " +
                    std::to_string(Key().ReadInteger("LaunchCount")));
  };
  for (const std::int32_t before : {48, 49, 50, 1999, 2000}) {
    Key().WriteInteger("LaunchCount", before);
    CheckDonationPrompt("fr", show, settings::TSettingsStore::CurrentUser());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"50 fr stored 50", "2000 fr stored 2000"}));
}

#ifndef _WIN32
TEST_F(LaunchCountTest, AKeyThatCannotBeCreatedCountsNothing) {
  ASSERT_TRUE(FStore.OpenKey("Software\\Halvorn\\hvnSkyrelle", true));
  FStore.CloseKey();
  std::filesystem::permissions(StoreFile(), std::filesystem::perms::owner_read);
  EXPECT_EQ(RunInChild([] { return IncrementLaunchCount(); }), 0);
  EXPECT_FALSE(FStore.KeyExists(GetAppKeyPath()));
}
#endif

}  // namespace
}  // namespace skyrelle::donation
