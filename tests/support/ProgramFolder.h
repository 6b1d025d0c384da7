#pragma once

#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "support/QuietSettings.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

// A program folder for a main window under test: the shipped servers.xml,
// a complete account (so that the account dialog does not open at start),
// and settings without the start-up update check.
inline void PrepareProgramFolder(const TempFolder& folder, bool writeSettings = true) {
  folder.Write("servers.xml", TempFolder::Read(QUORREL_SHIPPED_SERVERS));
  Account account;
  ASSERT_TRUE(account.SetAccount(ServerList(folder.PathOf("servers.xml")), "joe", "pw", "USA"));
  ASSERT_TRUE(SaveAccountFile(folder.PathOf("account.cfg"), account));
  if (writeSettings) WriteQuietSettings(folder.PathOf("quorrel.xml"));
}
