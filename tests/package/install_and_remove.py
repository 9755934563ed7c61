#!/usr/bin/python3
"""Installs the kovir package on this machine with apt-get, as a user would,
and checks it: it depends on libftdi1 and installs the boards' udev rule,
kovir and kovir-sim on PATH, kovir-sim from PATH starting
under Xvfb and writing 0 then 0 to 0x378 when closed, and `apt-get remove
--purge` leaving none of its files behind. Needs root; skips (77) otherwise.

  install_and_remove.py <kovir_*.deb>
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

SKIP = 77
E2E = Path(__file__).resolve().parent.parent / "e2e" / "kovir_sim_e2e.py"
# Waits for the package lock another apt run may hold (unattended upgrades).
APT = ["apt-get", "-y", "-qq", "-o", "Dpkg::Use-Pty=0", "-o", "DPkg::Lock::Timeout=300"]


def run(*args):
    subprocess.run(args, check=True, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"),
                   stdout=subprocess.DEVNULL)


def main():
    deb = Path(sys.argv[1]).resolve()
    if os.geteuid() != 0:
        print("skipped: installing a package needs root (CI runs this as root)")
        return SKIP
    failures = []
    # Folders such as /usr/share/icons/hicolor/64x64/apps are other packages'
    # too; only what the package brought must go with it.
    listed = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], check=True,
                            capture_output=True).stdout
    names = subprocess.run(["tar", "-t"], input=listed, check=True,
                           capture_output=True).stdout.decode().split()
    existed = {Path("/" + n.lstrip("./")).resolve() for n in names
               if Path("/" + n.lstrip("./")).exists()}
    depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], check=True, capture_output=True,
                             text=True).stdout
    if "libftdi1" not in depends:
        failures.append(f"no libftdi1 among the dependencies: {depends}")
    run(*APT, "install", "--reinstall", str(deb))
    try:
        owned = subprocess.run(["dpkg", "-L", "kovir"], check=True, capture_output=True,
                               text=True).stdout.split("\n")
        owned = [Path(p) for p in owned if p.startswith("/")]
        files = [p for p in owned if p.is_file() or p.is_symlink()]
        dirs = [p for p in owned if p.is_dir() and not p.is_symlink() and p not in existed]
        print(f"installed {len(files)} files")
        rule = Path("/usr/lib/udev/rules.d/60-kovir.rules")
        text = rule.read_text() if rule.exists() else ""
        if not all(part in text for part in ('"0403"', '"6001|6014"', 'ATTR{product}=="kovir"',
                                             'TAG+="uaccess"', "ftdi_sio/unbind")):
            failures.append(f"{rule} does not open kovir boards, and only those, to the seat's user")
        if 'SUBSYSTEM=="ppdev"' not in text or "/usr/bin/kovir-guard --rest /dev/%k" not in text:
            failures.append(f"{rule} does not put each parallel port at rest as ppdev registers it")
        for program in ("kovir", "kovir-sim", "kovir-vcd", "kovir-board", "kovir-guard"):
            where = shutil.which(program)
            if where != f"/usr/bin/{program}":
                failures.append(f"{program} on PATH: {where}")
        # The README's list of what the package puts on PATH, each with its man page.
        readme = (Path(__file__).resolve().parents[2] / "README.md").read_text(encoding="utf-8")
        listed = re.search(r"^This puts on PATH.*?\n\n", readme, re.M | re.S)
        said = {name for name in re.findall(r"`(kovir[\w-]*)`", listed[0] if listed else "")}
        programs = {p.name for p in files if p.parent == Path("/usr/bin")}
        pages = {p.name for p in files if p.parent == Path("/usr/share/man/man1")}
        if said != programs:
            failures.append(f"the README lists {sorted(said)} on PATH; the package installs "
                            f"{sorted(programs)}")
        if {f"{p}.1.gz" for p in programs} - pages:
            failures.append(f"programs without a man page: {sorted(programs)}, pages {sorted(pages)}")
        e2e = subprocess.run([sys.executable, E2E, "--program", "kovir-sim", "start_and_close"],
                             capture_output=True, text=True)
        print(e2e.stdout, end="")
        if e2e.returncode != 0:
            failures.append("kovir-sim from PATH did not write 0 then 0 to 0x378 when closed")
    finally:
        run(*APT, "remove", "--purge", "kovir")
    left = [str(p) for p in files if p.exists() or p.is_symlink()]
    left += [str(d) for d in dirs if d.exists() and not any(d.iterdir())]
    if left:
        failures.append("left behind after removal: " + ", ".join(left))
    for failure in failures:
        print("FAIL", failure)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
