#!/usr/bin/python3
"""Draws the small logo of the simple view: a labelled disc seen from above,
its label burnt in tracks, with a quill across it. Run once; the PNG it writes
is committed beside this script.

    python3 diagtool/content/make-logo.py [out.png]
"""
import math
import os
import sys

from PIL import Image, ImageDraw

SIZE = 64
SCALE = 4  # drawn large, then reduced, for smooth edges


def draw(size):
    s = size * SCALE
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    c = s / 2
    outer = s * 0.47
    hub = s * 0.12
    hole = s * 0.05
    # The disc and its label area.
    d.ellipse([c - outer, c - outer, c + outer, c + outer], fill=(196, 204, 214, 255),
              outline=(70, 80, 96, 255), width=SCALE * 2)
    # Burnt tracks: grey rings of varying darkness, as a label comes out.
    radius = outer - SCALE * 4
    ring = 0
    while radius > hub + SCALE * 3:
        shade = 60 + (ring * 37) % 90
        d.ellipse([c - radius, c - radius, c + radius, c + radius],
                  outline=(shade, shade + 8, shade + 20, 255), width=SCALE * 2)
        radius -= SCALE * 3
        ring += 1
    d.ellipse([c - hub, c - hub, c + hub, c + hub], fill=(232, 236, 240, 255),
              outline=(70, 80, 96, 255), width=SCALE)
    d.ellipse([c - hole, c - hole, c + hole, c + hole], fill=(0, 0, 0, 0))
    # The quill: a slanted vane with its shaft, lower left to upper right.
    angle = math.radians(-40)
    ux, uy = math.cos(angle), math.sin(angle)
    px, py = -uy, ux
    tip = (c - ux * s * 0.40, c - uy * s * 0.40)
    top = (c + ux * s * 0.44, c + uy * s * 0.44)
    vane = []
    steps = 24
    for i in range(steps + 1):
        t = i / steps
        width = s * 0.11 * math.sin(math.pi * min(1.0, t * 1.15)) if t > 0.12 else 0
        x = tip[0] + (top[0] - tip[0]) * t
        y = tip[1] + (top[1] - tip[1]) * t
        vane.append((x + px * width, y + py * width))
    for i in range(steps, -1, -1):
        t = i / steps
        width = s * 0.06 * math.sin(math.pi * min(1.0, t * 1.15)) if t > 0.12 else 0
        x = tip[0] + (top[0] - tip[0]) * t
        y = tip[1] + (top[1] - tip[1]) * t
        vane.append((x - px * width, y - py * width))
    d.polygon(vane, fill=(176, 32, 40, 255), outline=(96, 12, 18, 255))
    d.line([tip, top], fill=(250, 236, 210, 255), width=SCALE * 2)
    return image.resize((size, size), Image.LANCZOS)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "images", "qmLogoSmaller.png")
    draw(SIZE).save(out, optimize=True)
    print(out)


if __name__ == "__main__":
    main()
