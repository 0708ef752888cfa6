#include "about/OSVersion.h"

#include <gtest/gtest.h>

#include <future>
#include <vector>

namespace skyrelle::about {
namespace {

TOSVersionValues Windows(std::uint32_t Major, std::uint32_t Minor, std::uint32_t Build,
                         TProductType Type = TProductType::Workstation,
                         TArchitecture Architecture = TArchitecture::X64) {
  TOSVersionValues values;
  values.Major = Major;
  values.Minor = Minor;
  values.Build = Build;
  values.ProductType = Type;
  values.Architecture = Architecture;
  return values;
}

TEST(FormatOSVersionText, BuildsEachOfTheThreeForms) {
  TOSVersionValues windows11 = Windows(10, 0, 22631);
  windows11.DisplayVersion = "23H2";
  windows11.UpdateBuildRevision = 2861;
  windows11.ServicePackMajor = 3;  // the display version wins over a service pack
  TOSVersionValues windows7 = Windows(6, 1, 7601);
  windows7.ServicePackMajor = 1;
  TOSVersionValues windows10 = Windows(10, 0, 19045, TProductType::Workstation, TArchitecture::X86);
  windows10.UpdateBuildRevision = 3803;  // not shown without a display version
  const TOSVersionValues server = Windows(10, 0, 19045, TProductType::Server);

  const struct {
    const char* Name;
    TOSVersionValues Values;
    const char* Expected;
  } cases[] = {
      {"display version", windows11,
       "Windows 11 (Version 23H2, Build OS 22631.2861, Edition 64 bits)"},
      {"service pack", windows7,
       "Windows 7 Service Pack 1 (Version 6.1, Build 7601, Edition 64 bits)"},
      {"neither", windows10, "Windows 10 (Version 10.0, Build 19045, Edition 32 bits)"},
      {"server between 2019 and 2022", server,
       "Windows Server 2019 (Version 10.0, Build 19045, Edition 64 bits)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(FormatOSVersionText(WindowsProductName(c.Values), c.Values), c.Expected);
  }
}

TEST(WindowsProductName, FollowsVersionProductTypeAndBuild) {
  constexpr auto w = TProductType::Workstation;
  constexpr auto s = TProductType::Server;
  const struct {
    std::uint32_t Major, Minor, Build;
    TProductType Type;
    TArchitecture Architecture;
    bool R2;
    const char* Expected;
  } cases[] = {
      {5, 0, 2195, w, TArchitecture::X86, false, "Windows 2000"},
      {5, 0, 2195, s, TArchitecture::X86, false, "Windows 2000"},
      {5, 1, 2600, w, TArchitecture::X86, false, "Windows XP"},
      {5, 1, 2600, s, TArchitecture::X86, false, "Windows XP"},
      {5, 2, 3790, w, TArchitecture::X64, false, "Windows XP"},
      {5, 2, 3790, w, TArchitecture::X86, false, "Windows Server 2003"},
      {5, 2, 3790, w, TArchitecture::Arm64, true, "Windows Server 2003 R2"},
      {5, 2, 3790, s, TArchitecture::X64, false, "Windows Server 2003"},
      {5, 2, 3790, s, TArchitecture::X64, true, "Windows Server 2003 R2"},
      {6, 0, 6002, w, TArchitecture::X64, false, "Windows Vista"},
      {6, 0, 6002, s, TArchitecture::X64, false, "Windows Server 2008"},
      {6, 1, 7601, w, TArchitecture::X64, false, "Windows 7"},
      {6, 1, 7601, s, TArchitecture::X64, false, "Windows Server 2008 R2"},
      {6, 2, 9200, w, TArchitecture::X64, false, "Windows 8"},
      {6, 2, 9200, s, TArchitecture::X64, false, "Windows Server 2012"},
      {6, 3, 9600, w, TArchitecture::X64, false, "Windows 8.1"},
      {6, 3, 9600, s, TArchitecture::X64, true, "Windows Server 2012 R2"},
      {10, 0, 21999, w, TArchitecture::X64, false, "Windows 10"},
      {10, 0, 22000, w, TArchitecture::X64, false, "Windows 11"},
      {10, 0, 17762, s, TArchitecture::X64, false, "Windows Server 2016"},
      {10, 0, 17763, s, TArchitecture::X64, false, "Windows Server 2019"},
      {10, 0, 20347, s, TArchitecture::X64, false, "Windows Server 2019"},
      {10, 0, 20348, s, TArchitecture::X64, false, "Windows Server 2022"},
      {10, 0, 26099, s, TArchitecture::X64, false, "Windows Server 2022"},
      {10, 0, 26100, s, TArchitecture::X64, false, "Windows Server 2025"},
      {4, 0, 1381, w, TArchitecture::X86, false, "Windows"},
      {6, 4, 9841, w, TArchitecture::X64, false, "Windows"},
      {10, 1, 0, s, TArchitecture::X64, false, "Windows"},
      {11, 0, 30000, w, TArchitecture::X64, false, "Windows"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.Major << "." << c.Minor << "." << c.Build << " "
                                      << (c.Type == w ? "workstation" : "server"));
    TOSVersionValues values = Windows(c.Major, c.Minor, c.Build, c.Type, c.Architecture);
    values.ServerR2 = c.R2;
    EXPECT_EQ(WindowsProductName(values), c.Expected);
  }
}

TEST(EditionText, SixtyFourBitProcessorsOnly) {
  EXPECT_EQ(EditionText(TArchitecture::X64), "Edition 64 bits");
  EXPECT_EQ(EditionText(TArchitecture::Arm64), "Edition 64 bits");
  EXPECT_EQ(EditionText(TArchitecture::Other64Bit), "Edition 64 bits");
  EXPECT_EQ(EditionText(TArchitecture::X86), "Edition 32 bits");
  EXPECT_EQ(EditionText(TArchitecture::Other32Bit), "Edition 32 bits");
}

TEST(DescribeLinux, UsesTheDistributionAndTheKernel) {
  const struct {
    const char* Name;
    const char* VersionId;
    const char* Kernel;
    const char* Machine;
    const char* Expected;
    std::uint32_t Release;
  } cases[] = {
      {"Debian GNU/Linux", "12", "6.1.0-18-amd64", "x86_64",
       "Debian GNU/Linux (Version 12, Build OS 6.1, Edition 64 bits)", 6},
      {"Ubuntu", "24.04", "6.8.0-45-generic", "aarch64",
       "Ubuntu (Version 24.04, Build OS 6.8, Edition 64 bits)", 6},
      {"Arch Linux", "", "6.8.2-arch2-1", "x86_64",
       "Arch Linux (Version 6.8, Build 2, Edition 64 bits)", 6},
      {"Debian GNU/Linux", "11", "5.10.0-28-686-pae", "i686",
       "Debian GNU/Linux (Version 11, Build OS 5.10, Edition 32 bits)", 6},
      {"Alpine Linux", "", "4.19", "armv7l",
       "Alpine Linux (Version 4.19, Build 0, Edition 32 bits)", 6},
      {"Fedora Linux", "40", "6.10.6-200.fc40.ppc64le", "ppc64le",
       "Fedora Linux (Version 40, Build OS 6.10, Edition 64 bits)", 6},
      {"Linux", "", "", "", "Linux (Version 0.0, Build 0, Edition 32 bits)", 6},
      {"Linux", "", "garbage", "s390x", "Linux (Version 0.0, Build 0, Edition 64 bits)", 6},
      {"Future", "", "12.99999999999.3", "riscv64",
       "Future (Version 12.4294967295, Build 3, Edition 64 bits)", 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Kernel);
    const TOSDescription description = DescribeLinux({c.Name, c.VersionId}, {c.Kernel, c.Machine});
    EXPECT_EQ(FormatOSVersionText(description.Name, description.Values), c.Expected);
    // An old kernel must not send the known-folder lookup down the CSIDL path.
    EXPECT_EQ(KnownFolderRelease(description.Values), c.Release);
  }
}

TEST(GetOSVersionText, IsOneStableLineWhicheverThreadAsksFirst) {
  std::vector<std::future<std::string>> answers;
  for (int i = 0; i < 8; ++i) answers.push_back(std::async(std::launch::async, GetOSVersionText));
  const std::string first = answers.front().get();
  for (std::size_t i = 1; i < answers.size(); ++i) EXPECT_EQ(answers[i].get(), first);
  EXPECT_EQ(GetOSVersionText(), first);
  EXPECT_EQ(first.find('\n'), std::string::npos);
  EXPECT_NE(first.find(" bits)"), std::string::npos);
  EXPECT_GE(GetOSMajorVersion(), FirstKnownFolderRelease);
}

}  // namespace
}  // namespace skyrelle::about
