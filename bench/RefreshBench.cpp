// Refreshes N bids (default 500) from the practice site through the request
// queue, the worker thread and ApplyItemPage, then fetches the same pages
// with a plain sequential libcurl loop, and prints both rates, their ratio
// and the parse time per page.
//   refresh_bench [N]
#include "BenchSupport.h"
#include "PracticeSite.h"
#include "bids/BidList.h"
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

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;

  PracticeSiteOptions options;
  options.port = 0;
  options.liveAuctions = 0;
  options.otherBidders = false;
  PracticeSite site(options);
  if (!site.Start()) {
    std::fprintf(stderr, "cannot start the practice site\n");
    return 1;
  }

  // The shipped profile, pointed at this run's site.
  const auto folder = std::filesystem::temp_directory_path() / ("quorrel-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ifstream shipped(QUORREL_SHIPPED_SERVERS);
  std::string servers((std::istreambuf_iterator<char>(shipped)), std::istreambuf_iterator<char>());
  for (std::size_t at; (at = servers.find("127.0.0.1:8480")) != std::string::npos;) {
    servers.replace(at, 14, site.Host());
  }
  const std::string serversPath = (folder / "servers.xml").string();
  std::ofstream(serversPath) << servers;

  PrintingUserInterface ui;
  BidList list;
  if (!list.AccountRecord().SetAccount(ServerList(serversPath), "bench", "pw", "USA")) {
    std::fprintf(stderr, "cannot load the profile\n");
    return 1;
  }
  std::vector<std::string> paths;
  for (int i = 0; i < n; ++i) {
    Bid bid;
    bid.SetItem(site.AddAuction({}, 3600 + i));
    Bid& listed = *list.BidAt(list.AddBid(bid));
    paths.push_back(ItemPageReader::ItemPageAddress(listed).substr(site.Host().size()));
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
  int fresh = 0;
  for (const auto& request : done) {
    Bid* bid = list.FindBidById(static_cast<std::uint32_t>(request->tag));
    const auto start = Clock::now();
    fresh += bid != nullptr && reader.ApplyItemPage(*bid, *request);
    parseMicros.push_back(Seconds(Clock::now() - start) * 1e6);
  }
  const double queuedSeconds = Seconds(Clock::now() - queuedStart);

  // The same pages with a plain sequential libcurl loop, one connection a
  // page as the program makes them.
  const auto plainStart = Clock::now();
  const int plainOk = PlainSequentialFetch(site.Host(), paths);
  const double plainSeconds = Seconds(Clock::now() - plainStart);

  std::sort(parseMicros.begin(), parseMicros.end());
  std::printf("bids refreshed:            %d of %d (%zu pages back)\n", fresh, n, done.size());
  std::printf("queue+worker+apply:        %.1f pages/s (%.3f s)\n", done.size() / queuedSeconds, queuedSeconds);
  std::printf("plain sequential libcurl:  %.1f pages/s (%.3f s, %d ok)\n", plainOk / plainSeconds,
              plainSeconds, plainOk);
  std::printf("ratio (program / plain):   %.2f\n", (done.size() / queuedSeconds) / (plainOk / plainSeconds));
  std::printf("parse per page:            median %.1f us, p99 %.1f us\n", Percentile(parseMicros, 0.5), Percentile(parseMicros, 0.99));

  site.Stop();
  std::filesystem::remove_all(folder);
  return fresh == n ? 0 : 1;
}
