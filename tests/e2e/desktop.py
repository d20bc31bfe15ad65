"""Drives the real program on a private X server the way a person does.

A test starts a Desktop (Xvfb with openbox), starts Plattera on it and then speaks in the
user's terms: click a toolbar button by its caption, tick a box, type into the track editor,
choose a file in Qt's own file dialog, read a sheet's pixels off the screen. Positions come
from the window's layout (client coordinates of each control), so a click lands where a
person would click. Every step that fails leaves a screenshot in the build folder.
"""

import contextlib
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image
from Xlib import X, Xatom, display as xdisplay

MAIN_TITLE = "Plattera v2.1"
EDITOR_TITLE = "Plattera v2.1 - Edit Tracks"
SCREEN = (1024, 768)

# Toolbar of the main window: nine 81 x 57 buttons every 88 pixels from the client's left edge.
TOOLBAR = ["New Cover", "Edit Tracks", "Font type/color", "Left", "Center", "Image", "Print",
           "Close", "About"]

# Controls of the main window: left, top, width, height in client coordinates (group box origin
# plus the control's place in it).
MAIN_CONTROLS = {
    "Vertical lines": (576 + 32, 78 + 32, 97, 17),
    "Back": (576 + 32, 78 + 56, 97, 17),
    "Front": (576 + 32, 78 + 80, 97, 17),
    "Color": (576 + 43, 78 + 104, 75, 25),
    "Panel2": (576 + 64, 78 + 136, 33, 25),
    "No text on front cover": (576 + 15, 266 + 24, 130, 17),
    "Extend back picture": (576 + 16, 266 + 56, 121, 17),
}
CHECK_BOXES = ("Vertical lines", "Back", "Front", "No text on front cover", "Extend back picture")
NOTEBOOK = (8, 64, 529, 452)

# Sheets: left, top on their notebook page, width, height.
SHEETS = {
    "Image1": (60, 18, 400, 353),
    "Image2": (39, 18, 22, 353),
    "Image3": (459, 18, 22, 353),
    "Image4": (80, 18, 361, 353),
}
BACK_STRIP = (39, 18, 442, 353)  # what the three back sheets show together

# Track editor: client coordinates (group box origin plus the control's place in it).
EDITOR_CONTROLS = {
    "Continue": (218, 384, 75, 25),
    "ListBox1": (16 + 16, 8 + 56, 177, 153),
    "Edit1": (16 + 16, 8 + 248, 177, 21),
    "Insert": (16 + 75, 8 + 288, 75, 25),
    "Edit3": (272 + 24, 8 + 56, 177, 21),
    "Edit2": (272 + 24, 8 + 248, 177, 21),
}
LIST_ROW_HEIGHT = 13

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)


# cupsd and lpadmin live in sbin, which an ordinary user's PATH may lack.
TOOL_PATH = os.environ.get("PATH", "") + ":/usr/sbin:/sbin"


def tool(name):
    return shutil.which(name, path=TOOL_PATH) or name


def _die_with_the_suite():
    """Run in each child before it starts: it gets SIGTERM when the suite's process ends, so
    a killed run (a CTest timeout) leaves no X server, window manager or scheduler behind."""
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def spawn(args, **kwargs):
    return subprocess.Popen(args, preexec_fn=_die_with_the_suite, **kwargs)


class StepFailed(AssertionError):
    pass


