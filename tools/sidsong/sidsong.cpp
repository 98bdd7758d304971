// sidsong: the tune compiler. Turns a readable song source into a PSID v2
// image that carries the 6502 driver (content/tunes/driver.s) and the song's
// data, laid out at the addresses of the tune's slot in the issue.
//
//   sidsong ASSEMBLER DRIVER.s SONG.txt OUT.sid [WORKDIR]
//
// The song format is described in docs/tunes.md. In short:
//
//   title "..."  author "..."  slot N  tempo T  [swing A B]
//   instrument NAME ... end        envelope, pulse, vibrato, filter, wave table
//   pattern NAME ... end           notes, rests, ties, durations, instruments
//   pattern NAME echo SRC ROWS INS a copy of SRC, ROWS rows late, played by INS
//   song ... end                   blocks "label: v1 | v2 | v3" of patterns
//   subsongs LABEL...              where the sub-songs after the first start
//
// Layout: the slot fixes the load range, the init and play addresses and the
// header's song counts. Jump stubs sit at the init and play addresses; the
// driver and the song data go into the free gaps of the range; the rest of
// the range is zero. Any error (unknown name, a block whose voices differ in
// length, data that does not fit) stops the build with file:line and reason.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sid/psid_writer.h"

namespace {

// The issue's twelve tune slots: load range (inclusive), init, play, header
// song count and start song.
struct Slot {
  int load, end, init, play, songs, start_song;
};
constexpr Slot kSlots[13] = {
    {},
    {0x0822, 0x1600, 0x127B, 0x082E, 1, 1},  {0x0FFC, 0x19BB, 0x0FFC, 0x104D, 1, 1},
    {0x0825, 0x15BC, 0x0825, 0x082B, 2, 1},  {0x8000, 0x8F27, 0x8394, 0x8000, 25, 1},
    {0x0400, 0x1FA0, 0x1F85, 0x1F9B, 28, 1}, {0x4002, 0x6590, 0x6542, 0x6585, 9, 1},
    {0x0FFF, 0x1CC7, 0x0FFF, 0x1003, 1, 1},  {0x1000, 0x1EAB, 0x1440, 0x1003, 1, 1},
    {0x5000, 0x5C93, 0x5C75, 0x5C8D, 9, 1},  {0x8000, 0x96EA, 0x96E0, 0x8018, 4, 2},
    {0x0801, 0x1F62, 0x1F40, 0x1AB5, 13, 1}, {0x0810, 0x1499, 0x0852, 0x0909, 1, 1},
};

constexpr int kFramesPerSecond = 50;
constexpr int kMinSeconds = 60, kMaxSeconds = 180;

std::string g_file;

// Thrown by fail() once it has said why; main ends with status 1.
struct BuildFailed {};

[[noreturn]] void fail(int line, const std::string& why) {
  std::cerr << g_file << ":" << line << ": error: " << why << "\n";
  throw BuildFailed{};
}

struct Instrument {
  int ad = 0x09, sr = 0x00, pw = 0x80, pw_sweep = 0;
  int vib_delay = 0, vib_speed = 4, vib_depth = 0;
  int filter = 0, cutoff = 0, cutoff_sweep = 0, flags = 0;
  int glide = 48;  // frequency-register units per frame of a slide
  std::vector<std::pair<int, int>> wave;  // (waveform, note byte)
  int loop = -1;                          // wave entry to jump to at the end
  int wave_start = 0;
};

struct Token {
  std::string text;
  int line;
};

struct Event {
  int kind;  // 0 note, 1 rest, 2 tie
  int note, ticks, ins, vol, line;
  bool slide = false;  // slides in from the previous note (`~note`)
};

struct Pattern {
  std::vector<Token> tokens;
  std::vector<Event> events;
  std::vector<uint8_t> bytes;
  int ticks = 0;
  int line = 0;
  // "pattern NAME echo SOURCE ROWS INSTRUMENT": SOURCE delayed by ROWS rows,
  // played with INSTRUMENT and cut to SOURCE's length.
  int echo_of = -1, echo_rows = 0, echo_ins = -1;
};

struct Entry {
  int pattern, transpose;
};

struct Block {
  std::string label;
  std::vector<Entry> voice[3];
  int line;
};

struct Song {
  std::string title, author;
  int slot = 0, tempo = 6, swing_a = 0, swing_b = 0;
  std::vector<std::string> instrument_names;
  std::vector<Instrument> instruments;
  std::vector<std::string> pattern_names;
  std::vector<Pattern> patterns;
  std::vector<Block> blocks;
  int loop_block = 0;
  std::vector<std::string> subsong_labels;
};

int find_name(const std::vector<std::string>& names, const std::string& n) {
  auto it = std::find(names.begin(), names.end(), n);
  return it == names.end() ? -1 : int(it - names.begin());
}

int parse_int(const std::string& s, int base, int line) {
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, base);
  if (s.empty() || *end) fail(line, "not a number: " + s);
  return int(v);
}

