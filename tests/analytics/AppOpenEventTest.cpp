#include "analytics/AppOpenEvent.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <chrono>
#include <cstdio>
#include <regex>
#include <thread>

#include "about/OSVersion.h"
#include "settings/Registry.h"
#include "support/LocalHttpServer.h"
#ifdef _WIN32
#include "IsolatedStore.h"
#include "support/ScopedVariable.h"
// After the store's header, whose names windows.h would take for its macros.
#include <windows.h>
#else
#include "settings/StoreFixture.h"
#endif

namespace skyrelle::analytics {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;
using test_support::THttpAnswer;
using test_support::TLocalHttpServer;
using test_support::TScopedVariable;

constexpr const char* Secret = "Qw7kTz4uGs9YbNc2VfH8jD";
constexpr const char* CollectTarget =
    "/mp/collect?measurement_id=G-K4W8QT2RZX&api_secret=Qw7kTz4uGs9YbNc2VfH8jD";

// --- The document ------------------------------------------------------------------------

TEST(AppOpenEventBodyTest, IsOneLineWithItsMembersInOrder) {
  EXPECT_EQ(
      AppOpenEventBody("{0B5C1A6E-2F44-4C1B-9A57-3D1E2F6A7B80}", "Skyrelle", "1.0.0.1",
                       "Debian GNU/Linux (Version 12, Build OS 6.1.0, Edition 64 bits)"),
      R"j({"client_id":"{0B5C1A6E-2F44-4C1B-9A57-3D1E2F6A7B80}","events":[{"name":"app_open",)j"
      R"j("params":{"app_name":"Skyrelle","app_version":"1.0.0.1","build_config":"Release",)j"
      R"j("os":"Debian GNU/Linux (Version 12, Build OS 6.1.0, Edition 64 bits)"}}]})j");
}

struct TBodyCase {
  const char* Name;
  const char* AppName;
  const char* Version;
  const char* Params;  // the params object as written
};

void PrintTo(const TBodyCase& Case, std::ostream* Out) { *Out << Case.Name; }

class AppOpenEventValuesTest : public testing::TestWithParam<TBodyCase> {};

TEST_P(AppOpenEventValuesTest, AreEscapedIntoAnAsciiBody) {
  const std::string body = AppOpenEventBody("id", GetParam().AppName, GetParam().Version, "OS");
  EXPECT_EQ(body, std::string(R"({"client_id":"id","events":[{"name":"app_open","params":)") +
                      GetParam().Params + "}]}");
  for (const char c : body) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "not ASCII";
}

INSTANTIATE_TEST_SUITE_P(
    Values, AppOpenEventValuesTest,
    testing::Values(
        TBodyCase{"EmptyVersion", "Skyrelle", "",
                  R"({"app_name":"Skyrelle","app_version":"","build_config":"Release","os":"OS"})"},
        TBodyCase{
            "NameAboveAscii", "Skyrell\xC3\xA9", "1.0.0.1",
            R"({"app_name":"Skyrell\u00E9","app_version":"1.0.0.1","build_config":"Release","os":"OS"})"},
        TBodyCase{
            "OutsideTheBasicPlane", "Sky\xF0\x9F\x8C\x85", "1",
            R"({"app_name":"Sky\uD83C\uDF05","app_version":"1","build_config":"Release","os":"OS"})"},
        TBodyCase{
            "QuotesBackslashSolidus", "\"A\\B/C\"", "1/2",
            R"({"app_name":"\"A\\B/C\"","app_version":"1/2","build_config":"Release","os":"OS"})"},
        TBodyCase{"DeleteAndControls", "A\x7F\tB\x01", "\r\n",
                  "{\"app_name\":\"A\x7F\\tB\\u0001\",\"app_version\":\"\\r\\n\","
                  "\"build_config\":\"Release\",\"os\":\"OS\"}"}),
    [](const testing::TestParamInfo<TBodyCase>& Case) { return Case.param.Name; });

TEST(AppOpenEventURLTest, IsTheCollectionEndpointUnlessATestOrLocalCollectorReplacesItsSite) {
  struct TCase {
    std::optional<std::string> Override;
    std::string Site;
  };
  const TCase cases[] = {
      {std::nullopt, "https://www.google-analytics.com"},
      {"http://127.0.0.1:8731", "http://127.0.0.1:8731"},
      {"HTTPS://collector.example:444/ignored/path?q=1", "HTTPS://collector.example:444"},
      {"http://[::1]:9000/", "http://[::1]:9000"},
      {"ftp://127.0.0.1", "https://www.google-analytics.com"},
      {"", "https://www.google-analytics.com"},
  };
  for (const TCase& c : cases) {
    const TScopedVariable url("SKYRELLE_ANALYTICS_URL", c.Override);
    EXPECT_EQ(AppOpenEventURL(Secret), c.Site + CollectTarget) << c.Override.value_or("unset");
  }
  const TScopedVariable url("SKYRELLE_ANALYTICS_URL", std::nullopt);
  EXPECT_EQ(
      AppOpenEventURL("a&b c"),
      "https://www.google-analytics.com/mp/collect?measurement_id=G-K4W8QT2RZX&api_secret=a&b c");
  EXPECT_EQ(GetBuildConfig(), "Release");
}

