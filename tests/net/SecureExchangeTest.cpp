#include "net/HttpClient.h"

#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
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
    const auto moved = [this](const httplib::Request&, httplib::Response& res) {
      std::lock_guard<std::mutex> guard(lock_);
      res.set_redirect(redirectTo_, redirectStatus_);
    };
    server_->Get("/moved", moved);
    server_->Post("/moved", moved);
    server_->Post("/stall", [this](const httplib::Request&, httplib::Response& res) {
      std::unique_lock<std::mutex> guard(lock_);
      released_.wait_for(guard, std::chrono::seconds(20), [this] { return stallsReleased_; });
      res.set_content("late", "text/plain");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 5000 && !server_->is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~Site() {
    ReleaseStalls();
    server_->stop();
    thread_.join();
  }
  std::string Url(const char* scheme = "https://") const { return scheme + std::string("127.0.0.1:") + std::to_string(port_); }

  // Requests to /moved are sent on to `location` with `status`.
  void Redirect(int status, const std::string& location) {
    std::lock_guard<std::mutex> guard(lock_);
    redirectStatus_ = status;
    redirectTo_ = location;
  }

  // Requests to /stall wait for this (or 20 s).
  void ReleaseStalls() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stallsReleased_ = true;
    }
    released_.notify_all();
  }

  std::atomic<int> requests{0};

 private:
  std::mutex lock_;
  std::condition_variable released_;
  bool stallsReleased_ = false;
  int redirectStatus_ = 302;
  std::string redirectTo_ = "/echo";
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

// A listener on 127.0.0.1 that takes connections and never says a word:
// a TLS handshake with it stalls.
class SilentListener {
 public:
  SilentListener() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(socket_, 8) == 0 &&
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~SilentListener() { ::close(socket_); }
  std::string Url() const { return "https://127.0.0.1:" + std::to_string(port_); }

 private:
  int socket_ = -1;
  int port_ = 0;
};

struct StallCase {
  const char* label;
  bool handshakeStalls;  // else the request is never answered
  bool secure;
};

class AbandonedExchange : public testing::TestWithParam<StallCase> {};

