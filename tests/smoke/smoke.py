#!/usr/bin/python3
"""A designer's short day with the real korvan, driven from outside.

Runs inside a session bus on a virtual display (run_smoke.sh sets them up). Starts the
accessibility bus and korvan on a fresh data folder, finds the widgets in the accessibility tree
by role and visible name, clicks and types at their screen positions with xdotool, answers the
dialogs by their buttons, quits, and checks the stored rows with korvan-cli. Every wait has a
timeout; the program is killed at the end whatever happened.
"""

import argparse
import json
import os
import signal
import subprocess
import sys
import time

import pyatspi

LOG = None
T0 = time.monotonic()


def log(*args):
    text = "[%6.1f] " % (time.monotonic() - T0) + " ".join(str(a) for a in args)
    print(text, flush=True)
    if LOG:
        LOG.write(text + "\n")
        LOG.flush()


class SmokeFailure(Exception):
    pass


def wait_for(what, probe, timeout=20.0, interval=0.2):
    """Calls probe until it returns something true; fails naming what after timeout seconds."""
    end = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < end:
        try:
            value = probe()
            if value:
                return value
        except Exception as e:  # the tree changes under our feet while windows open and close
            last_error = e
        time.sleep(interval)
    raise SmokeFailure("timed out waiting for %s%s" % (what, " (%s)" % last_error if last_error else ""))


# --- The accessibility tree ---------------------------------------------------------------------

def clean(text):
    """A caption as the user reads it: no mnemonic ampersand, no surrounding blanks."""
    return (text or "").replace("&", "").strip()


def role(acc):
    try:
        return acc.getRoleName()
    except Exception:
        return ""


def name(acc):
    try:
        return clean(acc.name)
    except Exception:
        return ""


def children(acc):
    try:
        return [acc.getChildAtIndex(i) for i in range(acc.childCount)]
    except Exception:
        return []


def walk(acc, depth=0, limit=60):
    """Every node under acc, depth first (acc included)."""
    if acc is None or depth > limit:
        return
    yield acc
    for c in children(acc):
        if c is not None:
            yield from walk(c, depth + 1, limit)


def has_state(acc, state):
    try:
        return acc.getState().contains(state)
    except Exception:
        return False


def showing(acc):
    return has_state(acc, pyatspi.STATE_SHOWING) and has_state(acc, pyatspi.STATE_VISIBLE)


def enabled(acc):
    return has_state(acc, pyatspi.STATE_ENABLED)


def checked(acc):
    return has_state(acc, pyatspi.STATE_CHECKED)


def extents(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def text_of(acc):
    """The text shown in a field (editable text or a label)."""
    try:
        t = acc.queryText()
        return t.getText(0, t.characterCount)
    except Exception:
        return name(acc)


def dump(acc, out, depth=0):
    if depth > 40:
        return
    try:
        x, y, w, h = extents(acc)
    except Exception:
        x = y = w = h = -1
    out.write("%s%s %r [%d,%d %dx%d]%s%s\n" % (
        "  " * depth, role(acc), name(acc), x, y, w, h,
        "" if enabled(acc) else " disabled", "" if showing(acc) else " hidden"))
    for c in children(acc):
        dump(c, out, depth + 1)


class App:
    """The running korvan as the accessibility bus sees it."""

    def __init__(self, proc):
        self.proc = proc
        self.desktop = pyatspi.Registry.getDesktop(0)
        self.node = None

    def find_app(self):
        for a in children(self.desktop):
            try:
                if a is not None and a.get_process_id() == self.proc.pid:
                    return a
            except Exception:
                pass
        return None

    def attach(self, timeout=40):
        self.node = wait_for("korvan on the accessibility bus", self.find_app, timeout)
        return self.node

    def windows(self):
        """The top-level windows and dialogs that are shown, most recent last."""
        app = self.find_app() or self.node
        return [w for w in children(app) if w is not None and showing(w)]

    def window(self, title=None, roles=("frame", "dialog", "window", "alert", "file chooser"),
               timeout=20):
        """Waits for a shown top-level window whose caption starts with title (any when None)."""
        def probe():
            for w in reversed(self.windows()):
                if role(w) in roles and (title is None or name(w).startswith(title)):
                    return w
            return None
        return wait_for("window %r" % title, probe, timeout)

    def dump(self, path):
        with open(path, "w") as out:
            app = self.find_app() or self.node
            if app is not None:
                dump(app, out)


def find(root, roles, label, timeout=15, need_enabled=True, index=0):
    """Waits for a shown widget under root with one of roles whose name is label; the index-th
    of them in tree order."""
    if isinstance(roles, str):
        roles = (roles,)

    def probe():
        hits = [a for a in walk(root)
                if role(a) in roles and name(a) == label and showing(a)
                and (enabled(a) or not need_enabled)]
        return hits[index] if len(hits) > index else None
    return wait_for("%s %r" % ("/".join(roles), label), probe, timeout)


def find_under(root, group_label, roles, label, timeout=15):
    """A widget named label inside the first shown group (frame, panel) named group_label."""
    group = find(root, ("panel", "filler", "frame", "grouping"), group_label, timeout,
                 need_enabled=False)
    return find(group, roles, label, timeout)


BUTTON = ("push button", "toggle button", "check box", "radio button")
FIELD = ("text", "entry", "combo box", "spin button", "password text")


# --- Input with xdotool ---------------------------------------------------------------------------

def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, timeout=20)


