#!/usr/bin/python3
"""Reads the accessibility tree for desktop.py, as the application's user on its session bus, in a process
of its own (libatspi aborts its process when it loses the bus). One JSON request a line on stdin:
{"op": "find", "role", "pattern", "showing"} -> Moorix's elements that match, in tree order, each
{"id", "role", "name", "description", "states"}; {"op": "info", "extents" or "press", "id"}.
One JSON answer a line on stdout: {"result": …} or {"error": text}."""
import contextlib
import json
import re
import sys

import pyatspi
from gi.repository import Atspi, GLib  # the versions pyatspi asked for

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


def applications():
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        with contextlib.suppress(GLib.Error):  # an application that just ended
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == "Moorix":
                # The toolkit's cache is kept fresh by events, which this agent does not listen to.
                app.set_cache_mask(Atspi.Cache.NONE)
                yield app


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
            return [describe(accessible) for root in applications()
                    for accessible in walk(root, request["showing"])
                    if role in (None, accessible.getRoleName()) and pattern.search(accessible.name or "")]
        except GLib.Error as error:
            # An element met went away meanwhile (a refresh rebuilt rows): walk the new tree.
            if attempt == 4 or "No such object" not in str(error):
                raise


def press(accessible):
    """False when the element has no Press action."""
    actions = accessible.queryAction()
    names = [actions.getName(index).lower() for index in range(actions.nActions)]
    return "press" in names and actions.doAction(names.index("press"))


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return [box.x, box.y, box.width, box.height]


OPERATIONS = {"info": describe, "press": press, "extents": extents}


def main():
    print("ready", flush=True)
    for line in sys.stdin:
        request = json.loads(line)
        try:
            op = request["op"]
            answer = {"result": find(request) if op == "find" else OPERATIONS[op](elements[request["id"]])}
        except (GLib.Error, NotImplementedError, LookupError, AttributeError, TypeError) as error:
            answer = {"error": f"{type(error).__name__}: {error}"}
        print(json.dumps(answer), flush=True)


if __name__ == "__main__":
    main()
