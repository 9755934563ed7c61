"""A private Xvfb for a test.

Tests run side by side (ctest -j2), each with its own X server. Left to
pick a display itself (-displayfd), a starting server probes the numbers
from 0 up, and on the way removes the socket file of a server that is still
there (one shutting down, or resetting after its last client left): that
server then runs on unreachable, and a program started on it finds no
display. So each server gets a number no other one of ours uses, handed out
in turn from a counter all tests share, and never resets."""

import fcntl
import os
import subprocess

COUNTER = "/tmp/kovir-xvfb.next"
FIRST, LAST = 100, 999


def next_display():
    """The next display number in turn, shared by every test on this machine."""
    with open(COUNTER, "a+") as counter:
        fcntl.flock(counter, fcntl.LOCK_EX)
        counter.seek(0)
        text = counter.read().strip()
        number = int(text) if text.isdigit() and FIRST <= int(text) <= LAST else FIRST
        counter.seek(0)
        counter.truncate()
        counter.write(str(number + 1 if number < LAST else FIRST))
    return number


def start(size="640x400x24"):
    """An Xvfb, and its display (":101"), or None where none started. A
    number still taken (a server a crashed test left) is passed over."""
    for _ in range(10):
        number = next_display()
        read, write = os.pipe()
        server = subprocess.Popen(["Xvfb", f":{number}", "-displayfd", str(write), "-screen", "0",
                                   size, "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            ready = f.readline().strip()  # the number, once it takes clients
        if ready:
            return server, ":" + ready
        server.wait(10)
    return server, None


def stop(server):
    if server.poll() is None:
        server.terminate()
        server.wait(10)