// Note name "c4", "c#4", "eb4" -> 0..95 (C-0 = 0); -1 when not a note.
int parse_note(const std::string& s) {
  static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
  if (s.size() < 2 || s[0] < 'a' || s[0] > 'g') return -1;
  int n = base[s[0] - 'a'];
  size_t i = 1;
  if (s[i] == '#') n++, i++;
  else if (s[i] == 'b' && i + 1 < s.size()) n--, i++;
  if (i + 1 != s.size() || s[i] < '0' || s[i] > '7') return -1;
  n += 12 * (s[i] - '0');
  return (n >= 0 && n < 96) ? n : -1;
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      if (!quoted) out.push_back(cur), cur.clear();
      continue;
    }
    if (!quoted && c == '#' && cur.empty()) break;  // "#" inside a word is a sharp
    if (!quoted && (c == ' ' || c == '\t')) {
      if (!cur.empty()) out.push_back(cur), cur.clear();
      continue;
    }
    cur += c;
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// ---- parsing ---------------------------------------------------------------

void parse_instrument_line(Instrument& ins, const std::vector<std::string>& w, int line) {
  auto need = [&](size_t n) {
    if (w.size() < n) fail(line, "'" + w[0] + "' needs " + std::to_string(n - 1) + " values");
  };
  const std::string& k = w[0];
  if (k == "ad") need(2), ins.ad = parse_int(w[1], 16, line);
  else if (k == "sr") need(2), ins.sr = parse_int(w[1], 16, line);
  else if (k == "pw") {
    need(2);
    ins.pw = parse_int(w[1], 16, line);
    if (w.size() >= 3) ins.pw_sweep = parse_int(w[2], 10, line);
    if (ins.pw < 0 || ins.pw > 0xFFF) fail(line, "pulse width is 000..FFF");
    if (ins.pw_sweep < -127 || ins.pw_sweep > 127) fail(line, "pulse sweep is -127..127");
    if (ins.pw_sweep && (ins.pw < 0x80 || ins.pw > 0xF00)) fail(line, "a swept pulse starts in 080..F00");
  } else if (k == "vib") {
    need(4);
    ins.vib_delay = parse_int(w[1], 10, line);
    ins.vib_speed = parse_int(w[2], 10, line);
    ins.vib_depth = parse_int(w[3], 10, line);
    if (ins.vib_delay < 0 || ins.vib_delay > 255 || ins.vib_speed < 1 || ins.vib_speed > 255 ||
        ins.vib_depth < 0 || ins.vib_depth > 8)
      fail(line, "vib DELAY(0..255) SPEED(1..255) DEPTH(0..8)");
  } else if (k == "filter") {
    need(4);
    int type = 0;
    for (char c : w[1]) {
      if (c == 'l') type |= 1;
      else if (c == 'b') type |= 2;
      else if (c == 'h') type |= 4;
      else fail(line, "filter type letters are l, b, h");
    }
    int res = parse_int(w[2], 10, line);
    if (res < 0 || res > 15 || type == 0) fail(line, "filter TYPE RES(0..15) CUTOFF [SWEEP]");
    ins.filter = res << 4 | type;
    ins.cutoff = parse_int(w[3], 16, line);
    if (w.size() >= 5) ins.cutoff_sweep = parse_int(w[4], 10, line);
    if (ins.cutoff < 0 || ins.cutoff > 255 || ins.cutoff_sweep < -127 || ins.cutoff_sweep > 127)
      fail(line, "cutoff is 00..FF, its sweep -127..127");
  } else if (k == "legato") ins.flags |= 1;
  else if (k == "glide") {
    need(2);
    ins.glide = parse_int(w[1], 10, line);
    if (ins.glide < 1 || ins.glide > 255) fail(line, "glide is 1..255 frequency units per frame");
  }
  else if (k == "wave") {
    for (size_t i = 1; i < w.size(); ++i) {
      if (w[i] == "loop") {
        if (i + 1 >= w.size()) fail(line, "loop needs an entry number");
        ins.loop = parse_int(w[++i], 10, line);
        continue;
      }
      const std::string& e = w[i];
      if (e.size() < 4 || (e[2] != '+' && e[2] != '=')) fail(line, "wave entry is WW+n or WW=note: " + e);
      int wave = parse_int(e.substr(0, 2), 16, line);
      int note;
      if (e[2] == '+') {
        note = parse_int(e.substr(3), 10, line);
        if (note < 0 || note > 95) fail(line, "relative note is +0..+95");
      } else {
        note = parse_note(e.substr(3));
        if (note < 0) note = parse_int(e.substr(3), 10, line);
        if (note < 0 || note > 95) fail(line, "bad absolute note " + e);
        note |= 0x80;
      }
      if (wave == 0xFF) fail(line, "waveform FF is reserved");
      ins.wave.emplace_back(wave, note);
    }
  } else fail(line, "unknown instrument setting '" + k + "'");
}

