"""Printing through a real CUPS scheduler and to a PDF file, measured on the rasterised page
(254 dots per inch: one pixel is 0.1 mm, so 2 pixels are the 0.2 mm tolerance)."""

import os
import re
import subprocess
import unittest
from unittest import mock

from PIL import Image, ImageDraw, ImageFont

from desktop import (A4, A5, EDITOR_TITLE, ERROR_ICON, INFORMATION_ICON, MAIN_TITLE, WHITE, PrintQueue, Story,
                     alert_text, choose_print_to_file, ink_box, message_box_shows, message_text_line,
                     rasterise, session_bus, shows_text, tool, wait_until)

ARTIST, TITLE = "Print Test", "Lines"
TRACKS = ["Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot"]
FACE = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"
TOLERANCE = 2  # pixels of 0.1 mm
MM = 72 / 25.4  # points
FOUR_MM = 4 * MM
TOO_SMALL = ("The %s is too small for the cover: %sit needs a printable area of 170 x 250 mm, as A4 and "
             "Letter have.")


def dark(page, x, y):
    return sum(page.getpixel((x, y))) < 384


def outline_rectangles(page):
    """The two outline rectangles (left, top, right, bottom in pixels), top one first.
    A rectangle's top edge is a long dark row run; its sides are found from there."""
    width, height = page.size
    pixels = page.load()
    found = []
    y = 0
    while y < height and len(found) < 2:
        run_start, x = None, 0
        while x < width:
            if sum(pixels[x, y]) < 384:
                run_start = x if run_start is None else run_start
            elif run_start is not None:
                if x - run_start > 1000:
                    break
                run_start = None
            x += 1
        if run_start is not None and x - run_start > 1000:
            left, right = run_start, x - 1
            bottom = y + 1
            while bottom < height and dark(page, left, bottom) and dark(page, right, bottom):
                bottom += 1
            found.append((left, y, right, bottom - 1))
            y = bottom + 3
        else:
            y += 1
    return found


def clusters(xs):
    """Runs of neighbouring columns, each as its middle (a line may cover two pixels)."""
    runs = []
    for x in xs:
        if runs and x - runs[-1][-1] <= 1:
            runs[-1].append(x)
        else:
            runs.append([x])
    return [(run[0] + run[-1]) / 2 for run in runs]


class Face:
    """The track and spine face's metrics in pixels per pixel of font size: the ink of a text
    relative to its pen origin, from the text drawn by FreeType at a large size."""
    SIZE = 1000

    def __init__(self):
        self.font = ImageFont.truetype(FACE, self.SIZE)
        ascent, descent = self.font.getmetrics()
        self.cell = (ascent + descent) / self.SIZE

    def ink(self, text):
        """(left bearing, right bearing, gap from the cell's top to the ink, ink length)."""
        pad = self.SIZE
        advance = self.font.getlength(text)
        image = Image.new("L", (int(advance) + 2 * pad, 2 * self.SIZE), 0)
        ImageDraw.Draw(image).text((pad, 0), text, font=self.font, fill=255, anchor="la")
        left, top, right, _ = image.getbbox()
        return ((left - pad) / self.SIZE, (pad + advance - right) / self.SIZE, top / self.SIZE,
                (right - left) / self.SIZE)


