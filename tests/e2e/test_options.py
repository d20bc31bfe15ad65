"""The option controls of the main window on a laid-out cover: alignment, the back picture
over the spines, the three outline boxes and the outline colour from Qt's colour dialog."""

import os
import re
import unittest

from desktop import BLACK, MAIN_TITLE, WHITE, Story, ink_bands
from test_pictures import BLUE, RED, back_with_halves, two_halves
from test_tracks import PANEL_INSIDE

TRACKS = ["Go", "A much longer second track", "Middle length three"]


def track_lines(strip):
    return ink_bands(strip, PANEL_INSIDE)


class OptionsStory(Story, unittest.TestCase):

    def laid_out(self):
        program = self.start()
        editor = program.open_track_editor()
        editor.replace_text("Edit3", "Options")
        editor.replace_text("Edit2", "Test")
        for track in TRACKS:
            editor.add_track(track)
        editor.press_continue()
        program.wait_for_sheet("back strip", lambda s: len(track_lines(s)) == len(TRACKS),
                               "the track lines")
        return program

    def test_center_and_left(self):
        program = self.laid_out()
        with self.step("Center: every track line centred on x = 200 of the panel"):
            program.click_button("Center")

            def centred(strip):
                lines = track_lines(strip)
                # Box column c is panel column c + 1; a line's middle is its ink's middle.
                return len(lines) == 3 and all(abs((l + r) / 2 + 1 - 200) <= 3 for _, _, l, r in lines)
            program.wait_for_sheet("back strip", centred, "centred track lines")
        with self.step("Left: every track line starts at x = 10 again"):
            program.click_button("Left")
            program.wait_for_sheet("back strip", lambda s: all(
                l + 1 in range(10, 15) for _, _, l, _ in track_lines(s)), "left-aligned track lines")

    def test_extend_back_picture(self):
        program = self.laid_out()
        with self.step("a back picture spread over the spines"):
            program.choose_picture(two_halves(os.path.join(self.tmp, "halves.bmp")))
            program.wait_for_sheet("back strip", back_with_halves, "the back picture")
        with self.step("Extend back picture off: the spines turn white"):
            program.click_control("Extend back picture")
            program.wait_for_sheet("back strip", lambda s: s.getpixel((10, 100)) == WHITE
                                   and s.getpixel((431, 100)) == WHITE and s.getpixel((30, 100)) == RED
                                   and s.getpixel((410, 100)) == BLUE, "white spines")
        with self.step("Extend back picture on again"):
            program.click_control("Extend back picture")
            program.wait_for_sheet("back strip", back_with_halves, "the picture over the spines")

    def test_outline_boxes(self):
        program = self.laid_out()
        # After a layout the fold lines take the inner placement: strip columns 20 and 421.
        fold = lambda s: s.getpixel((20, 200)) == BLACK and s.getpixel((421, 200)) == BLACK
        frame = lambda s: s.getpixel((200, 0)) == BLACK and s.getpixel((0, 200)) == BLACK
        steps = (("Vertical lines", "back strip", fold), ("Back", "back strip", frame))
        for box, sheet, drawn in steps:
            with self.step("untick " + box):
                program.click_control(box)
                program.wait_for_sheet(sheet, lambda s: not drawn(s), box + " gone")
            with self.step("tick " + box):
                program.click_control(box)
                program.wait_for_sheet(sheet, drawn, box + " back")
        program.show_page("Front")
        front = lambda s: s.getpixel((0, 100)) == BLACK and s.getpixel((360, 352)) == BLACK
        with self.step("untick Front"):
            program.wait_for_sheet("Image4", front, "the front page")
            program.click_control("Front")
            program.wait_for_sheet("Image4", lambda s: not front(s), "the front outline gone")
        with self.step("tick Front"):
            program.click_control("Front")
            program.wait_for_sheet("Image4", front, "the front outline back")

    def test_color_through_the_colour_dialog(self):
        program = self.laid_out()
        with self.step("pick red among the colour dialog's basic colours, OK"):
            program.click_control("Color")
            dialog = self.desktop.find_window(r"(?!%s$).*" % re.escape(MAIN_TITLE))
            shot = dialog.wait_for_pixels(lambda s: find_colour(s, RED),
                                          "a pure red among the basic colours")
            dialog.click(*find_colour(shot, RED))
            self.desktop.key("Return")
            self.desktop.window_gone_by_id(dialog)
        with self.step("outlines and the swatch are red"):
            program.wait_for_sheet("back strip", lambda s: s.getpixel((200, 0)) == RED
                                   and s.getpixel((20, 200)) == RED, "red outlines")
            swatch = program.main.grab((640 + 5, 214 + 5, 20, 14))
            self.assertEqual(set(swatch.getdata()), {RED})


def find_colour(image, colour, size=8):
    """The middle of the first block of at least size x size pixels of exactly `colour`."""
    width, height = image.size
    pixels = image.load()
    for y in range(0, height - size):
        for x in range(0, width - size):
            if pixels[x, y] == colour and all(pixels[x + dx, y + dy] == colour
                                              for dx in range(size) for dy in range(size)):
                return x + size // 2, y + size // 2
    return None
