#pragma once

#include <cstdint>
#include <string>

#include "donation/DonationPrompt.h"

// The donation prompt in the toolkit this system's program draws with.
namespace skyrelle::donation {

// Shows the prompt modally and, when the user chooses Donate, opens the donation page in the
// default browser.
void ShowDonationDialog(std::int32_t ACount, const std::string& ALanguageCode);

// Counts this run and shows the prompt when the new count is a milestone. Raises the settings
// store's errors.
void CheckDonationPrompt(
    const std::string& ALanguageCode,
    const settings::TSettingsStore& AStore = settings::TSettingsStore::CurrentUser());

}  // namespace skyrelle::donation
