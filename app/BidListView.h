#pragma once

#include "bids/ListLayout.h"
#include "bids/SortOrder.h"
#include "engine/SnipeEngine.h"

#include <wx/listctrl.h>

#include <atomic>
#include <functional>
#include <cstdint>
#include <memory>

struct Services;

// The list of bids as the engine last showed it (a virtual list, so that
// row colours stay on row positions), and the handlers of the bid commands.
// It owns the engine, which owns the bids: the commands go to the engine
// and return at once, and each new snapshot of the engine's list is shown
// here. No box or dialog of this window holds the engine.
//
// User-interface thread only, but for EngineChanged.
class BidListView : public wxListCtrl, public EngineObserver {
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
    kHistory = 2787,
  };
  static constexpr const char* kDeleteQuestion = "Are you sure you sure you want to delete those items?";
  static constexpr const char* kDeleteCaption = "Quorrel confirm delete";

  BidListView(wxWindow* parent, Services& services);
  ~BidListView() override;  // the engine saves the bid file and ends

  // Account and bid file, then the engine's ticks; on the first creation
  // with an incomplete account, the account dialog comes first (after the
  // box that says the account file could not be read, if it could not).
  bool Initialize();

  SnipeEngine& Engine() { return *engine_; }
  // The engine's latest snapshot, shown now (it comes by itself shortly).
  void ShowSnapshot();
  const EngineSnapshot& Shown() const { return *snapshot_; }
  bool IsAccountVerified() const { return snapshot_->account.IsVerified(); }
  // False while the main window is minimised.
  void SetVisible(bool visible) { engine_->SetVisible(visible); }
  int SelectedCount() const { return GetSelectedItemCount(); }
  long FirstSelected() const { return GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); }
  void SelectOnly(long row);
  // The row of that bid, alone, if the list shows it.
  void SelectBid(std::uint32_t id);

  // Every step of every bid, on the user-interface thread.
  std::function<void(const BidEvent&)> onBidEvent;

  void SetSort(int column, int order);
  const SortOrder& Sort() const { return sort_; }
  ListLayout CurrentLayout() const;
  void ApplyLayout(const ListLayout& layout);

  // Commands, by their ids; true when the id is one of the list's.
  bool RunCommand(int id);
  // Adds a copy, selected as soon as the engine shows it.
  bool AddBid(const Bid& bid, bool refreshNow);
  // Dropped text: an item link in it opens the Add dialog for that item
  // (with the window in front); false when there is none.
  bool OnDropText(const std::string& text);
  void RunAddDialog(const Bid& bid);

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
  void ShowHistory();
  // The groups the list's bids have, for the Bid options dialog.
  std::vector<std::string> Groups() const;
  void RunAccountDialog();
  const Bid* BidAt(long row) const;
  std::vector<std::uint32_t> SelectedIds() const;

  // EngineObserver: one wake-up at a time, however many snapshots come.
  void EngineChanged() override;

  Services& services_;
  SortOrder sort_;
  std::shared_ptr<const EngineSnapshot> snapshot_;
  std::atomic<bool> wakeUpSent_{false};
  std::uint32_t selectWhenShown_ = 0;  // a bid just added
  std::unique_ptr<SnipeEngine> engine_;
  mutable wxItemAttr evenRow_;
  mutable wxItemAttr oddRow_;
  static bool firstCreation_;
};
