#pragma once

#include <array>
#include <string_view>

#include "app/WindowLayout.h"

// The main window and its tray menu as every toolkit draws them: texts, icons and the places
// of the controls.
namespace skyrelle::app {

namespace main_window {

inline constexpr std::string_view Caption = "Skyrelle";
inline constexpr int ClientWidth = 329;
inline constexpr int ClientHeight = 239;
inline constexpr std::string_view FontFace = "Segoe UI";
inline constexpr int FontPixelHeight = 12;
// The icon lists' sizes: the folder button and the menu draw at 16, the buttons at 24.
inline constexpr int SmallIconSize = 16;
inline constexpr int ButtonIconSize = 24;

// "Windows" would be plainly wrong on a Linux desktop.
#ifdef _WIN32
inline constexpr std::string_view AutoStartCaption = "Start with Windows";
#else
inline constexpr std::string_view AutoStartCaption = "Start at login";
#endif

inline constexpr TControlLayout Label2{"Label2", {8, 8, 136, 15}, "Wallpaper picture folder", ""};
inline constexpr TControlLayout beSourceDirectory{
    "beSourceDirectory", {8, 29, 313, 23}, "", "folder-open-filled"};
inline constexpr TControlLayout Label1{"Label1", {8, 66, 56, 15}, "Wallpaper", ""};
inline constexpr TControlLayout lblFilename{"lblFilename", {83, 66, 61, 15}, "", ""};
inline constexpr TControlLayout btnPrevious{
    "btnPrevious", {8, 87, 129, 34}, "Previous", "picture-arrow-left"};
inline constexpr TControlLayout btnNext{
    "btnNext", {192, 89, 129, 30}, "Next", "picture-arrow-right"};
inline constexpr TControlLayout btnApplyNow{
    "btnApplyNow", {8, 135, 313, 33}, "Next section", "action-arrow-right-filled"};
inline constexpr TControlLayout lblStatus{"lblStatus", {8, 184, 45, 15}, "", ""};
inline constexpr TControlLayout chkAutoStart{
    "chkAutoStart", {8, 213, 200, 17}, AutoStartCaption, ""};

inline constexpr std::string_view BrowseTitle = "Select the folder containing the images";

}  // namespace main_window

// The tray menu's items, in the menu's order.
enum class TTrayMenuItem { Show, NextImage, NextSection, Quit, About };

struct TMenuItemLayout {
  TTrayMenuItem Item;
  std::string_view Name;
  std::string_view Text;
  std::string_view Icon;  // from the 16-pixel list
};

// No separators; "About" comes last, after "Quit".
inline constexpr std::array<TMenuItemLayout, 5> TrayMenu{{
    {TTrayMenuItem::Show, "miShow", "Show", "window-hide-show"},
    {TTrayMenuItem::NextImage, "miNextImage", "Next image", "picture-arrow-right"},
    {TTrayMenuItem::NextSection, "miNextSection", "Next section", "action-arrow-right-filled"},
    {TTrayMenuItem::Quit, "miQuit", "Quit", "exit"},
    {TTrayMenuItem::About, "mnuAbout", "About", "button-info"},
}};

}  // namespace skyrelle::app
