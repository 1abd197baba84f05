#!/usr/bin/python3
"""Reads the accessibility tree for tests/e2e/desktop.py: one JSON request a line on stdin, one JSON
answer a line on stdout.

It runs as the same user and on the same session bus as the application under test, the way a screen
reader does, and in a process of its own: libatspi aborts its process when it loses the bus, and it
keeps one bus connection for the life of the process, so each desktop gets a fresh agent.

Elements are handed out as numbers that stay valid for the life of the agent. Requests:
  {"op": "find", "within": N|null, "app": NAME, "role": R|null, "name": S|null, "pattern": RE|null,
   "showing": bool}                         -> [element, ...] (all matches, in tree order)
  {"op": "info"|"children"|"text"|"value"|"extents", "id": N}
  {"op": "tree", "within": N|null, "app": NAME|null} -> the tree as indented text
  {"op": "action", "id": N, "name": ACTION} -> true when the element offers that action
  {"op": "focus"|"select", "id": N}         -> what the toolkit answered
  {"op": "set_text", "id": N, "text": S}
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


def accessibility_bus_address(timeout):
    """Asks the session bus for the accessibility bus, as libatspi would, but without aborting."""
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    deadline = time.monotonic() + timeout
    while True:
        try:
            reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                      GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NO_AUTO_START, 2000,
                                      None)
            return reply.unpack()[0]
        except GLib.Error:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.1)


os.environ["AT_SPI_BUS_ADDRESS"] = accessibility_bus_address(20)
import pyatspi  # noqa: E402  (reads the address above when it connects)
from gi.repository import Atspi  # noqa: E402

# A dead application answers nothing: give up on a call after 5 s instead of D-Bus's 25 s.
Atspi.set_timeout(5000, 15000)

elements = []  # id -> Accessible
ids = {}  # (bus name, object path) -> id


def handle(accessible):
    key = (accessible.app.bus_name, accessible.path)
    if key not in ids:
        ids[key] = len(elements)
        elements.append(accessible)
    return ids[key]


def describe(accessible):
    return {
        "id": handle(accessible),
        "role": accessible.getRoleName(),
        "name": accessible.name or "",
        "description": accessible.description or "",
        "states": sorted(state.value_nick for state in accessible.getState().getStates()),
    }


def applications(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        try:
            app = desktop.getChildAtIndex(index)
            if app is not None and (name is None or app.name == name):
                # The toolkit's cache is kept fresh by events, which this agent does not listen to.
                app.set_cache_mask(Atspi.Cache.NONE)
                yield app
        except GLib.Error:
            continue  # an application that just ended


def walk(accessible, showing):
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is None:
            continue
        if showing and not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        yield child
        yield from walk(child, showing)


def roots(request):
    """The element `within`, or else every application named `app` (every one when null)."""
    if request.get("within") is not None:
        return [elements[request["within"]]]
    return applications(request.get("app"))


def find(request):
    pattern = re.compile(request["pattern"]) if request.get("pattern") else None
    found = []
    for root in roots(request):
        for accessible in walk(root, request.get("showing", True)):
            if request.get("role") and accessible.getRoleName() != request["role"]:
                continue
            name = accessible.name or ""
            if request.get("name") is not None and name != request["name"]:
                continue
            if pattern and not pattern.search(name):
                continue
            found.append(describe(accessible))
    return found


def tree(accessible, depth=0):
    states = {"showing", "focused", "selected", "checked", "sensitive"}
    info = describe(accessible)
    line = "  " * depth + f"[{info['role']}] {info['name']!r} {sorted(states.intersection(info['states']))}"
    return "\n".join([line] + [tree(child, depth + 1) for child in accessible if child is not None])


def action(accessible, name):
    actions = accessible.queryAction()
    for index in range(actions.nActions):
        if actions.getName(index).lower() == name.lower():
            return actions.doAction(index)
    return False


def select(accessible):
    return accessible.parent.querySelection().selectChild(accessible.getIndexInParent())


def text(accessible):
    content = accessible.queryText()
    return content.getText(0, content.characterCount)


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return [box.x, box.y, box.width, box.height]


OPERATIONS = {
    "find": find,
    "info": lambda request: describe(elements[request["id"]]),
    "children": lambda request: [describe(child) for child in elements[request["id"]] if child is not None],
    "tree": lambda request: "\n".join(tree(root) for root in roots(request)) or "(no application)",
    "action": lambda request: action(elements[request["id"]], request["name"]),
    "focus": lambda request: elements[request["id"]].queryComponent().grabFocus(),
    "select": lambda request: select(elements[request["id"]]),
    "text": lambda request: text(elements[request["id"]]),
    "set_text": lambda request: elements[request["id"]].queryEditableText().setTextContents(request["text"]),
    "value": lambda request: elements[request["id"]].queryValue().currentValue,
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
