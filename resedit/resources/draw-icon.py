#!/usr/bin/python3
"""Draws resedit's program icon (icon 128) at 16, 32 and 48 pixels.

A disc seen from the label side with a resource sheet in front of it: the
editor changes what the drive does to the disc. Drawn four times larger and
scaled down, so the small sizes stay smooth. Run again only to change the icon.
"""
import os

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
SCALE = 4


def draw(size):
    s = size * SCALE
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)

    # The disc: silver with a darker rim, a few tracks and the hub.
    m = s * 0.02
    d.ellipse([m, m, s - m, s - m], fill=(214, 220, 228, 255), outline=(96, 104, 120, 255), width=max(SCALE, s // 24))
    for k in (0.16, 0.26):
        r = s * k
        d.ellipse([s / 2 - r - s * 0.2, s / 2 - r - s * 0.2, s / 2 + r + s * 0.2, s / 2 + r + s * 0.2],
                  outline=(150, 160, 176, 255), width=max(SCALE // 2, s // 64))
    hub = s * 0.12
    d.ellipse([s / 2 - hub, s / 2 - hub, s / 2 + hub, s / 2 + hub], fill=(255, 255, 255, 255),
              outline=(96, 104, 120, 255), width=max(SCALE // 2, s // 48))

    # The resource sheet in the lower right, with three value rows.
    x0, y0, x1, y1 = s * 0.46, s * 0.40, s * 0.96, s * 0.98
    d.rectangle([x0, y0, x1, y1], fill=(255, 255, 255, 255), outline=(40, 72, 140, 255), width=max(SCALE, s // 24))
    rows = 3
    for i in range(rows):
        y = y0 + (y1 - y0) * (i + 1) / (rows + 1)
        d.line([x0 + s * 0.07, y, x1 - s * 0.07, y], fill=(40, 72, 140, 255), width=max(SCALE, s // 20))
    # A red mark on the middle row: the value being edited.
    y = y0 + (y1 - y0) * 2 / (rows + 1)
    d.line([x0 + s * 0.07, y, x0 + (x1 - x0) * 0.55, y], fill=(208, 32, 32, 255), width=max(SCALE, s // 20))
    return img.resize((size, size), Image.LANCZOS)


for size in (16, 32, 48):
    draw(size).save(os.path.join(HERE, f"resedit-{size}.png"), optimize=True)