void parse_song_line(Song& song, const std::vector<std::string>& w, int line) {
  if (w[0] == "loop") {
    song.loop_block = int(song.blocks.size());
    return;
  }
  Block b;
  b.line = line;
  size_t i = 0;
  if (w[0].back() == ':') b.label = w[0].substr(0, w[0].size() - 1), i = 1;
  int v = 0;
  for (; i < w.size(); ++i) {
    if (w[i] == "|") {
      if (++v > 2) fail(line, "a block has three voices");
      continue;
    }
    std::string name = w[i];
    int repeat = 1, transpose = 0;
    if (auto star = name.find('*'); star != std::string::npos) {
      repeat = parse_int(name.substr(star + 1), 10, line);
      name = name.substr(0, star);
    }
    if (auto sign = name.find_first_of("+-"); sign != std::string::npos) {
      transpose = parse_int(name.substr(sign), 10, line);
      name = name.substr(0, sign);
    }
    int p = find_name(song.pattern_names, name);
    if (p < 0) fail(line, "unknown pattern '" + name + "'");
    if (transpose < -32 || transpose > 31) fail(line, "transpose is -32..31");
    for (int r = 0; r < repeat; ++r) b.voice[v].push_back({p, transpose});
  }
  if (v != 2) fail(line, "a block has three voices separated by '|'");
  for (auto& voice : b.voice)
    if (voice.empty()) fail(line, "every voice of a block needs a pattern");
  song.blocks.push_back(b);
}

