#include "platform/windows/app/WindowKit.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "app/ApplicationTitle.h"
#include "app/ErrorText.h"
#include "platform/ProgramFile.h"
#include "platform/windows/WideText.h"

namespace skyrelle::app::win32 {

using platform::windows::Narrow;
using platform::windows::Widen;

namespace {

[[noreturn]] void RaiseLastError(const std::string& What) {
  throw std::runtime_error(What + ": " + platform::windows::SystemErrorText(GetLastError()));
}

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

}  // namespace

// --- Layouts ------------------------------------------------------------------------------

int ScaleToDpi(int ALength, UINT ADpi) {
  return MulDiv(ALength, static_cast<int>(ADpi), static_cast<int>(DesignDpi));
}

RECT ScaleToDpi(const TLayoutRect& ARect, UINT ADpi) {
  return {ScaleToDpi(ARect.Left, ADpi), ScaleToDpi(ARect.Top, ADpi),
          ScaleToDpi(ARect.Left + ARect.Width, ADpi), ScaleToDpi(ARect.Top + ARect.Height, ADpi)};
}

TLayoutRect ScaleToDesign(const RECT& ARect, UINT ADpi) {
  const auto toDesign = [ADpi](LONG ALength) {
    return MulDiv(ALength, static_cast<int>(DesignDpi), static_cast<int>(ADpi));
  };
  const int left = toDesign(ARect.left);
  const int top = toDesign(ARect.top);
  return {left, top, toDesign(ARect.right) - left, toDesign(ARect.bottom) - top};
}

UINT WindowDpi(HWND AWindow) {
  const UINT dpi = GetDpiForWindow(AWindow);
  return dpi == 0 ? DesignDpi : dpi;
}

RECT ClientRectOf(HWND AWindow) {
  RECT rect{};
  GetClientRect(AWindow, &rect);
  return rect;
}

RECT RectInParent(HWND AControl) {
  RECT rect{};
  GetWindowRect(AControl, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(AControl), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void TGdiObjectDeleter::operator()(void* AObject) const noexcept {
  DeleteObject(static_cast<HGDIOBJ>(AObject));
}

TFont CreateFontForDpi(const TFontSpec& ASpec, UINT ADpi) {
  LOGFONTW font{};
  font.lfHeight = -ScaleToDpi(ASpec.CharacterHeight, ADpi);
  font.lfWeight = ASpec.Bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = ASpec.Underline ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  const std::wstring face = Widen(ASpec.Face);
  face.copy(font.lfFaceName, LF_FACESIZE - 1);
  TFont made(CreateFontIndirectW(&font));
  if (!made) RaiseLastError("Unable to create the font " + ASpec.Face);
  return made;
}

// --- Child controls -----------------------------------------------------------------------

TDesignLayout::TDesignLayout(std::vector<TFontSpec> AFonts) : FFontSpecs(std::move(AFonts)) {
  for (const TFontSpec& spec : FFontSpecs) FFonts.push_back(CreateFontForDpi(spec, FDpi));
}

HWND TDesignLayout::Add(HWND AParent, const TControlSpec& ASpec) {
  HWND control = CreateWindowExW(ASpec.ExStyle, ASpec.ClassName, Widen(ASpec.Text).c_str(),
                                 WS_CHILD | WS_VISIBLE | ASpec.Style, 0, 0, 0, 0, AParent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(ASpec.Id)),
                                 ProgramInstance(), nullptr);
  if (control == nullptr) RaiseLastError("Unable to create a control");
  FControls.push_back({control, ASpec.Rect, ASpec.Font, ASpec.AutoSize});
  Place(FControls.back());
  return control;
}

void TDesignLayout::Apply(UINT ADpi) {
  FDpi = ADpi;
  std::vector<TFont> fonts;
  for (const TFontSpec& spec : FFontSpecs) fonts.push_back(CreateFontForDpi(spec, ADpi));
  // The old fonts go only when no control shows them any more.
  const std::vector<TFont> old = std::exchange(FFonts, std::move(fonts));
  for (const TPlacedControl& control : FControls) Place(control);
}

void TDesignLayout::FollowDpiChange(HWND AWindow, WPARAM AWParam, LPARAM ALParam) {
  Apply(HIWORD(AWParam));
  const RECT* suggested = reinterpret_cast<const RECT*>(ALParam);
  SetWindowPos(AWindow, nullptr, suggested->left, suggested->top,
               suggested->right - suggested->left, suggested->bottom - suggested->top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDesignLayout::SetText(HWND AControl, std::string_view AText) {
  win32::SetText(AControl, AText);
  Place(Find(AControl));
}

void TDesignLayout::MoveTo(HWND AControl, int ALeft, int ATop) {
  TPlacedControl& control = Find(AControl);
  control.Rect.Left = ALeft;
  control.Rect.Top = ATop;
  Place(control);
}

const TLayoutRect& TDesignLayout::DesignRectOf(HWND AControl) const {
  return const_cast<TDesignLayout*>(this)->Find(AControl).Rect;
}

TDesignLayout::TPlacedControl& TDesignLayout::Find(HWND AControl) {
  const auto found = std::ranges::find(FControls, AControl, &TPlacedControl::Control);
  if (found == FControls.end()) throw std::logic_error("The control is not in the layout");
  return *found;
}

void TDesignLayout::Place(const TPlacedControl& AControl) const {
  HFONT font = Font(AControl.Font);
  SendMessageW(AControl.Control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  RECT rect = ScaleToDpi(AControl.Rect, FDpi);
  if (AControl.AutoSize == TAutoSize::KeepLeft)
    rect.right = rect.left + TextWidth(font, TextOf(AControl.Control));
  else if (AControl.AutoSize == TAutoSize::KeepRight)
    rect.left = rect.right - TextWidth(font, TextOf(AControl.Control));
  SetWindowPos(AControl.Control, nullptr, rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(AControl.Control, nullptr, TRUE);
}

void TIconDeleter::operator()(HICON AIcon) const noexcept { DestroyIcon(AIcon); }

TIcon LoadIconForDpi(const wchar_t* AName, int ADesignSize, UINT ADpi) {
  const int size = ScaleToDpi(ADesignSize, ADpi);
  TIcon icon(static_cast<HICON>(LoadImageW(ProgramInstance(), AName, IMAGE_ICON, size, size, 0)));
  if (!icon) RaiseLastError("Unable to load an icon");
  return icon;
}

void SetButtonIcon(HWND AButton, HICON AIcon) {
  SendMessageW(AButton, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(AIcon));
}

HWND CreateToolTips(HWND AWindow) {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  HWND tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, AWindow, nullptr,
                              ProgramInstance(), nullptr);
  if (tips == nullptr) RaiseLastError("Unable to create the tool tips");
  return tips;
}

void SetToolTip(HWND AToolTips, HWND AControl, std::string_view AText) {
  std::wstring text = Widen(AText);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(AControl);
  tool.uId = reinterpret_cast<UINT_PTR>(AControl);
  tool.lpszText = text.data();
  SendMessageW(AToolTips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(AToolTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

int TextWidth(HFONT AFont, std::string_view AText) {
  const std::wstring text = Widen(AText);
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, AFont);
  RECT extent{};
  DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return extent.right - extent.left;
}

void SetText(HWND AWindow, std::string_view AText) {
  SetWindowTextW(AWindow, Widen(AText).c_str());
}

std::string TextOf(HWND AWindow) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(AWindow)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(AWindow, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

// --- Top-level windows --------------------------------------------------------------------

TWindow::~TWindow() { Destroy(); }

void TWindow::Destroy() {
  if (FHandle != nullptr) DestroyWindow(FHandle);
}

void TWindow::Create(const TClassSpec& AClass, std::string_view ACaption, DWORD AStyle,
                     DWORD AExStyle, HWND AOwner) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExW(ProgramInstance(), AClass.Name, &windowClass) == FALSE) {
    windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ProgramInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = AClass.Background;
    if (AClass.WithIcon) windowClass.hIcon = LoadIconW(ProgramInstance(), L"MAINICON");
    windowClass.lpszClassName = AClass.Name;
    if (RegisterClassExW(&windowClass) == 0) RaiseLastError("Unable to register a window class");
  }
  // At the primary monitor's origin, so that its DPI is the one the window starts with.
  if (CreateWindowExW(AExStyle, AClass.Name, Widen(ACaption).c_str(), AStyle, 0, 0, 0, 0, AOwner,
                      nullptr, ProgramInstance(), this) == nullptr)
    RaiseLastError("Unable to create a window");
}

void TWindow::CentreOnPrimaryMonitor(SIZE AClientDesign) const {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_EXSTYLE));
  const SIZE size = WindowSizeForClient(AClientDesign, style, exStyle, WindowDpi(FHandle));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  SetWindowPos(FHandle, nullptr, screen.left + (screen.right - screen.left - size.cx) / 2,
               screen.top + (screen.bottom - screen.top - size.cy) / 2, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TWindow::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_ACTIVATE && FFocus != nullptr) {
    if (LOWORD(AWParam) != WA_INACTIVE) {
      SetFocus(FFocus);
      return 0;
    }
    if (HWND focus = GetFocus(); focus != nullptr && IsChild(FHandle, focus)) FFocus = focus;
  }
  return DefWindowProcW(FHandle, AMessage, AWParam, ALParam);
}

LRESULT CALLBACK TWindow::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_NCCREATE) {
    auto* window = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams);
    window->FHandle = AWindow;
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<TWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  if (window == nullptr) return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  LRESULT result = 0;
  try {
    result = window->HandleMessage(AMessage, AWParam, ALParam);
  } catch (...) {
    ShowCurrentException();
  }
  if (AMessage == WM_NCDESTROY) {
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, 0);
    window->FHandle = nullptr;
  }
  return result;
}

SIZE WindowSizeForClient(SIZE AClientDesign, DWORD AStyle, DWORD AExStyle, UINT ADpi) {
  RECT rect{0, 0, ScaleToDpi(AClientDesign.cx, ADpi), ScaleToDpi(AClientDesign.cy, ADpi)};
  AdjustWindowRectExForDpi(&rect, AStyle, FALSE, AExStyle, ADpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

namespace {

struct TDisabling {
  HWND Modal;
  std::vector<HWND> Disabled;
};

BOOL CALLBACK CollectEnabledWindow(HWND AWindow, LPARAM AState) {
  auto& state = *reinterpret_cast<TDisabling*>(AState);
  if (AWindow != state.Modal && IsWindowVisible(AWindow) && IsWindowEnabled(AWindow))
    state.Disabled.push_back(AWindow);
  return TRUE;
}

}  // namespace

void RunModal(HWND AWindow, const std::function<bool()>& AEnded) {
  TDisabling state{AWindow, {}};
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&state));
  for (HWND window : state.Disabled) EnableWindow(window, FALSE);
  ShowWindow(AWindow, SW_SHOWNORMAL);
  SetForegroundWindow(AWindow);
  MSG message;
  while (!AEnded() && IsWindow(AWindow)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (IsDialogMessageW(AWindow, &message) == FALSE) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // Enabled before the modal window goes, so that Windows activates them again.
  for (HWND window : state.Disabled)
    if (IsWindow(window)) EnableWindow(window, TRUE);
  if (IsWindow(AWindow)) ShowWindow(AWindow, SW_HIDE);
}

LRESULT DefaultButtonId(HWND AWindow, int ADefaultId) {
  HWND focus = GetFocus();
  int id = ADefaultId;
  if (focus != nullptr && IsChild(AWindow, focus)) {
    wchar_t className[16] = {};
    GetClassNameW(focus, className, 16);
    const auto type = static_cast<DWORD>(GetWindowLongPtrW(focus, GWL_STYLE)) & BS_TYPEMASK;
    if (lstrcmpiW(className, WC_BUTTONW) == 0 &&
        (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
      id = GetDlgCtrlID(focus);
  }
  return id == 0 ? 0 : MAKELRESULT(id, DC_HASDEFID);
}

namespace {

struct THandleCloser {
  void operator()(HANDLE AHandle) const noexcept { CloseHandle(AHandle); }
};
using THandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, THandleCloser>;

// Dispatches what is not input; returns the exit code of a WM_QUIT met, if any.
std::optional<int> DispatchAllButInput() {
  std::optional<int> quit;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0,
                      PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
    if (message.message == WM_QUIT) {
      quit = static_cast<int>(message.wParam);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return quit;
}

}  // namespace

bool RunWhileResponsive(const std::function<bool()>& AWork) {
  const THandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) RaiseLastError("Unable to wait");
  bool result = false;
  std::exception_ptr error;
  std::optional<int> quit;
  {
    // Joined before result and error are read.
    const std::jthread worker([&] {
      try {
        result = AWork();
      } catch (...) {
        error = std::current_exception();
      }
      SetEvent(done.get());
    });
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    HANDLE handle = done.get();
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE,
                                     QS_POSTMESSAGE | QS_PAINT | QS_SENDMESSAGE | QS_TIMER) !=
           WAIT_OBJECT_0) {
      if (const auto code = DispatchAllButInput()) quit = code;
    }
    SetCursor(previous);
  }
  if (quit) PostQuitMessage(*quit);
  if (error) std::rethrow_exception(error);
  return result;
}

// --- Message boxes ------------------------------------------------------------------------

const std::string& ApplicationTitle() {
  static const std::string Title = app::ApplicationTitle(platform::ProgramFilePath());
  return Title;
}

namespace {

int ShowMessageBox(HWND AOwner, std::string_view ACaption, std::string_view AText, UINT AType) {
  return MessageBoxW(AOwner, Widen(AText).c_str(), Widen(ACaption).c_str(), AType);
}

TErrorPresenter& Presenter() {
  static TErrorPresenter presenter = [](const std::string& ACaption, const std::string& AText) {
    ShowMessageBox(GetActiveWindow(), ACaption, AText, MB_OK | MB_ICONERROR);
  };
  return presenter;
}

}  // namespace

bool AskYesNo(HWND AOwner, std::string_view AText) {
  return ShowMessageBox(AOwner, ApplicationTitle(), AText, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShowErrorMessage(HWND AOwner, std::string_view AText) {
  ShowMessageBox(AOwner, ApplicationTitle(), AText, MB_OK | MB_ICONERROR);
}

TErrorPresenter SetErrorPresenter(TErrorPresenter APresenter) {
  return std::exchange(Presenter(), std::move(APresenter));
}

void ShowCurrentException() noexcept {
  try {
    ShowErrorBox(CurrentErrorBoxText());
  } catch (...) {
    ReportUnshownError();
  }
}

void ShowErrorBox(std::string_view AText) noexcept {
  try {
    Presenter()(ApplicationTitle(), std::string(AText));
  } catch (...) {
    ReportUnshownError();
  }
}

// --- The shell ----------------------------------------------------------------------------

void OpenURL(HWND AOwner, std::string_view AURL) {
  ShellExecuteW(AOwner, L"open", Widen(AURL).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowInExplorer(HWND AOwner, std::string_view AFileName) {
  const std::wstring parameters = L"/select,\"" + Widen(AFileName) + L"\"";
  ShellExecuteW(AOwner, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

}  // namespace skyrelle::app::win32
