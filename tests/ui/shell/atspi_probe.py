#!/usr/bin/python3
"""Reads Raumfuchs' result window over AT-SPI as a screen reader does: run as
dbus-run-session -- atspi_probe.py PROGRAM FOLDER. Exit status 0: chart, nested
arcs and rows carry names, sizes and shares; 77: no bus or X server here; 1: a
check failed. The reason is on stdout.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

# "4,81 GB", "16 KB"; "51 %", "8,0 %", "–" (with no-break spaces).
SIZE = r"\d[\d.]*(?:,\d+)?[ \u00a0](?:KB|MB|GB|TB)"
SHARE = r"\d+(?:,\d+)?[ \u00a0]%|–"
NAMED = re.compile(r"^.+, " + SIZE + ", (?:" + SHARE + ")")


def leave(status, message):
    print(message)
    sys.exit(status)


def tree(node, depth=0):
    # Read afresh: libatspi keeps child counts it saw once, and the window's
    # widgets fill in after the scan.
    node.clearCache()
    yield depth, node
    for i in range(node.childCount if depth < 16 else 0):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from tree(child, depth + 1)


def poll(find, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    return None


def find_app(pyatspi):
    desktop = pyatspi.Registry.getDesktop(0)
    apps = (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
    return next((app for app in apps if app is not None and app.name == "Raumfuchs"), None)


def in_combo_box(pyatspi, node):
    """Whether the item is an entry of a choice (the chart's "Färbung"), not a row."""
    while node is not None:
        if node.getRole() == pyatspi.ROLE_COMBO_BOX:
            return True
        node = node.parent
    return False


def result_window(pyatspi, app, folder):
    """The chart once the scan has finished, and every list item."""
    charts, rows = [], []
    for _, node in tree(app):
        role = node.getRole()
        if role == pyatspi.ROLE_CHART:
            charts.append(node)
        elif (role == pyatspi.ROLE_LIST_ITEM and node.parent.getRole() == pyatspi.ROLE_LIST
              and not in_combo_box(pyatspi, node)):
            rows.append(node)
    return (charts[0], rows) if charts and charts[0].name.startswith(folder) and rows else None


def check(chart, rows):
    if not re.search(SIZE, chart.name):
        leave(1, "der Name des Diagramms nennt keine Größe: %r" % chart.name)
    arcs = [node for depth, node in tree(chart) if depth > 0 and NAMED.match(node.name or "")]
    if len(arcs) < 3:
        leave(1, "zu wenige Bögen mit Name, Größe und Anteil: %r" %
              [node.name for _, node in tree(chart)])
    if not any(arc.parent is not None and NAMED.match(arc.parent.name or "") for arc in arcs):
        leave(1, "kein Bogen hängt unter dem Bogen seines Ordners")
    for row in rows:
        text = "%s | %s" % (row.name, row.description)
        if not re.search(SIZE, text) or not re.search(SHARE, text):
            leave(1, "eine Zeile ohne Größe und Anteil: %r" % text)
    print("Diagramm %r, %d Bögen, %d Zeilen" % (chart.name, len(arcs), len(rows)))


def main():
    program, scanned = sys.argv[1], sys.argv[2]
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        leave(77, "kein D-Bus-Sitzungsbus (mit dbus-run-session starten)")
    if shutil.which("Xvfb") is None:
        leave(77, "Xvfb fehlt: kein X-Server für die AT-SPI-Brücke von Qt")
    try:
        import pyatspi
    except ImportError:
        leave(77, "pyatspi fehlt (Paket python3-pyatspi)")
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24",
                               "-nolisten", "tcp"], pass_fds=(write,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as pipe:
        display = pipe.readline().strip()
    config = tempfile.mkdtemp(prefix="raumfuchs-atspi-")
    env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=config,
               XDG_CACHE_HOME=config)
    env.pop("WAYLAND_DISPLAY", None)
    app_process = None
    try:
        if not display:
            leave(77, "Xvfb startet nicht")
        app_process = subprocess.Popen([program, "--scan", scanned], env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            app = poll(lambda: find_app(pyatspi))
        except Exception as error:  # the registry answers nothing: no bus
            leave(77, "der AT-SPI-Bus startet nicht: %s" % error)
        if app is None:
            if app_process.poll() is not None:
                leave(1, "Raumfuchs ist beendet: " +
                      app_process.stderr.read().decode(errors="replace"))
            leave(77, "Raumfuchs erscheint nicht im AT-SPI-Register (Bus ohne Registry?)")
        found = poll(lambda: result_window(pyatspi, app, os.path.basename(scanned)))
        if found is None:
            leave(1, "kein Objekt mit der Rolle „chart“ und Zeilen im Ergebnisfenster")
        check(*found)
    finally:
        if app_process is not None:
            app_process.kill()
            app_process.wait()
        server.kill()
        server.wait()
        shutil.rmtree(config, ignore_errors=True)


if __name__ == "__main__":
    main()
