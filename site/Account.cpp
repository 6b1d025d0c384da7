#include "site/Account.h"

#include "site/ServerList.h"

bool Account::SetAccount(const ServerList& servers, const std::string& userId,
                         const std::string& password, const std::string& location) {
  if (!servers.LoadServerProfile(location, profile_)) return false;
  userId_ = userId;
  password_ = password;
  verified_ = false;
  return true;
}
