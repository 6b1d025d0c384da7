#include "app/ErrorReportDialog.h"

#include "app/WxUserInterface.h"
#include "site/ErrorReport.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <wx/statbmp.h>

#include <atomic>

namespace {

// A page that does not match reaches the dialog with its cause and the page
// as received; OK closes it.
// The report does not wait for the user: it shows once the loop runs.
TEST(ErrorReportDialog, ShowsCauseAndPage) {
  WxUserInterface ui;
  ErrorReport report(ui);
  bool checked = false;
  report.ReportSiteError("Can't find auction title.", "host", "/path", "<html>new \xC3\xA9 layout</html>");
  wxTheApp->CallAfter([&] {
    auto* dialog = dynamic_cast<ErrorReportDialog*>(wxWindow::FindWindowById(ErrorReportDialog::kDialogId));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetTitle(), "Quorrel - Uh, oh!");
    EXPECT_EQ(Control<wxTextCtrl>(dialog, ErrorReportDialog::kCauseId)->GetValue(),
              "Can't find auction title.");
    auto* log = Control<wxTextCtrl>(dialog, ErrorReportDialog::kLogId);
    EXPECT_EQ(log->GetValue(), wxString::FromUTF8("<html>new \xC3\xA9 layout</html>"));
    EXPECT_FALSE(log->IsEditable());
    EXPECT_FALSE(dialog->FindWindow(ErrorReportDialog::kEmailId)->IsEnabled());
    EXPECT_NE(Control<wxStaticBitmap>(dialog, ErrorReportDialog::kIconId), nullptr);
    checked = true;
    Click(dialog->FindWindow(wxID_OK));
  });
  EXPECT_TRUE(PumpUntil([&] { return checked; }));
}

TEST(ErrorReportDialog, PageBytesThatAreNotUtf8StillShow) {
  ErrorReportDialog dialog(nullptr, "cause", "caf\xE9");
  EXPECT_EQ(Control<wxTextCtrl>(&dialog, ErrorReportDialog::kLogId)->GetValue(),
            wxString::FromUTF8("caf\xC3\xA9"));
}

// The pages the report exists for are often no text: a zero byte, UTF-16
// or a compressed reply shows every byte, the ones a text control cannot
// show replaced visibly, instead of an empty Log.
TEST(ErrorReportDialog, BinaryPagesShowEveryByte) {
  struct Case {
    std::string page;
    const char* shown;  // UTF-8
  };
  const Case cases[] = {
      {std::string("<html>\0zero</html>", 18), "<html>\xE2\x90\x80zero</html>"},
      {std::string("<\0h\0i\0>\0", 8), "<\xE2\x90\x80h\xE2\x90\x80i\xE2\x90\x80>\xE2\x90\x80"},
      {std::string("\x1F\x8B\x08\0\x7F\xFF\ttab\n", 11),
       "\xE2\x90\x9F\xEF\xBF\xBD\xE2\x90\x88\xE2\x90\x80\xE2\x90\xA1\xC3\xBF\ttab\n"},
  };
  for (const Case& c : cases) {
    ErrorReportDialog dialog(nullptr, "cause", c.page);
    EXPECT_EQ(Control<wxTextCtrl>(&dialog, ErrorReportDialog::kLogId)->GetValue(),
              wxString::FromUTF8(c.shown));
  }
}

// From the worker thread the box is shown by the user-interface thread
// while the worker waits.
TEST(WxUserInterface, BoxFromAnotherThreadWaitsForTheUserInterface) {
  MessageBoxAnswerer answerer;
  WxUserInterface ui;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    ui.ShowErrorBox("URL Get HttpSendRequest - URL: host.\nError: 12007 URL not resolved");
    returned = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
  worker.join();
  ASSERT_EQ(answerer.boxes.size(), 1u);
  EXPECT_EQ(answerer.boxes[0].title, "Quorrel error");
  EXPECT_EQ(answerer.boxes[0].message, "URL Get HttpSendRequest - URL: host.\nError: 12007 URL not resolved");
  EXPECT_TRUE(answerer.boxes[0].style & wxICON_EXCLAMATION);
  EXPECT_TRUE(answerer.boxes[0].style & wxOK);
}

// A posted box returns at once; while it is open, later posted boxes are
// not stacked on it, and once it is closed the next one shows.
TEST(WxUserInterface, PostedBoxesShowOneAtATime) {
  MessageBoxAnswerer answerer;
  WxUserInterface ui;
  std::thread worker([&] {
    ui.PostErrorBox("first");
    ui.PostErrorBox("second, while the first is open");
  });
  worker.join();  // returned without the user-interface thread's help
  EXPECT_TRUE(answerer.boxes.empty());
  wxTheApp->ProcessPendingEvents();
  ASSERT_EQ(answerer.boxes.size(), 1u);
  EXPECT_EQ(answerer.boxes[0].message, "first");
  EXPECT_EQ(answerer.boxes[0].title, "Quorrel error");
  std::thread later([&] { ui.PostErrorBox("after it closed"); });
  later.join();
  wxTheApp->ProcessPendingEvents();
  ASSERT_EQ(answerer.boxes.size(), 2u);
  EXPECT_EQ(answerer.boxes[1].message, "after it closed");
}

// At exit no thread is left waiting for a box that will never be shown.
TEST(WxUserInterface, ShutdownReleasesWaiters) {
  WxUserInterface ui;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    ui.ShowErrorBox("never shown");
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(returned);
  ui.Shutdown();
  worker.join();
  EXPECT_TRUE(returned);
  wxTheApp->ProcessPendingEvents();  // the queued box finds the interface shut down
  std::thread late([&] { ui.ShowErrorBox("after the end"); });
  late.join();
}

// Boxes still open when the program ends are closed, also when one was
// opened inside the other's loop (a worker's box while a box of the
// user-interface thread is open).
TEST(WxUserInterface, ShutdownClosesOpenBoxesInnermostFirst) {
  WxUserInterface ui;
  std::atomic<bool> workerReturned{false};
  std::thread worker([&] {
    ui.ShowErrorBox("the worker's box");
    workerReturned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // its box is queued
  wxTheApp->CallAfter([&] { ui.Shutdown(); });  // runs inside the worker's box
  ui.ShowErrorBox("the user-interface thread's box");  // both shown for real under Xvfb
  worker.join();
  EXPECT_TRUE(workerReturned);
}

}  // namespace
