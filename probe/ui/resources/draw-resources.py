#!/usr/bin/python3
"""Draws the probe tools' icon (resource 128) and about-box bitmap (131).

Run from this folder; the pictures are checked in beside this script.
"""
from PIL import Image, ImageDraw


def disc(size, label_fill):
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    r = size / 2 - 1
    c = size / 2
    d.ellipse([c - r, c - r, c + r, c + r], fill=(196, 200, 206, 255), outline=(70, 74, 82, 255))
    # The label area, burnt in grey tracks.
    for i, k in enumerate(range(int(r * 0.9), int(r * 0.42), -max(1, size // 16))):
        g = 90 + (i * 37) % 110
        d.ellipse([c - k, c - k, c + k, c + k], outline=(g, g, g, 255))
    hole = r * 0.18
    d.ellipse([c - hole, c - hole, c + hole, c + hole], fill=(0, 0, 0, 0), outline=(70, 74, 82, 255))
    # The probe: a needle from the lower right towards the tracks.
    d.line([size * 0.95, size * 0.95, c + r * 0.35, c + r * 0.35], fill=label_fill, width=max(2, size // 12))
    return img


disc(32, (200, 40, 40, 255)).save("128.png")
bitmap = Image.new("RGB", (64, 64), (255, 255, 255))
bitmap.paste(disc(64, (200, 40, 40, 255)), (0, 0), disc(64, (200, 40, 40, 255)))
bitmap.save("131.bmp")
