// Song notation compiler: text -> Module (see notation.h and docs/modules.md).
#include "tools/xmsynth/notation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <stdexcept>

#include "tools/xmsynth/synth.h"

namespace zel::xmsynth {

namespace {

struct Line {
  int number;
  bool indented;
  std::vector<std::string> words;
};

[[noreturn]] void fail(int line, const std::string& why) {
  throw std::runtime_error("line " + std::to_string(line) + ": " + why);
}

// Splits a line into words; "quoted text" is one word; '#' starts a comment.
std::vector<std::string> split_words(const std::string& s, int line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    if (std::isspace(static_cast<unsigned char>(s[i]))) {
      ++i;
    } else if (s[i] == '#') {
      break;
    } else if (s[i] == '"') {
      const size_t end = s.find('"', i + 1);
      if (end == std::string::npos) fail(line, "unclosed quote");
      out.push_back(s.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t j = i;
      while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j]))) ++j;
      out.push_back(s.substr(i, j - i));
      i = j;
    }
  }
  return out;
}

int to_int(const std::string& s, int line) {
  try {
    size_t used = 0;
    const int v = std::stoi(s, &used, 10);
    if (used != s.size()) throw std::invalid_argument(s);
    return v;
  } catch (const std::exception&) {
    fail(line, "not a number: " + s);
  }
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Effect letter (0-9, A-Z) to the XM effect number.
int effect_number(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

// "C-4", "C#4", "Db4" -> note 1..96 (1 = C-0); 0 if not a note.
int parse_note(const std::string& s) {
  if (s.size() != 3) return 0;
  static const int kSemis[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  const char n = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  if (n < 'A' || n > 'G' || !std::isdigit(static_cast<unsigned char>(s[2]))) return 0;
  int semi = kSemis[n - 'A'];
  if (s[1] == '#') ++semi;
  else if (s[1] == 'b') --semi;
  else if (s[1] != '-') return 0;
  const int note = (s[2] - '0') * 12 + semi;
  return note >= 0 && note < 96 ? note + 1 : 0;
}

struct TrackOptions {
  int rows = 0;       // 0: as long as the tokens
  int step = 1;
  int ins = 0;
  int transpose = 0;
  int hold = 0;       // hold=N: every note of the track is held (see '~') unless it slides
  const std::map<std::string, std::string>* defines = nullptr;  // short names for cells
};

// One cell token: parts joined by ':' (note, iN, volume column, effect).
Cell parse_cell(const std::string& token, const TrackOptions& opt, int line) {
  Cell c;
  std::stringstream ss(token);
  std::string part;
  bool instrument_given = false;
  while (std::getline(ss, part, ':')) {
    if (part.empty() || part == "---" || part == "-") continue;
    if (part == "off" || part == "==") {
      c.note = 97;
    } else if (const int n = parse_note(part)) {
      const int t = n + opt.transpose;
      if (t < 1 || t > 96) fail(line, "note out of range after transposing: " + part);
      c.note = static_cast<uint8_t>(t);
    } else if (part[0] == 'i' && part.size() > 1) {
      c.instrument = static_cast<uint8_t>(to_int(part.substr(1), line));
      instrument_given = true;
    } else if (part[0] == 'v' && part.size() >= 2) {
      // vNN set volume (decimal); v-X v+X slides; vdX vuX fine; vsX vvX
      // vibrato speed/depth; vpX pan; vlX vrX pan slides; vgX tone portamento.
      if (std::isdigit(static_cast<unsigned char>(part[1]))) {
        const int v = to_int(part.substr(1), line);
        if (v < 0 || v > 64) fail(line, "volume must be 0..64: " + part);
        c.volume = static_cast<uint8_t>(0x10 + v);
      } else {
        if (part.size() != 3 || hex_digit(part[2]) < 0) fail(line, "bad volume command: " + part);
        static const std::string kCodes = "-+dusvplrg";
        static const int kBase[] = {0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0};
        const size_t k = kCodes.find(part[1]);
        if (k == std::string::npos) fail(line, "bad volume command: " + part);
        c.volume = static_cast<uint8_t>(kBase[k] + hex_digit(part[2]));
      }
    } else if (part.size() == 3 && effect_number(part[0]) >= 0 && hex_digit(part[1]) >= 0 && hex_digit(part[2]) >= 0) {
      c.effect = static_cast<uint8_t>(effect_number(part[0]));
      c.param = static_cast<uint8_t>(hex_digit(part[1]) * 16 + hex_digit(part[2]));
    } else {
      fail(line, "cannot read cell part '" + part + "' of " + token);
    }
  }
  if (c.note >= 1 && c.note <= 96 && !instrument_given && opt.ins > 0) c.instrument = static_cast<uint8_t>(opt.ins);
  return c;
}

// Expands the tokens of a track body: cells, '.' rests, 'TOKEN*N' repeats,
// 'TOKEN/R' lengths in rows, '[ ... ]*N' repeated groups.
void expand_tokens(const std::vector<std::string>& tokens, size_t& i, const TrackOptions& opt, int line,
                   std::vector<Cell>& out, bool in_group) {
  while (i < tokens.size()) {
    const std::string tok = tokens[i++];
    if (tok == "[") {
      std::vector<Cell> group;
      expand_tokens(tokens, i, opt, line, group, true);
      // expand_tokens stopped after "]" or "]*N"; the count is in the token.
      const std::string& close = tokens[i - 1];
      const int count = close.size() > 2 ? to_int(close.substr(2), line) : 1;
      for (int k = 0; k < count; ++k) out.insert(out.end(), group.begin(), group.end());
      continue;
    }
    if (tok == "]" || tok.rfind("]*", 0) == 0) {
      if (!in_group) fail(line, "']' without '['");
      return;
    }
    std::string body = tok;
    int repeat = 1, rows = opt.step, hold = 0;
    if (const size_t tilde = body.find('~'); tilde != std::string::npos) {
      // CELL~N: a held note written again every N rows of its length as a
      // tone portamento to itself, which neither restarts nor bends it.
      hold = to_int(body.substr(tilde + 1), line);
      if (hold < 1) fail(line, "a held note is written again every 1 or more rows");
      body = body.substr(0, tilde);
    }
    if (const size_t star = body.find('*'); star != std::string::npos) {
      repeat = to_int(body.substr(star + 1), line);
      body = body.substr(0, star);
    }
    if (const size_t slash = body.find('/'); slash != std::string::npos) {
      rows = to_int(body.substr(slash + 1), line);
      body = body.substr(0, slash);
    }
    if (rows < 1) fail(line, "a token must last at least one row");
    if (opt.defines) {
      // A defined name may stand for the start of a cell: "K:v40" with K = C-4:i1.
      const size_t colon = body.find(':');
      auto it = opt.defines->find(body.substr(0, colon));
      if (it != opt.defines->end()) body = it->second + (colon == std::string::npos ? "" : body.substr(colon));
    }
    const Cell c = body == "." ? Cell{} : parse_cell(body, opt, line);
    if (hold && (c.note < 1 || c.note > 96)) fail(line, "only a note can be held: " + tok);
    // A sliding note keeps its slide: a portamento to itself would cut it short.
    const bool slides = c.effect == 1 || c.effect == 2 || c.effect == 3 || c.effect == 5 || c.volume >= 0xF0;
    if (!hold && opt.hold && c.note >= 1 && c.note <= 96 && !slides) hold = opt.hold;
    Cell again;
    again.note = c.note;
    again.volume = 0xF0;  // tone portamento at the speed in memory
    for (int k = 0; k < repeat; ++k) {
      out.push_back(c);
      for (int r = 1; r < rows; ++r) out.push_back(hold && r % hold == 0 ? again : Cell{});
    }
  }
  if (in_group) fail(line, "'[' without ']'");
}

struct Parser {
  std::vector<Line> lines;
  size_t pos = 0;
  CompiledSong song;
  std::map<std::string, std::vector<Cell>> tracks;
  std::map<std::string, int> pattern_index;
  std::map<std::string, std::string> defines;
  std::vector<Patch> patches;         // per instrument slot
  std::vector<int> sample_volume, sample_pan;
  std::vector<int> written_shift;     // per instrument slot: semitones written above the pitch
  int fill_slot = -1;
  bool restart_set = false;

  std::vector<Line> body() {
    std::vector<Line> out;
    while (pos < lines.size() && lines[pos].indented) out.push_back(lines[pos++]);
    return out;
  }

  static std::map<std::string, std::string> key_values(const std::vector<std::string>& w, size_t from, int line,
                                                      std::vector<std::string>* rest = nullptr) {
    std::map<std::string, std::string> kv;
    for (size_t i = from; i < w.size(); ++i) {
      const size_t eq = w[i].find('=');
      if (eq == std::string::npos) {
        if (!rest) fail(line, "expected key=value, got " + w[i]);
        rest->push_back(w[i]);
      } else {
        kv[w[i].substr(0, eq)] = w[i].substr(eq + 1);
      }
    }
    return kv;
  }

  Instrument& slot(int n, int line) {
    if (n < 1 || n > 128) fail(line, "instrument number must be 1..128");
    auto& ins = song.module.instruments;
    if (static_cast<int>(ins.size()) < n) {
      ins.resize(n);
      patches.resize(n);
      sample_volume.resize(n, 64);
      sample_pan.resize(n, 128);
      written_shift.resize(n, 0);
    }
    return ins[n - 1];
  }

  static Envelope parse_envelope(const std::vector<std::string>& w, int line) {
    Envelope e;
    for (size_t i = 1; i < w.size(); ++i) {
      const size_t colon = w[i].find(':');
      if (colon == std::string::npos) fail(line, "envelope points are tick:value");
      const int x = to_int(w[i].substr(0, colon), line), y = to_int(w[i].substr(colon + 1), line);
      if (x < 0 || x > 65535 || y < 0 || y > 64) fail(line, "envelope point out of range");
      if (!e.points.empty() && x <= e.points.back().x) fail(line, "envelope ticks must increase");
      e.points.push_back({static_cast<uint16_t>(x), static_cast<uint16_t>(y)});
    }
    if (e.points.size() > 12) fail(line, "at most 12 envelope points");
    return e;
  }

  void instrument(const Line& head) {
    if (head.words.size() < 2) fail(head.number, "instrument needs a number");
    const int n = to_int(head.words[1], head.number);
    Instrument& ins = slot(n, head.number);
    ins.name = head.words.size() > 2 ? head.words[2] : "";
    for (const Line& l : body()) {
      const auto& w = l.words;
      const std::string& k = w[0];
      auto need = [&](size_t count) {
        if (w.size() != count) fail(l.number, k + " takes " + std::to_string(count - 1) + " value(s)");
      };
      if (k == "synth") {
        if (w.size() < 2) fail(l.number, "synth needs a kind");
        patches[n - 1].kind = w[1];
        patches[n - 1].params = key_values(w, 2, l.number);
      } else if (k == "volume") {
        need(2);
        sample_volume[n - 1] = to_int(w[1], l.number);
      } else if (k == "pan") {
        need(2);
        sample_pan[n - 1] = to_int(w[1], l.number);
      } else if (k == "venv") {
        ins.volume_env.points = parse_envelope(w, l.number).points;
      } else if (k == "penv") {
        ins.panning_env.points = parse_envelope(w, l.number).points;
      } else if (k == "vsustain" || k == "psustain") {
        need(2);
        (k[0] == 'v' ? ins.volume_env : ins.panning_env).sustain = to_int(w[1], l.number);
      } else if (k == "vloop" || k == "ploop") {
        need(3);
        Envelope& e = k[0] == 'v' ? ins.volume_env : ins.panning_env;
        e.loop_start = to_int(w[1], l.number);
        e.loop_end = to_int(w[2], l.number);
      } else if (k == "fadeout") {
        need(2);
        ins.fadeout = to_int(w[1], l.number);
      } else if (k == "autovib") {
        need(5);
        ins.vibrato_type = to_int(w[1], l.number);
        ins.vibrato_sweep = to_int(w[2], l.number);
        ins.vibrato_depth = to_int(w[3], l.number);
        ins.vibrato_rate = to_int(w[4], l.number);
      } else if (k == "written") {
        need(2);
        written_shift[n - 1] = to_int(w[1], l.number);
        if (written_shift[n - 1] < -48 || written_shift[n - 1] > 48) fail(l.number, "written must be -48..48");
      } else if (k == "fill") {
        fill_slot = n - 1;
      } else {
        fail(l.number, "unknown instrument setting " + k);
      }
    }
    for (const Envelope* e : {&ins.volume_env, &ins.panning_env}) {
      const int count = static_cast<int>(e->points.size());
      if (e->sustain >= count || e->loop_end >= count || e->loop_start > e->loop_end)
        fail(head.number, "envelope sustain or loop point beyond its points");
    }
    if (patches[n - 1].kind.empty()) fail(head.number, "instrument without synth line");
  }

  void track(const Line& head) {
    const auto& w = head.words;
    if (w.size() < 2) fail(head.number, "track needs a name");
    const std::string name = w[1];
    if (tracks.count(name)) fail(head.number, "track " + name + " defined twice");
    std::vector<Cell> cells;
    if (w.size() > 2 && w[2] == "=") {
      // Derived track: concatenation of tracks, optionally transposed or
      // moved to another instrument.
      std::vector<std::string> parts;
      auto kv = key_values(w, 3, head.number, &parts);
      const int transpose = kv.count("transpose") ? to_int(kv["transpose"], head.number) : 0;
      const int ins = kv.count("ins") ? to_int(kv["ins"], head.number) : 0;
      for (const std::string& p : parts) {
        auto it = tracks.find(p);
        if (it == tracks.end()) fail(head.number, "unknown track " + p);
        for (Cell c : it->second) {
          if (c.note >= 1 && c.note <= 96) {
            const int t = c.note + transpose;
            if (t < 1 || t > 96) fail(head.number, "transposed note out of range");
            c.note = static_cast<uint8_t>(t);
          }
          if (ins && c.instrument) c.instrument = static_cast<uint8_t>(ins);
          cells.push_back(c);
        }
      }
      if (kv.count("rows")) cells.resize(to_int(kv["rows"], head.number));
      body();  // a derived track has no body
    } else {
      auto kv = key_values(w, 2, head.number);
      TrackOptions opt;
      opt.defines = &defines;
      if (kv.count("rows")) opt.rows = to_int(kv["rows"], head.number);
      if (kv.count("step")) opt.step = to_int(kv["step"], head.number);
      if (kv.count("ins")) opt.ins = to_int(kv["ins"], head.number);
      if (kv.count("transpose")) opt.transpose = to_int(kv["transpose"], head.number);
      if (kv.count("hold")) opt.hold = to_int(kv["hold"], head.number);
      for (const Line& l : body()) {
        size_t i = 0;
        expand_tokens(l.words, i, opt, l.number, cells, false);
      }
      if (opt.rows) {
        if (static_cast<int>(cells.size()) > opt.rows)
          fail(head.number, "track " + name + " has " + std::to_string(cells.size()) + " rows, more than rows=" +
                                std::to_string(opt.rows));
        cells.resize(opt.rows);
      }
    }
    tracks[name] = std::move(cells);
  }

  void pattern(const Line& head) {
    const auto& w = head.words;
    if (w.size() < 2) fail(head.number, "pattern needs a name");
    std::vector<std::string> names;
    auto kv = key_values(w, 2, head.number, &names);
    const int channels = song.module.channels;
    if (static_cast<int>(names.size()) != channels)
      fail(head.number, "pattern needs one track (or -) per channel, " + std::to_string(channels) + " in all");
    int rows = kv.count("rows") ? to_int(kv["rows"], head.number) : 0;
    if (!rows) {
      for (const auto& n : names) {
        if (n == "-") continue;
        auto it = tracks.find(n);
        if (it == tracks.end()) fail(head.number, "unknown track " + n);
        rows = std::max(rows, static_cast<int>(it->second.size()));
      }
    }
    if (rows < 1 || rows > 256) fail(head.number, "pattern rows must be 1..256");
    Pattern p;
    p.rows = rows;
    p.cells.assign(static_cast<size_t>(rows * channels), Cell{});
    for (int ch = 0; ch < channels; ++ch) {
      if (names[ch] == "-") continue;
      auto it = tracks.find(names[ch]);
      if (it == tracks.end()) fail(head.number, "unknown track " + names[ch]);
      if (static_cast<int>(it->second.size()) > rows) fail(head.number, "track " + names[ch] + " is longer than the pattern");
      for (size_t r = 0; r < it->second.size(); ++r) p.cells[r * channels + ch] = it->second[r];
    }
    if (pattern_index.count(w[1])) fail(head.number, "pattern " + w[1] + " defined twice");
    pattern_index[w[1]] = static_cast<int>(song.module.patterns.size());
    song.module.patterns.push_back(std::move(p));
  }

  void order(const Line& head) {
    for (size_t i = 1; i < head.words.size(); ++i) {
      const std::string& n = head.words[i];
      if (n == "|") {
        song.module.restart = static_cast<int>(song.module.order.size());
        restart_set = true;
        continue;
      }
      auto it = pattern_index.find(n);
      if (it == pattern_index.end()) fail(head.number, "unknown pattern " + n);
      song.module.order.push_back(static_cast<uint8_t>(it->second));
    }
  }

  void run() {
    while (pos < lines.size()) {
      const Line l = lines[pos++];
      if (l.indented) fail(l.number, "indented line outside a block");
      const std::string& k = l.words[0];
      if (k == "title") {
        song.module.name = l.words.size() > 1 ? l.words[1] : "";
      } else if (k == "tracker") {
        // The header's 20-character program field: each composer signs it their own way.
        if (l.words.size() != 2 || l.words[1].size() > 20) fail(l.number, "tracker \"text of at most 20 characters\"");
        song.module.tracker = l.words[1];
      } else if (k == "size") {
        song.target_size = to_int(l.words.at(1), l.number);
      } else if (k == "channels") {
        song.module.channels = to_int(l.words.at(1), l.number);
      } else if (k == "instruments") {
        slot(to_int(l.words.at(1), l.number), l.number);
      } else if (k == "slot") {
        // An empty instrument slot whose name carries a greeting or credit.
        if (l.words.size() != 3) fail(l.number, "slot N \"text\"");
        slot(to_int(l.words[1], l.number), l.number).name = l.words[2];
      } else if (k == "define") {
        if (l.words.size() != 3) fail(l.number, "define NAME CELL");
        defines[l.words[1]] = l.words[2];
      } else if (k == "instrument") {
        instrument(l);
      } else if (k == "track") {
        track(l);
      } else if (k == "pattern") {
        pattern(l);
      } else if (k == "order") {
        order(l);
      } else {
        fail(l.number, "unknown statement " + k);
      }
    }
  }
};

int16_t quantise(float v, bool bits16) {
  const double scale = bits16 ? 32767.0 : 127.0;
  const long q = std::lround(static_cast<double>(v) * scale);
  return static_cast<int16_t>(std::clamp(q, -static_cast<long>(scale), static_cast<long>(scale)));
}

Sample make_sample(const Patch& patch, const std::string& name, int volume, int pan, int written, int extra) {
  const SynthSample s = synthesise(patch, extra);
  Sample out;
  out.name = name;
  out.bits16 = s.bits16;
  out.data.reserve(s.data.size());
  for (float v : s.data) out.data.push_back(quantise(v, s.bits16));
  out.loop_type = s.loop == LoopKind::None ? 0 : s.loop == LoopKind::Forward ? 1 : 2;
  out.loop_start = s.loop_start;
  out.loop_length = s.loop_length;
  out.volume = volume;
  out.panning = pan;
  tuning_for(s.rate, s.base_note, out.relative_note, out.finetune);
  // Notes written `written` semitones higher play the same pitch.
  out.relative_note -= written;
  return out;
}

// Moves every note of an instrument with a `written` shift up by that many
// semitones (its sample's relative note went down by as many), so the
// pitch stays and only the written note changes: that is what the
// visualiser reads. A note without an instrument belongs to the last
// instrument of its column in the pattern.
void shift_written_notes(Module& m, const std::vector<int>& shift) {
  for (size_t pi = 0; pi < m.patterns.size(); ++pi) {
    Pattern& pat = m.patterns[pi];
    for (int ch = 0; ch < m.channels; ++ch) {
      int current = 0;
      for (int row = 0; row < pat.rows; ++row) {
        Cell& c = pat.cells[static_cast<size_t>(row * m.channels + ch)];
        if (c.instrument) current = c.instrument;
        if (c.note < 1 || c.note > 96) continue;
        if (!current) {
          if (std::any_of(shift.begin(), shift.end(), [](int s) { return s != 0; }))
            throw std::runtime_error("pattern " + std::to_string(pi) + " channel " + std::to_string(ch + 1) +
                                     ": a note without an instrument before any instrument in its column");
          continue;
        }
        const int t = c.note + (current <= static_cast<int>(shift.size()) ? shift[current - 1] : 0);
        if (t < 1 || t > 96)
          throw std::runtime_error("instrument " + std::to_string(current) + ": written note out of range");
        c.note = static_cast<uint8_t>(t);
      }
    }
  }
}

}  // namespace

CompiledSong compile_song(const std::string& source) {
  Parser p;
  std::stringstream ss(source);
  std::string text;
  int number = 0;
  while (std::getline(ss, text)) {
    ++number;
    auto words = split_words(text, number);
    if (words.empty()) continue;
    p.lines.push_back({number, std::isspace(static_cast<unsigned char>(text[0])) != 0, std::move(words)});
  }
  p.run();
  Module& m = p.song.module;
  if (m.order.empty()) throw std::runtime_error("the song has no order list");
  if (!p.restart_set) m.restart = 0;

  for (size_t i = 0; i < m.instruments.size(); ++i) {
    if (p.patches[i].kind.empty()) continue;
    m.instruments[i].samples = {make_sample(p.patches[i], m.instruments[i].name, p.sample_volume[i], p.sample_pan[i],
                                                p.written_shift[i], 0)};
  }
  shift_written_notes(m, p.written_shift);
  // Every note must reach a sample of an instrument that exists.
  for (const Pattern& pat : m.patterns) {
    for (const Cell& c : pat.cells) {
      if (!c.instrument) continue;
      if (c.instrument > m.instruments.size() || m.instruments[c.instrument - 1].samples.empty())
        throw std::runtime_error("a pattern uses instrument " + std::to_string(c.instrument) + ", which has no sample");
      if (c.note >= 1 && c.note <= 96) {
        const int real = c.note - 1 + m.instruments[c.instrument - 1].samples[0].relative_note;
        if (real < 0 || real > 118)
          throw std::runtime_error("instrument " + std::to_string(c.instrument) + " cannot play note " + std::to_string(c.note));
      }
    }
  }

  if (p.song.target_size > 0) {
    const long natural = static_cast<long>(write_xm(m).size());
    long deficit = p.song.target_size - natural;
    if (deficit < 0)
      throw std::runtime_error("the song needs " + std::to_string(natural) + " bytes, more than its size " +
                               std::to_string(p.song.target_size));
    if (deficit > 0) {
      int slot = p.fill_slot;
      if (slot < 0) {
        // No fill sample: the spare bytes go into the last instrument's header.
        slot = static_cast<int>(m.instruments.size()) - 1;
      } else {
        Instrument& ins = m.instruments[slot];
        const int k = ins.samples[0].bits16 ? 2 : 1;
        const int extra = static_cast<int>(deficit / k);
        ins.samples[0] = make_sample(p.patches[slot], ins.name, p.sample_volume[slot], p.sample_pan[slot],
                                     p.written_shift[slot], extra);
        deficit = p.song.target_size - static_cast<long>(write_xm(m).size());
      }
      m.instruments[slot].header_padding += static_cast<int>(deficit);
    }
    const size_t final_size = write_xm(m).size();
    if (final_size != static_cast<size_t>(p.song.target_size))
      throw std::runtime_error("padding missed the size: " + std::to_string(final_size));
  }
  return p.song;
}

double seconds_to_restart(const Module& m) {
  int speed = m.speed, bpm = m.bpm;
  int order = 0, row = 0;
  double t = 0;
  const int len = static_cast<int>(m.order.size());
  while (t < 3600) {
    const Pattern& p = m.patterns[m.order[order]];
    int next_order = -1, next_row = -1, delay = 0;
    for (int ch = 0; ch < m.channels; ++ch) {
      const Cell& c = p.cells[static_cast<size_t>(row * m.channels + ch)];
      if (c.effect == 0xF) {
        if (c.param >= 32) bpm = c.param;
        else speed = c.param;
      } else if (c.effect == 0xB) {
        next_order = c.param >= len ? 0 : c.param;
        next_row = 0;
      } else if (c.effect == 0xD) {
        next_row = (c.param >> 4) * 10 + (c.param & 15);
        if (next_row > 63) next_row = 0;
        if (next_order < 0) next_order = order + 1 >= len ? 0 : order + 1;
      } else if (c.effect == 0xE && (c.param >> 4) == 0xE) {
        delay = speed * (c.param & 15);
      }
    }
    t += (speed + delay) * 2.5 / bpm;
    if (next_row < 0) {
      next_row = row + 1;
      if (next_row >= p.rows) {
        next_row = 0;
        next_order = order + 1 >= len ? m.restart : order + 1;
        if (order + 1 >= len) return t;
      }
    }
    if (next_order >= 0) {
      if (next_order <= order && next_order <= m.restart) return t;
      order = next_order;
    }
    row = next_row;
    if (row >= m.patterns[m.order[order]].rows) row = 0;
  }
  return -1;
}

}  // namespace zel::xmsynth
