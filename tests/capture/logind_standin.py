"""A stand-in for logind on a private bus: one session, "1", whose Active and LockedHint the
test sets by writing "ACTIVE LOCKED" lines (0 or 1 each) to standard input. Prints "ready"
once it owns the name."""
import sys

from gi.repository import Gio, GLib

XML = """<node>
 <interface name="org.freedesktop.login1.Manager">
  <method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
  <method name="GetSessionByPID"><arg type="u" direction="in"/><arg type="o" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.login1.Session">
  <property name="Active" type="b" access="read"/>
  <property name="LockedHint" type="b" access="read"/>
 </interface>
</node>"""
SESSION = "/org/freedesktop/login1/session/_31"
state = {"Active": True, "LockedHint": False}
node = Gio.DBusNodeInfo.new_for_xml(XML)
conn = Gio.DBusConnection.new_for_address_sync(
    sys.argv[1],
    Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
    None, None)


def manager_call(conn, sender, path, iface, method, params, invocation):
    arg = params.unpack()[0]
    if method == "GetSession" and arg in ("1", "auto"):
        invocation.return_value(GLib.Variant("(o)", (SESSION,)))
    else:
        invocation.return_dbus_error("org.freedesktop.login1.NoSuchSession", "no such session")


def session_property(conn, sender, path, iface, name):
    return GLib.Variant("b", state[name])


conn.register_object("/org/freedesktop/login1", node.interfaces[0], manager_call, None, None)
conn.register_object(SESSION, node.interfaces[1], None, session_property, None)


def on_line(source, condition):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    active, locked = (w == "1" for w in line.split())
    state.update(Active=active, LockedHint=locked)
    changed = {k: GLib.Variant("b", v) for k, v in state.items()}
    conn.emit_signal(None, SESSION, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                     GLib.Variant("(sa{sv}as)", ("org.freedesktop.login1.Session", changed, [])))
    conn.flush_sync(None)
    return True


def acquired(conn, name):
    print("ready", flush=True)


Gio.bus_own_name_on_connection(conn, "org.freedesktop.login1", Gio.BusNameOwnerFlags.NONE,
                               acquired, None)
GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, on_line)
loop = GLib.MainLoop()
loop.run()
