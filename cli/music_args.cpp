// Music arguments of the tool's commands (see music_args.h).
#include "cli/music_args.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

#include "content/content.h"
#include "core/output.h"
#include "sid/sid_tunes.h"
#include "cli/input_file.h"
#include "cli/registry.h"

namespace zel::tool {

int module_image(const char* command, const std::string& arg, std::vector<uint8_t>& image) {
  long n = 0;
  std::string why;
  if (parse_int(arg, n)) {
    if (n < 1 || n > kModuleCount) {
      std::cerr << command << ": module numbers are 1.." << kModuleCount << "\n";
      return 2;
    }
    std::span<const uint8_t> m = xm_module(static_cast<int>(n));
    if (m.empty()) {
      std::cerr << command << ": module " << n << " is not built in\n";
      return 1;
    }
    image.assign(m.begin(), m.end());
  } else if (!read_input_file(arg, image, why)) {
    std::cerr << command << ": " << arg << ": " << why << "\n";
    return 1;
  }
  return 0;
}

int tune_image(const char* command, const std::string& arg, std::vector<uint8_t>& image) {
  long n = 0;
  std::string why;
  if (parse_int(arg, n)) {
    if (n < 1 || n > kTuneCount) {
      std::cerr << command << ": tune numbers are 1.." << kTuneCount << "\n";
      return 2;
    }
    std::span<const uint8_t> t = sid_tune(static_cast<int>(n)).image;
    if (t.empty()) {
      std::cerr << command << ": tune " << n << " is not built in\n";
      return 1;
    }
    image.assign(t.begin(), t.end());
  } else if (!read_input_file(arg, image, why) || !check_psid_header(image, why)) {
    std::cerr << command << ": " << arg << ": " << why << "\n";
    return 1;
  }
  return 0;
}

bool parse_seconds(const std::string& s, int rate, uint64_t& frames) {
  if (s.empty()) return false;
  char* end = nullptr;
  const double seconds = std::strtod(s.c_str(), &end);
  if (*end != '\0' || !(seconds >= 0) || seconds > 3600) return false;
  frames = static_cast<uint64_t>(std::llround(seconds * rate));
  return true;
}

}  // namespace zel::tool
