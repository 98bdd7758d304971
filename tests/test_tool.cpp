// zelvorant-tool as a developer uses it: real process, real files.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <numeric>

#include "content/content.h"
#include "tests/support.h"
#include "xm/xm_writer.h"
#include "xm/xm_player.h"

namespace {

using zel::testing::own_path;
using zel::testing::read_text;
using zel::testing::Ran;

// `prefix` goes before the tool in the shell command (variables, a pipe); what
// the tool wrote on standard error comes after what it wrote on standard output.
Ran run_tool(const std::string& args, const std::string& prefix = "") {
  Ran r = zel::testing::run_command(prefix + " " + ZEL_BINARY_DIR + "/zelvorant-tool " + args);
  r.out += r.err;
  return r;
}

std::string write_script(const std::string& name, const std::string& text) {
  std::ofstream(own_path(name)) << text;
  return own_path(name);
}

// `page N` takes the pages of the issue only; `pages` lists them with their lengths and menu entries.
TEST(Tool, RunEndsWithTheProgramsStatusOrZeroWhenTheScriptRunsOut) {
  std::string dir = own_path("shots");
  std::string quit = write_script("quit.txt", "wait 2.5s\nkey press ESCAPE\nwait 4s\nkey press ESCAPE\nwait 30\n");
  EXPECT_EQ(run_tool("run " + quit + " " + dir).status, 0);
  std::string shots = write_script("shots.txt", "wait 2.5s\nshot a.png\nprint phase\n");
  Ran r = run_tool("run " + shots + " " + dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "phase=intro\n");
  EXPECT_EQ(read_text(dir + "/a.png").substr(1, 3), "PNG");
}

// ---- music export, song end, players, bad input -----------------------------

// The samples of a sound file as libsndfile reads them; channels -1 when it
// cannot be opened.
std::vector<int16_t> read_sound(const std::string& path, int& channels) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  channels = f ? info.channels : -1;
  if (!f) return {};
  std::vector<int16_t> v(static_cast<size_t>(info.frames * info.channels));
  sf_readf_short(f, v.data(), info.frames);
  sf_close(f);
  return v;
}

double rms(const std::vector<int16_t>& v) {
  return std::sqrt(std::inner_product(v.begin(), v.end(), v.begin(), 0.0) / static_cast<double>(v.size()));
}

TEST(ToolExport, EveryFormatHoldsTheRenderedSamples) {
  std::span<const uint8_t> image = zel::xm_module(1);
  auto song = zel::xm_load_song(image.data(), image.size());
  ASSERT_TRUE(song);
  const std::vector<int16_t> expected = zel::xm_render_offline(*song, 3 * 44100 + 18);
  int channels = 0;
  for (std::string ext : {"wav", "flac", "ogg", "FLAC"}) {
    SCOPED_TRACE(ext);
    ASSERT_EQ(run_tool("render-xm 1 3.0004 " + own_path("x." + ext)).status, 0);
    const std::vector<int16_t> got = read_sound(own_path("x." + ext), channels);
    EXPECT_EQ(channels, 2);
    ASSERT_EQ(got.size(), expected.size());
    if (ext == "ogg")
      EXPECT_NEAR(rms(got), rms(expected), 0.1 * rms(expected));  // lossy: the level, not the samples
    else
      EXPECT_EQ(got, expected);
  }
  for (const char* name : {"s.flac", "s.wav"}) ASSERT_EQ(run_tool("render-sid 1 1 " + own_path(name)).status, 0);
  EXPECT_EQ(read_sound(own_path("s.flac"), channels), read_sound(own_path("s.wav"), channels));
  ASSERT_EQ(run_tool("render-xm 1 0 " + own_path("empty.wav")).status, 0);
  EXPECT_TRUE(read_sound(own_path("empty.wav"), channels).empty());
  EXPECT_EQ(channels, 2);
}

TEST(ToolExport, EndRendersTheLengthTheModulesListShows) {
  std::istringstream list(run_tool("modules").out);
  std::string line;
  while (std::getline(list, line) && line.rfind("2\t", 0) != 0) continue;
  ASSERT_EQ(run_tool("render-xm 2 end " + own_path("end.wav")).status, 0);
  int channels = 0;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(read_sound(own_path("end.wav"), channels).size()) / 2 / 44100);
  EXPECT_EQ(line.substr(line.rfind('\t') + 1), seconds);
}

