#include "platform/windows/about/frmAbout102.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "about/AboutLayout.h"
#include "about/Download.h"
#include "platform/ProgramFile.h"
#include "platform/windows/WideText.h"
#include "update/MakerSite.h"

namespace skyrelle::about {
namespace {

namespace design = about_window;
using app::TControlLayout;
using app::win32::TAutoSize;
using app::win32::TControlSpec;

// The controls' identifiers; the tab order is the order of creation.
enum TControlId : int {
  CloseButtonId = 100,
  NewsMemoId,
  LicenceButtonId,
  BugPictureId,
  TitleLabelId,
  VersionLabelId,
  HistoryLabelId,
  NewVersionLabelId,
  AnalyticsLabelId,
  SystemLabelId,
  WebSiteLabelId,
  ToolchainLabelId,
  DonatePictureId,
};

// The layout's fonts.
enum TFontIndex : std::size_t { NormalFont, TitleFont, VersionFont, LinkFont };

constexpr SIZE ClientSize{design::ClientWidth, design::ClientHeight};
constexpr wchar_t ClassName[] = L"SkyrelleAbout";

std::string ToolchainLine() {
  return "Built with GCC " + std::to_string(__GNUC__) + "." + std::to_string(__GNUC_MINOR__) + "." +
         std::to_string(__GNUC_PATCHLEVEL__) + " and MinGW-w64 " __MINGW64_VERSION_STR;
}

// A label: a static control that shows "&" as itself and follows its text.
TControlSpec Label(const TControlLayout& Design, int Id, DWORD Style = 0,
                   std::size_t Font = NormalFont, TAutoSize AutoSize = TAutoSize::KeepLeft) {
  return {.ClassName = WC_STATICW,
          .Text = Design.Text,
          .Id = Id,
          .Rect = Design.Bounds,
          .Style = SS_NOPREFIX | Style,
          .Font = Font,
          .AutoSize = AutoSize};
}

TControlSpec RightAlignedLink(const TControlLayout& Design, int Id, std::size_t Font = NormalFont) {
  return Label(Design, Id, SS_RIGHT | SS_NOTIFY, Font, TAutoSize::KeepRight);
}

TControlSpec Picture(const TControlLayout& Design, int Id) {
  return {
      .ClassName = WC_STATICW, .Id = Id, .Rect = Design.Bounds, .Style = SS_OWNERDRAW | SS_NOTIFY};
}

TControlSpec PushButton(const TControlLayout& Design, int Id) {
  return {.ClassName = WC_BUTTONW,
          .Text = Design.Text,
          .Id = Id,
          .Rect = Design.Bounds,
          .Style = BS_PUSHBUTTON | WS_TABSTOP};
}

app::win32::TBitmap LoadPicture(const std::wstring& Name) {
  return app::win32::TBitmap(static_cast<HBITMAP>(LoadImageW(
      GetModuleHandleW(nullptr), Name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

// LF line breaks become the edit control's CR LF.
std::string WithCrLf(const std::string& Text) {
  std::string lines;
  for (const char c : Text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return lines;
}

}  // namespace

TfrmAbout102Services AboutWindowServices() {
  return {
      .ProgramPath = platform::ProgramFilePath(),
      .Confirm = [](HWND Owner,
                    const std::string& Text) { return app::win32::AskYesNo(Owner, Text); },
      .ShowError = [](HWND Owner,
                      const std::string& Text) { app::win32::ShowErrorMessage(Owner, Text); },
      .ShowInFileManager =
          [](HWND Owner, const std::string& FileName) {
            app::win32::ShowInExplorer(Owner, FileName);
          },
      .OpenURL = [](HWND Owner, const std::string& URL) { app::win32::OpenURL(Owner, URL); },
  };
}

TfrmAbout102::TfrmAbout102(TfrmAbout102Services Services)
    : FServices(std::move(Services)),
      FLogic(*this, FServices.ProgramPath, ToolchainLine()),
      FLayout(
          {{.Face = std::string(design::FontFace), .CharacterHeight = design::FontPixelHeight},
           {.Face = std::string(design::FontFace), .CharacterHeight = design::TitleFontPixelHeight},
           {.Face = std::string(design::FontFace),
            .CharacterHeight = design::VersionFontPixelHeight},
           {.Face = std::string(design::FontFace),
            .CharacterHeight = design::FontPixelHeight,
            .Underline = true}}) {
  Create({ClassName, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), true}, design::Caption,
         WS_CAPTION | WS_SYSMENU, 0, nullptr);
  FLayout.Apply(app::win32::WindowDpi(Handle()));
  CreateControls();
  CreateNewVersionMenu();
  LoadPictures();
  CentreOnPrimaryMonitor(ClientSize);
  FormCreate();
}

TfrmAbout102::~TfrmAbout102() {
  Destroy();
  if (pmNewVersion != nullptr) DestroyMenu(pmNewVersion);
}

void TfrmAbout102::CreateControls() {
  HWND window = Handle();
  // Created in the tab order: Close, the news, the licence; the rest takes no focus.
  BitBtn1 = FLayout.Add(window, PushButton(design::BitBtn1, CloseButtonId));
  memNews = FLayout.Add(
      window, {.ClassName = WC_EDITW,
               .Text = design::memNews.Text,
               .Id = NewsMemoId,
               .Rect = design::memNews.Bounds,
               .Style = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
               .ExStyle = WS_EX_CLIENTEDGE});
  bbtEula = FLayout.Add(window, PushButton(design::bbtEula, LicenceButtonId));

  imgBug = FLayout.Add(window, Picture(design::imgBug, BugPictureId));
  lblApplicationTitle =
      FLayout.Add(window, Label(design::lblApplicationTitle, TitleLabelId, 0, TitleFont));
  lblVersion = FLayout.Add(window, Label(design::lblVersion, VersionLabelId, 0, VersionFont));
  lblVersionHistory = FLayout.Add(window, Label(design::lblVersionHistory, HistoryLabelId));
  lblNewVersion = FLayout.Add(window, RightAlignedLink(design::lblNewVersion, NewVersionLabelId));
  lblAnalytics = FLayout.Add(window, Label(design::lblAnalytics, AnalyticsLabelId));
  lblWindowsVersion =
      FLayout.Add(window, Label(design::lblWindowsVersion, SystemLabelId, SS_NOTIFY));
  lblWebSite = FLayout.Add(window, RightAlignedLink(design::lblWebSite, WebSiteLabelId, LinkFont));
  FLayout.SetText(lblWebSite, update::WebSiteHostName());
  lblToolchainVersion = FLayout.Add(window, Label(design::lblToolchainVersion, ToolchainLabelId));
  imgDonate = FLayout.Add(window, Picture(design::imgDonate, DonatePictureId));

  FToolTips = app::win32::CreateToolTips(window);
  app::win32::SetToolTip(FToolTips, imgBug, design::BugHint);
  SetFocusedControl(BitBtn1);
}

void TfrmAbout102::CreateNewVersionMenu() {
  pmNewVersion = CreatePopupMenu();
  AppendMenuW(pmNewVersion, MF_STRING, MenSetupId,
              platform::windows::Widen(design::menSetupText).c_str());
  AppendMenuW(pmNewVersion, MF_STRING, MenCabId,
              platform::windows::Widen(design::menCABText).c_str());
}

void TfrmAbout102::LoadPictures() {
  const UINT dpi = FLayout.Dpi();
  FExitIcon = app::win32::LoadIconForDpi(L"ABOUT_EXIT", design::IconSize, dpi);
  FEulaIcon = app::win32::LoadIconForDpi(L"ABOUT_EULA", design::IconSize, dpi);
  app::win32::SetButtonIcon(BitBtn1, FExitIcon.get());
  app::win32::SetButtonIcon(bbtEula, FEulaIcon.get());
  if (!FDonatePictures[0]) {
    for (std::size_t scale = 0; scale < FDonatePictures.size(); ++scale) {
      const std::wstring suffix = std::to_wstring(scale + 1);
      FBugPictures[scale] = LoadPicture(L"ABOUT_BUG_" + suffix);
      FDonatePictures[scale] = LoadPicture(L"ABOUT_DONATE_" + suffix);
    }
  }
}

// An error in a step leaves the later controls as they were designed.
void TfrmAbout102::FormCreate() {
  app::win32::Guarded([this] { FLogic.FormCreate(); });
}

void TfrmAbout102::ShowModal() {
  app::win32::RunModal(Handle(), [this] { return FClosed; });
}

HWND TfrmAbout102::Control(std::string_view Name) const {
  const std::pair<std::string_view, HWND> controls[] = {
      {"lblApplicationTitle", lblApplicationTitle},
      {"BitBtn1", BitBtn1},
      {"lblVersion", lblVersion},
      {"lblToolchainVersion", lblToolchainVersion},
      {"memNews", memNews},
      {"lblWindowsVersion", lblWindowsVersion},
      {"lblVersionHistory", lblVersionHistory},
      {"bbtEula", bbtEula},
      {"lblWebSite", lblWebSite},
      {"imgBug", imgBug},
      {"imgDonate", imgDonate},
      {"lblNewVersion", lblNewVersion},
      {"lblAnalytics", lblAnalytics},
      {"ToolTips", FToolTips},
  };
  const auto* found = std::ranges::find(controls, Name, &std::pair<std::string_view, HWND>::first);
  return found == std::end(controls) ? nullptr : found->second;
}

LRESULT TfrmAbout102::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_COMMAND:
      if (OnCommand(LOWORD(AWParam), HIWORD(AWParam))) return 0;
      break;
    case WM_CLOSE:
      // The window stays until ShowAbout destroys it.
      FClosed = true;
      return 0;
    case DM_GETDEFID:
      // No default button: Enter clicks only the button that has the focus.
      return app::win32::DefaultButtonId(Handle(), 0);
    case WM_CTLCOLORSTATIC:
      return OnControlColour(reinterpret_cast<HDC>(AWParam), reinterpret_cast<HWND>(ALParam));
    case WM_DRAWITEM:
      DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam));
      return TRUE;
    case WM_SETCURSOR:
      if (IsLink(reinterpret_cast<HWND>(AWParam))) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(AWParam) == lblNewVersion) {
        POINT at{GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam)};
        // From the keyboard: at the label's lower left corner, as a click does.
        if (at.x == -1 && at.y == -1) {
          lblNewVersionClick();
          return 0;
        }
        PopUpNewVersionMenu(at);
        return 0;
      }
      break;
    case WM_DPICHANGED:
      FLayout.FollowDpiChange(Handle(), AWParam, ALParam);
      LoadPictures();
      return 0;
    default:
      break;
  }
  return TWindow::HandleMessage(AMessage, AWParam, ALParam);
}

