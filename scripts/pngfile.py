"""Reading and writing plain PNG files with the standard library alone: for the scripts that
check what the browser drew and that derive corpus pictures, where no imaging library is
installed. Depths 8 and 16, gray, RGB, palette and their alpha forms, not interlaced."""
import struct
import zlib

CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def _paeth(left, up, corner):
    p = left + up - corner
    pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
    return left if pa <= pb and pa <= pc else up if pb <= pc else corner


def read_png(path):
    """Returns (width, height, rows): each row a list of (red, green, blue, alpha) in 0..255."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    at, idat, palette, trns = 8, b"", [], b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif kind == b"tRNS":
            trns = body
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    if depth not in (8, 16) or colour not in CHANNELS or interlace != 0 or (colour == 3 and depth != 8):
        raise ValueError(f"{path}: depth {depth}, colour type {colour}, interlace {interlace} not read")
    raw = zlib.decompress(idat)
    step = CHANNELS[colour] * depth // 8
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                line[i] = (line[i] + _paeth(left, up, previous[i - step] if i >= step else 0)) & 255
        previous = line
        # Samples to 8 bits: the high byte of a 16-bit sample.
        samples = line[::2] if depth == 16 else line
        n = CHANNELS[colour]
        row = []
        for x in range(width):
            s = samples[x * n:(x + 1) * n]
            if colour == 0:
                row.append((s[0], s[0], s[0], 255))
            elif colour == 4:
                row.append((s[0], s[0], s[0], s[1]))
            elif colour == 2:
                row.append((s[0], s[1], s[2], 255))
            elif colour == 6:
                row.append(tuple(s))
            else:
                r, g, b = palette[s[0]]
                row.append((r, g, b, trns[s[0]] if s[0] < len(trns) else 255))
        rows.append(row)
    return width, height, rows


def write_png(path, width, height, rows, alpha):
    """Writes 8-bit RGB (or RGBA with alpha) rows of (red, green, blue, alpha) tuples."""
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for p in row:
            raw.extend(p if alpha else p[:3])

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
                  + chunk(b"IEND", b""))
