#!/usr/bin/env python3
"""Writes the regression inputs of the XM and PSID targets: one small file
for each kind of image that once crashed or hung a loader or player, named
after what it shows (fuzz/regressions/<target>/). The normal test suite
replays each one and checks what the run did (tests/test_fuzz_regressions.cpp).

    fuzz/make_regressions.py

Each input is a hand-made seed (make_seeds.py) with the one field that
showed the fault overwritten.
"""
import os
import struct

from make_seeds import ENVELOPED, EFFECTS, PLAIN, xm

HERE = os.path.dirname(os.path.abspath(__file__))

PATTERN = 60 + 276  # the first pattern header of a module written by xm()


def patched(base, *edits):
    """`base` with each (offset, struct format, value) written over it."""
    out = bytearray(base)
    for at, fmt, value in edits:
        struct.pack_into(fmt, out, at, value)
    return bytes(out)


def modules():
    base = xm(2, [EFFECTS[:8]], [ENVELOPED, PLAIN])
    packed = struct.unpack_from("<H", base, PATTERN + 7)[0]
    ins = PATTERN + 9 + packed                          # the first instrument
    sample = ins + struct.unpack_from("<I", base, ins)[0]  # its first sample header
    return {
        # The channel table has 32 entries.
        "more-than-32-channels.xm": patched(base, (68, "<H", 33)),
        # Envelope tables have 12 points; loop and sustain indices past the count.
        "envelope-points-and-loop-past-the-count.xm":
            patched(base, (ins + 225, "<B", 200), (ins + 229, "<B", 250), (ins + 227, "<B", 90)),
        # Envelope ticks going back and values above 64.
        "envelope-ticks-going-back.xm":
            patched(base, (ins + 129 + 4, "<H", 9), (ins + 129 + 6, "<H", 900), (ins + 129 + 8, "<H", 2)),
        # Position records and the row counter hold at most 256 rows.
        "pattern-of-300-rows.xm": patched(base, (PATTERN + 5, "<H", 300)),
        # A packed size that runs past the file into the instruments.
        "pattern-promises-more-cells-than-the-file.xm": patched(base, (PATTERN + 7, "<H", 0xFFFF)),
        # A sample length far beyond the file.
        "sample-longer-than-the-file.xm": patched(base, (sample, "<I", 0x7FFFFFFF)),
        # A loop that starts and ends past the sample's end.
        "loop-past-the-sample-end.xm": patched(base, (sample + 4, "<I", 1000), (sample + 8, "<I", 5000)),
    }


def psid(load, code, play=0x1003, offset=0x7C):
    head = bytearray(0x7C)
    head[0:4] = b"PSID"
    struct.pack_into(">HHHHHHHI", head, 4, 2, offset, 0, load, play, 1, 1, 0)
    return bytes(head[:max(offset, 14)]) + struct.pack("<H", load) + bytes(code)


def tunes():
    return {
        # Data past $FFFF used to be copied beyond the 64 KB of RAM.
        "data-past-ffff.psid": psid(0xFFF0, [0x60] * 64, play=0xFFF0),
        # An init routine that jumps to itself: every call has a budget.
        "init-that-never-returns.psid": psid(0x1000, [0x4C, 0x00, 0x10, 0x60]),
        # A data offset beyond the image's end.
        "data-offset-past-the-end.psid": psid(0x1000, [0x60], offset=0xF0)[:0x90],
    }


def main():
    for target, files in (("fuzz_xm", modules()), ("fuzz_psid", tunes())):
        folder = os.path.join(HERE, "regressions", target)
        os.makedirs(folder, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
            print(f"{target}/{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
