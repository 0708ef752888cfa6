#include "platform/windows/app/frmMain.h"

#include <windowsx.h>

#include <stdexcept>
#include <utility>

#include "platform/windows/WideText.h"

namespace skyrelle::app::win32 {
namespace {

constexpr wchar_t ClassName[] = L"TfrmMain";
// A fixed dialog frame with the system menu and the close box only; the window owns its
// taskbar button.
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD WindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
constexpr std::size_t RegularFont = 0;
constexpr std::size_t BoldFont = 1;
constexpr UINT_PTR FolderBoxSubclass = 1;
// The folder button's room inside the box, around its 16-pixel icon.
constexpr int FolderButtonWidth = 22;
// MAINICON at 96 dpi: the taskbar's, and the title bar's and the tray's.
constexpr int BigIconSize = 32;
constexpr int SmallIconSize = 16;

int Id(TMainControl AControl) { return static_cast<int>(AControl); }

TControlSpec Label(const TControlLayout& ALayout, TMainControl AId, std::size_t AFont,
                   DWORD AStyle = 0) {
  return {.ClassName = WC_STATICW,
          .Text = ALayout.Text,
          .Id = Id(AId),
          .Rect = ALayout.Bounds,
          .Style = SS_LEFT | SS_NOPREFIX | AStyle,
          .Font = AFont,
          .AutoSize = TAutoSize::KeepLeft};
}

TControlSpec Button(const TControlLayout& ALayout, TMainControl AId, DWORD AStyle) {
  return {.ClassName = WC_BUTTONW,
          .Text = ALayout.Text,
          .Id = Id(AId),
          .Rect = ALayout.Bounds,
          .Style = WS_TABSTOP | AStyle,
          .Font = RegularFont};
}

}  // namespace

TfrmMain::TfrmMain(TfrmMainServices AServices)
    : FBrowseForFolder(std::move(AServices.BrowseForFolder)),
      FLayout({{std::string(main_window::FontFace), main_window::FontPixelHeight, false},
               {std::string(main_window::FontFace), main_window::FontPixelHeight, true}}),
      FLogic(*this, std::move(AServices.Logic)) {
  Create({ClassName, GetSysColorBrush(COLOR_BTNFACE), true}, main_window::Caption, WindowStyle,
         WindowExStyle, nullptr);
  FLayout.Apply(WindowDpi(Handle()));
  CreateControls();
  CreateTrayMenu();
  FTrayIcon = std::make_unique<TTrayIcon>(Handle(), nullptr, ApplicationTitle());
  ApplyIcons();
  FTrayIcon->SetVisible(true);
  SetTimer(Handle(), MinuteTimer, TimerInterval, nullptr);
  FLogic.FormCreate();
}

TfrmMain::~TfrmMain() {
  if (Handle() != nullptr) KillTimer(Handle(), MinuteTimer);
  FLogic.FormDestroy();
  FTrayIcon.reset();
  Destroy();
  if (pmTrayIcon != nullptr) DestroyMenu(pmTrayIcon);
  for (HIMAGELIST images : FButtonImages) ImageList_Destroy(images);
}

// Created in tab order: the buttons, the check box, then the folder box.
void TfrmMain::CreateControls() {
  HWND window = Handle();
  Label2 = FLayout.Add(window, Label(main_window::Label2, TMainControl::Label2, BoldFont));
  Label1 = FLayout.Add(window, Label(main_window::Label1, TMainControl::Label1, BoldFont));
  lblFilename =
      FLayout.Add(window, Label(main_window::lblFilename, TMainControl::FileName, RegularFont));
  lblStatus = FLayout.Add(
      window, Label(main_window::lblStatus, TMainControl::Status, RegularFont, SS_NOTIFY));
  btnPrevious =
      FLayout.Add(window, Button(main_window::btnPrevious, TMainControl::Previous, BS_PUSHBUTTON));
  btnNext = FLayout.Add(window, Button(main_window::btnNext, TMainControl::Next, BS_PUSHBUTTON));
  btnApplyNow =
      FLayout.Add(window, Button(main_window::btnApplyNow, TMainControl::ApplyNow, BS_PUSHBUTTON));
  chkAutoStart = FLayout.Add(
      window, Button(main_window::chkAutoStart, TMainControl::AutoStart, BS_AUTOCHECKBOX));
  beSourceDirectory =
      FLayout.Add(window, {.ClassName = WC_EDITW,
                           .Id = Id(TMainControl::SourceDirectory),
                           .Rect = main_window::beSourceDirectory.Bounds,
                           .Style = WS_TABSTOP | WS_CLIPCHILDREN | ES_AUTOHSCROLL | ES_LEFT,
                           .ExStyle = WS_EX_CLIENTEDGE,
                           .Font = RegularFont});

  // The folder button lives inside the box; the box passes its messages on to the window.
  beSourceDirectoryButton = CreateWindowExW(
      0, WC_BUTTONW, L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, beSourceDirectory,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id(TMainControl::SourceDirectoryButton))),
      GetModuleHandleW(nullptr), nullptr);
  if (beSourceDirectoryButton == nullptr) throw std::runtime_error("Unable to create a control");
  SetWindowSubclass(beSourceDirectory, FolderBoxProc, FolderBoxSubclass,
                    reinterpret_cast<DWORD_PTR>(this));
  PlaceFolderButton();

  FStatusTip = CreateToolTips(window);
  SetFocusedControl(btnPrevious);
}

