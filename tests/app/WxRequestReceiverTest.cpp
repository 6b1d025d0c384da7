#include "app/WxRequestReceiver.h"

#include "WindowTestSupport.h"
#include "net/SiteRequest.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>

#include <thread>
#include <vector>

// A handler that opens a modal loop on the first record (an error box that
// nobody closes) does not hold the records behind it: they are handed over
// inside that loop.
TEST(WxRequestReceiver, ABoxOnTheFirstRecordHoldsNotTheNext) {
  std::vector<int> handled;
  bool nextSeenInsideTheBox = false;
  auto receiver = std::make_shared<WxRequestReceiver>([&](std::unique_ptr<SiteRequest> request) {
    handled.push_back(request->tag);
    if (request->tag != 1) return;
    wxEventLoop box;  // as a modal box would, until the next record is in
    wxTheApp->CallAfter([&] {
      PumpUntil([&] { return handled.size() == 3; });
      nextSeenInsideTheBox = handled.size() == 3;
      box.Exit();
    });
    box.Run();
  });
  std::thread worker([&] {
    for (int tag = 1; tag <= 3; ++tag) {
      auto request = std::make_unique<SiteRequest>();
      request->tag = tag;
      receiver->RequestDone(std::move(request));
    }
  });
  worker.join();
  ASSERT_TRUE(PumpUntil([&] { return handled.size() == 3; }));
  EXPECT_TRUE(nextSeenInsideTheBox);
  EXPECT_EQ(handled, (std::vector<int>{1, 2, 3}));
  receiver->Detach();
}
