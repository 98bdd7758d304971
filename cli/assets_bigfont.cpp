// Asset writer for the intro's big font: bigfont.png (the glyphs in their
// palette colours, enlarged twice) and bigfont.bin (the bytes as linked).
#include <fstream>
#include <iostream>
#include <vector>

#include "render/intro.h"
#include "cli/png_io.h"
#include "cli/registry.h"

namespace zel::tool {
bool write_bigfont(const std::string& outdir) {
  auto bytes = big_font_bytes();
  const size_t n = static_cast<size_t>(IntroState::kFontW) * IntroState::kFontH;
  if (bytes.size() != n + 768) {
    std::cerr << "bigfont: linked font has " << bytes.size() << " bytes, expected " << n + 768 << "\n";
    return false;
  }
  std::ofstream bin(outdir + "/bigfont.bin", std::ios::binary);
  bin.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!bin) {
    std::cerr << outdir << "/bigfont.bin: cannot write\n";
    return false;
  }
  std::vector<uint32_t> px(n);
  const unsigned char* pal = bytes.data() + n;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char* e = pal + 3 * bytes[i];
    px[i] = static_cast<uint32_t>(e[0]) << 16 | static_cast<uint32_t>(e[1]) << 8 | e[2];
  }
  if (!write_png_scaled(outdir + "/bigfont.png", px.data(), IntroState::kFontW, IntroState::kFontH, 2)) {
    std::cerr << outdir << "/bigfont.png: cannot write\n";
    return false;
  }
  return true;
}

}  // namespace zel::tool
