#!/usr/bin/python3
# For bench/window.sh: the milliseconds from exec to the program's dialog
# being there for a screen reader, on the accessibility bus this runs in
# (the application named NAME with a dialog among its children); the program
# is then ended. Prints nothing and fails if that does not happen in 30 s.
#   atspi_ready.py NAME COMMAND...
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib


def dialog_is_there(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or app.name != name:
            continue
        for j in range(app.childCount):
            child = app.getChildAtIndex(j)
            if child is not None and child.getRoleName() == "dialog":
                return True
    return False


def main():
    name, command = sys.argv[1], sys.argv[2:]
    context = GLib.MainContext.default()
    dialog_is_there(name)  # connected to the bus before the clock starts
    start = time.monotonic()
    program = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        while time.monotonic() - start < 30:
            while context.iteration(False):
                pass
            if dialog_is_there(name):
                print("%.1f" % ((time.monotonic() - start) * 1000))
                return 0
            time.sleep(0.002)
        return 1
    finally:
        program.terminate()
        try:
            program.wait(timeout=5)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()


if __name__ == "__main__":
    sys.exit(main())
