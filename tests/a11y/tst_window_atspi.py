#!/usr/bin/python3
"""The window as a screen-reader user drives it, through AT-SPI, beside emulated devices.

    tst_window_atspi.py BUILD_DIR

Starts its own session bus, X display, accessibility bus and registry, the device emulator and the
program; then checks devices with the keyboard and with the cells' accessible action, runs one
network batch and one activation, reads the result lists' cells by name, opens the system menu and
walks the main window, the panel, a dialog and the result list for interactive controls without a
name or a role. Exits 77 (skipped) where the buses or the display cannot start. Every process it
starts is stopped at the end, whatever happens. Run it under scripts/isolated.sh: the emulator and
the program stay on the loopback of a network namespace of their own.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.getcwd()
BIN = os.path.join(BUILD, "bin")
PASSWORD = "Admin12345"  # the emulator's activated devices
NEW_PASSWORD = "Access-Test-42"

started = []  # every process this test started, stopped in reverse order at the end
failures = []


def skip(why):
    print("SKIP: " + why)
    sys.exit(SKIP)


def check(what, ok, detail=""):
    print(("PASS: " if ok else "FAIL: ") + what + ("" if ok or not detail else " (" + str(detail) + ")"))
    if not ok:
        failures.append(what)
    return ok


def wait_for(seconds, probe, step=0.2):
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = probe()
        except Exception:  # the tree changes under the walk: ask again
            value = None
        if value:
            return value
        if time.monotonic() >= deadline:
            return value
        time.sleep(step)


def start(args, **kwargs):
    kwargs.setdefault("stdout", subprocess.DEVNULL)
    kwargs.setdefault("stderr", subprocess.DEVNULL)
    process = subprocess.Popen(args, **kwargs)
    started.append(process)
    return process


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        children.setdefault(parent, []).append(int(entry))
    found, queue = [], [pid]
    while queue:
        for child in children.get(queue.pop(), []):
            found.append(child)
            queue.append(child)
    return found


def stop_all():
    # The bus launcher starts a bus of its own: the whole tree under each process goes.
    for process in reversed(started):
        for pid in [process.pid] + descendants(process.pid):
            try:
                os.kill(pid, signal.SIGTERM)
            except OSError:
                pass
    deadline = time.monotonic() + 5
    for process in reversed(started):
        try:
            process.wait(max(0.1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            for pid in [process.pid] + descendants(process.pid):
                try:
                    os.kill(pid, signal.SIGKILL)
                except OSError:
                    pass
            process.wait()


def set_up(work):
    for tool in ("Xvfb", "dbus-daemon", "dbus-send", "xprop", "xdotool"):
        if not shutil.which(tool):
            skip(tool + " is not installed")
    launcher = "/usr/libexec/at-spi-bus-launcher"
    registry = "/usr/libexec/at-spi2-registryd"
    if not (os.access(launcher, os.X_OK) and os.access(registry, os.X_OK)):
        skip("at-spi2-core is not installed")

    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE)
    address = bus.stdout.readline().decode().strip()
    if not address:
        skip("the session bus did not start")
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address

    read_end, write_end = os.pipe()
    start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
          pass_fds=(write_end,))
    os.close(write_end)
    with os.fdopen(read_end) as display:
        number = display.readline().strip()
    if not number:
        skip("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + number

    start([launcher, "--launch-immediately"])
    start([registry, "--use-gnome-session=false"])

    def bus_address():
        out = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                              "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                             capture_output=True, text=True, timeout=5)
        return out.stdout.strip() if out.returncode == 0 else None

    a11y = wait_for(10, bus_address)
    if not a11y:
        skip("the accessibility bus did not start")
    # Qt looks for the bus on the root window; without it the program stays off the bus.
    subprocess.run(["xprop", "-root", "-f", "AT_SPI_BUS", "8s", "-set", "AT_SPI_BUS", a11y], check=True)

    os.environ.update({"TARN_IFACES": "lo", "XDG_CONFIG_HOME": os.path.join(work, "config"),
                       "XDG_STATE_HOME": os.path.join(work, "state"),
                       "XDG_RUNTIME_DIR": os.path.join(work, "run"), "TMPDIR": os.path.join(work, "tmp")})
    os.makedirs(os.environ["XDG_RUNTIME_DIR"], mode=0o700)
    os.makedirs(os.environ["TMPDIR"])
    start([os.path.join(BIN, "tarn-device"), "--iface", "lo", "--count", "6", "--seed", "5",
           "--state", os.path.join(work, "devices.json")],
          stderr=open(os.path.join(work, "devices.log"), "w"))
    tool_env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                    QT_QPA_PLATFORM="xcb", QT_XCB_GL_INTEGRATION="none")
    tool_log = open(os.path.join(work, "tool.log"), "w")
    return start([os.path.join(BIN, "TarnTool")], cwd=BIN, env=tool_env, stdout=tool_log, stderr=tool_log)


# ---- the tree ----

def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def walk(node, depth=0):
    yield node, depth
    for child in children(node):
        if child is not None:
            yield from walk(child, depth + 1)


def find(root, role=None, name=None, showing=False):
    for node, _ in walk(root):
        try:
            if role is not None and node.getRoleName() != role:
                continue
            if name is not None and node.name != name:
                continue
            if showing and not node.getState().contains(pyatspi.STATE_SHOWING):
                continue
            return node
        except Exception:
            continue
    return None


INTERACTIVE = {"push button", "toggle button", "check box", "radio button", "text", "password text", "entry",
               "combo box", "menu item", "check menu item", "spin button", "slider", "page tab", "table",
               "tree table", "list", "tree"}


def actions_of(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def act(node, name):
    """Runs the named action and returns how long the call took to be answered."""
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    began = time.monotonic()
    action.doAction(names.index(name))
    return time.monotonic() - began


def unnamed_controls(root):
    """Interactive controls under root without a name or a role, as 'role (parent's name)'."""
    missing = []
    for node, _ in walk(root):
        try:
            role = node.getRoleName()
            # A cell is a control when it does something: the device table's check cells.
            control = role in INTERACTIVE or (role == "table cell" and "Toggle" in actions_of(node))
            if not control:
                continue
            if role in ("unknown", "invalid", "") or not node.name.strip():
                missing.append("%s in %r" % (role, node.parent.name if node.parent else None))
        except Exception:
            continue
    return missing


def checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def top_level(app, role, name=None):
    return next((w for w in children(app) if w is not None and w.getRoleName() == role
                 and (name is None or w.name == name)), None)


def xdotool(*args):
    return subprocess.run(["xdotool"] + list(args), capture_output=True, text=True, timeout=10).stdout.strip()


def main():
    # A test run's time-out ends the script with SIGTERM: the clean-up below still runs.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    work = tempfile.mkdtemp(prefix="tarn-atspi-")
    try:
        tool = set_up(work)
        global pyatspi
        try:
            import pyatspi
        except ImportError:
            skip("python3-pyatspi is not installed")
        run(tool)
    finally:
        stop_all()
        if failures:
            for name in ("tool.log", "devices.log"):
                path = os.path.join(work, name)
                if os.path.exists(path):
                    print("---- " + name)
                    print(open(path, errors="replace").read()[-4000:])
        shutil.rmtree(work, ignore_errors=True)


def run(tool):
    desktop = pyatspi.Registry.getDesktop(0)
    app = wait_for(30, lambda: next((a for a in children(desktop) if a is not None and a.name == "TARNTool"), None))
    if not check("the program is on the accessibility bus as TARNTool", app is not None):
        return
    window = wait_for(20, lambda: top_level(app, "frame", "TARN Tool"))
    if not check("the main window is a frame named 'TARN Tool'", window is not None):
        return
    table = wait_for(20, lambda: find(window, role="table", name="Devices"))
    if not check("the device table is a table named 'Devices'", table is not None):
        return
    rows = wait_for(30, lambda: table.queryTable().nRows == 6)
    check("the six emulated devices are in the table", rows, table.queryTable().nRows)

    # The rows by activation state, and each row's check cell, named after the device.
    grid = table.queryTable()
    columns = [grid.getColumnDescription(c) for c in range(grid.nColumns)]
    state_column, serial_column = columns.index("Activate"), columns.index("Serial Number")
    activated, new = [], []
    for row in range(grid.nRows):
        serial = grid.getAccessibleAt(row, serial_column).name
        (activated if grid.getAccessibleAt(row, state_column).name == "Activated" else new).append(serial)
    check("the emulator brings activated and new devices", len(activated) >= 2 and len(new) >= 2, (activated, new))

    def check_cell(serial):
        return find(table, role="table cell", name="Select " + serial)

    cells = {serial: check_cell(serial) for serial in activated + new}
    check("every check cell is named 'Select <serial>'", all(cells.values()), cells)
    check("check cells have the action that checks them", all("Toggle" in actions_of(c) for c in cells.values()))

    check("every control of the main window has a name and a role", not unnamed_controls(window),
          unnamed_controls(window))

    first, second = cells[activated[0]], cells[activated[1]]
    # Space on the focused row checks it, as a keyboard user does.
    main_id = xdotool("search", "--pid", str(tool.pid), "--name", "^TARN Tool$").splitlines()
    if main_id:
        xdotool("windowfocus", "--sync", main_id[0])
    act(first, "SetFocus")
    wait_for(5, lambda: first.getState().contains(pyatspi.STATE_FOCUSED))
    xdotool("key", "space")
    check("Space checks the focused row", wait_for(5, lambda: checked(first)))
    # The cell's own action checks it too.
    act(second, "Toggle")
    check("the check cell's action checks its row", wait_for(5, lambda: checked(second)))
    check("the keyboard's check was not undone", checked(first))

    panel_dhcp = wait_for(10, lambda: find(window, role="check box", name="Enable DHCP", showing=True))
    admin = find(window, role="password text", name="Admin Password:")
    modify = find(window, role="push button", name="Modify", showing=True)
    if not check("the batch form shows Enable DHCP, the admin password and Modify",
                 panel_dhcp and admin and modify):
        return
    act(modify, "Press")
    box = wait_for(10, lambda: top_level(app, "dialog", "Error"))
    check("a refusal box is a dialog named by its kind, 'Error'", box is not None,
          [w.name for w in children(app) if w is not None])
    refusal = "Sorry, please enter the administrator password."
    wait_for(10, lambda: top_level(app, "dialog", "Error") is None)
    check("after its box has gone, the refused field describes the refusal", admin.description == refusal,
          admin.description)

    # One network batch: both devices to DHCP.
    if not checked(panel_dhcp):
        act(panel_dhcp, "Toggle")
    admin.queryEditableText().setTextContents(PASSWORD)
    for field, value in (("Port:", "8000"), ("Http Port:", "80")):
        node = find(window, role="text", name=field, showing=True)
        if node is not None:
            node.queryEditableText().setTextContents(value)
    act(modify, "Press")
    results = wait_for(60, lambda: top_level(app, "dialog", "Confirmation List"))
    if check("the network batch ends in the result list", results is not None,
             [(w.getRoleName(), w.name, [n.name for n, _ in walk(w) if n.getRoleName() == "label"])
              for w in children(app) if w is not None]):
        check("every control of the result list has a name and a role", not unnamed_controls(results),
              unnamed_controls(results))
        check_results(results, activated[:2])
        act(find(results, role="push button", name="Confirm"), "Press")
        wait_for(10, lambda: top_level(app, "dialog", "Confirmation List") is None)

    # One activation: the new devices instead.
    for serial in activated[:2]:
        act(cells[serial], "Toggle")
    for serial in new[:2]:
        act(cells[serial], "Toggle")
    wait_for(5, lambda: all(checked(cells[s]) for s in new[:2]) and not any(checked(cells[s]) for s in activated[:2]))
    password = wait_for(10, lambda: find(window, role="password text", name="New Password:", showing=True))
    confirm = find(window, role="password text", name="Confirm Password:", showing=True)
    active = find(window, role="push button", name="Active", showing=True)
    if not check("the activation form shows both password fields and Active", password and confirm and active):
        return
    password.queryEditableText().setTextContents(NEW_PASSWORD)
    confirm.queryEditableText().setTextContents(NEW_PASSWORD)
    labels = [t.name for r in password.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY
              for t in (r.getTarget(i) for i in range(r.getNTargets()))]
    check("the password field is labelled by its strength word",
          any(word in labels for word in ("Weak", "Medium", "Strong")), labels)
    check("the activation form's controls have names and roles", not unnamed_controls(window),
          unnamed_controls(window))
    act(active, "Press")
    results = wait_for(60, lambda: top_level(app, "dialog", "Confirmation List"))
    if check("the activation ends in the result list", results is not None):
        check_results(results, new[:2])
        act(find(results, role="push button", name="Confirm"), "Press")
        wait_for(10, lambda: top_level(app, "dialog", "Confirmation List") is None)

    # A dialog: password recovery of one device.
    for serial in new[:2]:
        act(cells[serial], "Toggle")
    act(cells[activated[2] if len(activated) > 2 else activated[0]], "Toggle")
    forget = wait_for(10, lambda: find(window, role="push button", name="Forget Password", showing=True))
    if forget:
        act(forget, "Press")
        dialog = wait_for(10, lambda: next((w for w in children(app) if w is not None
                                            and w.getRoleName() == "dialog"), None))
        if check("Forget Password opens a dialog", dialog is not None):
            check("every control of the recovery dialog has a name and a role", not unnamed_controls(dialog),
                  unnamed_controls(dialog))
            close = find(dialog, role="push button", name="Close")
            check("the dialog's title bar has a named Close button", close is not None)
            if close:
                act(close, "Press")
            wait_for(10, lambda: dialog not in children(app))

    # The system menu is a popup the tree shows, with named items; its help answers at once even
    # though it opens a modal box (no manual here).
    took = act(find(window, role="push button", name="Menu"), "Press")
    menu = wait_for(10, lambda: top_level(app, "popup menu"))
    if check("the title bar's Menu opens a popup menu in the tree", menu is not None):
        items = [c.name for c in children(menu) if c is not None]
        check("the menu's items are About and User Help", items == ["About", "User Help"], items)
        check("every item of the menu has a name and a role", not unnamed_controls(menu), unnamed_controls(menu))
        took = act(find(menu, role="menu item", name="User Help"), "Press")
        check("the help item's press is answered at once", took < 3, took)
        hint = wait_for(10, lambda: top_level(app, "dialog", "Hint"))
        check("the missing manual is told in a box named 'Hint'", hint is not None)
        if hint:
            act(find(hint, role="push button", name="Close"), "Press")
            wait_for(10, lambda: top_level(app, "dialog", "Hint") is None)

    # Closing through the title bar asks first; the press is answered while the question is open.
    took = act(find(window, role="push button", name="Close"), "Press")
    check("the title bar's Close press is answered at once", took < 3, took)
    question = wait_for(10, lambda: top_level(app, "dialog", "Exit"))
    if check("closing asks in a dialog named 'Exit'", question is not None):
        act(find(question, role="push button", name="Cancel"), "Press")
        check("cancelling keeps the window", wait_for(10, lambda: top_level(app, "dialog", "Exit") is None)
              and tool.poll() is None)


def check_results(results, serials):
    table = find(results, role="table", name="Results")
    if not check("the result list's table is named 'Results'", table is not None):
        return
    grid = table.queryTable()
    columns = [grid.getColumnDescription(c) for c in range(grid.nColumns)]
    serial_column = columns.index("Serial Number")
    outcome = {grid.getAccessibleAt(r, serial_column).name: grid.getAccessibleAt(r, grid.nColumns - 1).name
               for r in range(grid.nRows)}
    check("the result list reads 'Succeeded' for each device", outcome == {s: "Succeeded" for s in serials}, outcome)


if __name__ == "__main__":
    main()
    print("%d failed" % len(failures))
    sys.exit(1 if failures else 0)
