#!/usr/bin/python3
"""The real kovir-sim under a real X server, driven from outside the way an
operator drives it (mouse, keyboard, the close box, signals), judged by the
device's view of it: the trace on its standard output, and by the colours
on the screen.

  kovir_sim_e2e.py --program build/linux/ui/qt/kovir-sim [scenario ...]
  kovir_sim_e2e.py --program kovir-sim.exe --wineprefix DIR [scenario ...]

With --wineprefix the program is the Windows one, run by wine64 in that
prefix (made if missing); its lines end in CRLF."""

import argparse
import os
import queue
import re
import selectors
import signal
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display as xdisplay, protocol

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xvfb  # noqa: E402

TRACE = re.compile(r"^(\d+\.\d{6}) 0x([0-9A-F]{3,4}) 0x([0-9A-F]{2}) ([01]{8})$")

# Centres of the controls, in window client pixels.
AT = {
    "Napred": (208, 64), "Levo": (168, 104), "Desno": (264, 104), "Nazad": (208, 144),
    "ZVUK": (76, 108), "Stop": (348, 108),
    "LPT1: 378": (32, 198), "LPT3: 3BC": (32, 214), "LPT2: 278": (32, 230),
}


# A point inside each button's face, clear of its caption.
FACE = {
    "Napred": (175, 54), "Levo": (135, 94), "Desno": (231, 94), "Nazad": (175, 134),
    "ZVUK": (59, 91), "Stop": (331, 91),  # between the bevel and a focus frame
}
CYAN, YELLOW, GREEN, RED, BLUE = 0xC0FFFF, 0xFFF00F, 0x0FF00F, 0xFF0000, 0x0000FF

WINE64 = "/usr/lib/wine/wine64"
# How many times longer than here to wait for anything (an emulated PC is
# slower by about that much).
PATIENCE = float(os.environ.get("KOVIR_E2E_PATIENCE", "1"))
WINESERVER = "/usr/lib/wine/wineserver"


class Failure(Exception):
    pass


class Wine:
    """The Windows program's surroundings: one prefix, made once."""

    def __init__(self, prefix, loader=WINE64, arch=None):
        self.loader = loader
        self.env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all")
        if arch:
            self.env["WINEARCH"] = arch
        if not os.path.exists(os.path.join(prefix, "system.reg")):
            subprocess.run([loader, "wineboot", "-i"], env=self.env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
            subprocess.run([WINESERVER, "-w"], env=self.env, timeout=60)

    def command(self, program):
        return [self.loader, program]

    def no_debugger(self, display):
        """An unhandled exception ends the program, with no debugger waiting:
        without a Debugger value Wine starts its own, so it names one that is
        not there. (With the display: the Wine desktop this starts must make
        windows.)"""
        for key in (r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug",
                    r"HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug"):
            subprocess.run([self.loader, "reg", "add", key, "/v", "Debugger", "/d",
                            "kovir-no-debugger.exe", "/f"],
                           env=dict(self.env, DISPLAY=display), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)

    def end_session(self, display):
        """What a Windows logoff sends every window, then the end of the processes."""
        subprocess.run([self.loader, "wineboot", "--end-session"],
                       env=dict(self.env, DISPLAY=display),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def settle(self):
        """No Wine process outlives a scenario into the next one's display."""
        subprocess.run([WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=60)


WINE = None  # set by --wineprefix
IO_DLL = None  # set by --io-dll
FTD2XX_DLL = None  # set by --ftd2xx-dll
INPOUT_DLL = None  # set by --inpout-dll
FAULT_TOOL = None  # set by --fault-tool
BOARD_TOOL = None  # set by --board-tool
FAULT_LIBRARY = None  # set by --fault-library
CRASH_TAKING_IO_DLL = None  # set by --crash-taking-io-dll


class XServer:
    def __init__(self):
        self.proc, self.name = xvfb.start()
        if not self.name:
            raise Failure("Xvfb did not start")

    def stop(self):
        xvfb.stop(self.proc)

    def use_layout(self, layout):
        """Puts the X keyboard layout `layout` ("rs", "rs latin", "us") on
        every key, as xkb's own files define it: compiled by xkbcomp, each
        key's first group written into the server's keyboard map (setxkbmap
        alone does not take on Xvfb)."""
        from Xlib import XK
        XK.load_keysym_group("cyrillic")  # beside Latin-1 and the function keys
        rules = subprocess.run(["setxkbmap", "-display", self.name, "-print", *layout.split()],
                               check=True, capture_output=True, text=True, timeout=30).stdout
        keymap = subprocess.run(["xkbcomp", "-w", "0", "-xkb", "-", "-"], input=rules, check=True,
                                capture_output=True, text=True, timeout=30).stdout
        codes = {name: int(code) for name, code in re.findall(r"<(\w+)>\s*=\s*(\d+);", keymap)}
        d = xdisplay.Display(self.name)
        self.keys_of_layout = {}  # keysym name: the key (keycode) it is on
        try:
            for name, symbols in re.findall(
                    r"key <(\w+)>\s*{[^}]*?symbols\[Group1\]\s*=\s*\[([^\]]*)\]", keymap):
                names = [n.strip() for n in symbols.split(",")][:2]
                keysyms = [XK.string_to_keysym(n) for n in names] + [0] * (2 - len(names))
                if name in codes:
                    d.change_keyboard_mapping(codes[name], [keysyms])
                    self.keys_of_layout.update({n: codes[name] for n in names})
            d.sync()
        finally:
            d.close()
        # (A US map left on the keys fails the tests: W, A, S, D would still
        # drive, but the Serbian layouts' Z key would not, and US's Z key would.)


def threads_busy(pid):
    """Each thread's state and CPU time, from /proc."""
    seen = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:  # the thread ended meanwhile
            continue
        seen[tid] = (fields[0], int(fields[11]) + int(fields[12]))
    return seen


def send_signal(proc, sig):
    """A signal, as from a terminal or `kill`; under Wine a SIGINT (Ctrl+C)
    only once the program is idle, each thread asleep and using no CPU.
    Wine 8 makes its Ctrl+C thread inside its SIGINT handler, which calls
    calloc: a SIGINT that lands while a thread is inside malloc (the window
    drawing its texts with FreeType, just after a click) deadlocks the
    process on the allocator's lock before the program hears of it. That is
    Wine's, not the program's, and the README says so."""
    if WINE and sig == signal.SIGINT:
        deadline = time.monotonic() + 10 * PATIENCE
        earlier = None
        while True:
            now = threads_busy(proc.pid)
            if now == earlier and all(state == "S" for state, _ in now.values()):
                break
            if time.monotonic() > deadline:
                raise Failure(f"the program never went idle: {now}")
            earlier = now
            time.sleep(0.3)
    proc.send_signal(sig)


class Window:
    """The program's window on the given display, found by its caption, and
    what an operator does to it."""

    def __init__(self, x, env):
        self.x = x
        self.env = env
        # Searched for again until it shows: a search fails outright when a
        # window it is looking at goes away meanwhile, as Wine's passing
        # windows at start-up do.
        deadline = time.monotonic() + 20 * PATIENCE
        while True:
            search = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                     "^Upravljanje kovirom$"], env=env, capture_output=True,
                                    text=True, timeout=20 * PATIENCE)
            if search.returncode == 0 and search.stdout.split():
                self.window = int(search.stdout.split()[0])
                return
            if time.monotonic() > deadline:
                raise Failure("no window captioned \"Upravljanje kovirom\" showed")
            time.sleep(0.1)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, check=True, timeout=20 * PATIENCE,
                              capture_output=True, text=True).stdout

    def size(self):
        shell = self.xdotool("getwindowgeometry", "--shell", str(self.window))
        values = dict(line.split("=") for line in shell.split())
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def click(self, *controls):
        """Clicks the controls one after the other, as fast as xdotool can."""
        steps = []
        for control in controls:
            x, y = AT[control]
            steps += ["mousemove", "--window", str(self.window), str(x), str(y), "click", "1"]
        self.xdotool(*steps)

    def keys(self, *keys, xtest=False):
        """Types `keys` at the window; through XTest (as a keyboard does) for
        Wine, and for keys that need the server's own state, such as Num Lock."""
        self.xdotool("windowfocus", "--sync", str(self.window))
        if WINE or xtest:
            # Wine takes keys from XTest once its window has the focus, not
            # events sent to the window.
            self.xdotool("key", *keys)
        else:
            self.xdotool("key", "--window", str(self.window), *keys)

    def press(self, *keysyms):
        """Presses the keys that type `keysyms` under the layout put on the
        keys (use_layout), by their keycodes, through XTest as a keyboard
        does: the layout, not xdotool, decides what each one types."""
        from Xlib import XK
        from Xlib.ext import xtest
        self.xdotool("windowfocus", "--sync", str(self.window))
        d = xdisplay.Display(self.x.name)
        # Xvfb answers each fake key with an error python-xlib reports, and
        # takes the key all the same: what the program does is the check.
        d.set_error_handler(lambda *error: None)
        try:
            for keysym in keysyms:
                # Keys the layout leaves as they are, such as Esc, where they were.
                code = self.x.keys_of_layout.get(keysym) or d.keysym_to_keycode(
                    XK.string_to_keysym(keysym))
                xtest.fake_input(d, X.KeyPress, code)
                xtest.fake_input(d, X.KeyRelease, code)
                d.sync()
        finally:
            d.close()

    def faces(self, **expected):
        """Waits for the buttons' faces on the screen to show `expected`
        (name: 0xRRGGBB), reading one pixel of each, with the pointer off
        the buttons (a hovered face is shaded)."""
        self.xdotool("mousemove", "--window", str(self.window), "2", "2")
        d = xdisplay.Display(self.x.name)
        window = d.create_resource_object("window", self.window)
        seen = {}
        try:
            for _ in range(40):
                for name in expected:
                    x, y = FACE[name]
                    pixel = window.get_image(x, y, 1, 1, X.ZPixmap, 0xFFFFFFFF).data
                    seen[name] = pixel[2] << 16 | pixel[1] << 8 | pixel[0]
                if seen == expected:
                    return
                time.sleep(0.05)
        finally:
            d.close()
        raise Failure("faces on the screen: " +
                      ", ".join(f"{n} {seen[n]:06X} (expected {expected[n]:06X})" for n in expected))

    def close_box(self):
        """What a window manager's close box sends: WM_DELETE_WINDOW."""
        d = xdisplay.Display(self.x.name)
        window = d.create_resource_object("window", self.window)
        protocols = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        # A round trip before hanging up: a connection closed with requests
        # still unread by the server may lose them.
        d.sync()
        d.close()


