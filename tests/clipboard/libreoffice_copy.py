#!/usr/bin/python3
"""Copies a cell range in a running LibreOffice Calc, as a user would, for the clipboard tests.

  libreoffice_copy.py start PROFILE PIPE    start LibreOffice on $DISPLAY with a profile of its
                                            own, listening on a named pipe; prints its process id
  libreoffice_copy.py copy PIPE BOOK RANGE  open BOOK (once), select RANGE on its active sheet and
                                            copy it (Edit > Copy)
  libreoffice_copy.py stop PIPE             close LibreOffice

Needs Debian's python3-uno (run with /usr/bin/python3). LibreOffice keeps the copy on the
clipboard until it copies again or ends.
"""
import os
import subprocess
import sys
import time

import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def connect(pipe, wait):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.time() + wait
    while True:
        try:
            return resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except Exception:
            if time.time() > deadline:
                raise
            time.sleep(0.5)


def desktop_of(ctx):
    return ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)


def start(profile, pipe):
    # A first start on a new profile now and then never opens the pipe: it is tried once more.
    for attempt in range(2):
        proc = subprocess.Popen(
            ["/usr/bin/soffice", "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
             "--norestore", "--nologo", "--nodefault", "--nolockcheck",
             "--accept=pipe,name=%s;urp;" % pipe],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        try:
            connect(pipe, 60)
            print(proc.pid)
            return
        except Exception:
            os.killpg(proc.pid, 15)
            proc.wait()
    sys.exit("LibreOffice did not open the pipe " + pipe)


def copy(pipe, book, cells):
    ctx = connect(pipe, 10)
    desktop = desktop_of(ctx)
    url = uno.systemPathToFileUrl(os.path.abspath(book))
    doc = None
    components = desktop.getComponents().createEnumeration()
    while components.hasMoreElements():
        c = components.nextElement()
        if c.getURL() == url:
            doc = c
    if doc is None:
        doc = desktop.loadComponentFromURL(url, "_blank", 0, (prop("Hidden", False),))
    controller = doc.getCurrentController()
    controller.getFrame().activate()
    controller.select(controller.getActiveSheet().getCellRangeByName(cells))
    dispatcher = ctx.ServiceManager.createInstanceWithContext(
        "com.sun.star.frame.DispatchHelper", ctx)
    dispatcher.executeDispatch(controller.getFrame(), ".uno:Copy", "", 0, ())


def stop(pipe):
    try:
        desktop_of(connect(pipe, 5)).terminate()
    except Exception:
        pass  # the bridge goes down with LibreOffice


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "start":
        start(sys.argv[2], sys.argv[3])
    elif command == "copy":
        copy(sys.argv[2], sys.argv[3], sys.argv[4])
    elif command == "stop":
        stop(sys.argv[2])
    else:
        sys.exit("unknown command " + command)
