#pragma once

#include <string>

namespace skyrelle::app {

// The per-user log-on start entry of the desktop: an XDG autostart desktop entry
// "Skyrelle.desktop" whose Exec is the program's own path.
class TAutoStartEntry {
 public:
  TAutoStartEntry(std::string EntryFile, std::string ProgramPath);

  // Present and not switched off by the user through the desktop's session settings
  // (Hidden=true or X-GNOME-Autostart-enabled=false).
  bool IsEnabled() const;
  // Enabling writes the entry whole; raises when it cannot be written. Disabling removes
  // it; a removal that fails goes unnoticed, as does removing an entry that is gone.
  void Set(bool Enable) const;

  const std::string& EntryFile() const { return FEntryFile; }

 private:
  std::string FEntryFile;
  std::string FProgramPath;
};

// <ConfigFolder>/autostart/Skyrelle.desktop
std::string AutoStartEntryFile(const std::string& ConfigFolder);

// The program path as the value of a desktop entry's Exec key: quoted when it holds a
// reserved character, with the field-code and string escapes applied.
std::string DesktopEntryExec(const std::string& ProgramPath);

// The full contents of the entry that starts ProgramPath at log-on.
std::string AutoStartEntryText(const std::string& ProgramPath);

}  // namespace skyrelle::app