// A module the magazine's loader refuses twice over: an instrument of 17
// samples, written in `version`'s older layout (the loader's tests check
// that each layout sounds as the current one).
std::string large_instrument_file(int version) {
  zel::xmsynth::Module m;
  m.version = version;
  m.order = {0};
  m.patterns.push_back({4, {}});
  zel::xmsynth::Instrument& ins = m.instruments.emplace_back();
  for (int k = 0; k < 17; ++k) ins.samples.emplace_back().data.assign(2000, static_cast<int16_t>(k * 7 - 60));
  ins.note_map.fill(16);
  m.cell(0, 0, 0) = {49, 1, 0, 0, 0};
  const std::vector<uint8_t> bytes = zel::xmsynth::write_xm(m);
  return write_script("large" + std::to_string(version) + ".xm", std::string(bytes.begin(), bytes.end()));
}

TEST(ToolPlay, PlayersRunOnTheDummyDeviceAndStop) {
  const std::string large = "play-xm " + large_instrument_file(0x0102) + " --seconds 2 </dev/null";
  for (const std::string& cmd : {std::string("play-xm 1 --seconds 2 </dev/null"), large,
                                 std::string("play-sid 1 --seconds 2 </dev/null")}) {
    Ran r = run_tool(cmd, "SDL_AUDIODRIVER=dummy");
    EXPECT_TRUE(r.status == 0 && r.out.find("0:01") != std::string::npos) << r.out;
  }
  EXPECT_EQ(run_tool("play-xm 2", "printf q | SDL_AUDIODRIVER=dummy timeout 20").status, 0);
  Ran none = run_tool("play-sid 1", "SDL_AUDIODRIVER=no-such-driver");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out.rfind("play-sid: no audio device", 0), 0u) << none.out;
}

TEST(ToolInput, BadFilesAndCommandLinesGiveOneLineAndTheRightStatus) {
  const std::string dir = ::testing::TempDir(), out = " " + own_path("o.wav");
  const std::string empty = write_script("empty", ""), text = write_script("text", "not a tune\n");
  const std::string bad = write_script("bad.txt", "wiat 3\n");
  const std::string psid50 = write_script("psid50", std::string("PSID\0\2\0\x50", 8) + std::string(200, '\0'));
  std::string old = read_text(large_instrument_file(0x0102));
  old[58] = 1;  // version 1.01
  write_script("old.xm", old);
  const std::tuple<std::string, int, const char*> cases[] = {
      {"render-xm " + dir + " 1" + out, 1, "is a directory"},
      {"render-xm " + empty + " 1" + out, 1, "is empty"},
      {"render-xm /no/such.xm 1" + out, 1, "no such file"},
      {"render-xm " + own_path("old.xm") + " 1" + out, 1, "XM version 1.01 is not supported"},
      {"render-xm " + large_instrument_file(0x0102) + " 0.5 " + own_path("l.wav"), 0, "wrote"},
      {"render-xm " + large_instrument_file(0x0103) + " 0.5 " + own_path("l.wav"), 0, "wrote"},
      {"render-sid " + text + " 1" + out, 1, "not a PSID or RSID tune"},
      {"render-sid " + psid50 + " 1" + out, 1, "header size $0050"},
      {"play-xm " + dir, 1, "is a directory"},
      {"run " + empty + " " + dir, 1, "is empty"},
      {"run /no/such/script.txt " + dir, 1, "no such file"},
      {"run " + bad + " " + dir, 2, "line 1"},
      {"no-such-command", 2, "usage"},
      {"render-xm 1 1 /no/such/dir/o.wav", 1, "cannot write"},
      {"render-xm 1 1 " + own_path("o.mp3"), 2, "usage"},
      {"render-xm 1 end" + out + " --loops x", 2, "usage"},
      {"render-xm 1 1" + out + " --loops 1", 2, "usage"},
      {"render-xm 5 1" + out, 2, "1..4"},
      {"--help", 0, "play-xm N|FILE"},
      {"help render-xm", 0, "render-xm N|FILE SECONDS|end"},
      {"help no-such", 2, "no help"},
  };
  for (const auto& [args, status, says] : cases) {
    SCOPED_TRACE(args);
    Ran r = run_tool(args);
    EXPECT_EQ(r.status, status);
    EXPECT_NE(r.out.find(says), std::string::npos) << r.out;
    if (status == 1) {
      EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
  }
  EXPECT_FALSE(std::ifstream(own_path("o.wav")));  // nothing was written for a failed render
}

}  // namespace
