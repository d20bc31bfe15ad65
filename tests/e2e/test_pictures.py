"""Pictures chosen through Qt's own file dialog, and the files that cannot be read."""

import os
import re
import unittest

from PIL import Image, ImageChops

from desktop import (ERROR_ICON, MAIN_TITLE, Story, message_box_shows, message_text_line,
                     shows_text)

RED, BLUE, GREEN = (255, 0, 0), (0, 0, 255), (0, 160, 0)


def two_halves(path, size=(40, 20)):
    """A picture red on its left half and blue on its right half."""
    image = Image.new("RGB", size, BLUE)
    image.paste(RED, (0, 0, size[0] // 2, size[1]))
    image.save(path)
    return path


def solid(path, colour, size=(30, 30)):
    Image.new("RGB", size, colour).save(path)
    return path


def back_with_halves(strip):
    """The back picture spread over the strip: red left spine, blue right spine."""
    return (strip.getpixel((10, 100)) == RED and strip.getpixel((431, 100)) == BLUE
            and strip.getpixel((100, 100)) == RED and strip.getpixel((340, 100)) == BLUE)


class PictureStory(Story, unittest.TestCase):

    def choose_back_and_front(self, program):
        back = two_halves(os.path.join(self.tmp, "back.bmp"))
        front = solid(os.path.join(self.tmp, "front.gif"), GREEN)
        with self.step("Image on the Back page, through the file dialog"):
            program.choose_picture(back)
            program.wait_for_sheet("back strip", back_with_halves, "the back picture")
        with self.step("Image on the Front page, through the file dialog"):
            program.show_page("Front")
            program.choose_picture(front)
            front_sheet = program.wait_for_sheet(
                "Image4", lambda s: s.getpixel((180, 176)) == GREEN and s, "the front picture")
            self.assertEqual(front_sheet.getpixel((0, 0)), (0, 0, 0), "front outline over the picture")
            self.assertEqual(front_sheet.getpixel((360, 200)), (0, 0, 0))

    def test_back_and_front_pictures_through_the_file_dialog(self):
        program = self.start()
        self.choose_back_and_front(program)

    def test_png_over_white_and_the_first_frame_of_a_webp(self):
        program = self.start()
        back, front = os.path.join(self.tmp, "back.png"), os.path.join(self.tmp, "front.webp")
        png = Image.new("RGBA", (40, 20), (0, 0, 255, 0))  # right half clear, though blue underneath
        png.paste(RED + (255,), (0, 0, 20, 20))
        png.save(back)
        Image.new("RGB", (30, 30), GREEN).save(front, save_all=True, lossless=True,
                                               append_images=[Image.new("RGB", (30, 30), RED)])
        with self.step("Image on the Back page: a PNG with a transparent half"):
            program.choose_picture(back)
            program.wait_for_sheet("back strip", lambda s: s.getpixel((100, 100)) == RED
                                   and s.getpixel((340, 100)) == (255, 255, 255), "the PNG over white")
        with self.step("Image on the Front page: an animated WebP, green then red"):
            program.show_page("Front")
            program.choose_picture(front)
            program.wait_for_sheet("Image4", lambda s: s.getpixel((180, 176)) == GREEN, "the first frame")

    def test_unreadable_pictures_give_the_error_box_and_keep_the_cover(self):
        program = self.start()
        self.choose_back_and_front(program)
        program.show_page("Back")
        before = program.settled_sheet("back strip")
        broken = os.path.join(self.tmp, "broken.jpg")
        with open(broken, "wb") as file:
            file.write(b"\xff\xd8\xff\xe0 this is not a picture")
        unknown = solid(os.path.join(self.tmp, "cover.pcx.bmp"), RED)
        os.rename(unknown, os.path.join(self.tmp, "cover.pcx"))
        for path, message in ((broken, None),
                              (os.path.join(self.tmp, "cover.pcx"),
                               "Unknown picture file extension (.pcx)")):
            with self.step("Image with " + os.path.basename(path)):
                program.choose_picture(path)
                box = self.desktop.find_window(re.escape(MAIN_TITLE), exclude=program.main)
                # The error icon on the left, the message right of it, the OK button below.
                shot = box.wait_for_pixels(message_box_shows(ERROR_ICON), "the error icon and a message")
                if message:  # else the reader's own message
                    ok, detail = shows_text(message_text_line(shot), message)
                    self.assertTrue(ok, detail)
                self.desktop.key("Return")
                self.desktop.window_gone_by_id(box)
            with self.step("cover as before " + os.path.basename(path)):
                # Where the box stood is repainted once it has gone.
                program.wait_for_sheet("back strip", lambda s: difference(s, before) is None,
                                       "the back strip as before the error")


def difference(a, b):
    return ImageChops.difference(a, b).getbbox()
