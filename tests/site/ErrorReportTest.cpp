#include "site/ErrorReport.h"

#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct PageCase {
  const char* label;
  const char* page;
  const char* box;  // null: the report dialog opens
};

class ReportOf : public testing::TestWithParam<PageCase> {};

// Empty and site-down pages get a short box, whatever the cause; anything
// else opens the report with the cause and the page.
TEST_P(ReportOf, PageDecidesWhatIsShown) {
  RecordingUserInterface ui;
  ErrorReport report(ui);
  report.ReportSiteError("Can't find auction title.", "host", "/path", GetParam().page);
  if (GetParam().box != nullptr) {
    EXPECT_EQ(ui.Boxes(), std::vector<std::string>{GetParam().box});
    EXPECT_TRUE(ui.Reports().empty());
  } else {
    ASSERT_EQ(ui.Reports().size(), 1u);
    EXPECT_EQ(ui.Reports()[0].cause, "Can't find auction title.");
    EXPECT_EQ(ui.Reports()[0].page, GetParam().page);
    EXPECT_TRUE(ui.Boxes().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ReportOf,
    testing::Values(PageCase{"empty", "", ErrorReport::kNoData},
                    PageCase{"maintenance", "<p>down for scheduled maintenance</p>", ErrorReport::kSiteDown},
                    PageCase{"unavailable", "Temporarily Unavailable", ErrorReport::kSiteDown},
                    PageCase{"unavailable_lower", "is temporarily unavailable.", ErrorReport::kSiteDown},
                    PageCase{"capitals", "SCHEDULED MAINTENANCE", nullptr},
                    PageCase{"changed_page", "<html>new layout</html>", nullptr}),
    [](const testing::TestParamInfo<PageCase>& info) { return info.param.label; });

// While one report is open, later failures are dropped; once it is closed,
// the next one shows again.
TEST(ErrorReport, OneAtATime) {
  RecordingUserInterface ui;
  ErrorReport report(ui);
  ui.whileReportOpen = [&] { report.ReportSiteError("second", "h", "/p", "another page"); };
  report.ReportSiteError("first", "h", "/p", "a page");
  ASSERT_EQ(ui.Reports().size(), 1u);
  EXPECT_EQ(ui.Reports()[0].cause, "first");
  ui.whileReportOpen = nullptr;
  report.ReportSiteError("third", "h", "/p", "a page");
  EXPECT_EQ(ui.Reports().size(), 2u);
}

}  // namespace

// A report that could not be shown at all (the window failed to open)
// does not silence the ones after it.
TEST(ErrorReport, FailureToShowSilencesNothing) {
  class FailingOnce : public RecordingUserInterface {
   public:
    void PostErrorReport(const std::string& cause, const std::string& page,
                         std::function<void()> closed) override {
      if (failed_++ == 0) throw std::runtime_error("no window");
      RecordingUserInterface::PostErrorReport(cause, page, std::move(closed));
    }

   private:
    int failed_ = 0;
  } ui;
  ErrorReport report(ui);
  EXPECT_THROW(report.ReportSiteError("first", "h", "/p", "a page"), std::runtime_error);
  report.ReportSiteError("second", "h", "/p", "another page");
  ASSERT_EQ(ui.Reports().size(), 1u);
  EXPECT_EQ(ui.Reports()[0].cause, "second");
}