Song parse(const std::string& path) {
  std::ifstream in(path);
  if (!in) fail(0, "cannot read");
  Song song;
  enum { kTop, kInstrument, kPattern, kSong } mode = kTop;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    auto w = split(text);
    if (w.empty()) continue;
    if (mode != kTop && w[0] == "end") {
      mode = kTop;
      continue;
    }
    switch (mode) {
      case kInstrument:
        parse_instrument_line(song.instruments.back(), w, line);
        break;
      case kPattern:
        for (auto& t : w) song.patterns.back().tokens.push_back({t, line});
        break;
      case kSong:
        parse_song_line(song, w, line);
        break;
      case kTop:
        if (w[0] == "title" && w.size() == 2) song.title = w[1];
        else if (w[0] == "author" && w.size() == 2) song.author = w[1];
        else if (w[0] == "slot" && w.size() == 2) song.slot = parse_int(w[1], 10, line);
        else if (w[0] == "tempo" && w.size() == 2) song.tempo = parse_int(w[1], 10, line);
        else if (w[0] == "swing" && w.size() == 3) {
          song.swing_a = parse_int(w[1], 10, line);
          song.swing_b = parse_int(w[2], 10, line);
          if (song.swing_a < 1 || song.swing_b < 1) fail(line, "swing lengths are at least 1");
        } else if (w[0] == "instrument" && w.size() == 2) {
          if (find_name(song.instrument_names, w[1]) >= 0) fail(line, "instrument defined twice");
          song.instrument_names.push_back(w[1]);
          song.instruments.emplace_back();
          mode = kInstrument;
        } else if (w[0] == "pattern" && (w.size() == 2 || (w.size() == 6 && w[2] == "echo"))) {
          if (find_name(song.pattern_names, w[1]) >= 0) fail(line, "pattern defined twice");
          song.pattern_names.push_back(w[1]);
          song.patterns.emplace_back();
          Pattern& p = song.patterns.back();
          p.line = line;
          mode = kPattern;
          if (w.size() == 6) {
            p.echo_of = find_name(song.pattern_names, w[3]);
            p.echo_rows = parse_int(w[4], 10, line);
            p.echo_ins = find_name(song.instrument_names, w[5]);
            if (p.echo_of < 0 || p.echo_of + 1 == int(song.pattern_names.size()))
              fail(line, "echo of an unknown or later pattern '" + w[3] + "'");
            if (p.echo_ins < 0) fail(line, "unknown instrument '" + w[5] + "'");
            if (p.echo_rows < 1) fail(line, "an echo is at least one row late");
            mode = kTop;  // an echo has no body
          }
        } else if (w[0] == "song" && w.size() == 1) mode = kSong;
        else if (w[0] == "subsongs") song.subsong_labels.assign(w.begin() + 1, w.end());
        else fail(line, "unknown line '" + w[0] + "'");
    }
  }
  if (mode != kTop) fail(line, "missing 'end'");
  if (song.slot < 1 || song.slot > 12) fail(0, "slot must be 1..12");
  if (song.title.empty() || song.author.empty()) fail(0, "title and author are required");
  if (song.title.size() > 31 || song.author.size() > 31) fail(0, "title and author fit 31 characters");
  if (song.tempo < 1 || song.tempo > 64) fail(0, "tempo is 1..64 frames per row");
  if (song.instruments.empty() || song.instruments.size() > 31) fail(0, "1..31 instruments");
  if (song.patterns.empty() || song.patterns.size() > 128) fail(0, "1..128 patterns");
  if (song.blocks.empty()) fail(0, "the song has no blocks");
  return song;
}

// ---- compiling ---------------------------------------------------------------

// Frames of a run of `rows` rows starting at row `row` of a pattern.
int row_ticks(const Song& s, int row, int rows) {
  if (!s.swing_a) return rows * s.tempo;
  int t = 0;
  for (int r = row; r < row + rows; ++r) t += (r % 2 == 0) ? s.swing_a : s.swing_b;
  return t;
}

// Expands "[ ... ]N" repeats.
std::vector<Token> expand(const std::vector<Token>& in, size_t& i, int depth) {
  std::vector<Token> out;
  while (i < in.size()) {
    const Token& t = in[i++];
    if (t.text == "[") {
      auto body = expand(in, i, depth + 1);
      if (i == 0 || in[i - 1].text[0] != ']') fail(t.line, "'[' without ']N'");
      int n = in[i - 1].text.size() > 1 ? parse_int(in[i - 1].text.substr(1), 10, t.line) : 2;
      for (int r = 0; r < n; ++r) out.insert(out.end(), body.begin(), body.end());
    } else if (t.text[0] == ']') {
      if (depth == 0) fail(t.line, "']' without '['");
      return out;
    } else
      out.push_back(t);
  }
  if (depth) fail(in.back().line, "'[' without ']N'");
  return out;
}

