"""Start-up and the desktop around it: window size and place, the first sheets, and that
neither scaling settings, Qt's own options, Escape nor the dialogs change what the user gets."""

import contextlib
import os
import re
import time
import unittest

from PIL import Image, ImageChops, ImageDraw

from desktop import (BLACK, EDITOR_TITLE, MAIN_TITLE, SCREEN, WHITE, StepFailed, Story, Desktop as X11Desktop,
                     wait_until)


def outlined(size, black_columns=()):
    """A white sheet with a one-pixel black frame and the given black columns."""
    image = Image.new("RGB", size, WHITE)
    draw = ImageDraw.Draw(image)
    draw.rectangle((0, 0, size[0] - 1, size[1] - 1), outline=BLACK)
    for x in black_columns:
        draw.line((x, 0, x, size[1] - 1), fill=BLACK)
    return image


def first_difference(actual, expected):
    """None when both images are equal, else where they first differ and how many pixels do."""
    if actual.size != expected.size:
        return "size %s instead of %s" % (actual.size, expected.size)
    mask = ImageChops.difference(actual, expected).convert("L").point(lambda v: 255 if v else 0)
    if mask.getbbox() is None:
        return None
    width = actual.size[0]
    first = next(i for i, v in enumerate(mask.getdata()) if v)
    x, y = first % width, first // width
    count = sum(1 for v in mask.getdata() if v)
    return "%d pixels differ, the first at (%d, %d): %s instead of %s" % (
        count, x, y, actual.getpixel((x, y)), expected.getpixel((x, y)))


