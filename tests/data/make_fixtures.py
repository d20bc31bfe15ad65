"""Writes the fixtures that ImageMagick cannot: odd bitmap layouts, a GIF with only a local
colour table and a small enhanced metafile. Run by make_fixtures.sh."""
import struct

RED, LIME, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)


def quadrant(x, y, w, h):
    """Colour index 0..3 of the quadrant picture: red | lime over blue | white."""
    return (1 if x >= w // 2 else 0) + (2 if y >= h // 2 else 0)


PALETTE = [RED, LIME, BLUE, WHITE]


def bmp_file(info, palette_bytes, pixels):
    offset = 14 + len(info) + len(palette_bytes)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette_bytes + pixels


def write_topdown24(path, w=8, h=8):
    stride = (w * 3 + 3) & ~3
    rows = b""
    for y in range(h):  # first row stored is the top row
        row = b"".join(bytes(PALETTE[quadrant(x, y, w, h)][::-1]) for x in range(w))
        rows += row + b"\0" * (stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, w, -h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    open(path, "wb").write(bmp_file(info, b"", rows))


def write_os2_4bit(path, w=8, h=8):
    stride = ((w * 4 + 31) // 32) * 4
    rows = b""
    for y in reversed(range(h)):
        nibbles = [quadrant(x, y, w, h) for x in range(w)]
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, w, 2))
        rows += row + b"\0" * (stride - len(row))
    info = struct.pack("<IHHHH", 12, w, h, 1, 4)
    pal = b"".join(bytes(c[::-1]) for c in PALETTE) + b"\0" * 3 * 12
    open(path, "wb").write(bmp_file(info, pal, rows))


def write_rle4(path, w=8, h=8):
    data = b""
    for y in reversed(range(h)):
        left, right = quadrant(0, y, w, h), quadrant(w - 1, y, w, h)
        # two encoded runs of w/2 pixels each, then end of line
        data += bytes([w // 2, left << 4 | left, w // 2, right << 4 | right, 0, 0])
    data += b"\0\1"
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 2, len(data), 2835, 2835, 4, 0)
    pal = b"".join(bytes(c[::-1]) + b"\0" for c in PALETTE)
    open(path, "wb").write(bmp_file(info, pal, data))


def lzw_uncompressed(indices, min_code_size):
    """LZW data that never grows the code table: a clear code before it would."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    width = min_code_size + 1
    codes, run = [clear], 0
    for i in indices:
        if run == (1 << min_code_size) - 2:
            codes.append(clear)
            run = 0
        codes.append(i)
        run += 1
    codes.append(end)
    bits, nbits, out = 0, 0, bytearray()
    for c in codes:
        bits |= c << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        out.append(bits)
    blocks = b"".join(bytes([len(out[i:i + 255])]) + bytes(out[i:i + 255]) for i in range(0, len(out), 255))
    return bytes([min_code_size]) + blocks + b"\0"


def write_local_colour_gif(path, w=4, h=4):
    screen = b"GIF89a" + struct.pack("<HHBBB", w, h, 0x00, 0, 0)  # no global colour table
    desc = b"," + struct.pack("<HHHHB", 0, 0, w, h, 0x81)  # local table of 4 colours
    table = b"".join(bytes(c) for c in PALETTE)
    pixels = [quadrant(x, y, w, h) for y in range(h) for x in range(w)]
    open(path, "wb").write(screen + desc + table + lzw_uncompressed(pixels, 2) + b";")


def emf_record(kind, payload):
    return struct.pack("<II", kind, 8 + len(payload)) + payload


def write_emf(path):
    """A 1 x 0.5 inch frame (96 x 48 pixels at 96 ppi) on a 96 dpi reference device, with a
    red left half and a blue square in the right half."""
    body = b""
    body += emf_record(39, struct.pack("<IIII", 1, 0, 0x0000FF, 0))  # CREATEBRUSHINDIRECT red
    body += emf_record(39, struct.pack("<IIII", 2, 0, 0xFF0000, 0))  # blue
    body += emf_record(37, struct.pack("<I", 0x80000008))  # SELECTOBJECT NULL_PEN
    body += emf_record(37, struct.pack("<I", 1))
    body += emf_record(43, struct.pack("<iiii", 0, 0, 48, 48))  # RECTANGLE
    body += emf_record(37, struct.pack("<I", 2))
    body += emf_record(43, struct.pack("<iiii", 60, 12, 84, 36))
    eof = emf_record(14, struct.pack("<III", 0, 16, 20))
    records = 2 + 7
    total = 88 + len(body) + len(eof)
    header = struct.pack("<II", 1, 88)
    header += struct.pack("<iiii", 0, 0, 95, 47)  # rclBounds, device pixels
    header += struct.pack("<iiii", 0, 0, 2540, 1270)  # rclFrame, 0.01 mm
    header += struct.pack("<IIIIHHIII", 0x464D4520, 0x10000, total, records, 3, 0, 0, 0, 0)
    header += struct.pack("<iiii", 1920, 1080, 508, 286)  # szlDevice, szlMillimeters
    assert len(header) == 88
    open(path, "wb").write(header + body + eof)


write_topdown24("bmp_topdown24.bmp")
write_os2_4bit("bmp_os2_4bit.bmp")
write_rle4("bmp_rle4.bmp")
write_local_colour_gif("gif_local_colours.gif")
write_emf("emf_two_shapes.emf")
