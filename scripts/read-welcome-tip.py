#!/usr/bin/env python3
"""Starts the program given on the command line on the X server of $DISPLAY
and prints the tip its welcome window shows, read the way a screen reader
reads it (AT-SPI): the description of the panel named "Tip of the day". Run it
inside `dbus-run-session`, with Debian's python3, which has pyatspi. Exits
non-zero when no welcome window with a tip appears within the time limit."""

import os
import subprocess
import sys
import time

import pyatspi

TIP_PANEL = "Tip of the day"
TIME_LIMIT = 20  # seconds


def find_tip_panel(accessible):
    if accessible is None:
        return None
    if accessible.name == TIP_PANEL:
        return accessible
    for index in range(accessible.childCount):
        found = find_tip_panel(accessible.getChildAtIndex(index))
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
            panel = find_tip_panel(application)
            if panel is not None and panel.description:
                return panel.description
        time.sleep(0.2)
    return None


def accessibility_bus_ready():
    return subprocess.call(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) == 0


def main():
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + TIME_LIMIT
    while not accessibility_bus_ready() and time.monotonic() < deadline:
        time.sleep(0.1)
    # Started from another directory: the tip file must be found beside the program.
    app = subprocess.Popen([sys.argv[1]], env=env, cwd="/", stderr=subprocess.DEVNULL)
    try:
        tip = read_tip(app.pid)
    finally:
        for process in (app, bus):
            process.terminate()
            process.wait()
    if tip is None:
        print("no welcome window with a tip appeared", file=sys.stderr)
        return 1
    print(tip)
    return 0


if __name__ == "__main__":
    sys.exit(main())
