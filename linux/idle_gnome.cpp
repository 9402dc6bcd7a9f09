// Mutter's idle monitor through libdbus: one idle watch for the whole run (it
// fires once in each idle period), and after each firing a user-active watch
// (which fires once and is gone) to learn that the user came back. Only the
// first call waits for its answer; the rest are answered through the loop.
#include "linux/idle_gnome.h"

#include <dbus/dbus.h>
#include <unistd.h>

#include <cstdlib>

namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";
constexpr int kStartCallMilliseconds = 5000;  // the monitor is in the compositor: it answers at once

// A call of the monitor's `method` with its one argument (none when `type` is
// DBUS_TYPE_INVALID), or null when memory runs out.
DBusMessage* MakeCall(const char* method, int type = DBUS_TYPE_INVALID, const void* argument = nullptr) {
  DBusMessage* call = dbus_message_new_method_call(kService, kPath, kInterface, method);
  if (call != nullptr && type != DBUS_TYPE_INVALID &&
      !dbus_message_append_args(call, type, argument, DBUS_TYPE_INVALID)) {
    dbus_message_unref(call);
    return nullptr;
  }
  return call;
}

// Sends `call` without waiting for an answer; its serial, 0 when it cannot go.
uint32_t Send(DBusConnection* bus, DBusMessage* call) {
  dbus_uint32_t serial = 0;
  if (call == nullptr) return 0;
  if (!dbus_connection_send(bus, call, &serial)) serial = 0;
  dbus_message_unref(call);
  dbus_connection_flush(bus);
  return serial;
}

void RemoveWatch(DBusConnection* bus, uint32_t id) {
  if (id == 0) return;
  const dbus_uint32_t argument = id;
  DBusMessage* call = MakeCall("RemoveWatch", DBUS_TYPE_UINT32, &argument);
  if (call != nullptr) dbus_message_set_no_reply(call, TRUE);
  Send(bus, call);
}

std::string Describe(const DBusError& e, const char* otherwise) {
  return dbus_error_is_set(&e) && e.message != nullptr ? e.message : otherwise;
}

}  // namespace

bool StartGnomeIdleWatch(GnomeIdleWatch& watch, int32_t seconds, std::string& error) {
  // Where none is named, libdbus would start a bus of its own (autolaunch),
  // which has no idle monitor: a GNOME session names its bus.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if ((address == nullptr || *address == '\0') &&
      (runtime == nullptr || access((std::string(runtime) + "/bus").c_str(), F_OK) != 0)) {
    error = "no session bus: DBUS_SESSION_BUS_ADDRESS is not set";
    return false;
  }
  DBusError e;
  dbus_error_init(&e);
  watch.bus = dbus_bus_get_private(DBUS_BUS_SESSION, &e);
  if (watch.bus == nullptr) {
    error = "no session bus: " + Describe(e, "out of memory");
    dbus_error_free(&e);
    return false;
  }
  dbus_connection_set_exit_on_disconnect(watch.bus, FALSE);
  // A signal sent to the whole bus reaches only those that asked for it; one
  // addressed to this connection needs no rule.
  dbus_bus_add_match(watch.bus,
                     "type='signal',interface='org.gnome.Mutter.IdleMonitor',member='WatchFired',"
                     "path='/org/gnome/Mutter/IdleMonitor/Core'",
                     &e);
  const dbus_uint64_t milliseconds = static_cast<dbus_uint64_t>(seconds) * 1000;
  DBusMessage* call = dbus_error_is_set(&e) ? nullptr : MakeCall("AddIdleWatch", DBUS_TYPE_UINT64, &milliseconds);
  DBusMessage* reply = call != nullptr
                           ? dbus_connection_send_with_reply_and_block(watch.bus, call, kStartCallMilliseconds, &e)
                           : nullptr;
  if (call != nullptr) dbus_message_unref(call);
  dbus_uint32_t id = 0;
  if (reply != nullptr) {
    dbus_message_get_args(reply, &e, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID);
    dbus_message_unref(reply);
  }
  watch.idleWatch = id;
  if (id == 0) {
    error = Describe(e, "no idle watch");
    dbus_error_free(&e);
    StopGnomeIdleWatch(watch);
    return false;
  }
  return true;
}

int GnomeIdleFd(const GnomeIdleWatch& watch) {
  int fd = -1;
  if (watch.bus != nullptr) dbus_connection_get_unix_fd(watch.bus, &fd);
  return fd;
}

bool PumpGnomeIdle(GnomeIdleWatch& watch, bool& idle, bool& resumed, std::string& error) {
  dbus_connection_read_write(watch.bus, 0);
  // Every message read is taken, those read while a call waited too: the
  // descriptor does not tell of those.
  while (DBusMessage* message = dbus_connection_pop_message(watch.bus)) {
    dbus_uint32_t id = 0;
    if (dbus_message_is_signal(message, kInterface, "WatchFired") &&
        dbus_message_get_args(message, nullptr, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID)) {
      if (id == watch.idleWatch) {
        idle = true;
        if (watch.activeWatch == 0 && watch.activeCall == 0) {
          watch.activeCall = Send(watch.bus, MakeCall("AddUserActiveWatch"));
        }
      } else if (id != 0 && id == watch.activeWatch) {
        watch.activeWatch = 0;
        idle = false;
        resumed = true;
      }
    } else if (watch.activeCall != 0 && dbus_message_get_reply_serial(message) == watch.activeCall) {
      // An error answer leaves no watch: input still ends the show.
      watch.activeCall = 0;
      if (dbus_message_get_type(message) == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
          dbus_message_get_args(message, nullptr, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID)) {
        watch.activeWatch = id;
      }
    }
    dbus_message_unref(message);
  }
  if (!dbus_connection_get_is_connected(watch.bus)) {
    error = "-idle: the session bus went away, and with it GNOME's idle watch";
    return false;
  }
  return true;
}

void StopGnomeIdleWatch(GnomeIdleWatch& watch) {
  if (watch.bus == nullptr) return;
  if (dbus_connection_get_is_connected(watch.bus)) {
    RemoveWatch(watch.bus, watch.idleWatch);
    RemoveWatch(watch.bus, watch.activeWatch);
  }
  dbus_connection_close(watch.bus);
  dbus_connection_unref(watch.bus);
  watch = GnomeIdleWatch{};
}
