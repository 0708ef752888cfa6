#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/TempFolder.h"

namespace skyrelle::platform {
namespace {

namespace fs = std::filesystem;
using test_support::TTempFolder;

std::string ReadWhole(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WriteFileWhole, ReplacesTheFileAndLeavesNothingElse) {
  TTempFolder folder;
  const std::string file = folder.Write("current.bmp", "old and longer");
  WriteFileWhole(file, "new");
  EXPECT_EQ(ReadWhole(file), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
}

TEST(WriteFileWhole, AFailureNamesTheFileAndKeepsWhatWasThere) {
  TTempFolder folder;
  const std::string blocked = folder / "blocked";  // a folder in the way of the replacement
  fs::create_directory(blocked);
  for (const std::string& file : {blocked, folder / "missing\\file"}) {
    try {
      WriteFileWhole(file, "new");
      ADD_FAILURE() << "no error for " << file;
    } catch (const EFileError& error) {
      EXPECT_EQ(error.FileName(), file);
      EXPECT_EQ(std::string(error.what()).rfind("Cannot write \"" + file + "\": ", 0), 0u)
          << error.what();
    }
  }
  EXPECT_TRUE(fs::is_directory(blocked));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
}

// A device in the target's place (NUL, whatever the folder) would be replaced by the rename.
TEST(WriteFileWhole, RefusesADeviceInTheTargetsPlace) {
  TTempFolder folder;
  try {
    WriteFileWhole(folder / "nul.bmp", "new");
    ADD_FAILURE() << "no error";
  } catch (const EFileError& error) {
    EXPECT_TRUE(error.NotRegularFile());
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 0);
}

// A read at an offset moves Windows' file position; the next ordinary read must not notice.
TEST(TInputFile, ReadsInOrderAndAtAnyOffset) {
  TTempFolder folder;
  TInputFile file(folder.Write("data", "0123456789"));
  EXPECT_EQ(file.Size(), 10u);
  char bytes[4] = {};
  EXPECT_EQ(file.Read(bytes, 2), 2u);
  ASSERT_TRUE(file.ReadAt(6, bytes, 4));
  EXPECT_EQ(std::string(bytes, 4), "6789");
  EXPECT_FALSE(file.ReadAt(8, bytes, 4)) << "beyond the end";
  EXPECT_EQ(file.Read(bytes, 4), 4u);
  EXPECT_EQ(std::string(bytes, 4), "2345");
}

// A device named like a file (NUL in any folder) or a folder is refused, not read.
TEST(TInputFile, RefusesAnythingButARegularFile) {
  TTempFolder folder;
  const struct {
    std::string FileName;
    int Code;
    bool NotRegular;
  } cases[] = {
      {folder / "nul.jpg", ERROR_INVALID_PARAMETER, true},
      {"\\\\.\\NUL", ERROR_INVALID_PARAMETER, true},
      {folder.Path(), ERROR_DIRECTORY, true},
      {folder / "missing.jpg", ERROR_FILE_NOT_FOUND, false},
  };
  for (const auto& c : cases) {
    try {
      TInputFile file(c.FileName);
      ADD_FAILURE() << "opened " << c.FileName;
    } catch (const EFileError& error) {
      EXPECT_EQ(error.Code(), c.Code) << c.FileName;
      EXPECT_EQ(error.NotRegularFile(), c.NotRegular) << c.FileName;
    }
  }
  EXPECT_EQ(ReadFileHead(folder.Path(), 10), std::nullopt);
}

TEST(CreatePrivate, MakesFoldersAndFileAndKeepsWhatExists) {
  TTempFolder folder;
  const std::string inner = folder / "a\\b\\c";
  CreatePrivateFolder(inner);
  EXPECT_TRUE(fs::is_directory(inner));
  CreatePrivateFolder(inner);
  const std::string file = inner + "\\store";
  CreatePrivateFile(file);
  std::ofstream(file) << "kept";
  CreatePrivateFile(file);
  EXPECT_EQ(ReadWhole(file), "kept");
  EXPECT_THROW(CreatePrivateFolder(folder.Write("file", "") + "\\sub"), EFileError);
}

}  // namespace
}  // namespace skyrelle::platform
