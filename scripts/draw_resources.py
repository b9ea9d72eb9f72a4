#!/usr/bin/env python3
"""Draw Torvane's picture resources from code and write them to resources/.

Writes torvane.ico (32x32, 16- and 256-colour images), torvane.png (the same
picture with real alpha), icons/NxN.png (the picture drawn afresh at each size
the desktop's icon theme wants) and banner.bmp (the About window's 444x69,
8-bit banner). Output is deterministic so regenerating never churns the
repository.
"""

import math
import struct
import zlib
from pathlib import Path

RESOURCES = Path(__file__).resolve().parent.parent / "resources"

# --------------------------------------------------------------------------
# Palettes
# --------------------------------------------------------------------------

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def icon_palette_256():
    """VGA colours first so the two icon images agree, then a 6x6x6 cube and greys."""
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    greys = [(v, v, v) for v in (round(255 * (i + 1) / 25) for i in range(24))]
    return VGA16 + cube + greys


def nearest_index(palette, rgb, cache):
    if rgb not in cache:
        cache[rgb] = min(
            range(len(palette)),
            key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], rgb)),
        )
    return cache[rgb]


def bgra_quads(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def bitmap_info_header(width, height, bpp, image_size, colours):
    # 2835 px/m is 72 dpi; any value works, but a fixed one keeps output stable.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, 2835, 2835, colours, 0)


# --------------------------------------------------------------------------
# Icon picture: a checkered texture tile with a bold "convert" arrow
# --------------------------------------------------------------------------

ICON_SIZE = 32
# The sizes installed into the desktop's hicolor icon theme.
THEME_ICON_SIZES = (32, 48, 128, 256)
ARROW = [(4.5, 12.5), (16.5, 12.5), (16.5, 5.5), (28.0, 16.0),
         (16.5, 26.5), (16.5, 19.5), (4.5, 19.5)]


def rounded_rect_distance(x, y, x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    qx = abs(x - cx) - ((x1 - x0) / 2 - radius)
    qy = abs(y - cy) - ((y1 - y0) / 2 - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def polygon_distance(x, y, points):
    """Signed distance to a closed polygon: negative inside."""
    best = math.inf
    inside = False
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        ex, ey = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey)))
        best = min(best, math.hypot(x - ax - t * ex, y - ay - t * ey))
        if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
            inside = not inside
    return -best if inside else best


def icon_colour(x, y):
    """Straight RGBA of the icon at a point; colours sit near VGA entries so the
    16-colour image keeps the same look."""
    arrow = polygon_distance(x, y, ARROW)
    if arrow < 0:
        shine = 40 if y < 16 else 0
        return (255, 215 + shine, 0, 255)
    if arrow < 1.6:
        return (0, 0, 0, 255)
    tile = rounded_rect_distance(x, y, 0, 0, 32, 32, 4)
    if tile > 0:
        return (0, 0, 0, 0)
    if tile > -1.2:
        return (0, 0, 40, 255)
    col, row = int(x // 8), int(y // 8)
    # Light falls from the top left; one shade per cell keeps the quantised cells flat.
    glow = 1.0 - (col + row) / 6
    if (col + row) % 2 == 0:
        return (0, int(60 + 50 * glow), int(230 + 25 * glow), 255)
    return (0, 0, int(120 + 40 * glow), 255)


def icon_pixel(px, py, samples, scale=1.0):
    """Straight RGBA of one pixel, averaged over samples x samples points; scale
    maps pixels to the picture's 32-unit grid."""
    points = [icon_colour((px + (sx + 0.5) / samples) * scale, (py + (sy + 0.5) / samples) * scale)
              for sy in range(samples) for sx in range(samples)]
    alpha = sum(p[3] for p in points)
    if alpha == 0:
        return (0, 0, 0, 0)
    rgb = tuple(round(sum(p[c] * p[3] for p in points) / alpha) for c in range(3))
    return rgb + (round(alpha / len(points)),)


def render_icon(samples, size=ICON_SIZE):
    """The icon at size x size pixels; the picture is drawn on a 32-unit grid."""
    scale = ICON_SIZE / size
    return [[icon_pixel(px, py, samples, scale) for px in range(size)]
            for py in range(size)]


def icon_image(rows, palette, bpp):
    """One BMP-in-ICO image: header with doubled height, palette, XOR rows, AND mask."""
    cache = {}
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # both bitmaps are stored bottom-up
        indices = [nearest_index(palette, p[:3], cache) if p[3] >= 128 else 0 for p in row]
        if bpp == 4:
            xor += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, ICON_SIZE, 2))
        else:
            xor += bytes(indices)
        bits = 0
        for p in row:
            bits = (bits << 1) | (p[3] < 128)  # 1 = show what lies beneath
        mask += bits.to_bytes(ICON_SIZE // 8, "big")
    header = bitmap_info_header(ICON_SIZE, ICON_SIZE * 2, bpp, len(xor) + len(mask),
                                len(palette))
    return header + bgra_quads(palette) + bytes(xor) + bytes(mask)


def ico_file(images):
    """images: list of (colour count byte, bpp, image bytes)."""
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for colour_count, bpp, image in images:
        data += struct.pack("<BBBBHHII", ICON_SIZE, ICON_SIZE, colour_count, 0,
                            1, bpp, len(image), offset)
        offset += len(image)
    return data + b"".join(image for _, _, image in images)


def png_file(rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body)))

    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# --------------------------------------------------------------------------
