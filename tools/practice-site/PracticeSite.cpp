#include "PracticeSite.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <utility>

namespace {

constexpr std::int64_t kPacificOffset = -8 * 3600;  // the site shows PST all year
constexpr double kIncrement = 0.50;
// Each connection holds a pool thread for as long as it lives, sleeping
// ones included: enough for many bids with reads in flight at once.
constexpr std::size_t kPoolThreads = 128;

// A connection is served on one pool thread from its accept to its close,
// so the thread can tell its first request from the later ones.
thread_local bool tFreshConnection = false;
thread_local std::string tAcceptEncoding;  // of the request being handled
thread_local bool tNewConnection = false;  // the request being handled came on a new connection
// When the request being handled reached the site, emulated distance included.
thread_local std::chrono::system_clock::time_point tArrival{};

class ConnectionPool : public httplib::ThreadPool {
 public:
  // `accepted` runs first on each new connection, before any TLS handshake.
  ConnectionPool(std::size_t threads, std::function<void()> accepted)
      : ThreadPool(threads), accepted_(std::move(accepted)) {}
  void enqueue(std::function<void()> serveConnection) override {
    ThreadPool::enqueue([this, serve = std::move(serveConnection)] {
      tFreshConnection = true;
      accepted_();
      serve();
    });
  }

 private:
  std::function<void()> accepted_;
};

std::string Gzip(const std::string& text) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return {};
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return done ? out : std::string();
}

int PortOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  return -1;
}

const std::array<const char*, 12> kThings = {
    "Brass telescope", "Tin robot", "Pocket watch", "Vinyl record", "Oil lamp", "Chess set",
    "Fountain pen", "Radio receiver", "Teapot", "Model locomotive", "Camera", "Typewriter"};
const std::array<const char*, 8> kKinds = {"antique", "boxed", "1950s", "rare", "working",
                                           "restored", "signed", "mint"};

std::string Money(double amount) {
  char text[64];
  std::snprintf(text, sizeof text, "US $%.2f", amount);
  return text;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Format(std::int64_t time, const char* format) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm parts{};
  gmtime_r(&t, &parts);
  char text[64];
  std::strftime(text, sizeof text, format, &parts);
  return text;
}

std::string Page(const std::string& title, const std::string& body) {
  return "<html><head><title>" + Escaped(title) + "</title></head>\n<body>\n" + body +
         "</body></html>\n";
}

std::string Cookie(const httplib::Request& request, const std::string& name) {
  const std::string cookies = request.get_header_value("Cookie");
  const std::string key = name + "=";
  std::size_t at = 0;
  while ((at = cookies.find(key, at)) != std::string::npos) {
    if (at == 0 || cookies[at - 1] == ' ' || cookies[at - 1] == ';') {
      const std::size_t end = cookies.find(';', at);
      return cookies.substr(at + key.size(), end == std::string::npos ? end : end - at - key.size());
    }
    at += key.size();
  }
  return {};
}

}  // namespace

PracticeSite::PracticeSite(PracticeSiteOptions options)
    : options_(std::move(options)), server_(std::make_unique<httplib::Server>()),
      random_(options_.seed) {
  if (!options_.logPath.empty()) log_ = std::fopen(options_.logPath.c_str(), "a");
  Route(*server_, false);
  if (options_.tlsPort >= 0) {
    tlsServer_ = std::make_unique<httplib::SSLServer>(options_.tlsCertificate.c_str(),
                                                      options_.tlsKey.c_str());
    Route(*tlsServer_, true);
  }
  std::lock_guard<std::mutex> guard(lock_);
  for (int i = 0; i < options_.liveAuctions; ++i) {
    AddLocked({}, SiteNow() + 120 + static_cast<std::int64_t>(random_() % 3600), 1.0, {});
  }
}

PracticeSite::~PracticeSite() {
  Stop();
  if (log_ != nullptr) std::fclose(log_);
}

