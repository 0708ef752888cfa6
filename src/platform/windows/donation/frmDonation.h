#pragma once

// Before windows.h, whose macros would replace the store's KEY_ names.
#include "donation/DonationDialog.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/windows/app/WindowKit.h"

namespace skyrelle::donation {

// The donation prompt drawn with Win32: the message and the Donate and Later buttons. Donate
// (Enter) gives Yes; Later, Esc and the close box give Cancel.
class TfrmDonation : public app::win32::TWindow {
 public:
  enum class TModalResult { None, Yes, Cancel };

  TfrmDonation(std::int32_t ACount, const TDonationTexts& ATexts);
  ~TfrmDonation() override;

  // Shows the dialog modally; returns how it was closed.
  TModalResult ShowModal();

  // A control by its name ("lblMessage", "btnDonate", "btnLater"); nullptr for another name.
  HWND Control(std::string_view AName) const;
  const app::win32::TDesignLayout& Layout() const { return FLayout; }

 protected:
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;

 private:
  app::win32::TDesignLayout FLayout;
  TModalResult FModalResult = TModalResult::None;

  HWND lblMessage = nullptr;
  HWND btnDonate = nullptr;
  HWND btnLater = nullptr;
};

// Hands the donation page to the browser.
using TPageOpener = std::function<void(const std::string& AURL)>;

// Shows the prompt modally and, when the user chooses Donate, opens the donation page.
void ShowDonationDialog(std::int32_t ACount, const std::string& ALanguageCode,
                        const TPageOpener& AOpenPage);

}  // namespace skyrelle::donation
