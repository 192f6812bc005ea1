#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora into fuzz/corpus/<target>/.

Level seeds are small sound maps cut out of Freedoom (the BSP subtree of one
low node with everything it uses) and small hand-made files with broken
headers, directories and indices. Font seeds are small BMPs of each pixel
depth and broken headers. Key seeds are short sequences of commands with
frames between them.

Run from anywhere: python3 fuzz/make_seeds.py [freedoom1.wad]
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FREEDOOM = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/games/doom/freedoom1.wad"

RECORD_SIZES = {"THINGS": 10, "LINEDEFS": 14, "SIDEDEFS": 30, "VERTEXES": 4,
                "SEGS": 12, "SSECTORS": 4, "NODES": 28, "SECTORS": 26}
MAP_LUMPS = ["THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS", "SSECTORS", "NODES", "SECTORS"]


def build_wad(lumps, ident=b"PWAD"):
    data, directory = b"", b""
    for name, payload in lumps:
        directory += struct.pack("<II8s", 12 + len(data), len(payload), name.encode()[:8])
        data += payload
    return ident + struct.pack("<iI", len(lumps), 12 + len(data)) + data + directory


def read_map(wad, map_name):
    count, offset = struct.unpack_from("<iI", wad, 4)
    entries = [struct.unpack_from("<II8s", wad, offset + 16 * i) for i in range(count)]
    names = [e[2].rstrip(b"\0").decode() for e in entries]
    start = names.index(map_name)
    lumps = {}
    for i in range(start + 1, start + 11):
        pos, size, _ = entries[i]
        if names[i] in RECORD_SIZES:
            lumps[names[i]] = wad[pos:pos + size]
    return lumps


def settings(map_index=0, max_depth=100, max_draw=250, far_sides=1, scale=0, offset=(0, 0),
             player=(200, 200), angle=0, near=0, start_pending=1):
    flags = map_index | near << 4 | start_pending << 5
    return struct.pack("<BhhBBhhhhB", flags, max_depth, max_draw, far_sides, scale,
                       offset[0], offset[1], player[0], player[1], angle)


def unpack(lump, fmt):
    size = struct.calcsize(fmt)
    return [list(struct.unpack_from(fmt, lump, i)) for i in range(0, len(lump) - size + 1, size)]


def pack(rows, fmt):
    return b"".join(struct.pack(fmt, *row) for row in rows)


def renumber(rows, field, keep_rows):
    """Keeps the rows named by field of keep_rows, in order, and points field at the new positions."""
    used = sorted({row[field] for row in keep_rows if 0 <= row[field] < len(rows)})
    position = {old: new for new, old in enumerate(used)}
    for row in keep_rows:
        row[field] = position.get(row[field], -1)
    return [rows[old] for old in used]


def cut_map(lumps, name, node_count):
    """The subtree of node node_count - 1 (nodes are stored children first) with
    the subsectors, segs, linedefs, sidedefs, sectors and vertexes it uses,
    renumbered; the view is centred on it. Returns (lumps, offset, player)."""
    fmt = {"NODES": "<hhhh4h4hHH", "SSECTORS": "<hh", "SEGS": "<hhHhHH", "LINEDEFS": "<hhHHHhh",
           "SIDEDEFS": "<hh8s8s8sh", "SECTORS": "<hh8s8sHHH", "VERTEXES": "<hh", "THINGS": "<hhhhH"}
    rows = {lump: unpack(lumps[lump], fmt[lump]) for lump in MAP_LUMPS}
    nodes = rows["NODES"][:node_count]
    used = [c & 0x7FFF for n in nodes for c in n[12:14] if c & 0x8000]
    subsectors = rows["SSECTORS"][:max(used) + 1]
    segs = rows["SEGS"][:max(s[0] + s[1] for s in subsectors)]
    linedefs = renumber(rows["LINEDEFS"], 3, segs)
    sidedefs = rows["SIDEDEFS"]
    side_used = sorted({l[i] for l in linedefs for i in (5, 6) if 0 <= l[i] < len(sidedefs)})
    side_position = {old: new for new, old in enumerate(side_used)}
    for l in linedefs:
        for i in (5, 6):
            l[i] = side_position.get(l[i], -1)
    sidedefs = [sidedefs[old] for old in side_used]
    sectors = renumber(rows["SECTORS"], 5, sidedefs)
    vertexes = rows["VERTEXES"]
    vert_used = sorted({r[i] for r in segs for i in (0, 1)} | {r[i] for r in linedefs for i in (0, 1)})
    vert_position = {old: new for new, old in enumerate(vert_used)}
    for r in segs + linedefs:
        r[0], r[1] = vert_position[r[0]], vert_position[r[1]]
    vertexes = [vertexes[old] for old in vert_used]
    cx = sum(v[0] for v in vertexes) // len(vertexes)
    cy = sum(v[1] for v in vertexes) // len(vertexes)
    things = [t for t in rows["THINGS"] if abs(t[0] - cx) < 600 and abs(t[1] - cy) < 600][:16]
    out = [(name, b""), ("THINGS", pack(things, fmt["THINGS"])), ("LINEDEFS", pack(linedefs, fmt["LINEDEFS"])),
           ("SIDEDEFS", pack(sidedefs, fmt["SIDEDEFS"])), ("VERTEXES", pack(vertexes, fmt["VERTEXES"])),
           ("SEGS", pack(segs, fmt["SEGS"])), ("SSECTORS", pack(subsectors, fmt["SSECTORS"])),
           ("NODES", pack(nodes, fmt["NODES"])), ("SECTORS", pack(sectors, fmt["SECTORS"]))]
    # Scale 2.5 (the first entry of the fuzzer's scale table): the centre lands on screen (25, 25).
    return out, (100 - cx, 100 - cy), (100, 100)


