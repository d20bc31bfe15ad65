"""The track editor: a whole cover typed in, tracks corrected in place, Continue."""

import time
import unittest


from desktop import Desktop as X11Desktop, Story, ink_bands, ink_box, wait_until

TRACKS = ["Harbour Lights", "Quarry", "Velvet Engine", "Tin Roof Rain", "Nine Bridges",
          "Kestrel", "Low Tide", "Paper Moons", "Slow Fuse", "Ember", "Wicker Road",
          "Last Ferry"]

# The back panel inside its outline, in back-strip columns (the spines overlap its edges).
PANEL_INSIDE = (22, 1, 420, 352)


def spine_text_checks(test, strip):
    """Both spines carry the same text: centred along the spine, reading up on the left and
    down on the right, so one is the other turned half a turn."""
    left = strip.crop((1, 1, 20, 352))    # inside the outline and the inner fold line
    right = strip.crop((422, 1, 441, 352))
    left_box, right_box = ink_box(left), ink_box(right)
    test.assertIsNotNone(left_box, "no text on the left spine")
    test.assertIsNotNone(right_box, "no text on the right spine")
    length = left_box[3] - left_box[1]
    test.assertGreater(length, 100, "left spine text only %d px long" % length)
    test.assertLessEqual(abs((right_box[3] - right_box[1]) - length), 2, (left_box, right_box))
    for box in (left_box, right_box):
        test.assertLessEqual(abs((box[1] + box[3]) / 2 + 1 - 176), 4, "spine text not centred: %s" % (box,))
    turned = left.crop((left_box[0], left_box[1], left_box[2] + 1, left_box[3] + 1)).rotate(180)
    other = right.crop((right_box[0], right_box[1], right_box[2] + 1, right_box[3] + 1))
    if turned.size != other.size:
        other = other.resize(turned.size)
    differing = sum(1 for a, b in zip(turned.convert("1").getdata(), other.convert("1").getdata()) if a != b)
    test.assertLess(differing, 0.15 * turned.size[0] * turned.size[1],
                    "the right spine does not read as the left one turned half a turn")


class TrackEditorStory(Story, unittest.TestCase):

    def test_a_typed_cover_with_corrections_reaches_the_sheets(self):
        program = self.start()
        editor = program.open_track_editor()
        with self.step("type artist, title and twelve tracks"):
            editor.replace_text("Edit3", "The Test Pilots")
            editor.replace_text("Edit2", "Night Shift")
            for track in TRACKS:
                editor.add_track(track)
        with self.step("select the second track and correct it"):
            editor.click_track(1)
            editor.replace_text("Edit1", "2. Quarry (live)")
            self.desktop.key("Return")
        with self.step("Continue"):
            editor.press_continue()
        with self.step("back panel: twelve left-aligned track lines"):
            strip = program.settled_sheet("back strip")
            lines = ink_bands(strip, PANEL_INSIDE)
            self.assertEqual(len(lines), len(TRACKS), lines)
            for first, last, ink_left, _ in lines:
                # Track lines start at x = 10 of the panel: strip column 21 + 10, box column 10 - 1.
                self.assertIn(ink_left, range(9, 14), "a track line starts at panel x %d" % (ink_left + 1))
        with self.step("spines: the artist and the title, turned"):
            spine_text_checks(self, strip)


class ListSelection(Story, unittest.TestCase):

    def test_a_selection_survives_clicks_on_the_empty_list_area_and_ctrl_clicks(self):
        program = self.start()
        editor = program.open_track_editor()
        with self.step("six tracks"):
            for track in TRACKS[:6]:
                editor.add_track(track)
        with self.step("select the fifth track, click the empty list area, correct it"):
            editor.click_track(4)
            editor.click_empty_list_area()
            editor.replace_text("Edit1", "5. Nine Bridges (edit)")
            self.desktop.key("Return")
        with self.step("select the third track, Ctrl+click it, correct it"):
            editor.click_track(2)
            editor.click_track(2, modifiers="ctrl")
            editor.replace_text("Edit1", "3. Velvet Engine (demo)")
            self.desktop.key("Return")
        with self.step("Continue: still six track lines"):
            editor.press_continue()
            lines = ink_bands(program.settled_sheet("back strip"), PANEL_INSIDE)
            self.assertEqual(len(lines), 6, "a correction was added as a new track: %s" % (lines,))


class ModalEditor(Story, unittest.TestCase):

    def test_a_minimised_editor_comes_back_and_the_close_box_answers(self):
        for manager in ("openbox", "metacity"):
            with X11Desktop(self.workdir, window_manager=manager) as self.desktop:
                program = self.start(find_sheets=False)
                editor = program.open_track_editor()
                window = editor.window
                with self.step("minimise the editor, then the main window's close box, under " + manager):
                    self.desktop.xdotool("windowminimize", window.win.id)
                    time.sleep(0.5)  # the window manager's minimising, and the way back
                    wait_until(window.has_focus, 5, "the editor back with the keyboard")
                    program.main.close()
                    time.sleep(0.5)
                    self.assertTrue(window.has_focus(), "the editor left the front")
                    editor.press_continue()
                    program.main.close()
                    self.quit(program)
