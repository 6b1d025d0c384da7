#include "app/BidListView.h"

#include "app/AccountDialog.h"
#include "app/Artwork.h"
#include "app/BidOptionsDialog.h"
#include "app/ItemDropTarget.h"
#include "app/Services.h"
#include "app/WxRequestReceiver.h"
#include "app/WxText.h"
#include "bids/BidColumns.h"
#include "bids/ItemLink.h"
#include "net/SiteRequest.h"
#include "site/AccountFile.h"
#include "store/BidFile.h"

#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <vector>

bool BidListView::firstCreation_ = true;

BidListView::BidListView(wxWindow* parent, Services& services)
    : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_SUNKEN),
      services_(services) {
  receiver_ = std::make_shared<WxRequestReceiver>(
      [this](std::unique_ptr<SiteRequest> request) { scheduler_->HandleRequestDone(std::move(request)); });
  site_ = std::make_unique<AuctionSite>(services_.reader, services_.placer, receiver_);
  scheduler_ = std::make_unique<BidScheduler>(list_, *site_, services_.clock, *this);

  AssignImageList(Artwork::MakeRowImages(), wxIMAGE_LIST_SMALL);
  for (int i = 0; i < BidColumns::kCount; ++i) {
    const BidColumns::Column& column = BidColumns::At(i);
    AppendColumn(column.header, column.rightAligned ? wxLIST_FORMAT_RIGHT : wxLIST_FORMAT_LEFT,
                 column.width);
  }
  ApplyLayout(ListLayout());

  // A box opened during a tick must not be opened inside the timer's own
  // handler (that timer stops while the box is open): the tick runs after.
  site_->onPlacing = [this](const Bid& bid) { services_.timing.Placing(bid.Item()); };
  tick_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    const std::int64_t fired = services_.timing.On() ? TimingLog::LocalMilliseconds() : 0;
    CallAfter([this, fired] {
      services_.timing.BeginPass(fired);
      scheduler_->TickAll();
      services_.timing.EndPass();
    });
  });
  startupRefresh_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { CallAfter([this] { RefreshAll(); }); });
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

BidListView::~BidListView() {
  tick_.Stop();
  startupRefresh_.Stop();
  receiver_->Detach();
  SaveBidFile();
  list_.DeleteAllRows();
}

