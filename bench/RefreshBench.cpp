// Refreshes N bids (default 500) from the practice site through the request
// queue, the worker thread and ApplyItemPage; then, in alternate rounds,
// through the engine (its Refresh all: the reading pool, four reads at a
// time, and the engine's thread applying each page) and with a plain
// sequential libcurl loop that keeps its connection. Each round starts
// cold on both sides (a new client, a new loop), so each pays the
// connections it opens. Prints the rates (medians over the rounds), the
// ratio of each round's pair, the connections each side opened per round
// (over HTTPS one handshake each) and the parse time per page: over HTTP
// ("USA") and over HTTPS ("USA (secure)").
//   refresh_bench [N] [ROUNDS]
#include "BenchSupport.h"
#include "PracticeSite.h"
#include "bids/BidList.h"
#include "engine/SnipeEngine.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/RequestReceiver.h"
#include "net/SiteRequest.h"
#include "net/SiteTimeParser.h"
#include "net/UserInterface.h"
#include "site/ErrorReport.h"
#include "site/ItemPageReader.h"
#include "site/ServerList.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class PrintingUserInterface : public UserInterface {
 public:
  void ShowErrorBox(const std::string& text) override { std::fprintf(stderr, "box: %s\n", text.c_str()); }
  void ShowErrorReport(const std::string& cause, const std::string&) override {
    std::fprintf(stderr, "report: %s\n", cause.c_str());
  }
};