void compile_pattern(const Song& s, Pattern& p) {
  size_t i = 0;
  auto tokens = expand(p.tokens, i, 0);
  std::vector<Event>& events = p.events;
  int rows = 1, row = 0, ins = -1, vol = -1;
  for (auto& t : tokens) {
    const std::string& x = t.text;
    if (x == "|") continue;
    if (x[0] == '@') {
      ins = find_name(s.instrument_names, x.substr(1));
      if (ins < 0) fail(t.line, "unknown instrument '" + x.substr(1) + "'");
      continue;
    }
    if (x[0] == 'v' && x.size() > 1 && isdigit(x[1])) {
      vol = parse_int(x.substr(1), 10, t.line);
      if (vol < 0 || vol > 15) fail(t.line, "volume is v0..v15");
      continue;
    }
    if (isdigit(x[0])) {
      rows = parse_int(x, 10, t.line);
      if (rows < 1 || rows > 256) fail(t.line, "a duration is 1..256 rows");
      continue;
    }
    Event e{0, 0, row_ticks(s, row, rows), ins, vol, t.line};
    vol = -1;
    row += rows;
    if (x == ".") e.kind = 1;
    else if (x == "-") e.kind = 2;
    else {
      e.slide = x[0] == '~';
      e.note = parse_note(e.slide ? x.substr(1) : x);
      if (e.note < 0) fail(t.line, "not a note, rest, tie, duration or instrument: " + x);
      if (ins < 0) fail(t.line, "a note before the pattern's first instrument");
    }
    // A run longer than one duration byte holds becomes the event plus ties.
    while (e.ticks > 255) {
      Event head = e;
      head.ticks = 255;
      events.push_back(head);
      e = Event{e.kind == 1 ? 1 : 2, 0, e.ticks - 255, -1, -1, t.line};
    }
    events.push_back(e);
  }
  if (p.echo_of >= 0) {
    const Pattern& src = s.patterns[size_t(p.echo_of)];
    int left = src.ticks;
    int delay = std::min(row_ticks(s, 0, p.echo_rows), left);
    events.push_back({1, 0, delay, -1, -1, p.line});
    left -= delay;
    for (const Event& e : src.events) {
      if (left <= 0) break;
      Event c = e;
      c.ticks = std::min(c.ticks, left);
      c.ins = p.echo_ins;
      c.vol = -1;
      left -= c.ticks;
      events.push_back(c);
    }
    row = 0;
  }
  if (events.empty()) fail(p.line, "an empty pattern");
  if (s.swing_a && row % 2) fail(p.line, "with swing a pattern has an even number of rows");
  int cur_ins = -1, cur_ticks = -1;
  for (size_t k = 0; k < events.size(); ++k) {
    const Event& e = events[k];
    if (e.vol >= 0) p.bytes.push_back(uint8_t(0xE0 + e.vol));
    if (e.kind == 0 && e.ins != cur_ins) p.bytes.push_back(uint8_t(0xC0 + e.ins)), cur_ins = e.ins;
    if (e.ticks != cur_ticks) {
      if (e.ticks <= 64) p.bytes.push_back(uint8_t(0x7F + e.ticks));
      else p.bytes.push_back(0xF0), p.bytes.push_back(uint8_t(e.ticks));
      cur_ticks = e.ticks;
    }
    // A note followed by a tie or a slide gets no hard restart before its end.
    if (e.kind != 1 && k + 1 < events.size() && (events[k + 1].kind == 2 || events[k + 1].slide)) p.bytes.push_back(0x62);
    if (e.slide) p.bytes.push_back(0x63);
    p.bytes.push_back(e.kind == 0 ? uint8_t(e.note) : e.kind == 1 ? 0x60 : 0x61);
    p.ticks += e.ticks;
  }
  p.bytes.push_back(0xFF);
  if (p.bytes.size() > 256) fail(p.line, "pattern longer than 256 bytes; split it");
}

struct Data {
  std::vector<uint8_t> bytes;
  std::map<std::string, int> labels;  // offsets into bytes
};

