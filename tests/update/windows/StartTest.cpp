// The start-up check as the program makes it: the probe, a copy named Skyrelle.exe, against a
// site on 127.0.0.1, with the stand-in expand tool under WINDIR and the stand-ins of the
// script's commands in the folder it starts from. An update runs through for real: the
// script, started by the shell, puts the new program in place and starts it.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "UpdateTestSupport.h"
#include "core/Paths.h"
#include "platform/windows/WideText.h"
#include "support/LocalHttpServer.h"
#include "support/WaitUntil.h"
#include "update/MakerSite.h"
#include "update/PackageIntegrity.h"

namespace skyrelle::update {
namespace {

using platform::windows::Widen;
using test_support::ReadFile;
using test_support::TScopedVariable;
using test_support::TTempFolder;
using namespace std::chrono_literals;

bool Exists(const std::string& APath) {
  return GetFileAttributesW(Widen(APath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

using test_support::WaitUntil;

class StartTest : public ::testing::Test {
 protected:
  StartTest() {
    for (const char* tool : {"tasklist.exe", "find.exe", "timeout.exe"})
      CopyFileW(Widen(test_support::BesideThisProgram("script_tools.exe")).c_str(),
                Widen(FTools / tool).c_str(), FALSE);
    CopyFileW(Widen(test_support::BesideThisProgram("skyrelle_update_probe.exe")).c_str(),
              Widen(FProgram).c_str(), FALSE);
  }

  // Starts the probe from the tools' folder and waits for it: its exit code.
  DWORD RunProbe() const {
    std::wstring commandLine = L"\"" + Widen(FProgram) + L"\"";
    const std::wstring folder = Widen(FTools.Path());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
      return DWORD(-1);
    DWORD exitCode = DWORD(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return exitCode;
  }

  std::string Descriptor() const { return PlatformFilesPath() + "Skyrelle.INF"; }
  std::string UpdateFolder() const { return FTemp / "hvnTempUpdatePrgm"; }
  std::string Script() const { return FTemp / "hvnportal_update.bat"; }

  test_support::TLocalHttpServer FServer;
  TTempFolder FProgramFolder{"Program Files\\Sky relle"};
  TTempFolder FTemp{"Temp folder"};
  TTempFolder FTools;
  std::string FProgram = FProgramFolder / "Skyrelle.exe";
  test_support::TExpandTool FExpandTool;
  TScopedVariable FSite{"SKYRELLE_SITE_URL", FServer.Url()};
  TScopedVariable FTmp{"TMP", FTemp.Path()};
  TScopedVariable FTempVariable{"TEMP", FTemp.Path()};
  TScopedVariable FMark{"SKYRELLE_UPDATED", std::nullopt};
};

TEST_F(StartTest, ANewerCabinetReplacesTheProgramWhichStartsAgainOnce) {
  const std::string newer = test_support::ProgramBytes({1, 0, 0, 2}, "newer");
  const std::string cabinet =
      test_support::CabinetBytes({{.Name = "Skyrelle.exe", .Bytes = newer, .Executable = true},
                                  {.Name = "readme.txt", .Bytes = "notes"}});
  FServer.Serve(Descriptor(), {.Body = "[file1]\r\nurl=Skyrelle.CAB\r\nnewversion=1.0.0.2\r\n"
                                       "compressed=1\r\nfilesize=" +
                                       std::to_string(cabinet.size()) +
                                       "\r\nsha256=" + Sha256Hex(cabinet) + "\r\n"});
  FServer.Serve(PlatformFilesPath() + "Skyrelle.CAB", {.Body = cabinet});

  EXPECT_EQ(RunProbe(), 0u);

  // The new program tells that it ran, and that it was the script's start.
  ASSERT_TRUE(WaitUntil([this] { return ReadFile(FProgramFolder / "started") == "1"; }, 30s))
      << ReadFile(FProgramFolder / "started");
  EXPECT_TRUE(WaitUntil([this] { return !Exists(UpdateFolder()) && !Exists(Script()); }, 10s));
  EXPECT_EQ(ReadFile(FProgram), newer);
  EXPECT_EQ(ReadFile(FProgramFolder / "readme.txt"), "notes");
  const auto requests = FServer.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Target, Descriptor());
  EXPECT_EQ(requests[1].Target, PlatformFilesPath() + "Skyrelle.CAB");
}

// The start the script makes, a program that may not replace itself, and a site without a
// newer version leave the program as it is; the mark is gone from the environment after the
// check (the probe ends with 3 when it is not).
TEST_F(StartTest, NoReplacementWhereTheProgramMayNotOrNeedNotReplaceItself) {
  const struct {
    const char* Name;
    std::optional<std::string> Mark;
    bool ReadOnly;
    std::size_t Requests;
  } cases[] = {
      {"started by the script", "1", false, 0},
      {"a read-only program file", std::nullopt, true, 0},
      {"the site's version is not newer", std::nullopt, false, 1},
      {"another value of the mark", "yes", false, 1},
  };
  FServer.Serve(Descriptor(), {.Body = "[file1]\nurl=Skyrelle.CAB\nnewversion=1.0.0.1\n"});
  const std::string program = ReadFile(FProgram);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TScopedVariable mark("SKYRELLE_UPDATED", c.Mark);
    SetFileAttributesW(Widen(FProgram).c_str(),
                       c.ReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    const std::size_t before = FServer.Requests().size();
    EXPECT_EQ(RunProbe(), 0u);
    EXPECT_EQ(FServer.Requests().size() - before, c.Requests);
    EXPECT_EQ(ReadFile(FProgram), program);
  }
  SetFileAttributesW(Widen(FProgram).c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace skyrelle::update
