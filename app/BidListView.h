#pragma once

#include "bids/BidList.h"
#include "bids/BidListDisplay.h"
#include "bids/BidScheduler.h"
#include "bids/ListLayout.h"
#include "bids/SortOrder.h"
#include "site/AuctionSite.h"

#include <wx/listctrl.h>
#include <wx/timer.h>

#include <memory>

struct Services;
class WxRequestReceiver;

// The list of bids, and behind it the bid manager: it owns the rows (the
// model, shown as a virtual list so that row colours stay on row
// positions), the account, the scheduler's two timers and the handlers of
// the bid commands.
//
// User-interface thread only.
class BidListView : public wxListCtrl, public BidListDisplay {
 public:
  // The commands' ids are the resource ids less 30000: wxWidgets takes
  // ids below 32767 only.
  enum Commands {
    kAdd = 2772,
    kDelete = 2773,
    kEdit = 2774,
    kRefresh = 2775,
    kRefreshAll = 2778,
    kAccount = 2779,
    kGoToPage = 2783,
  };
  static constexpr const char* kDeleteQuestion = "Are you sure you sure you want to delete those items?";
  static constexpr const char* kDeleteCaption = "Quorrel confirm delete";

  BidListView(wxWindow* parent, Services& services);
  ~BidListView() override;  // saves the bid file

  // Account, bid file, timers; the account dialog on the first creation
  // when the account is incomplete. False when the tick timer cannot run.
  bool Initialize();

  BidList& Bids() { return list_; }
  BidScheduler& Scheduler() { return *scheduler_; }
  bool IsAccountVerified() const { return list_.AccountRecord().IsVerified(); }
  int SelectedCount() const { return GetSelectedItemCount(); }
  long FirstSelected() const { return GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); }
  void SelectOnly(long row);

  void SetSort(int column, int order);
  const SortOrder& Sort() const { return sort_; }
  ListLayout CurrentLayout() const;
  void ApplyLayout(const ListLayout& layout);

  // Commands, by their ids; true when the id is one of the list's.
  bool RunCommand(int id);
  bool AddBid(const Bid& bid, bool refreshNow);
  // Dropped text: an item link in it opens the Add dialog for that item
  // (with the window in front); false when there is none.
  bool OnDropText(const std::string& text);
  void RunAddDialog(const Bid& bid);
  void SaveBidFile();  // not over a bid file that could be neither read nor set aside

  // BidListDisplay
  void ShowRow(std::size_t row) override;
  void SortRows() override;

 protected:
  wxString OnGetItemText(long item, long column) const override;
  int OnGetItemImage(long item) const override;
  int OnGetItemColumnImage(long item, long column) const override;
  wxItemAttr* OnGetItemAttr(long item) const override;

 private:
  void AddCommand();
  void DeleteCommand();
  void EditRow(long row);
  void RefreshRow(long row);
  void RefreshAll();
  void GoToPage();
  void RunAccountDialog();
  void RowsChanged();

  Services& services_;
  BidList list_;
  SortOrder sort_;
  std::unique_ptr<AuctionSite> site_;
  std::unique_ptr<BidScheduler> scheduler_;
  std::shared_ptr<WxRequestReceiver> receiver_;
  wxTimer tick_;            // no owner: its events go to the handlers bound on it
  wxTimer startupRefresh_;
  bool keepBidFile_ = false;  // the bid file could be neither read nor set aside
  mutable wxItemAttr evenRow_;
  mutable wxItemAttr oddRow_;
  static bool firstCreation_;
};
