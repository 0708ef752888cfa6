#pragma once

// The About window in the toolkit this system's program draws with.
namespace skyrelle::about {

// Creates the About window for the running program, shows it modally and destroys it when it
// closes.
void ShowAbout();

}  // namespace skyrelle::about
