// Snipe timing: the real program against the practice site. N auctions
// (default 40) end over a few minutes, several in the same second, with
// margins from 3 to 30 s, on a site clock hours and odd seconds off the
// local one (default 3 h 17 s behind). Once the start-up reads are in, every
// item page takes 1.5 s to come, so the reads of other bids (the results of
// those that ended) are in flight at the bid moments. Prints, on the site's
// clock, how many seconds before its end each bid commit arrived minus its
// margin (min, median, max), the share inside the design's window (2 s
// early to 1 s late), how many commits had a read in flight, and the time
// from the tick that placed a bid to its setup request at the site.
//   xvfb-run -a build/bench/snipe_bench [PROGRAM] [N] [SITE_CLOCK_OFFSET]
#include "BenchSupport.h"
#include "PracticeSite.h"
#include "ProgramRun.h"
#include "bids/BidList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

bool IsPageRead(const std::string& line) { return IsRequestFor(line, "/ws/ViewItem"); }

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : "build/quorrel";
  const int n = argc > 2 ? std::max(13, std::atoi(argv[2])) : 40;
  ProgramRun run(program, "snipe");

  PracticeSiteOptions options;
  options.port = 0;
  options.liveAuctions = 0;
  options.otherBidders = false;
  options.clockOffset = argc > 3 ? std::atoll(argv[3]) : -3 * 3600 - 17;
  options.logPath = run.Folder() + "site.log";
  PracticeSite site(options);
  if (!site.Start()) return 1;

  // The first twelve end early with small margins, so that reads of their
  // results are in flight when the others fall due; the rest end from 60 s
  // on, three in the same second every four seconds, margins 3 to 30 s.
  const int early = 12;
  struct Auction {
    std::int64_t endSite;
    int margin;
  };
  std::map<std::uint32_t, Auction> auctions;
  BidList list;
  int lastEnd = 0;
  for (int i = 0; i < n; ++i) {
    const int secondsToEnd = i < early ? 20 + 2 * i : 60 + ((i - early) / 3) * 4;
    const int margin = i < early ? 3 + i % 4 : 3 + (i * 7) % 28;
    lastEnd = std::max(lastEnd, secondsToEnd);
    const std::uint32_t item = site.AddAuction({}, secondsToEnd, 1.0, "rival");
    auctions[item] = {site.EndTime(item), margin};
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(50.0f);
    bid.SetMargin(margin);
    list.AddBid(bid);
  }
  if (!run.Prepare(site, list) || !run.Start()) return 1;

  // The start-up reads first, at full speed; then every page is slow.
  const std::int64_t started = WallMilliseconds();
  WaitUntil([&] {
    const auto lines = ReadLines(options.logPath);
    return std::count_if(lines.begin(), lines.end(), IsPageRead) >= n;
  }, 15000);
  for (const auto& entry : auctions) site.SetFault(entry.first, "slow");

  std::this_thread::sleep_for(std::chrono::milliseconds(started + (lastEnd + 8) * 1000 - WallMilliseconds()));
  const int exitCode = run.Stop();
  site.Stop();

  const auto log = ReadLines(options.logPath);
  std::vector<std::int64_t> readsDone;  // local ms at which a slow read ended
  std::map<std::uint32_t, std::int64_t> setupAt;
  for (const std::string& line : log) {
    if (IsPageRead(line) && NumberField(line, "local_ms") > started + 2000) {
      readsDone.push_back(NumberField(line, "local_ms"));
    }
    if (IsRequestFor(line, "/ws/MakeBid")) {
      setupAt.emplace(ItemOf(line), NumberField(line, "local_ms"));
    }
  }
  std::vector<double> offsets;
  int inWindow = 0;
  int withReadInFlight = 0;
  for (const std::string& line : log) {
    if (!IsRequestFor(line, "/ws/AcceptBid")) continue;
    const auto found = auctions.find(ItemOf(line));
    if (found == auctions.end()) continue;
    const std::int64_t localMs = NumberField(line, "local_ms");
    const double siteMs = localMs + options.clockOffset * 1000.0;
    const double offset = found->second.endSite - siteMs / 1000.0 - found->second.margin;  // > 0: early
    offsets.push_back(offset);
    if (offset <= 2.0 && offset >= -1.0) ++inWindow;
    withReadInFlight += std::any_of(readsDone.begin(), readsDone.end(), [&](std::int64_t done) {
      return done >= localMs && done - PracticeSite::kSlowPageMs <= localMs;
    });
  }
  std::vector<double> tickToSetup;
  int placedOutsideATick = 0;
  for (const std::string& line : run.TimingLines()) {
    if (TextField(line, "event") != "place") continue;
    const auto setup = setupAt.find(static_cast<std::uint32_t>(NumberField(line, "item")));
    if (NumberField(line, "tick_ms") == 0) {
      ++placedOutsideATick;
    } else if (setup != setupAt.end()) {
      tickToSetup.push_back(static_cast<double>(setup->second - NumberField(line, "tick_ms")));
    }
  }
  std::sort(offsets.begin(), offsets.end());
  std::sort(tickToSetup.begin(), tickToSetup.end());

  std::printf("auctions:                 %d (ends from 20 to %d s, margins 3-30 s, site clock %+lld s)\n", n,
              lastEnd, static_cast<long long>(options.clockOffset));
  std::printf("bids committed:           %zu\n", offsets.size());
  if (!offsets.empty()) {
    std::printf("arrival minus margin (s): min %+.3f, median %+.3f, max %+.3f (positive: early)\n",
                offsets.front(), Percentile(offsets, 0.5), offsets.back());
  }
  std::printf("inside the window:        %d of %d (%.0f%%)\n", inWindow, n, 100.0 * inWindow / n);
  std::printf("with a page read in flight at the commit: %d of %zu\n", withReadInFlight, offsets.size());
  if (!tickToSetup.empty()) {
    std::printf("tick to setup request:    min %.0f ms, median %.0f ms, max %.0f ms (%zu bids)\n",
                tickToSetup.front(), Percentile(tickToSetup, 0.5), tickToSetup.back(), tickToSetup.size());
  }
  std::printf("placed outside a tick:    %d (a page read inside the margin)\n", placedOutsideATick);
  std::printf("program exit:             %d\n", exitCode);
  return 0;
}
