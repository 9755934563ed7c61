#!/usr/bin/python3
"""A stand-in of logind's documented D-Bus interface, as much of it as kovir
uses: org.freedesktop.login1.Manager's Inhibit, which returns the lock as a
descriptor whose closing lets it go, and its signal PrepareForSleep.

  logind_stand_in.py BUS_ADDRESS

Reads commands on standard input, one a line: "sleep" (PrepareForSleep
true) and "wake" (PrepareForSleep false). Prints what happens, one a line:
"ready", "inhibit WHAT MODE" for each lock taken, "released" when a lock's
holder lets it go."""

import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

MANAGER = "org.freedesktop.login1.Manager"


def say(line):
    print(line, flush=True)


class Manager(dbus.service.Object):
    @dbus.service.method(MANAGER, in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        # logind's lock is a pipe's end: the lock holds while it is open.
        kept, given = os.pipe()
        GLib.io_add_watch(kept, GLib.IO_HUP | GLib.IO_ERR, self.released)
        say(f"inhibit {what} {mode}")
        lock = dbus.types.UnixFd(given)  # a duplicate of it
        os.close(given)
        return lock

    def released(self, fd, condition):
        os.close(fd)
        say("released")
        return False

    @dbus.service.signal(MANAGER, signature="b")
    def PrepareForSleep(self, start):
        pass


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    name = dbus.service.BusName("org.freedesktop.login1", bus)
    manager = Manager(bus, "/org/freedesktop/login1")
    loop = GLib.MainLoop()

    def command(source, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        if line.strip() == "sleep":
            manager.PrepareForSleep(True)
        elif line.strip() == "wake":
            manager.PrepareForSleep(False)
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    say("ready")
    loop.run()
    del name


if __name__ == "__main__":
    main()
