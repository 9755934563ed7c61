#!/usr/bin/python3
"""Runs a command on a private Xvfb and returns its exit status. Xvfb picks
a free display itself (-displayfd), so several of these can start at once.

  with_xvfb.py <command> [args...]
"""

import os
import subprocess
import sys

read, write = os.pipe()
xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "800x600x24",
                         "-nolisten", "tcp"], pass_fds=(write,),
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.close(write)
with os.fdopen(read) as f:
    number = f.readline().strip()
if not number:
    sys.exit("Xvfb did not start")
try:
    sys.exit(subprocess.run(sys.argv[1:], env=dict(os.environ, DISPLAY=":" + number)).returncode)
finally:
    xvfb.terminate()
    xvfb.wait(10)
