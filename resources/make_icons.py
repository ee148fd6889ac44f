#!/usr/bin/env python3
"""Draws Kalvenix's icon: two picture cards, the back one grey, the front one a
small landscape, and a red arrow between them. Writes the 32x32 and 16x16
images as 16-colour PNGs and both together as a Windows .ico (the window's own
icons), and the same drawing smoothed at 48 to 256 pixels as RGBA PNGs for
desktops and software centres, which want at least 64x64.

Run it from this folder after changing the drawing; the outputs are checked
in, so a build never needs Python. Standard library only.
"""
import struct
import zlib

# The classic 16-colour palette. Fuchsia never appears in the drawing and
# stands for "transparent" (tRNS in the PNGs, the AND mask in the .ico).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, CLEAR, AQUA, WHITE = range(8, 16)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[CLEAR] * size for _ in range(size)]

    def put(self, x, y, c):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def card(self, x0, y0, x1, y1, inside):
        self.fill(x0, y0, x1, y1, BLACK)
        self.fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, inside)

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r:
                    self.put(x, y, c)

    def hill(self, x0, x1, base, peak_x, peak_h, c):
        for x in range(x0, x1 + 1):
            h = peak_h - abs(x - peak_x) * peak_h // max(1, (x1 - x0) // 2)
            for y in range(base - max(0, h), base + 1):
                self.put(x, y, c)


def draw_32():
    c = Canvas(32)
    # Back card: the source picture, plain and grey.
    c.card(1, 1, 19, 17, SILVER)
    c.hill(2, 18, 16, 8, 6, GREY)
    # Front card: the converted picture, sky, sun and hills.
    c.card(11, 10, 30, 29, AQUA)
    c.fill(12, 11, 29, 16, BLUE)
    c.disc(25, 16, 3, YELLOW)
    c.hill(12, 29, 28, 17, 8, GREEN)
    c.hill(19, 29, 28, 27, 5, LIME)
    # The arrow from the one to the other.
    c.fill(2, 22, 7, 24, RED)
    for i in range(4):
        c.fill(7 + i, 19 + i, 7 + i, 27 - i, RED)
    c.fill(2, 25, 7, 25, MAROON)
    return c.px


def shade_32(u, v):
    """The 32-pixel drawing as a function of a point (u, v) in its pixel units,
    shapes painted in the same order, so larger sizes are the same icon."""
    def inside(x0, y0, x1, y1):  # the pixels x0..x1, y0..y1 of the 32 drawing
        return x0 <= u < x1 + 1 and y0 <= v < y1 + 1

    def card(x0, y0, x1, y1, fill, border=0.6):
        if not inside(x0, y0, x1, y1):
            return None
        edge = min(u - x0, x1 + 1 - u, v - y0, y1 + 1 - v)
        return BLACK if edge < border else fill

    def hill(x0, x1, base, peak_x, peak_h):
        if not x0 - 1 <= u < x1 + 2:  # the card's border, not the hill, ends it
            return False
        half = max(1, (x1 - x0) // 2)
        top = base + 1 - max(0.0, peak_h - abs(u - 0.5 - peak_x) * peak_h / half)
        return top <= v < base + 2  # the card's border, not the hill, ends it

    colour = CLEAR
    for painted in (
        card(1, 1, 19, 17, SILVER),
        GREY if hill(2, 18, 16, 8, 6) and card(1, 1, 19, 17, SILVER) == SILVER else None,
        card(11, 10, 30, 29, AQUA),
        BLUE if v < 17 and card(11, 10, 30, 29, AQUA) == AQUA else None,
        YELLOW if (u - 25.5) ** 2 + (v - 16.5) ** 2 <= 3.5 ** 2 else None,
        GREEN if hill(12, 29, 28, 17, 8) and card(11, 10, 30, 29, AQUA) == AQUA else None,
        LIME if hill(19, 29, 28, 27, 5) and card(11, 10, 30, 29, AQUA) == AQUA else None,
        RED if inside(2, 22, 6, 24) or (7 <= u < 11.5 and abs(v - 23.5) <= 4.5 - (u - 7)) else None,
        MAROON if inside(2, 25, 6, 25) else None,
    ):
        if painted is not None:
            colour = painted
    return colour


def draw_smooth(size, samples=4):
    """RGBA rows at `size` pixels, each pixel the mean of samples x samples
    points of the 32-pixel drawing; transparent points add no colour."""
    scale = 32 / size
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = shade_32((x + (sx + 0.5) / samples) * scale,
                                 (y + (sy + 0.5) / samples) * scale)
                    if c != CLEAR:
                        pr, pg, pb = PALETTE[c]
                        r, g, b, a = r + pr, g + pg, b + pb, a + 1
            n = samples * samples
            row += bytes((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
        rows.append(bytes(row))
    return rows


# At 16 pixels scaling blurs the cards' borders, so this one is drawn by hand.
SMALL = """
KKKKKKKKK.......
KsssssssK.......
KsssssssK.......
KssgssssK.......
KsgggsKKKKKKKKKK
KgggggKbbbbbbbbK
KgggggKbbbbbyybK
KKKKKKKbbbbyyyyK
......KaaaaayyaK
..R...KaaaGaaaaK
RRRR..KaaGGGaaaK
RRRRR.KaGGGGGllK
RRRR..KGGGGGlllK
..R...KGGGGllllK
......KKKKKKKKKK
................
"""
SMALL_COLOURS = {".": CLEAR, "K": BLACK, "s": SILVER, "g": GREY, "b": BLUE, "a": AQUA,
                 "y": YELLOW, "G": GREEN, "l": LIME, "R": RED}


def draw_16():
    rows = SMALL.split()
    assert len(rows) == 16 and all(len(r) == 16 for r in rows)
    return [[SMALL_COLOURS[ch] for ch in row] for row in rows]


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def rgba_png(rows):
    size = len(rows)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def png(pixels):
    size = len(pixels)

    raw = b""
    for row in pixels:
        raw += b"\x00" + bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
    trns = bytes(0 if i == CLEAR else 255 for i in range(16))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0)) +
            chunk(b"PLTE", bytes(v for rgb in PALETTE for v in rgb)) +
            chunk(b"tRNS", trns) +
            chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def ico_image(pixels):
    """A 4-bit DIB as icons hold it: bottom-up colour rows, then the AND mask.
    Transparent pixels are black in the colour rows and set in the mask."""
    size = len(pixels)
    colour_row = ((size * 4 + 31) // 32) * 4
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         (colour_row + mask_row) * size, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    colour = b""
    mask = b""
    for row in reversed(pixels):
        opaque = [BLACK if p == CLEAR else p for p in row]
        line = bytes((opaque[i] << 4) | opaque[i + 1] for i in range(0, size, 2))
        colour += line.ljust(colour_row, b"\x00")
        packed = bytearray((size + 7) // 8)
        for x, p in enumerate(row):
            if p == CLEAR:
                packed[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(packed).ljust(mask_row, b"\x00")
    return header + palette + colour + mask


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for pixels in images:
        blob = ico_image(pixels)
        size = len(pixels)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


SMOOTH_SIZES = (48, 64, 128, 256)


def main():
    big, small = draw_32(), draw_16()
    with open("kalvenix-32.png", "wb") as f:
        f.write(png(big))
    with open("kalvenix-16.png", "wb") as f:
        f.write(png(small))
    with open("kalvenix.ico", "wb") as f:
        f.write(ico([big, small]))
    for size in SMOOTH_SIZES:
        with open(f"kalvenix-{size}.png", "wb") as f:
            f.write(rgba_png(draw_smooth(size)))


if __name__ == "__main__":
    main()
