// xmsynth: compiles a song written in the module notation into an XM file.
//
//   xmsynth SONG.txt OUT.xm      writes the module and prints its size and
//                                its length up to the restart position
//   xmsynth -v SONG.txt OUT.xm   also lists the bytes each sample takes
//
// Run at build time by tools/xmsynth/CMakeLists.txt for content/modules/*.txt.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "tools/xmsynth/notation.h"

int main(int argc, char** argv) {
  bool verbose = false;
  if (argc == 4 && std::string(argv[1]) == "-v") {
    verbose = true;
    ++argv;
    --argc;
  }
  if (argc != 3) {
    std::cerr << "usage: xmsynth [-v] SONG.txt OUT.xm\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << argv[1] << ": cannot read\n";
    return 1;
  }
  std::stringstream source;
  source << in.rdbuf();
  try {
    const auto song = zel::xmsynth::compile_song(source.str());
    const auto bytes = zel::xmsynth::write_xm(song.module);
    if (verbose) {
      for (const auto& ins : song.module.instruments) {
        for (const auto& smp : ins.samples)
          std::cout << ins.name << ": " << smp.data.size() * (smp.bits16 ? 2 : 1) << " bytes, relative note "
                    << smp.relative_note << ", finetune " << smp.finetune << "\n";
      }
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::cerr << argv[2] << ": cannot write\n";
      return 1;
    }
    std::cout << argv[2] << ": " << bytes.size() << " bytes, " << zel::xmsynth::seconds_to_restart(song.module)
              << " s to the restart position\n";
  } catch (const std::exception& e) {
    std::cerr << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
