#!/usr/bin/python3
"""Reads Raumfuchs' result window through the AT-SPI bus, as a screen reader does.

Usage (inside a private session bus):
    dbus-run-session -- /usr/bin/python3 atspi_probe.py PROGRAM FOLDER [--dump]

Starts an X server (Xvfb), the accessibility bus and PROGRAM --scan FOLDER, and
checks the result window: an object with the chart role named after FOLDER with
its size, arcs named "name, size, share", and list rows whose name or
description carry size and share. Exit status 0: all found; 77: the bus or the
X server cannot start here (reason on stdout); 1: a check failed (on stdout).
With --dump, prints the accessible tree instead of checking it.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
# "4,81 GB", "16 KB"; "51 %", "8,0 %", "–" (with no-break spaces).
SIZE = r"\d[\d.]*(?:,\d+)?[ \u00a0](?:KB|MB|GB|TB)"
SHARE = r"\d+(?:,\d+)?[ \u00a0]%|–"
NAMED = re.compile(r"^.+, " + SIZE + ", (?:" + SHARE + ")")


def skip(message):
    print(message)
    sys.exit(SKIP)


def fail(message):
    print(message)
    sys.exit(1)


def start_xvfb():
    if shutil.which("Xvfb") is None:
        skip("Xvfb fehlt: kein X-Server für die AT-SPI-Brücke von Qt")
    read, write = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
        pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.kill()
        skip("Xvfb startet nicht")
    return server, ":" + number


def tree(node, depth=0, limit=16):
    # Read afresh: libatspi keeps child counts it saw once, and the window's
    # widgets fill in after the scan.
    node.clearCache()
    yield depth, node
    if depth >= limit:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from tree(child, depth + 1, limit)


def find_app(pyatspi, deadline):
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "Raumfuchs":
                return app
        time.sleep(0.2)
    return None


def result_window(pyatspi, app, folder, deadline):
    """The chart object once the scan has finished, and every list item."""
    while time.time() < deadline:
        charts, rows = [], []
        for _, node in tree(app):
            role = node.getRole()
            if role == pyatspi.ROLE_CHART:
                charts.append(node)
            elif role == pyatspi.ROLE_LIST_ITEM and node.parent.getRole() == pyatspi.ROLE_LIST:
                rows.append(node)
        if charts and charts[0].name.startswith(folder) and rows:
            return charts[0], rows
        time.sleep(0.2)
    return None, []


def main():
    if len(sys.argv) < 3:
        fail(__doc__)
    program, scanned = sys.argv[1], sys.argv[2]
    dump = "--dump" in sys.argv
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        skip("kein D-Bus-Sitzungsbus (mit dbus-run-session starten)")
    try:
        import pyatspi
    except ImportError:
        skip("pyatspi fehlt (Paket python3-pyatspi)")

    server, display = start_xvfb()
    config = tempfile.mkdtemp(prefix="raumfuchs-atspi-")
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=config,
               XDG_CACHE_HOME=config)
    env.pop("WAYLAND_DISPLAY", None)
    app_process = subprocess.Popen([program, "--scan", scanned], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        try:
            app = find_app(pyatspi, time.time() + 30)
        except Exception as error:  # the registry answers nothing: no bus
            skip("der AT-SPI-Bus startet nicht: %s" % error)
        if app is None:
            if app_process.poll() is not None:
                fail("Raumfuchs ist beendet: " + app_process.stderr.read().decode(errors="replace"))
            skip("Raumfuchs erscheint nicht im AT-SPI-Register (Bus ohne Registry?)")
        if dump:
            time.sleep(3)
            for depth, node in tree(app):
                print("  " * depth + "%s | %r | %r" % (node.getRoleName(), node.name,
                                                       node.description))
            return
        chart, rows = result_window(pyatspi, app, os.path.basename(scanned), time.time() + 30)
        check(pyatspi, chart, rows)
    finally:
        app_process.kill()
        app_process.wait()
        server.kill()
        server.wait()
        shutil.rmtree(config, ignore_errors=True)


def check(pyatspi, chart, rows):
    if chart is None:
        fail("kein Objekt mit der Rolle „chart“ im Ergebnisfenster")
    if not re.search(SIZE, chart.name):
        fail("der Name des Diagramms nennt keine Größe: %r" % chart.name)
    arcs = [node for depth, node in tree(chart) if depth > 0 and NAMED.match(node.name or "")]
    if len(arcs) < 3:
        names = [node.name for _, node in tree(chart)]
        fail("zu wenige Bögen mit Name, Größe und Anteil: %r" % names)
    nested = [arc for arc in arcs if arc.parent is not None and NAMED.match(arc.parent.name or "")]
    if not nested:
        fail("kein Bogen hängt unter dem Bogen seines Ordners")
    for row in rows:
        text = "%s | %s" % (row.name, row.description)
        if not re.search(SIZE, text) or not re.search(SHARE, text):
            fail("eine Zeile ohne Größe und Anteil: %r" % text)
    print("Diagramm %r, %d Bögen, %d Zeilen, z. B. %r und %r" %
          (chart.name, len(arcs), len(rows), arcs[0].name, rows[0].name))


if __name__ == "__main__":
    main()
