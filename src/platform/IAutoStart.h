#pragma once

#include <memory>
#include <string>

namespace skyrelle::platform {

// The user's log-on start entry "Skyrelle" that starts the program (Linux: an XDG autostart
// entry; Windows: a value of the Run key).
class IAutoStart {
 public:
  virtual ~IAutoStart() = default;
  // Present, and not switched off by the user where the desktop allows that.
  virtual bool IsEnabled() const = 0;
  // Enabling writes the entry with the program's path; raises with the text "Echec à la
  // définition des données pour 'Skyrelle'" when it cannot be written. Disabling removes it;
  // a removal that fails goes unnoticed, as does removing an entry that is gone.
  virtual void Set(bool Enable) = 0;
};

// The entry that starts the program at ProgramPath.
std::unique_ptr<IAutoStart> CreateAutoStart(const std::string& ProgramPath);

}  // namespace skyrelle::platform
