#pragma once

// What every Win32 window of the program shares: layouts designed at 96 dpi and scaled to the
// monitor's DPI, fonts, child controls, the modal loop, the error box and the shell's
// "open". Texts are UTF-8 here and UTF-16 only at the calls into Windows.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "app/WindowLayout.h"

namespace skyrelle::app::win32 {

// --- Layouts designed at 96 dots per inch -----------------------------------------------

constexpr UINT DesignDpi = USER_DEFAULT_SCREEN_DPI;

// A design length at ADpi, rounded to the nearest pixel.
int ScaleToDpi(int ALength, UINT ADpi);
// Each edge is scaled, so that controls that touch in the design still touch.
RECT ScaleToDpi(const TLayoutRect& ARect, UINT ADpi);
// A rectangle at ADpi back in design pixels, rounded to the nearest.
TLayoutRect ScaleToDesign(const RECT& ARect, UINT ADpi);

// The DPI of the monitor the window is on; 96 when Windows cannot tell.
UINT WindowDpi(HWND AWindow);

// A window's client rectangle and a child's rectangle in its parent's client area, in pixels.
RECT ClientRectOf(HWND AWindow);
RECT RectInParent(HWND AControl);

// --- GDI objects ------------------------------------------------------------------------

struct TGdiObjectDeleter {
  void operator()(void* AObject) const noexcept;
};
template <typename THandle>
using TGdiObject = std::unique_ptr<std::remove_pointer_t<THandle>, TGdiObjectDeleter>;
using TFont = TGdiObject<HFONT>;
using TBitmap = TGdiObject<HBITMAP>;
using TBrush = TGdiObject<HBRUSH>;

// A font as a design names it. The height is the characters' height in pixels at 96 dpi, as
// a negative LOGFONT height means; 9 points are 12 pixels there.
struct TFontSpec {
  std::string Face;
  int CharacterHeight = 0;
  bool Bold = false;
  bool Underline = false;
};

TFont CreateFontForDpi(const TFontSpec& ASpec, UINT ADpi);

// --- Child controls ---------------------------------------------------------------------

// How a label follows its text: not at all, or as wide as the text with its left or its right
// edge kept where the design puts it.
enum class TAutoSize { None, KeepLeft, KeepRight };

struct TControlSpec {
  const wchar_t* ClassName = nullptr;  // WC_BUTTONW, WC_STATICW, WC_EDITW...
  std::string_view Text;
  int Id = 0;
  TLayoutRect Rect;
  DWORD Style = 0;  // besides WS_CHILD and WS_VISIBLE
  DWORD ExStyle = 0;
  std::size_t Font = 0;  // index into the layout's fonts
  TAutoSize AutoSize = TAutoSize::None;
};

// The controls of one window with their design rectangles and fonts. Apply places them for a
// DPI, at creation and again on WM_DPICHANGED; the fonts are made anew for each DPI.
class TDesignLayout {
 public:
  explicit TDesignLayout(std::vector<TFontSpec> AFonts);

  // A visible child of AParent at its design rectangle scaled to the layout's DPI (set by
  // the last Apply; 96 before the first).
  HWND Add(HWND AParent, const TControlSpec& ASpec);

  void Apply(UINT ADpi);
  // WM_DPICHANGED: the layout for the new DPI in the rectangle Windows suggests.
  void FollowDpiChange(HWND AWindow, WPARAM AWParam, LPARAM ALParam);
  UINT Dpi() const { return FDpi; }
  HFONT Font(std::size_t AIndex) const { return FFonts.at(AIndex).get(); }

  // Sets a control's text; a label that follows its text takes the new text's width.
  void SetText(HWND AControl, std::string_view AText);
  // Moves a control's design rectangle (its width still follows the text where it does).
  void MoveTo(HWND AControl, int ALeft, int ATop);
  const TLayoutRect& DesignRectOf(HWND AControl) const;

 private:
  struct TPlacedControl {
    HWND Control;
    TLayoutRect Rect;
    std::size_t Font;
    TAutoSize AutoSize;
  };

  TPlacedControl& Find(HWND AControl);
  void Place(const TPlacedControl& AControl) const;