// --- The client identifier ---------------------------------------------------------------

// The user's store stands aside for one of the test's own.
#ifdef _WIN32
class TStoreFixture : public ::testing::Test {
  test_support::TIsolatedStore FIsolated;
};
#else
using TStoreFixture = test_support::StoreFixture;
#endif

class ClientIdTest : public TStoreFixture {
 protected:
  settings::TRegistry& Key() {
    EXPECT_TRUE(FStore.OpenKey("Software\\Halvorn\\Analytics", true));
    return FStore;
  }

  settings::TRegistry FStore;
};

TEST_F(ClientIdTest, FirstStartMakesAndStoresARandomGuidThatLaterStartsReuse) {
  const std::string id = GetClientId();
  EXPECT_TRUE(std::regex_match(
      id, std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})")))
      << id;
  EXPECT_EQ(Key().ReadString("ClientId"), id);
  EXPECT_EQ(GetClientId(), id);
  EXPECT_EQ(FStore.GetValueNames(), std::vector<std::string>{"ClientId"});
}

TEST_F(ClientIdTest, AnEmptyValueIsReplacedAndAnyOtherTextIsKept) {
  Key().WriteString("ClientId", "");
  const std::string made = GetClientId();
  EXPECT_EQ(made.size(), 38u);
  EXPECT_EQ(Key().ReadString("ClientId"), made);
  for (const std::string kept : {"{0b5c1a6e-2f44-4c1b-9a57-3d1e2f6a7b80}",
                                 "0B5C1A6E-2F44-4C1B-9A57-3D1E2F6A7B80", "not a guid at all"}) {
    Key().WriteString("ClientId", kept);
    EXPECT_EQ(GetClientId(), kept);
    EXPECT_EQ(Key().ReadString("ClientId"), kept);
  }
}

TEST_F(ClientIdTest, AValueThatIsNoTextRaisesAndStays) {
  Key().WriteInteger("ClientId", 7);
  EXPECT_THROW(GetClientId(), settings::ERegistryException);
  EXPECT_EQ(Key().ReadInteger("ClientId"), 7);
}

#ifndef _WIN32
TEST_F(ClientIdTest, AKeyThatCannotBeCreatedGivesNoIdentifier) {
  ASSERT_TRUE(FStore.OpenKey("Software\\Halvorn\\hvnSkyrelle", true));
  FStore.CloseKey();
  std::filesystem::permissions(StoreFile(), std::filesystem::perms::owner_read);
  EXPECT_EQ(RunInChild([] { return GetClientId().empty() ? 0 : 1; }), 0);
  EXPECT_FALSE(FStore.KeyExists("Software\\Halvorn\\Analytics"));
}
#endif

// --- Sending -----------------------------------------------------------------------------

