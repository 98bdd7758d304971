// `measure-xm [N|FILE ...]`: the figures of docs/modules.md for each
// embedded module (all four without arguments) or XM file, one block of
// lines each.
#include <cstdio>
#include <iostream>

#include "cli/module_measure.h"
#include "cli/music_args.h"
#include "cli/registry.h"
#include "content/content.h"

namespace zel::tool {

int cmd_measure_xm(const std::vector<std::string>& args) {
  std::vector<std::string> names = args;
  if (names.empty())
    for (int n = 1; n <= kModuleCount; ++n) names.push_back(std::to_string(n));
  for (const std::string& name : names) {
    std::vector<uint8_t> image;
    if (int status = module_image("measure-xm", name, image)) return status;
    ModuleFigures f;
    std::string why;
    if (!measure_module(image, f, why)) {
      std::cerr << "measure-xm: " << name << ": " << why << "\n";
      return 1;
    }
    std::printf("%s: first pass %.1f s\n", name.c_str(), f.seconds);
    std::printf("  stereo: side %.1f dB against mid\n", f.side_to_mid_db);
    std::printf("  samples: largest mean %+.4f of full scale (%s)\n", f.worst_sample_mean, f.worst_sample.c_str());
    std::printf("  spectrum: %.2f %% of the energy above 4 kHz, %.2f %% above 6 kHz\n", 100 * f.above_4k,
                100 * f.above_6k);
    std::printf("  order list: %d of %d entries (%.0f %%) on the commonest bar roots %s; %d patterns elsewhere\n",
                f.home_slots, f.order_length, 100.0 * f.home_slots / f.order_length, f.home_roots.c_str(),
                f.away_patterns);
    std::printf("  visualiser: median %d of 40 bars lit over %d frames; thirds lit in %.0f %%, %.0f %%, %.0f %% of them\n",
                f.median_bars_lit, f.frames, 100 * f.third_lit[0], 100 * f.third_lit[1], 100 * f.third_lit[2]);
  }
  return 0;
}

}  // namespace zel::tool
