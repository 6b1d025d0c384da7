#include "app/LibnotifyNotification.h"

#include <wx/app.h>

#include <libnotify/notify.h>

namespace {

extern "C" void OnAction(NotifyNotification*, char*, gpointer chosen) {
  (*static_cast<std::function<void()>*>(chosen))();
}

// Once a run, under the program's name. Left for wxWidgets' own module to
// end at exit, as it does for the library it links.
bool Started() {
  if (notify_is_initted()) return true;
  const wxString name = wxTheApp != nullptr ? wxTheApp->GetAppName() : wxString("quorrel");
  return notify_init(name.utf8_str());
}

}  // namespace

LibnotifyNotification::LibnotifyNotification(const std::string& title, const std::string& text,
                                             const std::string& icon, Urgency urgency) {
  if (!Started()) return;
  notification_ = notify_notification_new(title.c_str(), text.c_str(), icon.c_str());
  if (notification_ == nullptr) return;
  notify_notification_set_urgency(notification_, urgency == Urgency::Low      ? NOTIFY_URGENCY_LOW
                                                 : urgency == Urgency::Normal ? NOTIFY_URGENCY_NORMAL
                                                                              : NOTIFY_URGENCY_CRITICAL);
}

LibnotifyNotification::~LibnotifyNotification() {
  if (notification_ == nullptr) return;
  notify_notification_clear_actions(notification_);
  g_object_unref(notification_);
}

void LibnotifyNotification::AddAction(const std::string& key, const std::string& label,
                                      std::function<void()> chosen) {
  if (notification_ == nullptr) return;
  actions_.push_back(std::make_unique<std::function<void()>>(std::move(chosen)));
  notify_notification_add_action(notification_, key.c_str(), label.c_str(), &OnAction, actions_.back().get(),
                                 nullptr);
}

bool LibnotifyNotification::Show(bool stay) {
  if (notification_ == nullptr) return false;
  notify_notification_set_timeout(notification_, stay ? NOTIFY_EXPIRES_NEVER : NOTIFY_EXPIRES_DEFAULT);
  GError* error = nullptr;
  const bool shown = notify_notification_show(notification_, &error);
  if (error != nullptr) g_error_free(error);
  return shown;
}
