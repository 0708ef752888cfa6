#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "donation/DonationDialog.h"

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

}  // namespace skyrelle::donation