class Program(Window):
    """kovir-sim on the given display, its trace read line by line."""

    def __init__(self, path, x, stderr=subprocess.DEVNULL):
        env = dict(WINE.env if WINE else os.environ, DISPLAY=x.name)
        env.pop("QT_QPA_PLATFORM", None)
        command = WINE.command(path) if WINE else [path]
        self.proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=stderr,
                                     env=env, text=True)
        self.lines = queue.Queue()
        self.trace = []
        self.raw = []  # the trace lines as written
        threading.Thread(target=self._read, daemon=True).start()
        super().__init__(x, env)

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\r\n"))
        self.lines.put(None)

    def expect(self, *writes):
        """Waits for the next trace lines and checks they are exactly `writes`."""
        got = []
        for _ in writes:
            try:
                line = self.lines.get(timeout=10 * PATIENCE)
            except queue.Empty:
                line = None
            if line is None:
                raise Failure(f"expected {writes}, trace ended after {got}")
            self.raw.append(line)
            m = TRACE.match(line)
            if not m:
                raise Failure(f"not a trace line on standard output: {line!r}")
            self.trace.append((float(m[1]), int(m[2], 16), int(m[3], 16)))
            got.append((int(m[2], 16), int(m[3], 16)))
            if int(m[3], 16) != int(m[4], 2):
                raise Failure(f"bits do not match the byte: {line!r}")
        if got != list(writes):
            raise Failure(f"expected {[fmt(w) for w in writes]}, got {[fmt(w) for w in got]}")

    def ends(self, status):
        try:
            code = self.proc.wait(15 * PATIENCE)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise Failure("the program did not end")
        if self.lines.get(timeout=5 * PATIENCE) is not None:
            raise Failure("the program wrote more than expected")
        if status is not None and code != status:
            raise Failure(f"exit status {code}, expected {status}")


def fmt(write):
    return f"0x{write[0]:03X}:{write[1]:02X}"


def pulse_width(program):
    (t_up, _, up), (t_down, _, down) = program.trace[-2:]
    if up & 0x10 == 0 or down & 0x10:
        raise Failure("the last two writes are not a sound pulse")
    return t_down - t_up


