"""Picture files written from rows of RGB bytes: 24-bit BMP, PNG and baseline JPEG.

All three are written by hand with the standard library only. The JPEG writer is a plain baseline
encoder (one scan, 4:4:4 YCbCr, the example quantisation tables of the JPEG standard scaled to a
quality) whose Huffman tables are built from the picture's own symbol counts, limited to 16-bit
codes the way the standard describes; so it needs no table recalled from anywhere.
"""

import math
import struct
import zlib


# ---------------------------------------------------------------------------------------------
# BMP: BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up BGR rows padded to four bytes.

def bmp_bytes(rows, width, height):
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for x in range(width):
            r, g, b = row[3 * x:3 * x + 3]
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


# ---------------------------------------------------------------------------------------------
# PNG: 8-bit RGB, no filtering, one IDAT chunk.

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_bytes(rows, width, height):
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------
# JPEG (baseline).

# Example tables of the JPEG standard (Annex K), in natural (row by row) order.
LUMINANCE_QUANT = [
    16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99]
CHROMINANCE_QUANT = [
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99] + [99] * 32


def zigzag_order():
    """Natural-order indices of the 64 coefficients in zig-zag order."""
    order = []
    for s in range(15):
        cells = [(i, s - i) for i in range(8) if 0 <= s - i < 8]
        if s % 2 == 0:
            cells.reverse()  # even diagonals run upwards (row falling)
        order.extend(r * 8 + c for r, c in cells)
    return order


ZIGZAG = zigzag_order()
COSINES = [[math.cos((2 * x + 1) * u * math.pi / 16) * (math.sqrt(0.5) if u == 0 else 1.0)
            for x in range(8)] for u in range(8)]