def click(acc, what=None):
    x, y, w, h = extents(acc)
    if w <= 0 or h <= 0:
        raise SmokeFailure("%s has no extent on screen" % (what or name(acc)))
    cx, cy = x + w // 2, y + h // 2
    log("click", role(acc), repr(what or name(acc)), "at", cx, cy)
    xdo("mousemove", "--sync", cx, cy)
    time.sleep(0.05)
    xdo("click", "1")
    time.sleep(0.25)


def press(*keys):
    log("keys", " ".join(keys))
    xdo("key", "--delay", "40", *keys)
    time.sleep(0.2)


def type_text(text):
    log("type", repr(text))
    xdo("type", "--delay", "40", text)
    time.sleep(0.2)


def fill(field, text):
    """Clicks into a field, selects what it holds and types text over it."""
    click(field)
    press("ctrl+a")
    press("BackSpace")
    type_text(text)


def click_button(root, label, timeout=15):
    click(find(root, BUTTON, label, timeout))


def choose_menu(app, window, menu, item, timeout=15):
    """Opens a menu of the window's menu bar with a click and clicks one of its items."""
    bar = find(window, "menu bar", "", timeout, need_enabled=False)
    bar_item = next((c for c in children(bar) if name(c) == menu), None)
    if bar_item is None:
        raise SmokeFailure("no menu %r in the menu bar" % menu)
    click(bar_item, menu)

    def probe():
        for node in walk(app.find_app() or app.node):
            if role(node) in ("menu item", "check menu item") and name(node) == item \
                    and showing(node):
                return node
        return None
    entry = wait_for("menu item %r" % item, probe, timeout)
    if not enabled(entry):
        press("Escape")
        raise SmokeFailure("menu item %s → %s is disabled" % (menu, item))
    click(entry, item)


YES = ("Да", "Yes")
OK = ("OK", "ОК", "Ок")


def answer(app, labels, timeout=15, title=None):
    """Waits for a dialog or message box offering one of the button labels and clicks it."""
    def probe():
        for w in reversed(app.windows()):
            if role(w) not in ("dialog", "alert", "window", "frame"):
                continue
            if title is not None and not name(w).startswith(title):
                continue
            for node in walk(w):
                if role(node) in BUTTON and name(node) in labels and showing(node) \
                        and enabled(node):
                    return w, node
        return None
    w, button = wait_for("a dialog with %s" % "/".join(labels), probe, timeout)
    log("dialog", repr(name(w)), "answered", repr(name(button)))
    click(button)
    return w


def gone(app, window_node, timeout=20):
    wait_for("window %r to close" % name(window_node),
             lambda: all(w != window_node for w in app.windows()), timeout)


# --- korvan-cli -------------------------------------------------------------------------------

def run_cli(cli_path, data, *cmd):
    r = subprocess.run([cli_path, "--data", data] + list(cmd), capture_output=True, text=True,
                       timeout=60)
    if r.returncode != 0:
        raise SmokeFailure("korvan-cli %s failed (%d): %s" % (" ".join(cmd), r.returncode,
                                                              r.stderr.strip()))
    return r.stdout


def projects(cli_path, data):
    """(key, name) of every project in the folder."""
    rows = []
    for line in run_cli(cli_path, data, "list").splitlines():
        if line.strip():
            fields = line.split("\t")
            rows.append((int(fields[0]), fields[1].strip() if len(fields) > 1 else ""))
    return rows


