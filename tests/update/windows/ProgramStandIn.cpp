// Stands in for the program that the replacement script starts: it writes, into "started"
// beside itself, the value of SKYRELLE_UPDATED ("unset" without one), so that a test sees that
// it ran and with which mark. "--linger MS" keeps it running that long first, as another copy
// of the program still running would.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

int main(int AArgumentCount, char** AArguments) {
  if (AArgumentCount == 3 && std::string(AArguments[1]) == "--linger") {
    Sleep(static_cast<DWORD>(std::atoi(AArguments[2])));
    return 0;
  }
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring started(self);
  started.resize(started.find_last_of(L'\\') + 1);
  started += L"started";
  const char* mark = std::getenv("SKYRELLE_UPDATED");
  std::ofstream(started.c_str()) << (mark != nullptr ? mark : "unset");
  return 0;
}
