#!/usr/bin/python3
"""The Win32 window under Wine, pixel for pixel against its pictures: at
rest (the README's picture at 96 DPI), after "Napred", with "Napred" held
down by Space, and with the focus moved on by Tab; each at the DPI given.

  window_pixels.py --program kovir-sim.exe --wineprefix DIR --dpi 96|144 [--write]

--write makes the pictures anew from the program, for a change of the
window that is meant; otherwise any pixel that differs fails."""

import argparse
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
import xvfb  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
README_PICTURE = os.path.join(HERE, "..", "..", "..", "docs", "kovir-windows.png")
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
NAPRED = (208, 64)  # its centre at 96 DPI, in client pixels


def picture(state, dpi):
    if state == "rest" and dpi == 96:
        return README_PICTURE
    return os.path.join(HERE, "pictures", f"{state}-{dpi}.png")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--wineprefix", required=True)
    parser.add_argument("--dpi", type=int, required=True)
    parser.add_argument("--write", action="store_true")
    args = parser.parse_args()

    env = dict(os.environ, WINEPREFIX=os.path.abspath(args.wineprefix), WINEDEBUG="-all")
    if not os.path.exists(os.path.join(args.wineprefix, "system.reg")):
        subprocess.run([WINE64, "wineboot", "-i"], env=env, check=True, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([WINE64, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                    "/t", "REG_DWORD", "/d", str(args.dpi), "/f"], env=env, check=True,
                   timeout=120, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-w"], env=env, timeout=120)

    server, display = xvfb.start("800x600x24")
    if not display:
        sys.exit("Xvfb did not start")
    env["DISPLAY"] = display
    program = subprocess.Popen([WINE64, args.program], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    failures = []
    try:
        def xdotool(*words):
            return subprocess.run(["xdotool", *words], env=env, check=True, timeout=60,
                                  capture_output=True, text=True).stdout

        window = xdotool("search", "--sync", "--name", "^Upravljanje kovirom$").split()[0]
        xdotool("windowfocus", "--sync", window)
        scale = args.dpi / 96
        napred = [str(round(c * scale)) for c in NAPRED]

        def settled_shot():
            """The window once two pictures in a row agree: what it shows
            after the last event, not half of a repaint."""
            shots = []
            for _ in range(20):
                time.sleep(0.3)
                shot = tempfile.NamedTemporaryFile(suffix=".png", delete=False).name
                subprocess.run(["import", "-window", window, shot], env=env, check=True,
                               timeout=60)
                shots.append(shot)
                if len(shots) > 1 and differing(shots[-2], shots[-1]) == 0:
                    break
            for old in shots[:-1]:
                os.unlink(old)
            return shots[-1]

        def check(state):
            shot = settled_shot()
            expected = picture(state, args.dpi)
            if args.write:
                os.replace(shot, expected)
                print(f"wrote {expected}")
                return
            count = differing(expected, shot)
            if count != 0:
                kept = os.path.join(tempfile.gettempdir(), f"kovir-window-{state}-{args.dpi}.png")
                os.replace(shot, kept)
                failures.append(f"{state} at {args.dpi} DPI: {count} pixels differ "
                                f"from {os.path.relpath(expected)} (seen: {kept})")
            else:
                os.unlink(shot)

        # The pointer stays off the buttons: a hovered button shows its tooltip.
        xdotool("mousemove", "--window", window, "2", "2")
        check("rest")
        xdotool("mousemove", "--window", window, *napred, "click", "1",
                "mousemove", "--window", window, "2", "2")
        check("forward")
        xdotool("keydown", "space")
        check("pressed")
        xdotool("keyup", "space", "key", "Tab")
        check("focus")
    finally:
        program.kill()
        program.wait(30)
        subprocess.run([WINESERVER, "-k"], env=env, timeout=60)
        xvfb.stop(server)
    if failures:
        sys.exit("\n".join(failures))
    print(f"the window at {args.dpi} DPI matches its pictures in every state")


def differing(a, b):
    """How many pixels differ between two pictures; a different size is all of them."""
    result = subprocess.run(["compare", "-metric", "AE", a, b, "null:"],
                            capture_output=True, text=True, timeout=60)
    if result.returncode == 2:
        return float("inf")
    return int(float(result.stderr.split()[0]))


if __name__ == "__main__":
    main()
