#include "app/BidListView.h"

#include "app/BidOptionsDialog.h"
#include "app/HistoryDialog.h"
#include "app/MainFrame.h"
#include "app/Services.h"
#include "bids/ListLayout.h"
#include "bids/SettingsExtras.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "store/ProgramSettings.h"
#include "store/XmlDocument.h"
#include "store/BidFile.h"
#include "support/PracticeSiteFixture.h"
#include "support/ProgramFolder.h"
#include "support/QuietSettings.h"
#include "support/TempFolder.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/toolbar.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

class BidListViewTest : public testing::Test {
 protected:
  void SetUp() override {
    PrepareProgramFolder(folder_, false);
    WriteSettingsFile();
    services_ = std::make_unique<Services>(DataPaths(folder_.PathOf("quorrel")));
    frame_ = new MainFrame(*services_);
    ASSERT_TRUE(frame_->Initialize());
    frame_->Show();
    view_ = &frame_->List();
  }
  void TearDown() override {
    delete frame_;  // at once: the next test's view must not meet this one
  }

  // Overridden by tests that start from a settings file of their own.
  virtual void WriteSettingsFile() { WriteQuietSettings(folder_.PathOf("quorrel.xml")); }

  // The engine has taken every command so far, and the window shows it.
  void Sync() {
    view_->Engine().Call([](BidList&) {});
    view_->ShowSnapshot();
  }
  void AddBid(std::uint32_t item, BidStatus status, std::int32_t secondsLeft, const char* title = "") {
    Bid bid;
    bid.SetItem(item);
    view_->AddBid(bid, false);
    view_->Engine().Call([&](BidList& list) {
      Bid& listed = *list.FindBidById(bid.Id());
      listed.status = status;
      listed.secondsLeft = secondsLeft;
      listed.dataFresh = true;
      listed.title = title;
    });
    view_->ShowSnapshot();
  }
  wxString Cell(long row, int column) const { return view_->GetItemText(row, column); }
  // As the user sees it after the window's update pass: the menu item, and
  // the toolbar button where there is one, which must agree.
  bool Enabled(int id) {
    frame_->UpdateWindowUI(wxUPDATE_UI_RECURSE);
    const bool menu = frame_->GetMenuBar()->IsEnabled(id);
    wxToolBar* tools = frame_->GetToolBar();
    if (tools->FindById(id) != nullptr) {
      EXPECT_EQ(tools->GetToolEnabled(id), menu) << "tool " << id;
    }
    return menu;
  }
  void Command(int id) {
    wxCommandEvent command(wxEVT_MENU, id);
    command.SetEventObject(frame_);
    frame_->ProcessWindowEvent(command);
  }

  MessageBoxAnswerer boxes_;
  TempFolder folder_;
  std::unique_ptr<Services> services_;
  MainFrame* frame_ = nullptr;
  BidListView* view_ = nullptr;
};

TEST_F(BidListViewTest, ColumnsCellsAndSortArrow) {
  EXPECT_EQ(view_->GetColumnCount(), 10);
  wxListItem header;
  header.SetMask(wxLIST_MASK_TEXT);
  view_->GetColumn(6, header);
  EXPECT_EQ(header.GetText(), "Time left");
  view_->GetColumn(8, header);
  EXPECT_EQ(header.GetText(), "Note");
  view_->GetColumn(9, header);
  EXPECT_EQ(header.GetText(), "Group");
  EXPECT_EQ(view_->GetSortIndicator(), 6);
  EXPECT_TRUE(view_->IsAscendingSortIndicator());

  AddBid(1234, BidStatus::Watching, 90061, "Brass lamp");
  EXPECT_EQ(Cell(0, 1), "1234");
  EXPECT_EQ(Cell(0, 2), "Brass lamp");
  EXPECT_EQ(Cell(0, 5), "OK");
  EXPECT_EQ(Cell(0, 6), "1d 01:01:01");
  EXPECT_EQ(Cell(0, 7), "30s");
}