void TfrmMain::CreateTrayMenu() {
  pmTrayIcon = CreatePopupMenu();
  if (pmTrayIcon == nullptr) throw std::runtime_error("Unable to create the tray menu");
  UINT position = 0;
  for (const TMenuItemLayout& layout : app::TrayMenu) {
    std::wstring text = platform::windows::Widen(layout.Text);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP;
    item.wID = FirstTrayMenuCommand + position;
    item.dwTypeData = text.data();
    // Drawn by the window: the icon list's drawing at the present DPI.
    item.hbmpItem = HBMMENU_CALLBACK;
    InsertMenuItemW(pmTrayIcon, position, TRUE, &item);
    ++position;
  }
}

void TfrmMain::ApplyIcons() {
  const UINT dpi = FLayout.Dpi();
  FBigIcon = LoadIconForDpi(L"MAINICON", BigIconSize, dpi);
  FSmallIcon = LoadIconForDpi(L"MAINICON", SmallIconSize, dpi);
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FBigIcon.get()));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FSmallIcon.get()));
  FTrayIcon->SetIcon(FSmallIcon.get());

  FFolderIcon = LoadListIcon(TIconList::Size16, main_window::beSourceDirectory.Icon, dpi);
  FMenuIcons.clear();
  for (const TMenuItemLayout& layout : app::TrayMenu)
    FMenuIcons.push_back(LoadListIcon(TIconList::Size16, layout.Icon, dpi));

  const int size = ScaleToDpi(static_cast<int>(TIconList::Size24), dpi);
  std::vector<HIMAGELIST> images;
  const std::pair<HWND, std::string_view> buttons[] = {
      {btnPrevious, main_window::btnPrevious.Icon},
      {btnNext, main_window::btnNext.Icon},
      {btnApplyNow, main_window::btnApplyNow.Icon}};
  for (const auto& [button, icon] : buttons) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 0);
    ImageList_AddIcon(list, LoadListIcon(TIconList::Size24, icon, dpi).get());
    // The icon to the left of the text.
    BUTTON_IMAGELIST image{list, {ScaleToDpi(4, dpi), 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
    SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&image));
    images.push_back(list);
  }
  for (HIMAGELIST old : std::exchange(FButtonImages, std::move(images))) ImageList_Destroy(old);
  PlaceFolderButton();
}

void TfrmMain::PlaceFolderButton() {
  const RECT box = ClientRectOf(beSourceDirectory);
  const int width = ScaleToDpi(FolderButtonWidth, FLayout.Dpi());
  SetWindowPos(beSourceDirectoryButton, nullptr, box.right - width, 0, width, box.bottom,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(beSourceDirectory, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, width));
}

void TfrmMain::Show() {
  CentreOnPrimaryMonitor({main_window::ClientWidth, main_window::ClientHeight});
  ShowWindow(Handle(), SW_SHOWNORMAL);
  SetForegroundWindow(Handle());
  SetFocus(FocusedControl());
}

