#!/usr/bin/python3
"""A stand-in for the StatusNotifierItem tray of KDE, GNOME's AppIndicator extension and the Wayland
desktops: it owns org.kde.StatusNotifierWatcher on the session bus, says a host is there, and takes note
of the items that register. It prints "ready" once it owns its name."""
from gi.repository import Gio, GLib

NAME = "org.kde.StatusNotifierWatcher"
WATCHER = Gio.DBusNodeInfo.new_for_xml(f"""<node><interface name="{NAME}">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>""").interfaces[0]
items = []


def call(bus, sender, path, interface, method, arguments, invocation):
    if method == "RegisterStatusNotifierItem":
        # An item names its own bus name, or (as some do) only its object path.
        item = sender if arguments[0].startswith("/") else arguments[0]
        items.append(item)
        bus.emit_signal(None, path, NAME, "StatusNotifierItemRegistered", GLib.Variant("(s)", (item,)))
    invocation.return_value(None)


def get(bus, sender, path, interface, name):
    return {"RegisteredStatusNotifierItems": GLib.Variant("as", items), "ProtocolVersion": GLib.Variant("i", 0),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True)}[name]


loop = GLib.MainLoop()
Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.DO_NOT_QUEUE,
                 lambda bus, _: bus.register_object("/StatusNotifierWatcher", WATCHER, call, get, None),
                 lambda *_: print("ready", flush=True), lambda *_: loop.quit())
loop.run()
