#!/usr/bin/env python3
"""Draws the window's artwork and writes it next to this script.

    logo.jpg       424 x 534  logo picture (shown stretched to 211 x 211)
    start.jpg      220 x 80   start picture of the start button
    start_hot.jpg  220 x 80   the same, highlighted while the pointer is over it
    program.ico    program icon, 16 to 48 pixels
    hand.cur       32 x 32 pointing-hand cursor

Needs ImageMagick's `convert` and the WenQuanYi Micro Hei font. The outputs
are committed; run this again only to change the artwork.
"""
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
PANEL_BLUE = "rgb(22,131,196)"
ORANGE_TOP, ORANGE_BOTTOM = "rgb(255,183,64)", "rgb(236,100,22)"


def convert(*args):
    subprocess.run(["convert", *args], check=True)


def jpeg_options():
    # Baseline sequential, 4:2:0, no metadata: the window's decoder needs
    # nothing more and the files stay small.
    return ["-strip", "-interlace", "none", "-sampling-factor", "2x2",
            "-quality", "90", "-colorspace", "sRGB", "-type", "TrueColor"]


def draw_tile(tmp, size, out):
    """The product's badge: an orange rounded square with a white "Z"."""
    radius = size // 5
    mask = os.path.join(tmp, "tile_mask.png")
    convert("-size", f"{size}x{size}", "xc:none", "-fill", "white",
            "-draw", f"roundrectangle 0,0 {size - 1},{size - 1} {radius},{radius}", mask)
    gloss = os.path.join(tmp, "tile_gloss.png")
    convert("-size", f"{size}x{size}", "xc:none", "-fill", "rgba(255,255,255,0.16)",
            "-draw", f"roundrectangle {size // 40},{size // 40} {size - 1 - size // 40},"
                     f"{size * 45 // 100} {radius},{radius}", gloss)
    stroke = max(1, size // 55)
    convert("-size", f"{size}x{size}", f"gradient:{ORANGE_TOP}-{ORANGE_BOTTOM}",
            mask, "-compose", "CopyOpacity", "-composite",
            gloss, "-compose", "over", "-composite",
            "-font", FONT, "-pointsize", str(size * 77 // 100), "-gravity", "center",
            "-fill", "rgba(150,50,0,0.35)", "-annotate", f"+{stroke}+{size // 50 + stroke * 2}", "Z",
            "-fill", "white", "-stroke", "white", "-strokewidth", str(stroke),
            "-annotate", f"+0+{size // 50}", "Z", out)


def make_logo(tmp):
    # Drawn square, then stretched to 424 x 534: the window squeezes it back
    # into a 211 x 211 box, so it shows with its intended proportions.
    tile = os.path.join(tmp, "logo_tile.png")
    draw_tile(tmp, 220, tile)
    shadowed = os.path.join(tmp, "logo_tile_shadow.png")
    convert(tile, "(", "+clone", "-background", "rgba(0,40,80,0.6)", "-shadow", "60x10+0+8", ")",
            "+swap", "-background", "none", "-layers", "merge", "+repage", shadowed)
    convert("-size", "424x424", f"radial-gradient:rgb(64,168,232)-{PANEL_BLUE}",
            shadowed, "-gravity", "north", "-geometry", "+0+40", "-composite",
            "-font", FONT, "-fill", "white", "-stroke", "white", "-strokewidth", "1.5",
            "-pointsize", "52", "-annotate", "+0+300", "Zorvane工具",
            "-stroke", "none", "-fill", "rgb(210,236,252)",
            "-pointsize", "26", "-annotate", "+0+372", "高效 · 安全 · 专业",
            "-resize", "424x534!", *jpeg_options(), os.path.join(HERE, "logo.jpg"))


def make_start(tmp, top, bottom, glow, shadow, out):
    """The start button on panel blue. Rows 72-79 stay plain panel blue: the
    progress bar covers them while the product is unpacked."""
    w, h = 208, 60
    mask = os.path.join(tmp, "button_mask.png")
    convert("-size", f"{w}x{h}", "xc:none", "-fill", "white",
            "-draw", f"roundrectangle 0,0 {w - 1},{h - 1} 14,14", mask)
    face = os.path.join(tmp, "button_face.png")
    convert("-size", f"{w}x{h}", f"gradient:{top}-{bottom}", mask,
            "-compose", "CopyOpacity", "-composite",
            "(", "-size", f"{w}x{h}", "xc:none", "-fill", "rgba(255,255,255,0.22)",
            "-draw", f"roundrectangle 2,2 {w - 3},{h * 2 // 3} 12,12", ")",
            "-compose", "over", "-composite",
            "-font", FONT, "-pointsize", "28", "-gravity", "center",
            "-fill", "rgba(140,50,0,0.45)", "-annotate", "+1+2", "立即安装",
            "-fill", "white", "-stroke", "white", "-strokewidth", "0.8",
            "-annotate", "+0+0", "立即安装", face)
    convert("-size", "220x80", f"xc:{PANEL_BLUE}",
            "(", face, "(", "+clone", "-background", glow, "-shadow", shadow, ")",
            "+swap", "-background", "none", "-layers", "merge", "+repage", ")",
            "-gravity", "center", "-geometry", "+0-4", "-composite", "-flatten",
            *jpeg_options(), out)


def make_icon(tmp):
    tile = os.path.join(tmp, "icon_tile.png")
    draw_tile(tmp, 256, tile)
    convert(tile, "-depth", "8", "-define", "icon:auto-resize=48,32,24,16",
            os.path.join(HERE, "program.ico"))


# The hand, pixel by pixel: X outline, o fill, anything else transparent.
# The fingertip (column 5, row 0) is the hot spot.
HAND = """
.....XX
....XooX
....XooX
....XooX
....XooX
....XooXXX
....XooXooXXX
....XooXooXooXX
....XooXooXooXoX
.XX.XooXooXooXooX
XooXXoooooooooooX
XoooXoooooooooooX
.XooXoooooooooooX
..XoooooooooooooX
..XoooooooooooooX
...XooooooooooooX
...XoooooooooooX
....XooooooooooX
....XooooooooooX
.....XooooooooX
.....XooooooooX
.....XXXXXXXXXX
"""
HAND_HOTSPOT = (5, 0)


def make_cursor():
    """A 32 x 32 cursor with a 32-bit colour image and its AND mask."""
    rows = HAND.strip("\n").split("\n")
    size = 32
    colours = {"X": (0, 0, 0, 255), "o": (255, 255, 255, 255)}
    pixels = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # bottom-up, as in every DIB
        line = rows[y] if y < len(rows) else ""
        bits = 0
        for x in range(size):
            c = line[x] if x < len(line) else "."
            b, g, r, a = (0, 0, 0, 0)
            if c in colours:
                r, g, b, a = colours[c]
            else:
                bits |= 1 << (31 - x)  # transparent in the AND mask
            pixels += bytes((b, g, r, a))
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, HAND_HOTSPOT[0], HAND_HOTSPOT[1],
                        len(image), 6 + 16)
    with open(os.path.join(HERE, "hand.cur"), "wb") as f:
        f.write(directory + entry + image)


def main():
    with tempfile.TemporaryDirectory() as tmp:
        make_logo(tmp)
        make_start(tmp, "rgb(255,178,60)", "rgb(238,104,24)", "rgba(0,30,70,0.7)", "50x3+0+3",
                   os.path.join(HERE, "start.jpg"))
        make_start(tmp, "rgb(255,204,98)", "rgb(250,128,40)", "rgba(255,236,160,1)", "80x4+0+0",
                   os.path.join(HERE, "start_hot.jpg"))
        make_icon(tmp)
        make_cursor()
    return 0


if __name__ == "__main__":
    sys.exit(main())
