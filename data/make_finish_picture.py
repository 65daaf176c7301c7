#!/usr/bin/env python3
"""Draws the finish picture, the 220 x 80 picture that the start button shows
once the product is installed, and writes it as finish.jpg beside this script.

The file is a baseline JPEG of the kind image editors write: JFIF 1.02, three
components, restart markers after every row of blocks, and metadata segments
(EXIF, XMP, an ICC profile, Photoshop's APP13 and Adobe's APP14) that a
decoder has to step over.

Needs ImageMagick's `convert`, `cjpeg` (libjpeg-turbo-progs) and the
WenQuanYi Micro Hei font. The output is committed; run this again only to
change the picture.
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
PANEL_BLUE = "rgb(22,131,196)"
CREATED = (2024, 6, 10, 9, 30, 0)
CREATOR = "Zorvane Studio artwork 2.3"


def draw_pixels():
    """The picture as binary PPM: a green button on panel blue with a white
    disc, a check mark and the words 安装完成. It sits where the start
    picture's button sits, so the button seems to change its face."""
    w, h = 208, 60
    face = ["(", "-size", f"{w}x{h}", "gradient:rgb(120,214,92)-rgb(40,158,62)",
            "(", "-size", f"{w}x{h}", "xc:none", "-fill", "white",
            "-draw", f"roundrectangle 0,0 {w - 1},{h - 1} 14,14", ")",
            "-compose", "CopyOpacity", "-composite",
            "(", "-size", f"{w}x{h}", "xc:none", "-fill", "rgba(255,255,255,0.20)",
            "-draw", f"roundrectangle 2,2 {w - 3},{h * 2 // 3} 12,12", ")",
            "-compose", "over", "-composite",
            "-fill", "white", "-stroke", "rgba(20,110,40,0.5)", "-strokewidth", "1",
            "-draw", "circle 36,30 36,13",
            "-fill", "none", "-stroke", "rgb(46,164,66)", "-strokewidth", "5",
            "-draw", "stroke-linecap round stroke-linejoin round polyline 27,31 34,38 46,23",
            "-stroke", "none", "-font", FONT, "-pointsize", "26", "-gravity", "west",
            "-fill", "rgba(10,80,20,0.45)", "-annotate", "+67+2", "安装完成",
            "-fill", "white", "-stroke", "white", "-strokewidth", "0.8",
            "-annotate", "+66+0", "安装完成",
            "(", "+clone", "-background", "rgba(0,30,70,0.7)", "-shadow", "50x3+0+3", ")",
            "+swap", "-background", "none", "-layers", "merge", "+repage", ")"]
    return subprocess.run(
        ["convert", "-size", "220x80", f"xc:{PANEL_BLUE}", *face,
         "-gravity", "center", "-geometry", "+0-4", "-composite", "-flatten",
         "-depth", "8", "ppm:-"],
        check=True, stdout=subprocess.PIPE).stdout


def encode(ppm):
    # One restart interval per row of 16 x 16 blocks (4:2:0 sampling).
    return subprocess.run(["cjpeg", "-baseline", "-quality", "92", "-sample", "2x2",
                           "-restart", "1", "-dct", "int"],
                          input=ppm, check=True, stdout=subprocess.PIPE).stdout


def segment(marker, payload):
    assert len(payload) + 2 <= 0xFFFF
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def s15f16(v):
    return struct.pack(">i", round(v * 65536))


def icc_profile():
    """A small sRGB display profile (ICC version 2.1): sRGB primaries adapted
    to D50 and a gamma 2.2 tone curve shared by the three channels."""
    def xyz(x, y, z):
        return b"XYZ \0\0\0\0" + s15f16(x) + s15f16(y) + s15f16(z)

    description = b"sRGB display profile\0"
    desc = (b"desc\0\0\0\0" + struct.pack(">I", len(description)) + description
            + struct.pack(">II", 0, 0) + struct.pack(">HB", 0, 0) + bytes(67))
    cprt = b"text\0\0\0\0" + b"No copyright, use freely\0"
    curve = b"curv\0\0\0\0" + struct.pack(">IH", 1, 0x0233) + b"\0\0"  # gamma 563/256
    tags = [(b"desc", desc), (b"cprt", cprt), (b"wtpt", xyz(0.9505, 1.0, 1.0890)),
            (b"rXYZ", xyz(0.4361, 0.2225, 0.0139)), (b"gXYZ", xyz(0.3851, 0.7169, 0.0971)),
            (b"bXYZ", xyz(0.1431, 0.0606, 0.7141)),
            (b"rTRC", curve), (b"gTRC", curve), (b"bTRC", curve)]
    table_end = 128 + 4 + 12 * len(tags)
    table, body, placed = b"", b"", {}
    for sig, data in tags:
        if data not in placed:
            placed[data] = table_end + len(body)
            body += data + bytes(-len(data) % 4)
        table += sig + struct.pack(">II", placed[data], len(data))
    size = table_end + len(body)
    header = (struct.pack(">I", size) + b"\0\0\0\0" + struct.pack(">I", 0x02100000)
              + b"mntrRGB XYZ " + struct.pack(">6H", *CREATED) + b"acsp" + bytes(4)
              + struct.pack(">I", 0) + bytes(8) + bytes(8) + struct.pack(">I", 0)
              + s15f16(0.9642) + s15f16(1.0) + s15f16(0.8249) + bytes(4) + bytes(44))
    assert len(header) == 128
    return header + struct.pack(">I", len(tags)) + table + body


