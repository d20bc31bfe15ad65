"""Track lists the user already has, through the X clipboard held by another program (xclip):
a pasted list, then tagged audio files pasted as a file manager copies them (a drop's path), and
an album folder's files with its cover and notes."""

import os
import re
import shutil
import struct
import subprocess
import unittest

from PIL import Image

from desktop import (EDITOR_CONTROLS, MAIN_TITLE, PrintQueue, Story, ink_bands, rasterise, spawn,
                     wait_until)
from test_tracks import PANEL_INSIDE

PASTED = "1. Harbour Lights\n02 - Quarry\n\n3) Velvet Engine\nKestrel\n"
# The disc 2 file first and one without tags, to be put in order.
ALBUM = [("b.flac", ["TITLE=Ox", "DISCNUMBER=2", "TRACKNUMBER=1"]), ("Velvet.flac", []),
         ("a.flac", ["TITLE=Tin Roof Rain Reprise", "TRACKNUMBER=1"])]


def nested_atoms_m4a(depth):
    """An .m4a whose moov holds `depth` udta atoms each inside the one before: deep enough, it
    overflows the tag library's stack."""
    nest = b"".join(struct.pack(">I", 8 * (depth - level)) + b"udta" for level in range(depth))
    return struct.pack(">I", 16) + b"ftypM4A \0\0\0\0" + struct.pack(">I", 8 + len(nest)) + b"moov" + nest


COMPILATION = [("01.flac", ["TITLE=Sunburnt", "ARTIST=Sun Kids", "TRACKNUMBER=1"]),
               ("02.flac", ["TITLE=Rain", "ARTIST=Cloud Nine", "TRACKNUMBER=2"])]
# Untagged, named as rippers name them, one folder a disc, the cover in a folder of its own.
DOUBLE = ["CD1/01 - Alpha.wav", "CD1/02 - Beta.wav", "CD2/01 - Gamma.wav"]


