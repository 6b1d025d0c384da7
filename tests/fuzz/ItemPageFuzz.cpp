// Any page as an item page read with the shipped profile: the bid gets
// fresh data or the read fails (with a box or a report), never a crash.
#include "bids/BidList.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteRequest.h"
#include "net/SiteTimeParser.h"
#include "net/UserInterface.h"
#include "site/ErrorReport.h"
#include "site/ItemPageReader.h"
#include "site/ServerList.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
class SilentUserInterface : public UserInterface {
 public:
  void ShowErrorBox(const std::string&) override { ++shown; }
  void ShowErrorReport(const std::string&, const std::string&) override { ++shown; }
  int shown = 0;  // boxes and reports
};

struct Read {
  bool fresh;
  int shown;
  std::string title, currentBid, highBidder;
  std::int32_t secondsLeftAtRead;
  bool operator==(const Read&) const = default;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static SilentUserInterface ui;
  static HttpClient client(ui);
  static SiteTimeParser times;
  static SystemClock clock;
  static ErrorReport report(ui);
  static ItemPageReader reader(client, times, clock, ui, report);
  static BidList list;
  static const bool accountSet =
      list.AccountRecord().SetAccount(ServerList(QUORREL_SHIPPED_SERVERS), "joe", "pw", "USA");
  if (!accountSet) std::abort();
  SiteRequest request;
  request.page.assign(reinterpret_cast<const char*>(data), size);
  request.dateHeader = "Thu, 10 Dec 2026 12:00:00 GMT";

  // One read of the page into a fresh bid.
  const auto readPage = [&](Bid& bid) {
    ui.shown = 0;
    const bool fresh = reader.ApplyItemPage(bid, request);
    return Read{fresh, ui.shown, bid.title, bid.currentBid, bid.highBidder, bid.secondsLeftAtRead};
  };
  Bid first, second;
  first.SetItem(2000000001);
  second.SetItem(2000000001);
  first.account = second.account = &list.AccountRecord();
  const Read once = readPage(first);
  // A read that succeeds has shown nothing: a box or a report means the
  // page did not hold what the bid needs.
  if (once.fresh && once.shown != 0) std::abort();
  // The page alone decides: a second read of it, into a bid that has read
  // it already, gives what a fresh bid got.
  readPage(second);
  if (!(readPage(second) == once)) std::abort();
  return 0;
}
