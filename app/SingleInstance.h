#pragma once

#include <functional>
#include <memory>
#include <string>

class wxSingleInstanceChecker;

// One running copy per user: a per-user lock, and a local socket on which
// the running copy answers a probe with 1026. A second copy that gets the
// answer within 200 ms asks the first to come to the front and ends; one
// that finds the lock taken but gets no answer starts normally.
class SingleInstance {
 public:
  static constexpr const char* kName = "QuorrelMutex-4328943230244";
  static constexpr int kProbe = 1026;

  SingleInstance();
  ~SingleInstance();

  // True when another copy runs and answered (it is coming to the front).
  bool HandOverToRunningCopy();
  // From now on answer probes; `bringToFront` runs on the user-interface
  // thread for each one.
  void Answer(std::function<void()> bringToFront);

  // Where the lock and the socket live: the user's home folder.
  static std::string SocketPath();

 private:
  class Listener;
  std::unique_ptr<wxSingleInstanceChecker> lock_;
  std::unique_ptr<Listener> listener_;
};
