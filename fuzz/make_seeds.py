#!/usr/bin/env python3
"""Writes the hand-made seeds of the fuzz corpus: small XM modules and a PSID
tune that reach the deep states of the players at once (envelopes with
sustain and loops, auto-vibrato, 8- and 16-bit forward and ping-pong loops,
the linear frequency table, every effect and volume-column command; all
waveforms, sync, ring, the filter and the sample channel), so that the fuzzer
starts from there instead of from the header.

    fuzz/make_seeds.py            writes into fuzz/corpus/fuzz_xm and fuzz_psid

The trimmed copies of the issue's own modules and tunes in the corpus were
made once from the build's generated files; scripts/fuzz.sh keeps the
corpus minimised from then on.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def xm(channels, patterns, instruments, flags=0, speed=3, bpm=125, orders=None, restart=0):
    orders = orders if orders is not None else list(range(len(patterns)))
    out = bytearray(b"Extended Module: " + b"seed".ljust(20, b" ") + b"\x1a" + b"fuzz".ljust(20, b" "))
    out += struct.pack("<H", 0x0104)
    head = struct.pack("<IHHHHHHHH", 276, len(orders), restart, channels, len(patterns),
                       len(instruments), flags, speed, bpm)
    out += head + bytes(orders).ljust(256, b"\0")
    for rows in patterns:
        packed = bytearray()
        for row in rows:
            for cell in row + [()] * (channels - len(row)):
                note, ins, vol, fx, par = (tuple(cell) + (0, 0, 0, 0, 0))[:5]
                mask = 0x80 | (note > 0) | (ins > 0) << 1 | (vol > 0) << 2 | (fx > 0) << 3 | (par > 0) << 4
                packed.append(mask)
                packed += bytes(v for v, on in zip((note, ins, vol, fx, par), range(5)) if mask >> on & 1)
        out += struct.pack("<IBHH", 9, 0, len(rows), len(packed)) + packed
    for ins in instruments:
        out += instrument(**ins)
    return bytes(out)


def envelope(points):
    return b"".join(struct.pack("<HH", x, y) for x, y in points).ljust(48, b"\0")


def instrument(samples, vol_env=(), pan_env=(), vol_type=0, pan_type=0, vol_sls=(0, 0, 0),
               pan_sls=(0, 0, 0), vibrato=(0, 0, 0, 0), fadeout=0, note_map=None):
    note_map = note_map or [0] * 96
    body = struct.pack("<I", 40) + bytes(note_map) + envelope(vol_env) + envelope(pan_env)
    body += bytes([len(vol_env), len(pan_env), *vol_sls, *pan_sls, vol_type, pan_type, *vibrato])
    body += struct.pack("<H", fadeout) + b"\0" * 22
    head = b"inst".ljust(22, b" ") + b"\0" + struct.pack("<H", len(samples))
    size = 4 + len(head) + len(body)
    out = bytearray(struct.pack("<I", size) + head + body)
    data = bytearray()
    for values, kind, loop_start, loop_len in samples:
        wide = kind & 0x10
        raw, prev = bytearray(), 0
        for v in values:
            d = (v - prev) & (0xFFFF if wide else 0xFF)
            raw += struct.pack("<H", d) if wide else bytes([d])
            prev = v
        k = 2 if wide else 1
        out += struct.pack("<IIIBbBBb", len(raw), loop_start * k, loop_len * k, 48, -16, kind, 100, 2)
        out += b"\0" + b"sample".ljust(22, b" ")
        data += raw
    return bytes(out + data)


def saw(n, wide):
    top = 30000 if wide else 120
    return [(i * 2 * top // n - top) & (0xFFFF if wide else 0xFF) for i in range(n)]


SAMPLES = [(saw(48, False), 0x01, 8, 32), (saw(40, True), 0x12, 4, 30)]
ENVELOPED = dict(samples=SAMPLES, note_map=[0] * 48 + [1] * 48,
                 vol_env=[(0, 64), (4, 40), (8, 50), (16, 10)], vol_type=7, vol_sls=(1, 1, 2),
                 pan_env=[(0, 0), (6, 64), (12, 32)], pan_type=5, pan_sls=(0, 0, 2),
                 vibrato=(1, 4, 8, 16), fadeout=0x0400)
PLAIN = dict(samples=[(saw(20, False), 0x02, 2, 12)], vibrato=(3, 0, 4, 40))

KEY_OFF = 97
EFFECTS = [  # one row per effect or volume command, on channels 0 and 1
    [(49, 1, 0x40, 0x00, 0x37), (61, 2)],
    [(0, 0, 0, 0x01, 0x04), (0, 0, 0, 0x02, 0x04)],
    [(56, 1, 0, 0x03, 0x10), (0, 0, 0xF4)],
    [(0, 0, 0, 0x05, 0x02), (0, 0, 0, 0x04, 0x86)],
    [(0, 0, 0, 0x06, 0x20), (0, 0, 0, 0x07, 0x46)],
    [(49, 1, 0, 0x09, 0x01), (0, 0, 0, 0x08, 0x20)],
    [(0, 0, 0, 0x0A, 0x0F), (0, 0, 0, 0x0C, 0x50)],
    [(0, 0, 0, 0x0E, 0x12), (0, 0, 0, 0x0E, 0x22)],
    [(0, 0, 0, 0x0E, 0x42), (0, 0, 0, 0x0E, 0x73)],
    [(0, 0, 0, 0x0E, 0x58), (0, 0, 0, 0x0E, 0x8C)],
    [(49, 2, 0, 0x0E, 0x91), (0, 0, 0, 0x0E, 0xA2)],
    [(0, 0, 0, 0x0E, 0xB1), (49, 1, 0, 0x0E, 0xC1)],
    [(50, 1, 0, 0x0E, 0xD1), (0, 0, 0, 0x0E, 0xE1)],
    [(0, 0, 0, 0x10, 0x30), (0, 0, 0, 0x11, 0x02)],
    [(0, 0, 0, 0x15, 0x06), (0, 0, 0, 0x19, 0x0F)],
    [(53, 2, 0, 0x1B, 0x83), (0, 0, 0, 0x1D, 0x11)],
    [(0, 0, 0, 0x21, 0x12), (0, 0, 0, 0x21, 0x22)],
    [(0, 0, 0x65), (0, 0, 0x75)],
    [(0, 0, 0x83), (0, 0, 0x93)],
    [(0, 0, 0xA4), (0, 0, 0xB6)],
    [(0, 0, 0xC4), (0, 0, 0xD2)],
    [(0, 0, 0xE2), (55, 1, 0xF8)],
    [(KEY_OFF, 0, 0, 0x0E, 0x60), (0, 0, 0, 0x14, 0x00)],
    [(0, 0, 0, 0x0E, 0x62), (0, 0, 0, 0x0F, 0x40)],
    [(0, 0, 0, 0x0B, 0x01), (0, 0, 0, 0x0D, 0x02)],
]
LOOPS = [
    [(37, 1, 0, 0x0F, 0x01), (40, 2)],
    [(0, 0, 0, 0x0E, 0x60)],
    [(KEY_OFF,), (0, 0, 0, 0x0F, 0xFF)],
    [(0, 0, 0, 0x0E, 0x63)],
    [(1, 1, 0, 0x0D, 0x70)],
]


def psid():
    """Init sets up all three voices, the filter and the sample channel and
    installs the play routine in the IRQ vector (play address 0 in the
    header); play steps the frequencies and toggles the gates."""
    init = [
        0xA2, 0x18, 0xBD, 0x40, 0x10, 0x9D, 0x00, 0xD4, 0xCA, 0x10, 0xF7,  # copy $1040.. to $D400..
        0xA9, 0xA0, 0x8D, 0x1E, 0xD4, 0xA9, 0x10, 0x8D, 0x1F, 0xD4,      # sample start $10A0
        0xA9, 0xE0, 0x8D, 0x3D, 0xD4, 0xA9, 0x10, 0x8D, 0x3E, 0xD4,      # end $10E0
        0xA9, 0x03, 0x8D, 0x3F, 0xD4, 0xA9, 0x80, 0x8D, 0x5D, 0xD4,      # 3 repeats, period $80
        0xA9, 0xFF, 0x8D, 0x1D, 0xD4,                                    # start the sample channel
        0xA9, 0x80, 0x8D, 0x14, 0x03, 0xA9, 0x10, 0x8D, 0x15, 0x03, 0x60,  # IRQ vector $1080
    ]
    regs = [0x00, 0x11, 0x00, 0x08, 0x41, 0x1A, 0xF8, 0x00, 0x23, 0, 0, 0x15, 0x22, 0x7A,
            0x80, 0x0C, 0x00, 0x00, 0x81, 0x00, 0xC8, 0x07, 0x60, 0xF7, 0x7F]
    play = [0xEE, 0x00, 0xD4, 0xEE, 0x08, 0xD4, 0xAD, 0x60, 0x10, 0x49, 0x01, 0x8D, 0x60, 0x10,
            0x09, 0x40, 0x8D, 0x04, 0xD4, 0x09, 0x16, 0x8D, 0x12, 0xD4, 0x60]
    code = bytearray(0xE0)
    code[0:len(init)] = bytes(init)
    code[0xA0:0xE0] = bytes(range(0, 0x100, 4))
    code[0x40:0x40 + len(regs)] = bytes(regs)
    code[0x60] = 0x41
    code[0x80:0x80 + len(play)] = bytes(play)
    head = bytearray(0x7C)
    head[0:4] = b"PSID"
    struct.pack_into(">HHHHHHHI", head, 4, 2, 0x7C, 0, 0x1000, 0, 1, 1, 0)
    struct.pack_into(">H", head, 118, 0x14)
    return bytes(head) + struct.pack("<H", 0x1000) + bytes(code)


def main():
    seeds = {
        "fuzz_xm/envelopes.xm": xm(2, [EFFECTS[:8] + [[(KEY_OFF,), (KEY_OFF,)]] * 3], [ENVELOPED, PLAIN]),
        "fuzz_xm/every_effect.xm": xm(3, [EFFECTS, LOOPS], [ENVELOPED, PLAIN], flags=1, orders=[0, 1, 5]),
        "fuzz_xm/loops_and_jumps.xm": xm(2, [LOOPS, EFFECTS[20:]], [PLAIN, ENVELOPED], orders=[1, 0, 1],
                                         restart=1, speed=2),
        "fuzz_psid/voices_filter_sample.psid": psid(),
    }
    for name, data in seeds.items():
        with open(os.path.join(HERE, "corpus", name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