def scaled_table(table, quality):
    scale = 5000 / quality if quality < 50 else 200 - 2 * quality
    return [max(1, min(255, (q * scale + 50) // 100)) for q in table]


def forward_dct(block):
    """8x8 DCT-II with the JPEG scaling, on a natural-order list of 64 floats."""
    rows = [[sum(COSINES[u][x] * block[y * 8 + x] for x in range(8)) / 2 for u in range(8)]
            for y in range(8)]
    return [sum(COSINES[v][y] * rows[y][u] for y in range(8)) / 2
            for v in range(8) for u in range(8)]


def magnitude_bits(value):
    """The size category of a coefficient and its appended bits."""
    size = abs(value).bit_length()
    bits = value if value >= 0 else value + (1 << size) - 1
    return size, bits


def block_symbols(coefficients, previous_dc):
    """The (Huffman table, symbol, extra size, extra bits) items of one quantised block."""
    items = []
    size, bits = magnitude_bits(coefficients[0] - previous_dc)
    items.append(("dc", size, size, bits))
    run = 0
    for k in range(1, 64):
        value = coefficients[k]
        if value == 0:
            run += 1
            continue
        while run > 15:
            items.append(("ac", 0xF0, 0, 0))
            run -= 16
        size, bits = magnitude_bits(value)
        items.append(("ac", (run << 4) | size, size, bits))
        run = 0
    if run:
        items.append(("ac", 0x00, 0, 0))
    return items


def huffman_table(counts):
    """(bits, values) of a length-limited Huffman table for the symbols with their counts."""
    frequencies = dict(counts)
    frequencies[256] = 1  # reserves the all-ones code, removed again below
    lengths = {symbol: 0 for symbol in frequencies}
    groups = [(count, [symbol]) for symbol, count in frequencies.items()]
    while len(groups) > 1:
        groups.sort(key=lambda group: (group[0], min(group[1])))
        (count_a, symbols_a), (count_b, symbols_b) = groups[0], groups[1]
        for symbol in symbols_a + symbols_b:
            lengths[symbol] += 1
        groups = [(count_a + count_b, symbols_a + symbols_b)] + groups[2:]
    bits = [0] * 33
    for symbol, length in lengths.items():
        bits[max(length, 1)] += 1
    for i in range(32, 16, -1):
        while bits[i] > 0:
            j = i - 2
            while bits[j] == 0:
                j -= 1
            bits[i] -= 2
            bits[i - 1] += 1
            bits[j + 1] += 2
            bits[j] -= 1
    i = 16
    while bits[i] == 0:
        i -= 1
    bits[i] -= 1  # the reserved symbol's code
    ordered = sorted((symbol for symbol in frequencies if symbol != 256),
                     key=lambda symbol: (lengths[symbol], symbol))
    return bits[1:17], ordered


def huffman_codes(bits, values):
    codes = {}
    code = 0
    index = 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[index]] = (code, length)
            code += 1
            index += 1
        code <<= 1
    return codes


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.buffer = 0
        self.count = 0

    def write(self, value, length):
        for shift in range(length - 1, -1, -1):
            self.buffer = (self.buffer << 1) | ((value >> shift) & 1)
            self.count += 1
            if self.count == 8:
                self.out.append(self.buffer)
                if self.buffer == 0xFF:
                    self.out.append(0)
                self.buffer = 0
                self.count = 0

    def finish(self):
        if self.count:
            self.write((1 << (8 - self.count)) - 1, 8 - self.count)
        return bytes(self.out)


def jpeg_bytes(rows, width, height, quality=90):
    tables = [scaled_table(LUMINANCE_QUANT, quality), scaled_table(CHROMINANCE_QUANT, quality)]
    planes = [[], [], []]
    for row in rows:
        for plane in planes:
            plane.append([])
        for x in range(width):
            r, g, b = row[3 * x:3 * x + 3]
            planes[0][-1].append(0.299 * r + 0.587 * g + 0.114 * b - 128)
            planes[1][-1].append(-0.168736 * r - 0.331264 * g + 0.5 * b)
            planes[2][-1].append(0.5 * r - 0.418688 * g - 0.081312 * b)

    # Quantised blocks in scan order: per block position, one block of each component.
    items = []
    previous = [0, 0, 0]
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for component, plane in enumerate(planes):
                block = [plane[min(by + y, height - 1)][min(bx + x, width - 1)]
                         for y in range(8) for x in range(8)]
                table = tables[0 if component == 0 else 1]
                coefficients = forward_dct(block)
                quantised = [int(round(coefficients[n] / table[n])) for n in ZIGZAG]
                kind = 0 if component == 0 else 1
                for item in block_symbols(quantised, previous[component]):
                    items.append((kind,) + item)
                previous[component] = quantised[0]

    huffman = {}
    for kind in (0, 1):
        for table_class in ("dc", "ac"):
            counts = {}
            for item in items:
                if item[0] == kind and item[1] == table_class:
                    counts[item[2]] = counts.get(item[2], 0) + 1
            huffman[(kind, table_class)] = huffman_table(counts)

    writer = BitWriter()
    codes = {key: huffman_codes(*value) for key, value in huffman.items()}
    for kind, table_class, symbol, size, bits in items:
        code, length = codes[(kind, table_class)][symbol]
        writer.write(code, length)
        if size:
            writer.write(bits, size)
    scan = writer.finish()

    def segment(marker, payload):
        return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload

    out = b"\xFF\xD8"
    out += segment(0xE0, b"JFIF\0" + struct.pack(">BBBHHBB", 1, 1, 0, 1, 1, 0, 0))
    for number, table in enumerate(tables):
        out += segment(0xDB, bytes([number]) + bytes(table[n] for n in ZIGZAG))
    out += segment(0xC0, struct.pack(">BHHB", 8, height, width, 3)
                   + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    for (kind, table_class), (bits, values) in sorted(huffman.items()):
        header = ((0 if table_class == "dc" else 1) << 4) | kind
        out += segment(0xC4, bytes([header]) + bytes(bits) + bytes(values))
    out += segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    out += scan + b"\xFF\xD9"
    return out
