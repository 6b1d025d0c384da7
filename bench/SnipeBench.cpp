// Snipe timing: the real program against the practice site at emulated
// round trips (default 0, 50, 150 and 300 ms), on a site clock hours and odd
// seconds off the local one (default 3 h 17 s behind). Each run: an item
// whose page matches nothing stands first, so the error report is open from
// the start and nobody closes it; one bid's setup never answers; eight
// auctions end one a second with margins that put all eight commits in the
// same second; eight more end with margins from 3 to 30 s; eight early
// ones end first, so that reads of their results are in flight later, and
// once the start-up reads are in, the pages of all but the same-second
// auctions take 1.5 s to come.
// Prints, per round trip and per bid, how many seconds before its end each
// commit reached the site minus its margin (positive: early), then the
// spread and the share within a tenth of a second.
// Over HTTPS (the location "USA (secure)" on the site's TLS listener) it
// also prints how many commits went out on a new connection, that is,
// with a handshake between the bid's setup and its commit.
//   xvfb-run -a build/bench/snipe_bench [PROGRAM] [RTTS] [SITE_CLOCK_OFFSET] [https]
//   RTTS: comma-separated milliseconds, e.g. 0,50,150,300
#include "BenchSupport.h"
#include "PracticeSite.h"
#include "ProgramRun.h"
#include "bids/BidList.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

bool IsPageRead(const std::string& line) { return IsRequestFor(line, "/ws/ViewItem"); }

struct Auction {
  std::int64_t endSite;
  int margin;
  const char* group;
};

struct Figures {
  int rtt;
  std::vector<double> offsets;  // sorted
  int committed = 0, due = 0, within = 0, withReadInFlight = 0, commitsOnNewConnections = 0;
  bool stalledCommitted = false;
  int exitCode = 0;
};

