#include "site/ServerList.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// A complete base entry; tests cut pieces out of it or add entries after it.
const std::string kUsa =
    "<server name=\"USA\">\r\n"
    "<URL>us.example</URL>\r\n"
    "<item_view>\r\n"
    "<HTTPObject>/item?%[ITEM]</HTTPObject>\r\n"
    "<HTTPData>ignored</HTTPData>\r\n"
    "<number><![CDATA[#(\\d+)]]></number>\r\n"
    "<ending>ends (.*)</ending>\r\n"
    "<title>us title</title>\r\n"
    "<bidder>us bidder</bidder>\r\n"
    "<currentbid>us bid</currentbid>\r\n"
    "</item_view>\r\n"
    "<bid_setup><HTTPObject>/setup</HTTPObject><keyexp>key=(\\w+)</keyexp></bid_setup>\r\n"
    "<bid_commit><HTTPObject>/commit</HTTPObject><HTTPData>k=%[BIDKEY]</HTTPData></bid_commit>\r\n"
    "<account><HTTPObject>/signin</HTTPObject><signinexp>Welcome</signinexp></account>\r\n"
    "</server>\r\n";

std::string Servers(const std::string& entries) { return "<servers>\r\n" + entries + "</servers>\r\n"; }

std::string Without(std::string text, const std::string& piece) {
  const auto at = text.find(piece);
  if (at != std::string::npos) text.erase(at, piece.size());
  return text;
}

class ServerListTest : public testing::Test {
 protected:
  ServerList With(const std::string& content) { return ServerList(folder_.Write("servers.xml", content)); }
  TempFolder folder_;
};

TEST_F(ServerListTest, BaseEntryGivesEveryField) {
  const ServerList servers = With(Servers(kUsa));
  ServerProfile p;
  ASSERT_TRUE(servers.LoadServerProfile("USA", p));
  EXPECT_EQ(p.name, "USA");
  EXPECT_EQ(p.URL, "us.example");
  EXPECT_EQ(p.item_view.HTTPObject, "/item?%[ITEM]");
  EXPECT_EQ(p.item_view.HTTPData, "ignored");
  EXPECT_EQ(p.item_view.number, "#(\\d+)");
  EXPECT_EQ(p.item_view.currentbid, "us bid");
  EXPECT_EQ(p.bid_setup.HTTPData, "") << "optional and absent";
  EXPECT_EQ(p.bid_setup.keyexp, "key=(\\w+)");
  EXPECT_EQ(p.bid_commit.HTTPData, "k=%[BIDKEY]");
  EXPECT_EQ(p.account.presigninobject, "");
  EXPECT_EQ(p.account.signinexp, "Welcome");
}

// Another location takes from the base entry whatever it does not give
// itself, and its own name; an empty element still overrides.
TEST_F(ServerListTest, OtherLocationsInheritFromUsa) {
  const ServerList servers = With(Servers(
      kUsa + "<server name=\"UK\"><URL>uk.example</URL></server>\r\n" +
      "<server name=\"DE\"><item_view><bidder>de bidder</bidder><title></title></item_view>"
      "<account><signinexp>\r\nWillkommen\r\n</signinexp></account></server>\r\n"));
  ServerProfile uk;
  ASSERT_TRUE(servers.LoadServerProfile("UK", uk));
  EXPECT_EQ(uk.name, "UK");
  EXPECT_EQ(uk.URL, "uk.example");
  EXPECT_EQ(uk.item_view.title, "us title");
  EXPECT_EQ(uk.bid_setup.keyexp, "key=(\\w+)");

  ServerProfile de;
  ASSERT_TRUE(servers.LoadServerProfile("DE", de));
  EXPECT_EQ(de.URL, "us.example");
  EXPECT_EQ(de.item_view.bidder, "de bidder");
  EXPECT_EQ(de.item_view.title, "");
  EXPECT_EQ(de.item_view.ending, "ends (.*)");
  EXPECT_EQ(de.account.signinexp, "\r\nWillkommen\r\n") << "white space around a text is kept";
}

