#!/usr/bin/python3
"""The hardware backend on the real Linux parallel-port stack (parport,
parport_pc, ppdev) of an emulated PC, watched from outside: QEMU traces every
write the guest makes to an I/O port, so the bytes that reach each port's data
register are read off the trace, not taken on the guest's word.

  vm_test.py fetch --cache DIR            get Debian's kernel and parport modules, once
  vm_test.py run   --cache DIR --work DIR --driver PROG [--kovir PROG] SCENARIO...
  vm_test.py wine32 --cache DIR --work DIR [--suite EXE]... [--window-suite EXE] [--sim EXE]
                    [--kovir EXE --io-dll DLL --inpout-dll DLL]

wine32: the 32-bit Windows programs under the 32-bit Wine, in one boot of an
emulated PC that executes 32-bit code whatever this machine does. The guest
runs this machine's own system, shared read-only over 9p, in a chroot with
its own temporary folders; each suite is copied there and run, and its exit
status read off the console.
"""

import argparse
import os
import re
import shutil
import stat
import subprocess
import sys
import tarfile
import time
from pathlib import Path

LEGACY_PORTS = ((0x378, 7), (0x278, 5), (0x3BC, 7))  # base, interrupt
MARKER_PORT = 0xE9  # isa-debugcon: the guest marks the program's phase here
PHASE_START, PHASE_END = 0x01, 0x02
MODULES = ("parport.ko", "parport_pc.ko", "ppdev.ko")
# A USB function on the emulated PC's own dummy host controller, in the order they load.
USB_MODULES = ("usb-common.ko", "usbcore.ko", "udc-core.ko", "configfs.ko", "libcomposite.ko",
               "usb_f_fs.ko", "dummy_hcd.ko")
# The kernel's serial driver for FTDI chips, which a desktop loads for every one.
SERIAL_MODULES = ("usbserial.ko", "ftdi_sio.ko")
# The host's root over 9p, in the order they load.
SHARE_MODULES = ("virtio_ring.ko", "virtio.ko", "virtio_pci_legacy_dev.ko",
                 "virtio_pci_modern_dev.ko", "virtio_pci.ko", "netfs.ko", "fscache.ko",
                 "9pnet.ko", "9pnet_virtio.ko", "9p.ko")
LP_GID = 7
KOVIR = "kovir"  # the product description of a board that is kovir's
FACTORY = "FT232R USB UART"  # an FT232R's, as it comes

# ---------------------------------------------------------------- the kernel


def kernel_package():
    out = subprocess.run(["apt-cache", "depends", "linux-image-amd64"], check=True,
                         capture_output=True, text=True).stdout
    m = re.search(r"Depends: (linux-image-[0-9.]+-\d+-amd64)\b", out)
    if not m:
        raise SystemExit("cannot tell which kernel linux-image-amd64 depends on")
    return m[1] + "-unsigned"


def fetch(cache: Path):
    if all((cache / f).exists() for f in ("vmlinuz", *MODULES, *USB_MODULES, *SERIAL_MODULES, *SHARE_MODULES)):
        return
    cache.mkdir(parents=True, exist_ok=True)
    package = kernel_package()
    download = subprocess.run(["apt-get", "download", package], cwd=cache,
                              capture_output=True, text=True)
    if download.returncode != 0:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
        subprocess.run(["apt-get", "download", package], cwd=cache, check=True)
    deb = next(cache.glob(package + "_*.deb"))
    wanted = {"vmlinuz": None,
              **{m: None for m in (*MODULES, *USB_MODULES, *SERIAL_MODULES, *SHARE_MODULES)}}
    contents = subprocess.Popen(["dpkg-deb", "--fsys-tarfile", str(deb)], stdout=subprocess.PIPE)
    with tarfile.open(fileobj=contents.stdout, mode="r|") as tar:
        for member in tar:
            name = os.path.basename(member.name)
            key = "vmlinuz" if name.startswith("vmlinuz-") else name
            if key in wanted and member.isfile() and (
                    key == "vmlinuz" or "/kernel/" in member.name):
                (cache / key).write_bytes(tar.extractfile(member).read())
    contents.wait()
    deb.unlink()
    missing = [f for f in ("vmlinuz", *MODULES, *USB_MODULES, *SERIAL_MODULES, *SHARE_MODULES) if not (cache / f).exists()]
    if missing:
        raise SystemExit(f"{package} has no {', '.join(missing)}")


# ---------------------------------------------------------------- the guest

INIT_HEAD = """#!/bin/sh
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp
{load_drivers}
{plug_board}
mark() {{ printf "\\\\$(printf %o "$1")" | dd of=/dev/port bs=1 seek={marker} count=1 conv=notrunc 2>/dev/null; }}
# waits until process $1 holds a parallel port or a USB board open
holding() {{ for i in $(seq 200); do ls -l /proc/$1/fd 2>/dev/null | grep -q 'parport\|bus/usb' && return 0; sleep 0.05; done; return 1; }}
echo "== program phase"
[ -f /tmp/gadget.log ] && echo "phase program" >> /tmp/gadget.log
mark {start}
"""

LOAD_DRIVERS = """insmod /lib/modules/parport.ko
insmod /lib/modules/parport_pc.ko io={io} irq={irq}
"""
# The port's device files, without which only root reaches it, by raw I/O.
LOAD_PPDEV = """insmod /lib/modules/ppdev.ko
for i in $(seq 50); do [ -e /dev/parport0 ] && break; sleep 0.1; done
chown root:lp /dev/parport*
chmod 0660 /dev/parport*"""

FT232R, FT232H = (0x6001, 0x0600, "r"), (0x6014, 0x0900, "h")  # product ID, bcdDevice, gadget's
FT232BM = (0x6001, 0x0400, "r")  # the older chip: the FT232R's ID, its own release
# An FT232R (or FT232H) on the PC's USB: the gadget's function on dummy_hcd, whose host
# side the kernel enumerates like any device (no udev: devtmpfs makes the node).
# replug: the board pulled out and plugged in again, its description now from its EEPROM.
PLUG_BOARD = """for m in {modules}; do insmod /lib/modules/$m; done
insmod /lib/modules/dummy_hcd.ko is_high_speed=0
mount -t configfs none /sys/kernel/config
g=/sys/kernel/config/usb_gadget/ft232r
mkdir $g $g/strings/0x409 $g/configs/c.1 $g/functions/ffs.ft232r
echo 0x0403 > $g/idVendor; echo {product} > $g/idProduct; echo {release} > $g/bcdDevice
echo FTDI > $g/strings/0x409/manufacturer
echo "{description}" > $g/strings/0x409/product
echo {serial} > $g/strings/0x409/serialnumber
ln -s $g/functions/ffs.ft232r $g/configs/c.1/
mkdir -p /dev/ffs && mount -t functionfs ft232r /dev/ffs
/kovir-ft232r-gadget /dev/ffs {chip} {serial} "{description}" {clone} >> /tmp/gadget.log &
for i in $(seq 100); do grep -q ready /tmp/gadget.log && break; sleep 0.05; done
configured() {{ for i in $(seq 100); do [ -n "$(cat /sys/bus/usb/devices/1-1/bConfigurationValue 2>/dev/null)" ] && break; sleep 0.1; done; }}
echo dummy_udc.0 > $g/UDC
configured
replug() {{
    rm -f /dev/ffs.product
    echo "" > $g/UDC
    for i in $(seq 100); do [ -s /dev/ffs.product ] && break; sleep 0.05; done
    cat /dev/ffs.product > $g/strings/0x409/product
    cat /dev/ffs.serial > $g/strings/0x409/serialnumber
    echo dummy_udc.0 > $g/UDC
    configured
    echo "replugged: $(cat /sys/bus/usb/devices/1-1/product)"
}}
phase() {{ echo "phase $1" >> /tmp/gadget.log; }}
ls -l /dev/bus/usb/001/"""

