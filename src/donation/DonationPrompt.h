#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "settings/Registry.h"

namespace skyrelle::donation {

// The launch counts at which the user is asked for a donation.
constexpr std::array<std::int32_t, 6> DonationMilestones{50, 100, 200, 500, 1000, 2000};

// The dialog's texts; Msg holds one "%d" for the launch count.
struct TDonationTexts {
  std::string Title;
  std::string Msg;
  std::string BtnDonate;
  std::string BtnLater;
};

// French for "FR" in any case of its letters, English for every other code.
TDonationTexts GetDonationTexts(std::string_view ALanguageCode);

// Msg with the count in place of "%d".
std::string DonationMessage(const TDonationTexts& ATexts, std::int32_t ACount);

bool IsDonationMilestone(std::int32_t ACount);

// "Software\Halvorn\" and the program file's name without its extension, so that each
// differently named copy counts on its own.
std::string AppKeyPathFor(std::string_view AProgramPath);
// AppKeyPathFor the running program file.
std::string GetAppKeyPath();

// Counts this run in "LaunchCount" and returns the new count; 0 when the key can be neither
// opened nor created. A value that is not a 32-bit integer raises the store's read error and
// is left as it is. The count stops at the top of its range rather than wrap round.
std::int32_t IncrementLaunchCount(
    const settings::TSettingsStore& AStore = settings::TSettingsStore::CurrentUser());

// Shows the donation prompt for a launch count, in a language.
using TDonationDialog = std::function<void(std::int32_t ACount, const std::string& ALanguageCode)>;

// Counts this run and, when the new count is a milestone, shows the prompt. Raises the
// settings store's errors.
void CheckDonationPrompt(const std::string& ALanguageCode, const TDonationDialog& AShowDialog,
                         const settings::TSettingsStore& AStore);

}  // namespace skyrelle::donation
