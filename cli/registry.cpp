#include "cli/registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace zel::tool {
namespace {

constexpr ToolCommand kCommands[] = {
    {"assets", "OUTDIR", "write the generated artwork (PNG previews and the raw bytes as linked)", cmd_assets},
    {"captions", "",
     "the contrast of every button caption against its plate, idle, lit and hovered, in both skins", cmd_captions},
    {"export-html", "DIR", "the issue as a self-contained HTML edition in the new (or empty) folder DIR",
     cmd_export_html},
    {"export-text", "DIR", "the issue as UTF-8 text, one file per page and an index, in the new (or empty) folder DIR",
     cmd_export_text},
    {"measure-xm", "[N|FILE ...]",
     "stereo width, sample centring, energy above 4/6 kHz, chord-loop share of the order list and visualiser bars "
     "lit per frame over a module's first pass",
     cmd_measure_xm},
    {"modules", "",
     "one line per embedded module: number, size, channels, instruments, patterns, song length, restart, flags, "
     "speed, BPM, seconds to the song's end",
     cmd_modules},
    {"page", "N", "page N's lines as they are drawn (code page 437 shown as UTF-8)", cmd_page},
    {"pages", "", "one line per page 1..20: number, page_length, menu entry", cmd_pages},
    {"play-sid", "N|FILE [--seconds S]",
     "plays tune N (1..12) or a PSID/RSID file on the sound device; q or Ctrl-C stops", cmd_play_sid},
    {"play-xm", "N|FILE [--seconds S]",
     "plays module N (1..4) or an XM file (versions 1.02 to 1.04) on the sound device; q or Ctrl-C stops",
     cmd_play_xm},
    {"render-sid", "N|FILE SECONDS OUT.wav|.flac|.ogg",
     "render tune N of the table, or a PSID/RSID file, to 44,100 Hz 16-bit mono", cmd_render_sid},
    {"render-xm", "N|FILE SECONDS|end OUT.wav|.flac|.ogg [--loops K]",
     "renders module N (1..4) or an XM file (versions 1.02 to 1.04) to 44,100 Hz 16-bit stereo; `end` renders to "
     "where the song starts over (at most 3600 s), --loops K adds K passes",
     cmd_render_xm},
    {"run", "SCRIPT OUTDIR", "run the whole program headless, driven by SCRIPT; shots go to OUTDIR", cmd_run},
    {"run6502", "BIN LOADADDR STARTPC [--max-steps N] [--dump ADDR[:LEN]]...",
     "run a raw 6502 program (hex addresses) until it jumps to itself", cmd_run6502},
    {"tunes", "", "list the embedded SID tunes: size, load range, init, play, songs, start song", cmd_tunes},
};
// Usage lists and `help` show the commands in this order.
static_assert(std::is_sorted(std::begin(kCommands), std::end(kCommands), [](const ToolCommand& a, const ToolCommand& b) {
  return std::string_view(a.name) < std::string_view(b.name);
}));

constexpr AssetWriter kAssetWriters[] = {
    {"font.png, font.bin", write_font},
    {"skin1.png, skin1.bin", [](const std::string& d) { return write_skin(d, 1); }},
    {"skin2.png, skin2.bin", [](const std::string& d) { return write_skin(d, 2); }},
    {"bigfont", write_bigfont},
};

}  // namespace

std::span<const ToolCommand> commands() { return kCommands; }

std::span<const AssetWriter> asset_writers() { return kAssetWriters; }

bool parse_int(const std::string& s, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  out = v;
  return true;
}

}  // namespace zel::tool
