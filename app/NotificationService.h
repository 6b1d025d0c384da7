#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

typedef struct _GCancellable GCancellable;
typedef struct _GDBusConnection GDBusConnection;

// The desktop's notification service on the session bus, called without
// waiting for its answers: a synchronous call waits on the user-interface
// thread up to 25 s where the service hangs or the bus tries to start one
// that never comes up, and the window and the program's end would wait
// with it. User-interface thread only (the answers come on its loop).
class NotificationService {
 public:
  // `invoked`: an action chosen on a notification, by its id and key.
  explicit NotificationService(std::function<void(std::uint32_t id, const std::string& key)> invoked);
  ~NotificationService();  // calls under way are dropped
  NotificationService(const NotificationService&) = delete;
  NotificationService& operator=(const NotificationService&) = delete;

  struct Notice {
    std::string summary;
    std::string body;
    std::string icon;  // a themed icon's name
    std::int32_t timeoutMs = -1;  // -1: the service's own, 0: until seen
    std::uint8_t urgency = 1;  // 0 low, 1 normal, 2 critical
    // Key and label of each; the key "default" is a click on the body.
    std::vector<std::pair<std::string, std::string>> actions;
  };
  // `sent` gets the notification's id once the service has taken it.
  void Send(const Notice& notice, std::function<void(std::uint32_t id)> sent);

 private:
  friend struct NotificationServiceCalls;
  void CallNotify(const Notice& notice, std::function<void(std::uint32_t)> sent);

  std::function<void(std::uint32_t, const std::string&)> invoked_;
  GCancellable* cancel_ = nullptr;
  GDBusConnection* bus_ = nullptr;
  bool busPending_ = false;
  bool busFailed_ = false;
  unsigned subscription_ = 0;
  // Notices sent before the bus was there.
  std::vector<std::pair<Notice, std::function<void(std::uint32_t)>>> waiting_;
};
