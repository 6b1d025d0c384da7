#pragma once

#include "bids/Bid.h"

#include <wx/dialog.h>

#include <string>
#include <vector>

class wxComboBox;
class wxTextCtrl;

// "Bid options": a bid's item number, maximum bid and margin, checked on OK
// in that order (the dialog stays open on the first that fails), and its
// group, typed or chosen among `groups` (empty for none).
class BidOptionsDialog : public wxDialog {
 public:
  enum Ids { kItemId = 1000, kMaxBidId = 1001, kMarginId = 1002, kGroupId = 1003 };

  BidOptionsDialog(wxWindow* parent, const Bid& bid, const std::vector<std::string>& groups = {});
  const Bid& GetBid() const { return bid_; }

 private:
  Bid bid_;
  wxTextCtrl* item_;
  wxTextCtrl* maxBid_;
  wxTextCtrl* margin_;
  wxComboBox* group_;
};
