#include "app/NotificationService.h"

#include <gio/gio.h>

#include <memory>

namespace {
constexpr const char* kName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
}  // namespace

// Callbacks of a cancelled call come after their object is gone: they look
// at the error before they touch it.
struct NotificationServiceCalls {
  static bool Cancelled(GError* error) {
    const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
    if (cancelled) g_error_free(error);
    return cancelled;
  }

  static void BusReady(GObject*, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    if (bus == nullptr && Cancelled(error)) return;
    auto* self = static_cast<NotificationService*>(data);
    self->busPending_ = false;
    auto waiting = std::move(self->waiting_);
    self->waiting_.clear();
    if (bus == nullptr) {
      g_error_free(error);
      self->busFailed_ = true;
      return;
    }
    self->bus_ = bus;
    self->subscription_ = g_dbus_connection_signal_subscribe(bus, kName, kName, "ActionInvoked", kPath, nullptr,
                                                             G_DBUS_SIGNAL_FLAGS_NONE,
                                                             &NotificationServiceCalls::Action, self, nullptr);
    for (auto& [notice, sent] : waiting) self->CallNotify(notice, std::move(sent));
  }

  struct Pending {
    NotificationService* self;
    std::function<void(std::uint32_t)> sent;
  };

  static void Notified(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply == nullptr) {
      if (!Cancelled(error)) g_error_free(error);
      return;  // no service took it
    }
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    if (pending->sent) pending->sent(id);
  }

  static void Action(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                     GVariant* parameters, gpointer data) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) return;
    guint32 id = 0;
    const gchar* key = nullptr;
    g_variant_get(parameters, "(u&s)", &id, &key);
    auto* self = static_cast<NotificationService*>(data);
    if (self->invoked_) self->invoked_(id, key);
  }
};

NotificationService::NotificationService(std::function<void(std::uint32_t, const std::string&)> invoked)
    : invoked_(std::move(invoked)), cancel_(g_cancellable_new()) {}

NotificationService::~NotificationService() {
  g_cancellable_cancel(cancel_);
  if (bus_ != nullptr) {
    if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    g_object_unref(bus_);
  }
  g_object_unref(cancel_);
}

void NotificationService::Send(const Notice& notice, std::function<void(std::uint32_t)> sent) {
  if (busFailed_) return;
  if (bus_ != nullptr) {
    CallNotify(notice, std::move(sent));
    return;
  }
  waiting_.emplace_back(notice, std::move(sent));
  if (busPending_) return;
  busPending_ = true;
  g_bus_get(G_BUS_TYPE_SESSION, cancel_, &NotificationServiceCalls::BusReady, this);
}

void NotificationService::CallNotify(const Notice& notice, std::function<void(std::uint32_t)> sent) {
  GVariantBuilder actions;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  for (const auto& [key, label] : notice.actions) {
    g_variant_builder_add(&actions, "s", key.c_str());
    g_variant_builder_add(&actions, "s", label.c_str());
  }
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(notice.urgency));
  // Services take the body as markup: an item's "&" or "<" must stay text.
  gchar* body = g_markup_escape_text(notice.body.c_str(), -1);
  GVariant* parameters = g_variant_new("(susssasa{sv}i)", "Quorrel", 0u, notice.icon.c_str(), notice.summary.c_str(),
                                       body, &actions, &hints, notice.timeoutMs);
  g_free(body);
  g_dbus_connection_call(bus_, kName, kPath, kName, "Notify", parameters, G_VARIANT_TYPE("(u)"),
                         G_DBUS_CALL_FLAGS_NONE, -1, cancel_, &NotificationServiceCalls::Notified,
                         new NotificationServiceCalls::Pending{this, std::move(sent)});
}