Figures RunAt(const std::string& program, int rttMs, std::int64_t clockOffset, bool secure) {
  Figures figures;
  figures.rtt = rttMs;
  ProgramRun run(program, "snipe");
  PracticeSiteOptions options;
  options.port = 0;
  options.liveAuctions = 0;
  options.otherBidders = false;
  options.clockOffset = clockOffset;
  options.rttMs = rttMs;
  options.logPath = run.Folder() + "site.log";
  if (secure) {
    options.tlsPort = 0;
    options.tlsCertificate = QUORREL_PRACTICE_TLS "/site.pem";
    options.tlsKey = QUORREL_PRACTICE_TLS "/site.key";
  }
  PracticeSite site(options);
  if (!site.Start()) return figures;

  std::map<std::uint32_t, Auction> auctions;
  BidList list;
  const auto add = [&](std::int64_t secondsToEnd, int margin) {
    const std::uint32_t item = site.AddAuction({}, secondsToEnd, 1.0, "rival");
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(50.0f);
    bid.SetMargin(margin);
    list.AddBid(bid);
    return item;
  };
  const std::uint32_t broken = add(3600, 10);
  site.SetFault(broken, "nomatch");
  for (int i = 0; i < 8; ++i) {
    const std::uint32_t item = add(30 + 2 * i, 3 + i % 4);
    auctions[item] = {site.EndTime(item), 3 + i % 4, "early"};
  }
  // All eight commits due in the same second: ends one a second apart,
  // margins one more each.
  for (int i = 0; i < 8; ++i) {
    const std::uint32_t item = add(55 + i, 5 + i);
    auctions[item] = {site.EndTime(item), 5 + i, "same second"};
  }
  const std::uint32_t stalled = add(56, 6);
  site.SetFault(stalled, "stallsetup");
  for (int i = 0; i < 8; ++i) {
    const int margin = 3 + (i * 9) % 28;
    const std::uint32_t item = add(62 + 2 * i + margin, margin);
    auctions[item] = {site.EndTime(item), margin, "other margins"};
  }
  std::int64_t lastEnd = 0;
  for (const auto& entry : auctions) lastEnd = std::max(lastEnd, entry.second.endSite);
  if (!run.Prepare(site, list, secure ? "USA (secure)" : "USA") || !run.Start()) return figures;

  // The start-up reads first, at full speed; then the pages of the early
  // and the other-margins auctions are slow.
  WaitUntil([&] {
    const auto lines = ReadLines(options.logPath);
    return std::count_if(lines.begin(), lines.end(), IsPageRead) >= static_cast<long>(list.RowCount());
  }, 20000);
  for (const auto& entry : auctions) {
    if (std::string(entry.second.group) != "same second") site.SetFault(entry.first, "slow");
  }

  while (site.SiteNow() < lastEnd + 6) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  figures.exitCode = run.Stop();
  site.Stop();

  const auto log = ReadLines(options.logPath);
  std::vector<std::int64_t> readsDone;
  for (const std::string& line : log) {
    if (IsPageRead(line)) readsDone.push_back(NumberField(line, "local_ms"));
  }
  std::map<std::uint32_t, double> offsetOf;
  for (const std::string& line : log) {
    if (!IsRequestFor(line, "/ws/AcceptBid")) continue;
    const auto found = auctions.find(ItemOf(line));
    if (found == auctions.end()) {
      if (ItemOf(line) == stalled) figures.stalledCommitted = true;
      continue;
    }
    const std::int64_t localMs = NumberField(line, "local_ms");
    const double siteSeconds = (localMs + clockOffset * 1000.0) / 1000.0;
    const double offset = found->second.endSite - siteSeconds - found->second.margin;  // > 0: early
    offsetOf[found->first] = offset;
    figures.commitsOnNewConnections += line.find("\"new_connection\":true") != std::string::npos;
    figures.withReadInFlight += std::any_of(readsDone.begin(), readsDone.end(), [&](std::int64_t done) {
      return done >= localMs && done - PracticeSite::kSlowPageMs - 2 * rttMs <= localMs;
    });
  }
  std::printf("\nround trip %d ms: commit arrival minus margin, per bid (s, positive: early)\n", rttMs);
  for (const char* group : {"early", "same second", "other margins"}) {
    std::printf("  %-14s", group);
    for (const auto& [item, auction] : auctions) {
      if (std::string(auction.group) != group) continue;
      const auto offset = offsetOf.find(item);
      if (offset == offsetOf.end()) {
        std::printf("  missing");
      } else {
        std::printf(" %+.3f", offset->second);
      }
    }
    std::printf("\n");
  }
  figures.due = static_cast<int>(auctions.size());
  for (const auto& [item, offset] : offsetOf) {
    figures.offsets.push_back(offset);
    figures.within += std::fabs(offset) <= 0.1;
  }
  figures.committed = static_cast<int>(figures.offsets.size());
  std::sort(figures.offsets.begin(), figures.offsets.end());
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : "build/quorrel";
  std::vector<int> rtts;
  std::stringstream list(argc > 2 ? argv[2] : "0,50,150,300");
  for (std::string rtt; std::getline(list, rtt, ',');) rtts.push_back(std::atoi(rtt.c_str()));
  const std::int64_t offset = argc > 3 ? std::atoll(argv[3]) : -3 * 3600 - 17;
  const bool secure = argc > 4 && std::string(argv[4]) == "https";

  std::vector<Figures> all;
  for (const int rtt : rtts) all.push_back(RunAt(program, rtt, offset, secure));

  std::printf("\n%s; site clock %+lld s; an error report open from the start; one setup stalled\n",
              secure ? "HTTPS" : "HTTP", static_cast<long long>(offset));
  std::printf("| round trip | committed | within ±0.1 s | min | median | max | read in flight | commits on a new connection | stalled one committed | exit |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
  for (const Figures& f : all) {
    if (f.offsets.empty()) {
      std::printf("| %d ms | 0 of %d | | | | | | | | %d |\n", f.rtt, f.due, f.exitCode);
      continue;
    }
    std::printf("| %d ms | %d of %d | %d | %+.3f | %+.3f | %+.3f | %d | %d | %s | %d |\n", f.rtt, f.committed,
                f.due, f.within, f.offsets.front(), Percentile(f.offsets, 0.5), f.offsets.back(),
                f.withReadInFlight, f.commitsOnNewConnections, f.stalledCommitted ? "yes" : "no", f.exitCode);
  }
  return 0;
}
