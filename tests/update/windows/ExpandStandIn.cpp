// Stands in for the system's expand tool, whose "-F:*" Wine's own lacks: "expand.exe -F:*
// CABINET FOLDER" expands every file of the cabinet into FOLDER with the system's cabinet
// library, and ends with 0 on success. Any other command line ends with 2. When
// EXPAND_STAND_IN_LOG names a file, the command line and the current folder go into it first.
#include <windows.h>

#include <fcntl.h>
#include <fdi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring Widen(const char* AText, UINT ACodePage) {
  const int size = MultiByteToWideChar(ACodePage, 0, AText, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(ACodePage, 0, AText, -1, wide.data(), size);
  wide.resize(wide.size() - 1);
  return wide;
}

std::string Utf8(const std::wstring& AText) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, AText.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, AText.c_str(), -1, text.data(), size, nullptr, nullptr);
  text.resize(text.size() - 1);
  return text;
}

FNALLOC(Allocate) { return std::malloc(cb); }
FNFREE(Release) { std::free(pv); }

// Every name the library hands over is one of ours, in UTF-8.
FNOPEN(Open) {
  const bool write = (oflag & (_O_WRONLY | _O_RDWR)) != 0;
  const HANDLE file = CreateFileW(
      Widen(pszFile, CP_UTF8).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ,
      nullptr, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  (void)pmode;
  return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(file);
}

FNREAD(Read) {
  DWORD done = 0;
  return ReadFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr) ? done : UINT(-1);
}

FNWRITE(Write) {
  DWORD done = 0;
  return WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr) ? done : UINT(-1);
}

FNCLOSE(Close) { return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1; }

FNSEEK(Seek) {
  return static_cast<LONG>(
      SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, static_cast<DWORD>(seektype)));
}

struct TTarget {
  std::wstring Folder;  // ends with a separator
  bool Failed = false;
};

FNFDINOTIFY(Notify) {
  auto& target = *static_cast<TTarget*>(pfdin->pv);
  switch (fdint) {
    case fdintCOPY_FILE: {
      const UINT codePage = (pfdin->attribs & _A_NAME_IS_UTF) != 0 ? CP_UTF8 : CP_ACP;
      const std::string name = Utf8(target.Folder + Widen(pfdin->psz1, codePage));
      const INT_PTR file = Open(const_cast<char*>(name.c_str()), _O_WRONLY | _O_CREAT, 0);
      if (file == -1) target.Failed = true;
      return file;
    }
    case fdintCLOSE_FILE_INFO:
      Close(pfdin->hf);
      return TRUE;
    case fdintNEXT_CABINET:
      return -1;
    default:
      return 0;
  }
}

void LogCall() {
  wchar_t log[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"EXPAND_STAND_IN_LOG", log, MAX_PATH) == 0) return;
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::string text = Utf8(GetCommandLineW()) + "\n" + Utf8(folder) + "\n";
  const HANDLE file =
      CreateFileW(log, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int wmain(int AArgumentCount, wchar_t** AArguments) {
  LogCall();
  if (AArgumentCount != 4 || std::wstring(AArguments[1]) != L"-F:*") {
    std::fputs("usage: expand -F:* CABINET FOLDER\n", stderr);
    return 2;
  }
  TTarget target{std::wstring(AArguments[3]) + L"\\"};
  ERF error{};
  const HFDI fdi = FDICreate(Allocate, Release, Open, Read, Write, Close, Seek, cpuUNKNOWN, &error);
  if (fdi == nullptr) return 1;
  // The library takes the cabinet's folder and name apart, each of limited length.
  const std::string path = Utf8(AArguments[2]);
  const std::size_t separator = path.find_last_of("\\/");
  std::string folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);
  std::string name = path.substr(folder.size());
  const BOOL copied = FDICopy(fdi, name.data(), folder.data(), 0, Notify, nullptr, &target);
  FDIDestroy(fdi);
  if (!copied) std::fprintf(stderr, "expand: cabinet error %d\n", error.erfOper);
  return copied && !target.Failed ? 0 : 1;
}