def operator_session(path, x):
    """Buttons, a sound pulse, a port choice, keyboard, then the close box."""
    p = Program(path, x)
    p.expect((0x378, 0x00))
    p.faces(Napred=CYAN, Levo=CYAN, Desno=CYAN, Nazad=CYAN, ZVUK=BLUE, Stop=RED)
    p.click("Napred")
    p.expect((0x378, 0x0F))
    p.faces(Napred=YELLOW, Levo=CYAN, Desno=CYAN, Nazad=CYAN, ZVUK=BLUE, Stop=GREEN)
    p.click("ZVUK")
    p.expect((0x378, 0x1F), (0x378, 0x0F))
    if pulse_width(p) < 0.150:
        raise Failure(f"the sound pulse lasted {pulse_width(p) * 1000:.3f} ms")
    p.click("LPT3: 3BC")
    p.click("Levo")
    p.expect((0x3BC, 0x0E))
    p.keys("Tab", "space")  # from "Levo" to "Desno"
    p.expect((0x3BC, 0x0B))
    p.keys("Tab", "space")  # on to "Napred"
    p.expect((0x3BC, 0x0F))
    p.click("Stop")
    p.expect((0x3BC, 0x00))
    p.faces(Napred=CYAN, Levo=CYAN, Desno=CYAN, Nazad=CYAN, ZVUK=BLUE, Stop=RED)
    p.close_box()
    p.expect((0x3BC, 0x00), (0x378, 0x00))  # 0x378 was left driving 0x0F
    p.ends(0)


def keyboard_drives(path, x):
    """Each button's keys do what its click does, wherever the focus is; Esc
    stops from the port options too."""
    p = Program(path, x)
    p.expect((0x378, 0x00))
    for key, byte in (("w", 0x0F), ("a", 0x0E), ("s", 0x05), ("d", 0x0B), ("Escape", 0x00)):
        p.keys(key)
        p.expect((0x378, byte))
    # The keypad's digits, with Num Lock on (off, its arrows are arrows).
    p.keys("Num_Lock", xtest=True)
    for key, byte in (("KP_8", 0x0F), ("KP_4", 0x0E), ("KP_2", 0x05), ("KP_6", 0x0B),
                      ("KP_5", 0x00)):
        p.keys(key, xtest=True)
        p.expect((0x378, byte))
    p.keys("Num_Lock", xtest=True)
    p.keys("w", "z")
    p.expect((0x378, 0x0F), (0x378, 0x1F), (0x378, 0x0F))
    if pulse_width(p) < 0.150:
        raise Failure(f"the sound pulse lasted {pulse_width(p) * 1000:.3f} ms")
    p.click("LPT3: 3BC")  # the focus is on the options now
    p.keys("Escape")
    p.expect((0x3BC, 0x00))
    p.close_box()
    p.expect((0x3BC, 0x00), (0x378, 0x00))  # 0x378 was left driving 0x0F
    p.ends(0)


# Each layout's keys by the keysym it gives them, pressed as a keyboard does
# (the physical key the layout puts that keysym on): W, A, S, D, the key that
# types Z (QWERTZ's under the Serbian layouts), and the key a US keyboard has
# Z on, which the Serbian layouts give another letter (and US's Y key).
LAYOUTS = {
    "rs": ["Cyrillic_nje", "Cyrillic_a", "Cyrillic_es", "Cyrillic_de", "Cyrillic_ze", "Cyrillic_dze"],
    "rs latin": ["w", "a", "s", "d", "z", "y"],
    "us": ["w", "a", "s", "d", "z", "y"],
}


def keys_under(layout):
    """Under the X keyboard layout `layout`, the keys that type W, A, S, D
    and Z drive, and no other letter does."""
    def scenario(path, x):
        x.use_layout(layout)
        forward, left, back, right, sound, other = LAYOUTS[layout]
        p = Program(path, x)
        p.expect((0x378, 0x00))
        for key, byte in ((forward, 0x0F), (left, 0x0E), (back, 0x05), (right, 0x0B)):
            p.press(key)
            p.expect((0x378, byte))
        p.press(sound)
        p.expect((0x378, 0x1B), (0x378, 0x0B))
        p.press(other, "Escape")  # only Esc's stop follows
        p.expect((0x378, 0x00))
        p.close_box()
        p.expect((0x378, 0x00))
        p.ends(0)
    return scenario


def clicks_during_a_pulse(path, x):
    """The pulse blocks the window; clicks made meanwhile follow in order, and
    a second pulse never overlaps the first."""
    p = Program(path, x)
    p.expect((0x378, 0x00))
    p.click("ZVUK", "ZVUK", "Levo")
    p.expect((0x378, 0x10), (0x378, 0x00))
    first = pulse_width(p)
    p.expect((0x378, 0x10), (0x378, 0x00))
    second = pulse_width(p)
    p.expect((0x378, 0x0E))
    if min(first, second) < 0.150:
        raise Failure(f"pulses of {first * 1000:.3f} and {second * 1000:.3f} ms")
    p.close_box()
    p.expect((0x378, 0x00))
    p.ends(0)


def ended_by(sig):
    """A signal ends the program as the close does: 0 to the chosen port,
    then to the port it was chosen away from while that one drove."""
    def scenario(path, x):
        p = Program(path, x)
        p.expect((0x378, 0x00))
        p.click("Nazad")
        p.expect((0x378, 0x05))
        p.click("LPT2: 278")
        send_signal(p.proc, sig)
        p.expect((0x278, 0x00), (0x378, 0x00))
        p.ends(0)
    return scenario


def crashed_by(sig):
    """A crash stops the device as a close does, then ends the program as the
    crash would have: by the same signal. The port chosen last was never
    written, so only the one left driving gets the stop."""
    def scenario(path, x):
        p = Program(path, x)
        p.expect((0x378, 0x00))
        p.click("Napred")
        p.expect((0x378, 0x0F))
        p.click("LPT2: 278")
        p.proc.send_signal(sig)
        p.expect((0x378, 0x00))
        p.ends(-sig)
    return scenario


