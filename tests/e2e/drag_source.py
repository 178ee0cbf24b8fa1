"""drag_source.py X Y FILE...: drags FILEs over XDND as a GTK file manager does, offering copy,
move or link; prints the action the target chose and stays to hand the files over."""

import sys
from pathlib import Path

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

window = Gtk.Window(title="drag source")
window.move(int(sys.argv[1]), int(sys.argv[2]))
window.set_default_size(120, 80)
window.add(area := Gtk.EventBox())
area.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY | Gdk.DragAction.MOVE | Gdk.DragAction.LINK)
area.drag_source_add_uri_targets()
area.connect("drag-data-get", lambda _w, _c, data, *_: data.set_uris([Path(f).as_uri() for f in sys.argv[3:]]))
area.connect("drag-end", lambda _w, context: print("dropped:", context.get_selected_action().value_nicks[0], flush=True))
window.show_all()
Gtk.main()
