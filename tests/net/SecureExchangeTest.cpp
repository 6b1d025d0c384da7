#include "net/HttpClient.h"

#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kTls = QUORREL_PRACTICE_TLS "/";

// A server on 127.0.0.1 with one of the practice certificates (or none:
// plain HTTP), counting the requests it read.
class Site {
 public:
  explicit Site(const std::string& certificate, bool keepAlive = true) {
    if (certificate.empty()) {
      server_ = std::make_unique<httplib::Server>();
    } else {
      server_ = std::make_unique<httplib::SSLServer>((kTls + certificate).c_str(), (kTls + "site.key").c_str());
    }
    server_->set_keep_alive_max_count(keepAlive ? 100 : 1);
    server_->set_pre_routing_handler([this](const httplib::Request&, httplib::Response& res) {
      ++requests;
      res.set_header("Date", "Thu, 10 Dec 2026 12:00:00 GMT");
      return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto echo = [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.method + "|" + req.body, "text/plain");
    };
    server_->Get("/echo", echo);
    server_->Post("/echo", echo);
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 5000 && !server_->is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~Site() {
    server_->stop();
    thread_.join();
  }
  std::string Url(const char* scheme = "https://") const { return scheme + std::string("127.0.0.1:") + std::to_string(port_); }

  std::atomic<int> requests{0};

 private:
  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
  std::thread thread_;
};

struct CertificateCase {
  const char* label;
  const char* certificate;  // "": the site speaks plain HTTP
  std::string caFile;
  std::string error;  // after "Error: "
};

class CertificateFaults : public testing::TestWithParam<CertificateCase> {};

// A certificate that fails any check fails the exchange with its own number
// and a text naming the host, before any request (and so any password)
// goes out.
TEST_P(CertificateFaults, FailBeforeAnyRequest) {
  const CertificateCase& c = GetParam();
  Site site(c.certificate);
  RecordingUserInterface ui;
  std::string page, date;
  {
    HttpClient client(ui, HttpClient::Timeouts{std::chrono::seconds(5), std::chrono::seconds(5)});
    ExchangeOptions options;
    options.caFile = c.caFile;
    EXPECT_FALSE(client.Exchange("POST", site.Url(), "/echo", "userid=joe&pass=secret", page, date, options));
  }
  // The secure channel's own account of its failure follows our text.
  const std::string expected = "URL Get HttpSendRequest - URL: " + site.Url() + ".\nError: " + c.error;
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].substr(0, expected.size()), expected);
  EXPECT_EQ(site.requests, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Practice, CertificateFaults,
    testing::Values(
        CertificateCase{"expired", "expired.pem", kTls + "ca.pem",
                        "12037 The certificate of 127.0.0.1 has expired or is not yet valid."},
        CertificateCase{"other_host", "otherhost.pem", kTls + "ca.pem",
                        "12038 The certificate of 127.0.0.1 is issued for another host name."},
        CertificateCase{"unknown_authority", "stranger.pem", kTls + "ca.pem",
                        "12045 The certificate of 127.0.0.1 is signed by an authority that is not trusted."},
        CertificateCase{"authority_not_named", "site.pem", "",
                        "12045 The certificate of 127.0.0.1 is signed by an authority that is not trusted."},
        CertificateCase{"authority_file_missing", "site.pem", kTls + "missing.pem",
                        "12045 The certificate authority file " + kTls + "missing.pem cannot be read."},
        CertificateCase{"plain_site", "", kTls + "ca.pem",
                        "12157 The secure connection to 127.0.0.1 could not be set up: "}),
    [](const testing::TestParamInfo<CertificateCase>& info) { return info.param.label; });

struct KeepCase {
  const char* label;
  const char* certificate;
  bool siteKeeps;
};

class ConnectionReuse : public testing::TestWithParam<KeepCase> {};

// Exchanges with one site reuse its connection where the site keeps it, and
// open one each time where it closes after every reply; the timing record
// tells which, and counts a TLS handshake only where one was made.
TEST_P(ConnectionReuse, WhereTheSiteKeepsIt) {
  const KeepCase& c = GetParam();
  const bool secure = *c.certificate != '\0';
  Site site(c.certificate, c.siteKeeps);
  RecordingUserInterface ui;
  HttpClient client(ui);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ExchangeTiming timing;
    ExchangeOptions options;
    options.caFile = kTls + "ca.pem";
    options.timing = &timing;
    std::string page, date;
    ASSERT_TRUE(client.Exchange(i == 1 ? "POST" : "GET", site.Url(secure ? "https://" : "http://"), "/echo",
                                i == 1 ? "item=1" : "", page, date, options));
    EXPECT_EQ(page, i == 1 ? "POST|item=1" : "GET|");
    const bool fresh = i == 0 || !c.siteKeeps;
    EXPECT_EQ(timing.newConnection, fresh);
    EXPECT_EQ(timing.keptAlive, c.siteKeeps);
    EXPECT_EQ(timing.handshake > 0, secure && fresh);
    EXPECT_GE(timing.firstByte, timing.sent);
  }
  EXPECT_TRUE(ui.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Sites, ConnectionReuse,
                         testing::Values(KeepCase{"https_kept", "site.pem", true},
                                         KeepCase{"https_closed", "site.pem", false},
                                         KeepCase{"http_kept", "", true},
                                         KeepCase{"http_closed", "", false}),
                         [](const testing::TestParamInfo<KeepCase>& info) { return info.param.label; });

}  // namespace
