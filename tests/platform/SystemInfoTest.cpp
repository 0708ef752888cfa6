#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <string>

namespace skyrelle::platform {
namespace {

using namespace std::string_literals;

TEST(ParseOsRelease, ReadsNameAndVersionAsTheShellWould) {
  const struct {
    const char* Name;
    std::string Text;
    const char* ExpectedName;
    const char* ExpectedVersion;
  } cases[] = {
      {"Debian",
       "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
       "VERSION_ID=\"12\"\nID=debian\n",
       "Debian GNU/Linux", "12"},
      {"unquoted", "NAME=Fedora\nVERSION_ID=40\n", "Fedora", "40"},
      {"single quotes", "NAME='Open SUSE'\nVERSION_ID='15.5'", "Open SUSE", "15.5"},
      {"escapes in double quotes", R"(NAME="A \"B\" \$C \\ \`D\` \n")", "A \"B\" $C \\ `D` \\n",
       ""},
      {"escapes unquoted", R"(NAME=A\ B\"C)", "A B\"C", ""},
      {"backslash kept in single quotes", R"(NAME='A\B')", "A\\B", ""},
      {"joined quotes", R"(NAME="Arch"' Linux')", "Arch Linux", ""},
      {"unquoted blank ends the value", "NAME=Arch Linux\n", "Arch", ""},
      {"unterminated quote", "NAME=\"Arch Linux\n", "Arch Linux", ""},
      {"comments and blanks", "# NAME=Wrong\n\n  NAME=Right\n", "Right", ""},
      {"last assignment wins", "NAME=First\nNAME=Second\nVERSION_ID=1\nVERSION_ID=2\n", "Second",
       "2"},
      {"missing name", "VERSION_ID=3.19\n", "Linux", "3.19"},
      {"empty name", "NAME=\"\"\n", "Linux", ""},
      {"not a variable", "NAME X=Wrong\n1NAME=Wrong\nNAME=Right", "Right", ""},
      {"CR LF line ends", "NAME=\"Mint\"\r\nVERSION_ID=\"21.3\"\r\n", "Mint", "21.3"},
      {"control characters dropped", "NAME=\"Evil\x1b[31m\tName\"\n", "Evil[31mName", ""},
      {"NUL bytes dropped", "NAME=Ev\0il\n"s, "Evil", ""},
      {"invalid UTF-8 replaced", "NAME=\xFFOS\n", "\xEF\xBF\xBDOS", ""},
      {"empty", "", "Linux", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TOsRelease release = ParseOsRelease(c.Text);
    EXPECT_EQ(release.Name, c.ExpectedName);
    EXPECT_EQ(release.VersionId, c.ExpectedVersion);
  }
}

TEST(ReadKernelInfo, NamesTheRunningKernel) {
  const TKernelInfo kernel = ReadKernelInfo();
  EXPECT_FALSE(kernel.Release.empty());
  EXPECT_FALSE(kernel.Machine.empty());
}

}  // namespace
}  // namespace skyrelle::platform
