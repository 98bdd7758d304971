// PSID image writer (see psid_writer.h).
#include "sid/psid_writer.h"

#include <algorithm>

namespace zel::psid {

std::vector<uint8_t> write_psid(const PsidImage& p) {
  std::vector<uint8_t> img(std::max<size_t>(p.data_offset, 0x76), 0);
  auto be16 = [&](size_t at, uint16_t v) {
    img[at] = static_cast<uint8_t>(v >> 8);
    img[at + 1] = static_cast<uint8_t>(v);
  };
  auto text = [&](size_t at, const std::string& t) {
    for (size_t i = 0; i < t.size() && i < 31; ++i) img[at + i] = static_cast<uint8_t>(t[i]);
  };
  std::copy_n("PSID", 4, img.begin());
  be16(4, 2);
  be16(6, p.data_offset);
  be16(8, p.header_load);
  be16(10, p.init);
  be16(12, p.play);
  be16(14, p.songs);
  be16(16, p.start_song);
  text(22, p.title);
  text(54, p.author);
  text(86, p.released);
  if (p.data_offset >= 0x7C) be16(118, p.flags);
  img.resize(p.data_offset);
  img.push_back(static_cast<uint8_t>(p.load));
  img.push_back(static_cast<uint8_t>(p.load >> 8));
  img.insert(img.end(), p.data.begin(), p.data.end());
  return img;
}

}  // namespace zel::psid
