#pragma once

#include "bids/Bid.h"
#include "site/Account.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class HttpClient;
class UserInterface;
struct SiteRequest;

// A look, ahead of a bid's moment, at what would make it fail, while the
// user still has time to act: on a thread of its own, it reads the item
// page (does the site answer, how long does an exchange take, what is the
// price now) and, for an account that is verified, signs in once more.
// Works on copies of the bid and its account.
class PreMomentCheck {
 public:
  struct Findings {
    std::uint32_t bidId = 0;
    bool reached = false;
    std::string error;               // why the site was not reached
    std::int64_t exchange = 0;       // the page's exchange, sent to answered (microseconds)
    std::optional<bool> signedIn;    // tried only for a verified account
    std::unique_ptr<SiteRequest> page;  // the read, for the bid's row
  };
  // Called once, on the check's thread (not when abandoned).
  using Done = std::function<void(std::unique_ptr<Findings>)>;

  PreMomentCheck(HttpClient& client, UserInterface& ui, const Bid& bid, std::string logsFolder, Done done);
  ~PreMomentCheck();  // gives up at once and waits for the thread
  PreMomentCheck(const PreMomentCheck&) = delete;
  PreMomentCheck& operator=(const PreMomentCheck&) = delete;

  bool Finished() const { return finished_; }

  // What the findings, and the bid as the read left it, say would go
  // wrong; empty for a sound bid.
  static std::vector<std::string> Reasons(const Bid& bid, const Account& account, const Findings& findings);
  // The amount in a price text ("US $1,234.50", "EUR 12,50"); none
  // without digits.
  static std::optional<double> Amount(const std::string& price);

 private:
  void Run();

  HttpClient& client_;
  UserInterface& ui_;
  Account account_;
  Bid bid_;  // refers to account_
  std::string logsFolder_;
  Done done_;
  std::atomic<bool> abandon_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;  // last
};
