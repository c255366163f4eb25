#!/usr/bin/python3
"""Starts a program and prints the milliseconds until its first window whose title begins
with TITLE is mapped on the X display, then the program's process id; the program keeps
running.
Usage: time-to-window.py TITLE PROGRAM [ARGUMENTS...]   (needs python3-xlib)"""
import subprocess
import sys
import time

from Xlib import X, display


def main():
    title, command = sys.argv[1], sys.argv[2:]
    screen = display.Display()
    root = screen.screen().root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    screen.sync()
    start = time.monotonic_ns()
    program = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while True:
        event = screen.next_event()
        if event.type != X.MapNotify:
            continue
        try:
            name = event.window.get_wm_name() or ""
        except Exception:  # the window went again
            continue
        if name.startswith(title):
            print(f"{(time.monotonic_ns() - start) / 1e6:.1f}", program.pid)
            return


if __name__ == "__main__":
    main()
