#!/usr/bin/python3
"""Writes the Windows program icons (icon resource 128 of each program) into
cmake/icons/<program>.ico from the pictures the programs already show in
their windows, so Explorer, the Start menu and the installer show the same.

  resedit                its icon at 16, 32 and 48 pixels (resedit/resources)
  paramscope, mediaprobe the probes' icon 128 (probe/ui/resources/128.png)
  diagtool               the logo (diagtool/content/images/qmLogoSmaller.png)
  jobview                the disc jobview draws as its window icon

Run again only when one of those pictures changes.
"""
import os

from PIL import Image, ImageDraw

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "cmake", "icons")
SIZES = [(16, 16), (32, 32), (48, 48)]


def jobview_icon(size):
    # A grey disc, a dark track arc and the blue label-area ring, as
    # jobview's programIcon() paints it; drawn four times larger, scaled down.
    s = size * 4
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.ellipse([2, 2, s - 3, s - 3], fill=(0xE8, 0xE8, 0xE8, 255), outline=(128, 128, 128, 255), width=4)
    t = s * 0.2
    d.arc([t, t, s - t, s - t], start=-280, end=-30, fill=(0, 0, 0, 255), width=max(4, s // 10))
    h = s * 0.35
    d.ellipse([h, h, s - h, s - h], outline=(0x20, 0x60, 0xE0, 255), width=4)
    return img.resize((size, size), Image.LANCZOS)


def save(name, images):
    # PIL writes one entry per size from the largest picture unless each size
    # comes as its own image: hand every size over.
    images = sorted(images, key=lambda im: im.size[0])
    largest = images[-1]
    path = os.path.join(OUT, name + ".ico")
    largest.save(path, format="ICO", sizes=[im.size for im in images], append_images=images[:-1])
    print(path, [im.size for im in images])


def scaled(path):
    src = Image.open(path).convert("RGBA")
    return [src if src.size == size else src.resize(size, Image.LANCZOS) for size in SIZES]


def main():
    os.makedirs(OUT, exist_ok=True)
    save("resedit", [Image.open(os.path.join(ROOT, "resedit", "resources", f"resedit-{n}.png")).convert("RGBA")
                     for n in (16, 32, 48)])
    probe = scaled(os.path.join(ROOT, "probe", "ui", "resources", "128.png"))
    save("paramscope", probe)
    save("mediaprobe", probe)
    save("diagtool", scaled(os.path.join(ROOT, "diagtool", "content", "images", "qmLogoSmaller.png")))
    save("jobview", [jobview_icon(w) for w, _ in SIZES])


if __name__ == "__main__":
    main()
