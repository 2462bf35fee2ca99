"""The end-to-end suite's view of a teacher's desktop: the real program started on a bank of the test's own,
found and read through the accessibility tree (AT-SPI, as a screen reader reads it), driven with real keys and
clicks (xdotool), and checked in the database file (sqlite3).

Qt's popup menus and the open list of a combo box are top-level windows of their own that do not show in the
accessibility tree: pick from them with the keyboard. Line breaks come through the accessibility layer as LF.
Under load windows take their time: wait for a state (wait_until), never for a fixed time alone."""
import os
import shutil
import signal
import sqlite3
import subprocess
import time

import pyatspi


class Fail(Exception):
    pass


def check(cond, msg):
    if not cond:
        raise Fail(msg)


def wait_until(pred, msg, timeout=10.0, step=0.1):
    """Polls pred until it returns something true and returns that; fails with msg (a text or a callable giving
    one) when the time is up."""
    end = time.time() + timeout
    while True:
        try:
            got = pred()
        except (Fail, LookupError, RuntimeError, AttributeError):
            got = None
        if got:
            return got
        if time.time() > end:
            raise Fail(msg() if callable(msg) else msg)
        time.sleep(step)


# --- the accessibility tree -------------------------------------------------------------------------------

def role(n):
    try:
        return n.getRoleName()
    except Exception:
        return '?'


def name(n):
    try:
        return n.name or ''
    except Exception:
        return ''


def states(n):
    try:
        return n.getState()
    except Exception:
        return None


def has_state(n, state):
    s = states(n)
    return bool(s and s.contains(state))


def text_of(n):
    """What a control shows: its text when it has one, otherwise its name."""
    try:
        if 'Text' in pyatspi.listInterfaces(n):
            return n.queryText().getText(0, -1)
    except Exception:
        pass
    return name(n)


def walk(n, depth=0):
    yield n
    if depth > 40:
        return
    try:
        count = n.childCount
    except Exception:
        return
    for i in range(min(count, 5000)):
        try:
            c = n.getChildAtIndex(i)
        except Exception:
            continue
        if c is not None:
            yield from walk(c, depth + 1)


def plain(s):
    """A caption as a person reads it: without its mnemonic ampersands."""
    return (s or '').replace('&&', '\0').replace('&', '').replace('\0', '&')


def find_all(root, label=None, roles=None, pred=None):
    out = []
    for n in walk(root):
        if roles and role(n) not in roles:
            continue
        if label is not None and plain(name(n)) != label:
            continue
        if pred and not pred(n):
            continue
        out.append(n)
    return out


def find(root, label=None, roles=None, pred=None, timeout=5.0):
    """The first control under root named label (mnemonic ampersands ignored) with one of the roles."""
    return wait_until(lambda: (find_all(root, label, roles, pred) or [None])[0],
                      lambda: f'nothing named {label!r} {roles or ""} under {role(root)} {name(root)!r}; '
                              f'there are: {sorted({(role(n), name(n)) for n in walk(root) if name(n)})[:60]}',
                      timeout)


def button(root, label, timeout=5.0):
    return find(root, label, ('push button', 'toggle button', 'check box', 'radio button', 'page tab'),
                timeout=timeout)


def extents(n):
    return n.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


def centre(n):
    x, y, w, h = extents(n)
    return x + w // 2, y + h // 2


def showing(n):
    return has_state(n, pyatspi.STATE_SHOWING)


# --- the keyboard and the mouse ---------------------------------------------------------------------------

def xdo(*args):
    subprocess.run(['xdotool', *[str(a) for a in args]], check=True)


def settle(seconds=0.25):
    time.sleep(seconds)


def keys(*ks):
    """Presses each key chord in turn (xdotool names: Return, Escape, F5, ctrl+Delete, alt+F4, ...)."""
    for k in ks:
        xdo('key', '--clearmodifiers', k)
        settle(0.15)


def type_text(s):
    xdo('type', '--delay', 30, s)
    settle(0.2)


def click_at(x, y, button=1, double=False):
    xdo('mousemove', '--sync', x, y)
    if double:
        xdo('click', '--repeat', 2, '--delay', 80, button)
    else:
        xdo('click', button)
    settle(0.3)


def click(n, button=1, double=False, dx=0, dy=0):
    x, y = centre(n)
    click_at(x + dx, y + dy, button, double)


def close_window():
    """Closes the active window as its close box does (the window manager's close, Alt+F4)."""
    keys('alt+F4')