bool BidListView::Initialize() {
  const DataPaths& paths = services_.paths;
  if (!LoadAccountFile(paths.PathOf(DataPaths::AccountFileName), services_.servers,
                       list_.AccountRecord())) {
    // After the start, not inside it: the timers must run while nobody
    // closes the box.
    CallAfter([this] { services_.ui.ShowErrorBox("Error: Can't load account settings."); });
  }
  UnreadBidFile unread;
  LoadBidFile(paths.PathOf(DataPaths::BidsFileName), list_, unread);
  keepBidFile_ = unread.MustNotBeSaved();
  if (unread.found) {
    const std::string text =
        keepBidFile_ ? "Error: Can't read the bid list " + paths.PathOf(DataPaths::BidsFileName) +
                           ". It is left as it is: changes to the list will not be saved."
                     : "Error: Can't read the bid list. It was kept as " + unread.keptAs + ".";
    CallAfter([this, text] { services_.ui.ShowErrorBox(text); });
  }
  RowsChanged();
  for (long row = 0; row < GetItemCount(); ++row) SetItemState(row, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
  if (!tick_.Start(1000)) return false;
  SetDropTarget(new ItemDropTarget(*this));
  if (firstCreation_) {
    firstCreation_ = false;
    const ::Account& account = list_.AccountRecord();
    if (account.UserId().empty() || account.Password().empty() || account.Profile().name.empty()) {
      CallAfter([this] { RunAccountDialog(); });
    }
  }
  return startupRefresh_.StartOnce(1000);
}

void BidListView::RowsChanged() {
  SetItemCount(static_cast<long>(list_.RowCount()));
  wxListCtrl::Refresh();
}

wxString BidListView::OnGetItemText(long item, long column) const {
  const Bid* bid = list_.BidAt(static_cast<std::size_t>(item));
  return bid ? FromSite(BidColumns::CellText(*bid, static_cast<int>(column))) : wxString();
}

int BidListView::OnGetItemImage(long item) const {
  const Bid* bid = list_.BidAt(static_cast<std::size_t>(item));
  return bid ? BidColumns::RowIcon(*bid) : -1;
}

int BidListView::OnGetItemColumnImage(long item, long column) const {
  return column == 0 ? OnGetItemImage(item) : -1;
}

// The colours belong to row positions, so they stay put when rows move.
wxItemAttr* BidListView::OnGetItemAttr(long item) const { return item % 2 ? &oddRow_ : &evenRow_; }

void BidListView::ShowRow(std::size_t row) { RefreshItem(static_cast<long>(row)); }

void BidListView::SortRows() {
  // A virtual list selects row positions: carry the selection with the bids.
  std::vector<const Bid*> selected;
  for (long row = FirstSelected(); row != -1; row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    selected.push_back(list_.BidAt(static_cast<std::size_t>(row)));
  }
  const long focusedRow = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
  const Bid* focused = focusedRow >= 0 ? list_.BidAt(static_cast<std::size_t>(focusedRow)) : nullptr;

  const int column = sort_.Column();
  const bool descending = sort_.Descending();
  list_.SortRows([column, descending](const Bid& a, const Bid& b) {
    return BidColumns::GoesBefore(a, b, column, descending);
  });

  if (!selected.empty() || focused != nullptr) {
    for (long row = 0; row < GetItemCount(); ++row) {
      const Bid* bid = list_.BidAt(static_cast<std::size_t>(row));
      const bool isSelected = std::find(selected.begin(), selected.end(), bid) != selected.end();
      SetItemState(row, (isSelected ? wxLIST_STATE_SELECTED : 0) | (bid == focused ? wxLIST_STATE_FOCUSED : 0),
                   wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
  }
  wxListCtrl::Refresh();
}

void BidListView::SelectOnly(long row) {
  for (long i = FirstSelected(); i != -1; i = GetNextItem(i, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    SetItemState(i, 0, wxLIST_STATE_SELECTED);
  }
  if (row >= 0 && row < GetItemCount()) {
    SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    EnsureVisible(row);
  }
}

void BidListView::SetSort(int column, int order) {
  sort_.Set(column, order);
  if (order == 0 || column < 0 || column >= BidColumns::kCount) {
    RemoveSortIndicator();
  } else {
    ShowSortIndicator(column, order == SortOrder::kAscending);
  }
  SortRows();
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
      SaveBidFile();
      return true;
    case kRefresh: RefreshRow(FirstSelected()); return true;
    case kRefreshAll: RefreshAll(); return true;
    case kGoToPage: GoToPage(); return true;
    case kAccount: RunAccountDialog(); return true;
    default: return false;
  }
}

bool BidListView::AddBid(const Bid& bid, bool refreshNow) {
  const std::size_t row = list_.AddBid(bid);
  RowsChanged();
  SelectOnly(static_cast<long>(row));
  if (refreshNow) CallAfter([this] { RunCommand(kRefresh); });
  return true;
}

void BidListView::RunAddDialog(const Bid& bid) {
  Bid offered = bid;
  offered.SetMargin(list_.defaultMargin);
  BidOptionsDialog dialog(wxGetTopLevelParent(this), offered);
  if (dialog.ShowModal() != wxID_OK) return;
  list_.defaultMargin = dialog.GetBid().Margin();
  AddBid(dialog.GetBid(), true);
  SaveBidFile();
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
  if (SelectedCount() == 0) {
    SaveBidFile();
    return;
  }
  if (wxMessageBox(kDeleteQuestion, kDeleteCaption, wxYES_NO | wxICON_QUESTION, this) != wxYES) return;
  std::vector<long> rows;
  for (long row = FirstSelected(); row != -1; row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    rows.push_back(row);
  }
  // From the last, so that the positions still to go stay true.
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) list_.DeleteRow(static_cast<std::size_t>(*row));
  SetItemState(-1, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
  RowsChanged();
  SaveBidFile();
}

// Only the three fields the dialog edits are taken back: while it was open
// the scheduler may have moved the bid on, and that must stay.
void BidListView::EditRow(long row) {
  Bid* bid = list_.BidAt(static_cast<std::size_t>(row));
  if (bid == nullptr) return;
  BidOptionsDialog dialog(wxGetTopLevelParent(this), *bid);
  const std::uint32_t id = bid->Id();
  if (dialog.ShowModal() != wxID_OK) return;
  bid = list_.FindBidById(id);  // the row may have moved, or gone, meanwhile
  if (bid == nullptr) return;
  bid->SetItem(dialog.GetBid().Item());
  bid->SetMaxBid(dialog.GetBid().MaxBid());
  bid->SetMargin(dialog.GetBid().Margin());
  if (const auto where = list_.RowOf(bid)) ShowRow(*where);
}

void BidListView::RefreshRow(long row) {
  Bid* bid = list_.BidAt(static_cast<std::size_t>(row));
  if (bid == nullptr) return;
  scheduler_->RequestRead(*bid);
  ShowRow(static_cast<std::size_t>(row));
}

void BidListView::RefreshAll() {
  services_.timing.Event("refresh_all");
  for (std::size_t row = 0; row < list_.RowCount(); ++row) {
    scheduler_->RequestRead(*list_.BidAt(row));
    ShowRow(row);
  }
}

void BidListView::GoToPage() {
  const Bid* bid = list_.BidAt(static_cast<std::size_t>(FirstSelected()));
  if (bid != nullptr) wxLaunchDefaultBrowser(FromSite("http://" + ItemPageReader::ItemPageAddress(*bid)));
}

void BidListView::RunAccountDialog() {
  AccountDialog dialog(wxGetTopLevelParent(this), list_.AccountRecord(), services_.servers,
                       services_.client, services_.ui, services_.paths.LogsFolder());
  if (dialog.ShowModal() != wxID_OK) return;
  list_.AccountRecord() = dialog.GetAccount();
  if (!SaveAccountFile(services_.paths.PathOf(DataPaths::AccountFileName), list_.AccountRecord())) {
    services_.ui.ShowErrorBox("Error: Can't save account settings.");
  }
}

void BidListView::SaveBidFile() {
  if (keepBidFile_) return;
  ::SaveBidFile(services_.paths.PathOf(DataPaths::BidsFileName), list_);
}
