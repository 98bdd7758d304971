#!/usr/bin/env python3
"""Tidies the month's release list (content/charts/releases.txt) and the
group names of the standings so that the data reads like a real month.

    scripts/release-data.py [CHARTS_DIR]     (default: content/charts)

The pass keeps every release's date, group, type, status and size bonus (its
thousand-megabyte step), so no score and no chart position changes. It:

- renames the groups of RENAMES in both files (names in the scene's own
  manner instead of look-alike word pairs);
- gives an application product at most one new version a month: a later
  version in the same month becomes a product of its own;
- lets a given name open the titles of at most two series ("Oona's Garden"),
  others get a name of their own;
- moves documentation packs beyond the third of one game to another game the
  group released earlier, under a pack kind that game does not have yet;
- gives a dupe the size of the release it repeats (it is the same image).

Running it again changes nothing. test_charts holds the data to these rules.
"""
import re
import sys
from collections import Counter, defaultdict

RENAMES = {
    "Velvet Hammer": "Nopslide", "Marrowind": "Sine Language", "Grey Gull": "GRG",
    "Heron Gate": "Modem Times", "Paper Crane": "Hertz Donut", "Hollow Reed": "Dot Gain",
    "Brass Weasel": "Wrong Endian", "Drowsy Badger": "Power Nap", "Flannel Owl": "Flanger",
    "Silent Otter": "Mute Point", "Salt Fox": "Xfade", "Pewter Moth": "PMT",
    "Storm Petrel": "Brownout", "Bramblefox": "Twiddle", "Rusted Gate": "Border Patrol",
    "Rustbelt Choir": "Wobble Ltd", "Slate Harbour": "Pink Noise", "Twelve Bells": "Gauss Gang",
    "Lanthorn": "Hi Score", "Lantern Jaw": "Lockjaw Labs", "Tidewater": "Two's Complement",
    "Thimble Works": "TWX", "Tarn Works": "Tarnish", "Hollow Pine": "Pinecode",
    "Kittiwake": "Kbps", "Cormorant": "Warm Boot", "Ptarmigan": "PTRM",
    "Dormouse": "Mousepad Mafia", "Gannet Row": "Row Buffer", "Glass Finch": "Glitch Fu",
    "Sparrow Hill": "Uphill Both Ways", "Seven Winters": "Leap Year", "Oat and Barley": "Porridge",
    "Rook and Rye": "Castling", "Muddy Boots": "Wet Paint", "Mossy Anchor": "Anchor Tag",
    "Saffron Road": "Sixel", "Ochre Lane": "OCR Lane", "Kelp Forest": "Kelp Desk",
    "Forty Fathoms": "FFS", "Whinstone": "Whine and Cheese", "Nine Volt": "Dry Solder",
    "Bay Three": "B3", "Parity Bit": "Even Odds", "Loose Bytes": "Endless Loop",
    "Zero Hour Club": "Y2K Survivors", "Iron Lung Choir": "Choir Invisible",
    "Null Pointers": "Dangling Refs", "Tape Worms": "Cassette Cult",
    # Near-twins of another group's name (a shared word, the same first four
    # letters, one word the start or the end of another: Tin Owl/Tinderbox).
    "Bit Rot Society": "Kernel Panic", "Marram Grass": "Sandbox Kids", "Overclocked Owls": "Thermal Paste",
    "PLX Unit": "PLX", "Tinderbox": "Spark Gap", "Gristmill": "Grindhouse", "Tessellate": "Penrose",
    # Names an earlier run of this table gave that turned out near-twins too.
    "ZZZ Crew": "Power Nap", "Noisefloor": "Pink Noise", "Overscan": "Border Patrol",
}

# Fresh words for products and given names, used in order.
STEMS = ["Quill", "Grid", "Lumen", "Spool", "Brush", "Notch", "Pebble", "Tally", "Sketch", "Ledger",
         "Clip", "Voxel", "Patch", "Stitch", "Dial", "Frame", "Tone", "Shelf", "Timber", "Moon", "Glyph",
         "Wave", "Block", "Scroll", "Cellar", "Slate", "Pin", "Dove", "Plumb", "Nib", "Ember", "Folio",
         "Thistle", "Pond", "Fret", "Mosaic", "Kiln", "Latch", "Cobble", "Drum", "Lark", "Harrow", "Orrery",
         "Wicker", "Quay", "Burrow", "Nimbus", "Tinsel", "Hayloft", "Cairn", "Pennant", "Lattice", "Meadow",
         "Rivet", "Garnet", "Trellis", "Bellows", "Thatch", "Sprocket", "Cobweb", "Ferrule", "Gable", "Wharf",
         "Quiver", "Beacon", "Hearth", "Marble", "Otter", "Fable", "Copse", "Gimlet", "Sorrel", "Bobbin"]
ENDINGS = ["pad Pro", "works", "cast", "draw Studio", "sync", "mail", "note", "mix", "scan", "calc",
           "type", "view Lite", "forge", "tracker", "shell"]
PRODUCT_WORDS = [(s + e if not e[0].isupper() else s + " " + e) for i, s in enumerate(STEMS)
                 for e in [ENDINGS[i % len(ENDINGS)], ENDINGS[(i * 7 + 3) % len(ENDINGS)],
                           ENDINGS[(i * 4 + 9) % len(ENDINGS)]]]
