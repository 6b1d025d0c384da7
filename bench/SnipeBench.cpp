// Snipe timing: the real program against the practice site. N auctions
// (default 40) end over a few minutes, several in the same second, with
// margins from 3 to 30 s, on a site clock hours and odd seconds off the
// local one, with the start-up reads of every bid in flight. Prints, on the site's
// clock, how many seconds before its end each bid commit arrived minus its
// margin (min, median, max) and the share inside the design's window (2 s
// early to 1 s late).
//   xvfb-run -a build/bench/snipe_bench [PROGRAM] [N]
#include "PracticeSite.h"
#include "bids/BidList.h"
#include "bids/ListLayout.h"
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "store/BidFile.h"
#include "store/ProgramSettings.h"
#include "store/XmlDocument.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

long long Field(const std::string& line, const std::string& name) {
  const std::size_t at = line.find("\"" + name + "\":");
  return at == std::string::npos ? 0 : std::atoll(line.c_str() + at + name.size() + 3);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : "build/quorrel";
  const int n = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;
  const auto folder = std::filesystem::temp_directory_path() / ("quorrel-snipe-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string dir = folder.string() + "/";

  PracticeSiteOptions options;
  options.port = 0;
  options.liveAuctions = 0;
  options.otherBidders = false;
  options.clockOffset = -3 * 3600 - 17;
  options.logPath = dir + "site.log";
  PracticeSite site(options);
  if (!site.Start()) return 1;

  std::filesystem::copy_file(program, dir + "quorrel");
  std::string servers = Read(QUORREL_SHIPPED_SERVERS);
  for (std::size_t at; (at = servers.find("127.0.0.1:8480")) != std::string::npos;) {
    servers.replace(at, 14, site.Host());
  }
  std::ofstream(dir + "servers.xml") << servers;
  Account account;
  account.SetAccount(ServerList(dir + "servers.xml"), "sniper", "pw", "USA");
  account.SetVerified(true);
  SaveAccountFile(dir + "account.cfg", account);
  ProgramSettings settings;
  settings.checkUpdates = false;
  settings.loadAutomatically = false;
  XmlDocument document;
  document.AddElement("quorrel");
  WriteSettings(document, settings);
  WriteListLayout(document, ListLayout());
  document.Save(dir + "quorrel.xml");

  // Ends from 60 s on, three in each second; margins 3 to 30 s.
  struct Auction {
    std::int64_t endSite;
    int margin;
  };
  std::map<std::uint32_t, Auction> auctions;
  BidList list;
  for (int i = 0; i < n; ++i) {
    const int secondsToEnd = 60 + (i / 3) * 4;
    const int margin = 3 + (i * 7) % 28;
    const std::uint32_t item = site.AddAuction({}, secondsToEnd, 1.0, "rival");
    auctions[item] = {site.SiteNow() + secondsToEnd, margin};
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(50.0f);
    bid.SetMargin(margin);
    list.AddBid(bid);
  }
  SaveBidFile(dir + "bids.xml", list);
  const int lastEnd = 60 + ((n - 1) / 3) * 4;

  const pid_t pid = fork();
  if (pid == 0) {
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + ".config").c_str(), 1);
    execl((dir + "quorrel").c_str(), "quorrel", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::seconds(lastEnd + 8));
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  site.Stop();

  // The site clock of a commit, to the millisecond, from its local time.
  const std::string log = Read(dir + "site.log");
  std::vector<double> offsets;
  int inWindow = 0;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    start = end + 1;
    if (line.find("\"target\":\"/ws/AcceptBid") == std::string::npos) continue;
    const std::size_t itemAt = line.find("item=");
    const auto item = static_cast<std::uint32_t>(std::strtoul(line.c_str() + itemAt + 5, nullptr, 10));
    const auto found = auctions.find(item);
    if (found == auctions.end()) continue;
    const double siteMs = Field(line, "local_ms") + options.clockOffset * 1000.0;
    const double before = found->second.endSite - siteMs / 1000.0;
    const double offset = before - found->second.margin;  // > 0: early
    offsets.push_back(offset);
    if (offset <= 2.0 && offset >= -1.0) ++inWindow;
  }
  std::sort(offsets.begin(), offsets.end());
  std::printf("auctions:                 %d (ends over %d s, margins 3-30 s, site clock %+lld s)\n", n,
              lastEnd - 60, static_cast<long long>(options.clockOffset));
  std::printf("bids committed:           %zu\n", offsets.size());
  if (!offsets.empty()) {
    std::printf("arrival minus margin (s): min %+.3f, median %+.3f, max %+.3f (positive: early)\n",
                offsets.front(), offsets[offsets.size() / 2], offsets.back());
  }
  std::printf("inside the window:        %d of %d (%.0f%%)\n", inWindow, n, 100.0 * inWindow / n);
  std::printf("program exit:             %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  std::filesystem::remove_all(folder);
  return 0;
}
