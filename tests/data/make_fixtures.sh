#!/bin/sh
# Rebuilds the picture fixtures of tests/data with ImageMagick 6 and python3.
# Pictures are drawn as quadrants so that orientation and colours can both be checked:
#   red   | lime
#   ------+------
#   blue  | white
set -eu
cd "$(dirname "$0")"

quadrants() { # width height output [options...]
    w=$1; h=$2; out=$3; shift 3
    convert -size ${w}x${h} xc:white \
        -fill red -draw "rectangle 0,0 $((w/2-1)),$((h/2-1))" \
        -fill lime -draw "rectangle $((w/2)),0 $((w-1)),$((h/2-1))" \
        -fill blue -draw "rectangle 0,$((h/2)) $((w/2-1)),$((h-1))" \
        "$@" "$out"
}

# JPEG: baseline, progressive, greyscale, CMYK (ImageMagick writes the Adobe inverted form).
quadrants 16 16 jpeg_baseline.jpg -sampling-factor 1x1 -quality 100
quadrants 16 16 jpeg_progressive.jpg -sampling-factor 1x1 -quality 100 -interlace JPEG
quadrants 16 16 jpeg_grey.jpg -colorspace Gray -quality 100
quadrants 16 16 jpeg_cmyk.jpg -colorspace CMYK -sampling-factor 1x1 -quality 100
quadrants 32 256 jpeg_tall.jpg -sampling-factor 1x1 -quality 90

# GIF: a 4x2 red frame at (3, 2) on a 10x6 screen; an interlaced picture with a transparent
# 4x4 square at the top left.
convert -size 4x2 xc:red -set page 10x6+3+2 gif_frame_offset.gif
quadrants 16 16 gif_interlaced_transparent.gif -alpha set -channel A -fx "(i<4 && j<4) ? 0 : 1" +channel -interlace GIF

# BMP written by ImageMagick: 8-bit RLE8, 16-bit 565 bitfields, 1-bit, 32-bit.
quadrants 8 8 BMP3:bmp_pal8_rle8.bmp -type palette -compress RLE
quadrants 8 8 bmp_rgb565.bmp -define bmp:subtype=RGB565
convert -size 8x8 xc:white -fill black -draw "rectangle 0,0 3,3" -type bilevel BMP3:bmp_1bit.bmp
quadrants 8 8 bmp_rgb32.bmp -alpha on -define bmp:format=bmp4

# Icons: 16x16 and a 32x32 whose top-left 8x8 is transparent; one with a PNG 256x256 entry.
quadrants 32 32 /tmp/plattera_icon32.png -alpha set -channel A -fx "(i<8 && j<8) ? 0 : 1" +channel
convert -size 16x16 xc:black /tmp/plattera_icon32.png -colors 256 ico_two_sizes.ico
quadrants 256 256 /tmp/plattera_icon256.png
convert -size 16x16 xc:black /tmp/plattera_icon256.png ico_png_entry.ico
rm -f /tmp/plattera_icon32.png /tmp/plattera_icon256.png

# What ImageMagick does not write: top-down 24-bit, OS/2 1.x 4-bit, RLE4, a GIF with only a
# local colour table, and a small enhanced metafile.
python3 make_fixtures.py

# PNG and WebP (Pillow, libwebp's tools): transparency by palette and by half alpha; animations whose
# first frame shows quadrants (also behind a black default image) or a red square at (2, 2). Beside
# them, unchanged copies of libpng's pngtest.png and CPython's Lib/test/imghdrdata/python.{png,webp}.
/usr/bin/python3 - <<'PY'
from PIL import Image
q = Image.open("bmp_topdown24.bmp").convert("RGBA")
p = q.convert("P", palette=Image.ADAPTIVE, colors=4); p.putpixel((0, 0), 4)
p.save("png_palette_trns.png", transparency=4)
h = q.copy(); h.paste((255, 0, 0, 128), (0, 0, 4, 4)); h.save("png_half_alpha.png")
black = Image.new("RGBA", (8, 8), (0, 0, 0, 255))
q.save("png_animated.png", save_all=True, append_images=[black])
black.save("png_hidden_default.png", save_all=True, append_images=[q, black], default_image=True)
t = q.copy(); t.paste((0, 0, 0, 0), (0, 0, 2, 2)); t.save("webp_lossless_alpha.webp", lossless=True, exact=True)
q.resize((16, 16), Image.NEAREST).save("/tmp/plattera_q16.png")
Image.new("RGB", (4, 4), (255, 0, 0)).save("/tmp/plattera_red.webp", lossless=True)
black.save("/tmp/plattera_black.webp", lossless=True)
PY
cwebp -quiet -q 100 /tmp/plattera_q16.png -o webp_lossy.webp
webpmux -frame /tmp/plattera_red.webp +100+2+2 -frame /tmp/plattera_black.webp +100 -o webp_frame_offset.webp
rm -f /tmp/plattera_q16.png /tmp/plattera_red.webp /tmp/plattera_black.webp