// Song data laid out from address `base`; the labels are the driver's tables.
Data build_data(Song& s, int base, int songs, int* seconds) {
  Data d;
  auto mark = [&](const std::string& name) { d.labels[name] = int(d.bytes.size()); };
  auto put = [&](int b) { d.bytes.push_back(uint8_t(b)); };

  // Wave table: entry 0 is the silent rest every voice starts on.
  std::vector<std::pair<int, int>> wt = {{0x00, 0x00}, {0xFF, 0x00}};
  for (auto& ins : s.instruments) {
    if (ins.wave.empty()) ins.wave.push_back({0x41, 0});
    ins.wave_start = int(wt.size());
    for (auto& e : ins.wave) wt.push_back(e);
    int last = int(wt.size()) - 1;
    int loop = ins.loop < 0 ? last : ins.wave_start + ins.loop;
    if (ins.loop >= int(ins.wave.size())) fail(0, "wave loop beyond the instrument's entries");
    wt.push_back({0xFF, loop});
  }
  if (wt.size() > 256) fail(0, "the wave tables exceed 256 entries");
  mark("WT_WAVE");
  for (auto& e : wt) put(e.first);
  mark("WT_NOTE");
  for (auto& e : wt) put(e.second);

  struct Field {
    const char* name;
    int (*get)(const Instrument&);
  };
  static const Field fields[] = {
      {"INS_AD", [](const Instrument& i) { return i.ad; }},
      {"INS_SR", [](const Instrument& i) { return i.sr; }},
      {"INS_WAVE", [](const Instrument& i) { return i.wave_start; }},
      {"INS_PW", [](const Instrument& i) { return i.pw >> 4; }},
      {"INS_PWS", [](const Instrument& i) { return i.pw_sweep & 0xFF; }},
      {"INS_VIBD", [](const Instrument& i) { return i.vib_delay; }},
      {"INS_VIBS", [](const Instrument& i) { return i.vib_speed; }},
      {"INS_VIBX", [](const Instrument& i) { return i.vib_depth; }},
      {"INS_FILT", [](const Instrument& i) { return i.filter; }},
      {"INS_CUT", [](const Instrument& i) { return i.cutoff; }},
      {"INS_CUTS", [](const Instrument& i) { return i.cutoff_sweep & 0xFF; }},
      {"INS_FLAGS", [](const Instrument& i) { return i.flags; }},
      {"INS_GLIDE", [](const Instrument& i) { return i.glide; }},
  };
  for (auto& f : fields) {
    mark(f.name);
    for (auto& ins : s.instruments) put(f.get(ins));
  }

  // Order lists: "transpose, pattern" per entry, then a jump to the loop block.
  std::vector<int> block_pos[3];
  std::vector<uint8_t> order[3];
  long total_ticks = 0;
  for (size_t b = 0; b < s.blocks.size(); ++b) {
    const Block& blk = s.blocks[b];
    int ticks[3] = {0, 0, 0};
    for (int v = 0; v < 3; ++v) {
      block_pos[v].push_back(int(order[v].size()));
      for (auto& e : blk.voice[v]) {
        order[v].push_back(uint8_t(0xA0 + e.transpose));
        order[v].push_back(uint8_t(e.pattern));
        ticks[v] += s.patterns[e.pattern].ticks;
      }
    }
    if (ticks[0] != ticks[1] || ticks[0] != ticks[2])
      fail(blk.line, "voices of the block last " + std::to_string(ticks[0]) + ", " + std::to_string(ticks[1]) +
                         " and " + std::to_string(ticks[2]) + " frames");
    total_ticks += ticks[0];
  }
  if (s.loop_block >= int(s.blocks.size())) fail(0, "'loop' after the last block");
  for (int v = 0; v < 3; ++v) {
    order[v].push_back(0xFF);
    order[v].push_back(uint8_t(block_pos[v][s.loop_block]));
    if (order[v].size() > 256) fail(0, "an order list longer than 256 bytes");
  }
  *seconds = int(total_ticks / kFramesPerSecond);

  // Sub-song starts: 0 is the whole tune, the others cycle through the labels.
  std::vector<int> starts = {0};
  for (auto& l : s.subsong_labels) {
    auto it = std::find_if(s.blocks.begin(), s.blocks.end(), [&](const Block& b) { return b.label == l; });
    if (it == s.blocks.end()) fail(0, "no block labelled '" + l + "'");
    starts.push_back(int(it - s.blocks.begin()));
  }
  mark("SUBPOS");
  for (int k = 0; k < songs; ++k) {
    int blk = starts[k % starts.size()];
    for (int v = 0; v < 3; ++v) put(block_pos[v][blk]);
  }

  int patlo = int(d.bytes.size());
  mark("PATLO");
  for (size_t p = 0; p < s.patterns.size(); ++p) put(0);
  mark("PATHI");
  for (size_t p = 0; p < s.patterns.size(); ++p) put(0);
  for (int v = 0; v < 3; ++v) {
    mark("ORD" + std::to_string(v + 1));
    d.bytes.insert(d.bytes.end(), order[v].begin(), order[v].end());
  }
  mark("ORDLO");
  for (int v = 0; v < 3; ++v) put((base + d.labels["ORD" + std::to_string(v + 1)]) & 0xFF);
  mark("ORDHI");
  for (int v = 0; v < 3; ++v) put((base + d.labels["ORD" + std::to_string(v + 1)]) >> 8);
  for (size_t p = 0; p < s.patterns.size(); ++p) {
    int addr = base + int(d.bytes.size());
    d.bytes[patlo + p] = uint8_t(addr & 0xFF);
    d.bytes[patlo + s.patterns.size() + p] = uint8_t(addr >> 8);
    d.bytes.insert(d.bytes.end(), s.patterns[p].bytes.begin(), s.patterns[p].bytes.end());
  }
  return d;
}

