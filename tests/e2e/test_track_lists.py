"""Track lists the user already has: a list pasted from the X clipboard, tagged audio files
pasted as files (the path a drop takes)."""

import os
import re
import shutil
import subprocess
import unittest

from desktop import EDITOR_CONTROLS, MAIN_TITLE, Story, ink_bands, spawn
from test_tracks import PANEL_INSIDE

PASTED = "1. Harbour Lights\n02 - Quarry\n\n3) Velvet Engine\n04. Tin Roof Rain\nKestrel\n"

# (file name, tags): the disc 2 file first and one without a number, to be put in order.
ALBUM = [
    ("b.flac", ["TITLE=Low Tide", "ARTIST=The Test Pilots", "ALBUM=Night Shift", "DISCNUMBER=2", "TRACKNUMBER=1"]),
    ("a2.flac", ["TITLE=Quarry", "ARTIST=The Test Pilots", "ALBUM=Night Shift", "TRACKNUMBER=2"]),
    ("a1.flac", ["TITLE=Harbour Lights", "ARTIST=The Test Pilots", "ALBUM=Night Shift", "TRACKNUMBER=1"]),
    ("c.flac", []),
]


@unittest.skipUnless(all(shutil.which(t) for t in ("xclip", "sox", "metaflac")),
                     "needs xclip, sox and metaflac (bash scripts/install-deps.sh --tests)")
class TrackListsFromElsewhere(Story, unittest.TestCase):

    def offer_on_clipboard(self, data, target="UTF8_STRING"):
        """The clipboard held by xclip, as another program holds it, until the test ends."""
        owner = spawn(["xclip", "-quiet", "-selection", "clipboard", "-t", target, "-i"],
                      stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                      env=dict(os.environ, **self.desktop.env()))
        owner.stdin.write(data.encode())
        owner.stdin.close()
        self.addCleanup(owner.wait)
        self.addCleanup(owner.terminate)

    def paste_into_track_line(self, editor):
        editor.window.click_control(EDITOR_CONTROLS["Edit1"])
        self.desktop.key("ctrl+v")

    def track_lines_after_continue(self, program, editor):
        editor.press_continue()
        return ink_bands(program.settled_sheet("back strip"), PANEL_INSIDE)

    def test_a_pasted_list_becomes_one_track_per_line(self):
        program = self.start()
        editor = program.open_track_editor()
        with self.step("type one track, then paste a list of five"):
            editor.add_track("Intro")
            self.offer_on_clipboard(PASTED)
            self.paste_into_track_line(editor)
        with self.step("Continue: six track lines"):
            lines = self.track_lines_after_continue(program, editor)
            self.assertEqual(len(lines), 6, lines)
        with self.step("the numbers the list carried are not printed twice"):
            # "3. Quarry" is about as wide as "6. Kestrel"; "3. 02 - Quarry" would be far wider.
            quarry, kestrel = (lines[i][3] - lines[i][2] for i in (2, 5))
            self.assertLess(quarry, kestrel * 1.2, lines)

    def test_tagged_audio_files_fill_the_editor(self):
        paths = []
        with self.step("make four FLAC files with sox and metaflac, and a broken one"):
            for name, tags in ALBUM:
                path = os.path.join(self.tmp, name)
                subprocess.run(["sox", "-n", "-r", "8000", "-c", "1", path, "trim", "0", "0.05"], check=True)
                if tags:
                    subprocess.run(["metaflac"] + ["--set-tag=" + tag for tag in tags] + [path], check=True)
                paths.append(path)
            broken = os.path.join(self.tmp, "broken.flac")
            with open(broken, "wb") as file:
                file.write(b"not audio at all")
            paths.append(broken)
        program = self.start()
        editor = program.open_track_editor()
        with self.step("paste the files as a file manager copies them"):
            self.offer_on_clipboard("".join("file://%s\r\n" % p for p in paths), "text/uri-list")
            self.paste_into_track_line(editor)
        with self.step("one message names the broken file"):
            box = self.desktop.find_window(re.escape(MAIN_TITLE), exclude=program.main)
            self.desktop.key("Return")
            self.desktop.window_gone_by_id(box)
        with self.step("Continue: four track lines in disc and track order"):
            strip_lines = self.track_lines_after_continue(program, editor)
            self.assertEqual(len(strip_lines), 4, strip_lines)
            widths = [right - left for _, _, left, right in strip_lines]
            # Harbour Lights, Quarry, c (no tags), Low Tide (disc 2).
            self.assertEqual(sorted(range(4), key=lambda i: widths[i]), [2, 1, 3, 0], widths)