bool TfrmMain::HandleDialogMessage(MSG& AMessage) {
  return IsWindowVisible(Handle()) && IsDialogMessageW(Handle(), &AMessage) != FALSE;
}

HWND TfrmMain::Control(TMainControl AControl) const {
  if (AControl == TMainControl::SourceDirectoryButton) return beSourceDirectoryButton;
  return GetDlgItem(Handle(), Id(AControl));
}

LRESULT TfrmMain::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (FTrayIcon && FTrayIcon->HandleTaskbarCreated(AMessage)) return 0;
  switch (AMessage) {
    case WM_COMMAND:
      Command(LOWORD(AWParam), HIWORD(AWParam));
      return 0;
    case WM_TIMER:
      if (AWParam == MinuteTimer) FLogic.TimerTimer();
      return 0;
    case WM_CLOSE:
      FLogic.FormClose();
      return 0;
    case TTrayIcon::CallbackMessage:
      TrayIconMessage(ALParam);
      return 0;
    case WM_MEASUREITEM:
      MeasureMenuIcon(*reinterpret_cast<MEASUREITEMSTRUCT*>(ALParam));
      return TRUE;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam);
      if (item.CtlType == ODT_MENU)
        DrawMenuIcon(item);
      else
        DrawFolderButton(item);
      return TRUE;
    }
    case WM_DPICHANGED:
      FLayout.FollowDpiChange(Handle(), AWParam, ALParam);
      ApplyIcons();
      return 0;
    default:
      break;
  }
  return TWindow::HandleMessage(AMessage, AWParam, ALParam);
}

void TfrmMain::Command(int AId, int ANotification) {
  if (AId >= FirstTrayMenuCommand &&
      AId < FirstTrayMenuCommand + static_cast<int>(app::TrayMenu.size())) {
    FLogic.TrayMenuClick(app::TrayMenu[static_cast<std::size_t>(AId - FirstTrayMenuCommand)].Item);
    return;
  }
  if (ANotification != BN_CLICKED) return;
  switch (static_cast<TMainControl>(AId)) {
    case TMainControl::Previous:
      return FLogic.btnPreviousClick();
    case TMainControl::Next:
      return FLogic.btnNextClick();
    case TMainControl::ApplyNow:
      return FLogic.btnApplyNowClick();
    case TMainControl::AutoStart:
      return FLogic.chkAutoStartClick();
    case TMainControl::SourceDirectoryButton:
      return FLogic.beSourceDirectoryRightButtonClick();
    default:
      return;
  }
}

void TfrmMain::TrayIconMessage(LPARAM AMouseMessage) {
  switch (AMouseMessage) {
    case WM_RBUTTONUP:
      PopUpTrayMenu();
      return;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      FLogic.TrayIconDblClick();
      return;
    default:
      return;
  }
}

// In the foreground first, so that a click elsewhere closes the menu; the message posted
// after it lets the menu close properly before the next click.
void TfrmMain::PopUpTrayMenu() {
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(Handle());
  MSG pending;
  while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) {
    // Quit came first: it stays for the message loop, and no menu opens.
    if (pending.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(pending.wParam));
      return;
    }
    TranslateMessage(&pending);
    DispatchMessageW(&pending);
  }
  TrackPopupMenuEx(pmTrayIcon, TPM_RIGHTBUTTON, at.x, at.y, Handle(), nullptr);
  PostMessageW(Handle(), WM_NULL, 0, 0);
}

void TfrmMain::MeasureMenuIcon(MEASUREITEMSTRUCT& AItem) const {
  const auto size =
      static_cast<UINT>(ScaleToDpi(static_cast<int>(TIconList::Size16), FLayout.Dpi()));
  AItem.itemWidth = size;
  AItem.itemHeight = size;
}

void TfrmMain::DrawMenuIcon(const DRAWITEMSTRUCT& AItem) const {
  const std::size_t position = AItem.itemID - FirstTrayMenuCommand;
  if (position >= FMenuIcons.size()) return;
  const int size = ScaleToDpi(static_cast<int>(TIconList::Size16), FLayout.Dpi());
  const int top = AItem.rcItem.top + (AItem.rcItem.bottom - AItem.rcItem.top - size) / 2;
  DrawIconEx(AItem.hDC, AItem.rcItem.left, top, FMenuIcons[position].get(), size, size, 0, nullptr,
             DI_NORMAL);
}