def records(fmt, rows):
    return b"".join(struct.pack(fmt, *row) for row in rows)


def tiny_map(nodes=None, segs=None, subsectors=None, linedefs=None, sidedefs=None):
    """One square room: four vertexes, linedefs, segs, one sector."""
    vertexes = records("<hh", [(0, 0), (64, 0), (64, 64), (0, 64)])
    linedefs = linedefs if linedefs is not None else records(
        "<hhHHHhh", [(i, (i + 1) % 4, 1, 0, 0, 0, -1) for i in range(4)])
    sidedefs = sidedefs if sidedefs is not None else records("<hh8s8s8sh", [(0, 0, b"", b"", b"", 0)])
    sectors = records("<hh8s8sHHH", [(0, 128, b"", b"", 160, 0, 0)])
    segs = segs if segs is not None else records("<hhHhHH", [(i, (i + 1) % 4, 0, i, 0, 0) for i in range(4)])
    subsectors = subsectors if subsectors is not None else records("<hh", [(4, 0)])
    things = records("<hhhhH", [(32, 32, 90, 1, 7), (16, 16, 0, 2035, 7), (48, 48, 0, 9, 7)])
    nodes = nodes if nodes is not None else b""
    return [("E1M1", b""), ("THINGS", things), ("LINEDEFS", linedefs), ("SIDEDEFS", sidedefs),
            ("VERTEXES", vertexes), ("SEGS", segs), ("SSECTORS", subsectors), ("NODES", nodes),
            ("SECTORS", sectors)]


def node(right, left, x=32, y=0, dx=0, dy=64, box=(64, 0, 0, 64)):
    return struct.pack("<hhhh4h4hHH", x, y, dx, dy, *box, *box, right, left)


def level_seeds():
    seeds = {}
    wad = open(FREEDOOM, "rb").read()
    for index, name, node_count in ((0, "E1M1", 40), (7, "E1M8", 32), (8, "E1M9", 40)):
        lumps, offset, player = cut_map(read_map(wad, name), name, node_count)
        cut = build_wad(lumps)
        stem = f"freedoom-{name.lower()}-cut"
        seeds[stem] = settings(map_index=index, offset=offset, player=player, start_pending=0) + cut
        seeds[stem + "-solid-near"] = settings(map_index=index, offset=offset, player=player, near=1,
                                               start_pending=0, max_depth=0x7FFF, max_draw=0x7FFF,
                                               angle=64) + cut
        seeds[stem + "-player-start"] = settings(map_index=index, offset=offset, start_pending=1,
                                                 angle=128) + cut
    lumps, offset, player = cut_map(read_map(wad, "E1M1"), "E1M1", 40)
    e1m1 = build_wad(lumps)
    seeds["freedoom-e1m1-cut-scale-zero"] = settings(scale=3, offset=offset, player=player, start_pending=0) + e1m1
    seeds["freedoom-e1m1-cut-far-off"] = settings(far_sides=0, max_depth=3, max_draw=1, offset=offset,
                                                  player=(-30000, 30000), start_pending=0) + e1m1

    room = build_wad(tiny_map(nodes=node(0x8000, 0x8000)))
    start = settings(scale=1, offset=(0, 0), player=(12, 12), start_pending=1)
    seeds["room"] = start + room
    seeds["room-iwad"] = start + build_wad(tiny_map(nodes=node(0x8000, 0x8000)), b"IWAD")
    seeds["room-no-nodes"] = start + build_wad(tiny_map())
    seeds["nodes-self-and-pair"] = start + build_wad(tiny_map(nodes=node(0, 1) + node(0, 0x8000)))
    seeds["node-child-beyond"] = start + build_wad(tiny_map(nodes=node(7, 0x8005)))
    seeds["seg-indices-broken"] = start + build_wad(tiny_map(
        nodes=node(0x8000, 0x8000),
        segs=records("<hhHhHH", [(-1, 1, 0, 0, 0, 0), (0, 99, 0, 0, 0, 0), (0, 1, 0, 77, 0, 0),
                                  (0, 1, 0, 0, 1, 0), (2, 3, 0, -5, 0, 0)]),
        subsectors=records("<hh", [(5, 0), (32767, 32000), (-3, 2)])))
    seeds["sidedef-sector-broken"] = start + build_wad(tiny_map(
        nodes=node(0x8000, 0x8000),
        sidedefs=records("<hh8s8s8sh", [(0, 0, b"", b"", b"", 12)]),
        linedefs=records("<hhHHHhh", [(0, 1, 1, 0, 0, 4, -1), (1, 2, 1, 0, 0, 0, -1),
                                      (2, 3, 1, 0, 0, 0, 0), (3, 0, 1, 0, 0, -9, -1)])))
    seeds["odd-lump-sizes"] = start + build_wad([(n, p + b"\x01\x02\x03") for n, p in tiny_map()])
    seeds["empty"] = start
    seeds["short-header"] = start + b"PWAD\x01\x00"
    seeds["not-a-wad"] = start + b"GIF89a" + bytes(20)
    seeds["num-lumps-negative"] = start + b"PWAD" + struct.pack("<iI", -1, 12)
    seeds["num-lumps-huge"] = start + b"PWAD" + struct.pack("<iI", 0x7FFFFFFF, 12) + bytes(16)
    seeds["directory-past-end"] = start + b"PWAD" + struct.pack("<iI", 1, 0xFFFFFFF0) + bytes(16)
    bad_lump = bytearray(room)
    struct.pack_into("<I", bad_lump, len(bad_lump) - 16 * 7 + 4, 0xFFFFFFF0)
    seeds["lump-past-end"] = start + bytes(bad_lump)
    return seeds