def exif():
    """TIFF structure (little-endian) with IFD0 and an Exif sub-IFD."""
    stamp = "{:04d}:{:02d}:{:02d} {:02d}:{:02d}:{:02d}\0".format(*CREATED).encode()
    software = CREATOR.encode() + b"\0"
    SHORT, LONG, RATIONAL, ASCII = 3, 4, 5, 2
    ifd0_count, exif_count = 7, 3
    ifd0_at = 8
    exif_at = ifd0_at + 2 + 12 * ifd0_count + 4
    data_at = exif_at + 2 + 12 * exif_count + 4
    extra = b""

    def place(blob):
        nonlocal extra
        offset = data_at + len(extra)
        extra += blob + bytes(len(blob) % 2)
        return offset

    def entry(tag, kind, count, value):
        if isinstance(value, bytes):  # stored elsewhere, the entry holds its offset
            return struct.pack("<HHII", tag, kind, count, place(value))
        if kind == SHORT:
            return struct.pack("<HHIHH", tag, kind, count, value, 0)
        return struct.pack("<HHII", tag, kind, count, value)

    ifd0 = [entry(0x0112, SHORT, 1, 1),                        # orientation: normal
            entry(0x011A, RATIONAL, 1, struct.pack("<II", 72, 1)),
            entry(0x011B, RATIONAL, 1, struct.pack("<II", 72, 1)),
            entry(0x0128, SHORT, 1, 2),                        # resolution unit: inch
            entry(0x0131, ASCII, len(software), software),
            entry(0x0132, ASCII, len(stamp), stamp),
            entry(0x8769, LONG, 1, exif_at)]
    sub = [entry(0xA001, SHORT, 1, 1),                         # colour space: sRGB
           entry(0xA002, LONG, 1, 220), entry(0xA003, LONG, 1, 80)]
    assert len(ifd0) == ifd0_count and len(sub) == exif_count
    tiff = (b"II*\0" + struct.pack("<I", ifd0_at)
            + struct.pack("<H", ifd0_count) + b"".join(ifd0) + struct.pack("<I", 0)
            + struct.pack("<H", exif_count) + b"".join(sub) + struct.pack("<I", 0) + extra)
    return b"Exif\0\0" + tiff


def xmp():
    stamp = "{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}+08:00".format(*CREATED)
    packet = f"""<?xpacket begin="\ufeff" id="W5M0MpCehiHzreSzNTczkc9d"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/">
 <rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
  <rdf:Description rdf:about=""
    xmlns:xmp="http://ns.adobe.com/xap/1.0/"
    xmlns:dc="http://purl.org/dc/elements/1.1/">
   <xmp:CreatorTool>{CREATOR}</xmp:CreatorTool>
   <xmp:CreateDate>{stamp}</xmp:CreateDate>
   <xmp:ModifyDate>{stamp}</xmp:ModifyDate>
   <dc:format>image/jpeg</dc:format>
   <dc:title><rdf:Alt><rdf:li xml:lang="zh-CN">安装完成</rdf:li></rdf:Alt></dc:title>
  </rdf:Description>
 </rdf:RDF>
</x:xmpmeta>
<?xpacket end="w"?>"""
    return b"http://ns.adobe.com/xap/1.0/\0" + packet.encode("utf-8")


def photoshop():
    """Photoshop 3.0 image resources: resolution info and an IPTC caption."""
    def resource(number, data):
        data += bytes(len(data) % 2)
        return b"8BIM" + struct.pack(">H", number) + b"\0\0" + struct.pack(">I", len(data)) + data

    resolution = struct.pack(">IHHIHH", 72 << 16, 1, 1, 72 << 16, 1, 1)
    caption = "安装完成".encode("utf-8")
    iptc = (b"\x1c\x01\x5a" + struct.pack(">H", 3) + b"\x1b%G"  # coded character set: UTF-8
            + b"\x1c\x02\x78" + struct.pack(">H", len(caption)) + caption)
    return b"Photoshop 3.0\0" + resource(0x03ED, resolution) + resource(0x0404, iptc)


def adobe():
    # DCTEncode version 100, no flags, transform 1: the components are YCbCr.
    return b"Adobe" + struct.pack(">HHHB", 100, 0, 0, 1)


def finish(jpeg):
    """Makes the JFIF header 1.02 at 72 dpi and puts the metadata after it."""
    assert jpeg[:4] == b"\xff\xd8\xff\xe0" and jpeg[6:11] == b"JFIF\0"
    app0_end = 4 + struct.unpack(">H", jpeg[4:6])[0]
    app0 = bytearray(jpeg[:app0_end])
    app0[11:18] = struct.pack(">BBBHH", 1, 2, 1, 72, 72)
    icc = b"ICC_PROFILE\0" + bytes((1, 1)) + icc_profile()
    metadata = (segment(0xE1, exif()) + segment(0xE1, xmp()) + segment(0xE2, icc)
                + segment(0xED, photoshop()) + segment(0xEE, adobe()))
    return bytes(app0) + metadata + jpeg[app0_end:]


def main():
    picture = finish(encode(draw_pixels()))
    with open(os.path.join(HERE, "finish.jpg"), "wb") as f:
        f.write(picture)
    return 0


if __name__ == "__main__":
    sys.exit(main())
