// Every input that ever crashed or hung a fuzz target, kept under
// fuzz/regressions/<target>/ with a name that says what it showed, is
// replayed here the way its target runs it: modules and tunes are loaded
// and played through the targets' own harness and must give the outcome
// listed for them, page sources go through the real page compiler, which
// must compile them or refuse them with a reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/harness.h"

namespace {

namespace fs = std::filesystem;

// The inputs kept for `target`; a missing folder fails the calling test.
std::vector<fs::path> kept_inputs(const char* target) {
  std::vector<fs::path> files;
  fs::path dir = fs::path(ZEL_SOURCE_DIR) / "fuzz" / "regressions" / target;
  if (fs::is_directory(dir))
    for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
  EXPECT_FALSE(files.empty()) << dir;
  return files;
}

std::vector<uint8_t> bytes_of(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// What replaying each kept module and tune must give (fuzz/make_regressions.py
// writes them): the refusal, or what the loader made of the image after its
// clamps (channels; rows per pattern; loop start + length / length of each
// sample; volume/panning envelope points), or the tune's load range and how
// its init call ended. Every kept file must be listed here and vice versa.
const std::map<std::string, std::string> kOutcomes = {
    {"fuzz_xm/more-than-32-channels.xm", "refused: more than 32 channels"},
    {"fuzz_xm/envelope-points-and-loop-past-the-count.xm",
     "2 channels; rows 8; samples 8+32/48 4+30/40 2+12/20; envelope points 12/3 0/0"},
    {"fuzz_xm/envelope-ticks-going-back.xm",
     "2 channels; rows 8; samples 8+32/48 4+30/40 2+12/20; envelope points 4/3 0/0"},
    {"fuzz_xm/pattern-of-300-rows.xm",
     "2 channels; rows 256; samples 8+32/48 4+30/40 2+12/20; envelope points 4/3 0/0"},
    {"fuzz_xm/pattern-promises-more-cells-than-the-file.xm",
     "2 channels; rows 8; samples; envelope points 0/0 0/0"},
    {"fuzz_xm/sample-longer-than-the-file.xm",
     "2 channels; rows 8; samples 8+32/491 4+30/40; envelope points 4/3 0/0"},
    {"fuzz_xm/loop-past-the-sample-end.xm",
     "2 channels; rows 8; samples 0+48/48 4+30/40 2+12/20; envelope points 4/3 0/0"},
    {"fuzz_psid/data-past-ffff.psid", "loaded $FFF0-$FFFF, init returned"},
    {"fuzz_psid/init-that-never-returns.psid", "loaded $1000-$1003, init stopped at the budget"},
    {"fuzz_psid/data-offset-past-the-end.psid", "nothing loaded"},
};

TEST(FuzzRegressions, ModulesAndTunesLoadAndPlay) {
  const std::pair<const char*, std::string (*)(const uint8_t*, size_t)> kPlayers[] = {
      {"fuzz_xm", zel::fuzz::play_xm}, {"fuzz_psid", zel::fuzz::play_psid}};
  size_t replayed = 0;
  for (const auto& [target, play] : kPlayers)
    for (const fs::path& p : kept_inputs(target)) {
      const std::string name = std::string(target) + "/" + p.filename().string();
      const auto expected = kOutcomes.find(name);
      std::vector<uint8_t> b = bytes_of(p);
      const std::string outcome = play(b.data(), b.size());
      ASSERT_NE(expected, kOutcomes.end()) << name << " is kept without its outcome: " << outcome;
      EXPECT_EQ(outcome, expected->second) << name;
      ++replayed;
    }
  EXPECT_EQ(replayed, kOutcomes.size()) << "an input listed here is missing from fuzz/regressions";
}

TEST(FuzzRegressions, PageSourcesCompileOrAreRefusedWithAReason) {
  const std::string pagec = ZEL_PAGEC;
  const std::string out = ::testing::TempDir() + "/fuzz_regression_page";
  for (const fs::path& p : kept_inputs("fuzz_page")) {
    SCOPED_TRACE(p.string());
    std::string cmd = pagec + " " + out + ".cpp /dev/null " + p.string() + " 2> " + out + ".err";
    int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc));
    int status = WEXITSTATUS(rc);
    std::ifstream err(out + ".err");
    std::string said((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(status == 0 || (status == 1 && said.find(": error: ") != std::string::npos))
        << "status " << status << ": " << said;
  }
}

}  // namespace
