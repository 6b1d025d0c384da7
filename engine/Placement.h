#pragma once

#include "bids/Bid.h"
#include "net/ExchangeTiming.h"
#include "site/Account.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class HttpClient;
class LocalClock;
class UserInterface;

// One bid's placement, on a thread of its own so that a slow or stalled
// exchange holds no other bid: the bid setup is fetched ahead of the
// moment (once more if the first try fails and time allows), and the
// commit goes the moment Go is called, or as soon as the key is there if
// the moment came first. Works on copies of the bid and its account taken
// when it starts.
class Placement {
 public:
  // What the engine hears, on the placement's thread: every step.
  struct Report {
    enum Kind {
      SetupSent,
      SetupAnswered,
      SetupFailed,
      KeyFound,
      KeyMissing,
      CommitSent,
      CommitAnswered,
      Finished
    };
    Kind kind = Finished;
    std::uint32_t bidId = 0;
    int attempt = 0;         // the setup's: 1 or 2
    std::string key;         // KeyFound
    std::string dateHeader;  // SetupAnswered, CommitAnswered: the reply's Date and when it came
    ExchangeTiming timing;
    // SetupFailed, KeyMissing, and Finished without a commit: what went wrong.
    std::string error;
    bool committed = false;  // Finished: the commit was sent and answered
    bool abandoned = false;  // Finished: given up by its owner
  };
  using Reports = std::function<void(Report)>;

  // `commitBy`: the local time (microseconds) the commit is planned for,
  // which bounds how long the setup may take.
  Placement(HttpClient& client, UserInterface& ui, const LocalClock& clock, const Bid& bid,
            std::int64_t commitBy, Reports reports);
  // Before the commit went out, gives up at once; after, waits for it.
  ~Placement();
  Placement(const Placement&) = delete;
  Placement& operator=(const Placement&) = delete;

  // The moment as reckoned for a new connection; where the setup's
  // connection is still open, the commit waits `keptWait` more, the round
  // trip it saves.
  void Go(std::int64_t keptWait = 0);
  // Gives up at once, the commit too (the program's end).
  void Abandon();
  // Gives up unless the commit has gone out (a bid deleted or changed).
  void AbandonUnlessCommitted();
  bool CommitSent() const { return commitSent_; }
  bool Done() const { return done_; }

 private:
  void Run();
  bool FetchKey(std::string& key, std::string& error);
  // A failed exchange's text: for the report, and in the box as before.
  void ExchangeFailed(Report report, const std::string& error);
  bool WaitForGo();
  std::string Lane() const;
  void PauseBeforeRetry();
  Report NewReport(Report::Kind kind) const;

  HttpClient& client_;
  UserInterface& ui_;
  const LocalClock& clock_;
  Account account_;
  Bid bid_;  // refers to account_
  std::int64_t commitBy_;
  Reports reports_;

  std::mutex lock_;
  std::condition_variable wake_;
  bool go_ = false;
  std::int64_t keptWait_ = 0;
  bool stop_ = false;
  std::atomic<bool> abandon_{false};
  std::atomic<bool> commitSent_{false};
  std::atomic<bool> done_{false};
  std::thread thread_;  // last: it uses everything above
};