def end_task(p, path, x):
    """An end no handler of the program sees: SIGKILL; under Wine taskkill /F,
    TerminateProcess, as End task ends a program that does not answer. The
    program's exit status once it is gone (None: whatever taskkill gives it,
    0 under Wine, 1 on Windows)."""
    if not WINE:
        p.proc.kill()
        return -signal.SIGKILL
    subprocess.run(WINE.command("taskkill") + ["/F", "/IM", os.path.basename(path)],
                   env=dict(WINE.env, DISPLAY=x.name), check=True, timeout=60 * PATIENCE,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return None


def processes():
    """Under Wine: each process of the prefix as (name, pid, parent's pid)."""
    asked = ["process", "get", "Name,ParentProcessId,ProcessId"]
    out = subprocess.run(WINE.command("wmic") + asked, env=WINE.env, capture_output=True,
                         timeout=60 * PATIENCE).stdout
    rows = [line.split() for line in out.decode("utf-16", "replace").splitlines()[1:]]
    return [(row[0], int(row[2]), int(row[1])) for row in rows if len(row) == 3]


def guard_outside_the_tree(path, x):
    """kovir-guard.exe is no child of the program's (a starter that has ended
    started it): Task Manager's "End task" on the program, which ends its
    children with it, and "End process tree" leave the guard."""
    p = Program(path, x)
    p.expect((0x378, 0x00))
    running = processes()
    program = [pid for name, pid, _ in running if name == os.path.basename(path)]
    guards = [parent for name, _, parent in running if name == "kovir-guard.exe"]
    if len(program) != 1 or len(guards) != 1:
        raise Failure(f"expected one program and one guard: {running}")
    if guards[0] in program or any(pid == guards[0] for _, pid, _ in running):
        raise Failure(f"the guard's parent {guards[0]} is still there: {running}")
    p.close_box()
    p.expect((0x378, 0x00))
    p.ends(0)


def killed_after(clicks, written, stopped):
    """Ended as no handler of the program sees it (end_task) after `clicks`:
    its guard writes the stop, after the program is gone, to each port left
    driving (in the order the run first wrote them), and to no other."""
    def scenario(path, x):
        p = Program(path, x)
        p.expect((0x378, 0x00))
        p.click(*clicks)
        p.expect(*written)
        status = end_task(p, path, x)
        p.expect(*stopped)
        if stopped and not p.trace[-len(stopped) - 1][0] <= p.trace[-1][0] < p.trace[0][0] + 60:
            raise Failure(f"the guard's stop is not timed as the program's lines: {p.raw}")
        p.ends(status)
    return scenario


def faulted(threads, blocking):
    """A real fault while driving, from test equipment loaded beside the
    program (FaultThreads.cpp): on a thread that blocks every signal, so no
    handler runs, or on several threads at the same moment. Either the
    program's own stop or its guard's stops the device: the trace ends in
    0, once or, where the program's stop was cut off, twice."""
    def scenario(path, x):
        with tempfile.TemporaryDirectory() as folder:
            trigger = os.path.join(folder, "fault-now")
            set_environment("LD_PRELOAD", FAULT_LIBRARY)
            set_environment("KOVIR_FAULT_WHEN", trigger)
            set_environment("KOVIR_FAULT_THREADS", str(threads))
            set_environment("KOVIR_FAULT_BLOCKS_SIGNALS", "1" if blocking else "0")
            # In the sanitizers' build the preloaded library comes before their runtime.
            asan = os.environ.get("ASAN_OPTIONS")
            set_environment("ASAN_OPTIONS", (asan + ":" if asan else "") +
                            "verify_asan_link_order=0:handle_segv=0:allow_user_segv_handler=1")
            try:
                p = Program(path, x)
            finally:
                for name in ("LD_PRELOAD", "KOVIR_FAULT_WHEN", "KOVIR_FAULT_THREADS",
                             "KOVIR_FAULT_BLOCKS_SIGNALS"):
                    os.environ.pop(name)
                if asan is None:
                    os.environ.pop("ASAN_OPTIONS")
                else:
                    os.environ["ASAN_OPTIONS"] = asan
            p.expect((0x378, 0x00))
            p.click("Napred")
            p.expect((0x378, 0x0F))
            open(trigger, "w").close()
            p.expect((0x378, 0x00))
            try:
                code = p.proc.wait(15 * PATIENCE)
            except subprocess.TimeoutExpired:
                p.proc.kill()
                raise Failure("the program did not end")
            rest = []
            while (line := p.lines.get(timeout=5 * PATIENCE)) is not None:
                rest.append(line)
            if any(not line.endswith(" 0x378 0x00 00000000") for line in rest) or len(rest) > 1:
                raise Failure(f"after the stop the trace had {rest}")
            if code != -signal.SIGSEGV:
                raise Failure(f"exit status {code}, expected {-signal.SIGSEGV}")
    return scenario


LOGIND = os.path.join(os.path.dirname(os.path.abspath(__file__)), "logind_stand_in.py")


class Lines:
    """A process's standard output, line by line, with a timeout."""

    def __init__(self, proc):
        self.queue = queue.Queue()
        threading.Thread(target=self._read, args=(proc,), daemon=True).start()

    def _read(self, proc):
        for line in proc.stdout:
            self.queue.put(line.strip())
        self.queue.put(None)

    def expect(self, line):
        try:
            got = self.queue.get(timeout=10 * PATIENCE)
        except queue.Empty:
            got = "nothing"
        if got != line:
            raise Failure(f"logind saw {got!r}, expected {line!r}")


def sleep_and_wake(path, x):
    """The PC sleeps and wakes, told by a stand-in of logind on a bus of its
    own: the program holds the sleep lock while it runs; before the sleep it
    stops the device and only then lets the lock go; on waking nothing
    drives, it takes a new lock, and "Napred" drives again."""
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, text=True)
    logind = None
    try:
        address = bus.stdout.readline().strip()
        logind = subprocess.Popen([sys.executable, LOGIND, address], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True)
        said = Lines(logind)
        said.expect("ready")
        set_environment("DBUS_SYSTEM_BUS_ADDRESS", address)
        try:
            p = Program(path, x)
        finally:
            os.environ.pop("DBUS_SYSTEM_BUS_ADDRESS")
        p.expect((0x378, 0x00))
        said.expect("inhibit sleep delay")
        p.click("Napred")
        p.expect((0x378, 0x0F))
        logind.stdin.write("sleep\n")
        logind.stdin.flush()
        p.expect((0x378, 0x00))
        said.expect("released")
        p.faces(Napred=CYAN, Levo=CYAN, Desno=CYAN, Nazad=CYAN, ZVUK=BLUE, Stop=RED)
        logind.stdin.write("wake\n")
        logind.stdin.flush()
        said.expect("inhibit sleep delay")
        try:
            line = p.lines.get(timeout=0.5 * PATIENCE)
            raise Failure(f"on waking the program wrote {line!r}")
        except queue.Empty:
            pass
        p.click("Napred")
        p.expect((0x378, 0x0F))
        p.close_box()
        p.expect((0x378, 0x00))
        p.ends(0)
    finally:
        for proc in (logind, bus):
            if proc and proc.poll() is None:
                proc.kill()
                proc.wait()


def crashed_on_another_thread(sig):
    """A crash on a thread other than the main one (the toolkit's: X's event
    reader, D-Bus): the device is stopped from that thread, then the program
    ends by the same signal."""
    def scenario(path, x):
        import ctypes
        p = Program(path, x)
        p.expect((0x378, 0x00))
        p.click("Napred")
        p.expect((0x378, 0x0F))
        others = sorted(int(t) for t in os.listdir(f"/proc/{p.proc.pid}/task") if int(t) != p.proc.pid)
        if not others:
            raise Failure("the program has no thread but its main one")
        tgkill = 234  # x86-64: a signal to one thread of a process
        if ctypes.CDLL(None, use_errno=True).syscall(tgkill, p.proc.pid, others[0], sig) != 0:
            raise Failure(f"tgkill failed: {ctypes.get_errno()}")
        p.expect((0x378, 0x00))
        p.ends(-sig)
    return scenario