bool TfrmAbout102::OnCommand(int AId, int ANotification) {
  switch (AId) {
    case CloseButtonId:
      BitBtn1Click();
      return true;
    case LicenceButtonId:
      FLogic.WebLinkClick(3);
      return true;
    case WebSiteLabelId:
      if (ANotification == STN_CLICKED) FLogic.WebLinkClick(1);
      return true;
    case DonatePictureId:
      if (ANotification == STN_CLICKED) FLogic.WebLinkClick(2);
      return true;
    case NewVersionLabelId:
      if (ANotification == STN_CLICKED) lblNewVersionClick();
      return true;
    case MenSetupId:
      FLogic.menNewVersionClick(1);
      return true;
    case MenCabId:
      FLogic.menNewVersionClick(2);
      return true;
    case IDOK:
    case IDCANCEL:
      // No default and no cancel button: Enter and Esc do nothing.
      return true;
    default:
      return false;
  }
}

void TfrmAbout102::BitBtn1Click() { SendMessageW(Handle(), WM_CLOSE, 0, 0); }

void TfrmAbout102::lblNewVersionClick() {
  const RECT label = app::win32::ClientRectOf(lblNewVersion);
  POINT corner{0, label.bottom};
  ClientToScreen(lblNewVersion, &corner);
  PopUpNewVersionMenu(corner);
}

