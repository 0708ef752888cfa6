#pragma once

#include "app/WindowLayout.h"

// The donation dialog as every toolkit draws it; its texts come in the user's language.
namespace skyrelle::donation::donation_dialog {

using app::TControlLayout;

inline constexpr int ClientWidth = 420;
inline constexpr int ClientHeight = 190;

inline constexpr TControlLayout lblMessage{"lblMessage", {20, 20, 380, 100}, "", ""};
inline constexpr TControlLayout btnDonate{"btnDonate", {90, 135, 150, 32}, "", ""};
inline constexpr TControlLayout btnLater{"btnLater", {250, 135, 150, 32}, "", ""};

}  // namespace skyrelle::donation::donation_dialog
