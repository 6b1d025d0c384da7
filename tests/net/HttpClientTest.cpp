#include "net/HttpClient.h"

#include "net/SiteRequest.h"
#include "support/CollectingReceiver.h"
#include "support/RecordingUserInterface.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <utility>

namespace {

using namespace std::chrono_literals;

class HttpClientTest : public testing::Test {
 protected:
  void SetUp() override {
    server_.StampDates();
    auto& s = server_.server;
    s.Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.method + " " + req.version + "|" + req.get_header_value("User-Agent") +
                          "|" + req.get_header_value("Pragma") + "|" + req.get_header_value("Cookie") +
                          "|" + req.get_header_value("Accept-Encoding"),
                      "text/plain");
    });
    s.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.method + "|" + req.get_header_value("Content-Type") + "|" +
                          req.get_header_value("Content-Length") + "|" + req.body,
                      "text/plain");
    });
    s.Get("/raw.*", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.target, "text/plain");
    });
    s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("no such page", "text/html");
    });
    s.Get("/undated", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("a page", "text/html");
      res.set_header("Date", "");  // an empty Date is no Date
    });
    s.Get("/old", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/new");
      res.set_header("Date", "Mon, 01 Jan 2001 00:00:00 GMT");
    });
    s.Get("/new", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("moved here", "text/html");
      res.set_header("Date", "Tue, 02 Jan 2001 00:00:00 GMT");
    });
    s.Get("/big", [](const httplib::Request&, httplib::Response& res) {
      std::string page;
      for (int i = 0; page.size() < 200000; ++i) page += std::to_string(i) + ",";
      res.set_content(page, "text/plain");
    });
    s.Post("/login", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "session=abc123; Path=/");
      res.set_content("signed in", "text/html");
    });
    s.Get("/stall", [](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(3s);
      res.set_content("late", "text/plain");
    });
    ASSERT_TRUE(server_.Start());
  }

  RecordingUserInterface ui_;
  TestServer server_;
  HttpClient client_{ui_, HttpClient::Timeouts{std::chrono::seconds(5), std::chrono::seconds(1)}};
  std::string page_, date_;
};

TEST_F(HttpClientTest, GetIsHttp11WithAgentNoCacheAndEncodings) {
  ASSERT_TRUE(client_.HttpGet(server_.Host(), "/echo", page_, date_));
  EXPECT_EQ(page_, std::string("GET HTTP/1.1|") + HttpClient::kUserAgent + "|no-cache||gzip, deflate, br");
  EXPECT_EQ(date_, "Thu, 10 Dec 2026 12:00:00 GMT");
  EXPECT_TRUE(ui_.Boxes().empty());
}

// The path reaches the site as the profile and the values made it: a '#'
// or a space in it neither cuts nor breaks the request, "/../" stays, and
// only what a request line cannot carry is percent-encoded.
TEST_F(HttpClientTest, PathIsSentAsGiven) {
  const std::pair<std::string, std::string> cases[] = {
      {"/raw/item?name=a#b&x=1", "/raw/item?name=a%23b&x=1"},
      {"/raw/a b?q=c d", "/raw/a%20b?q=c%20d"},
      {"/raw/caf\xE9?q=\x01\x7F", "/raw/caf%E9?q=%01%7F"},
      {"/raw/a/../b?x=%41&y=[1]", "/raw/a/../b?x=%41&y=[1]"},
  };
  for (const auto& [path, target] : cases) {
    std::string page, date;
    ASSERT_TRUE(client_.HttpGet(server_.Host(), path, page, date)) << path;
    EXPECT_EQ(page, target);
  }
  EXPECT_TRUE(ui_.Boxes().empty());
}

// A form is sent as a form; an empty body goes without data or content type.
TEST_F(HttpClientTest, PostSendsFormsAsForms) {
  ASSERT_TRUE(client_.HttpPost(server_.Host(), "/echo", "item=5&max=1.00", page_, date_));
  EXPECT_EQ(page_, "POST|application/x-www-form-urlencoded|15|item=5&max=1.00");
  ASSERT_TRUE(client_.HttpPost(server_.Host(), "/echo", "", page_, date_));
  EXPECT_EQ(page_, "POST||0|");
}

