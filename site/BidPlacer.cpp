#include "site/BidPlacer.h"

#include "bids/Bid.h"
#include "net/HttpClient.h"
#include "site/Account.h"
#include "site/PatternSearch.h"
#include "site/RequestTemplate.h"

bool BidPlacer::PlaceBid(Bid& bid) {
  if (bid.account == nullptr) return false;
  const ServerProfile& profile = bid.account->Profile();
  std::string page, date;
  ExchangeOptions options;
  options.caFile = profile.ca_file;
  if (!client_.Exchange("POST", profile.URL, ExpandTemplate(bid, profile.bid_setup.HTTPObject),
                        ExpandTemplate(bid, profile.bid_setup.HTTPData), page, date, options)) {
    return false;
  }
  std::string key;
  if (SearchPattern(profile.bid_setup.keyexp, page, key, ui_,
                    "Malformed regular expression parsing bid key\n") != PatternResult::Match) {
    return false;
  }
  bid.bidKey = key;
  // Expanded only now, so that %[BIDKEY] gives the key just read.
  return client_.Exchange("POST", profile.URL, ExpandTemplate(bid, profile.bid_commit.HTTPObject),
                          ExpandTemplate(bid, profile.bid_commit.HTTPData), page, date, options);
}
