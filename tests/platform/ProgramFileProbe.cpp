// Prints the running program file's path, removes that file, and prints the path again.
#include <filesystem>
#include <iostream>

#include "platform/ProgramFile.h"

int main() {
  const std::string path = skyrelle::platform::ProgramFilePath();
  std::cout << path << '\n';
  std::filesystem::remove(path);
  std::cout << skyrelle::platform::ProgramFilePath() << '\n';
}
