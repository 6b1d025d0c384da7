#pragma once

#include <functional>
#include <string>

typedef struct _GCancellable GCancellable;
typedef struct _GDBusConnection GDBusConnection;

// Keeps the computer from sleeping through logind: while held, an inhibitor
// lock (what "sleep:idle", who "Quorrel", mode "block") stands open on the
// system bus; closing its descriptor releases it. Also tells when the
// computer comes back from a sleep (PrepareForSleep false).
//
// Everything goes through GDBus on the default main context, which the
// window's event loop runs: calls never wait. User-interface thread only.
class SleepInhibitor {
 public:
  struct Events {
    // The lock could not be taken (no system bus, no logind, refused):
    // once per Hold.
    std::function<void(const std::string& error)> failed;
    // The computer woke from a sleep.
    std::function<void()> resumed;
  };

  explicit SleepInhibitor(Events events);
  ~SleepInhibitor();  // the lock released, pending calls cancelled
  SleepInhibitor(const SleepInhibitor&) = delete;
  SleepInhibitor& operator=(const SleepInhibitor&) = delete;

  // Takes the lock unless it is held or asked for; `why` is what logind
  // shows for it. A Hold that failed is not tried again before Release.
  void Hold(const std::string& why);
  void Release();
  // logind granted the lock and it is open.
  bool Held() const { return fd_ >= 0; }

 private:
  friend struct SleepInhibitorCalls;  // GDBus's callbacks
  void Call();
  void Fail(const std::string& error);

  Events events_;
  GCancellable* cancel_ = nullptr;
  GDBusConnection* bus_ = nullptr;
  bool busPending_ = true;
  bool busFailed_ = false;
  std::string busError_;
  unsigned subscription_ = 0;
  bool wanted_ = false;
  bool calling_ = false;
  bool failed_ = false;  // for this Hold
  std::string why_;
  int fd_ = -1;
};