def bmp(width, height, bits, pixels):
    header = bytearray(54)
    header[0:2] = b"BM"
    struct.pack_into("<IiihH", header, 14, 40, width, height, 1, bits)
    struct.pack_into("<I", header, 10, 54)
    return bytes(header) + pixels


def font_seeds():
    text = b"MaxDepth 100 MaxDraw 250 Player (50,50)"
    prefix = bytes([0, len(text)]) + text
    return {
        "bmp-24bit-16x16": prefix + bmp(16, 16, 24, bytes(range(256)) * 3),
        "bmp-32bit-8x8": prefix + bmp(8, 8, 32, bytes(range(256))),
        "bmp-8bit-32x4": prefix + bmp(32, 4, 8, bytes(128)),
        "bmp-24bit-twice": bytes([1, len(text)]) + text + bmp(4, 4, 24, bytes(range(48))),
        "bmp-negative": prefix + bmp(-256, 256, 24, bytes(64)),
        "bmp-negative-height": prefix + bmp(256, -256, 32, bytes(64)),
        "bmp-24bit-static-store": bytes([0xA7, len(text)]) + text + bmp(16, 16, 24, bytes(768)),
        "bmp-zero-static-store": bytes([0xA6, len(text)]) + text + bmp(0, 0, 24, b""),
        "bmp-huge": prefix + bmp(0x7FFFFFFF, 0x7FFFFFFF, 24, bytes(99)),
        "bmp-huge-32bit": prefix + bmp(65536, 65536, 32, bytes(40)),
        "bmp-truncated-header": prefix + bmp(256, 256, 24, b"")[:30],
        "high-codes": bytes([0, 16]) + bytes(range(240, 256)) + bmp(256, 256, 32, bytes(500)),
        "empty": bytes([0, 0]),
    }


def key_seeds():
    up, down, left, right = 38, 40, 37, 39
    frame = 0xFF
    return {
        "walk": bytes([up, up, frame, left, up, up, frame, right, down, frame]),
        "solid-near": bytes([32, frame, 17, frame, up, up, up, frame]),
        "scale-down": bytes([33] * 8 + [frame, 33, 33, frame, 34, frame]),
        "depth-up": bytes([113] * 200 + [frame]),
        "draw-up": bytes([115] * 200 + [frame, 114, 114, frame]),
        "depth-down": bytes([112] * 120 + [frame, 114, frame]),
        "maps": bytes([107, frame, 107, 107, frame, 109, frame] + [107] * 6 + [frame]),
        "escape": bytes([27, frame, 27, 27, frame]),
        "far-away": bytes([up] * 300 + [frame]),
        "turn-walk": bytes([left] * 10 + [up] * 40 + [frame, right] * 5 + [frame]),
    }


def write(target, seeds):
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(directory, name), "wb") as out:
            out.write(data)


def main():
    write("level_fuzzer", level_seeds())
    write("font_fuzzer", font_seeds())
    write("keys_fuzzer", key_seeds())


if __name__ == "__main__":
    main()