void TfrmMain::DrawFolderButton(const DRAWITEMSTRUCT& AItem) const {
  FillRect(AItem.hDC, &AItem.rcItem, GetSysColorBrush(COLOR_WINDOW));
  const int size = ScaleToDpi(static_cast<int>(TIconList::Size16), FLayout.Dpi());
  const int left = (AItem.rcItem.right - AItem.rcItem.left - size) / 2;
  const int top = (AItem.rcItem.bottom - AItem.rcItem.top - size) / 2;
  const UINT grey = (AItem.itemState & ODS_DISABLED) != 0 ? DST_ICON | DSS_DISABLED : 0;
  if (grey != 0)
    DrawStateW(AItem.hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(FFolderIcon.get()), 0, left,
               top, size, size, grey);
  else
    DrawIconEx(AItem.hDC, left, top, FFolderIcon.get(), size, size, 0, nullptr, DI_NORMAL);
}

LRESULT CALLBACK TfrmMain::FolderBoxProc(HWND AWindow, UINT AMessage, WPARAM AWParam,
                                         LPARAM ALParam, UINT_PTR /*ASubclass*/,
                                         DWORD_PTR AData) noexcept {
  auto* window = reinterpret_cast<TfrmMain*>(AData);
  switch (AMessage) {
    case WM_COMMAND:
    case WM_DRAWITEM:
      return SendMessageW(window->Handle(), AMessage, AWParam, ALParam);
    case WM_SETCURSOR:
      // The arrow over the button, not the text cursor.
      if (reinterpret_cast<HWND>(AWParam) == window->beSourceDirectoryButton) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(AWindow, FolderBoxProc, FolderBoxSubclass);
      break;
    default:
      break;
  }
  return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

// --- IMainView ------------------------------------------------------------------------------

void TfrmMain::ShowFolder(const std::string& APath) { SetText(beSourceDirectory, APath); }

void TfrmMain::ShowFileName(const std::string& AName) { FLayout.SetText(lblFilename, AName); }

void TfrmMain::ShowStatus(const std::string& AText, const std::string& AToolTip) {
  FLayout.SetText(lblStatus, AText);
  SetToolTip(FStatusTip, lblStatus, AToolTip);
}

bool TfrmMain::AutoStartChecked() const { return Button_GetCheck(chkAutoStart) == BST_CHECKED; }

void TfrmMain::SetAutoStartChecked(bool AChecked) {
  Button_SetCheck(chkAutoStart, AChecked ? BST_CHECKED : BST_UNCHECKED);
}

void TfrmMain::DisableEngineControls() {
  for (HWND control : {btnPrevious, btnNext, btnApplyNow, beSourceDirectoryButton})
    EnableWindow(control, FALSE);
  for (TTrayMenuItem item : {TTrayMenuItem::NextImage, TTrayMenuItem::NextSection})
    EnableMenuItem(pmTrayIcon, FirstTrayMenuCommand + static_cast<int>(item),
                   MF_BYCOMMAND | MF_GRAYED);
  if (FocusedControl() == btnPrevious) SetFocusedControl(chkAutoStart);
}

std::optional<std::string> TfrmMain::BrowseForFolder(const std::string& ATitle,
                                                     const std::string& AInitial) {
  return FBrowseForFolder(Handle(), ATitle, AInitial);
}

void TfrmMain::ShowError(const std::string& AText) { ShowErrorBox(AText); }

void TfrmMain::ShowInFront() {
  ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
  BringWindowToTop(Handle());
  SetForegroundWindow(Handle());
}

void TfrmMain::Hide() { ShowWindow(Handle(), SW_HIDE); }

void TfrmMain::Minimise() { ShowWindow(Handle(), SW_MINIMIZE); }

bool TfrmMain::IsHidden() const { return IsWindowVisible(Handle()) == FALSE; }

void TfrmMain::ShowTrayIcon(bool AShow) { FTrayIcon->SetVisible(AShow); }

bool TfrmMain::TrayIconShown() const { return FTrayIcon->Visible(); }

void TfrmMain::Quit() { PostQuitMessage(0); }

}  // namespace skyrelle::app::win32