def crash_remote_thread(path, x):
    """A fault in the program, made by a thread started in it at an address
    with no code: the device is stopped, then the program ends."""
    WINE.no_debugger(x.name)
    p = Program(path, x)
    p.expect((0x378, 0x00))
    p.click("Napred")
    p.expect((0x378, 0x0F))
    code = fault(p, path, x)
    p.expect((0x378, 0x00))
    if code == 0:
        raise Failure("the crashed program ended with status 0")


def stack_overflow(path, x, how="overflow"):
    """The window's thread overflows its stack while driving: the stop is
    written from what stack it has left, then the program ends, even where
    a handler swallows the overflow; nothing reaches the port after the
    stop, a click taken meanwhile included."""
    WINE.no_debugger(x.name)
    p = Program(path, x)
    p.expect((0x378, 0x00))
    p.click("Nazad")
    p.expect((0x378, 0x05))
    code = fault(p, path, x, how)
    p.expect((0x378, 0x00))
    if code & 0xFF != 0xFD:  # 0xC00000FD, of which Wine passes on the low byte
        raise Failure(f"the overflowed program ended with status {code:#x}")
    if p.lines.get(timeout=5 * PATIENCE) is not None:
        raise Failure("the port was written after the stop")


def restart_manager(path, x):
    """What an installer's Restart Manager sends while the device drives:
    the stop, then the program ends (nothing more reaches the port)."""
    p = Program(path, x)
    p.expect((0x378, 0x00))
    p.click("Napred")
    p.expect((0x378, 0x0F))
    fault(p, path, x, "endsession", within=15)
    p.expect((0x378, 0x00))
    p.ends(0)


def logoff(path, x):
    """A Windows logoff or shutdown stops the device on the selected port."""
    p = Program(path, x)
    p.expect((0x378, 0x00))
    p.click("Desno")
    p.expect((0x378, 0x0B))
    p.click("LPT2: 278")
    WINE.end_session(x.name)
    p.expect((0x278, 0x00))
    try:
        p.proc.wait(15 * PATIENCE)
    except subprocess.TimeoutExpired:
        p.proc.kill()
        raise Failure("the program outlived the session")


def beside(program, dll, name="IO.DLL"):
    """A folder of its own holding the program and, if given, `dll` as
    `name`; and the log our test DLL writes each call to."""
    import shutil
    import tempfile
    folder = tempfile.mkdtemp(prefix="kovir-portlib-")
    shutil.copy(program, folder)
    shutil.copy(os.path.join(os.path.dirname(program), "kovir-guard.exe"), folder)
    if dll:
        shutil.copy(dll, os.path.join(folder, name))
    log = os.path.join(folder, "calls.log")
    os.environ["KOVIR_PORT_LOG"] = log
    if WINE:
        WINE.env["KOVIR_PORT_LOG"] = log
    return os.path.join(folder, os.path.basename(program)), log


def guards_gone(within=15):
    """Once the program is gone: waits for the prefix's kovir-guard.exe to
    end too, so that all it wrote after the program is there to be read."""
    prefix = f"WINEPREFIX={WINE.env['WINEPREFIX']}".encode()

    def read(pid, name):
        try:
            with open(f"/proc/{pid}/{name}", "rb") as f:
                return f.read()
        except OSError:
            return b""  # ended meanwhile

    def guard(pid):
        return (b"kovir-guard.exe" in read(pid, "cmdline")
                and prefix in read(pid, "environ").split(b"\0"))
    deadline = time.monotonic() + within * PATIENCE
    while any(guard(pid) for pid in filter(str.isdigit, os.listdir("/proc"))):
        if time.monotonic() > deadline:
            raise Failure(f"kovir-guard.exe outlived the program by {within} s")
        time.sleep(0.05)


def calls(log):
    """What the test library saw, the guard's calls included."""
    guards_gone()
    return open(log).read().split("\n")[:-1] if os.path.exists(log) else []


def port_library(path, x):
    """kovir.exe with a port library beside it: Load, a click and the close
    box reach the library as exactly these calls."""
    program, log = beside(path, IO_DLL)
    p = Program(program, x)
    p.click("Napred")
    p.faces(Napred=YELLOW, Stop=GREEN)
    p.close_box()
    p.ends(0)
    expected = ["IO.DLL loaded", "IO.DLL PortOut 888 0", "IO.DLL PortOut 888 15",
                "IO.DLL PortOut 888 0"]
    if calls(log) != expected:
        raise Failure(f"the library saw {calls(log)}, expected {expected}")


def fault(p, path, x, what="fault", within=30):
    """Done to the running program from outside (make_fault): by default a
    fault, made by a thread started in it at an address with no code; its
    exit status once it has ended, within `within` seconds."""
    subprocess.run(WINE.command(FAULT_TOOL) + [os.path.basename(path), what],
                   env=dict(WINE.env, DISPLAY=x.name), check=True, timeout=60 * PATIENCE)
    try:
        return p.proc.wait(within * PATIENCE)
    except subprocess.TimeoutExpired:
        p.proc.kill()
        raise Failure(f"the program outlived its {what} by {within} s")


def port_library_ended_by(end, dll=lambda: IO_DLL, after=()):
    """kovir.exe ended while it drives. A fault: the stop goes out through
    the bound PortOut before the program ends, even where the library put
    its own crash filter in place when it loaded (then that one runs
    `after`). taskkill /F: its guard loads the same port library from the
    same folder and writes the stop through it."""
    def scenario(path, x):
        WINE.no_debugger(x.name)
        program, log = beside(path, dll())
        p = Program(program, x)
        p.click("Napred")
        p.faces(Napred=YELLOW, Stop=GREEN)
        if end == "fault":
            fault(p, path, x)
        else:
            p.ends(end_task(p, program, x))
        stop = ["IO.DLL PortOut 888 0"]
        if end != "fault":
            stop.insert(0, "IO.DLL loaded")  # the guard's own
        expected = ["IO.DLL loaded", "IO.DLL PortOut 888 0", "IO.DLL PortOut 888 15", *stop, *after]
        if calls(log) != expected:
            raise Failure(f"the library saw {calls(log)}, expected {expected}")
    return scenario


def set_environment(name, value):
    os.environ[name] = value
    if WINE:
        WINE.env[name] = value


