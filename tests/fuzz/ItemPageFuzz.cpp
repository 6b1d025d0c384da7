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
  void ShowErrorBox(const std::string&) override {}
  void ShowErrorReport(const std::string&, const std::string&) override {}
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
  static Bid* bid = [] {
    if (!list.AccountRecord().SetAccount(ServerList(QUORREL_SHIPPED_SERVERS), "joe", "pw", "USA")) {
      std::abort();
    }
    Bid fresh;
    fresh.SetItem(2000000001);
    return list.BidAt(list.AddBid(fresh));
  }();
  SiteRequest request;
  request.page.assign(reinterpret_cast<const char*>(data), size);
  request.dateHeader = "Thu, 10 Dec 2026 12:00:00 GMT";
  if (reader.ApplyItemPage(*bid, request) && !bid->dataFresh) std::abort();
  return 0;
}
