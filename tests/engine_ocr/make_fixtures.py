#!/usr/bin/env python3
"""Renders the pictures the text-recognition tests read.

usage: make_fixtures.py OUTPUT_FOLDER

Every picture is drawn with WenQuanYi Micro Hei (Latin and Chinese glyphs in
one font) so the tests need nothing beyond the Debian packages the project
lists.
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# The lines of lines.png, top to bottom; the tests expect them back in order.
# The recogniser reports the gaps in the Chinese line as spaces, which the
# reader removes: the tests expect "你好世界欢迎".
LINES = ["Velmora reads text", "Second line 2024", "你好 世界 欢迎"]


def draw_lines(picture, lines, size, fill, top=40, left=40):
    draw = ImageDraw.Draw(picture)
    font = ImageFont.truetype(FONT, size)
    y = top
    for line in lines:
        draw.text((left, y), line, font=font, fill=fill)
        y += int(size * 1.8)


def main(folder):
    os.makedirs(folder, exist_ok=True)

    lines = Image.new("RGB", (900, 360), "white")
    draw_lines(lines, LINES, 48, "black")
    lines.save(os.path.join(folder, "lines.png"))

    # Black text on a fully transparent background: a viewer shows it on white.
    transparent = Image.new("RGBA", (900, 160), (0, 0, 0, 0))
    draw_lines(transparent, ["Clear background"], 48, (0, 0, 0, 255))
    transparent.save(os.path.join(folder, "transparent.png"))

    Image.new("RGB", (640, 480), "white").save(os.path.join(folder, "white.png"))
    Image.new("RGB", (1, 1), "white").save(os.path.join(folder, "tiny.png"))

    # 54 megapixels: decoded at a reduced size and scaled down before reading.
    large = Image.new("L", (9000, 6000), 255)
    draw_lines(large, ["Large picture"], 320, 0, top=400, left=400)
    large.save(os.path.join(folder, "large.jpg"), quality=80)

    # 72 megapixels in a format without reduced decoding: refused unread.
    Image.new("1", (9000, 8000), 1).save(os.path.join(folder, "huge.png"))


if __name__ == "__main__":
    main(sys.argv[1])
