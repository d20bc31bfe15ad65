"""What a screen reader finds on the accessibility bus, through AT-SPI."""

import os
import unittest

from desktop import EDITOR_TITLE, MAIN_TITLE, TOOLBAR, Story, session_bus, wait_until

COVER = ["The Test Pilots", "Night Shift"]
# Per window: role, name and words its description holds (" ": any words at all).
MAIN_WINDOW = [("image", "Back insert", ["3 tracks"]), ("image", "Left spine", COVER), ("image", "Front insert", COVER),
               ("color chooser", "Outline colour", ["outlines", "#000000"]),
               ("link", "https://coverartarchive.org/", ["browser"])] + [("push button", c, [" "]) for c in TOOLBAR]


class ScreenReader(Story, unittest.TestCase):

    def assert_exposed(self, title, expected):
        import pyatspi  # it finds the session bus when first used
        found, nodes = {}, [wait_until(lambda: next((w for app in pyatspi.Registry.getDesktop(0) if app.name == "Plattera"
                                                     for w in app if w.name == title), None), 15, "the window " + title)]
        while nodes:
            node = nodes.pop()
            found.setdefault((node.getRoleName(), node.name), node)
            nodes.extend(node)
        self.assertEqual([r for r, n in found if not n and r not in ("layered pane", "scroll bar", "filler")], [],
                         "unnamed controls (only Qt's own containers and the scroll bars may be)")
        for role, name, words in expected:
            for word in words:
                self.assertIn(word, found[role, name].description, name)
        return found

    def test_every_control_says_what_it_is_for(self):
        with session_bus(self.desktop) as address:
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
            program = self.start(extra_env={"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
            editor = program.open_track_editor()
            with self.step("the track editor with a cover typed in"):
                editor.replace_text("Edit3", COVER[0])
                editor.replace_text("Edit2", COVER[1])
                for track in ("Harbour Lights", "Quarry", "Kestrel"):
                    editor.add_track(track)
                self.assert_exposed(EDITOR_TITLE, [("list", "Tracks on the CD", []), ("text", "Artist", [])])
                editor.press_continue()
            with self.step("the main window: sheets, swatch, link and toolbar"):
                link = self.assert_exposed(MAIN_TITLE, MAIN_WINDOW)["link", MAIN_WINDOW[4][1]].queryAction()
                self.assertEqual([link.getName(i) for i in range(link.nActions)], ["Press"])
            with self.step("the font dialog"):
                program.click_button("Font type/color")
                self.assert_exposed(self.desktop.find_window(r"(?!%s$).*" % MAIN_TITLE).title, [("list", "Size", [])])
            self.quit(program)
