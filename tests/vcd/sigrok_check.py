#!/usr/bin/python3
"""kovir-vcd checked by a real consumer of VCD: a scripted kovir-sim run under
Xvfb (two ports, two sound pulses), its trace converted by kovir-vcd, and the
VCD read back by sigrok-cli as samples, one per microsecond. The data lines
must carry each byte of the trace from its time on, D4 must be high for at
least 150 ms around each pulse, and each port's lines must show only that
port's bytes.

  sigrok_check.py --program kovir-sim --vcd kovir-vcd [--keep DIR]

With --interrupted, the README's pipeline `kovir-sim | kovir-vcd > run.vcd`
runs in a process group of its own, as in a terminal, and is ended by Ctrl+C
(SIGINT to the group) after "Napred": the dump must still hold every byte,
up to the stop byte written on the way out.
"""

import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import kovir_sim_e2e as e2e  # noqa: E402


def scripted_run(program):
    """Napred, ZVUK; LPT3, Levo, ZVUK; the close box. Returns the trace."""
    x = e2e.XServer()
    try:
        p = e2e.Program(program, x)
        p.expect((0x378, 0x00))
        p.click("Napred")
        p.expect((0x378, 0x0F))
        p.click("ZVUK")
        p.expect((0x378, 0x1F), (0x378, 0x0F))
        p.click("LPT3: 3BC", "Levo")
        p.expect((0x3BC, 0x0E))
        p.click("ZVUK")
        p.expect((0x3BC, 0x1E), (0x3BC, 0x0E))
        p.close_box()
        p.expect((0x3BC, 0x00), (0x378, 0x00))  # 0x378 was left driving 0x0F
        p.ends(0)
        return p.raw
    finally:
        x.stop()


def interrupted_run(program, converter, vcd):
    x = e2e.XServer()
    try:
        env = dict(os.environ, DISPLAY=x.name)
        env.pop("QT_QPA_PLATFORM", None)
        with open(vcd, "w") as out:
            sim = subprocess.Popen([program], stdout=subprocess.PIPE, env=env,
                                   process_group=0)
            conv = subprocess.Popen([converter], stdin=sim.stdout, stdout=out,
                                    process_group=sim.pid)
            sim.stdout.close()
            try:
                window = e2e.Window(x, env)
                window.click("Napred")
                window.faces(Napred=e2e.YELLOW)
                os.killpg(sim.pid, signal.SIGINT)
                codes = sim.wait(15), conv.wait(15)
            finally:
                for p in (sim, conv):
                    if p.poll() is None:
                        p.kill()
        return codes
    finally:
        x.stop()


def check_interrupted(program, converter, folder):
    vcd = folder / "run.vcd"
    codes = interrupted_run(program, converter, vcd)
    failures = []
    if codes != (0, 0):
        failures.append(f"exit statuses {codes} (kovir-sim, kovir-vcd), expected (0, 0)")
    names, changes, count = samples(str(vcd)) if vcd.stat().st_size else ([], [], 0)
    bytes_seen = []
    if names == [f"378_D{bit}" for bit in range(8)]:
        for at, _ in changes:
            value = byte_at(changes, names, "378", at)
            if not bytes_seen or bytes_seen[-1] != value:
                bytes_seen.append(value)
    print(f"{count} samples; 0x378 carried {[f'0x{b:02X}' for b in bytes_seen]}")
    if bytes_seen != [0x00, 0x0F, 0x00]:
        failures.append("expected 0x00, 0x0F, then the stop byte 0x00 on 0x378")
    for failure in failures:
        print("FAIL", failure)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


def samples(vcd):
    """Reads the VCD with sigrok-cli; returns the channel names and, for
    each change, (sample, values)."""
    out = subprocess.run(["sigrok-cli", "-i", vcd, "-I", "vcd", "-O", "csv"], check=True,
                         capture_output=True, text=True).stdout.splitlines()
    names = next(l for l in out if l.startswith("; Channels")).split(":", 1)[1].split(", ")
    names = [n.strip() for n in names]
    changes, last, index = [], None, 0
    for line in out:
        if not line or line[0] not in "01":
            continue
        if line != last:
            changes.append((index, [int(v) for v in line.split(",")]))
            last = line
        index += 1
    return names, changes, index