def menu_pick(position):
    """Chooses the item at position (1 = first, separators not counted) of the drop-down menu open now."""
    settle(0.3)
    keys(*(['Down'] * position), 'Return')


# --- the screen --------------------------------------------------------------------------------------------

def grab(x, y, w, h):
    """The screen's pixels in a rectangle (desktop coordinates), as rows of (r, g, b)."""
    import ctypes
    import ctypes.util
    xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library('X11'))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XGetImage.restype = ctypes.c_void_p
    xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                               ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    xlib.XGetPixel.restype = ctypes.c_ulong
    xlib.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
    xlib.XDestroyImage.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(os.environ['DISPLAY'].encode())
    check(display, 'cannot open the display')
    try:
        image = xlib.XGetImage(display, xlib.XDefaultRootWindow(display), x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        check(image, f'cannot read the screen at {x, y, w, h}')
        try:
            rows = []
            for j in range(h):
                row = []
                for i in range(w):
                    p = xlib.XGetPixel(image, i, j)
                    row.append(((p >> 16) & 255, (p >> 8) & 255, p & 255))
                rows.append(row)
            return rows
        finally:
            xlib.XDestroyImage(image)
    finally:
        xlib.XCloseDisplay(display)


# --- the program and its bank -----------------------------------------------------------------------------

SANITIZER_MARKS = ('ERROR: AddressSanitizer', 'runtime error:', 'ERROR: LeakSanitizer', 'AddressSanitizer:DEADLYSIGNAL')


class Desk:
    """One test's folder: the program copied there beside its database, Quorvel.mdb."""

    def __init__(self, build, folder):
        self.build = build
        self.folder = folder
        self.db = os.path.join(folder, 'Quorvel.mdb')
        self.log = os.path.join(folder, 'app.log')
        self.proc = None
        self.app = None

    # the bank
    def tool(self, name, *args, check_rc=True, timeout=60):
        r = subprocess.run([os.path.join(self.build, name), *[str(a) for a in args]], capture_output=True,
                           text=True, timeout=timeout, env={**os.environ, 'QT_QPA_PLATFORM': 'offscreen'})
        if check_rc and r.returncode != 0:
            raise Fail(f'{name} {args} failed ({r.returncode}): {r.stdout}{r.stderr}')
        return r

    def bank(self, groups=(), questions=(), exams=(), entries=()):
        """A new bank: groups are names (IDs from 1), questions (rid, group, text, a1, a2, a3, a4, correct,
        cancelled), exams (name, password, passive) with IDs from 1, entries (qqID, exam, rid)."""
        if os.path.exists(self.db):
            os.remove(self.db)
        self.tool('quorvel-mkdb', self.db)
        with sqlite3.connect(self.db) as c:
            c.executemany('INSERT INTO tqgroup (GROUPNAME) VALUES (?)', [(g,) for g in groups])
            c.executemany('INSERT INTO tqmaster (rid, qgrp, question, answer1, answer2, answer3, answer4, '
                          'true_answer, sts) VALUES (?,?,?,?,?,?,?,?,?)', list(questions))
            c.executemany('INSERT INTO qgroup (GROUPNAME, GROUPPASS, DRM) VALUES (?,?,?)', list(exams))
            c.executemany('INSERT INTO qquestion VALUES (?,?,?)', list(entries))
        return self

    @staticmethod
    def questions(group, count, first_rid=1, prefix='Soru'):
        """count plain questions of a group, correct answer cycling A-D, none cancelled."""
        return [(first_rid + i, group, f'{prefix} {first_rid + i}', f'{prefix} {first_rid + i} a',
                 f'{prefix} {first_rid + i} b', f'{prefix} {first_rid + i} c', f'{prefix} {first_rid + i} d',
                 str(i % 4 + 1), 0) for i in range(count)]

    def q(self, sql, *args):
        c = sqlite3.connect(self.db, timeout=10)
        try:
            return c.execute(sql, args).fetchall()
        finally:
            c.close()

    # the program
    def start(self, title_part='Tessary by Morvelin', timeout=30):
        """Starts the program on the folder's bank and waits for its main window; returns the App."""
        exe = os.path.join(self.folder, 'Quorvel.exe')
        shutil.copy2(os.path.join(self.build, 'Quorvel.exe'), exe)
        env = {**os.environ, 'ASAN_OPTIONS': 'detect_leaks=0', 'UBSAN_OPTIONS': 'print_stacktrace=1'}
        env.pop('QT_QPA_PLATFORM', None)
        with open(self.log, 'ab') as log:
            self.proc = subprocess.Popen([exe], cwd='/', stdout=log, stderr=subprocess.STDOUT, env=env)
        self.app = App(self.proc, timeout)
        self.main = self.app.window(title_part, exact=False, timeout=timeout)
        settle(0.5)
        return self.app

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=15):
        wait_until(lambda: not self.running(), 'the program did not end', timeout)

    def stop(self):
        """Ends the program if it still runs; returns what the sanitizers reported, if anything."""
        if self.running():
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        if not os.path.exists(self.log):
            return ''
        with open(self.log, encoding='utf-8', errors='replace') as f:
            text = f.read()
        return text if any(m in text for m in SANITIZER_MARKS) else ''

    def dump(self):
        """What a failing test leaves to look at: the windows showing, the focus, a screenshot."""
        try:
            if self.app:
                print('windows:', self.app.titles())
                print('focus:', describe(self.app.focused()))
        except Exception as e:
            print('(no accessibility dump:', e, ')')
        if shutil.which('import'):
            subprocess.run(['import', '-window', 'root', os.path.join(self.folder, 'screen.png')],
                           capture_output=True)
            print('screenshot:', os.path.join(self.folder, 'screen.png'))


