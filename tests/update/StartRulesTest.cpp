#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "UpdateTestSupport.h"
#include "support/LocalHttpServer.h"
#include "support/Process.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"
#include "update/MakerSite.h"

namespace skyrelle::update {
namespace {

namespace fs = std::filesystem;
using test_support::TScopedVariable;

constexpr uid_t Nobody = 65534;

struct TStartCase {
  const char* Name;
  bool AsNobody;
  int FolderMode;
  uid_t FileOwner;  // Nobody, or 0 for root
  int FileMode;
  const char* Mark;  // SKYRELLE_UPDATED, or nullptr
  std::size_t Requests;
};

void PrintTo(const TStartCase& ACase, std::ostream* AStream) { *AStream << ACase.Name; }

class StartRules : public ::testing::TestWithParam<TStartCase> {};

// The probe starts as Skyrelle does, from a copy in a program folder set up by the case.
TEST_P(StartRules, NoRequestIsSentWhereTheProgramMayNotOrNeedNotReplaceItself) {
  const TStartCase& c = GetParam();
  if (c.AsNobody && ::geteuid() != 0) GTEST_SKIP() << "needs root to run as another user";

  test_support::TTempFolder root;
  fs::permissions(root.Path(), fs::perms(0755));
  fs::create_directory(root / "tmp");
  fs::permissions(root / "tmp", fs::perms(01777));
  const std::string folder = root / "program";
  fs::create_directory(folder);
  const std::string program = folder + "/SkyrelleProbe";
  fs::copy_file(SKYRELLE_UPDATE_PROBE, program);
  const uid_t user = c.AsNobody ? Nobody : ::geteuid();
  ASSERT_EQ(::chown(folder.c_str(), user, user), 0);
  ASSERT_EQ(::chown(program.c_str(), c.FileOwner == 0 ? ::geteuid() : c.FileOwner,
                    c.FileOwner == 0 ? ::getegid() : c.FileOwner),
            0);
  fs::permissions(program, fs::perms(c.FileMode));
  fs::permissions(folder, fs::perms(c.FolderMode));

  test_support::TLocalHttpServer server;
  const std::string descriptor = PlatformFilesPath() + "SkyrelleProbe.INF";
  server.Serve(descriptor, {.Body = "[file1]\nnewversion=99.0\n"});
  const TScopedVariable site("SKYRELLE_SITE_URL", server.Url());
  const TScopedVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
  const TScopedVariable temporary("TMPDIR", root / "tmp");
  const TScopedVariable mark("SKYRELLE_UPDATED",
                             c.Mark != nullptr ? std::optional<std::string>(c.Mark) : std::nullopt);

  std::vector<std::string> command = {program};
  if (c.AsNobody)
    command.insert(command.begin(),
                   {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
  EXPECT_EQ(test_support::RunProgram(command).ExitCode, 0);
  EXPECT_EQ(server.Requests().size(), c.Requests);
  for (const auto& request : server.Requests()) EXPECT_EQ(request.Target, descriptor);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartRules,
    ::testing::Values(
        TStartCase{"own program in an own folder", true, 0755, Nobody, 0755, nullptr, 1},
        TStartCase{"read-only program folder", true, 0555, Nobody, 0755, nullptr, 0},
        TStartCase{"program file of another user", true, 0755, 0, 0777, nullptr, 0},
        TStartCase{"read-only program file", true, 0755, Nobody, 0555, nullptr, 0},
        TStartCase{"start made by the replacement script", false, 0755, 0, 0755, "1", 0},
        TStartCase{"other mark", false, 0755, 0, 0755, "yes", 1}));

}  // namespace
}  // namespace skyrelle::update
