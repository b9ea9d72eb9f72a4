#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus into corpus/<target>/.

Run again after changing it; the output is committed. Each seed is a small
case the fuzzer should start from: every size rule, the edges of the header
and of the size limit, level files sound and broken, file lists, argument
vectors, pictures of each kind and layout, and the shapes of a preference
file. Files it does not name are left as they are: those named "finding-*"
are inputs that once broke a property, the others inputs a campaign added.
"""
import pathlib
import struct
import zlib

HERE = pathlib.Path(__file__).resolve().parent


def dds(width, height, mip_count, four_cc=b"", data=b"", header_bytes=128):
    header = bytearray(128)
    header[0:4] = b"DDS "
    struct.pack_into("<IIII", header, 4, 124, 0, height, width)
    struct.pack_into("<I", header, 28, mip_count)
    struct.pack_into("<I", header, 76, 32)
    header[84:84 + len(four_cc)] = four_cc
    return bytes(header[:header_bytes]) + data


def numbered(count):
    return bytes(index % 251 for index in range(count))


TEXTURES = {
    "dxt1_4x4": dds(4, 4, 1, b"DXT1", numbered(8)),
    "dxt1_256x256_short": dds(256, 256, 9, b"DXT1", numbered(300)),
    "dxt1_3x3_ties": dds(3, 3, 3, b"DXT1", numbered(20)),
    "dxt3_8x8": dds(8, 8, 4, b"DXT3", numbered(100)),
    "dxt5_4x4": dds(4, 4, 2, b"DXT5", numbered(40)),
    "plain_4x4_exact": dds(4, 4, 3, b"", numbered(42)),
    "plain_8x8_tail": dds(8, 8, 5, b"", numbered(190)),
    "no_levels": dds(64, 64, 0, b"DXT1", numbered(16)),
    "count_265": dds(2, 2, 265, b"DXT1", numbered(16)),
    "header_only": dds(16, 16, 1, b"DXT1"),
    "truncated_header": dds(16, 16, 1, b"DXT1", header_bytes=100),
    "too_big": dds(65536, 32768, 1),
    "limit_dxt3": dds(1, 2147483623, 1, b"DXT3"),
    "not_dds": b"\x89PNG\r\n\x1a\n" + numbered(64),
    "magic_only": b"DDS ",
    "empty": b"",
}

PREFERENCES = {
    "default": b"C:\r\n",
    "windows_path": b"D:\\Mods\\Textures\r\n",
    "comma": b"D:\\Mods,old\r\n",
    "quoted_comma": b'  "D:\\Mods,old"\r\nsecond line\r\n',
    "unclosed_quote": b'"/home/me/tex\nrest',
    "spaces_only": b"   ",
    "lf_only": b"/srv/textures\n",
    "empty": b"",
}


def stored(size):
    return 4 if size < 8 else size


def level_file(pixels, sizes):
    """The level file the conversion makes of these pixels for levels of these sizes."""
    out, taken = b"", 0
    for index, size in enumerate(sizes):
        data = pixels[taken:taken + stored(size)]
        taken += len(data)
        out += b"LVL_" + struct.pack("<I", stored(size) + 24) + b"INFO" + struct.pack("<III", 8, index, size)
        out += b"BODY" + struct.pack("<I", size) + data
    return out


SOUND_LEVEL = level_file(numbered(56), [32, 8, 8, 8])
# The first byte picks what the rest is: 0 a texture after "DDS ", 1 a fault
# (kind, record, a 32-bit value) and a texture, 2 a level file as it is.
INSPECT_LEVEL = {
    "texture_dxt1_8x8": b"\0" + TEXTURES["dxt1_256x256_short"][4:],
    "texture_short": b"\0" + dds(8, 8, 6, b"", numbered(64))[4:],
    "texture_whole": b"\0" + dds(8, 8, 4, b"DXT1", numbered(56))[4:],
    "texture_no_levels": b"\0" + TEXTURES["no_levels"][4:],
    "fault_tag": b"\1\0\1" + struct.pack("<I", 5) + dds(8, 8, 4, b"DXT1", numbered(56))[4:],
    "fault_cut": b"\1\6\2" + struct.pack("<I", 9) + dds(8, 8, 4, b"DXT1", numbered(56))[4:],
    "fault_added": b"\1\7\0" + b"LVL_" + dds(4, 4, 3, b"", numbered(42))[4:],
    "level_sound": b"\2" + SOUND_LEVEL,
    "level_short": b"\2" + level_file(numbered(20), [32, 8]),
    "level_cut": b"\2" + SOUND_LEVEL[:-3],
    "level_appended": b"\2" + SOUND_LEVEL + b"LVL_",
    "level_empty": b"\2",
}

FILE_LISTS = {
    "paths": b"\x02a.dds\x00\x02b c.png\x01\x00\x00",
    "comments_and_blanks": b"\x00# textures\x01\x00\x01\x00\x03grass.dds\x01",
    "marked": b"\x01\x03\xef\xbb\xbfname.dds\x00",
}

ARGUMENTS = {
    "flags": b"-rnuq\0textures",
    "values": b"-o\0out\0-j4\0--format=r5g6b5\0--keep-dds\0kept\0a.dds\0b.png",
    "long": b"--output-dir=out\0--file-list=-\0--watch\0--reencode\0--jobs\0" + b"2\0--\0-x.dds",
    "help": b"-h",
    "version": b"--version",
    "unknown": b"-z\0a",
}


def png(width, height, colour_type, bit_depth, rows, extra=b""):
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def png_chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))


PNGS = {
    "rgba_4x4": png(4, 4, 6, 8, [numbered(16)] * 4),
    "grey_1x3": png(1, 3, 0, 8, [b"\x10", b"\x80", b"\xf0"]),
    "palette_8x4": png(8, 4, 3, 4, [b"\x01\x23"] * 4, png_chunk(b"PLTE", numbered(48)) + png_chunk(b"tRNS", b"\x00\x80")),
    "rgb16_2x2": png(2, 2, 2, 16, [numbered(12)] * 2),
}


def tga(image_type, width, height, bits, data, descriptor=0, colour_map=b"", map_bits=0):
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if colour_map else 0, image_type, 0,
                         len(colour_map) // max(1, map_bits // 8), map_bits, 0, 0, width, height, bits, descriptor)
    return header + colour_map + data


TGAS = {
    "grey_4x4": tga(3, 4, 4, 8, numbered(16)),
    "mapped_4x2": tga(1, 4, 2, 8, bytes([0, 1, 2, 1] * 2), colour_map=numbered(9), map_bits=24),
    "rgb16_2x2_top": tga(2, 2, 2, 16, numbered(8), descriptor=0x20),
    "rle32_4x1": tga(10, 4, 1, 32, b"\x83\x01\x02\x03\xff", descriptor=8),
}


def bmp(width, height, bits, pixels, compression=0, palette=b"", masks=b"", header_bytes=40):
    if header_bytes == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + masks + palette + pixels


BMPS = {
    "mono_8x2": bmp(8, 2, 1, b"\xa5\0\0\0\x5a\0\0\0", palette=b"\0\0\0\0\xff\xff\xff\0"),
    "rle4_4x2": bmp(4, 2, 4, b"\x04\x12\x00\x00\x00\x03\x34\x50\x00\x01", compression=2, palette=numbered(64)),
    "bitfields_2x2": bmp(2, -2, 16, numbered(8), compression=3, masks=struct.pack("<III", 0xF800, 0x7E0, 0x1F)),
    "core_2x2": bmp(2, 2, 24, numbered(16), header_bytes=12),
}


def pictures(extension, made):
    found = {path.name: path.read_bytes() for path in sorted((HERE.parent / "picture" / "data").glob("*." + extension))}
    return {**found, **made}


def write(target, seeds):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, content in seeds.items():
        (folder / name).write_bytes(content)


write("import_texture", TEXTURES)
write("inspect_texture", TEXTURES)
write("inspect_level", INSPECT_LEVEL)
write("file_list", FILE_LISTS)
write("options", ARGUMENTS)
write("decode_png", pictures("png", PNGS))
write("decode_jpeg", pictures("jpg", {}))
write("decode_tga", pictures("tga", TGAS))
write("decode_bmp", pictures("bmp", BMPS))
write("preference_field", PREFERENCES)
