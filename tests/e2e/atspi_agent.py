#!/usr/bin/python3
"""Reads the accessibility tree for tests/e2e/desktop.py: one JSON request a line on stdin, one JSON
answer a line on stdout. It runs as the application's user on its session bus, as a screen reader does,
in a process of its own: libatspi aborts its process when it loses the bus, so each desktop has an agent.

Requests: {"op": "find", "app", "role", "pattern", "showing"} -> every match in tree order; {"op": "info"
or "extents", "id"}; {"op": "action", "id", "name"} -> false when the element has no such action.
An element is {"id", "role", "name", "description", "states"}; a failure is {"error": text}.
"""
import json
import os
import re
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402


def accessibility_bus_address():
    """Asks for the accessibility bus as libatspi would, but waits for its launcher instead of aborting."""
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    while True:
        try:
            return session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                     GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NO_AUTO_START, 2000,
                                     None).unpack()[0]
        except GLib.Error:
            time.sleep(0.1)


os.environ["AT_SPI_BUS_ADDRESS"] = accessibility_bus_address()
import pyatspi  # noqa: E402  (reads the address above when it connects)
from gi.repository import Atspi  # noqa: E402

# A dead application answers nothing: give up on a call after 5 s instead of D-Bus's 25 s.
Atspi.set_timeout(5000, 15000)

elements = {}  # id -> Accessible
ids = {}  # (bus name, object path) -> id


def describe(accessible):
    number = ids.setdefault((accessible.app.bus_name, accessible.path), len(ids))
    elements[number] = accessible
    return {"id": number, "role": accessible.getRoleName(), "name": accessible.name or "",
            "description": accessible.description or "",
            "states": sorted(state.value_nick for state in accessible.getState().getStates())}


def applications(name):
    desktop = pyatspi.Registry.getDesktop(0)
    found = []
    for index in range(desktop.childCount):
        try:
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == name:
                # The toolkit's cache is kept fresh by events, which this agent does not listen to.
                app.set_cache_mask(Atspi.Cache.NONE)
                found.append(app)
        except GLib.Error:
            continue  # an application that just ended
    return found


def walk(accessible, showing):
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is not None and (not showing or child.getState().contains(pyatspi.STATE_SHOWING)):
            yield child
            yield from walk(child, showing)


def find(request):
    pattern, role = re.compile(request.get("pattern") or ""), request.get("role")
    for attempt in range(5):
        try:
            return [describe(accessible) for root in applications(request["app"])
                    for accessible in walk(root, request["showing"])
                    if role in (None, accessible.getRoleName()) and pattern.search(accessible.name or "")]
        except GLib.Error as error:
            # An element met went away meanwhile (a refresh rebuilt rows): walk the new tree.
            if attempt == 4 or "No such object" not in str(error):
                raise


def action(accessible, name):
    actions = accessible.queryAction()
    names = [actions.getName(index).lower() for index in range(actions.nActions)]
    return name.lower() in names and actions.doAction(names.index(name.lower()))


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return [box.x, box.y, box.width, box.height]


OPERATIONS = {
    "find": find,
    "info": lambda request: describe(elements[request["id"]]),
    "action": lambda request: action(elements[request["id"]], request["name"]),
    "extents": lambda request: extents(elements[request["id"]]),
}


def main():
    print(json.dumps({"ready": os.environ["AT_SPI_BUS_ADDRESS"]}), flush=True)
    for line in sys.stdin:
        request = json.loads(line)
        try:
            answer = {"result": OPERATIONS[request["op"]](request)}
        except (GLib.Error, NotImplementedError, LookupError, AttributeError, TypeError) as error:
            answer = {"error": f"{type(error).__name__}: {error}"}
        print(json.dumps(answer), flush=True)


if __name__ == "__main__":
    main()