// ---- assembling and layout --------------------------------------------------

struct Assembled {
  int start;
  std::vector<uint8_t> bytes;
};

Assembled assemble(const std::string& assembler, const std::string& source, const std::string& out) {
  std::string cmd = "'" + assembler + "' --quiet --no-caret-diag -Wno-portable -o '" + out + "' '" + source + "'";
  if (std::system(cmd.c_str()) != 0) fail(0, "the assembler failed on " + source);
  std::ifstream in(out, std::ios::binary);
  std::vector<uint8_t> prg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (prg.size() < 3) fail(0, "the assembler wrote nothing");
  return {prg[0] | prg[1] << 8, std::vector<uint8_t>(prg.begin() + 2, prg.end())};
}

std::string hex(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "$%04X", v);
  return b;
}

std::string top_source(const std::string& driver, int driver_at, int data_at, const Data& d, int songs,
                       const Slot* slot) {
  std::ostringstream o;
  o << "; Generated by tools/sidsong. Do not edit.\n";
  o << "SUBSONGS = " << songs << "\n";
  for (auto& [name, off] : d.labels) o << name << " = " << hex(data_at + off) << "\n";
  o << "* = " << hex(driver_at) << "\n.include \"" << driver << "\"\n";
  if (slot) {
    o << "* = " << hex(slot->init) << "\n        jmp init\n";
    o << "* = " << hex(slot->play) << "\n        jmp play\n";
  }
  return o.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) fail(0, "cannot write " + path);
}

struct Gap {
  int from, to;  // inclusive
  int size() const { return to - from + 1; }
};

}  // namespace

