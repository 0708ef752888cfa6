#include "update/HttpTransfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/LocalHttpServer.h"
#include "support/TempFolder.h"

namespace skyrelle::update {
namespace {

using test_support::THttpAnswer;
using namespace std::chrono_literals;

std::string ReadAll(const std::string& APath) {
  std::ifstream file(APath, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

// Only the target's own name may be left in the folder: no partial file beside it.
std::vector<std::string> FolderNames(const test_support::TTempFolder& AFolder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(AFolder.Path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const TTransferLimits QuickLimits{.Connect = 2000ms, .Total = 10000ms, .Response = 1000ms};

struct TFetchCase {
  const char* Name;
  THttpAnswer Answer;
  bool Stored;
};

void PrintTo(const TFetchCase& ACase, std::ostream* AStream) { *AStream << ACase.Name; }

class FetchToFileTest : public ::testing::TestWithParam<TFetchCase> {};

TEST_P(FetchToFileTest, StoresOnlyAWholeSuccessfulAnswerAndKeepsAnEarlierFileOtherwise) {
  test_support::TLocalHttpServer server;
  server.Serve("/file", GetParam().Answer);
  test_support::TTempFolder folder;
  const std::string target = folder.Write("file", std::string("earlier"));

  const bool stored = FetchToFile(server.Url() + "/file?x=1", target, QuickLimits);

  EXPECT_EQ(stored, GetParam().Stored);
  EXPECT_EQ(ReadAll(target), stored ? GetParam().Answer.Body : "earlier");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"file"});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FetchToFileTest,
    ::testing::Values(
        TFetchCase{"Whole", {.Body = "new content"}, true},
        TFetchCase{"EmptyBody", {.Body = ""}, true},
        TFetchCase{"NotFound", {.Status = 404, .Body = "<html>missing</html>"}, false},
        TFetchCase{"ServerError", {.Status = 500, .Body = "oops"}, false},
        TFetchCase{"CutShort",
                   {.Body = std::string(100000, 'x'), .Mode = THttpAnswer::TMode::CutShort},
                   false},
        TFetchCase{"NeverAnswers", {.Body = "late", .Mode = THttpAnswer::TMode::Silent}, false},
        TFetchCase{"RedirectOffTheWeb",
                   {.Status = 302, .Body = "", .Headers = {"Location: file:///etc/passwd"}},
                   false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(FetchToFile, FollowsARedirectOnTheSameServer) {
  test_support::TLocalHttpServer server;
  server.Serve("/old", {.Status = 302, .Headers = {"Location: /new"}});
  server.Serve("/new", {.Body = "moved here"});
  test_support::TTempFolder folder;

  ASSERT_TRUE(FetchToFile(server.Url() + "/old", folder / "file", QuickLimits));
  EXPECT_EQ(ReadAll(folder / "file"), "moved here");
}

// The site's answer of now, never a copy that an earlier fetch left in a cache, however long
// the site said it would stay fresh.
TEST(FetchToFile, TakesTheSitesAnswerOfNowEveryTime) {
  test_support::TLocalHttpServer server;
  test_support::TTempFolder folder;
  for (const char* body : {"first", "second"}) {
    server.Serve("/Skyrelle.INF", {.Body = body, .Headers = {"Cache-Control: max-age=3600"}});
    ASSERT_TRUE(FetchToFile(server.Url() + "/Skyrelle.INF", folder / "file", QuickLimits));
    EXPECT_EQ(ReadAll(folder / "file"), body);
  }
}

TEST(FetchToFile, FailsWithoutAServerOrAWritableFolder) {
  test_support::TTempFolder folder;
  int refusedPort = 0;
  {
    test_support::TLocalHttpServer gone;
    refusedPort = gone.Port();
  }
  EXPECT_FALSE(FetchToFile("http://127.0.0.1:" + std::to_string(refusedPort) + "/f",
                           folder / "file", QuickLimits));

  test_support::TLocalHttpServer server;
  server.Serve("/f", {.Body = "data"});
  EXPECT_FALSE(FetchToFile(server.Url() + "/f", folder / "missing/file", QuickLimits));
  EXPECT_FALSE(FetchToFile("ftp://127.0.0.1/f", folder / "file", QuickLimits));
  EXPECT_TRUE(FolderNames(folder).empty());
}

TEST(FetchToFile, ABodyPastItsLimitIsDropped) {
  test_support::TLocalHttpServer server;
  server.Serve("/big", {.Body = std::string(300000, 'b')});
  test_support::TTempFolder folder;
  TTransferLimits limits = QuickLimits;

  limits.MaxBytes = 299999;
  EXPECT_FALSE(FetchToFile(server.Url() + "/big", folder / "file", limits));
  EXPECT_TRUE(FolderNames(folder).empty());
  limits.MaxBytes = 300000;
  EXPECT_TRUE(FetchToFile(server.Url() + "/big", folder / "file", limits));
}

TEST(FetchToFile, AnAnswerThatNeverComesIsAbandonedAfterTheResponseLimit) {
  test_support::TLocalHttpServer server;
  server.Serve("/slow", {.Mode = THttpAnswer::TMode::Silent});
  test_support::TTempFolder folder;

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(FetchToFile(server.Url() + "/slow", folder / "file",
                           {.Connect = 2000ms, .Response = 1000ms}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
}

TEST(PostBytes, SendsTheBodyAndTheExtraHeader) {
  test_support::TLocalHttpServer server;
  server.Serve("/collect", {.Status = 204});

  EXPECT_TRUE(PostBytes(server.Url() + "/collect?id=1", R"({"a":1})",
                        {"Content-Type: application/json"}, QuickLimits));

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Method, "POST");
  EXPECT_EQ(requests[0].Target, "/collect?id=1");
  EXPECT_EQ(requests[0].Body, R"({"a":1})");
  EXPECT_NE(std::find(requests[0].Headers.begin(), requests[0].Headers.end(),
                      "Content-Type: application/json"),
            requests[0].Headers.end());
}

TEST(PostBytes, ReportsARefusal) {
  test_support::TLocalHttpServer server;
  EXPECT_FALSE(PostBytes(server.Url() + "/elsewhere", "x", {}, QuickLimits));
}

}  // namespace
}  // namespace skyrelle::update
