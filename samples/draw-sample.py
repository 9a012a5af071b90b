#!/usr/bin/env python3
"""Draws samples/quillmark-label.png, the picture the sample job is made from.

The picture is laid over the whole disc, so its centre is the hub: content sits
in the ring between 40 % and 100 % of the half width. Run again only to change
the picture; the build makes the job and floyd files from the PNG.
"""
import math
import os

from PIL import Image, ImageDraw, ImageFont

SIZE = 400
C = SIZE / 2

img = Image.new("L", (SIZE, SIZE), 255)
d = ImageDraw.Draw(img)

# Word across the top, blocky letters from the built-in bitmap font.
font = ImageFont.load_default()
word = Image.new("L", (64, 12), 255)
ImageDraw.Draw(word).text((1, 0), "QUILLMARK", font=font, fill=0)
word = word.crop(word.point(lambda v: 255 - v).getbbox())
word = word.resize((word.width * 4, word.height * 4), Image.NEAREST)
img.paste(word, (int(C - word.width / 2), 54))

# Grey wedge across the bottom: eight steps from black to white.
for i in range(8):
    x0 = 72 + i * 32
    d.rectangle([x0, 300, x0 + 31, 345], fill=int(i * 255 / 7))

# Star on the right, mid grey with a black outline.
pts = []
for k in range(10):
    r = 40 if k % 2 == 0 else 17
    a = -math.pi / 2 + k * math.pi / 5
    pts.append((335 + r * math.cos(a), 200 + r * math.sin(a)))
d.polygon(pts, fill=110, outline=0)

# Solid black disc on the left: easy to check orientation.
d.ellipse([36, 170, 96, 230], fill=0)

# Thin ring just inside the outer edge.
d.ellipse([8, 8, SIZE - 9, SIZE - 9], outline=0, width=4)

# Radial gradient ring around the hub.
for r in range(82, 96):
    d.ellipse([C - r, C - r, C + r, C + r], outline=int(40 + (r - 82) * 15))

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "quillmark-label.png")
img.save(out, optimize=True)
print(out, os.path.getsize(out), "bytes")
