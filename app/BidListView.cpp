#include "app/BidListView.h"

#include "app/AccountDialog.h"
#include "app/Artwork.h"
#include "app/BidOptionsDialog.h"
#include "app/HistoryDialog.h"
#include "app/ItemDropTarget.h"
#include "app/Services.h"
#include "app/WxText.h"
#include "bids/BidColumns.h"
#include "bids/ItemLink.h"
#include "site/AccountFile.h"
#include "site/ItemPageReader.h"
#include "store/BidFile.h"

#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <set>

#include <algorithm>
#include <vector>

bool BidListView::firstCreation_ = true;

BidListView::BidListView(wxWindow* parent, Services& services)
    : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_SUNKEN),
      services_(services),
      snapshot_(std::make_shared<const EngineSnapshot>()) {
  engine_ = std::make_unique<SnipeEngine>(services_.client, services_.ui, services_.times,
                                          services_.clock,
                                          services_.paths.PathOf(DataPaths::BidsFileName), *this);
  engine_->KeepHistory(services_.paths.LogsFolder() + HistoryLog::kFileName);
  TimingLog& timing = services_.timing;
  if (timing.On()) {
    engine_->hooks.passBegin = [&timing] { timing.BeginPass(TimingLog::LocalMilliseconds()); };
    engine_->hooks.passEnd = [&timing] { timing.EndPass(); };
    engine_->hooks.placing = [&timing](std::uint32_t item) { timing.Placing(item); };
    engine_->hooks.refreshAll = [&timing] { timing.Event("refresh_all"); };
  }
  // Pending calls go with the window; the engine stops before it does.
  engine_->hooks.bidEvent = [this](const BidEvent& event) {
    CallAfter([this, event] {
      if (onBidEvent) onBidEvent(event);
    });
  };
  engine_->SetLogsFolder(services_.paths.LogsFolder());

  AssignImageList(Artwork::MakeRowImages(), wxIMAGE_LIST_SMALL);
  for (int i = 0; i < BidColumns::kCount; ++i) {
    const BidColumns::Column& column = BidColumns::At(i);
    AppendColumn(column.header, column.rightAligned ? wxLIST_FORMAT_RIGHT : wxLIST_FORMAT_LEFT,
                 column.width);
  }
  ApplyLayout(ListLayout());

  Bind(wxEVT_LIST_COL_CLICK, [this](wxListEvent& event) {
    SortOrder clicked = sort_;
    clicked.ColumnClicked(event.GetColumn());
    SetSort(clicked.Column(), clicked.Order());
  });
  Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent& event) {
    SelectOnly(event.GetIndex());
    EditRow(event.GetIndex());
  });
}

BidListView::~BidListView() { engine_->Stop(); }

bool BidListView::Initialize() {
  const DataPaths& paths = services_.paths;
  const std::string bidFile = paths.PathOf(DataPaths::BidsFileName);
  bool accountRead = false;
  bool incomplete = false;
  UnreadBidFile unread;
  engine_->Call([&](BidList& list) {
    accountRead = LoadAccountFile(paths.PathOf(DataPaths::AccountFileName), services_.servers,
                                  list.AccountRecord());
    LoadBidFile(bidFile, list, unread);
    const ::Account& account = list.AccountRecord();
    incomplete = account.UserId().empty() || account.Password().empty() || account.Profile().name.empty();
  });
  if (unread.MustNotBeSaved()) engine_->LeaveBidFileAlone();
  ShowSnapshot();
  SelectOnly(-1);
  SetDropTarget(new ItemDropTarget(*this));

  // The site is read only once there is an account to read it with.
  const bool askFirst = firstCreation_ && incomplete;
  firstCreation_ = false;
  const bool holdStart = !accountRead || askFirst;
  if (!holdStart) engine_->Start();
  if (!holdStart && !unread.found) return true;
  std::string bidFileText;
  if (unread.found && unread.skippedBids == 0) {
    bidFileText = unread.MustNotBeSaved()
                      ? "Error: Can't read the bid list " + bidFile +
                            ". It is left as it is: changes to the list will not be saved."
                      : "Error: Can't read the bid list. It was kept as " + unread.keptAs + ".";
  } else if (unread.found) {
    const std::string some = "Error: Can't read " + std::to_string(unread.skippedBids) +
                             (unread.skippedBids == 1 ? " bid" : " bids") + " in the bid list";
    bidFileText = unread.MustNotBeSaved()
                      ? some + " " + bidFile + ". It is left as it is: changes to the list will not be saved."
                      : some + ". The list as it was is kept as " + unread.keptAs + ".";
  }
  // After the start, not inside it, and one after the other, not one
  // inside the other.
  CallAfter([this, accountRead, askFirst, holdStart, bidFileText] {
    if (!accountRead) services_.ui.ShowErrorBox("Error: Can't load account settings.");
    if (!bidFileText.empty()) services_.ui.ShowErrorBox(bidFileText);
    if (askFirst) RunAccountDialog();
    if (holdStart) engine_->Start();
  });
  return true;
}

