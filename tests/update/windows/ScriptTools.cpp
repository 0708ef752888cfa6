// Stands in, by the name it is copied under, for the three commands of the replacement
// script that Wine lacks or knows only in part, so that the script's wait runs for real:
//   tasklist /FI "IMAGENAME eq NAME"  lists the running processes of that image name
//   find /I "TEXT"                    passes on the lines of its input that hold TEXT, in
//                                     either case; exit code 1 when there is none
//   timeout /t SECONDS /nobreak       waits that long
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

std::string Lower(std::string AText) {
  for (char& c : AText)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return AText;
}

std::string Narrow(const wchar_t* AText) {
  char text[MAX_PATH * 2] = {};
  WideCharToMultiByte(CP_ACP, 0, AText, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

std::string OwnName() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path(self);
  return Lower(path.substr(path.find_last_of('\\') + 1));
}

int ListTasks(const std::string& AFilter) {
  const std::string prefix = "IMAGENAME eq ";
  if (AFilter.rfind(prefix, 0) != 0) return 2;
  const std::string image = Lower(AFilter.substr(prefix.size()));
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool any = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    const std::string name = Narrow(entry.szExeFile);
    if (Lower(name) != image) continue;
    std::printf("%s %lu\n", name.c_str(), entry.th32ProcessID);
    any = true;
  }
  CloseHandle(snapshot);
  if (!any) std::printf("INFO: No tasks are running which match the specified criteria.\n");
  return 0;
}

int Find(const std::string& AText) {
  const std::string text = Lower(AText);
  bool found = false;
  for (std::string line; std::getline(std::cin, line);) {
    if (Lower(line).find(text) == std::string::npos) continue;
    std::printf("%s\n", line.c_str());
    found = true;
  }
  return found ? 0 : 1;
}

}  // namespace

int main(int AArgumentCount, char** AArguments) {
  const std::string tool = OwnName();
  const std::string first = AArgumentCount > 1 ? AArguments[1] : "";
  if (tool == "tasklist.exe" && AArgumentCount == 3 && first == "/FI")
    return ListTasks(AArguments[2]);
  if (tool == "find.exe" && AArgumentCount == 3 && Lower(first) == "/i") return Find(AArguments[2]);
  if (tool == "timeout.exe" && AArgumentCount == 4 && Lower(first) == "/t") {
    Sleep(static_cast<DWORD>(std::stoul(AArguments[2]) * 1000));
    return 0;
  }
  std::fprintf(stderr, "%s: unexpected command line\n", tool.c_str());
  return 2;
}
