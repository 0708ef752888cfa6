#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <vector>

#include "support/TempFolder.h"

namespace skyrelle::platform {
namespace {

namespace fs = std::filesystem;
using test_support::TTempFolder;

std::string ReadWhole(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::perms Permissions(const std::string& Path) {
  return fs::status(Path).permissions() & fs::perms::all;
}

TEST(WriteFileWhole, ReplacesTheFileReadableByAllAndLeavesNothingElse) {
  TTempFolder folder;
  const std::string file = folder.Write("entry", "old and longer");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  WriteFileWhole(file, "new");
  EXPECT_EQ(ReadWhole(file), "new");
  EXPECT_EQ(Permissions(file), fs::perms::owner_read | fs::perms::owner_write |
                                   fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
}

TEST(WriteFileWhole, GivesTheAccessAskedFor) {
  using enum fs::perms;
  const struct {
    TFileAccess Access;
    fs::perms Expected;
  } cases[] = {
      {TFileAccess::ReadableByAll, owner_read | owner_write | group_read | others_read},
      {TFileAccess::ProgramForAll, owner_all | group_read | group_exec | others_read | others_exec},
      {TFileAccess::Private, owner_read | owner_write},
      {TFileAccess::PrivateProgram, owner_all},
  };
  TTempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Access));
    const std::string file = folder.Write("entry", "old");
    WriteFileWhole(file, "new", c.Access);
    EXPECT_EQ(ReadWhole(file), "new");
    EXPECT_EQ(Permissions(file), c.Expected);
  }
}

TEST(WriteFileWhole, ReplacesALinkInsteadOfWritingThroughIt) {
  TTempFolder folder;
  const std::string elsewhere = folder.Write("elsewhere", "untouched");
  const std::string link = folder / "link";
  fs::create_symlink(elsewhere, link);
  WriteFileWhole(link, "new");
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_EQ(ReadWhole(link), "new");
  EXPECT_EQ(ReadWhole(elsewhere), "untouched");
}

TEST(WriteFileWhole, AFailureNamesTheFileAndKeepsWhatWasThere) {
  TTempFolder folder;
  const std::string blocked = folder / "blocked";  // a folder in the way of the rename
  fs::create_directory(blocked);
  for (const std::string& file : {blocked, folder / "missing/file"}) {
    try {
      WriteFileWhole(file, "new");
      ADD_FAILURE() << "no error for " << file;
    } catch (const EFileError& error) {
      EXPECT_EQ(error.FileName(), file);
      EXPECT_NE(std::string(error.what()).find("Cannot write \"" + file + "\": "),
                std::string::npos)
          << error.what();
    }
  }
  EXPECT_TRUE(fs::is_directory(blocked));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
}

TEST(TWholeFileWriter, PutsThePiecesInPlaceOnlyWhenCommitted) {
  TTempFolder folder;
  const std::string file = folder.Write("entry", "old");
  {
    TWholeFileWriter writer(file);
    writer.Write("new ");
    writer.Write("content");
    EXPECT_EQ(ReadWhole(file), "old");
    writer.Commit();
  }
  EXPECT_EQ(ReadWhole(file), "new content");
  {
    TWholeFileWriter abandoned(file);
    abandoned.Write("lost");
  }
  EXPECT_EQ(ReadWhole(file), "new content");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
}

// Renaming over a device or a pipe would replace the node itself.
TEST(TWholeFileWriter, RefusesAnythingButARegularFileOrANewOne) {
  TTempFolder folder;
  const std::string blocked = folder / "blocked";
  fs::create_directory(blocked);
  const std::string pipe = folder / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  struct TCase {
    std::string FileName;
    int Code;
    bool NotRegular;
  };
  std::vector<TCase> cases = {
      {blocked, EISDIR, false}, {pipe, EINVAL, true}, {folder / "missing/file", ENOENT, false}};
  // A device of our own (root only): a fault must not cost the machine its /dev/null.
  const std::string device = folder / "null";
  const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
  if (haveDevice) cases.push_back({device, EINVAL, true});
  for (const TCase& c : cases) {
    try {
      TWholeFileWriter writer(c.FileName);
      ADD_FAILURE() << "no error for " << c.FileName;
    } catch (const EFileError& error) {
      EXPECT_EQ(error.Code(), c.Code) << c.FileName;
      EXPECT_EQ(error.NotRegularFile(), c.NotRegular) << c.FileName;
    }
  }
  EXPECT_THROW(CheckFileReplaceable(pipe), EFileError);
  EXPECT_NO_THROW(CheckFileReplaceable(folder / "new"));
  EXPECT_TRUE(fs::is_directory(blocked));
  EXPECT_TRUE(fs::is_fifo(pipe));
  if (haveDevice) {
    EXPECT_TRUE(fs::is_character_file(device));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), haveDevice ? 3 : 2);
}

