#!/usr/bin/python3
"""A stand-in for the StatusNotifierItem tray of KDE, GNOME's AppIndicator extension and the Wayland desktops:
it owns org.kde.StatusNotifierWatcher on the session bus, says a host is there, prints "ready" once it owns its
name, then the bus name of each item that registers."""
from gi.repository import Gio, GLib

NAME = "org.kde.StatusNotifierWatcher"
# What Qt uses of the watcher; it reads the property through introspection.
WATCHER = Gio.DBusNodeInfo.new_for_xml(f"""<node><interface name="{NAME}">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
</interface></node>""").interfaces[0]


def call(bus, sender, path, interface, method, arguments, invocation):
    # An item names its own bus name, or (as some do) only its object path.
    print(sender if arguments[0].startswith("/") else arguments[0], flush=True)
    invocation.return_value(None)


loop = GLib.MainLoop()
Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.DO_NOT_QUEUE,
                 lambda bus, _: bus.register_object("/StatusNotifierWatcher", WATCHER, call,
                                                    lambda *_: GLib.Variant("b", True), None),
                 lambda *_: print("ready", flush=True), lambda *_: loop.quit())
loop.run()