@unittest.skipUnless(all(map(shutil.which, ("xclip", "sox", "metaflac"))), "needs xclip, sox and metaflac")
class TrackListsFromElsewhere(Story, unittest.TestCase):

    def paste(self, editor, data, target):
        owner = spawn(["xclip", "-quiet", "-selection", "clipboard", "-t", target, "-i"], stdin=subprocess.PIPE,
                      stderr=subprocess.DEVNULL, env=dict(os.environ, **self.desktop.env()))
        owner.stdin.write(data.encode())
        owner.stdin.close()
        self.addCleanup(owner.wait)
        self.addCleanup(owner.terminate)
        editor.window.click_control(EDITOR_CONTROLS["Edit1"])
        self.desktop.key("ctrl+v")

    def test_a_pasted_list_and_pasted_audio_files_become_tracks(self):
        hostile = [os.path.join(self.tmp, name) for name in ("broken.flac", "never written.flac", "deep.m4a")]
        paths = [os.path.join(self.tmp, name) for name, _ in ALBUM] + hostile
        with self.step("make tagged FLAC files with sox and metaflac, a broken one, a FIFO and one that "
                       "crashes the tag library"):
            for path, (_, tags) in zip(paths, ALBUM):
                subprocess.run(["sox", "-n", "-r", "8000", path, "trim", "0", "0.05"], check=True)
                subprocess.run(["metaflac", "--remove-all-tags"] + ["--set-tag=" + t for t in tags] + [path], check=True)
            with open(hostile[0], "wb") as file:
                file.write(b"not audio at all")
            os.mkfifo(hostile[1])
            with open(hostile[2], "wb") as file:
                file.write(nested_atoms_m4a(100000))
        program = self.start()
        editor = program.open_track_editor()
        with self.step("paste a list of four lines"):
            self.paste(editor, PASTED, "UTF8_STRING")
        with self.step("paste the files; the program lives on, and one message says what it left out"):
            self.paste(editor, "".join("file://%s\r\n" % p for p in paths), "text/uri-list")
            box = self.desktop.find_window(re.escape(MAIN_TITLE), exclude=program.main)
            self.desktop.key("Return")
            self.desktop.window_gone_by_id(box)
        with self.step("Continue: seven track lines, the list's own numbers dropped, files in order"):
            editor.press_continue()
            lines = ink_bands(program.settled_sheet("back strip"), PANEL_INSIDE)
            self.assertEqual(len(lines), 7, lines)
            widths = [right - left for _, _, left, right in lines]
            # "2. Quarry" is about as wide as "4. Kestrel"; "2. 02 - Quarry" would be far wider.
            self.assertLess(widths[1], widths[3] * 1.2, widths)
            # Tin Roof Rain Reprise (track 1), Velvet (no tags: its file name), Ox (disc 2).
            self.assertEqual(sorted(widths[4:], reverse=True), widths[4:], widths)

    def test_an_album_folders_files_give_tracks_and_the_cover_without_a_word(self):
        folder, green = os.path.join(self.tmp, "Album"), (0, 160, 0)
        with self.step("make an album folder: tagged FLAC files, cover.png, notes.txt"):
            os.makedirs(folder)
            for name, tags in ALBUM:
                path = os.path.join(folder, name)
                subprocess.run(["sox", "-n", "-r", "8000", path, "trim", "0", "0.05"], check=True)
                subprocess.run(["metaflac", "--remove-all-tags"] + ["--set-tag=" + t for t in tags] + [path], check=True)
            Image.new("RGB", (30, 30), green).save(os.path.join(folder, "cover.png"))
            with open(os.path.join(folder, "notes.txt"), "w") as notes:
                notes.write("Ripped with care.\n")
        program = self.start()
        editor = program.open_track_editor()
        with self.step("select all in the folder, copy, paste into the type-in line, Continue: no box"):
            files = sorted(os.listdir(folder))
            self.paste(editor, "".join("file://%s\r\n" % os.path.join(folder, f) for f in files), "text/uri-list")
            wait_until(lambda: len(ink_bands(editor.window.grab(EDITOR_CONTROLS["ListBox1"]), (2, 2, 175, 151))) == 3,
                       15, "three tracks")
            editor.press_continue()
            self.assertEqual([title for title, _ in self.desktop.windows()], [MAIN_TITLE])
        with self.step("cover.png on the front insert, three track lines on the back"):
            program.wait_for_sheet("Image4", lambda s: s.getpixel((180, 176)) == green, "cover.png on the front")
            program.show_page("Back")
            program.wait_for_sheet("back strip", lambda s: len(ink_bands(s, PANEL_INSIDE)) == 3, "three track lines")

    def print_job(self, program, queue):
        """Print to the queue; the page's text and its picture."""
        program.click_button("Print")
        dialog = self.desktop.find_window(r"(?!%s$).*" % re.escape(MAIN_TITLE))
        dialog.wait_for_focus()
        self.desktop.key("Return")
        self.desktop.window_gone_by_id(dialog)
        job = queue.wait_for_job()
        text = subprocess.run(["pdftotext", job, "-"], check=True, capture_output=True, text=True).stdout
        page = rasterise(job, os.path.join(self.tmp, "page"))
        os.remove(job)
        return text, page

    def paste_album(self, program, files, count):
        editor = program.open_track_editor()
        self.paste(editor, "".join("file://%s\r\n" % f for f in files), "text/uri-list")
        wait_until(lambda: len(ink_bands(editor.window.grab(EDITOR_CONTROLS["ListBox1"]), (2, 2, 175, 151)))
                   == count, 15, "%d tracks" % count)
        editor.press_continue()

    @unittest.skipUnless(shutil.which("pdftotext"), "needs pdftotext")
    def test_a_compilation_and_a_disc_folder_album_copied_whole_print_as_they_read(self):
        summer, double = os.path.join(self.tmp, "Summer"), os.path.join(self.tmp, "The Band - Double (2019) [FLAC]")
        with self.step("make a compilation (two artists, no album artist) and an untagged album in disc folders"):
            for name in [os.path.join(summer, n) for n, _ in COMPILATION] + [os.path.join(double, n) for n in DOUBLE]:
                os.makedirs(os.path.dirname(name), exist_ok=True)
                subprocess.run(["sox", "-n", "-r", "8000", name, "trim", "0", "0.05"], check=True)
            for name, tags in COMPILATION:
                subprocess.run(["metaflac"] + ["--set-tag=" + t for t in tags] + [os.path.join(summer, name)], check=True)
            os.makedirs(os.path.join(double, "Artwork"))
            Image.new("RGB", (30, 30), (0, 160, 0)).save(os.path.join(double, "Artwork", "cover.png"))
        with PrintQueue(os.path.join(self.tmp, "q")) as queue:
            program = self.start(cups_server=queue.socket)
            with self.step("paste the compilation's files, Continue, Print: each line names its artist"):
                self.paste_album(program, [os.path.join(summer, name) for name, _ in COMPILATION], 2)
                text, _ = self.print_job(program, queue)
                for printed in ("Various Artists", "1. Sun Kids - Sunburnt", "2. Cloud Nine - Rain"):
                    self.assertIn(printed, text)
            with self.step("New Cover, paste the album's folder copied whole, Continue, Print: its discs in order, "
                           "the folder's name for artist and album, its artwork on the front"):
                program.click_button("New Cover")
                self.paste_album(program, [double], 3)
                text, page = self.print_job(program, queue)
                self.assertEqual(re.findall(r"\d\. \w+", text), ["1. Alpha", "2. Beta", "3. Gamma"], text)
                self.assertIn("The Band", text)
                self.assertIn("Double", text)
                red, green, _ = page.getpixel((300, 1400))  # 30 mm in, 140 mm down: the front insert
                self.assertTrue(red < 60 and green > 120, (red, green))
