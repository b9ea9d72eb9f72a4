#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus into corpus/<target>/.

Run again after changing it; the output is committed. Each seed is a small
case the fuzzer should start from: every size rule, the edges of the header
and of the size limit, and the shapes of a preference file.
"""
import pathlib
import shutil
import struct

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


def write(target, seeds):
    folder = HERE / "corpus" / target
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, content in seeds.items():
        (folder / name).write_bytes(content)


write("import_texture", TEXTURES)
write("preference_field", PREFERENCES)
