#pragma once

#include "bids/BidList.h"
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "store/BidFile.h"
#include "support/QuietSettings.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

// account.cfg of a verified account, "sniper", at a location of the
// servers.xml given.
inline bool WriteVerifiedAccount(const std::string& path, const std::string& serversPath,
                                 const std::string& location = "USA") {
  Account account;
  if (!account.SetAccount(ServerList(serversPath), "sniper", "pw", location)) return false;
  account.SetVerified(true);
  return SaveAccountFile(path, account);
}

// bids.xml with a bid for each (item, maximum bid, margin).
inline bool WriteBidList(const std::string& path, const std::vector<std::tuple<std::uint32_t, float, int>>& bids) {
  BidList list;
  for (const auto& [item, maxBid, margin] : bids) {
    Bid bid;
    bid.SetItem(item);
    bid.SetMaxBid(maxBid);
    bid.SetMargin(margin);
    list.AddBid(bid);
  }
  return SaveBidFile(path, list);
}

// A program folder for a main window under test: the shipped servers.xml,
// a complete account (so that the account dialog does not open at start),
// and settings without the start-up update check.
inline void PrepareProgramFolder(const TempFolder& folder, bool writeSettings = true) {
  folder.Write("servers.xml", TempFolder::Read(QUORREL_SHIPPED_SERVERS));
  Account account;
  ASSERT_TRUE(account.SetAccount(ServerList(folder.PathOf("servers.xml")), "joe", "pw", "USA"));
  ASSERT_TRUE(SaveAccountFile(folder.PathOf("account.cfg"), account));
  if (writeSettings) WriteQuietSettings(folder.PathOf("quorrel.xml"));
}
