#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/SystemError.h"
#include "support/TempFolder.h"
#include "update/FileVersion.h"
#include "update/OSError.h"

namespace skyrelle::update {
namespace {

using test_support::TTempFolder;

std::string ThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

TEST(FileVersion, TheVersionResourceReadsBackAsTheProjectVersion) {
  EXPECT_EQ(GetFileVersionText(ThisProgram()), SKYRELLE_TEST_VERSION_TEXT);
  EXPECT_EQ(FormatVersion(ReadFileVersion(ThisProgram())), SKYRELLE_TEST_VERSION_TEXT);
}

// Without a version the text is empty; the strict reading raises the system's error, with
// the runtime's text and the system's description of the code.
TEST(FileVersion, FilesWithoutAVersionGiveTheEmptyTextOrTheSystemsError) {
  TTempFolder folder;
  const struct {
    const char* Label;
    std::string FileName;
    int Code;
  } cases[] = {
      {"missing", folder / "missing.exe", ERROR_FILE_NOT_FOUND},
      {"no resource", folder.Write("plain.exe", "MZ not a program"), ERROR_RESOURCE_DATA_NOT_FOUND},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetFileVersionText(c.FileName), "") << c.Label;
    try {
      ReadFileVersion(c.FileName);
      ADD_FAILURE() << "no error for " << c.Label;
    } catch (const EOSError& error) {
      EXPECT_EQ(error.ErrorCode(), c.Code) << c.Label;
      EXPECT_EQ(std::string(error.what()), "Erreur système.  Code : " + std::to_string(c.Code) +
                                               "\n" + platform::SystemErrorMessage(c.Code))
          << c.Label;
    }
  }
}

}  // namespace
}  // namespace skyrelle::update
