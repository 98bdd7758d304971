// The music arguments shared by render-xm/play-xm and render-sid/play-sid:
// "N" for an embedded module or tune, anything else a file name; SECONDS;
// and the one-line messages and exit statuses for what cannot be used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::tool {

// The XM image named by `arg`: embedded module 1..4 or a file. Returns 0, or
// the exit status after printing one line prefixed with `command`: 2 for a
// module number outside 1..4, 1 for a file that cannot be read or a module
// that is not built in.
int module_image(const char* command, const std::string& arg, std::vector<uint8_t>& image);

// The PSID image named by `arg`: embedded tune 1..12 or a PSID/RSID file
// (its header checked). Returns 0 or the exit status, as module_image.
int tune_image(const char* command, const std::string& arg, std::vector<uint8_t>& image);

// A duration of 0..3600 seconds, decimals allowed, as a frame count at `rate`.
bool parse_seconds(const std::string& s, int rate, uint64_t& frames);

}  // namespace zel::tool