// Clicking headers sorts; the row colours stay with the row positions.
TEST_F(BidListViewTest, ColumnClicksSortAndColoursFollowPositions) {
  AddBid(3, BidStatus::Watching, 500, "c");
  AddBid(1, BidStatus::Watching, 100, "a");
  AddBid(2, BidStatus::Watching, 300, "b");
  view_->SetSort(6, SortOrder::kAscending);
  Sync();
  const auto items = [&] { return Cell(0, 1) + Cell(1, 1) + Cell(2, 1); };
  EXPECT_EQ(items(), "123") << "by time left, ascending";

  const auto click = [&](int column) {
    wxListEvent event(wxEVT_LIST_COL_CLICK, view_->GetId());
    event.SetEventObject(view_);
    event.m_col = column;
    view_->ProcessWindowEvent(event);
    Sync();
  };
  click(6);
  EXPECT_EQ(items(), "321");
  EXPECT_FALSE(view_->IsAscendingSortIndicator());
  click(1);
  EXPECT_EQ(items(), "321") << "item number, still descending";
  EXPECT_EQ(view_->GetSortIndicator(), 1);
  click(0);
  EXPECT_EQ(view_->GetSortIndicator(), 1) << "the icon column changes nothing";

  // Row 0 and 2 white, row 1 light grey, whatever bids stand there now.
  EXPECT_EQ(view_->GetItemBackgroundColour(0), wxColour(255, 255, 255));
  EXPECT_EQ(view_->GetItemBackgroundColour(1), wxColour(244, 244, 244));
  EXPECT_EQ(view_->GetItemBackgroundColour(2), wxColour(255, 255, 255));
}

TEST_F(BidListViewTest, EnablingFollowsTheSelection) {
  AddBid(1, BidStatus::Watching, 100);
  AddBid(2, BidStatus::Watching, 100);
  view_->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
  EXPECT_FALSE(Enabled(BidListView::kEdit));
  EXPECT_FALSE(Enabled(BidListView::kDelete));
  EXPECT_TRUE(Enabled(BidListView::kAdd));
  EXPECT_TRUE(Enabled(BidListView::kRefreshAll));
  view_->SelectOnly(0);
  EXPECT_TRUE(Enabled(BidListView::kEdit));
  EXPECT_TRUE(Enabled(BidListView::kRefresh));
  EXPECT_TRUE(Enabled(BidListView::kGoToPage));
  view_->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  EXPECT_FALSE(Enabled(BidListView::kEdit));
  EXPECT_FALSE(Enabled(BidListView::kRefresh));
  EXPECT_TRUE(Enabled(BidListView::kDelete));
}

// Bid > History... shows the selected bid's lines of the history log,
// newest last (the engine's own line of the bid's adding after those of an
// earlier run), and no other item's.
TEST_F(BidListViewTest, HistoryOfTheSelectedBid) {
  std::filesystem::create_directories(services_->paths.LogsFolder());
  std::ofstream(services_->paths.LogsFolder() + HistoryLog::kFileName, std::ios::binary)
      << ("2025-03-01 14:20:00.100\t-\t1234\tAdded\tmaximum 25.00, margin 5 s\n"
                        "2025-03-01 14:20:01.200\t14:20:00.950\t99\tRead\tprice US $1.00, high bidder none, 50 s left\n"
                        "2025-03-01 14:20:01.300\t14:20:01.050\t1234\tRead\tprice US $12.00, high bidder rival, 9 s left\n"
                        "2025-03-01 14:20:07.010\t14:20:06.760\t1234\tSetup failed\tattempt 1: Can't send request\n");
  AddBid(99, BidStatus::Watching, 50, "Other");
  AddBid(1234, BidStatus::Watching, 100, "Brass telescope");
  view_->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
  EXPECT_FALSE(Enabled(BidListView::kHistory));
  view_->SelectOnly(Cell(0, 1) == "1234" ? 0 : 1);
  EXPECT_TRUE(Enabled(BidListView::kHistory));

  std::vector<wxString> shown;
  wxTheApp->CallAfter([&] {
    auto* dialog = OpenDialog<HistoryDialog>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetTitle(), "Bid history");
    wxListCtrl* lines = dialog->Lines();
    for (long row = 0; row < lines->GetItemCount(); ++row) {
      shown.push_back(lines->GetItemText(row, 0) + "|" + lines->GetItemText(row, 1) + "|" +
                      lines->GetItemText(row, 2) + "|" + lines->GetItemText(row, 3));
    }
    Click(dialog->FindWindow(wxID_CLOSE));
  });
  Command(BidListView::kHistory);
  ASSERT_EQ(shown.size(), 4u);
  shown.back() = shown.back().AfterFirst('|');
  EXPECT_EQ(shown, (std::vector<wxString>{
                       "2025-03-01 14:20:00.100|-|Added|maximum 25.00, margin 5 s",
                       "2025-03-01 14:20:01.300|14:20:01.050|Read|price US $12.00, high bidder rival, 9 s left",
                       "2025-03-01 14:20:07.010|14:20:06.760|Setup failed|attempt 1: Can't send request",
                       "-|Added|maximum 1.00, margin 30 s"}));
}

