#include "sid/sid_tunes.h"

#include "content/content.h"

namespace zel {

SidTuneEntry sid_tune(int n) {
  if (n < 1 || n > kTuneCount) return {};
  // Every embedded tune starts with sub-song 0 in A, whatever its header's
  // start song says.
  return {tune_image(n), 0};
}

}  // namespace zel
