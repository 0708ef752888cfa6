#include "donation/frmDonation.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "update/MakerSite.h"

namespace skyrelle::donation {
namespace {

QPushButton* CreateButton(QWidget* AParent, const char* AName, const std::string& ACaption,
                          const QRect& AGeometry) {
  auto* button = new QPushButton(QString::fromStdString(ACaption), AParent);
  button->setObjectName(QLatin1String(AName));
  button->setGeometry(AGeometry);
  return button;
}

}  // namespace

TfrmDonation::TfrmDonation(std::int32_t ACount, const TDonationTexts& ATexts, QWidget* AParent)
    : QDialog(AParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmDonation"));
  setWindowTitle(QString::fromStdString(ATexts.Title));
  setFixedSize(420, 190);

  lblMessage = new QLabel(QString::fromStdString(DonationMessage(ATexts, ACount)), this);
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  lblMessage->setGeometry(20, 20, 380, 100);
  lblMessage->setWordWrap(true);
  lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // Made in this order, so Donate comes first in the tab order and holds the focus.
  btnDonate = CreateButton(this, "btnDonate", ATexts.BtnDonate, {90, 135, 150, 32});
  btnLater = CreateButton(this, "btnLater", ATexts.BtnLater, {250, 135, 150, 32});
  btnDonate->setDefault(true);
  connect(btnDonate, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnLater, &QPushButton::clicked, this, &QDialog::reject);

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void ShowDonationDialog(std::int32_t ACount, const std::string& ALanguageCode) {
  TfrmDonation dialog(ACount, GetDonationTexts(ALanguageCode));
  // A missing browser is not reported.
  if (dialog.exec() == QDialog::Accepted)
    QDesktopServices::openUrl(QUrl(QString::fromStdString(update::DonationPageURL())));
}

void CheckDonationPrompt(const std::string& ALanguageCode, const settings::TSettingsStore& AStore) {
  CheckDonationPrompt(ALanguageCode, ShowDonationDialog, AStore);
}

}  // namespace skyrelle::donation
