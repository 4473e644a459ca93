"""Makes a corpus picture from another, as the manifest's path column says after a '|':

    python3 derive.py OPERATION SOURCE.png DEST.png

sepia-clip: the common sepia toning matrix on a gray picture, each channel clipped at 255 as
an 8-bit file stores it (red = 1.351 v, green = 1.203 v, blue = 0.937 v for gray v): from
v = 189 on red is cut, from 212 green too, and the highlights bend from brown to yellow-white.
Opacity is kept."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from pngfile import read_png, write_png  # noqa: E402


def sepia_clip(pixel):
    r, g, b, a = pixel
    v = (r + g + b) / 3.0
    return (min(255, round(v * 1.351)), min(255, round(v * 1.203)), min(255, round(v * 0.937)), a)


OPERATIONS = {"sepia-clip": sepia_clip}


def main():
    operation, source, dest = sys.argv[1:4]
    width, height, rows = read_png(source)
    change = OPERATIONS[operation]
    out = [[change(p) for p in row] for row in rows]
    alpha = any(p[3] != 255 for row in out for p in row)
    write_png(dest, width, height, out, alpha)


if __name__ == "__main__":
    main()
