#include "app/SleepInhibitor.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

namespace {
constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

// The error as logind or the bus put it, without GDBus's prefix.
std::string Message(GError* error) {
  if (error == nullptr || error->message == nullptr) return "unknown error";
  if (g_dbus_error_is_remote_error(error)) g_dbus_error_strip_remote_error(error);
  return error->message;
}
}  // namespace

// Callbacks of a cancelled call come after their object is gone: they look
// at the error before they touch it.
struct SleepInhibitorCalls {
  static void BusReady(GObject*, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
      g_error_free(error);
      return;
    }
    auto* self = static_cast<SleepInhibitor*>(data);
    self->busPending_ = false;
    if (bus == nullptr) {
      self->busFailed_ = true;
      self->busError_ = Message(error);
      g_error_free(error);
      if (self->wanted_) self->Fail(self->busError_);
      return;
    }
    self->bus_ = bus;
    self->subscription_ = g_dbus_connection_signal_subscribe(
        bus, kLogind, kManager, "PrepareForSleep", kManagerPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        &SleepInhibitorCalls::Signal, self, nullptr);
    if (self->wanted_) self->Call();
  }

  static void InhibitDone(GObject* source, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    GUnixFDList* fds = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_finish(G_DBUS_CONNECTION(source), &fds,
                                                                      result, &error);
    int fd = -1;
    if (reply != nullptr) {
      gint32 index = -1;
      g_variant_get(reply, "(h)", &index);
      if (fds != nullptr) fd = g_unix_fd_list_get(fds, index, &error);  // a copy of our own
      g_variant_unref(reply);
    }
    if (fds != nullptr) g_object_unref(fds);
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
      g_error_free(error);
      if (fd >= 0) close(fd);
      return;
    }
    auto* self = static_cast<SleepInhibitor*>(data);
    self->calling_ = false;
    if (fd < 0) {
      const std::string text = error != nullptr ? Message(error) : "no lock in the reply";
      if (error != nullptr) g_error_free(error);
      if (self->wanted_) self->Fail(text);
      return;
    }
    if (!self->wanted_) {
      close(fd);  // released while the call was under way
      return;
    }
    self->fd_ = fd;
  }

  static void Signal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                     GVariant* parameters, gpointer data) {
    gboolean sleeping = TRUE;
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
    g_variant_get(parameters, "(b)", &sleeping);
    auto* self = static_cast<SleepInhibitor*>(data);
    if (!sleeping && self->events_.resumed) self->events_.resumed();
  }
};

SleepInhibitor::SleepInhibitor(Events events) : events_(std::move(events)), cancel_(g_cancellable_new()) {
  g_bus_get(G_BUS_TYPE_SYSTEM, cancel_, &SleepInhibitorCalls::BusReady, this);
}

SleepInhibitor::~SleepInhibitor() {
  g_cancellable_cancel(cancel_);
  Release();
  if (bus_ != nullptr) {
    if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    g_object_unref(bus_);
  }
  g_object_unref(cancel_);
}

void SleepInhibitor::Hold(const std::string& why) {
  if (wanted_) return;
  wanted_ = true;
  failed_ = false;
  why_ = why;
  if (busFailed_) {
    Fail(busError_);
  } else if (!busPending_) {
    Call();
  }
}

void SleepInhibitor::Release() {
  wanted_ = false;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void SleepInhibitor::Call() {
  if (calling_ || fd_ >= 0 || bus_ == nullptr) return;
  calling_ = true;
  g_dbus_connection_call_with_unix_fd_list(
      bus_, kLogind, kManagerPath, kManager, "Inhibit",
      g_variant_new("(ssss)", "sleep:idle", "Quorrel", why_.c_str(), "block"), G_VARIANT_TYPE("(h)"),
      G_DBUS_CALL_FLAGS_NONE, 10'000, nullptr, cancel_, &SleepInhibitorCalls::InhibitDone, this);
}

void SleepInhibitor::Fail(const std::string& error) {
  if (failed_) return;
  failed_ = true;
  if (events_.failed) events_.failed(error);
}