bool PracticeSite::Listen(httplib::Server& server, int wanted, int& port, std::thread& listener) {
  if (!server.is_valid()) return false;  // a TLS listener whose certificate or key did not load
  socket_t listening = -1;
  server.set_socket_options([&listening](socket_t socket) {
    httplib::default_socket_options(socket);
    listening = socket;
  });
  if (wanted == 0) {
    port = server.bind_to_any_port(options_.address);
    if (port <= 0) return false;
  } else {
    if (!server.bind_to_port(options_.address, wanted)) return false;
    port = wanted;
  }
  server.set_socket_options(httplib::default_socket_options);
  // The library listens with a backlog of 5: eight bids committed in the
  // same instant on new connections would have their SYNs dropped, and
  // sent again a second later. A real site's backlog is larger.
  if (listening >= 0) ::listen(listening, SOMAXCONN);
  listener = std::thread([&server] { server.listen_after_bind(); });
  // A stop before the loop runs would be lost, and the join would hang.
  for (int i = 0; i < 5000 && !server.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return server.is_running();
}

bool PracticeSite::Start() {
  if (!Listen(*server_, options_.port, port_, listener_)) return false;
  if (tlsServer_ && !Listen(*tlsServer_, options_.tlsPort, tlsPort_, tlsListener_)) return false;
  tender_ = std::thread([this] { Tend(); });
  return true;
}

void PracticeSite::Stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (stopping_) return;
    stopping_ = true;
  }
  stopSignal_.notify_all();
  server_->stop();
  if (tlsServer_) tlsServer_->stop();
  DropConnections();
  if (listener_.joinable()) listener_.join();
  if (tlsListener_.joinable()) tlsListener_.join();
  if (tender_.joinable()) tender_.join();
}

// Our connections are the sockets whose local end is a listening port.
// Shutting them down also ends cpp-httplib's wait for the next request on
// an idle connection, which its stop would otherwise wait out.
void PracticeSite::DropConnections() {
  DIR* folder = opendir("/proc/self/fd");
  if (folder == nullptr) return;
  while (const dirent* entry = readdir(folder)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == dirfd(folder)) continue;
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
        (PortOf(local) != port_ && (!tlsServer_ || PortOf(local) != tlsPort_)) ||
        getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) {
      continue;
    }
    shutdown(static_cast<int>(fd), SHUT_RDWR);
  }
  closedir(folder);
}

bool PracticeSite::Pause(std::chrono::milliseconds time) {
  std::unique_lock<std::mutex> guard(lock_);
  return !stopSignal_.wait_for(guard, time, [this] { return stopping_; });
}

// Never answers, until the site stops (at most two minutes).
void PracticeSite::StallUntilStop() { Pause(std::chrono::minutes(2)); }

std::int64_t PracticeSite::SiteNow() const {
  return static_cast<std::int64_t>(std::time(nullptr)) + options_.clockOffset;
}

std::string PracticeSite::HttpDate(std::int64_t siteTime) {
  return Format(siteTime, "%a, %d %b %Y %H:%M:%S GMT");
}

std::string PracticeSite::EndingTime(std::int64_t siteTime) {
  return Format(siteTime + kPacificOffset, "%b-%d-%y %H:%M:%S PST");
}

std::uint32_t PracticeSite::AddAuction(const std::string& title, std::int64_t secondsToEnd,
                                       double currentBid, const std::string& highBidder) {
  std::lock_guard<std::mutex> guard(lock_);
  return AddLocked(title, SiteNow() + secondsToEnd, currentBid, highBidder);
}

std::uint32_t PracticeSite::AddLocked(const std::string& title, std::int64_t endTime,
                                      double currentBid, const std::string& highBidder) {
  Auction auction;
  auction.item = nextItem_++;
  auction.title = title.empty() ? std::string(kKinds[random_() % kKinds.size()]) + " " +
                                      kThings[random_() % kThings.size()]
                                : title;
  auction.currentBid = currentBid;
  auction.highBidder = highBidder;
  auction.highMaximum = currentBid;
  auction.endTime = endTime;
  auctions_[auction.item] = auction;
  return auction.item;
}

void PracticeSite::SetMaintenance(bool on) {
  std::lock_guard<std::mutex> guard(lock_);
  maintenance_ = on;
}

void PracticeSite::FailBidSetup(std::uint32_t item) {
  std::lock_guard<std::mutex> guard(lock_);
  failingSetups_.insert(std::to_string(item));
}

bool PracticeSite::SetFault(std::uint32_t item, const std::string& kind) {
  static const std::set<std::string> kKinds = {
      "",        "reset",       "stall", "nodate", "error500",   "nomatch",
      "maintenance", "nokey", "slow",  "stallsetup", "stallcommit"};
  if (kKinds.count(kind) == 0) return false;
  std::lock_guard<std::mutex> guard(lock_);
  if (kind.empty()) {
    faults_.erase(item);
  } else {
    faults_[item] = kind;
  }
  return true;
}

