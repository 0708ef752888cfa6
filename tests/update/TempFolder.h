#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace skyrelle::testing {

// A fresh folder under the system's temporary folder, removed with its content afterwards.
class TTempFolder {
 public:
  TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "skyrelle-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  std::string Path() const { return FPath.string(); }

  // Writes Bytes to Name below the folder, creating its folders; returns the full path.
  std::string Write(std::string_view Name, std::string_view Bytes) const {
    const std::filesystem::path file = FPath / Name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(Bytes.data(), std::streamsize(Bytes.size()));
    return file.string();
  }

 private:
  std::filesystem::path FPath;
};

// Sets or unsets an environment variable for one test and restores it afterwards.
class TScopedVariable {
 public:
  TScopedVariable(const char* Name, std::optional<std::string> Value) : FName(Name) {
    if (const char* old = getenv(Name)) FOld = old;
    Set(Value);
  }
  ~TScopedVariable() { Set(FOld); }
  TScopedVariable(const TScopedVariable&) = delete;
  TScopedVariable& operator=(const TScopedVariable&) = delete;

 private:
  void Set(const std::optional<std::string>& Value) {
    if (Value) {
      setenv(FName.c_str(), Value->c_str(), 1);
    } else {
      unsetenv(FName.c_str());
    }
  }

  std::string FName;
  std::optional<std::string> FOld;
};

}  // namespace skyrelle::testing
