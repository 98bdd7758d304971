#include "cli/script_runner.h"

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/png_io.h"
#include "cli/registry.h"

namespace zel::tool {
namespace {

const std::map<std::string, int>& key_names() {
  static const std::map<std::string, int> names = [] {
    std::map<std::string, int> m{{"ESCAPE", kKeyEscape}, {"UP", kKeyUp},     {"DOWN", kKeyDown},
                                 {"PAGEUP", kKeyPageUp}, {"PAGEDOWN", kKeyPageDown}, {"HOME", kKeyHome},
                                 {"END", kKeyEnd}};
    for (int k = 1; k <= 12; ++k) m["F" + std::to_string(k)] = kKeyF1 + k - 1;
    return m;
  }();
  return names;
}

template <typename T>
std::string join(const T* values, int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) {
    if (i > from) s += ' ';
    s += std::to_string(values[i]);
  }
  return s;
}

std::string fmt_double(double v) {
  std::ostringstream os;
  os.precision(10);
  os << v;
  return os.str();
}

// FNV-1a over the frame's pixels: a cheap fingerprint for comparing long runs.
uint64_t frame_hash(const std::vector<uint32_t>& frame) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t px : frame) {
    h ^= px;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

bool known_state_name(const std::string& name) {
  static const char* names[] = {"phase",         "top_line",   "scroll_offset", "page_length", "skin",
                                "current_menu",  "selected_song", "ticker_pos", "current_tune", "anim_clock",
                                "mouse_x",       "mouse_y",    "mouse_button",  "click_latch", "ButtonLit",
                                "MenuSelected",  "quit_requested", "pointer_look", "scrollbar_glow",
                                "scrollbar_drag", "ButtonGlow", "time",        "frames",      "intro_phase"};
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

std::string state_value(const App& app, const HeadlessPlatform& p, const std::string& name) {
  if (name == "phase") return phase_name(app.phase);
  if (name == "top_line") return std::to_string(app.grid.top_line);
  if (name == "scroll_offset") return std::to_string(app.grid.scroll_offset);
  if (name == "page_length") return std::to_string(app.grid.page_length);
  if (name == "skin") return std::to_string(app.nav.skin);
  if (name == "current_menu") return std::to_string(app.nav.current_menu);
  if (name == "selected_song") return std::to_string(app.nav.selected_song);
  if (name == "ticker_pos") return std::to_string(app.nav.ticker_pos);
  if (name == "current_tune") return std::to_string(app.nav.current_tune);
  if (name == "quit_requested") return std::to_string(app.nav.quit_requested);
  if (name == "anim_clock") return fmt_double(app.timing.anim_clock);
  if (name == "intro_phase") return fmt_double(app.timing.intro_phase);
  if (name == "mouse_x") return std::to_string(app.input.mouse_x);
  if (name == "mouse_y") return std::to_string(app.input.mouse_y);
  if (name == "mouse_button") return std::to_string(app.input.mouse_button);
  if (name == "click_latch") return std::to_string(app.input.click_latch);
  if (name == "pointer_look") return std::to_string(app.input.pointer_look);
  if (name == "scrollbar_glow") return std::to_string(app.input.scrollbar_glow);
  if (name == "scrollbar_drag") return std::to_string(app.input.scrollbar_drag);
  if (name == "ButtonLit") return join(app.nav.button_lit, 1, 10);
  if (name == "ButtonGlow") return join(app.input.button_glow, 1, 10);
  if (name == "MenuSelected") return join(app.nav.menu_selected, 1, 21);
  if (name == "time") return fmt_double(const_cast<HeadlessPlatform&>(p).clock() - HeadlessPlatform::kStartTime);
  if (name == "frames") return std::to_string(p.frames_presented());
  return "";
}

bool parse_script(const std::string& text, std::vector<ScriptCommand>& out, std::string& error) {
  std::istringstream in(text);
  std::string raw;
  int lineno = 0;
  auto bad = [&](const std::string& why) {
    error = "line " + std::to_string(lineno) + ": " + why;
    return false;
  };
  while (std::getline(in, raw)) {
    ++lineno;
    size_t hash = raw.find('#');
    if (hash != std::string::npos) raw.erase(hash);
    std::istringstream ls(raw);
    std::vector<std::string> w;
    for (std::string t; ls >> t;) w.push_back(t);
    if (w.empty()) continue;
    ScriptCommand c;
    c.line = lineno;
    c.op = w[0];
    c.args.assign(w.begin() + 1, w.end());
    long n = 0;
    if (c.op == "wait") {
      if (w.size() != 2) return bad("usage: wait N | wait SECONDSs");
      std::string a = w[1];
      if (a.back() == 's') {
        char* end = nullptr;
        double s = std::strtod(a.c_str(), &end);
        if (end != a.c_str() + a.size() - 1 || !(s >= 0)) return bad("bad duration '" + a + "'");
        c.op = "waits";
        c.number = s;
      } else {
        if (!parse_int(a, n) || n < 0) return bad("bad frame count '" + a + "'");
        c.number = static_cast<double>(n);
      }
    } else if (c.op == "key") {
      if (w.size() != 3 || (w[1] != "down" && w[1] != "up" && w[1] != "press")) return bad("usage: key down|up|press K");
      auto it = key_names().find(w[2]);
      if (it == key_names().end()) return bad("unknown key '" + w[2] + "'");
      c.a = it->second;
    } else if (c.op == "mouse") {
      long x = 0, y = 0;
      if (w.size() != 3 || !parse_int(w[1], x) || !parse_int(w[2], y) || x < 0 || y < 0 || x > 65535 || y > 65535)
        return bad("usage: mouse X Y");
      c.a = static_cast<int>(x);
      c.b = static_cast<int>(y);
    } else if (c.op == "button") {
      if (w.size() != 2 || (w[1] != "down" && w[1] != "up")) return bad("usage: button down|up");
    } else if (c.op == "click" || c.op == "close") {
      if (w.size() != 1) return bad("usage: " + c.op);
    } else if (c.op == "wheel") {
      if (w.size() != 2 || !parse_int(w[1], n) || n < -1000 || n > 1000) return bad("usage: wheel N");
      c.number = static_cast<double>(n);
    } else if (c.op == "shot") {
      if (w.size() != 2 || w[1].find('/') != std::string::npos) return bad("usage: shot NAME.png");
    } else if (c.op == "framelog") {
      if (w.size() != 2 || w[1].find('/') != std::string::npos) return bad("usage: framelog NAME.txt");
    } else if (c.op == "print") {
      if (w.size() < 2) return bad("usage: print NAME...");
      for (size_t i = 1; i < w.size(); ++i)
        if (!known_state_name(w[i])) return bad("unknown state value '" + w[i] + "'");
    } else {
      return bad("unknown command '" + c.op + "'");
    }
    out.push_back(std::move(c));
  }
  return true;
}

ScriptResult run_script(const std::vector<ScriptCommand>& script, const std::string& outdir, std::ostream& out,
                        const std::function<void(App&, HeadlessPlatform&)>& setup) {
  ScriptResult result;
  auto platform = std::make_unique<HeadlessPlatform>();
  HeadlessPlatform& p = *platform;
  auto app = std::make_unique<App>(p);
  if (setup) setup(*app, p);

  size_t pc = 0;
  int wait_frames = 0;
  double wait_until = -1;
  std::vector<std::pair<int, bool>> release_next;  // keys (or -1 for the button) to release after the next present
  std::ofstream frame_log;  // one line per presented frame once `framelog` has run

  // Runs commands until a wait or the end of the script. True when the
  // script has run out.
  auto step = [&]() -> bool {
    while (pc < script.size()) {
      const ScriptCommand& c = script[pc++];
      if (c.op == "wait") {
        wait_frames = static_cast<int>(c.number);
        if (wait_frames > 0) return false;
      } else if (c.op == "waits") {
        wait_until = p.clock() + c.number;
        if (c.number > 0) return false;
      } else if (c.op == "key") {
        if (c.args[0] == "down") p.post_key(c.a, true);
        else if (c.args[0] == "up") p.post_key(c.a, false);
        else {
          p.post_key(c.a, true);
          release_next.emplace_back(c.a, true);
        }
      } else if (c.op == "mouse") {
        p.post_mouse_move(c.a, c.b);
      } else if (c.op == "button") {
        p.post_button(c.args[0] == "down");
      } else if (c.op == "click") {
        p.post_button(true);
        release_next.emplace_back(-1, true);
      } else if (c.op == "close") {
        p.post_window_close();
      } else if (c.op == "wheel") {
        p.post_wheel(static_cast<int>(c.number));
      } else if (c.op == "shot") {
        std::string path = outdir + "/" + c.args[0];
        if (!write_png(path, p.last_frame().data(), kScreenW, kScreenH) && result.error.empty())
          result.error = "cannot write " + path;
      } else if (c.op == "framelog") {
        std::string path = outdir + "/" + c.args[0];
        frame_log.open(path);
        if (!frame_log && result.error.empty()) result.error = "cannot write " + path;
      } else if (c.op == "print") {
        for (const std::string& name : c.args) out << name << "=" << state_value(*app, p, name) << "\n";
        out.flush();
      }
    }
    return true;
  };

  bool ran_out = step();
  App& run = *app;
  p.set_present_hook([&](const std::vector<uint32_t>& frame) {
    if (frame_log.is_open()) frame_log << p.frames_presented() << ' ' << std::hex << frame_hash(frame) << std::dec << '\n';
    for (auto& [key, unused] : release_next) {
      (void)unused;
      if (key < 0) p.post_button(false);
      else p.post_key(key, false);
    }
    release_next.clear();
    if (wait_frames > 0) --wait_frames;
    if (wait_until >= 0 && p.clock() + 1e-9 >= wait_until) wait_until = -1;
    if (wait_frames > 0 || wait_until >= 0) return;
    // The script has run out: the program stops at this present and shuts down.
    if (ran_out || step()) run.run_ended = true;
  });

  result.exit_status = run_program(*app);
  result.program_ended = !app->run_ended;
  app.reset();
  return result;
}

}  // namespace zel::tool
