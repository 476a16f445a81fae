#!/usr/bin/env python3
"""Reads an application's accessibility tree the moment it appears, as a screen
reader does: listens to every event the application announces, waits (up to
--timeout seconds, or until process --pid has ended) for an application named NAME
on the accessibility bus, then walks its whole tree --passes times, asking every
object for its role, name, description, states, extents and text; then, with
--press, presses the push button of that name. Prints the number of objects seen
on each pass and of events heard. Exit status 0 when the tree was read, 1 when
the application never appeared or stopped answering.

Used by scripts/a11y-starts; needs Debian's python3-gi and gir1.2-atspi-2.0."""
import argparse
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def find_app(name):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == name:
            return app
    return None


def read(obj, depth, seen):
    """Touches each object the way a screen reader's first look does."""
    if obj is None or depth > 60:
        return
    seen[0] += 1
    obj.get_role_name()
    obj.get_name()
    obj.get_description()
    obj.get_state_set().get_states()
    interfaces = obj.get_interfaces()
    if "Component" in interfaces:
        Atspi.Component.get_extents(obj, Atspi.CoordType.SCREEN)
    if "Text" in interfaces:
        Atspi.Text.get_text(obj, 0, min(Atspi.Text.get_character_count(obj), 200))
    for i in range(obj.get_child_count()):
        read(obj.get_child_at_index(i), depth + 1, seen)


def alive(pid):
    """False once the process has ended (a zombie waiting for its parent counts as ended)."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def press(obj, name):
    """Presses the first push button called `name` below `obj`."""
    if obj is None:
        return False
    if obj.get_role() == Atspi.Role.PUSH_BUTTON and obj.get_name() == name:
        Atspi.Action.do_action(obj, 0)
        return True
    return any(press(obj.get_child_at_index(i), name) for i in range(obj.get_child_count()))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("name")
    parser.add_argument("--timeout", type=float, default=30.0)
    parser.add_argument("--pid", type=int, help="gives up as soon as this process has ended")
    parser.add_argument("--passes", type=int, default=3)
    parser.add_argument("--press", metavar="BUTTON",
                        help="then presses the push button with this name (e.g. Exit)")
    options = parser.parse_args()
    # An application that stops answering for 5 s counts as not answering.
    Atspi.set_timeout(5000, 10000)
    # A screen reader listens to what the program announces; while anyone
    # listens, the program's bridge reports every change as it happens.
    events = [0]

    def heard(event):
        events[0] += 1
        try:
            if event.source is not None:
                event.source.get_name()
                event.source.get_role_name()
        except GLib.Error:
            pass

    listener = Atspi.EventListener.new(heard)
    for kind in ("object:", "window:", "focus:", "document:"):
        listener.register(kind)
    context = GLib.MainContext.default()

    def pump():
        while context.iteration(False):
            pass

    deadline = time.monotonic() + options.timeout
    app = None
    while app is None:
        try:
            app = find_app(options.name)
        except GLib.Error:
            app = None
        if app is None:
            if options.pid and not alive(options.pid):
                print("a11y-reader: %s ended before it could be read" % options.name,
                      file=sys.stderr)
                return 1
            if time.monotonic() > deadline:
                print("a11y-reader: %s never appeared" % options.name, file=sys.stderr)
                return 1
            pump()
            time.sleep(0.005)
    counts = []
    for _ in range(options.passes):
        seen = [0]
        try:
            read(app, 0, seen)
        except GLib.Error as error:
            print("a11y-reader: %s" % error.message, file=sys.stderr)
            return 1
        counts.append(seen[0])
        pump()
    try:
        if options.press and not press(app, options.press):
            print("a11y-reader: no button named %s" % options.press, file=sys.stderr)
            return 1
    except GLib.Error as error:
        print("a11y-reader: %s" % error.message, file=sys.stderr)
        return 1
    print("a11y-reader: objects per pass: %s; events heard: %d"
          % (" ".join(str(c) for c in counts), events[0]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