std::int64_t PracticeSite::EndTime(std::uint32_t item) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = auctions_.find(item);
  return found == auctions_.end() ? 0 : found->second.endTime;
}

std::string PracticeSite::HighBidder(std::uint32_t item) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = auctions_.find(item);
  return found == auctions_.end() ? std::string() : found->second.highBidder;
}

void PracticeSite::Tend() {
  std::unique_lock<std::mutex> guard(lock_);
  while (!stopSignal_.wait_for(guard, std::chrono::seconds(1), [this] { return stopping_; })) {
    const std::int64_t now = SiteNow();
    int running = 0;
    for (auto it = auctions_.begin(); it != auctions_.end();) {
      Auction& auction = it->second;
      if (auction.endTime <= now) {
        // Ended auctions stay readable for an hour, for the final read.
        it = auction.endTime < now - 3600 ? auctions_.erase(it) : std::next(it);
        continue;
      }
      ++running;
      if (options_.otherBidders && auction.endTime - now > 60 && random_() % 40 == 0) {
        TakeBid(auction, "bidder" + std::to_string(random_() % 50),
            auction.currentBid + kIncrement * (1 + random_() % 6));
      }
      ++it;
    }
    for (; running < options_.liveAuctions; ++running) {
      AddLocked({}, now + 120 + static_cast<std::int64_t>(random_() % 3600), 1.0, {});
    }
  }
}

void PracticeSite::TakeBid(Auction& auction, const std::string& bidder, double maximum) {
  if (bidder == auction.highBidder) {
    auction.highMaximum = std::max(auction.highMaximum, maximum);
  } else if (auction.highBidder.empty() || maximum > auction.highMaximum) {
    if (!auction.highBidder.empty()) {
      auction.currentBid = std::min(maximum, auction.highMaximum + kIncrement);
    }
    auction.highBidder = bidder;
    auction.highMaximum = maximum;
  } else {
    auction.currentBid = std::min(auction.highMaximum, maximum + kIncrement);
  }
}

std::string PracticeSite::IndexPage(bool secure) {
  std::lock_guard<std::mutex> guard(lock_);
  const std::int64_t now = SiteNow();
  std::string body = "<h1>Practice auctions</h1>\n<p>Site time: " + HttpDate(now) +
                     "</p>\n<p>Drag a link onto Quorrel's list, or copy its item number.</p>\n"
                     "<table>\n";
  std::vector<const Auction*> running;
  for (const auto& [item, auction] : auctions_) {
    if (auction.endTime > now) running.push_back(&auction);
  }
  std::sort(running.begin(), running.end(),
            [](const Auction* a, const Auction* b) { return a->endTime < b->endTime; });
  for (const Auction* a : running) {
    body += "<tr><td><a href=\"" + std::string(secure ? "https://" + TlsHost() : "http://" + Host()) +
            "/ws/ViewItem?ViewItem&amp;item=" +
            std::to_string(a->item) + "\">" + Escaped(a->title) + "</a></td><td>" +
            std::to_string(a->item) + "</td><td>" + Money(a->currentBid) + "</td><td>ends in " +
            std::to_string(a->endTime - now) + " s</td></tr>\n";
  }
  return Page("Practice auctions", body + "</table>\n");
}

std::string PracticeSite::ItemPage(std::uint32_t item, bool uk) {
  std::lock_guard<std::mutex> guard(lock_);
  if (maintenance_) {
    return Page("Down for maintenance",
                "<p>The site is down for scheduled maintenance. Please come back later.</p>\n");
  }
  const auto found = auctions_.find(item);
  if (found == auctions_.end()) {
    return Page("eBay - Invalid Item", "<p>The item you asked for is not known.</p>\n");
  }
  const Auction& a = found->second;
  const std::int64_t left = a.endTime - SiteNow();
  std::string body = "<h1 class=\"title\">" + Escaped(a.title) + "</h1>\n" +
                     (uk ? "<p>Item no.: " : "<p>Item number: ") + std::to_string(a.item) + "</p>\n" +
                     "<p>Current bid: <b>" + Money(a.currentBid) + "</b></p>\n";
  if (!a.highBidder.empty()) body += "<p>High bidder: <b>" + Escaped(a.highBidder) + "</b></p>\n";
  body += "<p>Ends: <b>" + EndingTime(a.endTime) + "</b></p>\n" +
          (left > 0 ? "<p>Time left: " + std::to_string(left) + " s</p>\n"
                    : std::string("<p>This auction has ended.</p>\n"));
  return Page(a.title + " - Item " + std::to_string(a.item), body);
}