class StartUp(Story, unittest.TestCase):

    def test_window_has_its_outer_size_and_is_centred(self):
        program = self.start()
        with self.step("outer size and place of the main window"):
            left, top, width, height = program.main.outer_rect()
            self.assertEqual((width, height), (795, 545))
            self.assertLessEqual(abs(left - (SCREEN[0] - width) // 2), 1, "left edge %d" % left)
            self.assertLessEqual(abs(top - (SCREEN[1] - height) // 2), 1, "top edge %d" % top)

    def test_first_sheets_show_edge_fold_lines_and_both_outlines(self):
        program = self.start()
        with self.step("back strip: frame, fold lines in the spine columns next to the panel"):
            # Left spine column 21 and right spine column 0: strip columns 21 and 420.
            self.assertIsNone(first_difference(program.sheet("back strip"),
                                               outlined((442, 353), (21, 420))))
        with self.step("front sheet: frame"):
            program.show_page("Front")
            self.assertIsNone(first_difference(
                program.wait_for_sheet("Image4", lambda s: s, "the front page"),
                outlined((361, 353))))

    def test_printing_system_is_loaded_only_to_print(self):
        program = self.start(find_sheets=False)
        with self.step("the window is up without the printing system's library"):
            with open("/proc/%d/maps" % program.proc.pid) as maps:
                self.assertNotIn("libcups.so", maps.read())


class CentredWindows(Story, unittest.TestCase):

    def test_every_window_ends_up_centred_at_its_first_showing_whenever_its_frame_comes(self):
        for manager in ("openbox", "metacity", "kwin_x11"):
            with X11Desktop(self.workdir, window_manager=manager) as self.desktop:
                program = self.start(find_sheets=False)
                for button, title in ((None, MAIN_TITLE), ("Edit Tracks", EDITOR_TITLE), ("About", MAIN_TITLE + " - About")):
                    with self.step("%s under %s" % (title, manager)):
                        if button:
                            program.click_button(button)
                        window = self.desktop.find_window(re.escape(title))
                        wait_until(lambda: window.outer_rect()[:2] == tuple((s - n) // 2 for s, n in zip(SCREEN, window.outer_rect()[2:])),
                                   5, "the outer rectangle %s to be centred" % (window.outer_rect(),))
                        if button:
                            window.close()
                            self.desktop.window_gone(re.escape(title))
                self.quit(program)


class Desktop(Story, unittest.TestCase):
    """What a desktop session may set must not change the window."""

    def reference_shot(self):
        program = self.start()  # up once the back outline is drawn
        shot = program.main.settled_grab()
        self.quit(program)
        return shot

    def assert_same_window(self, reference, **start):
        program = self.start(find_sheets=False, **start)
        # Waits for the window to look like the reference; one that does not is compared as it
        # settles.
        with contextlib.suppress(StepFailed):
            wait_until(lambda: first_difference(program.main.grab(), reference) is None, 5,
                       "the window as without the setting")
        size = program.main.outer_rect()[2:]
        difference = first_difference(program.main.settled_grab(), reference)
        self.quit(program)
        self.assertEqual(size, (795, 545), "outer size")
        self.assertIsNone(difference)

    def test_scaling_settings_leave_the_window_as_at_96_dpi(self):
        reference = self.reference_shot()
        failed = []
        for name, env, xft_dpi in (
                ("QT_SCALE_FACTOR=2", {"QT_SCALE_FACTOR": "2"}, None),
                ("QT_SCREEN_SCALE_FACTORS=2", {"QT_SCREEN_SCALE_FACTORS": "2"}, None),
                ("QT_ENABLE_HIGHDPI_SCALING=1", {"QT_ENABLE_HIGHDPI_SCALING": "1",
                                                 "QT_SCALE_FACTOR": "2"}, None),
                ("QT_FONT_DPI=192", {"QT_FONT_DPI": "192"}, None),
                ("Xft.dpi 192", {}, 192)):
            try:
                with self.step("start-up screenshot with " + name):
                    if xft_dpi:
                        self.desktop.set_xft_dpi(xft_dpi)
                    try:
                        self.assert_same_window(reference, extra_env=env)
                    finally:
                        if xft_dpi:
                            self.desktop.set_xft_dpi(96)
            except AssertionError as failure:  # try every setting, then name all that fail
                failed.append(str(failure))
        self.assertFalse(failed, "\n".join(failed))

    def test_command_line_is_not_read(self):
        reference = self.reference_shot()
        with self.step("start-up screenshot of plattera -reverse"):
            self.assert_same_window(reference, args=["-reverse"])

    def test_escape_leaves_the_track_editor_and_about_open(self):
        program = self.start()
        for button, title in (("Edit Tracks", EDITOR_TITLE), ("About", MAIN_TITLE + " - About")):
            with self.step("Escape in " + title):
                program.click_button(button)
                self.desktop.find_window(re.escape(title))
                self.desktop.key("Escape")
                # Nothing shows that a key changed nothing, so this waits a fixed time: more than
                # three times the 0.15 s the file and print dialogs take at most to go on Escape,
                # also with both cores busy.
                time.sleep(0.5)
                self.assertIn(title, [name for name, _ in self.desktop.windows()])
                self.desktop.key("alt+F4")  # the close box
                self.desktop.window_gone(re.escape(title))

    def test_a_session_through_every_dialog_writes_no_file(self):
        before = files_under(self.home)  # start-up counts too
        # No session bus announced, as on a bare X display: none may be autolaunched either.
        program = self.start(extra_env={"CUPS_SERVER": os.path.join(self.tmp, "no-cups.sock"),
                                        "DBUS_SESSION_BUS_ADDRESS": None})
        dialogs = [("Image", None), ("Color", None), ("Print", None), ("About", None)]
        for button, _ in dialogs:
            with self.step("open and cancel " + button):
                if button == "Color":
                    program.click_control("Color")
                else:
                    program.click_button(button)
                dialog = self.desktop.find_window(r"(?!%s$).*" % re.escape(MAIN_TITLE))
                self.desktop.key("Escape" if button != "About" else "alt+F4")
                self.desktop.window_gone(re.escape(dialog.title))
        with self.step("track editor, Continue, then the font dialog"):
            program.open_track_editor().press_continue()
            program.click_button("Font type/color")
            dialog = self.desktop.find_window(r"(?!%s$).*" % re.escape(MAIN_TITLE))
            self.desktop.key("Escape")
            self.desktop.window_gone(re.escape(dialog.title))
        self.quit(program)
        with self.step("no new file in the home folder"):
            self.assertEqual(files_under(self.home) - before, set())


def files_under(root):
    found = set()
    for folder, _, names in os.walk(root):
        if os.path.relpath(folder, root).split(os.sep)[0] == ".run":
            continue  # the session's runtime folder, not settings
        found.update(os.path.relpath(os.path.join(folder, n), root) for n in names)
    return found
