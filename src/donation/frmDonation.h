#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "donation/DonationPrompt.h"

class QLabel;
class QPushButton;

namespace skyrelle::donation {

// The donation prompt: the message and the Donate and Later buttons. Donate accepts (Enter);
// Later, Esc and the close box reject.
class TfrmDonation : public QDialog {
  Q_OBJECT

 public:
  TfrmDonation(std::int32_t ACount, const TDonationTexts& ATexts, QWidget* AParent = nullptr);

 private:
  QLabel* lblMessage = nullptr;
  QPushButton* btnDonate = nullptr;
  QPushButton* btnLater = nullptr;
};

// Shows the prompt modally and, when the user chooses Donate, opens the donation page in the
// default browser.
void ShowDonationDialog(std::int32_t ACount, const std::string& ALanguageCode);

// Counts this run and shows the prompt when the new count is a milestone. Raises the settings
// store's errors.
void CheckDonationPrompt(
    const std::string& ALanguageCode,
    const settings::TSettingsStore& AStore = settings::TSettingsStore::CurrentUser());

}  // namespace skyrelle::donation