PRODUCT_WORDS = list(dict.fromkeys(w[0].upper() + w[1:] for w in PRODUCT_WORDS))
GIVEN_NAMES = [
    "Hedda's", "Ansel's", "Birgit's", "Corvin's", "Dagny's", "Evert's", "Fenna's", "Gideon's",
    "Halvard's", "Inge's", "Joost's", "Kaia's", "Leif's", "Maren's", "Nils's", "Olwen's",
    "Petra's", "Quincy's", "Runa's", "Sigrid's", "Tobin's", "Ulla's", "Vidar's", "Wilma's",
    "Yrsa's", "Zofia's", "Agnar's", "Britta's", "Casimir's", "Doro's", "Eskil's", "Frida's",
    "Gunnar's", "Hilde's", "Ivar's", "Jonna's", "Kjell's", "Liv's", "Magnus's", "Nora's",
]
DOX_KINDS = ["Manual", "Walkthrough", "Modding Guide", "Level Maps", "Developer Diary", "FAQ", "Art Book",
             "Reference Card", "Strategy Guide", "Handbook", "Quick Start", "Source Notes", "Speedrun Notes",
             "Map Atlas"]
MAX_DOX_PER_GAME = 3
MAX_SERIES_PER_NAME = 2


def read(path):
    lines = open(path, encoding="utf-8").read().split("\n")
    return lines, [i for i, l in enumerate(lines) if l.strip() and not l.startswith("#")]


def main():
    base = sys.argv[1] if len(sys.argv) > 1 else "content/charts"
    rel_lines, rel_idx = read(base + "/releases.txt")
    st_lines, st_idx = read(base + "/standings.txt")
    rows = [rel_lines[i].split(" | ") for i in rel_idx]
    for i in st_idx:
        f = st_lines[i].split(" | ")
        f[1] = RENAMES.get(f[1], f[1])
        st_lines[i] = " | ".join(f)
    for r in rows:
        r[1] = RENAMES.get(r[1], r[1])

    used = set(r[5] for r in rows)
    product_words = iter(w for w in PRODUCT_WORDS if not any(t.startswith(w) for t in used))

    # Remember what each dupe repeats, by position, before titles change.
    original = {}
    first_of = {}
    for k, r in enumerate(rows):
        key = (r[2], r[5])
        if r[4] == "NUKED:dupe" and key in first_of:
            original[k] = first_of[key]
        else:
            first_of.setdefault(key, k)

    # One new version of a product a month.
    seen_products = set()
    for k, r in enumerate(rows):
        if r[2] != "APP" or k in original:
            continue
        product = r[5].rsplit(" ", 1)[0]
        if product in seen_products:
            r[5] = next(product_words) + " " + r[5].rsplit(" ", 1)[1]
        seen_products.add(r[5].rsplit(" ", 1)[0])

    # A given name opens at most two series; the series is the name and the
    # word after it, within one group.
    series_of_name = defaultdict(list)
    for k, r in enumerate(rows):
        if r[2] in ("DOX",) or k in original:
            continue
        m = re.match(r"([A-Z][a-z]+'s) (\S+)", r[5])
        if m and (r[1], m.group(0)) not in series_of_name[m.group(1)]:
            series_of_name[m.group(1)].append((r[1], m.group(0)))
    taken = set(re.match(r"\S+", r[5]).group(0) for r in rows)
    names = iter(n for n in GIVEN_NAMES if n not in taken)
    replace = {}  # "Name's Word" -> "Other's Word"; a series belongs to one group
    for name, series in series_of_name.items():
        for _, words in series[MAX_SERIES_PER_NAME:]:
            replace.setdefault(words, next(names) + words[len(name):])
    for r in rows:
        for old, new in replace.items():
            if r[5] == old or r[5].startswith(old + " ") or r[5].startswith(old + ":"):
                r[5] = new + r[5][len(old):]

    # At most three documentation packs per game.
    games = []  # (position, title, group)
    dox_of = defaultdict(list)
    for k, r in enumerate(rows):
        if r[2] == "GAME" and k not in original:
            games.append((k, r[5], r[1]))
        if r[2] != "DOX" or k in original:
            continue
        game = max((g for g in games if r[5].startswith(g[1] + " ")), key=lambda g: len(g[1]), default=None)
        if game is None:
            continue
        kind = r[5][len(game[1]) + 1:]
        if len(dox_of[game[1]]) < MAX_DOX_PER_GAME:
            dox_of[game[1]].append(kind)
            continue
        # The group's own games first, then anyone's.
        mine = [g for g in reversed(games) if g[2] == r[1]] + [g for g in reversed(games) if g[2] != r[1]]
        for _, title, group in mine:
            if len(dox_of[title]) >= MAX_DOX_PER_GAME:
                continue
            free = [d for d in DOX_KINDS if d not in dox_of[title] and title + " " + d not in used]
            if not free:
                continue
            kind = kind if kind in free else free[0]
            r[5] = title + " " + kind
            dox_of[title].append(kind)
            break
        else:
            sys.exit("no game of %s left for %s" % (r[1], r[5]))

    # A dupe is the same image: same title, same size.
    for k, o in original.items():
        rows[k][5] = rows[o][5]
        rows[k][3] = rows[o][3]

    for i, r in zip(rel_idx, rows):
        rel_lines[i] = " | ".join(r)
    open(base + "/releases.txt", "w", encoding="utf-8").write("\n".join(rel_lines))
    open(base + "/standings.txt", "w", encoding="utf-8").write("\n".join(st_lines))


if __name__ == "__main__":
    main()
