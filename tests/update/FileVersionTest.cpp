#include "update/FileVersion.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "support/TempFolder.h"
#include "support/VersionRecord.h"
#include "update/OSError.h"

// Built into this test program by skyrelle_add_version_record, as into Skyrelle itself.
extern "C" const unsigned char skyrelle_version_record[32];

namespace skyrelle::update {
namespace {

constexpr std::size_t ChunkSize = 64 * 1024;  // the reader's chunk, to place records across it

std::string OwnRecord() {
  return std::string(reinterpret_cast<const char*>(skyrelle_version_record), 32);
}

// The program's record carrying other numbers.
std::string RecordFor(const TFileVersion& Version) {
  return test_support::VersionRecordFor(Version.Major, Version.Minor, Version.Release,
                                        Version.Build);
}

TEST(GetFileVersionText, ReadsTheProjectVersionFromThisProgram) {
  EXPECT_EQ(GetFileVersionText("/proc/self/exe"), SKYRELLE_TEST_VERSION_TEXT);
  EXPECT_EQ(FormatVersion(ReadFileVersion("/proc/self/exe")), SKYRELLE_TEST_VERSION_TEXT);
}

class FileVersionFile : public ::testing::Test {
 protected:
  test_support::TTempFolder FFolder;
};

TEST_F(FileVersionFile, FindsTheRecordWhereverItLies) {
  const std::string record = RecordFor({2, 1, 0, 15});
  const std::string marker = record.substr(0, 16);
  std::string broken = record;
  broken[31] ^= 1;
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"alone", record},
      {"after text", "MZ some program bytes" + record + "trailing"},
      {"across two chunks", std::string(ChunkSize - 10, '\x90') + record},
      {"right at the end of a chunk", std::string(ChunkSize - 32, '\0') + record + "x"},
      {"after a stray marker", marker + "junk" + record},
      {"after a damaged record", broken + record},
      {"stray marker across chunks", std::string(ChunkSize - 8, 'a') + marker + record},
      {"deep in a large file", std::string(5 * ChunkSize + 77, 'z') + record},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string name = FFolder.Write("program", c.Bytes);
    EXPECT_EQ(GetFileVersionText(name), "2.1.0.15");
    EXPECT_EQ(ReadFileVersion(name), (TFileVersion{2, 1, 0, 15}));
  }
}

TEST_F(FileVersionFile, FirstRecordCounts) {
  const std::string name =
      FFolder.Write("program", RecordFor({65535, 0, 0, 65535}) + RecordFor({1, 0, 0, 0}));
  EXPECT_EQ(GetFileVersionText(name), "65535.0.0.65535");
}

TEST_F(FileVersionFile, NoRecordGivesTheEmptyTextAndAnErrorWhenStrict) {
  std::string broken = RecordFor({1, 2, 3, 4});
  broken[20] ^= 0x40;
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"empty", ""},
      {"text", "no version here"},
      {"marker only", OwnRecord().substr(0, 16)},
      {"cut record", OwnRecord().substr(0, 31)},
      {"damaged record", broken},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string name = FFolder.Write("program", c.Bytes);
    EXPECT_EQ(GetFileVersionText(name), "");
    try {
      ReadFileVersion(name);
      ADD_FAILURE() << "no error raised";
    } catch (const EOSError& error) {
      EXPECT_EQ(error.ErrorCode(), ENODATA);
    }
  }
}

TEST_F(FileVersionFile, UnreadableFilesRaiseTheSystemsError) {
  ASSERT_EQ(mkfifo((FFolder.Path() + "/fifo").c_str(), 0600), 0);
  const struct {
    const char* Name;
    std::string FileName;
    int Code;
  } cases[] = {
      {"missing", FFolder.Path() + "/missing", ENOENT},
      {"folder", FFolder.Path(), EISDIR},
      {"FIFO, which must not block", FFolder.Path() + "/fifo", EINVAL},
      {"endless device", "/dev/zero", EINVAL},
      {"NUL in the name", std::string("/bin/sh\0x", 9), EINVAL},
      {"empty name", "", ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(GetFileVersionText(c.FileName), "");
    try {
      ReadFileVersion(c.FileName);
      ADD_FAILURE() << "no error raised";
    } catch (const EOSError& error) {
      EXPECT_EQ(error.ErrorCode(), c.Code);
    }
  }
}

TEST_F(FileVersionFile, StampingRewritesTheFirstWholeRecordOnly) {
  std::string broken = RecordFor({7, 7, 7, 7});
  broken[30] ^= 1;
  const std::string marker = OwnRecord().substr(0, 16);
  std::string program =
      "head" + marker + broken + RecordFor({1, 0, 0, 1}) + RecordFor({3, 3, 3, 3});
  const std::string before = program;

  ASSERT_TRUE(StampVersionRecord(program, {2, 65535, 0, 9}));

  EXPECT_EQ(GetFileVersionText(FFolder.Write("program", program)), "2.65535.0.9");
  const std::size_t record = 4 + 16 + 32;
  EXPECT_EQ(program.substr(0, record), before.substr(0, record));
  EXPECT_EQ(program.substr(record + 32), before.substr(record + 32));

  std::string none = "no record " + marker + broken;
  EXPECT_FALSE(StampVersionRecord(none, {2, 0, 0, 0}));
  EXPECT_EQ(none, "no record " + marker + broken);
}

TEST(EOSError, CarriesTheRuntimesTextWithTheSystemsDescription) {
  const EOSError error(ENOENT);
  EXPECT_EQ(std::string(error.what()),
            "Erreur système.  Code : 2\n" + std::system_category().message(ENOENT));
}

}  // namespace
}  // namespace skyrelle::update
