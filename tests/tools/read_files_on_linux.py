#!/usr/bin/env python3
"""Reads every .tif and .png that the twacquire tests left in FOLDER with readers
that share nothing with the project's writers: libtiff's tools (tiffinfo -D decodes
every strip, tiffcp decompresses, tiffdump lists the directory) and Python's zlib
and struct. Each file is compared with the image its test computed (FILE.expected:
every pixel, the colour table and, where the scan had one, the resolution); the
wide-format job's file (FILE.row) has its tags checked and a sample of its rows
compared.

    read_files_on_linux.py FOLDER
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

failures = []


def fail(name, message):
    failures.append(f"{name}: {message}")


def read_expected(path):
    with open(path, "rb") as f:
        data = f.read()
    line, rest = data.split(b"\n", 1)
    fields = line.split()
    if fields[0] != b"DUNMERE-EXPECTED":
        raise ValueError(f"{path} is not an expected image")
    width, height, bits, xdpi, ydpi, colours = map(int, fields[1:])
    palette = [tuple(rest[3 * i:3 * i + 3]) for i in range(colours)]
    pixels = rest[3 * colours:]
    row_bytes = (width * bits + 7) // 8
    rows = [pixels[y * row_bytes:(y + 1) * row_bytes] for y in range(height)]
    return dict(width=width, height=height, bits=bits, xdpi=xdpi, ydpi=ydpi,
                palette=palette, rows=rows)


# TIFF ----------------------------------------------------------------------

TYPE_SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 16: 8}
TYPE_FORMATS = {1: "B", 2: "B", 3: "H", 4: "I", 5: "II", 16: "Q"}


def parse_tiff(path):
    """The first directory of a little-endian TIFF or BigTIFF: {tag: [values]}."""
    with open(path, "rb") as f:
        head = f.read(16)
        if head[:2] != b"II":
            raise ValueError("not a little-endian TIFF")
        magic = struct.unpack_from("<H", head, 2)[0]
        big = magic == 43
        if magic not in (42, 43):
            raise ValueError(f"TIFF magic {magic}")
        offset = struct.unpack_from("<Q", head, 8)[0] if big else struct.unpack_from("<I", head, 4)[0]
        f.seek(offset)
        count = struct.unpack("<Q" if big else "<H", f.read(8 if big else 2))[0]
        entry_size = 20 if big else 12
        table = f.read(count * entry_size)
        tags = {}
        for i in range(count):
            e = table[i * entry_size:(i + 1) * entry_size]
            if big:
                tag, kind, n = struct.unpack_from("<HHQ", e)
                field = e[12:20]
            else:
                tag, kind, n = struct.unpack_from("<HHI", e)
                field = e[8:12]
            size = TYPE_SIZES[kind] * n
            if size > len(field):
                where = struct.unpack("<Q" if big else "<I", field)[0]
                f.seek(where)
                field = f.read(size)
            values = struct.unpack_from("<" + TYPE_FORMATS[kind] * n, field)
            if kind == 5:
                values = [values[j] / values[j + 1] for j in range(0, len(values), 2)]
            tags[tag] = list(values)
        return tags, big


def strip_bytes(path, tags, strips):
    with open(path, "rb") as f:
        for s in strips:
            f.seek(tags[273][s])
            yield f.read(tags[279][s])


def tool(name, *args):
    return subprocess.run([name, *args], capture_output=True, text=True)


def check_tiff(name, path, expected):
    info = tool("tiffinfo", "-D", path)
    if info.returncode != 0 or info.stderr.strip():
        fail(name, f"tiffinfo -D: {info.stderr.strip() or info.returncode}")
        return
    resolution = f"Resolution: {expected['xdpi']}, {expected['ydpi']} pixels/inch"
    if expected["xdpi"] and resolution not in info.stdout:
        fail(name, f"tiffinfo shows no '{resolution}':\n{info.stdout}")
    with tempfile.TemporaryDirectory() as scratch:
        plain = os.path.join(scratch, "plain.tif")
        copy = tool("tiffcp", "-c", "none", path, plain)
        if copy.returncode != 0:
            fail(name, f"tiffcp cannot decompress it: {copy.stderr.strip()}")
            return
        tags, _ = parse_tiff(plain)
        data = b"".join(strip_bytes(plain, tags, range(len(tags[273]))))
    width, height = tags[256][0], tags[257][0]
    bits = sum(tags[258])
    if (width, height, bits) != (expected["width"], expected["height"], expected["bits"]):
        fail(name, f"{width} x {height} at {bits} bits, expected "
                   f"{expected['width']} x {expected['height']} at {expected['bits']}")
        return
    photometric = tags[262][0]
    if photometric == 3:
        colour_map = tags[320]
        n = len(colour_map) // 3
        palette = [(colour_map[i] >> 8, colour_map[n + i] >> 8, colour_map[2 * n + i] >> 8)
                   for i in range(len(expected["palette"]))]
        if palette != expected["palette"]:
            fail(name, "ColorMap differs from the expected colour table")
    row_bytes = (width * bits + 7) // 8
    for y, want in enumerate(expected["rows"]):
        got = data[y * row_bytes:(y + 1) * row_bytes]
        if photometric == 0:  # 0 is white: the expected rows say 1 for white
            got = bytes(b ^ 0xFF for b in got)
        if bits % 8:
            mask = (0xFF << (8 - width * bits % 8)) & 0xFF
            got, want = got[:-1] + bytes([got[-1] & mask]), want[:-1] + bytes([want[-1] & mask])
        if got != want:
            x = next(i for i in range(row_bytes) if got[i] != want[i])
            fail(name, f"row {y} byte {x}: {got[x]}, expected {want[x]}")
            return


# PNG -----------------------------------------------------------------------

def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def check_png(name, path, expected):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(name, "no PNG signature")
        return
    at, chunks = 8, []
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        crc = struct.unpack_from(">I", data, at + 8 + length)[0]
        if zlib.crc32(kind + body) != crc:
            fail(name, f"CRC of {kind.decode()} is wrong")
            return
        chunks.append((kind, body))
        at += 12 + length
    if chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        fail(name, "IHDR is not first or IEND not last")
        return
    width, height, depth, colour_type = struct.unpack_from(">IIBB", chunks[0][1])
    channels = 3 if colour_type == 2 else 1
    bits = depth * channels
    if (width, height, bits) != (expected["width"], expected["height"], expected["bits"]):
        fail(name, f"{width} x {height} at {bits} bits")
        return
    found = {kind: body for kind, body in chunks}
    if b"pHYs" not in found:
        fail(name, "no pHYs chunk")
    else:
        x, y, unit = struct.unpack(">IIB", found[b"pHYs"])
        want = (round(expected["xdpi"] / 0.0254), round(expected["ydpi"] / 0.0254), 1)
        if (x, y, unit) != want:
            fail(name, f"pHYs {x}, {y}, unit {unit}; expected {want}")
    if colour_type == 3:
        plte = found.get(b"PLTE", b"")
        palette = [tuple(plte[3 * i:3 * i + 3]) for i in range(len(plte) // 3)]
        if palette != expected["palette"]:
            fail(name, "PLTE differs from the expected colour table")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    row_bytes = (width * bits + 7) // 8
    distance = max(1, bits // 8)
    previous = bytearray(row_bytes)
    for y in range(height):
        line = raw[y * (row_bytes + 1):(y + 1) * (row_bytes + 1)]
        kind, row = line[0], bytearray(line[1:])
        for i in range(row_bytes):
            a = row[i - distance] if i >= distance else 0
            b = previous[i]
            c = previous[i - distance] if i >= distance else 0
            row[i] = (row[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]) & 0xFF
        if bytes(row) != expected["rows"][y]:
            fail(name, f"row {y} differs")
            return
        previous = row


# The wide-format job -------------------------------------------------------

def check_large(name, path, row):
    """large_WxL_rgb_DPI.tif: W x L inches of white at DPI, Deflate."""
    inches_wide, inches_long, dpi = map(int, re.findall(r"\d+", name)[-3:])
    width, height = inches_wide * dpi, inches_long * dpi
    want = row["rows"][0]
    dump = tool("tiffdump", path)
    if dump.returncode != 0 or f"ImageWidth (256) LONG (4) 1<{width}>" not in dump.stdout:
        fail(name, f"tiffdump: {dump.stderr.strip() or dump.stdout[:400]}")
    info = tool("tiffinfo", "-D", path)
    if info.returncode != 0 or info.stderr.strip():
        fail(name, f"tiffinfo -D: {info.stderr.strip() or info.returncode}")
    tags, _ = parse_tiff(path)
    checks = {256: width, 257: height, 259: 8, 262: 2, 277: 3, 296: 2}
    for tag, value in checks.items():
        if tags.get(tag, [None])[0] != value:
            fail(name, f"tag {tag} is {tags.get(tag)}, expected {value}")
    if tags.get(258) != [8, 8, 8] or tags.get(282) != [dpi] or tags.get(283) != [dpi]:
        fail(name, f"BitsPerSample {tags.get(258)}, resolution {tags.get(282)} {tags.get(283)}")
    rows_per_strip = tags[278][0]
    strips = len(tags[273])
    if strips != -(-height // rows_per_strip):
        fail(name, f"{strips} strips of {rows_per_strip} rows for {height} rows")
        return
    sample = sorted({0, 1, strips // 3, strips // 2, strips - 2, strips - 1})
    for s, data in zip(sample, strip_bytes(path, tags, sample)):
        rows = zlib.decompress(data)
        count = min(rows_per_strip, height - s * rows_per_strip)
        if rows != want * count:
            fail(name, f"strip {s} does not hold {count} white rows")


def check_large_png(name, path, row):
    """large_..._WxL_rgb_DPI.png: W x L inches of white at DPI, streamed through zlib."""
    inches_wide, inches_long, dpi = map(int, re.findall(r"\d+", name)[-3:])
    width, height = inches_wide * dpi, inches_long * dpi
    want = row["rows"][0]
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(name, "no PNG signature")
        return
    w, h, depth, colour = struct.unpack(">IIBB", data[16:26])
    if (w, h, depth, colour) != (width, height, 8, 2):
        fail(name, f"IHDR {w} x {h}, depth {depth}, colour {colour}")
        return
    line, inflater, at = b"\0" + want, zlib.decompressobj(), 8
    rows, pending = 0, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length] if kind == b"IDAT" else b""
        while chunk:
            pending += inflater.decompress(chunk, 1 << 22)
            chunk = inflater.unconsumed_tail
            whole = len(pending) // len(line)
            if pending[:whole * len(line)] != line * whole:  # filter 0, white
                fail(name, f"a row after row {rows} is not white")
                return
            rows, pending = rows + whole, pending[whole * len(line):]
        at += 12 + length
    if rows != height:
        fail(name, f"{rows} rows in the data for a height of {height}")


def main(folder):
    names = sorted(os.listdir(folder))
    checked = 0
    for entry in names:
        path = os.path.join(folder, entry)
        if entry.endswith(".expected"):
            image = path[:-len(".expected")]
            expected = read_expected(path)
            if image.endswith(".tif"):
                check_tiff(os.path.basename(image), image, expected)
            elif image.endswith(".png"):
                check_png(os.path.basename(image), image, expected)
            else:
                continue
            checked += 1
        elif entry.endswith(".tif.row"):
            check_large(entry[:-4], path[:-4], read_expected(path))
            checked += 1
        elif entry.endswith(".png.row"):
            check_large_png(entry[:-4], path[:-4], read_expected(path))
            checked += 1
    for failure in failures:
        print("FAILED", failure)
    print(f"{checked} files read, {len(failures)} failures")
    if checked == 0:
        print("no files to read: did the twacquire tests run?")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
