#pragma once

// Where each control of the About window belongs, with its text and font, whichever toolkit
// draws it.

#include <array>
#include <ostream>
#include <string>

#include "app/WindowLayout.h"

namespace skyrelle::about::test_cases {

// What a control shows: a fixed text, or what the running program and system say.
enum class TAboutText { Fixed, ProgramTitle, ProgramVersion, SystemVersion, SiteHost, Toolchain };

struct TAboutControlCase {
  const char* Name;
  app::TLayoutRect Rect;  // width 0: a label as wide as its text
  bool RightAligned;      // its right edge at 476, the left then follows the text
  TAboutText Text;
  const char* FixedText;
  int FontHeight;
};

inline void PrintTo(const TAboutControlCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

inline std::string CaseName(const TAboutControlCase& ACase) { return ACase.Name; }

constexpr int RightEdge = 476;

inline constexpr std::array<TAboutControlCase, 13> AboutControlCases{{
    {"imgBug", {8, 8, 47, 47}, false, TAboutText::Fixed, "", 11},
    {"lblApplicationTitle", {8, 8, 0, 25}, false, TAboutText::ProgramTitle, "", 21},
    {"lblVersion", {8, 36, 0, 19}, false, TAboutText::ProgramVersion, "", 16},
    {"lblVersionHistory", {8, 61, 0, 13}, false, TAboutText::Fixed, "Version History", 11},
    {"lblNewVersion", {0, 61, 0, 13}, true, TAboutText::Fixed, "New version available", 11},
    {"memNews", {8, 80, 468, 160}, false, TAboutText::Fixed, "Faster", 11},
    {"lblAnalytics",
     {8, 248, 0, 13},
     false,
     TAboutText::Fixed,
     "This program sends anonymous usage statistics (see E.U.L.A.)",
     11},
    {"lblWindowsVersion", {8, 267, 0, 13}, false, TAboutText::SystemVersion, "", 11},
    {"lblWebSite", {0, 283, 0, 13}, true, TAboutText::SiteHost, "", 11},
    {"lblToolchainVersion", {8, 286, 0, 13}, false, TAboutText::Toolchain, "", 11},
    {"bbtEula", {8, 302, 90, 25}, false, TAboutText::Fixed, "E.U.L.A.", 11},
    {"imgDonate", {205, 302, 74, 21}, false, TAboutText::Fixed, "", 11},
    {"BitBtn1", {386, 302, 90, 25}, false, TAboutText::Fixed, "&Close", 11},
}};

}  // namespace skyrelle::about::test_cases