std::string PracticeSite::FaultOf(std::uint32_t item) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = faults_.find(item);
  return found == faults_.end() ? std::string() : found->second;
}

std::string PracticeSite::MakeBid(const httplib::Request& request) {
  const std::string item = request.get_param_value("item");
  const std::string user = request.get_param_value("userid");
  if (FaultOf(static_cast<std::uint32_t>(std::strtoul(item.c_str(), nullptr, 10))) == "nokey") {
    return Page("Review your bid", "<p>Please try again.</p>\n");
  }
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = auctions_.find(static_cast<std::uint32_t>(std::strtoul(item.c_str(), nullptr, 10)));
  if (found == auctions_.end()) return Page("eBay - Invalid Item", "<p>No such item.</p>\n");
  char key[32];
  std::snprintf(key, sizeof key, "K%08x", static_cast<unsigned>(random_()));
  keys_[item + "/" + user] = key;
  return Page("Review your bid",
              "<form method=\"post\" action=\"/ws/AcceptBid\">\n"
              "<input type=\"hidden\" name=\"key\" value=\"" + std::string(key) + "\">\n"
              "<p>Your maximum bid: " + Money(std::atof(request.get_param_value("maxbid").c_str())) +
              "</p>\n</form>\n");
}

std::string PracticeSite::AcceptBid(const httplib::Request& request) {
  const std::string item = request.get_param_value("item");
  const std::string user = request.get_param_value("userid");
  const double maximum = std::atof(request.get_param_value("maxbid").c_str());
  std::lock_guard<std::mutex> guard(lock_);
  const auto key = keys_.find(item + "/" + user);
  if (key == keys_.end() || key->second != request.get_param_value("key")) {
    return Page("Bid refused", "<p>Bid refused: the bid key is not valid.</p>\n");
  }
  keys_.erase(key);
  const auto found = auctions_.find(static_cast<std::uint32_t>(std::strtoul(item.c_str(), nullptr, 10)));
  if (found == auctions_.end()) return Page("eBay - Invalid Item", "<p>No such item.</p>\n");
  Auction& auction = found->second;
  if (auction.endTime <= SiteNow()) {
    return Page("Bid refused", "<p>Bid refused: the auction has ended.</p>\n");
  }
  if (maximum < auction.currentBid + (auction.highBidder.empty() ? 0.0 : kIncrement) &&
      user != auction.highBidder) {
    return Page("Bid refused", "<p>Bid refused: your bid is too low.</p>\n");
  }
  TakeBid(auction, user, maximum);
  return Page("Bid confirmed", "<p>Bid confirmed. High bidder: " + Escaped(auction.highBidder) +
                                   ", current bid " + Money(auction.currentBid) + ".</p>\n");
}