TEST_F(HttpClientTest, ErrorStatusIsAPage) {
  ASSERT_TRUE(client_.HttpGet(server_.Host(), "/missing", page_, date_));
  EXPECT_EQ(page_, "no such page");
}

// Its own client: compressing the page on a loaded machine may take longer
// than the fixture's one-second silence before the first byte.
TEST_F(HttpClientTest, LargePageArrivesWhole) {
  HttpClient patient(ui_, HttpClient::Timeouts{std::chrono::seconds(5), std::chrono::seconds(10)});
  ASSERT_TRUE(patient.HttpGet(server_.Host(), "/big", page_, date_));
  std::string expected;
  for (int i = 0; expected.size() < 200000; ++i) expected += std::to_string(i) + ",";
  EXPECT_EQ(page_, expected);
}

TEST_F(HttpClientTest, RedirectIsFollowedAndTheLastDateCounts) {
  ASSERT_TRUE(client_.HttpGet(server_.Host(), "/old", page_, date_));
  EXPECT_EQ(page_, "moved here");
  EXPECT_EQ(date_, "Tue, 02 Jan 2001 00:00:00 GMT");
}

// A cookie the site sets on a sign-in POST goes with the worker's next GET.
TEST_F(HttpClientTest, CookiesAreSharedWithTheWorker) {
  ASSERT_TRUE(client_.HttpPost(server_.Host(), "/login", "user=joe", page_, date_));
  auto receiver = std::make_shared<CollectingReceiver>();
  auto request = std::make_unique<SiteRequest>();
  request->host = server_.Host();
  request->path = "/echo";
  request->receiver = receiver;
  client_.QueueRequest(std::move(request));
  auto done = receiver->WaitFor(1);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_TRUE(done[0]->succeeded);
  EXPECT_NE(done[0]->page.find("session=abc123"), std::string::npos) << done[0]->page;
}

// A page read that stalls on the worker does not hold up a bid's POST.
TEST_F(HttpClientTest, StalledReadDoesNotDelayAPost) {
  auto receiver = std::make_shared<CollectingReceiver>();
  auto request = std::make_unique<SiteRequest>();
  request->host = server_.Host();
  request->path = "/stall";
  request->receiver = receiver;
  client_.QueueRequest(std::move(request));
  std::this_thread::sleep_for(200ms);  // the worker is inside the stalled read now
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(client_.HttpPost(server_.Host(), "/echo", "bid=1", page_, date_));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

struct FailureCase {
  const char* label;
  std::string host;  // empty: the test server
  const char* path;
  std::string expected;  // after "<step> - URL: <host>.\nError: "
  const char* step;
};

class HttpFailures : public HttpClientTest, public testing::WithParamInterface<FailureCase> {};

// A failed exchange shows one box naming the step, the host and the error
// number, and gives false.
TEST_P(HttpFailures, ShowTheirBox) {
  const FailureCase& c = GetParam();
  const std::string host = c.host.empty() ? server_.Host() : c.host;
  EXPECT_FALSE(client_.HttpGet(host, c.path, page_, date_));
  EXPECT_EQ(ui_.Boxes(), std::vector<std::string>{std::string(c.step) + " - URL: " + host +
                                                  ".\nError: " + c.expected});
}

INSTANTIATE_TEST_SUITE_P(
    Failures, HttpFailures,
    testing::Values(
        FailureCase{"no_date", "", "/undated", "12150 ", "URL Get HttpQueryInfo (date)"},
        FailureCase{"unresolved", "nonexistent-host.invalid", "/", "12007 URL not resolved",
                    "URL Get HttpSendRequest"},
        FailureCase{"malformed", "bad host", "/", "12005 Invalid URL", "URL Get HttpSendRequest"},
        FailureCase{"refused", "127.0.0.1:1", "/", "12029 ", "URL Get HttpSendRequest"},
        FailureCase{"silence", "", "/stall", "12002 ", "URL Get HttpSendRequest"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.label; });

}  // namespace
