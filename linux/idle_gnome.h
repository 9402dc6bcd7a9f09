// GNOME's idle time for -idle: Mutter offers no Wayland idle notification but
// an idle monitor on the session D-Bus, whose watches this follows.
#pragma once

#include <cstdint>
#include <string>

struct DBusConnection;

struct GnomeIdleWatch {
  DBusConnection* bus = nullptr;
  uint32_t idleWatch = 0;    // fires each time the user has been idle the interval
  uint32_t activeWatch = 0;  // fires once, when the user is back, and is gone then
  uint32_t activeCall = 0;   // the serial of the call asking for it, until answered
};

// Connects to the session bus and asks the idle monitor for a watch of
// `seconds`. False with the reason in `error` when there is no session bus or
// no idle monitor on it.
bool StartGnomeIdleWatch(GnomeIdleWatch& watch, int32_t seconds, std::string& error);

// The bus connection's file descriptor: PumpGnomeIdle has work when it is
// readable.
int GnomeIdleFd(const GnomeIdleWatch& watch);

// Handles what the bus brought, without waiting: `idle` set when the idle watch
// fired; `idle` cleared and `resumed` set when the user came back after it.
// False with the reason in `error` when the bus went away.
bool PumpGnomeIdle(GnomeIdleWatch& watch, bool& idle, bool& resumed, std::string& error);

// Removes the watches and disconnects.
void StopGnomeIdleWatch(GnomeIdleWatch& watch);
