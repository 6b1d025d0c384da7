#include "site/AccountVerifier.h"

#include "net/HttpClient.h"
#include "site/Account.h"
#include "site/ServerList.h"
#include "support/PracticeSiteFixture.h"
#include "support/RecordingUserInterface.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

TEST(AccountStatus, Texts) {
  EXPECT_STREQ(AccountStatusText(AccountStatus::Unverified), "Unverified");
  EXPECT_STREQ(AccountStatusText(AccountStatus::Verified), "Verified");
  EXPECT_STREQ(AccountStatusText(AccountStatus::Failed), "Failed");
  EXPECT_STREQ(AccountStatusText(AccountStatus::NoResponse), "No response from Ebay");
  EXPECT_STREQ(AccountStatusText(AccountStatus::Checking), "Checking...");
  EXPECT_STREQ(AccountStatusText(static_cast<AccountStatus>(9)), "Unknown");
}

class VerifyTest : public PracticeSiteFixture {
 protected:
  // The shipped servers.xml, with `from` replaced by `to`.
  ServerList Servers(const std::string& from = {}, const std::string& to = {}) {
    std::string servers = TempFolder::Read(serversPath_);
    if (!from.empty()) servers.replace(servers.find(from), from.size(), to);
    return ServerList(folder_.Write("servers-variant.xml", servers));
  }
  std::string Logs() {
    std::filesystem::create_directory(folder_.PathOf("logs"));
    return folder_.PathOf("logs/");
  }

  RecordingUserInterface ui_;
  HttpClient client_{ui_};
  Account account_;
};

TEST_F(VerifyTest, PreSignInThenSignIn) {
  ASSERT_TRUE(account_.SetAccount(Servers(), "joe", "pw", "USA"));
  EXPECT_EQ(VerifyAccount(client_, ui_, account_, Logs()), AccountStatus::Verified);
  EXPECT_EQ(Logged("/ws/SignIn").size(), 2u) << "the pre-sign-in, then the sign-in";
  EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("logs/account.html")));
}

// Without the pre-sign-in the site refuses: the reply is saved, line feeds
// as CR LF, for the owner alone.
TEST_F(VerifyTest, FailedSignInSavesTheReply) {
  site_->Stop();
  PracticeSiteOptions options;
  options.port = 0;
  options.liveAuctions = 0;
  options.requirePreSignIn = true;
  PracticeSite strict(options);
  ASSERT_TRUE(strict.Start());
  std::string servers = TempFolder::Read(serversPath_);
  for (std::size_t at; (at = servers.find(site_->Host())) != std::string::npos;) {
    servers.replace(at, site_->Host().size(), strict.Host());
  }
  const std::string presignin = "<presigninobject>/ws/SignIn</presigninobject>";
  servers.erase(servers.find(presignin), presignin.size());
  ASSERT_TRUE(account_.SetAccount(ServerList(folder_.Write("strict.xml", servers)), "joe", "pw", "USA"));

  const std::string logs = Logs();
  folder_.Write("logs/account.html", "an older reply");
  EXPECT_EQ(VerifyAccount(client_, ui_, account_, logs), AccountStatus::Failed);
  const std::string saved = TempFolder::Read(logs + "account.html");
  EXPECT_NE(saved.find("did not work"), std::string::npos);
  EXPECT_NE(saved.find("</head>\r\n<body>\r\n"), std::string::npos);
  EXPECT_EQ(saved.find("\n<"), saved.find("\r\n<") + 1) << "every line feed follows a CR";
  struct stat info {};
  ASSERT_EQ(::stat((logs + "account.html").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  strict.Stop();
}

TEST_F(VerifyTest, NoLogsFolderSavesNothingAndSaysNothing) {
  ASSERT_TRUE(account_.SetAccount(Servers("<![CDATA[Welcome back, ]]>", "never matches"), "joe",
                                  "pw", "USA"));
  EXPECT_EQ(VerifyAccount(client_, ui_, account_, folder_.PathOf("no-logs/")), AccountStatus::Failed);
  EXPECT_TRUE(ui_.Boxes().empty());
}

TEST_F(VerifyTest, NoResponseWhenTheSiteIsGone) {
  ASSERT_TRUE(account_.SetAccount(Servers(), "joe", "pw", "USA"));
  site_->Stop();
  EXPECT_EQ(VerifyAccount(client_, ui_, account_, Logs()), AccountStatus::NoResponse);
  ASSERT_EQ(ui_.Boxes().size(), 1u) << "the client's own box";
  EXPECT_EQ(ui_.Boxes()[0].rfind("URL Get HttpSendRequest", 0), 0u);
}

TEST_F(VerifyTest, BrokenSignInPatternShowsItsBox) {
  ASSERT_TRUE(account_.SetAccount(Servers("<![CDATA[Welcome back, ]]>", "<![CDATA[Welcome (]]>"),
                                  "joe", "pw", "USA"));
  EXPECT_EQ(VerifyAccount(client_, ui_, account_, Logs()), AccountStatus::Failed);
  EXPECT_EQ(ui_.Boxes(),
            std::vector<std::string>{"Malformed regular expression parsing sign-in reply\nWelcome ("});
}

}  // namespace