BOARD = "KV000721"
FACTORY_BOARD = "A50285BI"  # an FT232R as it comes, not named for kovir
# D0-D4 reach the device on RXD, CTS#, DSR#, DCD#, RI#: the pins' byte for each.
PINS = {0x00: 0, 0x0F: 106, 0x05: 34, 0x0E: 104, 0x0B: 74, 0x1F: 234}


def board_calls(board, location, writes, closed=True):
    """What our stand-in ftd2xx.dll records for a kovir board: opened where it
    sits, bit-bang entered showing the device only 0, then the bytes through
    the pin table."""
    return ["loaded", f"FT_OpenEx {location}", f"FT_SetTimeouts {board} 500 500",
            f"FT_SetBitMode {board} 00 1", f"FT_Write {board} 0", f"FT_SetBitMode {board} ff 1",
            *(f"FT_Write {board} {PINS[byte]}" for byte in writes),
            *([f"FT_Close {board}"] if closed else [])]


def guard_calls(board, location, hung=False):
    """What the guard does to a board the program left driving: opens it
    where it sits, as the program does, showing the device 0, and closes
    it; to a `hung` board, whose write times out, its pins stay inputs."""
    calls = board_calls(board, location, (), closed=True)
    if hung:
        calls[4] += " timed out"
        del calls[5]
    return calls


def board_library_until(end, hung=False):
    """kovir.exe on a PC whose only port is a USB bit-bang board named for
    kovir, an FT232R as it comes beside it (our stand-in ftd2xx.dll beside
    the program): LPT1 is the kovir board, the other is never opened. The
    stop's 0 goes out at the close (then the board is closed); through the
    bound FT_Write at a crash; from the guard after taskkill /F. To a
    `hung` board that no longer answers, each stop waits no longer than
    its write timeout, and the guard tries once more after a crash."""
    def scenario(path, x):
        if end == "crash":
            WINE.no_debugger(x.name)
        program, log = beside(path, FTD2XX_DLL, "ftd2xx.dll")
        set_environment("KOVIR_FT_BOARDS", f"{BOARD}=kovir,{FACTORY_BOARD}")
        p = Program(program, x)
        p.click("Napred")
        p.faces(Napred=YELLOW, Stop=GREEN)
        if hung:
            open(log + ".hang", "w").close()
        if end == "crash":
            fault(p, path, x, within=10)
        elif end == "end_task":
            p.ends(end_task(p, program, x))
        else:
            p.close_box()
            p.ends(0)
        writes = (0x00, 0x0F) if end == "end_task" else (0x00, 0x0F, 0x00)
        expected = board_calls(BOARD, "0011", writes, closed=end == "close")
        if hung and end == "crash":
            expected[-1] += " timed out"
        if end == "end_task" or hung:
            expected += guard_calls(BOARD, "0011", hung)
        if calls(log) != ["ftd2xx.dll " + call for call in expected]:
            raise Failure(f"the boards saw {calls(log)}, expected {expected}")
    return scenario


def run_tool(program, *args):
    """kovir-board.exe, run to its end in its own folder, where it saves the
    EEPROMs it reads: (status, standard output, standard error)."""
    done = subprocess.run(WINE.command(program) + list(args), env=WINE.env, capture_output=True,
                          text=True, timeout=120 * PATIENCE, cwd=os.path.dirname(program))
    return done.returncode, done.stdout, done.stderr


def board_prepared(path, x):
    """kovir-board.exe lists an FT232R as it comes and a clone, refuses the
    clone (it ignores EEPROM writes) and prepares the other; kovir.exe then
    drives the prepared board, and the EEPROM saved before the write makes
    it the factory's board again."""
    import shutil
    program, log = beside(path, FTD2XX_DLL, "ftd2xx.dll")
    tool = os.path.join(os.path.dirname(program), os.path.basename(BOARD_TOOL))
    shutil.copy(BOARD_TOOL, tool)
    eeprom = os.path.join(os.path.dirname(program), "eeprom")
    os.mkdir(eeprom)
    set_environment("KOVIR_FT_EEPROM", eeprom)
    set_environment("KOVIR_FT_CLONE", "A1CL0NE")
    set_environment("KOVIR_FT_BOARDS", f"{FACTORY_BOARD},A1CL0NE")
    status, out, err = run_tool(tool)
    rows = [line.split() for line in out.splitlines()[1:]]
    if status != 0 or [row[1:2] + row[-2:] for row in rows] != [[FACTORY_BOARD, "ne", "-"],
                                                              ["A1CL0NE", "ne", "-"]]:
        raise Failure(f"the list: status {status}, {out!r}, {err!r}")
    status, out, err = run_tool(tool, "prepare", "A1CL0NE")
    if status != 1 or "nije zapamtio upis" not in err:
        raise Failure(f"the clone: status {status}, {out!r}, {err!r}")
    status, out, err = run_tool(tool, "prepare", FACTORY_BOARD)
    if status != 0 or "08: A0 → 80, 0A: 08 → 0C, 11: 20 → 0C" not in out:
        raise Failure(f"prepare: status {status}, {out!r}, {err!r}")
    status, out, err = run_tool(tool)
    if "kovir" not in out.splitlines()[1]:
        raise Failure(f"after prepare: {out!r}")
    saved = [name for name in os.listdir(os.path.dirname(tool))
             if name.startswith(f"kovir-board-{FACTORY_BOARD}-") and name.endswith(".eeprom")]
    if len(saved) != 1:
        raise Failure(f"the EEPROM saved before the write: {saved}")
    open(log, "w").close()
    p = Program(program, x)
    p.click("Levo")
    p.faces(Levo=YELLOW, Stop=GREEN)
    p.close_box()
    p.ends(0)
    expected = board_calls(FACTORY_BOARD, "0011", (0x00, 0x0E, 0x00))
    if calls(log) != ["ftd2xx.dll " + call for call in expected]:
        raise Failure(f"the board saw {calls(log)}, expected {expected}")
    status, out, err = run_tool(tool, "restore", saved[0])
    if status != 0 or "ima ponovo EEPROM od pre pripreme" not in out:
        raise Failure(f"restore: status {status}, {out!r}, {err!r}")
    status, out, err = run_tool(tool)
    if out.splitlines()[1].split()[-2:] != ["ne", "-"] or "FT232R USB UART" not in out:
        raise Failure(f"after restore: {out!r}")


def planted_board_library(path, x):
    """An ftd2xx.dll in the folder kovir.exe is started from is never
    loaded: only IO.DLL beside the program is, and LPT1 is 0x378."""
    import shutil
    program, log = beside(path, IO_DLL)
    started_in = os.path.join(os.path.dirname(program), "started-in")
    os.mkdir(started_in)
    shutil.copy(FTD2XX_DLL, os.path.join(started_in, "ftd2xx.dll"))
    set_environment("KOVIR_FT_BOARDS", f"{BOARD}=kovir")
    os.chdir(started_in)
    p = Program(program, x)
    p.close_box()
    p.ends(0)
    expected = ["IO.DLL loaded", "IO.DLL PortOut 888 0", "IO.DLL PortOut 888 0"]
    if calls(log) != expected:
        raise Failure(f"the libraries saw {calls(log)}, expected {expected}")