INIT_TAIL = """
mark {end}
echo "== end"
[ -f /tmp/gadget.log ] && sed 's/^/gadget: /' /tmp/gadget.log
poweroff -f
"""


def libraries_of(binary):
    """The shared libraries a dynamic program loads, with the loader."""
    out = subprocess.run(["ldd", str(binary)], check=True, capture_output=True, text=True).stdout
    found = set()
    for line in out.splitlines():
        m = re.search(r"(/\S+)", line.split("=>")[-1])
        if m:
            found.add(m[1])
    return sorted(found)


class Guest:
    def __init__(self, cache: Path, work: Path, gadget=None):
        self.cache = cache
        self.gadget = gadget
        self.work = work
        if work.exists():
            shutil.rmtree(work)
        self.root = work / "root"
        for d in ("bin", "lib/modules", "etc", "proc", "sys", "dev", "tmp"):
            (self.root / d).mkdir(parents=True, exist_ok=True)
        busybox = self.root / "bin/busybox"
        shutil.copy("/bin/busybox", busybox)
        applets = subprocess.run(["/bin/busybox", "--list"], check=True, capture_output=True,
                                 text=True).stdout.split()
        for applet in applets:
            if applet != "busybox":
                (self.root / "bin" / applet).symlink_to("busybox")
        for module in (*MODULES, *USB_MODULES, *SERIAL_MODULES, *SHARE_MODULES):
            shutil.copy(cache / module, self.root / "lib/modules" / module)
        (self.root / "etc/passwd").write_text(
            "root:x:0:0:root:/:/bin/sh\n"
            "vozac:x:1000:1000::/tmp:/bin/sh\n"
            "operater:x:1001:1001::/tmp:/bin/sh\n")
        (self.root / "etc/group").write_text(
            f"root:x:0:\nlp:x:{LP_GID}:operater\nvozac:x:1000:\noperater:x:1001:\n")

    def add(self, source, target=None):
        """Copies a file into the guest at the same path (or `target`)."""
        dest = self.root / (target or str(source)).lstrip("/")
        dest.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(source, dest, follow_symlinks=True)
        return "/" + str(dest.relative_to(self.root))

    def add_dynamic(self, program, target):
        for library in libraries_of(program):
            self.add(library)
        return self.add(program, target)

    def boot(self, script, io="0x378,0x278,0x3bc", timeout=90, memory="512M", extra=(),
             trace=True, ports=LEGACY_PORTS, drivers=True, board=None, chip=FT232R,
             description=KOVIR, clone=False, ppdev=True, cut=False, hang=False):
        """`ports`: the PC's parallel ports, (base, interrupt); `io`: those the
        kernel's driver is told to take, or none at all without `drivers`
        (and without `ppdev`, no device files: raw I/O);
        `board`: the serial number of a USB bit-bang board plugged in, whose
        `chip` is FT232R or FT232H, with the product `description` in its
        EEPROM; a `clone` ignores EEPROM writes; a `cut` one is pulled out
        half-way through its first EEPROM write, and answers again once
        plugged in again (`replug`); a `hang` one stops taking bulk OUT once
        a byte has driven a pin high."""
        load = LOAD_DRIVERS.format(io=io, irq=",".join(["none"] * len(io.split(","))))
        load += LOAD_PPDEV if ppdev else ""
        plug = ""
        if board:
            self.add(self.gadget, "/kovir-ft232r-gadget")
            plug = PLUG_BOARD.format(modules=" ".join(USB_MODULES[:-1]), serial=board,
                                     product=f"{chip[0]:#06x}", release=f"{chip[1]:#06x}",
                                     chip=chip[2], description=description,
                                     clone="clone" if clone else "cut" if cut else
                                     "hang" if hang else "")
        init = INIT_HEAD.format(load_drivers=load if drivers else "", plug_board=plug,
                                marker=MARKER_PORT, start=PHASE_START) + script + INIT_TAIL.format(end=PHASE_END)
        (self.root / "init").write_text(init)
        (self.root / "init").chmod(0o755)
        initrd = self.work / "initrd.cpio.gz"
        files = subprocess.run(["find", "."], cwd=self.root, check=True, capture_output=True)
        with open(initrd, "wb") as out:
            cpio = subprocess.Popen(["cpio", "--quiet", "-o", "-H", "newc", "-R", "0:0"],
                                    cwd=self.root, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
            gzip = subprocess.Popen(["gzip", "-1"], stdin=cpio.stdout, stdout=out)
            cpio.stdin.write(files.stdout)
            cpio.stdin.close()
            cpio.stdout.close()
            gzip.wait()
            cpio.wait()
        command = [
            "qemu-system-x86_64", "-nodefaults", "-no-reboot", "-machine", "pc,accel=tcg",
            "-m", memory, "-smp", "1", "-display", "none",
            "-serial", f"file:{self.work / 'console.log'}",
            "-kernel", str(self.cache / "vmlinuz"), "-initrd", str(initrd),
            "-append", "console=ttyS0 panic=-1 loglevel=4",
            "-chardev", f"file,id=dbg,path={self.work / 'debugcon.txt'}",
            "-device", f"isa-debugcon,chardev=dbg,iobase={MARKER_PORT:#x}",
            *extra,
        ]
        if trace:
            command += ["-trace", "enable=memory_region_ops_write", "-msg", "timestamp=on",
                        "-D", str(self.work / "trace.log")]
        for index, (base, irq) in enumerate(ports):
            command += ["-chardev", f"null,id=lp{index}", "-device",
                        f"isa-parallel,chardev=lp{index},iobase={base:#x},irq={irq},index={index}"]
        started = time.monotonic()
        try:
            subprocess.run(command, check=True, timeout=timeout, stdin=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            raise Failure(f"the emulated PC did not power off within {timeout} s")
        self.seconds = time.monotonic() - started
        self.console = (self.work / "console.log").read_text(errors="replace")
        registers = {base for base, _ in ports}
        return program_phase_writes(self.work / "trace.log", registers) if trace else []


class Failure(Exception):
    pass


TRACE_LINE = re.compile(
    r"^(?:\d+@)?(\d+\.\d+):memory_region_ops_write .*addr (0x[0-9a-f]+) value (0x[0-9a-f]+)"
    r" size (\d+) name '([^']*)'")


def program_phase_writes(trace: Path, registers):
    """[(seconds, port, value)] written to a data register between the markers."""
    writes, inside, seen_end = [], False, False
    with open(trace, errors="replace") as f:
        for line in f:
            m = TRACE_LINE.search(line)
            if not m:
                continue
            when, addr, value, name = float(m[1]), int(m[2], 16), int(m[3], 16), m[5]
            if addr == MARKER_PORT and name == "isa-debugcon":
                inside = value == PHASE_START
                seen_end = seen_end or value == PHASE_END
            elif inside and name == "parallel" and addr in registers:
                writes.append((when, addr, value))
    if not seen_end:
        raise Failure("the program phase never ended (see console.log)")
    return writes


def by_port(writes):
    ports = {}
    for _, port, value in writes:
        ports.setdefault(port, []).append(value)
    return ports


def show(ports):
    return ", ".join(f"0x{p:03X}: {' '.join(f'{v:02X}' for v in vs)}"
                     for p, vs in sorted(ports.items())) or "nothing"


def expect_writes(writes, expected):
    got = by_port(writes)
    if got != expected:
        raise Failure(f"expected {show(expected)}; got {show(got)}")
    return f"expected {show(expected)}; observed {show(got)}"


def exit_status(console, label):
    m = re.search(rf"{label}: (\d+)", console)
    if not m:
        raise Failure(f"no '{label}' on the console")
    return int(m[1])


def expect_in_console(console, *parts):
    for part in parts:
        if part not in console:
            raise Failure(f"the console does not say {part!r}:\n{console[-2000:]}")


# ---------------------------------------------------------------- scenarios

# The command table, to derive what each port must receive.
BYTES = {"forward": 0x0F, "back": 0x05, "left": 0x0E, "right": 0x0B, "stop": 0x00}
PORTS = {"lpt1": 0x378, "lpt2": 0x278, "lpt3": 0x3BC}


def derive(ops):
    """What each data register receives when the operations run in order."""
    port, command, writes = 0x378, 0, {}
    for op in ops:
        if op == "start":
            port, command = 0x378, 0
            writes.setdefault(port, []).append(0)
        elif op in BYTES:
            command = BYTES[op]
            writes.setdefault(port, []).append(command)
        elif op == "sound":
            writes.setdefault(port, []).extend([command | 0x10, command])
        elif op in PORTS:
            port = PORTS[op]
        elif op == "close":
            writes.setdefault(port, []).append(0)
    return writes


def driver_run(ops, label="driver-exit", user=None):
    command = "/kovir-guest-driver " + " ".join(ops)
    if user:
        command = f'su -s /bin/sh {user} -c "{command}"'
    return f"{command}\necho \"{label}: $?\"\n"


def pulse_widths(writes):
    return [b[0] - a[0] for a, b in zip(writes, writes[1:]) if a[2] & 0x10 and not b[2] & 0x10]


def sequence(guest, args):
    ops = ["start", "forward", "sound", "left", "stop", "close"]
    expected = derive(ops)
    assert expected == {0x378: [0x00, 0x0F, 0x1F, 0x0F, 0x0E, 0x00, 0x00]}
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    writes = guest.boot(driver_run(ops))
    if exit_status(guest.console, "driver-exit") != 0:
        raise Failure("the driver failed:\n" + guest.console[-2000:])
    report = expect_writes(writes, expected)
    widths = pulse_widths(writes)
    if len(widths) != 1 or widths[0] < 0.150:
        raise Failure(f"sound pulse widths {widths}")
    return f"{report}; pulse {widths[0] * 1000:.1f} ms"


PORT_CHOICE = ["start", "lpt3", "forward", "sound", "lpt2", "stop", "close"]


def port_choice(guest, args, io="0x378,0x278,0x3bc"):
    expected = derive(PORT_CHOICE)
    assert expected == {0x378: [0x00], 0x3BC: [0x0F, 0x1F, 0x0F], 0x278: [0x00, 0x00]}
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    script = "cat /proc/sys/dev/parport/parport*/base-addr\n" + driver_run(PORT_CHOICE)
    writes = guest.boot(script, io=io)
    if exit_status(guest.console, "driver-exit") != 0:
        raise Failure("the driver failed:\n" + guest.console[-2000:])
    return expect_writes(writes, expected)


def renumbered(guest, args):
    # parport0 is now 0x3BC and parport2 0x378: the bytes must follow the addresses.
    return port_choice(guest, args, io="0x3bc,0x278,0x378")


def no_port(guest, args):
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    writes = guest.boot(driver_run(["start", "lpt2", "forward", "close"]), io="0x378")
    if exit_status(guest.console, "driver-exit") == 0:
        raise Failure("the driver did not fail")
    expect_in_console(guest.console, "Paralelni port 0x278 nije pronađen", "0x378 (parport0)")
    return expect_writes(writes, {0x378: [0x00]}) + "; error named 0x278"


def not_in_lp(guest, args):
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    writes = guest.boot("id vozac\n" + driver_run(["start", "forward", "close"], user="vozac"))
    if exit_status(guest.console, "driver-exit") == 0:
        raise Failure("the driver did not fail")
    expect_in_console(guest.console, "Nemate dozvolu za pristup paralelnom portu 0x378",
                      "/dev/parport0", "grupe lp", "usermod -aG lp")
    return expect_writes(writes, {}) + "; permission error"


def in_lp(guest, args):
    ops = ["start", "forward", "close"]
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    writes = guest.boot("id operater\n" + driver_run(ops, user="operater"))
    if exit_status(guest.console, "driver-exit") != 0:
        raise Failure("the driver failed:\n" + guest.console[-2000:])
    return expect_writes(writes, derive(ops))


# A first instance holds the port for 3 s; a second one tries it meanwhile.
TWO_INSTANCES = """/kovir-guest-driver start hold:3000 close &
first=$!
holding $first || echo "the first instance never took the port"
timeout 10 /kovir-guest-driver start forward close
echo "second-exit: $?"
wait $first
echo "first-exit: $?"
"""


def second_instance(guest, args):
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    writes = guest.boot(TWO_INSTANCES)
    second = exit_status(guest.console, "second-exit")
    if second == 0:
        raise Failure("the second instance did not fail")
    if second in (124, 143):
        raise Failure("the second instance hung until the timeout")
    if exit_status(guest.console, "first-exit") != 0:
        raise Failure("the first instance failed:\n" + guest.console[-2000:])
    expect_in_console(guest.console, "Paralelni port 0x378 (/dev/parport0) je zauzet")
    return expect_writes(writes, {0x378: [0x00, 0x00]}) + "; second instance refused"


def kovir_sigterm(guest, args, ports=LEGACY_PORTS, io="0x378,0x278,0x3bc", signal="TERM",
                  status=0, boot=None):
    if not args.kovir or not args.qt_offscreen_plugin:
        raise Failure("no kovir program or no Qt offscreen plugin given")
    program = guest.add_dynamic(args.kovir, "/usr/bin/kovir")
    guest.add_dynamic(args.kovir.parent / "kovir-guard", "/usr/bin/kovir-guard")  # beside it
    # Where Qt looks for it: the same path as on this machine.
    guest.add_dynamic(args.qt_offscreen_plugin, str(args.qt_offscreen_plugin))
    for path in ("/etc/fonts/fonts.conf", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"):
        if os.path.exists(path):
            guest.add(path)
    script = f"""export QT_QPA_PLATFORM=offscreen HOME=/tmp XDG_RUNTIME_DIR=/tmp
{program} &
pid=$!
holding $pid || echo "kovir never took the port"
sleep 1
kill -{signal} $pid
wait $pid
echo "kovir-exit: $?"
"""
    writes = guest.boot(script, timeout=150, ports=ports, io=io, **(boot or {}))
    if exit_status(guest.console, "kovir-exit") != status:
        raise Failure(f"kovir did not end with status {status}:\n" + guest.console[-3000:])
    return expect_writes(writes, {ports[0][0]: [0x00, 0x00]} if ports else {})


# A PCIe card's port lies wherever the firmware put it; the kernel's driver
# is told where, as for a card it does not know by its PCI IDs.
CARD = 0xD010


def labels_in(console):
    return dict(re.findall(r"label (Label\d): (.*)", console))


def expect_labels(console, expected):
    got = labels_in(console)
    if got != expected:
        raise Failure(f"expected labels {expected}; got {got}")


def card_only(guest, args):
    ops = ["start", "forward", "sound", "close"]
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    script = "cat /proc/sys/dev/parport/parport*/base-addr\n" + driver_run([*ops[:-1], "labels",
                                                                            ops[-1]])
    writes = guest.boot(script, io=f"{CARD:#x}", ports=((CARD, 7),))
    if exit_status(guest.console, "driver-exit") != 0:
        raise Failure("the driver failed:\n" + guest.console[-2000:])
    expect_labels(guest.console, {"Label3": f"LPT1: {CARD:X}", "Label4": "LPT2: 278",
                                  "Label6": "LPT3: 3BC"})
    return expect_writes(writes, {CARD: derive(ops)[0x378]}) + f"; LPT1 names {CARD:X}"


def port_and_card(guest, args):
    ops = ["start", "forward", "lpt2", "back", "sound", "close"]
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    writes = guest.boot(driver_run(["labels", *ops]), io=f"0x378,{CARD:#x}",
                        ports=((0x378, 7), (CARD, 5)))
    if exit_status(guest.console, "driver-exit") != 0:
        raise Failure("the driver failed:\n" + guest.console[-2000:])
    expect_labels(guest.console, {"Label3": "LPT1: 378", "Label4": f"LPT2: {CARD:X}",
                                  "Label6": "LPT3: 3BC"})
    return expect_writes(writes, {0x378: [0x00, 0x0F], CARD: [0x05, 0x15, 0x05, 0x00]})


def kovir_card_sigterm(guest, args):
    return kovir_sigterm(guest, args, ports=((CARD, 7),), io=f"{CARD:#x}")


def kovir_crash(guest, args):
    # The stop goes out through ppdev's descriptor; then the crash ends the
    # program as it would have (128 + SIGSEGV).
    return kovir_sigterm(guest, args, signal="SEGV", status=139)


# The real kovir on an X server in the emulated PC (this machine's own system,
# shared read-only, in a chroot), where the toolkit has threads of its own:
# Napred, then a crash signal to one of those threads, not the main one.
THREAD_CRASH = """export HOME=/tmp XDG_RUNTIME_DIR=/tmp PATH=/usr/bin:/bin
Xvfb :7 -screen 0 640x400x24 -nolisten tcp >/dev/null 2>&1 &
for i in $(seq 200); do [ -e /tmp/.X11-unix/X7 ] && break; sleep 0.1; done
export DISPLAY=:7
{kovir} &
pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Upravljanje kovirom$' | head -n 1)
xdotool mousemove --window "$window" 208 64 click 1
sleep 1
{end}
wait $pid
echo "kovir-exit: $?"
sleep 1  # the guard's stop, if any, goes out after the program's end
"""
CRASH_A_THREAD = """thread=$(ls /proc/$pid/task | grep -vx "$pid" | head -n 1)
echo "threads: $(ls /proc/$pid/task | tr '\\n' ' '), crashing $thread"
python3 -c "import ctypes, sys; sys.exit(ctypes.CDLL(None).syscall(234, $pid, $thread, 11))"
"""


def kovir_on_shared_system(guest, args, name, end, ppdev):
    """The real kovir on this machine's system, shared read-only into the
    guest, driving until `end` (a shell command) ends it: the port writes."""
    if not args.kovir:
        raise Failure("no kovir program given")
    script = guest.work / f"{name}.sh"
    script.parent.mkdir(parents=True, exist_ok=True)
    script.write_text(THREAD_CRASH.format(kovir=args.kovir.resolve(), end=end))
    return guest.boot(SHARE_HOST.format(modules=" ".join(SHARE_MODULES), script=script.resolve()),
                      timeout=240, memory="1024M", ppdev=ppdev,
                      extra=["-cpu", "max,-smap", "-fsdev",
                             "local,id=host,path=/,security_model=none,readonly=on,multidevs=remap",
                             "-device", "virtio-9p-pci,fsdev=host,mount_tag=host"])


def kovir_thread_crash(guest, args, ppdev=True):
    """A crash on a thread other than the main one, in the real kovir: over
    ppdev, or as root over raw I/O, whose port permission belongs to the
    thread that took it (the stop goes through /dev/port)."""
    writes = kovir_on_shared_system(guest, args, "thread_crash", CRASH_A_THREAD, ppdev)
    if exit_status(guest.console, "kovir-exit") != 139:
        raise Failure("kovir did not end by SIGSEGV:\n" + guest.console[-3000:])
    threads = re.search(r"threads: (.*), crashing (\d+)", guest.console)
    return expect_writes(writes, {0x378: [0x00, 0x0F, 0x00]}) + f"; threads {threads[1]}, crashed {threads[2]}"


def kovir_raw_thread_crash(guest, args):
    return kovir_thread_crash(guest, args, ppdev=False)


def kovir_sigkill(guest, args, ppdev=True):
    """Napred, then SIGKILL, which no handler of the program sees: its guard
    writes the stop, through the ppdev descriptor it was handed, or as root
    over raw I/O through /dev/port."""
    writes = kovir_on_shared_system(guest, args, "sigkill", "kill -KILL $pid", ppdev)
    if exit_status(guest.console, "kovir-exit") != 137:
        raise Failure("kovir did not end by SIGKILL:\n" + guest.console[-3000:])
    return expect_writes(writes, {0x378: [0x00, 0x0F, 0x00]})


def kovir_raw_sigkill(guest, args):
    return kovir_sigkill(guest, args, ppdev=False)


# The PC's boot, from the drivers' loading on: the kernel's probe of each
# port, then what the package's udev rule runs as ppdev registers it.
BOOT_DRIVERS = """insmod /lib/modules/parport.ko
insmod /lib/modules/parport_pc.ko io={io} irq={irq}
insmod /lib/modules/ppdev.ko
for i in $(seq 50); do [ -e /dev/parport2 ] && break; sleep 0.1; done
for node in /dev/parport*; do
    k=${{node#/dev/}}
    {rest}
done
"""
RULES = Path(__file__).resolve().parent.parent.parent / "packaging" / "linux" / "60-kovir.rules"


def boot_rest(guest, args):
    """Each port at rest from boot: the kernel's probe leaves a byte of its
    own on the data lines; the command the package's udev rule runs for each
    port as ppdev registers it (kovir-guard --rest) puts 0 there. Measured
    without it, then with it, in two boots."""
    if not args.kovir:
        raise Failure("no kovir program given")
    rule = next((line for line in RULES.read_text().splitlines()
                 if 'SUBSYSTEM=="ppdev"' in line and not line.startswith("#")), None)
    m = re.search(r'RUN\+="([^"]+)"', rule or "")
    if not m:
        raise Failure(f"no ppdev rule with a command in {RULES}")
    command = m[1].replace("%k", "$k")
    guest.add_dynamic(args.kovir.parent / "kovir-guard", command.split()[0])
    io = ",".join(f"{base:#x}" for base, _ in LEGACY_PORTS)
    irq = ",".join(["none"] * len(LEGACY_PORTS))
    last = {}
    for name, rest in (("probe", ":"), ("rule", command)):
        writes = guest.boot(BOOT_DRIVERS.format(io=io, irq=irq, rest=rest), drivers=False)
        last[name] = {port: values[-1] for port, values in by_port(writes).items()}
        if sorted(last[name]) != sorted(base for base, _ in LEGACY_PORTS):
            raise Failure(f"{name}: not every port was written: {show(by_port(writes))}")
    if any(value != 0 for value in last["rule"].values()):
        raise Failure(f"after the rule's command the ports rest at {last['rule']}")
    return ("the probe's last byte " + show({p: [v] for p, v in last["probe"].items()}) +
            "; after the rule's command " + show({p: [v] for p, v in last["rule"].items()}))


# Once the program is gone: whether its guard is still there after 3 s.
GUARD_GONE = """for i in $(seq 30); do grep -qx kovir-guard /proc/[0-9]*/comm 2>/dev/null || break; sleep 0.1; done
grep -qx kovir-guard /proc/[0-9]*/comm 2>/dev/null && echo "guard: running" || echo "guard: ended"
"""


def kovir_board_sigkill(guest, args, hung=False):
    """The same on a kovir board, the PC's only port: the guard's stop goes
    out through the board's usbfs descriptor, and the device sees 0. A
    `hung` board, which stopped taking bytes after the 0x0F, does not hold
    the guard: its transfer gives up after half a second, and it ends."""
    if not args.kovir:
        raise Failure("no kovir program given")
    script = guest.work / "sigkill.sh"
    script.parent.mkdir(parents=True, exist_ok=True)
    script.write_text(THREAD_CRASH.format(kovir=args.kovir.resolve(), end="kill -KILL $pid")
                      + GUARD_GONE)
    guest.boot(SHARE_HOST.format(modules=" ".join(SHARE_MODULES), script=script.resolve()),
               timeout=240, memory="1024M", ports=(), io="", drivers=False, board=BOARD_SERIAL,
               hang=hung,
               extra=["-cpu", "max,-smap", "-fsdev",
                      "local,id=host,path=/,security_model=none,readonly=on,multidevs=remap",
                      "-device", "virtio-9p-pci,fsdev=host,mount_tag=host"])
    if exit_status(guest.console, "kovir-exit") != 137:
        raise Failure("kovir did not end by SIGKILL:\n" + guest.console[-3000:])
    if "guard: ended" not in guest.console:
        raise Failure("the guard did not end:\n" + guest.console[-3000:])
    seen = Gadget(guest.console).seen("program")
    expected = [0x00, 0x0F] if hung else [0x00, 0x0F, 0x00]
    if seen != expected:
        raise Failure(f"the board's device saw {seen}, expected {expected}")
    if hung:
        return "the board stopped taking bytes after 0F; the guard gave up on it and ended"
    return "the board's device saw 00 0F, then the guard's 00"


def no_parport_driver(guest, args):
    # libieee1284 then guesses 0x378, 0x278 and 0x3BC on /dev/port.
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    writes = guest.boot(driver_run(["start", "forward", "close"]), drivers=False)
    if exit_status(guest.console, "driver-exit") == 0:
        raise Failure("the driver wrote to a port the system does not list")
    expect_in_console(guest.console, "Paralelni port 0x378 nije pronađen",
                      "nijedan paralelni port", "modprobe parport_pc ppdev")
    return expect_writes(writes, {}) + "; nothing written"


# ------------------------------------------------- a USB bit-bang board

BOARD_SERIAL = "KV000721"
# The device's lines on the chip's pins (TXD 0, RXD 1, RTS# 2, CTS# 3, DTR# 4, DSR# 5,
# DCD# 6, RI# 7). The README's: D0-D4 on the pins that are inputs at rest, each with
# a pull-down, D5-D7 tied low; and the earlier one, D0-D7 on the pins in order.
README_WIRING = {0: 1, 1: 3, 2: 5, 3: 6, 4: 7}
EARLIER_WIRING = {line: line for line in range(8)}


def device_view(pins, wiring, pull_downs=True):
    """The byte a device sees through `wiring` while the chip's pins are
    `pins` ("1u1u1uuu": driven high or low, or an input with the chip's
    200 kOhm pull-up). A pull-down holds an input at 0; without one, inputs
    like a ULN2003's, which a 200 kOhm pull-up cannot drive, see 0 too."""
    view = 0
    for line, pin in wiring.items():
        if pins[pin] == "1":
            view |= 1 << line
    return view


class Gadget:
    """What the board's chip saw and did, read off the gadget's record: per
    phase of the script ("boot", "program", and any the script marks)."""

    def __init__(self, console):
        self.phases, phase = {"boot": []}, "boot"
        for m in re.finditer(r"^gadget: (\w+) (.*?)(?: (\d+\.\d+))?\s*$", console, re.M):
            if m[1] == "phase":
                phase = m[2]
                self.phases.setdefault(phase, [])
            elif m[1] in ("ctrl", "out", "pins", "eeprom"):
                self.phases[phase].append((m[1], m[2], float(m[3])))

    def events(self, *phases):
        phases = phases or self.phases
        return [e for p in phases for e in self.phases.get(p, [])]

    def views(self, wiring=README_WIRING, *phases):
        """[(seconds, byte)] the device saw, each time a pin changed."""
        return [(t, device_view(v, wiring)) for k, v, t in self.events(*phases) if k == "pins"]

    def seen(self, *phases):
        """The device's bytes through the README's wiring, repeats taken as one."""
        seen = []
        for _, view in self.views(README_WIRING, *phases):
            if not seen or seen[-1] != view:
                seen.append(view)
        return seen

    def requests(self, *phases):
        return [v for k, v, _ in self.events(*phases) if k in ("ctrl", "out")]

    def eeproms(self):
        return [bytes.fromhex(v) for k, v, _ in self.events() if k == "eeprom"]


def once_each(values):
    return [v for i, v in enumerate(values) if i == 0 or values[i - 1] != v]


def expect_board(guest, ops, labels=None, status=0):
    """The driver's exit status and labels, if given; then what the device
    saw through the README's wiring: 0 from the plug-in on, exactly the
    bytes the operations put on the port, and 0 again."""
    console = guest.console
    if exit_status(console, "driver-exit") != status:
        raise Failure(f"the driver ended otherwise than with {status}:\n" + console[-3000:])
    if labels:
        expect_labels(console, labels)
    gadget = Gadget(console)
    expected = once_each([0] + derive(ops).get(0x378, []) + [0])
    if gadget.seen() != expected:
        raise Failure(f"the device saw {[hex(b) for b in gadget.seen()]}, expected "
                      f"{[hex(b) for b in expected]}")
    return gadget


def board_only(guest, args):
    """A kovir board, the PC's only port: driven through the pin table, and
    at rest (plugged in, after the end, plugged in again) the device sees 0
    through the README's wiring; through the earlier one it would not."""
    ops = ["start", "forward", "sound", "close"]
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    guest.boot(driver_run(["labels", *ops]) + "replug\n", ports=(), drivers=False,
               board=BOARD_SERIAL)
    gadget = expect_board(guest, ops, {"Label3": "LPT1: USB", "Label4": "LPT2: 278",
                                       "Label6": "LPT3: 3BC"})
    pins = [v for k, v, _ in gadget.events() if k == "pins"]
    if pins[0] != "1u1u1uuu" or pins[-1] != "1u1u1uuu":
        raise Failure(f"the chip was not in UART mode at plug-in and after the re-plug: {pins}")
    earlier = device_view(pins[0], EARLIER_WIRING)
    if earlier == 0:
        raise Failure("through the earlier wiring the device would see 0 at rest")
    views = gadget.views()
    width = [b[0] - a[0] for a, b in zip(views, views[1:]) if a[1] == 0x1F and b[1] == 0x0F]
    return (f"the device saw {' '.join(f'{b:02X}' for b in gadget.seen())}, through the earlier "
            f"wiring {earlier:#04x} at rest; pulse at the board {width[0] * 1000:.1f} ms")


def ft232h_only(guest, args):
    ops = ["start", "back", "close"]
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    guest.boot(driver_run(["labels", *ops]), ports=(), drivers=False, board=BOARD_SERIAL,
               chip=FT232H)
    expect_board(guest, ops, {"Label3": "LPT1: USB", "Label4": "LPT2: 278", "Label6": "LPT3: 3BC"})
    return "an FT232H: the device saw 00 05 00"


def port_and_board(guest, args):
    ops = ["start", "forward", "lpt2", "back", "sound", "close"]
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    writes = guest.boot(driver_run(["labels", *ops]), io="0x378", ports=((0x378, 7),),
                        board=BOARD_SERIAL)
    expect_labels(guest.console, {"Label3": "LPT1: 378", "Label4": "LPT2: USB", "Label6": "LPT3: 3BC"})
    seen = Gadget(guest.console).seen()
    if seen != [0x00, 0x05, 0x15, 0x05, 0x00]:
        raise Failure(f"the board's device saw {seen}")
    return expect_writes(writes, {0x378: [0x00, 0x0F]}) + "; the board (LPT2): 05 15 05 00"


def factory_board(guest, args):
    """An FT232R as it comes, the PC's only FTDI device and no port: kovir
    sends it nothing, and says what it is and how to prepare one."""
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    guest.boot(driver_run(["start", "forward", "close"]), ports=(), drivers=False,
               board=BOARD_SERIAL, description=FACTORY)
    if exit_status(guest.console, "driver-exit") == 0:
        raise Failure("the driver did not fail")
    expect_in_console(guest.console, "nije pronađen",
                      f"FT232R/FT245R {BOARD_SERIAL} „{FACTORY}” (1-1, /dev/bus/usb/001/002)",
                      "sudo kovir-board prepare SERIJSKI_BROJ")
    if Gadget(guest.console).requests("program"):
        raise Failure(f"the board was sent {Gadget(guest.console).requests('program')}")
    return "no request and no byte; the message names the device"


# kovir-board on a factory board: listed, prepared, plugged in again, driven.
PREPARE = """/kovir-board
/kovir-board prepare {serial}
echo "prepare-exit: $?"
replug
/kovir-board
"""


def allowed_changes(image):
    """What preparing may change: the product description's place, its
    length, the configuration (remote wake-up), the chip options (suspend
    pull-downs) and the checksum."""
    at, length = image[0x10] & (len(image) - 1), image[0x11]
    return set(range(at, at + length)) | {0x08, 0x0A, 0x11, len(image) - 2, len(image) - 1}


def board_prepare(guest, args):
    ops = ["start", "back", "close"]
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    guest.add_dynamic(args.board_tool, "/kovir-board")
    guest.boot(PREPARE.format(serial=BOARD_SERIAL) + driver_run(ops), ports=(), drivers=False,
               board=BOARD_SERIAL, description=FACTORY)
    if exit_status(guest.console, "prepare-exit") != 0:
        raise Failure("kovir-board failed:\n" + guest.console[-3000:])
    expect_in_console(guest.console, "08: A0 → 80, 0A: 08 → 0C, 11: 20 → 0C", "replugged: kovir")
    gadget = Gadget(guest.console)
    first, last = gadget.eeproms()[0], gadget.eeproms()[-1]
    changed = {i for i in range(len(first)) if first[i] != last[i]}
    if not changed or changed - allowed_changes(first):
        raise Failure(f"the EEPROM changed at {sorted(changed)}")
    seen = gadget.seen("program")
    if seen != once_each([0] + derive(ops)[0x378]):
        raise Failure(f"the prepared board's device saw {seen}")
    listing = re.findall(r"^FT232R/FT245R .*$", guest.console, re.M)
    return (f"{len(changed)} EEPROM bytes changed, then driven; listed before and after: "
            f"{listing}")


def clone_board(guest, args):
    """A copy of the chip that ignores EEPROM writes: refused, with a message."""
    guest.add_dynamic(args.board_tool, "/kovir-board")
    guest.boot(PREPARE.format(serial=BOARD_SERIAL), ports=(), drivers=False, board=BOARD_SERIAL,
               description=FACTORY, clone=True)
    if exit_status(guest.console, "prepare-exit") != 1:
        raise Failure("the clone was not refused:\n" + guest.console[-3000:])
    expect_in_console(guest.console, "nije zapamtio upis", f"replugged: {FACTORY}")
    images = Gadget(guest.console).eeproms()
    if any(image != images[0] for image in images):
        raise Failure("the clone's EEPROM changed")
    return "refused: the chip did not keep the write"


def cut_write_restored(guest, args):
    """Pulled out half-way through prepare's write: the chip then has a bad
    checksum, its factory description and no serial number. kovir-board
    says how to undo it, and restore finds it by its place and writes the
    saved factory image back."""
    guest.add_dynamic(args.board_tool, "/kovir-board")
    guest.boot(PREPARE.format(serial=BOARD_SERIAL) +
               "/kovir-board restore /kovir-board-*.eeprom\n"
               'echo "restore-exit: $?"\nreplug\n/kovir-board\n', ports=(), drivers=False,
               board=BOARD_SERIAL, description=FACTORY, cut=True)
    console = guest.console
    if exit_status(console, "prepare-exit") != 1 or exit_status(console, "restore-exit") != 0:
        raise Failure("the cut write was not reported, or not restored:\n" + console[-3000:])
    expect_in_console(console, "Upis EEPROM-a nije uspeo", "kovir-board restore kovir-board-",
                      f"replugged: {FACTORY}", "Pločica KV000721 ima ponovo EEPROM od pre pripreme")
    images = Gadget(console).eeproms()
    if all(image == images[0] for image in images) or images[-1] != images[0]:
        raise Failure("the write was not cut, or the factory image not restored")
    listed = [line.split()[1] for line in re.findall(r"^FT232R/FT245R .*$", console, re.M)]
    if listed != [BOARD_SERIAL, "-", BOARD_SERIAL]:
        raise Failure(f"the board's serial number, listed before, after the cut and restored: "
                      f"{listed}")
    return (f"cut at word {len(images[0]) // 4}: no serial after it; restored by its place, "
            f"listed again as {listed[-1]}")


def older_chip_refused(guest, args):
    """An FT232BM shares the FT232R's product ID; told by its release, it is
    refused before anything is read or written."""
    guest.add_dynamic(args.board_tool, "/kovir-board")
    guest.boot(PREPARE.format(serial=BOARD_SERIAL), ports=(), drivers=False, board=BOARD_SERIAL,
               description=FACTORY, chip=FT232BM)
    if exit_status(guest.console, "prepare-exit") != 1:
        raise Failure("the FT232BM was not refused:\n" + guest.console[-3000:])
    expect_in_console(guest.console, "FT232H, a ovo je FT232BM.")
    requests = Gadget(guest.console).requests()
    if any(r.startswith(("c0 90", "40 91")) for r in requests):
        raise Failure(f"the FT232BM's EEPROM was read or written: {requests}")
    return "refused by its release (0x0400), its EEPROM neither read nor written"


# The serial driver bound to the board, its port held open by another
# program, then free.
TTY_HELD = """for m in {modules}; do insmod /lib/modules/$m; done
for i in $(seq 100); do [ -e /dev/ttyUSB0 ] && break; sleep 0.05; done
cat /dev/ttyUSB0 > /dev/null &
holder=$!
sleep 0.5
phase held
{first}
kill -0 $holder && echo "holder-alive: yes"
[ -e /sys/bus/usb/devices/1-1:1.0/ttyUSB0 ] && echo "tty-kept: yes"
kill $holder
wait $holder
phase free
{second}
"""


def board_tty_held(guest, args):
    ops = ["start", "forward", "close"]
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    guest.boot(TTY_HELD.format(modules=" ".join(SERIAL_MODULES), first=driver_run(ops),
                               second=driver_run(ops, "second-exit")),
               ports=(), drivers=False, board=BOARD_SERIAL)
    if exit_status(guest.console, "driver-exit") == 0:
        raise Failure("the driver took a board whose serial port was open")
    expect_in_console(guest.console, "njen serijski port /dev/ttyUSB0 drži otvorenim drugi program",
                      "holder-alive: yes", "tty-kept: yes")
    gadget = Gadget(guest.console)
    # The serial driver's own requests go on; kovir's bit mode and bytes never came.
    ours = [r for r in gadget.requests("held") if r.startswith("40 0b") or len(r) == 2]
    if ours:
        raise Failure(f"the held board was sent {ours}")
    if exit_status(guest.console, "second-exit") != 0 or gadget.seen("free")[-3:] != [0, 0x0F, 0]:
        raise Failure(f"once free, the board's device saw {gadget.seen('free')}")
    return "busy while its serial port was open, which stayed open; driven once it was free"


def board_without_rights(guest, args):
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    guest.boot(driver_run(["start", "forward", "close"], user="vozac"), ports=(), drivers=False,
               board=BOARD_SERIAL)
    if exit_status(guest.console, "driver-exit") == 0:
        raise Failure("the driver did not fail")
    expect_in_console(guest.console, "Nemate dozvolu za pristup: USB pločica",
                      "/dev/bus/usb/001/002", "60-kovir.rules")
    if Gadget(guest.console).requests("program"):
        raise Failure(f"the board saw {Gadget(guest.console).requests('program')}")
    return "permission error; the board saw nothing"


def board_busy(guest, args):
    guest.add_dynamic(args.driver, "/kovir-guest-driver")
    guest.boot(TWO_INSTANCES, ports=(), drivers=False, board=BOARD_SERIAL)
    second = exit_status(guest.console, "second-exit")
    if second == 0 or second in (124, 143) or exit_status(guest.console, "first-exit") != 0:
        raise Failure(f"the second instance ended with {second}:\n" + guest.console[-3000:])
    expect_in_console(guest.console, f"USB pločica {BOARD_SERIAL} (/dev/bus/usb/001/002) je zauzeta")
    outs = [r for r in Gadget(guest.console).requests("program") if len(r) == 2]
    if outs != ["00", "00", "00"]:
        raise Failure(f"the board received {outs}, expected the entry's 0, start's 0 and close's 0")
    return "second instance refused; the board received only the first one's zeros"


def kovir_board(guest, args, signal, status):
    kovir_sigterm(guest, args, ports=(), io="", signal=signal, status=status,
                  boot={"drivers": False, "board": BOARD_SERIAL})
    outs = [r for r in Gadget(guest.console).requests("program") if len(r) == 2]
    if outs != ["00", "00", "00"]:
        raise Failure(f"the board received {outs}, expected 00 (entry) 00 (start) 00 (stop)")
    return "the board received 00 (entering bit-bang) 00 (start) 00 (stop)"


def kovir_board_sigterm(guest, args):
    return kovir_board(guest, args, "TERM", 0)


def kovir_board_crash(guest, args):
    # The stop goes out through libusb's own descriptor of the board.
    return kovir_board(guest, args, "SEGV", 139)


SCENARIOS = {
    "sequence": sequence,
    "port_choice": port_choice,
    "renumbered": renumbered,
    "no_port": no_port,
    "not_in_lp": not_in_lp,
    "in_lp": in_lp,
    "second_instance": second_instance,
    "kovir_sigterm": kovir_sigterm,
    "card_only": card_only,
    "port_and_card": port_and_card,
    "no_parport_driver": no_parport_driver,
    "kovir_card_sigterm": kovir_card_sigterm,
    "kovir_crash": kovir_crash,
    "kovir_thread_crash": kovir_thread_crash,
    "kovir_raw_thread_crash": kovir_raw_thread_crash,
    "kovir_sigkill": kovir_sigkill,
    "kovir_raw_sigkill": kovir_raw_sigkill,
    "kovir_board_sigkill": kovir_board_sigkill,
    "kovir_hung_board_sigkill": lambda guest, args: kovir_board_sigkill(guest, args, hung=True),
    "boot_rest": boot_rest,
    "board_only": board_only,
    "port_and_board": port_and_board,
    "ft232h_only": ft232h_only,
    "factory_board": factory_board,
    "board_prepare": board_prepare,
    "clone_board": clone_board,
    "board_tty_held": board_tty_held,
    "older_chip_refused": older_chip_refused,
    "cut_write_restored": cut_write_restored,
    "board_without_rights": board_without_rights,
    "board_busy": board_busy,
    "kovir_board_sigterm": kovir_board_sigterm,
    "kovir_board_crash": kovir_board_crash,
}


# ---------------------------------------------------------------- 32-bit Wine

SHARE_HOST = """for m in {modules}; do insmod /lib/modules/$m; done
mkdir -p /host /hosttmp
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose,ro host /host
mount --bind /host/tmp /hosttmp
mount -t proc proc /host/proc
mount -t sysfs sys /host/sys
mount -t devtmpfs dev /host/dev
mkdir -p /host/dev/pts /host/dev/shm
mount -t devpts devpts /host/dev/pts
for d in /host/tmp /host/run /host/dev/shm; do mount -t tmpfs -o size=1500m tmpfs $d; done
# A work tree in the host's /tmp stays where it is, read-only, inside the
# guest's writable /tmp (its hidden entries, such as Wine's and X's sockets,
# stay the guest's own).
for d in /hosttmp/*; do
    [ -d "$d" ] || continue
    mkdir -p "/host/tmp/${{d##*/}}"
    mount --bind "$d" "/host/tmp/${{d##*/}}"
done
chroot /host /bin/bash {script}
"""

# In the chroot: a 32-bit prefix, made once for the whole run, then each
# suite from a copy on tmpfs (over an uncached 9p mount, the pages Wine maps
# of a large program can read as zeros).
IN_CHROOT = """export HOME=/tmp PATH=/usr/bin:/bin:/usr/sbin:/sbin
export WINEPREFIX=/tmp/prefix WINEARCH=win32 WINEDEBUG=-all
started=$(date +%s)
/usr/lib/wine/wine wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver -w
echo "wineboot: $(( $(date +%s) - started )) s"
mkdir -p /tmp/run
run() {{  # name, command...
    name=$1; shift
    started=$(date +%s)
    echo "== $name"
    "$@" 2>&1 | grep -v '^[0-9a-f]*:fixme:'
    status=${{PIPESTATUS[0]}}
    echo "suite-exit $name: $status ($(( $(date +%s) - started )) s)"
}}
{suites}
"""


def wine32(args):
    fetch(args.cache)
    guest = Guest(args.cache, args.work)
    lines, names = [], []
    for suite in args.suite:
        name = Path(suite).name
        lines.append(f"cp {suite} /tmp/run/ && run {name} /usr/lib/wine/wine /tmp/run/{name}")
        names.append(name)
    if args.window_suite:
        name = Path(args.window_suite).name
        lines.append(f"cp {args.window_suite} /tmp/run/ && "
                     f"run {name} xvfb-run -a /usr/lib/wine/wine /tmp/run/{name}")
        names.append(name)
    e2e = (f"KOVIR_E2E_PATIENCE=10 /usr/bin/python3 "
           f"{Path(__file__).resolve().parent.parent / 'e2e' / 'kovir_sim_e2e.py'} "
           "--wineprefix /tmp/prefix --wine-loader /usr/lib/wine/wine --winearch win32")
    # Each program with its guard beside it, where it starts it from.
    if args.sim:
        guard = Path(args.sim).parent / "kovir-guard.exe"
        name = "kovir-sim.exe start_and_close end_task"
        lines.append(f"cp {args.sim} {guard} /tmp/run/ && run '{name}' env {e2e} "
                     f"--program /tmp/run/{Path(args.sim).name} start_and_close end_task")
        names.append(name)
    if args.kovir:
        guard = Path(args.kovir).parent / "kovir-guard.exe"
        name = ("kovir.exe port_library inpout_library no_port_library board_library "
                "board_prepared end_task_port_library end_task_board")
        lines.append(f"cp {args.kovir} {guard} /tmp/run/ && run '{name}' env {e2e} "
                     f"--program /tmp/run/{Path(args.kovir).name} --io-dll {args.io_dll} "
                     f"--inpout-dll {args.inpout_dll} inpout32.dll --ftd2xx-dll {args.ftd2xx_dll} "
                     f"--board-tool {args.board_tool} "
                     "port_library inpout_library no_port_library board_library board_prepared "
                     "end_task_port_library end_task_board")
        names.append(name)
    script = args.work / "in_chroot.sh"
    script.write_text(IN_CHROOT.format(suites="\n".join(lines)))
    guest.boot(SHARE_HOST.format(modules=" ".join(SHARE_MODULES), script=script.resolve()),
               timeout=args.timeout, memory="2048M", trace=False,
               extra=["-cpu", "max,-smap", "-fsdev",
                      "local,id=host,path=/,security_model=none,readonly=on,multidevs=remap",
                      "-device", "virtio-9p-pci,fsdev=host,mount_tag=host"])
    console = guest.console
    print(re.search(r"wineboot: \d+ s", console)[0] if "wineboot:" in console else
          "wineboot: never finished")
    passed = failed = 0
    for name in names:
        m = re.search(rf"suite-exit {re.escape(name)}: (\d+) \((\d+) s\)", console)
        ok = m is not None and m[1] == "0"
        summary = re.findall(rf"== {re.escape(name)}\n(?:.*\n)*?.*(\[  PASSED  \] \d+ tests?)",
                             console)
        print(f"{'ok  ' if ok else 'FAIL'} {name}: "
              + (f"exit {m[1]} after {m[2]} s" if m else "never finished")
              + (f", {summary[0]}" if summary else ""))
        passed, failed = passed + ok, failed + (not ok)
    if failed:
        print(console[-6000:])
    print(f"the emulated PC ran for {guest.seconds:.0f} s")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    get = sub.add_parser("fetch")
    get.add_argument("--cache", type=Path, required=True)
    run = sub.add_parser("run")
    run.add_argument("--cache", type=Path, required=True)
    run.add_argument("--work", type=Path, required=True)
    run.add_argument("--driver", type=Path, required=True)
    run.add_argument("--gadget", type=Path, help="the FT232R gadget, for the board scenarios")
    run.add_argument("--board-tool", type=Path, help="kovir-board, for the board scenarios")
    run.add_argument("--kovir", type=Path)
    run.add_argument("--qt-offscreen-plugin", type=Path)
    run.add_argument("scenarios", nargs="+", choices=list(SCENARIOS))
    w32 = sub.add_parser("wine32")
    w32.add_argument("--cache", type=Path, required=True)
    w32.add_argument("--work", type=Path, required=True)
    w32.add_argument("--suite", action="append", default=[], help="a test program to run")
    w32.add_argument("--window-suite", help="a test program that needs a display")
    w32.add_argument("--sim", help="kovir-sim.exe, started and closed through the e2e driver")
    w32.add_argument("--kovir", help="kovir.exe, with each port library and with none")
    w32.add_argument("--io-dll", help="our recording IO.DLL, for --kovir")
    w32.add_argument("--inpout-dll", help="our recording inpout32.dll, for --kovir")
    w32.add_argument("--ftd2xx-dll", help="our stand-in ftd2xx.dll, for --kovir")
    w32.add_argument("--board-tool", help="kovir-board.exe, for --kovir")
    w32.add_argument("--timeout", type=int, default=1500)
    args = parser.parse_args()
    if args.command == "wine32":
        return wine32(args)

    if args.command == "fetch":
        fetch(args.cache)
        return 0
    if not (args.cache / "vmlinuz").exists():
        print(f"no kernel in {args.cache}: run scripts/run-tests, or vm_test.py fetch")
        return 1
    passed = failed = 0
    for name in args.scenarios:
        guest = Guest(args.cache, args.work / name, args.gadget)
        try:
            report = SCENARIOS[name](guest, args)
            print(f"ok   {name} ({guest.seconds:.1f} s): {report}")
            passed += 1
        except Failure as e:
            print(f"FAIL {name}: {e}")
            failed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
