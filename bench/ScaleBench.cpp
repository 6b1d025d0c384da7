// Scale: the real program with N bids (default 500) on auctions ending in
// two hours or more. Prints the start-up time to the window shown, the
// refresh of all N at start (wall time from the program's Refresh all to
// the last page served, and its ratio to a plain sequential libcurl fetch of
// the same pages in the same run), the resident memory after the refresh,
// and the median and 99th-percentile time of one tick's pass over the list
// with the window shown, over SECONDS (default 60) of ticks.
//   xvfb-run -a build/bench/scale_bench [PROGRAM] [N] [SECONDS]
#include "BenchSupport.h"
#include "PracticeSite.h"
#include "ProgramRun.h"
#include "bids/BidList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

bool IsPageRead(const std::string& line) { return IsRequestFor(line, "/ws/ViewItem"); }

std::int64_t EventMs(const std::vector<std::string>& timing, const std::string& name) {
  for (const std::string& line : timing) {
    if (TextField(line, "event") == name) return NumberField(line, "local_ms");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : "build/quorrel";
  const int n = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
  const int seconds = argc > 3 ? std::max(5, std::atoi(argv[3])) : 60;
  ProgramRun run(program, "scale");

  PracticeSiteOptions options;
  options.port = 0;
  options.liveAuctions = 0;
  options.otherBidders = false;
  options.logPath = run.Folder() + "site.log";
  PracticeSite site(options);
  if (!site.Start()) return 1;
  BidList list;
  std::vector<std::string> paths;
  for (int i = 0; i < n; ++i) {
    Bid bid;
    bid.SetItem(site.AddAuction({}, 7200 + i, 1.0 + i % 50, "rival"));
    bid.SetMaxBid(100.0f);
    paths.push_back("/ws/ViewItem?ViewItem&item=" + std::to_string(bid.Item()));
    list.AddBid(bid);
  }
  if (!run.Prepare(site, list) || !run.Start()) return 1;

  const bool shown = WaitUntil([&] { return EventMs(run.TimingLines(), "shown") != 0; }, 60000);
  const auto countReads = [&] {
    const auto lines = ReadLines(options.logPath);
    return std::count_if(lines.begin(), lines.end(), IsPageRead);
  };
  const bool refreshed = WaitUntil([&] { return countReads() >= n; }, 300000);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the last pages applied and drawn
  const long residentKb = run.ResidentKilobytes();

  std::int64_t lastRead = 0;
  for (const std::string& line : ReadLines(options.logPath)) {
    if (IsPageRead(line)) lastRead = std::max(lastRead, NumberField(line, "local_ms"));
  }
  const auto timing = run.TimingLines();
  const std::int64_t shownMs = EventMs(timing, "shown");
  const std::int64_t refreshStart = EventMs(timing, "refresh_all");
  const double programSeconds = (lastRead - refreshStart) / 1000.0;

  const std::int64_t plainStart = WallMilliseconds();
  const int plainOk = PlainSequentialFetch("http://" + site.Host(), paths);
  const double plainSeconds = (WallMilliseconds() - plainStart) / 1000.0;

  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const long residentEndKb = run.ResidentKilobytes();
  std::vector<double> passes;
  for (const std::string& line : run.TimingLines()) {
    if (TextField(line, "event") == "tick") passes.push_back(NumberField(line, "pass_us") / 1000.0);
  }
  const int exitCode = run.Stop();
  site.Stop();
  std::sort(passes.begin(), passes.end());

  std::printf("bids:                        %d\n", n);
  std::printf("start-up to window shown:    %s\n",
              shown ? (std::to_string(shownMs - run.StartedMs()) + " ms").c_str() : "not shown in 60 s");
  if (refreshed) {
    std::printf("refresh of all at start:     %.3f s (%.0f pages/s)\n", programSeconds, n / programSeconds);
  } else {
    std::printf("refresh of all at start:     not all pages read in 5 minutes\n");
  }
  std::printf("plain sequential libcurl:    %.3f s (%d ok)\n", plainSeconds, plainOk);
  std::printf("ratio (program / plain):     %.2f of the plain loop's speed\n", plainSeconds / programSeconds);
  std::printf("resident memory:             %.1f MB after the refresh, %.1f MB %d s later\n",
              residentKb / 1024.0, residentEndKb / 1024.0, seconds);
  std::printf("one tick's pass (%zu ticks):  median %.3f ms, p99 %.3f ms, max %.3f ms\n", passes.size(),
              Percentile(passes, 0.5), Percentile(passes, 0.99), passes.empty() ? 0.0 : passes.back());
  std::printf("program exit:                %d\n", exitCode);
  return 0;
}
