#!/usr/bin/env python3
"""Writes the small metafiles the WMF decoder tests draw. Run from any folder; the files
land next to this script. Every picture is described next to its writer."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def words(*values):
    return b"".join(struct.pack("<h" if v < 0 else "<H", v) for v in values)


def record(function, payload=b""):
    if len(payload) % 2:
        payload += b"\0"
    return struct.pack("<IH", 3 + len(payload) // 2, function) + payload


def colour(r, g, b):
    return words(r | (g << 8), b)


def metafile(records, objects, bbox=None, inch=96):
    body = b"".join(records) + record(0x0000)
    largest = max(struct.unpack_from("<I", r)[0] for r in records + [record(0)])
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, 9 + len(body) // 2, objects, largest, 0)
    placeable = b""
    if bbox:
        fields = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, *bbox, inch, 0)
        checksum = 0
        for (w,) in struct.iter_unpack("<H", fields):
            checksum ^= w
        placeable = fields + struct.pack("<H", checksum)
    return placeable + header + body


def window(org, ext):
    return [record(0x0103, words(8)),                      # MM_ANISOTROPIC
            record(0x020B, words(org[1], org[0])),
            record(0x020C, words(ext[1], ext[0]))]


def pen(style, width, rgb):
    return record(0x02FA, words(style, width, 0) + colour(*rgb))


def brush(style, rgb, hatch=0):
    return record(0x02FC, words(style) + colour(*rgb) + words(hatch))


def select(i):
    return record(0x012D, words(i))


def delete(i):
    return record(0x01F0, words(i))


def ltrb(function, left, top, right, bottom):
    return record(function, words(bottom, right, top, left))


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# 100x100: a red ellipse over (10,10)-(90,90). The red brush lands in slot 0 only if the
# slot freed by DeleteObject is reused; a select of a missing object is ignored.
write("wmf_ellipse.wmf", metafile(window((0, 0), (100, 100)) + [
    pen(0, 0, (0, 0, 0)),            # slot 0
    brush(0, (0, 255, 0)),           # slot 1
    delete(0),
    brush(0, (255, 0, 0)),           # slot 0 again
    select(0), select(57),
    ltrb(0x0418, 10, 10, 90, 90),
], objects=2, bbox=(0, 0, 100, 100)))

# 200x100: logical (-100,-50)-(300,150) fills the picture at half scale, so the blue
# rectangle (0,0)-(100,100) with a null pen covers device pixels (50,25)-(98,73).
rect_records = [pen(5, 0, (0, 0, 0)), select(0), brush(0, (0, 0, 255)), select(1),
                ltrb(0x041B, 0, 0, 100, 100)]
write("wmf_mapping.wmf", metafile(window((-100, -50), (400, 200)) + rect_records,
                                  objects=2, bbox=(0, 0, 200, 100)))
# The same picture with the y axis pointing up.
write("wmf_mapping_flipped.wmf", metafile(window((-100, 150), (400, -200)) + rect_records,
                                          objects=2, bbox=(-20, 40, 180, 140)))
# No placeable header: the window extent is the size in twips (pixels at 1440 ppi).
write("wmf_mapping_noplaceable.wmf", metafile(
    [record(0x020C, words(100, 200))] + rect_records[:4] + [ltrb(0x041B, 50, 25, 100, 75)],
    objects=2))

# 100x100: a 2x2 bitmap (bottom-up rows: blue, white / red, green) stretched onto
# (20,20)-(60,60), so each source pixel becomes a 20x20 square.
bits = (bytes([255, 0, 0, 255, 255, 255]) + b"\0\0"      # bottom row: blue, white (BGR)
        + bytes([0, 0, 255, 0, 255, 0]) + b"\0\0")       # top row: red, green
dib = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, len(bits), 0, 0, 0, 0) + bits
write("wmf_stretchdib.wmf", metafile(window((0, 0), (100, 100)) + [
    record(0x0F43, struct.pack("<IH", 0x00CC0020, 0) + words(2, 2, 0, 0, 40, 40, 20, 20) + dib),
], objects=0, bbox=(0, 0, 100, 100)))

# 200x100: "Hello" in 40-pixel Arial, black, centred on x=100 with its baseline at y=70.
face = b"Arial".ljust(32, b"\0")
write("wmf_text.wmf", metafile(window((0, 0), (200, 100)) + [
    record(0x02FB, words(-40, 0, 0, 0, 400, 0, 0, 0, 0) + face),
    select(0),
    record(0x0209, colour(0, 0, 0)),
    record(0x0102, words(1)),                             # transparent background
    record(0x012E, words(24 | 6)),                        # TA_BASELINE | TA_CENTER
    record(0x0521, words(5) + b"Hello\0" + words(70, 100)),
], objects=1, bbox=(0, 0, 200, 100)))

# 100x100: a 3-pixel red pen is saved, a blue pen draws y=10, RestoreDC(-1) brings the
# red pen back for y=30, then SaveDC twice and RestoreDC(1) keeps red for y=50.
write("wmf_savedc.wmf", metafile(window((0, 0), (100, 100)) + [
    pen(0, 3, (255, 0, 0)), select(0),
    record(0x001E),
    pen(0, 3, (0, 0, 255)), select(1),
    record(0x0214, words(10, 10)), record(0x0213, words(10, 90)),
    record(0x0127, words(-1)),
    record(0x0214, words(30, 10)), record(0x0213, words(30, 90)),
    record(0x001E), select(1), record(0x001E),
    record(0x0127, words(1)),
    record(0x0214, words(50, 10)), record(0x0213, words(50, 90)),
], objects=2, bbox=(0, 0, 100, 100)))