class Collector : public RequestReceiver {
 public:
  void RequestDone(std::unique_ptr<SiteRequest> request) override {
    std::lock_guard<std::mutex> guard(lock_);
    done_.push_back(std::move(request));
    arrived_.notify_all();
  }
  std::vector<std::unique_ptr<SiteRequest>> WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> guard(lock_);
    arrived_.wait_for(guard, std::chrono::minutes(5), [&] { return done_.size() >= count; });
    return std::move(done_);
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<std::unique_ptr<SiteRequest>> done_;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class QuietObserver : public EngineObserver {
 public:
  void EngineChanged() override {}
};

// Refresh all through the engine; the seconds until every bid was fresh
// (negative when not all were within a minute).
double EngineRefresh(HttpClient& client, UserInterface& ui, const std::string& serversPath,
                     const char* location, const std::vector<std::uint32_t>& items,
                     const std::string& bidFile) {
  SiteTimeParser times;
  SystemClock clock;
  QuietObserver observer;
  SnipeEngine engine(client, ui, times, clock, bidFile, observer);
  engine.Call([&](BidList& list) {
    list.AccountRecord().SetAccount(ServerList(serversPath), "bench", "pw", location);
    for (const std::uint32_t item : items) {
      Bid bid;
      bid.SetItem(item);
      list.AddBid(bid);
    }
  });
  const auto start = Clock::now();
  engine.RefreshAll();
  const auto allFresh = [&] {
    const auto shown = engine.Snapshot();
    return std::all_of(shown->rows.begin(), shown->rows.end(), [](const Bid& bid) { return bid.dataFresh; });
  };
  while (!allFresh()) {
    if (Clock::now() - start > std::chrono::minutes(1)) return -1.0;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return Seconds(Clock::now() - start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return Percentile(values, 0.5);
}

// One location's run: the program's road, then the engine and the plain
// loop in turns; whether every bid was refreshed.
bool Refresh(PracticeSite& site, const std::string& serversPath, const char* location,
             const std::vector<std::uint32_t>& items, int rounds) {
  PrintingUserInterface ui;
  BidList list;
  if (!list.AccountRecord().SetAccount(ServerList(serversPath), "bench", "pw", location)) {
    std::fprintf(stderr, "cannot load the profile\n");
    return false;
  }
  const ServerProfile& profile = list.AccountRecord().Profile();
  std::vector<std::string> paths;
  for (const std::uint32_t item : items) {
    Bid bid;
    bid.SetItem(item);
    Bid& listed = *list.BidAt(list.AddBid(bid));
    const std::string address = ItemPageReader::ItemPageAddress(listed);
    paths.push_back(address.substr(address.find('/', address.find("://") + 3)));
  }

  std::vector<double> parseMicros;
  int fresh = 0, newConnections = 0;
  double queuedRate = 0;
  {
    HttpClient client(ui);
    SiteTimeParser times;
    SystemClock localClock;
    ErrorReport report(ui);
    ItemPageReader reader(client, times, localClock, ui, report);
    auto collector = std::make_shared<Collector>();

    // Through the program's own road: queue, worker, hand-over, ApplyItemPage.
    const auto queuedStart = Clock::now();
    for (std::size_t row = 0; row < list.RowCount(); ++row) reader.RequestItemPage(*list.BidAt(row), collector);
    std::vector<std::unique_ptr<SiteRequest>> done = collector->WaitFor(list.RowCount());
    for (const auto& request : done) {
      Bid* bid = list.FindBidById(static_cast<std::uint32_t>(request->tag));
      const auto start = Clock::now();
      fresh += bid != nullptr && reader.ApplyItemPage(*bid, *request);
      parseMicros.push_back(Seconds(Clock::now() - start) * 1e6);
      newConnections += request->timing.newConnection;
    }
    queuedRate = done.size() / Seconds(Clock::now() - queuedStart);
  }

  // The engine and the plain loop in turns, each first every other round,
  // so that a busy moment of the machine falls on both alike.
  const std::string origin = profile.URL.find("://") == std::string::npos ? "http://" + profile.URL : profile.URL;
  const std::string bidFile = serversPath.substr(0, serversPath.rfind('/') + 1) + "bids.xml";
  std::vector<double> engineRates, plainRates, ratios;
  std::string engineConnections, plainConnections;
  bool engineAll = true;
  for (int round = 0; round < rounds; ++round) {
    double engineRate = 0, plainRate = 0;
    for (int turn = 0; turn < 2; ++turn) {
      const int before = site.Connections();
      if ((turn == 0) == (round % 2 == 0)) {
        HttpClient client(ui);
        const double seconds = EngineRefresh(client, ui, serversPath, location, items, bidFile);
        engineAll = engineAll && seconds > 0;
        engineRate = seconds > 0 ? items.size() / seconds : 0;
        engineConnections += (engineConnections.empty() ? "" : " ") + std::to_string(site.Connections() - before);
      } else {
        const auto plainStart = Clock::now();
        const int plainOk = PlainSequentialFetch(origin, paths, profile.ca_file);
        plainRate = plainOk / Seconds(Clock::now() - plainStart);
        plainConnections += (plainConnections.empty() ? "" : " ") + std::to_string(site.Connections() - before);
      }
    }
    engineRates.push_back(engineRate);
    plainRates.push_back(plainRate);
    ratios.push_back(engineRate / plainRate);
  }
  std::sort(ratios.begin(), ratios.end());

  std::sort(parseMicros.begin(), parseMicros.end());
  std::printf("%s (%s)\n", location, profile.URL.c_str());
  std::printf("  bids refreshed:            %d of %zu (%d new connections)\n", fresh, items.size(),
              newConnections);
  std::printf("  queue+worker+apply:        %.1f pages/s, ratio to plain %.2f\n", queuedRate,
              queuedRate / Median(plainRates));
  std::printf("  engine's Refresh all:      %.1f pages/s (median of %d)%s\n", Median(engineRates), rounds,
              engineAll ? "" : ", not every bid fresh within a minute in some round");
  std::printf("  plain libcurl, kept conn.: %.1f pages/s (median of %d)\n", Median(plainRates), rounds);
  std::printf("  ratio (engine / plain):    median %.2f, rounds %.2f to %.2f\n", Median(ratios), ratios.front(),
              ratios.back());
  std::printf("  connections per round:     engine %s; plain %s\n", engineConnections.c_str(),
              plainConnections.c_str());
  std::printf("  parse per page:            median %.1f us, p99 %.1f us\n", Percentile(parseMicros, 0.5),
              Percentile(parseMicros, 0.99));
  return fresh == static_cast<int>(items.size()) && engineAll;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  PracticeSiteOptions options;
  options.port = 0;
  options.tlsPort = 0;
  options.tlsCertificate = QUORREL_PRACTICE_TLS "/site.pem";
  options.tlsKey = QUORREL_PRACTICE_TLS "/site.key";
  options.liveAuctions = 0;
  options.otherBidders = false;
  // Pages gzip-compressed at speed, as busy sites send them: the site's
  // brotli at its best quality would take more time than the exchange.
  options.encoding = "gzip";
  PracticeSite site(options);
  if (!site.Start()) {
    std::fprintf(stderr, "cannot start the practice site\n");
    return 1;
  }

  // The shipped profiles, pointed at this run's site.
  const auto folder = std::filesystem::temp_directory_path() / ("quorrel-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ifstream shipped(QUORREL_SHIPPED_SERVERS);
  std::string servers((std::istreambuf_iterator<char>(shipped)), std::istreambuf_iterator<char>());
  const std::pair<std::string, std::string> moves[] = {{"127.0.0.1:8480", site.Host()},
                                                       {"127.0.0.1:8443", site.TlsHost()},
                                                       {"practice-tls/ca.pem", QUORREL_PRACTICE_TLS "/ca.pem"}};
  for (const auto& [from, to] : moves) {
    for (std::size_t at = 0; (at = servers.find(from, at)) != std::string::npos; at += to.size()) {
      servers.replace(at, from.size(), to);
    }
  }
  const std::string serversPath = (folder / "servers.xml").string();
  std::ofstream(serversPath) << servers;

  std::vector<std::uint32_t> items;
  for (int i = 0; i < n; ++i) items.push_back(site.AddAuction({}, 3600 + i));
  bool all = true;
  for (const char* location : {"USA", "USA (secure)"}) all = Refresh(site, serversPath, location, items, rounds) && all;

  site.Stop();
  std::filesystem::remove_all(folder);
  return all ? 0 : 1;
}
