#include "site/Account.h"

#include "site/ServerList.h"

#include <gtest/gtest.h>

namespace {

const ServerList kShipped(QUORREL_SHIPPED_SERVERS);

TEST(Account, FreshAccountIsEmptyUsaUnverified) {
  const Account account;
  EXPECT_EQ(account.Profile().name, "USA");
  EXPECT_EQ(account.Profile().URL, "");
  EXPECT_EQ(account.UserId(), "");
  EXPECT_EQ(account.Password(), "");
  EXPECT_FALSE(account.IsVerified());
}

TEST(Account, UnknownLocationChangesNothing) {
  Account account;
  ASSERT_TRUE(account.SetAccount(kShipped, "joe", "secret", "USA"));
  account.SetVerified(true);
  const ServerProfile before = account.Profile();
  EXPECT_FALSE(account.SetAccount(kShipped, "ann", "other", "Atlantis"));
  EXPECT_EQ(account.UserId(), "joe");
  EXPECT_EQ(account.Password(), "secret");
  EXPECT_EQ(account.Profile().URL, before.URL);
  EXPECT_TRUE(account.IsVerified());
}

TEST(Account, SettingTheSameDataClearsVerified) {
  Account account;
  ASSERT_TRUE(account.SetAccount(kShipped, "joe", "secret", "USA"));
  EXPECT_EQ(account.Profile().URL, "127.0.0.1:8480");
  account.SetVerified(true);
  ASSERT_TRUE(account.SetAccount(kShipped, "joe", "secret", "USA"));
  EXPECT_FALSE(account.IsVerified());
}

}  // namespace
