"""Stands in for Plasma's tray watcher (kded5) on a private session bus: owns
org.kde.StatusNotifierWatcher and org.kde.kded5 on one connection, with a host
registered, and keeps the items that register. Prints "ready" once both names are its."""

import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

INTERFACE = """<node><interface name="org.kde.StatusNotifierWatcher">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
</interface></node>"""


def main() -> int:
    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
    loop = GLib.MainLoop()
    items: list[str] = []
    owned: list[str] = []

    def on_call(_conn, sender, _path, _iface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            (name,) = params.unpack()
            # A service name, or the path of an item on the caller's connection.
            items.append(sender + name if name.startswith("/") else name + "/StatusNotifierItem")
        invocation.return_value(None)

    def on_property(_conn, _sender, _path, _iface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]

    def on_name(conn, name):
        owned.append(name)
        if len(owned) == 2:
            print("ready", flush=True)

    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    bus.register_object("/StatusNotifierWatcher", node.interfaces[0], on_call, on_property)
    for name in ("org.kde.StatusNotifierWatcher", "org.kde.kded5"):
        Gio.bus_own_name_on_connection(bus, name, Gio.BusNameOwnerFlags.NONE, on_name, lambda *_: loop.quit())
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
