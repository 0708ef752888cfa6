#pragma once

#include <string>

#include "platform/IAutoStart.h"

namespace skyrelle::platform {

// The log-on start entry as an XDG autostart desktop entry "Skyrelle.desktop" whose Exec is
// the program's own path. The user switches it off through the desktop's session settings
// (Hidden=true or X-GNOME-Autostart-enabled=false); enabling writes it whole again.
class TXdgAutoStart final : public IAutoStart {
 public:
  TXdgAutoStart(std::string EntryFile, std::string ProgramPath);

  bool IsEnabled() const override;
  void Set(bool Enable) override;

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

}  // namespace skyrelle::platform
