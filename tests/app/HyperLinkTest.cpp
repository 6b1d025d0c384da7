#include "app/HyperLink.h"

#include <gtest/gtest.h>

#include <wx/frame.h>

#include <optional>

namespace {

TEST(LinkColours, ParsesOnlyThreeCommaSeparatedNumbers) {
  EXPECT_EQ(ParseRgbText("0,128,0"), (Rgb{0, 128, 0}));
  EXPECT_EQ(ParseRgbText("255,255,255"), (Rgb{255, 255, 255}));
  for (const char* bad : {"", "green", "0,128", "0,128,0,0", "0, 128,0", "256,0,0", "-1,0,0",
                          "0,128,0 ", "0;128;0"}) {
    EXPECT_EQ(ParseRgbText(bad), std::nullopt) << bad;
  }
  const LinkColours colours = ReadLinkColours();
  EXPECT_EQ(colours.link, (Rgb{0, 0, 255})) << "no desktop setting: the defaults";
  EXPECT_EQ(colours.visited, (Rgb{128, 0, 128}));
}

class HyperLinkTest : public testing::Test {
 protected:
  void SetUp() override {
    frame_ = new wxFrame(nullptr, wxID_ANY, "links");
    link_ = new HyperLink(frame_, 1023, "Failed", "file:///tmp/logs/account.html");
    link_->SetOpener([this](const wxString& url) {
      opened_.push_back(url.utf8_string());
      return openSucceeds_;
    });
    frame_->Show();
  }
  void TearDown() override { frame_->Destroy(); }

  void Mouse(wxEventType type, const wxPoint& at) {
    wxMouseEvent event(type);
    event.SetPosition(at);
    event.SetEventObject(link_);
    link_->ProcessWindowEvent(event);
  }
  void Key(int code) {
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = code;
    event.SetEventObject(link_);
    link_->ProcessWindowEvent(event);
  }

  wxFrame* frame_ = nullptr;
  HyperLink* link_ = nullptr;
  std::vector<std::string> opened_;
  bool openSucceeds_ = true;
};

TEST_F(HyperLinkTest, LooksLikeALink) {
  EXPECT_TRUE(link_->GetFont().GetUnderlined());
  EXPECT_EQ(link_->GetToolTipText(), "file:///tmp/logs/account.html");
  EXPECT_EQ(link_->CurrentColour(), wxColour(0, 0, 255));
  EXPECT_TRUE(link_->AcceptsFocus());
  EXPECT_GT(link_->GetBestSize().x, 10);
}

// Press and release over the text opens the URL; released elsewhere it
// does not. Opened, the link turns the visited colour.
TEST_F(HyperLinkTest, ClickOpensOnlyWhenReleasedOverTheText) {
  const wxPoint onText(5, 5);
  Mouse(wxEVT_LEFT_DOWN, onText);
  Mouse(wxEVT_LEFT_UP, wxPoint(500, 500));
  EXPECT_TRUE(opened_.empty());
  EXPECT_FALSE(link_->IsVisited());

  Mouse(wxEVT_LEFT_DOWN, onText);
  Mouse(wxEVT_LEFT_UP, onText);
  EXPECT_EQ(opened_, std::vector<std::string>{"file:///tmp/logs/account.html"});
  EXPECT_TRUE(link_->IsVisited());
  EXPECT_EQ(link_->CurrentColour(), wxColour(128, 0, 128));
}

TEST_F(HyperLinkTest, EnterAndSpaceOpen) {
  Key(WXK_RETURN);
  Key(WXK_SPACE);
  Key('A');
  EXPECT_EQ(opened_.size(), 2u);
}

TEST_F(HyperLinkTest, FailedOpeningLeavesItUnvisited) {
  openSucceeds_ = false;
  Key(WXK_SPACE);
  EXPECT_EQ(opened_.size(), 1u);
  EXPECT_FALSE(link_->IsVisited());
  EXPECT_EQ(link_->CurrentColour(), wxColour(0, 0, 255));
}

}  // namespace