void PracticeSite::Route(httplib::Server& s, bool secure) {
  // Over an emulated network a TLS handshake takes a round trip (TLS 1.3),
  // which the client sees as the handshake's time.
  s.new_task_queue = [this, secure] {
    return new ConnectionPool(kPoolThreads, [this, secure] {
      ++connections_;
      if (secure && options_.rttMs > 0) Pause(std::chrono::milliseconds(options_.rttMs));
    });
  };
  s.set_tcp_nodelay(true);
  s.set_keep_alive_max_count(options_.keepAlive ? 1000 : 1);
  s.set_keep_alive_timeout(15);
  const auto html = [this](httplib::Response& response, const std::string& page) {
    Encode(page, response);
  };
  s.Get("/", [this, html, secure](const httplib::Request&, httplib::Response& res) {
    html(res, IndexPage(secure));
  });
  for (const bool uk : {false, true}) {
    s.Get(uk ? "/uk/ViewItem" : "/ws/ViewItem",
          [this, html, uk](const httplib::Request& req, httplib::Response& res) {
            const auto item = static_cast<std::uint32_t>(
                std::strtoul(req.get_param_value("item").c_str(), nullptr, 10));
            const std::string fault = FaultOf(item);
            if (fault == "stall") {
              StallUntilStop();
              return;
            }
            if (fault == "slow" && !Pause(std::chrono::milliseconds(kSlowPageMs))) return;
            if (fault == "reset") {
              const auto page = std::make_shared<std::string>(ItemPage(item, uk));
              res.set_content_provider(page->size() * 2, "text/html",
                                       [page](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                         if (offset > 0) return false;  // half way: the connection goes
                                         sink.write(page->data(), page->size() / 2);
                                         return true;
                                       });
              return;
            }
            if (fault == "error500") {
              res.status = 500;
              html(res, Page("500 Internal Server Error", "<p>Something went wrong.</p>\n"));
              return;
            }
            if (fault == "nomatch") {
              html(res, Page("Something new", "<p>Our pages have a new look!</p>\n"));
              return;
            }
            if (fault == "maintenance") {
              html(res, Page("Down", "<p>The site is down for scheduled maintenance.</p>\n"));
              return;
            }
            html(res, ItemPage(item, uk));
          });
  }
  const auto preSignIn = [html](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "presignin=1; Path=/");
    html(res, Page("Sign in", "<form method=\"post\" action=\"/ws/SignIn\">user id, password</form>\n"));
  };
  s.Get("/ws/SignIn", preSignIn);
  s.Post("/ws/SignIn", [this, html, preSignIn](const httplib::Request& req, httplib::Response& res) {
    const std::string user = req.get_param_value("userid");
    if (!req.has_param("userid")) {  // the pre-sign-in: no form yet
      preSignIn(req, res);
      return;
    }
    if (user.empty() || (options_.requirePreSignIn && Cookie(req, "presignin") != "1")) {
      html(res, Page("Sign in", "<p>Your sign-in did not work. Please try again.</p>\n"));
      return;
    }
    res.set_header("Set-Cookie", "session=" + std::to_string(std::hash<std::string>{}(user)) + "; Path=/");
    html(res, Page("Signed in", "<p>Welcome back, " + Escaped(user) + "!</p>\n"));
  });
  const auto stalls = [this](const httplib::Request& req, const char* kind) {
    return FaultOf(static_cast<std::uint32_t>(
               std::strtoul(req.get_param_value("item").c_str(), nullptr, 10))) == kind;
  };
  s.Post("/ws/MakeBid", [this, html, stalls](const httplib::Request& req, httplib::Response& res) {
    if (stalls(req, "stallsetup")) {
      StallUntilStop();
      return;
    }
    html(res, MakeBid(req));
  });
  s.Post("/ws/AcceptBid", [this, html, stalls](const httplib::Request& req, httplib::Response& res) {
    if (stalls(req, "stallcommit")) {
      StallUntilStop();
      return;
    }
    html(res, AcceptBid(req));
  });
  s.Get("/support", [html](const httplib::Request&, httplib::Response& res) {
    html(res, Page("Quorrel support", "<p>Quorrel's README tells how it works and where its files are.</p>\n"));
  });
  s.Get("/versionstable.txt", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(options_.stableVersion + "\n", "text/plain");
  });
  s.Get("/versionbeta.txt", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(options_.betaVersion + "\n", "text/plain");
  });
  s.Get("/control/add", [this](const httplib::Request& req, httplib::Response& res) {
    const std::uint32_t item = AddAuction(
        req.get_param_value("title"), std::atoll(req.get_param_value("ends_in").c_str()),
        req.has_param("bid") ? std::atof(req.get_param_value("bid").c_str()) : 1.0,
        req.get_param_value("bidder"));
    res.set_content(std::to_string(item) + "\n", "text/plain");
  });
  s.Get("/control/fail_setup", [this](const httplib::Request& req, httplib::Response& res) {
    FailBidSetup(static_cast<std::uint32_t>(std::strtoul(req.get_param_value("item").c_str(), nullptr, 10)));
    res.set_content("ok\n", "text/plain");
  });
  s.Get("/control/fault", [this](const httplib::Request& req, httplib::Response& res) {
    const bool known = SetFault(
        static_cast<std::uint32_t>(std::strtoul(req.get_param_value("item").c_str(), nullptr, 10)),
        req.get_param_value("kind"));
    res.status = known ? 200 : 400;
    res.set_content(known ? "ok\n" : "unknown fault\n", "text/plain");
  });
  s.Get("/control/maintenance", [this](const httplib::Request& req, httplib::Response& res) {
    SetMaintenance(req.get_param_value("on") == "1");
    res.set_content("ok\n", "text/plain");
  });
  EmulateDistance(s);
  // The site's clock at the request's arrival stamps every reply; the log
  // line is written before the reply goes out, so whoever got the reply
  // finds its line.
  s.set_post_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    // A request cpp-httplib refused before routing never passed the arrival.
    if (tArrival == std::chrono::system_clock::time_point{}) tArrival = std::chrono::system_clock::now();
    bool failing = false;
    if (req.path == "/ws/MakeBid") {
      std::lock_guard<std::mutex> guard(lock_);
      failing = failingSetups_.count(req.get_param_value("item")) > 0;
    } else if (req.path == "/ws/ViewItem" || req.path == "/uk/ViewItem") {
      failing = FaultOf(static_cast<std::uint32_t>(
                    std::strtoul(req.get_param_value("item").c_str(), nullptr, 10))) == "nodate";
    }
    if (!failing) res.set_header("Date", HttpDate(SiteTimeAt(tArrival)));
    Log(req, res);
    tArrival = {};
    if (options_.rttMs > 0) Pause(std::chrono::milliseconds(options_.rttMs / 2));
  });
}

