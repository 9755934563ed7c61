#!/usr/bin/python3
"""Checks every executable and DLL of a Windows build tree: it is of the
build's width, and it imports only DLLs that every Windows has, so that what a
user unpacks runs with nothing else installed.

  check_imports.py --objdump <objdump> --machine AMD64|X86 [--exclude DIR] <build tree>
  check_imports.py ... --reviewed LIST --minimum 5.1 --program NAME... <build tree>

With --reviewed, the programs named (the shipped ones) must also import
only functions of that list, none newer than the Windows version --minimum.
"""

import argparse
import re
import subprocess
import sys
from pathlib import Path

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "winmm.dll", "advapi32.dll",
    "comctl32.dll", "comdlg32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "uxtheme.dll",
    "dwmapi.dll", "ntdll.dll", "version.dll", "shlwapi.dll", "imm32.dll",
}
FORMATS = {"AMD64": "pei-x86-64", "X86": "pei-i386"}


def functions_of(dump):
    """(DLL in capitals, function) for each function imported by name."""
    functions, dll = [], None
    for line in dump.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m[1].upper()
            continue
        m = re.match(r"\t[0-9a-f]+\t +\d+ +(\w+)$", line)
        if dll and m:
            functions.append((dll, m[1]))
    return functions


def check_program(name, dump, reviewed, minimum):
    """A shipped program: reviewed functions only, none newer than `minimum`,
    and headers that claim that version, so that an older Windows refuses it
    plainly rather than failing on a missing function."""
    functions = functions_of(dump)
    newer = [f"{d}!{f}" for d, f in functions if reviewed.get((d, f), 99.0) > minimum]
    header = {k: int(v) for k, v in re.findall(
        r"(M(?:aj|in)or(?:OSystem|Subsystem)Version)\s+(\d+)", dump)}
    claimed = f"{header.get('MajorOSystemVersion')}.{header.get('MinorOSystemVersion')}"
    subsystem = f"{header.get('MajorSubsystemVersion')}.{header.get('MinorSubsystemVersion')}"
    wanted = f"{minimum:.1f}"
    ok = not newer and claimed == wanted and subsystem == wanted
    print(f"{'ok  ' if ok else 'FAIL'} {name}: {len(functions)} functions"
          + (f"; not reviewed, or newer than Windows {wanted}: {', '.join(newer)}" if newer
             else f", all reviewed for Windows {wanted}")
          + f"; headers claim OS {claimed}, subsystem {subsystem}")
    return ok


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--machine", required=True, choices=FORMATS)
    parser.add_argument("--exclude", action="append", default=[],
                        help="a folder under the tree whose files are not ours to ship")
    parser.add_argument("--reviewed", type=Path, help="the reviewed functions, per DLL")
    parser.add_argument("--minimum", type=float, help="the oldest Windows of the build, e.g. 5.1")
    parser.add_argument("--program", action="append", default=[],
                        help="an executable whose functions are checked against --reviewed")
    parser.add_argument("tree", type=Path)
    args = parser.parse_args()
    reviewed = {}
    if args.reviewed:
        for line in args.reviewed.read_text().splitlines():
            if line.strip() and not line.startswith("#"):
                dll, function, oldest = line.split()
                reviewed[(dll.upper(), function)] = float(oldest)

    skipped = [args.tree / e for e in args.exclude] + list(args.tree.glob("wineprefix*"))
    files = sorted(p for p in args.tree.rglob("*")
                   if p.suffix.lower() in (".exe", ".dll") and p.is_file()
                   and "CMakeFiles" not in p.parts
                   and not any(s in p.parents for s in skipped))
    if not files:
        sys.exit(f"no executable or DLL under {args.tree}")
    failures = 0
    for path in files:
        dump = subprocess.run([args.objdump, "-p", path], check=True, capture_output=True,
                              text=True).stdout
        kind = re.search(r"file format (\S+)", dump)
        imports = re.findall(r"DLL Name: (\S+)", dump)
        if path.name in args.program:
            failures += not check_program(path.relative_to(args.tree), dump, reviewed,
                                          args.minimum)
        foreign = [d for d in imports if d.lower() not in SYSTEM_DLLS
                   and not d.lower().startswith("api-ms-win-")]
        wrong = not kind or kind.group(1) != FORMATS[args.machine]
        ok = not foreign and not wrong and imports
        failures += not ok
        print(f"{'ok  ' if ok else 'FAIL'} {path.relative_to(args.tree)}: "
              f"{kind.group(1) if kind else '?'}, imports {', '.join(imports) or 'nothing'}"
              + (f"; not a system DLL: {', '.join(foreign)}" if foreign else ""))
    print(f"{len(files) - failures} passed, {failures} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
