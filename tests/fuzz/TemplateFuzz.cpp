// Any template with any user id, password and bid key: the expansion ends,
// and what the account gave goes in encoded (no '&' or '=' of its own).
#include "bids/BidList.h"
#include "site/RequestTemplate.h"
#include "site/ServerList.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ServerList servers(QUORREL_SHIPPED_SERVERS);
  const std::string input(reinterpret_cast<const char*>(data), size);
  // template | user id | password | bid key, split at the first three NULs
  std::string parts[4];
  std::size_t part = 0;
  for (const char c : input) {
    if (c == '\0' && part < 3) {
      ++part;
    } else {
      parts[part] += c;
    }
  }
  BidList list;
  if (!list.AccountRecord().SetAccount(servers, parts[1], parts[2], "USA")) std::abort();
  Bid bid;
  bid.SetItem(static_cast<std::uint32_t>(size) + 1);
  Bid& listed = *list.BidAt(list.AddBid(bid));
  listed.bidKey = parts[3];
  const std::string onlySecrets = ExpandTemplate(listed, "%[USERID]%[PASSWORD]%[BIDKEY]");
  if (onlySecrets.find_first_of("&=[] ") != std::string::npos) std::abort();
  (void)ExpandTemplate(listed, parts[0]);
  (void)ExpandAccountTemplate(list.AccountRecord(), parts[0]);
  return 0;
}