// The program's end abandons an exchange that waits on a site (a handshake
// never answered, a reply that never comes): it returns at once, quietly,
// long before any of its time-outs.
TEST_P(AbandonedExchange, ReturnsAtOnce) {
  const StallCase& c = GetParam();
  SilentListener silent;
  std::unique_ptr<Site> site;
  if (!c.handshakeStalls) site = std::make_unique<Site>(c.secure ? "site.pem" : "");
  const std::string url = c.handshakeStalls ? silent.Url() : site->Url(c.secure ? "https://" : "http://");
  RecordingUserInterface ui;
  HttpClient client(ui);
  std::atomic<bool> abandon{false};
  std::atomic<bool> returned{false};
  std::thread exchange([&] {
    ExchangeOptions options;
    options.caFile = kTls + "ca.pem";
    options.abandon = &abandon;
    std::string page, date;
    EXPECT_FALSE(client.Exchange("POST", url, "/stall", "item=1", page, date, options));
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(returned);
  abandon = true;
  const auto abandoned = std::chrono::steady_clock::now();
  for (int i = 0; i < 100 && !returned; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(returned) << "still waiting 5 s after it was abandoned";
  const auto took = std::chrono::steady_clock::now() - abandoned;
  if (site) site->ReleaseStalls();  // lets the exchange end either way
  exchange.join();
  EXPECT_LT(took, std::chrono::seconds(3));
  EXPECT_TRUE(ui.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Stalls, AbandonedExchange,
                         testing::Values(StallCase{"tls_handshake", true, true},
                                         StallCase{"https_reply", false, true},
                                         StallCase{"http_reply", false, false}),
                         [](const testing::TestParamInfo<StallCase>& info) { return info.param.label; });

struct RedirectCase {
  const char* label;
  const char* verb;
  int status;
  const char* from;  // certificate of the first site; "": plain HTTP
  const char* to;    // certificate of the site the redirect names, or null: the same site
  std::string page;  // what the exchange reads; empty: it fails with `error`
  std::string error;  // after "Error: ", with FROM and TO standing for the two origins
};

class Redirects : public testing::TestWithParam<RedirectCase> {};

// Redirects within a site are followed as they come. A form (which may hold
// a password) is never sent on to another site, and a secure exchange never
// goes on over plain HTTP: the exchange fails before anything reaches the
// other site.
TEST_P(Redirects, NeverLeakTheFormOrTheSecureChannel) {
  const RedirectCase& c = GetParam();
  const auto scheme = [](const char* certificate) { return *certificate != '\0' ? "https://" : "http://"; };
  Site first(c.from);
  std::unique_ptr<Site> other;
  std::string target = first.Url(scheme(c.from));
  if (c.to != nullptr) {
    other = std::make_unique<Site>(c.to);
    target = other->Url(scheme(c.to));
  }
  first.Redirect(c.status, target + "/echo");
  RecordingUserInterface ui;
  std::string page, date;
  bool done = false;
  {
    HttpClient client(ui, HttpClient::Timeouts{std::chrono::seconds(5), std::chrono::seconds(5)});
    ExchangeOptions options;
    options.caFile = kTls + "ca.pem";
    done = client.Exchange(c.verb, first.Url(scheme(c.from)), "/moved", "userid=joe&pass=secret", page, date,
                           options);
  }
  if (!c.page.empty()) {
    EXPECT_TRUE(done);
    EXPECT_EQ(page, c.page);
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_EQ((other ? *other : first).requests, other ? 1 : 2);
    return;
  }
  EXPECT_FALSE(done);
  std::string error = c.error;
  for (const auto& [name, origin] : {std::pair{"FROM", first.Url(scheme(c.from))}, std::pair{"TO", target}}) {
    error.replace(error.find(name), std::strlen(name), origin);
  }
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0], "URL Get HttpSendRequest - URL: " + first.Url(scheme(c.from)) + ".\nError: " + error);
  EXPECT_EQ(first.requests, 1);
  ASSERT_TRUE(other);
  EXPECT_EQ(other->requests, 0);
}

const std::string kFormElsewhere = "12156 The site at FROM sent the form on to TO; it was not sent there.";
const std::string kToPlain = "12156 The secure site at FROM sent the request on to TO, which is not secure; it was "
                             "not sent there.";

INSTANTIATE_TEST_SUITE_P(
    Sites, Redirects,
    testing::Values(
        RedirectCase{"post_307_same_site", "POST", 307, "", nullptr, "POST|userid=joe&pass=secret", ""},
        RedirectCase{"post_308_same_secure_site", "POST", 308, "site.pem", nullptr, "POST|userid=joe&pass=secret", ""},
        RedirectCase{"post_307_other_site", "POST", 307, "", "", "", kFormElsewhere},
        // The same host moving its form to its secure pages keeps it.
        RedirectCase{"post_307_to_the_hosts_secure_pages", "POST", 307, "", "site.pem", "POST|userid=joe&pass=secret",
                     ""},
        RedirectCase{"post_308_other_site", "POST", 308, "", "", "", kFormElsewhere},
        RedirectCase{"post_307_secure_to_other_secure", "POST", 307, "site.pem", "site.pem", "", kFormElsewhere},
        // A 303 (or 302) turns the form into a GET without it: that may go anywhere.
        RedirectCase{"post_303_other_site", "POST", 303, "", "", "GET|", ""},
        RedirectCase{"get_other_secure_site", "GET", 302, "site.pem", "site.pem", "GET|", ""},
        RedirectCase{"get_secure_to_plain", "GET", 302, "site.pem", "", "", kToPlain},
        RedirectCase{"post_303_secure_to_plain", "POST", 303, "site.pem", "", "", kToPlain}),
    [](const testing::TestParamInfo<RedirectCase>& info) { return info.param.label; });

}  // namespace
