#!/usr/bin/python3
"""Starts the program given on the command line under a private Xvfb display
and prints the tip its welcome window shows, read the way a screen reader
reads it (AT-SPI). Run it inside `dbus-run-session`. Exits non-zero when no
welcome window with a tip label appears within the time limit."""

import os
import subprocess
import sys
import time

import pyatspi

TIP_DESCRIPTION = "Did you know..."
TIME_LIMIT = 20  # seconds


def find_tip_label(accessible):
    if accessible is None:
        return None
    if accessible.description == TIP_DESCRIPTION:
        return accessible
    for index in range(accessible.childCount):
        found = find_tip_label(accessible.getChildAtIndex(index))
        if found is not None:
            return found
    return None


def read_tip(program_pid):
    deadline = time.monotonic() + TIME_LIMIT
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            application = desktop.getChildAtIndex(index)
            if application is None or application.get_process_id() != program_pid:
                continue
            label = find_tip_label(application)
            if label is not None:
                return label.name
        time.sleep(0.5)
    return None


def main():
    program = sys.argv[1]
    display = ":%d" % (100 + os.getpid() % 800)
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    os.environ["DISPLAY"] = display
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    # Started from another directory: the tip file must be found beside the program.
    app = subprocess.Popen([program], env=env, cwd="/", stderr=subprocess.DEVNULL)
    try:
        tip = read_tip(app.pid)
    finally:
        for process in (app, bus, xvfb):
            process.terminate()
            process.wait()
    if tip is None:
        print("no welcome window with a tip appeared", file=sys.stderr)
        return 1
    print(tip)
    return 0


if __name__ == "__main__":
    sys.exit(main())