class PrintStory(Story, unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.queue = PrintQueue(cls.workdir).__enter__()
            # One bus for the class: the accessibility library keeps the first it finds.
            cls.bus = session_bus(cls.desktop)
            cls.bus_address = cls.bus.__enter__()
        except BaseException:
            super().tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.bus.__exit__(None, None, None)
        cls.queue.__exit__(None, None, None)
        super().tearDownClass()

    def on_the_bus(self):
        """The programs started inside show their windows on the accessibility bus."""
        return mock.patch.dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus_address)

    def laid_out(self, queue=None, title=TITLE, **kwargs):
        program = self.start(cups_server=(queue or self.queue).socket, **kwargs)
        editor = program.open_track_editor()
        editor.replace_text("Edit3", ARTIST)
        editor.replace_text("Edit2", title)
        for track in TRACKS:
            editor.add_track(track)
        editor.press_continue()
        return program

    def print_dialog(self, program):
        program.click_button("Print")
        dialog = self.desktop.find_window(r"(?!%s$).*" % re.escape(MAIN_TITLE))
        dialog.wait_for_focus()  # the keys the stories press are for the dialog
        return dialog

    def test_print_through_the_cups_queue(self):
        program = self.laid_out()
        with self.step("Print, accept the print dialog with the queue chosen"):
            dialog = self.print_dialog(program)
            self.desktop.key("Return")
            self.desktop.window_gone_by_id(dialog)
        with self.step("the queue writes the job"):
            job = self.queue.wait_for_job()
        self.check_page(job)

    def test_the_printer_chosen_prints_at_full_size_from_its_own_printable_corner(self):
        # The default queue has margins of 6.35 and 12.7 mm, the chosen one 4 mm and "fit to page".
        corner = FOUR_MM * 254 / 72
        with PrintQueue(os.path.join(self.tmp, "q"), (FOUR_MM,) * 4, ["fit-to-page-default=true"]) as queue:
            queue.add("wide-margins", (18, 36, 18, 36), default=True)
            program = self.laid_out(queue)
            # The 4 mm queue is listed first; the second time the dialog opens on it.
            for keys in (["alt+n", "Home"], []):
                with self.step("Print, %s Return: the 4 mm queue writes the job" % " ".join(keys)):
                    dialog = self.print_dialog(program)
                    self.desktop.key(*keys, "Return")
                    self.desktop.window_gone_by_id(dialog)
                    job = queue.wait_for_job()
                self.check_page(job, corner=(corner, corner))
                os.remove(job)

    def alerts_on_print(self, queue, rows, while_open=lambda row: None):
        """For each row (queue name, ...): that queue the default, a fresh program, Print,
        `while_open`(row), Return in the dialog; yields the row and the text of the box that
        follows, or None when no box comes. The box is closed after the row's turn."""
        with self.on_the_bus():
            for row in rows:
                subprocess.run([tool("lpadmin"), "-d", row[0]], env=queue.env(), check=True)
                program = self.laid_out(queue, extra_env={"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
                with self.step("%s: Print, Return in the dialog" % row[0]):
                    dialog = self.print_dialog(program)
                    while_open(row)
                    self.desktop.key("Return")
                    self.desktop.window_gone_by_id(dialog)
                try:
                    box = self.desktop.find_window(re.escape(MAIN_TITLE), exclude=program.main, timeout=8)
                except AssertionError:
                    box = None
                yield row, alert_text() if box else None
                if box:
                    self.desktop.key("Return")
                    self.desktop.window_gone_by_id(box)
                self.quit(program)  # while its accessibility bus is still there

    # Controls of Qt's Printer Properties dialog, in its client area as Qt lays it out here.
    PROPERTIES = {"page size": (229, 113), "landscape": (41, 236), "pages per sheet": (237, 432)}

    def choose_in_properties(self, row):
        """Clicks the row's control in Properties, then types or presses its keys there."""
        if not row[4]:
            return
        self.desktop.key("alt+r")
        properties = self.desktop.find_window("Printer Properties")
        properties.wait_for_focus()
        properties.click(*self.PROPERTIES[row[4][0]])
        for key in row[4][1:]:
            self.desktop.type_text(key[5:]) if key.startswith("type:") else self.desktop.key(key)
        self.desktop.key("Return")
        self.desktop.window_gone_by_id(properties)

    def test_every_page_prints_the_cover_whole_or_says_why(self):
        # A queue with its pages (the first its default), margins (left, top, right, bottom in
        # points) and options; what is chosen in Properties; the refusal, without which the
        # cover prints from the printable corner.
        a5 = TOO_SMALL % ("page A5 (148 x 210 mm)", "")
        rows = (("landscape-default", (A4,), (3.2 * MM, 3.2 * MM, 3.2 * MM, 14.5 * MM),
                 ["orientation-requested-default=4"], (), None),
                ("a5-default", (A5, A4), (18,) * 4, [], (), None),
                ("a5-only", (A5,), (18,) * 4, [], (), a5),
                ("b5-wide-margins", (("B5", 516, 729),), (5.5 * MM,) * 4, [], (),
                 TOO_SMALL % ("page B5 (182 x 257 mm)", "its printable area is 171 x 246 mm, and ")),
                ("borderless-card", (("4x6", 288, 432),), (0,) * 4, [], (),
                 TOO_SMALL % ("page 4x6 (101.6 x 152.4 mm)", "")),
                ("a5-default-shown", (A5, A4), (18,) * 4, [], ("page size", "Escape"), None),
                ("a5-chosen", (A4, A5), (0,) * 4, [], ("page size", "type:A5", "Return"), a5),
                ("landscape-chosen", (A4,), (0,) * 4, [], ("landscape",), None),
                ("two-a-sheet-chosen", (A4,), (0,) * 4, [], ("pages per sheet", "Down", "Return"), None))
        with PrintQueue(os.path.join(self.tmp, "q")) as queue:
            for name, pages, margins, options, _, _ in rows:
                queue.add(name, margins, options, pages=pages)
            for (name, _, margins, _, _, refusal), alert in self.alerts_on_print(
                    queue, rows, self.choose_in_properties):
                if refusal:
                    with self.step("%s: the box says why, and nothing was sent" % name):
                        self.assertEqual(alert, refusal)
                        jobs = subprocess.run(["lpstat", "-W", "all", "-o", name], env=queue.env(),
                                              capture_output=True, check=True).stdout
                        self.assertEqual(jobs.strip(), b"")
                    continue
                with self.step("%s: no box, the queue writes the job" % name):
                    self.assertIsNone(alert)
                    job = queue.wait_for_job(name=name)
                self.check_page(job, corner=(margins[0] * 254 / 72, margins[1] * 254 / 72))

    def test_a_printer_that_fails_the_job_is_announced_with_its_reason(self):
        reason = PrintQueue.DEVICE_ERROR + "."
        rows = (("aborting", ["printer-error-policy=abort-job"],
                 "The printer aborting could not print the cover: " + reason),
                ("stopping", ["printer-error-policy=stop-printer"],
                 "The printer stopping is stopped: %s The cover will print when it is resumed." % reason),
                ("deleted", [], "The printer deleted no longer exists; the cover was not printed."))
        with PrintQueue(os.path.join(self.tmp, "q")) as queue:
            for name, options, _ in rows:
                queue.add(name, options=options, device="fail:/")
            def delete(row):
                if row[0] == "deleted":
                    subprocess.run([tool("lpadmin"), "-x", row[0]], env=queue.env(), check=True)
            for (name, _, message), alert in self.alerts_on_print(queue, rows, delete):
                with self.step("%s: the error box gives the printer's reason" % name):
                    self.assertEqual(alert, message)

    def test_print_to_file(self):
        program = self.laid_out()
        picture = os.path.join(self.tmp, "back.bmp")
        Image.new("RGB", (30, 30), (255, 255, 0)).save(picture)
        with self.step("a back picture, Center, Edit Tracks, Continue: left-aligned again"):
            self.desktop.window_gone_by_id(program.choose_picture(picture))
            program.click_button("Center")
            program.open_track_editor().press_continue()
        with self.step("a new title left in the editor by its close box"):
            program.open_track_editor().replace_text("Edit2", "Never Shown")
            self.desktop.key("alt+F4")
            self.desktop.window_gone(re.escape(EDITOR_TITLE))
        with self.step("the picture's file spoilt: each repaint gives the error box"):
            with open(picture, "wb") as file:
                file.write(b"BM not a bitmap")
            for _ in range(2):
                program.click_control("No text on front cover")
                box = self.desktop.find_window(re.escape(MAIN_TITLE), exclude=program.main)
                self.desktop.key("Return")
                self.desktop.window_gone_by_id(box)
        target = os.path.join(self.tmp, "cover.pdf")
        with self.step("Print, choose Print to File (PDF), type the file name"):
            dialog = self.print_dialog(program)
            choose_print_to_file(self.desktop, dialog, target)
            self.desktop.window_gone_by_id(dialog)
            wait_until(lambda: os.path.exists(target) and os.path.getsize(target) > 0, 20,
                       "the PDF file")
        self.check_page(target)

    def test_print_to_file_proposes_the_cover_in_the_folder_printed_to_last(self):
        program = self.laid_out(title="Lines/Dots?")
        name, covers = ARTIST + " - Lines_Dots_.pdf", os.path.join(self.tmp, "covers")
        os.makedirs(covers)
        # The name proposed at home; another folder typed in the dialog opened on the file; the
        # name proposed in that folder.
        for path, from_list, written in ((None, True, os.path.join(self.home, name)),
                                         (os.path.join(covers, "first.pdf"), False, None),
                                         (None, False, os.path.join(covers, name))):
            with self.step("Print to File: " + (written or path)):
                dialog = self.print_dialog(program)
                choose_print_to_file(self.desktop, dialog, path, from_list)
                self.desktop.window_gone_by_id(dialog)
                wait_until(lambda: os.path.exists(written or path), 20, written or path)

    def message_box(self, program, icon):
        """The program's message box and its pixels, once it shows the icon (a test of its
        colour) and a message."""
        box = self.desktop.find_window(re.escape(MAIN_TITLE), exclude=program.main)
        return box, box.wait_for_pixels(message_box_shows(icon), "the icon and a message")

    def test_without_any_printer_the_pdf_file_is_announced(self):
        program = self.start(cups_server=os.path.join(self.tmp, "no-scheduler.sock"))
        with self.step("Print, accept the dialog, which offers only a PDF file"):
            dialog = self.print_dialog(program)
            self.desktop.key("Return")
            self.desktop.window_gone_by_id(dialog)
        with self.step("a box with the information icon says so"):
            box, _ = self.message_box(program, INFORMATION_ICON)
            # Nothing laid out yet: the file is named after the program.
            self.assertGreater(os.path.getsize(os.path.join(self.home, MAIN_TITLE + ".pdf")), 0)
            self.desktop.key("Return")
            self.desktop.window_gone_by_id(box)

    def test_a_paused_queue_is_announced_and_a_rejecting_one_gives_its_reason(self):
        with PrintQueue(os.path.join(self.tmp, "q")) as queue, self.on_the_bus():
            program = self.laid_out(queue, extra_env={"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
            for command, message in (
                    (["cupsdisable"], "The printer %s is paused; the cover will print when it is resumed."),
                    (["cupsreject", "-r", "Out of paper"], 'The printer did not accept the job: Destination '
                     '"%s" is not accepting jobs. The printer says: Out of paper.')):
                with self.step(command[0] + ", then Print: a box says so"):
                    subprocess.run([tool(command[0]), *command[1:], queue.NAME], env=queue.env(), check=True)
                    dialog = self.print_dialog(program)
                    self.desktop.key("Return")
                    self.desktop.window_gone_by_id(dialog)
                    box = self.desktop.find_window(re.escape(MAIN_TITLE), exclude=program.main)
                    self.assertEqual(alert_text(), message % queue.NAME)
                    self.desktop.key("Return")
                    self.desktop.window_gone_by_id(box)
            self.quit(program)  # while its accessibility bus is still there

    def test_a_stopped_scheduler_is_said_in_plain_words(self):
        with PrintQueue(os.path.join(self.tmp, "q")) as queue:
            program = self.start(cups_server=queue.socket)
            with self.step("Print; the scheduler stops while the dialog is open"):
                dialog = self.print_dialog(program)
                queue.__exit__()
                self.desktop.key("Return")
                self.desktop.window_gone_by_id(dialog)
            with self.step("the error box says what happened"):
                box, shot = self.message_box(program, ERROR_ICON)
                ok, detail = shows_text(message_text_line(shot),
                                        "The printing system is not running; the cover was not printed.")
                self.assertTrue(ok, detail)
                self.desktop.key("Return")
                self.desktop.window_gone_by_id(box)

    def check_page(self, pdf, corner=None):  # corner: the printable area's top-left, in pixels
        with self.step("rasterise " + os.path.basename(pdf)):
            page = rasterise(pdf, os.path.join(self.tmp, "page"))
            self.evidence = os.path.join(self.tmp, "page.png")
            rectangles = outline_rectangles(page)
            self.assertEqual(len(rectangles), 2, rectangles)
        back, front = rectangles
        def near(actual, expected, what, tolerance=TOLERANCE):
            self.assertLessEqual(abs(actual - expected), tolerance, "%s: %.2f mm, expected %.2f mm"
                                 % (what, actual / 10, expected / 10))
        # Sizes count pixels from edge line to edge line, both included: the outlines lie on
        # the inserts' first and last rows and columns of 0.1 mm, as on the sheets.
        with self.step("back insert 150.0 x 117.5 mm, fold lines 6.0 mm in"):
            near(back[2] - back[0] + 1, 1500, "back width")
            near(back[3] - back[1] + 1, 1175, "back height")
            middle = (back[1] + back[3]) // 2
            folds = clusters([x for x in range(back[0] + 2, back[2] - 1) if dark(page, x, middle)
                              and dark(page, x, back[1] + 30) and dark(page, x, back[3] - 30)])
            self.assertEqual(len(folds), 2, folds)
            near(folds[0] - back[0], 60, "left fold line")
            near(back[2] - folds[1] + 1, 60, "right fold line")
        if corner:
            with self.step("back insert 20.0 mm right of and 10.0 mm below the printable corner"):
                near(back[0], corner[0] + 200, "back left edge")
                near(back[1], corner[1] + 100, "back top edge")
        with self.step("front insert 121.0 x 120.0 mm below the back insert"):
            near(front[2] - front[0] + 1, 1210, "front width")
            near(front[3] - front[1] + 1, 1200, "front height")
            near(front[0], back[0], "front left edge")
            near(front[1] - back[1], 1200, "front top below back top")
        with self.step("no picture and no title that the sheets do not show"):
            self.assertEqual(page.getpixel((back[2] - 100, back[3] - 30)), WHITE, "a back picture")
            artist = ink_box(page, (front[0] + 2, front[1] + 2, front[2] - 1, front[1] + 600))
            title = ink_box(page, (front[0] + 2, front[1] + 600, front[2] - 1, front[3] - 1))
            ratio = Face().ink(TITLE)[3] / Face().ink(ARTIST + ": ")[3]
            self.assertAlmostEqual((title[2] - title[0]) / (artist[2] - artist[0]), ratio, delta=0.03,
                                   msg="the title printed is not %r" % TITLE)
        with self.step("track block: left edge 10.0 mm inside the back insert"):
            inside = (int(folds[0]) + 3, back[1] + 3, int(folds[1]) - 2, back[3] - 2)
            block = ink_box(page, inside)
            self.assertIsNotNone(block, "no track lines")
            size = self.track_font_px(page, inside)
            # The ink starts at the text origin plus the first digit's left bearing.
            face = Face()
            bearing = min(face.ink(str(n))[0] for n in range(1, len(TRACKS) + 1)) * size
            near(inside[0] + block[0] - back[0], 100 + bearing, "track block left edge")
        with self.step("spines: the same text, reading up on the left and down on the right"):
            left = ink_box(page, (back[0] + 2, back[1] + 2, int(folds[0]) - 1, back[3] - 1))
            right = ink_box(page, (int(folds[1]) + 2, back[1] + 2, back[2] - 1, back[3] - 1))
            self.assertIsNotNone(left, "no text on the left spine")
            self.assertIsNotNone(right, "no text on the right spine")
            text = ARTIST + ": " + TITLE
            length = left[3] - left[1]
            near(right[3] - right[1], length, "right spine text length")
            face = Face()
            lsb, rsb, top_gap, ink_length = face.ink(text)
            size = length / ink_length  # the font size in pixels, from the ink's length
            left_middle = back[1] + 2 + (left[1] + left[3]) / 2
            right_middle = back[1] + 2 + (right[1] + right[3]) / 2
            shift = (lsb - rsb) / 2 * size  # the ink's middle lies off the text's middle
            # Turned opposite ways, the two inks lie the bearings' difference apart, and
            # together are centred on 69.0 mm below the printable area's top (the back insert's
            # top edge lies at 10.0 mm).
            near((left_middle + right_middle) / 2, back[1] + 590, "spine texts' common middle")
            near(right_middle - left_middle, 2 * shift, "spine texts' offset from each other",
                 2 * TOLERANCE)  # a difference of two places, each within the tolerance
            # The letters' tops face the insert's outer edges.
            near(back[0] + 2 + left[0], back[0] + top_gap * size, "left spine text top")
            near(int(folds[1]) + 2 + right[2], folds[1] + (face.cell - top_gap) * size,
                 "right spine text top")

    def track_font_px(self, page, inside):
        """The track font's size in pixels, from the distance between two lines' digit tops."""
        block = ink_box(page, inside)
        # Every line starts with a digit: a strip over the digits (about 0.6 em, the block's
        # height being about len(TRACKS) x 1.1 em) has ink in every row of each line's digit.
        em = (block[3] - block[1]) / (len(TRACKS) * 1.1)
        digits = range(inside[0] + block[0], inside[0] + block[0] + int(0.6 * em))
        rows = [y for y in range(inside[1], inside[3]) if any(dark(page, x, y) for x in digits)]
        tops = [rows[0]] + [y for y, prev in zip(rows[1:], rows) if y - prev > 1]
        self.assertEqual(len(tops), len(TRACKS), "track line tops %s" % tops)
        pitch = (tops[-1] - tops[0]) / (len(TRACKS) - 1)
        return pitch / Face().cell
