#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// One running copy per user: a lock that dies with the process holding it,
// and a local socket on which that copy answers a probe with 1026. Only
// the lock's holder creates or removes the socket. A copy that finds the
// lock taken asks the holder to come to the front and ends once it
// answers; it starts instead if the holder ends meanwhile.
class SingleInstance {
 public:
  static constexpr const char* kName = "QuorrelMutex-4328943230244";
  static constexpr int kProbe = 1026;

  enum class Start {
    kRun,         // the lock is this copy's
    kHandedOver,  // another copy runs and answered: it is coming to the front
    kRefused,     // neither: Problem() says why
  };

  SingleInstance();
  ~SingleInstance();

  // Takes the lock, or waits up to `patience` for the copy that holds it
  // to answer or to end.
  Start Claim(std::chrono::milliseconds patience);
  // What kept Claim from starting or handing over, for the user.
  const std::string& Problem() const { return problem_; }

  // From now on answer probes; `bringToFront` runs on the user-interface
  // thread for each one.
  void Answer(std::function<void()> bringToFront);

  // Where the lock and the socket live: $XDG_RUNTIME_DIR, else the home
  // folder; empty when neither is set.
  static std::string Folder();
  static std::string LockPath();
  static std::string SocketPath();

 private:
  class Listener;
  int lock_ = -1;  // before the listener: the socket goes while the lock is held
  std::unique_ptr<Listener> listener_;
  std::string problem_;
};
