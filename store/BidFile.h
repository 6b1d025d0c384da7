#pragma once

#include <cstddef>
#include <string>

class Bid;
class BidList;
class XmlDocument;

// bids.xml: what the user entered for each bid (item, maximum bid, margin,
// and its group as the bid element's attribute "group" where it has one) in
// row order, and the default margin; a bid cancelled by its group's win has
// the attribute cancelled="1" and loads as Cancelled. Everything learnt from
// the site is read again after a load.

// What became of a bids.xml that exists but could not be read, whole or
// in part.
struct UnreadBidFile {
  bool found = false;         // there was such a file
  std::size_t skippedBids = 0;  // of a file that was read: its bids not taken
  std::string keptAs;         // where it was set aside; "" when that failed
  // Neither read nor set aside: the file is still the only copy of the
  // user's list, so nothing may be saved over it.
  bool MustNotBeSaved() const { return found && keptAs.empty(); }
};

// Fills the empty list and its default margin. True when the file parsed
// and its root is "bids", however many bids it held; bids that are not
// complete and valid are skipped. A file that exists but cannot be read, or
// one with bids that were skipped, is set aside (SetFileAside) before
// anything can overwrite it.
bool LoadBidFile(const std::string& path, BidList& list, UnreadBidFile& unread);
bool LoadBidFile(const std::string& path, BidList& list);
// Writes the whole list; false when the file could not be written.
bool SaveBidFile(const std::string& path, const BidList& list);

// From the children of the bid element the document has just entered; true
// when they make a complete, valid bid.
bool ReadBidElement(XmlDocument& document, Bid& bid);
// Adds a bid element with its three children under the current element.
bool WriteBidElement(XmlDocument& document, const Bid& bid);