void BidListView::EngineChanged() {
  if (wakeUpSent_.exchange(true)) return;
  CallAfter([this] { ShowSnapshot(); });
}

void BidListView::ShowSnapshot() {
  wakeUpSent_ = false;
  std::shared_ptr<const EngineSnapshot> next = engine_->Snapshot();
  if (next == snapshot_) return;
  // A virtual list selects row positions: the selection goes with its bids.
  const std::vector<std::uint32_t> selected = SelectedIds();
  const long focusedRow = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
  const Bid* focused = BidAt(focusedRow);
  const std::uint32_t focusedId = focused != nullptr ? focused->Id() : 0;
  bool sameOrder = next->rows.size() == snapshot_->rows.size();
  for (std::size_t i = 0; sameOrder && i < next->rows.size(); ++i) {
    sameOrder = next->rows[i].Id() == snapshot_->rows[i].Id();
  }
  snapshot_ = std::move(next);
  SetItemCount(static_cast<long>(snapshot_->rows.size()));

  if (!sameOrder) {
    for (long row = 0; row < GetItemCount(); ++row) {
      const std::uint32_t id = snapshot_->rows[static_cast<std::size_t>(row)].Id();
      const bool isSelected = std::find(selected.begin(), selected.end(), id) != selected.end();
      SetItemState(row, (isSelected ? wxLIST_STATE_SELECTED : 0) | (id == focusedId ? wxLIST_STATE_FOCUSED : 0),
                   wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
  }
  if (selectWhenShown_ != 0) {
    for (std::size_t row = 0; row < snapshot_->rows.size(); ++row) {
      if (snapshot_->rows[row].Id() != selectWhenShown_) continue;
      selectWhenShown_ = 0;
      SelectOnly(static_cast<long>(row));
      break;
    }
  }
  wxListCtrl::Refresh();
}

const Bid* BidListView::BidAt(long row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= snapshot_->rows.size()) return nullptr;
  return &snapshot_->rows[static_cast<std::size_t>(row)];
}

std::vector<std::uint32_t> BidListView::SelectedIds() const {
  std::vector<std::uint32_t> ids;
  for (long row = FirstSelected(); row != -1; row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    if (const Bid* bid = BidAt(row)) ids.push_back(bid->Id());
  }
  return ids;
}

wxString BidListView::OnGetItemText(long item, long column) const {
  const Bid* bid = BidAt(item);
  return bid ? FromSite(BidColumns::CellText(*bid, static_cast<int>(column))) : wxString();
}

int BidListView::OnGetItemImage(long item) const {
  const Bid* bid = BidAt(item);
  return bid ? BidColumns::RowIcon(*bid) : -1;
}

int BidListView::OnGetItemColumnImage(long item, long column) const {
  if (column == 0) return OnGetItemImage(item);
  const Bid* bid = BidAt(item);
  return bid ? BidColumns::CellIcon(*bid, static_cast<int>(column)) : -1;
}

// The colours belong to row positions, so they stay put when rows move.
wxItemAttr* BidListView::OnGetItemAttr(long item) const { return item % 2 ? &oddRow_ : &evenRow_; }

void BidListView::SelectOnly(long row) {
  for (long i = FirstSelected(); i != -1; i = GetNextItem(i, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    SetItemState(i, 0, wxLIST_STATE_SELECTED);
  }
  if (row >= 0 && row < GetItemCount()) {
    SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    EnsureVisible(row);
  }
}

void BidListView::SelectBid(std::uint32_t id) {
  for (std::size_t row = 0; row < snapshot_->rows.size(); ++row) {
    if (snapshot_->rows[row].Id() == id) {
      SelectOnly(static_cast<long>(row));
      return;
    }
  }
}

void BidListView::SetSort(int column, int order) {
  sort_.Set(column, order);
  if (order == 0 || column < 0 || column >= BidColumns::kCount) {
    RemoveSortIndicator();
  } else {
    ShowSortIndicator(column, order == SortOrder::kAscending);
  }
  engine_->SetSort(sort_);
}

ListLayout BidListView::CurrentLayout() const {
  ListLayout layout;
  for (int i = 0; i < BidColumns::kCount; ++i) layout.widths[i] = GetColumnWidth(i);
  layout.sortColumn = sort_.Column();
  layout.sortOrder = sort_.Order();
  const wxColour even = evenRow_.GetBackgroundColour(), odd = oddRow_.GetBackgroundColour();
  layout.evenRow = {even.Red(), even.Green(), even.Blue()};
  layout.oddRow = {odd.Red(), odd.Green(), odd.Blue()};
  return layout;
}

void BidListView::ApplyLayout(const ListLayout& layout) {
  for (int i = 0; i < BidColumns::kCount; ++i) SetColumnWidth(i, layout.widths[i]);
  evenRow_.SetBackgroundColour(wxColour(layout.evenRow.red, layout.evenRow.green, layout.evenRow.blue));
  oddRow_.SetBackgroundColour(wxColour(layout.oddRow.red, layout.oddRow.green, layout.oddRow.blue));
  SetSort(layout.sortColumn, layout.sortOrder);
}

bool BidListView::RunCommand(int id) {
  switch (id) {
    case kAdd: AddCommand(); return true;
    case kDelete: DeleteCommand(); return true;
    case kEdit:
      if (FirstSelected() >= 0) EditRow(FirstSelected());
      return true;
    case kRefresh: RefreshRow(FirstSelected()); return true;
    case kRefreshAll: RefreshAll(); return true;
    case kGoToPage: GoToPage(); return true;
    case kHistory: ShowHistory(); return true;
    case kAccount: RunAccountDialog(); return true;
    default: return false;
  }
}

bool BidListView::AddBid(const Bid& bid, bool refreshNow) {
  selectWhenShown_ = bid.Id();  // the list's copy keeps the id
  engine_->AddBid(bid, refreshNow);
  return true;
}

void BidListView::RunAddDialog(const Bid& bid) {
  Bid offered = bid;
  offered.SetMargin(snapshot_->defaultMargin);
  BidOptionsDialog dialog(wxGetTopLevelParent(this), offered, Groups());
  if (dialog.ShowModal() != wxID_OK) return;
  engine_->SetDefaultMargin(dialog.GetBid().Margin());
  AddBid(dialog.GetBid(), true);
}

void BidListView::AddCommand() { RunAddDialog(Bid()); }

bool BidListView::OnDropText(const std::string& text) {
  const std::optional<std::uint32_t> item = ItemFromDroppedText(text);
  if (!item) return false;
  if (wxWindow* top = wxGetTopLevelParent(this)) top->Raise();
  Bid bid;
  bid.SetItem(*item);  // all zeros: refused, and the dialog says so on OK
  RunAddDialog(bid);
  return true;
}

void BidListView::DeleteCommand() {
  // Chosen before the question: while it is asked, rows move and others
  // may be added and selected.
  const std::vector<std::uint32_t> chosen = SelectedIds();
  if (chosen.empty()) return;
  if (wxMessageBox(kDeleteQuestion, kDeleteCaption, wxYES_NO | wxICON_QUESTION, this) != wxYES) return;
  engine_->DeleteBids(chosen);
  SetItemState(-1, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
}

// Only the fields the dialog edits go back: while it was open the engine
// may have moved the bid on, and that must stay.
void BidListView::EditRow(long row) {
  const Bid* shown = BidAt(row);
  if (shown == nullptr) return;
  BidOptionsDialog dialog(wxGetTopLevelParent(this), *shown, Groups());
  if (dialog.ShowModal() != wxID_OK) return;
  const Bid& edited = dialog.GetBid();
  engine_->EditBid(edited.Id(), edited.Item(), edited.MaxBid(), edited.Margin(), edited.group);
}

void BidListView::RefreshRow(long row) {
  if (const Bid* bid = BidAt(row)) engine_->Refresh(bid->Id());
}

void BidListView::RefreshAll() { engine_->RefreshAll(); }

void BidListView::GoToPage() {
  const Bid* bid = BidAt(FirstSelected());
  if (bid != nullptr) wxLaunchDefaultBrowser(FromSite(ItemPageReader::ItemPageAddress(*bid)));
}

void BidListView::ShowHistory() {
  const Bid* bid = BidAt(FirstSelected());
  if (bid == nullptr) return;
  std::string heading = "Item " + std::to_string(bid->Item());
  if (!bid->title.empty()) heading += " - " + bid->title;
  const auto lines = HistoryLog::LinesOf(services_.paths.LogsFolder() + HistoryLog::kFileName, bid->Item());
  HistoryDialog dialog(wxGetTopLevelParent(this), FromSite(heading), lines);
  dialog.ShowModal();
}

std::vector<std::string> BidListView::Groups() const {
  std::set<std::string> groups;
  for (const Bid& bid : snapshot_->rows) {
    if (!bid.group.empty()) groups.insert(bid.group);
  }
  return {groups.begin(), groups.end()};
}

void BidListView::RunAccountDialog() {
  AccountDialog dialog(wxGetTopLevelParent(this), snapshot_->account, services_.servers,
                       services_.client, services_.ui, services_.paths.LogsFolder());
  if (dialog.ShowModal() != wxID_OK) return;
  engine_->SetAccount(dialog.GetAccount());
  if (!SaveAccountFile(services_.paths.PathOf(DataPaths::AccountFileName), dialog.GetAccount())) {
    services_.ui.ShowErrorBox("Error: Can't save account settings.");
  }
}
