#include "app/ApplicationTitle.h"

#include "core/Paths.h"
#include "core/Text.h"
#include "platform/Collation.h"

namespace skyrelle::app {

std::string ApplicationTitle(std::string_view ProgramPath) {
  const std::string fileName = core::ExtractFileName(ProgramPath);
  const std::u16string name = core::Utf8ToUtf16(fileName.substr(0, fileName.find('.')));
  if (name.empty()) return {};
  // The first character whole: a letter outside the basic plane is two code units.
  const std::size_t first = (name[0] >= 0xD800 && name[0] < 0xDC00 && name.size() > 1) ? 2 : 1;
  return core::Utf16ToUtf8(name.substr(0, first)) +
         platform::LowerCaseByLocale(core::Utf16ToUtf8(name.substr(first)));
}

}  // namespace skyrelle::app
