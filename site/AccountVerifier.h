#pragma once

#include "net/HttpClient.h"

#include <string>

class Account;
class UserInterface;

// What the account dialog shows of its account.
enum class AccountStatus {
  Unverified = 1,
  Verified = 2,
  Failed = 3,  // shown as a link to the saved reply
  NoResponse = 4,
  Checking = 5,
};

// "Unverified", "Verified", "Failed", "No response from Ebay",
// "Checking..."; any other value "Unknown".
const char* AccountStatusText(AccountStatus status);

// Signs in once with the account: the optional pre-sign-in page, then the
// sign-in form, whose reply must match the profile's signinexp. A reply
// that does not is saved as "account.html" in the logs folder (CR LF line
// ends, owner only) and gives Failed. Synchronous.
// `options` say how its exchanges are made (by default, as HttpPost).
AccountStatus VerifyAccount(HttpClient& client, UserInterface& ui, const Account& account,
                            const std::string& logsFolder, const ExchangeOptions& options = {});
