#pragma once

#include "site/ServerProfile.h"

#include <string>

class ServerList;

// The user's site account: user id, password (plain in memory) and the
// chosen location's server profile. A value, copied whole (for instance
// into the account dialog's working copy). `verified` is cleared whenever
// the user id, password or location is set.
class Account {
 public:
  // Loads the location's profile first; if that fails nothing changes.
  bool SetAccount(const ServerList& servers, const std::string& userId,
                  const std::string& password, const std::string& location);

  bool IsVerified() const { return verified_; }
  void SetVerified(bool verified) { verified_ = verified; }

  const std::string& UserId() const { return userId_; }
  const std::string& Password() const { return password_; }
  const ServerProfile& Profile() const { return profile_; }

 private:
  std::string userId_;
  std::string password_;
  ServerProfile profile_;
  bool verified_ = false;
};