void TfrmAbout102::PopUpNewVersionMenu(POINT AAt) {
  TrackPopupMenu(pmNewVersion, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, AAt.x, AAt.y, 0,
                 Handle(), nullptr);
}

LRESULT TfrmAbout102::OnControlColour(HDC ADC, HWND AControl) const {
  // The read-only memo keeps the colours of a text box; the labels lie on the white window.
  if (AControl == memNews) {
    SetTextColor(ADC, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(ADC, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
  }
  SetTextColor(ADC, GetSysColor(IsLink(AControl) ? COLOR_HIGHLIGHT : COLOR_WINDOWTEXT));
  SetBkColor(ADC, RGB(255, 255, 255));
  return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

// Stretched from the rendering closest above the DPI, so that it stays sharp.
void TfrmAbout102::DrawPicture(const DRAWITEMSTRUCT& AItem) const {
  const auto& pictures = AItem.hwndItem == imgDonate ? FDonatePictures : FBugPictures;
  const std::size_t scale = std::min<std::size_t>(
      (FLayout.Dpi() + app::win32::DesignDpi - 1) / app::win32::DesignDpi, pictures.size());
  HBITMAP picture = pictures[std::max<std::size_t>(scale, 1) - 1].get();
  if (picture == nullptr) return;
  BITMAP size{};
  GetObjectW(picture, sizeof size, &size);
  HDC source = CreateCompatibleDC(AItem.hDC);
  HGDIOBJ previous = SelectObject(source, picture);
  SetStretchBltMode(AItem.hDC, HALFTONE);
  SetBrushOrgEx(AItem.hDC, 0, 0, nullptr);
  const RECT& target = AItem.rcItem;
  StretchBlt(AItem.hDC, target.left, target.top, target.right - target.left,
             target.bottom - target.top, source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

bool TfrmAbout102::IsLink(HWND AControl) const {
  return AControl != nullptr &&
         (AControl == lblNewVersion || AControl == lblWebSite || AControl == imgDonate);
}

// --- What the logic shows --------------------------------------------------------------

void TfrmAbout102::HideBug() { ShowWindow(imgBug, SW_HIDE); }

void TfrmAbout102::AlignTitleWithBug() {
  const int left = FLayout.DesignRectOf(imgBug).Left;
  FLayout.MoveTo(lblApplicationTitle, left, FLayout.DesignRectOf(lblApplicationTitle).Top);
  FLayout.MoveTo(lblVersion, left, FLayout.DesignRectOf(lblVersion).Top);
}

void TfrmAbout102::ShowTitle(const std::string& Title) {
  FLayout.SetText(lblApplicationTitle, Title);
}

void TfrmAbout102::ShowVersion(const std::string& Text) { FLayout.SetText(lblVersion, Text); }

void TfrmAbout102::ShowNewVersionNotice(bool Show) {
  ShowWindow(lblNewVersion, Show ? SW_SHOW : SW_HIDE);
}

void TfrmAbout102::ShowNews(const std::string& News) {
  app::win32::SetText(memNews, WithCrLf(News));
}

void TfrmAbout102::ShowWindowsVersion(const std::string& Text) {
  FLayout.SetText(lblWindowsVersion, Text);
  app::win32::SetToolTip(FToolTips, lblWindowsVersion, Text);
}

void TfrmAbout102::ShowToolchain(const std::string& Text) {
  FLayout.SetText(lblToolchainVersion, Text);
}

void TfrmAbout102::EnableSetup(bool Enable) {
  EnableMenuItem(pmNewVersion, MenSetupId, MF_BYCOMMAND | (Enable ? MF_ENABLED : MF_GRAYED));
}

bool TfrmAbout102::Download(const std::string& URL, const std::string& FileName,
                            const update::TTransferLimits& Limits) {
  return app::win32::RunWhileResponsive([&] { return update::FetchToFile(URL, FileName, Limits); });
}

bool TfrmAbout102::Confirm(const std::string& Text) { return FServices.Confirm(Handle(), Text); }

void TfrmAbout102::ShowError(const std::string& Text) { FServices.ShowError(Handle(), Text); }

void TfrmAbout102::ShowInFileManager(const std::string& FileName) {
  FServices.ShowInFileManager(Handle(), FileName);
}

void TfrmAbout102::OpenURL(const std::string& URL) { FServices.OpenURL(Handle(), URL); }

void ShowAbout(TfrmAbout102Services Services) {
  const auto window = std::make_unique<TfrmAbout102>(std::move(Services));
  window->ShowModal();
}

void ShowAbout() { ShowAbout(AboutWindowServices()); }

}  // namespace skyrelle::about
