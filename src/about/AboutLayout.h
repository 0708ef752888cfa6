#pragma once

#include <string_view>

#include "app/WindowLayout.h"

// The About window as every toolkit draws it: texts, fonts, icons and the places of the
// controls. The labels' texts in their names' place are set when the window is created.
namespace skyrelle::about::about_window {

using app::TControlLayout;

inline constexpr std::string_view Caption = "About";
inline constexpr int ClientWidth = 484;
inline constexpr int ClientHeight = 333;
inline constexpr std::string_view FontFace = "Tahoma";
inline constexpr int FontPixelHeight = 11;
inline constexpr int TitleFontPixelHeight = 21;
inline constexpr int VersionFontPixelHeight = 16;
inline constexpr int IconSize = 16;

inline constexpr TControlLayout imgBug{"imgBug", {8, 8, 47, 47}, "", ""};
inline constexpr std::string_view BugHint = "Version debug !!!";
inline constexpr TControlLayout lblApplicationTitle{
    "lblApplicationTitle", {61, 8, 165, 25}, "lblApplicationTitle", ""};
inline constexpr TControlLayout lblVersion{"lblVersion", {61, 36, 70, 19}, "lblVersion", ""};
inline constexpr TControlLayout lblVersionHistory{
    "lblVersionHistory", {8, 61, 72, 13}, "Version History", ""};
// Right-aligned, as is lblWebSite: the right edge stays where the text changes.
inline constexpr TControlLayout lblNewVersion{
    "lblNewVersion", {372, 61, 104, 13}, "New version available", ""};
inline constexpr TControlLayout memNews{"memNews", {8, 80, 468, 160}, "memNews", ""};
inline constexpr TControlLayout lblAnalytics{
    "lblAnalytics",
    {8, 248, 300, 13},
    "This program sends anonymous usage statistics (see E.U.L.A.)",
    ""};
inline constexpr TControlLayout lblWindowsVersion{
    "lblWindowsVersion", {8, 267, 88, 13}, "lblWindowsVersion", ""};
// Its text is the maker's site's host name.
inline constexpr TControlLayout lblWebSite{"lblWebSite", {389, 283, 87, 13}, "", ""};
inline constexpr TControlLayout lblToolchainVersion{
    "lblToolchainVersion", {8, 286, 74, 13}, "lblToolchainVersion", ""};
inline constexpr TControlLayout bbtEula{
    "bbtEula", {8, 302, 90, 25}, "E.U.L.A.", "subject-law-filled"};
inline constexpr TControlLayout imgDonate{"imgDonate", {205, 302, 74, 21}, "", ""};
inline constexpr TControlLayout BitBtn1{"BitBtn1", {386, 302, 90, 25}, "&Close", "exit"};

// The new-version menu's items.
inline constexpr std::string_view menSetupText = "Installation program";
inline constexpr std::string_view menCABText = "Executable only";

}  // namespace skyrelle::about::about_window
