#!/usr/bin/python3
# A stand-in for GNOME's idle monitor on the session bus: the user idle since it
# started or since its last SIGUSR1 (the user came back). An idle watch fires
# once in each idle period; a user-active watch fires at SIGUSR1 and is gone.
import signal, time
from gi.repository import Gio, GLib
XML = '''<node><interface name="org.gnome.Mutter.IdleMonitor">
<method name="GetIdletime"><arg direction="out" type="t"/></method>
<method name="AddIdleWatch"><arg direction="in" type="t"/><arg direction="out" type="u"/></method>
<method name="AddUserActiveWatch"><arg direction="out" type="u"/></method>
<method name="RemoveWatch"><arg direction="in" type="u"/></method>
<signal name="WatchFired"><arg type="u"/></signal></interface></node>'''
since, watches, ids = time.monotonic(), {}, iter(range(1, 1 << 32))  # id: [owner, interval or None, fired]
idle_ms = lambda: int((time.monotonic() - since) * 1000)
def call(bus, sender, path, interface, method, args, invocation):
    if method == 'GetIdletime': return invocation.return_value(GLib.Variant('(t)', (idle_ms(),)))
    if method == 'RemoveWatch': watches.pop(args[0], None); return invocation.return_value(None)
    watches[n := next(ids)] = [sender, args[0] if args else None, False]
    invocation.return_value(GLib.Variant('(u)', (n,)))
def fire(n):
    bus.emit_signal(watches[n][0], '/org/gnome/Mutter/IdleMonitor/Core', 'org.gnome.Mutter.IdleMonitor',
                    'WatchFired', GLib.Variant('(u)', (n,)))
def tick():
    for n, w in watches.items():
        if w[1] is not None and not w[2] and idle_ms() >= w[1]: w[2] = True; fire(n)
    return True
def active():
    global since; since = time.monotonic()
    for n, w in list(watches.items()):
        w[2] = False
        if w[1] is None: fire(n); del watches[n]
    return True
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.register_object('/org/gnome/Mutter/IdleMonitor/Core', Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0], call)
Gio.bus_own_name_on_connection(bus, 'org.gnome.Mutter.IdleMonitor', 0, None, None)
GLib.timeout_add(50, tick)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, active)
GLib.MainLoop().run()
