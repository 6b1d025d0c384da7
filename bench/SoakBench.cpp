// Soak: the real program with BIDS bids (default 300) whose auctions end
// over MINUTES (default 30), other bidders raising prices, the site clock
// 2 h 3 min 11 s ahead, and nobody at the screen, while faults are switched
// on and off at random on the items' pages (every kind the practice site
// knows). Reports whether every due bid was committed inside the design's
// window (2 s early to 1 s late; a bid whose setup reply carried no key at
// its moment cannot be), whether the program ran to the end, the resident
// memory at start and end, and whether bids.xml still holds every bid.
//   xvfb-run -a build/bench/soak_bench [PROGRAM] [MINUTES] [BIDS]   (bench/soak.sh)
#include "BenchSupport.h"
#include "PracticeSite.h"
#include "ProgramRun.h"
#include "bids/BidList.h"
#include "store/BidFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Auction {
  std::int64_t endLocalMs;  // the site's end, on the local clock
  int margin;
  std::vector<std::pair<std::int64_t, std::int64_t>> noKey;  // local ms the setup had no key
};

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : "build/quorrel";
  const int minutes = argc > 2 ? std::max(2, std::atoi(argv[2])) : 30;
  const int n = argc > 3 ? std::max(1, std::atoi(argv[3])) : 300;
  ProgramRun run(program, "soak");

  PracticeSiteOptions options;
  options.port = 0;
  options.liveAuctions = 0;
  options.otherBidders = true;
  options.clockOffset = 2 * 3600 + 3 * 60 + 11;
  options.logPath = run.Folder() + "site.log";
  PracticeSite site(options);
  if (!site.Start()) return 1;

  // Ends spread from 90 s to half a minute before the run stops.
  const int span = minutes * 60 - 120;
  std::map<std::uint32_t, Auction> auctions;
  std::vector<std::uint32_t> items;
  BidList list;
  for (int i = 0; i < n; ++i) {
    const int secondsToEnd = 90 + static_cast<int>(static_cast<long long>(span) * i / n);
    const int margin = 3 + (i * 7) % 28;
    const std::uint32_t item = site.AddAuction({}, secondsToEnd, 1.0, "rival");
    auctions[item] = {(site.EndTime(item) - options.clockOffset) * 1000, margin, {}};
    items.push_back(item);
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(500.0f);
    bid.SetMargin(margin);
    list.AddBid(bid);
  }
  if (!run.Prepare(site, list) || !run.Start()) return 1;
  std::this_thread::sleep_for(std::chrono::seconds(20));  // the start-up reads
  const long residentStartKb = run.ResidentKilobytes();

  // Every 3 s one more item misbehaves for 20 to 60 s.
  static const char* const kKinds[] = {"reset",   "stall",       "nodate", "error500",
                                       "nomatch", "maintenance", "nokey",  "slow"};
  std::mt19937 random(7);
  std::map<std::uint32_t, std::pair<std::string, std::int64_t>> active;  // item -> kind, until
  std::map<std::string, int> switched;
  const std::int64_t stopAt = run.StartedMs() + minutes * 60 * 1000LL;
  bool ranThrough = true;
  long residentMaxKb = residentStartKb;
  while (WallMilliseconds() < stopAt) {
    if (!run.Running()) {
      ranThrough = false;
      break;
    }
    residentMaxKb = std::max(residentMaxKb, run.ResidentKilobytes());
    const std::int64_t now = WallMilliseconds();
    for (auto it = active.begin(); it != active.end();) {
      if (it->second.second > now) {
        ++it;
        continue;
      }
      site.SetFault(it->first, "");
      if (it->second.first == "nokey") auctions[it->first].noKey.back().second = now;
      it = active.erase(it);
    }
    const std::uint32_t item = items[random() % items.size()];
    if (active.count(item) == 0) {
      const std::string kind = kKinds[random() % std::size(kKinds)];
      const std::int64_t until = now + 20000 + static_cast<std::int64_t>(random() % 40000);
      site.SetFault(item, kind);
      active[item] = {kind, until};
      if (kind == "nokey") auctions[item].noKey.push_back({now, until});
      ++switched[kind];
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
  }
  const long residentEndKb = run.ResidentKilobytes();
  const int exitCode = run.Stop();
  site.Stop();

  // Each due bid's commit, on the site's clock as the snipe benchmark counts.
  std::map<std::uint32_t, std::int64_t> commitAt;
  std::map<std::uint32_t, std::int64_t> setupAt;
  for (const std::string& line : ReadLines(options.logPath)) {
    if (IsRequestFor(line, "/ws/AcceptBid")) {
      commitAt.emplace(ItemOf(line), NumberField(line, "local_ms"));
    } else if (IsRequestFor(line, "/ws/MakeBid")) {
      setupAt.emplace(ItemOf(line), NumberField(line, "local_ms"));
    }
  }
  int due = 0, inWindow = 0, refusedByFault = 0;
  std::vector<std::string> misses;
  std::vector<double> lateness;
  for (const auto& [item, auction] : auctions) {
    if (auction.endLocalMs - auction.margin * 1000LL > stopAt - 5000) continue;  // not due before the stop
    const auto setup = setupAt.find(item);
    const bool noKeyAtSetup =
        setup != setupAt.end() && std::any_of(auction.noKey.begin(), auction.noKey.end(), [&](const auto& span) {
          return setup->second >= span.first - 1000 && setup->second <= span.second + 1000;
        });
    if (noKeyAtSetup && commitAt.count(item) == 0) {
      ++refusedByFault;
      continue;
    }
    ++due;
    const auto commit = commitAt.find(item);
    if (commit == commitAt.end()) {
      misses.push_back(std::to_string(item) + " never committed");
      continue;
    }
    const double early = (auction.endLocalMs - commit->second) / 1000.0 - auction.margin;
    lateness.push_back(early);
    if (early <= 2.0 && early >= -1.0) {
      ++inWindow;
    } else {
      misses.push_back(std::to_string(item) + " committed " + std::to_string(early) + " s early");
    }
  }
  BidList after;
  const bool bidFileRead = LoadBidFile(run.Folder() + "bids.xml", after);

  std::printf("soak:                    %d bids over %d minutes, site clock %+lld s\n", n, minutes,
              static_cast<long long>(options.clockOffset));
  std::printf("faults switched on:     ");
  for (const auto& [kind, count] : switched) std::printf(" %s %d", kind.c_str(), count);
  std::printf("\n");
  std::printf("due bids in the window:  %d of %d (%d more had no key at their moment)\n", inWindow, due,
              refusedByFault);
  std::sort(lateness.begin(), lateness.end());
  if (!lateness.empty()) {
    std::printf("arrival minus margin (s): min %+.3f, median %+.3f, max %+.3f (positive: early)\n",
                lateness.front(), Percentile(lateness, 0.5), lateness.back());
  }
  for (const std::string& miss : misses) std::printf("  missed: %s\n", miss.c_str());
  std::printf("program:                 %s, exit %d\n", ranThrough ? "ran to the end" : "ENDED EARLY",
              exitCode);
  std::printf("resident memory:         %.1f MB at start, %.1f MB at the end (most %.1f MB)\n",
              residentStartKb / 1024.0, residentEndKb / 1024.0, residentMaxKb / 1024.0);
  std::printf("bids.xml afterwards:     %s, %zu bids\n", bidFileRead ? "read" : "NOT READ", after.RowCount());
  return ranThrough && misses.empty() && exitCode == 0 ? 0 : 1;
}
