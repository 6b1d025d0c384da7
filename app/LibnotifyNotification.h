#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

typedef struct _NotifyNotification NotifyNotification;

// One desktop notification, sent through libnotify to the desktop's
// notification service. wxWidgets' own names its actions by number only,
// so the click on a notification's body, which the service reports as the
// action "default", would reach nobody; here any action key can be named.
// User-interface thread only: the actions arrive on GLib's main loop.
class LibnotifyNotification {
 public:
  enum class Urgency { Low, Normal, Critical };
  // The action key a click on the body invokes.
  static constexpr const char* kBodyAction = "default";

  // `icon`: a name from the icon theme.
  LibnotifyNotification(const std::string& title, const std::string& text, const std::string& icon,
                        Urgency urgency);
  // Takes its actions back first, so that none is called afterwards.
  ~LibnotifyNotification();
  LibnotifyNotification(const LibnotifyNotification&) = delete;
  LibnotifyNotification& operator=(const LibnotifyNotification&) = delete;

  // Before Show. `label` is the button's; the service shows none for the
  // body's action.
  void AddAction(const std::string& key, const std::string& label, std::function<void()> chosen);
  // `stay`: until dismissed, else for the service's usual time. False when
  // libnotify could not start or no service took it.
  bool Show(bool stay);

 private:
  NotifyNotification* notification_ = nullptr;
  // Owned here, lent to libnotify as the callbacks' data.
  std::vector<std::unique_ptr<std::function<void()>>> actions_;
};
