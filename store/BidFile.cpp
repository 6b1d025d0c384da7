#include "store/BidFile.h"

#include "bids/BidList.h"
#include "store/SetAside.h"
#include "store/TextNumbers.h"
#include "store/XmlDocument.h"

#include <filesystem>
#include <system_error>

bool LoadBidFile(const std::string& path, BidList& list) {
  UnreadBidFile unread;
  return LoadBidFile(path, list, unread);
}

bool LoadBidFile(const std::string& path, BidList& list, UnreadBidFile& unread) {
  unread = UnreadBidFile();
  XmlDocument document;
  if (!document.Load(path) || !document.FindElement("bids")) {
    // The next save would replace the user's list with an empty one: keep
    // what is there, whatever it is, beside it.
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
      unread.found = true;
      unread.keptAs = SetFileAside(path);
    }
    return false;
  }
  if (document.FindChild("defaults")) {
    document.EnterElement();
    document.FindChild("margin");
    list.defaultMargin = ReadSigned32(document.ChildText());
    document.LeaveElement();
  }
  // Goes on after "defaults" when there is one.
  std::size_t taken = 0;
  while (document.FindChild("bid")) {
    Bid bid;
    bid.group = document.ChildAttribute("group");
    // Anything but "0" counts: a bid that may have been cancelled must not
    // be placed on a guess.
    const std::string cancelled = document.ChildAttribute("cancelled");
    if (!cancelled.empty() && cancelled != "0") bid.status = BidStatus::Cancelled;
    document.EnterElement();
    if (ReadBidElement(document, bid)) {
      list.AddBid(bid);
      ++taken;
    }
    document.LeaveElement();
  }
  // Every bid element counts, those before "defaults" too: the next save
  // would drop whichever was not taken, so the file as it was goes aside.
  document.ResetChildPosition();
  std::size_t elements = 0;
  while (document.FindChild("bid")) ++elements;
  if (elements > taken) {
    unread.found = true;
    unread.skippedBids = elements - taken;
    unread.keptAs = SetFileAside(path);
  }
  return true;
}

bool SaveBidFile(const std::string& path, const BidList& list) {
  XmlDocument document;
  document.AddElement("bids");
  document.AddChild("defaults");
  document.EnterElement();
  document.AddChild("margin", std::to_string(list.defaultMargin));
  document.LeaveElement();
  for (std::size_t row = 0; row < list.RowCount(); ++row) WriteBidElement(document, *list.BidAt(row));
  return document.Save(path);
}

bool ReadBidElement(XmlDocument& document, Bid& bid) {
  document.FindChild("item");
  if (!bid.SetItem(ReadUnsigned32(document.ChildText()))) return false;

  document.ResetChildPosition();
  float maxBid = 0;
  // A value the bid refuses (negative, not a number) is as bad as none.
  if (!document.FindChild("maxbid") || !ScanFloat(document.ChildText(), maxBid) ||
      !bid.SetMaxBid(maxBid)) {
    return false;
  }

  document.ResetChildPosition();
  document.FindChild("margin");
  return bid.SetMargin(ReadSigned32(document.ChildText()));
}

bool WriteBidElement(XmlDocument& document, const Bid& bid) {
  document.AddChild("bid");
  // Only where there is one: a list without groups is written as before.
  if (!bid.group.empty()) document.SetChildAttribute("group", bid.group);
  // Kept over a restart, so that the group's other bids are not placed
  // even when the won one can no longer be read.
  if (bid.status == BidStatus::Cancelled) document.SetChildAttribute("cancelled", "1");
  document.EnterElement();
  document.AddChild("item", std::to_string(bid.Item()));
  document.AddChild("maxbid", FormatTwoDecimals(bid.MaxBid()));
  document.AddChild("margin", std::to_string(bid.Margin()));
  document.LeaveElement();
  return true;
}
