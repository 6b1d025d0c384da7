#include "site/AccountFile.h"

#include "site/Account.h"
#include "site/ServerList.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const ServerList kServers(QUORREL_SHIPPED_SERVERS);

std::string Field(const std::string& text) {
  const auto length = static_cast<std::uint32_t>(text.size() + 1);
  std::string out;
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((length >> shift) & 0xFF);
  return out + text + '\0';
}

TEST(AccountFile, ScramblingIsUndoneAndKeyedPerField) {
  const std::string text = "p\xC3ss w\0rd&%", full(text.data(), 11);
  EXPECT_EQ(UnscrambleText(ScrambleText(full)), full);
  EXPECT_NE(ScrambleText(full), full);
  EXPECT_EQ(ScrambleText("\xC3")[0], '\0') << "the first byte is XOR-ed with 50123's high byte";
  EXPECT_EQ(ScrambleText("ab").substr(0, 1), ScrambleText("a")) << "every field starts afresh";
}

// Worked out by hand from the key rule, so that a wrong constant cannot
// pass by being used on both sides: 'j' ^ 0xC3 = 0xA9, key 0xCA7F;
// 'o' ^ 0xCA = 0xA5, key 0xF56F; 'e' ^ 0xF5 = 0x90.
TEST(AccountFile, ScramblesToTheFixedBytes) {
  EXPECT_EQ(ScrambleText("joe"), "\xA9\xA5\x90");
  EXPECT_EQ(UnscrambleText("\xA9\xA5\x90"), "joe");
}

TEST(AccountFile, WritesTheFiveFields) {
  TempFolder folder;
  Account account;
  ASSERT_TRUE(account.SetAccount(kServers, "joe", "", "UK"));
  account.SetVerified(true);
  ASSERT_TRUE(SaveAccountFile(folder.PathOf("account.cfg"), account));
  EXPECT_EQ(TempFolder::Read(folder.PathOf("account.cfg")),
            Field("Quorrel data v2.0") + Field(ScrambleText("joe")) + Field("") + Field("UK") + '\x01');
  struct stat info {};
  ASSERT_EQ(::stat(folder.PathOf("account.cfg").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "it holds the password";
}

struct RoundTrip {
  const char* label;
  std::string userId;
  std::string password;
  const char* location;
  bool verified;
};

class AccountRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(AccountRoundTrip, LoadsWhatWasSaved) {
  const RoundTrip& c = GetParam();
  TempFolder folder;
  Account saved;
  ASSERT_TRUE(saved.SetAccount(kServers, c.userId, c.password, c.location));
  saved.SetVerified(c.verified);
  ASSERT_TRUE(SaveAccountFile(folder.PathOf("account.cfg"), saved));

  Account loaded;
  ASSERT_TRUE(LoadAccountFile(folder.PathOf("account.cfg"), kServers, loaded));
  EXPECT_EQ(loaded.UserId(), c.userId);
  EXPECT_EQ(loaded.Password(), c.password);
  EXPECT_EQ(loaded.Profile().name, c.location);
  EXPECT_EQ(loaded.Profile().item_view.HTTPObject, saved.Profile().item_view.HTTPObject);
  EXPECT_EQ(loaded.IsVerified(), c.verified);
}

INSTANTIATE_TEST_SUITE_P(
    Accounts, AccountRoundTrip,
    testing::Values(RoundTrip{"plain", "joe", "secret", "USA", false},
                    RoundTrip{"empty_password_verified", "joe", "", "UK", true},
                    RoundTrip{"scrambles_to_zero", "\xC3joe", std::string("\xC3\0x", 3), "USA", true},
                    RoundTrip{"longest_field", std::string(2047, 'u'), "p&=% \xE9", "USA", false}),
    [](const testing::TestParamInfo<RoundTrip>& info) { return info.param.label; });

struct DamagedCase {
  const char* label;
  std::string content;
  bool ok;
  const char* userId;  // what the account holds afterwards
  bool verified;
};

class DamagedFile : public testing::TestWithParam<DamagedCase> {};

// A damaged file is refused without reading past its fields; a file of
// another kind is ignored; the verified byte counts only for an account
// that was set from the file.
TEST_P(DamagedFile, IsRefusedSafely) {
  const DamagedCase& c = GetParam();
  TempFolder folder;
  Account account;
  EXPECT_EQ(LoadAccountFile(folder.Write("account.cfg", c.content), kServers, account), c.ok);
  EXPECT_EQ(account.UserId(), c.userId);
  EXPECT_EQ(account.IsVerified(), c.verified);
}

const std::string kGood = Field("Quorrel data v2.0") + Field(ScrambleText("joe")) +
                          Field(ScrambleText("pw")) + Field("USA");

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    testing::Values(
        DamagedCase{"complete", kGood + '\x01', true, "joe", true},
        DamagedCase{"no_verified_byte", kGood, true, "joe", false},
        DamagedCase{"cut_in_location", kGood.substr(0, kGood.size() - 2), false, "", false},
        DamagedCase{"cut_in_length", kGood.substr(0, 2), false, "", false},
        DamagedCase{"other_magic", Field("Quorrel data v1.0") + Field("x"), true, "", false},
        DamagedCase{"empty", "", false, "", false},
        DamagedCase{"zero_length", Field("Quorrel data v2.0") + std::string(4, '\0'), false, "", false},
        DamagedCase{"oversized_length",
                    Field("Quorrel data v2.0") + std::string("\x01\x08\x00\x00", 4) + std::string(3000, 'x'),
                    false, "", false},
        DamagedCase{"huge_length", std::string("\xFF\xFF\xFF\xFF", 4) + "Quorrel", false, "", false},
        DamagedCase{"unknown_location",
                    Field("Quorrel data v2.0") + Field(ScrambleText("joe")) + Field("pw") +
                        Field("Atlantis") + '\x01',
                    false, "", false}),
    [](const testing::TestParamInfo<DamagedCase>& info) { return info.param.label; });

TEST(AccountFile, MissingFileKeepsTheDefaults) {
  TempFolder folder;
  Account account;
  EXPECT_TRUE(LoadAccountFile(folder.PathOf("account.cfg"), kServers, account));
  EXPECT_EQ(account.UserId(), "");
  EXPECT_EQ(account.Profile().name, "USA");
}

}  // namespace