def describe(n):
    if n is None:
        return None
    path = []
    while n is not None and role(n) not in ('application', '?'):
        path.append(f'{role(n)} {name(n)!r}')
        try:
            n = n.parent
        except Exception:
            break
    return ' < '.join(path)


class App:
    """The running program on the accessibility bus."""

    def __init__(self, proc, timeout=30):
        self.proc = proc
        desktop = pyatspi.Registry.getDesktop(0)

        def mine():
            if proc.poll() is not None:
                raise Fail(f'the program ended at start with {proc.returncode}')
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                try:
                    if a is not None and a.get_process_id() == proc.pid:
                        return a
                except Exception:
                    pass
            return None
        self.node = wait_until(mine, 'the program did not appear on the accessibility bus', timeout, 0.2)

    def windows(self):
        out = []
        for i in range(self.node.childCount):
            w = self.node.getChildAtIndex(i)
            if w is not None and showing(w):
                out.append(w)
        return out

    def titles(self):
        return [(role(w), name(w)) for w in self.windows()]

    def window(self, title=None, roles=None, timeout=10.0, exact=True):
        def found():
            for w in self.windows():
                if roles and role(w) not in roles:
                    continue
                if title is None or (name(w) == title if exact else title in name(w)):
                    return w
            return None
        return wait_until(found, lambda: f'no window {title!r}; showing: {self.titles()}', timeout)

    def no_window(self, title, timeout=10.0):
        wait_until(lambda: not any(name(w) == title for w in self.windows()),
                   lambda: f'window {title!r} still showing; showing: {self.titles()}', timeout)

    def alert(self, timeout=10.0):
        """The message box showing now: (window, caption, texts with CR LF line breaks, button names)."""
        w = wait_until(self._box, lambda: f'no message box; showing: {self.titles()}', timeout)
        texts = [text_of(n).replace('\n', '\r\n') for n in walk(w) if role(n) == 'label' and text_of(n)]
        buttons = [plain(name(n)) for n in walk(w) if role(n) == 'push button']
        return w, name(w), texts, buttons

    def _box(self):
        for w in reversed(self.windows()):
            if role(w) == 'alert':
                return w
        return None

    def no_alert(self, timeout=5.0):
        wait_until(lambda: self._box() is None, lambda: f'a message box still shows: {self.titles()}', timeout)

    def answer(self, label, expect_text=None, timeout=10.0):
        """Answers the message box showing now with its button label (by keyboard: Tab to it, Space) and
        returns the box's texts; with expect_text the box must say it."""
        w, caption, texts, buttons = self.alert(timeout)
        if expect_text is not None:
            check(any(expect_text in t for t in texts), f'box {caption!r} says {texts}, not {expect_text!r}')
        b = find(w, label, ('push button',))
        click(b)
        wait_until(lambda: not showing(w) or w not in self.windows(), f'box {caption!r} did not close')
        settle(0.3)
        return caption, texts

    def focused(self):
        """The control that has the keyboard focus, from the active window down."""
        for w in self.windows():
            if not has_state(w, pyatspi.STATE_ACTIVE):
                continue
            for n in walk(w):
                if has_state(n, pyatspi.STATE_FOCUSED) and n is not w:
                    return n
        return None
