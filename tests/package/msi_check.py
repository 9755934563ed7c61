#!/usr/bin/python3
"""The Windows Installer package of one build, read back and installed for
real under wine64 in a Wine prefix of its own, made fresh for each run.

  msi_check.py --build TREE --arch x64|x86 --version X.Y.Z --msi PACKAGE --wineprefix DIR

Both: the package's tables (product, version, UpgradeCode of the
architecture, files, Start-menu entries with our icon, the Add/Remove
Programs properties, the major upgrade). x64: an older package built here
is installed, then this one over it (one entry left, the newer files); the
installed kovir-sim.exe, found through its Start-menu entry's target, starts
and stops the device on 0x378; the older one is refused afterwards; removing
leaves nothing behind. x86: it lands in Program Files (x86), and goes again.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import kovir_sim_e2e as e2e  # noqa: E402

HERE = Path(__file__).resolve().parent
MAKE_MSI = HERE.parent.parent / "packaging" / "windows" / "make_msi.cmake"
UPGRADE_CODES = {"x64": "{f0223c5a-6c5c-4f5d-8733-e7f9ae092a39}",
                 "x86": "{48e7b150-11bc-4543-88ba-e0f9fe796c88}"}
FILES = {"kovir.exe", "kovir-sim.exe", "kovir-vcd.exe", "kovir-board.exe", "kovir-guard.exe",
         "LICENSE.txt", "README.txt"}
ENTRIES = {"Upravljanje kovirom": "kovir.exe", "Upravljanje kovirom (simulator)": "kovir-sim.exe"}
UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# msiexec's 1603 (ERROR_INSTALL_FAILURE), as a Unix exit status keeps it.
ERROR_INSTALL_FAILURE = 1603 % 256


class Failure(Exception):
    pass


def table(msi, name):
    """The rows of one table, as dicts by column name."""
    out = subprocess.run(["msiinfo", "export", msi, name], check=True, capture_output=True,
                         text=True).stdout.splitlines()
    columns = out[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in out[3:] if line]


def product_code(msi):
    return {r["Property"]: r["Value"] for r in table(msi, "Property")}["ProductCode"]


def check_tables(msi, arch, version):
    properties = {r["Property"]: r["Value"] for r in table(msi, "Property")}
    for name, value in (("ProductName", "Upravljanje kovirom"), ("ProductVersion", version),
                        ("Manufacturer", "kovir developers"), ("UpgradeCode", UPGRADE_CODES[arch]),
                        ("ARPPRODUCTICON", "kovir.ico"), ("ARPHELPLINK", "https://kovir.rs/"),
                        ("ALLUSERS", "1")):
        if properties.get(name, "").lower() != value.lower():
            raise Failure(f"Property {name} is {properties.get(name)!r}, expected {value!r}")
    files = {r["File"]: r["FileName"] for r in table(msi, "File")}
    if set(files.values()) != FILES:
        raise Failure(f"files {sorted(files.values())}, expected {sorted(FILES)}")
    shortcuts = {r["Name"]: r for r in table(msi, "Shortcut")}
    for name, program in ENTRIES.items():
        row = shortcuts.get(name)
        if not row or row["Directory_"] != "ProgramMenuFolder" or row["Icon_"] != "kovir.ico" \
                or files.get(row["Target"].strip("[#]")) != program:
            raise Failure(f"Start-menu entry {name!r}: {row}")
    if [r["Name"] for r in table(msi, "Icon")] != ["kovir.ico"]:
        raise Failure("the icon is not in the package")
    upgrades = {r["ActionProperty"]: r for r in table(msi, "Upgrade")}
    if set(upgrades) != {"WIX_UPGRADE_DETECTED", "WIX_DOWNGRADE_DETECTED"} or any(
            r["UpgradeCode"].lower() != UPGRADE_CODES[arch].lower() for r in upgrades.values()):
        raise Failure(f"Upgrade table {list(upgrades.values())}")
    folder = {"x64": "ProgramFiles64Folder", "x86": "ProgramFilesFolder"}[arch]
    if folder not in {r["Directory"] for r in table(msi, "Directory")}:
        raise Failure(f"not installed under {folder}")
    print(f"ok   tables: ProductCode {properties['ProductCode']}, UpgradeCode "
          f"{properties['UpgradeCode']}, ProductVersion {properties['ProductVersion']}")
    return properties, files, shortcuts


class Prefix:
    def __init__(self, path):
        self.path = Path(path)
        shutil.rmtree(self.path, ignore_errors=True)
        self.env = dict(os.environ, WINEPREFIX=str(self.path), WINEDEBUG="-all")
        self.env.pop("DISPLAY", None)
        subprocess.run([e2e.WINE64, "wineboot", "-i"], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)

    def run(self, *args):
        return subprocess.run([e2e.WINE64, *args], env=self.env, capture_output=True, text=True,
                              timeout=300)

    def msiexec(self, *args):
        return self.run("msiexec", *args, "/qn").returncode

    def drive_c(self, windows_path):
        return self.path / "drive_c" / windows_path.replace("\\", "/")

    def entries(self):
        """Add/Remove Programs entries of ours: {key: {value: data}}."""
        out = self.run("reg", "query", UNINSTALL, "/s").stdout
        entries, key = {}, None
        for line in out.splitlines():
            if line.startswith("HKEY_"):
                key = line.strip()
                entries[key] = {}
            elif key and line.startswith("    "):
                parts = line.strip().split(None, 2)
                entries[key][parts[0]] = parts[2] if len(parts) == 3 else ""
        return {k: v for k, v in entries.items() if v.get("DisplayName") == "Upravljanje kovirom"}

    def shortcuts(self):
        return sorted(p.name for p in (self.path / "drive_c").rglob("Upravljanje kovirom*.lnk"))

    def settle(self):
        subprocess.run([e2e.WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run([e2e.WINESERVER, "-w"], env=self.env)


def expect(what, got, wanted):
    if got != wanted:
        raise Failure(f"{what}: {got!r}, expected {wanted!r}")
    print(f"ok   {what}")


def installed_sim_starts_and_stops(prefix, program):
    """kovir-sim.exe where the Start-menu entry points: Load writes 0 to
    0x378, the close box writes 0 again."""
    e2e.WINE = e2e.Wine(str(prefix.path))
    x = e2e.XServer()
    try:
        p = e2e.Program(str(program), x)
        p.expect((0x378, 0x00))
        p.close_box()
        p.expect((0x378, 0x00))
        p.ends(0)
    finally:
        x.stop()
        e2e.WINE.settle()
    print(f"ok   the installed {program.name}, started from its Start-menu target: "
          "0 to 0x378 at start and at close")


def check_x64(args, prefix, files, shortcuts):
    folder = "Program Files\\kovir"
    older = Path(tempfile.mkdtemp(prefix="kovir-msi-")) / "kovir-0.0.1-windows-x64.msi"
    subprocess.run(["cmake", f"-DBUILD={args.build}", "-DARCH=x64", "-DVERSION=0.0.1",
                    f"-DMSI={older}", f"-DSTAGING={older.parent / 'staging'}", "-P", MAKE_MSI],
                   check=True, stdout=subprocess.DEVNULL)
    expect("the older package installs", prefix.msiexec("/i", str(older)), 0)
    expect("versions listed after it", [e["DisplayVersion"] for e in prefix.entries().values()],
           ["0.0.1"])
    expect("this package installs over it", prefix.msiexec("/i", args.msi), 0)
    entries = list(prefix.entries().values())
    expect("versions listed after the upgrade", [e["DisplayVersion"] for e in entries],
           [args.version])
    # Another build of the same version is the same product: found installed.
    again = older.parent / f"kovir-{args.version}-again.msi"
    subprocess.run(["cmake", f"-DBUILD={args.build}", "-DARCH=x64", f"-DVERSION={args.version}",
                    f"-DMSI={again}", f"-DSTAGING={older.parent / 'staging-again'}", "-P",
                    MAKE_MSI], check=True, stdout=subprocess.DEVNULL)
    expect("another build of this version has the same ProductCode",
           product_code(str(again)), product_code(args.msi))
    prefix.msiexec("/i", str(again))
    expect("versions listed after installing another build of it",
           [e["DisplayVersion"] for e in prefix.entries().values()], [args.version])
    entry = entries[0]
    for name, value in (("Publisher", "kovir developers"), ("HelpLink", "https://kovir.rs/")):
        expect(f"Add/Remove Programs {name}", entry.get(name), value)
    staged = Path(args.build) / "package" / "msi-staging"
    installed = prefix.drive_c(folder)
    expect("files installed", sorted(p.name for p in installed.iterdir()), sorted(FILES))
    for name in FILES:
        if (installed / name).read_bytes() != (staged / name).read_bytes():
            raise Failure(f"{name} is not this build's")
    print("ok   the installed files are this build's")
    readme = (installed / "README.txt").read_bytes()
    if not readme.startswith(b"\xef\xbb\xbf") or readme.count(b"\n") != readme.count(b"\r\n"):
        raise Failure("README.txt lacks the byte order mark or CR LF line ends Notepad needs")
    print("ok   README.txt: a byte order mark, CR LF line ends")
    documented = (HERE.parent.parent / "docs" / "windows.md").read_text(encoding="utf-8")
    listed = re.search(r"^- (`.*?)\s+into `Program Files", documented, re.M | re.S)
    said = set(re.findall(r"`([^`]+)`", listed[1])) if listed else set()
    expect("the files docs/windows.md lists", sorted(said), sorted(FILES))
    expect("Start-menu entries", prefix.shortcuts(), sorted(f"{n}.lnk" for n in ENTRIES))

    target = files[shortcuts["Upravljanje kovirom (simulator)"]["Target"].strip("[#]")]
    installed_sim_starts_and_stops(prefix, installed / target)

    expect("the older package, now a downgrade, is refused", prefix.msiexec("/i", str(older)),
           ERROR_INSTALL_FAILURE)
    expect("versions listed after the refusal",
           [e["DisplayVersion"] for e in prefix.entries().values()], [args.version])
    expect("removing it", prefix.msiexec("/x", args.msi), 0)
    expect("the install folder after removal", installed.exists(), False)
    expect("Start-menu entries after removal", prefix.shortcuts(), [])
    expect("Add/Remove Programs entries after removal", prefix.entries(), {})
    shutil.rmtree(older.parent, ignore_errors=True)


def check_x86(args, prefix):
    folder = prefix.drive_c("Program Files (x86)\\kovir")
    expect("the x86 package installs", prefix.msiexec("/i", args.msi), 0)
    expect("files in Program Files (x86)\\kovir",
           sorted(p.name for p in folder.iterdir()) if folder.exists() else [], sorted(FILES))
    expect("nothing in the 64-bit Program Files", prefix.drive_c("Program Files\\kovir").exists(),
           False)
    expect("removing it", prefix.msiexec("/x", args.msi), 0)
    expect("the install folder after removal", folder.exists(), False)
    expect("Start-menu entries after removal", prefix.shortcuts(), [])


def main():
    parser = argparse.ArgumentParser()
    for option in ("--build", "--version", "--msi", "--wineprefix"):
        parser.add_argument(option, required=True)
    parser.add_argument("--arch", required=True, choices=("x64", "x86"))
    args = parser.parse_args()
    try:
        _, files, shortcuts = check_tables(args.msi, args.arch, args.version)
        prefix = Prefix(args.wineprefix)
        try:
            if args.arch == "x64":
                check_x64(args, prefix, files, shortcuts)
            else:
                check_x86(args, prefix)
        finally:
            prefix.settle()
    except (Failure, subprocess.SubprocessError, e2e.Failure) as e:
        print(f"FAIL {e}")
        print("0 passed, 1 failed")
        return 1
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
