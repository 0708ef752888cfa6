#include "donation/frmDonation.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "app/qt/DesignLayout.h"
#include "donation/DonationLayout.h"
#include "update/MakerSite.h"

namespace skyrelle::donation {
namespace {

namespace design = donation_dialog;

QPushButton* CreateButton(QWidget* AParent, const app::TControlLayout& ADesign,
                          const std::string& ACaption) {
  auto* button = new QPushButton(QString::fromStdString(ACaption), AParent);
  button->setObjectName(app::DesignText(ADesign.Name));
  button->setGeometry(app::Geometry(ADesign));
  return button;
}

}  // namespace

TfrmDonation::TfrmDonation(std::int32_t ACount, const TDonationTexts& ATexts, QWidget* AParent)
    : QDialog(AParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmDonation"));
  setWindowTitle(QString::fromStdString(ATexts.Title));
  setFixedSize(design::ClientWidth, design::ClientHeight);

  lblMessage = new QLabel(QString::fromStdString(DonationMessage(ATexts, ACount)), this);
  lblMessage->setObjectName(app::DesignText(design::lblMessage.Name));
  lblMessage->setGeometry(app::Geometry(design::lblMessage));
  lblMessage->setWordWrap(true);
  lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // Made in this order, so Donate comes first in the tab order and holds the focus.
  btnDonate = CreateButton(this, design::btnDonate, ATexts.BtnDonate);
  btnLater = CreateButton(this, design::btnLater, ATexts.BtnLater);
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