// Add through the dialog: typed, checked, added as a row and saved; the
// margin becomes the next default.
TEST_F(BidListViewTest, AddThroughTheDialog) {
  wxTheApp->CallAfter([] {
    auto* dialog = OpenDialog<BidOptionsDialog>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Control<wxTextCtrl>(dialog, BidOptionsDialog::kMaxBidId)->GetValue(), "1.00");
    EXPECT_EQ(Control<wxTextCtrl>(dialog, BidOptionsDialog::kMarginId)->GetValue(), "20");
    Type(Control<wxTextCtrl>(dialog, BidOptionsDialog::kItemId), "0");
    Click(dialog->FindWindow(wxID_OK));
    EXPECT_TRUE(dialog->IsModal()) << "refused, still open";
    Type(Control<wxTextCtrl>(dialog, BidOptionsDialog::kItemId), "555");
    Type(Control<wxTextCtrl>(dialog, BidOptionsDialog::kMaxBidId), "12.5");
    Type(Control<wxTextCtrl>(dialog, BidOptionsDialog::kMarginId), "45");
    Click(dialog->FindWindow(wxID_OK));
  });
  Command(BidListView::kAdd);
  Sync();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].title, "Incorrect bid parameters");
  EXPECT_EQ(boxes_.boxes[0].message, "Illegal item number");
  ASSERT_EQ(view_->GetItemCount(), 1);
  EXPECT_EQ(Cell(0, 1), "555");
  EXPECT_EQ(Cell(0, 4), "12.50");
  EXPECT_EQ(view_->Shown().defaultMargin, 45);
  BidList saved;
  ASSERT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), saved));
  EXPECT_EQ(saved.RowCount(), 1u);
}

// An edit by double-click or Enter is saved like one from the menu; Edit
// with nothing selected writes nothing.
TEST_F(BidListViewTest, EditsAreSavedHoweverTheyCome) {
  AddBid(7, BidStatus::Watching, 500);
  AddBid(8, BidStatus::Watching, 600);
  Sync();
  std::filesystem::remove(folder_.PathOf("bids.xml"));
  view_->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
  Command(BidListView::kEdit);
  Sync();
  EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("bids.xml"))) << "nothing to edit, nothing written";

  wxTheApp->CallAfter([] {
    auto* dialog = OpenDialog<BidOptionsDialog>();
    ASSERT_NE(dialog, nullptr);
    Type(Control<wxTextCtrl>(dialog, BidOptionsDialog::kMaxBidId), "77");
    Click(dialog->FindWindow(wxID_OK));
  });
  wxListEvent activated(wxEVT_LIST_ITEM_ACTIVATED, view_->GetId());
  activated.SetEventObject(view_);
  activated.m_itemIndex = 0;
  view_->ProcessWindowEvent(activated);
  Sync();
  BidList saved;
  ASSERT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), saved));
  ASSERT_EQ(saved.RowCount(), 2u);
  const Bid* edited = saved.BidAt(0)->Item() == 7 ? saved.BidAt(0) : saved.BidAt(1);
  EXPECT_FLOAT_EQ(edited->MaxBid(), 77.0f);
}

// Delete asks once; No keeps everything, Yes removes every selected row.
TEST_F(BidListViewTest, DeleteAsksFirst) {
  for (std::uint32_t item = 1; item <= 4; ++item) AddBid(item, BidStatus::Watching, 100);
  view_->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
  for (long row : {0L, 2L, 3L}) view_->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  boxes_.answer = wxID_NO;
  Command(BidListView::kDelete);
  Sync();
  EXPECT_EQ(view_->GetItemCount(), 4);
  boxes_.answer = wxID_YES;
  Command(BidListView::kDelete);
  Sync();
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].message, BidListView::kDeleteQuestion);
  EXPECT_EQ(boxes_.boxes[1].title, BidListView::kDeleteCaption);
  ASSERT_EQ(view_->GetItemCount(), 1);
  EXPECT_EQ(Cell(0, 1), "2");
}

