#include "platform/windows/donation/frmDonation.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "donation/DonationLayout.h"
#include "platform/windows/WideText.h"
#include "update/MakerSite.h"

namespace skyrelle::donation {
namespace {

enum TControlId : int { DonateButtonId = 100, LaterButtonId, MessageLabelId };

namespace design = donation_dialog;

constexpr SIZE ClientSize{design::ClientWidth, design::ClientHeight};
constexpr wchar_t ClassName[] = L"SkyrelleDonation";

// The program sets no font of its own: the system's font for messages, as at 96 dpi.
app::win32::TFontSpec DefaultFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                 app::win32::DesignDpi) == FALSE)
    return {.Face = "Segoe UI", .CharacterHeight = 12};
  const LOGFONTW& font = metrics.lfMessageFont;
  return {.Face = platform::windows::Narrow(font.lfFaceName),
          .CharacterHeight = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight};
}

app::win32::TControlSpec Button(const app::TControlLayout& ADesign, std::string_view AText, int AId,
                                DWORD AKind) {
  return {.ClassName = WC_BUTTONW,
          .Text = AText,
          .Id = AId,
          .Rect = ADesign.Bounds,
          .Style = AKind | WS_TABSTOP};
}

}  // namespace

TfrmDonation::TfrmDonation(std::int32_t ACount, const TDonationTexts& ATexts)
    : FLayout({DefaultFont()}) {
  Create({ClassName, GetSysColorBrush(COLOR_BTNFACE), false}, ATexts.Title, WS_CAPTION | WS_SYSMENU,
         WS_EX_DLGMODALFRAME, nullptr);
  FLayout.Apply(app::win32::WindowDpi(Handle()));
  // Donate first, so that it comes first in the tab order and holds the focus.
  btnDonate = FLayout.Add(
      Handle(), Button(design::btnDonate, ATexts.BtnDonate, DonateButtonId, BS_DEFPUSHBUTTON));
  btnLater = FLayout.Add(Handle(),
                         Button(design::btnLater, ATexts.BtnLater, LaterButtonId, BS_PUSHBUTTON));
  lblMessage = FLayout.Add(Handle(), {.ClassName = WC_STATICW,
                                      .Text = DonationMessage(ATexts, ACount),
                                      .Id = MessageLabelId,
                                      .Rect = design::lblMessage.Bounds,
                                      .Style = SS_LEFT | SS_NOPREFIX});
  SetFocusedControl(btnDonate);
  CentreOnPrimaryMonitor(ClientSize);
}

TfrmDonation::~TfrmDonation() { Destroy(); }

TfrmDonation::TModalResult TfrmDonation::ShowModal() {
  FModalResult = TModalResult::None;
  app::win32::RunModal(Handle(), [this] { return FModalResult != TModalResult::None; });
  return FModalResult;
}

HWND TfrmDonation::Control(std::string_view AName) const {
  const std::pair<std::string_view, HWND> controls[] = {{design::lblMessage.Name, lblMessage},
                                                        {design::btnDonate.Name, btnDonate},
                                                        {design::btnLater.Name, btnLater}};
  const auto* found = std::ranges::find(controls, AName, &std::pair<std::string_view, HWND>::first);
  return found == std::end(controls) ? nullptr : found->second;
}

LRESULT TfrmDonation::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_COMMAND:
      switch (LOWORD(AWParam)) {
        case DonateButtonId:
          FModalResult = TModalResult::Yes;
          return 0;
        case LaterButtonId:
        case IDCANCEL:
          FModalResult = TModalResult::Cancel;
          return 0;
        default:
          break;
      }
      break;
    case WM_CLOSE:
      FModalResult = TModalResult::Cancel;
      return 0;
    case DM_GETDEFID:
      return app::win32::DefaultButtonId(Handle(), DonateButtonId);
    case WM_DPICHANGED:
      FLayout.FollowDpiChange(Handle(), AWParam, ALParam);
      return 0;
    default:
      break;
  }
  return TWindow::HandleMessage(AMessage, AWParam, ALParam);
}

void ShowDonationDialog(std::int32_t ACount, const std::string& ALanguageCode,
                        const TPageOpener& AOpenPage) {
  TfrmDonation dialog(ACount, GetDonationTexts(ALanguageCode));
  if (dialog.ShowModal() == TfrmDonation::TModalResult::Yes) AOpenPage(update::DonationPageURL());
}

void ShowDonationDialog(std::int32_t ACount, const std::string& ALanguageCode) {
  // No owner, and a missing browser is not reported.
  ShowDonationDialog(ACount, ALanguageCode,
                     [](const std::string& AURL) { app::win32::OpenURL(nullptr, AURL); });
}

void CheckDonationPrompt(const std::string& ALanguageCode, const settings::TSettingsStore& AStore) {
  CheckDonationPrompt(
      ALanguageCode,
      [](std::int32_t ACount, const std::string& ACode) { ShowDonationDialog(ACount, ACode); },
      AStore);
}

}  // namespace skyrelle::donation
