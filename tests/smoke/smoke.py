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
import shutil
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


# How much longer than its nominal bound any wait may take before it counts as a failure.
PATIENCE = float(os.environ.get("KORVAN_SMOKE_PATIENCE", "3"))


def wait_for(what, probe, timeout=20.0, interval=0.2):
    """Calls probe until it returns something true; fails naming what after timeout seconds
    (stretched by PATIENCE: the bounds are for a quiet machine, and a loaded one is slower)."""
    end = time.monotonic() + timeout * PATIENCE
    last_error = None
    while time.monotonic() < end:
        try:
            value = probe()
            if value:
                return value
        except Exception as e:  # the tree changes under our feet while windows open and close
            last_error = e
        time.sleep(interval)
    raise SmokeFailure("timed out waiting for %s%s"
                       % (what, " (%s)" % last_error if last_error else ""))


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


def edit_text(acc):
    """The text of an editable field, or None where the field gives none."""
    try:
        t = acc.queryText()
        return t.getText(0, t.characterCount)
    except Exception:
        return None


def fill(field, text):
    """Clicks into a field, selects what it holds and types text over it. Typing a letter outside
    the keyboard's layout, xdotool maps a spare key to it first; on a loaded display the program
    may see the key before the map and drop the first letters ("Копия" came out as "опия"). A
    user who sees that types the text again, and so does this."""
    for attempt in range(3):
        click(field)
        press("ctrl+a")
        press("BackSpace")
        type_text(text)
        shown = edit_text(field)
        if shown is None or shown == text or not text.endswith(shown):
            return
        log("the field shows %r instead of %r: typed again" % (shown, text))


def click_button(root, label, timeout=15):
    click(find(root, BUTTON, label, timeout))


def choose_menu(app, window, menu, item, timeout=15, prefix=False):
    """Opens a menu of the window's menu bar with a click and clicks one of its items (the first
    whose caption starts with item when prefix is set: "Отменить" names the step it undoes)."""
    bar = find(window, "menu bar", "", timeout, need_enabled=False)
    bar_item = next((c for c in children(bar) if name(c) == menu), None)
    if bar_item is None:
        raise SmokeFailure("no menu %r in the menu bar" % menu)
    click(bar_item, menu)

    def probe():
        for node in walk(bar_item):
            if node != bar_item and role(node) in ("menu item", "check menu item") \
                    and (name(node).startswith(item) if prefix else name(node) == item) \
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


def comparable(rows):
    """A project's conductor and object rows without their keys and shape names (a copy has
    its own)."""
    def strip(r):
        return {k: v for k, v in r.items() if k not in ("Kod", "Kod0", "ShapeName")}
    return ([strip(r) for r in rows.get("conductors") or []],
            [strip(r) for r in rows.get("objects") or []])


CLOSE = ("Отмена", "Cancel", "Закрыть", "Close", "Нет", "No")