// Delete takes the chosen bids before it asks: while the question is open
// a bid may come (a drop selects it) and the rows may move, and Yes still
// deletes exactly the chosen one. No, or nothing chosen, writes nothing.
TEST_F(BidListViewTest, DeleteRemovesTheBidsChosenBeforeItAsked) {
  for (std::uint32_t item = 1; item <= 3; ++item) AddBid(item, BidStatus::Watching, 100);
  Sync();
  const auto rowOf = [&](const wxString& item) {
    for (long row = 0; row < view_->GetItemCount(); ++row) {
      if (Cell(row, 1) == item) return row;
    }
    return -1L;
  };
  std::filesystem::remove(folder_.PathOf("bids.xml"));
  view_->SelectOnly(-1);
  Command(BidListView::kDelete);
  view_->SelectOnly(rowOf("2"));
  boxes_.answer = wxID_NO;
  Command(BidListView::kDelete);
  Sync();
  EXPECT_EQ(boxes_.boxes.size(), 1u) << "asked only when something is chosen";
  EXPECT_EQ(view_->GetItemCount(), 3);
  EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("bids.xml"))) << "nothing deleted, nothing written";

  boxes_.answer = wxID_YES;
  boxes_.whileOpen = [&] {
    Bid dropped;
    dropped.SetItem(9);
    view_->AddBid(dropped, false);
    view_->SetSort(1, SortOrder::kDescending);
    Sync();
    ASSERT_EQ(view_->SelectedCount(), 1);
    EXPECT_EQ(Cell(view_->FirstSelected(), 1), "9") << "the new bid is selected meanwhile";
  };
  Command(BidListView::kDelete);
  Sync();
  ASSERT_EQ(view_->GetItemCount(), 3);
  EXPECT_EQ(rowOf("2"), -1L);
  BidList saved;
  ASSERT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), saved));
  std::vector<std::uint32_t> items;
  for (std::size_t row = 0; row < saved.RowCount(); ++row) items.push_back(saved.BidAt(row)->Item());
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, (std::vector<std::uint32_t>{1, 3, 9}));
}

TEST_F(BidListViewTest, StatusBarSaysWhetherTheAccountIsVerified) {
  wxIdleEvent idle;
  frame_->ProcessWindowEvent(idle);
  EXPECT_EQ(frame_->GetStatusBar()->GetStatusText(1), MainFrame::kNotVerified);
  view_->Engine().Call([](BidList& list) { list.AccountRecord().SetVerified(true); });
  view_->ShowSnapshot();
  frame_->ProcessWindowEvent(idle);
  EXPECT_EQ(frame_->GetStatusBar()->GetStatusText(1), "Ready");
}

// A settings file the program wrote reads back to the same record, column
// widths, sort and colours: written again at the end, it is unchanged.
class SettingsRoundTrip : public BidListViewTest {
 protected:
  void WriteSettingsFile() override {
    ProgramSettings settings;
    settings.minimizeToTray = false;
    settings.checkUpdates = false;
    settings.timeOffset = -5;
    settings.windowRect = {30, 40, 630, 440};
    settings.statusBarVisible = false;
    settings.keepAwake = false;
    ListLayout layout;
    layout.widths = {26, 100, 200, 90, 70, 80, 95, 60, 150, 70};
    layout.sortColumn = 2;
    layout.sortOrder = 2;
    layout.evenRow = {250, 250, 240};
    layout.oddRow = {230, 240, 250};
    XmlDocument document;
    document.AddElement("quorrel");
    WriteSettings(document, settings);
    WriteListLayout(document, layout);
    WriteSettingsExtras(document, settings, layout);
    written_ = document.Text();
    folder_.Write("quorrel.xml", written_);
  }
  std::string written_;
};

TEST_F(SettingsRoundTrip, WrittenBackUnchanged) {
  EXPECT_EQ(services_->times.GetTimeOffset(), -5);
  EXPECT_FALSE(frame_->GetStatusBar()->IsShown());
  EXPECT_EQ(view_->GetColumnWidth(1), 100);
  EXPECT_EQ(view_->GetColumnWidth(BidColumns::kNote), 150);
  EXPECT_EQ(view_->GetColumnWidth(BidColumns::kGroup), 70);
  EXPECT_FALSE(frame_->keepAwake);
  EXPECT_TRUE(frame_->notifications);
  EXPECT_EQ(view_->GetSortIndicator(), 2);
  EXPECT_FALSE(view_->IsAscendingSortIndicator());
  EXPECT_EQ(view_->GetItemCount(), 0);
  frame_->SaveSettings();
  EXPECT_EQ(TempFolder::Read(folder_.PathOf("quorrel.xml")), written_);
}

}  // namespace