// The request is held until it would have arrived over the emulated
// network; the handlers then run at that moment.
void PracticeSite::EmulateDistance(httplib::Server& server) {
  server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    tAcceptEncoding = req.get_header_value("Accept-Encoding");
    tNewConnection = std::exchange(tFreshConnection, false);
    if (options_.rttMs > 0) {
      Pause(std::chrono::milliseconds(tNewConnection ? options_.rttMs * 3 / 2 : options_.rttMs / 2));
    }
    tArrival = std::chrono::system_clock::now();
    return httplib::Server::HandlerResponse::Unhandled;
  });
}

// cpp-httplib compresses a page by the client's Accept-Encoding (brotli
// first) when the handler returns, but leaves a sized content provider
// alone: the other choices go that way.
void PracticeSite::Encode(const std::string& page, httplib::Response& response) {
  constexpr const char* kType = "text/html; charset=ISO-8859-1";
  if (options_.encoding.empty()) {
    response.set_content(page, kType);
    return;
  }
  auto body = std::make_shared<std::string>(page);
  if (options_.encoding == "gzip" && tAcceptEncoding.find("gzip") != std::string::npos) {
    if (std::string packed = Gzip(page); !packed.empty()) {
      *body = std::move(packed);
      response.set_header("Content-Encoding", "gzip");
    }
  }
  response.set_content_provider(body->size(), kType,
                                [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                  sink.write(body->data() + offset, length);
                                  return true;
                                });
}

std::int64_t PracticeSite::SiteTimeAt(std::chrono::system_clock::time_point local) const {
  return std::chrono::duration_cast<std::chrono::seconds>(local.time_since_epoch()).count() +
         options_.clockOffset;
}

void PracticeSite::Log(const httplib::Request& request, const httplib::Response& response) {
  if (log_ == nullptr) return;
  const long long localMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(tArrival.time_since_epoch()).count();
  std::string target = request.path;
  if (!request.params.empty() && request.method == "GET") {
    target = request.target;
  }
  const std::string line =
      "{\"site_time\":" + std::to_string(SiteTimeAt(tArrival)) + ",\"local_ms\":" + std::to_string(localMs) +
      ",\"method\":" + JsonString(request.method) + ",\"target\":" + JsonString(target) +
      ",\"body\":" + JsonString(request.body) +
      ",\"content_type\":" + JsonString(request.get_header_value("Content-Type")) +
      ",\"cookie\":" + JsonString(request.get_header_value("Cookie")) +
      ",\"status\":" + std::to_string(response.status) +
      ",\"secure\":" + (request.ssl != nullptr ? "true" : "false") +
      ",\"new_connection\":" + (tNewConnection ? "true" : "false") + "}\n";
  std::lock_guard<std::mutex> guard(lock_);
  std::fputs(line.c_str(), log_);
  std::fflush(log_);
}
