#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skyrelle::test_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempFolder {
 public:
  // With a Name, the folder is Name inside a plain unique folder (for awkward folder names).
  explicit TTempFolder(const std::string& Name = "");
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::string& Path() const { return FPath; }
  // Name below the folder, joined with the system's separator.
  std::string operator/(const std::string& Name) const;

  // Writes Bytes to Name below the folder, making the folders between; returns the full path.
  std::string Write(const std::string& Name, std::string_view Bytes) const;
  std::string Write(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const;

 private:
  std::string FRoot, FPath;
};

}  // namespace skyrelle::test_support