namespace {

struct DropCase {
  const char* label;
  const char* text;
  const char* itemShown;  // null: no dialog
};

class DroppedText : public BidListViewTest, public testing::WithParamInterface<DropCase> {};

// A link in dropped text opens the Add dialog with its item number; other
// text does nothing. Cancelled, the dialog adds nothing.
TEST_P(DroppedText, OpensTheAddDialogForALink) {
  const DropCase& c = GetParam();
  wxString shown;
  bool opened = false;
  wxTheApp->CallAfter([&] {
    auto* dialog = OpenDialog<BidOptionsDialog>();
    if (dialog == nullptr) return;
    opened = true;
    shown = Control<wxTextCtrl>(dialog, BidOptionsDialog::kItemId)->GetValue();
    Click(dialog->FindWindow(wxID_OK));  // an item of 0 is refused here...
    if (dialog->IsModal()) dialog->EndModal(wxID_CANCEL);  // ...and the dialog cancelled
  });
  const bool found = view_->OnDropText(c.text);
  EXPECT_EQ(found, c.itemShown != nullptr);
  if (c.itemShown != nullptr) {
    EXPECT_TRUE(opened);
    EXPECT_EQ(shown, c.itemShown);
  } else {
    wxTheApp->ProcessPendingEvents();
    EXPECT_FALSE(opened);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DroppedText,
    testing::Values(DropCase{"link", "http://127.0.0.1:8480/ws/ViewItem?ViewItem&item=2000000007", "2000000007"},
                    DropCase{"two_links", "ViewItem&item=11 ViewItem&item=22", "11"},
                    DropCase{"all_zeros", "ViewItem&item=000", "0"},
                    DropCase{"no_link", "just some text &item=5", nullptr}),
    [](const testing::TestParamInfo<DropCase>& info) { return info.param.label; });

TEST_F(BidListViewTest, DroppedLinkAddedWithOk) {
  wxTheApp->CallAfter([&] {
    auto* dialog = OpenDialog<BidOptionsDialog>();
    ASSERT_NE(dialog, nullptr);
    Click(dialog->FindWindow(wxID_OK));
  });
  EXPECT_TRUE(view_->OnDropText("ViewItem?ViewItem&item=31337"));
  Sync();
  ASSERT_EQ(view_->GetItemCount(), 1);
  EXPECT_EQ(Cell(0, 1), "31337");
  EXPECT_TRUE(view_->GetDropTarget() != nullptr);
}

}  // namespace

namespace {

// Every dialog answered with Cancel, unseen; their titles and texts kept.
class CancelEveryDialog : public wxModalDialogHook {
 public:
  CancelEveryDialog() { Register(); }
  ~CancelEveryDialog() override { Unregister(); }
  std::vector<std::string> seen;

