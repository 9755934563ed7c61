#!/usr/bin/python3
"""Runs a command on a private Xvfb and returns its exit status. Xvfb picks
a free display itself, so several of these can run at once (xvfb.py).

  with_xvfb.py <command> [args...]
"""

import os
import subprocess
import sys

import xvfb

server, display = xvfb.start("800x600x24")
if not display:
    sys.exit("Xvfb did not start")
try:
    sys.exit(subprocess.run(sys.argv[1:], env=dict(os.environ, DISPLAY=display)).returncode)
finally:
    xvfb.stop(server)
