// Input files of zelvorant-tool's commands: read whole, with a one-line
// reason when they cannot be used, and the PSID header check of the SID
// commands. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::tool {

// Reads the regular file at `path` into `out`. False, with the reason in
// `why` ("no such file", "is a directory", "permission denied", "is empty",
// "larger than N bytes" ...), when it does not exist, is not a readable
// file, is empty or holds more than `max_bytes`.
bool read_input_file(const std::string& path, std::vector<uint8_t>& out, std::string& why,
                     size_t max_bytes = size_t{256} << 20);

// True when `image` is a PSID or RSID tune the player can load as written:
// the magic, a header size of a known version ($76 or $7C), the load address
// after it and data that ends by $FFFF. Otherwise false with the reason in
// `why`.
bool check_psid_header(const std::vector<uint8_t>& image, std::string& why);

}  // namespace zel::tool