def byte_at(changes, names, port, sample):
    values = None
    for at, row in changes:
        if at > sample:
            break
        values = row
    return sum(values[names.index(f"{port}_D{bit}")] << bit for bit in range(8))


def check_interrupt_ignored(vcd):
    """Started with Ctrl+C ignored, as a script's background job is, kovir-vcd
    leaves it ignored: SIGINT neither ends it nor makes it read on."""
    proc = subprocess.Popen([vcd], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True,
                            preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_IGN))
    proc.stdin.write("0.000001 0x378 0x0F 00001111\n")
    proc.stdin.flush()
    time.sleep(0.5)
    proc.send_signal(signal.SIGINT)
    time.sleep(0.5)
    alive = proc.poll() is None
    out, err = proc.communicate("0.100000 0x378 0x00 00000000\n", timeout=10)
    ok = alive and proc.returncode == 0 and "reading on" not in err and "#100000" in out
    print(f"{'ok  ' if ok else 'FAIL'} SIGINT ignored: alive {alive}, status {proc.returncode}, "
          f"standard error {err!r}")
    print(f"{int(ok)} passed, {int(not ok)} failed")
    return 0 if ok else 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program")
    parser.add_argument("--vcd", required=True, help="the kovir-vcd program")
    parser.add_argument("--keep", help="leave trace.txt and run.vcd in this folder")
    parser.add_argument("--interrupted", action="store_true",
                        help="end the pipeline with Ctrl+C instead of the close box")
    parser.add_argument("--interrupt-ignored", action="store_true",
                        help="start kovir-vcd with SIGINT ignored and send it one")
    args = parser.parse_args()
    if args.interrupt_ignored:
        return check_interrupt_ignored(args.vcd)

    folder = Path(args.keep or tempfile.mkdtemp(prefix="kovir-vcd-"))
    folder.mkdir(parents=True, exist_ok=True)
    if args.interrupted:
        return check_interrupted(args.program, args.vcd, folder)
    trace = folder / "trace.txt"
    trace.write_text("\n".join(scripted_run(args.program)) + "\n")
    vcd = folder / "run.vcd"
    with open(trace) as src, open(vcd, "w") as dst:
        subprocess.run([args.vcd], stdin=src, stdout=dst, check=True)
    names, changes, count = samples(str(vcd))

    failures = []
    expected = [f"{port}_D{bit}" for port in ("378", "3BC") for bit in range(8)]
    if names != expected:
        failures.append(f"channels {names}, expected {expected}")
    writes = [line.split() for line in trace.read_text().splitlines()]
    micros = [round(float(w[0]) * 1e6) for w in writes]
    last = {}
    for (t, port, byte, _), at in zip(writes, micros):
        port, value = port[2:], int(byte, 16)
        got = byte_at(changes, names, port, at)
        if got != value:
            failures.append(f"{port} at {at} us: 0x{got:02X}, the trace wrote 0x{value:02X}")
        last[port] = value
        # Ports kept apart: the other port's lines still show its own last byte.
        for other in ("378", "3BC"):
            if other != port:
                seen = byte_at(changes, names, other, at)
                if seen != last.get(other, 0):
                    failures.append(f"{other} changed to 0x{seen:02X} when {port} was written")
    # D4: high in two stretches, each at least 150 ms of samples.
    for port in ("378", "3BC"):
        d4 = names.index(f"{port}_D4")
        highs, start = [], None
        for at, row in changes:
            if row[d4] and start is None:
                start = at
            elif not row[d4] and start is not None:
                highs.append(at - start)
                start = None
        print(f"{port}_D4 high for {', '.join(f'{h / 1000:.3f} ms' for h in highs)}")
        if len(highs) != 1 or highs[0] < 150_000:
            failures.append(f"{port}_D4 pulses {highs} (samples of 1 us), expected one of ≥ 150000")
    print(f"{count} samples, {len(changes)} changes, {len(writes)} trace lines")
    for failure in failures:
        print("FAIL", failure)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
