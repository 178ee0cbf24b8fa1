"""Stands in for the desktop's notification service on a private session bus: owns
org.freedesktop.Notifications and writes each Notify call as one JSON line to LOG."""

import json
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

INTERFACE = """<node><interface name="org.freedesktop.Notifications">
<method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/>
<arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
<arg type="as" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
<arg type="u" direction="out"/></method>
<method name="GetCapabilities"><arg type="as" direction="out"/></method>
<method name="GetServerInformation"><arg type="s" direction="out"/><arg type="s" direction="out"/>
<arg type="s" direction="out"/><arg type="s" direction="out"/></method>
</interface></node>"""


def main(log_path: str) -> int:
    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
    loop = GLib.MainLoop()

    def on_call(_conn, _sender, _path, _iface, method, params, invocation):
        if method == "Notify":
            app, _replaces, _icon, summary, body = params.unpack()[:5]
            with open(log_path, "a") as log:
                log.write(json.dumps({"app": app, "summary": summary, "body": body}) + "\n")
            invocation.return_value(GLib.Variant("(u)", (1,)))
        elif method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["body"],)))
        else:
            invocation.return_value(GLib.Variant("(ssss)", ("recorder", "test", "1", "1.2")))

    def on_bus(conn, _name):
        conn.register_object("/org/freedesktop/Notifications", node.interfaces[0], on_call)

    def on_name(_conn, _name):
        print("ready", flush=True)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.Notifications",
                     Gio.BusNameOwnerFlags.NONE, on_bus, on_name, lambda *_: loop.quit())
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
