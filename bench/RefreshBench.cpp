// Refreshes N bids (default 500) from the practice site through the request
// queue, the worker thread and ApplyItemPage, then through the engine (its
// Refresh all: the reading pool, four reads at a time, and the engine's
// thread applying each page), then fetches the same pages with a plain
// sequential libcurl loop that keeps its connection, and prints the rates,
// their ratios and the parse time per page: over HTTP ("USA") and over
// HTTPS ("USA (secure)").
//   refresh_bench [N]
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

// One location's run: the program's road, then the plain loop; whether
// every bid was refreshed.
bool Refresh(const std::string& serversPath, const char* location,
             const std::vector<std::uint32_t>& items) {
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
  std::vector<double> parseMicros;
  int fresh = 0, newConnections = 0;
  for (const auto& request : done) {
    Bid* bid = list.FindBidById(static_cast<std::uint32_t>(request->tag));
    const auto start = Clock::now();
    fresh += bid != nullptr && reader.ApplyItemPage(*bid, *request);
    parseMicros.push_back(Seconds(Clock::now() - start) * 1e6);
    newConnections += request->timing.newConnection;
  }
  const double queuedSeconds = Seconds(Clock::now() - queuedStart);

  const double engineSeconds = EngineRefresh(client, ui, serversPath, location, items,
                                             serversPath.substr(0, serversPath.rfind('/') + 1) + "bids.xml");

  // The same pages with a plain sequential libcurl loop on one kept connection.
  const auto plainStart = Clock::now();
  const std::string origin = profile.URL.find("://") == std::string::npos ? "http://" + profile.URL : profile.URL;
  const int plainOk = PlainSequentialFetch(origin, paths, profile.ca_file);
  const double plainSeconds = Seconds(Clock::now() - plainStart);

  std::sort(parseMicros.begin(), parseMicros.end());
  std::printf("%s (%s)\n", location, profile.URL.c_str());
  std::printf("  bids refreshed:            %d of %zu (%zu pages back, %d new connections)\n", fresh,
              items.size(), done.size(), newConnections);
  std::printf("  queue+worker+apply:        %.1f pages/s (%.3f s)\n", done.size() / queuedSeconds, queuedSeconds);
  std::printf("  plain libcurl, kept conn.: %.1f pages/s (%.3f s, %d ok)\n", plainOk / plainSeconds,
              plainSeconds, plainOk);
  std::printf("  ratio (program / plain):   %.2f\n", (done.size() / queuedSeconds) / (plainOk / plainSeconds));
  if (engineSeconds > 0) {
    std::printf("  engine's Refresh all:      %.1f pages/s (%.3f s), ratio to plain %.2f\n",
                items.size() / engineSeconds, engineSeconds, (items.size() / engineSeconds) / (plainOk / plainSeconds));
  } else {
    std::printf("  engine's Refresh all:      not every bid fresh within a minute\n");
  }
  std::printf("  parse per page:            median %.1f us, p99 %.1f us\n", Percentile(parseMicros, 0.5),
              Percentile(parseMicros, 0.99));
  return fresh == static_cast<int>(items.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;

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
  for (const char* location : {"USA", "USA (secure)"}) all = Refresh(serversPath, location, items) && all;

  site.Stop();
  std::filesystem::remove_all(folder);
  return all ? 0 : 1;
}