TEST(TInputFile, ReadsInOrderAndAtAnyOffset) {
  TTempFolder folder;
  TInputFile file(folder.Write("data", "0123456789"));
  EXPECT_EQ(file.Size(), 10u);
  char bytes[4] = {};
  ASSERT_TRUE(file.ReadAt(6, bytes, 4));
  EXPECT_EQ(std::string(bytes, 4), "6789");
  EXPECT_FALSE(file.ReadAt(8, bytes, 4)) << "beyond the end";
  EXPECT_EQ(file.Read(bytes, 4), 4u);
  EXPECT_EQ(std::string(bytes, 4), "0123");
  char rest[16] = {};
  EXPECT_EQ(file.Read(rest, sizeof rest), 6u);
  EXPECT_EQ(file.Read(rest, sizeof rest), 0u);
}

// A pipe would make the opening wait for a writer that never comes.
TEST(TInputFile, RefusesAnythingButARegularFileWithoutWaiting) {
  TTempFolder folder;
  const std::string pipe = folder / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const struct {
    std::string FileName;
    int Code;
    bool NotRegular;
  } cases[] = {
      {pipe, EINVAL, true},
      {folder.Path(), EISDIR, true},
      {"/dev/zero", EINVAL, true},
      {folder / "missing", ENOENT, false},
      {std::string("/bin/sh\0x", 9), EINVAL, false},
  };
  for (const auto& c : cases) {
    auto opening = std::async(std::launch::async, [&] {
      try {
        TInputFile file(c.FileName);
        ADD_FAILURE() << "opened " << c.FileName;
      } catch (const EFileError& error) {
        EXPECT_EQ(error.Code(), c.Code) << c.FileName;
        EXPECT_EQ(error.NotRegularFile(), c.NotRegular) << c.FileName;
      }
    });
    if (opening.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
      ADD_FAILURE() << "opening " << c.FileName << " blocked";
      std::ofstream writer(pipe);  // lets the blocked opening return, so the test can end
    }
  }
  EXPECT_EQ(ReadFileHead(pipe, 10), std::nullopt);
}

TEST(ReadFileHead, ReadsNoFurtherThanAsked) {
  TTempFolder folder;
  const std::string file = folder.Write("text", "abcdef");
  EXPECT_EQ(ReadFileHead(file, 4), "abcd");
  EXPECT_EQ(ReadFileHead(file, 100), "abcdef");
  EXPECT_EQ(ReadFileHead(folder / "missing", 4), std::nullopt);
}

TEST(CreatePrivate, MakesFoldersAndFileForTheUserOnlyAndKeepsWhatExists) {
  TTempFolder folder;
  const std::string inner = folder / "a/b/c";
  CreatePrivateFolder(inner);
  for (const std::string& made : {folder / "a", folder / "a/b", inner})
    EXPECT_EQ(Permissions(made), fs::perms::owner_all) << made;
  CreatePrivateFolder(inner);

  const std::string file = inner + "/store";
  CreatePrivateFile(file);
  EXPECT_EQ(Permissions(file), fs::perms::owner_read | fs::perms::owner_write);
  std::ofstream(file) << "kept";
  CreatePrivateFile(file);
  EXPECT_EQ(ReadWhole(file), "kept");
}

TEST(CreatePrivate, AFailureNamesThePartThatCouldNotBeMade) {
  TTempFolder folder;
  const std::string file = folder.Write("file", "");
  try {
    CreatePrivateFolder(file + "/sub/inner");
    ADD_FAILURE() << "no error";
  } catch (const EFileError& error) {
    EXPECT_EQ(error.FileName(), file + "/sub");
    EXPECT_EQ(error.Code(), ENOTDIR);
  }
  EXPECT_THROW(CreatePrivateFile(folder / "missing/store"), EFileError);
}

}  // namespace
}  // namespace skyrelle::platform
