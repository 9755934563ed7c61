#!/usr/bin/python3
"""Checks every executable and DLL of a Windows build tree: it is of the
build's width, and it imports only DLLs that every Windows has, so that what a
user unpacks runs with nothing else installed.

  check_imports.py --objdump <objdump> --machine AMD64|X86 [--exclude DIR] <build tree>
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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--machine", required=True, choices=FORMATS)
    parser.add_argument("--exclude", action="append", default=[],
                        help="a folder under the tree whose files are not ours to ship")
    parser.add_argument("tree", type=Path)
    args = parser.parse_args()

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
