"""A stand-in for the GNOME session services an idle watcher asks, on the session bus it is given:
the compositor's idle monitor (idle watches on a clock of its own, user-active watches; SIGUSR1
is the user's input), the session manager's idle inhibition (while STATE/inhibited exists) and
the screen shield (active while STATE/locked exists). Writes STATE/ready once on the bus.
Usage: gnome_stand_in.py STATE"""
import itertools
import os
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

MONITOR = "org.gnome.Mutter.IdleMonitor"
state = sys.argv[1]


def now_ms():
    return GLib.get_monotonic_time() // 1000


class Monitor(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/gnome/Mutter/IdleMonitor/Core")
        self.last_input = now_ms()
        self.watches = {}  # id: interval in ms, 0 for a user-active watch
        self.timers = {}
        self.ids = itertools.count(1)

    def add(self, interval):
        watch = next(self.ids)
        self.watches[watch] = interval
        return watch

    def arm(self, watch):  # an idle watch fires when the idle time reaches its interval
        if watch in self.timers:
            GLib.source_remove(self.timers.pop(watch))
        left = self.watches[watch] - self.GetIdletime()
        if left >= 0:
            self.timers[watch] = GLib.timeout_add(left, self.fire, watch)

    def fire(self, watch):
        self.timers.pop(watch, None)
        self.WatchFired(watch)
        return False

    def user_input(self):
        self.last_input = now_ms()
        for watch, interval in list(self.watches.items()):
            if interval == 0:
                del self.watches[watch]
                self.WatchFired(watch)
            else:
                self.arm(watch)
        return True

    @dbus.service.method(MONITOR, out_signature="t")
    def GetIdletime(self):
        return now_ms() - self.last_input

    @dbus.service.method(MONITOR, in_signature="t", out_signature="u")
    def AddIdleWatch(self, interval):
        watch = self.add(interval)
        self.arm(watch)
        return watch

    @dbus.service.method(MONITOR, out_signature="u")
    def AddUserActiveWatch(self):
        return self.add(0)

    @dbus.service.signal(MONITOR, signature="u")
    def WatchFired(self, watch):
        pass


class Session(dbus.service.Object):
    @dbus.service.method("org.gnome.SessionManager", in_signature="u", out_signature="b")
    def IsInhibited(self, flags):
        return flags == 8 and os.path.exists(state + "/inhibited")

    @dbus.service.method("org.gnome.ScreenSaver", out_signature="b")
    def GetActive(self):
        return os.path.exists(state + "/locked")


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
monitor = Monitor(bus)
objects = [Session(bus, "/org/gnome/SessionManager"), Session(bus, "/org/gnome/ScreenSaver")]
names = [dbus.service.BusName(name, bus) for name in
         (MONITOR, "org.gnome.SessionManager", "org.gnome.ScreenSaver")]
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, monitor.user_input)
open(state + "/ready", "w").close()
GLib.MainLoop().run()