def export(cli_path, data, kod):
    return json.loads(run_cli(cli_path, data, "export", str(kod)))


# --- The day ----------------------------------------------------------------------------------

class Checks:
    def __init__(self):
        self.failed = []

    def expect(self, ok, what):
        log(("ok   " if ok else "FAIL ") + what)
        if not ok:
            self.failed.append(what)


def main():
    global LOG
    p = argparse.ArgumentParser()
    p.add_argument("--korvan", required=True)
    p.add_argument("--cli", required=True)
    p.add_argument("--work", required=True)
    args = p.parse_args()
    LOG = open(os.path.join(args.work, "smoke.log"), "w")
    data = os.path.join(os.path.dirname(args.korvan), "Data")

    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.0)
    env = dict(os.environ)
    korvan = subprocess.Popen([args.korvan], env=env, cwd=args.work,
                              stdout=open(os.path.join(args.work, "korvan.out"), "w"),
                              stderr=subprocess.STDOUT)
    app = App(korvan)
    checks = Checks()
    step = "start"
    try:
        step = "start-up"
        app.attach()
        main_window = app.window(None, roles=("frame",), timeout=30)
        # The splash closes after three seconds; the project window holds the menu bar.
        main_window = wait_for("the project window", lambda: next(
            (w for w in app.windows() if role(w) == "frame"
             and any(role(n) == "menu bar" for n in children(w) + [
                 c for ch in children(w) for c in children(ch)])), None), 30)
        log("project window:", repr(name(main_window)))
        os.makedirs(os.path.join(args.work, "trees"), exist_ok=True)
        app.dump(os.path.join(args.work, "trees", "main.txt"))
        first = projects(args.cli, data)
        checks.expect(len(first) == 1, "a fresh Data holds the sample project: %s" % first)
        original_kod, original_name = first[0]
        checks.expect(name(main_window) == original_name,
                      "the window caption names the open project (%r)" % name(main_window))

        step = "selection"
        choose_menu(app, main_window, "Молниеотвод", "Ориентировочный подбор")
        # The selection may report or ask; any message box is closed with its button.
        time.sleep(1.0)
        for w in app.windows():
            if role(w) in ("dialog", "alert") and w != main_window:
                answer(app, OK + YES, 5)
        selected = wait_for("the selection's results", lambda: (export(
            args.cli, data, original_kod).get("conductors") or [{}])[0].get("H"), 15)
        checks.expect(float(selected) > 0, "the selection stored the design height %s" % selected)

        step = "placement"
        choose_menu(app, main_window, "Молниеотвод", "Оптимальное размещение...")
        place = app.window("Оптимальное размещение", timeout=20)
        app.dump(os.path.join(args.work, "trees", "placement.txt"))
        # A variant: "+" of the variants, its name, "✓".
        click(find_under(place, "Размещения.", BUTTON, "Вставить запись"), "+ variant")
        fill(find_under(place, "Размещения.", FIELD, "Вариант размещения"), "V1")
        click(find_under(place, "Размещения.", BUTTON, "Сохранить изменения"), "✓ variant")
        # A range X 0..100 step 1, Y 0..100 step 1.
        click(find_under(place, "Диапазоны размещения.", BUTTON, "Вставить запись"), "+ range")
        for field, value in (("X1, м", "0"), ("X2, м", "100"), ("DX, м", "1"),
                             ("Y1, м", "0"), ("Y2, м", "100"), ("DY, м", "1")):
            fill(find_under(place, "Диапазоны размещения.", FIELD, field), value)
        click(find_under(place, "Диапазоны размещения.", BUTTON, "Сохранить изменения"),
              "✓ range")
        click_button(place, "Расчет")
        # The search runs ("Стоп" enabled) and ends with "ОК" enabled for the found position.
        ok_button = find(place, BUTTON, "ОК", timeout=60)
        wait_for("the search to end", lambda: not enabled(
            find(place, BUTTON, "Стоп", 1, need_enabled=False)), 60)
        app.dump(os.path.join(args.work, "trees", "placement-done.txt"))
        click(ok_button)
        # Applying may ask whether to move the conductor.
        time.sleep(0.7)
        if any(w == place for w in app.windows()):
            answer(app, YES + OK, 10)
        gone(app, place)
        placed = export(args.cli, data, original_kod)
        cond = (placed.get("conductors") or [{}])[0]
        log("after the placement:", json.dumps(cond, ensure_ascii=False)[:400])
        checks.expect(abs(float(cond.get("MX", -1)) - 49) < 0.51
                      and abs(float(cond.get("MY", -1)) - 50) < 0.51,
                      "the placement moved the conductor to X 49, Y 50 (%s, %s)"
                      % (cond.get("MX"), cond.get("MY")))

        step = "save as"
        before = {k: export(args.cli, data, k) for k, _ in projects(args.cli, data)}
        choose_menu(app, main_window, "Проект", "Сохранить как...")
        box = app.window(None, roles=("dialog",), timeout=15)
        field = wait_for("the name field", lambda: next(
            (n for n in walk(box) if role(n) in FIELD and showing(n)), None), 10)
        fill(field, "Копия")
        answer(app, OK, 10)
        gone(app, box)
        after_save = projects(args.cli, data)
        checks.expect(len(after_save) == 2 and any(n == "Копия" for _, n in after_save),
                      "save as adds the project \"Копия\": %s" % after_save)
        copy_kod = next((k for k, n in after_save if n == "Копия"), None)

        step = "delete"
        wait_for("the copy to be open", lambda: name(main_window) == "Копия", 10)
        choose_menu(app, main_window, "Проект", "Удалить...")
        answer(app, YES, 10)
        wait_for("the copy to be gone", lambda: len(projects(args.cli, data)) == 1, 15)
        checks.expect([k for k, _ in projects(args.cli, data)] == [original_kod],
                      "delete removes the copy and keeps the original")

        step = "undo"
        choose_menu(app, main_window, "Правка", "Отменить")
        wait_for("the copy to come back", lambda: len(projects(args.cli, data)) == 2, 15)
        after_undo = {k: export(args.cli, data, k) for k, _ in projects(args.cli, data)}
        checks.expect(after_undo.get(original_kod) == before.get(original_kod),
                      "after undo the original project has exactly its rows")
        if copy_kod is not None:
            restored = after_undo.get(copy_kod)
            checks.expect(restored is not None
                          and restored.get("objects") == before[original_kod].get("objects")
                          and restored.get("conductors") == before[original_kod].get("conductors"),
                          "after undo the copy has the original's conductor and objects")

        step = "report"
        report = os.path.join(args.work, "smoke-report.docx")
        choose_menu(app, main_window, "Проект", "Экспорт отчета в Microsoft Word")
        chooser = app.window(None, roles=("dialog", "file chooser"), timeout=15)
        app.dump(os.path.join(args.work, "trees", "filedialog.txt"))
        name_field = wait_for("the file name field", lambda: next(
            (n for n in walk(chooser) if role(n) in FIELD and showing(n)
             and name(n) in ("Имя файла:", "File name:", "Имя файла")), None), 10)
        fill(name_field, report)
        press("Return")
        wait_for("the report file", lambda: os.path.exists(report)
                 and os.path.getsize(report) > 10000, 90)
        time.sleep(1.0)
        checks.expect(open(report, "rb").read(2) == b"PK", "the report is a .docx file")

        step = "quit"
        choose_menu(app, main_window, "Проект", "Выход")
        try:
            korvan.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise SmokeFailure("korvan did not quit")
        checks.expect(korvan.returncode == 0, "korvan quit with code 0 (%s)" % korvan.returncode)

        step = "stored rows"
        final = projects(args.cli, data)
        checks.expect(sorted(k for k, _ in final) == sorted(after_undo),
                      "after quitting korvan-cli lists both projects: %s" % final)
        for k, _ in final:
            rows = export(args.cli, data, k)
            checks.expect(bool(rows.get("conductors")) and bool(rows.get("objects")),
                          "project %d has its conductor and objects" % k)
    except Exception as e:  # a failed wait, a vanished widget, a korvan-cli refusal
        checks.expect(False, "step %s: %s: %s" % (step, type(e).__name__, e))
        try:
            app.dump(os.path.join(args.work, "tree-at-failure.txt"))
            xdo("getactivewindow")
        except Exception:
            pass
        try:
            subprocess.run(["import", "-window", "root",
                            os.path.join(args.work, "screen-at-failure.png")], timeout=10)
        except Exception:
            pass
    finally:
        for proc in (korvan, bus):
            if proc.poll() is None:
                proc.send_signal(signal.SIGKILL)
                proc.wait(timeout=10)

    if checks.failed:
        log("smoke: %d check(s) failed:" % len(checks.failed))
        for f in checks.failed:
            log("  " + f)
        return 1
    log("smoke: every step passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