class Day:
    """The designer's steps; each records its checks, a failed one is recovered from by closing
    whatever dialog it left open, so that the later steps still run."""

    def __init__(self, args, app, checks):
        self.args = args
        self.app = app
        self.checks = checks
        self.data = os.path.join(os.path.dirname(args.korvan), "Data")
        self.main = None
        self.original = None
        self.copy = None
        self.before = {}

    def projects(self):
        return projects(self.args.cli, self.data)

    def export(self, kod):
        return export(self.args.cli, self.data, kod)

    def tree(self, file):
        os.makedirs(os.path.join(self.args.work, "trees"), exist_ok=True)
        self.app.dump(os.path.join(self.args.work, "trees", file))

    def menu(self, menu, item, prefix=False):
        choose_menu(self.app, self.main, menu, item, prefix=prefix)

    def recover(self):
        """Closes an open menu and every window but the project window with its closing button
        (or Escape)."""
        try:
            x, y, width, height = extents(self.main)
            xdo("mousemove", x + width // 2, y + height // 2)
            press("Escape", "Escape")
        except Exception:
            pass
        for _ in range(4):
            others = [w for w in self.app.windows() if w != self.main]
            if not others:
                return
            w = others[-1]
            button = next((n for n in walk(w) if role(n) in BUTTON and name(n) in CLOSE
                           and showing(n) and enabled(n)), None)
            try:
                if button is not None:
                    click(button)
                else:
                    x, y, width, height = extents(w)
                    xdo("mousemove", x + width // 2, y + 5)
                    press("Escape")
            except Exception:
                pass
            time.sleep(0.5)

    def expect_same(self, rows, expected, what):
        got, want = comparable(rows), comparable(expected)
        diff = []
        for kind, g, w in (("conductor", got[0], want[0]), ("object", got[1], want[1])):
            if len(g) != len(w):
                diff.append("%d %s rows instead of %d" % (len(g), kind, len(w)))
                continue
            for i, (a, b) in enumerate(zip(g, w)):
                diff += ["%s %d %s: %r instead of %r" % (kind, i + 1, k, a.get(k), b.get(k))
                         for k in sorted(set(a) | set(b)) if a.get(k) != b.get(k)]
        self.checks.expect(not diff, what + ("" if not diff else " (%s)" % "; ".join(diff[:6])))

    def start(self):
        self.app.attach()
        # The splash closes after three seconds; the project window holds the menu bar.
        self.main = wait_for("the project window", lambda: next(
            (w for w in self.app.windows() if role(w) == "frame"
             and any(role(c) == "menu bar" for c in children(w))), None), 40)
        log("project window:", repr(name(self.main)))
        self.tree("main.txt")
        first = self.projects()
        self.checks.expect(len(first) == 1, "a fresh Data holds the sample project: %s" % first)
        self.original = first[0][0]
        self.checks.expect(name(self.main) == first[0][1],
                           "the window caption names the open project (%r)" % name(self.main))

    def selection(self):
        self.menu("Молниеотвод", "Ориентировочный подбор")
        height = wait_for("the selection's results", lambda: (self.export(
            self.original).get("conductors") or [{}])[0].get("H"), 15)
        self.checks.expect(float(height) > 0,
                           "the selection stored the design height %s" % height)

    def construction(self):
        """A construction chosen from the catalogue (the report needs one): the search by height
        shows the first one high enough, "ОК" takes it."""
        self.menu("Молниеотвод", "Выбор молниеотвода...")
        w = self.app.window("Конструкции", timeout=15)
        click_button(w, "Создание (обновление) таблицы поиска по высоте молниеотводов")
        self.tree("construction.txt")
        click_button(w, "ОК")
        gone(self.app, w)
        tip = wait_for("the chosen construction", lambda: (self.export(
            self.original).get("conductors") or [{}])[0].get("Tip"), 10)
        self.checks.expect(bool(tip), "the chosen construction is stored (%s)" % tip)

    def placement(self):
        self.menu("Молниеотвод", "Оптимальное размещение...")
        place = self.app.window("Оптимальное размещение", timeout=20)
        self.tree("placement.txt")
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
        # What korvan-cli finds for the same rows, on a copy of the folder.
        expected = self.cli_placement()
        click_button(place, "Расчет")
        # The search runs ("Стоп" enabled) and ends with the variant's X, Y and H: "ОК" is
        # enabled for them.
        ok_button = find(place, BUTTON, "ОК", need_enabled=False)
        stop_button = find(place, BUTTON, "Стоп", need_enabled=False)
        wait_for("the search to start", lambda: enabled(ok_button) or enabled(stop_button), 15)
        wait_for("the search's result", lambda: enabled(ok_button), 60)
        # The variant's row shows its X, Y and H beside its name.
        group = find(place, ("panel", "filler"), "Размещения.", need_enabled=False)
        shown = [name(c) for c in walk(group) if role(c) == "table cell" and name(c)]
        self.checks.expect(len(shown) >= 4 and shown[0] == "V1",
                           "the variant's row shows its X, Y and H: %s" % shown[:4])
        self.tree("placement-done.txt")
        click(ok_button)
        # Applying may ask first.
        time.sleep(0.7)
        if any(w == place for w in self.app.windows()):
            others = [w for w in self.app.windows() if w not in (place, self.main)]
            if others:
                answer(self.app, YES + OK, 10)
        gone(self.app, place)
        cond = (self.export(self.original).get("conductors") or [{}])[0]
        self.checks.expect(abs(float(cond.get("MX") or -1) - expected[0]) < 1e-6
                           and abs(float(cond.get("MY") or -1) - expected[1]) < 1e-6,
                           "the placement moved the conductor to X %s, Y %s as korvan-cli finds"
                           " (%s, %s)" % (expected + (cond.get("MX"), cond.get("MY"))))

    def cli_placement(self):
        """X and Y of the variant as korvan-cli finds them on a copy of the folder."""
        copy = os.path.join(self.args.work, "place-check")
        shutil.rmtree(copy, ignore_errors=True)
        shutil.copytree(self.data, copy)
        out = json.loads(run_cli(self.args.cli, copy, "place", str(self.original),
                                 "--variant", "1"))
        v = out["search"]["variant"]
        log("korvan-cli finds X %s, Y %s, H %s" % (v.get("X"), v.get("Y"), v.get("H")))
        return float(v["X"]), float(v["Y"])

    def save_as(self):
        self.before = {k: self.export(k) for k, _ in self.projects()}
        self.menu("Проект", "Сохранить как...")
        box = self.app.window(None, roles=("dialog",), timeout=15)
        self.tree("saveas.txt")
        field = wait_for("the name field", lambda: next(
            (n for n in walk(box) if role(n) in FIELD and showing(n)), None), 10)
        fill(field, "Копия")
        answer(self.app, OK, 10)
        gone(self.app, box)
        after = self.projects()
        self.copy = next((k for k, n in after if n == "Копия"), None)
        self.checks.expect(len(after) == 2 and self.copy is not None,
                           "save as adds the project \"Копия\": %s" % after)
        if self.copy is not None:
            self.expect_same(self.export(self.copy), self.before[self.original],
                             "the copy has the original's conductor and objects")

    def delete_and_undo(self):
        wait_for("the copy to be open", lambda: name(self.main) == "Копия", 10)
        self.menu("Проект", "Удалить...")
        answer(self.app, YES, 10)
        wait_for("the copy to be gone", lambda: len(self.projects()) == 1, 15)
        self.checks.expect([k for k, _ in self.projects()] == [self.original],
                           "delete removes the copy and keeps the original")
        self.menu("Правка", "Отменить", prefix=True)
        wait_for("the copy to come back",
                 lambda: self.copy in [k for k, _ in self.projects()], 15)
        after = {k: self.export(k) for k, _ in self.projects()}
        self.checks.expect(self.original in after,
                           "after the undo the original project is still there")
        if self.original in after:
            self.checks.expect(after[self.original] == self.before[self.original],
                               "after the undo the original project has exactly its rows")
        restored = after.get(self.copy)
        self.checks.expect(restored is not None, "after the undo the copy is back")
        if restored is not None:
            self.expect_same(restored, self.before[self.original],
                             "after the undo the copy has its conductor and objects again")

    def report(self):
        report = os.path.join(self.args.work, "smoke-report.docx")
        self.menu("Проект", "Экспорт отчета в Microsoft Word")
        def file_field():
            for w in reversed(self.app.windows()):
                if w == self.main:
                    continue
                for n in walk(w):
                    if role(n) in FIELD and showing(n) \
                            and name(n).rstrip(":") in ("Имя файла", "File name"):
                        return n
            return None
        # The report settings may come first (when the settings ask for them): "ОК" goes on.
        for _ in range(3):
            w = self.app.window(None, roles=("dialog", "file chooser", "alert"), timeout=15)
            if role(w) == "alert":
                said = " ".join(name(n) for n in walk(w) if role(n) == "label")
                answer(self.app, OK, 5)
                raise SmokeFailure("korvan said: " + said)
            try:
                field = wait_for("the file name field", file_field, 4)
                break
            except SmokeFailure:
                self.tree("before-filedialog.txt")
                answer(self.app, OK, 5)
        else:
            raise SmokeFailure("no file dialog for the report")
        self.tree("filedialog.txt")
        fill(field, report)
        press("Return")
        wait_for("the report file", lambda: os.path.exists(report)
                 and os.path.getsize(report) > 10000, 90)
        time.sleep(1.0)
        with open(report, "rb") as f:
            self.checks.expect(f.read(2) == b"PK", "the report is a .docx file")

    def quit(self, korvan):
        self.menu("Проект", "Выход")
        try:
            korvan.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise SmokeFailure("korvan did not quit")
        self.checks.expect(korvan.returncode == 0,
                           "korvan quit with code 0 (%s)" % korvan.returncode)

    def stored(self):
        final = self.projects()
        self.checks.expect(len(final) == 2, "korvan-cli lists both projects: %s" % final)
        for k, _ in final:
            rows = self.export(k)
            self.checks.expect(bool(rows.get("conductors")) and bool(rows.get("objects")),
                               "project %d has its conductor and objects" % k)


def end_group(proc):
    """Ends a process started here and everything it started: TERM, then KILL."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            break
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            continue
        time.sleep(0.2)


def main():
    global LOG
    p = argparse.ArgumentParser()
    p.add_argument("--korvan", required=True)
    p.add_argument("--cli", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--steps", default="",
                   help="comma-separated step names to run (default: all), for trying one")
    args = p.parse_args()
    LOG = open(os.path.join(args.work, "smoke.log"), "w")

    # Each in a process group of its own, so that the end takes their children too (the
    # accessibility bus daemon and registry).
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           start_new_session=True)
    time.sleep(1.0)
    korvan = subprocess.Popen([args.korvan], cwd=args.work,
                              stdout=open(os.path.join(args.work, "korvan.out"), "w"),
                              stderr=subprocess.STDOUT, start_new_session=True)
    app = App(korvan)
    checks = Checks()
    day = Day(args, app, checks)
    steps = [("start-up", day.start), ("selection", day.selection),
             ("construction", day.construction),
             ("placement", day.placement), ("save as", day.save_as),
             ("delete and undo", day.delete_and_undo), ("report", day.report),
             ("quit", lambda: day.quit(korvan))]
    if args.steps:
        wanted = {"start-up"} | set(args.steps.split(","))
        steps = [(n, r) for n, r in steps if n in wanted]
    try:
        for step, run in steps:
            log("--- " + step)
            try:
                run()
            except Exception as e:  # a failed wait, a vanished widget, a korvan-cli refusal
                checks.expect(False, "step %s: %s: %s" % (step, type(e).__name__, e))
                try:
                    app.dump(os.path.join(args.work, "tree-at-failure-%s.txt"
                                          % step.replace(" ", "-")))
                except Exception:
                    pass
                if step == "start-up" or korvan.poll() is not None:
                    break
                day.recover()
        if korvan.poll() is not None:
            log("--- stored rows")
            day.stored()
    finally:
        for proc in (korvan, bus):
            end_group(proc)

    if checks.failed:
        log("smoke: %d check(s) failed:" % len(checks.failed))
        for f in checks.failed:
            log("  " + f)
        return 1
    log("smoke: every step passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
