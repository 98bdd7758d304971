// Every input that ever crashed or hung a fuzz target, kept under
// fuzz/regressions/<target>/ with a name that says what it showed, is
// replayed here the way its target runs it: modules and tunes are loaded
// and played through the targets' own harness, page sources go through the
// real page compiler, which must compile them or refuse them with a reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/harness.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> kept_inputs(const char* target) {
  std::vector<fs::path> files;
  fs::path dir = fs::path(ZEL_SOURCE_DIR) / "fuzz" / "regressions" / target;
  if (fs::exists(dir))
    for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
  return files;
}

std::vector<uint8_t> bytes_of(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(FuzzRegressions, ModulesAndTunesLoadAndPlay) {
  const std::pair<const char*, void (*)(const uint8_t*, size_t)> kPlayers[] = {
      {"fuzz_xm", zel::fuzz::play_xm}, {"fuzz_psid", zel::fuzz::play_psid}};
  for (const auto& [target, play] : kPlayers)
    for (const fs::path& p : kept_inputs(target)) {
      SCOPED_TRACE(p.string());
      std::vector<uint8_t> b = bytes_of(p);
      play(b.data(), b.size());
    }
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