// A location may name an authority of its own: a relative path is taken
// from the program's folder (where servers.xml is), an absolute one as it
// is; a location that names none takes the base entry's.
TEST_F(ServerListTest, AuthorityFilesAndSchemes) {
  const ServerList servers = With(Servers(
      kUsa + "<server name=\"Secure\"><URL>https://us.example:8443</URL><ca_file>tls/ca.pem</ca_file></server>\r\n" +
      "<server name=\"Own\"><URL>http://own.example</URL><ca_file>/etc/own.pem</ca_file></server>\r\n"));
  ServerProfile secure, own, usa;
  ASSERT_TRUE(servers.LoadServerProfile("Secure", secure));
  EXPECT_EQ(secure.URL, "https://us.example:8443");
  EXPECT_EQ(secure.ca_file, folder_.PathOf("tls/ca.pem"));
  EXPECT_EQ(secure.bid_setup.keyexp, "key=(\\w+)");
  ASSERT_TRUE(servers.LoadServerProfile("Own", own));
  EXPECT_EQ(own.URL, "http://own.example");
  EXPECT_EQ(own.ca_file, "/etc/own.pem");
  ASSERT_TRUE(servers.LoadServerProfile("USA", usa));
  EXPECT_EQ(usa.ca_file, "");
}

struct BrokenCase {
  const char* label;
  std::string content;
  const char* location;
};

class ServerListFails : public ServerListTest, public testing::WithParamInterface<BrokenCase> {};

// A failed load leaves the profile exactly as it was.
TEST_P(ServerListFails, AndLeavesProfileUntouched) {
  const ServerList servers = With(GetParam().content);
  ServerProfile p;
  p.URL = "untouched";
  EXPECT_FALSE(servers.LoadServerProfile(GetParam().location, p));
  EXPECT_EQ(p.URL, "untouched");
  EXPECT_EQ(p.name, "USA");
}

const std::string kSetup =
    "<bid_setup><HTTPObject>/setup</HTTPObject><keyexp>key=(\\w+)</keyexp></bid_setup>\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ServerListFails,
    testing::Values(
        BrokenCase{"name_is_case_sensitive", Servers(kUsa), "usa"},
        BrokenCase{"unknown_location", Servers(kUsa), "Atlantis"},
        BrokenCase{"usa_without_keyexp", Servers(Without(kUsa, "<keyexp>key=(\\w+)</keyexp>") +
                                                 "<server name=\"UK\"/>"),
                   "UK"},
        BrokenCase{"usa_without_url", Servers(Without(kUsa, "<URL>us.example</URL>")), "USA"},
        BrokenCase{"bid_setup_before_item_view",
                   Servers("<server name=\"USA\">\r\n" + kSetup +
                           Without(Without(kUsa, kSetup), "<server name=\"USA\">\r\n")),
                   "USA"},
        BrokenCase{"no_usa", Servers("<server name=\"UK\"><URL>x</URL></server>"), "UK"},
        BrokenCase{"wrong_root", "<server_list>" + kUsa + "</server_list>", "USA"},
        BrokenCase{"malformed", Servers(kUsa).substr(0, 200), "USA"},
        BrokenCase{"empty_file", "", "USA"}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return info.param.label; });

TEST_F(ServerListTest, DuplicatesFirstWinsAndAllAreListed) {
  const ServerList servers = With(Servers(kUsa + "<server name=\"UK\"><URL>first</URL></server>" +
                                          "<server><URL>nameless</URL></server>" +
                                          "<server name=\"UK\"><URL>second</URL></server>"));
  ServerProfile uk;
  ASSERT_TRUE(servers.LoadServerProfile("UK", uk));
  EXPECT_EQ(uk.URL, "first");
  std::vector<std::string> names{"stale"};
  servers.ListServerNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"USA", "UK", "", "UK"}));
}

TEST_F(ServerListTest, MissingFileListsNothingAndLoadsNothing) {
  const ServerList servers(folder_.PathOf("servers.xml"));
  std::vector<std::string> names{"stale"};
  servers.ListServerNames(names);
  EXPECT_TRUE(names.empty());
  ServerProfile p;
  EXPECT_FALSE(servers.LoadServerProfile("USA", p));
}

// The file the program ships must load, and its patterns must be usable.
TEST(ShippedServers, LoadsUsa) {
  const ServerList servers(QUORREL_SHIPPED_SERVERS);
  ServerProfile p;
  ASSERT_TRUE(servers.LoadServerProfile("USA", p));
  EXPECT_EQ(p.URL, "127.0.0.1:8480");
  EXPECT_NE(p.item_view.HTTPObject.find("%[ITEM]"), std::string::npos);
  EXPECT_NE(p.bid_commit.HTTPData.find("%[BIDKEY]"), std::string::npos);
  ServerProfile secure;
  ASSERT_TRUE(servers.LoadServerProfile("USA (secure)", secure));
  EXPECT_EQ(secure.URL, "https://127.0.0.1:8443");
  EXPECT_EQ(std::filesystem::path(secure.ca_file).filename(), "ca.pem");
  EXPECT_EQ(secure.item_view.HTTPObject, p.item_view.HTTPObject);
}

}  // namespace