def wait_until(predicate, timeout, what):
    """Polls predicate until it returns a true value; raises StepFailed naming `what`."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise StepFailed("timed out waiting for " + what)
        time.sleep(0.05)


def wait_quiet(sample, quiet, timeout, what):
    """Samples until the value has stayed the same for `quiet` seconds and returns it: the way
    to wait for something to be over when nothing announces its end. Raises StepFailed naming
    `what` when it keeps changing."""
    last, since = sample(), time.monotonic()
    deadline = since + timeout
    while time.monotonic() < deadline:
        time.sleep(0.05)
        value = sample()
        if value != last:
            last, since = value, time.monotonic()
        elif time.monotonic() - since >= quiet:
            return value
    raise StepFailed(what + " keeps changing")


# By program name. kwin_x11 is KDE Plasma's window manager on X.
WINDOW_MANAGERS = {"openbox": ["openbox", "--sm-disable"],
                   "metacity": ["metacity", "--sm-disable", "--no-composite"],
                   "kwin_x11": ["kwin_x11", "--replace"]}


class Desktop:
    """Xvfb on a display number it picks itself, with openbox, metacity (which frames windows as
    GNOME's mutter does; its settings in memory) or kwin, torn down on exit."""

    def __init__(self, workdir, dpi=None, window_manager="openbox"):
        self.workdir = workdir
        self.dpi = dpi
        self.window_manager = window_manager
        self._procs = []

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        args = ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % SCREEN,
                "-noreset", "-nolisten", "tcp"]
        if self.dpi:
            args += ["-dpi", str(self.dpi)]
        xvfb = spawn(args, pass_fds=(write_fd,), stderr=subprocess.DEVNULL)
        os.close(write_fd)
        self._procs.append(xvfb)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.__exit__(None, None, None)
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number
        self.x = xdisplay.Display(self.name)
        self.root = self.x.screen().root
        env = dict(os.environ, DISPLAY=self.name, GSETTINGS_BACKEND="memory")
        if self.window_manager == "kwin_x11":
            env = self._kde_session(env)
        self._procs.append(spawn(WINDOW_MANAGERS[self.window_manager], env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_until(lambda: self._wm_running(), 30, self.window_manager + " to manage the screen")
        return self

    def _kde_session(self, env):
        """What kwin needs beside the display: a session bus, and a home of its own for the
        settings it writes."""
        home = tempfile.mkdtemp(prefix="kde-", dir=self.workdir)
        runtime = os.path.join(home, ".run")
        os.makedirs(runtime, mode=0o700)
        env = {k: v for k, v in env.items() if not k.startswith("XDG_")}
        env.update(HOME=home, XDG_RUNTIME_DIR=runtime)
        read_fd, write_fd = os.pipe()
        self._procs.append(spawn(["dbus-daemon", "--session", "--nofork",
                                  "--print-address=%d" % write_fd], pass_fds=(write_fd,), env=env,
                                 stderr=subprocess.DEVNULL))
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            env["DBUS_SESSION_BUS_ADDRESS"] = pipe.readline().strip()
        return env

    def __exit__(self, *exc):
        if hasattr(self, "x"):
            self.x.close()
        for proc in reversed(self._procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()

    def _wm_running(self):
        atom = self.x.intern_atom("_NET_SUPPORTING_WM_CHECK")
        return self.root.get_full_property(atom, X.AnyPropertyType) is not None

    def env(self):
        return {"DISPLAY": self.name}

    def set_xft_dpi(self, dpi):
        """What `xrdb -merge` of "Xft.dpi: N" does: the resource string on the root window."""
        atom = self.x.intern_atom("RESOURCE_MANAGER")
        self.root.change_property(atom, Xatom.STRING, 8,
                                  ("Xft.dpi:\t%d\n" % dpi).encode())
        self.x.sync()

    # Input, through XTest (xdotool).
    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=dict(os.environ, DISPLAY=self.name),
                       check=True, stdout=subprocess.DEVNULL)

    def move_to(self, x, y):
        pointer = self.root.query_pointer()
        if (pointer.root_x, pointer.root_y) != (x, y):  # --sync waits for a motion that must come
            self.xdotool("mousemove", "--sync", x, y)

    def click_at(self, x, y, modifiers=None):
        self.move_to(x, y)
        if modifiers:
            self.xdotool("keydown", modifiers, "click", 1, "keyup", modifiers)
        else:
            self.xdotool("click", 1)

    def type_text(self, text):
        self.xdotool("type", "--delay", 4, text)

    def key(self, *keys):
        self.xdotool("key", "--delay", 20, *keys)

    # Output: the screen and the windows on it.
    def grab(self, box=None):
        """The screen (or a box of it: left, top, width, height) as an RGB image."""
        left, top, width, height = box or (0, 0) + SCREEN
        raw = self.root.get_image(left, top, width, height, X.ZPixmap, 0xFFFFFFFF)
        return Image.frombytes("RGB", (width, height), raw.data, "raw", "BGRX")

    def windows(self):
        """Viewable top-level client windows as (title, window)."""
        found = []
        name_atom = self.x.intern_atom("_NET_WM_NAME")
        utf8 = self.x.intern_atom("UTF8_STRING")
        wm_state = self.x.intern_atom("WM_STATE")

        def walk(win, depth):
            try:
                attrs = win.get_attributes()
                prop = win.get_full_property(name_atom, utf8)
                children = win.query_tree().children
            except Exception:  # a window may vanish while we look
                return
            title = prop.value.decode("utf-8", "replace") if prop else None
            # Only windows the window manager manages (they carry WM_STATE): not its own.
            if (title and attrs.map_state == X.IsViewable
                    and win.get_full_property(wm_state, X.AnyPropertyType) is not None):
                found.append((title, win))
                return
            if depth < 3:
                for child in children:
                    walk(child, depth + 1)

        for child in self.root.query_tree().children:
            walk(child, 1)
        return found

    def find_window(self, title, timeout=15, exclude=None):
        pattern = re.compile(title)

        def look():
            for name, win in self.windows():
                if pattern.fullmatch(name) and (exclude is None or win.id != exclude.win.id):
                    return Window(self, win, name)
            return None
        window = wait_until(look, timeout, "a window titled %r" % title)
        window.settle()
        return window

    def window_gone(self, title, timeout=10):
        pattern = re.compile(title)
        wait_until(lambda: not any(pattern.fullmatch(n) for n, _ in self.windows()), timeout,
                   "the window %r to close" % title)


    def popup_open(self):
        """Whether a pop-up list (an override-redirect window) is shown."""
        for child in self.root.query_tree().children:
            with contextlib.suppress(Exception):
                attrs = child.get_attributes()
                if attrs.override_redirect and attrs.map_state == X.IsViewable:
                    geometry = child.get_geometry()
                    if geometry.width > 10 and geometry.height > 10:
                        return True
        return False

    def settled_popup(self, quiet=0.3, timeout=10):
        """Whether a pop-up list is shown, once that has stayed so for `quiet` seconds."""
        return wait_quiet(self.popup_open, quiet, timeout, "whether a pop-up list is shown")

    def window_gone_by_id(self, window, timeout=10):
        wait_until(lambda: all(w.id != window.win.id for _, w in self.windows()), timeout,
                   "the window %r to close" % window.title)


class Window:
    def __init__(self, desktop, win, title):
        self.desktop = desktop
        self.win = win
        self.title = title

    def client_origin(self):
        coords = self.win.translate_coords(self.desktop.root, 0, 0)
        return -coords.x, -coords.y

    def client_size(self):
        geometry = self.win.get_geometry()
        return geometry.width, geometry.height

    def frame_extents(self):
        atom = self.desktop.x.intern_atom("_NET_FRAME_EXTENTS")
        prop = self.win.get_full_property(atom, X.AnyPropertyType)
        return tuple(prop.value) if prop else (0, 0, 0, 0)  # left, right, top, bottom

    def close(self):
        """What the frame's close box does: asks the window manager to close the window, whichever
        window has the keyboard (a key press would go to the focused one)."""
        from Xlib.protocol import event
        atom = self.desktop.x.intern_atom("_NET_CLOSE_WINDOW")
        request = event.ClientMessage(window=self.win, client_type=atom,
                                      data=(32, [X.CurrentTime, 2, 0, 0, 0]))
        self.desktop.root.send_event(request, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        self.desktop.x.flush()

    def outer_rect(self):
        (x, y), (w, h) = self.client_origin(), self.client_size()
        left, right, top, bottom = self.frame_extents()
        return x - left, y - top, w + left + right, h + top + bottom

    def settle(self, quiet=0.3, timeout=10):
        """Waits until the window manager's frame and the program's own sizing are done: the
        outer rectangle stays the same for `quiet` seconds."""
        return wait_quiet(self.outer_rect, quiet, timeout, "the size of the window %r" % self.title)

    def has_focus(self):
        """Whether key presses go to this window: the X input focus is on it or inside it."""
        focus = self.desktop.x.get_input_focus().focus
        while not isinstance(focus, int) and focus.id != self.desktop.root.id:
            if focus.id == self.win.id:
                return True
            focus = focus.query_tree().parent
        return False

    def wait_for_focus(self, timeout=10):
        """Waits until the window manager has given the window the keyboard: keys sent before
        would go to the window that had it."""
        wait_until(self.has_focus, timeout, "the keyboard focus in %r" % self.title)

    def wait_for_pixels(self, predicate, what, box=None, timeout=10):
        """The window's pixels (or a box of them) once predicate holds for them."""
        def look():
            shot = self.grab(box)
            return shot if predicate(shot) else None
        return wait_until(look, timeout, what)

    def settled_grab(self, box=None, quiet=0.3, timeout=15):
        """The window's pixels (or a box of them) once they stay the same for `quiet` seconds:
        drawing has ended, and an area a closed window left has been repainted."""
        return wait_quiet(lambda: self.grab(box), quiet, timeout, "what %r shows" % self.title)

    def to_screen(self, x, y):
        ox, oy = self.client_origin()
        return ox + x, oy + y

    def click(self, x, y, modifiers=None):
        self.desktop.click_at(*self.to_screen(x, y), modifiers=modifiers)

    def click_control(self, box, modifiers=None):
        left, top, width, height = box
        self.click(left + width // 2, top + height // 2, modifiers)

    def grab(self, box=None):
        left, top, width, height = box or ((0, 0) + self.client_size())
        x, y = self.to_screen(left, top)
        return self.desktop.grab((x, y, width, height))


class Plattera:
    """The program under test, started with a private HOME and closed by its Close button."""

    def __init__(self, desktop, binary, home, extra_env=None, args=(), cups_server=None,
                 find_sheets=True):
        self.desktop = desktop
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("QT_", "XDG_", "DISPLAY", "WAYLAND"))}
        env.update(desktop.env())
        env.update(HOME=home, XDG_RUNTIME_DIR=os.path.join(home, ".run"), LANG="C.UTF-8")
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        if cups_server:
            env["CUPS_SERVER"] = cups_server
        env.update(extra_env or {})
        env = {k: v for k, v in env.items() if v is not None}  # None: not set at all
        desktop.move_to(1, 1)  # the pointer over nothing of the new window: no hover highlight
        self.log = tempfile.TemporaryFile()
        self.proc = spawn([binary, *args], env=env, stdout=self.log, stderr=subprocess.STDOUT)
        self.page_origin = None
        try:
            self.main = desktop.find_window(re.escape(MAIN_TITLE), timeout=30)
            if find_sheets:  # now, while no dialog covers the notebook
                wait_until(self._found_page_origin, 10, "the back outline drawn at start-up")
        except StepFailed as failure:
            self.proc.kill()
            self.proc.wait()
            raise StepFailed("%s; the program said:\n%s" % (failure, self.output()[-3000:]))

    def output(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace")

    def close(self):
        """Closes the program as the user does and returns its exit status and output."""
        if self.proc.poll() is None:
            with contextlib.suppress(Exception):
                for _ in range(3):  # dismiss any dialog still open
                    names = [n for n, _ in self.desktop.windows()]
                    if names == [MAIN_TITLE] or not names:
                        break
                    self.desktop.key("Escape")
                    with contextlib.suppress(StepFailed):  # a window Escape leaves open
                        wait_until(lambda: len(self.desktop.windows()) < len(names), 2,
                                   "a dialog to close on Escape")
                self.click_button("Close")
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.send_signal(signal.SIGKILL)
                self.proc.wait()
                return None, "the program did not end on its Close button\n" + self.output()
        return self.proc.returncode, self.output()

    # The main window.
    def click_button(self, caption):
        index = TOOLBAR.index(caption)
        # A bitmap button: the caption above its glyph; a person clicks on the caption.
        self.main.click(index * 88 + 40, 20)

    def click_control(self, name, modifiers=None):
        left, top, width, height = MAIN_CONTROLS[name]
        if name in CHECK_BOXES:  # on the box itself: the caption may be shorter than the control
            self.main.click(left + 7, top + height // 2, modifiers)
        else:
            self.main.click_control(MAIN_CONTROLS[name], modifiers)

    def show_page(self, name):
        # The tabs start at the notebook's top-left corner; each caption is a few letters wide.
        x = NOTEBOOK[0] + (20 if name == "Back" else 60)
        self.main.click(x, NOTEBOOK[1] + 8)
        wait_until(lambda: self.page_shown() == name, 10, "the %s page" % name)

    def page_shown(self):
        """ "Front" or "Back": on the Front page the page's own background shows where the
        Back page has its left spine, left of the front sheet."""
        left, top, _, _ = self.sheet_box("back strip")
        row = self.main.grab((left - 30, top + 180, 41, 1))  # page columns 9 to 49
        return "Front" if row.getpixel((0, 0)) == row.getpixel((40, 0)) else "Back"

    def find_page_origin(self):
        """Finds the "Back" page's origin from the back outline's top row (442 black pixels),
        which start-up draws; everything the sheets show is read relative to it."""
        shot = self.main.grab(NOTEBOOK)
        width, height = shot.size
        pixels = shot.load()
        for y in range(height):
            run = 0
            for x in range(width):
                run = run + 1 if pixels[x, y] == BLACK else 0
                if run == BACK_STRIP[2] and (x + 1 >= width or pixels[x + 1, y] != BLACK):
                    left = x + 1 - run
                    self.page_origin = (NOTEBOOK[0] + left - BACK_STRIP[0],
                                        NOTEBOOK[1] + y - BACK_STRIP[1])
                    return self.page_origin
        raise StepFailed("no back outline in the notebook")

    def _found_page_origin(self):
        try:
            return self.find_page_origin()
        except StepFailed:
            return None

    def sheet_box(self, name):
        if self.page_origin is None:
            raise StepFailed("the sheets were not found at start-up")
        left, top, width, height = BACK_STRIP if name == "back strip" else SHEETS[name]
        return self.page_origin[0] + left, self.page_origin[1] + top, width, height

    def sheet(self, name):
        """The pixels of a sheet as the screen shows them ("Image1".."Image4" or "back strip")."""
        return self.main.grab(self.sheet_box(name))

    def settled_sheet(self, name, quiet=0.2, timeout=15):
        """The sheet once the screen shows the same pixels there for `quiet` seconds: a closed
        window's area may be repainted a moment after the window went away."""
        return self.main.settled_grab(self.sheet_box(name), quiet, timeout)

    def wait_for_sheet(self, name, predicate, what, timeout=15):
        return wait_until(lambda: predicate(self.sheet(name)), timeout, what)

    # The track editor.
    def open_track_editor(self):
        self.click_button("Edit Tracks")
        return TrackEditor(self.desktop, self.desktop.find_window(re.escape(EDITOR_TITLE)))

    # Qt's own dialogs.
    def choose_picture(self, path):
        """Image on the current page, through Qt's file dialog: type the path, press Return."""
        self.click_button("Image")
        dialog = self.desktop.find_window(r"(?!Plattera).*")
        dialog.wait_for_focus()  # the dialog's own focus is on its file name box from the start
        self.desktop.key("ctrl+a")
        self.desktop.type_text(path)
        self.desktop.key("Return")
        return dialog


class TrackEditor:
    def __init__(self, desktop, window):
        self.desktop = desktop
        self.window = window

    def replace_text(self, field, text):
        self.window.click_control(EDITOR_CONTROLS[field])
        self.desktop.key("ctrl+a")
        self.desktop.type_text(text)

    def add_track(self, text):
        self.window.click_control(EDITOR_CONTROLS["Edit1"])
        self.desktop.type_text(text)
        self.desktop.key("Return")

    def click_track(self, index, modifiers=None):
        left, top, width, _ = EDITOR_CONTROLS["ListBox1"]
        self.window.click(left + width // 3, top + 2 + index * LIST_ROW_HEIGHT + LIST_ROW_HEIGHT // 2,
                          modifiers)

    def click_empty_list_area(self):
        left, top, width, height = EDITOR_CONTROLS["ListBox1"]
        self.window.click(left + width // 2, top + height - 6)

    def press_continue(self):
        self.window.click_control(EDITOR_CONTROLS["Continue"])
        self.desktop.window_gone(re.escape(EDITOR_TITLE))


# Paper sizes a test queue offers: PPD name, width and height in points.
A4, A5 = ("A4", 595, 842), ("A5", 420, 595)


class PrintQueue:
    """A private CUPS scheduler with queues (A4 unless told) whose devices write each job to a
    file; the first, NAME, is the default unless another is added as such.

    Its configuration, spool, socket and logs live in one temporary folder: nothing of the
    system's CUPS is read for settings or changed, and the scheduler stops with the suite."""

    NAME = "plattera-e2e"

    def __init__(self, workdir, margins=(0, 0, 0, 0), options=()):
        self.dir = os.path.join(workdir, "cups")
        self.first = (margins, options)

    def __enter__(self):
        d = self.dir
        # The scheduler runs the job's filters as its own user, which must reach the PPDs and
        # the output folder through the private temporary folders above them.
        os.makedirs(d, exist_ok=True)
        folder = d
        while folder.startswith(tempfile.gettempdir() + os.sep):
            os.chmod(folder, 0o755)
            folder = os.path.dirname(folder)
        for sub in ("spool", "cache", "state", "log", "out"):
            os.makedirs(os.path.join(d, sub), exist_ok=True)
        os.chmod(os.path.join(d, "out"), 0o1777)   # the job is written by the scheduler's user
        os.chmod(os.path.join(d, "spool"), 0o1777)
        self.socket = os.path.join(d, "cups.sock")
        self._programs(os.path.join(d, "bin"))
        with open(os.path.join(d, "cupsd.conf"), "w") as conf:
            conf.write("Listen %s\nLogLevel info\nBrowsing Off\nDefaultAuthType None\n"
                       "WebInterface No\n<Location />\n  Order allow,deny\n  Allow all\n"
                       "</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                       "  </Limit>\n</Policy>\n" % self.socket)
        with open(os.path.join(d, "cups-files.conf"), "w") as conf:
            conf.write("ServerRoot {0}\nRequestRoot {0}/spool\nCacheDir {0}/cache\n"
                       "StateDir {0}/state\nTempDir {0}/spool\nErrorLog {0}/log/error_log\n"
                       "AccessLog {0}/log/access_log\nPageLog {0}/log/page_log\n"
                       "Printcap {0}/printcap\nServerBin {0}/bin\n"
                       "FileDevice Yes\n".format(d))
        self.proc = spawn([tool("cupsd"), "-f", "-c", os.path.join(d, "cupsd.conf"),
                           "-s", os.path.join(d, "cups-files.conf")],
                          stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
        env = self.env()
        wait_until(lambda: subprocess.run(["lpstat", "-r"], env=env, capture_output=True)
                   .stdout.startswith(b"scheduler is running"), 15, "cupsd to start")
        self.add(self.NAME, *self.first, default=True)
        return self

    # A device that fails every job, as a jammed printer does: "fail:/" queues stop, or abort
    # the job with printer-error-policy=abort-job.
    DEVICE_ERROR = "Paper jam in tray 2"

    @classmethod
    def _programs(cls, folder):
        """The scheduler's programs: the system's, with the failing device beside its backends."""
        for sub, system in (("", "/usr/lib/cups"), ("backend", "/usr/lib/cups/backend")):
            os.makedirs(os.path.join(folder, sub), mode=0o755, exist_ok=True)
            for name in set(os.listdir(system)) - {"backend"} - set(os.listdir(os.path.join(folder, sub))):
                os.symlink(os.path.join(system, name), os.path.join(folder, sub, name))
        with open(os.path.join(folder, "backend", "fail"), "w") as script:
            script.write("#!/bin/sh\n[ $# -eq 0 ] && echo 'direct fail \"Unknown\" \"Failing device\"' && exit 0\n"
                         "cat >/dev/null; echo 'ERROR: %s' >&2; exit 1\n" % cls.DEVICE_ERROR)
        os.chmod(script.name, 0o755)

    def add(self, name, margins=(0, 0, 0, 0), options=(), default=False, pages=(A4,), device=None):
        """A queue on the test's PPD offering `pages` (the first its default) with unprintable
        bands of `margins` (left, top, right, bottom, in points) and lpadmin -o `options`,
        writing its jobs to a file unless another `device` is given."""
        with open(os.path.join(os.path.dirname(__file__), "file_printer.ppd")) as template:
            ppd = template.read()
        left, top, right, bottom = margins
        setpage = "<</PageSize[{w:g} {h:g}]>>setpagedevice"
        for keyword, value in (("PageSize", setpage), ("PageRegion", setpage),
                               ("ImageableArea", "{l:g} {b:g} {r:g} {t:g}"),  # y upwards
                               ("PaperDimension", "{w:g} {h:g}")):
            ui = keyword.startswith("Page")
            ppd += "*OpenUI *%s: PickOne\n" % keyword * ui + "*Default%s: %s\n" % (keyword, pages[0][0])
            ppd += "".join('*%s %s/%s: "%s"\n' % (keyword, n, n, value.format(
                w=w, h=h, l=left, b=bottom, r=w - right, t=h - top)) for n, w, h in pages)
            ppd += "*CloseUI: *%s\n" % keyword * ui
        with open(os.path.join(self.dir, name + ".ppd"), "w") as file:
            file.write(ppd)
        settings = [arg for option in options for arg in ("-o", option)]
        device = device or "file://%s/out/%s.pdf" % (self.dir, name)
        subprocess.run([tool("lpadmin"), "-p", name, "-E", "-v", device, "-P", file.name, *settings], env=self.env(), check=True, capture_output=True)
        if default:
            subprocess.run([tool("lpadmin"), "-d", name], env=self.env(), check=True, capture_output=True)

    def __exit__(self, *exc):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()

    def env(self):
        return dict(os.environ, CUPS_SERVER=self.socket)

    def job_file(self, name=None):
        return os.path.join(self.dir, "out", (name or self.NAME) + ".pdf")

    def wait_for_job(self, timeout=30, name=None):
        """Waits until the queue (NAME unless told) has written a finished job and returns the
        file's path."""
        env, output = self.env(), self.job_file(name)

        def done():
            busy = subprocess.run(["lpstat", "-o", name or self.NAME], env=env, capture_output=True).stdout
            return not busy.strip() and os.path.exists(output) and os.path.getsize(output) > 0
        wait_until(done, timeout, "the print queue to write its job")
        return output


@contextlib.contextmanager
def session_bus(desktop):
    """A private D-Bus session bus; yields its address."""
    read_fd, write_fd = os.pipe()
    bus = spawn(["dbus-daemon", "--session", "--nofork", "--print-address=%d" % write_fd], pass_fds=(write_fd,),
                env=dict(os.environ, **desktop.env()), stderr=subprocess.DEVNULL)
    os.close(write_fd)
    try:
        with os.fdopen(read_fd) as pipe:
            yield pipe.readline().strip()
    finally:
        bus.terminate()
        bus.wait(10)


def alert_text(application="Plattera"):
    """The text of the message box an application shows, read from the accessibility bus as a
    screen reader reads it (the application runs with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)."""
    import pyatspi  # it finds the session bus when first used

    def labels(node):
        return [node.name] * (node.getRoleName() == "label") + [t for child in node for t in labels(child)]
    return wait_until(lambda: " ".join(t for app in pyatspi.Registry.getDesktop(0) if app.name == application
                                       for w in app if w.getRoleName() == "alert" for t in labels(w) if t),
                      15, "a message box on the accessibility bus")


ERROR_ICON = lambda p: p[0] > 180 and p[1] < 80  # red
INFORMATION_ICON = lambda p: p[2] > 180 and p[0] < 120  # blue


def message_box_shows(icon):
    """A test of a message box's pixels: the icon, told by its colour, at the top left, and
    ink on the line of text right of it."""
    def shows(shot):
        text = message_text_line(shot)
        return (any(icon(p) for p in shot.crop((0, 0, 50, 40)).getdata())
                and ink_box(text, background=text.getpixel((0, 0))) is not None)
    return shows


def message_text_line(shot):
    """The first line of a message box's text, right of its icon."""
    return shot.crop((50, 3, shot.size[0] - 3, 32))


def rasterise(pdf, out_prefix, dpi=254):
    """The first page of a PDF at `dpi` as an RGB image (254 dpi: one pixel is 0.1 mm)."""
    subprocess.run(["pdftoppm", "-r", str(dpi), "-f", "1", "-l", "1", "-singlefile", "-png",
                    pdf, out_prefix], check=True)
    return Image.open(out_prefix + ".png").convert("RGB")


def missing_tools():
    needed = ["Xvfb", *WINDOW_MANAGERS, "xdotool", "dbus-daemon", "cupsd", "lpadmin", "lpstat", "pdftoppm"]
    return [name for name in needed if not shutil.which(name, path=TOOL_PATH)]


class Story:
    """Mixed into a unittest.TestCase: a desktop for the test class, a fresh program per test,
    named steps that keep a screenshot when they fail."""

    binary = os.environ.get("PLATTERA_E2E_BINARY", "plattera")
    shots = os.environ.get("PLATTERA_E2E_SHOTS", os.path.join(tempfile.gettempdir(), "plattera-e2e"))
    desktop_dpi = None

    @classmethod
    def setUpClass(cls):
        cls.workdir = tempfile.mkdtemp(prefix="plattera-e2e-")
        try:
            cls.desktop = Desktop(cls.workdir, cls.desktop_dpi).__enter__()
        except BaseException:
            shutil.rmtree(cls.workdir, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desktop.__exit__(None, None, None)
        shutil.rmtree(cls.workdir, ignore_errors=True)

    def setUp(self):
        self.tmp = tempfile.mkdtemp(dir=self.workdir)
        self.home = os.path.join(self.tmp, "home")
        os.makedirs(self.home)
        self.programs = []
        self.evidence = None

    def tearDown(self):
        for program in self.programs:
            code, output = program.close()
            if code != 0 or "Sanitizer" in output or "runtime error" in output:
                self.fail("the program ended with status %s:\n%s" % (code, output[-4000:]))

    def start(self, **kwargs):
        with self.step("start the program"):
            program = Plattera(self.desktop, self.binary, self.home, **kwargs)
            self.programs.append(program)
            return program

    def quit(self, program):
        """Closes a program before the test ends (its status is checked right away)."""
        self.programs.remove(program)
        code, output = program.close()
        self.assertEqual(code, 0, output[-4000:])

    @contextlib.contextmanager
    def step(self, name):
        started = time.monotonic()
        try:
            yield
            if os.environ.get("PLATTERA_E2E_TIMES"):
                print("  %5.1f s  %s" % (time.monotonic() - started, name), file=sys.stderr)
        except Exception as error:
            os.makedirs(self.shots, exist_ok=True)
            slug = re.sub(r"[^A-Za-z0-9]+", "-", "%s-%s" % (self.id().split(".", 1)[-1], name))
            path = os.path.join(self.shots, slug.strip("-") + ".png")
            try:
                self.desktop.grab().save(path)
                where = "screenshot: " + path
                if getattr(self, "evidence", None):  # what the step looked at, e.g. a printed page
                    kept = path[:-4] + "-" + os.path.basename(self.evidence)
                    shutil.copy(self.evidence, kept)
                    where += "\nexamined: " + kept
            except Exception as grab_error:  # the X server itself may be the problem
                where = "no screenshot (%s)" % grab_error
            raise StepFailed("step %r failed: %s\n%s" % (name, error, where)) from error


def ink_bands(image, box=None):
    """Bands of rows holding non-white pixels inside box (left, top, right, bottom,
    exclusive), as (first, last, ink_left, ink_right) with ink_* the extent across."""
    image = image.crop(box) if box else image
    width, height = image.size
    pixels = image.load()
    bands, current = [], None
    for y in range(height):
        xs = [x for x in range(width) if pixels[x, y] != WHITE]
        if xs:
            if current is None:
                current = [y, y, xs[0], xs[-1]]
            else:
                current[1], current[2], current[3] = y, min(current[2], xs[0]), max(current[3], xs[-1])
        elif current is not None:
            bands.append(tuple(current))
            current = None
    if current is not None:
        bands.append(tuple(current))
    return bands


def ink_box(image, box=None, background=WHITE):
    """Bounding box (left, top, right, bottom, inclusive) of the pixels that are not the
    background colour, or None."""
    image = image.crop(box) if box else image
    mask = Image.new("1", image.size)
    mask.putdata([p != background for p in image.getdata()])
    found = mask.getbbox()
    return (found[0], found[1], found[2] - 1, found[3] - 1) if found else None


def ui_font_files():
    """Faces Qt may draw its dialogs' texts in: the fontconfig match for its default family,
    and the face the program maps its classic UI face to."""
    files = []
    with contextlib.suppress(OSError, subprocess.CalledProcessError):
        files.append(subprocess.run(["fc-match", "-f", "%{file}", "sans-serif"], check=True,
                                    capture_output=True, text=True).stdout)
    files.append("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf")
    return [f for f in files if os.path.exists(f)]


def shows_text(image, text, sizes=(11, 12, 13), tolerance=3):
    """Whether a one-line text drawn on image (anything not the background of its top-left
    pixel is ink) is as wide as `text` in one of the UI faces: a missing or extra character
    changes the width by more than the tolerance."""
    from PIL import ImageFont
    background = image.getpixel((0, 0))
    mask = Image.new("1", image.size)
    mask.putdata([p != background for p in image.getdata()])
    box = mask.getbbox()
    if not box:
        return False, "no text"
    width = box[2] - box[0]
    widths = []
    for face in ui_font_files():
        font = ImageFont.truetype(face, 1000)
        ink = font.getbbox(text)
        for size in sizes:
            expected = (ink[2] - ink[0]) * size / 1000
            widths.append(round(expected, 1))
            if abs(width - expected) <= tolerance:
                return True, width
    return False, "text %d px wide; %r would be one of %s" % (width, text, widths)


def choose_print_to_file(desktop, dialog, path=None, from_list=True):
    """In Qt's print dialog: the printer list (Alt+N) to its last entry, "Print to File (PDF)"
    (unless the dialog opened there), then the output file box (Alt+F), the file name (or the
    one proposed), and Print. The dialog takes the keys in order, and choosing the entry
    enables the file box in the same step, so no key waits for the one before."""
    if from_list:
        desktop.key("alt+n", "End")
    if path:
        desktop.key("alt+f", "ctrl+a")
        desktop.type_text(path)
        # The file name box's completer lists the folder's files once a thread has read them,
        # and its list would take the Return; whether one comes is known only once nothing
        # more changes for a moment.
        if desktop.settled_popup():
            desktop.key("Escape")
            wait_until(lambda: not desktop.popup_open(), 10, "the completer's list to close")
    desktop.key("Return")
