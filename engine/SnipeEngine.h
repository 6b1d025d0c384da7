#pragma once

#include "bids/BidList.h"
#include "bids/SortOrder.h"
#include "engine/BidEvent.h"
#include "engine/EngineSnapshot.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HttpClient;
class LocalClock;
class SiteTimeParser;
class UserInterface;

// Told when the engine has a new snapshot. Called on the engine's thread;
// must not wait for the user-interface thread.
class EngineObserver {
 public:
  virtual ~EngineObserver() = default;
  virtual void EngineChanged() = 0;
};

// The sniper itself, on a thread of its own: it owns the bid list, runs the
// scheduler's pass once a second, reads pages through a pool of its own,
// estimates the site's clock from every reply, and places each bid on its
// own thread so that the commit reaches the site on its margin. Nothing a
// window does (a box, a menu, a drag, a dialog) holds any of it: windows
// post commands, which return at once, and read snapshots.
//
// The commands and Snapshot may be called from any thread.
class SnipeEngine {
 public:
  // Time stamps for the benchmarks (the timing log), and every step of
  // every bid; set before Start. Called on the engine's thread: they must
  // not block.
  struct Hooks {
    std::function<void()> passBegin;
    std::function<void()> passEnd;
    std::function<void(std::uint32_t item)> placing;
    std::function<void()> refreshAll;
    std::function<void(const BidEvent&)> bidEvent;
  };

  SnipeEngine(HttpClient& client, UserInterface& ui, const SiteTimeParser& times,
              const LocalClock& clock, std::string bidFilePath, EngineObserver& observer);
  ~SnipeEngine();  // Stop
  SnipeEngine(const SnipeEngine&) = delete;
  SnipeEngine& operator=(const SnipeEngine&) = delete;

  // Runs `job` on the engine's thread with the list and waits for it:
  // loading the files at start, and tests.
  void Call(const std::function<void(BidList&)>& job);

  // Where a failed sign-in's reply is kept; set before Start.
  void SetLogsFolder(const std::string& folder);
  // The ticks begin; the first Refresh all follows a second later.
  void Start();
  // The bid file on disk is the only copy of a list that could not be
  // read: nothing is saved over it.
  void LeaveBidFileAlone();
  // Every step of every bid goes to this file too (HistoryLog).
  void KeepHistory(const std::string& path);
  // Saves the bid file, then ends every exchange and the thread. Waits.
  void Stop();

  // Commands.
  void AddBid(const Bid& bid, bool refreshNow);
  void EditBid(std::uint32_t id, std::uint32_t item, float maxBid, std::int32_t margin,
               const std::string& group);
  void DeleteBids(const std::vector<std::uint32_t>& ids);
  void Refresh(std::uint32_t id);
  void RefreshAll();
  // Every Watching bid read at once (the computer woke from a sleep).
  void RefreshWatching();
  void SetAccount(const Account& account);
  void SetDefaultMargin(std::int32_t margin);
  void SetSort(const SortOrder& order);
  // False while the main window is minimised: bids are still placed, but
  // the list is not re-sorted.
  void SetVisible(bool visible);

  std::shared_ptr<const EngineSnapshot> Snapshot() const;

  // A bid is due, and keeps the computer awake, from this long before its
  // moment until its final read.
  static constexpr std::int64_t kDueWindow = 600'000'000;
  // Each bid's moment is checked for what would make it fail this long
  // before it, and again this long before it. The second check reads the
  // page itself: no regular read falls that close to a moment (only the
  // clock's probes, while its estimate is wide).
  static constexpr std::int64_t kFirstCheck = kDueWindow;
  static constexpr std::int64_t kLastCheck = 60'000'000;

  Hooks hooks;

 private:
  class Core;
  void Post(std::function<void(Core&)> command);

  std::unique_ptr<Core> core_;
  std::thread thread_;
};
