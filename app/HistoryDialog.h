#pragma once

#include "engine/HistoryLog.h"

#include <wx/dialog.h>

#include <string>
#include <vector>

class wxListCtrl;

// "Bid history": what the history log holds of one item, newest last, so
// that a user can see why a snipe went as it did.
class HistoryDialog : public wxDialog {
 public:
  enum Ids { kListId = 1040 };
  static constexpr const char* kNothing = "Nothing has been recorded for this item yet.";

  // `heading`: the item and its title.
  HistoryDialog(wxWindow* parent, const wxString& heading, const std::vector<HistoryLog::Line>& lines);

  wxListCtrl* Lines() const { return list_; }

 private:
  wxListCtrl* list_;
};
