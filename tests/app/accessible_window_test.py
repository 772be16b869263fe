#!/usr/bin/env python3
# The program as a screen reader sees and drives it, through AT-SPI on a virtual X server with
# a session bus of its own: the start and exit pictures are push buttons whose press action
# starts a run and ends the program, Ctrl+Return and Ctrl+Q do the same from the keyboard, the
# progress bar's value moves during a run, and the lists and folder rows say what they are.
#
# Usage: accessible_window_test.py DORVANTILE   (exits 77, skipped, without an AT-SPI session)
import contextlib, importlib.util, os, pathlib, shutil, signal, subprocess, sys, tempfile, time

app, work = pathlib.Path(sys.argv[1]), pathlib.Path(tempfile.mkdtemp())
started = []  # each in a process group with the processes it starts


def fail(why): sys.exit(f"FAIL: {why}\n" + "".join(log.read_text() for log in work.glob("*.log")))


def skip(why):
    print(f"SKIP: {why}")
    sys.exit(77)


# Polls `check` until it gives something true, for about `seconds`, and gives that.
def wait_for(what, seconds, check):
    for _ in range(seconds * 20):
        if result := check():
            return result
        time.sleep(0.05)
    fail(f"no {what} within {seconds} s")


def start(command, log, **options):
    started.append(subprocess.Popen(command, start_new_session=True, stderr=open(work / log, "a"),
                                    **options))
    return started[-1]


# Xvfb and a session bus, behind which the accessibility bus starts when it is first asked for.
def session():
    for tool in ("Xvfb", "xdpyinfo", "xdotool", "dbus-daemon", "dbus-send"):
        shutil.which(tool) or skip(f"no {tool} (scripts/install-deps.sh test)")
    importlib.util.find_spec("pyatspi") or skip("no pyatspi (scripts/install-deps.sh test)")
    # A display of its own, far from :0 and those after it, which the other window tests take
    # and free as they go: a server that ends there removes its socket whoever holds it now.
    # Where it starts looking depends on the process, so that two suites run side by side on
    # one machine do not meet there either.
    first = 100 + os.getpid() % 800
    for number in range(first, first + 30):
        read, write = os.pipe()
        xvfb = start(["Xvfb", f":{number}", "-displayfd", str(write), "-screen", "0",
                      "1024x768x24", "-nolisten", "tcp"], "xvfb.log", pass_fds=[write])
        os.close(write)
        # The server writes the number and its newline apart, and ends if the second write
        # finds the pipe closed: read up to the newline, or to nothing if that display is taken.
        ready = b""
        while not ready.endswith(b"\n") and (part := os.read(read, 16)):
            ready += part
        ready = ready.decode().strip()
        os.close(read)
        # A server that says it is ready can still lose its socket to one ending beside it.
        if ready and subprocess.run(["xdpyinfo", "-display", ":" + ready],
                                    capture_output=True, timeout=10).returncode == 0:
            os.environ["DISPLAY"] = ":" + ready
            break
        xvfb.kill()
        xvfb.wait()
        started.remove(xvfb)
    else:
        fail("no Xvfb")
    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address"], "bus.log",
                stdout=subprocess.PIPE, text=True)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    ask = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
           "org.a11y.Bus.GetAddress"]
    subprocess.run(ask, capture_output=True).returncode == 0 or skip(
        "the accessibility bus did not start: " + (work / "bus.log").read_text())


# The program on the tree, and its application once on the accessibility bus (asked for
# afresh each time: the desktop may keep its list of applications from before).
def launch():
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               PATH=f"{work}/bin:{os.environ['PATH']}")  # an xdg-open that opens nothing
    program = start([work / "app" / app.name], "app.log", cwd=work / "tree", env=env)
    desktop = pyatspi.Registry.getDesktop(0)
    found = lambda: desktop.clearCache() or [
        a for a in desktop if a and a.get_process_id() == program.pid and a.childCount]
    return program, wait_for("application on the bus", 30, found)[0]


def find(root, role, name=None):
    match = lambda a: a.getRole() == role and (name is None or a.name == name)
    return pyatspi.findDescendant(root, match) or fail(f"no {role} {name}")


# Presses the button `name` after checking the keys that press it too.
def press(root, name, keys):
    action = find(root, pyatspi.ROLE_PUSH_BUTTON, name).queryAction()
    i = [action.getName(i) for i in range(action.nActions)].index("Press")
    action.getKeyBinding(i) == keys or fail(f"{name} is pressed by {action.getKeyBinding(i)}")
    action.doAction(i)


# A bus that stops answering makes each call wait its own long timeout: the test ends first,
# with the logs, well before the suite's limit.
signal.signal(signal.SIGALRM, lambda *_: fail("no end within 90 s"))
signal.alarm(90)
try:
    session()
    import pyatspi  # connects to the session's bus when imported
    for folder in ("app", "bin", "tree/Docs"):
        (work / folder).mkdir(parents=True)
    shutil.copy(app, work / "app"), shutil.copy(app.parent / "dorvantile.portable", work / "app")
    (work / "bin/xdg-open").write_text("#!/bin/sh\n"), (work / "bin/xdg-open").chmod(0o755)
    page = work / "app/Files.html"

    # Pressed through its action, the start picture makes a catalogue while the bar moves.
    program, root = launch()
    bar = find(root, pyatspi.ROLE_PROGRESS_BAR, "Progress").queryValue()
    (bar.minimumValue, bar.currentValue, bar.maximumValue) == (0, 0, 100) or fail("bar not 0 of 100")
    press(root, "Start", "Ctrl+Return;Ctrl+Enter;F5")
    values = set()
    wait_for("Files.html", 30, lambda: values.add(bar.currentValue) or page.exists())
    len(values - {0, 100}) >= 5 or fail(f"the bar went through {sorted(values)}")
    # The lists' names (a drop-down list's through its label), and a folder row's depth.
    find(root, pyatspi.ROLE_LIST, "Folders")
    drive = [(r.getRelationType(), r.getTarget(0).name)
             for r in find(root, pyatspi.ROLE_COMBO_BOX).getRelationSet()]
    drive == [(pyatspi.RELATION_LABELLED_BY, "Drive")] or fail(f"Drive1's relations: {drive}")
    docs = find(root, pyatspi.ROLE_LIST_ITEM, "Docs").description
    docs == f"level {len((work / 'tree/Docs').parts)}" or fail(f"the row of Docs says '{docs}'")
    press(root, "Stop program", "Ctrl+Q")
    program.wait(10) == 0 or fail(f"the program ended with status {program.returncode}")

    # Ctrl+Return and Ctrl+Q, typed on the window.
    page.unlink()
    program, root = launch()
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Dorvantile$",
                    "windowfocus", "--sync", "key", "ctrl+Return"], check=True, timeout=10)
    wait_for("Files.html after Ctrl+Return", 30, page.exists)
    subprocess.run(["xdotool", "key", "ctrl+q"], check=True)
    program.wait(10) == 0 or fail(f"the program ended with status {program.returncode}")
    print("PASS: pictures pressed as buttons, keys, progress value, list names and row depth")
finally:
    for process in reversed(started):
        with contextlib.suppress(ProcessLookupError):
            os.killpg(process.pid, signal.SIGTERM)
    shutil.rmtree(work, ignore_errors=True)