int run(int argc, char** argv) {
  if (argc < 5 || argc > 6) {
    std::cerr << "usage: sidsong ASSEMBLER DRIVER.s SONG.txt OUT.sid [WORKDIR]\n";
    return 2;
  }
  std::string assembler = argv[1], driver = argv[2], out_path = argv[4];
  g_file = argv[3];
  std::string work = argc == 6 ? argv[5] : out_path + ".d";
  std::filesystem::create_directories(work);

  Song song = parse(g_file);
  for (auto& p : song.patterns) compile_pattern(song, p);
  const Slot& slot = kSlots[song.slot];

  // The driver's size does not depend on where it sits: assemble it once to
  // measure it.
  int seconds = 0;
  Data probe = build_data(song, 0, slot.songs, &seconds);
  write_file(work + "/probe.s", top_source(driver, 0xC000, 0x2000, probe, slot.songs, nullptr));
  int driver_size = int(assemble(assembler, work + "/probe.s", work + "/probe.prg").bytes.size());
  if (seconds < kMinSeconds || seconds > kMaxSeconds)
    fail(0, "the tune lasts " + std::to_string(seconds) + " s before it loops; it must be 60..180 s");

  // Free gaps of the load range around the two jump stubs.
  std::vector<Gap> gaps = {{slot.load, slot.end}};
  for (int stub : {slot.init, slot.play}) {
    std::vector<Gap> next;
    for (auto g : gaps) {
      if (stub + 2 < g.from || stub > g.to) {
        next.push_back(g);
        continue;
      }
      if (stub > g.from) next.push_back({g.from, stub - 1});
      if (stub + 2 < g.to) next.push_back({stub + 3, g.to});
    }
    gaps = next;
  }
  // Largest block first, each into the smallest gap that holds it.
  int data_size = int(probe.bytes.size());
  int driver_at = -1, data_at = -1;
  auto place = [&](int size) {
    int best = -1;
    for (size_t g = 0; g < gaps.size(); ++g)
      if (gaps[g].size() >= size && (best < 0 || gaps[g].size() < gaps[best].size())) best = int(g);
    if (best < 0) return -1;
    int at = gaps[best].from;
    gaps[best].from += size;
    return at;
  };
  if (driver_size >= data_size) {
    driver_at = place(driver_size);
    data_at = place(data_size);
  } else {
    data_at = place(data_size);
    driver_at = place(driver_size);
  }
  int room = slot.end - slot.load + 1 - 6;
  if (driver_at < 0 || data_at < 0)
    fail(0, "driver (" + std::to_string(driver_size) + ") and data (" + std::to_string(data_size) +
                " bytes) do not fit the " + std::to_string(room) + " bytes of slot " + std::to_string(song.slot));

  Data data = build_data(song, data_at, slot.songs, &seconds);
  write_file(work + "/tune.s", top_source(driver, driver_at, data_at, data, slot.songs, &slot));
  Assembled code = assemble(assembler, work + "/tune.s", work + "/tune.prg");

  std::vector<uint8_t> c64(size_t(slot.end - slot.load + 1), 0);
  if (code.start < slot.load || code.start + int(code.bytes.size()) > slot.end + 1)
    fail(0, "the driver's code left the load range");
  // The assembler fills the space between driver and stubs with zeros; the
  // song data goes into a gap of its own, so copying it last loses nothing.
  for (size_t i = 0; i < code.bytes.size(); ++i) c64[code.start - slot.load + i] = code.bytes[i];
  for (size_t i = 0; i < data.bytes.size(); ++i) c64[size_t(data_at - slot.load) + i] = data.bytes[i];

  zel::psid::PsidImage image;
  image.load = uint16_t(slot.load);
  image.init = uint16_t(slot.init);
  image.play = uint16_t(slot.play);
  image.songs = uint16_t(slot.songs);
  image.start_song = uint16_t(slot.start_song);
  image.title = song.title;
  image.author = song.author;
  image.released = "2010 Zelvorant";
  image.flags = 0x0014;
  image.data = std::move(c64);
  const std::vector<uint8_t> img = zel::psid::write_psid(image);

  std::ofstream out(out_path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(img.data()), std::streamsize(img.size()));
  if (!out) fail(0, "cannot write " + out_path);
  int free_bytes = 0;
  for (auto& g : gaps) free_bytes += g.size();
  std::cout << "sidsong: slot " << song.slot << " \"" << song.title << "\": " << seconds << " s, driver "
            << driver_size << " + data " << data_size << " bytes, " << free_bytes << " bytes free, image "
            << img.size() << " bytes\n";
  return 0;
}

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const BuildFailed&) {
    return 1;
  }
}