def inpout_library(path, x):
    """kovir.exe with only the InpOut library of its width beside it: bound,
    asked whether its driver is open (the test library has no such export,
    as before InpOut 1.5), and given exactly these calls."""
    dll, name = INPOUT_DLL
    program, log = beside(path, dll, name)
    p = Program(program, x)
    p.click("Levo")
    p.faces(Levo=YELLOW, Stop=GREEN)
    p.close_box()
    p.ends(0)
    expected = [f"{name} loaded", f"{name} Out32 888 0", f"{name} Out32 888 14",
                f"{name} Out32 888 0"]
    if calls(log) != expected:
        raise Failure(f"the library saw {calls(log)}, expected {expected}")


def missing(dll, guard=True, said=""):
    """kovir.exe without a port library (`dll` None) or without its guard
    beside it: one message box, saying `said`, and no window, exit status 1
    once it is dismissed, and nothing written (nor loaded, without a guard)."""
    def scenario(path, x):
        program, log = beside(path, dll and dll())
        if not guard:
            os.remove(os.path.join(os.path.dirname(program), "kovir-guard.exe"))
        p = Program(program, x, stderr=subprocess.PIPE)  # finds the message box by the caption
        if p.size() == (392, 253):
            raise Failure("the form was shown")
        p.keys("Return")
        p.ends(1)
        message = p.proc.stderr.read()
        if said not in message:
            raise Failure(f"the message: {message!r}")
        if calls(log):
            raise Failure(f"written or loaded: {calls(log)}")
    return scenario


def accessible(role, name, timeout=10):
    """The control of kovir that a screen reader sees with this role and name."""
    import pyatspi
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is None or "kovir" not in (app.name or ""):
                continue
            found = pyatspi.findDescendant(
                app, lambda n: n is not None and n.getRoleName() == role and n.name == name)
            if found is not None:
                return found
        time.sleep(0.2)
    raise Failure(f"no {role} {name!r} for screen readers")


def screen_reader_toggle(path, x):
    """An option selected through the interface a screen reader uses (AT-SPI,
    its action "Toggle") selects that port for the following commands. Runs
    on a session bus of its own (dbus-run-session)."""
    import pyatspi
    os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    p = Program(path, x)
    p.expect((0x378, 0x00))
    option = accessible("radio button", "LPT3: 3BC")
    actions = option.queryAction()
    names = [actions.getName(i).lower() for i in range(actions.nActions)]
    if "toggle" not in names:
        raise Failure(f"the option offers {names}, not Toggle")
    actions.doAction(names.index("toggle"))
    deadline = time.monotonic() + 5
    while not option.getState().contains(pyatspi.STATE_CHECKED):
        if time.monotonic() > deadline:
            raise Failure("Toggle did not check the option")
        time.sleep(0.05)
    p.click("Napred")
    p.expect((0x3BC, 0x0F))
    p.close_box()
    p.expect((0x3BC, 0x00))
    p.ends(0)


def message_box(x, env):
    """The program's message box: the window with its caption that is not the form."""
    deadline = time.monotonic() + 10 * PATIENCE
    while True:
        window = Window(x, env)
        if window.size() != (392, 253):
            return window
        if time.monotonic() > deadline:
            raise Failure("the form is shown, and no message")
        time.sleep(0.1)


def closed_trace_pipe(path, x):
    """The trace's reader goes away (`kovir-sim | head -n 1`): the next write
    fails, and that is shown and ends the program with status 1, not a
    silent death by SIGPIPE."""
    env = dict(os.environ, DISPLAY=x.name)
    env.pop("QT_QPA_PLATFORM", None)
    proc = subprocess.Popen([path], stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env,
                            text=True)
    first = proc.stdout.readline()
    proc.stdout.close()
    if not TRACE.match(first.rstrip("\n")):
        raise Failure(f"first line {first!r}")
    w = Window(x, env)
    w.click("Napred")
    said = ""
    deadline = time.monotonic() + 15 * PATIENCE
    reading = selectors.DefaultSelector()
    reading.register(proc.stderr, selectors.EVENT_READ)
    # Read only what is there, so that the deadline holds even if nothing comes.
    while "Simulirani port" not in said and time.monotonic() < deadline:
        if reading.select(timeout=max(0.0, deadline - time.monotonic())):
            chunk = os.read(proc.stderr.fileno(), 4096)
            if not chunk:
                break
            said += chunk.decode()
    expected = "kovir: Simulirani port 0x378: zapis nije moguće ispisati na standardni izlaz"
    if expected not in said:
        raise Failure(f"standard error: {said!r}")
    box = message_box(x, env)
    box.xdotool("windowfocus", "--sync", str(box.window))
    box.xdotool("key", "Return")
    try:
        code = proc.wait(15 * PATIENCE)
    except subprocess.TimeoutExpired:
        proc.kill()
        raise Failure("the program did not end after its message")
    if code != 1:
        raise Failure(f"exit status {code}, expected 1")


def closed_trace_pipe_then(sig):
    """Asked to end after the trace's reader went away (`kovir-sim | head -n 1`,
    then a signal): the stop byte cannot be written, and the program says so
    on standard error and ends with status 1, with no box waiting for a click."""
    def scenario(path, x):
        env = dict(WINE.env if WINE else os.environ, DISPLAY=x.name)
        env.pop("QT_QPA_PLATFORM", None)
        proc = subprocess.Popen(WINE.command(path) if WINE else [path], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=env, text=True)
        first = proc.stdout.readline()
        proc.stdout.close()
        if not TRACE.match(first.rstrip("\r\n")):
            raise Failure(f"first line {first!r}")
        Window(x, env)
        send_signal(proc, sig)
        try:
            code = proc.wait(15 * PATIENCE)
        except subprocess.TimeoutExpired:
            proc.kill()
            raise Failure("the program waited after it was asked to end")
        said = proc.stderr.read()
        if "kovir: Simulirani port 0x378: zapis nije moguće" not in said or code != 1:
            raise Failure(f"exit status {code}, standard error {said!r}")
    return scenario


def start_and_close(path, x):
    p = Program(path, x)
    p.expect((0x378, 0x00))
    p.close_box()
    p.expect((0x378, 0x00))
    p.ends(0)


