#!/usr/bin/python3
# A stand-in for systemd's manager on a private bus: answers Reload and
# counts the calls in a file; with "fail" as third argument it refuses.
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
address, record = sys.argv[1], sys.argv[2]
fail = len(sys.argv) > 3 and sys.argv[3] == 'fail'
bus = dbus.bus.BusConnection(address)


class Manager(dbus.service.Object):
    @dbus.service.method('org.freedesktop.systemd1.Manager', in_signature='', out_signature='')
    def Reload(self):
        if fail:
            raise dbus.exceptions.DBusException('refused by the test', name='org.freedesktop.DBus.Error.AccessDenied')
        with open(record, 'a') as out:
            out.write('Reload\n')


name = dbus.service.BusName('org.freedesktop.systemd1', bus)
Manager(bus, '/org/freedesktop/systemd1')
sys.stderr.write('ready\n')
sys.stderr.flush()
GLib.MainLoop().run()