 protected:
  int Enter(wxDialog* dialog) override {
    auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
    seen.push_back(dialog->GetTitle().utf8_string() +
                   (box != nullptr ? ": " + box->GetMessage().utf8_string() : std::string()));
    return wxID_CANCEL;
  }
  void Exit(wxDialog*) override {}
};

}  // namespace

// A damaged account file is reported once the program runs, not inside its
// start: nobody may be there to close the box, and the list's timers must
// already be going. The account dialog follows, for an account to be given.
TEST(BidListViewStart, DamagedAccountFileIsReportedAfterTheStart) {
  CancelEveryDialog dialogs;
  TempFolder folder;
  PrepareProgramFolder(folder);
  const std::string damaged("\xF0\xFF\xFF\xFFQuorrel", 11);
  folder.Write("account.cfg", damaged);
  Services services(DataPaths(folder.PathOf("quorrel")));
  auto* frame = new MainFrame(services);
  EXPECT_TRUE(frame->Initialize());
  EXPECT_TRUE(dialogs.seen.empty()) << "nothing opened inside the start";
  ASSERT_TRUE(PumpUntil([&] { return !dialogs.seen.empty(); }));
  PumpUntil([&] { return dialogs.seen.size() >= 2; }, std::chrono::milliseconds(500));
  EXPECT_EQ(dialogs.seen[0], "Quorrel error: Error: Can't load account settings.");
  // Only the first list of a run asks for the account (the whole binary in
  // one process has made lists before).
  if (dialogs.seen.size() > 1) {
    EXPECT_EQ(dialogs.seen[1], "Ebay account info");
  }
  EXPECT_EQ(TempFolder::Read(folder.PathOf("account.cfg")), damaged) << "a cancelled dialog writes nothing";
  delete frame;
}

// A bid list that cannot be read is set aside, and the user is told once,
// after the start, where it was kept; the list then starts empty and is
// saved at the end without touching the copy.
TEST(BidListViewStart, UnreadableBidFileIsKeptAndReported) {
  CancelEveryDialog dialogs;
  TempFolder folder;
  PrepareProgramFolder(folder);
  const std::string damaged = "<bids><bid><item>12</item>\x01\xFF cut here";
  folder.Write("bids.xml", damaged);
  Services services(DataPaths(folder.PathOf("quorrel")));
  auto* frame = new MainFrame(services);
  EXPECT_TRUE(frame->Initialize());
  EXPECT_TRUE(dialogs.seen.empty()) << "nothing opened inside the start";
  ASSERT_TRUE(PumpUntil([&] { return !dialogs.seen.empty(); }));
  PumpUntil([&] { return dialogs.seen.size() >= 2; }, std::chrono::milliseconds(500));
  ASSERT_EQ(dialogs.seen.size(), 1u);
  EXPECT_EQ(dialogs.seen[0], "Quorrel error: Error: Can't read the bid list. It was kept as " +
                                 folder.PathOf("bids.xml.bad") + ".");
  EXPECT_EQ(frame->List().GetItemCount(), 0);
  delete frame;
  EXPECT_EQ(TempFolder::Read(folder.PathOf("bids.xml.bad")), damaged);
  BidList saved;
  EXPECT_TRUE(LoadBidFile(folder.PathOf("bids.xml"), saved)) << "a sound, empty list";
  EXPECT_FALSE(std::filesystem::exists(folder.PathOf("bids.xml.bad.2")));
}

class BidListViewAgainstSite : public PracticeSiteFixture {};

// Bids the list cannot read are not dropped without a word: the file as it
// was is kept aside, one box after the start says how many and where, and
// the bids that could be read are sniped as ever.
TEST_F(BidListViewAgainstSite, SkippedBidsAreKeptAsideAndTheOthersSniped) {
  Account account;
  ASSERT_TRUE(account.SetAccount(ServerList(serversPath_), "sniper", "pw", "USA"));
  account.SetVerified(true);
  ASSERT_TRUE(SaveAccountFile(folder_.PathOf("account.cfg"), account));
  WriteQuietSettings(folder_.PathOf("quorrel.xml"));
  const std::uint32_t item = site_->AddAuction("Pocket watch", 10, 5.0, "rival");
  const std::string original = "<bids><defaults><margin>20</margin></defaults>"
                               "<bid><item>" + std::to_string(item) + "</item><maxbid>20</maxbid><margin>4</margin></bid>"
                               "<bid><item>77</item><maxbid>3</maxbid></bid>"
                               "<bid><item>78</item><maxbid>abc</maxbid><margin>9</margin></bid></bids>";
  folder_.Write("bids.xml", original);

  CancelEveryDialog dialogs;
  Services services(DataPaths(folder_.PathOf("quorrel")));
  auto* frame = new MainFrame(services);
  EXPECT_TRUE(frame->Initialize());
  EXPECT_TRUE(dialogs.seen.empty()) << "nothing opened inside the start";
  const auto status = [&] {
    const auto& rows = frame->List().Shown().rows;
    return rows.size() == 1 && rows[0].Item() == item ? rows[0].status : BidStatus::Unknown;
  };
  EXPECT_TRUE(PumpUntil([&] { return status() == BidStatus::Won; }, std::chrono::seconds(25)));
  EXPECT_EQ(Logged("/ws/AcceptBid").size(), 1u);
  ASSERT_EQ(dialogs.seen.size(), 1u);
  EXPECT_EQ(dialogs.seen[0], "Quorrel error: Error: Can't read 2 bids in the bid list. The list as it was is kept as " +
                                 folder_.PathOf("bids.xml.bad") + ".");
  delete frame;
  EXPECT_EQ(TempFolder::Read(folder_.PathOf("bids.xml.bad")), original);
  EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("bids.xml.bad.2")));
  BidList saved;
  EXPECT_TRUE(LoadBidFile(folder_.PathOf("bids.xml"), saved));
  ASSERT_EQ(saved.RowCount(), 1u);
  EXPECT_EQ(saved.BidAt(0)->Item(), item);
}
