// Helpers shared by the test suites: colours, files, commands run in a shell,
// scripted whole-program runs on the headless backend, and a main screen built
// the way start-up builds it, with pixel checks. It also brings in GoogleTest
// and the standard headers the suites use.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/app.h"
#include "platform/headless_platform.h"
#include "cli/script_runner.h"

namespace zel::testing {

constexpr uint32_t rgb(int r, int g, int b) {
  return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}

// blend_rect's arithmetic for one pixel, channel by channel: an independent reference.
constexpr uint32_t blend(uint32_t dst, int alpha, int r, int g, int b) {
  auto ch = [&](int s, int shift) {
    int d = static_cast<int>((dst >> shift) & 0xFF);
    return static_cast<uint32_t>((s * alpha + d * (256 - alpha)) / 256) << shift;
  };
  return ch(r, 16) | ch(g, 8) | ch(b, 0);
}

// ---- files ------------------------------------------------------------------
inline std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline std::vector<uint8_t> read_bytes(const std::string& path) {
  std::string s = read_text(path);
  return {s.begin(), s.end()};
}
// A path in the temporary folder that only the running test uses: ctest runs
// the cases of one binary in parallel.
inline std::string own_path(const std::string& name) {
  const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + "/" + t->test_suite_name() + "." + t->name() + "_" + name;
}

// ---- commands -----------------------------------------------------------------
// A shell command run to its end: its exit status (-1 when it did not exit),
// what it wrote on standard output and on standard error.
struct Ran {
  int status = -1;
  std::string out, err;
};
inline Ran run_command(const std::string& command) {
  const std::string out = own_path("stdout.txt"), err = own_path("stderr.txt");
  int rc = std::system((command + " >" + out + " 2>" + err).c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, read_text(out), read_text(err)};
}

// ---- scripted runs ------------------------------------------------------------
// The whole program driven by a script (see README, "Scripts"): what `print`
// wrote, one NAME=VALUE line each, and how the run ended.
struct ScriptRun {
  tool::ScriptResult result;
  std::string out;
  // The value of the n-th printed NAME (from 0), "" when there is none.
  std::string value(const std::string& name, size_t n = 0) const {
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
      if (line.rfind(name + "=", 0) == 0 && n-- == 0) return line.substr(name.size() + 1);
    return "";
  }
};

inline ScriptRun run(const std::string& script,
                     const std::function<void(App&, HeadlessPlatform&)>& setup = {}) {
  std::vector<tool::ScriptCommand> cmds;
  std::string error;
  EXPECT_TRUE(tool::parse_script(script, cmds, error)) << error;
  std::ostringstream out;
  ScriptRun r;
  r.result = tool::run_script(cmds, ::testing::TempDir(), out, setup);
  r.out = out.str();
  return r;
}

// ---- a main screen ------------------------------------------------------------
constexpr uint32_t kBg = 0x406080;  // a background no drawing produces

// The App on the headless backend after start-up (tables, pictures, display
// open), without music and before the intro.
struct Screen {
  HeadlessPlatform p;
  std::unique_ptr<App> app_ptr = std::make_unique<App>(p);
  App& app = *app_ptr;

  Screen() { EXPECT_TRUE(start_up(app)); }

  // The mouse as end_of_frame_input would have sampled it.
  void pointer(int x, int y, int button = 0) {
    app.input.mouse_x = x, app.input.mouse_y = y, app.input.mouse_button = button;
  }
  // A page of n lines (contents do not matter to scrolling).
  void page_of(int n) {
    app.grid.page_length = n;
    app.grid.top_line = app.grid.scroll_offset = 0;
  }
  uint32_t px(int x, int y) const { return app.fb.get(x, y); }
};

// Expected pixels of an 800 x 600 image, checked one by one.
struct Px {
  int x, y;
  uint32_t want;
};
inline void expect_pixels(const std::vector<uint32_t>& img, std::initializer_list<Px> cases) {
  for (const Px& c : cases)
    EXPECT_EQ(img[static_cast<size_t>(c.y) * kScreenW + c.x], c.want) << "at " << c.x << "," << c.y;
}
inline void expect_pixels(const FrameBuffer& fb, std::initializer_list<Px> cases) { expect_pixels(fb.px, cases); }
inline bool all_are(const FrameBuffer& fb, uint32_t v) {
  return std::ranges::all_of(fb.px, [v](uint32_t p) { return p == v; });
}
inline FrameBuffer filled(uint32_t colour) {
  FrameBuffer fb;
  fb.clear(colour);
  return fb;
}

}  // namespace zel::testing
