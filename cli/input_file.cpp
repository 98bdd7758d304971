// Input files of the tool's commands (see input_file.h).
#include "cli/input_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "sid/psid_header.h"

namespace zel::tool {

bool read_input_file(const std::string& path, std::vector<uint8_t>& out, std::string& why, size_t max_bytes) {
  out.clear();
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) {
    why = ec && ec != std::errc::no_such_file_or_directory ? ec.message() : "no such file";
    return false;
  }
  if (std::filesystem::is_directory(status)) {
    why = "is a directory";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    why = "not a regular file";
    return false;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    why = std::strerror(errno);
    return false;
  }
  // One byte more than allowed tells a file that is too large.
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (out.size() + n > max_bytes) {
      std::fclose(f);
      out.clear();
      why = "larger than " + std::to_string(max_bytes) + " bytes";
      return false;
    }
    out.insert(out.end(), chunk, chunk + n);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    why = "read error";
    return false;
  }
  if (out.empty()) {
    why = "is empty";
    return false;
  }
  return true;
}

bool check_psid_header(const std::vector<uint8_t>& image, std::string& why) {
  const PsidHeader header = psid_parse(image);
  if (header.problem == PsidProblem::kNone) return true;
  why = psid_problem_text(header);
  return false;
}

}  // namespace zel::tool