def display_lost(path, x):
    p = Program(path, x)
    p.expect((0x378, 0x00))
    p.click("Desno")
    p.expect((0x378, 0x0B))
    x.stop()
    p.expect((0x378, 0x00))
    try:
        p.proc.wait(15 * PATIENCE)
    except subprocess.TimeoutExpired:
        p.proc.kill()
        raise Failure("the program outlived its display")


SCENARIOS = {
    "start_and_close": start_and_close,
    "logoff": logoff,
    "stack_overflow": stack_overflow,
    "stack_overflow_in_callback": lambda path, x: stack_overflow(path, x, "overflow_in_callback"),
    "restart_manager": restart_manager,
    "port_library": port_library,
    "screen_reader_toggle": screen_reader_toggle,
    "no_port_library": missing(None, said="nije pronađena biblioteka za pristup portu"),
    "inpout_library": inpout_library,
    "operator_session": operator_session,
    "clicks_during_a_pulse": clicks_during_a_pulse,
    "keyboard_drives": keyboard_drives,
    "keys_serbian_cyrillic": keys_under("rs"),
    "keys_serbian_latin": keys_under("rs latin"),
    "keys_us": keys_under("us"),
    "sigterm": ended_by(signal.SIGTERM),
    "sigint": ended_by(signal.SIGINT),
    "sighup": ended_by(signal.SIGHUP),
    "sigusr1": ended_by(signal.SIGUSR1),
    "sigalrm": ended_by(signal.SIGALRM),
    "sigpwr": ended_by(signal.SIGPWR),
    "sigrtmin": ended_by(signal.SIGRTMIN),
    "display_lost": display_lost,
    "crash_remote_thread": crash_remote_thread,
    "crash_port_library": port_library_ended_by("fault"),
    "crash_port_library_that_takes_crashes": port_library_ended_by(
        "fault", lambda: CRASH_TAKING_IO_DLL, ["IO.DLL took the crash"]),
    "crash_hung_board": board_library_until("crash", hung=True),
    "board_library": board_library_until("close"),
    "crash_board_library": board_library_until("crash"),
    "end_task_board": board_library_until("end_task"),
    "end_task_hung_board": board_library_until("end_task", hung=True),
    "end_task_port_library": port_library_ended_by("end_task"),
    "no_guard": missing(lambda: IO_DLL, guard=False,
                        said="Zaštitni proces kovir-guard nije moguće pokrenuti"),
    "planted_board_library": planted_board_library,
    "board_prepared": board_prepared,
    "crash_segv": crashed_by(signal.SIGSEGV),
    "crash_abrt": crashed_by(signal.SIGABRT),
    "crash_bus": crashed_by(signal.SIGBUS),
    "quit": crashed_by(signal.SIGQUIT),
    "sigtrap": crashed_by(signal.SIGTRAP),
    "sigsys": crashed_by(signal.SIGSYS),
    "sigxcpu": crashed_by(signal.SIGXCPU),
    "sigxfsz": crashed_by(signal.SIGXFSZ),
    "sleep_and_wake": sleep_and_wake,
    "sigkill": killed_after(["Napred"], [(0x378, 0x0F)], [(0x378, 0x00)]),
    "end_task": killed_after(["Napred"], [(0x378, 0x0F)], [(0x378, 0x00)]),
    "end_task_at_rest": killed_after(["Napred", "Stop"], [(0x378, 0x0F), (0x378, 0x00)], []),
    "guard_outside_the_tree": guard_outside_the_tree,
    "end_task_after_a_port_choice": killed_after(["Napred", "LPT2: 278", "Levo"],
                                                 [(0x378, 0x0F), (0x278, 0x0E)],
                                                 [(0x378, 0x00), (0x278, 0x00)]),
    "sigkill_at_rest": killed_after(["Napred", "Stop"], [(0x378, 0x0F), (0x378, 0x00)], []),
    "sigkill_after_a_port_choice": killed_after(["Napred", "LPT2: 278", "Levo"],
                                                [(0x378, 0x0F), (0x278, 0x0E)],
                                                [(0x378, 0x00), (0x278, 0x00)]),
    "fault_with_signals_blocked": faulted(threads=1, blocking=True),
    "two_faults_at_once": faulted(threads=2, blocking=False),
    "crash_segv_on_another_thread": crashed_on_another_thread(signal.SIGSEGV),
    "quit_on_another_thread": crashed_on_another_thread(signal.SIGQUIT),
    "closed_trace_pipe": closed_trace_pipe,
    "closed_trace_pipe_then_sigterm": closed_trace_pipe_then(signal.SIGTERM),
    "closed_trace_pipe_then_sigint": closed_trace_pipe_then(signal.SIGINT),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--wineprefix", help="run the Windows program in this Wine prefix")
    parser.add_argument("--wine-loader", default=WINE64, help="wine64, or the 32-bit wine")
    parser.add_argument("--winearch", help="win32 for a 32-bit prefix")
    parser.add_argument("--io-dll", help="the test IO.DLL, for port_library")
    parser.add_argument("--inpout-dll", nargs=2, metavar=("DLL", "NAME"),
                        help="the test InpOut library and its name, for inpout_library")
    parser.add_argument("--fault-tool", help="make_fault.exe, for crash_remote_thread")
    parser.add_argument("--ftd2xx-dll", help="our stand-in ftd2xx.dll, for the board scenarios")
    parser.add_argument("--board-tool", help="kovir-board.exe, for board_prepared")
    parser.add_argument("--fault-library",
                        help="FaultThreads.so, for the faults made on the program's threads")
    parser.add_argument("--crash-taking-io-dll",
                        help="a test IO.DLL that puts its own crash filter in place")
    parser.add_argument("scenarios", nargs="*", default=list(SCENARIOS))
    args = parser.parse_args()
    global WINE, IO_DLL, INPOUT_DLL, FAULT_TOOL, FTD2XX_DLL, BOARD_TOOL, CRASH_TAKING_IO_DLL
    global FAULT_LIBRARY
    FAULT_LIBRARY = args.fault_library
    WINE = Wine(args.wineprefix, args.wine_loader, args.winearch) if args.wineprefix else None
    IO_DLL = args.io_dll
    INPOUT_DLL = args.inpout_dll
    FAULT_TOOL = args.fault_tool
    FTD2XX_DLL = args.ftd2xx_dll
    BOARD_TOOL = args.board_tool
    CRASH_TAKING_IO_DLL = args.crash_taking_io_dll
    passed = failed = 0
    for name in args.scenarios:
        x = XServer()
        try:
            SCENARIOS[name](args.program, x)
            print(f"ok   {name}")
            passed += 1
        except (Failure, subprocess.SubprocessError) as e:
            print(f"FAIL {name}: {e}")
            failed += 1
        finally:
            x.stop()
            if WINE:
                WINE.settle()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