# Banner: "TORVANE" in bevelled gold blocks over a tiled stone texture
# --------------------------------------------------------------------------

BANNER_W, BANNER_H = 444, 69
BANNER_FILE_SIZE = 31714

# Palette layout: one ramp per material, so shading is just an index offset.
STONE, STONE_N = 0, 160
GOLD, GOLD_N = 160, 64
SILVER, SILVER_N = 224, 32

GLYPHS = {
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "N": ["#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    ">": [".....", "..#..", "...#.", "#####", "...#.", "..#..", "....."],
    " ": ["....."] * 7,
}


def ramp(stops, count):
    """Linear ramp through evenly spaced colour stops."""
    out = []
    for i in range(count):
        t = i / (count - 1) * (len(stops) - 1)
        k = min(int(t), len(stops) - 2)
        f = t - k
        out.append(tuple(round(a + (b - a) * f) for a, b in zip(stops[k], stops[k + 1])))
    return out


def banner_palette():
    stone = ramp([(4, 6, 14), (20, 34, 58), (44, 78, 104), (92, 132, 150)], STONE_N)
    gold = ramp([(70, 34, 6), (176, 112, 22), (244, 196, 64), (255, 248, 200)], GOLD_N)
    silver = ramp([(60, 70, 84), (170, 184, 200), (246, 250, 255)], SILVER_N)
    return stone + gold + silver


def stone_level(x, y):
    """0..1 brightness of a brick-bonded stone wall with a plasma grain."""
    row = y // 23
    shifted = x + (24 if row % 2 else 0)
    col = shifted // 48
    u, v = shifted % 48, y % 23
    if u == 0 or v == 0:
        return 0.05  # mortar
    # Each block gets its own tint so the wall doesn't look stamped.
    tint = 0.5 + 0.5 * math.sin(col * 12.9898 + row * 78.233)
    grain = (math.sin(x * 0.11 + math.cos(y * 0.07) * 2.0)
             + math.sin(y * 0.23 + x * 0.031)
             + math.cos(math.hypot(x - 300, y - 20) * 0.09)) / 3
    level = 0.38 + 0.14 * grain + 0.12 * tint
    if u == 1 or v == 1:
        level += 0.18  # lit top-left block edge
    elif u == 47 or v == 22:
        level -= 0.15  # shaded bottom-right edge
    return min(1.0, max(0.0, level))


def text_mask(text, scale, spacing):
    """Map each lit pixel (x, y), relative to the text origin, to its (u, v) within its font cell."""
    pixels = {}
    for n, ch in enumerate(text):
        x0 = n * (5 + spacing) * scale
        for gy, line in enumerate(GLYPHS[ch]):
            for gx, bit in enumerate(line):
                if bit != "#":
                    continue
                for v in range(scale):
                    for u in range(scale):
                        pixels[(x0 + gx * scale + u, gy * scale + v)] = (u, v)
    return pixels


def text_width(text, scale, spacing):
    return (len(text) * (5 + spacing) - spacing) * scale


def stamp_text(canvas, text, origin, scale, spacing, fill, shadow_offset):
    """Draw text with a dark outline and a drop shadow that darkens the stone."""
    ox, oy = origin
    pixels = text_mask(text, scale, spacing)
    shadow = {(x + shadow_offset, y + shadow_offset) for x, y in pixels}
    outline = {(x + dx, y + dy) for x, y in pixels
               for dx in (-1, 0, 1) for dy in (-1, 0, 1)}
    for x, y in shadow - outline:
        put(canvas, ox + x, oy + y, lambda i: round(i * 0.35))
    for x, y in outline:
        put(canvas, ox + x, oy + y, lambda i: STONE)
    for (x, y), (u, v) in pixels.items():
        put(canvas, ox + x, oy + y, lambda i: fill(y / (7 * scale), u, v, scale))


def put(canvas, x, y, shade):
    if 0 <= x < BANNER_W and 0 <= y < BANNER_H:
        canvas[y][x] = shade(canvas[y][x])


def gold_fill(t, u, v, scale):
    """Metallic top-to-bottom sweep with a bevel on every block of the letter."""
    level = 0.95 - 0.55 * t + 0.25 * math.exp(-((t - 0.3) / 0.08) ** 2)
    if u == 0 or v == 0:
        level += 0.2
    elif u == scale - 1 or v == scale - 1:
        level -= 0.3
    return GOLD + round(min(1.0, max(0.0, level)) * (GOLD_N - 1))


def silver_fill(t, u, v, scale):
    return SILVER + round((1.0 - 0.6 * t) * (SILVER_N - 1))


def draw_banner():
    canvas = [[STONE + round(stone_level(x, y) * (STONE_N - 1)) for x in range(BANNER_W)]
              for y in range(BANNER_H)]
    stamp_text(canvas, "TORVANE", (18, 10), 7, 1, gold_fill, 4)
    # The window clips the last two columns, so keep a wide right margin.
    tag = "DDS > LVL"
    stamp_text(canvas, tag, (BANNER_W - 16 - text_width(tag, 2, 1), 45), 2, 1,
               silver_fill, 2)
    return canvas


def bmp_file(canvas, palette):
    pixels = b"".join(bytes(row) for row in reversed(canvas))  # bottom-up
    offset = 14 + 40 + 4 * len(palette)
    size = offset + len(pixels)
    data = (struct.pack("<2sIHHI", b"BM", size, 0, 0, offset)
            + bitmap_info_header(BANNER_W, BANNER_H, 8, len(pixels), len(palette))
            + bgra_quads(palette) + pixels)
    # The About window is laid out around this exact file; catch layout drift here.
    assert len(data) == BANNER_FILE_SIZE, len(data)
    return data


def main():
    assert BANNER_W % 4 == 0  # rows need no padding
    RESOURCES.mkdir(exist_ok=True)
    ico = ico_file([
        (16, 4, icon_image(render_icon(1), VGA16, 4)),
        (0, 8, icon_image(render_icon(4), icon_palette_256(), 8)),
    ])
    (RESOURCES / "torvane.ico").write_bytes(ico)
    (RESOURCES / "torvane.png").write_bytes(png_file(render_icon(4)))
    (RESOURCES / "icons").mkdir(exist_ok=True)
    for size in THEME_ICON_SIZES:
        (RESOURCES / "icons" / f"{size}x{size}.png").write_bytes(png_file(render_icon(2, size)))
    (RESOURCES / "banner.bmp").write_bytes(bmp_file(draw_banner(), banner_palette()))


if __name__ == "__main__":
    main()