bool WaitFor(const std::function<bool()>& ACondition, std::chrono::seconds ALimit) {
  const auto deadline = TClock::now() + ALimit;
  while (!ACondition()) {
    if (TClock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

bool HasHeader(const test_support::THttpRequest& ARequest, const std::string& ALine) {
  return std::find(ARequest.Headers.begin(), ARequest.Headers.end(), ALine) !=
         ARequest.Headers.end();
}

// A collector on 127.0.0.1 stands in for the endpoint; nothing may stay pending afterwards.
class SendTest : public ClientIdTest {
 protected:
  void TearDown() override {
    EXPECT_TRUE(WaitFor([] { return !AppOpenEventPending(); }, 20s));
    ClientIdTest::TearDown();
  }

  TLocalHttpServer FCollector;
  std::optional<TScopedVariable> FUrl{std::in_place, "SKYRELLE_ANALYTICS_URL", FCollector.Url()};
  TScopedVariable FDoNotTrack{"DO_NOT_TRACK", std::nullopt};
};

TEST_F(SendTest, PostsTheDocumentWithItsHeaderToTheCollectionPath) {
  FCollector.Serve("/mp/collect", THttpAnswer{.Status = 204});
  PostAppOpenEvent("Skyrelle", "1.0.0.1", Secret);
  const auto requests = FCollector.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Method, "POST");
  EXPECT_EQ(requests[0].Target, CollectTarget);
  EXPECT_TRUE(HasHeader(requests[0], "Content-Type: application/json"));
  EXPECT_EQ(requests[0].Body, AppOpenEventBody(Key().ReadString("ClientId"), "Skyrelle", "1.0.0.1",
                                               about::GetOSVersionText()));
}

TEST_F(SendTest, SendReturnsAtOnceAndEachStartSendsOneEventWithTheSameIdentifier) {
  FCollector.Serve("/mp/collect", THttpAnswer{.Status = 500});
  for (int start = 1; start <= 2; ++start) {
    std::string name = "Skyrelle";
    SendAppOpenEvent(name, "", Secret);
    name = "changed by the caller";
    ASSERT_TRUE(WaitFor([] { return !AppOpenEventPending(); }, 20s));
    ASSERT_EQ(FCollector.Requests().size(), static_cast<std::size_t>(start));
  }
  const auto requests = FCollector.Requests();
  EXPECT_EQ(requests[0].Body, requests[1].Body);
  EXPECT_NE(requests[0].Body.find(R"("app_name":"Skyrelle","app_version":"")"), std::string::npos);
  EXPECT_NE(requests[0].Body.find(Key().ReadString("ClientId")), std::string::npos);
}

TEST_F(SendTest, ASilentEndpointDelaysNothingAndIsAbandonedAfterAboutThreeSeconds) {
  FCollector.Serve("/mp/collect", THttpAnswer{.Mode = THttpAnswer::TMode::Silent});
  const auto start = TClock::now();
  SendAppOpenEvent("Skyrelle", "1.0.0.1", Secret);
  const auto returned = TClock::now() - start;
  ASSERT_TRUE(WaitFor([this] { return !FCollector.Requests().empty(); }, 20s));
  EXPECT_TRUE(AppOpenEventPending());
  ASSERT_TRUE(WaitFor([] { return !AppOpenEventPending(); }, 20s));
  const auto abandoned = TClock::now() - start;
  EXPECT_LT(returned, 500ms) << "the caller waited";
  EXPECT_GE(abandoned, 2900ms);
  EXPECT_LT(abandoned, 10s);
}

TEST_F(SendTest, ARefusedPortEndsQuietly) {
  int port = 0;
  {
    TLocalHttpServer gone;
    port = gone.Port();
  }
  FUrl.emplace("SKYRELLE_ANALYTICS_URL", "http://127.0.0.1:" + std::to_string(port));
  const auto start = TClock::now();
  PostAppOpenEvent("Skyrelle", "1.0.0.1", Secret);
  EXPECT_LT(TClock::now() - start, 3s);
}

TEST_F(SendTest, DoNotTrackSendsNothingAndMakesNoIdentifier) {
  FCollector.Serve("/mp/collect", THttpAnswer{.Status = 204});
  {
    const TScopedVariable optOut("DO_NOT_TRACK", "1");
    SendAppOpenEvent("Skyrelle", "1.0.0.1", Secret);
    EXPECT_FALSE(AppOpenEventPending());
    EXPECT_FALSE(FStore.KeyExists("Software\\Halvorn\\Analytics"));
  }
  for (const char* value : {"0", ""}) {
    const TScopedVariable other("DO_NOT_TRACK", value);
    SendAppOpenEvent("Skyrelle", "1.0.0.1", Secret);
    ASSERT_TRUE(WaitFor([] { return !AppOpenEventPending(); }, 20s));
  }
  EXPECT_EQ(FCollector.Requests().size(), 2u);
}

TEST_F(SendTest, AnIdentifierThatIsNoTextSendsNothing) {
  FCollector.Serve("/mp/collect", THttpAnswer{.Status = 204});
  Key().WriteInteger("ClientId", 7);
  SendAppOpenEvent("Skyrelle", "1.0.0.1", Secret);
  ASSERT_TRUE(WaitFor([] { return !AppOpenEventPending(); }, 20s));
  EXPECT_TRUE(FCollector.Requests().empty());
  EXPECT_EQ(Key().ReadInteger("ClientId"), 7);
}

#ifdef _WIN32
// Beside the test; the C runtime starts it through the command interpreter.
std::FILE* StartQuitProbe() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring probe(self);
  probe.resize(probe.find_last_of(L'\\') + 1);
  return ::_wpopen((L"\"\"" + probe + L"analytics_quit_probe.exe\"\"").c_str(), L"w");
}
int ExitCodeOf(int AStatus) { return AStatus; }
#else
std::FILE* StartQuitProbe() { return ::popen(("'" + std::string(QUIT_PROBE) + "'").c_str(), "w"); }
int ExitCodeOf(int AStatus) {
  return WIFEXITED(AStatus) ? WEXITSTATUS(AStatus) : 128 + WTERMSIG(AStatus);
}
#endif

TEST_F(SendTest, EndingWhileTheRequestHangsEndsAtOnceWithExitCodeZero) {
  FCollector.Serve("/mp/collect", THttpAnswer{.Mode = THttpAnswer::TMode::Silent});
  std::FILE* program = StartQuitProbe();
  ASSERT_NE(program, nullptr);
  const bool hanging = WaitFor([this] { return !FCollector.Requests().empty(); }, 20s);
  const auto start = TClock::now();
  std::fputs("quit\n", program);
  std::fflush(program);
#ifdef _WIN32
  const int status = ::_pclose(program);
#else
  const int status = ::pclose(program);
#endif
  const auto ended = TClock::now() - start;
  ASSERT_TRUE(hanging);
  EXPECT_EQ(ExitCodeOf(status), 0);
  EXPECT_LT(ended, 2s) << "the program waited for the request";
}

}  // namespace
}  // namespace skyrelle::analytics
