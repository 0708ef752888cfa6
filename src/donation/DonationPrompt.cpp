#include "donation/DonationPrompt.h"

#include <algorithm>
#include <limits>

#include "core/Paths.h"
#include "core/Text.h"
#include "platform/ProgramFile.h"
#include "settings/Registry.h"

namespace skyrelle::donation {

TDonationTexts GetDonationTexts(std::string_view ALanguageCode) {
  if (core::AsciiLowerCase(ALanguageCode) == "fr")
    return {
        .Title = "Merci d'utiliser cette application !",
        .Msg =
            "Vous avez lance cette application %d fois. Si elle vous est utile, pensez a faire "
            "un don pour soutenir son developpement !",
        .BtnDonate = "Faire un don",
        .BtnLater = "Plus tard",
    };
  return {
      .Title = "Thanks for using this application!",
      .Msg =
          "You've launched this application %d times. If you find it useful, please consider "
          "making a donation to support its development!",
      .BtnDonate = "Donate",
      .BtnLater = "Later",
  };
}

std::string DonationMessage(const TDonationTexts& ATexts, std::int32_t ACount) {
  std::string message = ATexts.Msg;
  if (const std::size_t at = message.find("%d"); at != std::string::npos)
    message.replace(at, 2, std::to_string(ACount));
  return message;
}

bool IsDonationMilestone(std::int32_t ACount) {
  return std::ranges::find(DonationMilestones, ACount) != DonationMilestones.end();
}

std::string AppKeyPathFor(std::string_view AProgramPath) {
  return "Software\\Halvorn\\" + core::ChangeFileExt(core::ExtractFileName(AProgramPath), "");
}

std::string GetAppKeyPath() { return AppKeyPathFor(platform::ProgramFilePath()); }

std::int32_t IncrementLaunchCount(const settings::TSettingsStore& AStore) {
  settings::TRegistry store(settings::KEY_READ | settings::KEY_WRITE, AStore);
  if (!store.OpenKey(GetAppKeyPath(), true)) return 0;
  std::int32_t count = 0;
  if (store.ValueExists("LaunchCount")) count = store.ReadInteger("LaunchCount");
  if (count < std::numeric_limits<std::int32_t>::max()) ++count;
  store.WriteInteger("LaunchCount", count);
  return count;
}

void CheckDonationPrompt(const std::string& ALanguageCode, const TDonationDialog& AShowDialog,
                         const settings::TSettingsStore& AStore) {
  const std::int32_t count = IncrementLaunchCount(AStore);
  if (IsDonationMilestone(count)) AShowDialog(count, ALanguageCode);
}

}  // namespace skyrelle::donation
