#include "site/AccountVerifier.h"

#include "net/HttpClient.h"
#include "site/Account.h"
#include "site/PatternSearch.h"
#include "site/RequestTemplate.h"
#include "store/AtomicFile.h"

const char* AccountStatusText(AccountStatus status) {
  switch (status) {
    case AccountStatus::Unverified: return "Unverified";
    case AccountStatus::Verified: return "Verified";
    case AccountStatus::Failed: return "Failed";
    case AccountStatus::NoResponse: return "No response from Ebay";
    case AccountStatus::Checking: return "Checking...";
  }
  return "Unknown";
}

AccountStatus VerifyAccount(HttpClient& client, UserInterface& ui, const Account& account,
                            const std::string& logsFolder, const ExchangeOptions& given) {
  const ServerProfile& profile = account.Profile();
  std::string page, date;
  ExchangeOptions options = given;
  options.caFile = profile.ca_file;
  if (!profile.account.presigninobject.empty() &&
      !client.Exchange("POST", profile.URL, profile.account.presigninobject, {}, page, date, options)) {
    return AccountStatus::NoResponse;
  }
  if (!client.Exchange("POST", profile.URL, ExpandAccountTemplate(account, profile.account.HTTPObject),
                       ExpandAccountTemplate(account, profile.account.HTTPData), page, date, options)) {
    return AccountStatus::NoResponse;
  }
  std::string ignored;
  if (SearchPattern(profile.account.signinexp, page, ignored, ui,
                    "Malformed regular expression parsing sign-in reply\n") == PatternResult::Match) {
    return AccountStatus::Verified;
  }
  // The reply may hold personal data: the owner alone may read it.
  std::string saved;
  saved.reserve(page.size() + page.size() / 20);
  for (const char c : page) {
    if (c == '\n') saved += '\r';
    saved += c;
  }
  WriteFileAtomically(logsFolder + "account.html", saved, FileAccess::OwnerOnly);
  return AccountStatus::Failed;
}
