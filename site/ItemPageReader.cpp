#include "site/ItemPageReader.h"

#include "bids/Bid.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteRequest.h"
#include "net/SiteTimeParser.h"
#include "site/Account.h"
#include "site/ErrorReport.h"
#include "site/PatternSearch.h"
#include "site/RequestTemplate.h"
#include "store/TextNumbers.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

const ServerProfile& ProfileOf(const Bid& bid) {
  static const ServerProfile kNone;
  return bid.account != nullptr ? bid.account->Profile() : kNone;
}

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

ItemPageReader::ItemPageReader(HttpClient& client, const SiteTimeParser& times,
                               const LocalClock& clock, UserInterface& ui, ErrorReport& report)
    : client_(client), times_(times), clock_(clock), ui_(ui), report_(report) {}

bool ItemPageReader::RequestItemPage(Bid& bid, const std::weak_ptr<RequestReceiver>& receiver) {
  bid.refreshWanted = false;
  bid.dataFresh = false;
  auto request = MakeRequest(bid);
  request->receiver = receiver;
  return client_.QueueRequest(std::move(request));
}

std::unique_ptr<SiteRequest> ItemPageReader::MakeRequest(const Bid& bid) {
  const ServerProfile& profile = ProfileOf(bid);
  auto request = std::make_unique<SiteRequest>();
  request->tag = static_cast<std::int32_t>(bid.Id());
  request->item = bid.Item();
  request->host = profile.URL;
  request->caFile = profile.ca_file;
  request->path = ExpandTemplate(bid, profile.item_view.HTTPObject);
  request->page = ExpandTemplate(bid, profile.item_view.HTTPData);  // never sent: a GET
  return request;
}

std::string ItemPageReader::ItemPageAddress(const Bid& bid) {
  const ServerProfile& profile = ProfileOf(bid);
  const bool schemed = profile.URL.find("://") != std::string::npos;
  return (schemed ? profile.URL : "http://" + profile.URL) + ExpandTemplate(bid, profile.item_view.HTTPObject);
}

bool ItemPageReader::ApplyItemPage(Bid& bid, const SiteRequest& request) {
  // The countdown starts when the reply came, however late it is handled.
  const std::int64_t readTime =
      request.timing.firstByte != 0 ? request.timing.firstByte : clock_.NowMicros();
  if (request.page.find("- Invalid Item") != std::string::npos) {
    bid.status = BidStatus::Invalid;
    bid.dataFresh = true;  // the read is over: the row must not show one outstanding
    return false;
  }
  if (!ReadItemNumber(bid, request) || !ReadEndingTime(bid, request) ||
      !ReadTitle(bid, request) || !ReadCurrentBid(bid, request) ||
      !ReadHighBidder(bid, request)) {
    return false;
  }
  SiteTime siteNow = 0;
  if (!times_.ParseSiteTime(request.dateHeader, siteNow)) return false;

  bid.secondsLeftAtRead = ClampToInt32(bid.endTime - siteNow);
  bid.readTime = readTime;
  bid.dataFresh = true;
  return true;
}

bool ItemPageReader::Found(PatternResult result, const char* missingCause,
                           const SiteRequest& request) {
  if (result == PatternResult::NoMatch) {
    report_.ReportSiteError(missingCause, request.host, request.path, request.page);
  }
  return result == PatternResult::Match;
}

bool ItemPageReader::ReadItemNumber(Bid& bid, const SiteRequest& request) {
  std::string value;
  if (!Found(SearchPattern(ProfileOf(bid).item_view.number, request.page, value, ui_,
                           "Malformed regular expression parsing item auction number\n"),
             "Can't find parse auction number.", request)) {
    return false;
  }
  // Compared as 32-bit values: leading zeros and a sign do not matter.
  if (ReadUnsigned32(value) == bid.Item()) return true;
  report_.ReportSiteError(
      "Header version 2: Item number read from Ebay doesn't match number we asked for.",
      request.host, request.path, request.page);
  return false;
}

bool ItemPageReader::ReadEndingTime(Bid& bid, const SiteRequest& request) {
  std::string value;
  if (!Found(SearchPattern(ProfileOf(bid).item_view.ending, request.page, value, ui_,
                           "Malformed regular expression parsing item ending time\n"),
             "Can't find parse auction ending time.", request)) {
    return false;
  }
  if (times_.ParseSiteTime(value, bid.endTime)) return true;
  report_.ReportSiteError("Header version 2: Can't parse ending time string.", request.host,
                          request.path, request.page);
  return false;
}

bool ItemPageReader::ReadTitle(Bid& bid, const SiteRequest& request) {
  std::string value;
  if (!Found(SearchPattern(ProfileOf(bid).item_view.title, request.page, value, ui_,
                           "Malformed regular expression parsing item auction title\n"),
             "Can't find auction title.", request)) {
    return false;
  }
  bid.title = value;
  return true;
}

bool ItemPageReader::ReadCurrentBid(Bid& bid, const SiteRequest& request) {
  std::string value;
  const PatternResult result =
      SearchPattern(ProfileOf(bid).item_view.currentbid, request.page, value, ui_,
                    "Malformed regular expression parsing item current bid\n");
  if (result == PatternResult::Match) bid.currentBid = value;  // else the old one stays
  return result != PatternResult::Failed;
}

bool ItemPageReader::ReadHighBidder(Bid& bid, const SiteRequest& request) {
  std::string value;
  const PatternResult result =
      SearchPattern(ProfileOf(bid).item_view.bidder, request.page, value, ui_,
                    "Malformed regular expression parsing item high bidder\n");
  if (result == PatternResult::Failed) return false;
  bid.highBidder = result == PatternResult::Match ? value : std::string();  // none: nobody
  return true;
}