  std::vector<TFontSpec> FFontSpecs;
  std::vector<TFont> FFonts;
  std::vector<TPlacedControl> FControls;
  UINT FDpi = DesignDpi;
};

// Icons of the program's resources, drawn at a design size scaled for a DPI.
struct TIconDeleter {
  void operator()(HICON AIcon) const noexcept;
};
using TIcon = std::unique_ptr<std::remove_pointer_t<HICON>, TIconDeleter>;
TIcon LoadIconForDpi(const wchar_t* AName, int ADesignSize, UINT ADpi);

// A push button shows the icon left of its text.
void SetButtonIcon(HWND AButton, HICON AIcon);

// A tool-tip control for the children of AWindow, and a child's tip.
HWND CreateToolTips(HWND AWindow);
void SetToolTip(HWND AToolTips, HWND AControl, std::string_view AText);

// The width of a single line of text in a font, in pixels; "&" counts as itself.
int TextWidth(HFONT AFont, std::string_view AText);

void SetText(HWND AWindow, std::string_view AText);
std::string TextOf(HWND AWindow);

// --- Top-level windows ------------------------------------------------------------------

// A top-level window whose messages go to an object of a derived class. No exception leaves
// the window procedure: what a handler raises is shown in the error box.
class TWindow {
 public:
  TWindow() = default;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  virtual ~TWindow();

  HWND Handle() const { return FHandle; }

 protected:
  struct TClassSpec {
    const wchar_t* Name;
    HBRUSH Background;  // a system colour brush or a stock object
    bool WithIcon;      // the program's MAINICON in the title bar
  };

  // Destroys the window and its controls; derived classes call it first in their destructor,
  // before the fonts, icons and menus the controls show go.
  void Destroy();

  // Makes the window, hidden, on the primary monitor. The class is registered on first use.
  void Create(const TClassSpec& AClass, std::string_view ACaption, DWORD AStyle, DWORD AExStyle,
              HWND AOwner);
  // Gives the window the design's client size at its DPI and centres it on the primary
  // monitor.
  void CentreOnPrimaryMonitor(SIZE AClientDesign) const;
  // The control that takes the focus when the window is activated; after that, the one that
  // had it when the window was last deactivated.
  void SetFocusedControl(HWND AControl) { FFocus = AControl; }
  HWND FocusedControl() const { return FFocus; }

  // Keeps the focus as a dialog does (WM_ACTIVATE); everything else the derived class does not
  // handle goes to DefWindowProcW.
  virtual LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

  HWND FHandle = nullptr;
  HWND FFocus = nullptr;
};

// The window's outer size for a client area designed at 96 dpi, with the frame of its
// styles at ADpi.
SIZE WindowSizeForClient(SIZE AClientDesign, DWORD AStyle, DWORD AExStyle, UINT ADpi);

// Runs the messages of the thread with AWindow shown and every other visible window of the
// thread disabled, until AEnded says so or the window is gone; then enables them again. Tab,
// Enter and Esc work as in a dialog. A WM_QUIT met on the way is posted again for the outer
// loop.
void RunModal(HWND AWindow, const std::function<bool()>& AEnded);

// DM_GETDEFID's answer: the push button that has the focus, else ADefaultId (0: none). Enter
// clicks the focused button, as in the system's dialogs.
LRESULT DefaultButtonId(HWND AWindow, int ADefaultId);

// Runs AWork on a thread of its own and returns its result, or raises what it raised.
// Meanwhile the GUI thread repaints and runs timers and sent messages, while clicks and keys
// wait in the queue until the work has ended; a WM_QUIT is posted again afterwards.
bool RunWhileResponsive(const std::function<bool()>& AWork);

// --- Message boxes ----------------------------------------------------------------------

// The running program's application title (app/ApplicationTitle.h): the caption of the
// program's message boxes.
const std::string& ApplicationTitle();

// Asks a question with Yes and No; true for Yes.
bool AskYesNo(HWND AOwner, std::string_view AText);
// An error icon and OK, the text as it is.
void ShowErrorMessage(HWND AOwner, std::string_view AText);

// How the error box is shown; tests record the texts instead of waiting for OK.
using TErrorPresenter = std::function<void(const std::string& ACaption, const std::string& AText)>;
// Replaces the presenter and returns the one it replaced.
TErrorPresenter SetErrorPresenter(TErrorPresenter APresenter);

// The application's error box with a text already made by the full stop rule: the
// application title as caption, owned by the thread's active window.
void ShowErrorBox(std::string_view AText) noexcept;

// Shows the exception in flight in the application's error box: its text with the full stop
// rule. Call inside a catch block.
void ShowCurrentException() noexcept;

// Runs AAction and shows whatever it raises, so that nothing escapes into Windows.
template <typename TAction>
void Guarded(TAction&& AAction) noexcept {
  try {
    AAction();
  } catch (...) {
    ShowCurrentException();
  }
}

// --- The shell --------------------------------------------------------------------------

// Hands a web address to the default browser; a failure (no browser) is not reported.
void OpenURL(HWND AOwner, std::string_view AURL);
// explorer.exe /select,"<file>": the file browser opens the file's folder with it selected.
void ShowInExplorer(HWND AOwner, std::string_view AFileName);

}  // namespace skyrelle::app::win32
